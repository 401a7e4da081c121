#include "telescope/voice_prompts.h"

#include "app/frm_pref.h"
#include "platform/ini_document.h"
#include "platform/paths.h"
#include "platform/sound_service.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <algorithm>

namespace Telescope {

VoicePrompts::VoicePrompts(QObject* parent) : QObject(parent)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { PlayNext(); });
}

QString VoicePrompts::PromptFile(const QString& languageName, const QString& soundsFolder, const QString& key)
{
    const QString setName = QStringLiteral("Sound_") + languageName + QStringLiteral(".ini");
    const QString setPath = platform::findFileNoCase(platform::programDir(), setName);
    if (setPath.isEmpty() || key.isEmpty())
        return {};
    const platform::IniDocument ini(setPath);
    const QString value = ini.readString(QStringLiteral("Main"), key, QString()).trimmed();
    if (value.isEmpty())
        return {};
    const QString file = platform::resolveDataFile(platform::joinPath(soundsFolder, platform::fromStoredPath(value)));
    return QFileInfo(file).isFile() ? file : QString();
}

void VoicePrompts::Play(const QString& key, int wait_ms)
{
    const QString language = FRM_Pref ? FRM_Pref->CBX_Langue->currentText() : QString();
    const QString sounds = FRM_Pref ? FRM_Pref->EDT_Repertoire_Sons->text() : QString();
    const QString path = PromptFile(language, sounds, key);
    if (path.isEmpty())
        return;
    queue_.push_back({path, std::max(0, wait_ms)});
    if (!timer_.isActive())
        PlayNext();
}

bool VoicePrompts::PlayNext()
{
    timer_.stop();
    if (queue_.empty())
        return false;
    const Item item = queue_.front();
    queue_.pop_front();
    platform::sound().playFile(item.path);
    timer_.start(item.wait_ms);
    return true;
}

void VoicePrompts::Clear()
{
    queue_.clear();
    timer_.stop();
}

VoicePrompts& Prompts()
{
    static QPointer<VoicePrompts> prompts;
    if (!prompts)
        prompts = new VoicePrompts(QCoreApplication::instance());
    return *prompts;
}

void PlayVoicePrompt(const QString& key, int wait_ms) { Prompts().Play(key, wait_ms); }

} // namespace Telescope
