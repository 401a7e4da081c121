#include "script_fixture.h"

#include "app/controls/num_inp.h"
#include "app/settings.h"
#include "tools/frm_tool_images.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

using scripttest::logged;

class StackingCommands : public ScriptFixture {};

TEST_F(StackingCommands, StartwaitGoesOnFiftyMillisecondsAfterTheAdditionStops)
{
    setText(QStringLiteral("integration(on)\nintegration.type(unique)\nintegration(startwait)\ntest.log(after)"));
    run();
    ticks();
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    ASSERT_TRUE(FRM_Tool_Images->BTN_Arreter_Add->isEnabled());   // the addition runs
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    EXPECT_FALSE(clockArmed());
    EXPECT_TRUE(logged.isEmpty());

    FRM_Tool_Images->BTN_Arreter_AddClick();
    ASSERT_TRUE(clockArmed());
    const auto intervals = ticks();
    ASSERT_FALSE(intervals.empty());
    EXPECT_EQ(intervals.front(), 50);
    EXPECT_EQ(logged, QStringList{QStringLiteral("after")});
    EXPECT_FALSE(Scripts::WaitIntegration);

    // A start that is refused (integration off) ends the wait with an error,
    // and a start that does not wait is no more taken for a stack that runs.
    runScript(QStringLiteral("integration(off)\nintegration(startwait)\ntest.log(never)"));
    EXPECT_EQ(boxes.texts().size(), 1);
    EXPECT_EQ(logged, QStringList{QStringLiteral("after")});
    EXPECT_FALSE(Scripts::ScriptRunning);
    boxes.clear();
    runScript(QStringLiteral("integration(off)\nintegration(start)\ntest.log(never)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 2 : start")});
    EXPECT_EQ(logged, QStringList{QStringLiteral("after")});
    EXPECT_FALSE(Scripts::ScriptRunning);

    // A stack already running is the one a start, waiting or not, goes on with.
    boxes.clear();
    runScript(QStringLiteral("integration(on)\nintegration(start)\nintegration(start)\ntest.log(running)"));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(logged.last(), QStringLiteral("running"));
    EXPECT_TRUE(FRM_Tool_Images->BTN_Arreter_Add->isEnabled());
    FRM_Tool_Images->BTN_Arreter_AddClick();

    boxes.clear();
    runScript(QStringLiteral("integration(On)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : On")});
}

TEST_F(StackingCommands, TypeAndViewChoices)
{
    runScript(QStringLiteral("integration(on)\nintegration.type(loop)\nintegration.fulltimeview(yes)\ntest.log(on)"));
    EXPECT_TRUE(FRM_Tool_Images->RDB_Boucle->isChecked());
    EXPECT_EQ(logged, QStringList{QStringLiteral("on")});
    const bool view = FRM_Tool_Images->CKB_Visu_Permanente->isChecked();
    runScript(QStringLiteral("integration.fulltimeview(%1)").arg(view ? QStringLiteral("off") : QStringLiteral("on")));
    EXPECT_NE(FRM_Tool_Images->CKB_Visu_Permanente->isChecked(), view);
    runScript(QStringLiteral("integration.type(Loop)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : Loop")});
}

TEST_F(StackingCommands, FilterValuesFallBackAndClamp)
{
    QStringList ran;
    for (const char* name : {"FRM_Tool_Images.TNI_Set_1Exit", "FRM_Tool_Images.TNI_Set_3Exit",
                             "FRM_Tool_Images.RDB_5x5Click"})
        Settings::RegisterHandler(QString::fromLatin1(name), [&ran, name] { ran << QString::fromLatin1(name); });
    FRM_Tool_Images->TNI_Set_3->SetValue(7);
    runScript(QStringLiteral("filter.deconvolution.value(1,1.5)\nfilter.deconvolution.value(3,1.5)\n"
                             "filter.deconvolution.size(5x5)\nfilter.refreshrate(0)"));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(static_cast<double>(FRM_Tool_Images->TNI_Set_1->Value()), 1000.0);
    EXPECT_EQ(static_cast<double>(FRM_Tool_Images->TNI_Set_3->Value()), 0.0);
    EXPECT_TRUE(FRM_Tool_Images->RDB_5x5->isChecked());
    EXPECT_EQ(ran, (QStringList{QStringLiteral("FRM_Tool_Images.TNI_Set_1Exit"),
                                QStringLiteral("FRM_Tool_Images.TNI_Set_3Exit"),
                                QStringLiteral("FRM_Tool_Images.RDB_5x5Click")}));
    EXPECT_EQ(FRM_Tool_Images->SPED_Frequence_Filtre->value(), 1);
    for (const char* name : {"FRM_Tool_Images.TNI_Set_1Exit", "FRM_Tool_Images.TNI_Set_3Exit",
                             "FRM_Tool_Images.RDB_5x5Click"})
        Settings::UnregisterHandler(QString::fromLatin1(name));

    FRM_Tool_Images->SPED_Frequence_Filtre->setValue(5);
    runScript(QStringLiteral("filter.refreshrate(-5)"));
    EXPECT_EQ(FRM_Tool_Images->SPED_Frequence_Filtre->value(), 1);

    runScript(QStringLiteral("filter.deconvolution.value(2,10)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 1 : 2,10")});
    boxes.clear();
    runScript(QStringLiteral("filter.deconvolution.value(1,missing)"));   // the evaluator's one message
    EXPECT_EQ(boxes.texts().size(), 1);
    EXPECT_FALSE(boxes.texts().front().contains(QStringLiteral("1,missing")));
}

// Switching the filter from a script does what the box's click does: the
// thresholds follow it while no addition runs.
TEST_F(StackingCommands, TheFilterSwitchedByAScriptTakesTheThresholdsWithIt)
{
    FRM_Tool_Images->CKB_Integration->setChecked(false);
    FRM_Tool_Images->CKB_utiliser_seuils->setChecked(false);
    runScript(QStringLiteral("filter(on)"));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_TRUE(FRM_Tool_Images->CKB_Filtre->isChecked());
    EXPECT_TRUE(FRM_Tool_Images->CKB_utiliser_seuils->isChecked());
    runScript(QStringLiteral("filter(off)"));
    EXPECT_FALSE(FRM_Tool_Images->CKB_Filtre->isChecked());
    EXPECT_FALSE(FRM_Tool_Images->CKB_utiliser_seuils->isChecked());
}
