#include "imaging/named_control.h"

namespace pipeline {

QObject* NamedControl::find(QWidget* window)
{
    if (!window)
        return nullptr;
    if (window_ != window) {
        window_ = window;
        const QString name = QString::fromLatin1(name_);
        QObject* found = window->findChild<QWidget*>(name, Qt::FindChildrenRecursively);
        if (!found)
            found = window->findChild<QAction*>(name, Qt::FindChildrenRecursively);
        control_ = found;
    }
    return control_;
}

bool NamedControl::checked(QWidget* window, bool dflt)
{
    QObject* c = find(window);
    if (auto* b = qobject_cast<QAbstractButton*>(c))
        return b->isChecked();
    if (auto* a = qobject_cast<QAction*>(c))
        return a->isChecked();
    return dflt;
}

double NamedControl::value(QWidget* window, double dflt)
{
    QObject* c = find(window);
    if (auto* n = qobject_cast<TCustomNumInp*>(c))
        return double(n->Value());
    if (auto* s = qobject_cast<QSpinBox*>(c))
        return s->value();
    if (auto* s = qobject_cast<QAbstractSlider*>(c))
        return s->value();
    return dflt;
}

} // namespace pipeline
