#include "app/ui/event_boundary.h"

#include <QSet>
#include <cstdio>
#include <deque>
#include <exception>
#include <mutex>

namespace app {
namespace {

// Enough to remember every distinct fault of a long night; the oldest
// report is forgotten first when the set is full.
constexpr std::size_t kMaxRememberedReports = 512;

void writeToStderr(const QString& report)
{
    std::fprintf(stderr, "%s\n", report.toLocal8Bit().constData());
}

struct BoundaryState {
    std::mutex mutex;
    ErrorSink sink;
    QSet<QString> reported;
    std::deque<QString> order;
};

BoundaryState& state()
{
    static BoundaryState s;
    return s;
}

} // namespace

void setErrorSink(ErrorSink sink)
{
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.sink = std::move(sink);
}

void resetReportedCauses()
{
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.reported.clear();
    s.order.clear();
}

bool reportOnce(const QString& report)
{
    auto& s = state();
    ErrorSink sink;
    {
        std::lock_guard lock(s.mutex);
        if (s.reported.contains(report))
            return false;
        if (s.order.size() >= kMaxRememberedReports) {
            s.reported.remove(s.order.front());
            s.order.pop_front();
        }
        s.reported.insert(report);
        s.order.push_back(report);
        sink = s.sink;
    }
    // The sink runs outside the lock: it may show a window whose own
    // handlers come back here.
    if (!sink) {
        writeToStderr(report);
        return true;
    }
    try {
        sink(report);
    } catch (...) {
        writeToStderr(report);
    }
    return true;
}

bool runGuarded(const QString& cause, const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const ToldFailure&) {
        // Told where it was met.
    } catch (const std::exception& e) {
        reportOnce(cause + QStringLiteral(": ") + QString::fromUtf8(e.what()));
    } catch (...) {
        reportOnce(cause + QStringLiteral(": unknown exception"));
    }
    return false;
}

} // namespace app
