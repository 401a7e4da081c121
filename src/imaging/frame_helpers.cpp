#include "imaging/frame_helpers.h"

#include "app/align_v_features.h"
#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/image_view.h"
#include "app/settings.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_slots.h"
#include "imaging/display_helpers.h"
#include "imaging/focus_aids.h"
#include "imaging/named_control.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "kernels/frame_rows.h"
#include "platform/clock.h"
#include "platform/message_service.h"
#include "platform/paths.h"
#include "platform/sound_service.h"
#include "scripting/scripts.h"
#include "telescope/frm_detect_mvt.h"
#include "telescope/frm_prg_action.h"
#include "telescope/frm_prg_action_ls.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_info.h"
#include "tools/frm_tool_images.h"
#include "translation/translated_texts.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace Align_V {

namespace {

pipeline::NamedControl alvLongExposureBox("CKB_Longuepose_Active");
pipeline::NamedControl alvMosaicCount("SPED_Mosaic_NbCompo");
pipeline::NamedControl alvMosaicDuration("SPED_Mosaique_Duree");
pipeline::NamedControl alvMosaicTimer("TNI_Mosaique_Timer");

// What the last detection action started and still holds detection for.
struct MotionHold {
    bool exposure = false;
    bool saving = false;
} motionHold;

// The current slot's frame and its size (its camera record), clipped to the
// bitmap; null when there is none.
const kernels::Bitmap24* currentFrame(int& width, int& height)
{
    const int slot = CurrentCameraSlot;
    if ((slot != 1 && slot != 2) || !SlotBitmaps[slot][0])
        return nullptr;
    const kernels::Bitmap24* frame = SlotBitmaps[slot][0].get();
    width = std::clamp(CameraSlots[slot].width, 0, frame->width());
    height = std::clamp(CameraSlots[slot].height, 0, frame->height());
    return frame;
}

kernels::Rect intersect(const kernels::Rect& a, const kernels::Rect& b)
{
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

// ---- actions ------------------------------------------------------------

// The sound each action list started last: a lasting cause (a star lost
// for many frames) does not start it again while it plays. A script is not
// started again while it runs.
struct ActionRun {
    QString soundPath;
};
ActionRun motionRun, lostStarRun;

bool scriptStillRuns(const QString& path)
{
    if (path.isEmpty() || !Scripts::ScriptRunning)
        return false;
    for (int level = 0; level <= Scripts::CurrentLevel && level < Scripts::kLevelCount; ++level) {
        const TScript& s = Scripts::ScriptLevels[std::size_t(level)];
        if (s.State != Scripts::StateStopped && s.FileName == path)
            return true;
    }
    return false;
}

void playActionSound(const QString& fileName, ActionRun& run)
{
    if (!ActionFileExists(fileName)) {
        app::reportOnce(TranslatedTexts.MSG_Fichier_Son_Introuvable + fileName);
        return;
    }
    const QString path = platform::resolveDataFile(platform::fromStoredPath(fileName.trimmed()));
    if (run.soundPath == path && platform::sound().filePlaying(path))
        return;
    run.soundPath = path;
    platform::sound().playFile(path);
}

void runActionScript(const QString& name)
{
    if (scriptStillRuns(ActionScriptPath(name)))
        return;
    QString failure;
    if (!RunScriptByName(name, &failure))
        app::reportOnce(failure.isEmpty() ? TranslatedTexts.MSG_Script_not_found + QStringLiteral(" : ") + name : failure);
}

// While a detection action starts its long exposure or its saving, the
// error boxes they show go to the message window once per text, as the
// action's missing sound or script: a detection comes back on every frame
// that differs from the reference, and a folder that cannot be written
// would otherwise show its box again as soon as it is answered.
class ActionBoxes final : public platform::ErrorBoxWatch {
    bool errorShown(const platform::Message& message) override
    {
        app::reportOnce(message.text);
        return false;
    }
};

// Checks the main window's long-exposure box and runs its click handler;
// true when the exposure started.
bool startLongExposure()
{
    auto* box = qobject_cast<QAbstractButton*>(alvLongExposureBox.find(FRM_Alv));
    if (box) {
        // The handler runs once, below, whether or not the box was checked.
        const QSignalBlocker blocker(box);
        box->setChecked(true);
    }
    const bool ran = Settings::RunHandler(QStringLiteral("FRM_Alv.CKB_Longuepose_ActiveClick"));
    return ran && (!box || box->isChecked());
}

} // namespace

// ---- saturation ---------------------------------------------------------

void MarkSaturatedPixels(std::int32_t threshold)
{
    int w = 0, h = 0;
    const kernels::Bitmap24* frame = currentFrame(w, h);
    if (!frame || !SaturationBitmap)
        return;
    w = std::min(w, SaturationBitmap->width());
    h = std::min(h, SaturationBitmap->height());
    if (threshold > 255)
        return;
    const std::uint8_t t = std::uint8_t(std::max(threshold, 0));
    for (int y = 0; y < h; ++y)
        kernels::MarkSaturatedRow(frame->scanLine(y), SaturationBitmap->scanLine(y), w, t);
}

// ---- motion detection -----------------------------------------------------

bool MotionCompare(std::int32_t level, std::int32_t count, std::int32_t& percent, std::int64_t& sum)
{
    percent = 0;
    sum = 0;
    const int slot = CurrentCameraSlot;
    if (!MotionReference || !MotionCurrent || (slot != 1 && slot != 2) || !SlotBitmaps[slot][0])
        return false;
    const kernels::Bitmap24& ref = *MotionReference;
    const std::int64_t total = std::int64_t(ref.width()) * ref.height();
    if (total <= 0 || DisplayZoneRect.right <= DisplayZoneRect.left || DisplayZoneRect.bottom <= DisplayZoneRect.top)
        return false;
    const auto limit = std::int64_t(std::trunc(double(count) / 10000.0 * double(total)));

    kernels::Bitmap24& cur = *MotionCurrent;
    cur.resize(ref.width(), ref.height());
    const kernels::Bitmap24& frame = *SlotBitmaps[slot][0];
    const int threshold = 3 * std::clamp(level, 0, 65535 / 3);
    std::int64_t n = 0, s = 0;
    // Only the zone's place differs between the two; the rest of both
    // bitmaps holds nothing of the frame.
    const kernels::Rect area = intersect(ZoneImageRect, kernels::boundsOf(ref));
    const kernels::Rect& z = DisplayZoneRect;
    const bool straight = z.right - z.left == ZoneImageRect.right - ZoneImageRect.left
                          && z.bottom - z.top == ZoneImageRect.bottom - ZoneImageRect.top
                          && z.left >= 0 && z.top >= 0 && z.right <= frame.width() && z.bottom <= frame.height()
                          && area == ZoneImageRect;
    if (straight) {
        // The zone at its own size: each row copied and compared while in cache.
        const int w = area.right - area.left;
        for (int y = area.top; y < area.bottom; ++y) {
            std::uint8_t* a = cur.scanLine(y) + 3 * area.left;
            std::memcpy(a, frame.scanLine(z.top + y - ZoneImageRect.top) + 3 * z.left, std::size_t(3 * w));
            kernels::MotionRowDiff(a, ref.scanLine(y) + 3 * area.left, w, threshold, s, n);
        }
    } else {
        kernels::stretchBlt(cur, ZoneImageRect, frame, DisplayZoneRect, kernels::RasterOp::SrcCopy);
        for (int y = area.top; y < area.bottom; ++y)
            kernels::MotionRowDiff(cur.scanLine(y) + 3 * area.left, ref.scanLine(y) + 3 * area.left,
                                   area.right - area.left, threshold, s, n);
    }
    sum = s;
    percent = std::int32_t(n * 10000 / total);
    return n > limit;
}

void DefineMotionReference()
{
    const int slot = CurrentCameraSlot;
    if (!MotionReference || !FRM_Alv || (slot != 1 && slot != 2) || !SlotBitmaps[slot][0])
        return;
    // The result view's size; before the view was first sized, the zone's.
    const kernels::Bitmap24& result = FRM_Alv->Image3->Bitmap();
    const bool sized = !result.isEmpty();
    MotionReference->resize(sized ? result.width() : std::max(ZoneImageRect.right, 0),
                            sized ? result.height() : std::max(ZoneImageRect.bottom, 0));
    kernels::fillRect(*MotionReference, kernels::boundsOf(*MotionReference), kernels::kBlack);
    kernels::stretchBlt(*MotionReference, ZoneImageRect, *SlotBitmaps[slot][0], DisplayZoneRect,
                        kernels::RasterOp::SrcCopy);
    MotionReferenceSet = 1;
    if (FRM_Detect_Mvt)
        SetPanelColour(FRM_Detect_Mvt->PNL_ImageRefLoaded, kGreen);
}

void InvalidateMotionReference()
{
    MotionReferenceSet = 0;
    if (FRM_Detect_Mvt)
        SetPanelColour(FRM_Detect_Mvt->PNL_ImageRefLoaded, kRed);
}

void RunMotionActions()
{
    MotionFired = 0;
    motionHold = {};
    TFRM_Prg_Action* a = FRM_Prg_Action;
    if (!a)
        return;
    // The flag blocks detection until the exposure or the saving ends, so
    // it is set only when one of them really started.
    {
        const ActionBoxes told;
        if (a->CKB_Action_Pose_longue->isChecked() && startLongExposure())
            MotionFired = motionHold.exposure = true;
        if (a->CKB_Action_Sauvegarder->isChecked() && FRM_Tool_Images) {
            FRM_Tool_Images->BTN_Demarrer_SauvClick();
            if (SequenceSaving)
                MotionFired = motionHold.saving = true;
        }
    }
    if (a->CKB_Jouer_un_son->isChecked())
        playActionSound(a->EDT_Son_a_jouer->text(), motionRun);
    if (a->CKB_Stop_Detecting->isChecked() && FRM_Detect_Mvt) {
        FRM_Detect_Mvt->SwitchOffByAction();
        if (a->CKB_Restart_Detecting->isChecked()) {
            a->TMR_Restart_Detecting->setInterval(std::max(a->SPED_Restart_Detecting->value(), 1));
            a->TMR_Restart_Detecting->start();
        }
    }
    if (a->CKB_Action_Detect_Script->isChecked())
        runActionScript(a->EDT_Action_Detect_Script->text());
}

void MotionActionEnded(bool exposure)
{
    (exposure ? motionHold.exposure : motionHold.saving) = false;
    if (!motionHold.exposure && !motionHold.saving)
        MotionFired = 0;
}

void RunLostStarActions()
{
    TFRM_PRG_Action_LS* l = FRM_PRG_Action_LS;
    if (!l)
        return;
    if (l->CKB_Jouer_un_son->isChecked())
        playActionSound(l->EDT_Son_a_jouer->text(), lostStarRun);
    if (l->CKB_Stop_Guiding->isChecked() && FRM_Tool_Suivi) {
        FRM_Tool_Suivi->CKB_Suivi->setChecked(false);
        if (l->CKB_Restart_Guiding->isChecked()) {
            l->TMR_Restart_Guiding->setInterval(std::max(l->SPED_Restart_Guiding->value(), 1));
            l->TMR_Restart_Guiding->start();
        }
    }
    if (l->CKB_Lost_Star_ExecuteScript->isChecked())
        runActionScript(l->EDT_Lost_Star_Script->text());
}

// ---- histogram ------------------------------------------------------------

namespace {

// y of a bin on the 0..100 plot, 0 at the top.
int binHeight(std::int32_t count, double n, int position)
{
    return 100 - int(std::min(100.0, std::trunc(double(count) / n * position)));
}

// The integer in an edit, or false for a text that is not one.
bool editInteger(const QLineEdit* edit, int& value)
{
    bool ok = false;
    value = edit->text().trimmed().toInt(&ok);
    return ok;
}

} // namespace

void DrawHistogram()
{
    TFRM_Info* info = FRM_Info;
    int w = 0, h = 0;
    const kernels::Bitmap24* frame = currentFrame(w, h);
    if (!info || !frame)
        return;
    // Two banks, alternate pixels, so that neighbouring equal levels do not
    // wait on each other's count.
    std::array<std::array<std::int32_t, 256>, 2> red{}, green{}, blue{};
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* p = frame->scanLine(y);
        int x = 0;
        for (; x + 1 < w; x += 2, p += 6) {
            ++blue[0][p[0]];
            ++green[0][p[1]];
            ++red[0][p[2]];
            ++blue[1][p[3]];
            ++green[1][p[4]];
            ++red[1][p[5]];
        }
        if (x < w) {
            ++blue[0][p[0]];
            ++green[0][p[1]];
            ++red[0][p[2]];
        }
    }
    for (int i = 0; i < 256; ++i) {
        HistogramRed[std::size_t(i)] = red[0][std::size_t(i)] + red[1][std::size_t(i)];
        HistogramGreen[std::size_t(i)] = green[0][std::size_t(i)] + green[1][std::size_t(i)];
        HistogramBlue[std::size_t(i)] = blue[0][std::size_t(i)] + blue[1][std::size_t(i)];
    }

    TImageView* view = info->Img_Histogramme;
    if (view->Bitmap().width() != 256 || view->Bitmap().height() != 101)
        view->SetPictureSize(256, 101);
    kernels::Bitmap24& plot = view->Bitmap();
    kernels::fillRect(plot, kernels::boundsOf(plot), kernels::kBlack);

    const std::int64_t N = std::int64_t(w) * h;
    QScrollBar* scale = info->SCB_Scale_Histo;
    scale->setMaximum(int(std::clamp<std::int64_t>(N, scale->minimum(), std::numeric_limits<int>::max())));
    const int position = std::max(scale->value(), 1);
    // The label changes only with the frame size or the scale: it is not
    // rewritten (a text allocated) on every frame.
    static std::int64_t shownYMax = -1;
    static QPointer<QLabel> shownOn;
    const std::int64_t yMax = N * 100 / position;
    if (yMax != shownYMax || shownOn != info->LBL_YMax) {
        info->LBL_YMax->setText(QString::number(yMax));
        shownYMax = yMax;
        shownOn = info->LBL_YMax;
    }
    if (N > 0) {
        const double n = double(N);
        const std::array<const std::array<std::int32_t, 256>*, 3> counts{&HistogramRed, &HistogramGreen,
                                                                         &HistogramBlue};
        std::array<int, 3> previous{};
        for (int c = 0; c < 3; ++c)
            previous[std::size_t(c)] = binHeight((*counts[std::size_t(c)])[0], n, position);
        const bool grey = previous[0] == previous[1] && previous[1] == previous[2];
        const std::array<kernels::Colour, 3> colours{grey ? kernels::kWhite : kernels::Colour(255),
                                                     grey ? kernels::kWhite : kernels::Colour(32768),
                                                     grey ? kernels::kWhite : kernels::Colour(16711680)};
        std::array<SolidPen, 3> pens{SolidPen(plot, colours[0]), SolidPen(plot, colours[1]),
                                     SolidPen(plot, colours[2])};
        for (int i = 0; i < 256; ++i) {
            for (int c = 0; c < 3; ++c) {
                const int y = binHeight((*counts[std::size_t(c)])[std::size_t(i)], n, position);
                pens[std::size_t(c)].moveTo(i == 0 ? 0 : i - 1, previous[std::size_t(c)]);
                pens[std::size_t(c)].lineTo(i, y);
                previous[std::size_t(c)] = y;
            }
        }
    }
    // The pointed pixel's levels; a field that holds no integer draws no line.
    const std::array<std::pair<const QLineEdit*, kernels::Colour>, 3> marks{
        {{info->EDT_R, kernels::Colour(255)}, {info->EDT_V, kernels::Colour(32768)}, {info->EDT_B, kernels::Colour(16711680)}}};
    for (const auto& [edit, colour] : marks) {
        int x = 0;
        if (editInteger(edit, x))
            SolidPen(plot, colour).line(x, 1, x, 100);
    }
    if (info->CKB_Satur->isChecked()) {
        kernels::DottedNotXorPen pen(plot, kernels::kBlack);
        const int x = int(std::trunc(double(info->TNI_Seuil_Satur->Value())));
        pen.moveTo(x, 1);
        pen.lineTo(x, 100);
    }
    view->Changed();
}

// ---- mosaic ---------------------------------------------------------------

void PlaceMosaicTile(const kernels::Bitmap24& tile, std::int32_t width, std::int32_t height)
{
    if (!FRM_Alv)
        return;
    const int hw = int(std::nearbyint(tile.width() / 2.0)), hh = int(std::nearbyint(tile.height() / 2.0));
    const QPoint c = MosaicTileCentre;
    kernels::Rect place{c.x() - hw, c.y() - hh, c.x() + hw, c.y() + hh};
    place.right = place.left + width;
    place.bottom = place.top + height;
    const int n = std::max(int(alvMosaicCount.value(FRM_Alv, 1)), 1);
    TImageView* mosaic = FRM_Alv->IMG_Mosaic;
    BlendIntoBitmap(tile, kernels::boundsOf(tile), mosaic->Bitmap(), n, place);
    mosaic->Changed();

    if (alvMosaicDuration.value(FRM_Alv) <= 0 || !FRM_Alv->CKB_Mosaique_Active->isChecked())
        return;
    auto* timer = qobject_cast<TCustomNumInp*>(alvMosaicTimer.find(FRM_Alv));
    const std::int64_t remaining = MosaicEnd_ms - platform::clock().monotonicMs();
    if (remaining > 0) {
        if (timer)
            timer->SetValue(std::clamp<long double>(remaining / 1000, timer->Min(), timer->Max()));
    } else if (MosaicCountdownRunning) {
        // The first frame at or after the end stops the mosaic, however
        // long after the end it comes.
        MosaicCountdownRunning = 0;
        if (timer)
            timer->SetValue(std::clamp<long double>(0, timer->Min(), timer->Max()));
        FRM_Alv->CKB_Mosaique_Active->setChecked(false);
    }
}

void StartMosaicCountdown(bool on, std::int32_t duration_ms)
{
    MosaicCountdownRunning = on && duration_ms > 0;
    if (MosaicCountdownRunning)
        MosaicEnd_ms = platform::clock().monotonicMs() + duration_ms;
}

void HideRecIndicator()
{
    if (FRM_Alv)
        FRM_Alv->LBL_Rec->hide();
}

QString DirectionName(bool vertical, bool positive)
{
    if (vertical)
        return positive ? TranslatedTexts.Txt_Lebas : TranslatedTexts.Txt_Lehaut;
    return positive ? TranslatedTexts.Txt_Est : TranslatedTexts.Txt_Ouest;
}

} // namespace Align_V
