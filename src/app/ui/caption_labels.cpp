#include "app/ui/caption_labels.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QWidget>

namespace app {

QLabel* AddCaptionBefore(QWidget* control, const char* name, const QString& text)
{
    QWidget* parent = control ? control->parentWidget() : nullptr;
    if (!parent)
        return nullptr;
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(control);
    QLayout* layout = parent->layout();
    if (layout && layout->indexOf(control) < 0) {
        // The control sits in a nested layout of its parent.
        const QList<QLayout*> nested = parent->findChildren<QLayout*>();
        layout = nullptr;
        for (QLayout* l : nested) {
            if (l->indexOf(control) >= 0) {
                layout = l;
                break;
            }
        }
    }
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        int row = 0, column = 0, rows = 1, columns = 1;
        grid->getItemPosition(grid->indexOf(control), &row, &column, &rows, &columns);
        grid->removeWidget(control);
        auto* line = new QHBoxLayout;
        line->addWidget(label);
        line->addWidget(control, 1);
        grid->addLayout(line, row, column, rows, columns);
    } else if (auto* box = qobject_cast<QBoxLayout*>(layout)) {
        box->insertWidget(box->indexOf(control), label);
    } else {
        label->hide();
    }
    return label;
}

QLabel* AddHiddenCaption(QWidget* window, const char* name, const QString& text)
{
    auto* label = new QLabel(text, window);
    label->setObjectName(QString::fromLatin1(name));
    label->hide();
    return label;
}

} // namespace app
