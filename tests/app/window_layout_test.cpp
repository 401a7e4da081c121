// The tool windows' layout saved and put back at start-up.

#include "settings_store_fixture.h"

#include "app/about_box.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/settings/key_engine.h"
#include "app/systeme.h"
#include "app/ui/readouts.h"
#include "capture/frm_longuepose.h"
#include "scripting/frm_planificateur.h"
#include "scripting/frm_script.h"
#include "telescope/frm_com_trafic.h"
#include "telescope/frm_img_ref.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_sky.h"
#include "telescope/sky/sky_chart.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMainWindow>
#include <QRegion>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWindow>
#include "telescope/frm_raquette.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"

#include <optional>

namespace {
// Puts a window at a place and shows it through the program's show path.
void showAt(QWidget* window, QPoint frameTopLeft)
{
    Systeme::PlaceWindow(window, frameTopLeft);
    Systeme::ShowFormOnScreen(window);
}

// What a first place leaves clear on a screen `area` around a main window
// of that frame, menu titles, page tabs (with the bar beside them) and tool
// bar.
Systeme::FirstPlaceRoom roomAround(QRect area, QRect main, QRect menuBar, QList<QRect> topBars, QRect toolBar)
{
    Systeme::FirstPlaceRoom room;
    room.area = area;
    room.main = main;
    room.menuBar = menuBar;
    room.topBars = std::move(topBars);
    room.toolBars = {toolBar};
    return room;
}
} // namespace

class WindowLayout : public SettingsStore {
protected:
    void SetUp() override
    {
        SettingsStore::SetUp();
        Systeme::SetScreenSizeProvider([] { return QSize(1024, 768); });
    }
    void TearDown() override
    {
        Systeme::SetScreenSizeProvider({});
        SettingsStore::TearDown();
    }
    // The program starting with these settings: as at start-up, the main
    // window is on screen first, then the preferences and the windows come.
    void startWith(const QByteArray& settings)
    {
        writeSettings(settings);
        FRM_Alv->show();
        Settings::LoadMiscPrefs();
        Settings::LoadWindowLayout();
    }
};

TEST_F(WindowLayout, SavedWindowsComeBackWhereTheyWereAndTheVisibleOnesShow)
{
    // Each where the whole of it fits on the screen.
    FRM_Raquette->move(300, 100);
    FRM_Raquette->show();
    FRM_ComTrafic->move(40, 500);
    FRM_ComTrafic->show();
    FRM_Tool_Suivi->move(50, 60);
    Systeme::NoteUserPlace(FRM_Tool_Suivi);   // put there by the user, then closed
    FRM_Tool_Suivi->hide();
    FRM_Alv->resize(700, 500);
    FRM_Alv->move(10, 20);
    save();

    for (QWidget* w : {static_cast<QWidget*>(FRM_Raquette), static_cast<QWidget*>(FRM_ComTrafic),
                       static_cast<QWidget*>(FRM_Tool_Suivi)}) {
        w->hide();
        w->move(0, 0);
    }
    FRM_Alv->move(0, 0);
    FRM_Pref->CKB_Historique_Comm->setChecked(false);
    Settings::LoadWindowLayout();
    EXPECT_EQ(FRM_Raquette->pos(), QPoint(300, 100));
    EXPECT_TRUE(FRM_Raquette->isVisible());
    EXPECT_EQ(FRM_ComTrafic->pos(), QPoint(40, 500));
    EXPECT_TRUE(FRM_ComTrafic->isVisible());
    EXPECT_TRUE(FRM_Pref->CKB_Historique_Comm->isChecked());
    EXPECT_EQ(FRM_Tool_Suivi->pos(), QPoint(50, 60));
    EXPECT_FALSE(FRM_Tool_Suivi->isVisible());
    EXPECT_EQ(FRM_Alv->pos(), QPoint(10, 20));
    EXPECT_EQ(FRM_Alv->size(), QSize(700, 500));
}

TEST_F(WindowLayout, PositionsOfALargerScreenAndBadSizesAreMended)
{
    writeSettings("[Windows]\r\nFRM_AlV_Left=3000\r\nFRM_AlV_Top=2000\r\nFRM_AlV_Width=0\r\nFRM_AlV_Height=-5\r\n"
                  "FRM_AlV_WindowState=7\r\nFRM_Tool_Images_Left=5000\r\nFRM_Tool_Images_Top=-4000\r\n"
                  "FRM_Message_Width=0\r\n");
    FRM_Alv->show();
    Settings::LoadWindowLayout();
    EXPECT_EQ(FRM_Alv->size(), QSize(800, 600));
    // Widths and heights there are the frames' (the main window's frame is
    // drawn, the others will have one like it): each frame ends a pixel
    // inside the far edges.
    const QSize frame = FRM_Alv->frameGeometry().size() - FRM_Alv->size();
    EXPECT_EQ(FRM_Alv->pos(), QPoint(1024 - 1 - 800 - frame.width(), 768 - 1 - 600 - frame.height()));
    EXPECT_EQ(FRM_Alv->windowState(), Qt::WindowNoState);
    EXPECT_EQ(FRM_Tool_Images->x(), 1024 - 1 - FRM_Tool_Images->width() - frame.width());
    EXPECT_EQ(FRM_Tool_Images->y(), 0);
    EXPECT_EQ(FRM_Message->width(), 250);
}

// Places stored on a larger screen, or off this one's top and left, bring
// every window back whole on an 800 x 600 screen, title bar included; the
// main window, larger than the screen there, takes the screen.
TEST_F(WindowLayout, StoredPlacesOfALargerScreenOrNegativeOnesComeBackWholeOnTheScreen)
{
    Systeme::SetScreenSizeProvider([] { return QSize(800, 600); });
    const QRect screen(0, 0, 800, 600);
    startWith("[Windows]\r\nFRM_AlV_Left=270\r\nFRM_AlV_Top=-40\r\nFRM_AlV_Width=1600\r\nFRM_AlV_Height=1100\r\n"
                  "FRM_Tool_Mesures_Left=740\r\nFRM_Tool_Mesures_Top=560\r\nFRM_Tool_Mesures_visible=1\r\n"
                  "FRM_Detect_Mvt_Left=-150\r\nFRM_Detect_Mvt_Top=-60\r\nFRM_Detect_Mvt_visible=1\r\n"
                  "FRM_ComTrafic_Left=1800\r\nFRM_ComTrafic_Top=1100\r\nFRM_ComTrafic_visible=1\r\n"
                  "FRM_ObjectAction_Left=500\r\nFRM_ObjectAction_Top=-5\r\nFRM_ObjectAction_visible=1\r\n"
                  "FRM_Tool_Suivi_Left=600\r\nFRM_Tool_Suivi_Top=300\r\nFRM_Tool_Suivi_visible=1\r\n"
                  "FRM_Script_Left=1500\r\nFRM_Script_Top=-30\r\nFRM_Script_Width=400\r\nFRM_Script_Height=300\r\n"
                  "FRM_Script_visible=1\r\nFRM_Sky_Left=-300\r\nFRM_Sky_Top=400\r\nFRM_Sky_visible=1\r\n"
                  "FRM_Message_Left=700\r\nFRM_Message_Top=500\r\n");
    for (const char* name : {"FRM_Alv", "FRM_Tool_Mesures", "FRM_Detect_Mvt", "FRM_ComTrafic", "FRM_ObjectAction",
                             "FRM_Tool_Suivi", "FRM_Script", "FRM_Sky", "FRM_Message"}) {
        QWidget* w = Settings::FindWindow(QString::fromLatin1(name));
        ASSERT_NE(w, nullptr) << name;
        // The message window is shown later, by whatever writes to it.
        if (w == FRM_Message)
            Systeme::ShowFormOnScreen(w);
        EXPECT_TRUE(w->isVisible()) << name;
        const QRect f = w->frameGeometry();
        EXPECT_TRUE(screen.contains(f)) << name << ": " << f.width() << "x" << f.height() << " at " << f.x() << ","
                                        << f.y();
    }
}

TEST_F(WindowLayout, EveryPlacedWindowIsStoredWhereItWasPutAndTheGotoDialogComesBackAsItOpens)
{
    // Each window put at a point and saved reads that point back from the
    // file, shown or not: nothing drifts by a frame from one start to the
    // next. (The screen holds every place: a window shown is kept whole on
    // it.)
    Systeme::SetScreenSizeProvider([] { return QSize(1280, 1024); });
    const QStringList placed = {QStringLiteral("FRM_Tool_Images"), QStringLiteral("FRM_Tool_Mesures"),
                                QStringLiteral("FRM_Tool_Suivi"), QStringLiteral("FRM_Detect_Mvt"),
                                QStringLiteral("FRM_Raquette"), QStringLiteral("FRM_ObjectAction"),
                                QStringLiteral("FRM_ComTrafic"), QStringLiteral("FRM_Tool_Affichage")};
    int n = 0;
    for (const QString& name : placed) {
        QWidget* w = Settings::FindWindow(name);
        ASSERT_NE(w, nullptr) << name.toStdString();
        Systeme::PlaceWindow(w, QPoint(20 + 37 * n, 30 + 23 * n));
        w->setVisible(n % 2 == 0);
        ++n;
    }
    Sky::GotoCurrentRA = 5 * 3600 * 15 + 35 * 60 * 15;  // 5h 35m
    Sky::GotoCurrentDec = -(5 * 3600 + 23 * 60);          // -5° 23'
    FRM_ObjectAction->ShowObject(QStringLiteral("M42"), Sky::GotoCurrentRA, Sky::GotoCurrentDec);
    save();
    const platform::IniDocument ini = file();
    n = 0;
    for (const QString& name : placed) {
        EXPECT_EQ(ini.readInteger(QStringLiteral("Windows"), name + QStringLiteral("_Left"), -1), 20 + 37 * n)
            << name.toStdString();
        EXPECT_EQ(ini.readInteger(QStringLiteral("Windows"), name + QStringLiteral("_Top"), -1), 30 + 23 * n)
            << name.toStdString();
        ++n;
    }

    // Reopened at start-up, the goto dialog shows its own caption and the
    // current object, not an empty caption and zeros.
    FRM_ObjectAction->hide();
    FRM_ObjectAction->setWindowTitle(QStringLiteral("M42"));
    Settings::LoadWindowLayout();
    EXPECT_TRUE(FRM_ObjectAction->isVisible());
    EXPECT_EQ(FRM_ObjectAction->windowTitle(), QStringLiteral("Goto"));
    EXPECT_EQ(FRM_ObjectAction->TNI_RaH->Value(), 5);
    EXPECT_EQ(FRM_ObjectAction->TNI_RaM->Value(), 35);
    EXPECT_EQ(FRM_ObjectAction->TNI_DecM->Value(), 23);
}

// The windows kept above every plain window, and plain ones that open from
// them or near them.
TEST_F(WindowLayout, TheWindowsKeptOnTopAreThoseThatStayAboveThePlainOnes)
{
    for (const char* name : {"FRM_Message", "FRM_BTNPref", "FRM_ComTrafic", "FRM_Tool_Suivi", "FRM_Sky", "FRM_Matdec",
                             "FRM_Tool_Mesures", "FRM_Tool_Affichage", "FRM_FWHM", "FRM_Small", "FRM_Info",
                             "FRM_Ressources", "FRM_Script", "FRM_ScrCmd", "FRM_Planificateur", "FRM_FullScreen"}) {
        const QWidget* w = Settings::FindWindow(QString::fromLatin1(name));
        ASSERT_NE(w, nullptr) << name;
        EXPECT_TRUE(Systeme::KeptOnTop(w)) << name;
    }
    for (const char* name : {"FRM_Alv", "FRM_Pref", "FRM_Raquette", "FRM_Tool_Images", "FRM_ObjectAction",
                             "FRM_Detect_Mvt", "FRM_ImgRef", "FRM_Longuepose"}) {
        const QWidget* w = Settings::FindWindow(QString::fromLatin1(name));
        ASSERT_NE(w, nullptr) << name;
        EXPECT_FALSE(Systeme::KeptOnTop(w)) << name;
    }
}

// A plain window stays with the plain windows, under the windows kept on
// top, however it comes: opened from one of them (the goto dialog and the
// Preferences from the chart), shown where they would cover it (the
// Preferences and the reference image under the tracking and traffic
// windows), given the keyboard, minimised and shown again. It is never
// made a window of one of them, which would put it in their layer above
// them, nor kept on top itself. The About box, which waits for its Ok,
// stands in front of them all while it is open, however it is shown, and
// a key answers it.
TEST_F(WindowLayout, APlainWindowNeverStandsInTheLayerOfTheWindowsKeptOnTop)
{
    const auto plain = [](const QWidget* w) {
        return w->windowHandle() && !w->windowHandle()->transientParent() && !Systeme::KeptOnTop(w);
    };
    Systeme::ShowFormOnScreen(FRM_Sky);
    QApplication::setActiveWindow(FRM_Sky);
    ASSERT_EQ(QApplication::activeWindow(), FRM_Sky);
    // Already open elsewhere, as the user left it: it stays where it was.
    FRM_ObjectAction->move(40, 50);
    FRM_ObjectAction->show();
    FRM_ObjectAction->ShowObject(QStringLiteral("M42"), 0, 0);
    EXPECT_TRUE(plain(FRM_ObjectAction));
    EXPECT_EQ(FRM_ObjectAction->pos(), QPoint(40, 50));
    EXPECT_EQ(FRM_ObjectAction->windowTitle(), QStringLiteral("M42"));
    QApplication::setActiveWindow(FRM_Sky);
    Systeme::ShowFormOnScreen(FRM_Pref);
    EXPECT_TRUE(plain(FRM_Pref));
    for (QWidget* w : {static_cast<QWidget*>(FRM_Pref), static_cast<QWidget*>(FRM_ObjectAction),
                       static_cast<QWidget*>(FRM_Sky)})
        w->close();

    QApplication::setActiveWindow(FRM_Alv);
    FRM_Message->hide();
    showAt(FRM_Tool_Suivi, QPoint(0, 100));
    showAt(FRM_ComTrafic, QPoint(300, 300));
    const std::pair<QWidget*, QPoint> under[] = {{FRM_Pref, QPoint(50, 150)}, {FRM_ImgRef, QPoint(320, 320)}};
    for (const auto& [w, at] : under) {
        SCOPED_TRACE(w->objectName().toStdString());
        QApplication::setActiveWindow(FRM_Alv);
        showAt(w, at);
        EXPECT_TRUE(plain(w));
        QApplication::setActiveWindow(w);
        QTest::qWait(10);
        EXPECT_TRUE(plain(w));
    }
    FRM_Pref->showMinimized();
    QTest::qWait(20);
    EXPECT_TRUE(FRM_Pref->isMinimized());
    EXPECT_TRUE(FRM_Tool_Suivi->isVisible() && !FRM_Tool_Suivi->isMinimized());
    Systeme::ShowFormOnScreen(FRM_Pref);
    EXPECT_TRUE(plain(FRM_Pref));
    EXPECT_TRUE(Systeme::KeptOnTop(FRM_Tool_Suivi) && Systeme::KeptOnTop(FRM_ComTrafic));
    for (const auto& [w, at] : under)
        w->close();

    for (const auto& [show, key] : {std::pair<std::function<void()>, int>{[] { FRM_Alv->MNU_AproposClick(); }, Qt::Key_Return},
                                    {[] { AboutBox->show(); }, Qt::Key_Escape}}) {
        QApplication::setActiveWindow(FRM_Alv);
        show();
        ASSERT_TRUE(AboutBox->isVisible());
        EXPECT_TRUE(Systeme::KeptOnTop(AboutBox));
        EXPECT_EQ(AboutBox->windowHandle()->transientParent(), FRM_Alv->windowHandle());
        EXPECT_EQ(QApplication::activeModalWidget(), AboutBox);
        QTest::keyClick(AboutBox, Qt::Key(key));
        EXPECT_FALSE(AboutBox->isVisible()) << key;
    }
    FRM_Tool_Suivi->close();
    FRM_ComTrafic->close();
}

// Windows left open come back open, at their places: the chart and the
// tracking and traffic windows kept on top, the goto dialog, the hand pad
// and the image window plain windows under them, none made a window of
// another.
TEST_F(WindowLayout, WindowsLeftOpenComeBackAtTheirPlacesTheOnesKeptOnTopAboveThePlainOnes)
{
    const std::pair<QWidget*, QPoint> left[] = {{FRM_Sky, QPoint(0, 0)},           {FRM_ObjectAction, QPoint(10, 10)},
                                                {FRM_Tool_Suivi, QPoint(20, 120)}, {FRM_ComTrafic, QPoint(40, 140)},
                                                {FRM_Raquette, QPoint(30, 100)},   {FRM_Tool_Images, QPoint(60, 160)}};
    for (const auto& [w, at] : left) {
        Systeme::PlaceWindow(w, at);
        w->show();
    }
    save();
    for (const auto& [w, at] : left)
        w->hide();
    QApplication::setActiveWindow(FRM_Alv);

    Settings::LoadMiscPrefs();
    Settings::LoadWindowLayout();
    for (const auto& [w, at] : left) {
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->pos(), at);
        ASSERT_NE(w->windowHandle(), nullptr);
        EXPECT_EQ(w->windowHandle()->transientParent(), nullptr);
    }
    for (QWidget* w : {static_cast<QWidget*>(FRM_Sky), static_cast<QWidget*>(FRM_Tool_Suivi),
                       static_cast<QWidget*>(FRM_ComTrafic)})
        EXPECT_TRUE(Systeme::KeptOnTop(w)) << w->objectName().toStdString();
    for (QWidget* w : {static_cast<QWidget*>(FRM_ObjectAction), static_cast<QWidget*>(FRM_Raquette),
                       static_cast<QWidget*>(FRM_Tool_Images)})
        EXPECT_FALSE(Systeme::KeptOnTop(w)) << w->objectName().toStdString();

    // A chart left closed stays closed.
    FRM_Sky->hide();
    save();
    Settings::LoadMiscPrefs();
    EXPECT_FALSE(FRM_Sky->isVisible());
    for (const auto& [w, at] : left)
        w->hide();
}

// Windows the user left over the main window's bars (the chart and the hand
// pad over its tool bars, the main window low on a wide screen) come back
// where they were left, and are stored there again.
TEST_F(WindowLayout, WindowsLeftOverTheMainWindowsBarsComeBackWhereTheyWereLeft)
{
    Systeme::SetScreenSizeProvider([] { return QSize(1920, 1080); });
    startWith("[Windows]\r\nFRM_AlV_Left=899\r\nFRM_AlV_Top=280\r\n"
              "FRM_Sky_Left=1000\r\nFRM_Sky_Top=290\r\nFRM_Sky_visible=1\r\n"
              "FRM_Raquette_Left=1100\r\nFRM_Raquette_Top=310\r\nFRM_Raquette_visible=1\r\n");
    ASSERT_TRUE(FRM_Sky->isVisible());
    ASSERT_TRUE(FRM_Raquette->isVisible());
    const QTabBar* tabs = FRM_Alv->findChild<QTabWidget*>(QStringLiteral("PGC_Main"))->tabBar();
    ASSERT_GT(tabs->mapToGlobal(QPoint(0, tabs->height())).y(), 310) << "the places lie on the menu bar and tabs";
    EXPECT_EQ(FRM_Sky->pos(), QPoint(1000, 290));
    EXPECT_EQ(FRM_Raquette->pos(), QPoint(1100, 310));
    save();
    const platform::IniDocument ini = file();
    EXPECT_EQ(ini.readInteger(QStringLiteral("Windows"), QStringLiteral("FRM_Sky_Top"), -1), 290);
    EXPECT_EQ(ini.readInteger(QStringLiteral("Windows"), QStringLiteral("FRM_Raquette_Top"), -1), 310);
    FRM_Sky->hide();
    FRM_Raquette->hide();
}

// On a screen smaller than a window (the hand pad is taller than an
// 800 x 600 screen), the window opens inside the screen, frame included, with
// every control reachable by scrolling; a window that fits opens exactly
// where it was put, at its size; a place stored within the screen is kept,
// and opening a window again changes nothing.
TEST_F(WindowLayout, AWindowLargerThanTheScreenOpensInsideItAndOneThatFitsAsItWas)
{
    Systeme::SetScreenSizeProvider([] { return QSize(800, 600); });
    const QRect screen(0, 0, 800, 600);
    ASSERT_GT(FRM_Raquette->minimumSizeHint().height(), 600);

    Systeme::ShowFormOnScreen(FRM_Tool_Mesures);
    Systeme::PlaceWindow(FRM_Tool_Mesures, QPoint(30, 40));
    const QSize mesures = FRM_Tool_Mesures->size();
    Systeme::ShowFormOnScreen(FRM_Tool_Mesures);
    EXPECT_EQ(FRM_Tool_Mesures->pos(), QPoint(30, 40));
    EXPECT_EQ(FRM_Tool_Mesures->size(), mesures);
    EXPECT_EQ(qobject_cast<QScrollArea*>(FRM_Tool_Mesures->centralWidget()), nullptr);

    QStringList fitted;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* main = qobject_cast<QMainWindow*>(w);
        if (!main || main == FRM_Alv || main->objectName().isEmpty() || main->maximumHeight() < 100
            || main->objectName() == QLatin1String("FRM_FullScreen"))
            continue;
        SCOPED_TRACE(main->objectName().toStdString());
        showAt(main, QPoint(5, 5));
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        // Some grow as they show (the planner's columns): larger once shown.
        auto* scroll = qobject_cast<QScrollArea*>(main->centralWidget());
        const bool larger = scroll != nullptr;
        EXPECT_TRUE(screen.contains(main->frameGeometry())) << main->frameGeometry().x() << "," << main->frameGeometry().y()
                                                             << " " << main->width() << "x" << main->height();
        if (larger) {
            fitted << main->objectName();
            ASSERT_NE(scroll->widget(), nullptr);
            const QSize content = scroll->widget()->size();
            EXPECT_GE(content.width(), scroll->widget()->minimumSizeHint().width());
            EXPECT_GE(content.height(), scroll->widget()->minimumSizeHint().height());
            const QRect at = main->geometry();
            Systeme::ShowFormOnScreen(main);
            EXPECT_EQ(main->geometry(), at);
        }
        // Its place comes back exactly: nothing creeps from start to start.
        EXPECT_EQ(main->pos(), QPoint(5, 5));
        main->hide();
    }
    EXPECT_TRUE(fitted.contains(QStringLiteral("FRM_Raquette"))) << fitted.join(u' ').toStdString();

    // Put low, a window too large is brought to the screen's top; its
    // left, within the screen's first half, is kept. So is one fitted before.
    // Fitted again, there or hanging over the bottom edge from the upper
    // half, it keeps the width it was fitted with: the room beside its
    // controls for the scroll bar is taken once.
    const int fittedWidth = FRM_Raquette->width();
    showAt(FRM_Raquette, QPoint(60, 420));
    EXPECT_EQ(FRM_Raquette->pos(), QPoint(60, 0));
    EXPECT_TRUE(screen.contains(FRM_Raquette->frameGeometry()));
    EXPECT_EQ(FRM_Raquette->width(), fittedWidth);
    FRM_Raquette->hide();
    showAt(FRM_Raquette, QPoint(60, 250));
    EXPECT_EQ(FRM_Raquette->pos(), QPoint(60, 250));
    EXPECT_TRUE(screen.contains(FRM_Raquette->frameGeometry()));
    EXPECT_EQ(FRM_Raquette->width(), fittedWidth);
    FRM_Raquette->hide();
}

// The hand pad's "+" shows its goto group and grows downwards: low on the
// screen, it stays whole on it.
TEST_F(WindowLayout, TheHandPadGrownLowOnTheScreenStaysWholeOnIt)
{
    const QRect screen(0, 0, 1024, 768);
    Systeme::ShowFormOnScreen(FRM_Raquette);
    QTest::mouseClick(FRM_Raquette->SPDB_Raquette_Reduire, Qt::LeftButton);
    ASSERT_FALSE(FRM_Raquette->GRB_Goto->isVisible());
    // The user made it short and left it near the bottom of the screen.
    const int reduced = 300;
    FRM_Raquette->resize(FRM_Raquette->width(), reduced);
    Systeme::PlaceWindow(FRM_Raquette, QPoint(150, 768 - reduced - 40));
    QTest::mouseClick(FRM_Raquette->SPDB_Raquette_Agrandir, Qt::LeftButton);
    EXPECT_TRUE(FRM_Raquette->GRB_Goto->isVisible());
    EXPECT_GT(FRM_Raquette->height(), reduced);
    const QRect f = FRM_Raquette->frameGeometry();
    EXPECT_TRUE(screen.contains(f)) << f.width() << "x" << f.height() << " at " << f.x() << "," << f.y();
    EXPECT_EQ(f.x(), 150);
}

// On a small screen the hand pad opens fitted to it, its controls scrolling.
// Its "-" takes it down to the direction buttons, whole on the screen with
// nothing to scroll; its "+" brings every control back, whole on the screen.
TEST_F(WindowLayout, TheHandPadReducedOnASmallScreenShowsItsPadWholeWithNothingToScroll)
{
    Systeme::SetScreenSizeProvider([] { return QSize(800, 600); });
    const QRect screen(0, 0, 800, 600);
    TFRM_Raquette* pad = FRM_Raquette;
    Systeme::ShowFormOnScreen(pad);
    auto* scroll = qobject_cast<QScrollArea*>(pad->centralWidget());
    ASSERT_NE(scroll, nullptr) << "the hand pad fits an 800 x 600 screen as it is";
    const int full = pad->height();

    QTest::mouseClick(pad->SPDB_Raquette_Reduire, Qt::LeftButton);
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QRect f = pad->frameGeometry();
    EXPECT_TRUE(screen.contains(f)) << f.width() << "x" << f.height() << " at " << f.x() << "," << f.y();
    for (QWidget* shown : {static_cast<QWidget*>(pad->BTN_N), static_cast<QWidget*>(pad->BTN_S),
                           static_cast<QWidget*>(pad->BTN_E), static_cast<QWidget*>(pad->BTN_W),
                           static_cast<QWidget*>(pad->BTN_Stop), static_cast<QWidget*>(pad->SPDB_Raquette_Agrandir)}) {
        SCOPED_TRACE(shown->objectName().toStdString());
        EXPECT_TRUE(shown->isVisible());
        // Whole in the window's client area.
        const QRect in(shown->mapTo(pad, QPoint(0, 0)), shown->size());
        EXPECT_TRUE(pad->rect().contains(in)) << in.x() << "," << in.y() << " in " << pad->width() << "x" << pad->height();
    }
    EXPECT_FALSE(scroll->verticalScrollBar()->isVisible());
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
    for (QWidget* gone : {static_cast<QWidget*>(pad->GRB_Goto), static_cast<QWidget*>(pad->GRB_Focus),
                          static_cast<QWidget*>(pad->GRB_Joystick), static_cast<QWidget*>(pad->BTN_Inversions)})
        EXPECT_FALSE(gone->isVisible()) << gone->objectName().toStdString();
    // The window ends under the direction buttons' row.
    const int rowBottom = std::max(pad->GRB_Pad->mapTo(pad, QPoint(0, pad->GRB_Pad->height())).y(),
                                   pad->GRB_Mode_LX200->mapTo(pad, QPoint(0, pad->GRB_Mode_LX200->height())).y());
    EXPECT_LE(pad->height(), rowBottom + 30);
    EXPECT_LT(pad->height(), full);
    const int reduced = pad->height();

    QTest::mouseClick(pad->SPDB_Raquette_Agrandir, Qt::LeftButton);
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    f = pad->frameGeometry();
    EXPECT_TRUE(screen.contains(f)) << f.width() << "x" << f.height() << " at " << f.x() << "," << f.y();
    EXPECT_GT(pad->height(), reduced);
    for (QWidget* back : {static_cast<QWidget*>(pad->GRB_Goto), static_cast<QWidget*>(pad->GRB_Focus),
                          static_cast<QWidget*>(pad->GRB_Joystick), static_cast<QWidget*>(pad->BTN_Inversions)})
        EXPECT_TRUE(back->isVisible()) << back->objectName().toStdString();
    // The inversion panel was closed: it stays closed.
    EXPECT_FALSE(pad->PNL_Inversion->isVisible());

    // Pressed again and again, the buttons give the same two sizes.
    const QSize grown = pad->size();
    QTest::mouseClick(pad->SPDB_Raquette_Reduire, Qt::LeftButton);
    const QSize small = pad->size();
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(pad->SPDB_Raquette_Agrandir, Qt::LeftButton);
        EXPECT_EQ(pad->size(), grown);
        QTest::mouseClick(pad->SPDB_Raquette_Reduire, Qt::LeftButton);
        EXPECT_EQ(pad->size(), small);
    }
    pad->hide();
}

// Windows opened one after another with no place of their own go beside the
// main window where the screen has room, else over it, leaving its menu
// titles, page tabs and tool bars uncovered, each at a corner of its own; a
// window too tall for the room below the menu bar leaves the menu titles
// uncovered all the same.
TEST(FirstPlaceTest, WindowsWithNoPlaceLeaveTheMainWindowsBarsUncoveredEachAtACornerOfItsOwn)
{
    // 1280 x 1024: a small window beside the main window, covering nothing.
    Systeme::FirstPlaceRoom wide;
    wide.area = QRect(0, 0, 1280, 1024);
    wide.main = QRect(240, 212, 802, 627);
    const QRect beside(Systeme::FirstPlace(QSize(211, 251), wide), QSize(211, 251));
    EXPECT_TRUE(wide.area.contains(beside));
    EXPECT_FALSE(beside.intersects(wide.main));

    // 800 x 600, the main window taking the screen.
    Systeme::FirstPlaceRoom room =
        roomAround(QRect(0, 0, 800, 600), QRect(0, 0, 800, 600), QRect(1, 20, 490, 19),
                   {QRect(2, 40, 644, 26), QRect(563, 40, 234, 23)}, QRect(531, 68, 266, 525));
    const QList<QRect> bars = QList<QRect>{room.menuBar} + room.topBars + room.toolBars;
    const QSize sizes[] = {{322, 175}, {211, 251}, {438, 425}, {191, 188}, {439, 343},
                           {432, 402}, {432, 268}, {352, 373}, {264, 236}};
    for (const QSize& size : sizes) {
        const QRect placed(Systeme::FirstPlace(size, room), size);
        EXPECT_TRUE(room.area.contains(placed)) << size.width() << "x" << size.height();
        for (const QRect& bar : bars)
            EXPECT_FALSE(placed.intersects(bar)) << size.width() << "x" << size.height() << " at " << placed.x() << ","
                                                 << placed.y();
        for (const QRect& other : room.taken)
            EXPECT_FALSE(std::abs(other.x() - placed.x()) < 24 && std::abs(other.y() - placed.y()) < 24)
                << size.width() << "x" << size.height() << " at " << placed.x() << "," << placed.y();
        room.taken << placed;
    }
    // Every corner below the menu bar and page tabs taken (six windows
    // left open there): on one of them rather than over those bars.
    Systeme::FirstPlaceRoom crowded = room;
    crowded.taken = {QRect(0, 72, 522, 528),  QRect(24, 88, 439, 425), QRect(40, 112, 432, 428),
                     QRect(48, 72, 541, 528), QRect(64, 136, 432, 268), QRect(88, 160, 402, 325)};
    const QRect prefs(Systeme::FirstPlace(QSize(762, 528), crowded), QSize(762, 528));
    EXPECT_TRUE(room.area.contains(prefs));
    for (const QRect& bar : QList<QRect>{room.menuBar} + room.topBars)
        EXPECT_FALSE(prefs.intersects(bar)) << prefs.x() << "," << prefs.y();
    // Taller than the room below the menu bar: right of the menu titles.
    const QRect tall(Systeme::FirstPlace(QSize(299, 567), room), QSize(299, 567));
    EXPECT_TRUE(room.area.contains(tall));
    EXPECT_FALSE(tall.intersects(room.menuBar));
    // Larger than the screen: at its top left corner.
    EXPECT_EQ(Systeme::FirstPlace(QSize(900, 700), room), QPoint(0, 0));
}

// Windows kept on top (the chart and the measurement window) are left
// uncovered where the screen has room; so is the window a window kept on
// top is opened from; a window that belongs at the main window's left edge
// (the player) takes its first place in that column.
TEST(FirstPlaceTest, FirstPlacesLeaveWindowsKeptOnTopUncoveredAndKeepAGivenLeftEdge)
{
    Systeme::FirstPlaceRoom room = roomAround(QRect(0, 0, 1280, 1024), QRect(240, 212, 802, 627),
                                              QRect(241, 232, 490, 19), {QRect(242, 252, 644, 26)},
                                              QRect(772, 280, 266, 555));
    const QRect chart(0, 280, 642, 505), mesures(648, 280, 516, 445);
    room.taken = {chart, mesures};
    room.onTop = {chart, mesures};
    const QRect placed(Systeme::FirstPlace(QSize(240, 230), room), QSize(240, 230));
    EXPECT_TRUE(room.area.contains(placed));
    EXPECT_FALSE(placed.intersects(chart) || placed.intersects(mesures)) << placed.x() << "," << placed.y();
    // (With no room clear of them: APlainWindowOpensWhereTheWindowsKeptOnTopLeaveTheMostOfItInSight.)

    // A window kept on top opened from another (the focusing read-out from
    // the display window, 1024 x 768): clear of it, though it then covers
    // the main window's tool bars, and clear of the menu bar and page tabs.
    Systeme::FirstPlaceRoom fromOther =
        roomAround(QRect(0, 0, 1024, 768), QRect(112, 84, 802, 626), QRect(113, 105, 490, 20),
                   {QRect(113, 125, 530, 26), QRect(637, 125, 275, 24)}, QRect(645, 152, 266, 548));
    fromOther.opener = QRect(0, 152, 439, 425);
    fromOther.taken = {fromOther.opener};
    const QRect focusing(Systeme::FirstPlace(QSize(282, 259), fromOther), QSize(282, 259));
    EXPECT_TRUE(fromOther.area.contains(focusing));
    EXPECT_FALSE(focusing.intersects(fromOther.opener)) << focusing.x() << "," << focusing.y();
    for (const QRect& bar : QList<QRect>{fromOther.menuBar} + fromOther.topBars)
        EXPECT_FALSE(focusing.intersects(bar)) << focusing.x() << "," << focusing.y();
    // With room clear of both, the tool bars stay uncovered too.
    fromOther.area = QRect(0, 0, 1280, 1024);
    const QRect roomy(Systeme::FirstPlace(QSize(282, 259), fromOther), QSize(282, 259));
    EXPECT_FALSE(roomy.intersects(fromOther.opener) || roomy.intersects(fromOther.toolBars[0]))
        << roomy.x() << "," << roomy.y();

    Systeme::FirstPlaceRoom column = room;
    column.taken.clear();
    column.onTop.clear();
    column.left = 240;
    const QPoint player = Systeme::FirstPlace(QSize(442, 155), column);
    EXPECT_EQ(player.x(), 240);
    EXPECT_FALSE(QRect(player, QSize(442, 155)).intersects(room.main));
}

// A plain window opened where windows kept on top would cover it goes where
// they leave the most of it in sight, a third of its title bar at least:
// the image window beside the tracking and message windows, the motion
// detection beside the tracking and script windows (whole, clear of the
// main window's menu bar and page tabs), the goto dialog beside the chart
// (1024 x 768); the goto dialog and a smaller window beside the chart over
// most of an 800 x 600 screen; a large window beside the chart and the
// measurement window (1280 x 1024). A place the program asks for (the
// long-exposure window below the main window's left edge) is kept where
// nothing covers it, else left for the nearest place wholly in sight.
TEST(FirstPlaceTest, APlainWindowOpensWhereTheWindowsKeptOnTopLeaveTheMostOfItInSight)
{
    const auto roomOf = [](QRect area, QRect main, QRect menuBar, QList<QRect> topBars, QRect toolBar,
                           QList<QRect> onTop) {
        Systeme::FirstPlaceRoom room = roomAround(area, main, menuBar, std::move(topBars), toolBar);
        room.onTop = room.taken = std::move(onTop);
        return room;
    };
    const auto at1024 = [&](QList<QRect> onTop) {
        return roomOf(QRect(0, 0, 1024, 768), QRect(112, 84, 802, 626), QRect(113, 105, 490, 20),
                      {QRect(113, 125, 530, 26), QRect(637, 125, 275, 24)}, QRect(645, 152, 266, 548), onTop);
    };
    const auto at800 = [&](QList<QRect> onTop) {
        return roomOf(QRect(0, 0, 800, 600), QRect(0, 0, 800, 600), QRect(1, 20, 490, 19),
                      {QRect(2, 40, 644, 26), QRect(563, 40, 234, 23)}, QRect(531, 68, 266, 525), onTop);
    };
    const QRect tracking(0, 152, 527, 586), message(387, 209, 252, 375), script(24, 168, 402, 325),
        chart(0, 152, 642, 505), smallChart(0, 72, 642, 505);
    const struct {
        QSize size;
        Systeme::FirstPlaceRoom room;
        double atLeast;
    } cases[] = {{{522, 545}, at1024({tracking, message}), 0.8},
                 {{432, 268}, at1024({tracking, script}), 1.0},
                 {{516, 445}, at1024({chart}), 0.8},
                 {{462, 444}, at800({smallChart}), 0.4},
                 {{300, 250}, at800({smallChart}), 0.5},
                 {{673, 668},
                  roomOf(QRect(0, 0, 1280, 1024), QRect(240, 212, 802, 627), QRect(241, 232, 490, 19),
                         {QRect(242, 252, 644, 26)}, QRect(772, 280, 266, 555),
                         {QRect(0, 280, 642, 505), QRect(648, 280, 516, 445)}),
                  0.5}};
    for (const auto& c : cases) {
        const QRect placed(Systeme::FirstPlace(c.size, c.room), c.size);
        const auto inSight = [&](const QRect& r) {
            QRegion shown(r);
            for (const QRect& o : c.room.onTop)
                shown -= o;
            qint64 pixels = 0;
            for (const QRect& part : shown)
                pixels += qint64(part.width()) * part.height();
            return double(pixels) / (qint64(r.width()) * r.height());
        };
        SCOPED_TRACE(QStringLiteral("%1x%2 at %3,%4, %5 in sight")
                         .arg(c.size.width()).arg(c.size.height()).arg(placed.x()).arg(placed.y())
                         .arg(inSight(placed)).toStdString());
        EXPECT_TRUE(c.room.area.contains(placed));
        EXPECT_GE(inSight(placed), c.atLeast);
        EXPECT_GE(inSight(QRect(placed.topLeft(), QSize(c.size.width(), 20))) * 3, 1) << "its title bar is hidden";
        if (c.atLeast == 1.0) {
            EXPECT_FALSE(placed.intersects(c.room.menuBar) || placed.intersects(c.room.topBars[0]));
        }
    }

    Systeme::FirstPlaceRoom asked = at1024({});
    asked.near = QPoint(112, 350);
    EXPECT_EQ(Systeme::FirstPlace(QSize(302, 359), asked), QPoint(112, 350));
    asked.onTop = asked.taken = {tracking, message};
    EXPECT_EQ(Systeme::FirstPlace(QSize(302, 359), asked), QPoint(message.right() + 1, 350));
}

// The image window opens near its 520 x 520 design on any screen: its pages
// no longer hold it at the size of the largest, each scrolls its controls,
// shown at the size they ask for, inside the window.
TEST_F(WindowLayout, TheImageWindowOpensNearItsDesignSizeAndItsPagesScroll)
{
    Systeme::SetScreenSizeProvider([] { return QSize(1280, 1024); });
    Systeme::ShowFormOnScreen(FRM_Tool_Images);
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    EXPECT_LE(FRM_Tool_Images->width(), 540);
    EXPECT_LE(FRM_Tool_Images->height(), 560);
    EXPECT_EQ(qobject_cast<QScrollArea*>(FRM_Tool_Images->centralWidget()), nullptr) << "the window itself scrolls";
    for (int i = 0; i < FRM_Tool_Images->PGC_Images->count(); ++i) {
        QWidget* page = FRM_Tool_Images->PGC_Images->widget(i);
        SCOPED_TRACE(page->objectName().toStdString());
        FRM_Tool_Images->PGC_Images->setCurrentWidget(page);
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QApplication::processEvents();
        auto* scroll = page->findChild<QScrollArea*>();
        ASSERT_NE(scroll, nullptr);
        const QWidget* controls = scroll->widget();
        ASSERT_NE(controls, nullptr);
        EXPECT_GE(controls->width(), controls->sizeHint().width());
        EXPECT_GE(controls->height(), controls->sizeHint().height());
        // Wider than the page: it scrolls sideways.
        if (controls->width() > scroll->viewport()->width()) {
            EXPECT_TRUE(scroll->horizontalScrollBar()->isVisible());
        }
        // Every page fits the width the window opens with: none scrolls
        // sideways (a long page still scrolls down).
        EXPECT_LE(controls->sizeHint().width(), scroll->viewport()->width());
        EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
    }
    // The counts and the start button of the stacking page stay whole and
    // inside the page, their values not cut.
    FRM_Tool_Images->PGC_Images->setCurrentWidget(FRM_Tool_Images->TBS_Integration);
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    auto* stacking = FRM_Tool_Images->TBS_Integration->findChild<QScrollArea*>();
    ASSERT_NE(stacking, nullptr);
    for (QWidget* w : std::initializer_list<QWidget*>{FRM_Tool_Images->BTN_Demarrer_Add, FRM_Tool_Images->SPED_Nb_Bitmap,
                                                      FRM_Tool_Images->EDT_NBCaps, FRM_Tool_Images->EDT_Decompte,
                                                      FRM_Tool_Images->SPED_Satur_Limit}) {
        SCOPED_TRACE(w->objectName().toStdString());
        const QRect shown(w->mapTo(stacking->viewport(), QPoint(0, 0)), w->size());
        EXPECT_TRUE(stacking->viewport()->rect().contains(shown.topLeft())) << shown.x() << "," << shown.y();
        EXPECT_LE(shown.right(), stacking->viewport()->width() - 1);
        EXPECT_GE(w->width(), w->minimumSizeHint().width());
    }
    for (QLineEdit* count : {FRM_Tool_Images->EDT_NBCaps, FRM_Tool_Images->EDT_Decompte})
        EXPECT_GE(count->width(), app::WidthToShow(count, QStringLiteral("99999999"))) << count->objectName().toStdString();
    // The pages stay the page control's own: the menus open them by name.
    EXPECT_EQ(FRM_Tool_Images->PGC_Images->indexOf(FRM_Tool_Images->TBS_Filtres), 2);
}

// Started with no window places stored, windows open one beside the other
// (none at the screen's corner over the main window's menu), a window given
// a stored place opens there, and the places of windows never opened are
// stored as the first places they will open at, each its own.
TEST_F(WindowLayout, WindowsWithNoStoredPlaceOpenAtFirstPlacesOfTheirOwnAndAreStoredThere)
{
    startWith("[Windows]\r\nFRM_AlV_Left=112\r\nFRM_AlV_Top=84\r\nFRM_Tool_Mesures_Left=700\r\n"
                  "FRM_Tool_Mesures_Top=300\r\n");
    QList<QPoint> corners;
    for (const char* name : {"FRM_Tool_Affichage", "FRM_Detect_Mvt", "FRM_ComTrafic", "FRM_Info", "FRM_Small",
                             "FRM_Ressources", "FRM_Sky", "FRM_Tool_Mesures"}) {
        QWidget* w = Settings::FindWindow(QString::fromLatin1(name));
        ASSERT_NE(w, nullptr) << name;
        Systeme::ShowFormOnScreen(w);
        EXPECT_TRUE(QRect(0, 0, 1024, 768).contains(w->frameGeometry())) << name;
        EXPECT_FALSE(corners.contains(w->pos())) << name << " at " << w->x() << "," << w->y();
        corners << w->pos();
    }
    EXPECT_NE(FRM_Tool_Affichage->pos(), QPoint(0, 0));
    // A stored place is kept (pulled only as far as the screen asks).
    EXPECT_EQ(FRM_Tool_Mesures->y(), 300);
    EXPECT_GT(FRM_Tool_Mesures->x(), 500);

    // Shown again, a window stays where the user left it.
    FRM_Tool_Affichage->hide();
    showAt(FRM_Tool_Affichage, QPoint(33, 44));
    EXPECT_EQ(FRM_Tool_Affichage->pos(), QPoint(33, 44));
    corners[0] = FRM_Tool_Affichage->pos();   // its first place is free again

    save();
    const platform::IniDocument ini = file();
    QList<QPoint> stored;
    for (const char* name : {"FRM_FWHM", "FRM_ImgRef", "FRM_Prg_Suivi", "FRM_Raquette"}) {
        const QString key = QString::fromLatin1(name);
        const QPoint at(ini.readInteger(QStringLiteral("Windows"), key + QStringLiteral("_Left"), -1),
                        ini.readInteger(QStringLiteral("Windows"), key + QStringLiteral("_Top"), -1));
        EXPECT_FALSE(stored.contains(at) || corners.contains(at)) << name << " at " << at.x() << "," << at.y();
        stored << at;
    }
}

// The hand pad opens shorter below the bars of the main window where a fresh
// program folder puts it, and is left open at the screen's top edge, over
// the main window's menu bar; the main window was then moved down before
// the program closed. Started again, the hand pad comes back at the place
// and the size it had: it is not made shorter still for the bars where the
// main window now is, which it does not lie below.
TEST_F(WindowLayout, TheHandPadLeftOpenAtTheTopEdgeKeepsItsSizeThoughTheMainWindowWasMovedDown)
{
    startWith("[Windows]\r\nFRM_AlV_Left=112\r\nFRM_AlV_Top=124\r\n"
                  "FRM_Raquette_Left=0\r\nFRM_Raquette_Top=0\r\nFRM_Raquette_visible=1\r\n");
    ASSERT_TRUE(FRM_Raquette->isVisible());
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QRect pad = FRM_Raquette->frameGeometry();
    EXPECT_EQ(pad.topLeft(), QPoint(0, 0));
    EXPECT_TRUE(QRect(0, 0, 1024, 768).contains(pad)) << pad.width() << "x" << pad.height();
    // Taller than the room below the page tabs where they now are, by as
    // much as the main window went down.
    auto* tabs = FRM_Alv->findChild<QTabWidget*>(QStringLiteral("PGC_Main"));
    ASSERT_NE(tabs, nullptr);
    const int tabsBottom = tabs->tabBar()->mapToGlobal(QPoint(0, tabs->tabBar()->height())).y();
    EXPECT_GT(pad.height(), 768 - tabsBottom) << "the tabs end at " << tabsBottom;
    EXPECT_GE(pad.height(), 768 - (tabsBottom - 40) - 8) << "the tabs end at " << tabsBottom;
}

// The hand pad opens shorter below the bars of the main window where a fresh
// program folder puts it, the room below them holding most of it, and is
// left open there; the main window was then moved up before the program
// closed, leaving more room below its bars. Started again, the hand pad
// comes back at the place and the size it had, rather than opened taller for
// the new room and pushed up to stay whole on the screen.
TEST_F(WindowLayout, TheHandPadLeftOpenBelowTheBarsStaysAsItWasThoughTheMainWindowWasMovedUp)
{
    startWith("[Windows]\r\nFRM_AlV_Left=112\r\nFRM_AlV_Top=84\r\n");
    Systeme::ShowFormOnScreen(FRM_Raquette);
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QRect opened = FRM_Raquette->frameGeometry();

    // Closed; the program is started again.
    Startup::DestroyWindows();
    Startup::CreateWindows();
    startWith("[Windows]\r\nFRM_AlV_Left=112\r\nFRM_AlV_Top=24\r\nFRM_Raquette_Left=" + QByteArray::number(opened.x())
                  + "\r\nFRM_Raquette_Top=" + QByteArray::number(opened.y()) + "\r\nFRM_Raquette_visible=1\r\n");
    ASSERT_TRUE(FRM_Raquette->isVisible());
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QRect pad = FRM_Raquette->frameGeometry();
    EXPECT_EQ(pad.topLeft(), opened.topLeft());
    EXPECT_EQ(pad.size(), opened.size());
}

// A window the user left hanging over the screen's right edge, shown again
// while open, comes back whole on the screen where it stands, no taller,
// still clear of the main window's menu bar.
TEST_F(WindowLayout, AnOpenWindowHangingOverTheEdgeShownAgainStaysClearOfTheBars)
{
    Systeme::SetScreenSizeProvider([] { return QSize(800, 600); });
    startWith("[Layout]\r\nFRM_Alv_Top=0\r\nFRM_Alv_Left=0\r\n");
    Systeme::ShowFormOnScreen(FRM_Tool_Suivi);
    const QRect menus(FRM_Alv->menuBar()->mapToGlobal(QPoint(0, 0)), FRM_Alv->menuBar()->size());
    const QRect shown = FRM_Tool_Suivi->frameGeometry();
    ASSERT_FALSE(shown.intersects(menus));
    Systeme::PlaceWindow(FRM_Tool_Suivi, QPoint(391, shown.top()));
    ASSERT_GT(FRM_Tool_Suivi->frameGeometry().right(), 800);
    Systeme::ShowFormOnScreen(FRM_Tool_Suivi);
    const QRect again = FRM_Tool_Suivi->frameGeometry();
    EXPECT_TRUE(QRect(0, 0, 800, 600).contains(again)) << again.x() << "," << again.y() << " " << again.width() << "x" << again.height();
    EXPECT_EQ(again.topLeft(), QPoint(391, shown.top()));
    EXPECT_EQ(again.height(), shown.height());
    EXPECT_FALSE(again.intersects(menus));
}

// A window shown only where the program put it, among the windows open
// then, takes a first place again among those open when it is shown again:
// opened alone, then again beside the tracking window (kept on top), it
// goes where the tracking window leaves more of it in sight. A place the
// user gave it, or the program on purpose, stays.
TEST_F(WindowLayout, AWindowShownOnlyWhereTheProgramPutItTakesAFirstPlaceAgainAmongTheWindowsOpenNow)
{
    startWith("[Windows]\r\nFRM_AlV_Left=112\r\nFRM_AlV_Top=84\r\n");
    QWidget* images = FRM_Tool_Images;
    QWidget* tracking = FRM_Tool_Suivi;
    ASSERT_TRUE(images && tracking);
    ASSERT_TRUE(Systeme::KeptOnTop(tracking));
    const auto covered = [&] {
        const QRect both = images->frameGeometry() & tracking->frameGeometry();
        return both.isEmpty() ? 0 : both.width() * both.height();
    };
    Systeme::ShowFormOnScreen(images);
    const QPoint alone = images->pos();
    images->hide();
    Systeme::ShowFormOnScreen(tracking);
    const int coveredThere = covered();
    ASSERT_GT(coveredThere, 0) << "the tracking window leaves that place free";
    Systeme::ShowFormOnScreen(images);
    EXPECT_NE(images->pos(), alone);
    EXPECT_LT(covered(), coveredThere / 2);
    EXPECT_FALSE(Systeme::HasUserPlace(images));

    // Moved by the user (as the window manager moves a window dragged), it
    // comes back there, the tracking window open or not.
    images->hide();
    tracking->hide();
    Systeme::ShowFormOnScreen(images);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Systeme::BeingPlaced(images); }));
    images->windowHandle()->setPosition(QPoint(260, 300));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Systeme::HasUserPlace(images); }));
    images->hide();
    Systeme::ShowFormOnScreen(images);
    const QPoint users = images->pos();
    images->hide();
    Systeme::ShowFormOnScreen(tracking);
    Systeme::ShowFormOnScreen(images);
    EXPECT_EQ(images->pos(), users);

    // Put somewhere on purpose by the program, it stays there.
    images->hide();
    Systeme::ForgetUserPlace(images);
    showAt(images, QPoint(40, 50));
    const QPoint given = images->pos();
    images->hide();
    Systeme::ShowFormOnScreen(images);
    EXPECT_EQ(images->pos(), given);
}

// Windows left open come back stacked as the user left them: the plain ones
// (the hand pad under the image window) under those kept on top (the
// tracking window under the chart, under the script window in front),
// whatever order the window layout shows them in (the script window and the
// chart first, the tracking window last). A window shown while they come
// back (a start-up note) stays in front with the keyboard.
TEST_F(WindowLayout, WindowsLeftOpenComeBackStackedAsTheyWereLeft)
{
    startWith("[Windows]\r\nFRM_AlV_Left=112\r\nFRM_AlV_Top=84\r\n");
    const QList<QWidget*> left = {FRM_Raquette, FRM_Tool_Images, FRM_Tool_Suivi, FRM_Sky, FRM_Script};
    for (QWidget* w : left)
        Systeme::ShowFormOnScreen(w);
    // (The chart tells its missing catalogues.)
    FRM_Message->hide();
    // The user clicks them in turn, as they are left.
    for (QWidget* w : QList<QWidget*>{FRM_Alv, FRM_Tool_Suivi, FRM_Sky, FRM_Script, FRM_Raquette, FRM_Tool_Images}) {
        QApplication::setActiveWindow(w);
        QTest::qWait(1);
    }
    const QString stacked = QStringLiteral("FRM_Alv,FRM_Raquette,FRM_Tool_Images,FRM_Tool_Suivi,FRM_Sky,FRM_Script");
    // (Those of this test, bottom to top.)
    const auto ours = [&stacked] {
        QStringList names = Systeme::StackingNames();
        names.removeIf([&](const QString& n) { return !stacked.split(u',').contains(n) && n != u"FRM_Message"; });
        return names.join(u',').toStdString();
    };
    ASSERT_EQ(ours(), stacked.toStdString());
    save();
    EXPECT_EQ(file().readString(QStringLiteral("Windows"), QStringLiteral("Empilement"), QString()).toStdString(),
              Systeme::StackingNames().join(u',').toStdString());

    for (QWidget* w : left)
        w->hide();
    Settings::LoadMiscPrefs();
    Settings::LoadWindowLayout();
    for (QWidget* w : left)
        ASSERT_TRUE(w->isVisible()) << w->objectName().toStdString();
    // A note of the start shows as they come back.
    Systeme::ShowFormOnScreen(FRM_Message);
    const std::string back = (stacked + QStringLiteral(",FRM_Message")).toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ours() == back; }, 10000)) << ours() << ", left as " << back;
    EXPECT_EQ(QApplication::activeWindow(), FRM_Message);
    FRM_Message->hide();
    for (QWidget* w : left)
        w->hide();
}

// The long-exposure window opens at the main window's left edge, its bottom
// on the main window's bottom, by every way that shows it (camera 1's menu
// item and its two buttons, camera 2's), in a fresh program folder and
// after other windows were opened and closed; where a window kept on top
// covers that place, it opens clear of it.
TEST_F(WindowLayout, TheLongExposureWindowOpensAtTheMainWindowsLeftEdgeWithItsBottomOnTheMainWindowsBottom)
{
    startWith("[Windows]\r\nFRM_AlV_Left=112\r\nFRM_AlV_Top=84\r\n");
    FRM_Message->hide();
    auto* alv = static_cast<QWidget*>(FRM_Alv);
    const auto atItsPlace = [&] {
        const QRect main = Systeme::FrameOf(alv);
        const QRect dialog = Systeme::FrameOf(FRM_Longuepose);
        return FRM_Longuepose->isVisible() && dialog.left() == main.left() && dialog.bottom() == main.bottom();
    };
    const auto why = [&] {
        const QRect main = Systeme::FrameOf(alv);
        const QRect dialog = Systeme::FrameOf(FRM_Longuepose);
        return QStringLiteral("main %1,%2 %3x%4, long exposure %5,%6 %7x%8")
            .arg(main.x()).arg(main.y()).arg(main.width()).arg(main.height())
            .arg(dialog.x()).arg(dialog.y()).arg(dialog.width()).arg(dialog.height()).toStdString();
    };
    const auto click = [](QAbstractButton* b) {
        b->setEnabled(true);
        QTest::mouseClick(b, Qt::LeftButton);
    };
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"menu", [] { FRM_Alv->MNU_Cam1_PoseLongue->setEnabled(true); FRM_Alv->MNU_Cam1_PoseLongue->trigger(); }},
        {"expert button", [&] { click(FRM_Alv->SPDB_Cam1_PoseLongue); }},
        {"beginner button", [&] { click(FRM_Alv->SPDB_Cam1_PoseLongue_B); }},
        {"camera 2", [] { FRM_Alv->MNU_Cam2_PoselongueClick(); }},
    };
    for (const auto& [way, show] : ways) {
        SCOPED_TRACE(way);
        show();
        EXPECT_TRUE(atItsPlace()) << why();
        FRM_Alv->MNU_Cam1_ImageClick();
        FRM_Alv->MNU_Cam2_ImageClick();
        EXPECT_FALSE(FRM_Longuepose->isVisible());
        Systeme::ShowFormOnScreen(FRM_Tool_Images);
        FRM_Tool_Images->hide();
    }

    // The tracking window, kept on top, over that place.
    showAt(FRM_Tool_Suivi, QPoint(112, 684 - FRM_Tool_Suivi->frameGeometry().height()));
    FRM_Alv->MNU_Cam1_PoseLongueClick();
    EXPECT_FALSE(Systeme::FrameOf(FRM_Longuepose).intersects(Systeme::FrameOf(FRM_Tool_Suivi))) << why();
    FRM_Alv->MNU_Cam1_ImageClick();
    FRM_Tool_Suivi->hide();
}

// The hand pad first opened beside windows kept on top has the size it
// opens with alone (they choose its place only, here over the main window's
// bars), and left open it comes back where and as it was left.
TEST_F(WindowLayout, AWindowOpenedBesideWindowsKeptOnTopComesBackWhereAndAsItWasLeft)
{
    // (Alone, it opens shorter below the bars of the main window, where a
    // fresh program folder puts it.)
    Systeme::SetScreenSizeProvider([] { return QSize(1024, 740); });
    startWith("[Windows]\r\nFRM_AlV_Left=112\r\nFRM_AlV_Top=70\r\n");
    // Windows kept on top over the room below the main window's bars, as
    // the tracking window, the chart and the planner first open.
    showAt(FRM_Tool_Suivi, QPoint(0, 152));
    showAt(FRM_Sky, QPoint(0, 176));
    showAt(FRM_Planificateur, QPoint(40, 192));
    Systeme::ShowFormOnScreen(FRM_Raquette);
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QRect left = FRM_Raquette->frameGeometry();
    save();

    Startup::DestroyWindows();
    Startup::CreateWindows();
    startWith(fileBytes());
    ASSERT_TRUE(FRM_Raquette->isVisible());
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    EXPECT_EQ(FRM_Raquette->frameGeometry(), left);
    for (QWidget* w : QList<QWidget*>{FRM_Raquette, FRM_Tool_Suivi, FRM_Sky, FRM_Planificateur})
        w->hide();
}

// A note of the start (a value of the settings that cannot be read) stands,
// once the windows left open are back and stacked, in front of them all
// with the keyboard. A message shown before the settings are read (the
// message window then takes a place of its own) is put where the window
// layout has it, and shows there again after it was closed; the
// Preferences, opened beside it and the tracking window after each line,
// open at one place, whole on the screen.
TEST_F(WindowLayout, ANoteOfTheStartStaysInFrontAndWindowsBesideItOpenAtOnePlace)
{
    writeSettings("[Prefs]\r\nNum_Suffixe=quatre\r\n[Windows]\r\nFRM_AlV_Left=112\r\nFRM_AlV_Top=84\r\n"
                  "FRM_Script_Left=0\r\nFRM_Script_Top=152\r\nFRM_Script_visible=1\r\n"
                  "FRM_Tool_Suivi_visible=1\r\nEmpilement=FRM_Alv,FRM_Script,FRM_Tool_Suivi\r\n");
    FRM_Alv->show();
    Msg::ShowMessageText(false, QStringLiteral("avant"));
    // The main window's first activation loads the settings and the layout.
    FRM_Alv->FormActivate();
    ASSERT_TRUE(FRM_Message->isVisible());
    EXPECT_TRUE(FRM_Message->MEMO_Message->toPlainText().contains(u"quatre"));
    const QStringList back = {QStringLiteral("FRM_Script"), QStringLiteral("FRM_Tool_Suivi"),
                              QStringLiteral("FRM_Message")};
    EXPECT_TRUE(QTest::qWaitFor([&] { return Systeme::StackingNames().mid(Systeme::StackingNames().size() - 3) == back; },
                                10000))
        << Systeme::StackingNames().join(u',').toStdString();
    EXPECT_EQ(QApplication::activeWindow(), FRM_Message);

    const QPoint centred(387, 209);
    EXPECT_EQ(Systeme::FrameCorner(FRM_Message), centred);
    std::optional<QPoint> pref;
    for (int round = 0; round < 3; ++round) {
        FRM_Message->hide();
        Msg::ShowMessageText(false, QStringLiteral("ligne"));
        EXPECT_EQ(Systeme::FrameCorner(FRM_Message), centred) << round;
        Systeme::ShowFormOnScreen(FRM_Pref);
        EXPECT_TRUE(Systeme::ScreenArea().contains(Systeme::FrameOf(FRM_Pref))) << round;
        EXPECT_EQ(Systeme::FrameCorner(FRM_Pref), pref.value_or(Systeme::FrameCorner(FRM_Pref))) << round;
        pref = Systeme::FrameCorner(FRM_Pref);
        FRM_Pref->hide();
    }
    for (QWidget* w : QList<QWidget*>{FRM_Message, FRM_Script, FRM_Tool_Suivi})
        w->hide();
}
