#pragma once
// Test doubles for the platform services. Each installs itself on
// construction and restores the default on destruction, so a test only
// declares one as a local.

#include "platform/clock.h"
#include "platform/dialog_service.h"
#include "platform/message_service.h"
#include "platform/sound_service.h"

#include <QDateTime>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

namespace testsupport {

// A clock that only moves when told to. Wall time and monotonic time advance
// together, so a test can step across midnight.
class FakeClock final : public platform::Clock {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 12, 6), QTime(21, 0)));
    ~FakeClock() override;
    std::int64_t monotonicMs() const override { return monotonic_ms_; }
    QDateTime wallNow() const override { return wall_.addMSecs(monotonic_ms_ - origin_ms_); }
    void advanceMs(std::int64_t ms) { monotonic_ms_ += ms; }
    void setWall(const QDateTime& wall) { wall_ = wall; origin_ms_ = monotonic_ms_; }

private:
    QDateTime wall_;
    std::int64_t monotonic_ms_ = 1'000'000;
    std::int64_t origin_ms_ = 1'000'000;
};

// A sleeper that records the waits and advances a FakeClock (if given)
// instead of blocking.
class FakeSleeper final : public platform::Sleeper {
public:
    explicit FakeSleeper(FakeClock* clock = nullptr);
    ~FakeSleeper() override;
    bool sleepMs(std::int64_t duration_ms) override;
    std::vector<std::int64_t> waits;

private:
    FakeClock* clock_;
};

// Records every message box and answers from a queue (default: the box's
// default answer, Ok or Yes).
class RecordingMessageService final : public platform::MessageService {
public:
    RecordingMessageService();
    ~RecordingMessageService() override;
    platform::MsgResult show(const platform::Message& message) override;

    std::vector<platform::Message> shown;
    std::deque<platform::MsgResult> answers;

    QStringList texts() const;
    void clear() { shown.clear(); }
};

// Answers file, folder and colour dialogs from queues; an empty queue cancels.
class RecordingDialogService final : public platform::DialogService {
public:
    RecordingDialogService();
    ~RecordingDialogService() override;
    std::optional<QString> openFile(const platform::FileDialogRequest& request) override;
    // From openManyAnswers when one is queued, else one file of openAnswers.
    std::optional<QStringList> openFiles(const platform::FileDialogRequest& request) override;
    std::optional<QString> saveFile(const platform::FileDialogRequest& request) override;
    std::optional<QString> chooseFolder(const QString& title, const QString& directory) override;
    std::optional<std::int32_t> chooseColor(const QString& title, std::int32_t initial) override;

    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<QStringList>> openManyAnswers;
    std::deque<std::optional<QString>> saveAnswers;
    std::deque<std::optional<QString>> folderAnswers;
    std::vector<platform::FileDialogRequest> requests;
    std::vector<QString> folderRequests;   // start folders asked for
    std::deque<std::optional<std::int32_t>> colorAnswers;
    std::vector<std::int32_t> colorRequests;   // initial colours
};

// Records the sounds asked for.
class RecordingSoundService final : public platform::SoundService {
public:
    RecordingSoundService();
    ~RecordingSoundService() override;
    void playResource(const QString& name) override { played << name; }
    void playFile(const QString& path) override { playedFiles << path; }
    void beep(int code) override { beeps.push_back(code); }
    bool filePlaying(const QString& path) const override { return stillPlaying && playedFiles.contains(path); }
    QStringList played;
    QStringList playedFiles;
    std::vector<int> beeps;
    bool stillPlaying = false;   // every file started plays on
};

} // namespace testsupport
