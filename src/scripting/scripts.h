#pragma once
// The script engine. A script is the text of the script window's editor, one
// statement a line; the engine runs one statement per tick of that window's
// timer TMR_Script, on the user-interface thread, so the program stays
// responsive between statements.
//
// Call levels: ScriptLevels[0] is the editor's script; each "callfar" runs a
// script file on the next level (at most 9 levels) with its own text,
// variables, labels and return stack, and gives control back to its caller
// at its end.
//
// A run: pass 1 (pre-analysis) declares the variables and labels of the
// whole text in one go, showing "Preanalyse en cours..." in the progress
// window; pass 2 executes. Every statement that completes calls ScriptNext
// exactly once with its delay; a statement that fails calls ScriptError; a
// statement that waits for a lasting action calls neither (see below).
//
// ---------------------------------------------------------------------------
// THE RESUME PROTOCOL - the one way a lasting action hands control back.
//
//   In the command (it runs inside a tick):
//       Scripts::BeginWait(Scripts::WaitSequence);   // FIRST: state waiting + flag
//       FRM_Tool_Images->BTN_Demarrer_SauvClick();    // then start the action
//       return;                                       // no ScriptNext
//
//   In the window that owns the action, wherever the action ends (normally,
//   on error or aborted):
//       Scripts::ResumeIfWaiting(Scripts::WaitSequence);
//
// ResumeIfWaiting always clears the flag (the action is over); when a script
// runs and its current level is waiting, the level goes back to running and
// the next statement runs 50 ms later (ScriptNext(50)). Otherwise the script
// is left alone. Because the flag is set before the action starts, an action
// that ends at once (a failed start) resumes the script correctly.
//
//   An action that ends because it failed (a file it cannot write), told to
//   the user once by its owner, ends the wait with
//       Scripts::StopIfWaiting(Scripts::WaitSequence);
//   instead: the script that waited for it stops, as after a failed
//   statement, and never goes on as if the action had run its course.
//
//   flag              set by                        resumed by
//   WaitSequence      image.sequence(startwait)     the image tool's sequencer
//   WaitLongExposure  longexposure(startwait)       the long-exposure cycle timer
//   WaitIntegration   integration(startwait)        the image tool's stacking stop
//   WaitMove          goto.move(..., wait)          the mount's pulse timers
//   WaitPlayer        player.play(startwait)        the camera/player timers
//   GotoRunning       goto.execute                  the mount when a slew ends
//
// A wait that has no flag of its own uses BeginWait() and ResumeIfWaiting()
// without a flag; messagebox.showwait, ended only by the message window's
// "Poursuivre", uses BeginWaitForUser().
// A plain delay (the "wait" command) is not a wait in this sense: it only
// calls ScriptNext(delay) and leaves the level running.
// ---------------------------------------------------------------------------

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>


// One declared variable; only the value field of its type is used.
struct TVariable {
    QString Name;                 // as declared
    std::uint8_t VarType = 0;     // 0 integer, 1 double, 2 string
    QString StrValue;
    std::int32_t IntValue = 0;
    double DblValue = 0.0;
};

// One label: its name as written after the colon, and its own line index.
struct TEtiquette {
    QString Name;
    std::int32_t Line = 0;
};

// One call level.
struct TScript {
    QString FileName;                       // empty for a text typed in the editor
    QStringList Lines;                      // the text this level shows in the editor
    std::uint8_t State = 0;                 // see Scripts::StateStopped...
    std::array<std::int32_t, 25> ReturnStack{};
    std::int32_t StackCount = 0;            // next free entry; a run starts at 1
    std::vector<TVariable> Variables;       // in declaration order, at most 128
    std::vector<TEtiquette> Labels;         // in line order, at most 128
    std::int32_t Pass = 0;                  // 1 pre-analysis, 2 execution
    std::int32_t CurrentLine = 0;           // line executing; once armed, the next one
    std::int32_t LineCount = 0;             // lines of the text when the run started
    std::int32_t LineOffset = 0;            // offset of the current line (CR LF counted as 2)
    // The level's text was edited and not saved since; kept while another
    // level is shown in the editor (a called script), given back with the
    // text when the level is shown again. While the level is shown, the
    // editor's own modified flag holds it.
    bool Edited = false;

    int VarCount() const { return static_cast<int>(Variables.size()); }
    int LabelCount() const { return static_cast<int>(Labels.size()); }
};

namespace Scripts {

enum : std::uint8_t { StateStopped = 0, StateRunning = 1, StateWaiting = 2, StatePaused = 3 };

constexpr int kLevelCount = 9;
constexpr int kReturnStackSize = 25;
constexpr int kMaxVariables = 128;
constexpr int kMaxLabels = 128;
// The engine's "not found or failed" (also: an error already reported) and
// "a value of the wrong type" results.
constexpr int kNotFound = 999;
constexpr int kWrongType = 9999;
constexpr int kDefaultScriptRate_ms = 250;

extern std::array<TScript, kLevelCount> ScriptLevels;
extern int CurrentLevel;
// True from the start of execution until a pause or a stop at level 0.
extern bool ScriptRunning;
extern bool ScriptPaused;
// Wait flags of the resume protocol (above).
extern bool WaitSequence;
extern bool WaitLongExposure;
extern bool WaitIntegration;
extern bool WaitMove;
extern bool WaitPlayer;
extern bool GotoRunning;   // shared with the mount: a goto is running
// Read by the system variables, written by the pipeline and the cameras.
extern bool ObjectInField;
extern bool Cam1Online;
extern bool Cam2Online;

// The current level.
TScript& CurrentScript();

// --- the resume protocol -------------------------------------------------
// Marks the current level as waiting for the action that owns flag. Call it
// before starting the action.
void BeginWait(bool& waitFlag);
void BeginWait();
// A wait that only the user's answer ends ("Poursuivre"): no action's end
// resumes it, and the wait bound leaves it alone.
void BeginWaitForUser();
// True while the current level waits for the user's answer.
bool WaitsForUserAnswer();
// Called by the owner of the action when it ends: clears the flag and, when a
// script runs and waits for that action (or for any end, BeginWait()),
// continues it 50 ms later. True when it resumed. A statement sent by another
// program (ExecuteMacroLine) never waits: it sets no flag.
bool ResumeIfWaiting(bool& waitFlag);
// The same for a wait that has no flag of its own ("Poursuivre").
bool ResumeIfWaiting();
// How the start of a lasting action went (StartAction).
enum class ActionStart : std::uint8_t {
    Runs,            // it runs, or has run its course already
    Refused,         // nothing could start it, and nothing told why
    FailedAndTold,   // it failed, and its owner has told why
};
// The statements "start" and "startwait" (arguments) of a lasting action:
// with "startwait" the level waits on waitFlag, marked before start() runs;
// "start" goes on 50 ms later. An action that does not start is never taken
// for started: no wait is left behind and the statement fails, with the
// script error of its argument text when nothing told why, with the stop
// alone after its owner's own message. A start that stopped the script
// itself, or whose action ended during it and resumed the script, is left
// at that.
void StartAction(const QString& arguments, bool& waitFlag, const std::function<ActionStart()>& start);
// Runs the action of a statement that happens at once or not at all (a
// camera start): true when it happened, the statement then ending as usual.
// When it did not, the statement fails: the script stops with
// "Line n : <statement><whyNot>", n being the statement's own line, and
// another program sending it is refused with that text. An action that
// stopped the script itself is left at that.
bool StatementAction(const std::function<bool()>& action, const QString& whyNot);
// Called by the owner of the action when it ends in a failure it has told
// (or is about to tell) itself: clears the flag and, when a script runs and
// waits for that action, stops it without a message of its own. True when
// it stopped one.
bool StopIfWaiting(bool& waitFlag);
// The bound of a wait: once a second while a level waits, the action that
// owns its flag is looked at; when it no longer runs (or no camera or file
// delivers the frames it needs) twice in a row, the wait ends with the
// script error "Line n : <statement> : <what is missing>". The script
// window's watch timer runs it; tests call it directly.
void WatchWait();

// Runs by name (Settings::RunHandler) the handler of another window that a
// command's action consists of, as a user's click would. When no window
// provides it, the statement stops with "Line n : <statement> : command not
// available", n being the statement's own line even if it already armed the
// next one; false then.
bool RunCommandHandler(const QString& name);

// --- pacing ----------------------------------------------------------------
// Advances to the next line and arms the clock for delay_ms (at least 1 ms).
// Past the last line it ends the level (and returns to a caller). A script
// that is not running (stopped, paused) is left where it stands.
void ScriptNext(int delay_ms);
// One clock tick: selects the current line in the editor and executes it.
// While a script runs or waits the editor takes no keys (the window takes
// the focus at every tick); its text is edited while paused or stopped.
void Tick();

// --- levels and runs -------------------------------------------------------
// Loads a level: from the file when fileName is not empty (the editor then
// shows it), else from the editor's text; on a new level when newLevel.
// False when the file cannot be read or no level is left (both reported).
// With failure given, neither is told: the reason is written there for the
// caller, whose own message names it.
bool LoadScript(const QString& fileName, bool newLevel, QString* failure = nullptr);
// A script file's lines as a level holds them (CP1252, any line ends); none,
// with the reason in failure, when the file cannot be read.
std::optional<QStringList> ReadScriptFile(const QString& path, QString& failure);
bool PushLevel();
void PopLevel();
void ResetLevel();
// Pre-analysis, then execution from fromLine.
void StartScript(int fromLine);
void ResumeScript();
// The tail shared by every runner of a script file: the script window names
// the file, loads it on a new level and runs it from its first line.
// False when the file could not be loaded (see LoadScript for failure).
bool RunScriptFile(const QString& path, QString* failure = nullptr);

// The operations of the script window's menus and the main window's script
// buttons. Run from the start takes the editor's text when fromEditor.
void RunFromStart(bool fromEditor);
void RunFromCaret();
void PauseScript();
void StopScript();
// Stops a running or paused script at every call level, down to level 0, so
// that no caller is left halted under a text that replaces it (the script
// window's open and new).
void StopEveryLevel();
// Stops every level and forgets all state (program end, tests).
void StopAll();

// --- statements ------------------------------------------------------------
// Executes one statement. Any exception a handler throws is caught here:
// shown once in the standard error box, and the script is left halted
// (clock stopped, still "running") until the user stops or pauses it. A
// failure told already (app::ToldFailure) stops the script as ScriptError
// of it does.
void ExecuteScriptLine(std::uint8_t pass, const QString& line);
// One statement sent by another program (remote control): it runs as a
// line of the current level with pass 2, but leaves the level where it is.
// Its ScriptNext neither advances the level, arms the clock nor ends the
// level, and a wait it starts does not put the level into waiting; errors
// show and stop as for any statement. False when the statement was refused:
// a script error, an unknown command, a fault, an error box it showed (its
// action failed), or a stop of the run it caused. refused then gets the
// error's text before its box shows, so that the sender is told while the
// box waits for the user. Only what the statement itself does counts: an
// error of another window while its dialog waits is not its own.
bool ExecuteMacroLine(const QString& line, const std::function<void(const QString&)>& refused = {});
// True while a statement another program sent (ExecuteMacroLine) runs on
// the current level: a command whose action the device may still refuse
// holds its answer until it knows.
bool InRemoteStatement();
// "Line n : text" in a message box, then the stop operation.
void ScriptError(const QString& text);
// The script error of a statement whose action failed with `failure`: its
// text. A failure the program told in a box of its own as this statement
// met it (app::ToldFailure) stops the script on its line without a second
// box, another program's statement refused with its text all the same.
void ScriptError(const std::exception& failure);
// An error that the statement another program sent has met and that is
// told elsewhere than in a box it shows now (a link that cannot be
// connected, told once): the statement is refused with its text, as its
// own error box would refuse it. Nothing outside such a statement.
void RefuseStatement(const QString& text);

// 1-based index in the current level, or kNotFound; names compare without
// regard to letter case.
int FindVariable(const QString& name);
int FindLabel(const QString& name);
void ClearVariables();
void ClearLabels();
// Pass-1 declarations: var(name,type) and ":name".
void DeclareVariable(std::uint8_t pass, const QString& arguments);
void DeclareLabel(std::uint8_t pass, const QString& rest);

// --- faults ----------------------------------------------------------------
// A failed conversion or arithmetic fault inside a statement. Thrown by the
// helpers below and by any command handler; the statement's tick shows it
// in the standard error box and leaves the script halted.
class ScriptFault : public std::runtime_error {
public:
    explicit ScriptFault(const QString& message);
    const QString& message() const { return message_; }

private:
    QString message_;
};

// Decimal text to int32 (blanks around and a sign allowed); throws ScriptFault.
std::int32_t StrToInt(const QString& text);
std::int32_t StrToIntDef(const QString& text, std::int32_t fallback);
// Decimal text with "." to a finite double; throws ScriptFault.
double StrToFloat(const QString& text);
// General format, 15 significant digits, "." as separator.
QString FloatToStr(double value);

} // namespace Scripts
