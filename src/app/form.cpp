#include "app/form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include "app/controls/num_inp.h"
#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "app/ui/press_guard.h"
#include "app/ui/readouts.h"

namespace {

// One application-wide filter hands keys to the window of their receiver
// when that window asked for key preview. Only the first receiver of a key
// (the focused control, or the window when nothing has the focus) counts:
// the same event is offered again to each parent while it propagates.
class KeyPreviewFilter final : public QObject {
public:
    bool eventFilter(QObject* obj, QEvent* e) override
    {
        if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease)
            return false;
        if (!obj->isWidgetType())
            return false;
        auto* w = static_cast<QWidget*>(obj);
        auto* form = qobject_cast<TForm*>(w->window());
        if (!form || !form->KeyPreview)
            return false;
        QWidget* focus = QApplication::focusWidget();
        const bool first = (w == focus) || ((!focus || focus->window() != form) && w == form);
        if (!first)
            return false;
        auto* k = static_cast<QKeyEvent*>(e);
        int key = k->key();
        const bool down = e->type() == QEvent::KeyPress;
        app::runGuarded(form->objectName() + (down ? QStringLiteral(".FormKeyDown") : QStringLiteral(".FormKeyUp")),
                        [&] {
                            if (down)
                                form->FormKeyDown(key, k->modifiers());
                            else
                                form->FormKeyUp(key, k->modifiers());
                        });
        return key == 0;
    }
};

KeyPreviewFilter* g_keyPreview = nullptr;

// A value typed into a field counts when any button of its window is
// pressed, Enter or not: buttons that do not take the focus (speed
// buttons, or any button reached by its shortcut) would otherwise run
// with the field's previous value. The field is left as a focus change
// would leave it; an entry it refuses, or a box that leaving it opens,
// keeps the press, and its release, from reaching the button. Stop buttons
// act whatever the field holds and leave it as it is.
class PendingEntryFilter final : public QObject {
public:
    bool eventFilter(QObject* obj, QEvent* e) override
    {
        if (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonDblClick
            && e->type() != QEvent::Shortcut)
            return false;
        auto* button = qobject_cast<QAbstractButton*>(obj);
        if (!button || !button->isEnabled() || app::IsStopButton(button))
            return false;
        if (e->type() != QEvent::Shortcut && static_cast<QMouseEvent*>(e)->button() != Qt::LeftButton)
            return false;
        QWidget* focus = button->window()->focusWidget();
        auto* edit = qobject_cast<QLineEdit*>(focus);
        if (!edit || edit == static_cast<QWidget*>(button) || edit->window() != button->window())
            return false;
        const quint64 boxes = app::BoxesShown();
        bool taken = true;
        if (auto* number = qobject_cast<TCustomNumInp*>(edit)) {
            if (!number->HasPendingEntry())
                return false;
            app::runGuarded(number->objectName(), [&] { taken = number->DoExit(); });
        } else if (edit->isModified() && !edit->isReadOnly()) {
            edit->setModified(false);
            emit edit->editingFinished();
        } else {
            return false;
        }
        if (taken && app::BoxesShown() == boxes)
            return false;
        if (e->type() != QEvent::Shortcut)
            app::TakeRestOfPress(button->window());
        return true;
    }
};

PendingEntryFilter* g_pendingEntry = nullptr;

} // namespace

TForm::TForm(QWidget* parent) : QMainWindow(parent, Qt::Window)
{
    if (!g_keyPreview && qApp) {
        g_keyPreview = new KeyPreviewFilter;
        g_keyPreview->setParent(qApp);
        qApp->installEventFilter(g_keyPreview);
    }
    if (!g_pendingEntry && qApp) {
        g_pendingEntry = new PendingEntryFilter;
        g_pendingEntry->setParent(qApp);
        qApp->installEventFilter(g_pendingEntry);
        app::InstallPressGuard();
        app::InstallWheelRule();
    }
}

TForm::~TForm() = default;

void TForm::DoCreate()
{
    if (created_)
        return;
    created_ = true;
    app::ChooseWithinEachBox(this);
    app::runGuarded(objectName() + QStringLiteral(".FormCreate"), [this] { FormCreate(); });
    app::KeepReadoutsWhole(this);
}

void TForm::setVisible(bool visible)
{
    if (!Systeme::ShowThroughPath(this, visible))
        QMainWindow::setVisible(visible);
}

bool TForm::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        app::runGuarded(objectName() + QStringLiteral(".FormActivate"), [this] { FormActivate(); });
    return QMainWindow::event(e);
}

void TForm::closeEvent(QCloseEvent* e)
{
    bool canClose = true;
    app::runGuarded(objectName() + QStringLiteral(".FormCloseQuery"), [&] { FormCloseQuery(canClose); });
    if (!canClose) {
        e->ignore();
        return;
    }
    // A failing close handler is reported; the window closes all the same.
    TCloseAction action = TCloseAction::caHide;
    app::runGuarded(objectName() + QStringLiteral(".FormClose"), [&] { FormClose(action); });
    if (action == TCloseAction::caNone) {
        e->ignore();
        return;
    }
    if (action == TCloseAction::caMinimize) {
        e->ignore();
        showMinimized();
        return;
    }
    e->accept();
    emit formClosed();
    if (action == TCloseAction::caFree)
        deleteLater();
}
