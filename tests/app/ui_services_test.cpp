// The same-cause guard of the message service, the event boundary, and the
// on-screen message box.

#include "app/ui/event_boundary.h"
#include "app/ui/same_cause_guard.h"
#include "app/ui/widget_message_service.h"
#include "platform/dialog_service.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
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

    platform::setMessageService(nullptr);
    platform::setDialogService(nullptr);
    EXPECT_EQ(result, MsgResult::No);
    EXPECT_EQ(nested, MsgResult::None);
    EXPECT_EQ(title, "Nightjar Test");
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_TRUE(onTop);
}
