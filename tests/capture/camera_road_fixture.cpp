#include "camera_road_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/startup.h"
#include "capture/avi_compression.h"
#include "capture/avi_writer.h"
#include "capture/camera_slots.h"
#include "capture/frm_pilote.h"
#include "capture/plugin_mgr.h"
#include "capture/slot_sources.h"
#include "capture/wdm_capture.h"
#include "imaging/pipeline_state.h"
#include "platform/paths.h"
#include "platform/simulated_camera.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "support/user_input.h"
#include "support/program/driver_choice.h"
#include "support/program/fresh_process.h"
#include "telescope/guide_plugin.h"
#include "tools/frm_tool_images.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <vector>

bool FakeGrabDevice::grabFrame(const FrameCallback& sink)
{
    if (!open_ || width_ <= 0 || height_ <= 0)
        return false;
    std::vector<std::uint8_t> px(static_cast<std::size_t>(width_) * height_ * 3, level_);
    sink({width_, height_, width_ * 3, platform::PixelFormat::Bgr24, px.data(), px.size()});
    return true;
}

void CameraRoad::SetUp()
{
    testsupport::StartAsAFreshProcess();
    platform::setPortAccess(&ports);
    grab.add({QStringLiteral("Simulateur ciel etoile"), QStringLiteral("1.0")},
             [] { return std::make_unique<platform::SimulatedCamera>(); });
    Startup::CreateWindows();
    FRM_Alv->FormActivate();
    FRM_Message->MEMO_Message->clear();   // start-up notes of the empty program directory
    platform::setGrabCameras(&grab);
    platform::setStreamCameras(&stream);
}

void CameraRoad::TearDown()
{
    delete driverDialogPoll;
    // The slots' sources and the plug-ins let go, the slots, scripts and
    // tracking values as a fresh start has them.
    testsupport::StartAsAFreshProcess();
    for (auto& w : WdmCaptures)
        w.reset();
    platform::setGrabCameras(nullptr);
    platform::setStreamCameras(nullptr);
    Startup::DestroyWindows();
    SaveFramesEnabled = 0;
    SequenceFrameTick = SequenceFrameCounter = 0;
    SequenceSaving = false;
    platform::setPortAccess(nullptr);
}

void CameraRoad::answerDriverDialog(int line)
{
    delete driverDialogPoll;
    driverDialogPoll = testsupport::AnswerDriverChoice(
        line, [this](TFRM_Pilote& d) { driverDialogOnTop = d.windowFlags().testFlag(Qt::WindowStaysOnTopHint); });
}

void CameraRoad::chooseFormat(int slot, int width, int height)
{
    const TWDMCapture::FormatPage saved = TWDMCapture::formatPage();
    TWDMCapture::formatPage() = [width, height](const std::vector<platform::V4l2Camera::FormatEntry>&,
                                                TWDMCapture::FormatChoice& c) {
        c.width = width;
        c.height = height;
        return true;
    };
    if (slot == 1)
        FRM_Alv->MNU_Cam1_FormatClick();
    else
        FRM_Alv->MNU_Cam2_FormatClick();
    TWDMCapture::formatPage() = saved;
}

bool CameraRoad::chooseMenuItem(QMenu* menu, QAction* item)
{
    return testsupport::chooseMenuItem(menu, item);
}

void CameraRoad::useSimulatorPlugin()
{
    QDir().mkpath(dir.filePath(QStringLiteral("Plugins")));
    ASSERT_TRUE(QFile::copy(QStringLiteral(NJ_SIMULATOR_PLUGIN), dir.filePath(QStringLiteral("Plugins/NJ_Simulator.so"))));
    PluginManager = std::make_unique<TPluginMgr>(FRM_Alv, 255u, dir.filePath(QStringLiteral("Plugins")));
}

void CameraRoad::usePlugins(const QStringList& names)
{
    QDir().mkpath(dir.filePath(QStringLiteral("Plugins")));
    for (const QString& n : names)
        QFile::copy(QStringLiteral(NJ_TEST_PLUGIN_DIR "/") + n + QStringLiteral(".so"),
                    dir.filePath(QStringLiteral("Plugins/") + n + QStringLiteral(".so")));
    PluginManager = std::make_unique<TPluginMgr>(FRM_Alv, 255u, dir.filePath(QStringLiteral("Plugins")));
}

QFunctionPointer CameraRoad::pluginFunction(const QString& plugin, const char* name)
{
    // The same file is already loaded: this only finds its symbol.
    return QLibrary::resolve(dir.filePath(QStringLiteral("Plugins/") + plugin + QStringLiteral(".so")), name);
}

QString CameraRoad::messageText() const
{
    return FRM_Message->MEMO_Message->toPlainText();
}

void CameraRoad::runScriptText(const QString& text)
{
    FRM_Script->Memo_Script->setPlainText(text);
    FRM_Script->MNU_ExecuterDuDebutClick(FRM_Script->MNU_ExecuterDuDebut);
}

bool writeFilm(const QString& path, const std::vector<kernels::Bitmap24>& frames)
{
    const auto saved = AVICompression::CompressOptions;
    AVICompression::CompressOptions = AVICompression::DefaultCompressOptions();
    AVICompression::CompressOptions.fccHandler = AVICompression::StrToFourCC(QStringLiteral("DIB "));
    AVICompression::AVIParams params;
    AVICompression::InitAVIParams(params, 10000, 25, 0, 0);
    params.Width = frames.empty() ? 0 : frames.front().width();
    params.Height = frames.empty() ? 0 : frames.front().height();
    TAVICompressor writer;
    bool ok = writer.Open(path, params);
    for (const kernels::Bitmap24& frame : frames)
        ok = ok && writer.WriteFrame(frame) == 0;
    writer.Close();
    AVICompression::CompressOptions = saved;
    return ok;
}
