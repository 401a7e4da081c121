#pragma once
// Every text the script engine and its language show, in one place. The
// French texts are those of the program's windows; the script errors keep
// the English wording that users' scripts and habits know.

#include <QString>

namespace ScriptTexts {

// Windows (the pre-scan's progress and the caption of a new script are
// translated texts).
inline const QString kCaptionPrefix = QStringLiteral("Scripts : ");

// Message boxes: "Line n : " + text, and the statement that is no command.
inline QString LineMessage(int lineNumber, const QString& text)
{
    return QStringLiteral("Line %1 : %2").arg(lineNumber).arg(text);
}
inline QString UnknownCommand(int lineNumber)
{
    return QStringLiteral("Error, Line %1 : Unknown Command").arg(lineNumber);
}

// Texts given to ScriptError (after "Line n : ").
inline const QString kNotDeclaredInOperand = QStringLiteral(" : not declared");
inline const QString kNotDeclared = QStringLiteral(" : Not declared");
inline const QString kUnknownSystemVariable = QStringLiteral(" : unknown system variable");
inline const QString kIncompatibleType = QStringLiteral(" : Incompatible type");
inline const QString kIncompatibleTypes = QStringLiteral(" : incompatible types");
inline const QString kNotAnswered = QStringLiteral(" : Not answered");
inline const QString kUnknownLabel = QStringLiteral(" : Unknown label");
inline const QString kDuplicated = QStringLiteral(" :Duplicated");
inline const QString kStackOverflow = QStringLiteral("Stack overflow");
inline const QString kStackUnderflow = QStringLiteral("Stack underflow");
inline const QString kScriptNotFound = QStringLiteral("Script not found : ");
inline const QString kTooManyNested = QStringLiteral("Too many nested scripts");
inline const QString kTooManyVariables = QStringLiteral("Too many variables");
inline const QString kTooManyLabels = QStringLiteral("Too many labels");
// A command whose action's handler no window provides, a wait whose action
// ended without resuming the script, and an action that did not happen.
inline const QString kNotAvailable = QStringLiteral(" : command not available");
inline const QString kNoSequence = QStringLiteral(" : no capture sequence runs");
inline const QString kNoStacking = QStringLiteral(" : no stacking runs");
inline const QString kNoLongExposure = QStringLiteral(" : no long exposure runs");
inline const QString kNoPlayback = QStringLiteral(" : no file is playing");
inline const QString kNoTimedMove = QStringLiteral(" : no timed move runs");
inline const QString kNoCameraStarted = QStringLiteral(" : no camera started");
inline const QString kNoFileOpen = QStringLiteral(" : no file is open");
inline const QString kPortNotWritten = QStringLiteral(" : the port cannot be written");
inline const QString kNoFrames = QStringLiteral(" : no camera or file delivers frames");
// A statement sent by another program that stopped the run without a box.
inline const QString kStopped = QStringLiteral(" : stopped");
// Statements that would otherwise halt without a word.
inline const QString kOperatorExpected = QStringLiteral(" : operator expected");
inline const QString kStringOperator = QStringLiteral(" : only + joins texts");
inline const QString kComparisonExpected = QStringLiteral(" : comparison operator expected");

// Faults of conversions and arithmetic, shown in the standard error box.
inline QString NotAnInteger(const QString& text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}
inline QString NotAFloat(const QString& text)
{
    return QStringLiteral("'%1' is not a valid floating point value").arg(text);
}
inline const QString kDivisionByZero = QStringLiteral("Division by zero");
inline const QString kFloatOverflow = QStringLiteral("Floating point overflow");
inline const QString kInvalidFloatOperation = QStringLiteral("Invalid floating point operation");
inline const QString kUnknownFault = QStringLiteral("Unknown error");

} // namespace ScriptTexts
