#pragma once
// The one table of every key of the settings file, the equipment-profile
// sections and the night-colour scheme files. Loading and saving are both
// driven by it: a key names its section, its written and read spellings,
// how its value is encoded, its default and the control (window and
// objectName) or variable that holds it while the program runs.
//
// Controls are looked up by name when a key is read or written, so a key of
// a window that does not exist yet keeps its stored text (see key_engine.h).

#include <QString>
#include <QStringView>
#include <cstdint>
#include <span>

namespace Settings {

enum class KeyKind : std::uint8_t {
    Bool,            // check box, radio button: "0" / "1"
    Integer,         // spin edit value, scroll or track bar position, timer interval, integer variable
    Scaled,          // numeric input (or real variable) stored as value x scale, Trunc or Round
    Text,            // edit text, combo text, string variable
    Folder,          // edit holding a folder: normalised to end in a separator, created on load
    ComboIndex,      // combo item index (-1: none)
    ComboText,       // combo text
    ComboTextIndex,  // written as the combo text, read as the index of that text in the items
    Choice,          // one of several buttons, stored as the number of the checked one
    Position,        // X or Y coordinate of a coordinate pad (property "XCoordinate"/"YCoordinate")
    Colour,          // colour panel, the toolkit's colour value (red in the low byte)
    Geometry,        // window Top, Left, Width, Height, visible or WindowState
};

enum class Rounding : std::uint8_t { Trunc, Round };

enum KeyAccess : std::uint8_t { Read = 1, Write = 2, ReadWrite = 3 };

enum KeyFlag : std::uint16_t {
    NoFlags = 0,
    // The default depends on the machine or on a control's design value:
    // it is not part of the shipped template.
    MachineDefault = 1 << 0,
    // A key of an equipment-profile section; `section` is the prefix.
    ProfileKey = 1 << 1,
    // A key of a night-colour scheme file (section "NiteColor").
    SchemeKey = 1 << 2,
    // Read with the sentinel 999999, which counts as a missing key.
    Sentinel = 1 << 3,
    // After loading, the key's handler runs only when its button ended up checked.
    HandlerIfChecked = 1 << 4,
    // LastVideoWidth, LastVideoHeight, LastEchantillonage: written only while
    // the main window's source image is wider than 0 pixels.
    OnlyWithSourceImage = 1 << 5,
    // CKB_Assist_Vocal: written only while the hand pad window is enabled.
    OnlyWhenWindowEnabled = 1 << 6,
    // TNI_Set_1 .. TNI_Set_9: loaded into the scroll bar of the same number,
    // then the input takes the scroll bar's position.
    ThroughScrollBar = 1 << 7,
    // The current name of an equipment profile.
    ProfileName = 1 << 8,
    // Written while its holder has a value, removed from the file when it
    // has none (a window's first place, dropped once its place is the
    // user's).
    OnlyWhileHeld = 1 << 9,
};

struct ChoiceOption {
    int value;
    const char* control;
};

struct ChoiceSpec {
    std::span<const ChoiceOption> options;
    // Reading a value that matches no option checks the last option
    // (otherwise nothing changes).
    bool otherReadsLast = false;
    // Writing with no option checked writes the last option's value
    // (otherwise the key is not written).
    bool noneWritesLast = false;
    // After checking an option on loading, its click handler runs
    // ("<window>.<control>Click").
    bool runClick = false;
};

struct KeySpec {
    const char* section = nullptr;   // section, or the prefix of a profile section
    const char* name = nullptr;      // spelling the writer uses
    const char* readName = nullptr;  // spelling the reader uses, when it differs
    KeyKind kind = KeyKind::Integer;
    KeyAccess access = ReadWrite;
    int scale = 1;
    Rounding rounding = Rounding::Trunc;
    const char* def = nullptr;       // default as stored text; null: the holder keeps its value
    const char* window = nullptr;    // window's global name; null: `control` names a variable
    const char* control = nullptr;   // objectName, variable name or geometry property
    const char* writeWindow = nullptr;   // written from another holder (window may be null: variable)
    const char* writeControl = nullptr;
    const char* alsoVariable = nullptr;  // a variable that also takes the value read
    const char* handler = nullptr;       // run after loading ("FRM_Tool_Images.TNI_Set_1Change")
    const ChoiceSpec* choice = nullptr;
    double loadFloor = 0;            // a loaded scaled value is raised to at least this (0: none)
    std::uint8_t step = 0;           // step of LoadSettings that reads the key (0: another reader)
    std::uint8_t sub = 0;            // group within the step
    std::uint16_t flags = NoFlags;

    // Builders for the table.
    constexpr KeySpec reads(const char* n) const { KeySpec k = *this; k.readName = n; return k; }
    constexpr KeySpec at(std::uint8_t s, std::uint8_t g = 0) const { KeySpec k = *this; k.step = s; k.sub = g; return k; }
    constexpr KeySpec with(std::uint16_t f) const { KeySpec k = *this; k.flags = static_cast<std::uint16_t>(k.flags | f); return k; }
    constexpr KeySpec only(KeyAccess a) const { KeySpec k = *this; k.access = a; return k; }
    constexpr KeySpec from(const char* w, const char* c) const { KeySpec k = *this; k.writeWindow = w; k.writeControl = c; return k; }
    constexpr KeySpec also(const char* v) const { KeySpec k = *this; k.alsoVariable = v; return k; }
    constexpr KeySpec runs(const char* h) const { KeySpec k = *this; k.handler = h; return k; }
    constexpr KeySpec floor(double f) const { KeySpec k = *this; k.loadFloor = f; return k; }

    QString sectionName() const { return QString::fromLatin1(section); }
    // Names in the table are Latin-1 ("Qualité_Compression_Jpeg").
    QString keyName() const { return QString::fromLatin1(name); }
    QString readKeyName() const { return QString::fromLatin1(readName ? readName : name); }
    bool readable() const { return access & Read; }
    bool writable() const { return access & Write; }
    bool has(KeyFlag f) const { return flags & f; }
};

// Every key of the settings file (in the order a new file receives them),
// then the profile keys, then the scheme keys.
std::span<const KeySpec> KeyTable();

// Sections of the settings file in the order a new file receives them
// (the four profile sections come after "Prefs"; see SaveSettings).
std::span<const char* const> SectionOrder();

// The key of `section` named `key` (written or read spelling, any letter
// case); profile keys are found with their prefix as section. Null when
// there is none.
const KeySpec* FindKey(QStringView section, QStringView key);

// The keys of a profile kind ("Optique." ...) or of the scheme files, in order.
std::span<const KeySpec> ProfileKeys(QStringView prefix);
std::span<const KeySpec> SchemeKeys();

} // namespace Settings
