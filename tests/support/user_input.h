#pragma once
// The user's hand on the program's controls in-process: a mouse click on a
// control (its window shown, the tab pages that hold it brought forward),
// typing into a field and leaving it with Tab, and a combo box's item
// picked from the keyboard. Header only: for the test programs that link
// the program's widgets.

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace testsupport {

// A click on `control` as the user makes it: on the box of a check box or
// radio button, in the middle of anything else.
inline void click(QWidget* control)
{
    QWidget* window = control->window();
    window->show();
    for (QWidget *child = control, *parent = control->parentWidget(); parent;
         child = parent, parent = parent->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(parent->parentWidget()); tabs && tabs->indexOf(child) >= 0)
            tabs->setCurrentWidget(child);
    QCoreApplication::processEvents();
    ASSERT_TRUE(control->isVisible()) << control->objectName().toStdString();
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

} // namespace testsupport
