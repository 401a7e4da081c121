#include "scripting/script_language.h"

#include "app/align_v_features.h"
#include "app/frm_pref.h"
#include "app/helpers/str_helpers.h"
#include "capture/camera_slots.h"
#include "imaging/pipeline_state.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "scripting/frm_input.h"
#include "scripting/script_texts.h"
#include "scripting/scripts.h"

#include <QDateTime>
#include <QLineEdit>

#include <cmath>
#include <cstdint>
#include <limits>

namespace Scripts {

const std::array<QString, 6> ComparisonOperators = {
    QStringLiteral("<>"), QStringLiteral("<="), QStringLiteral(">="),
    QStringLiteral("<"),  QStringLiteral(">"),  QStringLiteral("="),
};

namespace {

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }
bool isDigitOrSeparator(QChar c) { return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.'); }
bool isNameStart(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
           || c == QLatin1Char('_');
}
// A variable or system-variable name runs up to a blank, an arithmetic
// operator or a comparison character.
bool endsName(QChar c) { return isBlank(c) || QStringLiteral("*+-/<=>").contains(c); }

// Non-blank characters from the 1-based position on.
bool textRemains(const QString& text, int position)
{
    for (int i = std::max(0, position - 1); i < text.size(); ++i)
        if (!isBlank(text[i]))
            return true;
    return false;
}

// The text from the 1-based position, trimmed: what a message shows of an
// operand or an operator that was expected there.
QString from(const QString& text, int position) { return text.mid(std::max(0, position - 1)).trimmed(); }

QString negated(const QString& value, int wantedType)
{
    if (wantedType == TypeDouble)
        return FloatToStr(-StrToFloat(value));
    bool ok = false;
    const qlonglong v = value.trimmed().toLongLong(&ok);
    if (!ok || -v < std::numeric_limits<std::int32_t>::min() || -v > std::numeric_limits<std::int32_t>::max())
        throw ScriptFault(ScriptTexts::NotAnInteger(QLatin1Char('-') + value));
    return QString::number(-v);
}

QString variableText(const TVariable& v)
{
    switch (v.VarType) {
    case TypeInteger: return QString::number(v.IntValue);
    case TypeDouble: return FloatToStr(v.DblValue);
    default: return v.StrValue;
    }
}

// The text of a folder field of the Preferences dialog, as typed.
QString prefFolder(QLineEdit* TFRM_Pref::*field)
{
    return FRM_Pref ? (FRM_Pref->*field)->text() : QString();
}

QString cameraSize(bool width)
{
    const int slot = CurrentCameraSlot;
    if (slot < 1 || slot > 2)
        return QStringLiteral("0");
    return QString::number(width ? CameraSlots[static_cast<std::size_t>(slot)].width
                                 : CameraSlots[static_cast<std::size_t>(slot)].height);
}

// Reads a named variable (1-based index) for a command; reports the name as
// not declared when missing.
TVariable* declaredVariable(const QString& name, const QString& missingText)
{
    const int index = FindVariable(name);
    if (index == kNotFound) {
        ScriptError(name + missingText);
        return nullptr;
    }
    return &CurrentScript().Variables[static_cast<std::size_t>(index - 1)];
}

void jumpToLabel(const QString& label, bool pushReturn)
{
    const int index = FindLabel(label);
    if (index == kNotFound) {
        ScriptError(label + ScriptTexts::kUnknownLabel);
        return;
    }
    TScript& s = CurrentScript();
    if (pushReturn) {
        if (s.StackCount < 0 || s.StackCount >= kReturnStackSize) {
            ScriptError(ScriptTexts::kStackOverflow);
            return;
        }
        s.ReturnStack[static_cast<std::size_t>(s.StackCount)] = s.CurrentLine;
        ++s.StackCount;
    }
    s.CurrentLine = s.Labels[static_cast<std::size_t>(index - 1)].Line;
    ScriptNext(10);
}

bool compare(int sign, const QString& op)
{
    if (op == QLatin1String("<>"))
        return sign != 0;
    if (op == QLatin1String("<="))
        return sign <= 0;
    if (op == QLatin1String(">="))
        return sign >= 0;
    if (op == QLatin1String("<"))
        return sign < 0;
    if (op == QLatin1String(">"))
        return sign > 0;
    return sign == 0;
}

double floatArith(double a, QChar op, double b)
{
    double r = 0.0;
    switch (op.unicode()) {
    case '+': r = a + b; break;
    case '-': r = a - b; break;
    case '*': r = a * b; break;
    default:
        if (b == 0.0)
            throw ScriptFault(ScriptTexts::kDivisionByZero);
        r = a / b;
    }
    if (!std::isfinite(r))
        throw ScriptFault(ScriptTexts::kFloatOverflow);
    return r;
}

} // namespace

// --- arithmetic ---------------------------------------------------------------

std::int32_t IntArith(std::int32_t a, QChar op, std::int32_t b)
{
    const auto ua = static_cast<std::uint32_t>(a);
    const auto ub = static_cast<std::uint32_t>(b);
    switch (op.unicode()) {
    case '+': return static_cast<std::int32_t>(ua + ub);
    case '-': return static_cast<std::int32_t>(ua - ub);
    case '*': return static_cast<std::int32_t>(ua * ub);
    default:
        if (b == 0)
            throw ScriptFault(ScriptTexts::kDivisionByZero);
        if (a == std::numeric_limits<std::int32_t>::min() && b == -1)
            return a;   // wraps
        return a / b;
    }
}

std::int32_t TruncToInt32(double value)
{
    const double t = std::trunc(value);
    if (!std::isfinite(t) || std::fabs(t) >= 9223372036854775808.0)
        throw ScriptFault(ScriptTexts::kInvalidFloatOperation);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(t)));
}

// --- operands --------------------------------------------------------------------

int EvalOperand(const QString& text, int wantedType, int start, QString& result)
{
    result.clear();
    const int n = static_cast<int>(text.size());
    int i = std::max(0, start - 1);
    bool negative = false;
    if (wantedType == TypeString) {
        while (i < n && isBlank(text[i]))
            ++i;
    } else {
        while (i < n && (isBlank(text[i]) || text[i] == QLatin1Char('-'))) {
            negative = negative || text[i] == QLatin1Char('-');
            ++i;
        }
    }
    if (i >= n)
        return kWrongType;
    const QChar c = text[i];
    int end = i;

    if (wantedType == TypeString && c == QLatin1Char('"')) {
        int close = static_cast<int>(text.indexOf(QLatin1Char('"'), i + 1));
        if (close < 0)
            close = n;   // an unclosed quote runs to the end of the text
        result = text.mid(i + 1, close - i - 1);
        return std::min(close, n) + 2;
    }
    if (wantedType != TypeString && isDigitOrSeparator(c)) {
        while (end < n && isDigitOrSeparator(text[end]))
            ++end;
        result = text.mid(i, end - i);
        if (wantedType == TypeInteger && result.contains(QLatin1Char('.'))) {
            result.clear();
            return kWrongType;   // a fraction is no integer
        }
    } else if (isNameStart(c) || c == QLatin1Char('%')) {
        end = i + 1;
        while (end < n && !endsName(text[end]))
            ++end;
        QString name = text.mid(i, end - i);
        if (c == QLatin1Char('%')) {
            const QString lower = name.toLower();
            if (!SystemVariable(name)) {
                ScriptError(lower + ScriptTexts::kUnknownSystemVariable);
                return kNotFound;
            }
            result = name;
        } else {
            const int index = FindVariable(name);
            if (index == kNotFound) {
                ScriptError(name + ScriptTexts::kNotDeclaredInOperand);
                return kNotFound;
            }
            const TVariable& v = CurrentScript().Variables[static_cast<std::size_t>(index - 1)];
            const bool fits = wantedType == TypeString ? v.VarType == TypeString
                              : wantedType == TypeInteger ? v.VarType == TypeInteger
                                                          : v.VarType != TypeString;
            if (!fits)
                return kWrongType;
            result = variableText(v);
        }
    } else {
        return kWrongType;
    }
    if (negative)
        result = negated(result, wantedType);
    return end + 1;
}

int NextArithmeticOperator(const QString& text, int start, QChar& op)
{
    int i = std::max(0, start - 1);
    while (i < text.size() && (isBlank(text[i]) || text[i] == QLatin1Char('"')))
        ++i;
    if (i < text.size() && QStringLiteral("*+-/").contains(text[i])) {
        op = text[i];
        return i + 2;
    }
    return kNotFound;
}

int FindComparisonOperator(const QString& text, int start, QString& op)
{
    const int from0 = std::max(0, start - 1);
    for (const QString& candidate : ComparisonOperators) {
        const qsizetype at = text.indexOf(candidate, from0);
        if (at >= 0) {
            op = candidate;
            return static_cast<int>(at + candidate.size()) + 1;
        }
    }
    return kNotFound;
}

int FindAssignOperator(const QString& text)
{
    const qsizetype at = text.indexOf(QLatin1String(":="));
    if (at < 0) {
        ScriptError(text);
        return kNotFound;
    }
    return static_cast<int>(at) + 3;
}

bool SystemVariable(QString& name)
{
    const QString key = name.toLower();
    const QDateTime now = platform::clock().wallNow();
    QString value;
    if (key == QLatin1String("%object_in_field"))
        value = ObjectInField ? QStringLiteral("1") : QStringLiteral("0");
    else if (key == QLatin1String("%videowidth"))
        value = cameraSize(true);
    else if (key == QLatin1String("%videoheight"))
        value = cameraSize(false);
    else if (key == QLatin1String("%trackx"))
        value = QString::number(TrackedStarPos.x());
    else if (key == QLatin1String("%tracky"))
        value = QString::number(TrackedStarPos.y());
    else if (key == QLatin1String("%displayx"))
        value = QString::number(DisplayZoneCenter.x());
    else if (key == QLatin1String("%displayy"))
        value = QString::number(DisplayZoneCenter.y());
    else if (key == QLatin1String("%cam1_online"))
        value = Cam1Online ? QStringLiteral("1") : QStringLiteral("0");
    else if (key == QLatin1String("%cam2_online"))
        value = Cam2Online ? QStringLiteral("1") : QStringLiteral("0");
    else if (key == QLatin1String("%date"))
        value = now.toString(QStringLiteral("yyyyMMdd"));
    else if (key == QLatin1String("%dateraw"))
        value = QString::number(now.date().toJulianDay() - QDate(1, 1, 1).toJulianDay() + 1);
    else if (key == QLatin1String("%year"))
        value = now.toString(QStringLiteral("yyyy"));
    else if (key == QLatin1String("%month"))
        value = now.toString(QStringLiteral("MM"));
    else if (key == QLatin1String("%day"))
        value = now.toString(QStringLiteral("dd"));
    else if (key == QLatin1String("%time"))
        value = now.toString(QStringLiteral("HHmmsszzz"));
    else if (key == QLatin1String("%timeraw"))
        value = QString::number(now.time().msecsSinceStartOfDay());
    else if (key == QLatin1String("%hour"))
        value = now.toString(QStringLiteral("HH"));
    else if (key == QLatin1String("%minute"))
        value = now.toString(QStringLiteral("mm"));
    else if (key == QLatin1String("%second"))
        value = now.toString(QStringLiteral("ss"));
    else if (key == QLatin1String("%appdir"))
        value = platform::programDir();
    else if (key == QLatin1String("%scriptdir"))
        value = prefFolder(&TFRM_Pref::EDT_Repertoire_Scripts);
    else if (key == QLatin1String("%bitmapdir"))
        value = prefFolder(&TFRM_Pref::EDT_Repertoire_Bitmaps);
    else
        return false;
    name = value;
    return true;
}

// --- assignment ---------------------------------------------------------------------

void ExecuteAssignment(std::uint8_t pass, int varIndex, const QString& rest)
{
    int pos = FindAssignOperator(rest);
    if (pos == kNotFound)
        return;
    const std::uint8_t type = CurrentScript().Variables[static_cast<std::size_t>(varIndex - 1)].VarType;
    QString operand;

    // Reads the operand at `at` in `wanted`, then (when given) in `fallback`.
    // Returns false when the statement ends (the error is reported).
    int readType = 0;
    auto read = [&](int at, int wanted, int fallback) {
        readType = wanted;
        pos = EvalOperand(rest, wanted, at, operand);
        if (pos == kWrongType && fallback >= 0) {
            readType = fallback;
            pos = EvalOperand(rest, fallback, at, operand);
        }
        if (pos == kWrongType)
            ScriptError(from(rest, at) + ScriptTexts::kIncompatibleTypes);
        return pos != kNotFound && pos != kWrongType;
    };
    // The next operator; false (reported) when the text goes on with none.
    QChar op;
    auto nextOperator = [&]() {
        const int at = NextArithmeticOperator(rest, pos, op);
        if (at == kNotFound) {
            ScriptError(from(rest, pos) + ScriptTexts::kOperatorExpected);
            return -1;
        }
        return at;
    };

    std::int32_t intValue = 0;
    double dblValue = 0.0;
    QString strValue;
    switch (type) {
    case TypeInteger:
        if (!read(pos, TypeInteger, -1))
            return;
        intValue = StrToInt(operand);
        while (textRemains(rest, pos)) {
            const int at = nextOperator();
            if (at < 0 || !read(at, TypeInteger, TypeDouble))
                return;
            if (readType == TypeDouble && op == QLatin1Char('/')) {
                const double divisor = StrToFloat(operand);
                if (divisor == 0.0)
                    throw ScriptFault(ScriptTexts::kDivisionByZero);
                intValue = TruncToInt32(intValue / divisor);
            } else {
                intValue = IntArith(intValue, op, StrToInt(operand));
            }
        }
        break;
    case TypeDouble:
        if (!read(pos, TypeDouble, -1))
            return;
        dblValue = StrToFloat(operand);
        while (textRemains(rest, pos)) {
            const int at = nextOperator();
            if (at < 0 || !read(at, TypeDouble, -1))
                return;
            dblValue = floatArith(dblValue, op, StrToFloat(operand));
        }
        break;
    default:
        if (!read(pos, TypeString, TypeInteger))
            return;
        strValue = readType == TypeInteger ? QString::number(StrToInt(operand)) : operand;
        while (textRemains(rest, pos)) {
            const int at = nextOperator();
            if (at < 0)
                return;
            if (op != QLatin1Char('+')) {
                ScriptError(QString(op) + ScriptTexts::kStringOperator);
                return;
            }
            if (!read(at, TypeString, TypeInteger))
                return;
            strValue += readType == TypeInteger ? QString::number(StrToInt(operand)) : operand;
        }
        break;
    }

    TVariable& v = CurrentScript().Variables[static_cast<std::size_t>(varIndex - 1)];
    switch (type) {
    case TypeInteger: v.IntValue = intValue; break;
    case TypeDouble: v.DblValue = dblValue; break;
    default: v.StrValue = strValue; break;
    }
    ScriptNext(10);
}

// --- flow --------------------------------------------------------------------------

void CmdJump(std::uint8_t, const QString& arguments)
{
    jumpToLabel(StrHelpers::ExtractField(arguments, QLatin1Char(','), 1), false);
}

void CmdCall(std::uint8_t, const QString& arguments)
{
    jumpToLabel(StrHelpers::ExtractField(arguments, QLatin1Char(','), 1), true);
}

void CmdReturn(std::uint8_t, const QString&)
{
    TScript& s = CurrentScript();
    if (s.StackCount < 1 || s.StackCount > kReturnStackSize) {
        ScriptError(ScriptTexts::kStackUnderflow);
        return;
    }
    --s.StackCount;
    s.CurrentLine = s.ReturnStack[static_cast<std::size_t>(s.StackCount)];
    ScriptNext(10);
}

void CmdCallFar(std::uint8_t, const QString& arguments)
{
    const QString written = arguments.trimmed();
    QString name;
    const int pos = EvalOperand(written, TypeString, 1, name);
    if (pos == kNotFound)
        return;
    if (pos == kWrongType) {
        ScriptError(ScriptTexts::kScriptNotFound + written);
        return;
    }
    if (CurrentLevel >= kLevelCount - 1) {
        ScriptError(ScriptTexts::kTooManyNested);
        return;
    }
    // The called script's start arms the clock; its end continues here. A
    // file that cannot be read stops this script, as a missing one does:
    // nothing would ever hand back to it.
    QString failure;
    if (!Align_V::RunScriptByName(name, &failure))
        ScriptError(failure.isEmpty() ? ScriptTexts::kScriptNotFound + name : failure);
}

void CmdJumpIf(std::uint8_t, const QString& arguments)
{
    const QString condition = StrHelpers::ExtractField(arguments, QLatin1Char(','), 1).trimmed();
    const QString label = StrHelpers::ExtractField(arguments, QLatin1Char(','), 2);

    QString left;
    int type = TypeString;
    int pos = EvalOperand(condition, TypeString, 1, left);
    if (pos == kWrongType) {
        type = TypeInteger;
        pos = EvalOperand(condition, TypeInteger, 1, left);
    }
    if (pos == kNotFound)
        return;
    if (pos == kWrongType) {
        ScriptError(condition + ScriptTexts::kIncompatibleTypes);
        return;
    }
    QString op;
    const int at = FindComparisonOperator(condition, pos, op);
    if (at == kNotFound) {
        ScriptError(condition + ScriptTexts::kComparisonExpected);
        return;
    }
    QString right;
    const int end = EvalOperand(condition, type, at, right);
    if (end == kNotFound)
        return;
    if (end == kWrongType) {
        ScriptError(condition + ScriptTexts::kIncompatibleTypes);
        return;
    }
    int sign = 0;
    if (type == TypeInteger) {
        const std::int32_t a = StrToInt(left);
        const std::int32_t b = StrToInt(right);
        sign = a < b ? -1 : (a > b ? 1 : 0);
    } else {
        // Byte by byte in the script's code page, case-sensitive.
        const QByteArray a = platform::toCp1252(left);
        const QByteArray b = platform::toCp1252(right);
        sign = a < b ? -1 : (a > b ? 1 : 0);
    }
    if (compare(sign, op))
        jumpToLabel(label, false);
    else
        ScriptNext(10);
}

// --- values --------------------------------------------------------------------------

void CmdInt(std::uint8_t, const QString& arguments)
{
    const QString number = StrHelpers::ExtractField(arguments, QLatin1Char(','), 1).trimmed();
    QString text;
    const int pos = EvalOperand(number, TypeDouble, 1, text);
    if (pos == kNotFound)
        return;
    if (pos == kWrongType) {
        ScriptError(number + ScriptTexts::kIncompatibleTypes);
        return;
    }
    const std::int32_t value = TruncToInt32(StrToFloat(text));
    const QString name = StrHelpers::ExtractField(arguments, QLatin1Char(','), 2).trimmed();
    TVariable* v = declaredVariable(name, ScriptTexts::kNotDeclared);
    if (!v)
        return;
    if (v->VarType == TypeInteger)
        v->IntValue = value;
    ScriptNext(10);
}

// --- input statements ---------------------------------------------------------------

namespace {

enum class Ask { Integer, Double, String, Choice };

// message, [choices,] variable: asks the user and stores the answer.
void askInto(Ask ask, const QString& arguments)
{
    const QString messageField = StrHelpers::ExtractField(arguments, QLatin1Char(','), 1).trimmed();
    QString message;
    const int pos = EvalOperand(messageField, TypeString, 1, message);
    if (pos == kNotFound)
        return;
    if (pos == kWrongType) {
        ScriptError(messageField + ScriptTexts::kIncompatibleTypes);
        return;
    }
    // The integer and double entries take the variable's name as written.
    QString name = StrHelpers::ExtractField(arguments, QLatin1Char(','), ask == Ask::Choice ? 3 : 2);
    if (ask == Ask::String || ask == Ask::Choice)
        name = name.trimmed();
    const int index = FindVariable(name);
    if (index == kNotFound) {
        ScriptError(name + ScriptTexts::kNotDeclared);
        return;
    }
    const std::uint8_t type = CurrentScript().Variables[static_cast<std::size_t>(index - 1)].VarType;
    const std::uint8_t wanted = ask == Ask::Integer ? TypeInteger : ask == Ask::Double ? TypeDouble : TypeString;
    if (ask != Ask::Choice && type != wanted) {
        ScriptError(name + ScriptTexts::kIncompatibleType);
        return;
    }

    // The dialog runs modally: a copy of the value is asked, and the variable
    // is found again afterwards.
    TVariable value = CurrentScript().Variables[static_cast<std::size_t>(index - 1)];
    bool answered = false;
    switch (ask) {
    case Ask::Integer: answered = Input::InputInteger(message, value.IntValue); break;
    case Ask::Double: answered = Input::InputReal(message, value.DblValue); break;
    case Ask::String: answered = Input::InputString(message, value.StrValue); break;
    case Ask::Choice: {
        const QString choices = StrHelpers::ExtractField(arguments, QLatin1Char(','), 2).trimmed();
        QString answer = variableText(value);
        answered = Input::InputChoice(message, choices, answer);
        if (answered) {
            // The caption as it is for a string, its value for a number.
            if (type == TypeString)
                value.StrValue = answer;
            else if (type == TypeInteger)
                value.IntValue = StrToInt(answer);
            else
                value.DblValue = StrToFloat(answer);
        }
        break;
    }
    }
    if (!answered) {
        ScriptError(name + ScriptTexts::kNotAnswered);
        return;
    }
    const int again = FindVariable(name);
    if (again == kNotFound)
        return;   // the script was stopped meanwhile
    CurrentScript().Variables[static_cast<std::size_t>(again - 1)] = value;
    ScriptNext(10);
}

} // namespace

void CmdInputInteger(std::uint8_t, const QString& arguments) { askInto(Ask::Integer, arguments); }
void CmdInputDouble(std::uint8_t, const QString& arguments) { askInto(Ask::Double, arguments); }
void CmdInputString(std::uint8_t, const QString& arguments) { askInto(Ask::String, arguments); }
void CmdInputChoice(std::uint8_t, const QString& arguments) { askInto(Ask::Choice, arguments); }

} // namespace Scripts
