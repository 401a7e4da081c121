// The translation pass: every entry of the translation table read from the
// language file (or its French default) and written into its window.

#include "translation/language.h"
#include "translation/language_file.h"
#include "translation/translated_texts.h"
#include "translation/translation_table.h"

#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/settings/key_engine.h"
#include "platform/paths.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>

#include <optional>

std::int32_t FontCharset = 0;

namespace Translation {

namespace {

// The caption a control had before the first pass: the French default of
// the entries that quote none.
constexpr const char* kDesignCaption = "njDesignCaption";
// The same for the tooltip and the placeholder of the program's own entries.
constexpr const char* kDesignHint = "njDesignHint";
constexpr const char* kDesignPlaceholder = "njDesignPlaceholder";
// The font family a window had before any character set was applied.
constexpr const char* kDesignFamily = "njDesignFontFamily";
// The character set a window's font was last given (low 8 bits).
constexpr const char* kFontCharset = "fontCharset";

QString folded(const QString& name) { return name.toLower(); }

// The windows and their components by name, letter case ignored, for one
// pass (components that appear later are found by the next pass).
class Components {
public:
    Components()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->objectName().isEmpty())
                windows_.insert(folded(w->objectName()), w);  // first of a name wins
        }
    }

    // One window only.
    explicit Components(QWidget* only) { windows_.insert(folded(only->objectName()), only); }

    QWidget* window(const QString& name) const { return windows_.value(folded(name)); }

    // The window itself for an empty name.
    QObject* find(QWidget* window, const QString& name)
    {
        if (!window)
            return nullptr;
        if (name.isEmpty())
            return window;
        auto it = children_.find(window);
        if (it == children_.end()) {
            QHash<QString, QObject*> names;
            const QList<QObject*> all = window->findChildren<QObject*>();
            for (QObject* o : all) {
                if (!o->objectName().isEmpty() && !names.contains(folded(o->objectName())))
                    names.insert(folded(o->objectName()), o);
            }
            it = children_.insert(window, names);
        }
        return it->value(folded(name));
    }

    QObject* find(const char* window, const char* name) { return find(this->window(QString::fromLatin1(window)), QString::fromLatin1(name)); }

private:
    QHash<QString, QWidget*> windows_;
    QHash<QWidget*, QHash<QString, QObject*>> children_;
};

QTabWidget* tabWidgetOf(QWidget* page)
{
    QWidget* stack = page->parentWidget();
    auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
    return tabs && tabs->indexOf(page) >= 0 ? tabs : nullptr;
}

std::optional<QString> captionOf(QObject* o)
{
    if (auto* a = qobject_cast<QAction*>(o))
        return a->text();
    if (auto* m = qobject_cast<QMenu*>(o))
        return m->title();
    if (auto* b = qobject_cast<QAbstractButton*>(o))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(o))
        return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(o))
        return g->title();
    if (auto* w = qobject_cast<QWidget*>(o)) {
        if (w->isWindow())
            return w->windowTitle();
        if (QTabWidget* tabs = tabWidgetOf(w))
            return tabs->tabText(tabs->indexOf(w));
    }
    return std::nullopt;
}

void setCaption(QObject* o, const QString& text)
{
    if (auto* a = qobject_cast<QAction*>(o))
        a->setText(text);
    else if (auto* m = qobject_cast<QMenu*>(o))
        m->setTitle(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(o))
        b->setText(text);
    else if (auto* l = qobject_cast<QLabel*>(o))
        l->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(o))
        g->setTitle(text);
    else if (auto* w = qobject_cast<QWidget*>(o)) {
        if (w->isWindow())
            w->setWindowTitle(text);
        else if (QTabWidget* tabs = tabWidgetOf(w))
            tabs->setTabText(tabs->indexOf(w), text);
    }
}

// Tool-bar buttons may be widgets or actions.
void setHint(QObject* o, const QString& text)
{
    if (auto* a = qobject_cast<QAction*>(o))
        a->setToolTip(text);
    else if (auto* w = qobject_cast<QWidget*>(o))
        w->setToolTip(text);
}

// The text a control shows of the entry's kind: caption, tooltip or
// placeholder.
QString shownText(QObject* o, TextTarget target)
{
    if (target == TextTarget::Hint) {
        if (auto* a = qobject_cast<QAction*>(o))
            return a->toolTip();
        if (auto* w = qobject_cast<QWidget*>(o))
            return w->toolTip();
        return {};
    }
    if (target == TextTarget::Placeholder) {
        auto* edit = qobject_cast<QLineEdit*>(o);
        return edit ? edit->placeholderText() : QString();
    }
    return captionOf(o).value_or(QString());
}

// The French text of an entry: its quoted default, or the design text the
// control had before the first pass.
QString frenchText(const TranslationEntry& e, QObject* o)
{
    if (e.hasDefault())
        return e.defaultText();
    const char* property = e.target == TextTarget::Hint          ? kDesignHint
                           : e.target == TextTarget::Placeholder ? kDesignPlaceholder
                                                                 : kDesignCaption;
    const QVariant kept = o->property(property);
    if (kept.isValid())
        return kept.toString();
    const QString design = shownText(o, e.target);
    o->setProperty(property, design);
    return design;
}

// Charts and status bars are written through what the component offers:
// charts take the properties "leftAxisTitle", "bottomAxisTitle" and
// "titleText" (line 0 of the title); a status bar takes
// setPanelText(int, QString) when it has it, else its labels in order.
void setChartText(QObject* o, TextTarget target, const QString& text)
{
    const char* property = target == TextTarget::AxisLeft     ? "leftAxisTitle"
                           : target == TextTarget::AxisBottom ? "bottomAxisTitle"
                                                              : "titleText";
    o->setProperty(property, text);
}

void setStatusPanel(QObject* o, int index, const QString& text)
{
    if (o->metaObject()->indexOfMethod("setPanelText(int,QString)") >= 0) {
        QMetaObject::invokeMethod(o, "setPanelText", Qt::DirectConnection, Q_ARG(int, index), Q_ARG(QString, text));
        return;
    }
    if (auto* bar = qobject_cast<QStatusBar*>(o)) {
        const QList<QLabel*> panels = bar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
        if (index < panels.size())
            panels[index]->setText(text);
    }
}

// The selection a rebuilt list gets back. The parity lists keep the user's
// present choice, or take the port's own stored parity when they have
// none; every other list keeps its previous selection.
int selectionToRestore(const QComboBox* combo)
{
    if (combo->currentIndex() >= 0)
        return combo->currentIndex();
    if (combo->objectName() == QLatin1String("CBX_AG_Parite"))
        return GuidePortParity;
    if (combo->objectName() == QLatin1String("CBX_AG_Focus_Parite"))
        return FocusPortParity;
    return -1;
}

class Pass {
public:
    explicit Pass(const LanguageFile& file) : file_(file) {}
    Pass(const LanguageFile& file, QWidget* only) : file_(file), components_(only) {}

    void run(std::span<const TranslationEntry> table)
    {
        for (std::size_t i = 0; i < table.size();) {
            const TranslationEntry& e = table[i];
            if (e.target == TextTarget::ListItem) {
                std::size_t end = i + 1;
                while (end < table.size() && table[end].target == TextTarget::ListItem &&
                       qstrcmp(table[end].window, e.window) == 0 && qstrcmp(table[end].component, e.component) == 0)
                    ++end;
                rebuildList(table.subspan(i, end - i));
                i = end;
                continue;
            }
            write(e);
            ++i;
        }
    }

private:
    QString read(const TranslationEntry& e, const QString& french) const
    {
        return file_.read(QLatin1StringView(e.key), french);
    }

    void write(const TranslationEntry& e)
    {
        QObject* o = components_.find(e.window, e.component);
        if (!o)
            return;
        switch (e.target) {
        case TextTarget::Caption:
        case TextTarget::MenuCaption: {
            const QString text = read(e, frenchText(e, o));
            setCaption(o, text);
            if (e.copyWindow) {
                if (QObject* copy = components_.find(e.copyWindow, e.copyComponent))
                    setCaption(copy, text);
            }
            break;
        }
        case TextTarget::Hint: {
            const QString text = read(e, frenchText(e, o));
            setHint(o, text);
            if (e.copyWindow) {
                if (QObject* copy = components_.find(e.copyWindow, e.copyComponent))
                    setHint(copy, text);
            }
            break;
        }
        case TextTarget::AxisLeft:
        case TextTarget::AxisBottom:
        case TextTarget::ChartTitle:
            setChartText(o, e.target, read(e, e.defaultText()));
            break;
        case TextTarget::StatusPanel:
            setStatusPanel(o, e.index, read(e, e.defaultText()));
            break;
        case TextTarget::Placeholder:
            if (auto* edit = qobject_cast<QLineEdit*>(o))
                edit->setPlaceholderText(read(e, frenchText(e, o)));
            break;
        case TextTarget::ListItem:
            break;
        }
    }

    // Empties the list, fills it in index order and gives it its selection
    // back, without running its change handler.
    void rebuildList(std::span<const TranslationEntry> items)
    {
        auto* combo = qobject_cast<QComboBox*>(components_.find(items.front().window, items.front().component));
        if (!combo)
            return;
        const int selection = selectionToRestore(combo);
        const QSignalBlocker quiet(combo);
        combo->clear();
        for (const TranslationEntry& e : items)
            combo->addItem(read(e, e.defaultText()));
        combo->setCurrentIndex(selection >= 0 && selection < combo->count() ? selection : -1);
    }

    const LanguageFile& file_;
    Components components_;
};

constexpr std::size_t kFixedWords = 9;

// The font character set the file's "Charset" names (1 when missing or
// unreadable); the file's values are then decoded in its code page.
int readCharset(LanguageFile& file)
{
    const int charset = parseCharset(file.read(u"Charset", QStringLiteral("1:Default charset")));
    file.setCodePage(codePageOfCharset(charset));
    return charset;
}

// The translated texts [first, last) of TextEntries() from the file, or
// their French defaults.
void readTexts(const LanguageFile& file, std::size_t first, std::size_t last)
{
    const auto texts = TextEntries();
    for (std::size_t i = first; i < last && i < texts.size(); ++i)
        TranslatedTexts.*texts[i].text = file.read(QLatin1StringView(texts[i].key), texts[i].defaultText());
}

QFontDatabase::WritingSystem writingSystemOf(int charset)
{
    switch (charset & 0xFF) {
    case 204: return QFontDatabase::Cyrillic;
    case 161: return QFontDatabase::Greek;
    case 177: return QFontDatabase::Hebrew;
    case 178: return QFontDatabase::Arabic;
    case 163: return QFontDatabase::Vietnamese;
    case 222: return QFontDatabase::Thai;
    case 128: return QFontDatabase::Japanese;
    case 134: return QFontDatabase::SimplifiedChinese;
    case 129: return QFontDatabase::Korean;
    case 136: return QFontDatabase::TraditionalChinese;
    default: return QFontDatabase::Latin;
    }
}

} // namespace

void ApplyFontCharsetTo(QWidget* window)
{
    if (!window)
        return;
    const int charset = FontCharset & 0xFF;
    window->setProperty(kFontCharset, charset);
    QVariant design = window->property(kDesignFamily);
    if (!design.isValid()) {
        design = window->font().family();
        window->setProperty(kDesignFamily, design);
    }
    // The window's own family when it has the letters of the character set,
    // else the first family that has them.
    const QFontDatabase::WritingSystem ws = writingSystemOf(charset);
    QString family = design.toString();
    const QList<QFontDatabase::WritingSystem> has = QFontDatabase::writingSystems(family);
    if (ws != QFontDatabase::Latin && !has.contains(ws)) {
        const QStringList families = QFontDatabase::families(ws);
        if (!families.isEmpty())
            family = families.front();
    }
    if (window->font().family() != family) {
        QFont f = window->font();
        f.setFamily(family);
        window->setFont(f);
    }
}

void TranslateWindow(QWidget* window)
{
    if (!window)
        return;
    const QString section = FRM_Pref ? FRM_Pref->CBX_Langue->currentText() : QString();
    LanguageFile file(ResolveLanguageFile(LanguageFilePath), section);
    readCharset(file);
    Pass(file, window).run(OwnTranslationTable());
}

} // namespace Translation

namespace Settings {

void ApplyFontCharset(std::int32_t charset)
{
    FontCharset = charset;
    for (const char* name : Translation::CharsetWindows())
        Translation::ApplyFontCharsetTo(FindWindow(QString::fromLatin1(name)));
}

void ApplyChosenLanguageTexts()
{
    using namespace Translation;
    const QString language = ChosenLanguageName();
    const QString path = platform::joinPath(platform::programDir(), QStringLiteral("Lang_") + language + QStringLiteral(".ini"));
    LanguageFile file(ResolveLanguageFile(path), language);
    readCharset(file);
    readTexts(file, 0, TextEntries().size());
    HandDownPlatformTexts();
    ApplyQtTranslations(language);
}

void ApplyTranslation()
{
    using namespace Translation;
    const QString section = FRM_Pref ? FRM_Pref->CBX_Langue->currentText() : QString();
    LanguageFile file(ResolveLanguageFile(LanguageFilePath), section);
    ApplyFontCharset(readCharset(file));

    readTexts(file, 0, kFixedWords);
    Pass pass(file);
    pass.run(TranslationTable());
    pass.run(OwnTranslationTable());
    readTexts(file, kFixedWords, TextEntries().size());
    HandDownPlatformTexts();

    // Qt's own dialogs and buttons follow the same language.
    ApplyQtTranslations(section);

    // The operation panel names the operation, or none, in the language
    // just read.
    RunHandler(QStringLiteral("FRM_Alv.ShowOperation"));

    // The polar alignment's pause button and the radius of the axis it
    // rectifies, written as it works, read again.
    RunHandler(QStringLiteral("FRM_MiseEnStation.ShowTexts"));

    // The planner grid takes its column titles from the texts just read.
    RunHandler(QStringLiteral("FRM_Planificateur.FormActivate"));
}

} // namespace Settings
