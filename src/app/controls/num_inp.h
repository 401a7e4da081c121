#pragma once
// The numeric input control: a line edit that shows and takes one number.
//
// The value is an extended-precision real (long double). A data type
// restricts it to the range of a narrower numeric type; a range check keeps
// it between Min and Max and refuses anything else with a modal message,
// whether the value comes from the user or from code. The text is rebuilt
// from the value by Redisplay; while the user types, the two may differ
// until the control is left, when the text is validated and stored.
//
// NaN and infinite values are never stored: a write of one is refused like
// an out-of-range value (with the range message when Validate is on,
// silently when it is off). Range messages go through the message service
// with the control's name and range as cause, so values refused on every
// frame never stack boxes: one is shown at a time.
//
// TCustomNumInp holds all behaviour; TNumInp publishes the properties for
// window layouts (.ui files promote a QLineEdit to TNumInp with header
// "app/controls/num_inp.h").

#include <QLineEdit>
#include <QtGlobal>

class TCustomNumInp : public QLineEdit {
    Q_OBJECT

public:
    enum TNumericType { ntGeneral, ntExponent, ntFixed };
    Q_ENUM(TNumericType)
    enum TDataType { dtByte, dtDouble, dtExtended, dtInteger, dtLongint, dtReal, dtShortint, dtSingle, dtWord };
    Q_ENUM(TDataType)

    // Width 85, the defaults below, text "0"; typing is limited to 12
    // characters (Digits at creation; later changes of Digits keep it).
    explicit TCustomNumInp(QWidget* parent = nullptr);

    // Value (default 0): nothing when equal; else the range check, and only
    // when it passes the value is stored and shown.
    long double Value() const { return value_; }
    void SetValue(long double value);
    // Min, Max (defaults -1.1E4932, 1.1E4932): nothing when equal; else
    // stored, clamped to the data type, Max raised to Min when below it,
    // Value pulled into the range without a range check, shown. NaN is ignored.
    long double Min() const { return min_; }
    void SetMin(long double value);
    long double Max() const { return max_; }
    void SetMax(long double value);
    // Significant digits (default 12) and digits after the point (default 2).
    quint16 Digits() const { return digits_; }
    void SetDigits(quint16 value);
    quint16 Decimals() const { return decimals_; }
    void SetDecimals(quint16 value);
    // Data type (default dtExtended): integer types force ntGeneral; Min,
    // Max and Value are clamped to the type.
    TDataType Datatype() const { return datatype_; }
    void SetDatatype(TDataType value);
    // Display of floating types (default ntGeneral); integer types keep ntGeneral.
    TNumericType NumericType() const { return numericType_; }
    void SetNumericType(TNumericType value);
    // Range check on (default true). Turning it on pulls an out-of-range
    // Value to Min.
    bool Validate() const { return validate_; }
    void SetValidate(bool value);

    // Value in the range of a narrower type, rounded half to even for the
    // integer types; 0 when Value lies outside that type's range.
    virtual quint8 AsByte() const;
    virtual double AsDouble() const;
    virtual qint32 AsInteger() const;
    virtual qint32 AsLongint() const;
    virtual double AsReal() const;
    virtual qint8 AsShortint() const;
    virtual float AsSingle() const;
    virtual quint16 AsWord() const;

    // True when Validate is off or Min <= value <= Max; otherwise shows
    // "La valeur doit être comprise entre <Min> et <Max>" (in the interface's
    // language) and fails.
    virtual bool CheckRange(long double value);
    // Min, Max and Value outside the data type's range become the type's
    // lower bound, upper bound and 0.
    virtual void ClampToDataType();
    // Rebuilds the text from Value; integer types store Value rounded first.
    // While the display is deferred only the rounding is done.
    virtual void Redisplay();

    // Deferred display, for read-outs that code rewrites on every frame and
    // that are shown at a slower pace: while deferred, every writer stores
    // the value at once (Value() is always current) but the text is left as
    // it was. Ending the deferral shows the current value if it changed.
    void SetDisplayDeferred(bool deferred);
    bool DisplayDeferred() const { return displayDeferred_; }

    // Validation on leaving the control (run on focus-out; scripts and
    // tests call it directly). An edited text that is not a number, or is
    // out of range, is refused with a message, selected and given the focus
    // back; otherwise it is stored and exited() is emitted. Returns true
    // when the control may be left. A mouse press that was leaving the
    // control when it refused never reaches the control it was aimed at.
    bool DoExit();
    // True while the text holds an entry the user typed and DoExit has not
    // taken yet.
    bool HasPendingEntry() const { return text() != displayed_; }

    // The number of characters the user can type (12).
    int MaxTypedLength() const { return maxTypedLength_; }

    QSize sizeHint() const override;

    static bool isIntegerType(TDataType type);

signals:
    // Emitted when the control is left with a valid entry stored.
    void exited();

protected:
    // Key filter, per typed character: sets key to a null QChar to discard it.
    // Digits and signs pass; "E", "e" and "." pass for floating types only.
    virtual void KeyPress(QChar& key);

    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void showRangeMessage();
    void refuseExit();

    quint16 decimals_ = 2;
    quint16 digits_ = 12;
    long double max_ = 1.1E4932L;
    long double min_ = -1.1E4932L;
    TNumericType numericType_ = ntGeneral;
    TDataType datatype_ = dtExtended;
    long double value_ = 0;
    bool validate_ = true;
    int maxTypedLength_ = 12;
    QString displayed_;   // the text the last Redisplay wrote
    // A refused entry waits, selected, for the user's next key: whatever
    // takes the keyboard meanwhile (another window raised by the window
    // manager, the box itself) finds it selected again on the way back.
    bool refusedEntryWaits_ = false;
    bool displayDeferred_ = false;
    bool displayStale_ = false;   // a value arrived while deferred
};

using TNumericType = TCustomNumInp::TNumericType;
using TDataType = TCustomNumInp::TDataType;
using enum TCustomNumInp::TNumericType;
using enum TCustomNumInp::TDataType;

// The control as window layouts use it. The properties are those a layout
// sets; Value, Min and Max pass through the property system as double (the
// C++ API above keeps long double). The lower-case writers are the names
// uic calls for a layout property; they have the effects of the writers above.
class TNumInp : public TCustomNumInp {
    Q_OBJECT
    Q_PROPERTY(TCustomNumInp::TDataType Datatype READ Datatype WRITE setDatatype)
    Q_PROPERTY(int Decimals READ Decimals WRITE setDecimals)
    Q_PROPERTY(int Digits READ Digits WRITE setDigits)
    Q_PROPERTY(double Max READ Max WRITE setMax)
    Q_PROPERTY(double Min READ Min WRITE setMin)
    Q_PROPERTY(TCustomNumInp::TNumericType NumericType READ NumericType WRITE setNumericType)
    Q_PROPERTY(double Value READ Value WRITE setValue)
    Q_PROPERTY(bool Validate READ Validate WRITE setValidate)

public:
    explicit TNumInp(QWidget* parent = nullptr) : TCustomNumInp(parent) {}

    void setDatatype(TDataType value) { SetDatatype(value); }
    void setDecimals(int value) { SetDecimals(static_cast<quint16>(qBound(0, value, 65535))); }
    void setDigits(int value) { SetDigits(static_cast<quint16>(qBound(0, value, 65535))); }
    void setMax(double value) { SetMax(value); }
    void setMin(double value) { SetMin(value); }
    void setNumericType(TNumericType value) { SetNumericType(value); }
    void setValue(double value) { SetValue(value); }
    void setValidate(bool value) { SetValidate(value); }
};
