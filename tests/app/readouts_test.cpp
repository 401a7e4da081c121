// Read-outs the program writes into: each shows its widest value whole,
// from its sign, in its window as it opens on an 800 x 600 screen.

#include "program_windows_fixture.h"

#include "app/controls/num_inp.h"
#include "app/settings/key_engine.h"
#include "app/systeme.h"
#include "app/ui/readouts.h"
#include "telescope/frm_raquette.h"
#include "tools/frm_tool_images.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyleOptionSlider>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>

namespace {

class Readouts : public ProgramWindows {
protected:
    void SetUp() override
    {
        ProgramWindows::SetUp();
        asStarted();
        Systeme::SetScreenSizeProvider([] { return QSize(800, 600); });
    }
    void TearDown() override
    {
        Systeme::SetScreenSizeProvider({});
        ProgramWindows::TearDown();
    }

    // The window open on the screen with the page that holds the control.
    static void open(QWidget* control)
    {
        QWidget* window = control->window();
        if (window == FRM_Alv) {
            FRM_Alv->resize(800, 600);
            FRM_Alv->show();
        } else {
            Systeme::ShowFormOnScreen(window);
        }
        for (QWidget* c = control; c && c->parentWidget(); c = c->parentWidget())
            if (auto* pages = qobject_cast<QStackedWidget*>(c->parentWidget())) {
                if (auto* tabs = qobject_cast<QTabWidget*>(pages->parentWidget()))
                    tabs->setCurrentWidget(c);
                else
                    pages->setCurrentWidget(c);
            }
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QApplication::processEvents();
    }

    // Whether the edit shows its whole text from the first character: the
    // caret at its end and at its start are as far apart as the text is
    // wide (a text too wide scrolls under the caret instead).
    static testing::AssertionResult showsWhole(QLineEdit* edit)
    {
        const QString text = edit->text();
        if (edit->cursorPosition() != 0)
            return testing::AssertionFailure() << "\"" << text.toStdString() << "\" shows from character "
                                               << edit->cursorPosition();
        edit->setCursorPosition(int(text.size()));
        edit->repaint();
        const int end = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
        edit->setCursorPosition(0);
        edit->repaint();
        const int start = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
        const int wide = edit->fontMetrics().horizontalAdvance(text);
        if (end - start < wide - 1)
            return testing::AssertionFailure() << "\"" << text.toStdString() << "\" (" << wide << " px) in "
                                               << edit->width() << " px shows " << end - start << " px of it";
        return testing::AssertionSuccess();
    }
};

} // namespace

// Every read-out of the program, written with the widest value it shows.
TEST_F(Readouts, EveryReadoutShowsItsWidestValueWholeFromItsSign)
{
    int count = 0;
    const app::ReadoutWidth* readouts = app::ReadoutWidths(count);
    ASSERT_GT(count, 50);
    for (int i = 0; i < count; ++i) {
        const app::ReadoutWidth& r = readouts[i];
        SCOPED_TRACE(std::string(r.window) + "." + r.control);
        QWidget* window = Settings::FindWindow(QString::fromLatin1(r.window));
        ASSERT_NE(window, nullptr);
        auto* edit = window->findChild<QLineEdit*>(QString::fromLatin1(r.control));
        ASSERT_NE(edit, nullptr);
        open(edit);
        // As the program writes it.
        if (auto* numeric = qobject_cast<TCustomNumInp*>(edit))
            numeric->SetValue(QString::fromUtf8(r.widest).toDouble());
        else
            edit->setText(QString::fromUtf8(r.widest));
        EXPECT_EQ(edit->text(), QString::fromUtf8(r.widest));
        EXPECT_TRUE(showsWhole(edit));
        window->hide();
    }
}

// The kernel's sum, worked out from the ring levels the user types: a
// negative sum shows its sign and a sum of four digits all of them.
TEST_F(Readouts, TheKernelsSumShowsWholeAsTheUserSetsTheRings)
{
    TFRM_Tool_Images& t = *FRM_Tool_Images;
    open(t.EDT_Total_Filtre);
    // Without the automatic divisor the centre stays as it is.
    QTest::mouseClick(t.CKB_Diviseur_Auto, Qt::LeftButton, {}, QPoint(4, t.CKB_Diviseur_Auto->height() / 2));
    ASSERT_FALSE(t.CKB_Diviseur_Auto->isChecked());
    const auto typeRing = [&](TCustomNumInp* ring, const char* level) {
        QTest::mouseDClick(ring, Qt::LeftButton);
        QTest::keyClick(ring, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(ring, QString::fromLatin1(level));
        QTest::keyClick(ring, Qt::Key_Return);
    };
    typeRing(t.TNI_Set_3, "-200");
    EXPECT_EQ(t.EDT_Total_Filtre->text(), QStringLiteral("-600"));
    EXPECT_TRUE(showsWhole(t.EDT_Total_Filtre));
    typeRing(t.TNI_Set_3, "200");
    typeRing(t.TNI_Set_5, "120");
    EXPECT_EQ(t.EDT_Total_Filtre->text(), QStringLiteral("4520"));
    EXPECT_TRUE(showsWhole(t.EDT_Total_Filtre));
}

// The hand pad's rate bar's slider dragged to its ends with the mouse: its
// read-out shows the whole position, sign included.
TEST_F(Readouts, TheHandPadsRateShowsItsWholePosition)
{
    TFRM_Raquette& pad = *FRM_Raquette;
    open(pad.EDT_Rate);
    QScrollBar* bar = pad.SCB_Rate;
    const auto dragTo = [bar](int x) {
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = option.sliderValue = bar->value();
        option.pageStep = bar->pageStep();
        option.singleStep = bar->singleStep();
        const QPoint slider = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar).center();
        QTest::mousePress(bar, Qt::LeftButton, {}, slider);
        QMouseEvent move(QEvent::MouseMove, QPointF(x, slider.y()), bar->mapToGlobal(QPointF(x, slider.y())),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(x, slider.y()));
    };
    dragTo(-50);
    EXPECT_EQ(pad.EDT_Rate->text(), QStringLiteral("-15000"));
    EXPECT_TRUE(showsWhole(pad.EDT_Rate));
    dragTo(bar->width() + 50);
    EXPECT_EQ(pad.EDT_Rate->text(), QStringLiteral("15000"));
    EXPECT_TRUE(showsWhole(pad.EDT_Rate));
    QTest::mouseClick(pad.BTN_Stop, Qt::LeftButton);
}
