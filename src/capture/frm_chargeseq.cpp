#include "capture/frm_chargeseq.h"

#include "app/settings.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "app/ui/widget_message_service.h"
#include "capture/camera_slots.h"
#include "capture/file_sources.h"
#include "platform/dialog_service.h"
#include "platform/message_service.h"
#include "translation/translated_texts.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>

TFRM_Chargeseq* FRM_Chargeseq = nullptr;

namespace {

QString pictureFilter()
{
    return QStringLiteral("Images (*.bmp *.jpg *.jpeg *.BMP *.JPG *.JPEG);;") + Translation::AllFilesFilter();
}

// The folder of a file as the last-used folder keeps it (with its separator).
QString folderOf(const QString& fileName) { return QFileInfo(fileName).absolutePath() + QLatin1Char('/'); }

bool sameFolder(const QString& a, const QString& b)
{
    auto norm = [](QString s) {
        s.replace(QLatin1Char('\\'), QLatin1Char('/'));
        return QDir::cleanPath(QFileInfo(s).absoluteFilePath());
    };
    return norm(a) == norm(b);
}

} // namespace

TFRM_Chargeseq::TFRM_Chargeseq(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    app::bindSpeedButtonClick(SPDB_Sequence_Premier, this, &TFRM_Chargeseq::SPDB_Sequence_PremierClick);
    app::bindSpeedButtonClick(SPDB_Sequence_Dernier, this, &TFRM_Chargeseq::SPDB_Sequence_DernierClick);
    app::bindButtonClick(BTN_OK, this, &TFRM_Chargeseq::BTN_OKClick);
    app::bindButtonClick(BTN_Annuler, this, &TFRM_Chargeseq::BTN_AnnulerClick);
}

TSeqResult TFRM_Chargeseq::ShowModal()
{
    if (loop_)
        return TSeqResult::mrCancel;
    modalResult_ = TSeqResult::mrNone;
    sequence_.clear();
    setWindowModality(Qt::ApplicationModal);
    // It waits for its answer: in front of every window, those kept on top
    // included.
    app::KeepInFrontOfEveryWindow(*this);
    show();
    app::TakeKeyboard(*this);
    QEventLoop loop;
    loop_ = &loop;
    if (modalResult_ == TSeqResult::mrNone && isVisible())
        loop.exec(QEventLoop::DialogExec);
    loop_ = nullptr;
    hide();
    if (modalResult_ == TSeqResult::mrNone)
        modalResult_ = TSeqResult::mrCancel;
    return modalResult_;
}

void TFRM_Chargeseq::endModal(TSeqResult result)
{
    modalResult_ = result;
    hide();
    if (loop_)
        loop_->quit();
}

void TFRM_Chargeseq::keyPressEvent(QKeyEvent* e)
{
    if (loop_ && e->key() == Qt::Key_Escape) {
        app::runGuarded(QStringLiteral("FRM_Chargeseq.BTN_AnnulerClick"), [this] { BTN_AnnulerClick(); });
        return;
    }
    TForm::keyPressEvent(e);
}

void TFRM_Chargeseq::FormClose(TCloseAction& /*action*/)
{
    endModal(TSeqResult::mrCancel);
}

void TFRM_Chargeseq::SPDB_Sequence_PremierClick()
{
    const std::optional<QString> chosen =
        platform::dialogs().openFile({TranslatedTexts.MSG_Titre_Premier_Fichier, LastOpenDir, {}, pictureFilter()});
    if (!chosen)
        return;
    EDT_Sequence_Premier->setText(*chosen);
    LastOpenDir = folderOf(*chosen);
}

void TFRM_Chargeseq::SPDB_Sequence_DernierClick()
{
    const std::optional<QString> chosen =
        platform::dialogs().openFile({TranslatedTexts.MSG_Titre_Dernier_Fichier, LastOpenDir, {}, pictureFilter()});
    if (!chosen || !sameFolder(folderOf(*chosen), LastOpenDir))
        return;
    EDT_Sequence_Dernier->setText(*chosen);
}

void TFRM_Chargeseq::BTN_OKClick()
{
    QStringList list;
    auto message = [](const QString& text) {
        platform::messages().show({text, platform::MsgKind::Error, platform::MsgButtons::Ok,
                                   QStringLiteral("FRM_Chargeseq.BTN_OK"), {}});
    };
    switch (FileSources::BuildSequence(EDT_Sequence_Premier->text(), EDT_Sequence_Dernier->text(), list)) {
    case FileSources::Sequence::SameName:
        return;
    case FileSources::Sequence::NotNumbers:
        message(TranslatedTexts.MSG_Sequence_Prefixes_Differents);
        return;
    case FileSources::Sequence::TooMany:
        message(TranslatedTexts.MSG_Sequence_Trop_Longue.arg(FileSources::kMaxSequenceLength));
        return;
    case FileSources::Sequence::Built:
        break;
    }
    // The source in place keeps its own list until the sequence is opened.
    sequence_ = list;
    endModal(TSeqResult::mrOk);
}

void TFRM_Chargeseq::BTN_AnnulerClick()
{
    endModal(TSeqResult::mrCancel);
}
