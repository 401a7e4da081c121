// The same-cause guard of the message service, the event boundary, and the
// on-screen message box.

#include "app/form.h"
#include "app/ui/event_boundary.h"
#include "app/ui/same_cause_guard.h"
#include "app/ui/widget_message_service.h"
#include "platform/dialog_service.h"
#include "support/front_windows.h"
#include "support/x11_keyboard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>
#include <stdexcept>

using platform::MsgResult;

namespace {
// Counts boxes; while showing one it runs whileShown once, as a timer
// firing inside a modal box's event loop would.
struct ReentrantService final : platform::MessageService {
    MsgResult show(const platform::Message&) override
    {
        ++boxes;
        if (auto f = std::exchange(whileShown, nullptr))
            f();
        if (fail)
            throw std::runtime_error("display lost");
        return MsgResult::Ok;
    }
    int boxes = 0;
    std::function<void()> whileShown;
    bool fail = false;
};

platform::Message msg(const QString& text, const QString& cause = {}) { return {text, {}, {}, cause, {}}; }

// Runs `then` on the message box shown next once it waits with the
// keyboard, looking every 10 ms; a box that never takes the keyboard is
// rejected after three seconds: the test fails instead of hanging.
void whenTheBoxHasTheKeyboard(std::function<void(QMessageBox*)> then, int looks = 300, int delay_ms = 0)
{
    QTimer::singleShot(delay_ms, [then = std::move(then), looks]() mutable {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box->isActiveWindow())
            return then(box);
        if (looks > 1)
            return whenTheBoxHasTheKeyboard(std::move(then), looks - 1, 10);
        if (box)
            box->reject();
    });
}
} // namespace

TEST(SameCauseGuard, OneBoxPerCauseAtATime)
{
    ReentrantService inner;
    app::SameCauseGuard guard(inner);
    MsgResult same = MsgResult::Ok, other = MsgResult::None, byText = MsgResult::Ok;
    inner.whileShown = [&] {
        same = guard.show(msg("another text", "TNI_Expo"));
        other = guard.show(msg("x", "TNI_Gain"));
    };
    EXPECT_EQ(guard.show(msg("La valeur...", "TNI_Expo")), MsgResult::Ok);
    EXPECT_EQ(same, MsgResult::None);
    EXPECT_EQ(other, MsgResult::Ok);
    EXPECT_EQ(inner.boxes, 2);

    // Without a cause the text is the cause; a closed box frees its cause,
    // even when the service failed.
    inner.whileShown = [&] { byText = guard.show(msg("Disque plein")); };
    guard.show(msg("Disque plein"));
    EXPECT_EQ(byText, MsgResult::None);
    inner.fail = true;
    EXPECT_THROW(guard.show(msg("a", "TNI_Expo")), std::runtime_error);
    EXPECT_FALSE(guard.isShowing("TNI_Expo"));
    EXPECT_EQ(inner.boxes, 4);
}

TEST(EventBoundary, ReportsEachCauseOnceAndLetsTheNextHandlerRun)
{
    QStringList reports;
    app::setErrorSink([&](const QString& r) { reports << r; });
    app::resetReportedCauses();
    const auto lost = [] { throw std::runtime_error("frame lost"); };

    EXPECT_FALSE(app::runGuarded("Timer_Cam1Timer", lost));
    EXPECT_FALSE(app::runGuarded("Timer_Cam1Timer", lost));
    EXPECT_FALSE(app::runGuarded("BTN_Goto", [] { throw 42; }));
    bool ran = false;
    EXPECT_TRUE(app::runGuarded("BTN_Stop", [&] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_EQ(reports, QStringList({"Timer_Cam1Timer: frame lost", "BTN_Goto: unknown exception"}));
    app::resetReportedCauses();
    app::runGuarded("Timer_Cam1Timer", lost);
    EXPECT_EQ(reports.size(), 3);

    // A failing sink does not let the exception escape either.
    app::setErrorSink([](const QString&) { throw std::runtime_error("sink"); });
    EXPECT_FALSE(app::runGuarded("X", lost));
    app::setErrorSink({});
    app::resetReportedCauses();
}

TEST(WidgetMessageService, ModalBoxWithKindButtonsAndApplicationTitle)
{
    app::installWidgetServices("Nightjar Test");
    const platform::Message quit{"Quitter ?", platform::MsgKind::Confirmation,
                                 platform::MsgButtons::YesNo, {}, {}};
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool onTop = false;
    MsgResult nested = MsgResult::Ok;
    // Inside the box's modal loop: ask again for the same cause (answered
    // at once, no second box), then press No.
    std::function<void()> answer = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return QTimer::singleShot(10, answer);
        title = box->windowTitle();
        icon = box->icon();
        // Above the windows kept on top (the script window): never hidden.
        onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        nested = platform::messages().show(quit);
        box->button(QMessageBox::No)->click();
    };
    QTimer::singleShot(0, answer);
    const MsgResult result = platform::messages().show(quit);

    // A box of one short word is still wide enough for its whole title
    // beside the title bar's buttons.
    int width = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        width = box->width();
        box->button(QMessageBox::Ok)->click();
    });
    platform::messages().show({"42", platform::MsgKind::Information, platform::MsgButtons::Ok, {}, {}});
    EXPECT_GE(width, app::TitleRoom(QStringLiteral("Nightjar Test")));

    platform::setMessageService(nullptr);
    platform::setDialogService(nullptr);
    EXPECT_EQ(result, MsgResult::No);
    EXPECT_EQ(nested, MsgResult::None);
    EXPECT_EQ(title, "Nightjar Test");
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_TRUE(onTop);
}

namespace {

// A key event where the window system delivers it: to the focused widget.
void deliverKey(QEvent::Type type, int key, bool autoRepeat, quint64 time)
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return;
    QKeyEvent e(type, key, Qt::NoModifier, QString(), autoRepeat);
    e.setTimestamp(time);
    QApplication::sendEvent(focus, &e);
}

// The end of an Enter held down since before the box came, as X11 sends
// it: release + press pairs that Qt marks as repeats, pairs it did not
// recognise (one time stamp for both events), the last release.
void heldEnterEnds(quint64 time)
{
    for (int i = 0; i < 3; ++i, time += 33) {
        deliverKey(QEvent::KeyRelease, Qt::Key_Return, true, time);
        deliverKey(QEvent::KeyPress, Qt::Key_Return, true, time);
    }
    for (int i = 0; i < 3; ++i, time += 33) {
        deliverKey(QEvent::KeyRelease, Qt::Key_Return, false, time);
        deliverKey(QEvent::KeyPress, Qt::Key_Return, false, time);
    }
    deliverKey(QEvent::KeyRelease, Qt::Key_Return, false, time);
}

} // namespace

TEST(WidgetMessageService, ABoxStandsInFrontWithTheKeyboardAndOnlyKeysPressedInItAnswerIt)
{
    app::installWidgetServices("Nightjar Test");
    testsupport::FrontWindows windows;
    QWidget& front = windows.front;
    QWidget& other = windows.other;
    windows.workInOther();

    bool inFront = false, keyboard = false, stayedThroughHeldKey = false;
    whenTheBoxHasTheKeyboard([&](QMessageBox* box) {
        keyboard = true;
        inFront = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)
                  && box->windowHandle()->transientParent() == front.windowHandle();
        heldEnterEnds(1000);
        stayedThroughHeldKey = box->isVisible() && QApplication::activeModalWidget() == box;
        // The user's own Enter answers it.
        deliverKey(QEvent::KeyPress, Qt::Key_Return, false, 2000);
        if (box->isVisible())
            box->reject();
    });
    const MsgResult result =
        platform::messages().show({"Line 4 : jpg", platform::MsgKind::Error, platform::MsgButtons::Ok, {}, {}});
    EXPECT_TRUE(keyboard);
    EXPECT_TRUE(inFront);
    EXPECT_TRUE(stayedThroughHeldKey);
    EXPECT_EQ(result, MsgResult::Ok);

    // A dialog shown again takes the keys pressed since, not the rest of the
    // Enter that answered it the time before.
    QDialog reused;
    QPushButton ok(QStringLiteral("Ok"), &reused);
    ok.setDefault(true);
    QObject::connect(&ok, &QPushButton::clicked, &reused, &QDialog::accept);
    int showing = 0, looks = 0;
    bool stayedWhenShownAgain = false;
    std::function<void()> press = [&] {
        if (QApplication::activeModalWidget() != &reused || !reused.isActiveWindow()) {
            if (++looks < 600)
                QTimer::singleShot(10, press);
            else
                reused.reject();
            return;
        }
        if (++showing == 1) {
            deliverKey(QEvent::KeyPress, Qt::Key_Return, false, 5000);
        } else {
            heldEnterEnds(5033);
            stayedWhenShownAgain = reused.isVisible();
            deliverKey(QEvent::KeyPress, Qt::Key_Return, false, 7000);
        }
        if (reused.isVisible())
            reused.reject();
    };
    looks = 0;
    QTimer::singleShot(0, press);
    EXPECT_EQ(app::ExecInFront(reused), QDialog::Accepted);
    windows.workInOther();
    QTimer::singleShot(0, press);
    EXPECT_EQ(app::ExecInFront(reused), QDialog::Accepted);
    EXPECT_TRUE(stayedWhenShownAgain);

    // A dialog made with another parent is made the front window's as well.
    QDialog dialog(&other);
    bool dialogInFront = false;
    QTimer::singleShot(0, &dialog, [&] {
        dialogInFront = dialog.windowHandle()->transientParent() == front.windowHandle()
                        && dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        dialog.accept();
    });
    EXPECT_EQ(app::ExecInFront(dialog), QDialog::Accepted);
    EXPECT_TRUE(dialogInFront);

    // With the front window off screen, a box belongs to the active window.
    front.hide();
    windows.workInOther();
    bool ownedByActive = false;
    looks = 0;
    std::function<void()> answer = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            if (++looks < 300)
                QTimer::singleShot(10, answer);
            return;
        }
        ownedByActive = box->windowHandle()->transientParent() == other.windowHandle();
        box->button(QMessageBox::Ok)->click();
    };
    QTimer::singleShot(0, answer);
    platform::messages().show({"x", platform::MsgKind::Information, platform::MsgButtons::Ok, {}, {}});
    EXPECT_TRUE(ownedByActive);

    platform::setMessageService(nullptr);
    platform::setDialogService(nullptr);
}

namespace {

// A window that sees every key first and whose field opens a box when Return
// goes down in it, as a field whose entry is refused on leaving does.
class KeyedWindow : public TForm {
public:
    KeyedWindow()
    {
        KeyPreview = true;
        setCentralWidget(&field);
    }
    void FormKeyDown(int& key, Qt::KeyboardModifiers) override
    {
        seen << QStringLiteral("down %1").arg(key);
        if (key == Qt::Key_Return && boxOnReturn) {
            boxOnReturn = false;
            platform::messages().show({"refusé", platform::MsgKind::Error, platform::MsgButtons::Ok, {}, {}});
        }
    }
    void FormKeyUp(int& key, Qt::KeyboardModifiers) override { seen << QStringLiteral("up %1").arg(key); }
    QLineEdit field;
    QStringList seen;
    bool boxOnReturn = true;
};

} // namespace

// The box closes on the press of the key that answers it; the rest of that
// key (its release, the repeats of a hand resting on it) comes to the window
// that has the keyboard after the box, and so would the press the box came
// during, still on its way to the window: none of them acts there. The next
// press of the key is the user's again.
TEST(WidgetMessageService, TheKeyThatAnsweredABoxActsInNoWindowAfterIt)
{
    app::installWidgetServices("Nightjar Test");
    KeyedWindow window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.field.setFocus();
    testsupport::X11Keyboard keyboard;
    const auto where = [&]() -> QWidget* {
        QWidget* f = QApplication::focusWidget();
        return f ? f : QApplication::activeWindow() ? QApplication::activeWindow() : &window;
    };
    bool answered = false;
    whenTheBoxHasTheKeyboard([&](QMessageBox* box) {
        keyboard.advance(400);
        keyboard.press(where(), Qt::Key_Return);
        answered = !box->isVisible();
    });
    const QString down = QStringLiteral("down %1").arg(int(Qt::Key_Return));
    const QString up = QStringLiteral("up %1").arg(int(Qt::Key_Return));
    keyboard.press(&window.field, Qt::Key_Return);
    EXPECT_TRUE(answered);
    EXPECT_EQ(window.seen, QStringList{down}) << "the press the box came during went on to the window";

    // The hand stays on the key a moment: repeats, then the release.
    for (int i = 0; i < 4; ++i) {
        keyboard.advance(testsupport::X11Keyboard::kRepeat_ms);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QString(), i % 2 == 0);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), i % 2 == 0);
        release.setTimestamp(500000 + 400 + 40 * (i + 1));
        press.setTimestamp(release.timestamp());
        QApplication::sendEvent(where(), &release);
        QApplication::sendEvent(where(), &press);
    }
    keyboard.advance(testsupport::X11Keyboard::kRepeat_ms);
    keyboard.release(where(), Qt::Key_Return);
    testsupport::X11Keyboard::runEvents(50);
    EXPECT_EQ(window.seen, QStringList{down});

    // Pressed again: the window's.
    keyboard.advance(300);
    keyboard.tap(where(), Qt::Key_Return, 80);
    EXPECT_EQ(window.seen, (QStringList{down, down, up}));
    platform::setMessageService(nullptr);
    platform::setDialogService(nullptr);
}
