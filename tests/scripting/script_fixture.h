#pragma once
// Every window of the program, a temporary program directory, recorded
// message boxes and a fake clock. The script clock is stepped by calling its
// tick directly, never by waiting. A few test commands are registered:
//   test.log(x)      records x and goes on 10 ms later
//   test.snapshot    records the current level's variables
//   test.wait        waits on Scripts::WaitSequence (the resume protocol)
//   test.throw       throws from the handler
//   test.delay(ms)   goes on after ms (no clamping of its own)

#include "scripting/scripts.h"
#include "support/fakes.h"
#include "support/temp_program_dir.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

// Readable texts in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace scripttest {
extern QStringList logged;
extern std::vector<TVariable> snapshot;
} // namespace scripttest

class ScriptFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void setText(const QString& text);
    // Run from the start through the menu item (takes the editor's text).
    void run();
    // Ticks while the clock is armed, at most max times; the clock's
    // interval before each tick.
    std::vector<int> ticks(int max = 10000);
    // setText, run and ticks.
    std::vector<int> runScript(const QString& text, int max = 10000);
    bool clockArmed() const;
    // A variable of the last test.snapshot, as text.
    QString value(const QString& name) const;

    testsupport::TempProgramDir dir;
    testsupport::RecordingMessageService boxes;
    testsupport::FakeClock clock;
};
