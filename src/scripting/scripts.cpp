#include "scripting/scripts.h"

#include "app/controls/float_text.h"
#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/helpers/str_helpers.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "app/ui/widget_message_service.h"
#include "capture/camera_slots.h"
#include "platform/codepage.h"
#include "platform/message_service.h"
#include "platform/text_lines.h"
#include "scripting/frm_progress.h"
#include "scripting/frm_script.h"
#include "scripting/script_commands.h"
#include "scripting/script_language.h"
#include "scripting/script_texts.h"
#include "telescope/frm_prg_suivi.h"
#include "tools/frm_tool_images.h"
#include "translation/translated_texts.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace Scripts {

std::array<TScript, kLevelCount> ScriptLevels;
int CurrentLevel = 0;
bool ScriptRunning = false;
bool ScriptPaused = false;
bool WaitSequence = false;
bool WaitLongExposure = false;
bool WaitIntegration = false;
bool WaitMove = false;
bool WaitPlayer = false;
bool GotoRunning = false;
bool ObjectInField = false;
bool Cam1Online = false;
bool Cam2Online = false;

namespace {

// Counts stops and faults, so that a loop running statements (the
// pre-analysis) can tell that one of them ended the run.
std::uint64_t g_interruptions = 0;
// The pause came while the clock was armed for the next line.
bool g_pausedWhileArmed = false;
// A statement sent by another program (remote control) under way, nullptr
// outside one: its ScriptNext and its waits leave its level alone, and the
// error that refuses it is told to its sender before its box waits.
struct MacroStatement {
    int level = -1;
    // The event loops open as it began: an error reported inside a loop it
    // opened (another window's timer while its dialog waits) is not its own.
    int loopLevel = 0;
    const std::function<void(const QString&)>* refused = nullptr;
    bool wasRefused = false;
    QString line;
};
MacroStatement* g_macro = nullptr;

bool inMacroStatement() { return g_macro && g_macro->level == CurrentLevel; }

// The remote statement under way is refused with text: its sender is told
// at once, whether or not the user answers the box that follows.
void tellRefusal(const QString& text)
{
    if (!g_macro || g_macro->wasRefused || QThread::currentThread()->loopLevel() != g_macro->loopLevel)
        return;
    g_macro->wasRefused = true;
    if (g_macro->refused && *g_macro->refused)
        (*g_macro->refused)(text);
}

// While a remote statement runs, every box passes through here: an error
// box that the statement shows itself, whatever code shows it (a command's
// own "offline" box, a failed save, a device that refuses), refuses it before
// the box waits. Boxes that ask or tell (messagebox.show, a question) do not.
class StatementBoxes final : public platform::ErrorBoxWatch {
    bool errorShown(const platform::Message& message) override
    {
        tellRefusal(message.text);
        return true;
    }
};

// The statement under way: its line and level, for errors found after it
// armed the next line.
struct Statement {
    int level = -1;
    int line = -1;
    QString text;
};
Statement g_statement;

// What the waiting level waits for: the wait flag of its action, the user's
// answer (g_userAnswer), or nullptr for a wait that any end resumes.
const bool* g_awaited = nullptr;
bool g_userAnswer = false;

// The wait bound's timer and how many looks in a row found nothing to wait for.
QPointer<QTimer> g_watch;
int g_idleLooks = 0;
constexpr int kWatchPeriod_ms = 1000;
constexpr int kIdleLooksToEnd = 2;
// Starts the looks at a wait that just began.
void armWatch();

// Sets a value for the life of a scope.
template <class T>
class ScopedValue {
public:
    ScopedValue(T& target, T value) : target_(target), saved_(target) { target_ = value; }
    ~ScopedValue() { target_ = saved_; }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

private:
    T& target_;
    T saved_;
};

QHash<QString, CommandHandler>& commandTable()
{
    static QHash<QString, CommandHandler> table = [] {
        QHash<QString, CommandHandler> t;
        t.insert(QStringLiteral("jump"), CmdJump);
        t.insert(QStringLiteral("call"), CmdCall);
        t.insert(QStringLiteral("return"), CmdReturn);
        t.insert(QStringLiteral("callfar"), CmdCallFar);
        t.insert(QStringLiteral("int"), CmdInt);
        t.insert(QStringLiteral("inputinteger"), CmdInputInteger);
        t.insert(QStringLiteral("inputdouble"), CmdInputDouble);
        t.insert(QStringLiteral("inputstring"), CmdInputString);
        t.insert(QStringLiteral("inputchoice"), CmdInputChoice);
        t.insert(QStringLiteral("jumpif"), CmdJumpIf);
        return t;
    }();
    return table;
}

bool isSkippedKeyword(const QString& k)
{
    return k.isEmpty() || k == QLatin1String("//") || k == QLatin1String("@menu") || k == QLatin1String("@button")
           || k == QLatin1String("var") || k == QLatin1String(":");
}

// --- the editor --------------------------------------------------------

QPlainTextEdit* editor() { return FRM_Script ? FRM_Script->Memo_Script : nullptr; }

QStringList splitLines(const QString& text) { return platform::SplitLines(text); }

QStringList editorLines()
{
    QPlainTextEdit* e = editor();
    return e ? splitLines(e->toPlainText()) : QStringList();
}

// Line `index` of the editor; "" outside the text.
QString editorLine(int index)
{
    QPlainTextEdit* e = editor();
    if (!e || index < 0)
        return {};
    const QTextBlock b = e->document()->findBlockByNumber(index);
    return b.isValid() ? b.text() : QString();
}

void showInEditor(const QStringList& lines)
{
    if (QPlainTextEdit* e = editor())
        e->setPlainText(lines.join(QLatin1Char('\n')));
}

// Selects the level's current line, its statement without the line break
// (typed over, the correction stays on its own line), and records its
// offset, counting each earlier line break as two characters.
void selectCurrentLine(TScript& s)
{
    QPlainTextEdit* e = editor();
    if (!e)
        return;
    QTextDocument* doc = e->document();
    const QTextBlock b = s.CurrentLine >= 0 ? doc->findBlockByNumber(s.CurrentLine) : QTextBlock();
    if (!b.isValid()) {
        s.LineOffset = s.CurrentLine < 0 ? 0 : doc->characterCount() + doc->blockCount() - 1;
        return;
    }
    s.LineOffset = b.position() + s.CurrentLine;
    QTextCursor c(b);
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    e->setTextCursor(c);
}

// While a script runs the window takes the focus at every statement with the
// statement's line selected: a key meant for another window (the answer to a
// box or a dialog, a key held down) would replace the line and the script
// would go on with blank or shifted statements, then end silently. The text
// is edited while the script is paused or stopped.
void lockEditor(bool locked)
{
    if (QPlainTextEdit* e = editor())
        e->setReadOnly(locked);
}

// The shows made before the running script started.
quint64 g_shownBeforeRun = 0;

// A box or a dialog waiting for its answer (one a remote statement or a
// device opened while the script goes on) keeps the keyboard and stays in
// front; so does a list the user holds open. The windows kept on top that
// the running script has shown (the message window it writes to, the
// tracking window it opened) and the one that had the keyboard (one the user
// clicked) stay in front of it: the script window would cover what the
// script has shown.
void takeFocusWhenVisible()
{
    if (!FRM_Script || !FRM_Script->isVisible() || app::ModalWindowWaits() || QApplication::activePopupWidget())
        return;
    // Asked again while it has the keyboard, the window manager would
    // bring it over them again.
    QWidget* const had = QApplication::activeWindow();
    if (had == FRM_Script)
        return;
    QList<QWidget*> front = Systeme::ShownSince(g_shownBeforeRun);
    if (had) {
        front.removeOne(had);
        front.append(had);
    }
    FRM_Script->activateWindow();
    for (QWidget* w : std::as_const(front)) {
        if (w != FRM_Script && w->isVisible() && !w->isMinimized() && w->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            w->raise();
    }
}

// --- controls that follow the engine's state --------------------------------

void enable(QAction* a, bool on)
{
    if (a)
        a->setEnabled(on);
}

// The main window's script buttons, found by name (the tool bar may not
// hold them all), with their twins of the beginner's tool bar.
void enableMainButton(const char* name, bool on)
{
    for (const QString& n : {QString::fromLatin1(name), QString::fromLatin1(name) + QStringLiteral("_B")})
        if (QWidget* w = app::findControl<QWidget>(FRM_Alv, n))
            w->setEnabled(on);
}

void enableExecuter(bool on)
{
    if (FRM_Script)
        enable(FRM_Script->MNU_Executer->menuAction(), on);
}

void showRunControls()
{
    if (FRM_Script) {
        enable(FRM_Script->MNU_Pause, true);
        enable(FRM_Script->MNU_Arreter, true);
    }
    enableMainButton("SPDB_Pauser_Script", true);
    enableMainButton("SPDB_Arreter_Script", true);
    enableMainButton("SPDB_Executer_Script", false);
}

// A script runs or waits: the run items stay off whatever started it (the
// menu, the main window's button, a resume after a pause, a remote call),
// or a second run would restart it from the caret with its variables lost.
void showRunning()
{
    showRunControls();
    if (FRM_Script) {
        enableExecuter(false);
        enable(FRM_Script->MNU_ExecuterDuDebut, false);
        enable(FRM_Script->MNU_ExecuterDuCurseur, false);
    }
}

void armClock(int delay_ms)
{
    if (!FRM_Script)
        return;
    FRM_Script->TMR_Script->setInterval(std::max(1, delay_ms));
    FRM_Script->TMR_Script->start();
}

void stopClock()
{
    if (FRM_Script)
        FRM_Script->TMR_Script->stop();
}

bool clockArmed() { return FRM_Script && FRM_Script->TMR_Script->isActive(); }

void showMessage(const QString& text)
{
    platform::messages().show({text, platform::MsgKind::Error, platform::MsgButtons::Ok, {}, {}});
}

// A statement that faulted: shown once, the script left halted.
void fault(const QString& text)
{
    ++g_interruptions;
    stopClock();
    tellRefusal(text);
    showMessage(text);
}

QString readError(const QString& path, const QString& reason)
{
    return QStringLiteral("%1 : %2").arg(path, reason);
}

} // namespace

// --- registration ---------------------------------------------------------

bool RegisterCommand(const QString& keyword, CommandHandler handler)
{
    const QString k = keyword.toLower();
    QHash<QString, CommandHandler>& table = commandTable();
    if (k.isEmpty() || isSkippedKeyword(k) || !handler || table.contains(k)) {
        qWarning("Script command \"%s\" not registered (empty or already known)", qUtf8Printable(k));
        return false;
    }
    table.insert(k, std::move(handler));
    return true;
}

const CommandHandler* FindCommand(const QString& keyword)
{
    const QHash<QString, CommandHandler>& table = commandTable();
    const auto it = table.constFind(keyword);
    return it == table.constEnd() ? nullptr : &it.value();
}

CommandRegistrar::CommandRegistrar(std::initializer_list<std::pair<const char*, CommandHandler>> commands)
{
    for (const auto& [keyword, handler] : commands)
        RegisterCommand(QString::fromUtf8(keyword), handler);
}

// --- faults and conversions -----------------------------------------------

ScriptFault::ScriptFault(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}

std::int32_t StrToInt(const QString& text)
{
    bool ok = false;
    const int v = QLocale::c().toInt(text.trimmed(), &ok);
    if (!ok)
        throw ScriptFault(ScriptTexts::NotAnInteger(text));
    return v;
}

std::int32_t StrToIntDef(const QString& text, std::int32_t fallback)
{
    bool ok = false;
    const int v = QLocale::c().toInt(text.trimmed(), &ok);
    return ok ? v : fallback;
}

double StrToFloat(const QString& text)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v))
        throw ScriptFault(ScriptTexts::NotAFloat(text));
    return v;
}

QString FloatToStr(double value) { return app::FloatToStrF(value, app::FloatFormat::General, 15, 0); }

// --- levels ------------------------------------------------------------------

TScript& CurrentScript() { return ScriptLevels[static_cast<std::size_t>(CurrentLevel)]; }

bool PushLevel()
{
    if (CurrentLevel >= kLevelCount - 1)
        return false;
    TScript& caller = CurrentScript();
    if (caller.FileName.isEmpty() && FRM_Script)
        caller.FileName = FRM_Script->OPD_Script.FileName;
    // The caller's text comes back into the editor when the called script
    // ends; keep what the editor holds now, edits included, and whether
    // they were saved, so that they are still asked for before they are
    // dropped.
    if (QPlainTextEdit* e = editor()) {
        caller.Lines = editorLines();
        caller.Edited = e->document()->isModified();
    }
    ++CurrentLevel;
    CurrentScript().Edited = false;
    return true;
}

void PopLevel()
{
    if (CurrentLevel <= 0)
        return;
    --CurrentLevel;
    const TScript& s = CurrentScript();
    showInEditor(s.Lines);
    if (QPlainTextEdit* e = editor())
        e->document()->setModified(s.Edited);
    if (FRM_Script) {
        FRM_Script->SVD_Script.FileName = s.FileName;
        FRM_Script->setWindowTitle(ScriptTexts::kCaptionPrefix + s.FileName);
    }
}

void ResetLevel()
{
    TScript& s = CurrentScript();
    s.LineCount = static_cast<std::int32_t>(s.Lines.size());
    s.CurrentLine = -1;
    s.LineOffset = 0;
}

std::optional<QStringList> ReadScriptFile(const QString& path, QString& failure)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        failure = readError(path, f.errorString());
        return std::nullopt;
    }
    return splitLines(platform::fromCp1252(f.readAll()));
}

bool LoadScript(const QString& fileName, bool newLevel, QString* failure)
{
    if (newLevel && !PushLevel()) {
        if (failure)
            *failure = ScriptTexts::kTooManyNested;
        else
            ScriptError(ScriptTexts::kTooManyNested);
        return false;
    }
    TScript& s = CurrentScript();
    if (!fileName.isEmpty()) {
        QString reason;
        std::optional<QStringList> lines = ReadScriptFile(fileName, reason);
        if (!lines) {
            if (failure)
                *failure = reason;
            else
                showMessage(reason);
            if (newLevel)
                PopLevel();
            return false;
        }
        s.Lines = std::move(*lines);
        showInEditor(s.Lines);
        s.FileName = fileName;
    } else {
        // The editor's text is the level's own, edited or not: it keeps its
        // file, which a save writes and a question before dropping it names
        // (a new text has none).
        s.Lines = editorLines();
    }
    s.LineCount = static_cast<std::int32_t>(s.Lines.size());
    s.CurrentLine = 1;
    s.LineOffset = 0;
    return true;
}

bool RunScriptFile(const QString& path, QString* failure)
{
    if (FRM_Script) {
        FRM_Script->SVD_Script.FileName = path;
        FRM_Script->setWindowTitle(ScriptTexts::kCaptionPrefix + path);
        FRM_Script->MNU_Enregistrer->setEnabled(true);
    }
    if (!LoadScript(path, true, failure))
        return false;
    // Always a new run, even above a paused script: the caller is paused
    // again when this one ends.
    showRunControls();
    const std::uint64_t interruptions = g_interruptions;
    StartScript(0);
    if (g_interruptions == interruptions)
        CurrentScript().State = StateRunning;
    return true;
}

// --- runs --------------------------------------------------------------------

void StartScript(int fromLine)
{
    TScript& s = CurrentScript();
    if (s.LineCount < 1)
        return;
    enableExecuter(false);
    if (FRM_Script)
        enable(FRM_Script->MNU_Arreter, true);

    // A run starts from a clean slate, even when it restarts a running one.
    ClearVariables();
    ClearLabels();
    s.Pass = 1;
    ResetLevel();
    const std::uint64_t interruptions = g_interruptions;
    g_shownBeforeRun = Systeme::ShowCount();
    takeFocusWhenVisible();
    int shown = -1;
    for (s.CurrentLine = 0; s.CurrentLine <= s.LineCount; ++s.CurrentLine) {
        const int percent = static_cast<int>(static_cast<std::int64_t>(s.CurrentLine) * 100 / s.LineCount);
        if (percent != shown && FRM_Progress) {
            FRM_Progress->SetProgress(TranslatedTexts.MSG_Preanalyse, percent, 100);
            shown = percent;
        }
        ExecuteScriptLine(1, editorLine(s.CurrentLine));
        if (g_interruptions != interruptions) {
            // An error in the pre-analysis: execution does not begin.
            if (FRM_Progress)
                FRM_Progress->hide();
            return;
        }
    }

    s.Pass = 2;
    ResetLevel();
    s.CurrentLine = fromLine - 1;
    s.StackCount = 1;
    s.ReturnStack.fill(0);
    ResumeScript();
}

void ResumeScript()
{
    // A run the user starts while a macro statement shows a box is a run.
    const ScopedValue<MacroStatement*> run(g_macro, nullptr);
    ScriptRunning = true;
    ScriptPaused = false;
    lockEditor(true);
    showRunning();
    ScriptNext(50);
}

void RunFromStart(bool fromEditor)
{
    if (ScriptRunning)
        return;   // a run is under way: its items are off, a shortcut too
    showRunControls();
    const std::uint64_t interruptions = g_interruptions;
    if (ScriptPaused) {
        TScript& s = CurrentScript();
        const std::int32_t line = s.CurrentLine;
        if (fromEditor)
            LoadScript(QString(), false);
        // Go on with the line that was due when the pause came.
        s.CurrentLine = g_pausedWhileArmed ? line - 1 : line;
        ResumeScript();
    } else {
        if (fromEditor)
            LoadScript(QString(), false);
        StartScript(0);
    }
    if (g_interruptions == interruptions)
        CurrentScript().State = StateRunning;
}

void RunFromCaret()
{
    if (ScriptRunning)
        return;
    QPlainTextEdit* e = editor();
    const int caretLine = e ? e->textCursor().blockNumber() : -1;
    if (caretLine < 0 || caretLine >= editorLines().size()) {
        // Nothing to run: said so, and the script stays as it was, paused
        // or stopped, with its controls.
        platform::messages().show({TranslatedTexts.MSG_Curseur_Hors_Script, platform::MsgKind::Information,
                                   platform::MsgButtons::Ok, {}, {}});
        return;
    }
    showRunControls();
    const std::uint64_t interruptions = g_interruptions;
    if (ScriptPaused) {
        --CurrentScript().CurrentLine;
        ResumeScript();
    } else {
        LoadScript(QString(), false);
        StartScript(caretLine - 1);
    }
    if (g_interruptions == interruptions)
        CurrentScript().State = StateRunning;
}

void PauseScript()
{
    ScriptRunning = false;
    ScriptPaused = true;
    if (FRM_Script) {
        enableExecuter(true);
        enable(FRM_Script->MNU_Arreter, true);
        enable(FRM_Script->MNU_ExecuterDuCurseur, true);
        enable(FRM_Script->MNU_Pause, false);
        enable(FRM_Script->MNU_ExecuterDuDebut, false);
    }
    enableMainButton("SPDB_Executer_Script", true);
    enableMainButton("SPDB_Arreter_Script", true);
    enableMainButton("SPDB_Pauser_Script", false);
    g_pausedWhileArmed = clockArmed();
    stopClock();
    lockEditor(false);
    CurrentScript().State = StatePaused;
}

void StopScript()
{
    // A remote statement that stops the run did not run, even when it showed
    // no box (a dialog of its own cancelled): its sender is told so.
    if (g_macro)
        tellRefusal(ScriptTexts::LineMessage(CurrentScript().CurrentLine + 1, g_macro->line + ScriptTexts::kStopped));
    ++g_interruptions;
    ScriptPaused = false;
    // A stopped wait for the user's answer takes its "Poursuivre" along:
    // pressed later, it would resume whatever the next run waits for.
    if (g_awaited == &g_userAnswer) {
        g_awaited = nullptr;
        if (FRM_Message)
            FRM_Message->EndWait();
    }
    ClearVariables();
    ClearLabels();
    // The clock stops at every level: a caller is never advanced by a stop;
    // it stays halted until it is stopped in turn.
    stopClock();
    if (CurrentLevel >= 1) {
        CurrentScript().State = StateStopped;
        PopLevel();
        // A file run from a button or at start-up while nothing ran has no
        // caller to come back to: the run ends here as a whole, and the
        // window shows it stopped.
        if (CurrentScript().State == StateStopped) {
            StopScript();
            return;
        }
    } else {
        ScriptRunning = false;
        CurrentScript().State = StateStopped;
        // A stale flag would later resume a script that never waited for it.
        WaitSequence = WaitLongExposure = WaitIntegration = WaitMove = WaitPlayer = false;
        g_awaited = nullptr;
        lockEditor(false);
        if (FRM_Script) {
            enableExecuter(true);
            enable(FRM_Script->MNU_ExecuterDuDebut, true);
            enable(FRM_Script->MNU_ExecuterDuCurseur, true);
            enable(FRM_Script->MNU_Arreter, false);
            enable(FRM_Script->MNU_Pause, false);
        }
        enableMainButton("SPDB_Executer_Script", true);
        enableMainButton("SPDB_Arreter_Script", false);
        enableMainButton("SPDB_Pauser_Script", false);
    }
    if (SequenceSaving && FRM_Tool_Images)
        FRM_Tool_Images->BTN_Arreter_SauvClick();
}

void StopEveryLevel()
{
    if (!ScriptRunning && !ScriptPaused && CurrentLevel == 0)
        return;
    while (CurrentLevel > 0)
        StopScript();
    StopScript();
}

void StopAll()
{
    stopClock();
    if (g_watch)
        g_watch->stop();
    g_idleLooks = 0;
    for (TScript& s : ScriptLevels)
        s = TScript();
    CurrentLevel = 0;
    ScriptRunning = ScriptPaused = false;
    WaitSequence = WaitLongExposure = WaitIntegration = WaitMove = WaitPlayer = GotoRunning = false;
    g_awaited = nullptr;
    g_pausedWhileArmed = false;
    lockEditor(false);
}

// --- the clock -------------------------------------------------------------------

void ScriptNext(int delay_ms)
{
    // A statement that stopped its script (an error after it armed the next
    // line, a handler missing) or that a pause caught leaves it where it is.
    if (inMacroStatement() || !ScriptRunning)
        return;
    TScript& s = CurrentScript();
    if (s.CurrentLine >= s.LineCount) {
        if (s.Pass != 2)
            return;
        const bool called = CurrentLevel >= 1;
        StopScript();
        if (!called)
            return;
        switch (CurrentScript().State) {
        case StateStopped: StopScript(); break;
        case StateRunning: ScriptNext(50); break;
        case StatePaused: PauseScript(); break;
        default: break;   // the caller keeps waiting
        }
        return;
    }
    ++s.CurrentLine;
    armClock(delay_ms);
}

void Tick()
{
    if (!FRM_Script)
        return;
    // A tick inside a macro statement's modal box is the script's own.
    const ScopedValue<MacroStatement*> ownStatement(g_macro, nullptr);
    TScript& s = CurrentScript();
    takeFocusWhenVisible();
    selectCurrentLine(s);
    stopClock();
    ExecuteScriptLine(static_cast<std::uint8_t>(s.Pass), editorLine(s.CurrentLine));
}

// --- resume protocol ---------------------------------------------------------------

void BeginWait(bool& waitFlag)
{
    // A remote statement waits for nothing: a flag it set would, when its
    // action ends, resume whatever the script then waits for.
    if (inMacroStatement())
        return;
    BeginWait();
    g_awaited = &waitFlag;
    waitFlag = true;
}

void BeginWait()
{
    if (inMacroStatement())
        return;
    CurrentScript().State = StateWaiting;
    g_awaited = nullptr;
    armWatch();
}

void BeginWaitForUser()
{
    if (inMacroStatement())
        return;
    BeginWait();
    g_awaited = &g_userAnswer;
}

bool WaitsForUserAnswer()
{
    return ScriptRunning && CurrentScript().State == StateWaiting && g_awaited == &g_userAnswer;
}

bool ResumeIfWaiting(bool& waitFlag)
{
    const bool wasSet = waitFlag;
    waitFlag = false;
    // Only the end of what the level waits for resumes it: another action
    // ending (one a remote statement or the user started) leaves it waiting.
    if (!wasSet || (g_awaited && g_awaited != &waitFlag))
        return false;
    return ResumeIfWaiting();
}

bool ResumeIfWaiting()
{
    if (!ScriptRunning || CurrentScript().State != StateWaiting)
        return false;
    const ScopedValue<MacroStatement*> resume(g_macro, nullptr);
    g_awaited = nullptr;
    CurrentScript().State = StateRunning;
    ScriptNext(50);
    return true;
}

bool StopIfWaiting(bool& waitFlag)
{
    const bool wasSet = waitFlag;
    waitFlag = false;
    if (!wasSet || (g_awaited && g_awaited != &waitFlag) || !ScriptRunning || CurrentScript().State != StateWaiting)
        return false;
    // The stop is the waiting script's: a remote statement under way (whose
    // save failed the sequence) is refused by the failure's own box.
    const ScopedValue<MacroStatement*> own(g_macro, nullptr);
    StopScript();
    return true;
}

void StartAction(const QString& arguments, bool& waitFlag, const std::function<ActionStart()>& start)
{
    const bool wait = arguments == QLatin1String("startwait");
    if (wait)
        BeginWait(waitFlag);
    const bool marked = waitFlag;
    const std::uint64_t stops = g_interruptions;
    const ActionStart started = start();
    if (g_interruptions != stops)
        return;   // the start stopped the script (its own error)
    if (started == ActionStart::Runs) {
        if (!wait)
            ScriptNext(50);
        return;
    }
    if (marked && !waitFlag)
        return;   // it ended during its start, and the script went on
    waitFlag = false;
    if (started == ActionStart::FailedAndTold)
        StopScript();
    else
        ScriptError(arguments);
}

// --- statements ----------------------------------------------------------------------

namespace {

// "Line n : text" for the statement under way, whatever line the level
// already stands on; then the stop operation.
void statementError(const QString& text)
{
    stopClock();
    TScript& s = CurrentScript();
    if (g_statement.level == CurrentLevel && g_statement.line >= 0)
        s.CurrentLine = g_statement.line;
    ScriptError(text);
}

bool frameSourceRuns() { return Cam1Online || Cam2Online || PlayerActive; }

// What a waiting level still waits for: empty while its action runs,
// otherwise the text telling what is missing.
QString missingForWait()
{
    // The user answers when ready.
    if (g_awaited == &g_userAnswer)
        return {};
    if (WaitSequence) {
        if (!SequenceSaving)
            return ScriptTexts::kNoSequence;
        const bool timed = FRM_Tool_Images && FRM_Tool_Images->CBX_Unite->currentIndex() > 0;
        return timed || frameSourceRuns() ? QString() : ScriptTexts::kNoFrames;
    }
    if (WaitIntegration) {
        if (!FRM_Tool_Images || !FRM_Tool_Images->BTN_Arreter_Add->isEnabled())
            return ScriptTexts::kNoStacking;
        return frameSourceRuns() ? QString() : ScriptTexts::kNoFrames;
    }
    if (WaitLongExposure)
        return LongExposureRunning[1] || LongExposureRunning[2] ? QString() : ScriptTexts::kNoLongExposure;
    if (WaitPlayer)
        return PlayerActive ? QString() : ScriptTexts::kNoPlayback;
    if (WaitMove && !GotoRunning) {
        const bool moving = FRM_Prg_Suivi
                            && (FRM_Prg_Suivi->TMR_Suivi_AD->isActive() || FRM_Prg_Suivi->TMR_Suivi_Dec->isActive());
        return moving ? QString() : ScriptTexts::kNoTimedMove;
    }
    // A goto is watched by the mount, which ends it on a timeout; a wait for
    // "Poursuivre" lasts until the user answers.
    return {};
}

void armWatch()
{
    if (!FRM_Script)
        return;
    if (!g_watch) {
        g_watch = new QTimer(FRM_Script);
        g_watch->setObjectName(QStringLiteral("TMR_ScriptWait"));
        g_watch->setInterval(kWatchPeriod_ms);
        QObject::connect(g_watch, &QTimer::timeout, FRM_Script,
                         [] { app::runGuarded(QStringLiteral("TMR_ScriptWait"), [] { WatchWait(); }); });
    }
    g_idleLooks = 0;
    g_watch->start();
}

} // namespace

void WatchWait()
{
    if (!ScriptRunning || CurrentScript().State != StateWaiting) {
        if (g_watch)
            g_watch->stop();
        g_idleLooks = 0;
        return;
    }
    const QString missing = missingForWait();
    if (missing.isEmpty()) {
        g_idleLooks = 0;
        return;
    }
    if (++g_idleLooks < kIdleLooksToEnd)
        return;
    if (g_watch)
        g_watch->stop();
    g_idleLooks = 0;
    WaitSequence = WaitLongExposure = WaitIntegration = WaitMove = WaitPlayer = false;
    CurrentScript().State = StateRunning;
    ScriptError(editorLine(CurrentScript().CurrentLine).trimmed() + missing);
}

bool StatementAction(const std::function<bool()>& action, const QString& whyNot)
{
    const std::uint64_t stops = g_interruptions;
    if (action())
        return true;
    if (g_interruptions == stops)
        statementError(g_statement.text + whyNot);
    return false;
}

bool RunCommandHandler(const QString& name)
{
    if (Settings::RunHandler(name))
        return true;
    statementError(g_statement.text + ScriptTexts::kNotAvailable);
    return false;
}

void ScriptError(const QString& text)
{
    TScript& s = CurrentScript();
    selectCurrentLine(s);
    const QString message = ScriptTexts::LineMessage(s.CurrentLine + 1, text);
    tellRefusal(message);
    showMessage(message);
    StopScript();
}

void ScriptError(const std::exception& failure)
{
    const auto* told = dynamic_cast<const app::ToldFailure*>(&failure);
    if (!told || !told->toldNow())
        return ScriptError(told ? told->text() : QString::fromUtf8(failure.what()));
    TScript& s = CurrentScript();
    selectCurrentLine(s);
    tellRefusal(ScriptTexts::LineMessage(s.CurrentLine + 1, told->text()));
    StopScript();
}

void RefuseStatement(const QString& text) { tellRefusal(text); }

namespace {

void unknownCommand()
{
    const QString message = ScriptTexts::UnknownCommand(CurrentScript().CurrentLine + 1);
    tellRefusal(message);
    Systeme::ShowFormOnScreen(FRM_Script);
    showMessage(message);
    StopScript();
}

void dispatch(std::uint8_t pass, const QString& line)
{
    QString keyword = StrHelpers::ExtractCommandWord(line.trimmed()).toLower();
    // A label starts in the first column; indented, the line is skipped.
    if (keyword == QLatin1String(":") && !line.startsWith(QLatin1Char(':')))
        keyword.clear();
    const QString arguments = StrHelpers::ExtractParenArgs(line);
    const QString rest = line.mid(keyword.size());

    if (pass == 1) {
        if (keyword == QLatin1String("var"))
            DeclareVariable(pass, arguments);
        else if (keyword == QLatin1String(":"))
            DeclareLabel(pass, rest);
        return;
    }
    if (isSkippedKeyword(keyword)) {
        ScriptNext(10);
        return;
    }
    if (const CommandHandler* handler = FindCommand(keyword)) {
        // Copied: a handler may register or run anything, the table entry
        // must not be used after it.
        const CommandHandler run = *handler;
        const ScopedValue<Statement> statement(
            g_statement, {CurrentLevel, CurrentScript().CurrentLine, line.trimmed()});
        run(pass, arguments);
        return;
    }
    const int variable = FindVariable(keyword);
    if (variable != kNotFound) {
        ExecuteAssignment(pass, variable, rest);
        return;
    }
    unknownCommand();
}

} // namespace

void ExecuteScriptLine(std::uint8_t pass, const QString& line)
{
    try {
        dispatch(pass, line);
    } catch (const app::ToldFailure& e) {
        ScriptError(e);
    } catch (const ScriptFault& e) {
        fault(e.message());
    } catch (const std::exception& e) {
        fault(QString::fromUtf8(e.what()));
    } catch (...) {
        fault(ScriptTexts::kUnknownFault);
    }
}

bool ExecuteMacroLine(const QString& line, const std::function<void(const QString&)>& refused)
{
    MacroStatement statement{CurrentLevel, QThread::currentThread()->loopLevel(), &refused, false, line.trimmed()};
    const ScopedValue<MacroStatement*> macro(g_macro, &statement);
    const StatementBoxes boxes;
    ExecuteScriptLine(2, line);
    return !statement.wasRefused;
}

bool InRemoteStatement() { return inMacroStatement(); }

int FindVariable(const QString& name)
{
    const std::vector<TVariable>& vars = CurrentScript().Variables;
    for (std::size_t i = 0; i < vars.size(); ++i)
        if (vars[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i) + 1;
    return kNotFound;
}

int FindLabel(const QString& name)
{
    const std::vector<TEtiquette>& labels = CurrentScript().Labels;
    for (std::size_t i = 0; i < labels.size(); ++i)
        if (labels[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i) + 1;
    return kNotFound;
}

void ClearVariables() { CurrentScript().Variables.clear(); }
void ClearLabels() { CurrentScript().Labels.clear(); }

void DeclareVariable(std::uint8_t pass, const QString& arguments)
{
    if (pass != 1)
        return;
    const QString name = StrHelpers::ExtractField(arguments, QLatin1Char(','), 1).trimmed();
    const QString type = StrHelpers::ExtractField(arguments, QLatin1Char(','), 2).trimmed();
    if (FindVariable(name) != kNotFound)
        return;   // the first declaration and its type stand
    TVariable v;
    v.Name = name;
    const QString word = type.toLower();
    if (word == QLatin1String("integer"))
        v.VarType = TypeInteger;
    else if (word == QLatin1String("double"))
        v.VarType = TypeDouble;
    else if (word == QLatin1String("string"))
        v.VarType = TypeString;
    else {
        ScriptError(type);
        return;
    }
    if (CurrentScript().VarCount() >= kMaxVariables) {
        ScriptError(ScriptTexts::kTooManyVariables);
        return;
    }
    CurrentScript().Variables.push_back(v);
}

void DeclareLabel(std::uint8_t pass, const QString& rest)
{
    if (pass != 1)
        return;
    const QString name = StrHelpers::ExtractField(rest, QLatin1Char(','), 1);
    if (FindLabel(name) != kNotFound) {
        ScriptError(name + ScriptTexts::kDuplicated);
        return;
    }
    if (CurrentScript().LabelCount() >= kMaxLabels) {
        ScriptError(ScriptTexts::kTooManyLabels);
        return;
    }
    CurrentScript().Labels.push_back({name, CurrentScript().CurrentLine});
}

} // namespace Scripts
