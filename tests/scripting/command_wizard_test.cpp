// The command wizard: the entries, the parameter fields of a signature and
// the statement it inserts into the editor.

#include "script_fixture.h"

#include "scripting/frm_scr_cmd.h"
#include "telescope/frm_object_action.h"
#include "telescope/sky/sky_chart.h"
#include "scripting/frm_script.h"

#include <QSet>

namespace {

class CommandWizard : public ScriptFixture {
protected:
    void choose(const QString& entry)
    {
        const int i = w()->CBX_Command->findText(entry);
        ASSERT_GE(i, 0) << entry.toStdString();
        w()->CBX_Command->setCurrentIndex(i);
        w()->CBX_CommandChange();
    }
    // Which of label, edit, list and "Charger" of parameter k are shown.
    QString shown(QLabel* label, QLineEdit* edit, QComboBox* list, QPushButton* load) const
    {
        return QStringLiteral("%1%2%3%4")
            .arg(label->isHidden() ? '-' : 'L')
            .arg(edit->isHidden() ? '-' : 'E')
            .arg(list->isHidden() ? '-' : 'C')
            .arg(load->isHidden() ? '-' : 'B');
    }
    QStringList fields() const
    {
        return {shown(w()->LBL_Parametre1, w()->EDT_Parametre1, w()->CBX_Parametre1, w()->BTN_Charger1),
                shown(w()->LBL_Parametre2, w()->EDT_Parametre2, w()->CBX_Parametre2, w()->BTN_Charger2),
                shown(w()->LBL_Parametre3, w()->EDT_Parametre3, w()->CBX_Parametre3, w()->BTN_Charger3)};
    }
    void caretAt(int editorPosition)
    {
        QTextCursor c = FRM_Script->Memo_Script->textCursor();
        c.setPosition(editorPosition);
        FRM_Script->Memo_Script->setTextCursor(c);
    }
    void insert(const QString& entry, int caret)
    {
        choose(entry);
        caretAt(caret);
        w()->BTN_InsererClick();
    }
    TFRM_ScrCmd* w() const { return FRM_ScrCmd; }

    testsupport::RecordingDialogService dialogs;
};

TEST_F(CommandWizard, TheListHoldsEveryEntryOnceSortedAndShowsTheFieldsOfTheChosenOne)
{
    EXPECT_EQ(w()->windowTitle(), QStringLiteral("Assistant"));
    EXPECT_TRUE(w()->windowFlags() & Qt::WindowStaysOnTopHint);
    ASSERT_EQ(w()->CBX_Command->count(), 142);
    QSet<QString> distinct;
    int variables = 0;
    for (int i = 0; i < w()->CBX_Command->count(); ++i) {
        const QString e = w()->CBX_Command->itemText(i);
        distinct.insert(e);
        variables += e.startsWith(QLatin1Char('%'));
        if (i > 0) {
            EXPECT_LE(w()->CBX_Command->itemText(i - 1).compare(e, Qt::CaseInsensitive), 0) << e.toStdString();
        }
    }
    EXPECT_EQ(distinct.size(), 142);
    EXPECT_EQ(variables, 22);
    EXPECT_EQ(w()->CBX_Command->currentIndex(), -1);
    EXPECT_EQ(fields(), (QStringList{"----", "----", "----"}));

    choose(QStringLiteral("camera(1/2,start/stop)"));
    EXPECT_EQ(fields(), (QStringList{"L-CB", "L-CB", "----"}));
    EXPECT_EQ(w()->CBX_Parametre2->count(), 2);
    EXPECT_EQ(w()->CBX_Parametre2->itemText(0), QStringLiteral("start"));
    EXPECT_EQ(w()->CBX_Parametre1->currentIndex(), -1);

    // A placeholder with parentheses of its own is one field.
    choose(QStringLiteral("inputchoice(<text>,<choices (up to 10)>,<variable>)"));
    EXPECT_EQ(fields(), (QStringList{"LE-B", "LE-B", "LE-B"}));
    EXPECT_EQ(w()->ParamSpec[1], QStringLiteral("<choices (up to 10)>"));
    w()->EDT_Parametre1->setText(QStringLiteral("garde"));

    choose(QStringLiteral("%videowidth"));
    EXPECT_EQ(fields(), (QStringList{"----", "----", "----"}));
    EXPECT_TRUE(w()->BTN_Memoire1->isHidden());

    // An edit field keeps what was typed for an earlier entry.
    choose(QStringLiteral("wait(<num>)"));
    EXPECT_EQ(w()->Statement(), QStringLiteral("wait(garde)"));
}

TEST_F(CommandWizard, TheStatementGoesByTheCaretAndTheLevelTakesTheEditorsLines)
{
    FRM_Script->Memo_Script->setPlainText(QStringLiteral("aa\nbb\ncc"));
    // Inside line "bb" (editor position 4): after it.
    insert(QStringLiteral("%videowidth"), 4);
    EXPECT_EQ(FRM_Script->Memo_Script->toPlainText(), QStringLiteral("aa\nbb\n%videowidth\ncc"));
    // At the very start: the first line.
    insert(QStringLiteral("image.sequence.untilstopped()"), 0);
    // At the start of "cc": before it.
    const int ccStart = FRM_Script->Memo_Script->toPlainText().indexOf(QStringLiteral("cc"));
    insert(QStringLiteral("camera(1/2,start/stop)"), ccStart);
    // At the end: the last line.
    w()->CBX_Parametre1->setCurrentIndex(1);
    insert(QStringLiteral("track.autoguide.shift()"), FRM_Script->Memo_Script->toPlainText().size());
    const QStringList expected{"image.sequence.untilstopped", "aa", "bb", "%videowidth", "camera(,)", "cc",
                               "track.autoguide.shift"};
    EXPECT_EQ(FRM_Script->EditorLines(), expected);
    EXPECT_EQ(Scripts::CurrentScript().Lines, expected);
    EXPECT_TRUE(FRM_Script->Memo_Script->document()->isModified());

    // Lists give their chosen values in order.
    choose(QStringLiteral("camera(1/2,start/stop)"));
    w()->CBX_Parametre1->setCurrentIndex(1);
    w()->CBX_Parametre2->setCurrentIndex(0);
    EXPECT_EQ(w()->Statement(), QStringLiteral("camera(2,start)"));

    // No entry chosen: nothing is inserted.
    w()->CBX_Command->setCurrentIndex(-1);
    w()->BTN_InsererClick();
    EXPECT_EQ(FRM_Script->EditorLines(), expected);

    // Into an empty editor.
    FRM_Script->Memo_Script->clear();
    insert(QStringLiteral("goto.execute"), 0);
    EXPECT_EQ(FRM_Script->Memo_Script->toPlainText(), QStringLiteral("goto.execute"));
}

TEST_F(CommandWizard, ChargerTakesThePositionTheGotoDialogMemorised)
{
    Sky::GotoCurrentRA = 54000.25;
    Sky::GotoCurrentDec = -3600;
    FRM_ObjectAction->BTN_Store->click();
    Sky::GotoCurrentRA = Sky::GotoCurrentDec = 0;
    choose(QStringLiteral("goto.origin(<ADSec>,<DECSec>)"));
    w()->BTN_Charger1Click();
    w()->BTN_Charger2Click();
    EXPECT_EQ(w()->Statement(), QStringLiteral("goto.origin(54000.25,-3600)"));
}

TEST_F(CommandWizard, ChargerFillsPositionsAndFileNames)
{
    TFRM_ScrCmd::MemorisedPosition = [] { return std::pair<double, double>{54000.25, -3600.0}; };
    choose(QStringLiteral("goto.origin(<ADSec>,<DECSec>)"));
    w()->BTN_Charger1Click();
    w()->BTN_Charger2Click();
    TFRM_ScrCmd::MemorisedPosition = nullptr;
    EXPECT_EQ(w()->Statement(), QStringLiteral("goto.origin(54000.25,-3600)"));
    w()->BTN_Charger1Click();
    EXPECT_EQ(w()->EDT_Parametre1->text(), QStringLiteral("0"));

    choose(QStringLiteral("image.name.load(image/dark/flat,<filename>)"));
    dialogs.saveAnswers.push_back(QStringLiteral("/nuit/m42.bmp"));
    w()->BTN_Charger2Click();
    EXPECT_EQ(w()->EDT_Parametre2->text(), QStringLiteral("/nuit/m42.bmp"));
    w()->BTN_Charger1Click();   // a list: nothing to load
    EXPECT_EQ(dialogs.requests.size(), 1u);

    choose(QStringLiteral("image.sequence.prefix(<prefixname>)"));
    dialogs.saveAnswers.push_back(QStringLiteral("/nuit/m42.avi"));
    w()->BTN_Charger1Click();
    EXPECT_EQ(w()->Statement(), QStringLiteral("image.sequence.prefix(/nuit/m42)"));
    dialogs.saveAnswers.push_back(std::nullopt);
    w()->BTN_Charger1Click();
    EXPECT_EQ(w()->Statement(), QStringLiteral("image.sequence.prefix(/nuit/m42)"));
}

} // namespace
