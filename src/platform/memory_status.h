#pragma once
// Memory read-outs: physical memory, commit limit and the process's address
// space, from /proc/meminfo and /proc/self/status; and the memory budget that
// large allocations (the frame ring) must stay within.

#include <QString>
#include <cstdint>
#include <optional>

namespace platform {

struct MemoryStatus {
    std::uint32_t loadPercent = 0;       // share of physical memory in use
    std::uint64_t totalPhys = 0;         // bytes
    std::uint64_t availPhys = 0;
    std::uint64_t totalPageFile = 0;     // commit limit (memory plus swap)
    std::uint64_t availPageFile = 0;     // commit limit less what is committed
    std::uint64_t totalVirtual = 0;      // address space of the process
    std::uint64_t availVirtual = 0;
};

// Parses the text of /proc/meminfo ("Key:  value kB" lines). Fields that
// are missing stay 0; MemAvailable falls back to MemFree when absent.
MemoryStatus parseMeminfo(const QByteArray& meminfo);

// The current status, or nothing when the memory file cannot be read.
std::optional<MemoryStatus> readMemoryStatus();

// Bytes that one large allocation may take: the available physical memory
// less a margin kept for the rest of the system (a tenth of the physical
// memory, at least 256 MiB). 0 when the status cannot be read.
std::uint64_t memoryBudgetBytes();

// The file read instead of /proc/meminfo (tests); empty restores it.
void setMeminfoPath(const QString& path);

} // namespace platform
