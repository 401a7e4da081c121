#pragma once
// The spoken prompts of the hand pad. A prompt key ("S_NGC", "S_1", ...) is
// looked up in section [Main] of "Sound_" + the chosen language + ".ini" in
// the program folder; its value names a WAV file under the sounds folder.
// Prompts are queued: each starts when the one before it has had its time
// (the wait given with it), so successive prompts never overlap and the
// interface thread never sleeps. A missing prompt-set file, key or sound
// file plays nothing and takes no time.

#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>

namespace Telescope {

class VoicePrompts : public QObject {
public:
    explicit VoicePrompts(QObject* parent = nullptr);

    // The WAV file of a prompt key, empty when there is none.
    static QString PromptFile(const QString& languageName, const QString& soundsFolder, const QString& key);

    // Queues a prompt with the time it is given before the next one.
    void Play(const QString& key, int wait_ms);
    // Starts the next queued prompt and arms the spacing timer with its
    // wait; false when nothing is queued. The timer calls it.
    bool PlayNext();
    // Forgets what is queued.
    void Clear();

    bool Busy() const { return timer_.isActive(); }
    int CurrentWait() const { return timer_.interval(); }
    std::size_t Pending() const { return queue_.size(); }

private:
    struct Item {
        QString path;
        int wait_ms;
    };
    std::deque<Item> queue_;
    QTimer timer_;
};

// The hand pad's prompts, read with the Preferences dialog's language and
// sounds folder.
VoicePrompts& Prompts();
void PlayVoicePrompt(const QString& key, int wait_ms);

} // namespace Telescope
