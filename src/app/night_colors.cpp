#include "app/night_colors.h"

#include "app/helpers/scheme_colour.h"
#include "app/profiles.h"
#include "app/settings.h"
#include "app/settings/key_engine.h"
#include "app/settings/key_table.h"
#include "app/settings/settings_file.h"
#include "platform/ini_document.h"
#include "platform/paths.h"

#include "app/controls/color_panel.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QWidget>
#include <QHash>
#include <algorithm>
#include <optional>

namespace NightColors {
namespace {

// The day scheme: the application palette, the class palettes night mode
// changes, and the 29 system colours as 0x00BBGGRR.
struct DayScheme {
    QPalette palette;
    QHash<QByteArray, QPalette> classes;
};
std::optional<DayScheme> g_saved;
bool g_nightOn = false;

// Entries of the desktop and title bars have no counterpart in the palette:
// their colours are kept and change nothing.
std::array<std::uint32_t, kSystemColorCount> g_desktop{0x3A6EA5, 0x3A6EA5, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF,
                                                       0x646464, 0x000000, 0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4,
                                                       0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D,
                                                       0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
                                                       0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7};

const char* const kClasses[] = {"QScrollBar", "QMenu", "QMenuBar"};

QColor qcolor(std::uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }
std::uint32_t tcolor(const QColor& c) { return std::uint32_t(c.red() | (c.green() << 8) | (c.blue() << 16)); }

// The palette roles standing for a system colour index (17 is the texts of
// disabled controls).
QList<QPalette::ColorRole> rolesOf(int index)
{
    switch (index) {
    case 5: return {QPalette::Base};
    case 8: return {QPalette::Text};
    case 13: return {QPalette::Highlight};
    case 14: return {QPalette::HighlightedText};
    case 15: return {QPalette::Window, QPalette::Button};
    case 16: return {QPalette::Dark};
    case 18: return {QPalette::WindowText, QPalette::ButtonText};
    case 20: return {QPalette::Light};
    case 21: return {QPalette::Shadow};
    case 22: return {QPalette::Midlight};
    case 23: return {QPalette::ToolTipText};
    case 24: return {QPalette::ToolTipBase};
    case 25: return {QPalette::AlternateBase};
    case 26: return {QPalette::Link};
    default: return {};
    }
}

// The current system colours as the palettes give them.
std::array<std::uint32_t, kSystemColorCount> currentColors()
{
    std::array<std::uint32_t, kSystemColorCount> colors = g_desktop;
    const QPalette app = QApplication::palette();
    for (int i = 0; i < kSystemColorCount; ++i)
        if (const auto roles = rolesOf(i); !roles.isEmpty())
            colors[std::size_t(i)] = tcolor(app.color(QPalette::Active, roles.first()));
    colors[17] = tcolor(app.color(QPalette::Disabled, QPalette::Text));
    colors[0] = tcolor(QApplication::palette("QScrollBar").color(QPalette::Window));
    colors[4] = tcolor(QApplication::palette("QMenu").color(QPalette::Window));
    colors[7] = tcolor(QApplication::palette("QMenu").color(QPalette::WindowText));
    return colors;
}

bool isTextRole(QPalette::ColorRole role)
{
    return role == QPalette::Text || role == QPalette::WindowText || role == QPalette::ButtonText;
}

// A colour for every state of a control. Disabled controls keep the faces,
// frames and fields of the scheme, as the system colours do, and only their
// texts take the gray text (index 17), set apart.
void setRole(QPalette& p, QPalette::ColorRole role, const QColor& c)
{
    p.setColor(QPalette::Active, role, c);
    p.setColor(QPalette::Inactive, role, c);
    if (!isTextRole(role))
        p.setColor(QPalette::Disabled, role, c);
}

void applyColors(const std::array<std::uint32_t, kSystemColorCount>& colors)
{
    QPalette app = QApplication::palette();
    for (int i = 0; i < kSystemColorCount; ++i)
        for (QPalette::ColorRole role : rolesOf(i))
            setRole(app, role, qcolor(colors[std::size_t(i)]));
    // The middle tone of frames lies between the face and its shadow.
    const QColor face = qcolor(colors[15]), shadow = qcolor(colors[16]);
    setRole(app, QPalette::Mid, QColor((face.red() + shadow.red()) / 2, (face.green() + shadow.green()) / 2,
                                       (face.blue() + shadow.blue()) / 2));
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        app.setColor(QPalette::Disabled, role, qcolor(colors[17]));
    QApplication::setPalette(app);
    QPalette scroll = app;
    setRole(scroll, QPalette::Window, qcolor(colors[0]));
    setRole(scroll, QPalette::Button, qcolor(colors[0]));
    QApplication::setPalette(scroll, "QScrollBar");
    QPalette menu = app;
    setRole(menu, QPalette::Window, qcolor(colors[4]));
    setRole(menu, QPalette::Base, qcolor(colors[4]));
    setRole(menu, QPalette::WindowText, qcolor(colors[7]));
    setRole(menu, QPalette::Text, qcolor(colors[7]));
    for (const char* c : {"QMenu", "QMenuBar"})
        QApplication::setPalette(menu, c);
    for (int i : {1, 2, 3, 6, 9, 10, 11, 12, 19, 27, 28})
        g_desktop[std::size_t(i)] = colors[std::size_t(i)];
}

QList<TColorPanel*> schemePanels()
{
    QList<TColorPanel*> panels;
    QWidget* pref = Settings::FindWindow(QStringLiteral("FRM_Pref"));
    for (const Settings::KeySpec& key : Settings::SchemeKeys())
        panels << (pref ? pref->findChild<TColorPanel*>(QString::fromLatin1(key.control)) : nullptr);
    return panels;
}

const QString kPrefix = QStringLiteral("Nite_");
const QString kSuffix = QStringLiteral(".ini");

QComboBox* schemeCombo()
{
    QWidget* pref = Settings::FindWindow(QStringLiteral("FRM_Pref"));
    return pref ? pref->findChild<QComboBox*>(QStringLiteral("CBX_NiteColor")) : nullptr;
}

} // namespace

std::array<std::uint32_t, kSystemColorCount> SavedSystemColors{};
std::array<std::uint32_t, kSystemColorCount> NightColorTable{};

void SaveSystemColors()
{
    DayScheme day;
    day.palette = QApplication::palette();
    for (const char* c : kClasses)
        day.classes.insert(c, QApplication::palette(c));
    g_saved = day;
    SavedSystemColors = currentColors();
}

void RestoreSystemColors()
{
    g_nightOn = false;
    if (!g_saved)
        return;
    QApplication::setPalette(g_saved->palette);
    for (auto it = g_saved->classes.cbegin(); it != g_saved->classes.cend(); ++it)
        QApplication::setPalette(it.value(), it.key().constData());
    // The desktop's own entries go back too.
    for (int i : {1, 2, 3, 6, 9, 10, 11, 12, 19, 27, 28})
        g_desktop[std::size_t(i)] = SavedSystemColors[std::size_t(i)];
}

bool SystemColorsSaved() { return g_saved.has_value(); }
bool NightModeOn() { return g_nightOn; }

std::uint32_t ResolveColor(std::int32_t stored, int index)
{
    if (stored < 0) {
        const int saved = stored & 0xFF;
        return saved < kSystemColorCount ? SavedSystemColors[std::size_t(saved)]
                                         : SavedSystemColors[std::size_t(std::clamp(index, 0, kSystemColorCount - 1))];
    }
    return std::uint32_t(stored) & 0xFFFFFF;
}

void CopySystemColorsToPanels()
{
    // In night mode the desktop shows the night colours: the day colours
    // stay as saved and fill the panels.
    if (!g_nightOn || !g_saved)
        SaveSystemColors();
    const QList<TColorPanel*> panels = schemePanels();
    for (int i = 0; i < panels.size() && i < kSystemColorCount; ++i)
        if (panels[i])
            panels[i]->setColor(int(SavedSystemColors[std::size_t(i)]));
}

void ReadNightColors()
{
    const QList<TColorPanel*> panels = schemePanels();
    for (int i = 0; i < panels.size() && i < kSystemColorCount; ++i)
        if (panels[i])
            NightColorTable[std::size_t(i)] = ResolveColor(panels[i]->Color(), i);
}

void ApplyNightColors()
{
    if (!g_saved)
        SaveSystemColors();
    applyColors(NightColorTable);
    g_nightOn = true;
}

QStringList ListNightColorFiles()
{
    QStringList names;
    const QDir dir(platform::programDir());
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString& f : files) {
        if (f.size() >= kPrefix.size() + kSuffix.size() && f.startsWith(kPrefix, Qt::CaseInsensitive)
            && f.endsWith(kSuffix, Qt::CaseInsensitive))
            names << f.mid(kPrefix.size(), f.size() - kPrefix.size() - kSuffix.size());
    }
    return names;
}

void LoadNightColorChoice()
{
    Settings::NotifyStep(QStringLiteral("LoadNightColorChoice"));
    QComboBox* combo = schemeCombo();
    if (!combo)
        return;
    combo->clear();
    combo->addItems(ListNightColorFiles());
    // The stored list position, read from the open settings document.
    if (const Settings::KeySpec* key = Settings::FindKey(u"Prefs", u"Couleur_Nuit")) {
        Settings::SettingsFileSession file(Settings::SettingsFileSession::Mode::Share);
        Settings::KeyEngine(file.doc()).load(*key);
    }
}

QString NightColorFilePath(const QString& name)
{
    const QString fileName = kPrefix + name + kSuffix;
    const QString found = platform::findFileNoCase(platform::programDir(), fileName);
    return found.isEmpty() ? platform::joinPath(platform::programDir(), fileName) : found;
}

void LoadNightColors(const QString& name)
{
    Settings::NotifyStep(QStringLiteral("LoadNightColors"));
    Settings::NoteCollector notes;
    // A name that cannot be a file name has no file: the defaults.
    const QString path = Profiles::IsValidName(name) ? NightColorFilePath(name) : QString();
    platform::IniDocument doc;
    if (!path.isEmpty() && !doc.load(path))
        Settings::AddLoadNotes({doc.errorString()});
    Settings::KeyEngine engine(doc);
    const QList<TColorPanel*> panels = schemePanels();
    int index = 0;
    for (const Settings::KeySpec& key : Settings::SchemeKeys()) {
        engine.load(key);
        // A text, a value beyond 0xFFFFFF or the saved colour of an index
        // that does not exist gives the table's default.
        const QString text = doc.readString(QString::fromLatin1(key.section), QString::fromLatin1(key.name), {});
        const bool valid = text.isEmpty() || SchemeColour::Parse(text).has_value();
        TColorPanel* panel = index < panels.size() ? panels[index] : nullptr;
        if (!valid && panel && key.def)
            panel->setColor(QByteArray(key.def).toInt());
        ++index;
    }
    Settings::AddLoadNotes(engine.notes());
}

bool SaveNightColors(const QString& name)
{
    if (!Profiles::CheckName(name))
        return false;
    const QString path = NightColorFilePath(name);
    platform::IniDocument doc;
    bool ok = doc.load(path);
    if (ok) {
        Settings::KeyEngine engine(doc);
        for (const Settings::KeySpec& key : Settings::SchemeKeys())
            engine.save(key);
        ok = doc.save();
    }
    if (!ok)
        Settings::ReportWriteError(path, doc.errorString());
    return ok;
}

bool EraseNightColors(const QString& name)
{
    if (!Profiles::IsValidName(name))
        return true;
    const QString found = platform::findFileNoCase(platform::programDir(), kPrefix + name + kSuffix);
    if (found.isEmpty())
        return true;
    QFile f(found);
    if (f.remove())
        return true;
    Settings::ReportWriteError(found, f.errorString());
    return false;
}

} // namespace NightColors
