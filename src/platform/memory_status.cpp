#include "platform/memory_status.h"

#include <QFile>

#include <algorithm>
#include <sys/resource.h>

namespace platform {

namespace {

QString& meminfoPath()
{
    static QString path;
    return path;
}

// Value in bytes of a "Key:  value kB" line, or nothing.
std::optional<std::uint64_t> field(const QByteArray& text, const char* key)
{
    const QByteArray needle = QByteArray(key) + ':';
    qsizetype at = 0;
    while ((at = text.indexOf(needle, at)) >= 0) {
        if (at == 0 || text.at(at - 1) == '\n')
            break;
        at += needle.size();
    }
    if (at < 0)
        return std::nullopt;
    const qsizetype end = text.indexOf('\n', at);
    const QByteArray line = text.mid(at + needle.size(), end < 0 ? -1 : end - at - needle.size()).trimmed();
    const QList<QByteArray> parts = line.split(' ');
    bool ok = false;
    const std::uint64_t value = parts.value(0).toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    const bool kb = parts.size() > 1 && parts.last().trimmed().toLower() == "kb";
    return kb ? value * 1024 : value;
}

std::uint64_t processVirtualSize()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return field(f.readAll(), "VmSize").value_or(0);
}

} // namespace

MemoryStatus parseMeminfo(const QByteArray& meminfo)
{
    MemoryStatus s;
    s.totalPhys = field(meminfo, "MemTotal").value_or(0);
    s.availPhys = field(meminfo, "MemAvailable").value_or(field(meminfo, "MemFree").value_or(0));
    s.availPhys = std::min(s.availPhys, s.totalPhys);
    if (s.totalPhys > 0)
        s.loadPercent = std::uint32_t((s.totalPhys - s.availPhys) * 100 / s.totalPhys);
    const std::uint64_t swapTotal = field(meminfo, "SwapTotal").value_or(0);
    s.totalPageFile = field(meminfo, "CommitLimit").value_or(s.totalPhys + swapTotal);
    const std::uint64_t committed = field(meminfo, "Committed_AS").value_or(0);
    s.availPageFile = s.totalPageFile > committed ? s.totalPageFile - committed : 0;
    // The user half of a 48-bit address space, or the process's limit.
    s.totalVirtual = std::uint64_t(1) << 47;
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        s.totalVirtual = std::min<std::uint64_t>(s.totalVirtual, limit.rlim_cur);
    const std::uint64_t used = processVirtualSize();
    s.availVirtual = s.totalVirtual > used ? s.totalVirtual - used : 0;
    return s;
}

std::optional<MemoryStatus> readMemoryStatus()
{
    QFile f(meminfoPath().isEmpty() ? QStringLiteral("/proc/meminfo") : meminfoPath());
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const MemoryStatus s = parseMeminfo(f.readAll());
    if (s.totalPhys == 0)
        return std::nullopt;
    return s;
}

std::uint64_t memoryBudgetBytes()
{
    const auto s = readMemoryStatus();
    if (!s)
        return 0;
    const std::uint64_t margin = std::max<std::uint64_t>(std::uint64_t(256) << 20, s->totalPhys / 10);
    return s->availPhys > margin ? s->availPhys - margin : 0;
}

void setMeminfoPath(const QString& path)
{
    meminfoPath() = path;
}

} // namespace platform
