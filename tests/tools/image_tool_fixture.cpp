#include "image_tool_fixture.h"

#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/startup.h"
#include "app/ui/long_timer.h"
#include "capture/avi_compression.h"
#include "imaging/pipeline_state.h"
#include "platform/disk_space.h"
#include "platform/port_access.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "support/program/fresh_process.h"
#include "tools/frm_tool_images.h"
#include "tools/util_images.h"
#include "translation/translated_texts.h"

#include <QDir>

void ImageTool::SetUp()
{
    testsupport::StartAsAFreshProcess();
    platform::setPortAccess(&ports);
    DiskSpace::SetFreeSpaceQuery([this](const QString&) { return freeBytes; });
    Startup::CreateWindows();
    Translation::ResetTexts();
    Align_V::CreateMissingSlotBitmaps();
    Align_V::CreateMissingWorkBitmaps();
    AVICompression::CompressOptions = AVICompression::DefaultCompressOptions();
    FRM_Pref->SPED_TailleMaxVideo->setMaximum(1999000);
    FRM_Pref->SPED_TailleMaxVideo->setValue(1999000);
    FRM_Alv->Image3->SetPictureSize(64, 48);
    kernels::DeepPlanes& planes = DeepImagePlanes();
    planes.clearAll();
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            std::uint16_t* p = planes.pixel(5, x, y);
            p[0] = std::uint16_t(x);
            p[1] = std::uint16_t(y);
            p[2] = std::uint16_t(x * 100 + y);
        }
    ResultPlaneSize = QSize(37, 23);
    // No camera has placed a zone: the result view is saved whole.
    DisplayZoneRect = ZoneImageRect = kernels::Rect{};
    ResultOverlaid = false;
    setPrefix(QStringLiteral("lune"));
    boxes.clear();
}

void ImageTool::TearDown()
{
    if (SequenceSaving)
        FRM_Tool_Images->BTN_Arreter_SauvClick();
    AviWriter.reset();
    AviWriterOpen = false;
    TiffSequence.reset();
    Util_Images::CloseReportFile();
    Util_Images::ReportHeaderPending = false;
    Startup::DestroyWindows();
    ResultPlaneSize = QSize();
    SaveFramesEnabled = 0;
    Scripts::StopAll();
    DiskSpace::SetFreeSpaceQuery({});
    platform::setPortAccess(nullptr);
}

void ImageTool::setPrefix(const QString& name) { FRM_Tool_Images->EDT_Nom_Image->setText(dir.filePath(name)); }

void ImageTool::chooseType(const QString& itemText)
{
    FRM_Tool_Images->AddAviFileType();
    FRM_Tool_Images->CBX_TypeFichier->setCurrentText(itemText);
}

QStringList ImageTool::files(const QString& extension) const
{
    return QDir(dir.path()).entryList({QStringLiteral("*.") + extension}, QDir::Files, QDir::Name);
}

void ImageTool::advance(std::int64_t ms)
{
    clock.advanceMs(ms);
    FRM_Tool_Images->PollSequenceTimers();
}

void ImageTool::frames(int count)
{
    for (int i = 0; i < count; ++i)
        FRM_Tool_Images->SaveFrameHook();
}

void ImageTool::waitingScript()
{
    Scripts::CurrentLevel = 0;
    TScript& s = Scripts::CurrentScript();
    s.Lines = QStringList{QStringLiteral("image.sequence(startwait)"), QStringLiteral("wait(10)")};
    s.LineCount = 2;
    s.Pass = 2;
    Scripts::ScriptRunning = true;
    Scripts::BeginWait(Scripts::WaitSequence);
    FRM_Script->TMR_Script->stop();
}

bool ImageTool::scriptResumed() const
{
    return Scripts::CurrentScript().State == Scripts::StateRunning && FRM_Script->TMR_Script->isActive()
           && FRM_Script->TMR_Script->interval() == 50;
}
