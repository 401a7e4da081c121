#pragma once
// An LX200 mount on a pseudo-terminal whose answers a test sets: how late
// they come, what they say, or that none comes, only noise comes, or the
// device vanishes. It answers on a thread of its own in real time, as a
// mount on a serial line does. Not the program's simulator: it does not
// move, it only says what it is told.

#include "platform/pseudo_terminal.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <atomic>
#include <functional>
#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace testsupport {

class ScriptedMount {
public:
    enum class Mode { Answer, Silent, Garbage };

    // Starts answering at once with replies a mount at rest would give:
    // ":GR#" "05:30:00#", ":GD#" "+45*30:00#", ":D#" bars (slewing),
    // ":Sr"/":Sd" "1", ":MS#" "0", ":CM#" a catalogue line.
    ScriptedMount();
    ~ScriptedMount();
    ScriptedMount(const ScriptedMount&) = delete;
    ScriptedMount& operator=(const ScriptedMount&) = delete;

    bool isOpen() const { return pty_.isOpen(); }
    QString devicePath() const { return pty_.slavePath(); }

    // The reply to every command starting with prefix (":GR#", ":Sd").
    void setReply(const QByteArray& prefix, const QByteArray& reply);
    // Every reply goes out this many ms after its command came.
    void setDelay(int ms) { delay_ms_ = ms; }
    void setMode(Mode mode) { mode_ = mode; }
    // Sends bytes nobody asked for (a late answer of an earlier exchange);
    // returns once they are on the line.
    void inject(const QByteArray& bytes);
    // The device goes away: the program's writes fail from the return on.
    void hangUp();

    // Every command received, oldest first.
    QList<QByteArray> commands() const;
    // Returns once every byte written to the line so far has been read and
    // its commands recorded.
    void waitUntilRead();
    void clearRecords();

private:
    using Clock = std::chrono::steady_clock;
    struct Due {
        Clock::time_point at;
        QByteArray bytes;
    };
    void run();
    QByteArray replyTo(const QByteArray& command) const;

    platform::PseudoTerminal pty_;
    // Waits (at most a generous bound) until done() holds, under the lock.
    void waitFor(const std::function<bool()>& done);

    mutable std::mutex mutex_;
    std::condition_variable changed_;   // bytes written, the device gone
    bool gone_ = false;
    std::uint64_t reads_ = 0;   // passes of the mount over the line
    QHash<QByteArray, QByteArray> replies_;
    QList<QByteArray> commands_;
    std::vector<Due> due_;
    QByteArray pending_;
    std::atomic<int> delay_ms_{0};
    std::atomic<Mode> mode_{Mode::Answer};
    std::atomic<bool> hangUp_{false};
    std::atomic<bool> running_{true};
    std::thread thread_;
};

} // namespace testsupport
