#pragma once
// Sounds of the program: its own short prompts ("TOP", "OUI", "NON", ...),
// named like the sound resources they come from, and sound files the user
// chose, played without waiting. The default service plays nothing; tests
// record what was asked for.

#include <QString>

namespace platform {

class SoundService {
public:
    virtual ~SoundService() = default;
    // Starts the named prompt and returns at once.
    virtual void playResource(const QString& name) = 0;
    // Starts the sound file at path (a WAV file) and returns at once; a
    // file that cannot be played is skipped silently.
    virtual void playFile(const QString& path) { (void)path; }
    // The desktop's alert sound of a kind: -1 the simple beep, 0 the default
    // sound, 16 error, 32 question, 48 warning, 64 information.
    virtual void beep(int code) { (void)code; }
    // True while the sound file at path started by playFile still plays.
    virtual bool filePlaying(const QString& path) const
    {
        (void)path;
        return false;
    }
};

// The service in force; nullptr restores the silent default.
SoundService& sound();
void setSoundService(SoundService* service);

} // namespace platform
