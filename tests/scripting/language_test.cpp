#include "script_fixture.h"

#include "app/frm_pref.h"
#include "capture/camera_slots.h"
#include "imaging/pipeline_state.h"
#include "scripting/frm_input.h"
#include "scripting/frm_script.h"

using scripttest::logged;

namespace {

// Declarations, then the statements, then a snapshot of the variables.
QString program(const QString& declarations, const QString& statements)
{
    return declarations + QLatin1Char('\n') + statements + QStringLiteral("\ntest.snapshot");
}

} // namespace

TEST_F(ScriptFixture, ExpressionsRunLeftToRightInTheTypeOfTheVariable)
{
    runScript(program(QStringLiteral("var(a,integer)\nvar(b,integer)\nvar(c,integer)\nvar(d,integer)\n"
                                     "var(e,integer)\nvar(f,integer)\nvar(g,integer)\nvar(h,integer)\n"
                                     "var(s,string)\nvar(t,string)\nvar(r,double)\nvar(q,double)\nvar(été,integer)"),
                      QStringLiteral("a:=1+2*3\nb := 10 / 4.0 \nc:=7/2\nd:=-7/2\ne:=--5\n"
                                     "f:=-2147483648/-1\ng:=2147483647+1\nh:=65536*65536+a\n"
                                     "s:=\"ab\"+5\nt:=s+\"-\"+%cam1_online\nr:=1/4\nq:=r*3-1\nété:=a-1")));
    EXPECT_TRUE(boxes.shown.empty()) << qPrintable(boxes.texts().join('|'));
    EXPECT_EQ(value("a"), "9");
    EXPECT_EQ(value("b"), "2");
    EXPECT_EQ(value("c"), "3");
    EXPECT_EQ(value("d"), "-3");
    EXPECT_EQ(value("e"), "-5");   // each "-" marks the operand negative, none toggles
    EXPECT_EQ(value("f"), "-2147483648");
    EXPECT_EQ(value("g"), "-2147483648");
    EXPECT_EQ(value("h"), "9");
    EXPECT_EQ(value("s"), "ab5");
    EXPECT_EQ(value("t"), "ab5-0");
    EXPECT_EQ(value("r"), "0.25");
    EXPECT_EQ(value("q"), "-0.25");
    EXPECT_EQ(value("été"), "8");
}

TEST_F(ScriptFixture, StatementsThatCannotGoOnReportWhy)
{
    const QString decl = QStringLiteral("var(x,integer)\nvar(s,string)\nvar(d,double)\nvar(été,integer)");
    const QString digits500(500, QLatin1Char('9'));
    const std::vector<std::pair<QString, QString>> cases = {
        {"x:=1 2", "Line 5 : 2 : operator expected"},
        {"x:=1,5", "Line 5 : ,5 : operator expected"},
        {"s:=\"a\"-\"b\"", "Line 5 : - : only + joins texts"},
        {"x:=1+\"a\"", "Line 5 : \"a\" : incompatible types"},
        {"d:=s", "Line 5 : s : incompatible types"},
        {"x:=été", "Line 5 : été : incompatible types"},
        {"x = 5", "Line 5 :  = 5"},
        {"x:=y", "Line 5 : y : not declared"},
        {"x:=%", "Line 5 : % : unknown system variable"},
        {"x:=%Foo+1", "Line 5 : %foo : unknown system variable"},
        {"jumpif(x,fin)", "Line 5 : x : comparison operator expected"},
        {"jumpif(d=1,fin)", "Line 5 : d=1 : incompatible types"},
        {"jumpif(%cam1_online=1,fin)", "Line 5 : %cam1_online=1 : incompatible types"},
        {"int(2.5,y)", "Line 5 : y : Not declared"},
    };
    for (const auto& [statement, message] : cases) {
        boxes.clear();
        runScript(decl + QLatin1Char('\n') + statement);
        EXPECT_EQ(boxes.texts(), QStringList{message}) << qPrintable(statement);
        EXPECT_FALSE(Scripts::ScriptRunning) << qPrintable(statement);
    }

    // Conversions that fail end in the standard error box; the script halts.
    const std::vector<std::pair<QString, QString>> faults = {
        {"x:=" + digits500, "'" + digits500 + "' is not a valid integer value"},
        {"d:=" + digits500, "'" + digits500 + "' is not a valid floating point value"},
        {"x:=%appdir", "'" + dir.path() + "' is not a valid integer value"},
        {"d:=1/0", "Division by zero"},
    };
    for (const auto& [statement, message] : faults) {
        boxes.clear();
        runScript(decl + QLatin1Char('\n') + statement);
        EXPECT_EQ(boxes.texts(), QStringList{message}) << qPrintable(statement);
        EXPECT_TRUE(Scripts::ScriptRunning);
        EXPECT_FALSE(clockArmed());
        FRM_Script->MNU_ArreterClick();
    }
}

TEST_F(ScriptFixture, ConditionsCompareIntegersOrTextsAndJumpToTheirLabel)
{
    runScript(QStringLiteral("var(i,integer)\nvar(s,string)\ni:=3\ns:=\"abc\"\n"
                             "jumpif(i<>3,faux)\ntest.log(a)\n"
                             "jumpif(i <= 3,l1)\ntest.log(faux)\n:l1\n"
                             "jumpif(i>=4,faux)\njumpif(-4<i,l2)\ntest.log(faux)\n:l2\n"
                             "jumpif(s<\"abd\",l3)\ntest.log(faux)\n:l3\n"
                             "jumpif(s=\"ABC\",faux)\njumpif(%cam1_online=\"0\",l4)\ntest.log(faux)\n:l4\n"
                             "test.log(fin)\njump(sortie)\n:faux\ntest.log(FAUX)\n:sortie"));
    EXPECT_TRUE(boxes.shown.empty()) << qPrintable(boxes.texts().join('|'));
    EXPECT_EQ(logged, (QStringList{"a", "fin"}));

    // A label's name keeps its blanks.
    boxes.clear();
    logged.clear();
    runScript(QStringLiteral("jump(a b)\ntest.log(saute)\n:a b\njump( a b)"));
    EXPECT_TRUE(logged.isEmpty());
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 4 :  a b : Unknown label")});
}

TEST_F(ScriptFixture, CallsNestUpTo24AndReturnWithoutACallGoesToTheTop)
{
    const QString recursion = QStringLiteral("var(n,integer)\n:sub\nn:=n+1\njumpif(n>%1,stop)\ncall(sub)\n:stop\ntest.snapshot");
    runScript(recursion.arg(24));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(value("n"), "25");   // 24 calls pending
    runScript(recursion.arg(25));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 5 : Stack overflow")});

    boxes.clear();
    runScript(QStringLiteral("call(s)\ntest.log(retour)\njump(e)\n:s\ntest.log(dans)\nreturn\n:e"));
    EXPECT_EQ(logged, (QStringList{"dans", "retour"}));

    // A fresh stack holds line 0: the first return goes on with line 2.
    logged.clear();
    runScript(QStringLiteral("return\ntest.log(2)\nreturn\ntest.log(jamais)"));
    EXPECT_EQ(logged, QStringList{QStringLiteral("2")});
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("Line 3 : Stack underflow"));
}

TEST_F(ScriptFixture, SystemVariablesReadTheClockThePipelineAndTheFolders)
{
    clock.setWall(QDateTime(QDate(2026, 3, 7), QTime(4, 5, 6, 78)));
    CameraSlots[1].width = 640;
    CameraSlots[1].height = 480;
    CurrentCameraSlot = 1;
    TrackedStarPos = QPoint(12, 34);
    Scripts::Cam2Online = true;
    FRM_Pref->EDT_Repertoire_Scripts->setText(QStringLiteral("C:\\Scripts\\"));
    FRM_Pref->EDT_Repertoire_Bitmaps->setText(QStringLiteral("Images"));
    runScript(program(QStringLiteral("var(date,string)\nvar(t,string)\nvar(raw,integer)\nvar(ms,integer)\n"
                                     "var(ymd,string)\nvar(hms,string)\nvar(w,integer)\nvar(xy,string)\n"
                                     "var(cams,string)\nvar(dirs,string)\nvar(n,integer)"),
                      QStringLiteral("date:=%DATE\nt:=%time\nraw:=%dateraw\nms:=%timeraw\n"
                                     "ymd:=%year+%month+%day\nhms:=%hour+%minute+%second\nw:=%videowidth-%videoheight\n"
                                     "xy:=%trackx+\",\"+%tracky\ncams:=%cam1_online+%cam2_online+%object_in_field\n"
                                     "dirs:=%scriptdir+\"|\"+%appdir+\"|\"+%bitmapdir\nint(-3.9,n)")));
    EXPECT_TRUE(boxes.shown.empty()) << qPrintable(boxes.texts().join('|'));
    EXPECT_EQ(value("date"), "20260307");
    EXPECT_EQ(value("t"), "040506078");
    EXPECT_EQ(value("raw"), "739682");   // 1 January of year 1 is day 1
    EXPECT_EQ(value("ms"), "14706078");
    EXPECT_EQ(value("ymd"), "20260307");
    EXPECT_EQ(value("hms"), "040506");
    EXPECT_EQ(value("w"), "160");
    EXPECT_EQ(value("xy"), "12,34");
    EXPECT_EQ(value("cams"), "010");
    EXPECT_EQ(value("dirs"), "C:\\Scripts\\|" + dir.path() + "|Images");
    EXPECT_EQ(value("n"), "-3");
    CameraSlots[1] = TCameraSlot();
    TrackedStarPos = QPoint();
    Scripts::Cam2Online = false;
}

TEST_F(ScriptFixture, InputStatementsAskTheUserAndStoreTheAnswer)
{
    QStringList asked;
    TFRM_Input::SetAnswerer([&](TFRM_Input& f) {
        asked << f.LBL_InputMessage->text();
        if (f.SPED_Valeur->isVisibleTo(&f)) {
            f.SPED_Valeur->setValue(f.SPED_Valeur->value() + 40);
            f.BTN_Ok->click();
        } else if (f.EDT_Valeur->isVisibleTo(&f)) {
            f.EDT_Valeur->setText(f.EDT_Valeur->text() == QLatin1String("0") ? QStringLiteral("2.5") : QStringLiteral("Vega"));
            f.BTN_Ok->click();
        } else if (!f.ChoiceButtons().isEmpty()) {
            f.ChoiceButtons().last()->click();
        } else {
            f.BTN_Annuler->click();
        }
    });
    runScript(program(QStringLiteral("var(n,integer)\nvar(d,double)\nvar(s,string)\nvar(c,string)\nvar(k,integer)\nvar(r,double)"),
                      QStringLiteral("n:=2\ninputinteger(\"Combien ?\",n)\ninputdouble(s,d)\ninputstring(\"Nom\", s )\n"
                                     "inputchoice(\"Filtre\",R/V/B, c)\ninputchoice(\"?\",1/2/3,k)\ninputchoice(\"?\",0.5/1.5,r)")));
    EXPECT_TRUE(boxes.shown.empty()) << qPrintable(boxes.texts().join('|'));
    EXPECT_EQ(asked, (QStringList{"Combien ?", "", "Nom", "Filtre", "?", "?"}));
    EXPECT_EQ(value("n"), "42");
    EXPECT_EQ(value("d"), "2.5");
    EXPECT_EQ(value("s"), "Vega");
    EXPECT_EQ(value("c"), "B");
    EXPECT_EQ(value("k"), "3");
    EXPECT_EQ(value("r"), "1.5");

    const QString decl = QStringLiteral("var(n,integer)\nvar(s,string)");
    const std::vector<std::pair<QString, QString>> cases = {
        {"inputinteger(\"?\", n)", "Line 3 :  n : Not declared"},
        {"inputstring(\"?\",n)", "Line 3 : n : Incompatible type"},
        {"inputinteger(5,n)", "Line 3 : 5 : incompatible types"},
        {"inputchoice(\"?\",seul,s)", "Line 3 : s : Not answered"},
        {"inputchoice(\"?\",a/b,n)", "'b' is not a valid integer value"},
    };
    for (const auto& [statement, message] : cases) {
        boxes.clear();
        runScript(decl + QLatin1Char('\n') + statement);
        EXPECT_EQ(boxes.texts(), QStringList{message}) << qPrintable(statement);
        FRM_Script->MNU_ArreterClick();
    }
    TFRM_Input::SetAnswerer({});
}
