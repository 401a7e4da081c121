#include "support/fakes.h"

namespace testsupport {

FakeClock::FakeClock(QDateTime start) : wall_(std::move(start)) { platform::setClock(this); }
FakeClock::~FakeClock() { platform::setClock(nullptr); }

FakeSleeper::FakeSleeper(FakeClock* clock) : clock_(clock) { platform::setSleeper(this); }
FakeSleeper::~FakeSleeper() { platform::setSleeper(nullptr); }

bool FakeSleeper::sleepMs(std::int64_t duration_ms)
{
    if (duration_ms < 0)
        return false;
    waits.push_back(duration_ms);
    if (clock_)
        clock_->advanceMs(duration_ms);
    return true;
}

RecordingMessageService::RecordingMessageService() { platform::setMessageService(this); }
RecordingMessageService::~RecordingMessageService() { platform::setMessageService(nullptr); }

platform::MsgResult RecordingMessageService::show(const platform::Message& message)
{
    shown.push_back(message);
    if (!answers.empty()) {
        const auto a = answers.front();
        answers.pop_front();
        return a;
    }
    switch (message.buttons) {
    case platform::MsgButtons::YesNo:
    case platform::MsgButtons::YesNoCancel:
        return platform::MsgResult::Yes;
    default:
        return platform::MsgResult::Ok;
    }
}

QStringList RecordingMessageService::texts() const
{
    QStringList out;
    for (const auto& m : shown)
        out << m.text;
    return out;
}

RecordingSoundService::RecordingSoundService() { platform::setSoundService(this); }
RecordingSoundService::~RecordingSoundService() { platform::setSoundService(nullptr); }

RecordingDialogService::RecordingDialogService() { platform::setDialogService(this); }
RecordingDialogService::~RecordingDialogService() { platform::setDialogService(nullptr); }

namespace {
template <class T>
std::optional<T> pop(std::deque<std::optional<T>>& q)
{
    std::optional<T> answer;
    if (!q.empty()) {
        answer = std::move(q.front());
        q.pop_front();
    }
    return answer;
}
} // namespace

std::optional<QString> RecordingDialogService::openFile(const platform::FileDialogRequest& request)
{
    requests.push_back(request);
    return pop(openAnswers);
}

std::optional<QStringList> RecordingDialogService::openFiles(const platform::FileDialogRequest& request)
{
    if (openManyAnswers.empty())
        return DialogService::openFiles(request);
    requests.push_back(request);
    return pop(openManyAnswers);
}

std::optional<QString> RecordingDialogService::saveFile(const platform::FileDialogRequest& request)
{
    requests.push_back(request);
    return pop(saveAnswers);
}

std::optional<QString> RecordingDialogService::chooseFolder(const QString&, const QString& directory)
{
    folderRequests.push_back(directory);
    return pop(folderAnswers);
}

std::optional<std::int32_t> RecordingDialogService::chooseColor(const QString&, std::int32_t initial)
{
    colorRequests.push_back(initial);
    std::optional<std::int32_t> answer;
    if (!colorAnswers.empty()) {
        answer = colorAnswers.front();
        colorAnswers.pop_front();
    }
    return answer;
}

} // namespace testsupport
