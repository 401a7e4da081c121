#include "app/ui/window_front.h"

#include "app/ui/widget_message_service.h"
#include "app/ui/window_first_place.h"
#include "app/ui/window_placement.h"
#include "app/ui/window_stacking.h"

#include <QApplication>
#include <QDialog>
#include <QLayout>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <deque>
#include <optional>

namespace Systeme {

namespace {
// The windows ShowFormOnScreen is showing now (one may open another as it
// shows).
QList<const QWidget*>& showing()
{
    static QList<const QWidget*> list;
    return list;
}

// The window `window` stands in front of: the one its window system parent
// names, else its parent's window.
QWidget* ownerOf(const QWidget* window)
{
    if (const QWindow* handle = window->windowHandle(); handle && handle->transientParent()) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w != window && w->windowHandle() == handle->transientParent())
                return w;
        }
    }
    QWidget* parent = window->parentWidget();
    return parent ? parent->window() : nullptr;
}

// Where a window that waits for its answer opens: its frame centred on the
// window it belongs to, else on the screen's free area.
QPoint centredOnOwner(QWidget* window)
{
    window->ensurePolished();
    if (window->layout())
        window->layout()->activate();
    const QSize frame = window->size().expandedTo(window->minimumSizeHint()).grownBy(ExpectedFrame(window));
    const QWidget* owner = ownerOf(window);
    const QRect over = owner && owner->isVisible() && !owner->isMinimized() ? FrameOf(owner) : ScreenArea();
    return over.center() - QPoint(frame.width() / 2, frame.height() / 2);
}

} // namespace

bool IsMainWindow(const QWidget* window) { return window && window->objectName() == QLatin1String("FRM_Alv"); }

bool KeptOnTop(const QWidget* window) { return window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

bool ShowingThroughPath(const QWidget* window) { return showing().contains(window); }

namespace {
quint64 g_showCount = 0;
// The last show of each window, with its number, in the order of the shows.
std::deque<std::pair<quint64, QPointer<QWidget>>>& lastShows()
{
    static std::deque<std::pair<quint64, QPointer<QWidget>>> shows;
    return shows;
}
void noteShow(QWidget* form)
{
    std::deque<std::pair<quint64, QPointer<QWidget>>>& shows = lastShows();
    std::erase_if(shows, [form](const auto& s) { return !s.second || s.second == form; });
    shows.emplace_back(++g_showCount, form);
}
} // namespace

quint64 ShowCount() { return g_showCount; }

QList<QWidget*> ShownSince(quint64 count)
{
    QList<QWidget*> shown;
    for (const auto& [n, w] : lastShows()) {
        if (n > count && w && w->isVisible())
            shown.append(w.data());
    }
    return shown;
}

namespace {
// When a window last came forward (shown, raised or activated), as the
// program saw it: where the window manager does not tell its stacking, the
// one that came forward last stands in front of its layer.
const char* const kCameForward = "nj_came_forward";
quint64 g_forward = 0;

class ForwardWatch final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Show || e->type() == QEvent::ZOrderChange || e->type() == QEvent::WindowActivate) {
            if (auto* w = qobject_cast<QWidget*>(watched); w && w->isWindow())
                w->setProperty(kCameForward, ++g_forward);
        }
        return false;
    }
};
void watchWindowsComingForward()
{
    static QPointer<ForwardWatch> watch;
    if (watch || !qApp)
        return;
    watch = new ForwardWatch;
    watch->setParent(qApp);
    qApp->installEventFilter(watch);
}

// The program's windows on the screen, in no order.
QList<QWidget*> windowsOnScreen()
{
    QList<QWidget*> list;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isWindow() && w->isVisible() && !w->isMinimized() && w->windowModality() == Qt::NonModal
            && w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip && w->windowType() != Qt::Desktop)
            list.append(w);
    }
    return list;
}

// Raises the windows named once each of them is on the screen (exposed),
// a few seconds at most; then the windows shown during the start-up that the
// layout did not bring back (a note, a box), and those shown meanwhile, in
// front of them in the order they showed.
class StackingRestorer final : public QObject {
public:
    StackingRestorer(QList<QPointer<QWidget>> order, QList<QPointer<QWidget>> restored, quint64 shownBefore)
        : order_(std::move(order)), restored_(std::move(restored)), shownBefore_(shownBefore)
    {
        setParent(qApp);
        look_.setInterval(50);
        QObject::connect(&look_, &QTimer::timeout, this, [this] {
            if (onScreen() || ++looks_ >= kLooks)
                restore();
        });
        look_.start();
    }

private:
    static constexpr int kLooks = 80; // 4 s at most

    // Each window is mapped: what the window system does as it maps it
    // (the keyboard given to a window shown a moment before) is done before
    // the windows are put in order.
    bool onScreen() const
    {
        return std::all_of(order_.begin(), order_.end(), [](const QPointer<QWidget>& w) {
            return !w || !w->isVisible() || (w->windowHandle() && w->windowHandle()->isExposed());
        });
    }

    void restore()
    {
        look_.stop();
        QWidget* front = nullptr;
        for (const QPointer<QWidget>& w : order_) {
            if (!w || !w->isVisible() || w->isMinimized())
                continue;
            w->raise();
            front = w;
        }
        // In front of them, in the order they showed: the windows shown
        // before they came back (a start-up note) and meanwhile.
        QWidget* last = nullptr;
        for (QWidget* w : ShownSince(0)) {
            if (restored_.contains(w) || w->isMinimized())
                continue;
            w->raise();
            last = w;
        }
        // The keyboard stays with a window shown meanwhile or a box that
        // waits for its answer; a window shown before they came back takes
        // it back, as it had it when it showed.
        const QList<QWidget*> meanwhile = ShownSince(shownBefore_);
        const bool shownMeanwhile = std::any_of(meanwhile.begin(), meanwhile.end(),
                                                [this](QWidget* w) { return !restored_.contains(w); });
        QWidget* keyboard = last ? last : front;
        if (keyboard && !shownMeanwhile && !QApplication::activeModalWidget())
            keyboard->activateWindow();
        deleteLater();
    }

    QList<QPointer<QWidget>> order_;
    QList<QPointer<QWidget>> restored_;
    quint64 shownBefore_;
    QTimer look_;
    int looks_ = 0;
};
} // namespace

QList<QWidget*> StackingOrder()
{
    watchWindowsComingForward();
    const QList<QWidget*> shown = windowsOnScreen();
    // As the program saw them come forward, the plain windows under those
    // kept on top.
    QList<QWidget*> seen = shown;
    std::stable_sort(seen.begin(), seen.end(), [](const QWidget* a, const QWidget* b) {
        if (KeptOnTop(a) != KeptOnTop(b))
            return !KeptOnTop(a);
        return a->property(kCameForward).toULongLong() < b->property(kCameForward).toULongLong();
    });
    // As the window manager stacks them, those it does not list yet (shown
    // a moment ago) in front.
    QList<QWidget*> order = app::StackedByWindowManager(shown);
    if (order.isEmpty())
        return seen;
    for (QWidget* w : seen) {
        if (!order.contains(w))
            order.append(w);
    }
    return order;
}

QStringList StackingNames()
{
    QStringList names;
    for (const QWidget* w : StackingOrder()) {
        if (!w->objectName().isEmpty() && !names.contains(w->objectName()))
            names.append(w->objectName());
    }
    return names;
}

void RestoreStacking(const QStringList& names, const QList<QWidget*>& restored)
{
    watchWindowsComingForward();
    QList<QPointer<QWidget>> order;
    for (const QString& name : names) {
        for (QWidget* w : windowsOnScreen()) {
            if (w->objectName() == name.trimmed() && restored.contains(w) && !order.contains(w))
                order.append(w);
        }
    }
    const QList<QWidget*> shown = ShownSince(0);
    const bool shownBeside =
        std::any_of(shown.begin(), shown.end(), [&](QWidget* w) { return !restored.contains(w); });
    if (order.isEmpty() && !shownBeside)
        return;
    new StackingRestorer(std::move(order), QList<QPointer<QWidget>>(restored.begin(), restored.end()), ShowCount());
}

bool ShowThroughPath(QWidget* window, bool visible)
{
    if (!visible || !window || !window->isWindow() || window->isVisible() || ShowingThroughPath(window)
        || IsMainWindow(window) || window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip
        // Shown minimised, it takes no room on the screen yet.
        || window->windowState().testFlag(Qt::WindowMinimized))
        return false;
    ShowFormOnScreen(window);
    return true;
}

namespace {
// Brings a window just shown, or shown again, to the front of its layer and
// gives it the keyboard: the window manager keeps a plain window under the
// windows kept on top, and brings one kept on top in front of the others.
// While a box or a dialog waits for its answer, that one stays in front
// with the keyboard.
void bringToFront(QWidget* form, QWidget* waiting)
{
    if (waiting) {
        app::TakeKeyboard(*waiting);
        return;
    }
    form->raise();
    form->activateWindow();
}
} // namespace

void ShowFormOnScreen(QWidget* form)
{
    if (!form)
        return;
    watchWindowsComingForward();
    if (form->isMinimized())
        form->setWindowState(form->windowState() & ~Qt::WindowMinimized);
    // A window that waits for its answer opens in front of every window,
    // those kept on top included, with the keyboard, centred on its owner
    // unless it was put somewhere before.
    const bool answers = form->windowModality() != Qt::NonModal;
    if (answers && !form->isVisible())
        app::KeepInFrontOfEveryWindow(*form);
    // A box or a dialog waiting for its answer (the window a key released
    // in it, a remote statement or a timer shows meanwhile) stays in front
    // with the keyboard, and the window opens behind it.
    QWidget* waiting = answers ? nullptr : QApplication::activeModalWidget();
    if (waiting == form)
        waiting = nullptr;
    // The window the user is in opens it.
    const QWidget* opener = waiting ? nullptr : QApplication::activeWindow();
    const bool hidden = !form->isVisible();
    const bool placed = form->testAttribute(Qt::WA_Moved) || HasFirstPlace(form);
    // A window that never had a place takes its first place, and one shown
    // only at the first place the program found, among the windows open then,
    // takes a first place again among those open now.
    const bool first = hidden && !answers && !IsMainWindow(form)
                       && (WaitsForFirstPlace(form) || !placed || TakesFirstPlaceAgain(form));
    // One that had a place goes back where it was asked to be.
    const bool again = hidden && !answers && !first && !IsMainWindow(form);
    if (const std::optional<QPoint> asked = AskedPlace(form); again && asked)
        form->move(PlaceInsideScreen(QRect(*asked, form->size().grownBy(KnownFrame(form))), ScreenSize()));
    if (again)
        BringUpBelowBars(form);
    // A dialog centres itself on its owner as it shows (Qt's own rule).
    const bool centresItself = hidden && answers && !placed && qobject_cast<QDialog*>(form);
    FitInsideScreen(form);
    if (first)
        PlaceFirstNow(form, opener);
    else if (again)
        PlaceAgain(form);
    else if (hidden && answers && !placed && !centresItself)
        PlaceOnScreen(form, centredOnOwner(form));
    else if (!centresItself)
        PlaceOnScreen(form, FrameCorner(form));
    ForgetAskedPlace(form);
    KeepOnScreen(form);
    NoteShownOnce(form);
    showing().append(form);
    form->show();
    showing().removeOne(form);
    noteShow(form);
    if (centresItself)
        PlaceOnScreen(form, FrameCorner(form));
    // What the window fills in as it shows may make it larger.
    FitInsideScreen(form);
    bringToFront(form, waiting);
}

} // namespace Systeme
