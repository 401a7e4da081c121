#include "scripting/frm_input.h"
#include "scripting/frm_progress.h"
#include "support/fakes.h"
#include "support/front_windows.h"
#include "support/x11_keyboard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <memory>

namespace {

// A fresh input dialog as FRM_Input, answered by the test's answerer.
class InputDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = FRM_Input;
        CreateForm(FRM_Input);
    }
    void TearDown() override
    {
        TFRM_Input::SetAnswerer({});
        delete FRM_Input;
        FRM_Input = previous_;
    }

    // The visible tab stops, starting at the focused control, in tab order.
    static QStringList tabOrder(TFRM_Input& f)
    {
        QStringList names;
        QWidget* start = f.focusWidget();
        for (QWidget* w = start; w && (names.isEmpty() || w != start); w = w->nextInFocusChain()) {
            if (w->isVisibleTo(&f) && (w->focusPolicy() & Qt::TabFocus) && qobject_cast<QPushButton*>(w))
                names << static_cast<QPushButton*>(w)->text();
        }
        return names;
    }

    TFRM_Input* previous_ = nullptr;
    testsupport::RecordingMessageService messages_;
};

} // namespace

TEST_F(InputDialog, SevenChoicesMakeTwoRowsWithTheCurrentValueFocusedFirst)
{
    TFRM_Input::SetAnswerer([](TFRM_Input& f) {
        EXPECT_FALSE(f.EDT_Valeur->isVisibleTo(&f));
        EXPECT_FALSE(f.SPED_Valeur->isVisibleTo(&f));
        EXPECT_FALSE(f.BTN_Ok->isVisibleTo(&f));
        ASSERT_EQ(f.ChoiceButtons().size(), 7);
        // Row one: five columns of 386 div 5 = 77; row two: two of 193.
        const int lefts[] = {1, 78, 155, 232, 309, 59, 252};
        for (int i = 0; i < 7; ++i) {
            const QRect g = f.ChoiceButtons()[i]->geometry();
            EXPECT_EQ(g, QRect(lefts[i], i < 5 ? 52 : 77, 75, 25)) << i;
        }
        EXPECT_EQ(f.focusWidget(), f.ChoiceButtons()[5]);
        EXPECT_EQ(tabOrder(f).join(u','), QStringLiteral("Six,Un,Deux,Trois,Quatre,Cinq,Sept,Annuler"));
        f.ChoiceButtons()[2]->click();
    });
    QString value = QStringLiteral("Six");
    EXPECT_TRUE(Input::InputChoice(QStringLiteral("Lequel ?"), QStringLiteral("Un/Deux/Trois/Quatre/Cinq/Six/Sept"), value));
    EXPECT_EQ(value, QStringLiteral("Trois"));
    EXPECT_EQ(Input::InputAnswer, QStringLiteral("Trois"));
    EXPECT_TRUE(FRM_Input->ChoiceButtons().isEmpty());
    EXPECT_FALSE(FRM_Input->isVisible());
}

TEST_F(InputDialog, CancellingLeavesTheValue)
{
    QString value = QStringLiteral("b");
    // Closed by the title bar.
    TFRM_Input::SetAnswerer([](TFRM_Input& f) { f.close(); });
    EXPECT_FALSE(Input::InputChoice(QStringLiteral("?"), QStringLiteral("a/b"), value));
    // A single choice offers no button: only cancel remains.
    TFRM_Input::SetAnswerer([](TFRM_Input& f) {
        EXPECT_TRUE(f.ChoiceButtons().isEmpty());
        f.BTN_Annuler->click();
    });
    EXPECT_FALSE(Input::InputChoice(QStringLiteral("?"), QStringLiteral("seul"), value));
    EXPECT_EQ(value, QStringLiteral("b"));

    double real = 1.25;
    TFRM_Input::SetAnswerer([](TFRM_Input& f) {
        f.EDT_Valeur->setText(QStringLiteral("3"));
        f.close();
    });
    EXPECT_FALSE(Input::InputReal(QStringLiteral("?"), real));
    EXPECT_EQ(real, 1.25);
}

TEST_F(InputDialog, ChoicesBeyondTenGoOnInRowsOfFive)
{
    TFRM_Input::SetAnswerer([](TFRM_Input& f) {
        ASSERT_EQ(f.ChoiceButtons().size(), 12);
        EXPECT_EQ(f.ChoiceButtons()[10]->geometry(), QRect(59, 102, 75, 25));
        EXPECT_EQ(f.ChoiceButtons()[11]->geometry(), QRect(252, 102, 75, 25));
        // The window grows so Cancel stays below the last row.
        EXPECT_GE(f.BTN_Annuler->y(), 102 + 25);
        EXPECT_LE(f.BTN_Annuler->geometry().bottom(), f.height());
        f.ChoiceButtons()[11]->click();
    });
    QString value;
    EXPECT_TRUE(Input::InputChoice(QStringLiteral("?"), QStringLiteral("1/2/3/4/5/6/7/8/9/10/11/12"), value));
    EXPECT_EQ(value, QStringLiteral("12"));

    // A "/" between double quotes is part of its choice; a later question
    // starts from the normal size again.
    TFRM_Input::SetAnswerer([](TFRM_Input& f) {
        ASSERT_EQ(f.ChoiceButtons().size(), 2);
        EXPECT_EQ(f.height(), 154);
        f.ChoiceButtons()[0]->click();
    });
    EXPECT_TRUE(Input::InputChoice(QStringLiteral("?"), QStringLiteral("\"a/b\"/c"), value));
    EXPECT_EQ(value, QStringLiteral("\"a/b\""));
}

TEST_F(InputDialog, ARealThatDoesNotReadKeepsTheDialogOpen)
{
    int refused = 0;
    TFRM_Input::SetAnswerer([&](TFRM_Input& f) {
        EXPECT_EQ(f.EDT_Valeur->text(), QStringLiteral("0.1"));
        EXPECT_FALSE(f.SPED_Valeur->isVisibleTo(&f));
        for (const char* bad : {"", "abc", "1,5", "1.5x", "inf", "nan"}) {
            f.EDT_Valeur->setText(QString::fromLatin1(bad));
            f.BTN_Ok->click();
            EXPECT_TRUE(f.isVisible()) << bad;
            ++refused;
        }
        f.EDT_Valeur->setText(QStringLiteral(" -2.5e3 "));
        f.BTN_Ok->click();
    });
    double real = 0.1;
    EXPECT_TRUE(Input::InputReal(QStringLiteral("Valeur ?"), real));
    EXPECT_EQ(real, -2500.0);
    ASSERT_EQ(messages_.shown.size(), size_t(refused));
    EXPECT_EQ(messages_.shown[2].text, QStringLiteral("'1,5' n'est pas une valeur numérique valide"));
}

TEST_F(InputDialog, IntegerAndTextEntries)
{
    TFRM_Input::SetAnswerer([](TFRM_Input& f) {
        EXPECT_EQ(f.SPED_Valeur->value(), 12);
        EXPECT_FALSE(f.EDT_Valeur->isVisibleTo(&f));
        EXPECT_TRUE(f.BTN_Ok->isVisibleTo(&f));
        f.SPED_Valeur->setValue(-2000000000);
        f.BTN_Ok->click();
    });
    qint32 n = 12;
    EXPECT_TRUE(Input::InputInteger(QStringLiteral("Nombre ?"), n));
    EXPECT_EQ(n, -2000000000);

    TFRM_Input::SetAnswerer([](TFRM_Input& f) {
        EXPECT_EQ(f.EDT_Valeur->text(), QStringLiteral("M31"));
        f.EDT_Valeur->setText(QStringLiteral("M 42"));
        f.BTN_Ok->click();
    });
    QString text = QStringLiteral("M31");
    EXPECT_TRUE(Input::InputString(QStringLiteral("Nom ?"), text));
    EXPECT_EQ(text, QStringLiteral("M 42"));

    // A question asked while another is open is refused, not stacked.
    TFRM_Input::SetAnswerer([](TFRM_Input& f) {
        QString inner = QStringLiteral("x");
        EXPECT_FALSE(Input::InputString(QStringLiteral("?"), inner));
        f.BTN_Ok->click();
    });
    EXPECT_TRUE(Input::InputString(QStringLiteral("?"), text));
}

// Each question opened in its real modal loop and answered from the
// keyboard where the keys arrive (the focused control), with a window kept
// on top (the script window's part) and another window active.
TEST_F(InputDialog, AQuestionComesInFrontWithTheKeyboardEnterConfirmsEscapeCancels)
{
    TFRM_Input::SetAnswerer({});
    testsupport::FrontWindows windows;

    // With the other window active, types `keys` and presses `last` once the
    // dialog has the keyboard; records whether it was in front of the front
    // window.
    bool inFront = false;
    const auto answerWith = [&](const QString& keys, Qt::Key last) {
        windows.workInOther();
        inFront = false;
        auto looks = std::make_shared<int>(0);
        auto step = std::make_shared<std::function<void()>>();
        *step = [&, keys, last, looks, step] {
            if (!FRM_Input->isVisible() || !FRM_Input->isActiveWindow()) {
                if (++*looks < 300)
                    QTimer::singleShot(10, *step);
                else if (FRM_Input->isVisible())
                    FRM_Input->BTN_AnnulerClick();   // never took the keyboard: fail, do not hang
                return;
            }
            inFront = FRM_Input->windowFlags().testFlag(Qt::WindowStaysOnTopHint)
                      && FRM_Input->windowHandle()->transientParent() == windows.front.windowHandle();
            QWidget* focus = QApplication::focusWidget();
            ASSERT_NE(focus, nullptr);
            if (!keys.isEmpty())
                QTest::keyClicks(focus, keys);
            QTest::keyClick(focus, last);
            if (FRM_Input->isVisible())
                FRM_Input->BTN_AnnulerClick();   // the key did nothing: fail, do not hang
        };
        QTimer::singleShot(0, *step);
    };

    qint32 n = 3;
    answerWith(QStringLiteral("42"), Qt::Key_Return);
    EXPECT_TRUE(Input::InputInteger(QStringLiteral("Combien de poses ?"), n));
    EXPECT_EQ(n, 42);
    EXPECT_TRUE(inFront);

    double real = 1;
    answerWith(QStringLiteral("2.5"), Qt::Key_Enter);
    EXPECT_TRUE(Input::InputReal(QStringLiteral("Exposition ?"), real));
    EXPECT_EQ(real, 2.5);

    QString text = QStringLiteral("M31");
    answerWith(QStringLiteral("M42"), Qt::Key_Return);
    EXPECT_TRUE(Input::InputString(QStringLiteral("Objet ?"), text));
    EXPECT_EQ(text, QStringLiteral("M42"));
    EXPECT_TRUE(inFront);

    answerWith(QStringLiteral("M1"), Qt::Key_Escape);
    EXPECT_FALSE(Input::InputString(QStringLiteral("Objet ?"), text));
    EXPECT_EQ(text, QStringLiteral("M42"));

    // A choice: Enter presses the focused button, the current value's.
    QString choice = QStringLiteral("Flat");
    answerWith(QString(), Qt::Key_Return);
    EXPECT_TRUE(Input::InputChoice(QStringLiteral("Quoi ?"), QStringLiteral("Dark/Flat/Light"), choice));
    EXPECT_EQ(choice, QStringLiteral("Flat"));
    EXPECT_TRUE(inFront);
}

TEST(ProgressWindow, ShowsAboveZeroAndHidesNearTheEnd)
{
    TFRM_Progress progress;
    progress.SetProgress(QStringLiteral("Preanalyse en cours..."), 0, 100);
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(progress.windowTitle(), QStringLiteral("Preanalyse en cours..."));

    progress.SetProgress(QStringLiteral("Preanalyse en cours..."), 40, 100);
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.PGB_Progression->value(), 40);
    EXPECT_EQ(progress.PGB_Progression->maximum(), 100);

    progress.SetProgress(QStringLiteral("Preanalyse en cours..."), 99, 100);
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(progress.PGB_Progression->value(), 99);

    // Out-of-range positions pin the bar instead of being ignored.
    progress.SetProgress(QStringLiteral("x"), 250, 100);
    EXPECT_EQ(progress.PGB_Progression->value(), 100);
    EXPECT_FALSE(progress.isVisible());
}

// Return presses the button that has the keyboard: on "Annuler", reached
// with Tab from the entry, the question is cancelled whatever was typed.
TEST_F(InputDialog, ReturnOnAFocusedAnnulerCancelsTheQuestion)
{
    testsupport::X11Keyboard keyboard;
    TFRM_Input::SetAnswerer([&](TFRM_Input& f) {
        f.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
        QTest::keyClicks(f.focusWidget(), QStringLiteral("5"));
        for (int i = 0; i < 2; ++i)
            QTest::keyClick(f.focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(f.focusWidget(), f.BTN_Annuler);
        keyboard.advance(500);
        keyboard.tap(f.BTN_Annuler, Qt::Key_Return, 90);
    });
    qint32 n = 3;
    EXPECT_FALSE(Input::InputInteger(QStringLiteral("Combien de poses ?"), n));
    EXPECT_EQ(n, 3);
    QString text = QStringLiteral("M31");
    EXPECT_FALSE(Input::InputString(QStringLiteral("Objet ?"), text));
    EXPECT_EQ(text, QStringLiteral("M31"));

    // A list of one choice leaves only "Annuler", which has the keyboard.
    int cancelled = 0;
    TFRM_Input::SetAnswerer([&](TFRM_Input& f) {
        ASSERT_EQ(f.focusWidget(), f.BTN_Annuler);
        QObject::connect(f.BTN_Annuler, &QPushButton::clicked, &f, [&] { ++cancelled; });
        keyboard.advance(500);
        keyboard.tap(f.BTN_Annuler, Qt::Key_Return, 90);
    });
    QString choice = QStringLiteral("seul");
    EXPECT_FALSE(Input::InputChoice(QStringLiteral("?"), QStringLiteral("seul"), choice));
    EXPECT_EQ(cancelled, 1) << "Return did nothing";
}
