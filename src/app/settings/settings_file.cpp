#include "app/settings/settings_file.h"

#include "app/settings.h"
#include "platform/message_service.h"
#include "translation/translated_texts.h"

#include <utility>

platform::IniDocument* SettingsIni = nullptr;
bool SettingsIniOpen = false;

namespace Settings {

SettingsFileSession::SettingsFileSession(Mode mode)
{
    if (mode == Mode::Share && SettingsIniOpen && SettingsIni) {
        doc_ = SettingsIni;
        return;
    }
    owned_ = std::make_unique<platform::IniDocument>();
    readable_ = owned_->load(SettingsFilePath);
    if (!readable_)
        error_ = owned_->errorString();
    doc_ = owned_.get();
    if (mode == Mode::Hold) {
        SettingsIni = doc_;
        SettingsIniOpen = true;
        published_ = true;
    }
}

SettingsFileSession::~SettingsFileSession()
{
    if (published_) {
        SettingsIni = nullptr;
        SettingsIniOpen = false;
    }
}

bool SettingsFileSession::commit()
{
    if (!owned_)
        return true;
    if (owned_->save())
        return true;
    error_ = owned_->errorString();
    return false;
}

namespace {
WriteErrorCollector* g_writeErrors = nullptr;
} // namespace

WriteErrorCollector::WriteErrorCollector() : outer_(std::exchange(g_writeErrors, this)) {}

WriteErrorCollector::~WriteErrorCollector() { g_writeErrors = outer_; }

void ReportWriteError(const QString& path, const QString& error)
{
    if (g_writeErrors) {
        g_writeErrors->failures_.append({path, error});
        return;
    }
    platform::messages().show({TranslatedTexts.MSG_Settings_not_saved + QStringLiteral(" (") + path
                                   + QStringLiteral(") : ") + error,
                               platform::MsgKind::Error, platform::MsgButtons::Ok,
                               QStringLiteral("Settings.Save"), {}});
}

} // namespace Settings

#include "app/frm_message.h"

namespace Settings {
namespace {
int g_collectors = 0;
QStringList g_notes;

void showNotes(const QStringList& notes)
{
    if (notes.isEmpty())
        return;
    Msg::ShowMessageText(false, TranslatedTexts.MSG_Reglages_Titre.arg(SettingsFilePath) + u'\n' + notes.join(u'\n'));
}
} // namespace

void AddLoadNotes(const QStringList& notes)
{
    if (g_collectors > 0) {
        // The same note (a list read twice) is told once.
        for (const QString& n : notes) {
            if (!g_notes.contains(n))
                g_notes << n;
        }
    }
    else
        showNotes(notes);
}

NoteCollector::NoteCollector() : outermost_(g_collectors == 0)
{
    ++g_collectors;
    if (outermost_)
        g_notes.clear();
}

NoteCollector::~NoteCollector()
{
    --g_collectors;
    if (outermost_) {
        const QStringList notes = std::exchange(g_notes, {});
        showNotes(notes);
    }
}

} // namespace Settings
