// Firing rules of the control adapters, driven from code and by simulated
// user input on a window shown offscreen.

#include "app/controls/num_inp.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "support/user_input.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// A user's click on the box or circle of a check box or radio button.
void clickIndicator(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2)); }

struct Window {
    QWidget w;
    QCheckBox* ckb = new QCheckBox("CR", &w);
    QRadioButton* rb1 = new QRadioButton("1", &w);
    QRadioButton* rb2 = new QRadioButton("2", &w);
    QComboBox* cbx = new QComboBox(&w);
    QLineEdit* edt = new QLineEdit(&w);
    QSlider* trb = new QSlider(Qt::Horizontal, &w);
    QScrollBar* scb = new QScrollBar(Qt::Horizontal, &w);
    QToolButton* spb = new QToolButton(&w);
    QPushButton* btn = new QPushButton("Goto", &w);

    Window()
    {
        auto* layout = new QVBoxLayout(&w);
        for (QWidget* c : std::initializer_list<QWidget*>{ckb, rb1, rb2, cbx, edt, trb, scb, spb, btn})
            layout->addWidget(c);
        ckb->setObjectName("CKB_CR");
        btn->setObjectName("BTN_Goto");
        cbx->addItems({"a", "b", "c"});
        spb->setCheckable(true);
        w.show();
    }
};

} // namespace

TEST(ControlAdapters, CheckRadioComboAndEdit)
{
    Window win;
    int box = 0, r1 = 0, r2 = 0;
    app::bindCheckBoxClick(win.ckb, [&] { ++box; });
    app::bindRadioClick(win.rb1, [&] { ++r1; });
    app::bindRadioClick(win.rb2, [&] { ++r2; });

    win.ckb->setChecked(true);
    win.ckb->setChecked(true);
    EXPECT_EQ(box, 1);
    clickIndicator(win.ckb);
    EXPECT_EQ(box, 2);
    EXPECT_FALSE(win.ckb->isChecked());

    win.rb1->setChecked(true);   // from code, becomes checked
    clickIndicator(win.rb2);     // by the user; rb1 is unchecked: nothing for it
    clickIndicator(win.rb2);     // already checked
    win.rb2->setChecked(true);
    EXPECT_EQ(r1, 1);
    EXPECT_EQ(r2, 1);

    int combo = 0, edit = 0;
    app::bindComboChange(win.cbx, [&] { ++combo; });
    app::bindEditChange(win.edt, [&] { ++edit; });

    win.cbx->setCurrentIndex(2);
    win.cbx->setCurrentIndex(0);
    EXPECT_EQ(combo, 0);
    QTest::keyClick(win.cbx, Qt::Key_Down);
    EXPECT_EQ(win.cbx->currentIndex(), 1);
    EXPECT_EQ(combo, 1);

    win.edt->setText("12");
    win.edt->setText("12");
    QTest::keyClicks(win.edt, "3");
    EXPECT_EQ(edit, 2);
}

// A box whose handler refuses the tick (a missing file, an empty name)
// unticks itself during the user's click. The next clicks must still reach
// the handler, each one once per change.
TEST(ControlAdapters, ABoxItsHandlerUntickedStillAnswersTheNextClicks)
{
    Window win;
    bool refuse = true;
    QList<bool> seen;   // the box's state at each run of the handler
    app::bindCheckBoxClick(win.ckb, [&] {
        seen << win.ckb->isChecked();
        if (win.ckb->isChecked() && refuse)
            win.ckb->setChecked(false);
    });

    clickIndicator(win.ckb);
    EXPECT_FALSE(win.ckb->isChecked());
    EXPECT_EQ(seen, (QList<bool>{true, false})) << "the refusal runs the handler for the unticked box too";

    refuse = false;
    seen.clear();
    clickIndicator(win.ckb);
    EXPECT_TRUE(win.ckb->isChecked());
    clickIndicator(win.ckb);
    EXPECT_FALSE(win.ckb->isChecked());
    EXPECT_EQ(seen, (QList<bool>{true, false}));

    // The space bar clicks the same way.
    refuse = true;
    seen.clear();
    win.ckb->setFocus();
    QTest::keyClick(win.ckb, Qt::Key_Space);
    refuse = false;
    QTest::keyClick(win.ckb, Qt::Key_Space);
    EXPECT_TRUE(win.ckb->isChecked());
    EXPECT_EQ(seen, (QList<bool>{true, false, true}));

    // From code nothing changes: a state set runs the handler once, the
    // same state again nothing.
    seen.clear();
    win.ckb->setChecked(false);
    win.ckb->setChecked(false);
    EXPECT_EQ(seen, QList<bool>{false});
}

TEST(ControlAdapters, BarsAndButtons)
{
    Window win;
    int track = 0, scroll = 0;
    app::bindTrackBarChange(win.trb, [&] { ++track; });
    app::bindScrollBarChange(win.scb, [&] { ++scroll; });

    win.trb->setValue(5);
    win.trb->setValue(5);
    QTest::keyClick(win.trb, Qt::Key_Right);
    win.trb->setValue(1000);   // clipped to the maximum: a change
    win.trb->setValue(2000);   // clipped again: none
    EXPECT_EQ(track, 3);
    win.scb->setValue(10);
    win.scb->setValue(10);
    QTest::keyClick(win.scb, Qt::Key_Right);
    EXPECT_EQ(scroll, 2);

    int speed = 0, button = 0;
    app::bindSpeedButtonClick(win.spb, [&] { ++speed; });
    app::bindButtonClick(win.btn, [&] { ++button; });

    win.spb->setChecked(true);
    win.spb->setDown(true);
    win.spb->setChecked(false);
    EXPECT_EQ(speed, 0);
    QTest::mouseClick(win.spb, Qt::LeftButton);
    EXPECT_EQ(speed, 1);
    win.btn->click();   // as a script does
    QTest::mouseClick(win.btn, Qt::LeftButton);
    EXPECT_EQ(button, 2);
}

namespace {
struct Owner : QObject {
    int clicks = 0;
    void BTN_GotoClick()
    {
        ++clicks;
        throw std::runtime_error("mount not connected");
    }
};
} // namespace

TEST(ControlAdapters, MemberHandlersRunThroughTheBoundaryWhileTheirOwnerLives)
{
    QStringList reports;
    app::setErrorSink([&](const QString& r) { reports << r; });
    app::resetReportedCauses();
    Window win;
    auto* owner = new Owner;
    app::bindButtonClick(win.btn, owner, &Owner::BTN_GotoClick);
    win.btn->click();
    win.btn->click();
    EXPECT_EQ(owner->clicks, 2);
    EXPECT_EQ(reports, QStringList{"BTN_Goto: mount not connected"});
    delete owner;
    win.btn->click();   // binding gone with its owner

    TNumInp num(&win.w);
    int exits = 0;
    app::bindNumInpExit(&num, [&] { ++exits; });
    num.setText("3");
    num.DoExit();
    EXPECT_EQ(exits, 1);
    app::setErrorSink({});
    app::resetReportedCauses();
}

TEST(ControlAdapters, FindControlByExactNameAndType)
{
    Window win;
    auto* deep = new QCheckBox(new QWidget(&win.w));
    deep->setObjectName("CKB_Deep");
    EXPECT_EQ(app::findControl<QCheckBox>(&win.w, "CKB_Deep"), deep);
    EXPECT_EQ(app::findControl<QAbstractButton>(&win.w, "BTN_Goto"), win.btn);
    EXPECT_EQ(app::findControl<QCheckBox>(&win.w, "ckb_cr"), nullptr);
    EXPECT_EQ(app::findControl<QCheckBox>(&win.w, "BTN_Goto"), nullptr);
}

namespace {

// A page that scrolls, as the tool windows' pages do, under a field that
// holds the keyboard: a list, a spin edit and a list box on it.
struct ScrollingPage {
    QWidget w;
    QLineEdit* edit = new QLineEdit(&w);
    QScrollArea* area = new QScrollArea(&w);
    QWidget* page = new QWidget;
    QComboBox* cbx = new QComboBox(page);
    QSpinBox* sped = new QSpinBox(page);
    QListWidget* lbx = new QListWidget(page);

    ScrollingPage()
    {
        auto* layout = new QVBoxLayout(&w);
        layout->addWidget(edit);
        layout->addWidget(area);
        auto* inside = new QVBoxLayout(page);
        for (QWidget* c : std::initializer_list<QWidget*>{cbx, sped, lbx})
            inside->addWidget(c);
        inside->addSpacing(900);
        cbx->addItems({"images", "seconds", "minutes"});
        sped->setRange(1, 100);
        for (int i = 0; i < 20; ++i)
            lbx->addItem(QString::number(i));
        lbx->setFixedHeight(80);
        area->setWidget(page);
        area->setWidgetResizable(true);
        area->setFocusPolicy(Qt::NoFocus);
        w.resize(300, 260);
        w.show();
        QApplication::setActiveWindow(&w);
        QTest::mouseClick(edit, Qt::LeftButton);
    }
    int pageScroll() const { return area->verticalScrollBar()->value(); }
};

} // namespace

// The wheel turned to scroll a page passes over its lists and spin edits
// without changing them (nor taking the keyboard to them): the page
// scrolls. The control the user is on (clicked, or reached with Tab) takes
// the wheel, and the page stays. This holds in a window made after the
// rule was put in force, as every window of the program is.
TEST(ControlAdapters, AWheelOverAListOrSpinEditWithoutTheKeyboardScrollsThePage)
{
    app::InstallWheelRule();
    ScrollingPage p;
    ASSERT_TRUE(p.edit->hasFocus());
    const auto listScroll = [&] { return p.lbx->verticalScrollBar()->value(); };
    for (QWidget* control : std::initializer_list<QWidget*>{p.cbx, p.sped, p.lbx}) {
        SCOPED_TRACE(control->metaObject()->className());
        p.area->verticalScrollBar()->setValue(0);
        testsupport::turnWheel(control, -1);
        EXPECT_GT(p.pageScroll(), 0) << "the page scrolls";
        EXPECT_TRUE(p.edit->hasFocus()) << "the keyboard stays where it was";
    }
    EXPECT_EQ(p.cbx->currentIndex(), 0);
    EXPECT_EQ(p.sped->value(), 1);
    EXPECT_EQ(listScroll(), 0);

    p.area->verticalScrollBar()->setValue(0);
    QTest::keyClick(p.edit, Qt::Key_Tab);
    ASSERT_TRUE(p.cbx->hasFocus());
    testsupport::turnWheel(p.cbx, -1);
    EXPECT_EQ(p.cbx->currentIndex(), 1) << "the list with the keyboard takes the wheel";
    QTest::keyClick(p.cbx, Qt::Key_Tab);
    ASSERT_TRUE(p.sped->hasFocus());
    testsupport::turnWheel(p.sped, 1);
    EXPECT_EQ(p.sped->value(), 2);
    QTest::mouseClick(p.lbx->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_TRUE(p.lbx->hasFocus());
    testsupport::turnWheel(p.lbx, -1);
    EXPECT_GT(listScroll(), 0);
    EXPECT_EQ(p.pageScroll(), 0) << "the page stays";
}
