// Function buttons, script collections and the custom-function menu of the
// main window.

#include "app/function_buttons.h"

#include "app/frm_alv.h"
#include "app/frm_btnpref.h"
#include "app/frm_pref.h"
#include "app/helpers/menu_marker.h"
#include "app/profiles.h"
#include "app/script_collections.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "platform/message_service.h"
#include "platform/paths.h"
#include "scripting/scripts.h"
#include "translation/translated_texts.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <algorithm>

namespace Align_V {
namespace {

QString scriptsFolder()
{
    return FRM_Pref ? FRM_Pref->ScriptsFolder() : QString();
}

// Runs the file, or tells that it is missing.
void runOrReport(const QString& path)
{
    if (QFileInfo(path).isFile()) {
        Scripts::RunScriptFile(path);
        return;
    }
    platform::messages().show({TranslatedTexts.MSG_Script_not_found + QStringLiteral(" : ") + path,
                               platform::MsgKind::Error, platform::MsgButtons::Ok, {}, {}});
}

// The first item of each column: a column starts at an item that carries a
// column break and, when a column has `perColumn` items, at the next one.
QList<int> columnStarts(const QList<QAction*>& items, int perColumn)
{
    QList<int> starts;
    int inColumn = 0;
    for (int i = 0; i < items.size(); ++i) {
        if (starts.isEmpty() || items[i]->property("BarBreak").toBool() || inColumn == perColumn) {
            starts << i;
            inColumn = 0;
        }
        ++inColumn;
    }
    return starts;
}

// A menu whose items carry a column break shows them in columns: the items
// stay in the menu (their positions are the list's) but are drawn by one
// panel of buttons laid out column by column. A column taller than the
// screen goes on in the next one, and columns wider than the screen scroll
// sideways, so that every item can be reached.
void layOutColumns(QMenu* menu)
{
    const QList<QAction*> items = menu->actions();
    const bool breaks = std::any_of(items.begin(), items.end(), [](QAction* a) { return a->property("BarBreak").toBool(); });
    if (!breaks)
        return;
    auto* panel = new QWidget;
    auto* columns = new QHBoxLayout(panel);
    columns->setContentsMargins(2, 2, 2, 2);
    QList<QPushButton*> buttons;
    for (QAction* item : items) {
        auto* b = new QPushButton(item->text(), panel);
        b->setFlat(true);
        b->setFocusPolicy(Qt::NoFocus);
        // Drawn like the menu's own items: left-aligned, highlighted under the mouse.
        b->setStyleSheet(QStringLiteral("QPushButton { text-align: left; padding: 3px 12px; border: none; }"
                                        "QPushButton:hover { background: palette(highlight); color: palette(highlighted-text); }"));
        QObject::connect(b, &QPushButton::clicked, menu, [menu, item] {
            menu->hide();
            item->trigger();
        });
        buttons << b;
        item->setVisible(false);
    }

    // The room of the panel: the screen less the menu's frame.
    QStyle* style = menu->style();
    const int frame = 2 * (style->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, menu)
                           + style->pixelMetric(QStyle::PM_MenuVMargin, nullptr, menu));
    const QRect screen = Systeme::ScreenArea();
    const QMargins margins = columns->contentsMargins();
    const int tallRoom = screen.height() - frame - margins.top() - margins.bottom();
    const int wideRoom = screen.width() - frame;
    const int rowHeight = std::max(1, buttons.first()->sizeHint().height());
    const auto widthOf = [&](const QList<int>& starts) {
        int wide = margins.left() + margins.right() + columns->spacing() * int(starts.size() - 1);
        for (int c = 0; c < starts.size(); ++c) {
            const int end = c + 1 < starts.size() ? starts[c + 1] : int(items.size());
            int column = 0;
            for (int i = starts[c]; i < end; ++i)
                column = std::max(column, buttons[i]->sizeHint().width());
            wide += column;
        }
        return wide;
    };
    QList<int> starts = columnStarts(items, std::max(1, tallRoom / rowHeight));
    const bool scrolls = widthOf(starts) > wideRoom;
    const int bar = style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, menu);
    if (scrolls)   // the bar under the columns takes a row's room
        starts = columnStarts(items, std::max(1, (tallRoom - bar) / rowHeight));

    for (int c = 0; c < starts.size(); ++c) {
        auto* column = new QVBoxLayout;
        column->setSpacing(0);
        const int end = c + 1 < starts.size() ? starts[c + 1] : int(items.size());
        for (int i = starts[c]; i < end; ++i)
            column->addWidget(buttons[i]);
        column->addStretch();
        columns->addLayout(column);
    }

    QWidget* shown = panel;
    if (scrolls) {
        auto* scroll = new QScrollArea;
        scroll->setObjectName(QStringLiteral("Fonction_Scroll"));
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        scroll->setWidget(panel);
        scroll->setFixedSize(wideRoom, panel->sizeHint().height() + bar);
        shown = scroll;
    }
    auto* holder = new QWidgetAction(menu);
    holder->setObjectName(QStringLiteral("Fonction_Columns"));
    holder->setDefaultWidget(shown);
    menu->addAction(holder);
}

// The custom-function menu in the state of one never shown, in the old
// one's place. Qt 6.4 never maps again a menu once popped up empty: shown
// at a size of zero it is marked as lying outside the window system's
// range, and the mark outlives the native window dropped when the menu
// closes, so the one made at the next popup stays unmapped (Qt still takes
// the clicks meant for it) whatever the menu holds by then. The new menu
// takes the old one's name (the translation finds it by that), its title
// with its mnemonic, the texts the translation kept of its design and its
// state; the night colours come from the application's palette of menus.
// The old menu goes once control is back in the event loop: one of its
// items may be what led here.
QMenu* renewMenu(QMenu* old)
{
    auto* fresh = new QMenu(old->parentWidget());
    fresh->setObjectName(old->objectName());
    fresh->setTitle(old->title());
    // Only a menu turned off itself stays off; one off with its window
    // follows the window, as the old one did.
    if (old->testAttribute(Qt::WA_ForceDisabled))
        fresh->setEnabled(false);
    for (const QByteArray& name : old->dynamicPropertyNames())
        fresh->setProperty(name.constData(), old->property(name.constData()));
    QAction* place = old->menuAction();
    QAction* taken = fresh->menuAction();
    taken->setVisible(place->isVisible());
    for (QObject* holder : place->associatedObjects()) {
        if (auto* w = qobject_cast<QWidget*>(holder)) {
            w->insertAction(place, taken);
            w->removeAction(place);
        }
    }
    old->hide();
    old->setObjectName(QString());
    old->deleteLater();
    return fresh;
}

int indexOfNoCase(const QStringList& list, const QString& text)
{
    for (int i = 0; i < list.size(); ++i)
        if (list[i].compare(text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace

void BuildCustomFunctionMenu()
{
    if (!FRM_Alv)
        return;
    QMenu* menu = renewMenu(FRM_Alv->MNU_PFonctions);
    FRM_Alv->MNU_PFonctions = menu;
    FRM_Alv->CustomFunctionList.clear();

    struct Entry {
        QString caption;
        QString path;
    };
    std::vector<Entry> entries;
    const QString folder = scriptsFolder();
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.txt")},
                                                     QDir::Files | QDir::Hidden | QDir::System,
                                                     QDir::Name | QDir::IgnoreCase);
    for (const QString& f : files) {
        if (int(entries.size()) >= kMaxCustomFunctions)
            break;
        const QString path = platform::joinPath(folder, f);
        const QString caption = FindMenuMarker(path, QStringLiteral("@Menu"));
        if (!caption.isEmpty())
            entries.push_back({caption, path});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const int c = a.caption.compare(b.caption, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.path.compare(b.path, Qt::CaseInsensitive) < 0;
    });

    for (int i = 0; i < int(entries.size()); ++i) {
        FRM_Alv->CustomFunctionList << entries[i].caption + u'|' + entries[i].path;
        auto* item = new QAction(entries[i].caption, menu);
        item->setObjectName(QStringLiteral("Fonction_Item_%1").arg(i));
        // The path rides with the item: a caption may itself hold "|".
        item->setData(entries[i].path);
        item->setProperty("BarBreak", i % kCustomFunctionColumn == kCustomFunctionColumn - 1);
        app::bindMenuItemClick(item, [item] { FRM_Alv->Fonction_Items_Handler(item); }, FRM_Alv);
        menu->addAction(item);
    }
    layOutColumns(menu);
}

void RunFunctionButtonScript(int n)
{
    if (n < 1 || n > kFunctionButtonCount)
        return;
    runOrReport(platform::resolveDataFile(scriptsFolder() + platform::fromStoredPath(ScriptButtons[n].Script)));
}

void RunCustomFunctionItem(QAction* item)
{
    if (!FRM_Alv || !item)
        return;
    const qsizetype i = FRM_Alv->CustomFunctionMenu()->actions().indexOf(item);
    if (i < 0 || i >= FRM_Alv->CustomFunctionList.size())
        return;
    runOrReport(item->data().toString());
}

} // namespace Align_V

// ---------------------------------------------------------------- main window

namespace {

int buttonNumber(QObject* sender)
{
    return sender ? sender->property("Tag").toInt() : 0;
}

} // namespace

void TFRM_Alv::ConnectFunctionButtons()
{
    for (int n = 1; n <= kFunctionButtonCount; ++n) {
        for (const QString& name : {QStringLiteral("SPDB_F%1").arg(n), QStringLiteral("SPDB_F%1_B").arg(n)}) {
            auto* b = findChild<QToolButton*>(name);
            if (!b)
                continue;
            b->setProperty("Tag", n);
            // A function button acts on its mouse-up only, never on a key.
            b->setFocusPolicy(Qt::NoFocus);
            app::bindSpeedButtonMouseUp(b, [this, b](int button) { SPDB_F1MouseUp(b, button); }, this);
        }
    }
    for (QComboBox* combo : {CBX_ScriptCollection, CBX_ScriptCollection_B}) {
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        app::bindComboChange(combo, [this, combo] { CBX_ScriptCollectionChange(combo); }, this);
        app::bindEditReturn(combo->lineEdit(), [this, combo] { CBX_ScriptCollectionKeyUp(combo, 13); }, this);
        app::bindComboDropDown(combo, [this] { CBX_ScriptCollectionDropDown(); }, this);
    }
    Settings::RegisterHandler(QStringLiteral("Align_V.BuildCustomFunctionMenu"), [] { Align_V::BuildCustomFunctionMenu(); });
}

void TFRM_Alv::SPDB_F1MouseUp(QObject* sender, int button)
{
    const int n = buttonNumber(sender);
    if (n < 1 || n > kFunctionButtonCount)
        return;
    if (button == 1) {
        // Only the click that opens the properties window chooses the
        // button it edits: a later left click must not redirect its "Ok".
        EditedButtonIndex = n;
        EditedButton = ScriptBar::ExpertButton(n);
        EditedButtonB = ScriptBar::BeginnerButton(n);
        if (!FRM_BTNPref)
            return;
        FRM_BTNPref->EDT_Script->setText(ScriptButtons[n].Script);
        FRM_BTNPref->EDT_Icone->setText(ScriptButtons[n].Icon);
        FRM_BTNPref->EDT_Hint->setText(ScriptButtons[n].Hint);
        FRM_BTNPref->setWindowTitle(TranslatedTexts.BTNPref_Caption + u' ' + QString::number(n));
        Systeme::ShowFormOnScreen(FRM_BTNPref);
        return;
    }
    if (!ScriptButtons[n].Script.isEmpty())
        Align_V::RunFunctionButtonScript(n);
}

void TFRM_Alv::Fonction_Items_Handler(QAction* item)
{
    Align_V::RunCustomFunctionItem(item);
}

void TFRM_Alv::CBX_ScriptCollectionChange(QObject* sender)
{
    if (sender == CBX_ScriptCollection_B)
        CBX_ScriptCollection->setEditText(CBX_ScriptCollection_B->currentText());
    const QString name = CBX_ScriptCollection->currentText();
    CurrentScriptCollectionIndex = int(ScriptCollectionList.indexOf(name));
    for (QComboBox* combo : {CBX_ScriptCollection, CBX_ScriptCollection_B}) {
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(CurrentScriptCollectionIndex);
        combo->setEditText(name);
    }
    ScriptCollectionFilePath = ScriptBar::CollectionFilePath(name);
    BuildScriptBar(ScriptCollectionFilePath);
}

void TFRM_Alv::CBX_ScriptCollectionKeyUp(QObject* sender, int key)
{
    if (key != 13)
        return;
    auto* combo = qobject_cast<QComboBox*>(sender);
    const QString name = combo ? combo->currentText() : QString();
    if (ScriptBar::CollectionExists(name))
        return;
    if (!Profiles::CheckName(name)) {
        // The refused name is selected, ready to be typed over; queued, as
        // the combo moves the caret to the end once Enter is handled.
        if (QLineEdit* edit = combo ? combo->lineEdit() : nullptr)
            QTimer::singleShot(0, edit, &QLineEdit::selectAll);
        return;
    }
    const QString path = ScriptBar::CollectionFilePath(name);
    if (!SaveScriptBar(path))
        return;
    ScriptCollectionFilePath = path;
    CurrentScriptCollectionIndex = Align_V::indexOfNoCase(ScriptBar::ListScriptCollections(), name);
    LoadScriptCollection();
}

void TFRM_Alv::CBX_ScriptCollectionDropDown()
{
    LoadScriptCollection();
}
