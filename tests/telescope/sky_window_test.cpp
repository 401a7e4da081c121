// The chart window, the object picker and the goto dialog as a user drives
// them, and the whole road from a catalogue name to the mount's goto.

#include "mount_fixture.h"

#include "app/controls/num_inp.h"
#include "app/frm_message.h"
#include "app/helpers/calc_helpers.h"
#include "app/settings.h"
#include "platform/com_io.h"
#include "platform/ini_document.h"
#include "platform/paths.h"
#include "scripting/frm_planificateur.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_raquette.h"
#include "telescope/frm_recherche.h"
#include "telescope/frm_sky.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/sky/catalogues.h"
#include "telescope/sky/sky_chart.h"
#include "telescope/sim/mount_simulator_device.h"
#include "telescope/sim/simulated_lx200_mount.h"
#include "support/scripted_mount.h"
#include "support/x11_keyboard.h"
#include "translation/translated_texts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QMenu>
#include <QTableWidget>
#include <array>
#include <numbers>

using namespace Sky;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDeg = kPi / 180;

StarRecord makeStar(double raDeg, double decDeg, double magnitude, const char* name, const char* sao)
{
    StarRecord s;
    std::copy_n(name, 10, s.name.begin());
    std::copy_n(sao, 6, s.sao.begin());
    s.ra = raDeg * 3600;
    s.dec = decDeg * 3600;
    s.magnitude = magnitude;
    s.filled = true;
    s.unit = UnitVector(s.ra, s.dec);
    return s;
}

DeepSkyRecord makeObject(const char* name, const char* other, const char* type, double raDeg, double decDeg)
{
    DeepSkyRecord d;
    d.name = name;
    d.otherName = other;
    d.type = type;
    d.ra = raDeg * 3600;
    d.dec = decDeg * 3600;
    d.magnitude = 4;
    d.size1 = 90;
    d.size2 = 60;
    d.classText = "           ";
    d.unit = UnitVector(d.ra, d.dec);
    return d;
}

class SkyWindowTest : public MountTest {
protected:
    void SetUp() override
    {
        MountTest::SetUp();
        Translation::ResetTexts();
        StarCatalogue = {makeStar(0.05, 0.02, -1.46, "  9Alp CMa", "151881"), StarRecord{},
                         makeStar(359.95, -0.03, 5, "          ", " 12345"),
                         makeStar(101.2875, -16.7161, -1.46, "  9Alp CMa", "151881")};
        DeepSkyCatalogue = {makeObject("NGC1976", "M42", "nb", 0.01, 0.01), makeObject("NGC6121", "M4", "glocl", 245.9, -26.5),
                            makeObject("NGC1976", "M42", "nb", 0.01, 0.01)};
        ConstellationLines.clear();
        CataloguesLoaded = true;
        ChartCentreRA = ChartCentreDec = 0;
        ChartFieldWidth = 10 * kDeg;
        FRM_Sky->resize(640, 480);
        FRM_Sky->show();
    }
    void TearDown() override
    {
        StarCatalogue.clear();
        DeepSkyCatalogue.clear();
        CataloguesLoaded = false;
        MountTest::TearDown();
    }
    QStringList listed() const
    {
        QStringList captions;
        for (const TChartObjectEntry& e : FRM_Sky->ChartObjectList)
            captions << e.caption;
        return captions;
    }
    QPoint pixelOf(double ra_arcsec, double dec_arcsec) const
    {
        return *SkyToPixel(LastScale, ra_arcsec * kPi / 648000, dec_arcsec * kPi / 648000);
    }
    QString messages() const { return FRM_Message->MEMO_Message->toPlainText(); }
};

} // namespace

TEST_F(SkyWindowTest, KeysWheelAndClicksZoomAndRecentreWithinTheirLimits)
{
    EXPECT_EQ(FRM_Sky->windowTitle(), QStringLiteral("Carte Celeste"));
    ChartFieldWidth = 0.5;
    int key = Qt::Key_Plus;
    FRM_Sky->FormKeyUp(key, Qt::NoModifier);
    EXPECT_DOUBLE_EQ(ChartFieldWidth, 0.5 * 0.75);
    for (int i = 0; i < 3; ++i)
        FRM_Sky->WheelDelta(40);   // a touchpad: three small steps make one notch
    EXPECT_DOUBLE_EQ(ChartFieldWidth, 0.5 * 0.75 * 0.75);
    FRM_Sky->WheelDelta(-376);     // three notches out, the rest kept
    EXPECT_DOUBLE_EQ(ChartFieldWidth, 0.5 * 0.75 * 0.75 * 1.5 * 1.5 * 1.5);
    FRM_Sky->WheelDelta(-104);
    EXPECT_DOUBLE_EQ(ChartFieldWidth, 0.5 * 0.75 * 0.75 * 1.5 * 1.5 * 1.5 * 1.5);

    ChartFieldWidth = 2.1 * kPi / 10800;
    FRM_Sky->MNU_ZoomUpClick();
    EXPECT_LT(ChartFieldWidth, 2 * kPi / 10800);
    const double smallest = ChartFieldWidth;
    FRM_Sky->MNU_ZoomUpClick();
    EXPECT_EQ(ChartFieldWidth, smallest);
    ChartFieldWidth = 2;
    key = Qt::Key_6;
    FRM_Sky->FormKeyUp(key, Qt::NoModifier);
    EXPECT_DOUBLE_EQ(ChartFieldWidth, 2 * kPi / 3);
    FRM_Sky->MNU_ZoomDownClick();
    EXPECT_DOUBLE_EQ(ChartFieldWidth, 2 * kPi / 3);

    // A left click recentres on the point clicked.
    ChartFieldWidth = 10 * kDeg;
    RedrawChart();
    const SkyPoint target = PixelToSky(LastScale, 400, 100);
    FRM_Sky->IMG_SkyMouseUp(Qt::LeftButton, 400, 100);
    EXPECT_NEAR(ChartCentreRA, target.ra, 1e-9);
    EXPECT_NEAR(ChartCentreDec, target.dec, 1e-9);
    EXPECT_TRUE(FRM_Sky->PanelText(4).startsWith(QStringLiteral("A.D.:")));
}

TEST_F(SkyWindowTest, ARightClickListsTheObjectsAroundThePointAndOneFillsTheGotoDialog)
{
    RedrawChart();
    const QPoint centre = pixelOf(0, 0);
    FRM_Sky->IMG_SkyMouseUp(Qt::RightButton, centre.x(), centre.y());
    EXPECT_EQ(listed(), (QStringList{
                            QStringLiteral("Curseur"),
                            QStringLiteral("----------------------Etoiles-------------------------------"),
                            QStringLiteral(" *    9Alp CMa / SAO151881 (Mag.-1.46)"),
                            QStringLiteral(" *  SAO 12345 (Mag.5)"),   // west of RA 0
                            QStringLiteral("--------------------Ciel Profond----------------------------"),
                            QStringLiteral("nb M42 / NGC1976 (Mag.4) (90'x60') ()"),
                            QStringLiteral("nb M42 / NGC1976 (Mag.4) (90'x60') ()"),
                        }));
    const QList<QAction*> items = FRM_Sky->POPUP_SKY_ObjetMenu->actions();
    ASSERT_EQ(items.size(), 7);
    EXPECT_FALSE(items[1]->isEnabled());
    EXPECT_FALSE(items[4]->isEnabled());

    // Choosing the second of two equal entries sends the first.
    items[6]->trigger();
    EXPECT_EQ(FRM_Sky->ChartObjectSelected, 6);
    EXPECT_EQ(FRM_ObjectAction->windowTitle(), QStringLiteral("nb M42 / NGC1976 (Mag.4) (90'x60') ()"));
    EXPECT_DOUBLE_EQ(GotoCurrentRA, 36);
    EXPECT_DOUBLE_EQ(FRM_ObjectAction->TNI_RaS->Value(), 2.4);

    // A crowded box: stars end at 50 entries, deep-sky objects at 100.
    StarCatalogue.assign(70, makeStar(0.01, 0.01, 3, "          ", "     1"));
    DeepSkyCatalogue.assign(70, makeObject("IC1", "", "gx", 0.01, 0.01));
    FRM_Sky->IMG_SkyMouseUp(Qt::MiddleButton, centre.x(), centre.y());
    EXPECT_EQ(FRM_Sky->ChartObjectCount(), 100);
    EXPECT_EQ(listed().indexOf(QStringLiteral("--------------------Ciel Profond----------------------------")), 50);
}

TEST_F(SkyWindowTest, ThePickerFindsObjectsByTheirListedNamesAndSaysWhenItCannot)
{
    FRM_Recherche->Open(TranslatedTexts.MSG_Recherche_SAO, 21);
    QStringList entries;
    for (int i = 0; i < FRM_Recherche->CBX_Recherche->count(); ++i)
        entries << FRM_Recherche->CBX_Recherche->itemText(i);
    EXPECT_EQ(entries, (QStringList{QStringLiteral("SAO 12345"), QStringLiteral("SAO151881 /   9Alp CMa"),
                                    QStringLiteral("SAO151881 /   9Alp CMa")}));
    auto pick = [](int mode, const QString& text) {
        FRM_Recherche->Open(QStringLiteral("Recherche"), mode);
        FRM_Recherche->CBX_Recherche->setEditText(text);
        FRM_Recherche->BTN_OkClick();
        EXPECT_FALSE(FRM_Recherche->isVisible());
    };
    pick(21, QStringLiteral("SAO 12345"));
    EXPECT_NEAR(ChartCentreRA, 359.95 * kDeg, 1e-12);
    EXPECT_NEAR(ChartCentreDec, -0.03 * kDeg, 1e-12);

    for (const QString& unknown : {QStringLiteral("SAO999999"), QStringLiteral("SAO"), QStringLiteral("SAO / x")}) {
        FRM_Message->MEMO_Message->clear();
        pick(21, unknown);
        EXPECT_EQ(messages(), QStringLiteral("Objet non trouvé")) << unknown.toStdString();
        EXPECT_NEAR(ChartCentreRA, 359.95 * kDeg, 1e-12);   // the centre is kept
    }

    pick(1, QStringLiteral("M4"));
    EXPECT_NEAR(ChartCentreRA, 245.9 * kDeg, 1e-12);
    pick(1, QStringLiteral("NGC1976 / M42"));
    EXPECT_NEAR(ChartCentreRA, 0.01 * kDeg, 1e-12);
    ChartCentreRA = 1;
    pick(1, QStringLiteral("m42"));
    EXPECT_NEAR(ChartCentreRA, 0.01 * kDeg, 1e-12);
    for (const QString& part : {QStringLiteral("NGC"), QStringLiteral("GC1976"), QStringLiteral("/")}) {
        ChartCentreRA = 1;
        pick(1, part);
        EXPECT_EQ(ChartCentreRA, 1) << part.toStdString();
    }

    FRM_Message->MEMO_Message->clear();
    pick(23, QStringLiteral("alp   CMA"));
    EXPECT_NEAR(ChartCentreRA, 0.05 * kDeg, 1e-12);   // the first star of that name
    pick(1, QString());
    EXPECT_TRUE(messages().isEmpty());

    FRM_Recherche->Open(TranslatedTexts.MSG_Recherche_Messier, 12);
    EXPECT_EQ(FRM_Recherche->CBX_Recherche->itemText(0), QStringLiteral("M4  / NGC6121"));
    FRM_Recherche->BTN_AnnulerClick();

    // From the keyboard: Return in the list is "Ok"; Tab to "Annuler",
    // Return there cancels, the centre is kept.
    testsupport::X11Keyboard keyboard;
    const auto typeAndReturn = [&](int tabs, const QString& name = QStringLiteral("M4")) {
        FRM_Recherche->Open(QStringLiteral("Recherche"), 1);
        FRM_Recherche->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FRM_Recherche));
        FRM_Recherche->CBX_Recherche->setFocus();
        QTest::keyClicks(FRM_Recherche->CBX_Recherche, name);
        for (int i = 0; i < tabs; ++i)
            QTest::keyClick(FRM_Recherche->focusWidget(), Qt::Key_Tab);
        if (tabs) {
            ASSERT_EQ(FRM_Recherche->focusWidget(), FRM_Recherche->BTN_Annuler);
        }
        keyboard.advance(500);
        keyboard.tap(FRM_Recherche->focusWidget(), Qt::Key_Return, 90);
        EXPECT_FALSE(FRM_Recherche->isVisible());
    };
    ChartCentreRA = 1;
    typeAndReturn(2);
    EXPECT_EQ(ChartCentreRA, 1) << "Return on Annuler";
    typeAndReturn(0);
    EXPECT_NEAR(ChartCentreRA, 245.9 * kDeg, 1e-12);

    // A name it does not know: the message window says so in front, with
    // the keyboard, not behind the picker that was still waiting.
    FRM_Message->close();
    FRM_Message->MEMO_Message->clear();
    typeAndReturn(0, QStringLiteral("M999"));
    EXPECT_EQ(messages(), QStringLiteral("Objet non trouvé"));
    EXPECT_TRUE(FRM_Message->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(FRM_Message)) << "the message window has the keyboard";
    EXPECT_NEAR(ChartCentreRA, 245.9 * kDeg, 1e-12);
}

TEST_F(SkyWindowTest, TheGotoDialogMeasuresTheMoveWritesItAsScriptAndClearsItsMarks)
{
    TFRM_ObjectAction& d = *FRM_ObjectAction;
    auto current = [](double ra, double dec) {
        GotoCurrentRA = ra;
        GotoCurrentDec = dec;
    };
    // The short way across RA 0, the sign inverted.
    Object_Action::CoordinateDifference(15 * (23 * 3600 + 59 * 60), 0, 15 * 60, 0);
    EXPECT_DOUBLE_EQ(GotoDistanceRA, -1800);
    MotorSpeeds.West = 0.5;
    Object_Action::EstimateMoveTime(100, 0);
    EXPECT_EQ(GotoTimeRA, 100000);

    // The current object through the six inputs and back (M 2 at -0° 49').
    d.ShowObject(QStringLiteral("M 2"), 15 * (21 * 3600 + 33 * 60 + 27.0), -(49 * 60 + 24.0));
    EXPECT_EQ(d.TNI_DecD->Value(), 0);
    EXPECT_EQ(d.TNI_DecM->Value(), -49);
    current(0, 0);
    d.TNI_RaHExit();
    d.TNI_DecDExit();
    EXPECT_DOUBLE_EQ(GotoCurrentRA, 15 * (21 * 3600 + 33 * 60 + 27.0));
    EXPECT_DOUBLE_EQ(GotoCurrentDec, -(49 * 60 + 24.0));

    // A relative goto needs both points.
    d.RDB_Relatif->setChecked(true);
    d.BTN_Effacer_CoordClick();
    current(15 * (5 * 3600 + 34 * 60 + 32.0), 22 * 3600 + 60);
    d.BTN_Devient_OrigineClick();
    EXPECT_FALSE(d.BTN_Goto->isEnabled());
    d.BTN_GotoClick();
    EXPECT_FALSE(Scripts::GotoRunning);
    current(15 * (5 * 3600 + 34 * 60 + 32.0), 22 * 3600 + 60 + 100);
    // The hand pad follows the destination, unless its own goto set it.
    FRM_Raquette->RDB_Messier->setChecked(true);
    GotoFromHandPad = true;
    Settings::RunHandler(QStringLiteral("FRM_ObjectAction.BTN_Devient_DestinationClick"));
    GotoFromHandPad = false;
    EXPECT_TRUE(FRM_Raquette->RDB_Messier->isChecked());
    Settings::RunHandler(QStringLiteral("FRM_ObjectAction.BTN_Devient_DestinationClick"));
    EXPECT_TRUE(FRM_Raquette->RDB_Coords->isChecked());
    EXPECT_TRUE(FRM_Raquette->TNI_RaH->isEnabled() && FRM_Raquette->TNI_DecS->isEnabled()) << "typed over";
    EXPECT_FALSE(FRM_Raquette->EDT_Numero->isEnabled());
    EXPECT_EQ(FRM_Raquette->TNI_DecM->Value(), 2);
    EXPECT_TRUE(d.BTN_Goto->isEnabled());
    EXPECT_EQ(d.EDT_Distance_Dec->text(), QStringLiteral("100"));

    // The marks on the chart and the script lines.
    d.BTN_Centrer_CarteClick();
    const QPoint origin = pixelOf(GotoOriginRA, GotoOriginDec);
    EXPECT_EQ(FRM_Sky->IMG_Sky->Picture().pixel(origin + QPoint(5, 5)) & 0xFF0000, 0xFF0000u);
    FRM_Script->Memo_Script->clear();
    d.BTN_Create_WaypointClick();
    EXPECT_EQ(FRM_Script->Memo_Script->toPlainText(),
              QStringLiteral("goto.origin(5h34m32s,22d1m0s)\ngoto.destination(5h34m32s,22d2m40s)\ngoto.execute"));
    EXPECT_EQ(Scripts::CurrentScript().Lines.size(), 3);
    d.RDB_Absolu->setChecked(true);
    FRM_Script->Memo_Script->clear();
    d.BTN_Create_WaypointClick();
    EXPECT_EQ(FRM_Script->Memo_Script->toPlainText(), QStringLiteral("goto.destination(5h34m32s,22d2m40s)\ngoto.execute"));
    d.RDB_Relatif->setChecked(true);

    // Calibration: Abort keeps the speeds, Validate sets them from the hold times.
    pref().TNI_Vitesse_Nord->SetValue(7);
    d.BTN_CalibrerClick();
    EXPECT_EQ(d.BTN_Calibrer->text(), QStringLiteral("Valider"));
    NorthSouthHoldMs = 50000;
    d.BTN_AbortClick();
    EXPECT_EQ(d.BTN_Calibrer->text(), QStringLiteral("Calibrer"));
    EXPECT_EQ(pref().TNI_Vitesse_Nord->Value(), 7);
    d.BTN_CalibrerClick();
    NorthSouthHoldMs = 50000;
    d.BTN_CalibrerClick();
    EXPECT_DOUBLE_EQ(double(pref().TNI_Vitesse_Nord->Value()), 2);   // 100" in 50 s

    d.BTN_Effacer_CoordClick();
    EXPECT_FALSE(OriginSet());
    EXPECT_FALSE(d.BTN_Goto->isEnabled());
    const QImage& chart = FRM_Sky->IMG_Sky->Picture();
    for (int y = 0; y < chart.height(); ++y)
        for (int x = 0; x < chart.width(); ++x)
            ASSERT_NE(chart.pixel(x, y) & 0xFFFFFF, 0xFF0000u) << x << "," << y;
}

TEST_F(SkyWindowTest, ARelativeGotoOfLessThanAnArcsecondInRaMovesOnlyInDeclination)
{
    pref().RDB_Mount_LX200->setChecked(true);
    TFRM_ObjectAction& d = *FRM_ObjectAction;
    d.RDB_Relatif->setChecked(true);
    GotoCurrentRA = 1000;
    GotoCurrentDec = 0;
    d.BTN_Devient_OrigineClick();
    GotoCurrentRA = 1000.4;
    GotoCurrentDec = 30;
    d.BTN_Devient_DestinationClick();
    d.BTN_GotoClick();
    EXPECT_TRUE(Scripts::GotoRunning);
    EXPECT_EQ(GotoAxisMovingRA, 0);
    EXPECT_EQ(GotoAxisMovingDec, 1);
    EXPECT_FALSE(MovingFlags[dirEast] || MovingFlags[dirWest]);
    EXPECT_TRUE(MovingFlags[dirNorth]);
    EXPECT_FALSE(d.BTN_Goto->isEnabled());
    EXPECT_TRUE(d.BTN_Abort->isEnabled());
    d.BTN_AbortClick();
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_FALSE(MovingFlags[dirNorth]);

    // Left to its end, the move gives the dialog back and a waiting script goes on.
    startWaitingScript(Scripts::GotoRunning);
    d.BTN_GotoClick();
    ASSERT_TRUE(Scripts::GotoRunning);
    clock.advanceMs(60000);
    FRM_Prg_Suivi->TMR_Suivi_DecTimer();
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_TRUE(scriptResumed());
    EXPECT_TRUE(d.BTN_Goto->isEnabled());
    EXPECT_FALSE(d.BTN_Abort->isEnabled());
    settle();
}

// With mount "Aucune" and no guide port nothing can move: GOTO says so at
// each click, in either mode, and starts nothing (no Abort, no timer, no
// goto running). A script's goto.execute gets its error box alone.
TEST_F(SkyWindowTest, AGotoNoChosenInterfaceCanMakeIsToldAndStartsNothing)
{
    chooseMount(pref().RDB_Mount_Aucun);
    chooseGuide(pref().RDB_Autoguide_Aucun);
    pref().SPED_Rafraichissement_Carte->setValue(500);
    TFRM_ObjectAction& d = *FRM_ObjectAction;
    d.show();
    QTest::mouseClick(d.RDB_Relatif, Qt::LeftButton, {}, QPoint(5, d.RDB_Relatif->height() / 2));
    ASSERT_TRUE(d.RDB_Relatif->isChecked());
    GotoCurrentRA = 1000;
    GotoCurrentDec = 0;
    QTest::mouseClick(d.SPDB_Devient_Origine, Qt::LeftButton);
    GotoCurrentRA = 16000;
    GotoCurrentDec = 3000;
    QTest::mouseClick(d.SPDB_Devient_Destination, Qt::LeftButton);
    ASSERT_TRUE(d.BTN_Goto->isEnabled());

    const auto nothingStarted = [&] {
        return !Scripts::GotoRunning && !d.BTN_Abort->isEnabled() && d.BTN_Goto->isEnabled()
               && d.RDB_Absolu->isEnabled() && !FRM_Prg_Suivi->TMR_ScopePosition->isActive()
               && !FRM_Prg_Suivi->TMR_Suivi_AD->isActive() && !FRM_Prg_Suivi->TMR_Suivi_Dec->isActive();
    };
    const auto told = [&] { return messages().count(QStringLiteral("Goto impossible")); };
    FRM_Message->MEMO_Message->clear();
    QTest::mouseClick(d.BTN_Goto, Qt::LeftButton);
    EXPECT_TRUE(nothingStarted());
    EXPECT_EQ(told(), 1) << messages().toStdString();

    QTest::mouseClick(d.RDB_Absolu, Qt::LeftButton, {}, QPoint(5, d.RDB_Absolu->height() / 2));
    ASSERT_TRUE(d.RDB_Absolu->isChecked());
    QTest::mouseClick(d.BTN_Goto, Qt::LeftButton);
    EXPECT_TRUE(nothingStarted());
    EXPECT_EQ(told(), 2);
    EXPECT_TRUE(messages().contains(QStringLiteral("aucune monture n'est choisie"))) << messages().toStdString();
    EXPECT_TRUE(boxes.shown.empty());

    // A script is told by its error box, once.
    Scripts::ExecuteMacroLine(QStringLiteral("goto.execute"));
    EXPECT_TRUE(nothingStarted());
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(told(), 2);
}

// The goto dialog offers the absolute mode only where the interfaces have a
// goto of their own, also once a goto has ended; with "2 axes separes" a
// move on the right ascension alone ends with its pulse.
TEST_F(SkyWindowTest, TheGotoModesAndTheEndOfAMoveFollowTheInterfacesChosen)
{
    TFRM_Pref& p = pref();
    TFRM_ObjectAction& d = *FRM_ObjectAction;
    const auto points = [&](double ra, double dec) {
        GotoCurrentRA = 1000;
        GotoCurrentDec = 0;
        ASSERT_TRUE(clickOnScreen(d.SPDB_Devient_Origine));
        GotoCurrentRA = ra;
        GotoCurrentDec = dec;
        ASSERT_TRUE(clickOnScreen(d.SPDB_Devient_Destination));
    };
    // A Marrick box beside no mount: relative only, before and after a goto.
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Marrick));
    d.show();
    EXPECT_TRUE(d.RDB_Relatif->isChecked());
    EXPECT_FALSE(d.RDB_Absolu->isEnabled());
    ASSERT_NO_FATAL_FAILURE(points(16000, 3000));
    // The hand pad takes the destination as coordinates the user can type over.
    TFRM_Raquette& pad = *FRM_Raquette;
    ASSERT_TRUE(pad.RDB_Coords->isChecked());
    pad.TNI_RaH->selectAll();
    QTest::keyClicks(pad.TNI_RaH, QStringLiteral("7"));
    EXPECT_EQ(pad.TNI_RaH->text(), QStringLiteral("7"));
    ASSERT_TRUE(clickOnScreen(d.BTN_Goto));
    ASSERT_TRUE(Scripts::GotoRunning);
    ASSERT_TRUE(clickOnScreen(d.BTN_Abort));
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_TRUE(d.BTN_Goto->isEnabled());
    EXPECT_FALSE(d.RDB_Absolu->isEnabled()) << "the box has no goto of its own";
    ASSERT_TRUE(settle());

    // An LX200 mount has one again.
    ASSERT_TRUE(clickOnScreen(p.BTN_Autoguide_Deconnecter));
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Aucun));
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_LX200));
    EXPECT_TRUE(d.RDB_Absolu->isEnabled());

    // Separate axes, a move in right ascension only: its pulse's end is the
    // end of the goto.
    ASSERT_TRUE(clickOnScreen(p.CKB_Axes_Separes));
    ASSERT_TRUE(p.CKB_Axes_Separes->isChecked());
    ASSERT_TRUE(clickOnScreen(d.RDB_Relatif));
    ASSERT_NO_FATAL_FAILURE(points(16000, 0));
    ASSERT_TRUE(clickOnScreen(d.BTN_Goto));
    ASSERT_TRUE(settle());
    ASSERT_TRUE(Scripts::GotoRunning);
    ASSERT_TRUE(FRM_Prg_Suivi->TMR_Suivi_AD->isActive());
    FRM_Prg_Suivi->TMR_Suivi_ADTimer();   // the pulse runs out
    ASSERT_TRUE(settle());
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_TRUE(d.BTN_Goto->isEnabled());
    EXPECT_FALSE(d.BTN_Abort->isEnabled());
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));

    // A parallel-port box, separate axes, a move on both: the position
    // estimated to have arrived in right ascension gives nothing back, the
    // declination's pulse follows; only its end gives GOTO back.
    ASSERT_TRUE(clickOnScreen(p.BTN_Mount_Deconnecter));
    ASSERT_TRUE(clickOnScreen(p.RDB_Mount_Aucun));
    ASSERT_TRUE(p.RDB_Mount_Aucun->isChecked());
    ASSERT_TRUE(clickOnScreen(p.RDB_Autoguide_Quillon));
    p.SPED_Rafraichissement_Carte->setValue(500);
    ASSERT_NO_FATAL_FAILURE(points(1150, 300));   // 10 s west, then 20 s north at 15"/s
    ASSERT_TRUE(clickOnScreen(d.BTN_Goto));
    QTimer* poll = FRM_Prg_Suivi->TMR_ScopePosition;
    const auto stillRunning = [&](const char* when) {
        EXPECT_TRUE(Scripts::GotoRunning) << when;
        EXPECT_FALSE(d.BTN_Goto->isEnabled()) << when;
        EXPECT_TRUE(d.BTN_Abort->isEnabled()) << when;
        EXPECT_TRUE(poll->isActive()) << when;
    };
    for (int i = 0; i < 24; ++i) {   // 12 s of polls: past the right ascension's 10 s
        clock.advanceMs(500);
        FRM_Prg_Suivi->TMR_ScopePositionTimer();
    }
    stillRunning("right ascension estimated there");
    ASSERT_TRUE(FRM_Prg_Suivi->TMR_Suivi_AD->isActive());
    FRM_Prg_Suivi->TMR_Suivi_ADTimer();
    ASSERT_TRUE(FRM_Prg_Suivi->TMR_Suivi_Dec->isActive()) << "the declination follows";
    stillRunning("declination under way");
    for (int i = 0; i < 44; ++i) {
        clock.advanceMs(500);
        FRM_Prg_Suivi->TMR_ScopePositionTimer();
    }
    stillRunning("declination estimated there");
    FRM_Prg_Suivi->TMR_Suivi_DecTimer();
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_TRUE(d.BTN_Goto->isEnabled());
    EXPECT_FALSE(d.BTN_Abort->isEnabled());
    EXPECT_FALSE(poll->isActive());
}

TEST_F(SkyWindowTest, FromACatalogueNameToTheMountsGotoOnCom20)
{
    const QString converted = QStringLiteral(NJ_SKYDATA_DIR);
    if (!QFile::exists(converted + QStringLiteral("/SAC72.dat")))
        GTEST_SKIP() << "no converted catalogues (scripts/install-deps.sh fetches their sources)";
    for (const char* f : {"Catalog.dat", "SAC72.dat", "Conlines.dat"})
        ASSERT_TRUE(QFile::copy(converted + QLatin1Char('/') + QLatin1String(f), dir.filePath(QLatin1String(f))));
    platform::setProgramDir(dir.path());
    CataloguesLoaded = false;
    ChartFieldWidth = kPi / 2;   // the default chart

    dir.writeFile(QStringLiteral("comports.map"), "COM20=SIM\n");   // the built-in simulated mount
    for (int i = 0; i < pref().CBX_AG_PortSerie->count(); ++i)
        if (pref().CBX_AG_PortSerie->itemText(i).trimmed() == QStringLiteral("COM20"))
            pref().CBX_AG_PortSerie->setCurrentIndex(i);
    ASSERT_EQ(pref().CBX_AG_PortSerie->currentText().trimmed(), QStringLiteral("COM20"));
    pref().RDB_Mount_LX200->setChecked(true);
    pref().SPED_Rafraichissement_Carte->setValue(0);

    FRM_Recherche->Open(TranslatedTexts.MSG_Recherche_CielProfond, 1);
    FRM_Recherche->CBX_Recherche->setEditText(QStringLiteral("M42"));
    FRM_Recherche->BTN_OkClick();
    EXPECT_NEAR(ChartCentreRA, 301770 * kPi / 648000, 1e-12);
    EXPECT_NEAR(ChartCentreDec, -19380 * kPi / 648000, 1e-12);

    const QPoint centre = pixelOf(301770, -19380);
    FRM_Sky->IMG_SkyMouseUp(Qt::RightButton, centre.x(), centre.y());
    QAction* m42 = nullptr;
    for (QAction* a : FRM_Sky->POPUP_SKY_ObjetMenu->actions())
        if (a->text() == QStringLiteral("nb M42 / NGC1976 (Mag.4) (90'x60') ()"))
            m42 = a;
    ASSERT_NE(m42, nullptr) << listed().join(QLatin1Char('\n')).toStdString();
    m42->trigger();
    TFRM_ObjectAction& d = *FRM_ObjectAction;
    EXPECT_EQ(d.TNI_RaH->Value(), 5);
    EXPECT_EQ(d.TNI_RaM->Value(), 35);
    EXPECT_EQ(d.TNI_RaS->Value(), 18);
    EXPECT_EQ(d.TNI_DecD->Value(), -5);
    EXPECT_EQ(d.TNI_DecM->Value(), 23);
    EXPECT_EQ(d.TNI_DecS->Value(), 0);

    d.RDB_Absolu->setChecked(true);
    d.SPDB_Devient_Destination->click();
    ASSERT_TRUE(d.BTN_Goto->isEnabled());
    d.BTN_Goto->click();
    ASSERT_TRUE(settle());
    Telescope::SimulatedLx200Mount* sim = Telescope::MountSimulator();
    ASSERT_NE(sim, nullptr);
    const QList<QByteArray> sent = sim->commands();
    EXPECT_TRUE(sent.contains(":Sr 05:35:18#"));
    EXPECT_TRUE(sent.contains(":Sd -05:23:00#"));
    EXPECT_TRUE(sent.contains(":MS#"));
    EXPECT_FALSE(d.BTN_Goto->isEnabled());

    clock.advanceMs(120000);
    FRM_Prg_Suivi->TMR_ScopePositionTimer();
    ASSERT_TRUE(settle());
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_DOUBLE_EQ(TelescopeRA, 301500);   // the mount reads out tenths of a minute
    EXPECT_DOUBLE_EQ(TelescopeDec, -19380);
    EXPECT_TRUE(d.BTN_Goto->isEnabled());
    const QPoint object = pixelOf(301770, -19380);
    const QImage& chart = FRM_Sky->IMG_Sky->Picture();
    bool crossNear = false;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            crossNear = crossNear || (chart.pixel(object + QPoint(5 + dx, 5 + dy)) & 0xFF0000) == 0xFF0000u;
    EXPECT_TRUE(crossNear);
}

TEST_F(SkyWindowTest, MissingCataloguesAreReportedOnceAndTheChartIsStillDrawn)
{
    dir.writeFile(QStringLiteral("Conlines.dat"), "Andromeda,140,2909,656,3086\r\nbad line\r\n");
    platform::setProgramDir(dir.path());
    CataloguesLoaded = false;
    FRM_Message->MEMO_Message->clear();
    GotoOriginRA = GotoOriginDec = 0;   // something to draw
    RedrawChart();
    EXPECT_EQ(messages(), QStringLiteral("Catalogue absent : Catalog.dat\nCatalogue absent : SAC72.dat\n"
                                         "Conlines.dat : 1 ligne(s) illisible(s) ignorée(s), la première est la ligne 2"));
    EXPECT_EQ(ConstellationLineCount(), 1);
    EXPECT_TRUE(CataloguesLoaded);
    const QPoint origin = pixelOf(0, 0);
    EXPECT_EQ(FRM_Sky->IMG_Sky->Picture().pixel(origin + QPoint(5, 5)) & 0xFF0000, 0xFF0000u);
    RedrawChart();
    EXPECT_EQ(messages().count(QLatin1Char('\n')), 2);   // nothing new
}

TEST_F(SkyWindowTest, PlannerRowsWithoutANumberOrACentreAreLeftOffTheChart)
{
    QTableWidget* grid = FRM_Planificateur->STG_Actions;
    grid->setRowCount(5);
    auto set = [&](int row, int column, const QString& text) { grid->setItem(row, column, new QTableWidgetItem(text)); };
    for (int row = 0; row < 5; ++row) {
        set(row, 2, QStringLiteral("Champ %1").arg(row));
        for (int column = 13; column <= 22; ++column)
            set(row, column, QStringLiteral("0.01"));
    }
    set(2, 17, QStringLiteral("abc"));   // a corner that is no number
    set(3, 21, QString());               // no centre
    // Row 0 holds the titles and row 4 is the grid's last row: never read.
    const ChartSettings st = CurrentChartSettings();
    ASSERT_EQ(st.planner.size(), 1u);
    EXPECT_EQ(st.planner[0].name, QStringLiteral("Champ 1"));
    EXPECT_DOUBLE_EQ(st.planner[0].centreRa, 0.01);
    grid->setRowCount(2);
    grid->clearContents();
    Planificateur::SetGridTitles();
}

TEST_F(SkyWindowTest, AGotoToAPortThatIsNotThereLeavesTheDialogReady)
{
    for (int i = 0; i < pref().CBX_AG_PortSerie->count(); ++i)
        if (pref().CBX_AG_PortSerie->itemText(i).trimmed() == QStringLiteral("COM20"))
            pref().CBX_AG_PortSerie->setCurrentIndex(i);   // no device behind it
    pref().RDB_Mount_LX200->setChecked(true);
    TFRM_ObjectAction& d = *FRM_ObjectAction;
    d.RDB_Absolu->setChecked(true);
    GotoCurrentRA = 301770;
    GotoCurrentDec = -19380;
    d.SPDB_Devient_Destination->click();
    ASSERT_TRUE(d.BTN_Goto->isEnabled());
    d.BTN_Goto->click();
    settle();
    QCoreApplication::processEvents();
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_TRUE(d.BTN_Goto->isEnabled());
    EXPECT_FALSE(d.BTN_Abort->isEnabled());
    // The user is told why, once: the port's failure, nothing of the goto
    // sent on the line that did not open.
    const QStringList told = boxes.texts() + reports + messages().split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(told.size(), 1) << told.join(u'|').toStdString();
    EXPECT_TRUE(told[0].startsWith(QStringLiteral("open_com, erreur = "))) << told[0].toStdString();
}

TEST_F(SkyWindowTest, ADeclinationTypedWithoutEnterIsWhereTheGotoGoes)
{
    dir.writeFile(QStringLiteral("comports.map"), "COM20=SIM\n");   // the built-in simulated mount
    for (int i = 0; i < pref().CBX_AG_PortSerie->count(); ++i)
        if (pref().CBX_AG_PortSerie->itemText(i).trimmed() == QStringLiteral("COM20"))
            pref().CBX_AG_PortSerie->setCurrentIndex(i);
    pref().RDB_Mount_LX200->setChecked(true);
    pref().SPED_Rafraichissement_Carte->setValue(0);

    TFRM_ObjectAction& d = *FRM_ObjectAction;
    d.ShowObject(QStringLiteral("M42"), 301770, -19380);
    d.RDB_Absolu->setChecked(true);
    QApplication::setActiveWindow(&d);
    d.TNI_DecM->setFocus(Qt::MouseFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), d.TNI_DecM);
    d.TNI_DecM->selectAll();
    QTest::keyClicks(d.TNI_DecM, QStringLiteral("40"));
    // The speed button takes no focus: the press itself takes the entry.
    QTest::mouseClick(d.SPDB_Devient_Destination, Qt::LeftButton);
    EXPECT_EQ(d.TNI_DecM->Value(), 40);
    ASSERT_TRUE(d.BTN_Goto->isEnabled());
    QTest::mouseClick(d.BTN_Goto, Qt::LeftButton);
    ASSERT_TRUE(settle());
    Telescope::SimulatedLx200Mount* sim = Telescope::MountSimulator();
    ASSERT_NE(sim, nullptr);
    EXPECT_TRUE(sim->commands().contains(":Sd -05:40:00#")) << sim->commands().join(' ').toStdString();

    // An entry the field refuses keeps the press from the button.
    d.TNI_DecM->setFocus(Qt::MouseFocusReason);
    d.TNI_DecM->selectAll();
    QTest::keyClicks(d.TNI_DecM, QStringLiteral("75"));
    const double destination = GotoDestinationDec;
    boxes.clear();
    QTest::mouseClick(d.SPDB_Devient_Destination, Qt::LeftButton);
    EXPECT_EQ(GotoDestinationDec, destination);
    EXPECT_EQ(d.TNI_DecM->Value(), 40);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

// The goto dialog shows the current object's seconds to the hundredth and
// keeps their full value; a position typed off the sky (beyond the pole)
// becomes no goto: the user is told and the mount's line stays silent.
TEST_F(SkyWindowTest, TheGotoDialogShowsHundredthsOfSecondsAndSendsNoPositionOffTheSky)
{
    testsupport::ScriptedMount scripted;
    ASSERT_TRUE(scripted.isOpen());
    platform::com_io::SetDevicePath(3, scripted.devicePath());
    pref().RDB_Mount_LX200->setChecked(true);
    pref().SPED_Rafraichissement_Carte->setValue(0);

    TFRM_ObjectAction& d = *FRM_ObjectAction;
    const double ra = (5 * 3600 + 35 * 60 + 21.1461244251) * 15;
    const double dec = -(5 * 3600 + 23 * 60 + 28.125);
    d.ShowObject(QStringLiteral("M42"), ra, dec);
    EXPECT_EQ(d.TNI_RaS->text(), QStringLiteral("21.15"));
    EXPECT_EQ(d.TNI_DecS->text(), QStringLiteral("28.13"));
    QApplication::setActiveWindow(&d);
    d.TNI_RaS->setFocus(Qt::MouseFocusReason);
    d.TNI_DecS->setFocus(Qt::MouseFocusReason);   // left unchanged: the full value stays
    EXPECT_NEAR(double(d.TNI_RaS->Value()), 21.1461244251, 1e-9);
    EXPECT_DOUBLE_EQ(GotoCurrentRA, ra);

    d.RDB_Absolu->setChecked(true);
    d.RDB_AbsoluClick();
    for (auto [input, text] : {std::pair{d.TNI_DecD, "90"}, std::pair{d.TNI_DecM, "30"}}) {
        input->setFocus(Qt::MouseFocusReason);
        input->selectAll();
        QTest::keyClicks(input, QString::fromLatin1(text));
    }
    QTest::mouseClick(d.SPDB_Devient_Destination, Qt::LeftButton);
    ASSERT_DOUBLE_EQ(GotoDestinationDec, 90 * 3600 + 30 * 60 + 28.125);
    boxes.clear();
    ASSERT_TRUE(d.BTN_Goto->isEnabled());
    QTest::mouseClick(d.BTN_Goto, Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("Coordonnées hors limites")));
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_TRUE(d.BTN_Goto->isEnabled());
    QTest::qWait(400);
    EXPECT_EQ(scripted.commands(), QList<QByteArray>{});
}

namespace {

// A position typed into the goto dialog's six inputs as a user does, field
// after field.
void typePosition(TFRM_ObjectAction& d, const std::array<const char*, 6>& texts)
{
    QApplication::setActiveWindow(&d);
    const std::array<TCustomNumInp*, 6> inputs{d.TNI_RaH, d.TNI_RaM, d.TNI_RaS, d.TNI_DecD, d.TNI_DecM, d.TNI_DecS};
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        inputs[i]->setFocus(Qt::MouseFocusReason);
        inputs[i]->selectAll();
        QTest::keyClicks(inputs[i], QString::fromLatin1(texts[i]));
    }
}

constexpr double hms(double h, double m, double s) { return (h * 3600 + m * 60 + s) * 15; }
constexpr double dms(double d, double m, double s) { return d * 3600 + m * 60 + s; }

} // namespace

// After a relative goto the mount's position read by the poll is the
// origin: the dialog's origin fields and distances say so, and the six
// inputs show the object the move left from, which "<-" then takes.
TEST_F(SkyWindowTest, TheGotoDialogShowsTheOriginThePollMadeAndTheObjectTheMoveLeftFrom)
{
    chooseMount(pref().RDB_Mount_LX200);
    pref().SPED_Rafraichissement_Carte->setValue(40);
    mount.setPosition(hms(5, 40, 0), dms(22, 10, 0));
    TFRM_ObjectAction& d = *FRM_ObjectAction;
    d.show();
    ASSERT_TRUE(clickOnScreen(d.RDB_Relatif));
    typePosition(d, {"5", "34", "0", "22", "0", "0"});
    ASSERT_TRUE(clickOnScreen(d.SPDB_Devient_Origine));
    typePosition(d, {"5", "40", "0", "22", "10", "0"});
    ASSERT_TRUE(clickOnScreen(d.SPDB_Devient_Destination));
    EXPECT_EQ(d.EDT_Origine_Ra->text(), CalcHelpers::RAToStr(hms(5, 34, 0)));
    EXPECT_EQ(d.EDT_Distance_Dec->text(), QStringLiteral("600"));
    ASSERT_TRUE(d.BTN_Goto->isEnabled());
    ASSERT_TRUE(clickOnScreen(d.BTN_Goto));
    ASSERT_TRUE(Scripts::GotoRunning);
    // The object the move left from is what the inputs show.
    EXPECT_EQ(d.TNI_RaM->Value(), 34);
    EXPECT_EQ(d.TNI_DecM->Value(), 0);

    // The poll reads the mount at the destination: that is the origin now.
    QElapsedTimer waited;
    waited.start();
    while (GotoOriginDec != dms(22, 10, 0) && waited.elapsed() < 5000) {
        mount.pump();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    ASSERT_EQ(GotoOriginDec, dms(22, 10, 0));
    ASSERT_EQ(GotoOriginRA, hms(5, 40, 0));
    EXPECT_EQ(d.EDT_Origine_Ra->text(), CalcHelpers::RAToStr(hms(5, 40, 0)));
    EXPECT_EQ(d.EDT_Origine_Dec->text(), CalcHelpers::DecToStr(dms(22, 10, 0)));
    EXPECT_EQ(d.EDT_Distance_Dec->text(), QStringLiteral("0"));
    EXPECT_EQ(d.EDT_Distance_Ra->text(), QStringLiteral("0"));
    // The poll found no slew of the mount, but the move is timed pulses that
    // still run: no second goto can start, Abort stops them.
    EXPECT_TRUE(Scripts::GotoRunning);
    EXPECT_FALSE(d.BTN_Goto->isEnabled());
    ASSERT_TRUE(d.BTN_Abort->isEnabled());
    EXPECT_TRUE(MovingFlags[dirNorth] && (MovingFlags[dirEast] || MovingFlags[dirWest]));
    mount.clearRecords();
    ASSERT_TRUE(clickOnScreen(d.BTN_Abort));
    ASSERT_TRUE(settle());
    EXPECT_TRUE(mount.commands().contains(":Q#")) << mount.commands().join(' ').toStdString();
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_TRUE(d.BTN_Goto->isEnabled());
    EXPECT_FALSE(d.BTN_Abort->isEnabled());

    // "<-" makes the destination of what the inputs show.
    ASSERT_TRUE(clickOnScreen(d.SPDB_Devient_Destination));
    EXPECT_EQ(d.EDT_Destination_Ra->text(), CalcHelpers::RAToStr(hms(5, 34, 0)));
    EXPECT_EQ(d.EDT_Destination_Dec->text(), CalcHelpers::DecToStr(dms(22, 0, 0)));
    // From where the abort's poll read the mount (its pulses moved it).
    EXPECT_EQ(d.EDT_Distance_Dec->text(), QString::number(dms(22, 0, 0) - GotoOriginDec, 'g', 15));
    EXPECT_EQ(d.EDT_Distance_Ra->text(), QString::number(GotoOriginRA - hms(5, 34, 0), 'g', 15));
    EXPECT_EQ(GotoOriginDec, TelescopeDec);

    // Back there: GOTO stays greyed through the polls until both pulses
    // have ended (their timers run out), then it comes back.
    ASSERT_TRUE(clickOnScreen(d.BTN_Goto));
    ASSERT_TRUE(Scripts::GotoRunning);
    mount.clearRecords();
    waited.restart();
    while (mount.commands().count(":D#") < 3 && waited.elapsed() < 5000) {
        mount.pump();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    ASSERT_GE(mount.commands().count(":D#"), 3) << "polled while the move runs";
    EXPECT_FALSE(d.BTN_Goto->isEnabled());
    FRM_Prg_Suivi->TMR_Suivi_DecTimer();   // the declination's pulse runs out
    ASSERT_TRUE(settle());
    EXPECT_FALSE(d.BTN_Goto->isEnabled()) << "the right ascension still moves";
    EXPECT_TRUE(d.BTN_Abort->isEnabled());
    FRM_Prg_Suivi->TMR_Suivi_ADTimer();    // then the right ascension's
    ASSERT_TRUE(settle());
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_TRUE(d.BTN_Goto->isEnabled());
    EXPECT_FALSE(d.BTN_Abort->isEnabled());
    EXPECT_EQ(MovingFlags, (std::array<std::uint8_t, 4>{}));
    EXPECT_FALSE(FRM_Prg_Suivi->TMR_ScopePosition->isActive());
}

// The hand pad's calibration divides the distance shown when it started by
// the time the direction was held: a result the speed inputs cannot hold is
// refused with a message and nothing is changed or saved; a sound one is
// applied and saved in the speed profile, whatever the mount's position read
// meanwhile.
TEST_F(SkyWindowTest, ACalibrationDividesTheDistanceItStartedFromAndRefusesAnImpossibleSpeed)
{
    chooseMount(pref().RDB_Mount_LX200);
    pref().SPED_Rafraichissement_Carte->setValue(40);
    mount.setPosition(hms(2, 0, 0), dms(60, 0, 0));   // far from both points
    const QString savedPath = SettingsFilePath;
    SettingsFilePath = dir.filePath(Settings::kSettingsFileName);
    StartupPrefsLoaded = true;
    pref().CBX_Vitesse_Moteur->setEditText(QStringLiteral("Defaut"));
    pref().TNI_Vitesse_Nord->SetValue(5);
    pref().TNI_Vitesse_Sud->SetValue(5);
    Preferences::ApplyMotorSpeeds();

    TFRM_ObjectAction& d = *FRM_ObjectAction;
    TFRM_Raquette& pad = *FRM_Raquette;
    double hold_ms = 0;
    d.show();
    ASSERT_TRUE(clickOnScreen(d.RDB_Relatif));
    auto calibrate = [&](const std::array<const char*, 6>& destination) {
        typePosition(d, {"5", "34", "0", "0", "0", "0"});
        ASSERT_TRUE(clickOnScreen(d.SPDB_Devient_Origine));
        typePosition(d, destination);
        ASSERT_TRUE(clickOnScreen(d.SPDB_Devient_Destination));
        ASSERT_TRUE(d.BTN_Calibrer->isEnabled());
        ASSERT_TRUE(clickOnScreen(d.BTN_Calibrer));
        ASSERT_EQ(d.BTN_Calibrer->text(), QStringLiteral("Valider"));
        // North held 2 s on the hand pad; the poll reads the mount, far
        // from both points, meanwhile.
        ASSERT_TRUE(pressOnScreen(pad.BTN_N));
        QElapsedTimer waited;
        waited.start();
        while (GotoOriginDec < dms(59, 0, 0) && waited.elapsed() < 5000) {
            mount.pump();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        ASSERT_GE(GotoOriginDec, dms(59, 0, 0));
        EXPECT_EQ(d.EDT_Origine_Dec->text(), CalcHelpers::DecToStr(GotoOriginDec)) << "the origin read is shown";
        clock.advanceMs(2000);
        ASSERT_TRUE(releaseOnScreen(pad.BTN_N));
        ASSERT_TRUE(settle());
        // The line's own waits count in the hold, as they do for the mount.
        ASSERT_NEAR(double(NorthSouthHoldMs), 2000, 100);
        hold_ms = double(NorthSouthHoldMs);
        ASSERT_TRUE(clickOnScreen(d.BTN_Calibrer));
        EXPECT_EQ(d.BTN_Calibrer->text(), QStringLiteral("Calibrer"));
    };
    auto storedNorth = [&] {
        platform::IniDocument ini;
        ini.load(SettingsFilePath);
        return ini.readString(QStringLiteral("Vitesse_Moteur.Defaut"), QStringLiteral("AG_Vitesse_Nord"), {});
    };

    // 40 degrees 49' 49.6" in 2 s would be about 73000"/s.
    boxes.clear();
    calibrate({"5", "34", "0", "40", "49", "49.6"});
    ASSERT_EQ(boxes.shown.size(), 1u);
    const QString told = boxes.shown[0].text;
    EXPECT_TRUE(told.contains(QStringLiteral("Calibration refusée"))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("146989.6\"")) && told.contains(QStringLiteral("36000"))) << told.toStdString();
    EXPECT_EQ(double(pref().TNI_Vitesse_Nord->Value()), 5);
    EXPECT_EQ(double(pref().TNI_Vitesse_Sud->Value()), 5);
    EXPECT_EQ(MotorSpeeds.North, 5);
    EXPECT_TRUE(storedNorth().isEmpty()) << storedNorth().toStdString();

    // 20" in about 2 s: about 10"/s, shown, used and saved.
    boxes.clear();
    calibrate({"5", "34", "0", "0", "0", "20"});
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join('|').toStdString();
    const double speed = 20 / hold_ms * 1000;
    EXPECT_NEAR(double(pref().TNI_Vitesse_Nord->Value()), speed, 1e-9);
    EXPECT_NEAR(double(pref().TNI_Vitesse_Sud->Value()), speed, 1e-9);
    EXPECT_NEAR(MotorSpeeds.North, speed, 1e-9);
    EXPECT_EQ(storedNorth(), QString::number(std::llround(speed * 1000)));

    // The mount's port gone (an adapter unplugged) before the next
    // calibration: the press moves nothing and says why; its hold counts for
    // nothing and the speeds stay as they were, in the dialog and saved.
    ASSERT_TRUE(clickOnScreen(pref().BTN_Mount_Deconnecter));
    platform::com_io::SetDevicePath(3, dir.filePath(QStringLiteral("no-such-port")));
    boxes.clear();
    ASSERT_TRUE(clickOnScreen(d.BTN_Calibrer));
    ASSERT_EQ(d.BTN_Calibrer->text(), QStringLiteral("Valider"));
    ASSERT_TRUE(pressOnScreen(pad.BTN_N));
    clock.advanceMs(2000);
    ASSERT_TRUE(releaseOnScreen(pad.BTN_N));
    QCoreApplication::processEvents();
    EXPECT_EQ(NorthSouthHoldMs, 0);
    ASSERT_TRUE(clickOnScreen(d.BTN_Calibrer));
    EXPECT_NEAR(double(pref().TNI_Vitesse_Nord->Value()), speed, 1e-9);
    EXPECT_EQ(storedNorth(), QString::number(std::llround(speed * 1000)));
    ASSERT_EQ(boxes.shown.size(), 1u) << boxes.texts().join('|').toStdString();
    EXPECT_TRUE(boxes.texts()[0].startsWith(QStringLiteral("open_com, erreur = 2"))) << boxes.texts()[0].toStdString();

    StartupPrefsLoaded = false;
    SettingsFilePath = savedPath;
    settle();
}
