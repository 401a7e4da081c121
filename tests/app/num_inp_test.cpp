// The numeric input control and the number texts it shows.

#include "app/controls/float_text.h"
#include "app/controls/num_inp.h"
#include "app/form.h"
#include "app/ui/control_adapters.h"
#include "app/ui/press_guard.h"
#include "app/ui/same_cause_guard.h"
#include "support/fakes.h"
#include "support/screen_boxes.h"
#include "translation/translated_texts.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <limits>

// Readable QString values in failure messages.
static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {
const QString kRange010 = QStringLiteral("La valeur doit être comprise entre 0 et 10");
constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();
constexpr long double kInf = std::numeric_limits<long double>::infinity();
} // namespace

TEST(FloatText, GoldenTexts)
{
    const auto G = app::FloatFormat::General, E = app::FloatFormat::Exponent, F = app::FloatFormat::Fixed;
    const struct {
        long double value;
        app::FloatFormat format;
        int precision, digits;
        const char* text;
    } cases[] = {
        {1.0L / 3, G, 12, 2, "0.333333333333"}, {2.0L / 3, G, 12, 2, "0.666666666667"},
        {9.9999999999999L, G, 12, 2, "10"}, {-0.0L, G, 12, 2, "0"},
        {123456789012.0L, G, 12, 2, "123456789012"}, {-1234567890123.0L, G, 12, 2, "-1.23456789012E12"},
        {1e20L, G, 12, 2, "1E20"}, {1.5e-6L, G, 12, 2, "1.5E-6"},
        {0.00001L, G, 12, 2, "0.00001"}, {0.0000099L, G, 12, 2, "9.9E-6"},
        {0.1, G, 30, 0, "0.100000000000000006"},   // a double's 0.1; precision stops at 18
        {12345.0L, E, 4, 2, "1.235E+04"},          // shown digits round halves up
        {0.0L, E, 4, 2, "0.000E+00"}, {-1.5e-300L, E, 3, 4, "-1.50E-0300"},
        {1234.5L, F, 12, 2, "1234.50"}, {0.125L, F, 12, 2, "0.13"},
        {-0.004L, F, 12, 2, "0.00"}, {-0.5L, F, 12, 0, "-1"},
        {123.449L, F, 5, 1, "123.4"},              // one rounding, at the first digit dropped
        {12345678901.239L, F, 12, 2, "12345678901.20"}, {12345678901234.0L, F, 12, 2, "1.23456789012E13"},
        {-kInf, F, 12, 2, "-INF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(app::FloatToStrF(c.value, c.format, c.precision, c.digits), c.text) << c.text;
    EXPECT_EQ(app::FormatG(0.1), "0.1");
    EXPECT_EQ(app::FormatG(-1.1E4932L), "-1.1E4932");
}

TEST(NumInp, NewControlAndTypingLimit)
{
    TNumInp num;
    EXPECT_EQ(num.text(), "0");
    EXPECT_EQ(num.width(), 85);
    num.SetValue(1.0L / 3);   // code is not held to the typing limit
    EXPECT_EQ(num.text(), "0.333333333333");
    num.setText("");
    QTest::keyClicks(&num, "12345678901234");
    EXPECT_EQ(num.text(), "123456789012");
}

// The range message is the interface language's text with the bounds in
// place of its two "%g"; nothing else of a language file's text is read as
// a format.
TEST(NumInp, RangeMessageIsInTheInterfaceLanguage)
{
    testsupport::RecordingMessageService messages;
    const QString french = TranslatedTexts.MSG_Valeur_Hors_Limites;
    TNumInp num;
    num.SetMin(-2.5);
    num.SetMax(1e6);
    TranslatedTexts.MSG_Valeur_Hors_Limites = QStringLiteral("The value must be between %g and %g");
    num.SetValue(2e6);
    TranslatedTexts.MSG_Valeur_Hors_Limites = QStringLiteral("%s %d %1 %g-%g %g");
    num.SetValue(2e6);
    TranslatedTexts.MSG_Valeur_Hors_Limites = french;
    num.SetValue(2e6);
    EXPECT_EQ(messages.texts(), (QStringList{QStringLiteral("The value must be between -2.5 and 1000000"),
                                             QStringLiteral("%s %d %1 -2.5-1000000 %g"),
                                             QStringLiteral("La valeur doit être comprise entre -2.5 et 1000000")}));
}

TEST(NumInp, RangeCheckFromCode)
{
    testsupport::RecordingMessageService messages;
    TNumInp num;
    num.SetMin(0);
    num.SetMax(10);
    num.SetValue(5);
    QSignalSpy changes(&num, &QLineEdit::textChanged);
    num.SetValue(5);
    num.SetValue(11);
    ASSERT_EQ(messages.texts(), QStringList{kRange010});
    EXPECT_EQ(messages.shown[0].kind, platform::MsgKind::Error);
    EXPECT_EQ(num.Value(), 5);
    EXPECT_EQ(changes.count(), 0);

    num.SetValidate(false);
    num.SetValue(11);
    EXPECT_EQ(num.Value(), 11);
    num.SetValidate(true);   // out of range again: Value goes to Min
    EXPECT_EQ(num.text(), "0");
    num.SetMin(3);           // Value follows Min without a message
    EXPECT_EQ(num.Value(), 3);
    num.SetMax(2);           // below Min: Max becomes Min
    EXPECT_EQ(num.Max(), 3);
    EXPECT_EQ(messages.shown.size(), 1u);

    // NaN and infinities are never stored: refused with the range message,
    // silently when Validate is off.
    num.SetValue(kNaN);
    num.SetValue(kInf);
    EXPECT_EQ(messages.shown.size(), 3u);
    num.SetValidate(false);
    num.SetValue(-kInf);
    num.SetMax(kNaN);
    EXPECT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(num.Value(), 3);
    EXPECT_EQ(num.Max(), 3);
}

TEST(NumInp, RepeatedOutOfRangeWritesShowOneBoxAtATime)
{
    // A timer writes refused values again while the box is open.
    struct Screen final : platform::MessageService {
        std::function<void()> whileShown;
        int boxes = 0;
        platform::MsgResult show(const platform::Message&) override
        {
            ++boxes;
            if (auto f = std::exchange(whileShown, nullptr))
                f();
            return platform::MsgResult::Ok;
        }
    } screen;
    app::SameCauseGuard guard(screen);
    platform::setMessageService(&guard);
    TNumInp expo, gain;
    expo.setObjectName("TNI_Expo");
    gain.setObjectName("TNI_Gain");
    for (auto* n : {&expo, &gain}) {
        n->SetMin(0);
        n->SetMax(10);
    }
    screen.whileShown = [&] {
        for (int frame = 0; frame < 5; ++frame)
            expo.SetValue(frame % 2 ? 11 : kNaN);
        gain.SetValue(12);   // another control: its own box
    };
    expo.SetValue(11);
    EXPECT_EQ(screen.boxes, 2);
    expo.SetValue(11);   // the first box is closed: the next may open
    EXPECT_EQ(screen.boxes, 3);
    EXPECT_EQ(expo.Value(), 0);
    platform::setMessageService(nullptr);
}

TEST(NumInp, DataTypesRoundClampAndConvert)
{
    testsupport::RecordingMessageService messages;
    TNumInp num;
    num.SetValue(300);
    num.SetDatatype(dtByte);
    EXPECT_EQ(num.Min(), 0);
    EXPECT_EQ(num.Max(), 255);
    EXPECT_EQ(num.Value(), 0);
    num.SetValue(3.6L);
    EXPECT_EQ(num.text(), "4");
    EXPECT_EQ(num.Value(), 4);
    num.SetValue(2.5L);
    EXPECT_EQ(num.text(), "2");
    num.SetNumericType(ntFixed);
    EXPECT_EQ(num.NumericType(), ntGeneral);
    EXPECT_TRUE(messages.shown.empty());

    TNumInp x;
    x.SetValue(-2147483648.0L);
    EXPECT_EQ(x.AsLongint(), 0);
    x.SetValue(-2147483646.5L);
    EXPECT_EQ(x.AsLongint(), -2147483646);
    x.SetValue(254.5L);
    EXPECT_EQ(x.AsByte(), 254);
    x.SetValue(1e300L);
    EXPECT_EQ(x.AsDouble(), 1e300);
    EXPECT_EQ(x.AsSingle(), 0.0f);
}

TEST(NumInp, KeyFilter)
{
    TNumInp num;
    num.SetDatatype(dtInteger);
    num.setText("");
    QTest::keyClicks(&num, "-1e2.5x+");
    QTest::keyClick(&num, Qt::Key_Backspace);
    EXPECT_EQ(num.text(), "-125");
    num.SetDatatype(dtDouble);
    num.setText("");
    QTest::keyClicks(&num, "1.5e-3,a");
    EXPECT_EQ(num.text(), "1.5e-3");
}

TEST(NumInp, LeavingTheControlValidatesTheEntry)
{
    testsupport::RecordingMessageService messages;
    TNumInp num;
    num.SetMin(0);
    num.SetMax(10);
    QSignalSpy exits(&num, &TCustomNumInp::exited);

    num.setText("abc");
    EXPECT_FALSE(num.DoExit());
    EXPECT_EQ(messages.texts(), QStringList{"'abc' n'est pas une valeur numérique valable."});
    EXPECT_EQ(num.selectedText(), "abc");
    for (const char* bad : {"1e5000", "nan", "inf", "1e", ".", "12"}) {
        num.setText(bad);
        EXPECT_FALSE(num.DoExit()) << bad;
    }
    EXPECT_FALSE(num.DoExit());
    EXPECT_EQ(messages.texts().last(), kRange010);
    EXPECT_EQ(exits.count(), 0);

    num.setText(" +7.50 ");
    EXPECT_TRUE(num.DoExit());
    EXPECT_EQ(num.Value(), 7.5L);
    EXPECT_EQ(num.text(), "7.5");
    EXPECT_EQ(exits.count(), 1);

    // Focus moving to another control validates; another window taking
    // the focus (the message box) does not.
    num.setText("x");
    const auto before = messages.shown.size();
    QFocusEvent toBox(QEvent::FocusOut, Qt::ActiveWindowFocusReason), tab(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(&num, &toBox);
    EXPECT_EQ(messages.shown.size(), before);
    QCoreApplication::sendEvent(&num, &tab);
    EXPECT_EQ(messages.shown.size(), before + 1);

    // An untouched text is the display of Value: leaving keeps Value exact,
    // even when its rounded display lies just outside the range.
    num.SetMax(2.0L / 3);
    num.SetValue(2.0L / 3);
    EXPECT_EQ(num.text(), "0.666666666667");
    EXPECT_TRUE(num.DoExit());
    EXPECT_EQ(num.Value(), 2.0L / 3);
}

// A number written from code into a field too narrow for it shows its first
// digits, not its last ones; a field the user is typing in keeps the caret.
TEST(NumInp, ANumberTooLongForItsFieldShowsFromItsFirstDigit)
{
    TNumInp num;
    num.setReadOnly(true);
    num.resize(40, num.sizeHint().height());
    num.show();
    num.SetValue(123456.789);
    ASSERT_GT(num.fontMetrics().horizontalAdvance(num.text()), num.width());
    // Where the caret is drawn: at the field's left, the text not scrolled.
    EXPECT_LT(num.inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), num.width() / 4);

    QWidget window;
    TNumInp typed(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    typed.setFocus();
    typed.setText(QStringLiteral("12"));
    typed.SetValue(7);
    EXPECT_EQ(typed.cursorPosition(), typed.text().size());
}

TEST(NumInp, LayoutProperties)
{
    TNumInp num;
    EXPECT_TRUE(num.setProperty("Datatype", "dtWord"));
    EXPECT_EQ(num.Max(), 65535);
    EXPECT_TRUE(num.setProperty("Max", 100.0));
    EXPECT_TRUE(num.setProperty("Value", 42.0));
    EXPECT_EQ(num.property("Max").toDouble(), 100.0);
    num.setDatatype(dtSingle);
    num.setNumericType(ntFixed);
    num.setDecimals(3);
    EXPECT_EQ(num.text(), "42.000");
}

namespace {

// A window as the user meets it: a field that takes 0 to 10, a name, a
// button that acts on its click, one that acts while it is held (a move:
// started on the press, stopped on the release), a speed button that takes
// no focus and acts when the mouse is released over it, and two stop
// buttons, one of each kind. What they did is written down with the
// field's value.
struct FieldAndButtons {
    TForm window;
    TNumInp* field = new TNumInp;
    QLineEdit* name = new QLineEdit;
    QPushButton* go = new QPushButton(QStringLiteral("Go"));
    QPushButton* hold = new QPushButton(QStringLiteral("N"));
    QToolButton* speed = new QToolButton;
    QPushButton* stop = new QPushButton(QStringLiteral("Stop"));
    QToolButton* abort = new QToolButton;
    QStringList acts;

    FieldAndButtons()
    {
        auto* panel = new QWidget;
        auto* layout = new QHBoxLayout(panel);
        field->setObjectName(QStringLiteral("TNI_Field"));
        for (QWidget* w : std::initializer_list<QWidget*>{field, name, go, hold, speed, stop, abort})
            layout->addWidget(w);
        window.setCentralWidget(panel);
        field->SetMin(0);
        field->SetMax(10);
        const auto value = [this] { return QString::number(double(field->Value())); };
        app::bindButtonClick(go, [this, value] { acts << QStringLiteral("go ") + value(); });
        QObject::connect(hold, &QAbstractButton::pressed, [this, value] { acts << QStringLiteral("move ") + value(); });
        QObject::connect(hold, &QAbstractButton::released, [this] { acts << QStringLiteral("stop"); });
        app::bindSpeedButtonClick(speed, [this, value] { acts << QStringLiteral("speed ") + value(); });
        app::bindSpeedButtonMouseUp(speed, [this, value](int) { acts << QStringLiteral("speed up ") + value(); });
        app::bindButtonClick(stop, [this] { acts << QStringLiteral("stop all"); });
        app::bindSpeedButtonClick(abort, [this] { acts << QStringLiteral("abort"); });
        app::MarkStopButton(stop);
        app::MarkStopButton(abort);
        window.show();
        QApplication::setActiveWindow(&window);
    }
    // The user clicks into the field and types text over what it holds.
    void type(const char* text)
    {
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClicks(field, QString::fromLatin1(text));
    }
    // A press whose release went to the message box (the box was answered
    // with the mouse), then what the window does once the box has gone.
    void pressOnly(QWidget* control)
    {
        QTest::mousePress(control, Qt::LeftButton, {}, control->rect().center());
        QTest::qWait(60);
    }
    // A press whose release comes after the box closed (answered from the
    // keyboard, the mouse still held).
    void click(QWidget* control)
    {
        QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
        QCoreApplication::processEvents();
    }
};

} // namespace

// A click on a button that would leave a field holding an entry it refuses
// is part of the refusal: whatever answers the box and whenever the release
// comes, the button is not left drawn down, a held button starts no move,
// and no button runs with the value the field kept. The focus goes back to
// the field; once the entry is mended the same buttons act as usual.
TEST(NumInp, AClickThatLeavesARefusedEntryReachesNoButton)
{
    FieldAndButtons w;
    {
        testsupport::ScreenBoxes boxes;
        w.type("30");
        w.pressOnly(w.hold);
        EXPECT_EQ(boxes.texts, QStringList{kRange010});
        EXPECT_FALSE(w.hold->isDown());
        EXPECT_EQ(w.window.focusWidget(), w.field);
        EXPECT_EQ(w.field->selectedText(), "30");

        w.pressOnly(w.go);
        EXPECT_FALSE(w.go->isDown());
        EXPECT_EQ(boxes.texts.size(), 2);
    }
    {
        testsupport::RecordingMessageService boxes;
        for (QWidget* control : std::initializer_list<QWidget*>{w.go, w.hold, w.speed})
            w.click(control);
        QTest::mouseDClick(w.go, Qt::LeftButton, {}, w.go->rect().center());
        QTest::mouseRelease(w.go, Qt::LeftButton, {}, w.go->rect().center());
        QCoreApplication::processEvents();
        EXPECT_EQ(boxes.shown.size(), 4u);
        EXPECT_FALSE(w.go->isDown() || w.hold->isDown() || w.speed->isDown());
        EXPECT_EQ(w.acts, QStringList{}) << w.acts.join(", ").toStdString();
        EXPECT_EQ(w.field->Value(), 0);

        // Stop buttons stop whatever the field holds, once each: the push
        // button before the field refuses, the speed button leaving the
        // field and its entry alone.
        w.click(w.stop);
        w.click(w.abort);
        EXPECT_EQ(w.acts, (QStringList{"stop all", "abort"}));
        EXPECT_FALSE(w.stop->isDown());
        EXPECT_EQ(boxes.shown.size(), 5u);
        EXPECT_EQ(w.window.focusWidget(), w.field);
        EXPECT_EQ(w.field->text(), "30");
        w.acts.clear();

        // A focus moved from code, with no press behind it, takes nothing
        // from the next click.
        w.go->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
        EXPECT_EQ(boxes.shown.size(), 6u);
        w.field->selectAll();
        QTest::keyClicks(w.field, QStringLiteral("7"));
        w.click(w.go);
        w.pressOnly(w.hold);
        QTest::mouseRelease(w.hold, Qt::LeftButton, {}, w.hold->rect().center());
        w.type("8");
        w.click(w.speed);
        EXPECT_EQ(w.acts, (QStringList{"go 7", "move 7", "stop", "speed up 8", "speed 8"}));
        EXPECT_EQ(boxes.shown.size(), 6u);
    }
}

// Leaving a field whose exit handler tells or asks something in a box: the
// press that left it waited behind the box and its release went to the box.
// It reaches nothing after the box, whether it moved the focus (a push
// button) or not (a speed button, which takes the field's entry itself);
// the next click acts.
TEST(NumInp, APressThatOpenedABoxOnItsWayReachesNothingAfterIt)
{
    FieldAndButtons w;
    testsupport::ScreenBoxes boxes;
    app::bindNumInpExit(w.field, [] { platform::showError(QStringLiteral("Vérifiez la focale")); });
    const QString create = QStringLiteral("Le répertoire n'existe pas, voulez vous le créer ?");
    app::bindEditExit(w.name, [create] {
        platform::messages().show({create, platform::MsgKind::Confirmation, platform::MsgButtons::YesNoCancel, {}, {}});
    });
    w.type("5");
    w.pressOnly(w.hold);
    EXPECT_EQ(boxes.texts, QStringList{"Vérifiez la focale"});
    EXPECT_EQ(w.field->Value(), 5);
    EXPECT_FALSE(w.hold->isDown());
    EXPECT_EQ(w.acts, QStringList{});

    QTest::mouseClick(w.name, Qt::LeftButton);
    QTest::keyClicks(w.name, QStringLiteral("nuit/m42_"));
    w.pressOnly(w.speed);
    EXPECT_EQ(boxes.texts.size(), 2);
    EXPECT_FALSE(w.speed->isDown());
    QTest::mouseClick(w.name, Qt::LeftButton);
    QTest::keyClicks(w.name, QStringLiteral("2"));
    w.pressOnly(w.go);
    EXPECT_EQ(boxes.texts, (QStringList{"Vérifiez la focale", create, create}));
    EXPECT_FALSE(w.go->isDown());
    EXPECT_EQ(w.acts, QStringList{});

    w.pressOnly(w.hold);
    QTest::mouseRelease(w.hold, Qt::LeftButton, {}, w.hold->rect().center());
    w.click(w.speed);
    EXPECT_EQ(w.acts, (QStringList{"move 5", "stop", "speed up 5", "speed 5"}));
    EXPECT_EQ(boxes.texts.size(), 3);
}

// A refused entry waits, selected, for the next key. On the way back from
// the box the window manager may hand the keyboard to another of the
// program's windows for a moment: the field, deselected by the toolkit as
// its window lost the keyboard again, is selected once more when the
// keyboard returns, and the digit typed next replaces the refused entry.
// Once the user has typed, a window switch leaves the text as it stands.
TEST(NumInp, ARefusedEntryIsReplacedByTheNextKeyWhicheverWindowHadTheKeyboardMeanwhile)
{
    FieldAndButtons w;
    TForm other;
    other.show();
    testsupport::RecordingMessageService boxes;
    // The window comes back, then another takes the keyboard before the
    // toolkit's own work of that activation ran, then the window again.
    const auto keyboardFlipsAway = [&] {
        QApplication::setActiveWindow(&other);
        QCoreApplication::processEvents();
        QApplication::setActiveWindow(&w.window);
        QApplication::setActiveWindow(&other);
        QCoreApplication::processEvents();
        QApplication::setActiveWindow(&w.window);
        QCoreApplication::processEvents();
    };
    // Left with Return, as the hand pad's inputs are: the refusal comes
    // on the key's way, the key itself reaching the field after the box.
    w.type("30");
    w.go->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    QTest::keyClick(w.field, Qt::Key_Return);
    ASSERT_EQ(boxes.texts(), QStringList{kRange010});
    ASSERT_EQ(w.window.focusWidget(), w.field);
    keyboardFlipsAway();
    EXPECT_EQ(w.field->selectedText(), "30");
    QTest::keyClicks(w.field, QStringLiteral("5"));
    EXPECT_EQ(w.field->text(), "5");

    QTest::keyClick(w.field, Qt::Key_End);
    keyboardFlipsAway();
    QTest::keyClicks(w.field, QStringLiteral("0"));
    EXPECT_EQ(w.field->text(), "50");
    QTest::keyClick(w.field, Qt::Key_Tab);
    EXPECT_EQ(boxes.texts().size(), 2);
}
