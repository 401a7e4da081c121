#pragma once
// Moves keys of the table between an ini document and their holders
// (controls found by window and objectName, or variables found by name).
//
// Loading a key replaces its holder's value with the stored one, or with the
// key's default when the key is missing. Saving writes the holder's present
// value; while the holder still has the value its stored text gave it, the
// stored text itself is written back, so a start and a close change nothing
// the user did not change. A key whose holder does not exist
// (a window or control of a later part of the program) is left as stored;
// on a save it is written with its default only when the document lacks it.
//
// A stored value that the holder cannot take (text in a number key, a
// number beyond 32 bits or outside a numeric input's range, an index beyond
// a combo's items, a text no item carries) is
// not applied: the holder keeps its value, a note says why, and the stored
// text is written back unchanged by the next save unless the user has
// changed the holder meanwhile. So nothing a user stored is lost.
//
// A value read through a control of a narrower range than the one that
// saved it (a kernel level through its scroll bar, the input reaching
// further) is no fault of the user's: it takes the nearest value that
// control holds, without a note, and the file keeps the stored one until
// the user changes the control. Only a value the saving control cannot
// hold either is refused as above.

#include "app/settings/key_table.h"

#include <QString>
#include <QStringList>
#include <optional>

class QObject;
class QWidget;

namespace platform {
class IniDocument;
}

namespace Settings {

// The top-level window whose objectName is `name` ("FRM_Pref"); null when
// there is none.
QWidget* FindWindow(const QString& name);

class KeyEngine {
public:
    // `section` replaces the keys' section (a profile section: prefix + name).
    explicit KeyEngine(platform::IniDocument& doc, QString section = {});

    // Loads one key; false when its holder does not exist or refused the value.
    bool load(const KeySpec& key);
    // Loads every readable key of the table with that step and group, in order.
    void loadStep(int step, int sub = 0);
    // A key this load does not read (its list is not loaded): its stored
    // text is written back by the next save unless the holder changes.
    void keepStored(const KeySpec& key);
    // Writes one key from its holder.
    void save(const KeySpec& key);

    // The text a key holds in the document (missing: the default, or empty).
    QString storedText(const KeySpec& key) const;
    // The holder's value as it would be written; none when there is no holder.
    std::optional<QString> currentText(const KeySpec& key) const;
    // The key's default as stored text (folders: under the program
    // directory); none when the holder keeps its value.
    static std::optional<QString> defaultText(const KeySpec& key);

    // One line per key that could not be applied.
    const QStringList& notes() const { return notes_; }

private:
    QString section(const KeySpec& key) const;

    platform::IniDocument& doc_;
    QString section_;
    QStringList notes_;
};

// Forgets the stored texts kept for keys that could not be applied (tests).
void ForgetUnappliedKeys();

// The variables that keys name ("LastVideoWidth", "ChartCentreDec" ...).
bool HasVariable(const QString& name);

} // namespace Settings
