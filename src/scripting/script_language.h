#pragma once
// The script language: operands and their types, left-to-right arithmetic,
// conditions, the flow statements (jump, call, return, callfar, jumpif), int
// and the input statements, and the system variables. Command families use
// EvalOperand to read their value fields.
//
// Positions in texts count from 1, as in the rest of the tokenizer.

#include <QChar>
#include <QString>

#include <array>
#include <cstdint>

namespace Scripts {

enum : int { TypeInteger = 0, TypeDouble = 1, TypeString = 2 };

// The comparison operators, tried in this order.
extern const std::array<QString, 6> ComparisonOperators;

// Reads one operand of text from position start as wantedType. Integer and
// double operands skip blanks and "-" signs (any "-" makes it negative);
// strings skip blanks only. Forms: a number (digits and "."; a number with
// "." is not an integer), a quoted text (strings only), a variable of the
// current level, or a "%" system variable (its text whatever the type).
// result receives the value as text. Returns the position just behind the
// operand; kNotFound (999) after an error already reported by ScriptError;
// kWrongType (9999) when the operand is not of the wanted type (nothing
// reported). Negating a text that is no number throws ScriptFault.
int EvalOperand(const QString& text, int wantedType, int start, QString& result);

// From start, skips blanks and double quotes; on "*", "+", "-" or "/" sets op
// and returns the position behind it, else kNotFound (nothing reported).
int NextArithmeticOperator(const QString& text, int start, QChar& op);
// The first of ComparisonOperators (in table order) found anywhere in text
// from start: op is set and the position behind it returned; else kNotFound.
int FindComparisonOperator(const QString& text, int start, QString& op);
// Position behind the first ":=" of text; a script error showing the text,
// and kNotFound, when there is none.
int FindAssignOperator(const QString& text);

// When name (any case) is a system variable, replaces it with the value text
// and returns true.
bool SystemVariable(QString& name);

// name:=expression for the 1-based variable varIndex, rest being the line
// after the name.
void ExecuteAssignment(std::uint8_t pass, int varIndex, const QString& rest);

// The language's statements (registered with the engine).
void CmdJump(std::uint8_t pass, const QString& arguments);
void CmdCall(std::uint8_t pass, const QString& arguments);
void CmdReturn(std::uint8_t pass, const QString& arguments);
void CmdCallFar(std::uint8_t pass, const QString& arguments);
void CmdJumpIf(std::uint8_t pass, const QString& arguments);
void CmdInt(std::uint8_t pass, const QString& arguments);
void CmdInputInteger(std::uint8_t pass, const QString& arguments);
void CmdInputDouble(std::uint8_t pass, const QString& arguments);
void CmdInputString(std::uint8_t pass, const QString& arguments);
void CmdInputChoice(std::uint8_t pass, const QString& arguments);

// 32-bit two's complement arithmetic of integer statements; "/" truncates
// toward zero and throws ScriptFault on a zero divisor.
std::int32_t IntArith(std::int32_t a, QChar op, std::int32_t b);
// A double truncated toward zero to 32 bits (wrapping); ScriptFault when it
// is not finite or beyond 64 bits.
std::int32_t TruncToInt32(double value);

} // namespace Scripts
