#pragma once
// Time sources. Every duration is measured on the monotonic clock (the
// program runs across midnight); the wall clock is only for stamps and log
// columns. Both are injectable so that tests can step time, across midnight
// included.

#include <QDateTime>
#include <cstdint>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds on a clock that never goes back; the origin is arbitrary.
    virtual std::int64_t monotonicMs() const = 0;
    // Local date and time, for stamps.
    virtual QDateTime wallNow() const = 0;
};

class Sleeper {
public:
    virtual ~Sleeper() = default;
    // Blocks the calling thread for duration_ms. A negative duration is
    // refused: nothing happens and false is returned.
    virtual bool sleepMs(std::int64_t duration_ms) = 0;
};

// The clock and sleeper in force. Passing nullptr restores the system ones.
Clock& clock();
void setClock(Clock* c);
Sleeper& sleeper();
void setSleeper(Sleeper* s);

} // namespace platform
