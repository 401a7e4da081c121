#pragma once
// The one place where exceptions stop. Every slot, timer and event handler of
// the program runs its body through runGuarded(): an exception is reported
// (once per cause, so a handler failing on every frame does not flood the
// report) and swallowed, and the next frame or tick runs normally.

#include <QString>
#include <functional>
#include <stdexcept>

namespace app {

// A failure that the code meeting it has told the user already (a link that
// could not be connected, told once however often commands retry it): the
// command it ends says nothing more of it. runGuarded() stops it without a
// report; a caller that must hear of it (a script, another program's
// statement) takes its text. toldNow: the command under way told it, its
// box still to come, rather than one before it.
class ToldFailure : public std::runtime_error {
public:
    ToldFailure(const QString& text, bool toldNow)
        : std::runtime_error(text.toStdString()), text_(text), toldNow_(toldNow)
    {
    }
    const QString& text() const { return text_; }
    bool toldNow() const { return toldNow_; }

private:
    QString text_;
    bool toldNow_;
};

// Receives each report. The message window installs itself here; the
// default sink writes the text to standard error.
using ErrorSink = std::function<void(const QString&)>;

// Installs a sink; an empty function restores the default.
void setErrorSink(ErrorSink sink);

// Runs handler. Any exception it throws is reported as
// "<cause>: <what>" (a ToldFailure is not reported again) and does not
// propagate. Returns true when the handler completed without an exception.
bool runGuarded(const QString& cause, const std::function<void()>& handler);

// Sends report to the sink unless the same text was already reported.
// Returns true when it was sent.
bool reportOnce(const QString& report);

// Forgets which reports were sent (tests; a new session of the message window).
void resetReportedCauses();

} // namespace app
