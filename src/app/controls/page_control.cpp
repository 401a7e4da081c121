#include "app/controls/page_control.h"

#include <QLayout>
#include <QMouseEvent>
#include <QScrollArea>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QToolButton>

#include <algorithm>

TTabRowsBar::TTabRowsBar(QWidget* parent) : QTabBar(parent)
{
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
    setExpanding(false);
    setDrawBase(false);
}

bool TTabRowsBar::inRows() const
{
    return shape() == RoundedNorth || shape() == RoundedSouth || shape() == TriangularNorth
           || shape() == TriangularSouth;
}

int TTabRowsBar::availableWidth() const
{
    if (const QWidget* tabs = parentWidget())
        return tabs->contentsRect().width();
    return width();
}

int TTabRowsBar::WidestTab() const
{
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        if (isTabVisible(i))
            widest = std::max(widest, tabSizeHint(i).width());
    return widest;
}

QList<QRect> TTabRowsBar::layoutRows(int width, int* rowCount) const
{
    QList<QRect> rects(count());
    // Pages in order, as many to a row as fit; a header wider than the bar
    // has a row of its own.
    QList<QList<int>> rows;
    int used = 0;
    for (int i = 0; i < count(); ++i) {
        if (!isTabVisible(i))
            continue;
        const int w = tabSizeHint(i).width();
        if (rows.isEmpty() || (used + w > width && !rows.last().isEmpty())) {
            rows.append(QList<int>());
            used = 0;
        }
        rows.last().append(i);
        used += w;
    }
    int y = 0;
    for (const QList<int>& row : rows) {
        int natural = 0;
        int height = 0;
        for (int i : row) {
            natural += tabSizeHint(i).width();
            height = std::max(height, tabSizeHint(i).height());
        }
        // The room left over is shared out, so each row spans the width.
        const int extra = std::max(0, width - natural);
        int x = 0;
        for (int k = 0; k < row.size(); ++k) {
            const int share = extra / int(row.size()) + (k < extra % int(row.size()) ? 1 : 0);
            const int w = tabSizeHint(row[k]).width() + share;
            rects[row[k]] = QRect(x, y, w, height);
            x += w;
        }
        y += height;
    }
    if (rowCount)
        *rowCount = int(rows.size());
    return rects;
}

QRect TTabRowsBar::RowTabRect(int index) const
{
    if (index < 0 || index >= count())
        return {};
    if (!inRows())
        return tabRect(index);
    return layoutRows(width()).value(index);
}

int TTabRowsBar::RowCount() const
{
    int rows = 0;
    layoutRows(width(), &rows);
    return rows;
}

int TTabRowsBar::RowsHeight(int width) const
{
    const QList<QRect> rects = layoutRows(width);
    int bottom = 0;
    for (const QRect& r : rects)
        bottom = std::max(bottom, r.isEmpty() ? 0 : r.bottom() + 1);
    return bottom;
}

QSize TTabRowsBar::sizeHint() const
{
    if (!inRows())
        return QTabBar::sizeHint();
    const int w = std::max(availableWidth(), WidestTab());
    return {w, RowsHeight(w)};
}

QSize TTabRowsBar::minimumSizeHint() const
{
    if (!inRows())
        return QTabBar::minimumSizeHint();
    return {WidestTab(), RowsHeight(std::max(availableWidth(), WidestTab()))};
}

void TTabRowsBar::tabLayoutChange()
{
    QTabBar::tabLayoutChange();
    // A caption of another length may take another number of rows.
    updateGeometry();
    update();
}

int TTabRowsBar::indexAtPoint(const QPoint& p) const
{
    const QList<QRect> rects = layoutRows(width());
    for (int i = 0; i < rects.size(); ++i)
        if (rects[i].contains(p))
            return i;
    return -1;
}

bool TTabRowsBar::event(QEvent* e)
{
    if (inRows()) {
        int hover = hover_;
        if (e->type() == QEvent::HoverMove || e->type() == QEvent::HoverEnter)
            hover = indexAtPoint(static_cast<QHoverEvent*>(e)->position().toPoint());
        else if (e->type() == QEvent::HoverLeave)
            hover = -1;
        if (hover != hover_) {
            hover_ = hover;
            update();
        }
    }
    return QTabBar::event(e);
}

void TTabRowsBar::mousePressEvent(QMouseEvent* e)
{
    if (!inRows()) {
        QTabBar::mousePressEvent(e);
        return;
    }
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    const int index = indexAtPoint(e->position().toPoint());
    if (index >= 0 && isTabEnabled(index))
        setCurrentIndex(index);
    e->accept();
}

void TTabRowsBar::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (!inRows()) {
        QTabBar::mouseDoubleClickEvent(e);
        return;
    }
    mousePressEvent(e);
}

void TTabRowsBar::mouseReleaseEvent(QMouseEvent* e)
{
    if (!inRows()) {
        QTabBar::mouseReleaseEvent(e);
        return;
    }
    e->accept();
}

void TTabRowsBar::paintEvent(QPaintEvent* e)
{
    if (!inRows()) {
        QTabBar::paintEvent(e);
        return;
    }
    const QList<QRect> rects = layoutRows(width());
    // The row next to the pages: the last one above them, the first below.
    const bool south = shape() == RoundedSouth || shape() == TriangularSouth;
    int paneRow = south ? height() : -1;
    for (const QRect& r : rects)
        if (!r.isEmpty())
            paneRow = south ? std::min(paneRow, r.top()) : std::max(paneRow, r.top());
    QStylePainter p(this);
    // The current page's header is drawn last, over its neighbours.
    QList<int> order;
    for (int i = 0; i < count(); ++i)
        if (!rects[i].isEmpty() && i != currentIndex())
            order.append(i);
    if (currentIndex() >= 0 && !rects.value(currentIndex()).isEmpty())
        order.append(currentIndex());
    for (int i : order) {
        QStyleOptionTab opt;
        initStyleOption(&opt, i);
        opt.rect = rects[i];
        const bool first = rects[i].left() == 0;
        const bool last = rects[i].right() + 1 >= width();
        opt.position = first && last ? QStyleOptionTab::OnlyOneTab
                       : first       ? QStyleOptionTab::Beginning
                       : last        ? QStyleOptionTab::End
                                     : QStyleOptionTab::Middle;
        const int current = currentIndex();
        opt.selectedPosition = QStyleOptionTab::NotAdjacent;
        if (current >= 0 && rects[current].top() == rects[i].top()) {
            if (rects[current].right() + 1 == rects[i].left())
                opt.selectedPosition = QStyleOptionTab::PreviousIsSelected;
            else if (rects[i].right() + 1 == rects[current].left())
                opt.selectedPosition = QStyleOptionTab::NextIsSelected;
        }
        opt.state &= ~QStyle::State_MouseOver;
        if (i == hover_)
            opt.state |= QStyle::State_MouseOver;
        // A selected header is drawn reaching toward the pages; it may do
        // so only from the row next to them, not over the row below it.
        QRect clip = rects[i];
        if (rects[i].top() == paneRow)
            clip.adjust(0, south ? -2 : 0, 0, south ? 0 : 2);
        // Styles turn the headers below the pages about the bar's top edge:
        // each row is drawn as if it were the bar's only one.
        p.save();
        p.translate(0, rects[i].top());
        opt.rect.moveTop(0);
        p.setClipRect(clip.translated(0, -rects[i].top()));
        p.drawControl(QStyle::CE_TabBarTab, opt);
        p.restore();
    }
}

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent), bar_(new TTabRowsBar(this))
{
    setTabBar(bar_);
}

QSize TPageControl::withFrameAndHeader(QSize pages) const
{
    const bool rows = tabPosition() == North || tabPosition() == South;
    const int width = std::max(pages.width(), rows ? bar_->WidestTab() : 0);
    const int header = rows ? bar_->RowsHeight(std::max(contentsRect().width(), width)) : 0;
    QStyleOptionTabWidgetFrame opt;
    initStyleOption(&opt);
    opt.state = QStyle::State_None;
    return style()->sizeFromContents(QStyle::CT_TabWidget, &opt, QSize(width, pages.height() + header), this);
}

QSize TPageControl::sizeHint() const
{
    if (tabPosition() != North && tabPosition() != South)
        return QTabWidget::sizeHint();
    QSize pages;
    for (int i = 0; i < count(); ++i)
        pages = pages.expandedTo(widget(i)->sizeHint());
    return withFrameAndHeader(pages);
}

QSize TPageControl::minimumSizeHint() const
{
    if (tabPosition() != North && tabPosition() != South)
        return QTabWidget::minimumSizeHint();
    QSize pages;
    for (int i = 0; i < count(); ++i)
        pages = pages.expandedTo(widget(i)->minimumSizeHint().expandedTo(widget(i)->minimumSize()));
    return withFrameAndHeader(pages);
}

namespace {
// The controls of a page, in its scroll area: never squeezed below the size
// they ask for (fields would cut their values); the page scrolls instead.
class PageControls final : public QWidget {
public:
    QSize minimumSizeHint() const override { return sizeHint().expandedTo(QWidget::minimumSizeHint()); }
};
} // namespace

void ScrollEveryPage(QTabWidget& pages)
{
    for (int i = 0; i < pages.count(); ++i) {
        QWidget* page = pages.widget(i);
        if (!page || page->findChild<QScrollArea*>(QStringLiteral("nj_page_scroll"), Qt::FindDirectChildrenOnly))
            continue;
        auto* controls = new PageControls;
        controls->setObjectName(page->objectName() + QStringLiteral("_controls"));
        // The page's layout moves over with the controls it holds; those
        // placed without it follow, as they were shown or hidden.
        const QList<QWidget*> loose = page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        if (QLayout* layout = page->layout())
            controls->setLayout(layout);
        for (QWidget* w : loose) {
            if (w->parentWidget() != page || w->isWindow())
                continue;
            const bool hidden = w->isHidden();
            const QRect at = w->geometry();
            w->setParent(controls);
            w->setGeometry(at);
            if (!hidden)
                w->show();
        }
        auto* scroll = new QScrollArea(page);
        scroll->setObjectName(QStringLiteral("nj_page_scroll"));
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        scroll->setWidget(controls);
        // The page's own face shows through, as it did behind its controls.
        scroll->viewport()->setAutoFillBackground(false);
        controls->setAutoFillBackground(false);
        auto* box = new QVBoxLayout(page);
        box->setContentsMargins(0, 0, 0, 0);
        box->addWidget(scroll);
    }
}
