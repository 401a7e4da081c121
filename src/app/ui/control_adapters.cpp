#include "app/ui/control_adapters.h"

#include "app/controls/color_panel.h"
#include "app/controls/num_inp.h"
#include "app/ui/event_boundary.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QHash>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPointer>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

#include <algorithm>

namespace app {
namespace {

// Connects signal of control to handler, run through the event boundary
// with the control's name as cause. Arguments of the signal are dropped:
// handlers read the control's state themselves.
template <class Control, class Signal>
QMetaObject::Connection bindGuarded(Control* control, Signal signal, Handler handler,
                                    QObject* context)
{
    if (!control || !handler)
        return {};
    return QObject::connect(control, signal, context ? context : control,
                            [control, h = std::move(handler)] { runGuarded(control->objectName(), h); });
}

// Emits shown() when the watched widget (a combo box's list window) is shown.
class ShowWatcher final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            emit shown();
        return QObject::eventFilter(watched, event);
    }
signals:
    void shown();
};

// Emits released(button) when a mouse button is released over the watched
// button: 0 left, 1 right, 2 middle, as the old toolkit numbers them.
class MouseUpWatcher final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* w = static_cast<QWidget*>(watched);
            auto* m = static_cast<QMouseEvent*>(event);
            const int button = m->button() == Qt::LeftButton    ? 0
                               : m->button() == Qt::RightButton ? 1
                               : m->button() == Qt::MiddleButton ? 2
                                                                 : -1;
            if (button >= 0 && w->isEnabled() && w->rect().contains(m->position().toPoint()))
                emit released(button);
        }
        return QObject::eventFilter(watched, event);
    }
signals:
    void released(int button);
};

// The wheel rule. The toolkit hands a wheel turned over a control first to
// the control under the pointer, then, as long as each one leaves it, to its
// parents: the list or spin edit without the keyboard leaves it.
class WheelRule final : public QObject {
public:
    using QObject::QObject;

    // The list or spin edit that a wheel reaching `w` would turn (w itself,
    // or the control w is part of: a spin edit's field, a list's viewport).
    // A list in a drop-down (an open combo box's) is left to the drop-down.
    static QWidget* wheelControl(QWidget* w)
    {
        if (w->window()->windowType() == Qt::Popup)
            return nullptr;
        for (; w && !w->isWindow(); w = w->parentWidget())
            if (qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QListView*>(w))
                return w;
        return nullptr;
    }

    // A control such as this one takes the keyboard from clicks and keys,
    // never from the wheel.
    static void keepKeyboardFromWheel(QWidget* w)
    {
        if (w->focusPolicy() == Qt::WheelFocus && wheelControl(w) == w)
            w->setFocusPolicy(Qt::StrongFocus);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!watched->isWidgetType())
            return false;
        auto* w = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Polish) {
            keepKeyboardFromWheel(w);
            return false;
        }
        if (event->type() != QEvent::Wheel)
            return false;
        QWidget* control = wheelControl(w);
        if (!control || control->hasFocus() || control->isAncestorOf(QApplication::focusWidget()))
            return false;
        event->ignore();
        return true;
    }
};

} // namespace

void InstallWheelRule()
{
    static QPointer<WheelRule> rule;
    if (rule || !qApp)
        return;
    rule = new WheelRule(qApp);
    qApp->installEventFilter(rule);
    for (QWidget* w : QApplication::allWidgets())
        WheelRule::keepKeyboardFromWheel(w);
}

QMetaObject::Connection bindCheckBoxClick(QCheckBox* box, Handler handler, QObject* context)
{
    // stateChanged, not clicked: a state set from code fires too, but only
    // when it differs (the grayed state included).
    if (!box || !handler)
        return {};
    return QObject::connect(box, &QCheckBox::stateChanged, context ? context : box,
                            [box = QPointer<QCheckBox>(box), h = std::move(handler)](int state) {
                                runGuarded(box->objectName(), h);
                                // A handler that sets the box back during a user's click
                                // changes it while the click holds the box's own
                                // bookkeeping: no stateChanged follows, and the box then
                                // takes the next click to the state it believes it already
                                // announced, so that click fires nothing. Announcing the
                                // state it really has runs the handler for it now and
                                // lets the next click fire as usual. (Outside a click the
                                // change has fired already and this announces nothing.)
                                if (box && box->checkState() != state)
                                    box->setCheckState(box->checkState());
                            });
}

QMetaObject::Connection bindRadioClick(QRadioButton* radio, Handler handler, QObject* context)
{
    if (!radio || !handler)
        return {};
    return QObject::connect(radio, &QRadioButton::toggled, context ? context : radio,
                            [radio, h = std::move(handler)](bool checked) {
                                if (checked)
                                    runGuarded(radio->objectName(), h);
                            });
}

QMetaObject::Connection bindComboChange(QComboBox* combo, Handler handler, QObject* context)
{
    return bindGuarded(combo, &QComboBox::activated, std::move(handler), context);
}

QMetaObject::Connection bindEditChange(QLineEdit* edit, Handler handler, QObject* context)
{
    return bindGuarded(edit, &QLineEdit::textChanged, std::move(handler), context);
}

QMetaObject::Connection bindEditUserChange(QLineEdit* edit, Handler handler, QObject* context)
{
    // textEdited, unlike textChanged, is not emitted by setText().
    return bindGuarded(edit, &QLineEdit::textEdited, std::move(handler), context);
}

QMetaObject::Connection bindEditExit(QLineEdit* edit, Handler handler, QObject* context)
{
    return bindGuarded(edit, &QLineEdit::editingFinished, std::move(handler), context);
}

QMetaObject::Connection bindSpinEditChange(QSpinBox* spin, Handler handler, QObject* context)
{
    return bindGuarded(spin, &QSpinBox::valueChanged, std::move(handler), context);
}

QMetaObject::Connection bindComboDropDown(QComboBox* combo, Handler handler, QObject* context)
{
    if (!combo || !handler)
        return {};
    // The list window is the parent of the view; it exists once view() was asked for.
    QWidget* popup = combo->view()->parentWidget();
    auto* watcher = new ShowWatcher(combo);
    (popup ? popup : combo->view())->installEventFilter(watcher);
    return QObject::connect(watcher, &ShowWatcher::shown, context ? context : combo,
                            [combo, h = std::move(handler)] { runGuarded(combo->objectName(), h); });
}

QMetaObject::Connection bindPanelClick(TColorPanel* panel, Handler handler, QObject* context)
{
    return bindGuarded(panel, &TColorPanel::clicked, std::move(handler), context);
}

QMetaObject::Connection bindTrackBarChange(QSlider* trackBar, Handler handler, QObject* context)
{
    return bindGuarded(trackBar, &QAbstractSlider::valueChanged, std::move(handler), context);
}

QMetaObject::Connection bindScrollBarChange(QScrollBar* scrollBar, Handler handler, QObject* context)
{
    return bindGuarded(scrollBar, &QAbstractSlider::valueChanged, std::move(handler), context);
}

QMetaObject::Connection bindSpeedButtonClick(QToolButton* button, Handler handler, QObject* context)
{
    // clicked is not emitted by setChecked() or setDown().
    return bindGuarded(button, &QAbstractButton::clicked, std::move(handler), context);
}

QMetaObject::Connection bindSpeedButtonMouseUp(QToolButton* button, MouseUpHandler handler, QObject* context)
{
    if (!button || !handler)
        return {};
    auto* watcher = new MouseUpWatcher(button);
    button->installEventFilter(watcher);
    return QObject::connect(watcher, &MouseUpWatcher::released, context ? context : button,
                            [button, h = std::move(handler)](int b) { runGuarded(button->objectName(), [&] { h(b); }); });
}

QMetaObject::Connection bindButtonClick(QAbstractButton* button, Handler handler, QObject* context)
{
    return bindGuarded(button, &QAbstractButton::clicked, std::move(handler), context);
}

QMetaObject::Connection bindNumInpExit(TCustomNumInp* input, Handler handler, QObject* context)
{
    return bindGuarded(input, &TCustomNumInp::exited, std::move(handler), context);
}

QMetaObject::Connection bindScrollBarScroll(QScrollBar* scrollBar, ScrollHandler handler, QObject* context)
{
    if (!scrollBar || !handler)
        return {};
    auto run = [scrollBar, handler](int code, bool committed) {
        runGuarded(scrollBar->objectName(), [&] {
            int pos = committed ? scrollBar->value() : scrollBar->sliderPosition();
            const int before = pos;
            handler(code, pos);
            if (pos != before) {
                if (committed)
                    scrollBar->setValue(pos);
                else
                    scrollBar->setSliderPosition(pos);
            }
        });
    };
    QObject* owner = context ? context : scrollBar;
    // actionTriggered is emitted for the user's actions only, with the new
    // position set but not yet committed.
    const auto c = QObject::connect(scrollBar, &QAbstractSlider::actionTriggered, owner, [run](int action) {
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            return run(0, false);
        case QAbstractSlider::SliderSingleStepAdd:
            return run(1, false);
        case QAbstractSlider::SliderPageStepSub:
            return run(2, false);
        case QAbstractSlider::SliderPageStepAdd:
            return run(3, false);
        case QAbstractSlider::SliderMove:
            return run(5, false);
        case QAbstractSlider::SliderToMinimum:
            return run(6, false);
        case QAbstractSlider::SliderToMaximum:
            return run(7, false);
        default:
            return;
        }
    });
    QObject::connect(scrollBar, &QAbstractSlider::sliderReleased, owner, [run] {
        run(4, true);
        run(8, true);
    });
    return c;
}

QMetaObject::Connection bindEditReturn(QLineEdit* edit, Handler handler, QObject* context)
{
    // returnPressed, unlike editingFinished, is not emitted on leaving the edit.
    return bindGuarded(edit, &QLineEdit::returnPressed, std::move(handler), context);
}

QMetaObject::Connection bindMenuItemClick(QAction* item, Handler handler, QObject* context)
{
    return bindGuarded(item, &QAction::triggered, std::move(handler), context);
}

void ChooseWithinEachBox(QWidget* window)
{
    if (!window)
        return;
    // The toolkit's own groups: a box's radio buttons, free of any group.
    const auto free = [](const QRadioButton* r) { return r->autoExclusive() && !r->group(); };
    QHash<QWidget*, QList<QRadioButton*>> byBox;
    for (QRadioButton* r : window->findChildren<QRadioButton*>())
        if (free(r) && r->parentWidget())
            byBox[r->parentWidget()] << r;
    for (auto it = byBox.cbegin(); it != byBox.cend(); ++it) {
        QWidget* box = it.key();
        const QList<QRadioButton*> all = box->findChildren<QRadioButton*>();
        const bool boxesInside = std::any_of(all.cbegin(), all.cend(),
                                             [&](const QRadioButton* r) { return free(r) && r->parentWidget() != box; });
        if (!boxesInside)
            continue;
        auto* group = new QButtonGroup(box);
        for (QRadioButton* r : it.value())
            group->addButton(r);
    }
}

} // namespace app

#include "control_adapters.moc"
