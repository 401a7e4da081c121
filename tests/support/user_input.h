#pragma once
// The user's hand on the program's controls in-process: a mouse click on a
// control (its window shown, the tab pages that hold it brought forward),
// typing into a field and leaving it with Tab, and a combo box's item
// picked from the keyboard, a menu's item clicked in it. Header only: for the test programs that link
// the program's widgets.

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>

namespace testsupport {

// Shows the window of `control` with the tab pages that hold it brought
// forward, as the user has it before using it.
inline void bringForward(QWidget* control)
{
    QWidget* window = control->window();
    window->show();
    for (QWidget *child = control, *parent = control->parentWidget(); parent;
         child = parent, parent = parent->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(parent->parentWidget()); tabs && tabs->indexOf(child) >= 0)
            tabs->setCurrentWidget(child);
    QCoreApplication::processEvents();
    ASSERT_TRUE(control->isVisible()) << control->objectName().toStdString();
}

// A click on `control` as the user makes it: on the box of a check box or
// radio button, in the middle of anything else.
inline void click(QWidget* control)
{
    bringForward(control);
    const bool box = qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control);
    QTest::mouseClick(control, Qt::LeftButton, {}, box ? QPoint(8, control->height() / 2) : control->rect().center());
}

// Types into a field as the user does, then leaves it with Tab.
inline void typeInto(QWidget* field, const QString& text)
{
    QApplication::setActiveWindow(field->window());
    field->setFocus(Qt::MouseFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
    else if (auto* spin = qobject_cast<QAbstractSpinBox*>(field))
        spin->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Tab);
}

// Picks the item of a combo box from the keyboard: Home, then Down until
// it shows.
inline void pick(QComboBox* combo, const QString& text)
{
    click(combo);
    if (QWidget* popup = QApplication::activePopupWidget())
        QTest::keyClick(popup, Qt::Key_Escape);
    QApplication::setActiveWindow(combo->window());
    combo->setFocus(Qt::TabFocusReason);
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < combo->count() && combo->currentText() != text; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
    ASSERT_EQ(combo->currentText(), text);
}

// A click of the mouse on a part of a scroll bar: an arrow at its end
// (SC_ScrollBarSubLine, SC_ScrollBarAddLine) or the groove on either side
// of the thumb (SC_ScrollBarSubPage, SC_ScrollBarAddPage).
inline void clickScrollBar(QScrollBar* bar, QStyle::SubControl part)
{
    bringForward(bar);
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.orientation = bar->orientation();
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = bar->pageStep();
    opt.subControls = QStyle::SC_All;
    const QRect place = bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, part, bar);
    ASSERT_FALSE(place.isEmpty()) << bar->objectName().toStdString();
    QTest::mouseClick(bar, Qt::LeftButton, {}, place.center());
}

// Opens `menu` and clicks `item` in it as the user does; true when the item
// was there, enabled, and chosen.
inline bool chooseMenuItem(QMenu* menu, QAction* item)
{
    menu->popup(QPoint(10, 10));
    QCoreApplication::processEvents();
    const QRect place = menu->actionGeometry(item);
    if (!menu->isVisible() || place.isEmpty()) {
        menu->hide();
        return false;
    }
    bool chosen = false;
    const auto seen = QObject::connect(item, &QAction::triggered, menu, [&chosen] { chosen = true; });
    QTest::mouseMove(menu, place.center());
    QTest::mouseClick(menu, Qt::LeftButton, {}, place.center());
    QCoreApplication::processEvents();
    QObject::disconnect(seen);
    menu->hide();
    return chosen;
}

// A turn of the mouse wheel with the pointer over `control` (at `at`, its
// middle by default): `notches` notches away from the user, negative towards
// the user. It comes as the window system brings it: to the window under the
// pointer, which hands it to the control there and, while each leaves it, on
// to the control's parents.
inline void turnWheel(QWidget* control, int notches, QPoint at = QPoint(-1, -1))
{
    if (at == QPoint(-1, -1))
        at = control->rect().center();
    QWidget* window = control->window();
    ASSERT_TRUE(window->windowHandle()) << "the window is shown";
    QWheelEvent wheel(control->mapTo(window, QPointF(at)), control->mapToGlobal(QPointF(at)), QPoint(),
                      QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    qApp->notify(window->windowHandle(), &wheel);
    QCoreApplication::processEvents();
}

} // namespace testsupport
