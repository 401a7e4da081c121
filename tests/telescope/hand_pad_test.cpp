#include "mount_fixture.h"

#include "app/align_v_features.h"
#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/helpers/calc_helpers.h"
#include "app/settings.h"
#include "app/settings/port_lists.h"
#include "app/systeme.h"
#include "platform/com_io.h"
#include "platform/audio_sound_service.h"
#include "support/program/held_key_settle.h"
#include "support/null_sound_server.h"
#include "support/screen_boxes.h"
#include "support/scripted_mount.h"
#include "support/user_input.h"
#include "support/x11_keyboard.h"
#include "scripting/scripts.h"
#include "telescope/alpaca/alpaca_bridge.h"
#include "telescope/alpaca/alpaca_protocol.h"
#include "telescope/ascom_bridge.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_raquette.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_conversation.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/sim/alpaca_simulator.h"
#include "telescope/sim/simulated_telescope.h"
#include "telescope/sky/catalogues.h"
#include "telescope/sky/sky_chart.h"
#include "telescope/voice_prompts.h"
#include "translation/translated_texts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QTest>
#include <QThread>

using namespace Prg_Suivi;

namespace {

TFRM_Raquette& pad() { return *FRM_Raquette; }

void key(QEvent::Type type, int k, bool keypad = false, bool repeat = false)
{
    QKeyEvent e(type, k, keypad ? Qt::KeypadModifier : Qt::NoModifier, QString(), repeat);
    QApplication::sendEvent(FRM_Raquette, &e);
}

void tap(int k, bool keypad = false)
{
    key(QEvent::KeyPress, k, keypad);
    key(QEvent::KeyRelease, k, keypad);
}

// Where a key pressed in a window goes: the control with the keyboard, or
// the window.
QWidget* keyTarget(QWidget* window)
{
    QWidget* focus = QApplication::focusWidget();
    return focus && focus->window() == window ? focus : window;
}

// The program's deep-sky catalogue holding one object for a test's time.
struct OneObjectCatalogue {
    explicit OneObjectCatalogue(const char* line)
    {
        if (const auto object = Sky::ParseDeepSkyLine(line))
            Sky::DeepSkyCatalogue = {*object};
        Sky::CataloguesLoaded = true;
    }
    ~OneObjectCatalogue()
    {
        Sky::DeepSkyCatalogue.clear();
        Sky::CataloguesLoaded = false;
    }
};

class HandPadTest : public MountTest {
protected:
    void SetUp() override
    {
        MountTest::SetUp();
        platform::setClock(&clock);
        clock.advanceMs(100000);
        Telescope::Prompts().Clear();
        // A prompt set whose every key names a WAV file of the same name.
        QByteArray set = "[Main]\r\n";
        for (const char* k : {"S_1", "S_2", "S_NGC", "S_Slew", "S_Find", "S_Cntr", "S_Guide", "S_Synchro",
                              "S_Objet_non_trouve", "S_Messier", "S_Coords"}) {
            set += QByteArray(k) + "=" + k + ".wav\r\n";
            dir.writeFile(QStringLiteral("Sons/") + k + QStringLiteral(".wav"), "RIFF");
        }
        dir.writeFile(QStringLiteral("Sound_Test.ini"), set);
        const QSignalBlocker block(pref().CBX_Langue);
        pref().CBX_Langue->addItem(QStringLiteral("Test"));
        pref().CBX_Langue->setCurrentText(QStringLiteral("Test"));
        pref().EDT_Repertoire_Sons->setText(dir.filePath(QStringLiteral("Sons")));
    }
    void TearDown() override
    {
        Telescope::Prompts().Clear();
        HandPadCalibrating = 0;
        MountTest::TearDown();
        platform::setClock(nullptr);
    }
    void useLx200()
    {
        pref().RDB_Mount_LX200->setChecked(true);
        ASSERT_TRUE(ConnectMount());
        pad().EnableLX200Controls();
        mount.clearRecords();
    }
    // The prompt playing and every one queued behind it, played one after
    // the other as their times run out: file name and spacing.
    QStringList spoken()
    {
        QStringList out;
        auto& p = Telescope::Prompts();
        if (!p.Busy())
            return out;
        do
            out << QFileInfo(sound.playedFiles.last()).completeBaseName() + QStringLiteral("/")
                       + QString::number(p.CurrentWait());
        while (p.PlayNext());
        return out;
    }
    // The pad on a scripted mount's line, its goto taking typed coordinates.
    void useScriptedMountWithTypedCoordinates(testsupport::ScriptedMount& scripted)
    {
        ASSERT_TRUE(scripted.isOpen());
        platform::com_io::SetDevicePath(3, scripted.devicePath());
        pref().RDB_Mount_LX200->click();
        pref().BTN_Mount_Connecter->click();
        ASSERT_TRUE(settle());   // the connection's own commands
        pad().EnableLX200Controls();
        Systeme::ShowFormOnScreen(&pad());
        pad().activateWindow();
        QTest::mouseClick(pad().RDB_Coords, Qt::LeftButton, {}, QPoint(8, pad().RDB_Coords->height() / 2));
        ASSERT_TRUE(pad().RDB_Coords->isChecked());
        ASSERT_TRUE(pad().TNI_RaH->isEnabled());
        // What showing the pad sends (its rate) has reached the mount.
        line(scripted, 0);
        scripted.clearRecords();
        boxes.clear();
    }
    // An input as the user fills it: a click into it, its text replaced.
    static void type(TCustomNumInp* input, const char* text)
    {
        QTest::mouseClick(input, Qt::LeftButton);
        input->setFocus(Qt::MouseFocusReason);
        input->selectAll();
        QTest::keyClicks(input, QString::fromLatin1(text));
    }
    // What reached the scripted mount's line once `last` came (within a
    // generous bound of real time).
    static QList<QByteArray> lineUntil(const testsupport::ScriptedMount& scripted, const QByteArray& last)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 10000 && !scripted.commands().contains(last)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(5);
        }
        return scripted.commands();
    }
    // What reached the scripted mount's line in wait_ms of real time, once
    // everything the program queued for the mount has gone out and been
    // read.
    QList<QByteArray> line(testsupport::ScriptedMount& scripted, int wait_ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < wait_ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(5);
        }
        EXPECT_TRUE(settle());
        scripted.waitUntilRead();
        return scripted.commands();
    }
    // An LX200 mount chosen and connected as the user does, the pad on
    // screen with Messier 31 typed and Enter pressed (keyboard control on).
    void padReadyForM31()
    {
        libraryWithM31();
        ASSERT_NO_FATAL_FAILURE(padOnAConnectedLx200Mount());
        ASSERT_NO_FATAL_FAILURE(chooseM31());
    }
    // An LX200 mount chosen and connected as the user does, the pad on
    // screen and active.
    void padOnAConnectedLx200Mount()
    {
        TFRM_Raquette& r = pad();
        ASSERT_TRUE(clickOnScreen(pref().RDB_Mount_LX200));
        ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Connecter));
        ASSERT_TRUE(settle());
        Systeme::ShowFormOnScreen(&r);
        r.activateWindow();
    }
    // Events processed until pred holds, within 15 s of real time.
    static bool waitUntil(const std::function<bool()>& pred)
    {
        QElapsedTimer t;
        t.start();
        while (!pred() && t.elapsed() < 15000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(2);
        }
        return pred();
    }
    // The shipped Alpaca simulator chosen as the mount and connected as the
    // user does.
    void connectAlpaca(const Telescope::AlpacaSimulator& sim)
    {
        ASSERT_TRUE(sim.listening());
        pref().EDT_ASCOM_Telescope->setText(QStringLiteral("127.0.0.1:%1/0").arg(sim.port()));
        ASSERT_TRUE(clickOnScreen(pref().RDB_Mount_ASCOM));
        ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Connecter));
        ASSERT_TRUE(waitUntil([&] { return sim.state().connected && pref().BTN_Mount_Deconnecter->isEnabled(); }));
    }
    // The goto dialog's origin and destination taken from two positions
    // read, with its buttons, about 4 degrees apart.
    void takeDialogPoints(TFRM_ObjectAction& d)
    {
        Sky::GotoCurrentRA = 1000;
        Sky::GotoCurrentDec = 0;
        ASSERT_TRUE(clickOnScreen(d.SPDB_Devient_Origine));
        Sky::GotoCurrentRA = 16000;
        Sky::GotoCurrentDec = 3000;
        ASSERT_TRUE(clickOnScreen(d.SPDB_Devient_Destination));
    }
    // Messier 31 chosen on the pad and typed, then Enter (keyboard control on).
    void chooseM31()
    {
        TFRM_Raquette& r = pad();
        ASSERT_TRUE(clickOnScreen(r.RDB_Messier));
        QTest::mouseClick(r.EDT_Numero, Qt::LeftButton);
        r.EDT_Numero->selectAll();
        QTest::keyClicks(r.EDT_Numero, QStringLiteral("31"));
        // Enter leaves no control with the focus.
        QTest::keyClick(r.EDT_Numero, Qt::Key_Return);
        ASSERT_EQ(r.KeyboardControl, 1);
        ASSERT_TRUE(settle());
    }
    // The position poll's ticks as the slew goes on, until it reads the end.
    void pollToTheSlewEnd()
    {
        QTimer* poll = FRM_Prg_Suivi->TMR_ScopePosition;
        for (int i = 0; i < 200 && poll->isActive(); ++i) {
            clock.advanceMs(1000);
            FRM_Prg_Suivi->TMR_ScopePositionTimer();
            ASSERT_TRUE(settle());
        }
    }
    testsupport::RecordingSoundService sound;
};

} // namespace

TEST_F(HandPadTest, DirectionButtonsStopWhatTheirPressStartedWhateverEndsIt)
{
    useLx200();
    FRM_Tool_Suivi->RDB_Autoguidage->setChecked(true);
    pref().SPED_Rafraichissement_Carte->setValue(700);

    emit pad().BTN_N->pressed();
    EXPECT_FALSE(FRM_Tool_Suivi->RDB_Autoguidage->isChecked()) << "a press switches autoguiding off";
    EXPECT_EQ(HandPadMoving, 1);
    EXPECT_TRUE(FRM_Prg_Suivi->TMR_ScopePosition->isActive());
    EXPECT_EQ(FRM_Prg_Suivi->TMR_ScopePosition->interval(), 700);
    pad().DirectionDown(dirNorth);   // the key of the same direction: one move
    emit pad().BTN_N->released();
    emit pad().BTN_N->released();    // two stops in a row: one stop
    ASSERT_TRUE(settle());
    EXPECT_EQ(mount.commands().mid(0, 2), (QList<QByteArray>{":Mn#", ":Qn#"}));
    EXPECT_FALSE(FRM_Prg_Suivi->TMR_ScopePosition->isActive());

    // Hiding or deactivating the window, or the keypad "/" switching the
    // keyboard control off, stop what is held.
    mount.clearRecords();
    pad().show();
    emit pad().BTN_W->pressed();
    pad().hide();
    pad().show();
    emit pad().BTN_E->pressed();
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(FRM_Raquette, &deactivate);
    pad().hide();
    tap(Qt::Key_Return);
    key(QEvent::KeyPress, Qt::Key_Down);
    tap(Qt::Key_Slash, true);
    key(QEvent::KeyRelease, Qt::Key_Down);
    ASSERT_TRUE(settle());
    QList<QByteArray> moves;
    for (const QByteArray& c : mount.commands())
        if (c.startsWith(":M") || c.startsWith(":Q"))
            moves << c;
    EXPECT_EQ(moves, (QList<QByteArray>{":Mw#", ":Qw#", ":Me#", ":Qe#", ":Ms#", ":Qs#"}));
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));

    // Calibration of the goto dialog: hold times on the monotonic clock.
    HandPadCalibrating = 1;
    NorthSouthHoldMs = 0;
    pad().DirectionDown(dirNorth);
    clock.advanceMs(1500);
    pad().DirectionUp(dirNorth);
    pad().DirectionDown(dirSouth);
    clock.advanceMs(500);
    pad().DirectionUp(dirSouth);
    EXPECT_EQ(NorthSouthHoldMs, 1000);
}

TEST_F(HandPadTest, KeyboardControlActsOncePerPressAndStepsThroughChoices)
{
    useLx200();
    // Enter held 0.8 s: the control is switched on, nothing else.
    key(QEvent::KeyPress, Qt::Key_Return);
    clock.advanceMs(800);
    key(QEvent::KeyRelease, Qt::Key_Return);
    EXPECT_EQ(pad().KeyboardControl, 1);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(mount.commands().isEmpty());

    // Left held with the keyboard's auto-repeat: one move, one stop.
    key(QEvent::KeyPress, Qt::Key_Left);
    for (int i = 0; i < 3; ++i) {
        key(QEvent::KeyRelease, Qt::Key_Left, false, true);
        key(QEvent::KeyPress, Qt::Key_Left, false, true);
    }
    key(QEvent::KeyRelease, Qt::Key_Left);
    ASSERT_TRUE(settle());
    EXPECT_EQ(mount.commands(), (QList<QByteArray>{":Me#", ":Qe#"}));

    // Enter held 1.2 s also synchronises, and says so.
    pad().CKB_Assist_Vocal->setChecked(true);
    pad().RDB_Messier->setChecked(true);
    pad().EDT_Numero->setText(QStringLiteral("42"));
    mount.clearRecords();
    key(QEvent::KeyPress, Qt::Key_Return);
    clock.advanceMs(1200);
    key(QEvent::KeyRelease, Qt::Key_Return);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(mount.commands().contains(":LM 42#"));
    EXPECT_TRUE(mount.commands().contains(":CM#"));
    EXPECT_EQ(spoken(), QStringList{QStringLiteral("S_Synchro/900")});

    // Insert steps through the rates, spoken even unassisted; the fifth is Slew.
    pad().CKB_Assist_Vocal->setChecked(false);
    mount.clearRecords();
    for (int i = 0; i < 5; ++i)
        tap(Qt::Key_Insert);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(pad().RDB_Slew->isChecked());
    EXPECT_EQ(spoken().size(), 5);

    // The first keypad "/" only switches off; the next chooses Messier.
    pad().RDB_Coords->setChecked(true);
    tap(Qt::Key_Slash, true);
    EXPECT_EQ(pad().KeyboardControl, 0);
    EXPECT_FALSE(pad().BTN_N->isEnabled());
    EXPECT_TRUE(pad().RDB_Coords->isChecked());
    tap(Qt::Key_Slash, true);
    EXPECT_TRUE(pad().RDB_Messier->isChecked());

    // Arrow keys do nothing with the control off.
    mount.clearRecords();
    tap(Qt::Key_Up);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(mount.commands().isEmpty());

    // With an ASCOM mount the cycle skips the two LX200-only choices.
    pad().EnableAscomControls(false);
    for (int i = 0; i < 4; ++i)
        tap(Qt::Key_Slash, true);
    EXPECT_TRUE(pad().RDB_Etoile_SAO->isChecked());
    tap(Qt::Key_Slash, true);
    EXPECT_TRUE(pad().RDB_Coords->isChecked());
}

// The keys as an X11 server sends them while held: the arrow moves the
// mount once and stops it once; Enter held 1.2 s synchronises once; a real
// release and a quick new press stop and start again.
TEST_F(HandPadTest, HeldKeysAsX11SendsThemActOncePerHold)
{
    useLx200();
    const testsupport::LongKeySettle longSettle;
    testsupport::X11Keyboard keyboard;
    const auto runOut = [&] {
        testsupport::RunOutHeldKeys();
        ASSERT_TRUE(settle());
    };
    keyboard.press(FRM_Raquette, Qt::Key_Return);
    keyboard.advance(100);
    keyboard.release(FRM_Raquette, Qt::Key_Return);
    runOut();
    ASSERT_EQ(pad().KeyboardControl, 1);

    keyboard.hold(FRM_Raquette, Qt::Key_Left, 23, [](int i) { return i % 5 == 2; });
    runOut();
    EXPECT_EQ(mount.commands(), (QList<QByteArray>{":Me#", ":Qe#"}));

    mount.clearRecords();
    keyboard.advance(500);
    keyboard.tap(FRM_Raquette, Qt::Key_Down, 150);
    keyboard.advance(30);
    keyboard.tap(FRM_Raquette, Qt::Key_Down, 150);
    runOut();
    EXPECT_EQ(mount.commands(), (QList<QByteArray>{":Ms#", ":Qs#", ":Ms#", ":Qs#"}));

    // Enter held 1.2 s (30 repeats) with the fake clock following.
    pad().RDB_Messier->setChecked(true);
    pad().EDT_Numero->setText(QStringLiteral("42"));
    mount.clearRecords();
    keyboard.advance(500);
    keyboard.hold(FRM_Raquette, Qt::Key_Return, 30, [](int i) { return i % 2 == 0; },
                  [&] { clock.advanceMs(testsupport::X11Keyboard::kRepeat_ms); });
    runOut();
    EXPECT_EQ(mount.commands().count(":CM#"), 1) << mount.commands().join(' ').toStdString();
    EXPECT_EQ(pad().KeyboardControl, 1);
}

TEST_F(HandPadTest, Lx200GotoAndPositionReadingUseTheMountsLibrariesAndReplies)
{
    useLx200();
    mount.setPosition((12 * 3600 + 34.5 * 60) * 15, -30 * 60);
    pad().BTN_Position_ActuelleClick();
    ASSERT_TRUE(settle());
    EXPECT_EQ(pad().EDT_Position_Actuelle_AD->text(), QStringLiteral("12:34.5"));
    EXPECT_EQ(TelescopeRA, 12 * 54000 + 34 * 900);
    EXPECT_EQ(pad().EDT_Position_Actuelle_Dec->text(), QStringLiteral("-00*30"));
    EXPECT_EQ(TelescopeDec, -1800) << "a southern declination under one degree keeps its sign";
    // A mount switched to long precision shows its seconds whole.
    Prg_Suivi::Converse({{":U#"}}, [](const Prg_Suivi::RunResult&) {});
    ASSERT_TRUE(clickOnScreen(pad().BTN_Position_Actuelle));
    ASSERT_TRUE(settle());
    EXPECT_EQ(pad().EDT_Position_Actuelle_AD->text(), QStringLiteral("12:34:30"));
    EXPECT_EQ(pad().EDT_Position_Actuelle_Dec->text(), QStringLiteral("-00*30'00"));
    EXPECT_EQ(TelescopeDec, -1800);
    Prg_Suivi::Converse({{":U#"}}, [](const Prg_Suivi::RunResult&) {});
    ASSERT_TRUE(settle());
    mount.clearRecords();

    // "Etoile (LX200)": its library, then the star of a typed number.
    pad().RDB_Etoile->setChecked(true);
    pad().CatalogueClick(pad().RDB_Etoile);
    pad().EDT_Numero->setText(QStringLiteral("214"));
    EXPECT_EQ(pad().CBX_Etoile->currentText(), QStringLiteral("Vega/214"));
    ASSERT_TRUE(settle());
    EXPECT_TRUE(mount.received().contains("#:Ls 0#"));

    mount.clearRecords();
    pad().RDB_Etoile_SAO->setChecked(true);
    pad().BTN_GOTOClick();
    ASSERT_TRUE(settle());
    EXPECT_EQ(mount.commands(), (QList<QByteArray>{":Q#", ":L#", ":MS#"}));
    // The mount was given no object: it refuses the slew.
    EXPECT_EQ(pad().EDT_Resultat->text(), QStringLiteral("1Aucun objet choisi#"));
    EXPECT_FALSE(mount.slewing());

    // The fourth rate of the list selects the guide rate.
    mount.clearRecords();
    pad().CBX_Rate->clear();
    pad().CBX_Rate->addItems({"Slew", "Find", "Cntr", "Guide"});
    pad().CBX_Rate->setCurrentIndex(3);
    pad().CBX_RateChange();
    ASSERT_TRUE(settle());
    EXPECT_EQ(mount.commands(), QList<QByteArray>{":RG#"});
}

TEST_F(HandPadTest, AscomSyncPositionAndRateScrollBar)
{
    Telescope::SimulatedTelescope telescope;
    pref().RDB_Mount_ASCOM->setChecked(true);
    MountConnectClick();
    ASSERT_TRUE(telescope.connected);
    pad().EnableAscomControls(true);

    // Synchronising on typed coordinates with a known position.
    Sky::GotoOriginRA = Sky::GotoOriginDec = 1000;
    pad().RDB_Coords->setChecked(true);
    pad().TNI_RaH->SetValue(5);
    pad().TNI_DecD->SetValue(10);
    pad().BTN_SyncClick();
    EXPECT_EQ(telescope.raHours, 5.0);
    EXPECT_EQ(telescope.decDegrees, 10.0);
    EXPECT_DOUBLE_EQ(TelescopeRA, 5 * 54000);
    EXPECT_DOUBLE_EQ(TelescopeDec, 36000);
    EXPECT_FALSE(pad().EDT_Position_Actuelle_AD->text().isEmpty());

    // Beyond the pole: refused with a message, the driver is not synchronised.
    boxes.clear();
    pad().TNI_DecD->SetValue(90);
    pad().TNI_DecM->SetValue(30);
    pad().BTN_SyncClick();
    EXPECT_EQ(telescope.decDegrees, 10.0);
    EXPECT_DOUBLE_EQ(TelescopeDec, 36000);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("Coordonnées hors limites")));
    pad().TNI_DecM->SetValue(0);

    // An object not found: message and prompt, nothing else.
    Translation::ResetTexts();
    pad().CKB_Assist_Vocal->setChecked(true);
    pad().RDB_NGC->setChecked(true);
    Telescope::Prompts().Clear();
    sound.playedFiles.clear();
    pad().BTN_SyncClick();
    EXPECT_TRUE(FRM_Message->MEMO_Message->toPlainText().contains(QStringLiteral("Objet non trouvé")));
    EXPECT_EQ(spoken(), QStringList{QStringLiteral("S_Objet_non_trouve/900")});
    EXPECT_DOUBLE_EQ(TelescopeRA, 5 * 54000);

    // A position read while the driver does not answer keeps the last one.
    telescope.connected = false;
    AscomBridge::AscomSharedData.Connected = 0;
    pad().BTN_Position_ActuelleClick();
    EXPECT_DOUBLE_EQ(TelescopeRA, 5 * 54000);
    telescope.connected = true;
    AscomBridge::AscomSharedData.Connected = 1;

    // The scroll bar moves axis 0 at its speed; another interface stops it.
    pad().SCB_Rate->setValue(-300);
    EXPECT_EQ(pad().EDT_Rate->text(), QStringLiteral("-300"));
    EXPECT_DOUBLE_EQ(telescope.axisRate[0], -300.0 / 3600);
    pad().EnableLX200Controls();
    EXPECT_EQ(telescope.axisRate[0], 0.0);
    EXPECT_EQ(pad().SCB_Rate->value(), 0);
}

// A sync from the hand pad gives the goto dialog its object with the pad as
// the sender: the pad keeps the catalogue, the number and the coordinates
// the user set, with the LX200 mount on its serial line and with the
// shipped Alpaca simulator, on a catalogue object as on typed coordinates.
TEST_F(HandPadTest, ASyncLeavesThePadsCatalogueNumberAndCoordinatesAsTheUserSetThem)
{
    const OneObjectCatalogue catalogue(" NGC 224            M 31                 GALXY         00 42.7   +41 16    4.4"
                                       "                       177.83m     69.66m    35");
    ASSERT_EQ(Sky::DeepSkyCatalogue.size(), 1u);
    libraryWithM31();
    FRM_Alv->FirstActivationDone = true;   // the program has started
    TFRM_Raquette& r = pad();
    QWidget* const inputs[] = {r.TNI_RaH, r.TNI_RaM, r.TNI_RaS, r.TNI_DecD, r.TNI_DecM, r.TNI_DecS};
    const auto asSet = [&] {
        QStringList shown;
        for (QRadioButton* choice : {r.RDB_Messier, r.RDB_NGC, r.RDB_IC, r.RDB_UGC, r.RDB_Etoile_SAO, r.RDB_Etoile,
                                     r.RDB_Planete, r.RDB_Coords})
            if (choice->isChecked())
                shown << choice->objectName();
        shown << r.EDT_Numero->text() + (r.EDT_Numero->isEnabled() ? "" : " (off)");
        for (QWidget* input : inputs)
            shown << static_cast<QLineEdit*>(input)->text() + (input->isEnabled() ? "" : " (off)");
        return shown.join(u'|').toStdString();
    };
    // Coordinates typed first, then Messier 31 chosen and its number typed.
    const auto chooseM31 = [&] {
        ASSERT_TRUE(clickOnScreen(r.RDB_Coords));
        type(r.TNI_RaH, "7");
        type(r.TNI_DecD, "-12");
        ASSERT_TRUE(clickOnScreen(r.RDB_Messier));
        QTest::mouseClick(r.EDT_Numero, Qt::LeftButton);
        r.EDT_Numero->selectAll();
        QTest::keyClicks(r.EDT_Numero, QStringLiteral("31"));
    };
    const double m31Ra = (42.7 * 60) * 15, m31Dec = 41 * 3600 + 16 * 60;

    // LX200: the mount synchronises on its own library's object.
    ASSERT_NO_FATAL_FAILURE(padOnAConnectedLx200Mount());
    ASSERT_NO_FATAL_FAILURE(chooseM31());
    std::string before = asSet();
    mount.clearRecords();
    ASSERT_TRUE(clickOnScreen(r.BTN_Sync));
    ASSERT_TRUE(settle());
    EXPECT_TRUE(mount.commands().contains(":CM#")) << mount.commands().join(' ').toStdString();
    EXPECT_EQ(asSet(), before);
    ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Deconnecter));

    // ASCOM: the program finds the object and synchronises the telescope there.
    Telescope::AlpacaSimulator sim;
    ASSERT_NO_FATAL_FAILURE(connectAlpaca(sim));
    Systeme::ShowFormOnScreen(&r);
    ASSERT_NO_FATAL_FAILURE(chooseM31());
    before = asSet();
    ASSERT_TRUE(clickOnScreen(r.BTN_Sync));
    // Taken once the telescope has taken the sync.
    ASSERT_TRUE(waitUntil([&] {
        return !sim.calls().filter(QStringLiteral("PUT synctocoordinates")).isEmpty() && Sky::DestinationSet();
    }));
    EXPECT_NEAR(sim.state().raHours * 54000, m31Ra, 1);
    EXPECT_NEAR(sim.state().decDegrees * 3600, m31Dec, 1);
    EXPECT_NEAR(Sky::GotoDestinationRA, m31Ra, 1e-6);
    EXPECT_NEAR(Sky::GotoOriginDec, m31Dec, 1e-6);
    EXPECT_EQ(asSet(), before);

    // Typed coordinates stay as typed.
    ASSERT_TRUE(clickOnScreen(r.RDB_Coords));
    type(r.TNI_RaH, "5");
    type(r.TNI_RaM, "30");
    type(r.TNI_RaS, "15.5");
    type(r.TNI_DecD, "9");
    type(r.TNI_DecM, "59");
    type(r.TNI_DecS, "59.999");
    QTest::keyClick(r.TNI_DecS, Qt::Key_Tab);
    before = asSet();
    sim.clearCalls();
    ASSERT_TRUE(clickOnScreen(r.BTN_Sync));
    ASSERT_TRUE(waitUntil([&] {
        return !sim.calls().filter(QStringLiteral("PUT synctocoordinates")).isEmpty()
               && std::abs(Sky::GotoDestinationRA - m31Ra) > 1;
    }));
    EXPECT_NEAR(sim.state().raHours, 5 + 30 / 60.0 + 15.5 / 3600, 1e-6);
    EXPECT_EQ(asSet(), before);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
    ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Deconnecter));
    AscomBridge::StopBridge();
}

// A sync or a position read on an Alpaca telescope chosen but not yet
// connected connects it first, as GOTO does. One that cannot connect says
// why, once for each of them and for GOTO, and takes nothing as
// synchronised: the telescope's position and the goto dialog's points stay,
// the read-outs show the position stored; so does an LX200 mount whose port
// does not open.
TEST_F(HandPadTest, ASyncOrAPositionReadConnectsTheMountFirstOrSaysWhyAndTakesNothing)
{
    FRM_Alv->FirstActivationDone = true;   // the program has started
    Telescope::AlpacaSimulator sim;
    pref().EDT_ASCOM_Telescope->setText(QStringLiteral("127.0.0.1:%1/0").arg(sim.port()));
    ASSERT_TRUE(clickOnScreen(pref().RDB_Mount_ASCOM));
    TFRM_Raquette& r = pad();
    Systeme::ShowFormOnScreen(&r);
    ASSERT_TRUE(clickOnScreen(r.RDB_Coords));
    const auto typePosition = [&](const char* hours, const char* degrees) {
        for (auto [input, text] : {std::pair{r.TNI_RaH, hours}, {r.TNI_RaM, "42"}, {r.TNI_RaS, "42"},
                                   {r.TNI_DecD, degrees}, {r.TNI_DecM, "16"}})
            type(input, text);
        QTest::keyClick(r.TNI_DecM, Qt::Key_Tab);
    };
    typePosition("5", "41");
    const double ra = (5 * 3600 + 42 * 60 + 42) * 15.0, dec = 41 * 3600 + 16 * 60;
    ASSERT_TRUE(clickOnScreen(r.BTN_Sync));
    ASSERT_TRUE(waitUntil([&] { return !r.EDT_Position_Actuelle_Dec->text().isEmpty(); }));
    EXPECT_TRUE(sim.state().connected && pref().BTN_Mount_Deconnecter->isEnabled());
    EXPECT_NEAR(sim.state().raHours * 54000, ra, 1);
    EXPECT_NEAR(TelescopeRA, ra, 1);
    EXPECT_EQ(r.EDT_Position_Actuelle_AD->text(), CalcHelpers::RAToStr(Sky::GotoOriginRA));
    // A sync the telescope refuses is told and takes nothing either.
    sim.update([](Telescope::AlpacaSimulator::State& s) {
        s.failMember = QStringLiteral("synctocoordinates");
        s.failCount = 1;
    });
    typePosition("7", "-12");
    ASSERT_TRUE(clickOnScreen(r.BTN_Sync));
    ASSERT_TRUE(waitUntil([&] { return FRM_Message->MEMO_Message->toPlainText().contains("synctocoordinates : "); }));
    EXPECT_NEAR(TelescopeRA, ra, 1);
    EXPECT_NEAR(Sky::GotoOriginDec, dec, 1);

    ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Deconnecter));
    ASSERT_TRUE(waitUntil([&] { return !sim.state().connected && pref().BTN_Mount_Connecter->isEnabled(); }));
    sim.update([](Telescope::AlpacaSimulator::State& s) {
        s.failMember = QStringLiteral("connected");
        s.failCount = 100;
    });
    sim.clearCalls();
    FRM_Message->MEMO_Message->clear();
    r.EDT_Position_Actuelle_AD->clear();
    // The failures told once every answer is in: once for the three
    // commands that connect first, again for a "Connecter" of the user.
    const auto told = [] {
        const auto* bridge = dynamic_cast<const Alpaca::AlpacaBridge*>(AscomBridge::Installed());
        return bridge && bridge->Idle() && !AscomConnectionUnderWay()
                   ? FRM_Message->MEMO_Message->toPlainText().count(QStringLiteral("connected : "))
                   : -1;
    };
    const auto attempts = [&] { return sim.calls().filter(QStringLiteral("PUT connected")).size(); };
    ASSERT_TRUE(clickOnScreen(r.BTN_Sync));
    ASSERT_TRUE(waitUntil([&] { return told() > 0; }));
    EXPECT_EQ(told(), 1);
    EXPECT_TRUE(r.EDT_Position_Actuelle_AD->text().isEmpty()) << "nothing is shown as synchronised";
    ASSERT_TRUE(clickOnScreen(r.BTN_Position_Actuelle));
    ASSERT_TRUE(waitUntil([&] { return attempts() > 1 && told() >= 0; }));
    ASSERT_TRUE(clickOnScreen(r.RDB_Absolu));
    ASSERT_TRUE(clickOnScreen(r.BTN_GOTO));
    ASSERT_TRUE(waitUntil([&] { return attempts() > 2 && told() >= 0 && !Scripts::GotoRunning; }));
    EXPECT_EQ(told(), 1) << FRM_Message->MEMO_Message->toPlainText().toStdString();
    ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Connecter));
    ASSERT_TRUE(waitUntil([&] { return attempts() > 3 && told() > 1; }));
    EXPECT_EQ(told(), 2) << FRM_Message->MEMO_Message->toPlainText().toStdString();
    EXPECT_FALSE(FRM_Message->MEMO_Message->toPlainText().contains(TranslatedTexts.MSG_Goto_Sans_Coordonnees));
    EXPECT_TRUE(sim.calls().filter(QStringLiteral("synctocoordinates")).isEmpty());
    EXPECT_NEAR(TelescopeRA, ra, 1);
    EXPECT_NEAR(Sky::GotoOriginDec, dec, 1);
    EXPECT_EQ(r.EDT_Position_Actuelle_AD->text(), CalcHelpers::RAToStr(ra));
    AscomBridge::StopBridge();

    ASSERT_TRUE(clickOnScreen(pref().RDB_Mount_LX200));
    platform::com_io::SetDevicePath(3, dir.filePath(QStringLiteral("no-such-port")));
    r.EDT_Position_Actuelle_AD->clear();
    reports.clear();
    boxes.clear();
    ASSERT_TRUE(clickOnScreen(r.BTN_Position_Actuelle));
    QCoreApplication::processEvents();
    // The port's failure in one box, once the read is over, and nothing more.
    const QStringList portTold = boxes.texts() + reports;
    EXPECT_EQ(portTold.size(), 1) << portTold.join('\n').toStdString();
    EXPECT_EQ(portTold.filter(QStringLiteral("no-such-port")).size(), 1) << portTold.join('\n').toStdString();
    EXPECT_EQ(r.EDT_Position_Actuelle_AD->text(), CalcHelpers::RAToStr(ra));
}

// With no mount nor guide interface chosen, a move asked with the hand
// pad's buttons or keys or the command window's arrow keys is told once per
// press, nothing at its release.
TEST_F(HandPadTest, AMoveAskedWithNoInterfaceChosenIsToldOncePerPress)
{
    ASSERT_TRUE(pref().RDB_Mount_Aucun->isChecked() && pref().RDB_Autoguide_Aucun->isChecked());
    const testsupport::LongKeySettle longSettle;
    testsupport::X11Keyboard keyboard;
    TFRM_Raquette& r = pad();
    Systeme::ShowFormOnScreen(&r);
    const auto told = [] { return FRM_Message->MEMO_Message->toPlainText().count(TranslatedTexts.MSG_Aucune_Interface); };
    ASSERT_TRUE(pressOnScreen(r.BTN_E));
    ASSERT_TRUE(releaseOnScreen(r.BTN_E));
    EXPECT_EQ(told(), 1);
    keyboard.tap(keyTarget(&r), Qt::Key_Return, 100);
    testsupport::RunOutHeldKeys();
    keyboard.advance(300);
    keyboard.hold(keyTarget(&r), Qt::Key_Left, 23, [](int i) { return i % 5 == 2; });
    testsupport::RunOutHeldKeys();
    EXPECT_EQ(told(), 2);
    Systeme::ShowFormOnScreen(FRM_Prg_Suivi);
    keyboard.tap(keyTarget(FRM_Prg_Suivi), Qt::Key_Up, 200);
    testsupport::RunOutHeldKeys();
    EXPECT_EQ(told(), 3);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
}

// An LX200 mount whose port cannot be opened: whatever the user asks of it
// (a direction held on the pad's keys or with the mouse, GOTO), the port's
// failure is told once, in one box, and nothing more of the commands that
// then find the line unopened; nothing is left moving and GOTO is offered
// again. "Connecter" tells it again. A port entry naming no COM port is
// told the same way.
TEST_F(HandPadTest, ACommandOnAMountWhosePortCannotBeOpenedSaysWhyOnceAndNothingMore)
{
    const testsupport::LongKeySettle longSettle;
    testsupport::X11Keyboard keyboard;
    TFRM_Raquette& r = pad();
    ASSERT_TRUE(clickOnScreen(pref().RDB_Mount_LX200));
    platform::com_io::SetDevicePath(3, dir.filePath(QStringLiteral("no-such-port")));
    Systeme::ShowFormOnScreen(&r);
    r.activateWindow();
    // Every way the user is told: boxes, reports, the message window.
    const auto told = [&] {
        QCoreApplication::processEvents();
        return boxes.texts() + reports + FRM_Message->MEMO_Message->toPlainText().split(u'\n', Qt::SkipEmptyParts);
    };
    keyboard.tap(keyTarget(&r), Qt::Key_Return, 100);   // keyboard control on
    testsupport::RunOutHeldKeys();
    keyboard.advance(300);
    keyboard.hold(keyTarget(&r), Qt::Key_Left, 23, [](int i) { return i % 5 == 2; });
    testsupport::RunOutHeldKeys();
    ASSERT_EQ(told().size(), 1) << told().join('\n').toStdString();
    EXPECT_TRUE(told()[0].startsWith(QStringLiteral("open_com, erreur = 2"))) << told()[0].toStdString();
    EXPECT_TRUE(told()[0].contains(QStringLiteral("no-such-port"))) << told()[0].toStdString();

    ASSERT_TRUE(pressOnScreen(r.BTN_N));
    ASSERT_TRUE(releaseOnScreen(r.BTN_N));
    ASSERT_TRUE(clickOnScreen(r.RDB_Coords));
    ASSERT_TRUE(clickOnScreen(r.RDB_Absolu));
    for (auto [input, text] : {std::pair{r.TNI_RaH, "5"}, {r.TNI_RaM, "42"}, {r.TNI_DecD, "41"}})
        type(input, text);
    QTest::keyClick(r.TNI_DecD, Qt::Key_Tab);
    ASSERT_TRUE(clickOnScreen(r.BTN_GOTO));
    EXPECT_EQ(told().size(), 1) << told().join('\n').toStdString();
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_TRUE(r.BTN_GOTO->isEnabled());
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));

    ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Connecter));
    ASSERT_EQ(told().size(), 2) << told().join('\n').toStdString();
    EXPECT_EQ(told()[1], told()[0]);
    ASSERT_TRUE(clickOnScreen(r.BTN_GOTO));
    EXPECT_EQ(told().size(), 2) << told().join('\n').toStdString();

    dir.writeFile(Settings::kSerialPortList, "      COM3\r\n/dev/ttyUSB0\r\n");
    Settings::FillPortCombo(pref().CBX_AG_PortSerie, Settings::kSerialPortList, 0);
    ASSERT_NO_FATAL_FAILURE(testsupport::pick(pref().CBX_AG_PortSerie, QStringLiteral("/dev/ttyUSB0")));
    for (int press = 0; press < 2; ++press)
        ASSERT_TRUE(clickOnScreen(r.BTN_GOTO));
    ASSERT_EQ(told().size(), 3) << told().join('\n').toStdString();
    EXPECT_EQ(told()[2], TranslatedTexts.MSG_Port_Serie_Inconnu.arg(QStringLiteral("/dev/ttyUSB0")));
    EXPECT_TRUE(r.BTN_GOTO->isEnabled());
}

// Once the rate bar is let go, here by a click on the main window taking
// the keyboard from the pad, E and the arrow keys move at the rate the
// list shows, not at the bar's nor at 0.
TEST_F(HandPadTest, OnceTheRateBarIsLetGoTheDirectionsMoveAtTheListsRate)
{
    FRM_Alv->FirstActivationDone = true;   // the program has started
    dir.writeFile(QStringLiteral("ASComRates.ini"), "[AxisRates]\r\nGuidage=0.0042\r\nLent=1\r\n");
    Telescope::AlpacaSimulator sim;
    ASSERT_NO_FATAL_FAILURE(connectAlpaca(sim));
    TFRM_Raquette& r = pad();
    Systeme::ShowFormOnScreen(&r);
    ASSERT_NO_FATAL_FAILURE(testsupport::pick(r.CBX_Rate, QStringLiteral("Lent")));
    ASSERT_NO_FATAL_FAILURE(testsupport::pick(r.CBX_Rate, QStringLiteral("Guidage")));
    const auto moves = [&](double rate) {
        return waitUntil([&] {
            return sim.calls().contains(QStringLiteral("PUT moveaxis Axis=0&Rate=") + Alpaca::FormatNumber(rate));
        });
    };
    testsupport::typeInto(r.EDT_Rate, QStringLiteral("300"));
    ASSERT_TRUE(clickOnScreen(r.BTN_Rate));
    EXPECT_TRUE(moves(300 / 3600.0));
    sim.clearCalls();
    FRM_Alv->show();
    QTest::mouseClick(FRM_Alv->centralWidget(), Qt::LeftButton, {}, QPoint(1, 1));
    FRM_Alv->activateWindow();
    ASSERT_TRUE(waitUntil([&] { return r.SCB_Rate->value() == 0; }));
    EXPECT_TRUE(moves(0));

    sim.clearCalls();
    ASSERT_TRUE(pressOnScreen(r.BTN_E));
    EXPECT_TRUE(moves(-0.0042)) << sim.calls().join('\n').toStdString();
    ASSERT_TRUE(releaseOnScreen(r.BTN_E));
    r.activateWindow();
    const testsupport::LongKeySettle longSettle;
    testsupport::X11Keyboard keyboard;
    keyboard.tap(keyTarget(&r), Qt::Key_Return, 100);
    testsupport::RunOutHeldKeys();
    keyboard.advance(300);
    sim.clearCalls();
    keyboard.tap(keyTarget(&r), Qt::Key_Right, 200);
    EXPECT_TRUE(moves(0.0042)) << sim.calls().join('\n').toStdString();
    EXPECT_TRUE(moves(0));
    ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Deconnecter));
    AscomBridge::StopBridge();
}

// The pad's GOTO on a catalogue object writes the target into the pad's six
// inputs as they show seconds, to the hundredth: Messier 57 at +33 deg 2',
// a hair below it once through radians, reads 33 / 2 / 0.00, never
// 33 / 1 / 60.00. A script's goto destination writes them by the same rule.
TEST_F(HandPadTest, AGotoWritesThePadsInputsRoundedAsTheyShowThem)
{
    const OneObjectCatalogue catalogue(" NGC 6720           M 57                 PLNNB         18 53.6   +33 02    8.8  "
                                       "                     177.83m     69.66m    35");
    ASSERT_EQ(Sky::DeepSkyCatalogue.size(), 1u);
    FRM_Alv->FirstActivationDone = true;
    TFRM_Raquette& r = pad();
    const auto inputs = [&] {
        QStringList shown;
        for (QLineEdit* input : {r.TNI_RaH, r.TNI_RaM, r.TNI_RaS, r.TNI_DecD, r.TNI_DecM, r.TNI_DecS})
            shown << input->text();
        return shown.join(u'|').toStdString();
    };

    // The Alpaca simulator as the mount, its position read so that a goto
    // has an origin.
    Telescope::AlpacaSimulator sim;
    ASSERT_NO_FATAL_FAILURE(connectAlpaca(sim));
    Systeme::ShowFormOnScreen(&r);
    ASSERT_TRUE(clickOnScreen(r.BTN_Position_Actuelle));
    ASSERT_TRUE(waitUntil([] { return Sky::OriginSet(); }));

    ASSERT_TRUE(clickOnScreen(r.RDB_Absolu));
    ASSERT_TRUE(clickOnScreen(r.RDB_Messier));
    QTest::mouseClick(r.EDT_Numero, Qt::LeftButton);
    r.EDT_Numero->selectAll();
    QTest::keyClicks(r.EDT_Numero, QStringLiteral("57"));
    sim.clearCalls();
    ASSERT_TRUE(clickOnScreen(r.BTN_GOTO));
    // The catalogue's declination came back a hair below 33 deg 2'.
    ASSERT_LT(Sky::GotoDestinationDec, 33 * 3600 + 2 * 60);
    EXPECT_EQ(inputs(), "18|53|36.00|33|2|0.00");
    EXPECT_EQ(FRM_ObjectAction->EDT_Destination_Dec->text(), QStringLiteral(" 33\u00B0  2' 0.00\""));
    ASSERT_TRUE(waitUntil([&] { return !sim.calls().filter(QStringLiteral("PUT slewtocoordinates")).isEmpty(); }));
    const QString slew = sim.calls().filter(QStringLiteral("PUT slewtocoordinates")).first();
    EXPECT_NEAR(slew.section(QStringLiteral("Declination="), 1).toDouble() * 3600, 33 * 3600 + 2 * 60, 1e-3)
        << slew.toStdString();

    // A script's destination a hair below the next minute, south and at the
    // end of the day.
    EXPECT_TRUE(Scripts::ExecuteMacroLine(QStringLiteral("goto.destination(23h59m59.999s,-33d1m59.999s)")));
    EXPECT_EQ(inputs(), "0|0|0.00|-33|2|0.00");
    // The goto dialog's own inputs, as the chart's object list fills them.
    TFRM_ObjectAction& d = *FRM_ObjectAction;
    d.ShowObject(QStringLiteral("M57"), Sky::GotoDestinationRA, Sky::GotoDestinationDec);
    QStringList dialog;
    for (QLineEdit* input : {d.TNI_RaH, d.TNI_RaM, d.TNI_RaS, d.TNI_DecD, d.TNI_DecM, d.TNI_DecS})
        dialog << input->text();
    EXPECT_EQ(dialog.join(u'|').toStdString(), "0|0|0.00|-33|2|0.00");
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('\n').toStdString();
    ASSERT_TRUE(clickOnScreen(r.BTN_Abort));
    ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Deconnecter));
    AscomBridge::StopBridge();
}

TEST_F(HandPadTest, SpokenPromptsAreQueuedWithTheirSpacing)
{
    pad().CKB_Assist_Vocal->setChecked(true);
    pad().RDB_NGC->setChecked(true);
    Telescope::Prompts().Clear();
    pad().EDT_Numero->clear();
    pad().EDT_Numero->setFocus();
    for (const char* digit : {"1", "2"}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_1 + (digit[0] - '1'), Qt::NoModifier, QString::fromLatin1(digit));
        QApplication::sendEvent(pad().EDT_Numero, &press);
    }
    // Enter pressed, as a user does before its release (a release alone may
    // be the end of a key that answered a box, kept from every window).
    QKeyEvent enterDown(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(pad().EDT_Numero, &enterDown);
    QKeyEvent enter(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(pad().EDT_Numero, &enter);
    // Nothing waited: the prompts are queued behind the first.
    EXPECT_EQ(sound.playedFiles.size(), 1);
    EXPECT_EQ(Telescope::Prompts().CurrentWait(), 300);
    EXPECT_EQ(pad().EDT_Numero->text().trimmed(), QStringLiteral("12"));
    Telescope::Prompts().PlayNext();   // the first one's time is over
    EXPECT_EQ(spoken(), (QStringList{"S_2/300", "S_NGC/600", "S_1/300", "S_2/300"}));
    EXPECT_EQ(QFileInfo(sound.playedFiles.first()).fileName(), QStringLiteral("S_1.wav"));

    // A key missing from the set, or a missing set: silent, no wait.
    sound.playedFiles.clear();
    Telescope::PlayVoicePrompt(QStringLiteral("S_Absent"), 900);
    EXPECT_FALSE(Telescope::Prompts().Busy());
    EXPECT_TRUE(Telescope::VoicePrompts::PromptFile(QStringLiteral("Nowhere"), dir.path(), QStringLiteral("S_1")).isEmpty());
    EXPECT_TRUE(sound.playedFiles.isEmpty());
}

TEST_F(HandPadTest, AutomaticFocusingHalvesItsStepUntilTheTargetIsReached)
{
    pref().RDB_Focus_LX200->setChecked(true);
    pref().RDB_Mount_LX200->setChecked(true);
    ASSERT_TRUE(ConnectMount());
    pref().SPED_Tps_Base_Autofocus->setValue(1000);
    pref().TNI_FWHM_Stop->SetValue(2.0);
    pad().RDB_AF_Fin->setChecked(true);
    pad().BTN_Demarrer_AutofocusClick();
    EXPECT_EQ(AutofocusStepMs, 250);
    pad().AutofocusStep(false, 5.0);
    EXPECT_EQ(FocusDirection, 0) << "the first step goes inwards";
    EXPECT_TRUE(pad().TMR_Autofocus->isActive());
    pad().TMR_AutofocusTimer();
    for (double worse : {6.0, 7.0, 8.0})
        pad().AutofocusStep(false, worse);
    EXPECT_EQ(AutofocusStepMs, 100) << "never below 100 ms";
    EXPECT_GE(pad().GAUGE_Autofocus->value(), 0);
    EXPECT_LE(pad().GAUGE_Autofocus->value(), 100);
    pad().AutofocusStep(false, 1.5);
    EXPECT_TRUE(pad().BTN_Demarrer_Autofocus->isEnabled());
    EXPECT_FALSE(pad().TMR_Autofocus->isActive());
    EXPECT_EQ(AutofocusReady, 0);

    // A base step of 100 ms leaves the gauge in range.
    pref().SPED_Tps_Base_Autofocus->setValue(100);
    pad().BTN_Demarrer_AutofocusClick();
    pad().AutofocusStep(false, 5.0);
    pad().AutofocusStep(false, 6.0);
    EXPECT_EQ(pad().GAUGE_Autofocus->value(), 100);
    pad().BTN_Arreter_AutofocusClick();
}

TEST_F(HandPadTest, SpokenPromptsReachTheSoundOutputOneAfterTheOtherAtTheirSpacing)
{
    testsupport::RealSoundOutput output(sound, [](const QString& t) { ADD_FAILURE() << t.toStdString(); });
    if (!output.server())
        GTEST_SKIP() << "no sound server for this test: " << output.why().toStdString();
    platform::AudioSoundService& service = output.service();
    dir.writeFile(QStringLiteral("Sons/S_1.wav"), testsupport::toneWav(440, 200));
    dir.writeFile(QStringLiteral("Sons/S_2.wav"), testsupport::toneWav(440, 200));

    testsupport::OutputRecorder rec(*output.server());
    ASSERT_TRUE(rec.running());
    Telescope::PlayVoicePrompt(QStringLiteral("S_1"), 300);
    Telescope::PlayVoicePrompt(QStringLiteral("S_2"), 300);
    EXPECT_EQ(Telescope::Prompts().Pending(), 1u) << "the second waits for the first one's time";
    testsupport::waitUntil([] { return !Telescope::Prompts().Busy(); }, 10000);
    testsupport::waitUntil([&] { return !service.playing(); }, 10000);
    rec.stop();

    // The first tone in full, then the second once the first has had its
    // 300 ms (a few tens of ms either way as the output opens each one,
    // later on a busy machine), in full.
    const std::vector<testsupport::TonePart> tones = rec.parts(440);
    ASSERT_EQ(tones.size(), 2u) << rec.describe({440});
    EXPECT_NEAR(tones[0].length_ms(), 200, 40) << rec.describe({440});
    EXPECT_NEAR(tones[1].length_ms(), 200, 40) << rec.describe({440});
    EXPECT_GE(tones[1].start_ms - tones[0].start_ms, 300 - 50) << rec.describe({440});
}

// Coordinates typed on the hand pad that are no position on the sky never
// reach the mount: the user is told and the line stays silent. A position
// on the sky still goes.
TEST_F(HandPadTest, TypedCoordinatesOffTheSkyAreRefusedAndNothingReachesTheMount)
{
    testsupport::ScriptedMount scripted;
    ASSERT_NO_FATAL_FAILURE(useScriptedMountWithTypedCoordinates(scripted));

    auto clickGoto = [this] { QTest::mouseClick(pad().BTN_GOTO, Qt::LeftButton); };
    auto told = [this](const QString& text) {
        for (const platform::Message& m : boxes.shown)
            if (m.text.contains(text))
                return true;
        return false;
    };

    type(pad().TNI_RaH, "30");
    clickGoto();
    EXPECT_TRUE(told(QStringLiteral("entre 0 et 23")));
    EXPECT_EQ(pad().TNI_RaH->Value(), 0);
    EXPECT_EQ(line(scripted, 400), QList<QByteArray>{});

    // Within each input's bounds, but beyond the pole.
    boxes.clear();
    type(pad().TNI_RaH, "5");
    type(pad().TNI_DecD, "90");
    type(pad().TNI_DecM, "30");
    clickGoto();
    EXPECT_TRUE(told(QStringLiteral("Coordonnées hors limites")));
    EXPECT_EQ(line(scripted, 400), QList<QByteArray>{});

    boxes.clear();
    type(pad().TNI_DecD, "45");
    clickGoto();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(lineUntil(scripted, ":MS#"), (QList<QByteArray>{":Q#", ":Sr 05:00:00#", ":Sd +45:30:00#", ":MS#"}));
}

// A click on the pad that would leave a coordinate the pad refuses is part
// of the refusal. Answered with the mouse, the box took the release: no
// button is left drawn down and a direction button starts no move that
// nothing would stop. Answered from the keyboard with the mouse still held,
// the release that follows runs nothing either. The line stays silent
// until the coordinate is mended, but for "Stop", which acts whatever the
// coordinate holds; then the buttons drive the mount again.
TEST_F(HandPadTest, AClickThatLeavesARefusedCoordinateMovesNothingAndLeavesNoButtonDown)
{
    testsupport::ScriptedMount scripted;
    ASSERT_NO_FATAL_FAILURE(useScriptedMountWithTypedCoordinates(scripted));
    const QString refused = QStringLiteral("La valeur doit être comprise entre 0 et 23");
    type(pad().TNI_RaH, "30");
    {
        testsupport::ScreenBoxes screen;
        for (QPushButton* button : {pad().BTN_N, pad().BTN_GOTO}) {
            ASSERT_TRUE(pressOnScreen(button));
            QTest::qWait(60);
            EXPECT_FALSE(button->isDown()) << button->objectName().toStdString();
            EXPECT_EQ(pad().focusWidget(), pad().TNI_RaH);
        }
        EXPECT_EQ(screen.texts, (QStringList{refused, refused}));
    }
    for (QPushButton* button : {pad().BTN_E, pad().BTN_GOTO})
        ASSERT_TRUE(clickOnScreen(button));
    EXPECT_EQ(boxes.texts(), (QStringList{refused, refused}));
    EXPECT_EQ(line(scripted, 400), QList<QByteArray>{});
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
    EXPECT_EQ(pad().TNI_RaH->Value(), 0);

    // "Stop" stops whatever the coordinate holds, once, and before the
    // coordinate refuses its entry; the coordinate keeps the focus.
    struct StopFirst final : platform::MessageService {
        testsupport::ScriptedMount& mount;
        bool stopped = false;
        int boxes = 0;
        explicit StopFirst(testsupport::ScriptedMount& m) : mount(m) {}
        platform::MsgResult show(const platform::Message&) override
        {
            ++boxes;
            stopped = lineUntil(mount, ":Q#").contains(":Q#");
            return platform::MsgResult::Ok;
        }
    } stopFirst(scripted);
    platform::setMessageService(&stopFirst);
    ASSERT_TRUE(pressOnScreen(pad().BTN_Stop));
    releaseOnScreen(pad().BTN_Stop);
    QCoreApplication::processEvents();
    platform::setMessageService(&boxes);
    EXPECT_EQ(stopFirst.boxes, 1);
    EXPECT_TRUE(stopFirst.stopped);
    EXPECT_FALSE(pad().BTN_Stop->isDown());
    EXPECT_EQ(lineUntil(scripted, ":Q#").count(":Q#"), 1);
    EXPECT_EQ(pad().focusWidget(), pad().TNI_RaH);
    EXPECT_EQ(pad().TNI_RaH->text(), "30");
    scripted.clearRecords();

    pad().TNI_RaH->selectAll();
    QTest::keyClicks(pad().TNI_RaH, QStringLiteral("5"));
    ASSERT_TRUE(pressOnScreen(pad().BTN_N));
    EXPECT_TRUE(pad().BTN_N->isDown());
    releaseOnScreen(pad().BTN_N);
    QList<QByteArray> moves;
    for (const QByteArray& c : lineUntil(scripted, ":Qn#"))
        if (c.startsWith(":M") || c.startsWith(":Q"))
            moves << c;
    EXPECT_EQ(moves, (QList<QByteArray>{":Mn#", ":Qn#"}));
    EXPECT_EQ(pad().TNI_RaH->Value(), 5);
}

// A refused coordinate answered from the keyboard, as a user at the
// telescope does: Return or Escape closes the box once and it stays closed,
// the refused input keeps the focus with its text selected, from a click on
// GOTO and from a keyboard-only start. Return in a coordinate input moves on
// to the next one, which keeps the focus (the digits typed next land there);
// Return anywhere else still takes the focus off the controls. Nothing
// reaches the mount meanwhile.
TEST_F(HandPadTest, ARefusedCoordinateIsToldOnceAndReturnMovesThroughTheCoordinates)
{
    testsupport::ScriptedMount scripted;
    ASSERT_NO_FATAL_FAILURE(useScriptedMountWithTypedCoordinates(scripted));
    testsupport::X11Keyboard keyboard;
    const QString hours = QStringLiteral("La valeur doit être comprise entre 0 et 23");
    const QString seconds = QStringLiteral("La valeur doit être comprise entre 0 et 60");
    const auto focused = [] { return QApplication::focusWidget(); };
    // Where the keyboard is: the focused control, or the pad.
    const auto target = [&]() -> QWidget* { return focused() ? focused() : FRM_Raquette; };
    // A short press, each half where the keyboard is at that moment.
    const auto tap = [&](int key, Qt::KeyboardModifiers modifiers = {}) {
        keyboard.advance(200);
        keyboard.press(target(), key, modifiers);
        keyboard.advance(80);
        keyboard.release(target(), key, modifiers);
        testsupport::X11Keyboard::runEvents(150);
    };
    const auto toldOnce = [&](const testsupport::ScreenBoxes& screen, const QString& text, TCustomNumInp* input,
                              const QString& typed) {
        testsupport::X11Keyboard::runEvents(300);
        EXPECT_EQ(screen.texts, QStringList{text});
        EXPECT_EQ(focused(), input) << (focused() ? focused()->objectName().toStdString() : "none");
        EXPECT_EQ(input->selectedText(), typed);
    };

    // From the mouse: 30 hours, GOTO clicked; answered with Return, then Escape.
    for (int answer : {int(Qt::Key_Return), int(Qt::Key_Escape)}) {
        testsupport::ScreenBoxes screen(answer, &keyboard);
        type(pad().TNI_RaH, "30");
        ASSERT_TRUE(clickOnScreen(pad().BTN_GOTO));
        toldOnce(screen, hours, pad().TNI_RaH, QStringLiteral("30"));
    }
    pad().TNI_RaH->setText(QStringLiteral("0"));
    pad().TNI_RaH->clearFocus();

    // From the keyboard alone: Return takes the control; the keypad "/"
    // gives it back, then steps through the eight choices to "Coordonnées".
    tap(Qt::Key_Return);
    ASSERT_EQ(pad().KeyboardControl, 1);
    for (int i = 0; i < 9; ++i)
        tap(Qt::Key_Slash, Qt::KeypadModifier);
    ASSERT_EQ(focused(), pad().TNI_RaH);
    line(scripted, 300);   // the libraries the choices selected on the way
    scripted.clearRecords();
    QTest::keyClicks(pad().TNI_RaH, QStringLiteral("25"));
    {
        testsupport::ScreenBoxes screen(Qt::Key_Return, &keyboard);
        keyboard.advance(200);
        keyboard.press(pad().TNI_RaH, Qt::Key_Return);   // released in the box
        toldOnce(screen, hours, pad().TNI_RaH, QStringLiteral("25"));
    }
    // 5 in place of 25; Return on to the minutes, 35 there, on to the seconds.
    QTest::keyClicks(pad().TNI_RaH, QStringLiteral("5"));
    tap(Qt::Key_Return);
    EXPECT_EQ(focused(), pad().TNI_RaM);
    QTest::keyClicks(target(), QStringLiteral("35"));
    tap(Qt::Key_Return);
    EXPECT_EQ(pad().TNI_RaH->Value(), 5);
    EXPECT_EQ(pad().TNI_RaM->Value(), 35);
    ASSERT_EQ(focused(), pad().TNI_RaS);
    // 75 seconds refused, answered with Escape.
    QTest::keyClicks(pad().TNI_RaS, QStringLiteral("75"));
    {
        testsupport::ScreenBoxes screen(Qt::Key_Escape, &keyboard);
        keyboard.advance(200);
        keyboard.press(pad().TNI_RaS, Qt::Key_Return);
        toldOnce(screen, seconds, pad().TNI_RaS, QStringLiteral("75"));
    }
    QTest::keyClicks(pad().TNI_RaS, QStringLiteral("0"));
    for (TCustomNumInp* next : {pad().TNI_DecD, pad().TNI_DecM, pad().TNI_DecS}) {
        tap(Qt::Key_Return);
        EXPECT_EQ(focused(), next);
    }
    // Return in the last input: no control keeps the keyboard.
    tap(Qt::Key_Return);
    EXPECT_EQ(pad().focusWidget(), nullptr);
    EXPECT_EQ(pad().KeyboardControl, 1);
    EXPECT_EQ(line(scripted, 300), QList<QByteArray>{});

    // The keypad "*" on 75 seconds of declination: told once, nothing sent;
    // mended, the next "*" starts the goto (the refused one is no goto to
    // abort).
    pad().TNI_DecM->setFocus(Qt::TabFocusReason);
    tap(Qt::Key_Return);
    ASSERT_EQ(focused(), pad().TNI_DecS);
    QTest::keyClicks(pad().TNI_DecS, QStringLiteral("75"));
    {
        testsupport::ScreenBoxes screen(Qt::Key_Return, &keyboard);
        tap(Qt::Key_Asterisk, Qt::KeypadModifier);
        toldOnce(screen, QStringLiteral("La valeur doit être comprise entre -60 et 60"), pad().TNI_DecS,
                 QStringLiteral("75"));
    }
    EXPECT_EQ(line(scripted, 300), QList<QByteArray>{});
    QTest::keyClicks(pad().TNI_DecS, QStringLiteral("30"));
    tap(Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_TRUE(lineUntil(scripted, ":MS#").contains(":MS#"));
    EXPECT_EQ(pad().TNI_DecS->Value(), 30);
}

// The pad's goto group follows the mount chosen, whatever the guide and
// focuser pages choose, refuse or choose again: with an LX200 mount its
// rates, libraries and GOTO stay offered; with another mount the LX200's
// own (rates, star library, planets) are greyed; the LX200 again gives
// them back.
TEST_F(HandPadTest, AnLx200MountKeepsItsControlsWhateverTheGuideAndFocuserPagesChoose)
{
    TFRM_Pref& p = pref();
    TFRM_Raquette& r = pad();
    Systeme::ShowFormOnScreen(&r);
    const std::initializer_list<QWidget*> lx200Own = {r.RDB_Slew, r.RDB_Find, r.RDB_Cntr, r.RDB_Guide, r.RDB_Etoile,
                                                      r.RDB_Planete};
    const std::initializer_list<QWidget*> gotoGroup = {r.BTN_GOTO,  r.RDB_Messier,    r.RDB_NGC, r.RDB_IC,
                                                       r.RDB_UGC,   r.RDB_Etoile_SAO, r.RDB_Etoile, r.RDB_Planete,
                                                       r.RDB_Slew,  r.RDB_Guide,      r.RDB_Absolu};
    const auto offered = [&](std::initializer_list<QWidget*> controls) {
        QStringList greyed;
        for (QWidget* c : controls)
            if (!c->isEnabled())
                greyed << c->objectName();
        return greyed.join(u' ').toStdString();
    };
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_LX200));
    EXPECT_EQ(offered(gotoGroup), "");

    // Guide port: Venner, its connection refused (COM3 has no register
    // address), none again; then the pulse boxes that force the relative
    // mode on a mount without a goto of its own.
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Venner));
    EXPECT_EQ(offered(gotoGroup), "");
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Connecter));
    ASSERT_EQ(boxes.shown.size(), 1u) << "the refusal";
    EXPECT_EQ(offered(gotoGroup), "");
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Aucun));
    EXPECT_EQ(offered(gotoGroup), "");
    for (QRadioButton* guide : {p.RDB_Autoguide_Marrick, p.RDB_Autoguide_KitsRus108, p.RDB_Autoguide_Aucun}) {
        ASSERT_TRUE(clickOnScreen(guide));
        EXPECT_EQ(offered(gotoGroup), "") << guide->objectName().toStdString();
    }
    // Focuser: Venner, an automatic focusing started, none: the focus
    // group goes grey with its focusing stopped.
    ASSERT_TRUE(clickOnScreen(p.RDB_Focus_Venner));
    EXPECT_EQ(offered(gotoGroup), "");
    ASSERT_TRUE(clickOnScreen(r.BTN_Demarrer_Autofocus));
    ASSERT_TRUE(r.BTN_Arreter_Autofocus->isEnabled());
    ASSERT_TRUE(clickOnScreen(p.RDB_Focus_Aucun));
    EXPECT_EQ(offered(gotoGroup), "");
    EXPECT_FALSE(r.GRB_Focus->isEnabled()) << "no focuser: nothing for its buttons to move";
    EXPECT_EQ(AutofocusReady, 0);
    EXPECT_FALSE(r.TMR_Autofocus->isActive());
    EXPECT_TRUE(r.BTN_Demarrer_Autofocus->isEnabledTo(r.GRB_Focus)) << "ready for the next focuser";
    // The mount connected.
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Connecter));
    ASSERT_TRUE(settle());
    EXPECT_EQ(offered(gotoGroup), "");

    // Another mount greys the LX200's own; the LX200 again gives them back.
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Deconnecter));
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_Aucun));
    ASSERT_TRUE(p.RDB_Mount_Aucun->isChecked());
    for (QWidget* c : lx200Own)
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_LX200));
    EXPECT_EQ(offered(gotoGroup), "");
    ASSERT_TRUE(settle());
}

// The shipped simulated mount slews the shorter way round in right
// ascension, through 0 h either way, and ends where it was sent.
TEST_F(HandPadTest, TheSimulatedMountSlewsTheShortWayThroughZeroHours)
{
    constexpr double hour = 54000;
    constexpr double from = 23 * hour + 27 * 900, to = 5 * hour + 35 * 900;   // 23h27, 5h35
    TFRM_Pref& p = pref();
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_LX200));
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Connecter));
    ASSERT_TRUE(settle());
    Systeme::ShowFormOnScreen(&pad());
    ASSERT_TRUE(clickOnScreen(pad().RDB_Coords));
    ASSERT_TRUE(settle());

    // Typed on the pad and sent by its GOTO; the slew followed on the
    // simulator's clock until it ends.
    const auto slew = [&](const char* h, const char* m, double start, double end) {
        mount.setPosition(start, 20 * 3600);
        type(pad().TNI_RaH, h);
        type(pad().TNI_RaM, m);
        type(pad().TNI_DecD, "20");
        QTest::mouseClick(pad().BTN_GOTO, Qt::LeftButton);
        EXPECT_TRUE(settle());
        EXPECT_TRUE(mount.slewing());
        const std::int64_t t0 = clock.monotonicMs();
        while (mount.slewing() && clock.monotonicMs() - t0 < 200000) {
            clock.advanceMs(500);
            mount.pump();
            const double ra = mount.ra();
            EXPECT_TRUE(ra >= from - 1 || ra <= to + 1) << "the long way round, at " << ra / hour << " h";
            EXPECT_TRUE(ra >= 0 && ra < 24 * hour) << ra / hour;
        }
        EXPECT_DOUBLE_EQ(mount.ra(), end);
        // GOTO comes back once the poll has read the slew's end.
        FRM_Prg_Suivi->TMR_ScopePositionTimer();
        EXPECT_TRUE(settle());
        EXPECT_TRUE(pad().BTN_GOTO->isEnabled());
        return clock.monotonicMs() - t0;
    };
    // 6h08 of right ascension (92 degrees) at the simulator's slew rate,
    // not the 17h52 of the other way.
    const double shortWay_ms = (to + 24 * hour - from) / Telescope::SimulatedLx200Mount::kDefaultSlewRate * 1000;
    EXPECT_LE(slew("5", "35", from, to), shortWay_ms + 500) << "up through 0 h";
    EXPECT_LE(slew("23", "27", to, from), shortWay_ms + 500) << "down through 0 h";
    EXPECT_TRUE(settle());
}

// The pad's library goto on the simulated mount: choosing the library gets
// the mount's digit, which no later exchange takes for its own reply; the
// object chosen on the pad (Messier, NGC, IC) is found in the program's deep-sky catalogue and
// the mount slews there; an object it does not find, or any while the
// catalogue is missing, is refused, told in the message window, and the
// mount stays where it is. A sync on an object shows the mount's reply.
TEST_F(HandPadTest, TheSimulatedMountGoesToTheLibraryObjectChosenOnThePadAndRefusesOthers)
{
    constexpr double hour = 54000, minute = 900, degree = 3600, arcmin = 60;
    TFRM_Raquette& r = pad();
    ASSERT_NO_FATAL_FAILURE(padOnAConnectedLx200Mount());
    mount.setPosition(10 * hour, 20 * degree);
    // The catalogue clicked, the number typed, GOTO clicked, the slew
    // followed until the poll reads its end. `sent`: what reached the mount
    // up to the goto's reply.
    QList<QByteArray> sent;
    const auto gotoObject = [&](QRadioButton* catalogue, const char* number) {
        mount.clearRecords();
        ASSERT_TRUE(clickOnScreen(catalogue));
        ASSERT_TRUE(settle());
        QTest::mouseClick(r.EDT_Numero, Qt::LeftButton);
        r.EDT_Numero->selectAll();
        QTest::keyClicks(r.EDT_Numero, QString::fromLatin1(number));
        FRM_Message->MEMO_Message->clear();
        ASSERT_TRUE(clickOnScreen(r.BTN_GOTO));
        ASSERT_TRUE(settle());
        sent = mount.commands();
        ASSERT_NO_FATAL_FAILURE(pollToTheSlewEnd());
        EXPECT_FALSE(mount.slewing());
        EXPECT_FALSE(Scripts::GotoRunning);
        EXPECT_TRUE(r.BTN_GOTO->isEnabled());
    };
    const auto refusedWhere = [&](const char* reason, double ra, double dec) {
        EXPECT_EQ(r.EDT_Resultat->text(), QStringLiteral("1%1#").arg(QLatin1String(reason)));
        EXPECT_TRUE(FRM_Message->MEMO_Message->toPlainText().contains(
            QStringLiteral("Goto refusé par la monture : %1").arg(QLatin1String(reason))))
            << FRM_Message->MEMO_Message->toPlainText().toStdString();
        EXPECT_NEAR(mount.ra(), ra, 1e-6);
        EXPECT_NEAR(mount.dec(), dec, 1e-6);
    };
    const auto arrivedAt = [&](double ra, double dec) {
        EXPECT_EQ(r.EDT_Resultat->text(), QStringLiteral("0"));
        EXPECT_FALSE(FRM_Message->MEMO_Message->toPlainText().contains(QStringLiteral("refusé")));
        EXPECT_NEAR(mount.ra(), ra, 1e-6);
        EXPECT_NEAR(mount.dec(), dec, 1e-6);
    };

    // Choosing a library, the mount says whether it has it with one digit
    // the program reads nowhere: the deep-sky ones it has, no star library.
    const auto libraryAnswer = [&](QRadioButton* catalogue) {
        platform::com_io::read_available(ComChannel::LX200);
        EXPECT_TRUE(clickOnScreen(catalogue));
        EXPECT_TRUE(settle());
        mount.pump();
        return platform::com_io::read_available(ComChannel::LX200);
    };
    EXPECT_EQ(libraryAnswer(r.RDB_UGC), QByteArray("1"));
    EXPECT_EQ(libraryAnswer(r.RDB_Etoile_SAO), QByteArray("0"));
    EXPECT_EQ(libraryAnswer(r.RDB_Messier), QByteArray());

    // Without the catalogue the mount knows no object.
    ASSERT_NO_FATAL_FAILURE(gotoObject(r.RDB_Messier, "42"));
    EXPECT_EQ(sent, (QList<QByteArray>{":Q#", ":LM 42#", ":MS#"}));
    refusedWhere("M 42 inconnu : catalogue SAC72.dat absent", 10 * hour, 20 * degree);

    const QString converted = QStringLiteral(NJ_SKYDATA_DIR);
    if (!QFile::exists(converted + QStringLiteral("/SAC72.dat")))
        GTEST_SKIP() << "no converted catalogues (scripts/install-deps.sh fetches their sources)";
    ASSERT_TRUE(QFile::copy(converted + QStringLiteral("/SAC72.dat"), dir.filePath(QStringLiteral("SAC72.dat"))));

    // Messier 42 is NGC 1976; "Obtenir Position" reads it from the mount.
    const double m42ra = 5 * hour + 35.3 * minute, m42dec = -(5 * degree + 23 * arcmin);
    ASSERT_NO_FATAL_FAILURE(gotoObject(r.RDB_Messier, "42"));
    arrivedAt(m42ra, m42dec);
    ASSERT_TRUE(clickOnScreen(r.BTN_Position_Actuelle));
    ASSERT_TRUE(settle());
    EXPECT_EQ(r.EDT_Position_Actuelle_AD->text(), QStringLiteral("05:35.3"));
    EXPECT_EQ(r.EDT_Position_Actuelle_Dec->text(), QStringLiteral("-05*23"));

    // NGC and IC numbers through the library each radio button chooses;
    // NGC 224 and Messier 31 are one object.
    const double m31ra = 42.7 * minute, m31dec = 41 * degree + 16 * arcmin;
    ASSERT_NO_FATAL_FAILURE(gotoObject(r.RDB_NGC, "224"));
    arrivedAt(m31ra, m31dec);
    ASSERT_NO_FATAL_FAILURE(gotoObject(r.RDB_IC, "434"));
    EXPECT_EQ(sent, (QList<QByteArray>{":Lo 1#", ":Q#", ":Lo 1#", ":LC 434#", ":MS#"}));
    arrivedAt(5 * hour + 41 * minute, -(2 * degree + 27 * arcmin));
    ASSERT_NO_FATAL_FAILURE(gotoObject(r.RDB_Messier, "31"));
    arrivedAt(m31ra, m31dec);

    // An object it does not find leaves it without a target: not the last
    // object's, nor the catalogue's first.
    ASSERT_NO_FATAL_FAILURE(gotoObject(r.RDB_Messier, "999"));
    refusedWhere("M 999 absent du catalogue", m31ra, m31dec);
    // The reason names the object by the catalogue the user chose, not by
    // the command's letter.
    ASSERT_NO_FATAL_FAILURE(gotoObject(r.RDB_NGC, "9999"));
    refusedWhere("NGC 9999 absent du catalogue", m31ra, m31dec);
    ASSERT_NO_FATAL_FAILURE(gotoObject(r.RDB_IC, "9999"));
    refusedWhere("IC 9999 absent du catalogue", m31ra, m31dec);

    // A sync shows the mount's reply as a goto does: on an object it does
    // not find it stays where it was and says why; on one it finds it is
    // there.
    const auto syncOn = [&](QRadioButton* catalogue, const char* number) {
        ASSERT_TRUE(clickOnScreen(catalogue));
        QTest::mouseClick(r.EDT_Numero, Qt::LeftButton);
        r.EDT_Numero->selectAll();
        QTest::keyClicks(r.EDT_Numero, QString::fromLatin1(number));
        ASSERT_TRUE(clickOnScreen(r.BTN_Sync));
        ASSERT_TRUE(settle());
    };
    ASSERT_NO_FATAL_FAILURE(syncOn(r.RDB_Messier, "999"));
    EXPECT_EQ(r.EDT_Resultat->text(), QStringLiteral("M 999 absent du catalogue#"));
    EXPECT_NEAR(mount.ra(), m31ra, 1e-6);
    ASSERT_NO_FATAL_FAILURE(syncOn(r.RDB_NGC, "1976"));
    EXPECT_EQ(r.EDT_Resultat->text(), QStringLiteral("Coordonnees synchronisees#"));
    EXPECT_NEAR(mount.ra(), m42ra, 1e-6);
    EXPECT_NEAR(mount.dec(), m42dec, 1e-6);
    mount.setPosition(m31ra, m31dec);

    // The star library goes by the star shown in its list, whatever number
    // was typed for another catalogue; the simulator has no star or planet
    // library and refuses both.
    const auto gotoChosen = [&](QRadioButton* catalogue) {
        mount.clearRecords();
        ASSERT_TRUE(clickOnScreen(catalogue));
        FRM_Message->MEMO_Message->clear();
        ASSERT_TRUE(clickOnScreen(r.BTN_GOTO));
        ASSERT_TRUE(settle());
        sent = mount.commands();
        ASSERT_NO_FATAL_FAILURE(pollToTheSlewEnd());
    };
    ASSERT_NO_FATAL_FAILURE(gotoChosen(r.RDB_Etoile));
    EXPECT_EQ(r.CBX_Etoile->currentText(), QStringLiteral("Achernar/13"));
    EXPECT_EQ(sent, (QList<QByteArray>{":Ls 0#", ":Q#", ":Ls 0#", ":LS 13#", ":MS#"}));
    refusedWhere("S 13 absent du catalogue", m31ra, m31dec);
    ASSERT_NO_FATAL_FAILURE(gotoChosen(r.RDB_Planete));
    EXPECT_EQ(sent, (QList<QByteArray>{":Q#", ":LS 900#", ":MS#"}));
    refusedWhere("S 900 absent du catalogue", m31ra, m31dec);

    // IC chosen while the LX200 was the guide port only, the mount's
    // library staying NGC: the GOTO goes to IC 434 all the same, not to
    // NGC 434.
    ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Deconnecter));
    ASSERT_TRUE(clickOnScreen(pref().RDB_Mount_Aucun));
    ASSERT_TRUE(clickOnScreen(pref().RDB_Autoguide_LX200));
    ASSERT_TRUE(clickOnScreen(r.RDB_IC));
    ASSERT_TRUE(r.RDB_IC->isChecked());
    ASSERT_TRUE(clickOnScreen(pref().RDB_Mount_LX200));
    ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Connecter));
    ASSERT_TRUE(settle());
    mount.clearRecords();
    QTest::mouseClick(r.EDT_Numero, Qt::LeftButton);
    r.EDT_Numero->selectAll();
    QTest::keyClicks(r.EDT_Numero, QStringLiteral("434"));
    FRM_Message->MEMO_Message->clear();
    ASSERT_TRUE(clickOnScreen(r.BTN_GOTO));
    ASSERT_TRUE(settle());
    EXPECT_EQ(mount.commands(), (QList<QByteArray>{":Q#", ":Lo 1#", ":LC 434#", ":MS#"}));
    ASSERT_NO_FATAL_FAILURE(pollToTheSlewEnd());
    arrivedAt(5 * hour + 41 * minute, -(2 * degree + 27 * arcmin));
}

// The catalogue and the goto mode are two choices of the goto group: a
// click on the catalogue already chosen keeps it, and a catalogue chosen
// never takes the mode with it.
TEST_F(HandPadTest, TheCatalogueAndTheGotoModeAreChosenApart)
{
    TFRM_Raquette& r = pad();
    Systeme::ShowFormOnScreen(&r);
    ASSERT_TRUE(clickOnScreen(r.RDB_Relatif));
    for (QRadioButton* choice : {r.RDB_Messier, r.RDB_Messier, r.RDB_NGC, r.RDB_Coords, r.RDB_Coords, r.RDB_Messier}) {
        ASSERT_TRUE(clickOnScreen(choice));
        EXPECT_TRUE(choice->isChecked()) << choice->objectName().toStdString();
        EXPECT_TRUE(r.RDB_Relatif->isChecked()) << choice->objectName().toStdString();
    }
    ASSERT_TRUE(clickOnScreen(r.RDB_Absolu));
    EXPECT_TRUE(r.RDB_Messier->isChecked());
    EXPECT_FALSE(r.RDB_Relatif->isChecked());
}

// A goto from the pad, by its GOTO or by the keypad "*", is the mount's
// goto like any other: both GOTO buttons stay greyed while it runs (no
// second goto starts over it), and it runs until the poll reads the slew's
// end, with the end's actions, or until "*" aborts it; the next "*" then
// starts the next goto.
TEST_F(HandPadTest, APadGotoRunsAloneUntilTheMountEndsItAndTheNextStarOneStartsAgain)
{
    TFRM_Raquette& r = pad();
    TFRM_ObjectAction& d = *FRM_ObjectAction;
    QTimer* poll = FRM_Prg_Suivi->TMR_ScopePosition;
    pref().CKB_Fin_GOTO_Afficher_Message->setChecked(true);
    ASSERT_NO_FATAL_FAILURE(padReadyForM31());
    // Keys go where the user's keyboard sends them.
    const auto press = [&](Qt::Key k, bool keypad = false) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus && focus->window() == &r ? focus : static_cast<QWidget*>(&r), k,
                        keypad ? Qt::KeypadModifier : Qt::NoModifier);
    };
    const auto running = [&] {
        return Scripts::GotoRunning && !r.BTN_GOTO->isEnabled() && r.BTN_Abort->isEnabled() && !d.BTN_Goto->isEnabled()
               && poll->isActive();
    };
    const auto over = [&] {
        return !Scripts::GotoRunning && r.BTN_GOTO->isEnabled() && !poll->isActive() && !d.BTN_Abort->isEnabled();
    };
    const QList<QByteArray> gotoM31{":Q#", ":LM 31#", ":MS#"};
    // The mount away from Messier 31, the goto started as `start` does.
    const auto startsTheGoto = [&](const std::function<void()>& start) {
        mount.setPosition(10 * 54000, 20 * 3600);
        mount.clearRecords();
        start();
        ASSERT_TRUE(settle());
        EXPECT_EQ(mount.commands(), gotoM31);
        EXPECT_TRUE(running());
    };
    const auto star = [&] { press(Qt::Key_Asterisk, true); };

    ASSERT_NO_FATAL_FAILURE(startsTheGoto(star));
    // A second goto while it runs: the greyed GOTO takes no click.
    mount.clearRecords();
    QTest::mouseClick(r.BTN_GOTO, Qt::LeftButton);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(mount.commands().isEmpty());
    FRM_Message->MEMO_Message->clear();
    ASSERT_NO_FATAL_FAILURE(pollToTheSlewEnd());
    EXPECT_FALSE(mount.slewing());
    EXPECT_TRUE(over());
    EXPECT_TRUE(FRM_Message->MEMO_Message->toPlainText().contains(TranslatedTexts.MSG_ExecutionTerminee));

    // The next "*" starts the next goto; "*" while it runs aborts it.
    ASSERT_NO_FATAL_FAILURE(startsTheGoto(star));
    mount.clearRecords();
    press(Qt::Key_Asterisk, true);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(mount.commands().contains(":Q#"));
    EXPECT_FALSE(mount.commands().contains(":MS#"));
    EXPECT_FALSE(mount.slewing());
    EXPECT_TRUE(over());

    // The pad's GOTO clicked: the same goto, the same end.
    ASSERT_NO_FATAL_FAILURE(startsTheGoto([&] { ASSERT_TRUE(clickOnScreen(r.BTN_GOTO)); }));
    ASSERT_NO_FATAL_FAILURE(pollToTheSlewEnd());
    EXPECT_TRUE(over());
}

// A calibration of the goto dialog and a pad goto keep each their own: the
// end of the goto leaves the calibration its Abort and GOTO greyed, and the
// end of the calibration (Abort or "Valider") leaves the goto running with
// its Abort, until the mount ends it.
TEST_F(HandPadTest, APadGotoAndACalibrationOfTheGotoDialogEndApart)
{
    TFRM_Raquette& r = pad();
    TFRM_ObjectAction& d = *FRM_ObjectAction;
    ASSERT_NO_FATAL_FAILURE(padReadyForM31());
    d.show();
    ASSERT_TRUE(clickOnScreen(d.RDB_Relatif));
    ASSERT_NO_FATAL_FAILURE(takeDialogPoints(d));
    const auto startPadGoto = [&] {
        mount.setPosition(10 * 54000, 20 * 3600);
        ASSERT_TRUE(clickOnScreen(r.BTN_GOTO));
        ASSERT_TRUE(settle());
        ASSERT_TRUE(Scripts::GotoRunning);
    };
    // What the dialog offers: GOTO, Abort, the mode, the calibration's caption.
    const auto dialog = [&] {
        return QStringLiteral("GOTO %1 Abort %2 mode %3 %4")
            .arg(d.BTN_Goto->isEnabled() ? "on" : "off", d.BTN_Abort->isEnabled() ? "on" : "off",
                 d.RDB_Relatif->isEnabled() ? "on" : "off", d.BTN_Calibrer->text())
            .toStdString();
    };
    const std::string calibrating = "GOTO off Abort on mode off Valider";
    const std::string idle = "GOTO on Abort off mode on Calibrer";

    // The goto ends during the calibration; a mode a remote program sets
    // meanwhile gives nothing back either.
    ASSERT_NO_FATAL_FAILURE(startPadGoto());
    ASSERT_TRUE(clickOnScreen(d.BTN_Calibrer));
    EXPECT_EQ(dialog(), calibrating);
    ASSERT_NO_FATAL_FAILURE(pollToTheSlewEnd());
    ASSERT_FALSE(mount.slewing());
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_TRUE(r.BTN_GOTO->isEnabled()) << "the pad's goto is over";
    EXPECT_EQ(dialog(), calibrating);
    Scripts::ExecuteMacroLine(QStringLiteral("goto.mode(relative)"));
    EXPECT_EQ(dialog(), calibrating);
    ASSERT_TRUE(clickOnScreen(d.BTN_Abort));
    EXPECT_EQ(dialog(), idle);

    // The calibration ends during the goto: by Abort, by the pad's "*"
    // (which aborts as Abort does), by "Valider".
    ASSERT_NO_FATAL_FAILURE(startPadGoto());
    const std::string gotoRuns = "GOTO off Abort on mode off Calibrer";
    const std::pair<const char*, std::function<void()>> ends[] = {
        {"Abort", [&] { ASSERT_TRUE(clickOnScreen(d.BTN_Abort)); }},
        {"*", [&] { QTest::keyClick(&r, Qt::Key_Asterisk, Qt::KeypadModifier); }},
        {"Valider", [&] { ASSERT_TRUE(clickOnScreen(d.BTN_Calibrer)); }},
    };
    for (const auto& [name, end] : ends) {
        ASSERT_TRUE(clickOnScreen(d.BTN_Calibrer));
        EXPECT_EQ(dialog(), calibrating);
        end();
        ASSERT_TRUE(settle());
        EXPECT_EQ(dialog(), gotoRuns) << name;
        EXPECT_TRUE(Scripts::GotoRunning) << name;
        EXPECT_TRUE(mount.slewing()) << name;
        EXPECT_FALSE(r.BTN_GOTO->isEnabled()) << name;
    }
    ASSERT_NO_FATAL_FAILURE(pollToTheSlewEnd());
    ASSERT_FALSE(mount.slewing());
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_TRUE(r.BTN_GOTO->isEnabled());
    EXPECT_EQ(dialog(), idle);

    // The dialog's own relative goto, its timed moves ending during the
    // calibration.
    ASSERT_TRUE(clickOnScreen(d.BTN_Goto));
    ASSERT_TRUE(settle());
    ASSERT_TRUE(FRM_Prg_Suivi->TMR_Suivi_AD->isActive());
    ASSERT_TRUE(clickOnScreen(d.BTN_Calibrer));
    FRM_Prg_Suivi->TMR_Suivi_ADTimer();
    FRM_Prg_Suivi->TMR_Suivi_DecTimer();
    ASSERT_TRUE(settle());
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_EQ(dialog(), calibrating);
    ASSERT_TRUE(clickOnScreen(d.BTN_Calibrer));
    EXPECT_EQ(dialog(), idle);

    // "Reinitialiser" during a calibration takes the distance it divides:
    // the calibration is cancelled with the points, nothing left armed.
    ASSERT_TRUE(clickOnScreen(d.BTN_Calibrer));
    ASSERT_EQ(dialog(), calibrating);
    ASSERT_TRUE(clickOnScreen(d.BTN_Effacer_Coord));
    EXPECT_EQ(dialog(), "GOTO off Abort off mode on Calibrer");
    EXPECT_FALSE(d.BTN_Calibrer->isEnabled());
    EXPECT_FALSE(HandPadCalibrating);

    // The points cleared while a goto runs: its end gives back no GOTO
    // that would start nothing, in either mode.
    for (QRadioButton* mode : {d.RDB_Relatif, d.RDB_Absolu}) {
        ASSERT_TRUE(clickOnScreen(d.RDB_Relatif));
        ASSERT_NO_FATAL_FAILURE(takeDialogPoints(d));
        ASSERT_TRUE(clickOnScreen(mode));
        ASSERT_NO_FATAL_FAILURE(startPadGoto());
        ASSERT_TRUE(clickOnScreen(d.BTN_Effacer_Coord));
        ASSERT_NO_FATAL_FAILURE(pollToTheSlewEnd());
        ASSERT_FALSE(Scripts::GotoRunning);
        EXPECT_FALSE(d.BTN_Goto->isEnabled()) << mode->objectName().toStdString();
        EXPECT_FALSE(d.BTN_Abort->isEnabled()) << mode->objectName().toStdString();
    }
}

// A move of a distance, timed at the motor speeds (the guide rate's), on a
// mount the hand pad left at "Slew" goes at the guide rate: a script's move
// or a relative goto no longer carries the mount by hours.
TEST_F(HandPadTest, AMoveOfADistanceGoesAtTheGuideRateTheSpeedsWereTakenAt)
{
    useLx200();
    Systeme::ShowFormOnScreen(&pad());
    // "Slew" chosen in the pad's Mode list with the keys.
    QComboBox* rate = pad().CBX_Rate;
    QTest::keyClick(rate, Qt::Key_End);
    QTest::keyClick(rate, Qt::Key_Home);
    for (int i = 0; i < rate->count() && rate->currentText() != QLatin1String("Slew"); ++i)
        QTest::keyClick(rate, Qt::Key_Down);
    ASSERT_EQ(rate->currentText(), QStringLiteral("Slew"));
    ASSERT_TRUE(settle());
    ASSERT_TRUE(mount.commands().contains(":RS#"));
    mount.clearRecords();
    Scripts::ExecuteMacroLine(QStringLiteral("goto.move(nowait,e,60)"));
    ASSERT_TRUE(settle());
    const QList<QByteArray> sent = mount.commands();
    ASSERT_TRUE(sent.contains(":RG#") && sent.contains(":Me#")) << sent.join(' ').toStdString();
    EXPECT_LT(sent.indexOf(":RG#"), sent.indexOf(":Me#"));
    EXPECT_TRUE(pad().RDB_Guide->isChecked()) << "the pad shows the rate the mount moves at";
    Prg_Suivi::StopMount();
    ASSERT_TRUE(settle());
}

// A pad goto the mount refuses ends at once, told: the next "*" tries again.
TEST_F(HandPadTest, APadGotoTheMountRefusesIsToldAndTheNextStarTriesAgain)
{
    testsupport::ScriptedMount scripted;
    ASSERT_NO_FATAL_FAILURE(useScriptedMountWithTypedCoordinates(scripted));
    scripted.setReply(":MS#", "1Objet sous l'horizon#");
    TFRM_Raquette& r = pad();
    ASSERT_NO_FATAL_FAILURE(chooseM31());
    for (int attempt = 0; attempt < 2; ++attempt) {
        scripted.clearRecords();
        FRM_Message->MEMO_Message->clear();
        QTest::keyClick(&r, Qt::Key_Asterisk, Qt::KeypadModifier);
        EXPECT_TRUE(lineUntil(scripted, ":MS#").contains(":MS#")) << "attempt " << attempt;
        ASSERT_TRUE(settle());
        EXPECT_FALSE(Scripts::GotoRunning);
        EXPECT_FALSE(FRM_Prg_Suivi->TMR_ScopePosition->isActive());
        EXPECT_TRUE(FRM_Message->MEMO_Message->toPlainText().contains(QStringLiteral("Objet sous l'horizon")));
    }
}

// "Stop" of the pad during a relative goto on a pulse interface ends the
// goto as Abort does: the pulses stop, nothing follows them (not the
// declination of separate axes), GOTO comes back and a waiting script goes
// on. The "Stop" of the Preferences' guide page does the same; its
// "Deconnecter" ends the goto as failed.
TEST_F(HandPadTest, StopEndsARelativeGotoOnAPulseInterfaceAsAbortDoes)
{
    TFRM_Pref& p = pref();
    TFRM_ObjectAction& d = *FRM_ObjectAction;
    const auto lineOn = [this](std::uint8_t direction) {
        const int bits[] = {6, 7, 4, 5};   // Quillon pins 8, 9, 6, 7
        return (ports.peek(0x378) >> bits[direction] & 1) != 0;
    };
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Quillon));
    ASSERT_TRUE(clickOnScreen(p.CKB_Axes_Separes));
    ASSERT_TRUE(p.CKB_Axes_Separes->isChecked());
    d.show();
    ASSERT_TRUE(d.RDB_Relatif->isChecked());
    const auto startGoto = [&] {
        ASSERT_NO_FATAL_FAILURE(takeDialogPoints(d));
        startWaitingScript(Scripts::GotoRunning);
        ASSERT_TRUE(clickOnScreen(d.BTN_Goto));
        ASSERT_TRUE(lineOn(dirWest) || lineOn(dirEast));
        ASSERT_TRUE(FRM_Prg_Suivi->TMR_Suivi_AD->isActive());
        ASSERT_FALSE(d.BTN_Goto->isEnabled());
        ASSERT_FALSE(pad().BTN_GOTO->isEnabled());
    };
    const auto endedByStop = [&] {
        EXPECT_FALSE(lineOn(dirWest) || lineOn(dirEast));
        EXPECT_FALSE(Scripts::GotoRunning);
        EXPECT_TRUE(scriptResumed());
        EXPECT_TRUE(d.BTN_Goto->isEnabled());
        EXPECT_FALSE(d.BTN_Abort->isEnabled());
        EXPECT_TRUE(d.RDB_Relatif->isEnabled());
        EXPECT_TRUE(pad().BTN_GOTO->isEnabled());
        // Whatever tick was still to come starts nothing.
        if (FRM_Prg_Suivi->TMR_Suivi_AD->isActive())
            FRM_Prg_Suivi->TMR_Suivi_ADTimer();
        EXPECT_FALSE(lineOn(dirNorth) || lineOn(dirSouth)) << "the declination of separate axes after the stop";
        EXPECT_FALSE(FRM_Prg_Suivi->TMR_Suivi_AD->isActive() || FRM_Prg_Suivi->TMR_Suivi_Dec->isActive());
        EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
    };
    ASSERT_NO_FATAL_FAILURE(startGoto());
    ASSERT_TRUE(pressOnScreen(pad().BTN_Stop));
    ASSERT_TRUE(releaseOnScreen(pad().BTN_Stop));
    endedByStop();

    ASSERT_NO_FATAL_FAILURE(startGoto());
    ASSERT_TRUE(p.BTN_Autoguide_Stop->isEnabled()) << "the goto connected the guide port";
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Stop));
    endedByStop();

    // Abort stops the move as it was started, whatever mode was chosen
    // meanwhile (as a remote program's goto.mode chooses it); a second goto
    // asked for meanwhile (a routine) starts nothing.
    ASSERT_NO_FATAL_FAILURE(startGoto());
    const auto choose = [](QRadioButton* mode, void (TFRM_ObjectAction::*click)()) {
        mode->setChecked(true);
        (FRM_ObjectAction->*click)();
    };
    choose(d.RDB_Absolu, &TFRM_ObjectAction::RDB_AbsoluClick);
    Settings::RunHandler(QStringLiteral("FRM_ObjectAction.BTN_GotoClick"));
    ASSERT_TRUE(clickOnScreen(d.BTN_Abort));
    EXPECT_FALSE(lineOn(dirWest) || lineOn(dirEast));
    EXPECT_FALSE(FRM_Prg_Suivi->TMR_Suivi_AD->isActive() || FRM_Prg_Suivi->TMR_Suivi_Dec->isActive());
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_FALSE(d.BTN_Abort->isEnabled());
    EXPECT_TRUE(pad().BTN_GOTO->isEnabled());
    choose(d.RDB_Relatif, &TFRM_ObjectAction::RDB_RelatifClick);

    // The guide page's "Deconnecter" under way ends the goto as failed:
    // nothing follows its stopped pulse, not the declination of separate
    // axes, which would connect the port again.
    ASSERT_NO_FATAL_FAILURE(startGoto());
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Deconnecter));
    EXPECT_FALSE(lineOn(dirWest) || lineOn(dirEast));
    if (FRM_Prg_Suivi->TMR_Suivi_AD->isActive())
        FRM_Prg_Suivi->TMR_Suivi_ADTimer();
    EXPECT_FALSE(lineOn(dirNorth) || lineOn(dirSouth));
    EXPECT_TRUE(p.BTN_Autoguide_Connecter->isEnabled()) << "nothing connected the port again";
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_FALSE(Scripts::ScriptRunning) << "the script waiting for the goto gets the error";
    EXPECT_TRUE(d.BTN_Goto->isEnabled());
    EXPECT_TRUE(pad().BTN_GOTO->isEnabled());
    EXPECT_TRUE(FRM_Message->MEMO_Message->toPlainText().contains(QStringLiteral("déconnectée")));
}
