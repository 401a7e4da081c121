#pragma once
// Loading and saving the settings file "NightjarPro.ini" of the program
// directory. The full list of settings comes with the settings store; this
// is the seam the main window's start-up and close call.

#include <QString>
#include <stdexcept>

// ProgramDir joined with "NightjarPro.ini"; set at the first activation.
extern QString SettingsFilePath;
extern bool StartupPrefsLoaded;

namespace Settings {

// A settings file that could not be written.
class SettingsError : public std::runtime_error {
public:
    explicit SettingsError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

inline const QString kSettingsFileName = QStringLiteral("NightjarPro.ini");

// Reads the settings file into the windows' controls.
void LoadSettings();
// Writes the settings back; throws SettingsError when the file cannot be
// written (the old file is then left as it was).
void SaveSettings();

// Reads Prefs/EDT_Repertoire_drivers (default "\drivers") into the
// Preferences dialog.
void LoadDriversDir();
// Start-up preferences and window layout, read once at the first activation.
void LoadMiscPrefs();
void LoadWindowLayout();

} // namespace Settings
