#include "platform/audio_sound_service.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMediaDevices>
#include <QThread>
#include <cstdio>

namespace platform {
namespace {

const char* const kPrompts[] = {"TOP", "OUI", "NON", "YES", "NO"};

QAudioFormat formatOf(const WavSound& s)
{
    QAudioFormat f;
    f.setSampleRate(s.rate_hz);
    f.setChannelCount(s.channels);
    switch (s.sample) {
    case WavSound::Sample::UInt8: f.setSampleFormat(QAudioFormat::UInt8); break;
    case WavSound::Sample::Int16: f.setSampleFormat(QAudioFormat::Int16); break;
    case WavSound::Sample::Int32: f.setSampleFormat(QAudioFormat::Int32); break;
    case WavSound::Sample::Float: f.setSampleFormat(QAudioFormat::Float); break;
    }
    return f;
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
            tell(QStringLiteral("Son intégré %1 illisible : %2").arg(QLatin1String(name), reason));
    }
}

AudioSoundService::~AudioSoundService() { stop(); }

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
    if (sink_ && current_ == what)
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
        tell(QStringLiteral("Fichier son %1 non joué : %2").arg(QDir::toNativeSeparators(path), reason));
        return;
    }
    play(s, QFileInfo(path).absoluteFilePath());
}

bool AudioSoundService::filePlaying(const QString& path) const
{
    return sink_ && !path.isEmpty() && current_ == QFileInfo(path).absoluteFilePath();
}

void AudioSoundService::play(const WavSound& sound, const QString& what)
{
    stop();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        tell(QStringLiteral("Aucune sortie audio : les sons ne sont pas joués"));
        return;
    }
    const QAudioFormat format = formatOf(sound);
    if (!device.isFormatSupported(format)) {
        tell(QStringLiteral("La sortie audio %1 ne joue pas ce format (%2 voies, %3 Hz) : %4")
                 .arg(device.description())
                 .arg(sound.channels)
                 .arg(sound.rate_hz)
                 .arg(what));
        return;
    }
    auto* sink = new QAudioSink(device, format, this);
    auto* buffer = new QBuffer(sink);
    buffer->setData(sound.pcm);
    buffer->open(QIODevice::ReadOnly);
    sink_ = sink;
    current_ = what;
    duration_ms_ = sound.duration_ms();
    started_.start();
    connect(sink, &QAudioSink::stateChanged, this, [this, sink](QAudio::State state) {
        if (sink != sink_)
            return;
        if (state == QAudio::IdleState) {
            // Everything was handed to the output: the sound ends once its
            // own length and the output's buffer have gone by.
            const qint64 left = std::max<qint64>(0, duration_ms_ - started_.elapsed());
            end_.start(int(std::min<qint64>(left + tail_ms_, 60 * 60 * 1000)));
        } else if (state == QAudio::StoppedState && sink->error() != QAudio::NoError
                   && sink->error() != QAudio::UnderrunError) {
            tell(QStringLiteral("La sortie audio %1 ne peut pas jouer de son").arg(QMediaDevices::defaultAudioOutput().description()));
            QTimer::singleShot(0, this, [this, sink] {
                if (sink == sink_)
                    stop();
            });
        }
    });
    sink->start(buffer);
    // Should the output never report the end, the sound still ends.
    end_.start(int(std::min<qint64>(duration_ms_ + 3000, 60 * 60 * 1000)));
    if (sink->error() != QAudio::NoError && sink->error() != QAudio::UnderrunError) {
        tell(QStringLiteral("La sortie audio %1 ne peut pas jouer de son").arg(device.description()));
        stop();
        return;
    }
    tail_ms_ = format.durationForBytes(sink->bufferSize()) / 1000;
}

void AudioSoundService::stop()
{
    end_.stop();
    QAudioSink* sink = sink_;
    sink_ = nullptr;
    current_.clear();
    if (!sink)
        return;
    sink->disconnect(this);
    // Dropped, not drained: a sound replaced stops at once and the caller
    // never waits for the output.
    sink->reset();
    sink->stop();
    sink->deleteLater();
}

} // namespace platform
