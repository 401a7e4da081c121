#include "script_fixture.h"

#include "app/frm_alv.h"
#include "scripting/command_fields.h"
#include "tools/frm_tool_images.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

using scripttest::logged;

class ImageCommands : public ScriptFixture {
protected:
    testsupport::RecordingDialogService dialogs;
};

TEST_F(ImageCommands, TheImageNameKeepsAcrossRunsAndASaveNeedsOne)
{
    Scripts::ScriptImageName.clear();
    runScript(QStringLiteral("image.name()"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : ")});
    boxes.clear();
    runScript(QStringLiteral("image.save\ntest.log(saved)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : image.save : no image name")});
    EXPECT_TRUE(logged.isEmpty());

    boxes.clear();
    runScript(QStringLiteral("var(n,string)\nn:=\"/data/m42.jpg\"\nimage.name(n)"));
    runScript(QStringLiteral("test.log(next run)"));
    EXPECT_EQ(Scripts::ScriptImageName, QStringLiteral("/data/m42.jpg"));

    // Save dialog: the name is kept before the variable is checked; a
    // cancel stops without a message.
    dialogs.saveAnswers.push_back(QStringLiteral("/data/chosen.bmp"));
    runScript(QStringLiteral("var(s,integer)\nimage.name.savedialog(s)"));
    EXPECT_EQ(Scripts::ScriptImageName, QStringLiteral("/data/chosen.bmp"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 2 : s : Incompatible type")});
    boxes.clear();
    runScript(QStringLiteral("var(s,string)\nimage.name.savedialog(s)\ntest.log(never)"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_EQ(logged, QStringList{QStringLiteral("next run")});
}

TEST_F(ImageCommands, LoadingChecksTheKindAndTheFile)
{
    runScript(QStringLiteral("image.name.load(photo,\"/data/a.AVI\")"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : photo,\"/data/a.AVI\"")});
    boxes.clear();
    const QString missing = dir.path() + QStringLiteral("/none.bmp");
    runScript(QStringLiteral("image.name.load(image,\"%1\")").arg(missing));
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts().front().contains(missing));
    boxes.clear();
    runScript(QStringLiteral("image.name.load(dark,\"%1\")").arg(dir.path()));   // a folder
    EXPECT_EQ(boxes.texts().size(), 1);
    boxes.clear();
    dir.writeFile(QStringLiteral("corrupt.bmp"), "BM not a picture");
    const QString corrupt = dir.path() + QStringLiteral("/corrupt.bmp");
    runScript(QStringLiteral("image.name.load(image,\"%1\")\ntest.log(never)").arg(corrupt));
    ASSERT_FALSE(boxes.texts().isEmpty());
    EXPECT_TRUE(boxes.texts().back().contains(corrupt)) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(boxes.texts().size(), 1) << boxes.texts().join(u'|').toStdString();
    EXPECT_FALSE(Scripts::ScriptRunning);

    // A cancelled open dialog stops the script quietly; a bad kind is told.
    boxes.clear();
    runScript(QStringLiteral("image.name.loaddialog(flat)\ntest.log(never)"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_TRUE(logged.isEmpty());
    runScript(QStringLiteral("image.name.loaddialog(Flat)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : Flat")});

    boxes.clear();
    runScript(QStringLiteral("image.tabsource(result)"));
    EXPECT_EQ(FRM_Alv->PGC_Main->currentWidget(), FRM_Alv->TBS_Resultat);
}

TEST_F(ImageCommands, SequenceSettings)
{
    TFRM_Tool_Images* w = FRM_Tool_Images;
    w->AddAviFileType();
    runScript(QStringLiteral("image.sequence.for(10,Seconds)\nimage.sequence.start.every(3,minutes)\n"
                             "image.sequence.filetype(avi)\nimage.sequence.onefile(yes)\n"
                             "image.sequence.prefix(\"/data/m42_\")\ntest.log(end)"));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(logged, QStringList{QStringLiteral("end")});
    EXPECT_TRUE(w->RDB_Pendant->isChecked());
    EXPECT_EQ(w->SPED_Pendant->value(), 10);
    EXPECT_EQ(w->CBX_Pendant->currentText(), QStringLiteral("seconds"));
    EXPECT_TRUE(w->RDB_Toutes_Les->isChecked());
    EXPECT_EQ(w->CBX_Toutes_les->currentText(), QStringLiteral("minutes"));
    EXPECT_EQ(w->CBX_TypeFichier->currentText(), QStringLiteral("AVI"));
    EXPECT_EQ(w->EDT_Nom_Image->text(), QStringLiteral("/data/m42_"));

    for (const auto& [line, text] : {std::pair{"image.sequence.every(10,Seconds)", "Seconds"},
                                     std::pair{"image.sequence.every(1.5,seconds)", "1.5"},
                                     std::pair{"image.sequence.filetype(bmp)", "bmp"},
                                     std::pair{"image.sequence(Start)", "Start"}}) {
        boxes.clear();
        runScript(QString::fromLatin1(line));
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : ") + QString::fromLatin1(text)}) << line;
    }
    // An undeclared prefix is told once, by the evaluator.
    boxes.clear();
    runScript(QStringLiteral("image.sequence.prefix(nowhere)"));
    EXPECT_EQ(boxes.texts().size(), 1);

    // Prefix dialog: starts at the hint's folder; accepted, the prefix is set.
    dialogs.saveAnswers.push_back(QStringLiteral("/data/night/jupiter_"));
    boxes.clear();
    runScript(QStringLiteral("image.sequence.prefixdialog(/data/night/old_)"));
    ASSERT_FALSE(dialogs.requests.empty());
    EXPECT_EQ(dialogs.requests.back().directory, QStringLiteral("/data/night/"));
    EXPECT_TRUE(w->EDT_Nom_Image->text().startsWith(QStringLiteral("/data/night/jupiter")));
}

TEST_F(ImageCommands, StartwaitWithNothingToStartIsAnErrorNotAnEndlessWait)
{
    TFRM_Tool_Images* w = FRM_Tool_Images;
    w->BTN_Demarrer_Sauv->setEnabled(false);
    runScript(QStringLiteral("image.sequence(startwait)\ntest.log(never)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : startwait")});
    EXPECT_FALSE(Scripts::WaitSequence);
    EXPECT_FALSE(Scripts::ScriptRunning);

    // A sequence already running: the script waits for its end.
    SequenceSaving = true;
    boxes.clear();
    setText(QStringLiteral("image.sequence(startwait)\ntest.log(after)"));
    run();
    ticks();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    EXPECT_TRUE(logged.isEmpty());
    SequenceSaving = false;
    EXPECT_TRUE(Scripts::ResumeIfWaiting(Scripts::WaitSequence));
    ticks();
    EXPECT_EQ(logged, QStringList{QStringLiteral("after")});

    // A start that does not wait is refused alike; with a sequence running
    // it goes on.
    logged.clear();
    runScript(QStringLiteral("image.sequence(start)\ntest.log(never)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : start")});
    EXPECT_TRUE(logged.isEmpty());
    SequenceSaving = true;
    boxes.clear();
    runScript(QStringLiteral("image.sequence(start)\ntest.log(running)"));
    SequenceSaving = false;
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(logged, QStringList{QStringLiteral("running")});
}

// A start or a save whose file cannot be written is told once, by the save,
// and ends the script there: nothing after it runs as after a saved image.
TEST_F(ImageCommands, AStartOrASaveThatCannotWriteStopsTheScript)
{
    TFRM_Tool_Images* w = FRM_Tool_Images;
    const QString prefix = dir.path() + QStringLiteral("/absent/m42_");
    for (const char* statement : {"image.sequence(start)", "image.sequence(save)"}) {
        SCOPED_TRACE(statement);
        boxes.clear();
        logged.clear();
        runScript(QStringLiteral("image.sequence.prefix(\"%1\")\n%2\ntest.log(never)").arg(prefix, QLatin1String(statement)));
        ASSERT_EQ(boxes.texts().size(), 1) << boxes.texts().join(u'|').toStdString();
        EXPECT_TRUE(boxes.texts().front().contains(prefix)) << boxes.texts().front().toStdString();
        EXPECT_TRUE(logged.isEmpty());
        EXPECT_FALSE(Scripts::ScriptRunning);
        EXPECT_FALSE(SequenceSaving);
        EXPECT_TRUE(w->BTN_Demarrer_Sauv->isEnabled()) << "the sequence can be started again";
        EXPECT_FALSE(w->BTN_Demarrer_Sauv->isChecked());
    }
}
