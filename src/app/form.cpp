#include "app/form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>

#include "app/ui/event_boundary.h"

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

} // namespace

TForm::TForm(QWidget* parent) : QMainWindow(parent, Qt::Window)
{
    if (!g_keyPreview && qApp) {
        g_keyPreview = new KeyPreviewFilter;
        g_keyPreview->setParent(qApp);
        qApp->installEventFilter(g_keyPreview);
    }
}

TForm::~TForm() = default;

void TForm::DoCreate()
{
    if (created_)
        return;
    created_ = true;
    app::runGuarded(objectName() + QStringLiteral(".FormCreate"), [this] { FormCreate(); });
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
