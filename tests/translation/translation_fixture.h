#pragma once
// Every window of the program created in a temporary program directory, for
// the translation tests; language files are written into that directory.

#include "app/startup.h"
#include "platform/port_access_sim.h"
#include "support/fakes.h"
#include "support/temp_program_dir.h"

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

class TranslationWindows : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes "Lang_<name>.ini" (CP1252 text, CR LF) holding `body` under
    // the section [name], picks it in the Preferences' list and runs the pass.
    void useLanguage(const QString& name, const QByteArray& body);
    // Runs the pass with no language file.
    void useNoLanguage();

    testsupport::TempProgramDir dir;
    testsupport::RecordingMessageService boxes;
    platform::SimulatedPortAccess ports;
};

// One fixture name per behaviour family.
class LanguageFiles : public TranslationWindows {};
class TranslationPass : public TranslationWindows {};
class FontCharset : public TranslationWindows {};
class TranslationTable : public TranslationWindows {};
