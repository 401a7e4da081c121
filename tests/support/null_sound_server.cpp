#include "support/null_sound_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <sys/types.h>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace testsupport {

namespace {
qint64 g_serverPid = 0;
void endServer()
{
    if (g_serverPid > 0)
        ::kill(pid_t(g_serverPid), SIGTERM);
}

// Whether the server process has ended, reaped or not.
bool serverGone(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype paren = line.lastIndexOf(')');
    return paren < 0 || line.size() <= paren + 2 || line[paren + 2] == 'Z';
}
} // namespace

struct NullSoundServerStarter {
    NullSoundServer server;
    QString why;
    bool ok = false;
    bool stopped = false;
    QTemporaryDir dir{QDir::temp().filePath(QStringLiteral("nj-pulse-XXXXXX"))};

    NullSoundServerStarter()
    {
        if (!dir.isValid()) {
            why = QStringLiteral("no temporary folder for the sound server");
            return;
        }
        ok = start();
        if (ok) {
            server.address_ = QStringLiteral("unix:") + socket();
            // The audio layer reads it when it first connects.
            qputenv("PULSE_SERVER", server.address_.toLocal8Bit());
        }
    }

    QString socket() const { return dir.filePath(QStringLiteral("native")); }

    bool start()
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (program.isEmpty()) {
            why = QStringLiteral("pulseaudio is not installed (scripts/install-deps.sh installs it)");
            return false;
        }
        QFile::remove(socket());
        QDir(dir.path()).mkpath(QStringLiteral("home"));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("home")));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        env.remove(QStringLiteral("PULSE_SERVER"));
        p.setProcessEnvironment(env);
        p.setProgram(program);
        // No configuration file, no session bus, no daemon: one null output
        // and one socket; the server ends by itself a minute after its last
        // client should this process die without ending it (and is started
        // again, on the same socket, when a later test of a long run finds
        // it gone; a busy machine may take seconds between two clients of
        // one test, so the minute is not shorter). A null output with nothing asking for a short latency
        // plays two seconds ahead, and its monitor then sends what it
        // played in two-second blocks, a recording's first one two seconds
        // after it starts: a loopback from the monitor to a second null
        // output keeps it playing a few milliseconds ahead.
        const QString script = dir.filePath(QStringLiteral("server.pa"));
        QFile pa(script);
        if (!pa.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            why = QStringLiteral("no room for the sound server's script");
            return false;
        }
        pa.write("load-module module-null-sink sink_name=nj_null rate=44100\n"
                 "load-module module-null-sink sink_name=nj_void rate=44100\n"
                 "load-module module-loopback source=nj_null.monitor sink=nj_void latency_msec=30 "
                 "source_dont_move=true sink_dont_move=true\n"
                 "set-default-sink nj_null\n"
                 "load-module module-native-protocol-unix auth-anonymous=1 socket="
                 + socket().toLocal8Bit() + "\n");
        pa.close();
        p.setArguments({QStringLiteral("--daemonize=no"), QStringLiteral("-n"), QStringLiteral("--system=false"),
                        QStringLiteral("--use-pid-file=false"), QStringLiteral("--exit-idle-time=60"),
                        QStringLiteral("--log-target=stderr"), QStringLiteral("--log-level=error"),
                        QStringLiteral("-F"), script});
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(dir.filePath(QStringLiteral("server.log")));
        if (!p.startDetached(&g_serverPid)) {
            why = QStringLiteral("pulseaudio did not start: ") + p.errorString();
            return false;
        }
        static const bool endsWithTheProcess = std::atexit(endServer) == 0;
        (void)endsWithTheProcess;
        QElapsedTimer t;
        t.start();
        while (!QFileInfo(socket()).exists() && t.elapsed() < 10000)
            QThread::msleep(20);
        if (!QFileInfo(socket()).exists()) {
            QFile log(dir.filePath(QStringLiteral("server.log")));
            log.open(QIODevice::ReadOnly);
            why = QStringLiteral("pulseaudio started but opened no socket: ") + QString::fromLocal8Bit(log.readAll());
            return false;
        }
        return true;
    }
};

static NullSoundServerStarter& starter()
{
    static NullSoundServerStarter s;
    return s;
}

NullSoundServer* NullSoundServer::get(QString* why)
{
    NullSoundServerStarter& s = starter();
    if (s.ok && !s.stopped && (g_serverPid <= 0 || serverGone(g_serverPid)))
        s.ok = s.start();   // ended after 10 s without a client
    if (why)
        *why = s.why;
    return s.ok ? &s.server : nullptr;
}

void NullSoundServer::stop()
{
    starter().stopped = true;
    if (g_serverPid <= 0)
        return;
    ::kill(pid_t(g_serverPid), SIGTERM);
    QElapsedTimer t;
    t.start();
    while (!serverGone(g_serverPid) && t.elapsed() < 10000)
        QThread::msleep(10);
    g_serverPid = 0;
}

int NullSoundServer::connectionsOf(qint64 pid) const
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("--server=") + address_, QStringLiteral("list"), QStringLiteral("clients")});
    if (!pactl.waitForFinished(10000) || pactl.exitStatus() != QProcess::NormalExit || pactl.exitCode() != 0)
        return -1;
    const QByteArray ours = "application.process.id = \"" + QByteArray::number(pid) + '"';
    return int(pactl.readAllStandardOutput().count(ours));
}

bool waitUntil(const std::function<bool()>& done, int timeout_ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeout_ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

void spinFor(int ms)
{
    QElapsedTimer t;
    t.start();
    waitUntil([&] { return t.elapsed() >= ms; }, ms + 1000);
}

RealSoundOutput::RealSoundOutput(platform::SoundService& fake, platform::AudioSoundService::Report report)
    : fake_(fake)
{
    server_ = NullSoundServer::get(&why_);
    if (!server_)
        return;
    service_ = std::make_unique<platform::AudioSoundService>(std::move(report));
    platform::setSoundService(service_.get());
}

RealSoundOutput::~RealSoundOutput()
{
    if (service_)
        platform::setSoundService(&fake_);
}

OutputRecorder::OutputRecorder(const NullSoundServer& server) : parec_(std::make_unique<QProcess>())
{
    parec_->setProgram(QStringLiteral("parec"));
    parec_->setArguments({QStringLiteral("--server=") + server.serverAddress(), QStringLiteral("--device=nj_null.monitor"),
                          QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                          QStringLiteral("--rate=%1").arg(kRate), QStringLiteral("--channels=1"),
                          QStringLiteral("--latency-msec=10")});
    QObject::connect(parec_.get(), &QProcess::readyReadStandardOutput, [this] { bytes_ += parec_->readAllStandardOutput(); });
    sinceStart_.start();
    parec_->start();
    if (!parec_->waitForStarted(5000))
        return;
    // The monitor sends silence while nothing plays: the first bytes say the
    // recording runs.
    running_ = waitUntil([this] { return bytes_.size() >= 2048; }, 5000);
}

OutputRecorder::~OutputRecorder()
{
    if (parec_->state() != QProcess::NotRunning) {
        parec_->kill();
        parec_->waitForFinished(2000);
    }
}

std::vector<std::int16_t> OutputRecorder::samples() const
{
    std::vector<std::int16_t> samples(std::size_t(bytes_.size() / 2));
    std::memcpy(samples.data(), bytes_.constData(), samples.size() * 2);
    return samples;
}

std::vector<TonePart> OutputRecorder::partsSoFar(double frequency_hz)
{
    QCoreApplication::processEvents();
    bytes_ += parec_->readAllStandardOutput();
    return toneParts(samples(), kRate, frequency_hz);
}

bool OutputRecorder::catchUp()
{
    // What the output played until now may still be on its way, the longer
    // the busier the machine. The null output plays in step with the clock,
    // silence included, and the recording began after the recorder started:
    // once it is as long as the time since then, it holds all of it.
    const qint64 needed = sinceStart_.elapsed() * kRate / 1000 * 2;
    return waitUntil(
        [&] {
            bytes_ += parec_->readAllStandardOutput();
            return bytes_.size() >= needed;
        },
        10000);
}

Heard OutputRecorder::stop()
{
    if (parec_->state() != QProcess::NotRunning)
        catchUp();
    parec_->kill();
    parec_->waitForFinished(2000);
    return analyse(samples(), kRate);
}

std::vector<TonePart> OutputRecorder::parts(double frequency_hz) const
{
    return toneParts(samples(), kRate, frequency_hz);
}

std::string OutputRecorder::describe(std::initializer_list<double> frequencies_hz) const
{
    QString out = QStringLiteral("%1 ms recorded").arg(bytes_.size() / 2 * 1000 / kRate);
    for (const double f : frequencies_hz) {
        out += QStringLiteral("; %1 Hz heard").arg(f);
        const std::vector<TonePart> found = parts(f);
        if (found.empty())
            out += QStringLiteral(" nowhere");
        for (const TonePart& p : found)
            out += QStringLiteral(" from %1 to %2 ms").arg(qRound(p.start_ms)).arg(qRound(p.end_ms));
    }
    const Heard h = analyse(samples(), kRate);
    if (h.any)
        out += QStringLiteral("; loud from %1 ms for %2 ms").arg(qRound(h.start_ms)).arg(qRound(h.length_ms));
    return out.toStdString();
}

std::vector<TonePart> toneParts(const std::vector<std::int16_t>& samples, int rate_hz, double frequency_hz)
{
    // The tone's amplitude in windows of 10 ms, 5 ms apart (Goertzel). A
    // window is in the tone where its amplitude is half the tone's highest
    // or more: where the tone fills half of it, so its middle is within 5 ms
    // of the tone's start or end. Another tone 400 Hz or more away shows
    // at a fourteenth of its own amplitude.
    const std::size_t n = std::size_t(rate_hz / 100);
    const std::size_t hop = n / 2;
    const double coeff = 2 * std::cos(2 * M_PI * frequency_hz / rate_hz);
    std::vector<double> amplitude;
    for (std::size_t from = 0; from + n <= samples.size(); from += hop) {
        double s1 = 0, s2 = 0;
        for (std::size_t i = from; i < from + n; ++i) {
            const double s0 = samples[i] + coeff * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        amplitude.push_back(2 * std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - coeff * s1 * s2)) / double(n));
    }
    constexpr double kQuietest = 2000;   // a tone at half the full scale is 16384
    const double highest = amplitude.empty() ? 0 : *std::max_element(amplitude.begin(), amplitude.end());
    std::vector<TonePart> found;
    if (highest < kQuietest)
        return found;
    const auto middle_ms = [&](std::size_t w) { return (double(w * hop) + double(n) / 2) * 1000.0 / rate_hz; };
    bool inTone = false;
    for (std::size_t w = 0; w < amplitude.size(); ++w) {
        const bool sounds = amplitude[w] >= highest / 2;
        if (sounds && inTone)
            found.back().end_ms = middle_ms(w);
        else if (sounds)
            found.push_back({middle_ms(w), middle_ms(w)});
        inTone = sounds;
    }
    return found;
}

Heard analyse(const std::vector<std::int16_t>& samples, int rate_hz)
{
    constexpr int kLoud = 1500;
    Heard h;
    std::size_t first = samples.size(), last = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(int(samples[i])) > kLoud) {
            first = std::min(first, i);
            last = i;
        }
    }
    if (first >= samples.size())
        return h;
    h.any = true;
    h.start_ms = double(first) * 1000.0 / rate_hz;
    h.length_ms = double(last - first) * 1000.0 / rate_hz;
    int rising = 0;
    for (std::size_t i = first + 1; i <= last; ++i)
        if (samples[i - 1] < 0 && samples[i] >= 0)
            ++rising;
    if (h.length_ms > 0)
        h.frequency_hz = rising * 1000.0 / h.length_ms;
    return h;
}

QByteArray toneWav(double frequency_hz, int length_ms, int rate_hz)
{
    const int frames = int(std::int64_t(rate_hz) * length_ms / 1000);
    QByteArray pcm(frames * 2, Qt::Uninitialized);
    for (int i = 0; i < frames; ++i) {
        const auto s = std::int16_t(std::lround(16384.0 * std::sin(2 * M_PI * frequency_hz * i / rate_hz)));
        pcm[2 * i] = char(s & 0xFF);
        pcm[2 * i + 1] = char((s >> 8) & 0xFF);
    }
    auto u32 = [](std::uint32_t v) {
        QByteArray b(4, 0);
        for (int i = 0; i < 4; ++i)
            b[i] = char((v >> (8 * i)) & 0xFF);
        return b;
    };
    auto u16 = [](std::uint16_t v) { return QByteArray(1, char(v & 0xFF)) + QByteArray(1, char(v >> 8)); };
    QByteArray out = "RIFF" + u32(std::uint32_t(36 + pcm.size())) + "WAVE";
    out += "fmt " + u32(16) + u16(1) + u16(1) + u32(std::uint32_t(rate_hz)) + u32(std::uint32_t(rate_hz * 2)) + u16(2)
           + u16(16);
    out += "data" + u32(std::uint32_t(pcm.size())) + pcm;
    return out;
}

} // namespace testsupport
