#pragma once
// The sound service of the running program: WAV files and the built-in
// prompts played on the desktop's default audio output with Qt Multimedia.
// Like the system's play-sound call it has one voice: a sound started while
// another plays replaces it, and every call returns at once. A file that is
// missing, unreadable or no playable WAV is told once through the report
// function and skipped; with no audio output the program goes on silently
// and says so once.

#include "platform/sound_service.h"
#include "platform/wav_file.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <functional>

class QAudioSink;

namespace platform {

class AudioSoundService : public QObject, public SoundService {
public:
    using Report = std::function<void(const QString&)>;

    // report receives each text to show (once per cause); empty: standard error.
    explicit AudioSoundService(Report report = {}, QObject* parent = nullptr);
    ~AudioSoundService() override;

    // name is a built-in prompt ("TOP", "OUI", "NON", "YES", "NO", in any
    // case); a name that is none of them plays nothing. The prompt playing
    // is not started again.
    void playResource(const QString& name) override;
    void playFile(const QString& path) override;
    bool filePlaying(const QString& path) const override;

    // True while a sound (file or prompt) plays.
    bool playing() const { return sink_ != nullptr; }
    // What plays: the file's path or ":/sounds/<NAME>.wav"; empty when silent.
    QString current() const { return sink_ ? current_ : QString(); }
    // Stops what plays at once.
    void stop();

    // The prompts the program carries.
    static QStringList resourceNames();

private:
    void play(const WavSound& sound, const QString& what);
    void tell(const QString& text);

    Report report_;
    QSet<QString> told_;
    QHash<QString, WavSound> resources_;
    QAudioSink* sink_ = nullptr;
    QString current_;
    qint64 duration_ms_ = 0;
    qint64 tail_ms_ = 0;
    QElapsedTimer started_;
    QTimer end_;
};

} // namespace platform
