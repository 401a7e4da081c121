#pragma once
// The sound service of the running program: WAV files and the built-in
// prompts played on the desktop's default audio output, a PulseAudio server
// (or PipeWire's PulseAudio service) reached through libpulse.
// Like the system's play-sound call it has one voice: a sound started while
// another plays replaces it, and every call returns at once. A file that is
// missing, unreadable or no playable WAV is told once through the report
// function and skipped; with no audio output the program goes on silently
// and says so once.
//
// The connection to the server and its thread belong to the service: they
// are made at the first sound and let go, every step under the connection's
// lock, when the service ends. The program ends its service with the
// application, before the process exits, so nothing of the audio output is
// left running while the process's own teardown goes on.

#include "platform/sound_service.h"
#include "platform/wav_file.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <cstddef>
#include <functional>
#include <memory>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_sink_info;

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
    bool playing() const { return voice_ != nullptr; }
    // What plays: the file's path or ":/sounds/<NAME>.wav"; empty when silent.
    QString current() const { return voice_ ? current_ : QString(); }
    // Stops what plays at once.
    void stop();
    // How long the first sound waits for the server's answer, 2 s unless
    // set (a local server answers at once; a missing one fails at once).
    void setConnectWait_ms(int ms) { connectWait_ms_ = ms; }

    // The prompts the program carries.
    static QStringList resourceNames();

private:
    struct Voice;
    void play(const WavSound& sound, const QString& what);
    void tell(const QString& text);
    // Connects to the audio server, or checks the connection made before;
    // false when there is no server to play on. After a connection that
    // failed (no server, or one that did not answer in time) the sounds of
    // the next kRetryPause_ms are skipped without trying again: a sound
    // asked for at every frame never holds the interface up frame after
    // frame.
    bool openOutput();
    static constexpr qint64 kRetryPause_ms = 30000;
    // Lets go of the sound playing, the connection and its thread.
    void closeOutput();
    // Told by the audio thread that the voice id failed, or was handed to
    // the output whole and is heard to its end in heardInMs.
    void voiceEnded(quint64 id, bool failed, int heardInMs);
    static void releaseVoice(Voice& voice);

    // Called on the audio thread, the connection's lock held.
    static void onWritable(pa_stream* stream, size_t bytes, void* voice);
    static void onDrained(pa_stream* stream, int success, void* voice);
    static void onStreamState(pa_stream* stream, void* voice);
    static void onContextState(pa_context* context, void* loop);
    static void onOutputInfo(pa_context* context, const pa_sink_info* info, int eol, void* service);

    Report report_;
    QSet<QString> told_;
    QHash<QString, WavSound> resources_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    QString outputName_;
    // Since the last connection that failed; invalid while none did.
    QElapsedTimer lastFailure_;
    std::unique_ptr<Voice> voice_;
    quint64 lastVoice_ = 0;
    QString current_;
    QTimer end_;
    int connectWait_ms_ = 2000;
};

} // namespace platform
