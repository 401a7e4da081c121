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

// Local time for the rest of the run. With TZ unset the C library looks at
// the zone file again, and allocates, on every local-time conversion, that
// is on every frame stamp; TZ=":/etc/localtime" names that same default
// zone so that it is read once. A TZ already set is kept. The price: a
// change of the system's zone is seen at the next start. Call first thing
// in main(), before any thread starts (it changes the environment).
void settleLocalTimeZone();

// The clock and sleeper in force. Passing nullptr restores the system ones.
Clock& clock();
void setClock(Clock* c);
Sleeper& sleeper();
void setSleeper(Sleeper* s);

} // namespace platform
