// The capture sequencer of the image tool: start and stop, the three timers
// (saving, burst start, end of the duration), the end rules, and the per-frame
// hook of the frame loops.
//
// A sequence saves either every N-th frame kept by the frame loops (unit
// "images": the hook saves while the gate SaveFramesEnabled is open) or one
// image every N seconds, minutes or hours (TMR_Sauve). "Toutes les" repeats
// bursts (TMR_Toutes_les opens one each period, TMR_Pendant or the image
// count closes it); "Une seule fois" runs one burst, ended by the stop, by
// TMR_Pendant or by the image count. Every end resumes a script that waits
// for the sequence.

#include "tools/frm_tool_images.h"

#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/ui/long_timer.h"
#include "capture/avi_compression.h"
#include "imaging/frame_helpers.h"
#include "imaging/pipeline_state.h"
#include "platform/clock.h"
#include "platform/message_service.h"
#include "scripting/scripts.h"
#include "tools/frm_tool_affichage.h"
#include "tools/util_images.h"
#include "translation/translated_texts.h"

#include <QToolButton>

#include <array>
#include <cmath>

bool SequenceSaving = false;
std::uint8_t SaveFramesEnabled = 0;
std::int32_t SequenceFrameTick = 0;
std::int32_t SequenceFrameCounter = 0;
std::int32_t SequenceImageCounter = 0;
std::unique_ptr<kernels::TiffPageWriter> TiffSequence;
std::uint8_t TiffSequenceStarted = 0;
kernels::Bitmap24 ZoneCaptureBitmap;
kernels::Bitmap24 ResultCaptureBitmap;
std::vector<std::uint16_t> ResultCapture16;

namespace {

constexpr std::int64_t kSecond_ms = 1000;
constexpr std::int64_t kMinute_ms = 60 * kSecond_ms;
constexpr std::int64_t kHour_ms = 60 * kMinute_ms;

} // namespace

// Milliseconds of a unit combo's entry: with images first (CBX_Unite,
// CBX_Pendant) index 0 is images (0 ms), else (CBX_Toutes_les) seconds.
std::int64_t TFRM_Tool_Images::UnitMs(int index, bool withImages) const
{
    if (withImages)
        --index;
    switch (index) {
    case 0:
        return kSecond_ms;
    case 1:
        return kMinute_ms;
    case 2:
        return kHour_ms;
    default:
        return 0;
    }
}

void TFRM_Tool_Images::StampNextDue(std::int64_t interval_ms)
{
    SequenceClock.now_ms = platform::clock().monotonicMs();
    SequenceClock.next_ms = SequenceClock.now_ms + interval_ms;
}

void TFRM_Tool_Images::UpdateBlink()
{
    if (!FRM_Alv)
        return;
    if (SaveFramesEnabled) {
        FRM_Alv->TMR_Blink->start();
        FRM_Alv->LBL_Rec->show();
    } else {
        FRM_Alv->TMR_Blink->stop();
    }
}

void TFRM_Tool_Images::GroupSequenceButtons()
{
    // Whatever puts start down (its click, a script, the motion detection)
    // lets pause up, so that no sequence starts held back; stop going down
    // at the end lets a pause pressed during the sequence up as well. A
    // click on the button that is down lets it up, leaving none down.
    const std::array<QToolButton*, 3> group{BTN_Demarrer_Sauv, BTN_Pause_sauv, BTN_Arreter_Sauv};
    for (QToolButton* button : group)
        connect(button, &QToolButton::toggled, this, [group, button](bool down) {
            if (!down)
                return;
            for (QToolButton* other : group)
                if (other != button)
                    other->setChecked(false);
        });
}

void TFRM_Tool_Images::EnableSequenceControls(bool idle)
{
    BTN_Demarrer_Sauv->setEnabled(idle);
    BTN_Demarrer_Sauv->setChecked(!idle);
    BTN_Arreter_Sauv->setEnabled(!idle);
    BTN_Arreter_Sauv->setChecked(idle);
    for (QWidget* w : std::initializer_list<QWidget*>{SPED_Freq_Sauve, CBX_Unite, CBX_TypeFichier})
        w->setEnabled(idle);
    if (!idle) {
        SPED_Pendant->setEnabled(false);
        SPED_Toutes_les->setEnabled(false);
    }
}

// ---- start ---------------------------------------------------------------------

bool TFRM_Tool_Images::BTN_Demarrer_SauvClick()
{
    if (SequenceSaving)
        return true;
    const QSize zone = ZoneCaptureSize();
    ZoneCaptureBitmap.resize(zone.width(), zone.height());
    ResultCaptureBitmap = kernels::Bitmap24();
    SequenceFrameTick = SequenceFrameCounter = SequenceImageCounter = 0;
    TiffSequenceStarted = 0;
    Util_Images::ResetReportWarnings();
    if (!StartContainers())
        return false;

    EnableSequenceControls(false);
    // Running from here on, so that an end rule met by the first save
    // (a full disk, a one-image duration) stops this sequence for good.
    SequenceSaving = true;

    const bool once = RDB_Une_Fois->isChecked();
    const int unit = CBX_Unite->currentIndex();
    if (unit <= 0) {
        SaveFramesEnabled = once ? 1 : 0;
    } else {
        TMR_Sauve->setInterval(std::int64_t(SPED_Freq_Sauve->value()) * UnitMs(unit, true));
        TMR_Sauve->setEnabled(once);
    }
    StampNextDue(TMR_Sauve->interval());

    if (RDB_Toutes_Les->isChecked()) {
        TMR_Toutes_les->setInterval(std::int64_t(SPED_Toutes_les->value())
                                    * UnitMs(CBX_Toutes_les->currentIndex(), false));
        TMR_Toutes_les->setEnabled(true);
        TMR_Toutes_lesTimer();   // the first burst starts now
    } else if (!BTN_Enregistrer_ImageClick()) {
        return false;
    }
    if (!SequenceSaving)
        return true;

    if (RDB_Pendant->isChecked() && CBX_Pendant->currentIndex() > 0) {
        TMR_Pendant->setInterval(std::int64_t(SPED_Pendant->value()) * UnitMs(CBX_Pendant->currentIndex(), true));
        TMR_Pendant->setEnabled(true);
    }
    UpdateBlink();
    StampNextDue(TMR_Sauve->interval());
    TNI_SeqTimer->SetValue(0);
    return true;
}

bool TFRM_Tool_Images::StartContainers()
{
    const QString key = CBX_TypeFichier->currentText().left(3);
    const bool zone = SaveZoneBeforeProcessing();
    // The files the start creates (and the first still) take a number none
    // of them has yet.
    const bool single = CKB_Un_seul_fichier->isChecked();
    const QStringList report = single ? QStringList{QStringLiteral(".par")} : QStringList{};
    QString name;
    try {
        if (key == QLatin1String("AVI") && !AviWriterOpen) {
            const kernels::Bitmap24& source = SaveSource(zone);
            // Opened at the size of the frames to come; the start's own save
            // writes the first frame, counted like every other.
            if (!OpenAviFile(source, &name, report)) {
                StartFailed(name, {});
                return false;
            }
        } else if (key == QLatin1String("TFV")) {
            TakeFreeNumber(QStringList{QStringLiteral(".tif")} + report, true);
            const QString base = Util_Images::BuildCaptureFileName(Util_Images::CurrentImageNumber());
            name = base + ".tif";
            auto writer = std::make_unique<kernels::TiffPageWriter>();
            QString error;
            if (!writer->open(name, &error)) {
                StartFailed(name, error);
                return false;
            }
            TiffSequence = std::move(writer);
            containerBase_ = base;
            // The file exists from here on: the stop closes it and steps the
            // number even when no page was added.
            TiffSequenceStarted = 1;
        } else if (single) {
            QStringList names = report;
            if (key == QLatin1String("BMP") || key == QLatin1String("JPG") || key == QLatin1String("PNG")
                || key == QLatin1String("TIF"))
                names.prepend(StillExtension(key));
            TakeFreeNumber(names, false);
        }
    } catch (const Util_Images::SaveError& e) {
        StartFailed(name, e.text());
        return false;
    }
    if (single) {
        Util_Images::ReportHeaderPending = true;
        CKB_Un_seul_fichier->setEnabled(false);
        name = Util_Images::BuildCaptureFileName(Util_Images::CurrentImageNumber()) + ".par";
        try {
            Util_Images::OpenReportFile(name);
        } catch (const Util_Images::SaveError& e) {
            CKB_Un_seul_fichier->setEnabled(true);
            CloseContainersAfterFailedStart();
            StartFailed(name, e.text());
            return false;
        }
    }
    return true;
}

void TFRM_Tool_Images::CloseContainersAfterFailedStart()
{
    // What the start created is kept and its number is not used again.
    if (!aviName_.isEmpty()) {
        AviWriter->Close();
        RetireContainerName();
    }
    if (TiffSequenceStarted) {
        TiffSequence.reset();
        TiffSequenceStarted = 0;
        RetireContainerName();
    }
}

void TFRM_Tool_Images::StartFailed(const QString& fileName, const QString& reason)
{
    BTN_Demarrer_Sauv->setChecked(false);
    if (!reason.isEmpty())
        platform::messages().show(
            {reason, platform::MsgKind::Error, platform::MsgButtons::Ok, QStringLiteral("SequenceStart"), {}});
    const bool waiting = Scripts::ScriptRunning && Scripts::WaitSequence;
    Scripts::WaitSequence = false;
    if (waiting)
        Scripts::ScriptError(TranslatedTexts.MSG_Sequence_Non_Demarree.arg(fileName));
}

// ---- stop --------------------------------------------------------------------------

void TFRM_Tool_Images::BTN_Arreter_SauvClick()
{
    SequenceSaving = false;
    TMR_Sauve->setEnabled(false);
    TMR_Toutes_les->setEnabled(false);
    TMR_Pendant->setEnabled(false);
    SPED_Toutes_les->setEnabled(RDB_Toutes_Les->isChecked());
    SPED_Pendant->setEnabled(RDB_Pendant->isChecked());
    SaveFramesEnabled = 0;
    EnableSequenceControls(true);

    const QString type = CBX_TypeFichier->currentText();
    if (type == QLatin1String("AVI") && (AviWriterOpen || !aviName_.isEmpty())) {
        if (AviWriter)
            AviWriter->Close();
        RetireContainerName();
    }
    if (type.left(3) == QLatin1String("TFV") && TiffSequenceStarted) {
        QString error;
        // A file that a failed page already closed is not closed again.
        if (TiffSequence && !TiffSequence->close(&error))
            platform::messages().show(
                {error, platform::MsgKind::Error, platform::MsgButtons::Ok, QStringLiteral("ImageSave"), {}});
        TiffSequence.reset();
        TiffSequenceStarted = 0;
        RetireContainerName();
    }
    if (CKB_Un_seul_fichier->isChecked()) {
        Util_Images::CloseReportFile();
        CKB_Un_seul_fichier->setEnabled(true);
    }
    // Motion detection, held while the saving it started ran, tests again.
    Align_V::MotionActionEnded(false);
    UpdateBlink();
    Align_V::HideRecIndicator();
    TNI_SeqTimer->SetValue(0);
    Scripts::ResumeIfWaiting(Scripts::WaitSequence);
}

// ---- timers ------------------------------------------------------------------------

void TFRM_Tool_Images::PollSequenceTimers()
{
    TMR_Sauve->poll();
    TMR_Toutes_les->poll();
    TMR_Pendant->poll();
}

void TFRM_Tool_Images::TMR_SauveTimer()
{
    // The pause button does not hold these saves back.
    BTN_Enregistrer_ImageClick();
    StampNextDue(TMR_Sauve->interval());
}

void TFRM_Tool_Images::TMR_Toutes_lesTimer()
{
    StampNextDue(TMR_Toutes_les->interval());
    if (BTN_Pause_sauv->isChecked())
        return;
    if (CBX_Unite->currentIndex() <= 0) {
        SaveFramesEnabled = 1;
        UpdateBlink();
    } else {
        TMR_Sauve->setEnabled(true);
    }
    if (CKB_Saut_Numerotation->isChecked()) {
        // The next power-of-ten boundary: 1234 and 1600 both become 2000.
        const std::int64_t p = std::int64_t(std::pow(10.0, SPED_Puissance_Saut->value()));
        const std::int64_t n = std::int64_t(Util_Images::CurrentImageNumber()) + p;
        TNI_Num_Suffixe->SetValue(double(n / p * p));
    }
    BTN_Enregistrer_ImageClick();
    if (!SequenceSaving)
        return;
    if (RDB_Pendant->isChecked() && CBX_Pendant->currentIndex() > 0)
        TMR_Pendant->setEnabled(true);
    UpdateBlink();
}

void TFRM_Tool_Images::TMR_PendantTimer()
{
    if (RDB_Une_Fois->isChecked()) {
        BTN_Arreter_SauvClick();
    } else {
        // The burst ends; the next period starts the next one.
        if (CBX_Unite->currentIndex() <= 0)
            SaveFramesEnabled = 0;
        else
            TMR_Sauve->setEnabled(false);
        TMR_Pendant->setEnabled(false);
    }
    UpdateBlink();
}

// ---- the per-frame hook ------------------------------------------------------------

void TFRM_Tool_Images::SaveFrameHook()
{
    if (!SaveFramesEnabled)
        return;
    ++SequenceFrameTick;
    if (SequenceFrameTick % std::max(SPED_Freq_Sauve->value(), 1) == 0 && !BTN_Pause_sauv->isChecked())
        BTN_Enregistrer_ImageClick();
}

// ---- controls ----------------------------------------------------------------------

void TFRM_Tool_Images::CKB_Longueur_FixeClick()
{
    TNI_Longueur_Sequence->setEnabled(!TNI_Longueur_Sequence->isEnabled());
}

void TFRM_Tool_Images::CKB_Enreg_ParamsClick() { CKB_Un_seul_fichier->setEnabled(CKB_Enreg_Params->isChecked()); }

void TFRM_Tool_Images::RDB_Une_FoisClick()
{
    SPED_Toutes_les->setEnabled(false);
    CBX_Toutes_les->setEnabled(false);
}

void TFRM_Tool_Images::RDB_Toutes_LesClick()
{
    SPED_Toutes_les->setEnabled(true);
    CBX_Toutes_les->setEnabled(true);
}

void TFRM_Tool_Images::RDB_ArretClick()
{
    SPED_Pendant->setEnabled(false);
    CBX_Pendant->setEnabled(false);
}

void TFRM_Tool_Images::RDB_PendantClick()
{
    SPED_Pendant->setEnabled(true);
    CBX_Pendant->setEnabled(true);
}
