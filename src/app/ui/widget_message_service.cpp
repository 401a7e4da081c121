#include "app/ui/widget_message_service.h"

#include "app/systeme.h"
#include "app/ui/event_boundary.h"
#include "app/ui/modal_key_guard.h"
#include "app/ui/press_guard.h"
#include "app/ui/same_cause_guard.h"
#include "app/ui/widget_dialog_service.h"
#include "platform/dialog_service.h"
#include "platform/audio_sound_service.h"

#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QPointer>
#include <QWindow>
#include <QThread>

namespace app {
namespace {

// The title of boxes that have none of their own.
QString& boxTitle()
{
    static QString title;
    return title;
}

QMessageBox::Icon iconFor(platform::MsgKind kind)
{
    switch (kind) {
    case platform::MsgKind::Information: return QMessageBox::Information;
    case platform::MsgKind::Warning: return QMessageBox::Warning;
    case platform::MsgKind::Error: return QMessageBox::Critical;
    case platform::MsgKind::Confirmation: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttonsFor(platform::MsgButtons buttons)
{
    switch (buttons) {
    case platform::MsgButtons::Ok: return QMessageBox::Ok;
    case platform::MsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case platform::MsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case platform::MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

platform::MsgResult resultFor(int button)
{
    switch (button) {
    case QMessageBox::Ok: return platform::MsgResult::Ok;
    case QMessageBox::Cancel: return platform::MsgResult::Cancel;
    case QMessageBox::Yes: return platform::MsgResult::Yes;
    case QMessageBox::No: return platform::MsgResult::No;
    default: return platform::MsgResult::None;
    }
}

// For tests that drive the running program from outside: with
// NIGHTJARPRO_BOX_LOG naming a file, every box appends one line there as it
// shows ("shown : title : text", line breaks as "\n") and one as it closes.
void logBox(const char* what, const QString& title, const QString& text)
{
    static const QString path = qEnvironmentVariable("NIGHTJARPRO_BOX_LOG");
    if (path.isEmpty())
        return;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    QString flat = text;
    flat.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    f.write(QStringLiteral("%1 : %2 : %3\n").arg(QLatin1String(what), title, flat).toUtf8());
}

} // namespace

int TitleRoom(const QString& title)
{
    // The window menu, minimise, maximise and close buttons and the margins.
    constexpr int kTitleBarButtons = 110;
    return QFontMetrics(QApplication::font()).horizontalAdvance(title) + kTitleBarButtons;
}

namespace {

platform::MsgResult showOnGuiThread(const platform::Message& m)
{
    QString title = m.title;
    if (title.isEmpty())
        title = boxTitle();
    QMessageBox box(iconFor(m.kind), title, m.text, buttonsFor(m.buttons));
    // The window manager draws the title beside its buttons: a box only as
    // wide as a short text would show the title cut ("Ni....3").
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(TitleRoom(title), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    logBox("shown", title, m.text);
    struct Closed {
        const QString& title;
        const QString& text;
        ~Closed() { logBox("closed", title, text); }
    } closed{title, m.text};
    return resultFor(ExecInFront(box));
}

// The window registered as keeping itself in front.
QPointer<QWidget>& frontWindow()
{
    static QPointer<QWidget> window;
    return window;
}

} // namespace

void SetFrontWindow(QWidget* window) { frontWindow() = window; }

QWidget* DialogOwner()
{
    if (QWidget* waiting = QApplication::activeModalWidget())
        return waiting;
    if (QWidget* front = frontWindow(); front && front->isVisible() && !front->isMinimized())
        return front;
    return QApplication::activeWindow();
}

void KeepInFrontOfEveryWindow(QWidget& dialog)
{
    const Qt::WindowFlags flags =
        (dialog.windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog | Qt::WindowStaysOnTopHint;
    if (flags != dialog.windowFlags())
        dialog.setWindowFlags(flags);
    QWidget* owner = DialogOwner();
    if (owner)
        owner = owner->window();
    dialog.winId();
    QWindow* window = dialog.windowHandle();
    QWindow* ownerWindow = owner && owner != &dialog ? owner->windowHandle() : nullptr;
    if (window && window->transientParent() != ownerWindow)
        window->setTransientParent(ownerWindow);
}

void TakeKeyboard(QWidget& dialog)
{
    dialog.raise();
    dialog.activateWindow();
}

int ExecInFront(QDialog& dialog)
{
    // The window the user was in gets the keyboard back once it is
    // answered: the window manager would give it to the dialog's owner,
    // which may be another window (the script window kept in front), and
    // what the user types next (a refused entry mended) would land there.
    const QPointer<QWidget> before = QApplication::activeWindow();
    // Modality first: a message box resets its window flags with it.
    dialog.setWindowModality(Qt::ApplicationModal);
    KeepInFrontOfEveryWindow(dialog);
    Systeme::ShowFormOnScreen(&dialog);
    const int result = dialog.exec();
    if (before && before != &dialog && before->isVisible() && !before->isMinimized())
        before->activateWindow();
    return result;
}

bool ModalWindowWaits() { return QApplication::activeModalWidget() != nullptr; }

platform::MsgResult WidgetMessageService::show(const platform::Message& message)
{
    auto* app = QCoreApplication::instance();
    if (!app)
        return platform::MsgResult::None;
    if (QThread::currentThread() == app->thread())
        return showOnGuiThread(message);
    platform::MsgResult result = platform::MsgResult::None;
    QMetaObject::invokeMethod(
        app, [&] { result = showOnGuiThread(message); }, Qt::BlockingQueuedConnection);
    return result;
}

namespace {

// Sound files and prompts on the default audio output, their troubles told
// once in the message window; the desktop's alert sound for every kind of beep.
class DesktopSoundService final : public platform::AudioSoundService {
public:
    explicit DesktopSoundService(QObject* parent)
        : AudioSoundService([](const QString& text) { reportOnce(text); }, parent)
    {
    }
    void beep(int) override { QApplication::beep(); }
};

} // namespace

void installWidgetServices(const QString& applicationTitle)
{
    if (!applicationTitle.isEmpty())
        boxTitle() = applicationTitle;
    // Made on the interface thread and owned by the application, so its
    // audio output is let go before the application ends.
    static DesktopSoundService* sounds = nullptr;
    if (!sounds && qApp) {
        sounds = new DesktopSoundService(qApp);
        QObject::connect(sounds, &QObject::destroyed, [] {
            sounds = nullptr;
            platform::setSoundService(nullptr);
        });
        platform::setSoundService(sounds);
    }
    static WidgetMessageService screen;
    static SameCauseGuard guarded(screen);
    static WidgetDialogService dialogs;
    static ModalKeyGuard* keys = nullptr;
    if (!keys && qApp) {
        keys = new ModalKeyGuard(qApp);
        QObject::connect(keys, &QObject::destroyed, [] { keys = nullptr; });
        qApp->installEventFilter(keys);
    }
    InstallPressGuard();
    platform::setMessageService(&guarded);
    platform::setDialogService(&dialogs);
}

} // namespace app
