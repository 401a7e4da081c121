// The image tool's saving: one image, video frame or TIFF page per call in
// the type chosen in CBX_TypeFichier, the capture report beside it, the
// free-space stop, and the prefix edit.

#include "tools/frm_tool_images.h"

#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/ui/control_adapters.h"
#include "app/ui/long_timer.h"
#include "capture/avi_compression.h"
#include "capture/camera_slots.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "kernels/raster.h"
#include "platform/dialog_service.h"
#include "platform/message_service.h"
#include "platform/paths.h"
#include "platform/sound_service.h"
#include "scripting/scripts.h"
#include "tools/frm_tool_affichage.h"
#include "tools/util_images.h"
#include "translation/translated_texts.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <optional>

using Util_Images::SaveError;

namespace {

QString typeKey() { return FRM_Tool_Images->CBX_TypeFichier->currentText().left(3); }

void showMessage(const QString& text, platform::MsgKind kind, const QString& cause)
{
    platform::messages().show({text, kind, platform::MsgButtons::Ok, cause, {}});
}

// Runs a report and keeps its failure for later: the image is saved and the
// number steps on before the failure is told.
std::optional<QString> tryReport(bool isImageFile, const QString& fileName, std::int32_t number)
{
    if (!FRM_Tool_Images->CKB_Enreg_Params->isChecked())
        return std::nullopt;
    try {
        Util_Images::WriteCaptureReport(isImageFile, fileName, number);
    } catch (const SaveError& e) {
        return e.text();
    }
    return std::nullopt;
}

// The names a folder already holds: its files, and the base names whose
// video-frame reports ("<base>_<frame>.par") are there. A name that leads to
// no stored file (a device, a broken link) holds nothing a save could lose.
struct FolderNames {
    QSet<QString> files;
    QSet<QString> framedBases;
    explicit FolderNames(const QDir& folder)
    {
        for (const QFileInfo& info : folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
            if (!info.isFile())
                continue;
            const QString name = info.fileName();
            files.insert(name);
            if (!name.endsWith(QLatin1String(".par"), Qt::CaseInsensitive))
                continue;
            for (qsizetype cut = name.indexOf(u'_'); cut > 0; cut = name.indexOf(u'_', cut + 1))
                framedBases.insert(name.left(cut));
        }
    }
};

} // namespace

void TFRM_Tool_Images::ConnectSavingHandlers()
{
    TMR_Sauve = new app::TLongTimer(this);
    TMR_Sauve->setObjectName(QStringLiteral("TMR_Sauve"));
    TMR_Sauve->setHandler([this] { TMR_SauveTimer(); });
    TMR_Toutes_les = new app::TLongTimer(this);
    TMR_Toutes_les->setObjectName(QStringLiteral("TMR_Toutes_les"));
    TMR_Toutes_les->setHandler([this] { TMR_Toutes_lesTimer(); });
    TMR_Pendant = new app::TLongTimer(this);
    TMR_Pendant->setObjectName(QStringLiteral("TMR_Pendant"));
    TMR_Pendant->setHandler([this] { TMR_PendantTimer(); });
    for (app::TLongTimer* timer : {TMR_Sauve, TMR_Toutes_les, TMR_Pendant})
        timer->setWakeUp([this] { PollSequenceTimers(); });

    app::bindButtonClick(BTN_Enregistrer_Image, this, &TFRM_Tool_Images::BTN_Enregistrer_ImageClick);
    app::bindButtonClick(BTN_Parcourir, this, &TFRM_Tool_Images::BTN_ParcourirClick);
    app::bindButtonClick(BTN_AVICompression, this, &TFRM_Tool_Images::BTN_AVIcompressionClick);
    app::bindEditChange(EDT_Nom_Image, this, &TFRM_Tool_Images::EDT_Nom_ImageChange);
    app::bindEditUserChange(EDT_Nom_Image, app::Handler([this] { prefixEdited_ = true; }), this);
    app::bindEditExit(EDT_Nom_Image, this, &TFRM_Tool_Images::EDT_Nom_ImageExit);
    app::bindSpeedButtonClick(BTN_Demarrer_Sauv, this, &TFRM_Tool_Images::BTN_Demarrer_SauvClick);
    app::bindSpeedButtonClick(BTN_Arreter_Sauv, this, &TFRM_Tool_Images::BTN_Arreter_SauvClick);
    app::bindCheckBoxClick(CKB_Longueur_Fixe, this, &TFRM_Tool_Images::CKB_Longueur_FixeClick);
    app::bindCheckBoxClick(CKB_Enreg_Params, this, &TFRM_Tool_Images::CKB_Enreg_ParamsClick);
    app::bindRadioClick(RDB_Une_Fois, this, &TFRM_Tool_Images::RDB_Une_FoisClick);
    app::bindRadioClick(RDB_Toutes_Les, this, &TFRM_Tool_Images::RDB_Toutes_LesClick);
    app::bindRadioClick(RDB_Arret, this, &TFRM_Tool_Images::RDB_ArretClick);
    app::bindRadioClick(RDB_Pendant, this, &TFRM_Tool_Images::RDB_PendantClick);
}

// ---- one save ----------------------------------------------------------------

bool TFRM_Tool_Images::BTN_Enregistrer_ImageClick()
{
    // Frames and timer ticks go on while a save shows a box (a write error
    // of the video writer): they are not saved into the failing file.
    if (saving_)
        return true;
    struct Busy {
        bool& flag;
        explicit Busy(bool& f) : flag(f) { flag = true; }
        ~Busy() { flag = false; }
    } busy(saving_);
    try {
        return SaveImage();
    } catch (const SaveError& e) {
        SaveFailed(e.text());
    } catch (const std::exception& e) {
        SaveFailed(TranslatedTexts.MSG_Enregistrement_Erreur.arg(QString::fromLocal8Bit(e.what())));
    }
    return false;
}

void TFRM_Tool_Images::SaveFailed(const QString& text)
{
    EndSequenceAfterFailure();
    showMessage(text, platform::MsgKind::Error, QStringLiteral("ImageSave"));
}

void TFRM_Tool_Images::EndSequenceAfterFailure()
{
    // Inside a sequence a failed write ends it: the files written so far
    // stay as they are, and the cause is told once. A script waiting for the
    // sequence stops with it rather than going on to what follows a
    // sequence that ran its course.
    if (!SequenceSaving)
        return;
    Scripts::StopIfWaiting(Scripts::WaitSequence);
    SequenceImageCounter = 0;
    SaveFramesEnabled = 0;
    if (SequenceSaving)   // the script's stop has stopped it already
        BTN_Arreter_SauvClick();
}

bool TFRM_Tool_Images::SaveImage()
{
    const QString key = typeKey();
    ++SequenceFrameCounter;
    ++SequenceImageCounter;

    // Free space. When it cannot be read, nothing is assumed about it.
    if (const auto freeKB = Util_Images::FreeDiskSpaceKB(EDT_Nom_Image->text()); freeKB && FRM_Pref) {
        EDT_FreeDiskSpaceMb->setText(QString::number(*freeKB));
        if (std::int64_t(FRM_Pref->SPED_MinFreeDiskSpace->value()) * 1024 >= *freeKB) {
            if (FRM_Pref->CKB_Jouer_un_son->isChecked()) {
                // Saved frame after frame, the alarm still playing goes on
                // instead of starting over on each one.
                const QString alarm = platform::fromStoredPath(FRM_Pref->EDT_Son_a_jouer->text());
                if (!platform::sound().filePlaying(alarm))
                    platform::sound().playFile(alarm);
            }
            if (FRM_Pref->CKB_Arreter_Sauvegarde->isChecked()) {
                StopAfterRule(TranslatedTexts.MSG_Espace_Disque_Critique);
                return true;   // an end of the sequence by its rule, told
            }
        }
    }

    const bool zone = SaveZoneBeforeProcessing();
    std::int64_t size_kb = 0;
    if (key == QLatin1String("AVI")) {
        if (!AppendAviFrame(SaveSource(zone)))
            return false;
        if (AVICompression::CompressOptions.fccHandler == 0 || AviWriter->CodecCode() == QLatin1String("DIB "))
            size_kb = (std::int64_t(AviWriter->Width()) * AviWriter->Height() * 3 * SequenceFrameCounter + 2560) / 1024;
    } else if (key == QLatin1String("TFV")) {
        if (!AppendTiffPage(zone))
            return true;   // no file open: nothing to add to
    } else if (key == QLatin1String("BMP") || key == QLatin1String("JPG") || key == QLatin1String("PNG")
               || key == QLatin1String("TIF")) {
        SaveStillImage(key, SaveSource(zone));
    } else {
        return true;
    }
    SizeLimitRule(size_kb);
    return true;
}

// ---- names never taken twice -------------------------------------------------

QString TFRM_Tool_Images::StillExtension(const QString& key)
{
    return key == QLatin1String("TIF") ? QStringLiteral(".tif") : u'.' + key.toLower();
}

bool TFRM_Tool_Images::NameRewritten() const { return SPED_Incremente_suffixe->value() == 0; }

void TFRM_Tool_Images::TakeFreeNumber(const QStringList& extensions, bool video)
{
    // A rewritten name (a picture kept fresh for another program) takes no
    // free number: the prefix's overwrite warning was the one check.
    if (NameRewritten())
        return;
    const int step = SPED_Incremente_suffixe->value();
    const QString firstBase = Util_Images::BuildCaptureFileName(Util_Images::CurrentImageNumber());
    // A still, saved at every frame of a sequence, only asks for its own
    // names; a video's start reads the folder once for its frames' reports,
    // so a run of taken numbers is passed over at once.
    std::optional<FolderNames> names;
    if (video)
        names.emplace(QFileInfo(firstBase).absoluteDir());
    const auto taken = [&](const QString& base) {
        if (!names) {
            for (const QString& ext : extensions)
                if (QFileInfo(base + ext).isFile())
                    return true;
            return false;
        }
        const QString file = QFileInfo(base).fileName();
        for (const QString& ext : extensions)
            if (names->files.contains(file + ext))
                return true;
        return names->framedBases.contains(file);
    };
    if (!taken(firstBase))
        return;
    QString base = firstBase;
    while (taken(base)) {
        const long double next = TNI_Num_Suffixe->Value() + step;
        if (next > TNI_Num_Suffixe->Max())
            throw SaveError(TranslatedTexts.MSG_Aucun_Numero_Libre
                                .arg(firstBase + extensions.value(0), QString::number(double(TNI_Num_Suffixe->Value()))));
        TNI_Num_Suffixe->SetValue(next);
        base = Util_Images::BuildCaptureFileName(Util_Images::CurrentImageNumber());
    }
    Msg::ShowMessageText(false, TranslatedTexts.MSG_Fichier_Existe_Autre_Nom
                                    .arg(QDir::toNativeSeparators(firstBase + extensions.value(0)),
                                         QDir::toNativeSeparators(base + extensions.value(0))));
}

QString TFRM_Tool_Images::FrameReportName(std::int32_t frame) const
{
    // Named after the video it belongs to, so that it never meets the report
    // of a still of the same prefix and number.
    QString number = QString::number(frame);
    if (CKB_Longueur_Fixe->isChecked())
        number = number.rightJustified(int(TNI_Longueur_Sequence->Value()), u'0');
    return containerBase_ + u'_' + number + QStringLiteral(".par");
}

void TFRM_Tool_Images::SaveStillImage(const QString& key, const kernels::Bitmap24& source)
{
    QStringList names{StillExtension(key)};
    if (CKB_Enreg_Params->isChecked() && !CKB_Un_seul_fichier->isChecked())
        names << QStringLiteral(".par");
    TakeFreeNumber(names, false);
    const std::int32_t number = Util_Images::CurrentImageNumber();
    const QString base = Util_Images::BuildCaptureFileName(number);
    QString error;
    bool ok = true;
    if (key == QLatin1String("BMP")) {
        ok = kernels::ImageFiles::WriteBmp24(base + ".bmp", source, &error);
    } else if (key == QLatin1String("JPG")) {
        ok = kernels::ImageFiles::WriteJpeg(base + ".jpg", source, SPED_Qualite_Jpeg->value(), &error);
    } else if (key == QLatin1String("PNG")) {
        // The 16-bit files hold the result, whatever the before/after choice.
        Util_Images::WritePng16(ResultImage16(), base + ".png");
    } else {
        Util_Images::WriteTiff16(ResultImage16(), base + ".tif");
    }
    if (!ok)
        throw SaveError(error);
    const auto reportError = tryReport(true, base + ".par", number);
    TNI_Num_Suffixe->SetValue(TNI_Num_Suffixe->Value() + SPED_Incremente_suffixe->value());
    CountEndRule();
    if (reportError)
        throw SaveError(*reportError);
}

bool TFRM_Tool_Images::AppendAviFrame(const kernels::Bitmap24& source)
{
    EDT_Compte_trames->setText(QString::number(SequenceFrameCounter));
    if (!AviWriterOpen && !OpenAviFile(source)) {
        // The writer told why. Inside a sequence every later frame would
        // fail the same way: the sequence ends.
        EndSequenceAfterFailure();
        return false;
    }
    if (AviWriter->WriteFrame(source) < 0) {
        // The writer told the cause once; after a write error it closed the
        // file, keeping the frames already written.
        if (SequenceSaving) {
            EndSequenceAfterFailure();
        } else {
            AviWriter->Close();
            RetireContainerName();
        }
        return false;
    }
    const auto reportError = tryReport(false, FrameReportName(SequenceFrameCounter), SequenceFrameCounter);
    CountEndRule();
    if (reportError)
        throw SaveError(*reportError);
    return true;
}

bool TFRM_Tool_Images::AppendTiffPage(bool zone)
{
    EDT_Compte_trames->setText(QString::number(SequenceFrameCounter));
    if (!TiffSequence || !TiffSequence->isOpen())
        return false;
    TiffSequenceStarted = 1;
    QString error;
    const bool ok = zone ? TiffSequence->addPage(SaveSource(true), &error)
                         : TiffSequence->addPage(ResultImage16(), &error);
    if (!ok) {
        // The writer closed the file once, keeping the pages before; no
        // later save may write to it.
        TiffSequence.reset();
        throw SaveError(error);
    }
    const auto reportError = tryReport(false, FrameReportName(SequenceFrameCounter), SequenceFrameCounter);
    CountEndRule();
    if (reportError)
        throw SaveError(*reportError);
    return true;
}

bool TFRM_Tool_Images::OpenAviFile(const kernels::Bitmap24& source, QString* fileName, const QStringList& alsoFree)
{
    // The file of this number was closed by someone else (a camera start) or
    // after a failure: a new number, so that it is never emptied.
    if (!aviName_.isEmpty())
        RetireContainerName();
    TakeFreeNumber(QStringList{QStringLiteral(".avi")} + alsoFree, true);
    const QString base = Util_Images::BuildCaptureFileName(Util_Images::CurrentImageNumber());
    const QString name = base + ".avi";
    if (fileName)
        *fileName = name;
    if (!AviWriter)
        AviWriter = std::make_unique<TAVICompressor>();
    AVICompression::AVIParams params;
    AVICompression::InitAVIParams(params, 5000, SPED_Framerate->value(), 153600, 5);
    // The stream takes the size of the frames that will be appended.
    params.Width = source.width();
    params.Height = source.height();
    if (!AviWriter->Open(name, params))
        return false;
    aviName_ = name;
    containerBase_ = base;
    return true;
}

void TFRM_Tool_Images::RetireContainerName()
{
    aviName_.clear();
    containerBase_.clear();
    TNI_Num_Suffixe->SetValue(TNI_Num_Suffixe->Value() + SPED_Incremente_suffixe->value());
}

bool TFRM_Tool_Images::SaveZoneBeforeProcessing() const
{
    return (CKB_Integration->isChecked() || CKB_utiliser_seuils->isChecked())
           && RDB_Images_Avant_Traitement->isChecked();
}

QSize TFRM_Tool_Images::ZoneCaptureSize()
{
    // The zone as the frame shows it: a save holds its pixels one for one,
    // whatever the camera's frame size.
    const int width = DisplayZoneRect.right - DisplayZoneRect.left;
    const int height = DisplayZoneRect.bottom - DisplayZoneRect.top;
    if (width > 0 && height > 0)
        return {width, height};
    if (!FRM_Tool_Affichage)
        return {};
    return {std::max(int(std::trunc(double(FRM_Tool_Affichage->TNI_Taille_ZAffich->Value()))), 0),
            std::max(int(std::trunc(double(FRM_Tool_Affichage->TNI_Taille_ZAffichV->Value()))), 0)};
}

QSize TFRM_Tool_Images::SavedPictureSize() const
{
    const QString key = typeKey();
    const bool stillDeep = key == QLatin1String("PNG") || key == QLatin1String("TIF");
    if (SaveZoneBeforeProcessing() && !stillDeep)
        return ZoneCaptureSize();
    const kernels::Rect part = SavedResultRect();
    return {int(part.width()), int(part.height())};
}

kernels::Rect TFRM_Tool_Images::SavedResultRect()
{
    const kernels::Bitmap24& view = FRM_Alv->Image3->Bitmap();
    const kernels::Rect whole = kernels::boundsOf(view);
    // Two cameras share the result: it is saved whole.
    if (CameraSlots[1].recordLayout != 0 || CameraSlots[2].recordLayout != 0)
        return whole;
    const kernels::Rect frame = Align_V::ResultPictureRect();
    return frame.isEmpty() ? whole : frame;
}

kernels::Deep16Image TFRM_Tool_Images::ResultImage16()
{
    // While the addition or the thresholds are on, the render pass fills the
    // plane at every frame with what the result view shows, in 16 bits; a
    // stack that has ended is there too, drawn again with the view.
    // Otherwise nothing renders into it (a camera's frames go to the view
    // directly) and it holds whatever was last rendered, or nothing: the
    // view itself is written, each level widened to 16 bits.
    const kernels::Rect part = SavedResultRect();
    if (CKB_Integration->isChecked() || CKB_utiliser_seuils->isChecked() || Align_V::EndedStackShown()) {
        const kernels::Deep16Image plane = Util_Images::ResultPlaneImage(part);
        if (!plane.isEmpty() && plane.width == part.width() && plane.height == part.height())
            return plane;
    }
    return kernels::WidenToDeep(SaveSource(false), ResultCapture16);
}

const kernels::Bitmap24& TFRM_Tool_Images::SaveSource(bool zone)
{
    if (!zone) {
        // The result as rendered, without the overlays drawn for the screen,
        // and only the part that holds the frame (not what a zone reaching
        // past the frame's edge leaves black).
        const kernels::Bitmap24& view = ResultOverlaid && ResultWithoutOverlay.width() == FRM_Alv->Image3->Bitmap().width()
                                                && ResultWithoutOverlay.height() == FRM_Alv->Image3->Bitmap().height()
                                            ? ResultWithoutOverlay
                                            : FRM_Alv->Image3->Bitmap();
        const kernels::Rect part = SavedResultRect();
        if (part.left == 0 && part.top == 0 && part.right == view.width() && part.bottom == view.height())
            return view;
        // A sequence keeps the size it started with.
        if (ResultCaptureBitmap.isEmpty() || !SequenceSaving)
            ResultCaptureBitmap.resize(int(part.width()), int(part.height()));
        kernels::stretchBlt(ResultCaptureBitmap, kernels::boundsOf(ResultCaptureBitmap), view, part,
                            kernels::RasterOp::SrcCopy);
        return ResultCaptureBitmap;
    }
    // A sequence keeps the size it started with (a film's frames are all
    // alike); a save on its own takes the zone as it is now.
    if (ZoneCaptureBitmap.isEmpty() || !SequenceSaving) {
        const QSize size = ZoneCaptureSize();
        ZoneCaptureBitmap.resize(size.width(), size.height());
    }
    const int slot = CurrentCameraSlot == 2 ? 2 : 1;
    if (const kernels::Bitmap24* frame = SlotBitmaps[std::size_t(slot)][0].get())
        kernels::stretchBlt(ZoneCaptureBitmap, kernels::boundsOf(ZoneCaptureBitmap), *frame, DisplayZoneRect,
                            kernels::RasterOp::SrcCopy);
    return ZoneCaptureBitmap;
}

// ---- end rules -----------------------------------------------------------------

void TFRM_Tool_Images::StopAfterRule(const QString& message)
{
    SequenceImageCounter = 0;
    SaveFramesEnabled = 0;
    BTN_Arreter_SauvClick();   // resumes a script that waits for the sequence
    if (!message.isEmpty())
        showMessage(message, platform::MsgKind::Warning, QStringLiteral("DiskCritical"));
}

void TFRM_Tool_Images::CountEndRule()
{
    // A save outside a sequence (the flash button) has no end rule. "During
    // N images" writes N, the start's own save included.
    if (!SequenceSaving || !RDB_Pendant->isChecked() || CBX_Pendant->currentIndex() != 0
        || SequenceImageCounter < SPED_Pendant->value())
        return;
    if (CBX_Unite->currentIndex() == 0) {
        SaveFramesEnabled = 0;
        SequenceImageCounter = 0;
        if (RDB_Toutes_Les->isChecked()) {
            // The burst closes; the sequence waits for the next period.
            UpdateBlink();
            Scripts::ResumeIfWaiting(Scripts::WaitSequence);
            return;
        }
    }
    BTN_Arreter_SauvClick();
}

void TFRM_Tool_Images::SizeLimitRule(std::int64_t size_kb)
{
    EDT_Taille_Enreg->setText(QString::number(size_kb));
    if (FRM_Pref && FRM_Pref->SPED_TailleMaxVideo->value() <= size_kb)
        StopAfterRule(TranslatedTexts.MSG_Espace_Disque_Critique);
}

// ---- the prefix ------------------------------------------------------------------

QString TFRM_Tool_Images::NextFileExtension() const
{
    const QString key = CBX_TypeFichier->currentText().left(3);
    if (key == QLatin1String("TFV") || key == QLatin1String("TIF"))
        return QStringLiteral(".tif");
    if (key == QLatin1String("AVI"))
        return QStringLiteral(".avi");
    return u'.' + key.toLower();
}

void TFRM_Tool_Images::OverwriteWarning()
{
    // One warning per user action: handlers that run inside another prefix
    // handler leave it to the outer one.
    if (prefixChain_ > 0 || !FRM_Pref || !FRM_Pref->CKB_Msg_FichierExiste->isChecked())
        return;
    const QString name =
        Util_Images::BuildCaptureFileName(Util_Images::CurrentImageNumber()) + NextFileExtension();
    if (!QFileInfo::exists(name))
        return;
    showMessage(TranslatedTexts.MSG_Ecrasement1 + u'\n' + TranslatedTexts.MSG_Ecrasement2 + u'\n'
                    + TranslatedTexts.MSG_Ecrasement3,
                platform::MsgKind::Warning, QStringLiteral("Overwrite"));
}

void TFRM_Tool_Images::EDT_Nom_ImageChange()
{
    OverwriteWarning();
    Util_Images::ShowFreeDiskSpace();
}

void TFRM_Tool_Images::EDT_Nom_ImageExit()
{
    ++prefixChain_;
    const QString stripped = Util_Images::StripImageExtension(EDT_Nom_Image->text());
    if (stripped != EDT_Nom_Image->text())
        EDT_Nom_Image->setText(stripped);
    if (prefixEdited_ && !stripped.isEmpty()) {
        const QString folder = QFileInfo(platform::fromStoredPath(stripped)).absolutePath();
        if (!QFileInfo(folder).isDir()
            && platform::messages().show({TranslatedTexts.MSG_Repertoire_Creer_Question,
                                          platform::MsgKind::Confirmation, platform::MsgButtons::YesNoCancel,
                                          QStringLiteral("CreateFolder"), {}})
                   == platform::MsgResult::Yes
            && !QDir().mkpath(folder))
            showMessage(TranslatedTexts.MSG_Repertoire_Creation_Impossible.arg(folder), platform::MsgKind::Error,
                        QStringLiteral("CreateFolder"));
    }
    prefixEdited_ = false;
    --prefixChain_;
    OverwriteWarning();
}

void TFRM_Tool_Images::BTN_ParcourirClick()
{
    ++prefixChain_;
    const QString prefix = EDT_Nom_Image->text();
    platform::FileDialogRequest request;
    request.title = TranslatedTexts.MSG_Titre_Prefixe;
    request.directory = prefix.isEmpty() && FRM_Pref ? platform::fromStoredPath(FRM_Pref->EDT_Repertoire_Bitmaps->text())
                                                     : QFileInfo(platform::fromStoredPath(prefix)).absolutePath();
    request.filter = QStringLiteral("Images (*.bmp);;") + Translation::AllFilesFilter();
    if (const auto chosen = platform::dialogs().saveFile(request)) {
        EDT_Nom_Image->setText(*chosen);
        EDT_Nom_ImageExit();
        Util_Images::ShowFreeDiskSpace();
    }
    --prefixChain_;
    OverwriteWarning();
}

void TFRM_Tool_Images::BTN_AVIcompressionClick()
{
    const QString options = platform::joinPath(platform::programDir(), QStringLiteral("njpcompress.dat"));
    auto showCodec = [this] {
        EDT_AVICompression->setText(AVICompression::GetCodecName(
            AVICompression::FourCCToStr(AVICompression::CompressOptions.fccHandler)));
    };
    AVICompression::LoadCompressOptions(options);
    showCodec();
    const kernels::Bitmap24& view = FRM_Alv->Image3->Bitmap();
    if (AVICompression::ChooseCompressor(view.isEmpty() ? 640 : view.width(), view.isEmpty() ? 480 : view.height(),
                                         10))
        AVICompression::SaveCompressOptions(options);
    showCodec();
}
