#pragma once
// What the shared main of the window benchmarks (qt_main.cpp) offers them.

namespace bench {

// The program's windows (created once, on a simulated port access) with
// every slot and work bitmap.
void PrepareWindowsAndBitmaps();

} // namespace bench
