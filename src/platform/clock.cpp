#include "platform/clock.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace platform {
namespace {

class SystemClock final : public Clock {
public:
    std::int64_t monotonicMs() const override
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    QDateTime wallNow() const override { return QDateTime::currentDateTime(); }
};

class SystemSleeper final : public Sleeper {
public:
    bool sleepMs(std::int64_t duration_ms) override
    {
        if (duration_ms < 0)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(duration_ms));
        return true;
    }
};

SystemClock g_systemClock;
SystemSleeper g_systemSleeper;
Clock* g_clock = &g_systemClock;
Sleeper* g_sleeper = &g_systemSleeper;

} // namespace

void settleLocalTimeZone()
{
    if (!std::getenv("TZ"))
        setenv("TZ", ":/etc/localtime", 0);
    tzset();
}

Clock& clock() { return *g_clock; }
void setClock(Clock* c) { g_clock = c ? c : &g_systemClock; }
Sleeper& sleeper() { return *g_sleeper; }
void setSleeper(Sleeper* s) { g_sleeper = s ? s : &g_systemSleeper; }

} // namespace platform
