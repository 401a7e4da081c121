#pragma once
// Equipment profiles: named sets of optics, mount, motor-speed and camera
// values, each a section of the settings file whose name is the kind's
// prefix followed by the profile's name ("Optique.C8 f/10"). Loading copies
// a section into the Preferences dialog's controls, saving copies the
// controls back. The keys are those of the settings key table.
//
// While LoadSettings or SaveSettings runs these routines use its document;
// called on their own they open the settings file and write it once.
// A name typed by the user becomes part of a section name: names that
// could break the file are refused with a message (see IsValidName).

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class QComboBox;
class QObject;

// The motor-speed profile name last chosen. (ProfileComboTouched and
// RawBayerMode, which these routines also set, live with the Preferences
// dialog: app/frm_pref.h.)
extern QString CurrentSpeedProfileName;

namespace Profiles {

enum class Kind { Optics, Mount, MotorSpeeds, Camera };

// "Optique.", "Monture.", "Vitesse_Moteur.", "Camera.".
QString Prefix(Kind kind);
// "Defaut": the name used when none is stored.
inline const QString kDefaultName = QStringLiteral("Defaut");

// Names of the sections whose name begins with `prefix` (letter case
// included), prefix cut off, in file order; {"Defaut"} when there is none.
QStringList ListProfiles(const QString& prefix);

// Copies the profile into the Preferences dialog's controls; a missing
// section or key gives the defaults.
void LoadProfile(Kind kind, const QString& name);
// Writes the controls into the profile's section. False when the name is
// refused or the file cannot be written (both told to the user).
bool SaveProfile(Kind kind, const QString& name);
// Removes a whole section (prefix and name joined). False when the file
// cannot be written (told to the user).
bool EraseProfile(const QString& section);

// Binds the change handler of a profile list. A name the user takes from
// the list, however he takes it (from the opened list, with the wheel or an
// arrow key over the closed list, or by typing a name of the list), counts
// as chosen: ProfileComboTouched is set before the handler runs, so the
// profile loads and the list never shows a name over another profile's
// values. A new name typed runs nothing. Handlers called from code keep
// their rule: they load only when the caller set the flag.
void BindProfileList(QComboBox* combo, std::function<void()> changeHandler, QObject* context);

// Profile combos are sorted lists (letter case ignored): puts the names in
// their places, or one name at its place (a duplicate too), returning that
// place.
void FillSorted(QComboBox* combo, const QStringList& names);
int AddSorted(QComboBox* combo, const QString& name);

// A name that can be part of a section or file name: not empty, no leading
// or trailing blank, no "/", "\", "..", ":", "[", "]", "=" and no control
// character. `reason` receives the message when it is not.
bool IsValidName(const QString& name, QString* reason = nullptr);
// The same, showing the message when the name is refused.
bool CheckName(const QString& name);

} // namespace Profiles

// The routines by the names the Preferences dialog and the goto dialog use.
void LoadOpticsProfile(const QString& name);
void LoadMountProfile(const QString& name);
void LoadMotorSpeedProfile(const QString& name);
void LoadCameraProfile(const QString& name);
bool SaveOpticsProfile(const QString& name);
bool SaveMountProfile(const QString& name);
bool SaveCameraProfile(const QString& name);
bool EraseProfile(const QString& section);

namespace Settings {
bool SaveMotorSpeedProfile(const QString& name);
}
