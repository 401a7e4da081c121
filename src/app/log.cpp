#include "app/log.h"

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/message_service.h"
#include "translation/translated_texts.h"

#include <QFileInfo>

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// Milliseconds from `from` to `to`: whole days between their dates plus the
// difference of their times of day, so a step across midnight stays positive.
std::int64_t msBetween(const QDateTime& from, const QDateTime& to)
{
    return from.date().daysTo(to.date()) * kMsPerDay
        + (to.time().msecsSinceStartOfDay() - from.time().msecsSinceStartOfDay());
}

QString headerPrefix(LogTimeMode mode)
{
    switch (mode) {
    case LogTimeMode::None:
        break;
    case LogTimeMode::FromMidnight:
        return QStringLiteral("Real-Time(ms) from midnight);");
    case LogTimeMode::DateTime:
        return QStringLiteral("Date-Time(dd/mm/yyyy HH:MM:SS.SSSS);");
    case LogTimeMode::FromStart:
        return QStringLiteral("Time from beginning(ms);");
    case LogTimeMode::FromLast:
        return QStringLiteral("Time from last frame(ms);");
    }
    return {};
}

} // namespace

TLog::TLog(const QString& fileName, LogTimeMode mode)
    : file_name_(fileName), mode_(mode), file_(fileName)
{
}

TLog::~TLog() = default;

std::unique_ptr<TLog> TLog::Create(const QString& fileName, LogTimeMode mode, const QString& header)
{
    std::unique_ptr<TLog> log(new TLog(fileName, mode));
    if (fileName.isEmpty()
        || !log->file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        const QString path = fileName.isEmpty() ? QString() : QFileInfo(fileName).absoluteFilePath();
        platform::showError(TranslatedTexts.MSG_Journal_Impossible.arg(path));
        return nullptr;
    }
    log->start_ = platform::clock().wallNow();
    log->last_ = log->start_;
    const QString first = headerPrefix(mode) + header;
    if (!first.isEmpty())
        log->writeLine(first);
    return log;
}

void TLog::Add(const QString& text)
{
    if (mode_ == LogTimeMode::None || mode_ > LogTimeMode::FromLast) {
        writeLine(text);
        return;
    }
    writeLine(timeColumn(platform::clock().wallNow()) + u';' + text);
}

QString TLog::timeColumn(const QDateTime& now)
{
    switch (mode_) {
    case LogTimeMode::None:
        break;
    case LogTimeMode::FromMidnight:
        return QString::number(now.time().msecsSinceStartOfDay());
    case LogTimeMode::DateTime:
        return now.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) + u'.'
            + QStringLiteral("%1").arg(now.time().msec(), 3, 10, QChar(u'0'));
    case LogTimeMode::FromStart:
        return QString::number(msBetween(start_, now));
    case LogTimeMode::FromLast: {
        const std::int64_t ms = msBetween(last_, now);
        last_ = now;
        return QString::number(ms);
    }
    }
    return {};
}

void TLog::writeLine(const QString& line)
{
    // Unbuffered: each line goes to the system at once. A failed or short
    // write loses (part of) the line and nothing else.
    const QByteArray bytes = platform::toCp1252(line + QStringLiteral("\r\n"));
    file_.write(bytes);
}
