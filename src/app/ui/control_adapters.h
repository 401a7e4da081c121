#pragma once
// One adapter per control kind, reproducing the firing rules the program's
// windows were written for. Windows bind their handlers here and never
// connect the controls' Qt signals themselves. Every handler runs through
// the event boundary with the control's objectName as the cause.
//
//   check box     click handler on a user click, and when code changes the
//                 state; setting the same state runs nothing; a handler that
//                 sets its own box back (refusing the tick) runs again for
//                 the state it set, and the next click fires as usual
//   radio button  click handler when it becomes checked (user or code),
//                 never when it is unchecked
//   combo box     change handler on the user's choice only; an index set
//                 from code runs nothing
//   edit          change handler whenever the text changes, code included;
//                 user-change handler only when the user edits the text;
//                 exit handler when editing finishes (Return, or leaving it)
//                 return handler when Return or Enter is pressed in it
//   spin edit     change handler whenever the value changes, code included
//   track bar,
//   scroll bar    change handler when the position really changes (user or code)
//   scroll bar    scroll handler on the user's scrolls only (arrows, pages,
//                 keys, dragging, releasing the thumb), with the scroll code
//                 and the new position, which the handler may change
//   speed button  click handler on the user's click (or click() from code);
//                 setting the down state from code runs nothing
//   speed button  mouse-up handler with the released button (0 left,
//                 1 right, 2 middle) when it is released over the button
//   button        click handler on a click; click() from code runs it, as
//                 scripts do
//   numeric input exit handler after a valid entry was stored on leaving
//   combo box     drop-down handler when its list opens
//   colour panel  click handler on the user's click
//   menu item     click handler when the item is chosen (or triggered from code)
//
// And one rule for the wheel, in every window (InstallWheelRule): a list
// (combo box, list box) or a spin edit takes a turn of the mouse wheel only
// while it has the keyboard. Without it, the wheel turned over it goes on to
// what lies under it, the page that scrolls, so that scrolling a page never
// changes a setting the pointer passes over; nor does the wheel give such a
// control the keyboard.

#include <QMetaObject>
#include <QString>
#include <QWidget>
#include <functional>
#include <type_traits>

class QAbstractButton;
class QAction;
class QAbstractSlider;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QScrollBar;
class QSlider;
class QSpinBox;
class QToolButton;
class TColorPanel;
class TCustomNumInp;

namespace app {

using Handler = std::function<void()>;
// Scroll codes: 0 line up, 1 line down, 2 page up, 3 page down, 4 position
// (thumb released), 5 track (thumb dragged), 6 top, 7 bottom, 8 end of scroll.
using MouseUpHandler = std::function<void(int button)>;
using ScrollHandler = std::function<void(int scrollCode, int& scrollPos)>;

// context: the object whose lifetime bounds the binding (the window that
// owns the handler); the control itself when null.
QMetaObject::Connection bindCheckBoxClick(QCheckBox* box, Handler handler, QObject* context = nullptr);
QMetaObject::Connection bindRadioClick(QRadioButton* radio, Handler handler, QObject* context = nullptr);
QMetaObject::Connection bindComboChange(QComboBox* combo, Handler handler, QObject* context = nullptr);
QMetaObject::Connection bindEditChange(QLineEdit* edit, Handler handler, QObject* context = nullptr);
QMetaObject::Connection bindEditUserChange(QLineEdit* edit, Handler handler, QObject* context = nullptr);
QMetaObject::Connection bindEditExit(QLineEdit* edit, Handler handler, QObject* context = nullptr);
QMetaObject::Connection bindSpinEditChange(QSpinBox* spin, Handler handler, QObject* context = nullptr);
QMetaObject::Connection bindComboDropDown(QComboBox* combo, Handler handler, QObject* context = nullptr);
QMetaObject::Connection bindPanelClick(TColorPanel* panel, Handler handler, QObject* context = nullptr);
QMetaObject::Connection bindTrackBarChange(QSlider* trackBar, Handler handler, QObject* context = nullptr);
QMetaObject::Connection bindScrollBarChange(QScrollBar* scrollBar, Handler handler, QObject* context = nullptr);
QMetaObject::Connection bindSpeedButtonClick(QToolButton* button, Handler handler, QObject* context = nullptr);
QMetaObject::Connection bindSpeedButtonMouseUp(QToolButton* button, MouseUpHandler handler, QObject* context = nullptr);
QMetaObject::Connection bindButtonClick(QAbstractButton* button, Handler handler, QObject* context = nullptr);
QMetaObject::Connection bindNumInpExit(TCustomNumInp* input, Handler handler, QObject* context = nullptr);
QMetaObject::Connection bindScrollBarScroll(QScrollBar* scrollBar, ScrollHandler handler, QObject* context = nullptr);
QMetaObject::Connection bindEditReturn(QLineEdit* edit, Handler handler, QObject* context = nullptr);
QMetaObject::Connection bindMenuItemClick(QAction* item, Handler handler, QObject* context = nullptr);

// The same with a window's member function, e.g.
//   bindButtonClick(BTN_Goto, this, &TFRM_Telescope::BTN_GotoClick);
#define NJ_MEMBER_BINDING(name, Control)                                                   \
    template <class Window, class Method>                                                 \
    QMetaObject::Connection name(Control* control, Window* window, Method method)         \
    {                                                                                     \
        static_assert(std::is_member_function_pointer_v<Method>);                         \
        return name(control, Handler([window, method] { (window->*method)(); }), window); \
    }
NJ_MEMBER_BINDING(bindCheckBoxClick, QCheckBox)
NJ_MEMBER_BINDING(bindRadioClick, QRadioButton)
NJ_MEMBER_BINDING(bindComboChange, QComboBox)
NJ_MEMBER_BINDING(bindEditChange, QLineEdit)
NJ_MEMBER_BINDING(bindEditUserChange, QLineEdit)
NJ_MEMBER_BINDING(bindEditExit, QLineEdit)
NJ_MEMBER_BINDING(bindSpinEditChange, QSpinBox)
NJ_MEMBER_BINDING(bindComboDropDown, QComboBox)
NJ_MEMBER_BINDING(bindPanelClick, TColorPanel)
NJ_MEMBER_BINDING(bindTrackBarChange, QSlider)
NJ_MEMBER_BINDING(bindScrollBarChange, QScrollBar)
NJ_MEMBER_BINDING(bindSpeedButtonClick, QToolButton)
NJ_MEMBER_BINDING(bindButtonClick, QAbstractButton)
NJ_MEMBER_BINDING(bindNumInpExit, TCustomNumInp)
NJ_MEMBER_BINDING(bindEditReturn, QLineEdit)
NJ_MEMBER_BINDING(bindMenuItemClick, QAction)
#undef NJ_MEMBER_BINDING

// Puts the wheel rule above in force for the whole program, windows made
// later included. The first window installs it; further calls change nothing.
void InstallWheelRule();

// Radio buttons choose among the buttons of their own box, as the windows
// were drawn. Left to the toolkit, the radio buttons of a box would be one
// choice with those of every box inside it (a click on the one already
// chosen could leave the box with none): each box under window with radio
// buttons of its own and boxes of radio buttons inside gets a button group
// of its own. Buttons already in a group are left to it. Called once for
// each window when it is created.
void ChooseWithinEachBox(QWidget* window);

// The child control of window whose objectName is exactly name and whose
// type is T; null when there is none. Settings, translation and scripts
// find controls this way.
template <class T>
T* findControl(QWidget* window, const QString& name)
{
    if (!window || name.isEmpty())
        return nullptr;
    return window->findChild<T*>(name, Qt::FindChildrenRecursively);
}

} // namespace app
