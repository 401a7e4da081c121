#pragma once
// Simulated ports: a register file covering the whole 64 KiB I/O space that
// records every write with the monotonic time it was made. Used by tests and
// to run the long-exposure and guide-box sequences without hardware.

#include "platform/port_access.h"

#include <utility>
#include <vector>

namespace platform {

class SimulatedPortAccess final : public PortAccess {
public:
    struct Write {
        std::uint16_t address;
        std::uint8_t value;
        std::int64_t time_ms;   // platform::clock().monotonicMs() at the write
    };

    SimulatedPortAccess();

    bool open(QStringList& problems) override;
    bool isOpen() const override { return open_; }
    bool write(std::uint16_t address, std::uint8_t value) override;
    bool serves(std::uint16_t) const override { return open_; }
    std::uint8_t read(std::uint16_t address) override;
    void close() override { open_ = false; }

    // Makes every later open() fail with these problems; an empty list lets
    // open() succeed again.
    void failOpenWith(QStringList problems) { openProblems_ = std::move(problems); }

    // Sets a register as the hardware would (an input line changing), without
    // logging it; peek() reads a register whether open or not.
    void poke(std::uint16_t address, std::uint8_t value) { registers_[address] = value; }
    std::uint8_t peek(std::uint16_t address) const { return registers_[address]; }

    // The writes made while open, oldest first.
    const std::vector<Write>& writes() const { return writes_; }
    void clearWrites() { writes_.clear(); }

private:
    std::vector<std::uint8_t> registers_;
    std::vector<Write> writes_;
    QStringList openProblems_;
    bool open_ = false;
};

} // namespace platform
