#pragma once
// The settings file "NightjarPro.ini" of the program directory: loading it
// into the windows' controls at start-up and writing them back (OK of the
// Preferences dialog, close of the main window). Every key is described once
// in app/settings/key_table.cpp; the order of the steps below is the one
// users' files and other windows rely on.
//
// A file that cannot be read gives the defaults and a note in the message
// window; a file that cannot be written is left exactly as it was (one
// in-memory document, written once per save through a temporary file and a
// rename) and SaveSettings throws SettingsError for the caller to report.

#include <QString>
#include <cstdint>
#include <functional>
#include <stdexcept>

// ProgramDir joined with "NightjarPro.ini"; set at the first activation.
extern QString SettingsFilePath;
// Set once LoadMiscPrefs has run; until then the interface radio buttons do
// not refresh the hand pad.
extern bool StartupPrefsLoaded;

// The application's help file, in the program directory.
extern QString HelpFilePath;

// Values kept outside the controls (read by other windows). VestaPortIndex
// and VestaSerialPortIndex live with the Preferences dialog (app/frm_pref.h).
extern std::int32_t LastVideoWidth;        // last source image size, pixels
extern std::int32_t LastVideoHeight;
extern double LastSampling;                // seconds of arc per pixel
extern std::int32_t GuidePortParity;       // copies of the parity item indexes
extern std::int32_t FocusPortParity;
extern std::int32_t SavedZoneSize;         // display-zone size read at start-up
extern QString LastOpenDir;                // folder last used to open an image or sequence
extern std::int32_t GuideAverageInterval;  // averaging interval of the tracking step
// Focal length times the active Barlow and reducer factors, mm.
extern long double EffectiveFocalLength;

namespace Settings {

// A settings file that could not be written: the settings file itself when
// path() is empty, else the other file the save writes (a night colour
// scheme).
class SettingsError : public std::runtime_error {
public:
    explicit SettingsError(const QString& message, const QString& path = {})
        : std::runtime_error(message.toStdString()), message_(message), path_(path) {}
    const QString& message() const { return message_; }
    const QString& path() const { return path_; }

private:
    QString message_;
    QString path_;
};

inline const QString kSettingsFileName = QStringLiteral("NightjarPro.ini");
// The template copied to a missing settings file, in the program directory.
inline const QString kTemplateFileName = QStringLiteral("nightjarpro.one");

// Reads the settings file into the windows' controls.
void LoadSettings();
// Writes every setting back; throws SettingsError when the file cannot be
// written (the old file is then left as it was).
void SaveSettings();
// Tells the user, once per cause, that the settings file could not be
// written (the old file is then left as it was).
void ReportSaveFailure(const SettingsError& error);

// EffectiveFocalLength from the optics of the Preferences dialog or of the
// measurement window (RDB_Preferences chooses), shown in TNI_Focale_Reelle.
void UpdateOpticsDerived();
// Image sampling and field of view of camera slot 1 or 2 on the measurement
// window, with the field's unit. A width or focal length of 0 leaves the
// captions as they are.
void SetAngleUnitCaptions(int slot);

// Reads Prefs/EDT_Repertoire_drivers (default "\drivers") into the
// Preferences dialog.
void LoadDriversDir();
// Start-up preferences and window layout, read once at the first activation.
void LoadMiscPrefs();
void LoadWindowLayout();
// The message window's size and place as the window layout gives them, for
// a note shown at the start before the layout is read.
void PlaceMessageWindow();
// The goto dialog's origin and destination as loaded from section "Carte".
void RestoreGotoPoints();

// ---- Observing and extending the load (tests, later windows).

// Receives the name of every step LoadSettings and SaveSettings run and of
// every handler or routine of another window they call ("FRM_Pref.RDB_CarreClick").
using StepObserver = std::function<void(const QString&)>;
void SetStepObserver(StepObserver observer);
void NotifyStep(const QString& name);

// Handlers of other windows that loading runs, by qualified name
// ("FRM_Tool_Images.TNI_Set_1Change", "Align_V.BuildCustomFunctionMenu").
// A window registers its handler here; without one, a slot or Q_INVOKABLE
// method of that name on the window runs. Returns false when none exists.
void RegisterHandler(const QString& name, std::function<void()> handler);
void UnregisterHandler(const QString& name);
bool RunHandler(const QString& name);
// Whether RunHandler would find something to run for that name.
bool HasHandler(const QString& name);

// The text of a file holding every default of the table that does not
// depend on the machine: the shipped template "nightjarpro.one".
QByteArray DefaultSettingsBytes();

} // namespace Settings
