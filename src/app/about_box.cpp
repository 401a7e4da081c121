#include "app/about_box.h"

#include "app/desktop.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "app/version_table.h"
#include "platform/codepage.h"
#include "platform/message_service.h"
#include "platform/paths.h"
#include "translation/translated_texts.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QStyle>

TAboutBox* AboutBox = nullptr;

namespace {
const QString kAcknowledgementsFile = QStringLiteral("Acknowledgements.txt");
}

TAboutBox::TAboutBox(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    setWindowFlags((windowFlags() | Qt::Dialog) & ~Qt::WindowMaximizeButtonHint);
    // It waits for its Ok: the show path keeps it in front of every window
    // while it is open, as it does every box that waits for its answer.
    setWindowModality(Qt::ApplicationModal);
    KeyPreview = true;
    IMG_Icon_Nightjar->setPixmap(style()->standardIcon(QStyle::SP_DesktopIcon).pixmap(32, 32));
    EDT_Web_Nightjar->setText(QString::fromUtf8(VersionInfo::kWebAddress));
    EDT_Mail_Nightjar->setText(QString::fromUtf8(VersionInfo::kAuthorMail));
    EDT_Mail_Nightjar->setCursor(Qt::PointingHandCursor);
    IMG_Icon_Nightjar->installEventFilter(this);
    EDT_Web_Nightjar->installEventFilter(this);
    EDT_Mail_Nightjar->installEventFilter(this);
    app::bindButtonClick(BTN_Ok, this, &TAboutBox::BTN_OkClick);
}

void TAboutBox::showEvent(QShowEvent* e)
{
    missingReported_ = false;
    TForm::showEvent(e);
}

void TAboutBox::FormActivate()
{
    const QString path = platform::joinPath(platform::programDir(), kAcknowledgementsFile);
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = f.readAll();
        QString text = QString::fromUtf8(bytes);
        if (text.contains(QChar::ReplacementCharacter))
            text = platform::fromCp1252(bytes);
        RCH_Acknowledgements->setPlainText(text);
        missingReported_ = false;
        return;
    }
    RCH_Acknowledgements->clear();
    if (missingReported_)
        return;
    missingReported_ = true;
    platform::messages().show({TranslatedTexts.MSG_Lecture_Fichier_Impossible.arg(path, f.errorString()),
                               platform::MsgKind::Warning, platform::MsgButtons::Ok,
                               QStringLiteral("AboutBox.Acknowledgements"), {}});
}

void TAboutBox::FormKeyDown(int& key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        key = 0;
        BTN_OkClick();
    }
}

void TAboutBox::BTN_OkClick()
{
    close();
}

void TAboutBox::openLink(const QString& url)
{
    Desktop::OpenLinkOrSay(url, QStringLiteral("AboutBox.Link"));
}

void TAboutBox::EDT_Web_NightjarClick() { openLink(EDT_Web_Nightjar->text()); }

void TAboutBox::EDT_Mail_NightjarClick() { openLink(QStringLiteral("mailto:") + EDT_Mail_Nightjar->text()); }

bool TAboutBox::eventFilter(QObject* obj, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        if (obj == IMG_Icon_Nightjar || obj == EDT_Web_Nightjar)
            app::runGuarded(QStringLiteral("EDT_Web_Nightjar"), [this] { EDT_Web_NightjarClick(); });
        else if (obj == EDT_Mail_Nightjar)
            app::runGuarded(QStringLiteral("EDT_Mail_Nightjar"), [this] { EDT_Mail_NightjarClick(); });
    }
    return TForm::eventFilter(obj, e);
}
