#include "program_windows_fixture.h"

#include "app/align_v_features.h"
#include "app/form.h"
#include "app/frm_pref.h"
#include "app/preferences_traffic.h"
#include "app/systeme.h"
#include "app/ui/event_boundary.h"
#include "capture/port_io.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "telescope/frm_com_trafic.h"
#include "telescope/frm_joy.h"

#include <QToolButton>
#include <QApplication>
#include <QKeyEvent>

TEST_F(ProgramWindows, PortWritesAreLoggedOnlyWhileThePortsAreOpen)
{
    QPlainTextEdit* memo = FRM_ComTrafic->Memo_Historique_Comm;
    Align_V::PortWrite(0x378, 5, QStringLiteral("Start"));
    EXPECT_TRUE(ports.writes().empty());
    EXPECT_TRUE(memo->toPlainText().isEmpty());

    ASSERT_TRUE(Systeme::OpenPortDriver());
    Align_V::PortWrite(0x378, 5, QStringLiteral("Start"));
    ASSERT_EQ(ports.writes().size(), 1u);
    EXPECT_EQ(ports.writes()[0].value, 5);
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("0378 : 00000101"));

    // The traffic memo keeps the last 101 lines, dropping the oldest.
    memo->clear();
    for (int i = 0; i < 150; ++i)
        Preferences::AddTrafficLine(true, false, QStringLiteral("L%1").arg(i), QStringLiteral("x"));
    EXPECT_EQ(memo->document()->blockCount(), 101);
    EXPECT_TRUE(memo->toPlainText().startsWith(QStringLiteral("L49 : x\n")));
    EXPECT_TRUE(memo->toPlainText().endsWith(QStringLiteral("L149 : x")));
    Preferences::AddTrafficLine(false, true, QStringLiteral("COM1"), QStringLiteral(":Q#"));
    EXPECT_TRUE(memo->toPlainText().endsWith(QStringLiteral("COM1 : 3A5123 \":Q#\"")));

    EXPECT_EQ(Align_V::PortAddressFromText(QStringLiteral("$3BC")), 0x3BC);
    EXPECT_EQ(Align_V::PortAddressFromText(QStringLiteral("LPT1")), 0);
}

TEST_F(ProgramWindows, NamedScriptsRunFromTheScriptsFolderToTheirEnd)
{
    FRM_Pref->EDT_Repertoire_Scripts->setText(QStringLiteral("Scripts\\"));
    EXPECT_FALSE(Align_V::RunScriptByName(QStringLiteral("absent.script")));
    EXPECT_FALSE(Scripts::ScriptRunning);

    dir.writeFile(QStringLiteral("scripts/Nuit.script"), "// ligne 1\r\n// ligne 2\r\n");
    ASSERT_TRUE(Align_V::RunScriptByName(QStringLiteral("nuit.script")));   // letter case differs on disk
    // The named script runs on a level of its own, its comments one step each.
    EXPECT_EQ(Scripts::CurrentLevel, 1);
    EXPECT_EQ(Scripts::CurrentScript().Lines, (QStringList{"// ligne 1", "// ligne 2"}));
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateRunning);
    EXPECT_TRUE(FRM_Script->windowTitle().endsWith(QStringLiteral("Nuit.script")));
    for (int tick = 0; tick < 4 && Scripts::ScriptRunning; ++tick)
        FRM_Script->TMR_ScriptTimer();
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_EQ(Scripts::CurrentLevel, 0);
    EXPECT_FALSE(FRM_Script->TMR_Script->isActive());
}

TEST_F(ProgramWindows, JoystickCalibrationComesFromTheProgramDirectory)
{
    dir.writeFile(QStringLiteral("Joystick.ini"), "[Calibration]\r\nCentXMin=100\r\nmaxJoyValR=900\r\n");
    Startup::LoadJoystickCalibration();
    EXPECT_EQ(frmJoy->Folder, dir.path());
    EXPECT_EQ(frmJoy->Calibration[0].centreMin, 100);
    EXPECT_EQ(frmJoy->Calibration[0].centreMax, 2);   // default
    EXPECT_EQ(frmJoy->Calibration[3].maxValue, 900);
}

namespace {

class ProbeForm final : public TForm {
public:
    bool allowClose = true;
    bool throwOnClose = false;
    QStringList seen;
    void FormCloseQuery(bool& canClose) override { canClose = allowClose; }
    void FormClose(TCloseAction&) override
    {
        seen << QStringLiteral("close");
        if (throwOnClose)
            throw std::runtime_error("disque plein");
    }
    void FormKeyDown(int& key, Qt::KeyboardModifiers) override
    {
        seen << QStringLiteral("down %1").arg(key);
        if (key == Qt::Key_Escape)
            key = 0;
    }
};

} // namespace

TEST(TForm, KeyPreviewCloseQueryAndFailingCloseHandlers)
{
    ProbeForm form;
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&form, &esc);
    EXPECT_TRUE(form.seen.isEmpty()) << "no key preview unless asked for";

    form.KeyPreview = true;
    QApplication::sendEvent(&form, &esc);
    QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    a.ignore();
    QApplication::sendEvent(&form, &a);
    EXPECT_EQ(form.seen, (QStringList{QStringLiteral("down %1").arg(Qt::Key_Escape), QStringLiteral("down %1").arg(Qt::Key_A)}));

    form.show();
    form.allowClose = false;
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());

    // A close handler that fails is reported and the window closes anyway.
    QStringList reports;
    app::setErrorSink([&](const QString& r) { reports << r; });
    form.allowClose = true;
    form.throwOnClose = true;
    EXPECT_TRUE(form.close());
    app::setErrorSink({});
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("disque plein")));
}

TEST_F(ProgramWindows, ResizeLaysOutTheImageAreaAndStatusBar)
{
    FRM_Alv->show();
    FRM_Alv->resize(1100, 800);
    QApplication::processEvents();
    FRM_Alv->FormResize();
    const QWidget* area = FRM_Alv->centralWidget();
    // The tool bar in use fills a column at the right, no narrower than its
    // pages need and no wider than their captions on one line.
    const QWidget* panel = FRM_Alv->PNL_Toolbar_Beginner;
    const QRect column = panel->geometry();
    EXPECT_GE(column.right(), area->width() - 4);
    EXPECT_LE(column.right(), area->width() - 1);
    EXPECT_GE(column.width(), panel->minimumSizeHint().width());
    EXPECT_LE(column.width(), std::max(panel->minimumSizeHint().width(), panel->sizeHint().width()));
    // The image area takes the rest: from the left edge to the column, from
    // the top to the bottom.
    const QRect images = FRM_Alv->SBX_Images->geometry();
    EXPECT_EQ(images.topLeft(), QPoint(0, 0));
    EXPECT_EQ(images.height(), area->height());
    EXPECT_LT(images.right(), column.left());
    EXPECT_GE(images.right(), column.left() - 5);
    // The status bar at the top right, beside the image tabs, at the size
    // its buttons and texts need, above the column.
    const QRect status = FRM_Alv->TLB_Status->geometry();
    EXPECT_EQ(status.size(), FRM_Alv->TLB_Status->sizeHint());
    EXPECT_EQ(status.top(), FRM_Alv->SBX_Images->viewport()->mapTo(area, QPoint(0, 0)).y());
    EXPECT_GE(status.right(), area->width() - 4);
    EXPECT_LE(status.right(), area->width() - 1);
    EXPECT_LT(status.bottom(), column.top());

    // The expert tool bars instead: their rows across the top, the image
    // area below them as wide as the window, the status bar at its top.
    FRM_Pref->RDB_WM_ExpertClick();
    QApplication::processEvents();
    const QRect rows = FRM_Alv->PNL_Toolbar_Expert->geometry();
    EXPECT_EQ(rows.topLeft(), QPoint(0, 0));
    EXPECT_EQ(rows.width(), area->width());
    EXPECT_EQ(rows.height(), FRM_Alv->PNL_Toolbar_Expert->heightForWidth(area->width()));
    EXPECT_EQ(FRM_Alv->SBX_Images->geometry(),
              QRect(0, rows.bottom() + 3, area->width(), area->height() - rows.bottom() - 3));
    EXPECT_EQ(FRM_Alv->TLB_Status->geometry().top(), FRM_Alv->SBX_Images->viewport()->mapTo(area, QPoint(0, 0)).y());
}

TEST_F(ProgramWindows, EveryButtonOfTheStatusBarShowsACaptionOrAPicture)
{
    for (QToolButton* b : FRM_Alv->TLB_Status->findChildren<QToolButton*>())
        EXPECT_TRUE(!b->text().isEmpty() || !b->icon().isNull()) << b->objectName().toStdString();
}
