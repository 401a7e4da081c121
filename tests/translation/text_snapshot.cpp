#include "text_snapshot.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>

QString SnapshotKey(const QString& window, const QString& object, const char* what)
{
    return window + u'/' + object.toLower() + u'#' + QLatin1String(what);
}

TextSnapshot SnapshotTexts()
{
    TextSnapshot s;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const QString win = w->objectName();
        if (!win.startsWith(QLatin1String("FRM_")) && win != QLatin1String("AboutBox"))
            continue;
        s.insert(SnapshotKey(win, {}, "caption"), w->windowTitle());
        s.insert(SnapshotKey(win, {}, "hint"), w->toolTip());
        for (QObject* o : w->findChildren<QObject*>()) {
            const QString name = o->objectName();
            if (name.isEmpty() || name == QLatin1String("CBX_Langue"))  // the languages, not a text
                continue;
            if (auto* a = qobject_cast<QAction*>(o))
                s.insert(SnapshotKey(win, name, "caption"), a->text());
            if (auto* m = qobject_cast<QMenu*>(o))
                s.insert(SnapshotKey(win, name, "caption"), m->title());
            if (auto* b = qobject_cast<QAbstractButton*>(o))
                s.insert(SnapshotKey(win, name, "caption"), b->text());
            if (auto* l = qobject_cast<QLabel*>(o))
                s.insert(SnapshotKey(win, name, "caption"), l->text());
            if (auto* g = qobject_cast<QGroupBox*>(o))
                s.insert(SnapshotKey(win, name, "caption"), g->title());
            if (auto* t = qobject_cast<QTabWidget*>(o)) {
                for (int i = 0; i < t->count(); ++i)
                    s.insert(SnapshotKey(win, t->widget(i)->objectName(), "caption"), t->tabText(i));
            }
            if (auto* c = qobject_cast<QComboBox*>(o)) {
                for (int i = 0; i < c->count(); ++i)
                    s.insert(SnapshotKey(win, name, "item") + QString::number(i), c->itemText(i));
                s.insert(SnapshotKey(win, name, "selected"), QString::number(c->currentIndex()));
            }
            if (auto* e = qobject_cast<QLineEdit*>(o); e && !e->placeholderText().isEmpty())
                s.insert(SnapshotKey(win, name, "placeholder"), e->placeholderText());
            if (auto* x = qobject_cast<QWidget*>(o)) {
                s.insert(SnapshotKey(win, name, "hint"), x->toolTip());
                if (x->isWindow() && !qobject_cast<QMenu*>(o))  // a dialog the window owns
                    s.insert(SnapshotKey(win, name, "caption"), x->windowTitle());
            }
            for (const char* p : {"leftAxisTitle", "bottomAxisTitle", "titleText"}) {
                const QVariant v = o->property(p);
                if (v.isValid())
                    s.insert(SnapshotKey(win, name, p), v.toString());
            }
        }
    }
    return s;
}

std::string SnapshotDiff(const TextSnapshot& a, const TextSnapshot& b)
{
    QStringList lines;
    QStringList keys = a.keys() + b.keys();
    keys.removeDuplicates();
    for (const QString& k : keys) {
        if (a.value(k, QStringLiteral("<absent>")) != b.value(k, QStringLiteral("<absent>")))
            lines << k + QStringLiteral(": \"") + a.value(k, QStringLiteral("<absent>")) + QStringLiteral("\" / \"") +
                         b.value(k, QStringLiteral("<absent>")) + u'"';
    }
    return lines.join(u'\n').toStdString();
}
