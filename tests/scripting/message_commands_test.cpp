#include "script_fixture.h"

#include "app/desktop.h"
#include "app/frm_pref.h"
#include "app/frm_message.h"
#include "app/systeme.h"
#include "platform/audio_sound_service.h"
#include "platform/com_io.h"
#include "platform/port_access_linux.h"
#include "platform/port_access.h"
#include "platform/port_access_sim.h"
#include "platform/pseudo_terminal.h"
#include "support/null_sound_server.h"
#include "scripting/frm_script.h"
#include "telescope/frm_com_trafic.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <tuple>

class MessageCommands : public ScriptFixture {
protected:
    // The port registers are simulated and open.
    void SetUp() override
    {
        ScriptFixture::SetUp();
        platform::setPortAccess(&ports);
        ASSERT_TRUE(Systeme::OpenPortDriver());
    }
    void TearDown() override
    {
        Systeme::ClosePortDriver();
        platform::setPortAccess(nullptr);
        platform::com_io::SetModemLineObserver({});
        platform::com_io::close_all();
        platform::com_io::ClearDevicePaths();
        ScriptFixture::TearDown();
    }
    QStringList errorOf(const QString& line)
    {
        boxes.clear();
        runScript(line);
        return boxes.texts();
    }
    // The delay the first statement of text gave the second.
    int delayAfter(const QString& statement)
    {
        const std::vector<int> intervals = runScript(statement + QStringLiteral("\ntest.log(next)"));
        return intervals.size() >= 2 ? intervals[1] : -1;
    }
    QString messageWindow() const { return FRM_Message->MEMO_Message->toPlainText(); }

    testsupport::RecordingSoundService sounds;
    platform::SimulatedPortAccess ports;
};

TEST_F(MessageCommands, BeepsAndSoundsGoToTheSoundService)
{
    runScript(QStringLiteral("beep(beep)\nbeep(asterisk)\nbeep(exclamation)\nbeep(hand)\nbeep(question)\nbeep(ok)"));
    EXPECT_EQ(sounds.beeps, (std::vector<int>{-1, 64, 48, 16, 32, 0}));
    EXPECT_EQ(errorOf(QStringLiteral("beep(Beep)")), QStringList{QStringLiteral("Line 1 : Unknown parameter : Beep")});

    QByteArray wave("RIFF\x24\x00\x00\x00WAVEfmt ", 16);
    dir.writeFile(QStringLiteral("ding.wav"), wave);
    dir.writeFile(QStringLiteral("notes.txt"), "not a sound");
    const QString ding = dir.filePath(QStringLiteral("ding.wav"));
    boxes.clear();
    runScript(QStringLiteral("playsound(\"%1\")").arg(ding));
    EXPECT_EQ(sounds.playedFiles, QStringList{ding});
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();

    const QString missing = dir.filePath(QStringLiteral("absent.wav"));
    EXPECT_EQ(errorOf(QStringLiteral("playsound(\"%1\")").arg(missing)),
              QStringList{QStringLiteral("Line 1 : File not found : ") + missing});
    EXPECT_EQ(errorOf(QStringLiteral("playsound(\"%1\")").arg(dir.path())),
              QStringList{QStringLiteral("Line 1 : File not found : ") + dir.path()});
    const QStringList notWave = errorOf(QStringLiteral("playsound(\"%1\")").arg(dir.filePath(QStringLiteral("notes.txt"))));
    ASSERT_EQ(notWave.size(), 1);
    EXPECT_TRUE(notWave.front().endsWith(QStringLiteral("notes.txt")));
    EXPECT_EQ(sounds.playedFiles.size(), 1);
}

TEST_F(MessageCommands, PlaysoundIsHeardOnTheSoundOutputWhileTheScriptGoesOn)
{
    testsupport::RealSoundOutput output(sounds, [](const QString& t) { ADD_FAILURE() << t.toStdString(); });
    if (!output.server())
        GTEST_SKIP() << "no sound server for this test: " << output.why().toStdString();
    platform::AudioSoundService& service = output.service();
    dir.writeFile(QStringLiteral("do.wav"), testsupport::toneWav(523, 400));
    const QString path = dir.filePath(QStringLiteral("do.wav"));

    testsupport::OutputRecorder rec(*output.server());
    ASSERT_TRUE(rec.running());
    EXPECT_EQ(delayAfter(QStringLiteral("playsound(\"%1\")").arg(path)), 50) << "the script does not wait for the sound";
    EXPECT_TRUE(service.filePlaying(path));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !service.playing(); }, 5000));
    const testsupport::Heard heard = rec.stop();
    ASSERT_TRUE(heard.any);
    EXPECT_NEAR(heard.length_ms, 400, 40);
    EXPECT_NEAR(heard.frequency_hz, 523, 15);
}

TEST_F(MessageCommands, WaitDelaysTheNextStatementAndLeavesTheLevelRunning)
{
    EXPECT_EQ(delayAfter(QStringLiteral("wait(1000)")), 1000);
    const std::vector<int> viaVariable = runScript(QStringLiteral("var(x,integer)\nx:=200\nwait(x)\ntest.log(next)"));
    ASSERT_GE(viaVariable.size(), 4u);
    EXPECT_EQ(viaVariable[3], 200);
    EXPECT_EQ(delayAfter(QStringLiteral("wait(1.5)")), 50);
    EXPECT_EQ(delayAfter(QStringLiteral("wait(\"soon\")")), 50);
    EXPECT_EQ(delayAfter(QStringLiteral("wait(0)")), 1);
    EXPECT_EQ(delayAfter(QStringLiteral("wait(-20)")), 1);
    EXPECT_TRUE(boxes.shown.empty());

    // A called script that waited hands back to its caller.
    FRM_Pref->EDT_Repertoire_Scripts->setText(dir.path() + QStringLiteral("/"));
    dir.writeFile(QStringLiteral("pause.script"), "wait(30)\r\n");
    scripttest::logged.clear();
    runScript(QStringLiteral("callfar(\"pause.script\")\ntest.log(back)"));
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("back")});
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
}

TEST_F(MessageCommands, AnUndeclaredOperandIsReportedOnceOnly)
{
    for (const char* line : {"wait(later)", "message.show(later)", "messagebox.show(later)", "messagebox.showwait(later)"}) {
        EXPECT_EQ(errorOf(QString::fromLatin1(line) + QStringLiteral("\ntest.log(never)")),
                  QStringList{QStringLiteral("Line 1 : later : not declared")})
            << line;
        EXPECT_FALSE(Scripts::ScriptRunning) << line;
    }
    EXPECT_TRUE(scripttest::logged.isEmpty());
}

TEST_F(MessageCommands, MessagesShowInABoxOrTheMessageWindow)
{
    runScript(QStringLiteral("var(n,integer)\nn:=7\nmessage.show(\"Mise au point ?\")\nmessage.show(n)\n"
                             "messagebox.clear\nmessagebox.show(\"Filtre rouge\")\nmessagebox.show(2.5)\ntest.log(on)"));
    ASSERT_EQ(boxes.texts(), (QStringList{QStringLiteral("Mise au point ?"), QStringLiteral("7")}));
    EXPECT_EQ(boxes.shown.front().kind, platform::MsgKind::Information);
    EXPECT_EQ(messageWindow(), QStringLiteral("Filtre rouge\n2.5"));
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("on")});
    runScript(QStringLiteral("messagebox.hide"));
    EXPECT_FALSE(FRM_Message->isVisible());
}

TEST_F(MessageCommands, ShowWaitHoldsTheScriptUntilPoursuivre)
{
    setText(QStringLiteral("messagebox.showwait(\"Vérifiez la mise au point\")\ntest.log(after)"));
    run();
    ticks();
    EXPECT_TRUE(Scripts::ScriptRunning);
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    EXPECT_FALSE(clockArmed());
    EXPECT_TRUE(messageWindow().contains(QStringLiteral("Vérifiez la mise au point")));
    EXPECT_TRUE(scripttest::logged.isEmpty());

    FRM_Message->BTN_Poursuivre->click();
    ticks();
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("after")});
    EXPECT_TRUE(boxes.shown.empty());

    // Stopped while it waits: "Poursuivre" goes with the wait, and neither
    // the button nor Return in the window resumes the next script's own
    // wait (here a sequence's) before its action ends.
    scripttest::logged.clear();
    run();
    ticks();
    ASSERT_TRUE(FRM_Message->BTN_Poursuivre->isVisibleTo(FRM_Message));
    FRM_Script->MNU_Arreter->trigger();
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_FALSE(FRM_Message->BTN_Poursuivre->isVisibleTo(FRM_Message));
    runScript(QStringLiteral("test.wait\ntest.log(sequence)"));
    ASSERT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    if (FRM_Message->BTN_Poursuivre->isVisibleTo(FRM_Message))
        QTest::mouseClick(FRM_Message->BTN_Poursuivre, Qt::LeftButton);
    QTest::keyClick(FRM_Message, Qt::Key_Return);
    ticks();
    EXPECT_TRUE(scripttest::logged.isEmpty());
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    EXPECT_TRUE(Scripts::ResumeIfWaiting(Scripts::WaitSequence));
    ticks();
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("sequence")});
}



TEST_F(MessageCommands, ParallelPinsSwitchTheirRegisterBits)
{
    runScript(QStringLiteral("setparallelport(\"378\",2,1)"));
    EXPECT_EQ(ports.peek(0x378), 0x01);
    ports.poke(0x37A, 0x0F);
    runScript(QStringLiteral("setparallelport(\"$378\",1,1)"));   // pin 1 is inverted
    EXPECT_EQ(ports.peek(0x37A), 0x0E);
    runScript(QStringLiteral("setparallelport($\"378\",16,1)"));
    EXPECT_EQ(ports.peek(0x37A), 0x0E | 0x04);
    runScript(QStringLiteral("setparallelport(\"378\",9,1)\nsetparallelport(\"378\",2,0)"));
    EXPECT_EQ(ports.peek(0x378), 0x80);
    const std::size_t before = ports.writes().size();
    runScript(QStringLiteral("setparallelport(\"378\",12,1)"));   // an input: written back unchanged
    ASSERT_EQ(ports.writes().size(), before + 1);
    EXPECT_EQ(ports.writes().back().address, 0x378);
    EXPECT_EQ(ports.writes().back().value, 0x80);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(FRM_ComTrafic->Memo_Historique_Comm->toPlainText().contains(QStringLiteral("0378 : 10000000")));
}

TEST_F(MessageCommands, BadParallelFieldsWriteNothing)
{
    const std::pair<const char*, const char*> cases[] = {
        {"setparallelport(\"zz\",2,1)", "\"zz\""},   {"setparallelport(\"1FFFF\",2,1)", "\"1FFFF\""},
        {"setparallelport(378,2,1)", "378"},          {"setparallelport($378,2,1)", "$378"},
        {"setparallelport(\"378\",0,1)", "0"},        {"setparallelport(\"378\",26,1)", "26"},
        {"setparallelport(\"378\",2,\"x\")", "\"x\""}, {"setparallelport(\"378\",2.5,1)", "2.5"},
    };
    for (const auto& [line, text] : cases)
        EXPECT_EQ(errorOf(QString::fromLatin1(line)), QStringList{QStringLiteral("Line 1 : ") + QString::fromLatin1(text)})
            << line;
    EXPECT_TRUE(ports.writes().empty());

    // The machine's parallel port, its device missing: the line is not
    // switched, and the statement says so instead of going on.
    dir.writeFile(QStringLiteral("ports.map"), QStringLiteral("0378=%1\n").arg(dir.filePath(QStringLiteral("parport0"))).toUtf8());
    platform::LinuxPortAccess machine([&] { return platform::loadPortMap(dir.path()); }, platform::systemPortDeviceIo());
    Systeme::ClosePortDriver();
    platform::setPortAccess(&machine);
    EXPECT_FALSE(Systeme::OpenPortDriver());
    EXPECT_EQ(errorOf(QStringLiteral("setparallelport(\"378\",2,1)\ntest.log(after)")),
              QStringList{QStringLiteral("Line 1 : setparallelport(\"378\",2,1) : the port cannot be written")});
    EXPECT_TRUE(scripttest::logged.isEmpty());
    platform::setPortAccess(&ports);
}

TEST_F(MessageCommands, SerialLinesSwitchOnTheScriptChannel)
{
    platform::PseudoTerminal com3;
    ASSERT_TRUE(com3.isOpen());
    platform::com_io::SetDevicePath(3, com3.slavePath());
    std::vector<std::tuple<int, platform::com_io::ModemLine, bool>> switched;
    platform::com_io::SetModemLineObserver(
        [&](std::uint8_t port, platform::com_io::ModemLine line, bool on) { switched.emplace_back(port, line, on); });

    // A channel that already holds the port is shared.
    ASSERT_TRUE(platform::com_io::open_com(2, QStringLiteral("COM3")));
    runScript(QStringLiteral("setserialport(\"com3\",rts,1)\nsetserialport(\"COM3\",DTR,0)"));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    using L = platform::com_io::ModemLine;
    EXPECT_EQ(switched, (std::vector<std::tuple<int, L, bool>>{{3, L::Rts, true}, {3, L::Dtr, false}}));
    EXPECT_TRUE(platform::com_io::channel(10).open);   // left open
    EXPECT_EQ(platform::com_io::channel(10).handle, platform::com_io::channel(2).handle);

    switched.clear();
    const std::pair<const char*, const char*> cases[] = {
        {"setserialport(\"LPT1\",rts,1)", "LPT1"}, {"setserialport(\"COM0\",rts,1)", "COM0"},
        {"setserialport(\"COM21\",rts,1)", "COM21"}, {"setserialport(\"COM3x\",rts,1)", "COM3x"},
        {"setserialport(\"COM3\",rts,2)", "2"},     {"setserialport(\"COM3\",cts,1)", "\"COM3\""},
        {"setserialport(\"COM4\",dtr,1)", "Cannot open port COM4"},
    };
    platform::com_io::SetDevicePath(4, dir.filePath(QStringLiteral("no-such-device")));
    for (const auto& [line, text] : cases)
        EXPECT_EQ(errorOf(QString::fromLatin1(line)), QStringList{QStringLiteral("Line 1 : ") + QString::fromLatin1(text)})
            << line;
    EXPECT_TRUE(switched.empty());
}

TEST_F(MessageCommands, ShellexecStartsProgramsWithoutAShell)
{
    // A program that writes its arguments and its working folder.
    dir.writeFile(QStringLiteral("tool/echoargs"),
                  "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"$a\"; done; } > \"$0.out\"\n");
    const QString program = dir.filePath(QStringLiteral("tool/echoargs"));
    QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner);
    runScript(QStringLiteral("shellexec(\"%1\",\"a;b $(touch gone) `id`\",\"%2\")\ntest.log(on)")
                  .arg(program, dir.path()));
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("on")});
    // The program runs on its own: its output is whole once its last
    // argument is written.
    const auto output = [&] {
        return QString::fromUtf8(dir.readFile(QStringLiteral("tool/echoargs.out"))).split(u'\n', Qt::SkipEmptyParts);
    };
    QElapsedTimer waited;
    waited.start();
    while (output().size() < 5 && waited.elapsed() < 30000)
        QThread::msleep(10);
    const QStringList lines = output();
    EXPECT_EQ(lines, (QStringList{dir.path(), QStringLiteral("a;b"), QStringLiteral("$(touch"), QStringLiteral("gone)"),
                                  QStringLiteral("`id`")}));
    EXPECT_FALSE(dir.exists(QStringLiteral("gone")));

    // Documents open with the desktop's application.
    QStringList opened;
    Desktop::SetDocumentOpener([&](const QString& path) {
        opened << path;
        return true;
    });
    dir.writeFile(QStringLiteral("notes.txt"), "x");
    runScript(QStringLiteral("shellexec(\"notes.txt\",\"\",\"%1\")").arg(dir.path()));
    EXPECT_EQ(opened, QStringList{dir.filePath(QStringLiteral("notes.txt"))});

    // Failures: one line in the message window, and the script goes on.
    scripttest::logged.clear();
    runScript(QStringLiteral("shellexec(\"%1\",\"\",\"\")\nshellexec(\"-rf\",\"\",\"\")\ntest.log(on)")
                  .arg(dir.filePath(QStringLiteral("absent"))));
    Desktop::SetDocumentOpener({});
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("on")});
    EXPECT_EQ(messageWindow().count(QStringLiteral("shellexec : cannot start")), 2);
    EXPECT_TRUE(opened.size() == 1);
    EXPECT_TRUE(boxes.shown.empty());
}
