#pragma once
// Every window of the program in a temporary program directory, with the
// settings file in it; records the steps the settings store reports.

#include "app/settings.h"
#include "platform/ini_document.h"
#include "program_windows_fixture.h"

#include <ostream>

// Readable values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

class SettingsStore : public ProgramWindows {
protected:
    void SetUp() override;
    void TearDown() override;

    void load() { Settings::LoadSettings(); }
    void save() { Settings::SaveSettings(); }
    QByteArray fileBytes() const { return dir.readFile(QStringLiteral("NightjarPro.ini")); }
    void writeSettings(const QByteArray& bytes) const { dir.writeFile(QStringLiteral("NightjarPro.ini"), bytes); }
    platform::IniDocument file() const { return platform::IniDocument(SettingsFilePath); }
    // The text of the message window.
    QString messageWindowText() const;

    QStringList storeSteps;
};
