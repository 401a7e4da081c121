// The program's sound service on a real sound server (a private PulseAudio
// with a null output): what it plays reaches the output with the file's
// tone and length, a new sound replaces the one playing, and a file it
// cannot play is told once and skipped. WAV decoding is checked on bytes.

#include "platform/audio_sound_service.h"
#include "platform/wav_file.h"
#include "support/null_sound_server.h"

#include <QElapsedTimer>
#include <QCoreApplication>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

using namespace platform;
using testsupport::Heard;
using testsupport::NullSoundServer;
using testsupport::OutputRecorder;

namespace {

QByteArray le16(int v) { return QByteArray(1, char(v & 0xFF)) + QByteArray(1, char((v >> 8) & 0xFF)); }
QByteArray le32(std::uint32_t v) { return le16(int(v & 0xFFFF)) + le16(int(v >> 16)); }

QByteArray wav(int tag, int channels, int rate, int bits, const QByteArray& data, const QByteArray& extra = {},
               std::uint32_t dataSize = 0xFFFFFFFF)
{
    const int align = channels * bits / 8;
    QByteArray fmt = le16(tag) + le16(channels) + le32(std::uint32_t(rate)) + le32(std::uint32_t(rate * align))
                     + le16(align) + le16(bits) + extra;
    QByteArray body = "WAVE";
    body += "fmt " + le32(std::uint32_t(fmt.size())) + fmt;
    body += "LIST" + le32(3) + "abc" + QByteArray(1, 0);   // an odd chunk, padded
    body += "data" + le32(dataSize == 0xFFFFFFFF ? std::uint32_t(data.size()) : dataSize) + data;
    return "RIFF" + le32(std::uint32_t(body.size())) + body;
}

// The one test named, run again in a process of its own with `marker` set
// and the environment changed by `change`: it passes (or skips: then the
// result is true) and the process ends normally with status 0.
bool expectPassesInItsOwnProcess(const QString& test, const QString& marker,
                                 const std::function<void(QProcessEnvironment&)>& change)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(marker, QStringLiteral("1"));
    change(env);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + test});
    const bool finished = child.waitForFinished(60000);
    const QString out = QString::fromLocal8Bit(child.readAll());
    EXPECT_TRUE(finished) << out.toStdString();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << out.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    // (The words of a skipped test are kept out of this test's own output:
    // the test runner would take a failure for a skip.)
    const bool passed = out.contains(QStringLiteral("[  PASSED  ] 1 test"));
    const bool skipped = out.contains(QStringLiteral("[  SKIPPED ] 1 test"));
    EXPECT_TRUE(passed || skipped) << out.toStdString();
    return skipped;
}

QString writeTone(const QTemporaryDir& dir, int length_ms)
{
    const QString path = dir.filePath(QStringLiteral("la.wav"));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(testsupport::toneWav(440, length_ms));
    return path;
}

class SoundOutput : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString why;
        server_ = NullSoundServer::get(&why);
        if (!server_)
            GTEST_SKIP() << "no sound server for this test: " << why.toStdString();
        ASSERT_TRUE(dir_.isValid());
    }
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir_.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    NullSoundServer* server_ = nullptr;
    QTemporaryDir dir_;
    QStringList told_;
};

} // namespace

TEST(WavFile, DecodesTheKindsTheSystemPlaysAndRefusesTheRestWithAReason)
{
    WavSound s;
    QString reason;
    // 16-bit stereo: two frames.
    ASSERT_TRUE(decodeWav(wav(1, 2, 44100, 16, QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08", 8)), s, reason))
        << reason.toStdString();
    EXPECT_EQ(s.sample, WavSound::Sample::Int16);
    EXPECT_EQ(s.channels, 2);
    EXPECT_EQ(s.rate_hz, 44100);
    EXPECT_EQ(s.frames(), 2);
    // 24 bits are widened to 32, the low byte zero.
    ASSERT_TRUE(decodeWav(wav(1, 1, 8000, 24, QByteArray("\x11\x22\x33\x44\x55\x66", 6)), s, reason));
    EXPECT_EQ(s.sample, WavSound::Sample::Int32);
    EXPECT_EQ(s.pcm, QByteArray("\x00\x11\x22\x33\x00\x44\x55\x66", 8));
    // The extensible header with a float sub-format; 8-bit samples.
    QByteArray ext = le16(22) + le16(32) + le32(3) + le16(3) + QByteArray(14, 0);
    ASSERT_TRUE(decodeWav(wav(0xFFFE, 1, 48000, 32, QByteArray(8, 0), ext), s, reason)) << reason.toStdString();
    EXPECT_EQ(s.sample, WavSound::Sample::Float);
    ASSERT_TRUE(decodeWav(wav(1, 1, 11025, 8, QByteArray(11025, char(0x80))), s, reason));
    EXPECT_EQ(s.duration_ms(), 1000);
    // A recording cut short plays its whole frames.
    ASSERT_TRUE(decodeWav(wav(1, 1, 8000, 16, QByteArray(5, 1), {}, 1000), s, reason));
    EXPECT_EQ(s.frames(), 2);

    const QByteArray refused[] = {
        QByteArray("RIFF\x04\x00\x00\x00" "AVI ", 12),
        QByteArray("ID3\x03 an mp3 file"),
        wav(2, 1, 8000, 4, QByteArray(100, 0)),    // ADPCM
        wav(1, 1, 8000, 12, QByteArray(100, 0)),   // 12 bits
        wav(1, 0, 8000, 16, QByteArray(100, 0)),   // no channel
        wav(1, 1, 8000, 16, QByteArray()),         // no sound
        wav(1, 1, 8000, 16, QByteArray(100, 0)).left(30),
    };
    for (const QByteArray& bytes : refused) {
        reason.clear();
        EXPECT_FALSE(decodeWav(bytes, s, reason)) << bytes.toHex().toStdString();
        EXPECT_FALSE(reason.isEmpty());
    }
    EXPECT_FALSE(readWavFile(QStringLiteral("/nonexistent/ding.wav"), s, reason));
}

TEST_F(SoundOutput, AFileReachesTheOutputWithItsToneAndLengthWithoutTheCallerWaiting)
{
    AudioSoundService service([this](const QString& t) { told_ << t; });
    const QString tone = writeFile(QStringLiteral("la.wav"), testsupport::toneWav(440, 600));
    OutputRecorder rec(*server_);
    ASSERT_TRUE(rec.running());

    service.playFile(tone);
    EXPECT_TRUE(service.playing());   // returns long before the sound ends
    EXPECT_TRUE(service.filePlaying(tone));
    EXPECT_FALSE(service.filePlaying(dir_.filePath(QStringLiteral("other.wav"))));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !service.playing(); }, 5000));
    const Heard heard = rec.stop();

    EXPECT_TRUE(told_.isEmpty()) << told_.join('\n').toStdString();
    ASSERT_TRUE(heard.any);
    EXPECT_NEAR(heard.length_ms, 600, 40);
    EXPECT_NEAR(heard.frequency_hz, 440, 15);
    EXPECT_FALSE(service.filePlaying(tone));
}

TEST_F(SoundOutput, ASoundStartedWhileAnotherPlaysReplacesIt)
{
    AudioSoundService service([this](const QString& t) { told_ << t; });
    // A first tone far longer than a busy machine takes to ask for the second.
    const QString longTone = writeFile(QStringLiteral("long.wav"), testsupport::toneWav(440, 10000));
    const QString shortTone = writeFile(QStringLiteral("short.wav"), testsupport::toneWav(880, 300));
    OutputRecorder rec(*server_);
    ASSERT_TRUE(rec.running());

    service.playFile(longTone);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !rec.partsSoFar(440).empty(); }, 10000)) << "the first tone is heard";
    service.playFile(shortTone);
    EXPECT_FALSE(service.filePlaying(longTone));
    EXPECT_TRUE(service.filePlaying(shortTone));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !service.playing(); }, 10000));
    rec.stop();

    // The first tone until the second starts, never again, never with it;
    // then the second in full.
    const std::string saw = rec.describe({440, 880});
    const std::vector<testsupport::TonePart> first = rec.parts(440);
    const std::vector<testsupport::TonePart> second = rec.parts(880);
    ASSERT_FALSE(first.empty()) << saw;
    ASSERT_EQ(second.size(), 1u) << saw;
    EXPECT_NEAR(second[0].length_ms(), 300, 40) << saw;
    EXPECT_LE(first.back().end_ms, second[0].start_ms + 10) << saw;
    EXPECT_LT(first.back().end_ms - first.front().start_ms, 9000) << saw;
    EXPECT_TRUE(told_.isEmpty()) << told_.join('\n').toStdString();
}

TEST_F(SoundOutput, ThePromptsAreBuiltInAndPlayedByNameInEitherLanguage)
{
    AudioSoundService service([this](const QString& t) { told_ << t; });
    for (const QString& name : AudioSoundService::resourceNames()) {
        OutputRecorder rec(*server_);
        ASSERT_TRUE(rec.running());
        service.playResource(name.toLower());
        EXPECT_EQ(service.current(), QStringLiteral(":/sounds/%1.wav").arg(name));
        ASSERT_TRUE(testsupport::waitUntil([&] { return !service.playing(); }, 5000));
        WavSound own;
        QString reason;
        ASSERT_TRUE(readWavFile(QStringLiteral(":/sounds/%1.wav").arg(name), own, reason));
        const Heard heard = rec.stop();
        ASSERT_TRUE(heard.any) << name.toStdString();
        EXPECT_GT(heard.length_ms, 80) << name.toStdString();
        EXPECT_LE(heard.length_ms, own.duration_ms() + 30) << name.toStdString();
    }
    // Asked for again while it plays (frame after frame), a prompt goes on;
    // another prompt replaces it.
    {
        WavSound oui;
        QString reason;
        ASSERT_TRUE(readWavFile(QStringLiteral(":/sounds/OUI.wav"), oui, reason));
        OutputRecorder rec(*server_);
        service.playResource(QStringLiteral("OUI"));
        int askedWhilePlaying = 0;
        for (int i = 0; i < 8 && service.playing(); ++i) {
            service.playResource(QStringLiteral("OUI"));
            ++askedWhilePlaying;
            testsupport::spinFor(40);
        }
        EXPECT_GT(askedWhilePlaying, 0);
        ASSERT_TRUE(testsupport::waitUntil([&] { return !service.playing(); }, 5000));
        const Heard heard = rec.stop();
        EXPECT_LE(heard.length_ms, oui.duration_ms() + 30) << "started again while it played";
        service.playResource(QStringLiteral("OUI"));
        service.playResource(QStringLiteral("NON"));
        EXPECT_EQ(service.current(), QStringLiteral(":/sounds/NON.wav"));
        service.stop();
    }
    // A name that is no prompt plays nothing, and says nothing.
    service.playResource(QStringLiteral("MAYBE"));
    EXPECT_FALSE(service.playing());
    EXPECT_TRUE(told_.isEmpty()) << told_.join('\n').toStdString();
}

TEST_F(SoundOutput, AFileThatCannotBePlayedIsToldOnceAndSkipped)
{
    AudioSoundService service([this](const QString& t) { told_ << t; });
    const QString missing = dir_.filePath(QStringLiteral("absent.wav"));
    const QString corrupt = writeFile(QStringLiteral("corrupt.wav"), QByteArray("RIFF\x10\x00\x00\x00WAVEfmt \x40", 17));
    const QString notWav = writeFile(QStringLiteral("song.wav"), QByteArray("ID3\x04\x00 not a wave file at all"));
    // Longer than a busy machine takes for the calls below.
    const QString tone = writeFile(QStringLiteral("la.wav"), testsupport::toneWav(440, 10000));

    OutputRecorder rec(*server_);
    ASSERT_TRUE(rec.running());
    service.playFile(tone);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !rec.partsSoFar(440).empty(); }, 10000)) << "the tone is heard";
    for (int i = 0; i < 3; ++i) {
        for (const QString& bad : {missing, corrupt, notWav}) {
            service.playFile(bad);
            EXPECT_FALSE(service.filePlaying(bad));
            // The sound playing before goes on: a file that cannot be
            // played stops nothing.
            EXPECT_TRUE(service.filePlaying(tone));
        }
    }
    ASSERT_EQ(told_.size(), 3) << told_.join('\n').toStdString();
    EXPECT_TRUE(told_[0].contains(QStringLiteral("absent.wav")));
    EXPECT_TRUE(told_[1].contains(QStringLiteral("corrupt.wav")));
    EXPECT_TRUE(told_[2].contains(QStringLiteral("song.wav")));
    // The calls returned while it played, without waiting on the device or
    // for the sound: it is still heard after them, whole from its start.
    ASSERT_TRUE(rec.catchUp());
    const std::vector<testsupport::TonePart> heard = rec.parts(440);
    ASSERT_EQ(heard.size(), 1u) << rec.describe({440});
    EXPECT_GT(heard[0].end_ms, rec.recorded_ms() - 20) << "the tone ended: " << rec.describe({440});
    EXPECT_TRUE(service.filePlaying(tone));
    service.stop();
    rec.stop();
    EXPECT_EQ(rec.parts(440).size(), 1u) << rec.describe({440});
}

// The connection to the audio server and its thread are the service's own:
// they come with the first sound and go with the service while the process
// goes on, whether it ends after a sound played to its end or in the middle
// of one. Nothing of the audio output is left for the process's exit to tear
// down (the audio thread then races the exit and aborts it).
TEST_F(SoundOutput, TheConnectionToTheServerComesWithTheFirstSoundAndEndsWithTheService)
{
    const qint64 me = QCoreApplication::applicationPid();
    const QString tone = writeFile(QStringLiteral("la.wav"), testsupport::toneWav(440, 10000));
    const QString blip = writeFile(QStringLiteral("blip.wav"), testsupport::toneWav(880, 100));
    auto connections = [&] { return server_->connectionsOf(me); };
    auto letGo = [&] { return testsupport::waitUntil([&] { return connections() == 0; }, 20000); };
    ASSERT_TRUE(letGo()) << connections();
    {
        AudioSoundService service([this](const QString& t) { told_ << t; });
        EXPECT_EQ(connections(), 0) << "connected before any sound";
        service.playFile(blip);
        ASSERT_TRUE(testsupport::waitUntil([&] { return !service.playing(); }, 5000));
        EXPECT_EQ(connections(), 1);
        service.playFile(blip);
        ASSERT_TRUE(testsupport::waitUntil([&] { return !service.playing(); }, 5000));
        EXPECT_EQ(connections(), 1) << "one connection for every sound of the service";
    }
    EXPECT_TRUE(letGo()) << "after a sound played to its end: " << connections();
    {
        AudioSoundService service([this](const QString& t) { told_ << t; });
        OutputRecorder rec(*server_);
        service.playFile(tone);
        EXPECT_TRUE(testsupport::waitUntil([&] { return !rec.partsSoFar(440).empty(); }, 10000)) << "the tone is heard";
        EXPECT_TRUE(service.filePlaying(tone));
    }
    EXPECT_TRUE(letGo()) << "after a sound cut short: " << connections();
    EXPECT_TRUE(told_.isEmpty()) << told_.join('\n').toStdString();
}

// Run in a process of its own with a server of its own, ended in the middle
// of a sound as a desktop session's server ends: the sound cut short is told
// once, later sounds are skipped as with no output at all, and the process
// ends cleanly with the connection it had.
TEST(SoundServerGoingAway, TheSoundCutShortIsToldAndTheProcessEndsCleanly)
{
    if (qEnvironmentVariableIsEmpty("NJ_SOUND_SERVER_GOES_AWAY")) {
        if (expectPassesInItsOwnProcess(
                QStringLiteral("SoundServerGoingAway.TheSoundCutShortIsToldAndTheProcessEndsCleanly"),
                QStringLiteral("NJ_SOUND_SERVER_GOES_AWAY"),
                [](QProcessEnvironment& env) { env.remove(QStringLiteral("PULSE_SERVER")); }))
            GTEST_SKIP() << "no sound server for this test";
        return;
    }
    QString why;
    NullSoundServer* server = NullSoundServer::get(&why);
    if (!server)
        GTEST_SKIP() << "no sound server for this test: " << why.toStdString();
    QTemporaryDir dir;
    // (Far longer than the wait below: the sound ends when it stops being
    // played, not by itself.)
    const QString tone = writeTone(dir, 20000);
    QStringList told;
    AudioSoundService service([&](const QString& t) { told << t; });
    {
        OutputRecorder rec(*server);
        service.playFile(tone);
        ASSERT_TRUE(testsupport::waitUntil([&] { return !rec.partsSoFar(440).empty(); }, 10000)) << "the tone is heard";
    }
    ASSERT_TRUE(service.filePlaying(tone));
    server->stop();
    EXPECT_TRUE(testsupport::waitUntil([&] { return !service.playing(); }, 10000)) << "the sound goes on without a server";
    ASSERT_EQ(told.size(), 1) << told.join('\n').toStdString();
    EXPECT_TRUE(told[0].startsWith(QStringLiteral("La sortie audio "))) << told[0].toStdString();
    EXPECT_TRUE(told[0].endsWith(QStringLiteral(" ne peut pas jouer de son"))) << told[0].toStdString();
    for (int i = 0; i < 3; ++i) {
        service.playResource(QStringLiteral("TOP"));
        EXPECT_FALSE(service.playing());
    }
    EXPECT_EQ(told.size(), 2);
    EXPECT_TRUE(told.contains(QStringLiteral("Aucune sortie audio : les sons ne sont pas joués"))) << told.join('\n').toStdString();
}

// Run in a process of its own whose audio layer finds no server: the
// sounds are skipped, nothing waits, and the missing output is told once.
TEST(SoundWithoutOutput, TheProgramGoesOnSilentlyAndSaysSoOnce)
{
    if (qEnvironmentVariableIsEmpty("NJ_SOUND_WITHOUT_OUTPUT")) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString socket = dir.filePath(QStringLiteral("none"));
        EXPECT_FALSE(expectPassesInItsOwnProcess(QStringLiteral("SoundWithoutOutput.TheProgramGoesOnSilentlyAndSaysSoOnce"),
                                    QStringLiteral("NJ_SOUND_WITHOUT_OUTPUT"), [&](QProcessEnvironment& env) {
                                        env.insert(QStringLiteral("NJ_SOUND_WITHOUT_OUTPUT"), socket);
                                        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + socket);
                                    }));
        return;
    }
    QTemporaryDir dir;
    const QString tone = writeTone(dir, 500);
    QStringList told;
    AudioSoundService service([&](const QString& t) { told << t; });
    // Were the first sound to wait for a server, it would wait 40 s.
    constexpr int kWait_ms = 40000;
    service.setConnectWait_ms(kWait_ms);
    QElapsedTimer t;
    t.start();
    service.playFile(tone);
    EXPECT_FALSE(service.playing());
    EXPECT_LT(t.elapsed(), kWait_ms / 2) << "the first sound waited for the missing server";
    // A server that comes up now is not asked by the sounds that follow.
    QLocalServer late;
    ASSERT_TRUE(late.listen(qEnvironmentVariable("NJ_SOUND_WITHOUT_OUTPUT"))) << late.errorString().toStdString();
    for (int i = 0; i < 3; ++i) {
        service.playFile(tone);
        service.playResource(QStringLiteral("TOP"));
        EXPECT_FALSE(service.playing());
        EXPECT_FALSE(service.filePlaying(tone));
    }
    EXPECT_FALSE(late.waitForNewConnection(0)) << "a later sound asked for a server again";
    EXPECT_EQ(told, QStringList{QStringLiteral("Aucune sortie audio : les sons ne sont pas joués")});
}

// Run in a process of its own whose sound server takes the connection and
// never answers (a hung desktop server): the first sound gives up after its
// wait and is told; the sounds asked for after it, as a prompt is at every
// frame, skip the server rather than each wait for it again.
TEST(SoundServerNotAnswering, OneWaitThenTheSoundsAreSkippedWithoutAskingAgain)
{
    if (qEnvironmentVariableIsEmpty("NJ_SOUND_SERVER_MUTE")) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString socket = dir.filePath(QStringLiteral("mute"));
        EXPECT_FALSE(expectPassesInItsOwnProcess(
            QStringLiteral("SoundServerNotAnswering.OneWaitThenTheSoundsAreSkippedWithoutAskingAgain"),
            QStringLiteral("NJ_SOUND_SERVER_MUTE"), [&](QProcessEnvironment& env) {
                env.insert(QStringLiteral("NJ_SOUND_SERVER_MUTE"), socket);
                env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + socket);
            }));
        return;
    }
    QLocalServer mute;
    ASSERT_TRUE(mute.listen(qEnvironmentVariable("NJ_SOUND_SERVER_MUTE"))) << mute.errorString().toStdString();
    QList<QLocalSocket*> taken;   // held open, never answered
    const auto take = [&] {
        QCoreApplication::processEvents();
        while (QLocalSocket* c = mute.nextPendingConnection())
            taken << c;
    };
    QTemporaryDir dir;
    const QString tone = writeTone(dir, 500);
    QStringList told;
    AudioSoundService service([&](const QString& t) { told << t; });
    service.playFile(tone);
    EXPECT_TRUE(testsupport::waitUntil([&] { take(); return !taken.isEmpty(); }, 10000));
    EXPECT_EQ(taken.size(), 1) << "the first sound asked the server";
    EXPECT_FALSE(service.playing());
    for (int i = 0; i < 5; ++i) {
        service.playResource(QStringLiteral("TOP"));
        service.playFile(tone);
        EXPECT_FALSE(service.playing());
    }
    take();
    EXPECT_FALSE(mute.waitForNewConnection(0));
    EXPECT_EQ(taken.size(), 1) << "no sound after it asked again";
    EXPECT_EQ(told, QStringList{QStringLiteral("Aucune sortie audio : les sons ne sont pas joués")});
}
