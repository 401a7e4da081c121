#include "app/ui/button_rows.h"

#include <QWidget>

#include <algorithm>

namespace app {

ButtonRows::ButtonRows(QWidget* parent) : QLayout(parent) {}

ButtonRows::~ButtonRows()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

ButtonRows* ButtonRows::Replace(QLayout* layout)
{
    QWidget* holder = layout->parentWidget();
    auto* rows = new ButtonRows;
    rows->setObjectName(layout->objectName());
    rows->setSpacing(layout->spacing());
    rows->setContentsMargins(layout->contentsMargins());
    while (QLayoutItem* item = layout->takeAt(0))
        rows->addItem(item);
    delete layout;
    holder->setLayout(rows);
    return rows;
}

void ButtonRows::addItem(QLayoutItem* item)
{
    items_.append(item);
    invalidate();
}

int ButtonRows::count() const
{
    return int(items_.size());
}

QLayoutItem* ButtonRows::itemAt(int index) const
{
    return index >= 0 && index < items_.size() ? items_[index] : nullptr;
}

QLayoutItem* ButtonRows::takeAt(int index)
{
    if (index < 0 || index >= items_.size())
        return nullptr;
    invalidate();
    return items_.takeAt(index);
}

Qt::Orientations ButtonRows::expandingDirections() const
{
    return {};
}

bool ButtonRows::hasHeightForWidth() const
{
    return true;
}

int ButtonRows::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

QSize ButtonRows::minimumSize() const
{
    // The widest item alone on a row.
    QSize size;
    for (const QLayoutItem* item : items_)
        if (!item->isEmpty())
            size = size.expandedTo(item->minimumSize());
    const QMargins m = contentsMargins();
    return size.grownBy(m);
}

QSize ButtonRows::sizeHint() const
{
    // Every item on one row.
    const int gap = std::max(0, spacing());
    int width = 0;
    int height = 0;
    for (QLayoutItem* item : items_) {
        if (item->spacerItem()) {
            width += item->sizeHint().width();
        } else if (!item->isEmpty()) {
            width += item->sizeHint().width() + gap;
            height = std::max(height, item->sizeHint().height());
        }
    }
    const QMargins m = contentsMargins();
    return QSize(std::max(0, width - gap), height).grownBy(m);
}

void ButtonRows::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int ButtonRows::arrange(const QRect& rect, bool place) const
{
    const QRect room = rect.marginsRemoved(contentsMargins());
    const int gap = std::max(0, spacing());
    int x = room.left();
    int y = room.top();
    int rowHeight = 0;
    for (QLayoutItem* item : items_) {
        const QSize size = item->sizeHint();
        const bool spacer = item->spacerItem() != nullptr;
        if (spacer ? x == room.left() : item->isEmpty())
            continue;
        if (!spacer && x > room.left() && x + size.width() > room.right() + 1) {
            x = room.left();
            y += rowHeight + gap;
            rowHeight = 0;
        }
        if (spacer) {
            x += size.width();
            continue;
        }
        if (place)
            item->setGeometry(QRect(QPoint(x, y), size));
        x += size.width() + gap;
        rowHeight = std::max(rowHeight, size.height());
    }
    const QMargins m = contentsMargins();
    return y + rowHeight - room.top() + m.top() + m.bottom();
}

} // namespace app
