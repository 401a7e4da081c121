#pragma once
// The conversation with an LX200 mount, driven from the interface thread
// without ever blocking it. Callers queue runs of exchanges (commands, each
// read back as its own framed reply when it has one); a run goes out when
// the runs before it have ended, one command at a time:
//   - bytes left over from an earlier exchange are thrown away before each
//     command is written, so a late answer is never read as the next one's;
//   - the reply is read up to its end (lx200_protocol.h frames it) for at
//     most replyTimeout() ms; a reply that comes later than that ends the run
//     as timed out, and its late bytes still belong to it: the next command
//     goes out once that reply's end came or the line stayed quiet for
//     another replyTimeout() ms (twice that at most, for a line that
//     never falls quiet);
//   - a one-character reply takes only its own characters ("0"/"1" to
//     ":Sr"/":Sd"): anything else before them is no answer to it;
//   - a refusal ("0" to ":Sr"/":Sd", "1..." to ":MS#"), a timeout or a
//     failed write or read ends the run: nothing after it goes out;
//   - SPED_Delai_Serie ms pass between a write and the next one.
// Nothing waits: a socket notifier on the port wakes the conversation when
// bytes arrive and a timer when a pause or a reply's time is over, so each
// step costs the interface thread one read or write whatever the mount's
// speed. The run's completion handler runs on the interface thread once the
// run has ended.

#include "telescope/lx200_protocol.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

namespace Prg_Suivi {

struct Exchange {
    QByteArray command;        // the command without line endings
    int pauseBefore_ms = 0;    // quiet time after the previous exchange
};

enum class RunStatus { Answered, Refused, TimedOut, Failed, Cancelled };

struct RunResult {
    RunStatus status = RunStatus::Answered;
    // The framed reply of each exchange that had one and got it, in order
    // (a refused one included).
    QList<QByteArray> replies;
    // The command that ended the run when it did not complete.
    QByteArray command;
    // "COM3", the port the run was sent on.
    QString port;
    // A failed write or read: the serial layer's message.
    QString error;

    bool ok() const { return status == RunStatus::Answered; }
    // One line saying why the run did not complete, naming the port and the
    // command; empty when it completed.
    QString describe() const;
};

class MountConversation : public QObject {
public:
    using Done = std::function<void(const RunResult&)>;
    // Long enough for a mount answering 600 ms late, short enough that a
    // mount that went silent is noticed within seconds.
    static constexpr int kDefaultReplyTimeout_ms = 1500;

    explicit MountConversation(QObject* parent = nullptr);
    ~MountConversation() override;

    // Queues a run on a serial channel; done (may be empty) is called once
    // when it has ended, also when it was cancelled.
    void submit(std::uint8_t channel, QList<Exchange> exchanges, Done done);
    // Ends the run under way and every queued one as Cancelled: nothing more
    // of them is written (a command already written stays written).
    void cancelAll();
    // No run is queued or under way.
    bool idle() const { return !current_ && queue_.empty(); }

    int replyTimeout() const { return replyTimeout_ms_; }
    void setReplyTimeout(int ms) { replyTimeout_ms_ = ms; }

private:
    struct Run {
        std::uint8_t channel = 0;
        QList<Exchange> exchanges;
        Done done;
        RunResult result;
        int index = 0;
        bool awaiting = false;        // the current exchange's command went out
        qint64 stepStart_ms = 0;      // when the previous exchange ended
        qint64 deadline_ms = 0;       // end of the wait for the reply
        QByteArray buffer;
    };

    void step();
    // Runs the current run as far as it goes without waiting; returns the
    // ms to wait at most before the next look, or -1 when the run has ended.
    int advance(Run& run);
    void finish(RunStatus status);
    void fail(RunStatus status, const QByteArray& command, const QString& error = {});
    void scheduleNext(int ms);

    // After a timeout: the reply that may still come, read and dropped
    // before the next command goes out on that channel.
    struct LateReply {
        bool pending = false;
        std::uint8_t channel = 0;
        Lx200::ReplyKind kind = Lx200::ReplyKind::None;
        QByteArray buffer;
        qint64 timedOut_ms = 0;
        qint64 lastByte_ms = 0;   // the timeout, or the last byte since
    };
    // Reads what came of a late reply; the ms still to wait for it, or -1
    // when it is over (ended, or the line stayed quiet).
    int awaitLateReply(const Run& run);
    void watchChannel(std::uint8_t channel);

    LateReply late_;
    std::deque<Run> queue_;
    std::unique_ptr<Run> current_;
    QTimer timer_;
    std::unique_ptr<QSocketNotifier> notifier_;   // while a reply is awaited
    QElapsedTimer clock_;
    qint64 lastWrite_ms_ = -1000000;
    int pacing_ms_ = 0;
    int replyTimeout_ms_ = kDefaultReplyTimeout_ms;
};

// The program's conversation with the mount channel.
MountConversation& Conversation();

// Auto-connects the mount and queues a run on the mount's channel. A
// channel that its connection could not open queues nothing: the failure
// that connection told is raised (app::ToldFailure).
void Converse(QList<Exchange> exchanges, MountConversation::Done done);

} // namespace Prg_Suivi
