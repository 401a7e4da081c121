#pragma once
// The one table of the language-file keys that the translation pass writes
// into windows: for each key, the window (its global name), the component
// (its objectName, letter case ignored; empty for the window itself), what
// the text becomes and its French default. The pass walks the table in
// order; where two entries write the same place the later one wins.
//
// A component that does not exist (a window or control of a later part of
// the program) is skipped, so a window that lands later is translated by
// the same table without any other change.

#include <QString>

#include <cstdint>
#include <span>

namespace Translation {

// How a text reaches its component: captions through the component's own
// kind (action text, menu title, button or label text, group-box title, tab
// text, window title); hints as tooltips of widgets or actions; charts
// through their properties "leftAxisTitle", "bottomAxisTitle" and
// "titleText"; status bars through setPanelText(int, QString) when they
// have it, else through their labels in order; placeholders as the
// placeholder text of a line edit.
enum class TextTarget : std::uint8_t {
    Caption,      // caption of a control, tab, group box or window title
    MenuCaption,  // caption of a menu item ("&" marks the accelerator)
    Hint,         // tooltip of a control or window
    ListItem,     // item `index` of a combo box, rebuilt in full on each pass
    AxisLeft,     // title of a chart's left axis
    AxisBottom,   // title of a chart's bottom axis
    ChartTitle,   // line 0 of a chart's title
    StatusPanel,  // text of status-bar panel `index`
    Placeholder,  // the grey text an empty edit shows
};

struct TranslationEntry {
    const char* key;            // language-file key, compared case-insensitively
    const char* window;         // "FRM_Alv"
    const char* component;      // "" for the window itself
    TextTarget target;
    std::uint8_t index;         // list item or status panel index
    const char* frenchDefault;  // UTF-8; null: the control's own design text
    // Also receives the text just written (text tool-bar twins, copied captions).
    const char* copyWindow = nullptr;
    const char* copyComponent = nullptr;

    QString keyName() const { return QString::fromLatin1(key); }
    QString windowName() const { return QString::fromLatin1(window); }
    QString componentName() const { return QString::fromLatin1(component); }
    bool hasDefault() const { return frenchDefault != nullptr; }
    QString defaultText() const { return QString::fromUtf8(frenchDefault); }
};

// Every entry in the order of the pass: captions, menus and lists window by
// window, then the hints.
std::span<const TranslationEntry> TranslationTable();

// The texts of the windows that are this program's own: labels, titles
// and hints that it added to the windows, and its own dialogs. Their
// keys name their window ("FRM_Pref.Profil.Caption"), so no key of the table
// above reaches them; every pass writes them after it, and TranslateWindow
// gives them to a dialog made when it opens.
std::span<const TranslationEntry> OwnTranslationTable();

// The 23 windows that take the font character set of the language, in the
// order they are set.
std::span<const char* const> CharsetWindows();

} // namespace Translation
