#pragma once
// A real sound server for the tests of the program's sound service: a
// PulseAudio server private to the test process (own runtime folder and
// socket, no session bus, root or not) with one null output, made the
// default server of the process before the audio layer first looks for one.
// What the output plays is recorded from its monitor with parec.

#include "platform/audio_sound_service.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

class NullSoundServer {
public:
    // The server of this process, started on first use and ended with the
    // process; nullptr (with the reason in why) when it cannot start.
    static NullSoundServer* get(QString* why = nullptr);

    QString serverAddress() const { return address_; }
    // How many connections of the process pid the server has now (-1 when
    // the server cannot be asked).
    int connectionsOf(qint64 pid) const;
    // Ends the server as a desktop session's server ends, and returns once
    // it has gone; the process has no server from then on.
    void stop();

private:
    QString address_;
    friend struct NullSoundServerStarter;
};

// The program's own sound service, playing on the null sound server, in
// place of a test's recording fake; the fake is put back, before the
// service ends, when this ends. When no server can start, server() is
// nullptr, why() says why and nothing is replaced: the test skips.
class RealSoundOutput {
public:
    RealSoundOutput(platform::SoundService& fake, platform::AudioSoundService::Report report);
    ~RealSoundOutput();
    RealSoundOutput(const RealSoundOutput&) = delete;
    RealSoundOutput& operator=(const RealSoundOutput&) = delete;

    NullSoundServer* server() const { return server_; }
    const QString& why() const { return why_; }
    platform::AudioSoundService& service() { return *service_; }

private:
    platform::SoundService& fake_;
    NullSoundServer* server_ = nullptr;
    QString why_;
    std::unique_ptr<platform::AudioSoundService> service_;
};

// What the null output played while it was recorded.
struct Heard {
    bool any = false;
    double start_ms = 0;       // from the start of the recording
    double length_ms = 0;      // first to last loud sample
    double frequency_hz = 0;   // from the rising zero crossings in between
};

// A stretch of the recording where a tone of one frequency sounds, in ms
// from the start of the recording (to within 5 ms).
struct TonePart {
    double start_ms = 0;
    double end_ms = 0;
    double length_ms() const { return end_ms - start_ms; }
};

class OutputRecorder {
public:
    // Starts recording and returns once the recording runs.
    explicit OutputRecorder(const NullSoundServer& server);
    ~OutputRecorder();
    bool running() const { return running_; }
    // The parts of what was recorded so far where a tone of frequency_hz
    // sounds (alone or with others), the event loop run once first.
    std::vector<TonePart> partsSoFar(double frequency_hz);
    // Returns once the recording holds everything the output played until
    // this call (false: not within 10 s).
    bool catchUp();
    // How long the recording is so far.
    double recorded_ms() const { return double(bytes_.size() / 2) * 1000.0 / kRate; }
    // Stops, once the recording holds everything the output played until
    // this call, and analyses what was recorded (mono, 44100 Hz).
    Heard stop();
    // The parts where a tone of frequency_hz sounds in what was recorded
    // (after catchUp or stop), and for a failure's message what was heard
    // (the tones of the frequencies given, where, and how long the
    // recording is).
    std::vector<TonePart> parts(double frequency_hz) const;
    std::string describe(std::initializer_list<double> frequencies_hz) const;
    static constexpr int kRate = 44100;

private:
    std::vector<std::int16_t> samples() const;
    std::unique_ptr<QProcess> parec_;
    QElapsedTimer sinceStart_;
    QByteArray bytes_;
    bool running_ = false;
};

Heard analyse(const std::vector<std::int16_t>& samples, int rate_hz);
// Where a tone of that frequency sounds in the samples.
std::vector<TonePart> toneParts(const std::vector<std::int16_t>& samples, int rate_hz, double frequency_hz);

// A 16-bit mono WAV file of a sine tone at half the full scale.
QByteArray toneWav(double frequency_hz, int length_ms, int rate_hz = 22050);

// Runs the event loop until done() or timeout_ms.
bool waitUntil(const std::function<bool()>& done, int timeout_ms);
// Runs the event loop for ms.
void spinFor(int ms);

} // namespace testsupport
