#pragma once
// For tests that drive the running program from outside: with
// NIGHTJARPRO_WINDOW_LOG naming a file, the program lists its windows there
// once they are made ("window : name : title"), and every window that shows
// adds a line as it shows:
//
//   shown : name : native id : path|outside|main : modal|plain : title
//
// "path" when it showed through Systeme::ShowFormOnScreen ("main" for the
// main window, which places itself), "modal" when it waits for its answer. A window without a name of its own is named after
// its class.

namespace app {

// Watches windows showing when the log is asked for; call once, after the
// QApplication exists.
void InstallWindowLog();
// Lists every window made so far.
void LogWindowInventory();

} // namespace app
