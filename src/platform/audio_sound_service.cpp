#include "platform/audio_sound_service.h"

#include "platform/platform_texts.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <pulse/pulseaudio.h>
#include <algorithm>
#include <cstdio>

namespace platform {

// The sound playing: its stream, and the samples the audio thread hands to
// the server as the server asks for them. The audio thread reads and writes
// it only under the connection's lock, as long as the stream's callbacks
// point to it.
struct AudioSoundService::Voice {
    AudioSoundService* owner = nullptr;
    quint64 id = 0;
    pa_stream* stream = nullptr;
    pa_operation* drain = nullptr;
    QByteArray pcm;
    qsizetype written = 0;
};

namespace {

const char* const kPrompts[] = {"TOP", "OUI", "NON", "YES", "NO"};

// What the server holds ahead of what is heard: a short sound is handed
// over whole, and a busy machine never lets the output run dry. It delays
// nothing: a sound starts as soon as the server has its first samples and a
// sound replaced is dropped with its stream.
constexpr pa_usec_t kAheadUs = 1000 * 1000;

pa_sample_format_t formatOf(WavSound::Sample s)
{
    switch (s) {
    case WavSound::Sample::UInt8: return PA_SAMPLE_U8;
    case WavSound::Sample::Int16: return PA_SAMPLE_S16LE;
    case WavSound::Sample::Int32: return PA_SAMPLE_S32LE;
    case WavSound::Sample::Float: return PA_SAMPLE_FLOAT32LE;
    }
    return PA_SAMPLE_INVALID;
}

} // namespace

AudioSoundService::AudioSoundService(Report report, QObject* parent) : QObject(parent), report_(std::move(report))
{
    end_.setSingleShot(true);
    connect(&end_, &QTimer::timeout, this, [this] { stop(); });
    for (const char* name : kPrompts) {
        const QString path = QStringLiteral(":/sounds/%1.wav").arg(QLatin1String(name));
        WavSound s;
        QString reason;
        if (readWavFile(path, s, reason))
            resources_.insert(QLatin1String(name), s);
        else
            tell(platform::text(platform::PlatformText::MSG_Son_Integre_Illisible).arg(QLatin1String(name), reason));
    }
}

AudioSoundService::~AudioSoundService()
{
    end_.stop();
    closeOutput();
}

QStringList AudioSoundService::resourceNames()
{
    QStringList out;
    for (const char* name : kPrompts)
        out << QLatin1String(name);
    return out;
}

void AudioSoundService::tell(const QString& text)
{
    if (told_.contains(text))
        return;
    told_.insert(text);
    if (report_)
        report_(text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

void AudioSoundService::playResource(const QString& name)
{
    if (thread() != QThread::currentThread()) {
        QMetaObject::invokeMethod(this, [this, name] { playResource(name); }, Qt::QueuedConnection);
        return;
    }
    const QString key = name.trimmed().toUpper();
    const auto it = resources_.constFind(key);
    if (it == resources_.constEnd())
        return;
    // Asked for on every frame, a prompt still playing goes on rather than
    // stutter from its start; another prompt replaces it.
    const QString what = QStringLiteral(":/sounds/%1.wav").arg(key);
    if (voice_ && current_ == what)
        return;
    play(*it, what);
}

void AudioSoundService::playFile(const QString& path)
{
    if (thread() != QThread::currentThread()) {
        QMetaObject::invokeMethod(this, [this, path] { playFile(path); }, Qt::QueuedConnection);
        return;
    }
    WavSound s;
    QString reason;
    if (!readWavFile(path, s, reason)) {
        tell(platform::text(platform::PlatformText::MSG_Son_Fichier_Non_Joue).arg(QDir::toNativeSeparators(path), reason));
        return;
    }
    play(s, QFileInfo(path).absoluteFilePath());
}

bool AudioSoundService::filePlaying(const QString& path) const
{
    return voice_ && !path.isEmpty() && current_ == QFileInfo(path).absoluteFilePath();
}

bool AudioSoundService::openOutput()
{
    if (loop_) {
        pa_threaded_mainloop_lock(loop_);
        const bool ready = pa_context_get_state(context_) == PA_CONTEXT_READY;
        pa_threaded_mainloop_unlock(loop_);
        if (ready)
            return true;
        // The server went away or started again: a new connection.
        closeOutput();
    }
    if (lastFailure_.isValid() && lastFailure_.elapsed() < kRetryPause_ms)
        return false;
    lastFailure_.start();
    loop_ = pa_threaded_mainloop_new();
    if (!loop_)
        return false;
    if (pa_threaded_mainloop_start(loop_) < 0) {
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
        return false;
    }
    bool ready = false;
    pa_threaded_mainloop_lock(loop_);
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "NightjarPro");
    // The desktop's server, as the user's client settings name it.
    if (context_) {
        pa_context_set_state_callback(context_, &onContextState, loop_);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOFLAGS, nullptr) >= 0) {
            struct Deadline {
                pa_threaded_mainloop* loop;
                bool passed;
            } deadline{loop_, false};
            pa_time_event* timer = pa_context_rttime_new(
                context_, pa_rtclock_now() + pa_usec_t(std::max(0, connectWait_ms_)) * 1000,
                [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* d) {
                    auto* dl = static_cast<Deadline*>(d);
                    dl->passed = true;
                    pa_threaded_mainloop_signal(dl->loop, 0);
                },
                &deadline);
            pa_context_state_t state = pa_context_get_state(context_);
            while (state != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(state) && !deadline.passed) {
                pa_threaded_mainloop_wait(loop_);
                state = pa_context_get_state(context_);
            }
            ready = state == PA_CONTEXT_READY;
            if (ready) {
                // The default output's name, for the messages.
                outputName_ = platform::text(platform::PlatformText::MSG_Son_Sortie_Par_Defaut);
                pa_operation* info = pa_context_get_sink_info_by_name(context_, "@DEFAULT_SINK@", &onOutputInfo, this);
                while (info && pa_operation_get_state(info) == PA_OPERATION_RUNNING && !deadline.passed)
                    pa_threaded_mainloop_wait(loop_);
                if (info) {
                    pa_operation_cancel(info);
                    pa_operation_unref(info);
                }
            }
            if (timer)
                pa_threaded_mainloop_get_api(loop_)->time_free(timer);
        }
    }
    pa_threaded_mainloop_unlock(loop_);
    if (ready)
        lastFailure_.invalidate();
    else
        closeOutput();
    return ready;
}

void AudioSoundService::closeOutput()
{
    if (loop_) {
        // Every step under the lock: the audio thread may be handling the
        // server's last words (or its going away) at this very moment.
        pa_threaded_mainloop_lock(loop_);
        if (voice_)
            releaseVoice(*voice_);
        if (context_) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
            pa_context_unref(context_);
            context_ = nullptr;
        }
        pa_threaded_mainloop_unlock(loop_);
        // Nothing is left for the thread to do: it ends here, and only then
        // is its loop freed.
        pa_threaded_mainloop_stop(loop_);
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
    }
    voice_.reset();
    current_.clear();
}

void AudioSoundService::releaseVoice(Voice& voice)
{
    if (voice.drain) {
        pa_operation_cancel(voice.drain);
        pa_operation_unref(voice.drain);
        voice.drain = nullptr;
    }
    if (voice.stream) {
        pa_stream_set_write_callback(voice.stream, nullptr, nullptr);
        pa_stream_set_state_callback(voice.stream, nullptr, nullptr);
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(voice.stream)))
            pa_stream_disconnect(voice.stream);
        pa_stream_unref(voice.stream);
        voice.stream = nullptr;
    }
}

void AudioSoundService::play(const WavSound& sound, const QString& what)
{
    stop();
    if (!openOutput()) {
        tell(platform::text(platform::PlatformText::MSG_Son_Aucune_Sortie));
        return;
    }
    pa_sample_spec spec;
    spec.format = formatOf(sound.sample);
    spec.rate = std::uint32_t(std::max(0, sound.rate_hz));
    spec.channels = std::uint8_t(std::clamp(sound.channels, 0, 255));
    if (!pa_sample_spec_valid(&spec)) {
        tell(platform::text(platform::PlatformText::MSG_Son_Format_Refuse)
                 .arg(outputName_)
                 .arg(sound.channels)
                 .arg(sound.rate_hz)
                 .arg(what));
        return;
    }
    auto voice = std::make_unique<Voice>();
    voice->owner = this;
    voice->id = ++lastVoice_;
    // Whole frames only: the output takes nothing else.
    voice->pcm = sound.pcm.left(qsizetype(sound.frames()) * sound.bytesPerFrame());
    // A WAV file's channels come in the order of its own format.
    pa_channel_map map;
    pa_channel_map_init_extend(&map, spec.channels, PA_CHANNEL_MAP_WAVEEX);
    pa_buffer_attr attr;
    attr.maxlength = attr.prebuf = attr.minreq = attr.fragsize = std::uint32_t(-1);
    attr.tlength = std::uint32_t(pa_usec_to_bytes(kAheadUs, &spec));

    pa_threaded_mainloop_lock(loop_);
    voice->stream = pa_stream_new(context_, "NightjarPro", &spec, &map);
    bool started = voice->stream != nullptr;
    if (started) {
        pa_stream_set_state_callback(voice->stream, &onStreamState, voice.get());
        pa_stream_set_write_callback(voice->stream, &onWritable, voice.get());
        // The output's own latency is left to it; the server tells how far
        // behind what is heard is, for the sound's end.
        const auto flags = pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
        started = pa_stream_connect_playback(voice->stream, nullptr, &attr, flags, nullptr, nullptr) >= 0;
    }
    if (!started)
        releaseVoice(*voice);
    pa_threaded_mainloop_unlock(loop_);
    if (!started) {
        tell(platform::text(platform::PlatformText::MSG_Son_Sortie_Muette).arg(outputName_));
        return;
    }
    voice_ = std::move(voice);
    current_ = what;
    // Should the output never report the end, the sound still ends.
    end_.start(int(std::min<qint64>(sound.duration_ms() + 3000, 60 * 60 * 1000)));
}

void AudioSoundService::stop()
{
    end_.stop();
    current_.clear();
    if (!voice_)
        return;
    // Dropped, not drained: a sound replaced stops at once and the caller
    // never waits for the output.
    pa_threaded_mainloop_lock(loop_);
    releaseVoice(*voice_);
    pa_threaded_mainloop_unlock(loop_);
    voice_.reset();
}

void AudioSoundService::voiceEnded(quint64 id, bool failed, int heardInMs)
{
    if (!voice_ || voice_->id != id)
        return;   // a sound already stopped or replaced
    if (failed) {
        tell(platform::text(platform::PlatformText::MSG_Son_Sortie_Muette).arg(outputName_));
        stop();
    } else if (heardInMs > 0) {
        end_.start(heardInMs);   // the output's buffer still holds its end
    } else {
        stop();
    }
}

void AudioSoundService::onWritable(pa_stream* stream, size_t bytes, void* v)
{
    auto* voice = static_cast<Voice*>(v);
    const size_t left = size_t(voice->pcm.size() - voice->written);
    const size_t n = std::min(bytes, left);
    if (n > 0 && pa_stream_write(stream, voice->pcm.constData() + voice->written, n, nullptr, 0, PA_SEEK_RELATIVE) == 0)
        voice->written += qsizetype(n);
    // Everything handed over: the sound ends once the server has played it.
    if (voice->written == voice->pcm.size() && !voice->drain)
        voice->drain = pa_stream_drain(stream, &onDrained, voice);
}

void AudioSoundService::onDrained(pa_stream* stream, int success, void* v)
{
    // A drain that failed goes with the stream's failure, told below.
    if (!success)
        return;
    // The server has played everything out of the stream; the output may
    // still hold the end of it.
    pa_usec_t behind = 0;
    int negative = 0;
    if (pa_stream_get_latency(stream, &behind, &negative) != 0 || negative)
        behind = 0;
    const int heardInMs = int(std::min<pa_usec_t>(behind / 1000, 10 * 1000));
    auto* voice = static_cast<Voice*>(v);
    AudioSoundService* owner = voice->owner;
    const quint64 id = voice->id;
    QMetaObject::invokeMethod(owner, [owner, id, heardInMs] { owner->voiceEnded(id, false, heardInMs); },
                              Qt::QueuedConnection);
}

void AudioSoundService::onStreamState(pa_stream* stream, void* v)
{
    if (pa_stream_get_state(stream) != PA_STREAM_FAILED)
        return;
    auto* voice = static_cast<Voice*>(v);
    AudioSoundService* owner = voice->owner;
    const quint64 id = voice->id;
    QMetaObject::invokeMethod(owner, [owner, id] { owner->voiceEnded(id, true, 0); }, Qt::QueuedConnection);
}

void AudioSoundService::onContextState(pa_context*, void* loop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

void AudioSoundService::onOutputInfo(pa_context*, const pa_sink_info* info, int eol, void* s)
{
    auto* service = static_cast<AudioSoundService*>(s);
    if (eol == 0 && info && info->description && *info->description)
        service->outputName_ = QString::fromUtf8(info->description);
    pa_threaded_mainloop_signal(service->loop_, 0);
}

} // namespace platform
