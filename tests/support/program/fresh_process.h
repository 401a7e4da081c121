#pragma once
// The program layer keeps some state for the life of the process, outside
// its windows: what it has reported once, settings kept from the last load,
// the plug-ins, the camera slots and the file source, the running scripts,
// the tracking values, the video codec, what the telescope driver told.
// A real process starts the program once; the tests start it again and
// again in one process. Each fixture that creates the windows calls this
// first, so that every test starts from what a fresh process holds,
// whichever tests ran before it.

namespace testsupport {

void StartAsAFreshProcess();

} // namespace testsupport
