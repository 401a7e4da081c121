// A mosaic plan made in the planner, run as the user runs it: the program's
// simulated LX200 mount on COM20 and the simulated camera.

#include "camera_road_fixture.h"

#include "app/frm_alv.h"
#include "kernels/bitmap24.h"
#include "app/frm_pref.h"
#include "platform/com_io.h"
#include "scripting/frm_planificateur.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/mount_conversation.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/sim/mount_simulator_device.h"
#include "telescope/sim/simulated_lx200_mount.h"
#include "telescope/sky/sky_chart.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <functional>
#include <numbers>

class MosaicScript : public CameraRoad {
protected:
    void SetUp() override
    {
        CameraRoad::SetUp();
        Sky::GotoOriginRA = Sky::GotoOriginDec = Sky::kUnset;
        Sky::GotoDestinationRA = Sky::GotoDestinationDec = Sky::kUnset;
        dir.writeFile(QStringLiteral("comports.map"), "COM20=SIM\n");
        // The simulated mount's sky at the clock's start in universal time,
        // whatever the machine's zone: the fields stand above its horizon.
        clock.setWall(QDateTime(clock.wallNow().date(), clock.wallNow().time(), Qt::UTC));
        TFRM_Pref& p = *FRM_Pref;
        p.SPED_Delai_Serie->setValue(0);
        p.SPED_Amort_delay->setValue(0);
        p.RDB_Autoguide_Aucun->setChecked(true);
        p.RDB_Mount_LX200->setChecked(true);
        for (int i = 0; i < p.CBX_AG_PortSerie->count(); ++i)
            if (p.CBX_AG_PortSerie->itemText(i).trimmed() == QStringLiteral("COM20"))
                p.CBX_AG_PortSerie->setCurrentIndex(i);
        // The port list was made at start-up, before the simulator's port
        // was mapped.
        if (p.CBX_AG_PortSerie->currentText().trimmed() != QStringLiteral("COM20")) {
            p.CBX_AG_PortSerie->addItem(QStringLiteral("COM20"));
            p.CBX_AG_PortSerie->setCurrentIndex(p.CBX_AG_PortSerie->count() - 1);
        }
        p.CBX_Vitesse_Moteur->clear();
        MotorSpeeds = {15, 15, 15, 15};
    }
    void TearDown() override
    {
        Prg_Suivi::Conversation().cancelAll();
        try {
            Prg_Suivi::DisconnectMount();
        } catch (...) {
        }
        Telescope::StopMountSimulator();
        platform::com_io::close_all();
        platform::com_io::ClearDevicePaths();
        Prg_Suivi::ResetMotionState();
        CameraRoad::TearDown();
    }
    // The mount's side, the script and the camera as time goes by, until
    // done() or 20 s of real time.
    bool runUntil(const std::function<bool()>& done)
    {
        QElapsedTimer real;
        real.start();
        while (!done()) {
            if (real.elapsed() > 20000)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (!Prg_Suivi::Conversation().idle()) {
                QThread::msleep(1);
                continue;
            }
            clock.advanceMs(250);
            if (FRM_Prg_Suivi->TMR_ScopePosition->isActive())
                FRM_Prg_Suivi->TMR_ScopePositionTimer();
            if (FRM_Script->TMR_Script->isActive())
                FRM_Script->TMR_ScriptTimer();
            if (FRM_Alv->Timer_Cam1->isActive())
                FRM_Alv->Timer_Cam1Timer();
        }
        return true;
    }
    static int slews()
    {
        int n = 0;
        if (Telescope::MountSimulator())
            for (const QByteArray& c : Telescope::MountSimulator()->commands())
                n += c.startsWith(":MS#");
        return n;
    }
    testsupport::FakeClock clock;
};

TEST_F(MosaicScript, ATwoFieldPlanSlewsToBothFieldsAndSavesTheirImages)
{
    const QString folder = dir.path() + QStringLiteral("/mosaic");
    ASSERT_TRUE(QDir().mkpath(folder));
    // The camera runs, as the user starts it before the night's script.
    answerDriverDialog(0);
    FRM_Script->Memo_Script->setPlainText(QStringLiteral("camera(1,start)"));
    FRM_Script->MNU_ExecuterDuDebutClick(FRM_Script->MNU_ExecuterDuDebut);
    ASSERT_TRUE(runUntil([] { return !Scripts::ScriptRunning; }));
    ASSERT_TRUE(FRM_Alv->Timer_Cam1->isActive());

    // Two fields of the chart's grid: A1 at 5h30m, B1 at 5h40m, Dec -5 deg.
    const double pi = std::numbers::pi;
    Sky::MosaicTilesX = 2;
    Sky::MosaicTilesY = 1;
    Sky::MosaicFieldTable[1][1].v[0] = 5.5 * pi / 12;
    Sky::MosaicFieldTable[2][1].v[0] = (5 + 40.0 / 60) * pi / 12;
    Sky::MosaicFieldTable[1][1].v[1] = Sky::MosaicFieldTable[2][1].v[1] = -5 * pi / 180;
    TFRM_Planificateur* w = FRM_Planificateur;
    w->EDT_Nom_Pose->setText(folder + QStringLiteral("/M42"));
    w->SPED_Nombre_Poses->setValue(2);
    w->RDB_Std->setChecked(true);
    w->RDB_Mode_Absolu->setChecked(true);
    w->RDB_Mosa1->setChecked(true);
    w->BTN_Ajouter->click();
    ASSERT_EQ(w->STG_Actions->rowCount(), 4);
    w->BTN_Generer->click();
    ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();

    FRM_Script->MNU_ExecuterDuDebutClick(FRM_Script->MNU_ExecuterDuDebut);
    ASSERT_TRUE(runUntil([] { return !Scripts::ScriptRunning; }))
        << FRM_Script->Memo_Script->toPlainText().toStdString();
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();

    EXPECT_EQ(slews(), 2);
    ASSERT_TRUE(Telescope::MountSimulator());
    EXPECT_NEAR(Telescope::MountSimulator()->ra(), (5 * 3600 + 40 * 60) * 15.0, 15 * 6);
    EXPECT_NEAR(Telescope::MountSimulator()->dec(), -5 * 3600.0, 60);
    const QDir out(folder);
    const QStringList a1 = out.entryList({QStringLiteral("M42A1_*")}, QDir::Files);
    const QStringList b1 = out.entryList({QStringLiteral("M42B1_*")}, QDir::Files);
    EXPECT_GE(a1.size(), 2) << out.entryList(QDir::Files).join(u' ').toStdString();
    EXPECT_GE(b1.size(), 2) << out.entryList(QDir::Files).join(u' ').toStdString();
    EXPECT_EQ(a1.size() + b1.size(), out.entryList(QDir::Files).size());
}

// The mosaic page driven by a script alone, on the simulated camera's frames.
class MosaicCommands : public CameraRoad {
protected:
    void runScript(const QString& text)
    {
        FRM_Script->Memo_Script->setPlainText(text);
        FRM_Script->MNU_ExecuterDuDebutClick(FRM_Script->MNU_ExecuterDuDebut);
        for (int i = 0; i < 500 && Scripts::ScriptRunning; ++i)
            if (FRM_Script->TMR_Script->isActive())
                FRM_Script->TMR_ScriptTimer();
    }
};

TEST_F(MosaicCommands, AScriptBuildsAMosaicFromTheSimulatedCamera)
{
    answerDriverDialog(0);
    runScript(QStringLiteral("camera(1,start)"));
    ASSERT_TRUE(FRM_Alv->Timer_Cam1->isActive());
    FRM_Alv->Timer_Cam1Timer();   // a first frame gives the result its size
    runScript(QStringLiteral("mosaic.width(1600)\nmosaic.height(1200)\nmosaic.init\nmosaic.count(1)\n"
                             "mosaic.position(0,0)\nmosaic(on)"));
    ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    ASSERT_TRUE(FRM_Alv->CKB_Mosaique_Active->isChecked());
    const kernels::Bitmap24& canvas = FRM_Alv->IMG_Mosaic->Bitmap();
    ASSERT_EQ(canvas.width(), 1600);
    auto litIn = [&](int x0, int y0, int x1, int y1) {
        int lit = 0;
        for (int y = y0; y < y1; y += 3)
            for (int x = x0; x < x1; x += 3) {
                const std::uint8_t* p = canvas.bits() + y * canvas.stride() + std::ptrdiff_t(x) * 3;
                lit += (p[0] | p[1] | p[2]) != 0;
            }
        return lit;
    };
    EXPECT_EQ(litIn(0, 0, 1600, 1200), 0);
    for (int i = 0; i < 3; ++i)
        FRM_Alv->Timer_Cam1Timer();
    const kernels::Bitmap24& result = FRM_Alv->Image3->Bitmap();
    ASSERT_GT(result.width(), 0);
    // The first tile has its top left corner at the clicked point.
    EXPECT_GT(litIn(0, 0, result.width(), result.height()), 0);
    EXPECT_EQ(litIn(result.width() + 3, 0, 1600, 1200), 0) << "nothing beside the tile";

    runScript(QStringLiteral("mosaic(off)\ncamera(1,stop)"));
    EXPECT_FALSE(FRM_Alv->CKB_Mosaique_Active->isChecked());
}
