// The main window's file sources: the open menus (image, dark, flat), the
// opening of a file source as the slot's source, the shown frame and the
// player step that the frame timers run while a file source plays.

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "capture/avi_reader.h"
#include "capture/camera_slots.h"
#include "capture/capture_helpers.h"
#include "capture/file_sources.h"
#include "capture/frm_play_control.h"
#include "capture/grab_road.h"
#include "imaging/display_helpers.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "imaging/result_render.h"
#include "kernels/raster.h"
#include "platform/dialog_service.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "translation/translated_texts.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QToolButton>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

// The open dialogs' choice: bitmaps, JPEG pictures and AVI films.
const QString kOpenFilter = QStringLiteral(
    "Bitmaps (*.bmp *.BMP);;Jpeg (*.jpg *.jpeg *.JPG *.JPEG);;AVI (*.avi *.AVI);;"
    "All (*.bmp,*.jpg,*.jpeg,*.avi) (*.bmp *.jpg *.jpeg *.avi *.BMP *.JPG *.JPEG *.AVI)");


// The raw frame of a colour-mosaic source before its colours are rebuilt,
// kept from frame to frame.
kernels::Bitmap24& rawFrame()
{
    static kernels::Bitmap24 raw;
    return raw;
}

// Files (or films) whose frames could not be read, told once each per start.
QSet<QString>& reportedFailures()
{
    static QSet<QString> names;
    return names;
}

void reportOnce(const QString& key, const QString& text)
{
    if (reportedFailures().contains(key))
        return;
    reportedFailures().insert(key);
    Msg::ShowMessageText(false, text);
}

bool rawColour() { return FRM_Pref && FRM_Pref->CKB_Raw->isChecked(); }

// Picture `name` into `dst`, through the Bayer rebuild when the source is a
// raw colour mosaic. False, with `dst` kept and the reason in *error, when it
// cannot be had.
bool readPicture(const QString& name, kernels::Bitmap24& dst, QString* error)
{
    if (!rawColour())
        return FileSources::LoadPictureFile(dst, name, error);
    if (FileSources::PictureKindOfName(name) != 1)
        return true;   // another kind of file loads nothing
    if (!FileSources::LoadPictureFile(rawFrame(), name, error))
        return false;
    Align_V::RebuildBayerColours(rawFrame(), dst);
    return true;
}

// Frame `position` of film `name`, read by `read` (bool(Bitmap24&)), into
// `dst` likewise.
template <class Read>
bool readFilmFrame(const QString& name, int position, const Read& read, kernels::Bitmap24& dst, QString* error)
{
    const bool raw = rawColour();
    if (!read(raw ? rawFrame() : dst)) {
        if (error)
            *error = TranslatedTexts.MSG_Film_Image_Illisible.arg(position).arg(name);
        return false;
    }
    if (raw)
        Align_V::RebuildBayerColours(rawFrame(), dst);
    return true;
}

// Frame `position` of the file source into `dst`.
bool readFrame(int position, kernels::Bitmap24& dst, QString* error)
{
    if (PlayListIsPictures == 1)
        return readPicture(PlayList->at(position), dst, error);
    return readFilmFrame(PlayList->value(0), position, [position](kernels::Bitmap24& b) { return ReadAviFrame(position, b); },
                         dst, error);
}

// The first frame of the files about to become a source (pictures, or a
// film when `pictures` is 0), read and checked before anything of the slot
// changes: a file that gives no frame, or one the slot cannot take, is told
// and refused. The film is read aside, the program's open film kept.
bool firstFrameAccepted(const QStringList& list, std::uint8_t pictures)
{
    kernels::Bitmap24 first;
    QString error;
    const QString& name = list.first();
    bool opened = true;   // a film that does not open is told by its reader
    const bool read =
        pictures == 1 ? readPicture(name, first, &error)
                      : readFilmFrame(name, 0, [&](kernels::Bitmap24& b) { return ReadFirstAviFrame(name, b, &opened); },
                                      first, &error);
    if (!read) {
        if (opened)
            Msg::ShowMessageText(true, error);
        return false;
    }
    return Align_V::CheckFrameSize(first.width(), first.height());
}

QString frameCaption(int position)
{
    return PlayListIsPictures == 1 ? PlayList->value(position) : QStringLiteral("Frame ") + QString::number(position);
}

void showCount(int count)
{
    if (!FRM_PlayControl)
        return;
    FRM_PlayControl->SCB_PlayControl->setMaximum(count);
    FRM_PlayControl->TNI_NbFrames->SetValue(count);
}

// The script's wait for a dialog: a choice resumes it, a cancel stops it.
// A script that does not wait for the dialog is left alone.
bool scriptWaits()
{
    return Scripts::ScriptRunning && Scripts::CurrentScript().State == Scripts::StateWaiting
           && !Scripts::WaitsForUserAnswer();
}

} // namespace

// ---- opening -----------------------------------------------------------------------

void TFRM_Alv::MNU_Ouvrir_ImageClick() { OpenFromDialog(0); }
void TFRM_Alv::MNU_Ouvrir_DarkClick() { OpenFromDialog(1); }
void TFRM_Alv::MNU_Ouvrir_FlatClick() { OpenFromDialog(2); }

void TFRM_Alv::OpenFromDialog(std::uint8_t kind)
{
    platform::FileDialogRequest request{TranslatedTexts.MSG_Titre_Ouvrir, kind == 0 ? LastOpenDir : QString(), {}, kOpenFilter};
    const std::optional<QStringList> chosen = platform::dialogs().openFiles(request);
    if (!chosen || chosen->isEmpty()) {
        // Another program's statement that opened it stops the run as a
        // script's would, and is refused.
        if ((scriptWaits() || Scripts::InRemoteStatement()) && FRM_Script)
            FRM_Script->MNU_ArreterClick();
        return;
    }
    const QString& first = chosen->first();
    if (kind == 0)
        LastOpenDir = QFileInfo(first).absolutePath() + QLatin1Char('/');
    QStringList list = *chosen;
    FileSources::SortPlayList(list);
    if (OpenFileSource(list, kind, kind == 0) && kind != 0 && FRM_Tool_Images)
        (kind == 1 ? FRM_Tool_Images->EDT_Fichier_Dark : FRM_Tool_Images->EDT_Fichier_Flat)->setText(first);
    if (scriptWaits())
        Scripts::ResumeIfWaiting();
}

void TFRM_Alv::StopForFileSource(bool longExposureToo)
{
    const int slot = CurrentCameraSlot;
    if (FRM_PlayControl
        && (FRM_PlayControl->SPDB_PlayForward->isChecked() || FRM_PlayControl->SPDB_PlayBackwards->isChecked())) {
        // The tick of the slot the file plays on stops it.
        FRM_PlayControl->Press(FRM_PlayControl->SPDB_Stop);
        FrameTick(PlayerSlot);
        (PlayerSlot == 2 ? Timer_Cam2 : Timer_Cam1)->stop();
    }
    if (FRM_Tool_Images && FRM_Tool_Images->BTN_Arreter_Add->isEnabled())
        BTN_Arreter_AddClick();
    if (GrabDevices[slot]) {
        if (longExposureToo)
            if (auto* box = findChild<QCheckBox*>(QStringLiteral("CKB_Longuepose_Active")); box && box->isChecked())
                box->setChecked(false);
        if (slot == 1)
            SPDB_Cam1_StopClick();
        else
            SPDB_Cam2_StopClick();
    }
}

bool TFRM_Alv::OpenFileSource(const QStringList& list, std::uint8_t kind, bool longExposureToo)
{
    // A sequence whose first number is above the last lists nothing: the
    // source in place stays.
    if (list.isEmpty()) {
        Msg::ShowMessageText(true, TranslatedTexts.MSG_Aucune_Image_A_Lire);
        return false;
    }
    // The kind of source follows the first file (a picture after a film must
    // not be read as a film); a file of another kind is read as the source
    // in place is.
    const int named = FileSources::PictureKindOfName(list.first());
    const auto pictures = named >= 0 ? static_cast<std::uint8_t>(named) : PlayListIsPictures;
    // A file refused changes nothing: the slot's camera, its frame and size,
    // and a file playing stay as they are.
    if (!firstFrameAccepted(list, pictures))
        return false;
    PlayListIsPictures = pictures;
    StopForFileSource(longExposureToo);
    PlayerActive = 1;
    if (!PlayList)   // opened before the main window's first activation
        PlayList = std::make_unique<QStringList>();
    *PlayList = list;
    showCount(static_cast<int>(list.size()));
    PlayPosition = 0;
    if (FRM_PlayControl)
        FRM_PlayControl->SCB_PlayControl->setValue(0);
    PlayKind = kind;
    Start(CurrentCameraSlot);
    return PlayerActive != 0;
}

bool Align_V::OpenImageFile(const QString& fileName, std::uint8_t kind)
{
    return FRM_Alv && FRM_Alv->OpenFileSource({fileName}, kind, false);
}

bool TFRM_Alv::StartFileSource(int slot)
{
    auto& s = CameraSlots[slot];
    reportedFailures().clear();
    auto abandon = [&](const QString& text) {
        if (!text.isEmpty())
            Msg::ShowMessageText(true, text);
        PlayerActive = 0;
        if (FRM_PlayControl)
            FRM_PlayControl->hide();
        // No frame of a file may be processed again; a camera of the slot
        // keeps its own pace.
        if (!GrabDevices[slot] && s.sourceKind == 0)
            (slot == 1 ? Timer_Cam1 : Timer_Cam2)->stop();
        return false;
    };
    if (!PlayList || PlayList->isEmpty())
        return abandon(TranslatedTexts.MSG_Aucune_Image_A_Lire);
    if (!SlotBitmaps[slot][0])
        return abandon({});
    PlayerSlot = static_cast<std::uint8_t>(slot);
    PlayPosition = std::clamp(PlayPosition, 0, static_cast<int>(PlayList->size()) - 1);
    // The file's first frame reaches the slot only once it is known good.
    kernels::Bitmap24 first;
    QString error;
    if (PlayListIsPictures == 1) {
        PlayCount = static_cast<std::int32_t>(PlayList->size());
        PlayPosition = 0;
        showCount(PlayCount);
        if (FRM_PlayControl)
            FRM_PlayControl->EDT_Fichier->setText(PlayList->at(0));
        if (!readFrame(0, first, &error))
            return abandon(error);
    } else {
        if (FRM_PlayControl)
            FRM_PlayControl->EDT_Fichier->setText(frameCaption(PlayPosition));
        CloseAviFile();
        std::int32_t announced = 0;
        if (!OpenAviFile(PlayList->at(0), PlayCount, &announced)) {
            PlayCount = 0;
            return abandon({});
        }
        // A film cut short plays the frames it holds, and says so.
        if (announced > PlayCount)
            Msg::ShowMessageText(false, TranslatedTexts.MSG_Film_Tronque.arg(PlayList->at(0)).arg(PlayCount).arg(announced));
        PlayPosition = std::min(PlayPosition, PlayCount - 1);
        if (!readFrame(PlayPosition, first, &error)) {
            CloseAviFile();
            PlayCount = 0;
            return abandon(error);
        }
        showCount(PlayCount);
    }
    if (!Align_V::CheckFrameSize(first.width(), first.height())) {
        CloseAviFile();
        PlayCount = 0;
        return abandon({});
    }
    kernels::Bitmap24& live = *SlotBitmaps[slot][0];
    live = std::move(first);
    s.width = live.width();
    s.height = live.height();
    s.streamMode = 0;
    ZoneResetPending = 1;

    if (auto* p = FRM_PlayControl) {
        for (QToolButton* b : {p->SPDB_REW, p->SPDB_BACK1, p->SPDB_PlayBackwards})
            b->setEnabled(false);
        for (QToolButton* b : {p->SPDB_Stop, p->SPDB_PlayForward, p->SPDB_Forw1, p->SPDB_FF, p->SPDB_Loop})
            b->setEnabled(true);
        // "Ajouter" adds the shown frame to an addition: there only while
        // integration is on (the integration switch keeps it so).
        p->BTN_Ajouter->setEnabled(FRM_Tool_Images && FRM_Tool_Images->CKB_Integration->isChecked());
        p->SCB_PlayControl->setValue(PlayPosition);
        // At the main window's left edge: at its own height once it has
        // one, else at the first place found there.
        if (Systeme::WaitsForFirstPlace(p) && !p->isVisible())
            Systeme::PlaceFirstAt(p, x());
        else
            Systeme::PlaceWindow(p, QPoint(x(), p->y()));
        Systeme::ShowFormOnScreen(p);
    }
    if (FRM_Tool_Images) {
        QRadioButton* kinds[] = {FRM_Tool_Images->RDB_Unique, FRM_Tool_Images->RDB_Dark, FRM_Tool_Images->RDB_Flat};
        kinds[std::min<int>(PlayKind, 2)]->setChecked(true);
    }
    return true;
}

// What the common tail of a start does for a file source: the frame is
// processed once; a dark or flat file becomes that result at once. The
// slot's timer then paces the player.
void TFRM_Alv::FinishFileSourceStart(int slot)
{
    std::uint8_t scratch = 0;
    Align_V::ProcessFrame(1, scratch, static_cast<std::uint8_t>(slot));
    if (PlayKind != 0 && ZoneBitmap && SlotBitmaps[slot][0]) {
        kernels::bitBlt(*ZoneBitmap, 0, 0, static_cast<int>(DisplayZoneRect.width()),
                        static_cast<int>(DisplayZoneRect.height()), *SlotBitmaps[slot][0], DisplayZoneRect.left,
                        DisplayZoneRect.top, kernels::RasterOp::SrcCopy);
        const std::uint8_t kind = std::min<std::uint8_t>(PlayKind, 2);
        DeepImagePlanes().clear(kind);
        AdditionFrameCount[kind] = 0;
        Align_V::RenderResult(kind, 1, 1, 1);
        // The flat file is a flat made as a built one is, applied with its
        // own means.
        if (kind == 2 && FRM_Tool_Images)
            FRM_Tool_Images->FlatMade();
    }
    Align_V::ApplyFishEyeAttenuation();
    QTimer* timer = slot == 1 ? Timer_Cam1 : Timer_Cam2;
    if (FRM_Tool_Affichage) {
        const auto* refresh = slot == 1 ? FRM_Tool_Affichage->TNI_Cam1_Tps_Rafraichissement
                                        : FRM_Tool_Affichage->TNI_Cam2_Tps_Rafraichissement;
        timer->setInterval(std::max(1, static_cast<int>(refresh->Value())));
    }
    timer->start();
}

// ---- the shown frame and the player step ------------------------------------------

void TFRM_Alv::LoadImage()
{
    const int slot = PlayerSlot == 2 ? 2 : 1;
    if (!PlayList || PlayCount <= 0 || PlayPosition < 0 || PlayPosition >= PlayCount || !SlotBitmaps[slot][0])
        return;
    if (PlayListIsPictures == 1 && PlayPosition >= PlayList->size())
        return;
    if (FRM_PlayControl)
        FRM_PlayControl->EDT_Fichier->setText(frameCaption(PlayPosition));
    QString error;
    if (!readFrame(PlayPosition, *SlotBitmaps[slot][0], &error)) {
        // The previous frame stays; playback goes on with the next one.
        reportOnce(PlayListIsPictures == 1 ? PlayList->at(PlayPosition) : PlayList->value(0), error);
        return;
    }
    std::uint8_t accept = 0;
    Align_V::ProcessFrame(1, accept, static_cast<std::uint8_t>(slot));
    if (accept && FRM_Tool_Images)
        FRM_Tool_Images->SaveFrameHook();
}

void TFRM_Alv::PlayerStep()
{
    TFRM_PlayControl* p = FRM_PlayControl;
    if (!p || PlayCount <= 0)
        return;
    const int count = PlayCount;
    int& pos = PlayPosition;
    const bool loop = p->SPDB_Loop->isChecked();
    auto down = [](QToolButton* b) { return b->isChecked(); };
    auto enable = [](std::initializer_list<QToolButton*> buttons, bool on) {
        for (QToolButton* b : buttons) {
            b->setEnabled(on);
            if (!on)
                b->setChecked(false);
        }
    };
    auto showPosition = [&] { p->SCB_PlayControl->setValue(pos); };
    // A script waiting for the player goes on when the list ends in the
    // direction it plays (not at the first frame of a forward play).
    auto resumeScript = [] {
        if (Scripts::WaitPlayer)
            Scripts::ResumeIfWaiting(Scripts::WaitPlayer);
    };

    // 1. Start of the list.
    if (pos == 0) {
        if (!loop) {
            const bool forward = down(p->SPDB_PlayForward) || down(p->SPDB_Forw1) || down(p->SPDB_FF);
            enable({p->SPDB_BACK1, p->SPDB_PlayBackwards, p->SPDB_REW}, false);
            if (!forward)
                resumeScript();
        } else {
            enable({p->SPDB_BACK1, p->SPDB_PlayBackwards, p->SPDB_REW}, true);
            if (down(p->SPDB_PlayBackwards) || down(p->SPDB_BACK1)) {
                pos = count;
                showCount(count);
                showPosition();
            }
        }
    } else {
        enable({p->SPDB_BACK1, p->SPDB_PlayBackwards, p->SPDB_REW}, true);
    }
    // 2. End of the list.
    if (pos == count - 1) {
        if (!loop) {
            const bool backward = down(p->SPDB_PlayBackwards) || down(p->SPDB_BACK1) || down(p->SPDB_REW);
            enable({p->SPDB_Forw1, p->SPDB_PlayForward, p->SPDB_FF}, false);
            if (!backward)
                resumeScript();
        } else {
            enable({p->SPDB_Forw1, p->SPDB_PlayForward, p->SPDB_FF}, true);
            if (down(p->SPDB_PlayForward) || down(p->SPDB_Forw1))
                pos = -1;
        }
    } else {
        enable({p->SPDB_Forw1, p->SPDB_PlayForward, p->SPDB_FF}, true);
    }
    // 3. The button that is down, first match only.
    auto show = [&](int to, QToolButton* release) {
        pos = to;
        showPosition();
        LoadImage();
        if (release)
            release->setChecked(false);
    };
    if (down(p->SPDB_REW)) {
        show(0, p->SPDB_REW);
    } else if (down(p->SPDB_FF)) {
        show(count - 1, p->SPDB_FF);
    } else if (down(p->SPDB_BACK1)) {
        if (pos > 0)
            show(pos - 1, p->SPDB_BACK1);
    } else if (down(p->SPDB_Forw1)) {
        if (pos < count - 1)
            show(pos + 1, p->SPDB_Forw1);
    } else if (down(p->SPDB_PlayBackwards)) {
        if (pos > 0)
            show(pos - 1, nullptr);
    } else if (down(p->SPDB_PlayForward)) {
        if (pos < count - 1)
            show(pos + 1, nullptr);
    } else if (down(p->SPDB_Stop)) {
        p->SPDB_Stop->setChecked(false);
        LoadImage();
    }
    // Playback ended another way (Stop, a jump to either end, a step): a
    // script waiting for it goes on, as at the end of the list.
    if (!down(p->SPDB_PlayForward) && !down(p->SPDB_PlayBackwards))
        resumeScript();
}
