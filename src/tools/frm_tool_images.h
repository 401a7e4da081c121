#pragma once
// The image tool window: thresholds, stacking, filters and the saving of
// frames and capture sequences.
//
// Its behaviour is split by concern: frm_tool_images.cpp (creation),
// frm_tool_images_stacking.cpp (stacking, dark, flat, selection and level
// controls), frm_tool_images_saving.cpp (one save in the chosen format, the
// prefix edit), frm_tool_images_sequencer.cpp (capture sequences, their timers
// and the per-frame hook of the frame loops).

#include "app/form.h"
#include "kernels/bitmap24.h"
#include "kernels/image_files.h"
#include "kernels/raster.h"
#include "ui_frm_tool_images.h"

#include <QSize>
#include <QString>
#include <cstdint>
#include <memory>

namespace app {
class TLongTimer;
}

class TFRM_Tool_Images : public TForm, public Ui::TFRM_Tool_Images {
    Q_OBJECT
public:
    explicit TFRM_Tool_Images(QWidget* parent = nullptr);
    ~TFRM_Tool_Images() override;

    // Adds "AVI" to the sequence file types, once (AviTypeListed).
    void AddAviFileType();

    // ---- star search (frm_tool_images_colours.cpp) ---------------------------
    // Both search the image shown and circle the stars on that source view
    // (never on slot 1's frame, which the result and the saves are made of);
    // the frame routine runs "Montrer" for every frame while CKB_FS_Video is
    // checked, after the frame is shown.
    void BTN_FindStarsClick();
    void BTN_ShowStarsClick();
    void BTN_ClearClick();

    // ---- kernel filter (frm_tool_images_filters.cpp) -------------------------
    // k is a ring: 1, 3, 5, 7 or 9.
    void TNI_Set_Change(int k);
    void TNI_Set_Exit(int k);
    void SCB_Set_Scroll(int k, int position);
    void BTN_Reset_SetClick(int k);
    void BTN_Reset_FiltreClick();
    // n is the kernel size: 3, 5, 7 or 9.
    void RDB_SizeClick(int n);
    void SPED_DiviseurChange();
    void SPED_DiviseurKeyUp();
    void CKB_Diviseur_AutoClick();
    void CKB_ShowMatrixClick();
    void BTN_Lire_FiltreClick();
    void BTN_Ecrire_FiltreClick();
    // A user's edit of a grid of the kernel window (n x n).
    void STG_MatriceKeyUp(int n);
    // Filter type and switches.
    void RDB_DeconvolutionClick();
    void RDB_MasqueFlouClick();
    void RDB_OndelettesClick();
    void CKB_FiltreClick();
    void SPED_Repete_FiltreChange();
    void SCB_WaveletChange(int k);
    void BTN_Reset_WaveletClick(int k);

    // ---- curves, mixer, saturation (frm_tool_images_colours.cpp) -------------
    bool EqualizerOn() const;
    void TRKB_EQChange(int k);
    void BTN_Reset_EQUClick(int k);
    void BTN_Reset_equalClick();
    void BTN_Lire_EQZClick();
    void BTN_Ecrire_EQZClick();
    // The mixer output of pad 0 (red), 1 (green) or 2 (blue).
    void UpdateMix(int output);
    void UPD_MultClick(int output);
    void FollowMultiplier(int output);
    void RDB_LRGBClick(bool showPad);
    void SCB_SaturationChange();
    void TNI_SaturationKeyUp();
    void BTN_Satur_ResetClick();

    // ---- shadow correction and file type (frm_tool_images_colours.cpp) ------
    // A bar of the "FishEye Att." page: its input follows (position / 100
    // for linearity and radius ratio), then the frame routine runs again
    // while the correction is on.
    void SCB_FishEyeScroll(QScrollBar* bar, int position);
    void TNI_FishEyeExit();
    void CKB_Merlan_AutoClick();
    void BTN_MerlanClick();
    void CBX_TypeFichierChange();
    void TNI_Num_SuffixeExit();
    // Other switches of the window.
    void CKB_utiliser_seuilsClick();
    void CKB_InverseClick();
    void CKB_Stop_SaturClick();
    void SPDB_Ouvrir_DarkClick();
    void SPDB_Ouvrir_FlatClick();

    // ---- Stacking, dark, flat, selection and levels
    // (frm_tool_images_stacking.cpp). States of the addition:
    //   Off      CKB_Integration unchecked; start, stop, reset disabled
    //   Ready    checked and enabled; start and reset enabled, stop disabled
    //   Running  checked and disabled; stop enabled; frames are added
    // Integration switch: Off <-> Ready.
    void CKB_IntegrationClick();
    // Mode radios: single image, rolling stack, dark, flat.
    void RDB_UniqueClick();
    void RDB_BoucleClick();
    void RDB_DarkClick();
    void RDB_FlatClick();
    // Ready -> Running. Refused (false, nothing changed) in any other state;
    // a script waiting on this start ("startwait") then ends with a script
    // error, since the addition it waits for never runs. A rolling ring that
    // cannot be made (told) leaves the Ready state as it was, and false.
    bool BTN_Demarrer_AddClick();
    // The addition is Ready to start (integration on, nothing running), or
    // Running.
    bool AdditionCanStart() const;
    bool AdditionRuns() const;
    // A flat of AdditionFrameCount[2] frames is in its plane (built, opened
    // from a file or added by hand): its count is shown, "Actif" offered and
    // its channel means taken for the correction of what follows.
    void FlatMade();
    // (BTN_Arreter_AddClick, below: Running -> Ready. It frees the rolling
    // ring, finishes a dark or flat, gives the controls back and resumes a
    // script waiting on the integration; outside the Running state it
    // changes nothing, but still lets a waiting script go on.)
    // Clears the plane of the current mode and its counters.
    void BTN_Reset_AddClick();
    void CKB_Visu_PermanenteClick();
    void SCB_Seuil_darkChange();
    void CKB_Active_FlatClick();
    void CKB_SelectionClick();
    void CKB_NonvideClick();
    void BTN_Reset_SelectionClick();
    void SCB_SelectionChange();
    // Threshold bars (user scrolls only) and inputs.
    void SCB_MinimumScroll(QObject* sender, int scrollCode, int& scrollPos);
    void SCB_MaximumScroll(QObject* sender, int scrollCode, int& scrollPos);
    void TNI_Seuil_MinExit();
    void TNI_Seuil_MaxExit();
    void CKB_Seuils_EvolClick();
    // Bounds of the threshold bars; the key-up twins act on Enter (13).
    void TNI_Seuil_MinMinExit();
    void TNI_Seuil_MinMaxExit();
    void TNI_Seuil_MaxMinExit();
    void TNI_Seuil_MaxMaxExit();
    void TNI_Seuil_MinMinKeyUp(int key);
    void TNI_Seuil_MinMaxKeyUp(int key);
    void TNI_Seuil_MaxMinKeyUp(int key);
    void TNI_Seuil_MaxMaxKeyUp(int key);

    // Binds the handlers above to their controls.
    void FormCreate() override;
    // The colour pads take their sizes again; the free space of the capture
    // folder is shown.
    void FormActivate() override;

private:
    void stopAddition();
    void stopOrLetTheScriptGoOn();

public:
    // What a save holds: the display zone before processing (when stacking
    // or thresholds run and "before processing" is chosen), of the size
    // ZoneCaptureSize(); otherwise the part SavedResultRect() of the result.
    bool SaveZoneBeforeProcessing() const;
    static QSize ZoneCaptureSize();
    static kernels::Rect SavedResultRect();
    // The size of the picture the chosen file type takes: the 16-bit stills
    // hold the result's part whatever the before/after choice.
    QSize SavedPictureSize() const;
    // Stops the running addition: frees the ring of a loop addition and
    // gives the addition controls back. The frame pipeline calls it when the
    // frame limit or the saturation limit is reached.
    void BTN_Arreter_AddClick();

    // ---- saving (frm_tool_images_saving.cpp) ------------------------------
    // Saves one image, or one frame or page of the open video or multi-page
    // TIFF, in the type of CBX_TypeFichier, and applies the end rules of a
    // running sequence. Never throws: a failure is told once and, inside a
    // sequence, stops it; false then.
    bool BTN_Enregistrer_ImageClick();
    // The prefix edit: the overwrite warning and the free space on every
    // change; leaving it strips a trailing ".bmp"/".avi"/".jpg" and offers to
    // create a missing folder.
    void EDT_Nom_ImageChange();
    void EDT_Nom_ImageExit();
    void BTN_ParcourirClick();
    // The codec choice of AVI sequences, kept in "njpcompress.dat".
    void BTN_AVIcompressionClick();

    // ---- capture sequencer (frm_tool_images_sequencer.cpp) ----------------
    // False when the sequence could not start: its file did not open or its
    // first save failed (told). A sequence already running, or one that
    // ended by its own rules at its first save, has started.
    bool BTN_Demarrer_SauvClick();
    void BTN_Arreter_SauvClick();
    void TMR_SauveTimer();
    void TMR_Toutes_lesTimer();
    void TMR_PendantTimer();
    // THE PER-FRAME HOOK of the frame loops: called once for every frame the
    // frame routine kept. While the saving gate SaveFramesEnabled is open it
    // counts the frame and saves every SPED_Freq_Sauve-th one unless the
    // pause button is down.
    void SaveFrameHook();
    // Wakes the three sequence timers in a fixed order (saving, burst start,
    // end of duration), so that a save due at the same moment as the end of
    // the duration is made first. Their Qt timers call it.
    void PollSequenceTimers();

    void CKB_Longueur_FixeClick();
    void CKB_Enreg_ParamsClick();
    void RDB_Une_FoisClick();
    void RDB_Toutes_LesClick();
    void RDB_ArretClick();
    void RDB_PendantClick();

    // Timers of the sequencer (intervals in 64-bit milliseconds).
    app::TLongTimer* TMR_Sauve = nullptr;
    app::TLongTimer* TMR_Toutes_les = nullptr;
    app::TLongTimer* TMR_Pendant = nullptr;

    // A number step of 0: the user's word that one name is rewritten at
    // every save, its parameter report with it.
    bool NameRewritten() const;

private:
    void ConnectSavingHandlers();
    void addCaptions();
    void fitFieldsToTheirValues();
    void ConnectFilterHandlers();
    void ConnectColourHandlers();
    // The frame routine again on the current camera slot.
    void RunFrameRoutine();
    // One save; throws Util_Images::SaveError when a file cannot be written,
    // false after a failure its writer told (a video that did not open or
    // write).
    bool SaveImage();
    void SaveStillImage(const QString& key, const kernels::Bitmap24& source);
    bool AppendAviFrame(const kernels::Bitmap24& source);
    bool AppendTiffPage(bool zone);
    void SaveFailed(const QString& text);
    // Ends the running sequence after a save that failed and was told.
    void EndSequenceAfterFailure();
    void CountEndRule();
    void SizeLimitRule(std::int64_t size_kb);
    void StopAfterRule(const QString& message);
    // The 24-bit picture a save takes: the display zone of the frame before
    // processing, or the result view.
    const kernels::Bitmap24& SaveSource(bool zone);
    // The 16-bit picture a PNG, TIFF or multi-page save takes: the result
    // view's part at its size, from the rendered plane while the addition or
    // the thresholds are on, else the view's levels widened to 16 bits.
    kernels::Deep16Image ResultImage16();
    // Opens the AVI file of the current number at the size of what will be
    // appended; false (after the writer's message) when it did not open.
    // The number moves on to one whose AVI (and `alsoFree` files) are not
    // there yet.
    bool OpenAviFile(const kernels::Bitmap24& source, QString* fileName = nullptr, const QStringList& alsoFree = {});
    // Done with the AVI or multi-page file of the current number: the number
    // advances by the step so that no later save reopens (and empties) it.
    void RetireContainerName();
    // With a non-zero step a save never replaces a file: when the current
    // number's files with these extensions (and, for a video, its frames'
    // reports) are already there, the number moves on by the step to the
    // first free one, and the message window says so. Throws SaveError when
    // no number is left. A step of 0 rewrites the current number's files.
    void TakeFreeNumber(const QStringList& extensions, bool video);
    static QString StillExtension(const QString& key);
    // The report of a frame of the open video or multi-page file:
    // "<its base name>_<frame>.par".
    QString FrameReportName(std::int32_t frame) const;
    void OverwriteWarning();
    QString NextFileExtension() const;
    bool StartContainers();
    // A start that did not happen: the reason is shown unless already told
    // (empty), and a script waiting for the sequence stops with an error
    // naming the file.
    void StartFailed(const QString& fileName, const QString& reason);
    void CloseContainersAfterFailedStart();
    void EnableSequenceControls(bool idle);
    // Start, pause and stop are one group of speed buttons that may all be
    // up: one going down, by a click or from code, lets the other two up.
    void GroupSequenceButtons();
    void UpdateBlink();
    void StampNextDue(std::int64_t interval_ms);
    std::int64_t UnitMs(int index, bool withImages) const;

    bool saving_ = false;         // a save runs (guards against saves from inside its boxes)
    bool prefixEdited_ = false;   // the user typed in the prefix since it was last left
    int prefixChain_ = 0;         // prefix handlers running inside one another
    QString aviName_;             // the AVI file of the current number, until the number steps on
    QString containerBase_;       // base name of the open AVI or multi-page file
};

extern TFRM_Tool_Images* FRM_Tool_Images;

// Whether "AVI" was added to the sequence file types.
extern bool AviTypeListed;

// ---- capture sequence state ----------------------------------------------

// A capture sequence is running (start to stop).
extern bool SequenceSaving;
// The per-frame saving gate: the hook saves frames only while it is set.
extern std::uint8_t SaveFramesEnabled;
// Frames counted by the hook while the gate was open, since the start.
extern std::int32_t SequenceFrameTick;
// Saves since the start (every format), and saves of the current burst
// (compared by the end rule of "Pendant ... images").
extern std::int32_t SequenceFrameCounter;
extern std::int32_t SequenceImageCounter;
// The open multi-page TIFF of a "TFV" sequence; null when none is open. A
// page that fails closes and clears it.
extern std::unique_ptr<kernels::TiffPageWriter> TiffSequence;
// Set once a multi-page file was created (the stop then steps the number).
extern std::uint8_t TiffSequenceStarted;
// The display zone of the frame before processing, sized at each start from
// the zone itself.
extern kernels::Bitmap24 ZoneCaptureBitmap;
// The part of the result a save holds, when it is not the whole view.
extern kernels::Bitmap24 ResultCaptureBitmap;
// The result's part widened to 16 bits for the 16-bit files.
extern std::vector<std::uint16_t> ResultCapture16;
