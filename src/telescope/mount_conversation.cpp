#include "telescope/mount_conversation.h"

#include "app/frm_pref.h"
#include "app/ui/event_boundary.h"
#include "platform/com_io.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi_private.h"
#include "translation/translated_texts.h"

#include <algorithm>
#include <exception>

namespace Prg_Suivi {

namespace com_io = platform::com_io;

namespace {

QString textOf(const com_io::ExCom& e)
{
    return e.detail().isEmpty() ? e.message() : e.message() + QStringLiteral(" (") + e.detail() + QLatin1Char(')');
}

} // namespace

QString RunResult::describe() const
{
    const QString cmd = QString::fromLatin1(command);
    switch (status) {
    case RunStatus::Answered:
    case RunStatus::Cancelled:
        return {};
    case RunStatus::Refused:
        return TranslatedTexts.MSG_Monture_Refuse.arg(port, cmd);
    case RunStatus::TimedOut:
        return TranslatedTexts.MSG_Monture_Muette.arg(port, cmd);
    case RunStatus::Failed:
        return TranslatedTexts.MSG_Liaison_Echec.arg(port, error, cmd);
    }
    return {};
}

MountConversation::MountConversation(QObject* parent) : QObject(parent)
{
    clock_.start();
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { step(); });
}

MountConversation::~MountConversation() = default;

void MountConversation::submit(std::uint8_t channel, QList<Exchange> exchanges, Done done)
{
    Run run;
    run.channel = channel;
    run.exchanges = std::move(exchanges);
    run.done = std::move(done);
    const std::uint8_t port = com_io::channel(channel).port;
    run.result.port = port ? QStringLiteral("COM%1").arg(port) : TranslatedTexts.MSG_Liaison_Canal.arg(channel);
    queue_.push_back(std::move(run));
    if (!current_)
        scheduleNext(0);
}

void MountConversation::cancelAll()
{
    timer_.stop();
    notifier_.reset();
    std::deque<Run> ended;
    if (current_)
        ended.push_back(std::move(*current_));
    current_.reset();
    for (Run& r : queue_)
        ended.push_back(std::move(r));
    queue_.clear();
    for (Run& r : ended) {
        r.result.status = RunStatus::Cancelled;
        if (r.done)
            app::runGuarded(QStringLiteral("MountConversation"), [&] { r.done(r.result); });
    }
}

void MountConversation::scheduleNext(int ms) { timer_.start(std::max(ms, 0)); }

void MountConversation::step()
{
    if (!current_) {
        if (queue_.empty())
            return;
        current_ = std::make_unique<Run>(std::move(queue_.front()));
        queue_.pop_front();
        current_->stepStart_ms = clock_.elapsed();
        if (FRM_Pref)
            pacing_ms_ = FRM_Pref->SPED_Delai_Serie->value();
    }
    const int wait = advance(*current_);
    if (wait >= 0)
        scheduleNext(wait);
}

int MountConversation::advance(Run& run)
{
    for (;;) {
        const qint64 now = clock_.elapsed();
        if (run.index >= run.exchanges.size()) {
            finish(RunStatus::Answered);
            return -1;
        }
        const QByteArray command = run.exchanges[run.index].command;
        const Lx200::ReplyKind kind = Lx200::ReplyKindOf(command);
        if (!run.awaiting) {
            const qint64 due =
                std::max(lastWrite_ms_ + pacing_ms_, run.stepStart_ms + run.exchanges[run.index].pauseBefore_ms);
            if (now < due)
                return int(due - now);
            const int lateWait = awaitLateReply(run);
            if (lateWait >= 0)
                return lateWait;
            try {
                com_io::discard_input(run.channel);
                WriteLX200Command(run.channel, command);
            } catch (const com_io::ExCom& e) {
                fail(RunStatus::Failed, command, textOf(e));
                return -1;
            } catch (const std::exception& e) {
                fail(RunStatus::Failed, command, QString::fromLocal8Bit(e.what()));
                return -1;
            }
            lastWrite_ms_ = clock_.elapsed();
            if (kind == Lx200::ReplyKind::None) {
                ++run.index;
                run.stepStart_ms = lastWrite_ms_;
                continue;
            }
            run.awaiting = true;
            run.buffer.clear();
            run.deadline_ms = lastWrite_ms_ + replyTimeout_ms_;
            watchChannel(run.channel);
        }
        // The port closed or reopened under the exchange: its answer is lost.
        if (!notifier_ || com_io::channel(run.channel).handle != int(notifier_->socket())) {
            fail(RunStatus::Failed, command, TranslatedTexts.MSG_Port_Ferme);
            return -1;
        }
        try {
            run.buffer += com_io::read_available(run.channel);
        } catch (const com_io::ExCom& e) {
            fail(RunStatus::Failed, command, textOf(e));
            return -1;
        }
        Lx200::DropForeignLead(kind, run.buffer);
        const qsizetype length = Lx200::FramedLength(kind, run.buffer);
        if (length == 0) {
            const qint64 left = run.deadline_ms - clock_.elapsed();
            if (left <= 0) {
                // A refusal whose reason lacks its end mark is still a refusal.
                if (kind == Lx200::ReplyKind::Slew && !run.buffer.isEmpty()) {
                    run.result.replies << run.buffer;
                    fail(RunStatus::Refused, command);
                    return -1;
                }
                late_ = {true, run.channel, kind, run.buffer, clock_.elapsed(), clock_.elapsed()};
                fail(RunStatus::TimedOut, command);
                return -1;
            }
            return int(left);
        }
        notifier_.reset();
        const QByteArray reply = run.buffer.left(length);
        run.result.replies << reply;
        run.awaiting = false;
        if (!Lx200::ReplyAccepted(kind, reply)) {
            fail(RunStatus::Refused, command);
            return -1;
        }
        ++run.index;
        run.stepStart_ms = clock_.elapsed();
    }
}

void MountConversation::watchChannel(std::uint8_t channel)
{
    const int fd = com_io::channel(channel).handle;
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { step(); });
}

int MountConversation::awaitLateReply(const Run& run)
{
    if (!late_.pending)
        return -1;
    if (late_.channel != run.channel || com_io::channel(run.channel).handle < 0) {
        late_.pending = false;
        return -1;
    }
    QByteArray more;
    try {
        more = com_io::read_available(run.channel);
    } catch (const std::exception&) {
        // The write that follows meets the same fault and reports it.
        late_.pending = false;
        return -1;
    }
    const qint64 now = clock_.elapsed();
    if (!more.isEmpty()) {
        late_.buffer += more;
        late_.lastByte_ms = now;
    }
    Lx200::DropForeignLead(late_.kind, late_.buffer);
    const qint64 quietLeft =
        std::min(late_.lastByte_ms + replyTimeout_ms_, late_.timedOut_ms + 2 * qint64(replyTimeout_ms_)) - now;
    if (Lx200::FramedLength(late_.kind, late_.buffer) > 0 || quietLeft <= 0) {
        late_ = {};
        notifier_.reset();
        return -1;
    }
    if (!notifier_ || int(notifier_->socket()) != com_io::channel(run.channel).handle)
        watchChannel(run.channel);
    return int(quietLeft);
}

void MountConversation::fail(RunStatus status, const QByteArray& command, const QString& error)
{
    current_->result.command = command;
    current_->result.error = error.trimmed();
    finish(status);
}

void MountConversation::finish(RunStatus status)
{
    notifier_.reset();
    timer_.stop();
    Run run = std::move(*current_);
    current_.reset();
    run.result.status = status;
    if (!queue_.empty())
        scheduleNext(0);
    if (run.done)
        app::runGuarded(QStringLiteral("MountConversation"), [&] { run.done(run.result); });
}

MountConversation& Conversation()
{
    static MountConversation* conversation = new MountConversation;
    return *conversation;
}

void Converse(QList<Exchange> exchanges, MountConversation::Done done)
{
    AutoConnectMount();
    // A line that could not be opened queues nothing: the failure told is
    // the command's.
    detail::raiseIfUnconnected(ComChannel::LX200);
    Conversation().submit(ComChannel::LX200, std::move(exchanges), std::move(done));
}

} // namespace Prg_Suivi
