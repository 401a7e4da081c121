// Every statement of the language, run once in a script as a user writes
// it: each either acts and lets the next line run, or stops its script with
// a message naming the line. None halts without a word, and a statement that
// waits ends its wait within its bound.

#include "script_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/settings.h"
#include "kernels/image_files.h"
#include "scripting/frm_input.h"
#include "scripting/frm_script.h"

#include <QAction>
#include <QPushButton>

namespace {

// The statements in the order the engine compares their words, each with
// arguments a user would give it.
const char* const kStatements[] = {
    "@menu(Nuit)", "@button(1)",
    "jump(nowhere)", "call(nowhere)", "return", "callfar(no_such_script.txt)",
    "var(n,integer)", ":label",
    "int(n,2)", "inputinteger(\"Combien ?\",n)", "inputdouble(\"Combien ?\",n)", "inputstring(\"Nom ?\",n)",
    "inputchoice(\"Lequel ?\",\"a/b\",n)",
    "setparallelport(888,0)", "setserialport(1,dtr,on)", "shellexec(\"no_such_program\")", "beep(ok)",
    "filter(on)", "filter.refreshrate(2)", "filter.repeat(1)", "filter.type(umask)", "filter.deconvolution.size(3x3)",
    "filter.deconvolution.value(1,1000)",
    "goto.origin(0,0)", "goto.destination(3600,3600)", "goto.execute", "goto.mode(absolute)", "goto.move(wait,e,1)",
    "goto.stop",
    "camera(1,stop)", "camera.mode(1,frame)", "camera.role(1,track)", "camera.framerate(1,10)",
    "camera.refreshtime(1,200)", "longexposure(startwait)", "longexposure.length(5000)", "longexposure.count(2)",
    "longexposure.type(dark)",
    "mosaic(on)", "mosaic.count(2)", "mosaic.position(1,1)", "mosaic.width(2)", "mosaic.height(2)", "mosaic.init",
    "mosaic.duration(10)", "mosaic.options.movements.mode(softtrack)", "mosaic.options.movements.standalone.unit(1)",
    "mosaic.options.movements.standalone.rate.x(1)", "mosaic.options.movements.standalone.rate.y(1)",
    "mosaic.options.movements.reverse",
    "telescope.softspeed(1)", "telescope.hardspeed(1)", "track(on)", "track.autoguide.shift", "track.autoguide(on)",
    "track.inverse(on)", "track.zone.size(20)", "track.mode(correlation)", "track.mode.precision(5)",
    "image.sequence.prefix(\"nuit_\")", "image.sequence.currentnumber(1)", "image.sequence(startwait)",
    "image.sequence.filetype(bmp)", "image.sequence.for(2,images)", "image.sequence.untilstopped()",
    "image.sequence.once", "image.sequence.start.every(1,minutes)", "image.sequence.every(1,images)",
    "image.sequence.prefixdialog(\"nuit_\")", "image.sequence.saveimageinfo(on)", "image.sequence.fixedlength(on,5)",
    "image.sequence.onefile(on)", "image.tabsource(result)", "image.name(\"nuit.bmp\")",
    "image.name.savedialog(\"nuit.bmp\")", "image.name.loaddialog(image)", "image.name.load(image,\"absent.bmp\")",
    "image.save",
    "integration(startwait)", "integration.type(unique)", "integration.fulltimeview(on)", "integration.count(5)",
    "reticle(on)", "reticle.position(10,10)", "reticle.position.centeron", "reticle.show.circle(on)",
    "reticle.show.cross(on)",
    "track.zone.position(10,10)", "track.zone.position.center",
    "zone.link(on)", "display.zone.size(100)", "display.zone.width(100)", "display.zone.height(100)",
    "display.zone.ratio(free)", "display.zone.position(10,10)", "display.zone.position.center",
    "player.go(first)", "player.play(startwait,forward)", "player.step(forward)", "player.stop", "player.loop(on)",
    "wait(10)", "message.show(\"bonjour\")", "messagebox.show(\"bonjour\")", "messagebox.showwait(\"bonjour\")",
    "messagebox.clear", "messagebox.hide", "playsound(\"absent.wav\")",
    "window.camsettings", "window.display", "window.focus", "window.images", "window.measure", "window.mosaics",
    "window.mvtdetect", "window.scripts", "window.sky", "window.track", "window.minisource",
    "jumpif(1=2,nowhere)",
    "", "// a comment",
    "n:=3",
    "no.such.command(1)",
};

} // namespace

class EveryStatement : public ScriptFixture {};

TEST_F(EveryStatement, ActsAndGoesOnOrStopsWithAMessageNamingItsLine)
{
    // Questions are answered by cancelling them, as a user might; file
    // dialogs by a file (a cancelled one stops the script as the user asked).
    TFRM_Input::SetAnswerer([](TFRM_Input& f) { f.BTN_Annuler->click(); });
    testsupport::RecordingDialogService dialogs;
    const QString picture = dir.filePath(QStringLiteral("m42.bmp"));
    kernels::Bitmap24 pixels;
    pixels.resize(32, 24);
    ASSERT_TRUE(kernels::ImageFiles::WriteBmp24(picture, pixels));
    for (const char* statement : kStatements) {
        SCOPED_TRACE(statement);
        dialogs.saveAnswers = {dir.filePath(QStringLiteral("nuit.bmp"))};
        dialogs.openAnswers = {picture};
        dialogs.openManyAnswers = {QStringList{picture}};
        boxes.clear();
        scripttest::logged.clear();
        // Line 2 holds the statement: a message must name it.
        runScript(QStringLiteral("var(n,integer)\n%1\ntest.log(after)").arg(QLatin1String(statement)), 400);
        // A wait is looked at once a second; two looks end one that has
        // nothing left to wait for.
        for (int look = 0; look < 3 && Scripts::ScriptRunning && !clockArmed(); ++look) {
            Scripts::WatchWait();
            ticks(400);
        }
        // A wait for the user's answer ends with it ("Poursuivre").
        if (Scripts::ScriptRunning && Scripts::CurrentScript().State == Scripts::StateWaiting) {
            FRM_Message->BTN_PoursuivreClick();
            ticks(400);
        }
        const bool wentOn = scripttest::logged == QStringList{QStringLiteral("after")};
        // Stopped, or halted by a failed conversion in the standard error box.
        const bool stoppedWithMessage = !boxes.shown.empty() && !clockArmed()
                                        && Scripts::CurrentScript().State != Scripts::StateWaiting;
        EXPECT_TRUE(wentOn || stoppedWithMessage)
            << "went on: " << wentOn << ", running: " << Scripts::ScriptRunning
            << ", boxes: " << boxes.texts().join(u'|').toStdString();
        if (!wentOn && !boxes.shown.empty()) {
            // The message names the statement's line; the standard error box
            // of a failed conversion does not, but leaves nothing running.
            const QString text = boxes.texts().front();
            EXPECT_TRUE(text.startsWith(QStringLiteral("Line 2 : ")) || text.startsWith(QStringLiteral("Error, Line 2 :"))
                        || !text.contains(QStringLiteral("Line")))
                << text.toStdString();
        }
        Scripts::StopEveryLevel();
        Scripts::StopAll();
    }
    TFRM_Input::SetAnswerer({});
}

TEST_F(EveryStatement, ACommandWhoseHandlerNoWindowProvidesStopsAtItsOwnLine)
{
    // The capture mode of a running camera is a click on the main window's
    // tool button; without a handler for it the statement cannot act.
    FRM_Alv->MNU_Cam1_Demarrer->setEnabled(false);   // camera 1 runs
    Settings::UnregisterHandler(QStringLiteral("FRM_Alv.SPDB_Cam1_StreamClick"));
    if (Settings::HasHandler(QStringLiteral("FRM_Alv.SPDB_Cam1_StreamClick")))
        GTEST_SKIP() << "the main window handles the click";
    runScript(QStringLiteral("test.log(before)\ncamera.mode(1,stream)\ntest.log(after)"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 2 : camera.mode(1,stream) : command not available")});
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("before")});
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_FALSE(clockArmed());
}

TEST_F(EveryStatement, AWaitWhoseActionEndedUnannouncedEndsWithAMessage)
{
    // A statement waiting for a capture sequence that never ran (or ended
    // without the resume): the wait ends after two looks, naming its line.
    runScript(QStringLiteral("test.log(before)\ntest.wait\ntest.log(after)"));
    ASSERT_TRUE(Scripts::ScriptRunning);
    EXPECT_EQ(Scripts::CurrentScript().State, Scripts::StateWaiting);
    Scripts::WatchWait();
    EXPECT_TRUE(boxes.shown.empty()) << "one look is not enough";
    Scripts::WatchWait();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Line 2 : test.wait : no capture sequence runs")});
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_FALSE(Scripts::WaitSequence);
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("before")});
}
