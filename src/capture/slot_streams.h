#pragma once
// Per-slot frame streams: two memory streams and the frame header buffer
// that the grab callbacks fill.

#include <QByteArray>

namespace Align_V {

void InitSlotStreams(int slot);
void FreeSlotStreams(int slot);
bool SlotStreamsExist(int slot);

struct TSlotStreams {
    QByteArray stream1;
    QByteArray stream2;
    QByteArray header;
};
// The streams of slot 1 or 2, or nullptr when they do not exist.
TSlotStreams* SlotStreams(int slot);

} // namespace Align_V
