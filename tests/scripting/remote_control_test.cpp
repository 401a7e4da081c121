// The remote-control server: statements sent by other programs run on the
// current level, one request at a time, and bad clients change nothing.

#include "script_fixture.h"

#include "app/desktop.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "capture/camera_slots.h"
#include "imaging/pipeline_state.h"
#include "kernels/image_files.h"
#include "platform/com_io.h"
#include "platform/remote_server.h"
#include "scripting/frm_dde_server.h"
#include "scripting/frm_script.h"
#include "scripting/command_fields.h"
#include "scripting/script_commands.h"
#include "support/alpaca_peer.h"
#include "support/scripted_mount.h"
#include "telescope/ascom_bridge.h"
#include "telescope/frm_object_action.h"
#include "telescope/prg_suivi.h"
#include "tools/frm_tool_images.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <utility>

using scripttest::logged;
using namespace platform::remote;

namespace {

// A client whose request is sent while test.modal runs.
QLocalSocket* g_lateClient = nullptr;
// What happens while test.modal's box waits; the box closes when it returns.
std::function<void()> g_insideModal;

const Scripts::CommandRegistrar remoteTestCommands{
    // Like a modal box: a nested event loop before the statement ends.
    {"test.modal", [](std::uint8_t, const QString&) {
         logged << QStringLiteral("box shown");
         if (g_lateClient)
             g_lateClient->write(ExecuteRequest(QStringLiteral("test.log(late)")));
         QEventLoop loop;
         if (g_insideModal) {
             QTimer::singleShot(0, &loop, [&loop] {
                 g_insideModal();
                 loop.quit();
             });
         } else {
             QTimer::singleShot(300, &loop, &QEventLoop::quit);
         }
         loop.exec();
         logged << QStringLiteral("box closed");
         Scripts::ScriptNext(10);
     }},
};

// Boxes that wait for their answer as boxes on screen do, in an event loop
// of their own: while the first waits, whileUp runs (what the user and other
// programs do meanwhile) and the box is answered when it returns. Every
// later box is recorded and answered at once. Stands in for restore,
// the service in force, for its lifetime.
class WaitingBoxes final : public platform::MessageService {
public:
    WaitingBoxes(platform::MessageService& restore, std::function<void()> whileUp)
        : restore_(restore), whileUp_(std::move(whileUp))
    {
        platform::setMessageService(this);
    }
    ~WaitingBoxes() override { platform::setMessageService(&restore_); }

    platform::MsgResult show(const platform::Message& message) override
    {
        texts << message.text;
        if (!whileUp_)
            return platform::MsgResult::Ok;
        const std::function<void()> whileUp = std::exchange(whileUp_, nullptr);
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [&] {
            whileUp();
            loop.quit();
        });
        loop.exec();
        ++answered;
        return platform::MsgResult::Ok;
    }

    QStringList texts;
    int answered = 0;

private:
    platform::MessageService& restore_;
    std::function<void()> whileUp_;
};

const QString kService = QStringLiteral("njtest");

class RemoteControl : public ScriptFixture {
protected:
    void SetUp() override
    {
        ScriptFixture::SetUp();
        FRM_DDEServer->StartServer(kService);
        ASSERT_TRUE(FRM_DDEServer->Server()->isListening());
    }

    std::unique_ptr<QLocalSocket> connectClient()
    {
        auto s = std::make_unique<QLocalSocket>();
        s->connectToServer(FRM_DDEServer->Server()->socketPath());
        EXPECT_TRUE(s->waitForConnected(2000));
        return s;
    }

    // The reply to bytes, or what came before the connection closed.
    Reply exchange(QLocalSocket& s, const QByteArray& bytes, QByteArray* raw = nullptr)
    {
        s.write(bytes);
        s.flush();
        return awaitReply(s, raw);
    }

    // The reply that comes on s, or what came before the connection closed.
    static Reply awaitReply(QLocalSocket& s, QByteArray* raw = nullptr)
    {
        QByteArray received;
        (void)QTest::qWaitFor([&] {
            received += s.readAll();
            return ParseReply(received).kind != Reply::Kind::Incomplete || s.state() == QLocalSocket::UnconnectedState;
        }, 20000);
        if (raw)
            *raw = received;
        return ParseReply(received);
    }

    QStringList textsAfterRun() const { return logged; }

    // The command-line client run with args against the test's server: its
    // exit status (-1 when it crashed), standard output and error.
    static int runClient(const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr)
    {
        QProcess p;
        p.start(QStringLiteral(NJ_DDE_CLIENT), QStringList{QStringLiteral("--service"), kService} + args);
        (void)QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 10000);
        if (out)
            *out = p.readAllStandardOutput();
        if (err)
            *err = p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
};

TEST_F(RemoteControl, MacroLinesRunLoweredInOrderAndTheReplyFollowsTheLast)
{
    struct stat st{};
    ASSERT_EQ(::lstat(QFile::encodeName(FRM_DDEServer->Server()->socketPath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(QFileInfo(FRM_DDEServer->Server()->socketPath()).fileName(), QStringLiteral("njtest.dde"));

    auto client = connectClient();
    // Sent before any script text: runs, and the clock stays stopped.
    EXPECT_EQ(exchange(*client, ExecuteRequest(QStringLiteral("TEST.LOG(UN)\r\ntest.log(Deux)\ntest.log(trois)"))).kind,
              Reply::Kind::Ack);
    EXPECT_EQ(logged, (QStringList{QStringLiteral("un"), QStringLiteral("deux"), QStringLiteral("trois")}));
    EXPECT_FALSE(clockArmed());
    EXPECT_FALSE(Scripts::ScriptRunning);

    // The same connection asks for the item next.
    const Reply item = exchange(*client, RequestRequest(QStringLiteral("ddeserveritem")));
    EXPECT_EQ(item.kind, Reply::Kind::Data);
    EXPECT_EQ(item.data, QByteArray("toto"));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RemoteControl, AMacroStatementLeavesTheScriptWhereItIs)
{
    // A running script is neither advanced nor re-timed.
    setText(QStringLiteral("test.log(a)\ntest.log(b)\ntest.log(c)"));
    run();
    FRM_Script->TMR_ScriptTimer();   // a
    const int line = Scripts::CurrentScript().CurrentLine;
    const int interval = FRM_Script->TMR_Script->interval();
    FRM_DDEServer->DDELinkExecuteMacro(QStringLiteral("test.log(m)\ntest.delay(500)\ntest.wait"));
    EXPECT_EQ(Scripts::CurrentScript().CurrentLine, line);
    EXPECT_EQ(FRM_Script->TMR_Script->interval(), interval);
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateRunning);
    ticks();
    EXPECT_EQ(logged, (QStringList{"a", "m", "b", "c"}));

    // A finished script is not stopped again, a stopped one not restarted.
    FRM_DDEServer->DDELinkExecuteMacro(QStringLiteral("test.log(x)"));
    EXPECT_FALSE(clockArmed());
    setText(QStringLiteral("test.log(a)\ntest.log(b)"));
    run();
    FRM_Script->TMR_ScriptTimer();
    FRM_Script->MNU_ArreterClick();
    FRM_DDEServer->DDELinkExecuteMacro(QStringLiteral("test.log(y)"));
    EXPECT_FALSE(clockArmed());
    EXPECT_FALSE(Scripts::ScriptRunning);

    // Errors show and stop as for a script line.
    setText(QStringLiteral("test.log(a)\ntest.log(b)"));
    run();
    FRM_DDEServer->DDELinkExecuteMacro(QStringLiteral("inconnu(1)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Error, Line 1 : Unknown Command")});
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_FALSE(clockArmed());
}

TEST_F(RemoteControl, FilesNamedWithCapitalsAreFoundThoughTheLinesArriveLowerCased)
{
    // A script in a folder of the scripts folder, a sound, a picture and a
    // document, all in folders and under names that hold capitals.
    testsupport::RecordingSoundService sounds;
    QStringList opened;
    Desktop::SetDocumentOpener([&](const QString& path) {
        opened << path;
        return true;
    });
    FRM_Pref->EDT_Repertoire_Scripts->setText(dir.path() + QStringLiteral("/Scripts/"));
    dir.writeFile(QStringLiteral("Scripts/Nuit/Night.script"), "test.log(Called)\r\n");
    dir.writeFile(QStringLiteral("Sons/Tone.wav"), QByteArray("RIFF\x24\x00\x00\x00WAVEfmt ", 16));
    dir.writeFile(QStringLiteral("Docs/Notes.txt"), "x");
    dir.writeFile(QStringLiteral("Images/keep"), "");
    kernels::Bitmap24 pixels;
    pixels.resize(32, 24);
    const QString picture = dir.filePath(QStringLiteral("Images/M42.bmp"));
    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(picture, pixels));
    const QString sound = dir.filePath(QStringLiteral("Sons/Tone.wav"));
    Align_V::CreateMissingSlotBitmaps();   // as the main window's first activation does

    auto client = connectClient();
    const QString lines = QStringLiteral("playsound(\"%1\")\nimage.name.load(image,\"%2\")\n"
                                         "shellexec(\"Notes.txt\",\"\",\"%3\")\ncallfar(\"Nuit/Night.script\")")
                              .arg(sound, picture, dir.filePath(QStringLiteral("Docs")));
    EXPECT_EQ(exchange(*client, ExecuteRequest(lines)).kind, Reply::Kind::Ack);
    ticks();
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    // Each command got the file as it is on disk.
    EXPECT_EQ(sounds.playedFiles, QStringList{sound});
    EXPECT_NE(PlayerActive, 0);
    ASSERT_TRUE(PlayList);
    EXPECT_EQ(*PlayList, QStringList{picture});
    EXPECT_EQ(opened, QStringList{dir.filePath(QStringLiteral("Docs/Notes.txt"))});
    EXPECT_EQ(logged, QStringList{QStringLiteral("Called")});
    Desktop::SetDocumentOpener({});

    // A file that exists in no letter case is named as the line arrived.
    // The statement is refused with the box's text.
    const QString absent = dir.filePath(QStringLiteral("Sons/Absent.wav"));
    const Reply refused = exchange(*client, ExecuteRequest(QStringLiteral("playsound(\"%1\")").arg(absent)));
    EXPECT_EQ(refused.kind, Reply::Kind::Nack);
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_EQ(refused.reason, boxes.texts().front());
    EXPECT_TRUE(boxes.texts().front().endsWith(QStringLiteral("File not found : ") + absent.toLower()))
        << boxes.texts().front().toStdString();
    EXPECT_EQ(sounds.playedFiles.size(), 1);
}

TEST_F(RemoteControl, FilesToWriteGoToTheirFolderWhateverTheCaseAndAMissingFolderIsTold)
{
    dir.writeFile(QStringLiteral("Data/Nuit/keep"), "");
    kernels::Bitmap24 pixels;
    pixels.resize(32, 24);
    const QString picture = dir.filePath(QStringLiteral("Data/M42.bmp"));
    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(picture, pixels));
    Align_V::CreateMissingSlotBitmaps();
    const QString nuit = dir.filePath(QStringLiteral("Data/Nuit"));
    auto client = connectClient();
    const auto send = [&](const QString& lines) {
        EXPECT_EQ(exchange(*client, ExecuteRequest(lines)).kind, Reply::Kind::Ack);
    };

    // The sequence prefix and the image name keep the folder as it is on
    // disk; the file's own name arrives lower-cased.
    send(QStringLiteral("image.name.load(image,\"%1\")\nimage.sequence.prefix(\"%2/M42_\")\n"
                        "image.name(\"%2/M42.jpg\")\nimage.save")
             .arg(picture, nuit));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(FRM_Tool_Images->EDT_Nom_Image->text(), nuit + QStringLiteral("/m42_"));
    EXPECT_EQ(Scripts::ScriptImageName, nuit + QStringLiteral("/m42.jpg"));
    EXPECT_TRUE(QFileInfo::exists(nuit + QStringLiteral("/m42.jpg")));

    // A folder that exists in no letter case: the save says it cannot write
    // there, naming the file, and the statement is refused with that text.
    const QString absent = dir.filePath(QStringLiteral("Data/Absent/M42.jpg"));
    const Reply failed = exchange(*client, ExecuteRequest(QStringLiteral("image.name(\"%1\")\nimage.save").arg(absent)));
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts().front().contains(absent.toLower())) << boxes.texts().front().toStdString();
    EXPECT_EQ(failed.kind, Reply::Kind::Nack);
    EXPECT_EQ(failed.reason, boxes.texts().front());

    // A script's own lines keep their case: the folder as written is used.
    boxes.clear();
    runScript(QStringLiteral("image.sequence.prefix(\"%1/Pose_\")").arg(nuit));
    EXPECT_EQ(FRM_Tool_Images->EDT_Nom_Image->text(), nuit + QStringLiteral("/Pose_"));
}

TEST_F(RemoteControl, OnlyTheActionAScriptWaitsForResumesIt)
{
    // The script waits for the user's "Poursuivre".
    setText(QStringLiteral("messagebox.showwait(\"Mettre le cache puis Poursuivre\")\ntest.log(after)"));
    run();
    ticks();
    ASSERT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    // Another program starts an action that a script would wait for; the
    // action ends.
    FRM_DDEServer->DDELinkExecuteMacro(QStringLiteral("test.wait"));
    EXPECT_FALSE(Scripts::WaitSequence);
    EXPECT_FALSE(Scripts::ResumeIfWaiting(Scripts::WaitSequence));
    // A goto the user started from the goto window ends.
    Scripts::GotoRunning = true;
    EXPECT_FALSE(Scripts::ResumeIfWaiting(Scripts::GotoRunning));
    // The wait's bound leaves a wait for the user alone.
    for (int i = 0; i < 4; ++i)
        Scripts::WatchWait();
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    EXPECT_FALSE(clockArmed());
    EXPECT_TRUE(logged.isEmpty());
    EXPECT_TRUE(boxes.shown.empty());
    FRM_Message->BTN_Poursuivre->click();
    ticks();
    EXPECT_EQ(logged, QStringList{QStringLiteral("after")});

    // A script waiting for a sequence goes on at its end, not at the end of
    // a move or a goto.
    logged.clear();
    setText(QStringLiteral("test.wait\ntest.log(after)"));
    run();
    ticks();
    Scripts::WaitMove = true;
    EXPECT_FALSE(Scripts::ResumeIfWaiting(Scripts::WaitMove));
    Scripts::GotoRunning = true;
    EXPECT_FALSE(Scripts::ResumeIfWaiting(Scripts::GotoRunning));
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    // Nor at "Poursuivre" of a box another program shows meanwhile.
    FRM_DDEServer->DDELinkExecuteMacro(QStringLiteral("messagebox.showwait(\"Remote\")"));
    ASSERT_TRUE(FRM_Message->BTN_Poursuivre->isVisibleTo(FRM_Message));
    QTest::mouseClick(FRM_Message->BTN_Poursuivre, Qt::LeftButton);
    ticks();
    EXPECT_TRUE(logged.isEmpty());
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    EXPECT_TRUE(Scripts::ResumeIfWaiting(Scripts::WaitSequence));
    ticks();
    EXPECT_EQ(logged, QStringList{QStringLiteral("after")});
}

TEST_F(RemoteControl, RequestsRunOneAtATimeNeverInsideAModalBox)
{
    auto first = connectClient();
    auto late = connectClient();
    g_lateClient = late.get();
    first->write(ExecuteRequest(QStringLiteral("test.modal")));
    QByteArray lateReply;
    (void)QTest::qWaitFor([&] {
        lateReply += late->readAll();
        return ParseReply(lateReply).kind == Reply::Kind::Ack;
    }, 20000);
    g_lateClient = nullptr;
    EXPECT_EQ(logged, (QStringList{"box shown", "box closed", "late"}));
    EXPECT_EQ(ParseReply(first->readAll()).kind, Reply::Kind::Ack);
}

TEST_F(RemoteControl, ARefusedStatementIsAnsweredAtOnceAndOthersAreServedWhileItsBoxWaits)
{
    auto refusedClient = connectClient();
    auto other = connectClient();
    auto third = connectClient();
    Reply refusal, item, ran, alsoRefused;
    QStringList ranBeforeTheAnswer;
    WaitingBoxes box(boxes, [&] {
        // The refused client has its answer while the box waits.
        refusal = awaitReply(*refusedClient);
        ranBeforeTheAnswer = logged;
        // Gone while its box waits.
        refusedClient->disconnectFromServer();
        // Another client reads the item and runs a statement meanwhile; a
        // third one's statement fails and is refused at once too.
        item = exchange(*other, RequestRequest(kItem));
        ran = exchange(*other, ExecuteRequest(QStringLiteral("test.log(b)")));
        alsoRefused = exchange(*third, ExecuteRequest(QStringLiteral("test.throw")));
    });
    refusedClient->write(ExecuteRequest(QStringLiteral("test.log(a)\ninconnu(1)\ntest.log(c)")));
    refusedClient->flush();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.answered == 1; }, 20000));

    EXPECT_EQ(refusal.kind, Reply::Kind::Nack);
    EXPECT_EQ(refusal.reason, QStringLiteral("Error, Line 1 : Unknown Command"));
    EXPECT_EQ(ranBeforeTheAnswer, QStringList{QStringLiteral("a")});
    EXPECT_EQ(item.data, QByteArray("toto"));
    EXPECT_EQ(ran.kind, Reply::Kind::Ack);
    EXPECT_EQ(alsoRefused.kind, Reply::Kind::Nack);
    EXPECT_EQ(alsoRefused.reason, QStringLiteral("boom"));
    EXPECT_EQ(box.texts, (QStringList{refusal.reason, QStringLiteral("boom")}));
    // The line after the refused one never runs, not even once the box is
    // answered; the connection of a refused statement stays open.
    ticks();
    EXPECT_EQ(logged, (QStringList{"a", "b"}));
    EXPECT_EQ(exchange(*third, ExecuteRequest(QStringLiteral("test.log(d)"))).kind, Reply::Kind::Ack);

    // A script error refuses the statement with its own text.
    const Reply badJump = exchange(*third, ExecuteRequest(QStringLiteral("jump(nulle_part)")));
    EXPECT_EQ(badJump.kind, Reply::Kind::Nack);
    EXPECT_EQ(box.texts.size(), 3);
    EXPECT_EQ(badJump.reason, box.texts.value(2));
    EXPECT_TRUE(badJump.reason.startsWith(QStringLiteral("Line 1 : nulle_part"))) << badJump.reason.toStdString();
}

TEST_F(RemoteControl, EveryStatementThatEndsInAnErrorIsRefusedWhateverShowsItsBox)
{
    auto client = connectClient();
    // A command's own error box (the camera does not run): refused with its
    // text while the box waits, and the next line never runs.
    Reply offline;
    {
        WaitingBoxes box(boxes, [&] { offline = awaitReply(*client); });
        client->write(ExecuteRequest(QStringLiteral("camera.mode(1,frame)\ntest.log(after)")));
        client->flush();
        ASSERT_TRUE(QTest::qWaitFor([&] { return box.answered == 1; }, 20000));
        EXPECT_EQ(box.texts, QStringList{QStringLiteral("Camera 1 offline...")});
    }
    EXPECT_EQ(offline.kind, Reply::Kind::Nack);
    EXPECT_EQ(offline.reason, QStringLiteral("Camera 1 offline..."));

    // A statement that stops the run without a box (its dialog cancelled)
    // did not run either.
    for (const QString& statement : {QStringLiteral("image.name.savedialog(\"x.bmp\")"),
                                    QStringLiteral("image.name.loaddialog(image)")}) {
        const Reply cancelled = exchange(*client, ExecuteRequest(statement + QStringLiteral("\ntest.log(after)")));
        EXPECT_EQ(cancelled.kind, Reply::Kind::Nack) << statement.toStdString();
        EXPECT_EQ(cancelled.reason, QStringLiteral("Line 1 : ") + statement + QStringLiteral(" : stopped"));
    }

    // A called script that cannot be read ran nothing.
    FRM_Pref->EDT_Repertoire_Scripts->setText(dir.path() + QStringLiteral("/"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/sys/vm/drop_caches"), dir.filePath(QStringLiteral("ferme.script"))));
    const Reply shut = exchange(*client, ExecuteRequest(QStringLiteral("callfar(\"ferme.script\")\ntest.log(after)")));
    EXPECT_EQ(shut.kind, Reply::Kind::Nack);
    EXPECT_TRUE(shut.reason.contains(QStringLiteral("ferme.script : "))) << shut.reason.toStdString();
    boxes.clear();

    // A box that only tells, and a line that ran, are no refusal; neither is
    // an error box of a script run from the editor.
    EXPECT_EQ(exchange(*client, ExecuteRequest(QStringLiteral("message.show(\"info\")\ntest.log(ran)"))).kind,
              Reply::Kind::Ack);
    ticks();
    EXPECT_EQ(logged, QStringList{QStringLiteral("ran")});
    runScript(QStringLiteral("camera.mode(1,frame)\ntest.log(script)"));
    EXPECT_EQ(logged, QStringList{QStringLiteral("ran")});
    EXPECT_EQ(boxes.texts(), (QStringList{"info", "Camera 1 offline..."}));
    EXPECT_EQ(exchange(*client, ExecuteRequest(QStringLiteral("test.log(still)"))).kind, Reply::Kind::Ack);
}

TEST_F(RemoteControl, AnErrorOfTheScriptWhileAStatementsDialogWaitsLeavesTheStatementRun)
{
    // The script waits for a sequence that never started: the wait's bound
    // ends it with its error while another program's statement shows its
    // dialog. The error is the script's; the statement ran.
    setText(QStringLiteral("test.wait\ntest.log(after)"));
    run();
    ticks();
    ASSERT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    g_insideModal = [] {
        Scripts::WatchWait();
        Scripts::WatchWait();
    };
    auto client = connectClient();
    const Reply reply = exchange(*client, ExecuteRequest(QStringLiteral("test.modal")));
    g_insideModal = nullptr;
    EXPECT_EQ(reply.kind, Reply::Kind::Ack);
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts().front().startsWith(QStringLiteral("Line 1 : test.wait"))) << boxes.texts().front().toStdString();
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_EQ(logged, (QStringList{"box shown", "box closed"}));
}

TEST_F(RemoteControl, SlowAndVanishingClientsNeitherHoldNorStopTheOthers)
{
    // A slow peer sends its request a few bytes at a time; the others are
    // served in between.
    auto slow = connectClient();
    auto quick = connectClient();
    const QByteArray slowRequest = ExecuteRequest(QStringLiteral("test.log(slow)"));
    slow->write(slowRequest.left(9));
    slow->flush();
    EXPECT_EQ(exchange(*quick, RequestRequest(kItem)).data, QByteArray("toto"));
    slow->write(slowRequest.mid(9, 14));
    slow->flush();
    EXPECT_EQ(exchange(*quick, ExecuteRequest(QStringLiteral("test.log(quick)"))).kind, Reply::Kind::Ack);
    EXPECT_EQ(exchange(*slow, slowRequest.mid(23)).kind, Reply::Kind::Ack);
    EXPECT_EQ(logged, (QStringList{"quick", "slow"}));

    // A peer gone before its answer: its statement ends, the reply goes
    // nowhere, and the next client is served.
    logged.clear();
    const int before = FRM_DDEServer->Server()->connectionCount();
    auto gone = connectClient();
    ASSERT_TRUE(QTest::qWaitFor([&] { return FRM_DDEServer->Server()->connectionCount() > before; }, 5000));
    const int open = FRM_DDEServer->Server()->connectionCount();
    g_insideModal = [&] {
        gone->abort();
        (void)QTest::qWaitFor([&] { return FRM_DDEServer->Server()->connectionCount() < open; }, 5000);
    };
    gone->write(ExecuteRequest(QStringLiteral("test.modal")));
    gone->flush();
    EXPECT_TRUE(QTest::qWaitFor([&] { return logged.contains(QStringLiteral("box closed")); }, 5000));
    g_insideModal = nullptr;
    EXPECT_LT(FRM_DDEServer->Server()->connectionCount(), open);
    EXPECT_EQ(exchange(*quick, ExecuteRequest(QStringLiteral("test.log(next)"))).kind, Reply::Kind::Ack);
    EXPECT_EQ(logged, (QStringList{"box shown", "box closed", "next"}));
}

TEST_F(RemoteControl, BadOrAbsentClientsGetARefusalAndNothingRuns)
{
    QByteArray raw;
    auto unknownTopic = connectClient();
    EXPECT_EQ(exchange(*unknownTopic, "EXECUTE Autre 12\ntest.log(no)").reason, QStringLiteral("unknown topic"));
    (void)QTest::qWaitFor([&] { return unknownTopic->state() == QLocalSocket::UnconnectedState; }, 20000);
    EXPECT_EQ(unknownTopic->state(), QLocalSocket::UnconnectedState);

    auto oversized = connectClient();
    EXPECT_EQ(exchange(*oversized, "EXECUTE DDELink 70000\n" + QByteArray(70000, 'x')).kind, Reply::Kind::Nack);
    auto badUtf8 = connectClient();
    EXPECT_EQ(exchange(*badUtf8, "EXECUTE DDELink 12\ntest.log(\xff\xfe)").reason, QStringLiteral("invalid UTF-8"));

    // Gone half-way, or silent past the deadline: nothing runs.
    FRM_DDEServer->Server()->setRequestTimeout(200);
    {
        auto gone = connectClient();
        gone->write("EXECUTE DDELink 14\ntest.log(h");
        gone->flush();
        QTest::qWait(50);
    }
    auto silent = connectClient();
    EXPECT_EQ(exchange(*silent, "EXECUTE DDELink 14\ntest.log(").reason, QStringLiteral("timeout"));

    // Sixteen connections at most (held open long enough to be counted).
    FRM_DDEServer->Server()->setRequestTimeout(10000);
    std::vector<std::unique_ptr<QLocalSocket>> many;
    for (int i = 0; i < 40; ++i)
        many.push_back(connectClient());
    (void)QTest::qWaitFor([&] { return FRM_DDEServer->Server()->connectionCount() >= kMaxConnections; }, 20000);
    // The refusals come as the server gets to them: a busy machine is slow.
    std::vector<QByteArray> replies(many.size());
    const auto refused = [&] {
        int n = 0;
        for (std::size_t i = 0; i < many.size(); ++i) {
            replies[i] += many[i]->readAll();
            n += ParseReply(replies[i]).reason == QStringLiteral("too many connections");
        }
        return n;
    };
    (void)QTest::qWaitFor([&] { return refused() >= 40 - kMaxConnections; }, 20000);
    EXPECT_GE(refused(), 40 - kMaxConnections);
    EXPECT_LE(FRM_DDEServer->Server()->connectionCount(), kMaxConnections);
    many.clear();
    (void)QTest::qWaitFor([&] { return FRM_DDEServer->Server()->connectionCount() == 0; }, 20000);

    // The server still serves.
    auto good = connectClient();
    EXPECT_EQ(exchange(*good, ExecuteRequest(QStringLiteral("test.log(ok)"))).kind, Reply::Kind::Ack);
    EXPECT_EQ(logged, QStringList{QStringLiteral("ok")});
    EXPECT_TRUE(boxes.shown.empty());

    // A request whose running fails is refused, and the next one is served.
    RemoteServer failing([](const Request& r, const Answer&) -> QByteArray {
        if (r.macro == QLatin1String("fail"))
            throw std::runtime_error("broken");
        return AckReply();
    });
    QString note;
    ASSERT_EQ(failing.listen(QStringLiteral("njfailing"), &note), RemoteServer::Start::Listening);
    QLocalSocket peer;
    peer.connectToServer(failing.socketPath());
    ASSERT_TRUE(peer.waitForConnected(2000));
    EXPECT_EQ(exchange(peer, ExecuteRequest(QStringLiteral("fail"))).reason, QStringLiteral("broken"));
    EXPECT_EQ(exchange(peer, ExecuteRequest(QStringLiteral("ok"))).kind, Reply::Kind::Ack);
}

TEST_F(RemoteControl, ASecondInstanceLeavesTheLiveServerAloneAndStaleSocketsAreReplaced)
{
    QString note;
    RemoteServer second([](const Request&, const Answer&) { return AckReply(); });
    EXPECT_EQ(second.listen(kService, &note), RemoteServer::Start::AnotherInstance);
    EXPECT_TRUE(FRM_DDEServer->Server()->isListening());

    // A socket file nobody answers on (a crashed program's).
    const QString stalePath = QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath(QStringLiteral("stale.dde"));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, QFile::encodeName(stalePath).constData(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
    RemoteServer third([](const Request&, const Answer&) { return AckReply(); });
    EXPECT_EQ(third.listen(QStringLiteral("stale"), &note), RemoteServer::Start::Listening);

    // Without a runtime folder: a private folder in /tmp, refused when it is
    // open to others, and said once in the message window.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    const QString service = QStringLiteral("njtest%1").arg(::getpid());
    const QString folder = QStringLiteral("/tmp/%1-%2").arg(service).arg(::getuid());
    {
        RemoteServer own([](const Request&, const Answer&) { return AckReply(); });
        EXPECT_EQ(own.listen(service, &note), RemoteServer::Start::Listening);
        EXPECT_EQ(own.socketPath(), folder + QStringLiteral("/") + service + QStringLiteral(".dde"));
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        RemoteServer open([](const Request&, const Answer&) { return AckReply(); });
        EXPECT_EQ(open.listen(service, &note), RemoteServer::Start::Refused);
        EXPECT_TRUE(note.contains(QStringLiteral("ouvert à d'autres"))) << note.toStdString();
    }
    FRM_DDEServer->Server()->close();
    FRM_Message->MEMO_Message->clear();
    FRM_DDEServer->StartServer(service);
    EXPECT_FALSE(FRM_DDEServer->Server()->isListening());
    EXPECT_EQ(FRM_Message->MEMO_Message->toPlainText().count(QStringLiteral("Contrôle à distance désactivé")), 1);
    qputenv("XDG_RUNTIME_DIR", runtime);
    QDir(folder).removeRecursively();
}

TEST_F(RemoteControl, TheCommandLineClientRunsAStatementAndReadsTheItem)
{
    EXPECT_EQ(runClient({QStringLiteral("execute"), QStringLiteral("test.log(bonjour)"), QStringLiteral("test.log(nuit)")}), 0);
    EXPECT_EQ(logged, (QStringList{"bonjour", "nuit"}));
    QByteArray out, err;
    EXPECT_EQ(runClient({QStringLiteral("request"), QStringLiteral("DDEServerItem")}, &out), 0);
    EXPECT_EQ(out, QByteArray("toto\n"));
    EXPECT_EQ(runClient({QStringLiteral("request"), QStringLiteral("Autre")}, nullptr, &err), 1);
    EXPECT_TRUE(err.contains("unknown item"));

    // A refused statement: the client ends with 1 and the program's text
    // while the box still waits for the user, who reads the item meanwhile.
    logged.clear();
    QProcess refused;
    int itemStatus = -1;
    QByteArray itemOut;
    bool endedWhileTheBoxWaited = false;
    {
        WaitingBoxes box(boxes, [&] {
            endedWhileTheBoxWaited = QTest::qWaitFor([&] { return refused.state() == QProcess::NotRunning; }, 20000);
            itemStatus = runClient({QStringLiteral("request"), QStringLiteral("DDEServerItem")}, &itemOut);
        });
        refused.start(QStringLiteral(NJ_DDE_CLIENT),
                      {QStringLiteral("--service"), kService, QStringLiteral("execute"), QStringLiteral("test.log(avant)"),
                       QStringLiteral("inconnu(1)"), QStringLiteral("test.log(apres)")});
        ASSERT_TRUE(QTest::qWaitFor([&] { return box.answered == 1; }, 30000));
    }
    EXPECT_TRUE(endedWhileTheBoxWaited);
    EXPECT_EQ(refused.exitCode(), 1);
    EXPECT_EQ(refused.readAllStandardError(), QByteArray("nightjarpro-dde: refused: Error, Line 1 : Unknown Command\n"));
    EXPECT_EQ(itemStatus, 0);
    EXPECT_EQ(itemOut, QByteArray("toto\n"));
    EXPECT_EQ(logged, QStringList{QStringLiteral("avant")});
    FRM_DDEServer->Server()->close();
    EXPECT_EQ(runClient({QStringLiteral("request"), QStringLiteral("DDEServerItem")}), 2);
}

// Another program's mount commands on an LX200 mount whose port cannot be
// opened are refused with the port's failure, the one the user is told,
// and the lines after them never run; a goto that starts nothing (a
// relative one without its origin) is refused too, never answered as run.
TEST_F(RemoteControl, AMountCommandThatCannotStartIsRefusedWithWhy)
{
    struct Unplugged {
        ~Unplugged() { platform::com_io::ClearDevicePaths(); }
    } unplugged;
    TFRM_Pref& p = *FRM_Pref;
    p.RDB_Mount_LX200->setChecked(true);
    p.CBX_AG_PortSerie->setCurrentIndex(p.CBX_AG_PortSerie->findText(QStringLiteral("      COM5")));
    platform::com_io::SetDevicePath(5, dir.filePath(QStringLiteral("no-such-port")));
    const QByteArray prefix = "nightjarpro-dde: refused: ";
    QByteArray err;
    EXPECT_EQ(runClient({QStringLiteral("execute"), QStringLiteral("goto.mode(relative)"),
                         QStringLiteral("goto.destination(05h42m42s,41d16m00s)"), QStringLiteral("goto.execute"),
                         QStringLiteral("test.log(after)")},
                        nullptr, &err),
              1);
    EXPECT_TRUE(err.startsWith(prefix) && err.endsWith(" : goto.execute : no goto started (origin and destination set?)\n"))
        << err.toStdString();
    for (const char* line : {"goto.execute", "goto.move(nowait,n,1000)"}) {
        err.clear();
        EXPECT_EQ(runClient({QStringLiteral("execute"), QStringLiteral("goto.destination(05h42m42s,41d16m00s)"),
                             QStringLiteral("goto.mode(absolute)"), QString::fromLatin1(line), QStringLiteral("test.log(after)")},
                            nullptr, &err),
                  1)
            << line;
        EXPECT_TRUE(err.startsWith(prefix + "open_com, erreur = 2 (")) << err.toStdString();
        EXPECT_TRUE(err.contains("no-such-port")) << err.toStdString();
    }
    EXPECT_TRUE(logged.isEmpty()) << logged.join(u' ').toStdString();
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_FALSE(platform::com_io::channel(1).open);
    // The user is told the port's failure once as it was met, then with the
    // line of the statement that met it again.
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes.texts().filter(QStringLiteral("no-such-port")).size(), 2) << boxes.texts().join(u'|').toStdString();
}

// A goto the mount refuses (an object under its horizon) is refused to the
// program that asked, with the mount's reason, even when the mount is slow
// to say so; one the mount takes is answered as run once it took it.
TEST_F(RemoteControl, AGotoTheMountRefusesIsRefusedWithTheMountsReason)
{
    struct Unplugged {
        ~Unplugged() { platform::com_io::ClearDevicePaths(); }
    } unplugged;
    testsupport::ScriptedMount mount;
    ASSERT_TRUE(mount.isOpen());
    mount.setDelay(400);
    mount.setReply(":MS#", "1Objet sous l'horizon#");
    TFRM_Pref& p = *FRM_Pref;
    p.RDB_Mount_LX200->setChecked(true);
    p.CBX_AG_PortSerie->setCurrentIndex(p.CBX_AG_PortSerie->findText(QStringLiteral("      COM5")));
    platform::com_io::SetDevicePath(5, mount.devicePath());
    QByteArray err;
    EXPECT_EQ(runClient({QStringLiteral("execute"), QStringLiteral("goto.mode(absolute)"),
                         QStringLiteral("goto.destination(14h00m00s,-30d00m00s)"), QStringLiteral("goto.execute"),
                         QStringLiteral("test.log(after)")},
                        nullptr, &err),
              1);
    EXPECT_TRUE(err.startsWith("nightjarpro-dde: refused: ")
                && err.endsWith(" : Goto refusé par la monture : Objet sous l'horizon\n"))
        << err.toStdString();
    EXPECT_TRUE(logged.isEmpty()) << logged.join(u' ').toStdString();
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_TRUE(FRM_ObjectAction->BTN_Goto->isEnabled());

    mount.setReply(":MS#", "0");
    err.clear();
    EXPECT_EQ(runClient({QStringLiteral("execute"), QStringLiteral("goto.execute"), QStringLiteral("test.log(after)")},
                        nullptr, &err),
              0)
        << err.toStdString();
    EXPECT_EQ(logged, QStringList{QStringLiteral("after")});
    EXPECT_TRUE(Scripts::GotoRunning);
    FRM_ObjectAction->BTN_AbortClick();
    EXPECT_FALSE(Scripts::GotoRunning);
    Prg_Suivi::DisconnectMount();

    // The same through an Alpaca telescope whose driver refuses the slew,
    // the request answered late.
    struct Bridge {
        ~Bridge()
        {
            AscomBridge::StopBridge();
            AscomBridge::AscomSharedData = {};
        }
    } bridge;
    testsupport::AlpacaPeer peer;
    peer.configure([](testsupport::AlpacaPeer::Config& c) {
        c.delay_ms = 300;
        c.faults[QStringLiteral("slewtocoordinatesasync")] = {.errorNumber = 0x40B};
    });
    p.EDT_ASCOM_Telescope->setText(peer.address());
    p.RDB_Mount_ASCOM->click();
    ASSERT_TRUE(AscomBridge::Running());
    logged.clear();
    err.clear();
    EXPECT_EQ(runClient({QStringLiteral("execute"), QStringLiteral("goto.execute"), QStringLiteral("test.log(after)")},
                        nullptr, &err),
              1);
    EXPECT_TRUE(err.contains(" : Goto impossible : ")) << err.toStdString();
    EXPECT_TRUE(logged.isEmpty()) << logged.join(u' ').toStdString();
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_EQ(peer.callTexts(QStringLiteral("PUT slewtocoordinatesasync")).size(), 1);
}

// The real program in a temporary program directory answers the client.
TEST(RemoteControlProgram, TheRunningProgramAnswersTheClient)
{
    QTemporaryDir programDir;
    ASSERT_TRUE(programDir.isValid());
    // A runtime folder of its own: a program ended earlier in this process
    // leaves its socket file behind, which answers nothing.
    QTemporaryDir runtimeDir;
    ASSERT_TRUE(runtimeDir.isValid());
    QProcess program;
    program.setWorkingDirectory(programDir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir.path());
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(NJ_EXECUTABLE), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    const QString socket = QDir(runtimeDir.path()).filePath(QStringLiteral("nightjarpro.dde"));
    const bool up = QTest::qWaitFor([&] { return QFileInfo::exists(socket); }, 60000);

    auto client = [&env](const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(NJ_DDE_CLIENT), args);
        p.waitForFinished(20000);
        if (out)
            *out = p.readAllStandardOutput();
        if (err)
            *err = p.readAllStandardError();
        return p.exitCode();
    };
    QByteArray out, moveRefusal;
    const int requested = up ? client({QStringLiteral("request"), QStringLiteral("DDEServerItem")}, &out) : -1;
    const int executed = up ? client({QStringLiteral("execute"), QStringLiteral("// rien")}) : -1;
    // A fresh program directory chooses no mount: a move is refused with the
    // reason, as a goto is.
    const int moved = up ? client({QStringLiteral("execute"), QStringLiteral("goto.move(nowait,n,1000)")}, nullptr, &moveRefusal)
                         : -1;
    program.terminate();
    if (!program.waitForFinished(10000))
        program.kill();
    ASSERT_TRUE(up) << "the program never listened";
    EXPECT_EQ(requested, 0);
    EXPECT_EQ(out, QByteArray("toto\n"));
    EXPECT_EQ(executed, 0);
    EXPECT_EQ(moved, 1);
    EXPECT_TRUE(moveRefusal.startsWith("nightjarpro-dde: refused: ")) << moveRefusal.toStdString();
    EXPECT_TRUE(moveRefusal.endsWith(" : No mount chosen in the preferences\n")) << moveRefusal.toStdString();
}

} // namespace
