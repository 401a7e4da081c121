#include "platform/port_access_sim.h"

#include "platform/clock.h"

namespace platform {

SimulatedPortAccess::SimulatedPortAccess() : registers_(0x10000, 0) {}

bool SimulatedPortAccess::open(QStringList& problems)
{
    if (open_)
        return true;
    if (!openProblems_.isEmpty()) {
        problems += openProblems_;
        return false;
    }
    open_ = true;
    return true;
}

bool SimulatedPortAccess::write(std::uint16_t address, std::uint8_t value)
{
    if (!open_)
        return false;
    registers_[address] = value;
    writes_.push_back({address, value, clock().monotonicMs()});
    return true;
}

std::uint8_t SimulatedPortAccess::read(std::uint16_t address)
{
    return open_ ? registers_[address] : 0xFF;
}

} // namespace platform
