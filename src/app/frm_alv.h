#pragma once
// The main window. It finishes the start-up at its first activation (settings,
// translation, ports, script bar, bitmaps, plug-ins, codec choice, window
// layout, start-up script) and ends the program when it closes (captures
// stopped, plug-ins and ports released, settings saved).
//
// Its behaviour is split by concern: frm_alv.cpp (creation, lifecycle),
// capture/frm_alv_capture.cpp (camera slots: start, driver choice, stop),
// capture/frm_alv_frames.cpp (frame announcements, frame timers, wheel),
// app/frm_alv_menus.cpp (menus, tool bars, night mode, help, image saving),
// app/function_buttons.cpp (function buttons, collections, custom functions).

#include "app/form.h"
#include "ui_frm_alv.h"

#include <QTimer>
#include <functional>

class QCheckBox;
class TFRM_Progress;
struct TTranslatedTexts;

class TFRM_Alv : public TForm, public Ui::TFRM_Alv {
    Q_OBJECT
public:
    explicit TFRM_Alv(QWidget* parent = nullptr);
    ~TFRM_Alv() override;

    void FormCreate() override;
    void FormActivate() override;
    void FormCloseQuery(bool& canClose) override;
    void FormClose(TCloseAction& action) override;
    void FormDestroy();
    // Lays the window out: the status bar right of the image tabs, the tool
    // bar in use in a column at the right as wide as its pages need, the
    // image area in what is left.
    void FormResize();
    // The tool bar column's width in a window area `areaWidth` wide.
    static int ToolPanelWidth(const QWidget* panel, int areaWidth);

    // Camera slots (capture/frm_alv_capture.cpp, capture/frm_alv_frames.cpp).
    // Opens the source of slot 1 or 2: the driver choice, the source, the
    // frame-size check, the layout for the new frame size, frame delivery.
    // Failures are told in the message window and leave the slot stopped.
    // True when the source runs.
    bool Start(int slot);
    // Every camera start (menus, buttons, scripts): the player paused, then
    // Start. A start that ends with no camera running (the driver choice
    // cancelled, a camera that cannot open or whose frames the slot cannot
    // take) gives a file source back as it was: its film or pictures at
    // their frame, playing again if they played. True when the camera runs.
    bool StartCamera(int slot);
    // The driver dialog for the slot; true when the user confirmed a line.
    bool GetDriver(int slot);
    // Camera driver, format, source and control menus (capture/camera_menus.cpp).
    bool MNU_Cam1_PiloteClick();
    bool MNU_Cam2_PiloteClick();
    void MNU_Cam1_FormatClick();
    void MNU_Cam2_FormatClick();
    void MNU_Cam1_SourceClick();
    void MNU_Cam2_SourceClick();
    void MNU_Cam1_WDMControlClick();
    void MNU_Cam2_WDMControlClick();
    void CameraFormat(int slot);
    void CameraSource(int slot);
    void ConnectCameraMenuHandlers();
    // Grab road (capture/grab_road.cpp): the grab device's capture sequence
    // through the slot's hand-over, and each of its frames.
    void StartSequence(int slot);
    void VideoStreamCallback(int slot);
    void MNU_Cam1_DemarrerClick();
    void MNU_Cam2_DemarrerClick();
    void MNU_Cam1_ArreterClick();
    void MNU_Cam2_ArreterClick();
    void SPDB_Cam1_StartClick();
    void SPDB_Cam2_StartClick();
    void SPDB_Cam1_StopClick();
    void SPDB_Cam2_StopClick();
    void StopCaptureWindow(int slot);
    // Capture modes of each slot (capture/camera_modes.cpp): image (a frame
    // a timer tick), stream (the grab device's capture sequence) and long
    // exposure (the long-exposure window and the exposure cycle).
    void MNU_Cam1_ImageClick();
    void MNU_Cam2_ImageClick();
    void MNU_Cam1_StreamClick();
    void MNU_Cam2_StreamClick();
    void MNU_Cam1_PoseLongueClick();
    void MNU_Cam2_PoselongueClick();
    void SPDB_Cam1_ImageClick();
    void SPDB_Cam2_ImageClick();
    void SPDB_Cam1_StreamClick();
    void SPDB_Cam2_StreamClick();
    void SPDB_Cam1_PoseLongueClick();
    void SPDB_Cam2_PoseLongueClick();
    void ImageMode(int slot);
    void StreamMode(int slot);
    void LongExposureMode(int slot);
    // The Mode menu's ticks of the slot (and, while it runs, its pressed
    // mode button) show the mode it runs in: long exposure, stream, or
    // image. Every road that sets or ends a mode ends here.
    void ShowCaptureMode(int slot);
    // 200 ms after an image-mode choice the image button is pressed again.
    void TMR_InsisteTimer();
    // Enters or leaves the stream mode of a grab slot.
    void BTN_TurboClick(int slot);
    // Long-exposure cycle (capture/long_exposure_cycle.cpp). The hidden box
    // CKB_Longuepose_Active is the cycle's on/off state; its click handler
    // switches the lines and the exposure timers.
    void CKB_Longuepose_ActiveClick();
    // One step of the main cycle: a new exposure after the pause, or the
    // read-out of the exposure that ended.
    void TMR_ExposureTimer();
    // One step of the self-guiding exposures.
    void TMR_Exposure_GuideTimer();
    // The long-exposure part of a frame tick of the current slot: count-down,
    // lead time of the amplifier line, end of the exposure; the frame is
    // measured, not rendered.
    void LongExposureTick(int slot, std::uint8_t& accept);
    // The image of a plug-in exposure arrived in the slot's live bitmap, or
    // came too large for it (`imageTaken` false): the exposure ends.
    void PluginExposureImage(int slot, bool imageTaken);
    // Puts the long-exposure lines at rest (a camera stop).
    void RestLongExposureLines(int slot);
    // One tick of the slot's frame timer.
    void Timer_Cam1Timer();
    void Timer_Cam2Timer();
    // File sources (capture/frm_alv_files.cpp): open a picture, a list of
    // pictures or an AVI film as image, dark or flat; show the frame at
    // PlayPosition; one step of the player (run by the frame timers).
    void MNU_Ouvrir_ImageClick();
    void MNU_Ouvrir_DarkClick();
    void MNU_Ouvrir_FlatClick();
    void LoadImage();
    void PlayerStep();
    // Stops what must not run beside a new file source: playback, a running
    // addition, a grab device of the current slot (and, asked, its long exposure).
    void StopForFileSource(bool longExposureToo);
    // The list (sorted as wanted) becomes the current slot's file source,
    // what must not run beside it stopped first (StopForFileSource). A list
    // whose first frame cannot be read, or is refused, is told and changes
    // nothing. True when the file source plays.
    bool OpenFileSource(const QStringList& list, std::uint8_t kind, bool longExposureToo);
    // A frame announcement of the slot (its frame message).
    void FrameMessageArrived(int slot);
    // A turn of the mouse wheel by angleDelta eighths of a degree: every
    // whole notch (120) moves the display-zone size by 10.
    void MouseWheel(int angleDelta);

    // Frame pipeline (imaging/frm_alv_frame_size.cpp, imaging/frm_alv_mouse.cpp).
    // Adapts the views and the zone controls to a slot's new frame size.
    void SetSourceDimensions(int slot);
    // Mouse on the source views (Image1, Image2) and the result view
    // (Image3): button 0 left, 1 right, 2 middle; shift is the shift-state
    // set (1 Shift, 2 Alt, 4 Ctrl, button bits 8, 16, 32); x, y in picture
    // pixels. Drags, other windows and scripts pass the main window itself
    // as the sender; only another sender releases a held button of Image1.
    void Image1MouseUp(QObject* sender, int button, int shift, int x, int y);
    void Image2MouseUp(QObject* sender, int button, int shift, int x, int y);
    void Image3MouseUp(QObject* sender, int button, int shift, int x, int y);
    void Image1MouseDown(QObject* sender, int button, int shift, int x, int y);
    void Image1MouseMove(QObject* sender, int shift, int x, int y);
    void Image2MouseMove(QObject* sender, int shift, int x, int y);
    void Image3MouseMove(QObject* sender, int shift, int x, int y);

    // Mosaic page (imaging/frm_alv_mosaic.cpp).
    // "Initialiser": a black canvas of the page's width and height.
    void BTN_Mosaique_InitialiserClick();
    // A left click on the mosaic marks the top-left corner of the next tile.
    void IMG_MosaicMouseUp(QObject* sender, int button, int shift, int x, int y);
    // A click on "Actif": the box keeps the state the click gave it.
    void CKB_Mosaique_ActiveMouseUp();
    void CKB_Mosaique_ActiveClick() {}
    void BTN_Mosaique_OptionsClick();
    void RDB_Mosaique_Suivi_LogicielClick();
    void RDB_Mosaique_Derive_IndependanteClick();
    void RDB_Secarcs_SClick();
    void RDB_Pixels_SClick();
    // Leaving a speed input brings its twin in the other unit in step.
    void TNI_Mosaic_Vitesse_Derive_ADExit();
    void TNI_Mosaic_Vitesse_Derive_DecExit();
    void TNI_Mosaic_Vitesse_Derive_AD_PixelsExit();
    void TNI_Mosaic_Vitesse_Derive_Dec_PixelsExit();
    void SPED_Mosaique_DureeChange();
    // "Ok" of the option panel: the drift speeds, then the panel hides.
    void BTN_Option_Mosaic_OKClick();
    // "Ouvrir sequence": the sequence chooser, then the sequence as source.
    void MNU_OuvrirsequenceClick();
    void SPDB_Ouvrir_BClick();
    // One tick of the recording indicator's blinking.
    void TMR_BlinkTimer();

    // Addition and result size (imaging/frm_alv_addition.cpp).
    // The integration switch and the addition stop of the capture services:
    // the image tool's own, which do this and more.
    void CKB_IntegrationClick();
    void BTN_Arreter_AddClick();
    // Sizes the result image and its views for the display-zone width and
    // ratio of the display tool and the current slot's frame and binning,
    // recomputes the display zone and shows the saved-image size.
    void SCB_Taille_ZAffichChange();
    // Software binning of each slot.
    void MNU_Cam1_Binning_1x1Click();
    void MNU_Cam1_Binning_2x2Click();
    void MNU_Cam2_Binning_1x1Click();
    void MNU_Cam2_Binning_2x2Click();
    void ConnectAdditionHandlers();

    // Menus and tool bars (app/frm_alv_menus.cpp). Items whose routine
    // belongs to another window run it by name (MenuHandlerNames()).
    void MNU_FermerClick();
    void MNU_EnregistrerClick();
    void MNU_Images_SeuilsClick();
    void MNU_Images_IntegrationClick();
    void MNU_Images_FiltresClick();
    void MNU_Images_DarksClick();
    void MNU_Images_FlatsClick();
    void MNU_Images_MerlansClick();
    void MNU_Images_InformationClick();
    void MNU_Images_SelectionClick();
    void MNU_Images_EnregistrementClick();
    void MNU_Affichage_RafraichissementClick();
    void MNU_Affichage_ZonesClick();
    void MNU_Affichage_CamerasClick();
    void MNU_Affichage_MiniSourceClick();
    void MNU_PleinEcranClick();
    void MNU_Affichage_ReticuleClick();
    void MNU_Mesures_EchantillonageClick();
    void MNU_Mesures_DistancesClick();
    void MNU_Mesures_DeclinaisonClick();
    void MNU_MAPClick();
    void MNU_Suivi_autoguidageClick();
    void MNU_DetectMvtClick();
    void MNU_SkyClick();
    void MNU_PlanificateurClick();
    void MNU_ScriptsClick();
    void MNU_OptionsClick();
    void MNU_CollimationClick();
    // Measurement operations (telescope/frm_alv_operations.cpp).
    void MNU_Decl_EtoileClick();
    void MNU_TailleOrientCaptClick();
    void MNU_Erreur_PeriodiqueClick();
    void MNU_Erreur_MESClick();
    void BTN_SetDeriveClick();
    void SPDB_ExecuterClick();
    void SPDB_AbortClick();
    // The one way an operation is armed, whoever arms it (the menu, a tool
    // window's button, the Preferences): one still running stops first as
    // its abort stops it, the panel names the new one, and Execute and Abort
    // are offered (Abort drops it while it is only armed).
    void ArmOperation(std::uint8_t code, QString TTranslatedTexts::*name);
    // A tool window closes: its operation (codes first..last) ends with it,
    // a running one stopped as its abort stops it, then dropped, so nothing
    // stays armed behind a closed window. Another window's operation goes on.
    void EndWindowOperation(std::uint8_t first, std::uint8_t last);
    // The Operations menu: its entry in the menu bar is offered while a
    // source to measure on runs and no tool window or menu arming holds the
    // menu, one rule from those two states whichever path changes them
    // (enabling the menu alone would bring the entry back without a source).
    void SetOperationsSource(bool runs);
    void HoldOperationsMenu(bool held);
    void FollowOperationsMenu();
    // Ends the operation armed or running, as when the source it measures
    // on is gone: a running one stops as its abort stops it, nothing stays
    // armed, and the Operations menu an arming disabled is given back.
    void DropOperation();
    // Names the operation armed or running on the operation panel with one
    // of the translated texts; a language change names it again in the new
    // language ("no operation" whenever none is armed).
    void ShowOperation(QString TTranslatedTexts::*name);
    // Gives the operation panel the width of the longest operation name.
    void FitOperationPanel();
    void TMR_ApprTimer();
    void RDB_DeriveClick();
    void BTN_DecalerClick();
    void MNU_TelescopeClick();
    void MNU_AideClick();
    void MNU_AproposClick();
    void MNU_RessourcesClick();
    void SPDB_NiteClick(QObject* sender);
    void SPDB_Executer_ScriptClick();
    void SPDB_Pauser_ScriptClick();
    void SPDB_Arreter_ScriptClick();
    void PGC_MainChange();
    void CKB_Visu_PermanenteClick();
    // Every handler name the menus and tool bars run through the handler
    // registry, for the windows that come to register them.
    static QStringList MenuHandlerNames();

    // Function buttons, collections, custom functions (app/function_buttons.cpp).
    void SPDB_F1MouseUp(QObject* sender, int button);
    void Fonction_Items_Handler(QAction* item);
    void CBX_ScriptCollectionChange(QObject* sender);
    void CBX_ScriptCollectionKeyUp(QObject* sender, int key);
    void CBX_ScriptCollectionDropDown();
    QMenu* CustomFunctionMenu() const { return MNU_PFonctions; }

    QTimer* Timer_Cam1 = nullptr;
    QTimer* Timer_Cam2 = nullptr;
    QTimer* TMR_Exposure = nullptr;
    QTimer* TMR_Exposure_Guide = nullptr;
    QTimer* TMR_Blink = nullptr;
    QTimer* TMR_Appr = nullptr;
    QTimer* TMR_Insiste = nullptr;
    QCheckBox* CKB_Longuepose_Active = nullptr;
    // The step of TMR_Insiste: 0 presses camera 1's image button, 4 camera 2's.
    std::uint8_t InsistStep = 0;

    // Set once the first activation has run.
    bool FirstActivationDone = false;
    // One entry per custom-function script: caption, "|", file path; sorted.
    QStringList CustomFunctionList;
    // The extra progress window, created with the main window, freed at close.
    TFRM_Progress* ExtraProgress = nullptr;

    // Whether the application's message hook is installed.
    bool MessageHookInstalled() const;
    // A source the operations measure on runs (the Operations menu's entry).
    bool OperationsSourceRuns = false;
    // The text the operation panel was last given by ShowOperation.
    QString TTranslatedTexts::*OperationName = nullptr;

    // Receives the name of each start-up and close step as it runs; tests
    // use it to check the order.
    std::function<void(const QString&)> StepObserver;
    void step(const QString& name) const
    {
        if (StepObserver)
            StepObserver(name);
    }

protected:
    void resizeEvent(QResizeEvent* e) override;
    bool event(QEvent* e) override;

private:
    void ConnectCaptureHandlers();
    void ConnectCameraModeHandlers();
    void ConnectLongExposureHandlers();
    void ConnectMenuHandlers();
    void ConnectOperationHandlers();
    void ConnectFunctionButtons();
    void ConnectMouseHandlers();
    void ConnectMosaicHandlers();
    void ConnectLayoutHooks();
    void SetUpPictureButtons();
    void FrameTick(int slot);
    bool StartCameraSource(int slot);
    bool StartFileSource(int slot);
    void FinishFileSourceStart(int slot);
    void OpenFromDialog(std::uint8_t kind);
    void StartCommonTail(int slot, bool camera);
    void ReleaseStartButtons(int slot);
    void StopSlot(int slot);
    int wheelRemainder_ = 0;

    void RunFirstActivationSteps();
    void FinishStartup();
    void InstallMessageHook();
    void RemoveMessageHook();

    QObject* messageHook_ = nullptr;
    bool activating_ = false;
    bool destroyed_ = false;
};

extern TFRM_Alv* FRM_Alv;
