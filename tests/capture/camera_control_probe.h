#pragma once
// The camera-control test library put where the program looks for its
// camera-control library (the program folder), and opened by the test too:
// through it the test sets what the library's calls answer and reads which
// calls it got.

#include "support/temp_program_dir.h"

#include <QLibrary>

class CameraControlProbe {
public:
    // Copies the library into dir and opens it; fatal failures when it cannot.
    void open(const testsupport::TempProgramDir& dir);

    // The calls the library got since its last reset, comma separated.
    const char* calls() const { return calls_(); }
    // Clears the calls and sets what the next calls answer.
    void reset(int a, int b, int c, int d) const { reset_(a, b, c, d); }
    bool unload() { return library_.unload(); }

private:
    QLibrary library_;
    const char* (*calls_)() = nullptr;
    void (*reset_)(int, int, int, int) = nullptr;
};
