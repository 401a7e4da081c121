#pragma once
// A window timer for intervals of any length, on the monotonic clock.
//
// Qt timers take an int of milliseconds (24.8 days); a capture sequence may
// wait up to 65,535 hours. This timer keeps its due time in 64 bits and arms
// its Qt timer in steps of at most an hour, looking at the clock each time it
// wakes: the handler runs only once the clock has reached the due time. The
// next due time is one interval later, or one interval from now when ticks
// were missed (a modal box, a suspended machine), so late ticks never pile up.
//
// It behaves like the old toolkit's timer: enabling a disabled timer, or
// changing the interval of an enabled one, starts a full interval from now;
// enabling an enabled timer changes nothing.
//
// Tests move a fake clock and call poll(), which is what the Qt timer does.

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>

namespace app {

class TLongTimer final : public QObject {
public:
    static constexpr std::int64_t kStepMs = 3'600'000;

    explicit TLongTimer(QObject* parent = nullptr);

    // The handler; run through the event boundary under the timer's name.
    void setHandler(std::function<void()> handler) { handler_ = std::move(handler); }
    // What the Qt timer calls when it wakes; poll() by default. A window
    // with several timers may poll them all in a fixed order instead.
    void setWakeUp(std::function<void()> wakeUp) { wakeUp_ = std::move(wakeUp); }

    void setInterval(std::int64_t interval_ms);
    std::int64_t interval() const { return interval_ms_; }
    void setEnabled(bool enabled);
    bool isEnabled() const { return enabled_; }
    // Monotonic time of the next tick (meaningful while enabled).
    std::int64_t dueMs() const { return due_ms_; }

    // Runs the handler when the timer is enabled and due; re-arms the Qt
    // timer otherwise.
    void poll();

private:
    void restart();
    void arm(std::int64_t now_ms);

    QTimer timer_;
    std::function<void()> handler_;
    std::function<void()> wakeUp_;
    std::int64_t interval_ms_ = 1000;
    std::int64_t due_ms_ = 0;
    bool enabled_ = false;
};

} // namespace app
