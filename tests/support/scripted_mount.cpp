#include "support/scripted_mount.h"

namespace testsupport {

ScriptedMount::ScriptedMount()
{
    replies_.insert(":GR#", "05:30:00#");
    replies_.insert(":GD#", "+45*30:00#");
    replies_.insert(":D#", "\x7F\x7F\x7F#");
    replies_.insert(":Sr", "1");
    replies_.insert(":Sd", "1");
    replies_.insert(":MS#", "0");
    replies_.insert(":CM#", " M31 EX GAL MAG 3.5 SZ178.0'#");
    if (pty_.isOpen())
        thread_ = std::thread([this] { run(); });
}

ScriptedMount::~ScriptedMount()
{
    running_ = false;
    if (thread_.joinable())
        thread_.join();
}

void ScriptedMount::setReply(const QByteArray& prefix, const QByteArray& reply)
{
    std::lock_guard lock(mutex_);
    replies_.insert(prefix, reply);
}

void ScriptedMount::inject(const QByteArray& bytes)
{
    {
        std::lock_guard lock(mutex_);
        due_.push_back({Clock::now(), bytes});
    }
    waitFor([this] { return due_.empty() || gone_; });
}

void ScriptedMount::hangUp()
{
    hangUp_ = true;
    waitFor([this] { return gone_; });
}

void ScriptedMount::waitUntilRead()
{
    // Two passes: the second began after this call, and each reads all
    // there is on the line.
    std::uint64_t from = 0;
    {
        std::lock_guard lock(mutex_);
        from = reads_;
    }
    waitFor([this, from] { return reads_ >= from + 2 || gone_; });
}

void ScriptedMount::waitFor(const std::function<bool()>& done)
{
    // The mount runs on its own thread, which a busy machine may hold back.
    if (!thread_.joinable())
        return;
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(30), done);
}

QList<QByteArray> ScriptedMount::commands() const
{
    std::lock_guard lock(mutex_);
    return commands_;
}

void ScriptedMount::clearRecords()
{
    std::lock_guard lock(mutex_);
    commands_.clear();
}

QByteArray ScriptedMount::replyTo(const QByteArray& command) const
{
    for (auto it = replies_.constBegin(); it != replies_.constEnd(); ++it)
        if (command.startsWith(it.key()))
            return it.value();
    return {};
}

void ScriptedMount::run()
{
    bool gone = false;
    while (running_) {
        if (hangUp_ && !gone) {
            pty_.hangUp();
            gone = true;
            std::lock_guard lock(mutex_);
            gone_ = true;
            changed_.notify_all();
        }
        if (gone) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        pty_.waitReadable(2);
        const QByteArray data = pty_.readAvailable();
        std::lock_guard lock(mutex_);
        ++reads_;
        pending_ += data;
        for (;;) {
            const qsizetype start = pending_.indexOf(':');
            const qsizetype end = start < 0 ? -1 : pending_.indexOf('#', start);
            if (end < 0)
                break;
            const QByteArray command = pending_.mid(start, end - start + 1);
            pending_.remove(0, end + 1);
            commands_ << command;
            const auto at = Clock::now() + std::chrono::milliseconds(delay_ms_.load());
            switch (mode_.load()) {
            case Mode::Answer:
                if (const QByteArray reply = replyTo(command); !reply.isEmpty())
                    due_.push_back({at, reply});
                break;
            case Mode::Garbage:
                due_.push_back({at, QByteArray("\x15\xFE?x7", 5)});
                break;
            case Mode::Silent:
                break;
            }
        }
        const auto now = Clock::now();
        for (auto it = due_.begin(); it != due_.end();) {
            if (it->at <= now) {
                pty_.write(it->bytes);
                it = due_.erase(it);
            } else {
                ++it;
            }
        }
        changed_.notify_all();
    }
}

} // namespace testsupport
