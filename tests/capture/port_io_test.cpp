#include "camera_control_probe.h"

#include "app/form.h"
#include "app/systeme.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_control_lib.h"
#include "capture/port_io.h"
#include "platform/port_access.h"
#include "platform/port_access_sim.h"
#include "support/temp_program_dir.h"
#include "telescope/frm_com_trafic.h"

#include <gtest/gtest.h>

TEST(PortIO, CheckedWritesAreLoggedAndReadsFallBackWhilePortsAreShut)
{
    platform::SimulatedPortAccess ports;
    platform::setPortAccess(&ports);
    QStringList problems;
    ASSERT_TRUE(ports.open(problems));
    CreateForm(FRM_ComTrafic);
    QStringList reports;
    app::setErrorSink([&](const QString& r) { reports << r; });
    app::resetReportedCauses();
    const QPlainTextEdit* memo = FRM_ComTrafic->Memo_Historique_Comm;

    PortDriverOpen = false;
    Align_V::PortWrite(0x378, 5, QStringLiteral("Start"));
    EXPECT_TRUE(ports.writes().empty()) << "a checked write waits for the port driver";
    EXPECT_TRUE(memo->toPlainText().isEmpty());
    Align_V::PortOut(0x378, 5);
    ASSERT_EQ(ports.writes().size(), 1u);
    ports.poke(0x378, 0x99);
    EXPECT_EQ(Align_V::PortRead(0x378), 5) << "the last value written stands in for the port";
    EXPECT_EQ(Align_V::PortRead(0x378), 5);
    EXPECT_EQ(reports.size(), 1) << "the shut ports are reported once";

    PortDriverOpen = true;
    Align_V::PortWrite(0x378, 0, QStringLiteral("Start"));
    Align_V::PortWrite(0xFFFC, 0xFF, QStringLiteral("Start"));
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("0378 : 00000000\nFFFC : 11111111"));
    EXPECT_EQ(Align_V::PortRead(0xFFFC), 0xFF);
    for (int i = 0; i < 150; ++i)
        Align_V::PortWrite(0x378, std::uint8_t(i), QStringLiteral("Test"));
    EXPECT_EQ(memo->document()->blockCount(), 101) << "the traffic window keeps the last 101 lines";
    EXPECT_TRUE(memo->toPlainText().endsWith(QStringLiteral("0378 : 10010101")));

    PortDriverOpen = false;
    app::setErrorSink({});
    delete FRM_ComTrafic;
    FRM_ComTrafic = nullptr;
    platform::setPortAccess(nullptr);
}

TEST(CameraControlLibrary, LoadedOnceWhileUsedAndCalledInOrder)
{
    testsupport::TempProgramDir dir;
    EXPECT_FALSE(Align_V::LoadLedControlDll()) << "no library anywhere";
    EXPECT_EQ(Align_V::StartLedCamera(1), 1);
    EXPECT_EQ(Align_V::LedControlReferences(), 0);

    CameraControlProbe probe;
    ASSERT_NO_FATAL_FAILURE(probe.open(dir));

    ASSERT_TRUE(Align_V::LoadLedControlDll());
    ASSERT_TRUE(Align_V::LoadLedControlDll());
    EXPECT_EQ(Align_V::LedControlReferences(), 2);
    probe.reset(0, 0, 3, 0);
    EXPECT_EQ(Align_V::StartLedCamera(1), 0) << "the trigger goes out whatever SetCam gave";
    EXPECT_STREQ(probe.calls(), "InitLedCtrl,EnumCams,SetCam(0),CamTrigger(1)");
    probe.reset(0, -1, 0, 0);
    EXPECT_EQ(Align_V::StartLedCamera(1), -1);
    EXPECT_STREQ(probe.calls(), "InitLedCtrl,EnumCams");
    EXPECT_EQ(LedControlResult, -1);

    Align_V::FreeLedControlDll();
    EXPECT_TRUE(Align_V::LedControlLoaded()) << "still used";
    probe.reset(0, 0, 0, 0);
    EXPECT_EQ(Align_V::LedCamTrigger(0), 0);
    EXPECT_STREQ(probe.calls(), "CamTrigger(0)");
    probe.unload();
    Align_V::FreeLedControlDll();
    EXPECT_FALSE(Align_V::LedControlLoaded());
    EXPECT_EQ(LedControlProcs.CamTrigger, nullptr) << "no entry point outlives the library";
    Align_V::FreeLedControlDll();
    EXPECT_EQ(Align_V::LedControlReferences(), 0);
    EXPECT_EQ(Align_V::LedCamTrigger(1), 1);
}
