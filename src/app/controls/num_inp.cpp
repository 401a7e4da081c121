#include "app/controls/num_inp.h"

#include "app/controls/float_text.h"
#include "app/ui/event_boundary.h"
#include "app/ui/press_guard.h"
#include "platform/message_service.h"
#include "translation/translated_texts.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <array>
#include <charconv>
#include <cmath>

namespace {

struct TypeBounds {
    long double lo;
    long double hi;
};

TypeBounds boundsOf(TDataType type)
{
    switch (type) {
    case dtByte: return {0, 255};
    case dtDouble: return {-1.7E308L, 1.7E308L};
    case dtExtended: break;
    case dtInteger: return {-32768, 32767};
    case dtLongint: return {-2147483647, 2147483647};   // -2^31 is outside
    case dtReal: return {-1.7E38L, 1.7E38L};
    case dtShortint: return {-128, 127};
    case dtSingle: return {-3.4E38L, 3.4E38L};
    case dtWord: return {0, 65535};
    }
    return {-HUGE_VALL, HUGE_VALL};
}

bool inBounds(long double v, TDataType type)
{
    const auto b = boundsOf(type);
    return v >= b.lo && v <= b.hi;
}

// Halves to the even neighbour, as kernels::roundHalfEven does for double.
long double roundHalfEven(long double v) { return std::nearbyint(v); }

// Decimal text with "." whatever the locale: optional sign, digits with an
// optional point, optional exponent; blanks around it are allowed. NaN,
// infinities and values beyond the long double range are not numbers.
bool parseNumber(const QString& text, long double& out)
{
    const QByteArray s = text.trimmed().toLatin1();
    const char* p = s.constData();
    const char* const end = p + s.size();
    const char* q = p;
    if (q < end && (*q == '+' || *q == '-'))
        ++q;
    int mantissaDigits = 0;
    while (q < end && *q >= '0' && *q <= '9')
        ++q, ++mantissaDigits;
    if (q < end && *q == '.')
        ++q;
    while (q < end && *q >= '0' && *q <= '9')
        ++q, ++mantissaDigits;
    if (mantissaDigits == 0)
        return false;
    if (q < end && (*q == 'e' || *q == 'E')) {
        ++q;
        if (q < end && (*q == '+' || *q == '-'))
            ++q;
        int expDigits = 0;
        while (q < end && *q >= '0' && *q <= '9')
            ++q, ++expDigits;
        if (expDigits == 0)
            return false;
    }
    if (q != end)
        return false;
    if (*p == '+')
        ++p;   // from_chars takes no plus sign
    long double v = 0;
    const auto r = std::from_chars(p, end, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != end || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

app::FloatFormat formatOf(TNumericType type)
{
    switch (type) {
    case ntExponent: return app::FloatFormat::Exponent;
    case ntFixed: return app::FloatFormat::Fixed;
    case ntGeneral: break;
    }
    return app::FloatFormat::General;
}

// Messages of the control are one-OK error boxes whose cause is the
// control's name and the text, so the same refusal never stacks boxes.
void showControlError(const QString& name, const QString& text)
{
    platform::Message m;
    m.text = text;
    m.kind = platform::MsgKind::Error;
    m.buttons = platform::MsgButtons::Ok;
    if (!name.isEmpty())
        m.cause = name + QStringLiteral(": ") + text;
    platform::messages().show(m);
}

} // namespace

TCustomNumInp::TCustomNumInp(QWidget* parent) : QLineEdit(parent)
{
    maxTypedLength_ = digits_;
    resize(85, sizeHint().height());
    setText(QStringLiteral("0.0"));
    Redisplay();
}

QSize TCustomNumInp::sizeHint() const { return {85, QLineEdit::sizeHint().height()}; }

bool TCustomNumInp::isIntegerType(TDataType type)
{
    switch (type) {
    case dtDouble:
    case dtExtended:
    case dtReal:
    case dtSingle:
        return false;
    default:
        return true;
    }
}

void TCustomNumInp::SetValue(long double value)
{
    if (value == value_)
        return;
    if (!std::isfinite(value)) {
        if (validate_)
            showRangeMessage();
        return;
    }
    if (!CheckRange(value))
        return;
    value_ = value;
    Redisplay();
}

void TCustomNumInp::SetMin(long double value)
{
    if (value == min_ || std::isnan(value))
        return;
    min_ = value;
    ClampToDataType();
    if (max_ < min_)
        max_ = min_;
    if (value_ < min_)
        value_ = min_;
    Redisplay();
}

void TCustomNumInp::SetMax(long double value)
{
    if (value == max_ || std::isnan(value))
        return;
    max_ = value;
    ClampToDataType();
    if (max_ < min_)
        max_ = min_;
    if (value_ > max_)
        value_ = max_;
    Redisplay();
}

void TCustomNumInp::SetDigits(quint16 value)
{
    if (value == digits_)
        return;
    digits_ = value;
    Redisplay();
}

void TCustomNumInp::SetDecimals(quint16 value)
{
    if (value == decimals_)
        return;
    decimals_ = value;
    Redisplay();
}

void TCustomNumInp::SetDatatype(TDataType value)
{
    datatype_ = value;
    if (isIntegerType(value))
        numericType_ = ntGeneral;
    ClampToDataType();
    Redisplay();
}

void TCustomNumInp::SetNumericType(TNumericType value)
{
    if (isIntegerType(datatype_) || value == numericType_)
        return;
    numericType_ = value;
    Redisplay();
}

void TCustomNumInp::SetValidate(bool value)
{
    if (value == validate_)
        return;
    validate_ = value;
    if (validate_ && (value_ < min_ || value_ > max_)) {
        value_ = min_;
        Redisplay();
    }
}

quint8 TCustomNumInp::AsByte() const
{
    return inBounds(value_, dtByte) ? static_cast<quint8>(roundHalfEven(value_)) : 0;
}

double TCustomNumInp::AsDouble() const
{
    return inBounds(value_, dtDouble) ? static_cast<double>(value_) : 0;
}

qint32 TCustomNumInp::AsInteger() const
{
    return inBounds(value_, dtInteger) ? static_cast<qint32>(roundHalfEven(value_)) : 0;
}

qint32 TCustomNumInp::AsLongint() const
{
    return inBounds(value_, dtLongint) ? static_cast<qint32>(roundHalfEven(value_)) : 0;
}

double TCustomNumInp::AsReal() const
{
    return inBounds(value_, dtReal) ? static_cast<double>(value_) : 0;
}

qint8 TCustomNumInp::AsShortint() const
{
    return inBounds(value_, dtShortint) ? static_cast<qint8>(roundHalfEven(value_)) : 0;
}

float TCustomNumInp::AsSingle() const
{
    return inBounds(value_, dtSingle) ? static_cast<float>(value_) : 0;
}

quint16 TCustomNumInp::AsWord() const
{
    return inBounds(value_, dtWord) ? static_cast<quint16>(roundHalfEven(value_)) : 0;
}

bool TCustomNumInp::CheckRange(long double value)
{
    if (!validate_ || (min_ <= value && value <= max_))
        return true;
    showRangeMessage();
    return false;
}

void TCustomNumInp::showRangeMessage()
{
    // The bounds replace the text's two "%g" in order; nothing else in the
    // (translated) text is read as a format.
    QString text = TranslatedTexts.MSG_Valeur_Hors_Limites;
    qsizetype from = 0;
    for (const QString& bound : {app::FormatG(min_), app::FormatG(max_)}) {
        const qsizetype at = text.indexOf(QLatin1String("%g"), from);
        if (at < 0)
            break;
        text.replace(at, 2, bound);
        from = at + bound.size();
    }
    showControlError(objectName(), text);
}

void TCustomNumInp::ClampToDataType()
{
    if (datatype_ == dtExtended)
        return;
    const auto b = boundsOf(datatype_);
    if (min_ < b.lo || min_ > b.hi)
        min_ = b.lo;
    if (max_ < b.lo || max_ > b.hi)
        max_ = b.hi;
    if (value_ < b.lo || value_ > b.hi)
        value_ = 0;
}

void TCustomNumInp::SetDisplayDeferred(bool deferred)
{
    if (deferred == displayDeferred_)
        return;
    displayDeferred_ = deferred;
    if (!deferred && displayStale_)
        Redisplay();
}

void TCustomNumInp::Redisplay()
{
    if (isIntegerType(datatype_)) {
        value_ = roundHalfEven(value_);
        if (value_ == 0)
            value_ = 0;   // no "-0"
    }
    if (displayDeferred_) {
        displayStale_ = true;
        return;
    }
    displayStale_ = false;
    QString text;
    if (isIntegerType(datatype_)) {
        // Validate off lets any finite value in, up to about 4933 digits.
        std::array<char, 5000> buf;
        const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value_, std::chars_format::fixed, 0);
        text = QString::fromLatin1(buf.data(), static_cast<qsizetype>(r.ptr - buf.data()));
    } else {
        text = app::FloatToStrF(value_, formatOf(numericType_), digits_, decimals_);
    }
    displayed_ = text;
    setText(text);
    // A number too long for its field shows from its first digit, as a
    // text set into an edit control does; the caret of a user typing in it
    // is kept.
    if (!hasFocus() || isReadOnly())
        setCursorPosition(0);
}

void TCustomNumInp::KeyPress(QChar& key)
{
    const char16_t c = key.unicode();
    if (c == u'\b' || c == u'+' || c == u'-' || (c >= u'0' && c <= u'9'))
        return;
    if ((c == u'E' || c == u'e' || c == u'.') && !isIntegerType(datatype_))
        return;
    key = QChar();
}

void TCustomNumInp::keyPressEvent(QKeyEvent* event)
{
    // The user takes over a refused entry with any key that edits or moves
    // in it; the keys that leave the control (and may have been refused on
    // their way here) do not.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
        break;
    default:
        refusedEntryWaits_ = false;
    }
    // Shortcuts and editing keys (arrows, delete, copy, paste) pass; only
    // typed characters are filtered and counted against the typing limit.
    const QString typed = event->text();
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    bool printable = false;
    for (QChar ch : typed)
        printable = printable || (ch.isPrint() && ch != QChar(0x7f));
    if (!shortcut && printable) {
        for (QChar ch : typed) {
            QChar key = ch;
            KeyPress(key);
            if (key.isNull()) {
                event->accept();
                return;
            }
        }
        if (text().size() - selectedText().size() + typed.size() > maxTypedLength_) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TCustomNumInp::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    // Queued: a deselection the toolkit posted while another window held
    // the keyboard comes first.
    if (refusedEntryWaits_)
        QTimer::singleShot(0, this, [this] {
            if (refusedEntryWaits_ && hasFocus())
                selectAll();
        });
}

void TCustomNumInp::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Another window (a message box, a menu) taking the focus is not
    // leaving the control.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    bool left = true;
    app::runGuarded(objectName(), [&] { left = DoExit(); });
    // A click elsewhere that the refusal answered goes no further: the
    // control it was aimed at never sees it.
    if (!left && event->reason() == Qt::MouseFocusReason)
        app::TakePressOnItsWay(window());
}

bool TCustomNumInp::DoExit()
{
    // A text the user did not change is the display of Value: nothing to
    // validate, and Value keeps its full precision.
    const QString entry = text();
    if (entry != displayed_) {
        long double v = 0;
        if (!parseNumber(entry, v)) {
            showControlError(objectName(), TranslatedTexts.MSG_Saisie_Non_Numerique.arg(entry));
            refuseExit();
            return false;
        }
        if (!CheckRange(v)) {
            refuseExit();
            return false;
        }
        value_ = v;
        Redisplay();
    }
    refusedEntryWaits_ = false;
    emit exited();
    return true;
}

void TCustomNumInp::refuseExit()
{
    refusedEntryWaits_ = true;
    selectAll();
    // Queued: when called from focus-out, the focus change in progress
    // would otherwise take the focus away again.
    QTimer::singleShot(0, this, [this] {
        app::runGuarded(objectName(), [this] {
            // Left by switching the page it is on (a tab clicked): its page
            // comes back, as the control cannot be left.
            for (QWidget *child = this, *parent = parentWidget(); parent && !child->isWindow();
                 child = parent, parent = parent->parentWidget()) {
                auto* stack = qobject_cast<QStackedWidget*>(parent);
                if (!stack || stack->currentWidget() == child)
                    continue;
                if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()))
                    tabs->setCurrentWidget(child);
                else
                    stack->setCurrentWidget(child);
            }
            setFocus(Qt::OtherFocusReason);
            selectAll();
        });
    });
}
