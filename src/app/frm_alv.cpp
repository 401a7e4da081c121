#include "app/frm_alv.h"

#include "app/align_v_features.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/night_colors.h"
#include "app/script_collections.h"
#include "app/settings.h"
#include "app/settings/settings_file.h"
#include "app/startup.h"
#include "app/systeme.h"
#include "app/ui/event_boundary.h"
#include "app/version_info.h"
#include "capture/avi_compression.h"
#include "capture/avi_reader.h"
#include "capture/camera_slots.h"
#include "capture/frame_messages.h"
#include "capture/plugin_mgr.h"
#include "capture/port_io.h"
#include "capture/slot_sources.h"
#include "imaging/display_helpers.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "platform/message_service.h"
#include "platform/paths.h"
#include "scripting/frm_dde_server.h"
#include "scripting/frm_progress.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "telescope/frm_raquette.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "tools/frm_full_screen.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "translation/language.h"
#include "translation/translated_texts.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPixmap>
#include <QPolygon>
#include <QToolButton>

#include <algorithm>

TFRM_Alv* FRM_Alv = nullptr;

namespace {

// The application's message hook: the keypad centre key (Num Lock off),
// released in any window, brings up the hand pad. The key is never consumed.
class KeypadCentreHook final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* obj, QEvent* e) override
    {
        if (e->type() == QEvent::KeyRelease) {
            auto* k = static_cast<QKeyEvent*>(e);
            if (k->key() == Qt::Key_Clear && !k->isAutoRepeat() && FRM_Raquette)
                app::runGuarded(QStringLiteral("TraiteMessages"), [] { Systeme::ShowFormOnScreen(FRM_Raquette); });
        }
        return false;
    }
};

// Runs an action on one kind of event of the objects it watches; the action
// tells whether the event is taken.
class EventHook final : public QObject {
public:
    EventHook(QObject* owner, QEvent::Type type, std::function<bool(QObject*, QEvent*)> action)
        : QObject(owner), type_(type), action_(std::move(action))
    {
    }
    bool eventFilter(QObject* obj, QEvent* e) override { return e->type() == type_ && action_(obj, e); }

private:
    QEvent::Type type_;
    std::function<bool(QObject*, QEvent*)> action_;
};

// A view's page is at least as large as the view, so that the image area
// scrolls to every part of a picture larger than itself.
void fitPageToView(QWidget* view)
{
    if (QWidget* page = view->parentWidget())
        page->setMinimumSize(view->geometry().right() + 1, view->geometry().bottom() + 1);
}

QTimer* makeTimer(QObject* owner, const char* name)
{
    auto* t = new QTimer(owner);
    t->setObjectName(QString::fromLatin1(name));
    return t;
}

} // namespace

TFRM_Alv::TFRM_Alv(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    SetUpPictureButtons();
    // "Rec" shows only while a sequence records, and keeps its room while it
    // blinks so that the night button beside it does not jump under the mouse.
    QSizePolicy recPolicy = LBL_Rec->sizePolicy();
    recPolicy.setRetainSizeWhenHidden(true);
    LBL_Rec->setSizePolicy(recPolicy);
    LBL_Rec->hide();
    // The buttons of the beginner's function-button grid fill their cells,
    // in even columns.
    for (QToolButton* b : GRD_Fonctions_B->findChildren<QToolButton*>())
        b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    FitOperationPanel();
    ConnectLayoutHooks();
    Timer_Cam1 = makeTimer(this, "Timer_Cam1");
    Timer_Cam2 = makeTimer(this, "Timer_Cam2");
    TMR_Exposure = makeTimer(this, "TMR_Exposure");
    TMR_Exposure_Guide = makeTimer(this, "TMR_Exposure_Guide");
    TMR_Blink = makeTimer(this, "TMR_Blink");
    TMR_Appr = makeTimer(this, "TMR_Appr");
    ConnectCaptureHandlers();
    ConnectAdditionHandlers();
    ConnectMenuHandlers();
    ConnectOperationHandlers();
    ConnectFunctionButtons();
    ConnectMouseHandlers();
    ConnectMosaicHandlers();
    // The window is enabled once its first activation has finished.
    setEnabled(false);
}

TFRM_Alv::~TFRM_Alv()
{
    FormDestroy();
}

void TFRM_Alv::FormCreate()
{
    for (TImageView* view : {Image1, Image2, Image3})
        view->SetOpaqueStyle();
    InstallMessageHook();
    setWindowTitle(Startup::ApplicationTitle()
                   + VersionInfo::ReleaseCaptionSuffix(VersionInfo::ProgramVersionResource()));

    SetOperationsSource(false);
    Capture::ResetCaptureStartValues();
    AviTypeListed = false;
    Align_V::ResetPipelineStartValues();
    Telescope::ResetMountStartValues();

    CustomFunctionList.clear();
    ExtraProgress = new TFRM_Progress(this);
    ExtraProgress->setObjectName(QStringLiteral("ExtraProgress"));
}

void TFRM_Alv::FormActivate()
{
    // A message box shown by a step re-activates the window; the steps must
    // not run a second time underneath themselves.
    if (activating_)
        return;
    activating_ = true;
    const bool first = !FirstActivationDone;
    KeyPreview = true;
    if (first) {
        RunFirstActivationSteps();
    } else {
        step(QStringLiteral("UpdateHandPadControls"));
        Align_V::UpdateHandPadControls();
    }

    if (Align_V::CreateMissingSlotBitmaps())
        step(QStringLiteral("SlotBitmaps"));
    if (Align_V::CreateMissingWorkBitmaps())
        step(QStringLiteral("WorkBitmaps"));
    InfoPoint = TInfoPoint{1, QPoint(0, 0)};

    step(QStringLiteral("LoadCompressOptions"));
    AVICompression::LoadCompressOptions(platform::joinPath(platform::programDir(), QStringLiteral("njpcompress.dat")));
    FRM_Tool_Images->EDT_AVICompression->setText(
        AVICompression::GetCodecName(AVICompression::FourCCToStr(AVICompression::CompressOptions.fccHandler)));

    if (first)
        FinishStartup();
    activating_ = false;
}

void TFRM_Alv::RunFirstActivationSteps()
{
    FRM_Tool_Images->TNI_Meilleure_Qualite->SetValue(0);
    FRM_Tool_Images->TNI_Pire_Qualite->SetValue(9999999);
    FRM_Tool_Images->SCB_Selection->setValue(0);
    FileSourceOpen = false;

    SettingsFilePath = platform::joinPath(platform::programDir(), Settings::kSettingsFileName);
    // A note of the start shows where the window layout puts the message
    // window, at its size there, not at a place taken before it is known.
    Settings::PlaceMessageWindow();
    {
        // Every message of the start-up is in the chosen language: the texts
        // come first, then the load, whose notes are shown together once the
        // windows are translated too.
        Settings::ApplyChosenLanguageTexts();
        Settings::NoteCollector notes;
        step(QStringLiteral("LoadSettings"));
        Settings::LoadSettings();
        step(QStringLiteral("LoadLanguageChoice"));
        Settings::LoadLanguageChoice();
        step(QStringLiteral("ApplyTranslation"));
        Settings::ApplyTranslation();
    }

    step(QStringLiteral("LoadDriversDir"));
    Settings::LoadDriversDir();
    step(QStringLiteral("OpenPortDriver"));
    Systeme::OpenPortDriver();

    CurrentScriptCollectionIndex = 0;
    step(QStringLiteral("LoadScriptCollection"));
    LoadScriptCollection();
    step(QStringLiteral("SaveSystemColors"));
    SaveSystemColors();
    step(QStringLiteral("InitVestaPort"));
    Align_V::InitVestaPort();
    step(QStringLiteral("InitQuillonPort"));
    Align_V::InitQuillonPort();
    Telescope::SetEarthRotationRate();
    FirstActivationDone = true;

    Align_V::ClearImage1();
    FrameRingAllocated = false;
    FrameRingCount = 0;
    PipelineRunningFactor = 1.0;
    for (QWidget* w : std::initializer_list<QWidget*>{
             FRM_Tool_Images->TNI_Seuil_Min, FRM_Tool_Images->TNI_Seuil_Max, FRM_Tool_Images->TNI_Seuil_MinMin,
             FRM_Tool_Images->TNI_Seuil_MinMax, FRM_Tool_Images->TNI_Seuil_MaxMin, FRM_Tool_Images->TNI_Seuil_MaxMax,
             FRM_Tool_Images->TNI_Min, FRM_Tool_Images->TNI_Max, FRM_Tool_Images->EDT_NBCaps})
        w->setFixedHeight(17);
    PlayList = std::make_unique<QStringList>();
    MiniScale = 4.0;

    step(QStringLiteral("PluginManager"));
    PluginManager = std::make_unique<TPluginMgr>(this, 255u,
                                                 platform::joinPath(platform::programDir(), QStringLiteral("Plugins")));
    Capture::InstallGuiderProvider();
    step(QStringLiteral("RegisterFrameMessages"));
    FrameMessages::RegisterFrameMessage(1);
    FrameMessages::RegisterFrameMessage(2);
}

void TFRM_Alv::FinishStartup()
{
    step(QStringLiteral("AddAviFileType"));
    FRM_Tool_Images->AddAviFileType();
    step(QStringLiteral("LoadMiscPrefs"));
    Settings::LoadMiscPrefs();
    // Enabling the window re-enables every menu with it: the operations
    // menu keeps the state its source and holders give it.
    setEnabled(true);
    FollowOperationsMenu();
    step(QStringLiteral("LoadWindowLayout"));
    Settings::LoadWindowLayout();
    if (FRM_Pref->CKB_Startup_Script->isChecked()) {
        step(QStringLiteral("StartupScript"));
        // Run from where it was chosen: in the scripts folder, or elsewhere
        // when the settings hold its full path.
        const QString path = FRM_Pref->StartupScriptPath();
        if (QFileInfo(path).isFile())
            Scripts::RunScriptFile(path);
        else
            Msg::ShowMessageText(false, TranslatedTexts.MSG_Script_not_found + QStringLiteral(" : ") + path);
    }
    // Other programs may send statements once everything is loaded.
    if (FRM_DDEServer)
        FRM_DDEServer->StartServer();
    step(QStringLiteral("StartupFinished"));
}

void TFRM_Alv::FormCloseQuery(bool& canClose)
{
    if (FRM_FullScreen && FRM_FullScreen->isVisible()) {
        step(QStringLiteral("CloseFullScreen"));
        FRM_FullScreen->close();
    }
    // An edited script that was never saved is asked for as a new script
    // asks: saved, dropped, or kept with the program left open. Asked here,
    // before anything is stopped, so that a program kept open goes on as it was.
    canClose = !FRM_Script || FRM_Script->MayDiscardEdits();
}

void TFRM_Alv::FormClose(TCloseAction& action)
{
    delete ExtraProgress;
    ExtraProgress = nullptr;
    PipelineActive = 0;
    // The mount, guide port and focuser stop first, whatever fails below,
    // and while the plug-ins and the port driver they go through are there.
    Prg_Suivi::StopAllMotion();

    if (FRM_Tool_Affichage && FRM_Tool_Affichage->CKB_Save_FWHM->isChecked())
        FRM_Tool_Affichage->CKB_Save_FWHMClick();
    if (AviFileOpen)
        CloseAviFile();
    if (AviWriter)
        AviWriter->Close();

    for (int slot = 1; slot <= 2; ++slot) {
        if (CameraSlots[slot].captureInProgress)
            StopCaptureWindow(slot);
        else
            (slot == 1 ? Timer_Cam1 : Timer_Cam2)->stop();
    }
    if (MNU_Cam1_Arreter->isEnabled())
        MNU_Cam1_ArreterClick();
    if (MNU_Cam2_Arreter->isEnabled())
        MNU_Cam2_ArreterClick();
    // Whatever a failed or unfinished start left open goes too.
    Capture::ReleaseSlotSource(1);
    Capture::ReleaseSlotSource(2);

    if (PluginManager) {
        step(QStringLiteral("UnloadPlugins"));
        PluginManager->UnloadAll();
        PluginManager.reset();
    }
    ProcedureState = 0;

    // A settings file that cannot be written is reported, and the program
    // still closes: ports, hook and files are released all the same.
    step(QStringLiteral("SaveSettings"));
    try {
        Settings::SaveSettings();
    } catch (const Settings::SettingsError& e) {
        Settings::ReportSaveFailure(e);
    }

    RemoveMessageHook();
    step(QStringLiteral("ClosePortDriver"));
    Systeme::ClosePortDriver();
    if (FRM_Pref->CKB_Debug->isChecked())
        Capture::CloseCaptureDebugFile();
    step(QStringLiteral("Closed"));
    action = TCloseAction::caHide;
}

void TFRM_Alv::FormDestroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    RemoveMessageHook();
    if (FrameRingAllocated)
        Align_V::FreeFrameRing(FrameRingCount);
    Align_V::FreePipelineBitmaps();
    PlayList.reset();
    if (SPDB_Nite->isChecked())
        RestoreSystemColors();
    ScriptCollectionList.clear();
}

void TFRM_Alv::FormResize()
{
    QWidget* area = centralWidget();
    if (!area)
        return;
    constexpr int kGap = 2;
    // The expert tool bars: their rows of pictures across the top, as many
    // rows as the window's width needs; the views below them.
    const bool expert = !PNL_Toolbar_Expert->isHidden();
    int viewsTop = 0;
    if (expert) {
        const int rows = PNL_Toolbar_Expert->heightForWidth(area->width());
        PNL_Toolbar_Expert->setGeometry(0, 0, area->width(), rows);
        viewsTop = rows + kGap;
    }

    // The status bar sits right of the image tabs, at their top, as wide and
    // as tall as its buttons and texts need.
    const int top = viewsTop + SBX_Images->frameWidth();
    const QSize status = TLB_Status->sizeHint();
    TLB_Status->setGeometry(area->width() - status.width() - kGap, top, status.width(), status.height());
    if (expert) {
        SBX_Images->setGeometry(0, viewsTop, area->width(), std::max(0, area->height() - viewsTop));
        return;
    }

    // The beginner's tool bar fills the column right of the views, below
    // the status bar, as wide as its pages need; the views take what is left.
    const int width = ToolPanelWidth(PNL_Toolbar_Beginner, area->width());
    const int panelTop = std::max(top + PGC_Main->tabBar()->sizeHint().height(), TLB_Status->geometry().bottom() + 1) + kGap;
    const QRect column(area->width() - width - kGap, panelTop, width, std::max(0, area->height() - panelTop - kGap));
    PNL_Toolbar_Beginner->setGeometry(column);
    SBX_Images->setGeometry(0, 0, std::max(0, column.left() - kGap), area->height());
}

int TFRM_Alv::ToolPanelWidth(const QWidget* panel, int areaWidth)
{
    // A third of the window, but never narrower than the pages' longest
    // words and widest header, nor wider than their captions on one line.
    const int need = panel->minimumSizeHint().width();
    const int ideal = std::max(need, panel->sizeHint().width());
    return std::clamp(areaWidth / 3, need, ideal);
}

void TFRM_Alv::ConnectLayoutHooks()
{
    // Captions of another length (a language switch, an operation's name)
    // and the other tool bar lay the window out again.
    centralWidget()->installEventFilter(new EventHook(this, QEvent::LayoutRequest, [this](QObject*, QEvent*) {
        app::runGuarded(QStringLiteral("FormResize"), [this] { FormResize(); });
        return false;
    }));
    auto* viewHook = new EventHook(this, QEvent::Resize, [](QObject* view, QEvent*) {
        fitPageToView(static_cast<QWidget*>(view));
        return false;
    });
    for (TImageView* view : {Image1, Image2, Image3}) {
        fitPageToView(view);
        view->installEventFilter(viewHook);
    }
    // The wheel sizes the zones wherever it turns over the image area; it
    // does not scroll it.
    SBX_Images->viewport()->installEventFilter(new EventHook(this, QEvent::Wheel, [this](QObject*, QEvent* e) {
        QCoreApplication::sendEvent(this, e);
        return true;
    }));
}

void TFRM_Alv::resizeEvent(QResizeEvent* e)
{
    TForm::resizeEvent(e);
    FormResize();
}

void TFRM_Alv::InstallMessageHook()
{
    if (messageHook_)
        return;
    messageHook_ = new KeypadCentreHook(this);
    qApp->installEventFilter(messageHook_);
}

void TFRM_Alv::RemoveMessageHook()
{
    if (!messageHook_)
        return;
    qApp->removeEventFilter(messageHook_);
    delete messageHook_;
    messageHook_ = nullptr;
}

bool TFRM_Alv::MessageHookInstalled() const
{
    return messageHook_ != nullptr;
}
