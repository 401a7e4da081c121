#include "capture/slot_streams.h"

#include <array>
#include <memory>

namespace Align_V {
namespace {
std::array<std::unique_ptr<TSlotStreams>, 3> g_streams;
bool validSlot(int slot) { return slot == 1 || slot == 2; }
} // namespace

void InitSlotStreams(int slot)
{
    if (validSlot(slot) && !g_streams[slot])
        g_streams[slot] = std::make_unique<TSlotStreams>();
}

void FreeSlotStreams(int slot)
{
    if (validSlot(slot))
        g_streams[slot].reset();
}

bool SlotStreamsExist(int slot) { return validSlot(slot) && g_streams[slot] != nullptr; }

TSlotStreams* SlotStreams(int slot) { return validSlot(slot) ? g_streams[slot].get() : nullptr; }

} // namespace Align_V
