#include "app/ui/long_timer.h"

#include "app/ui/event_boundary.h"
#include "platform/clock.h"

#include <algorithm>

namespace app {

TLongTimer::TLongTimer(QObject* parent) : QObject(parent)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (wakeUp_)
            wakeUp_();
        else
            poll();
    });
}

void TLongTimer::setInterval(std::int64_t interval_ms)
{
    interval_ms = std::max<std::int64_t>(interval_ms, 1);
    if (interval_ms == interval_ms_)
        return;
    interval_ms_ = interval_ms;
    if (enabled_)
        restart();
}

void TLongTimer::setEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (enabled)
        restart();
    else
        timer_.stop();
}

void TLongTimer::restart()
{
    const std::int64_t now = platform::clock().monotonicMs();
    due_ms_ = now + interval_ms_;
    arm(now);
}

void TLongTimer::arm(std::int64_t now_ms)
{
    timer_.start(int(std::clamp<std::int64_t>(due_ms_ - now_ms, 1, kStepMs)));
}

void TLongTimer::poll()
{
    if (!enabled_)
        return;
    const std::int64_t now = platform::clock().monotonicMs();
    if (now < due_ms_) {
        arm(now);
        return;
    }
    due_ms_ += interval_ms_;
    if (due_ms_ <= now)
        due_ms_ = now + interval_ms_;
    arm(now);
    if (handler_)
        runGuarded(objectName(), handler_);
}

} // namespace app
