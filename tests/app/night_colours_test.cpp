// Night mode: the panels' scheme on the application palette and the day
// colours back.

#include "settings_store_fixture.h"

#include "app/controls/color_panel.h"
#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/night_colors.h"
#include "app/startup.h"
#include "app/systeme.h"
#include "telescope/frm_raquette.h"

#include <QApplication>
#include <QHash>
#include <QMenuBar>
#include <QTabBar>
#include <QTest>
#include <algorithm>
#include <cmath>

using namespace NightColors;

namespace {

TColorPanel* panel(const char* name) { return FRM_Pref->findChild<TColorPanel*>(QString::fromLatin1(name)); }

class NightColours : public SettingsStore {
protected:
    void SetUp() override
    {
        SettingsStore::SetUp();
        day = QApplication::palette();
        SaveSystemColors();
    }
    void TearDown() override
    {
        RestoreSystemColors();
        SettingsStore::TearDown();
    }
    QPalette day;
};

} // namespace

TEST_F(NightColours, SchemesGoOnThePaletteAndTheDayComesBackExactly)
{
    LoadNightColors(QStringLiteral("absent"));   // the table's defaults
    ASSERT_EQ(panel("PNL_Color_Window_text")->Color(), 255);
    EXPECT_TRUE(Settings::RunHandler(QStringLiteral("NightColors.ReadNightColors")));
    EXPECT_TRUE(Settings::RunHandler(QStringLiteral("NightColors.ApplyNightColors")));
    EXPECT_TRUE(NightModeOn());
    const QPalette night = QApplication::palette();
    EXPECT_EQ(night.color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(night.color(QPalette::Window), QColor(128, 0, 0));
    EXPECT_EQ(night.color(QPalette::Disabled, QPalette::Text), QColor(128, 128, 128));
    EXPECT_EQ(QApplication::palette("QMenu").color(QPalette::Window), QColor(128, 0, 0));

    // A second scheme on top, then the day.
    panel("PNL_Color_Window_text")->setColor(0x0000C0);
    ReadNightColors();
    ApplyNightColors();
    EXPECT_EQ(QApplication::palette().color(QPalette::Text), QColor(192, 0, 0));
    RestoreSystemColors();
    EXPECT_FALSE(NightModeOn());
    EXPECT_TRUE(QApplication::palette() == day);
    EXPECT_EQ(QApplication::palette("QMenu").color(QPalette::Window), day.color(QPalette::Window));
}

TEST_F(NightColours, WindowsButtonInNightModeKeepsTheDayColours)
{
    const std::uint32_t dayText = SavedSystemColors[8];
    LoadNightColors(QStringLiteral("absent"));
    ReadNightColors();
    ApplyNightColors();
    FRM_Pref->BTN_GetFromWindowsClick();
    EXPECT_EQ(std::uint32_t(panel("PNL_Color_Window_text")->Color()), dayText);
    EXPECT_EQ(SavedSystemColors[8], dayText);
    RestoreSystemColors();
    EXPECT_TRUE(QApplication::palette() == day);

    // Out of night mode the current colours become the day colours.
    FRM_Pref->BTN_GetFromWindowsClick();
    EXPECT_EQ(std::uint32_t(panel("PNL_Color_Button_face")->Color()),
              std::uint32_t(TColorPanel::fromQColor(day.color(QPalette::Button))));
}

TEST_F(NightColours, BadSchemeValuesGiveTheTableDefaults)
{
    dir.writeFile(QStringLiteral("Nite_Rouge.ini"),
                  "[NiteColor]\r\nPNL_Color_Window_text=abc\r\nPNL_Color_Window=16777216\r\n"
                  "PNL_Color_Highlight=-2147483600\r\nPNL_Color_Background=-2147483640\r\n"
                  "PNL_Color_Scrollbar=4210752\r\n");
    LoadNightColors(QStringLiteral("Rouge"));
    EXPECT_EQ(panel("PNL_Color_Window_text")->Color(), 255);
    EXPECT_EQ(panel("PNL_Color_Window")->Color(), 128);
    EXPECT_EQ(panel("PNL_Color_Highlight")->Color(), 128);
    EXPECT_EQ(panel("PNL_Color_Scrollbar")->Color(), 4210752);
    // The saved colour of index 8 (window text).
    ReadNightColors();
    EXPECT_EQ(NightColorTable[1], SavedSystemColors[8]);
}

// At the telescope every control keeps the scheme's faces and fields when it
// is disabled, menu titles included; only its text turns to the gray text.
TEST_F(NightColours, DisabledControlsAndMenuTitlesStayInTheNightColours)
{
    asStarted();   // the operations menu starts disabled
    LoadNightColors(QStringLiteral("absent"));
    ReadNightColors();
    ApplyNightColors();

    for (const char* c : {"", "QMenuBar", "QMenu", "QScrollBar"}) {
        const QPalette p = *c ? QApplication::palette(c) : QApplication::palette();
        for (QPalette::ColorRole role : {QPalette::Window, QPalette::Button, QPalette::Base, QPalette::Light,
                                         QPalette::Midlight, QPalette::Mid, QPalette::Dark, QPalette::Shadow})
            EXPECT_EQ(p.color(QPalette::Disabled, role), p.color(QPalette::Active, role)) << c << " role " << role;
        for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            EXPECT_EQ(p.color(QPalette::Disabled, role), QColor(128, 128, 128)) << c << " role " << role;
    }

    // As drawn: the default scheme is dark red with a middle gray for the
    // disabled texts, so no pixel may carry more green or blue than that.
    auto light = [](const QImage& image, const QRect& area) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += c.green() > 128 || c.blue() > 128;
            }
        return count;
    };
    TFRM_Raquette& pad = *FRM_Raquette;
    Systeme::ShowFormOnScreen(&pad);
    QCoreApplication::processEvents();   // the windows take the new palette
    QWidget* const controls[] = {pad.BTN_Demarrer_Autofocus, pad.EDT_Numero, pad.CBX_Etoile,
                                 pad.RDB_Planete, pad.TNI_RaH, pad.GAUGE_Autofocus};
    for (QWidget* w : controls) {
        w->setEnabled(false);
        const QImage image = w->grab().toImage();
        EXPECT_EQ(light(image, image.rect()), 0) << w->objectName().toStdString();
    }
    FRM_Alv->show();
    QMenuBar* bar = FRM_Alv->menuBar();
    ASSERT_FALSE(FRM_Alv->MNU_Operations->menuAction()->isEnabled());
    const QImage image = bar->grab().toImage();
    const QRect title = bar->actionGeometry(FRM_Alv->MNU_Operations->menuAction());
    ASSERT_FALSE(title.isEmpty());
    EXPECT_EQ(light(image, title), 0);
}

namespace {

// The relative luminance of a colour and the contrast ratio of two, as the
// accessibility guidelines (WCAG 2) define them.
double luminance(const QColor& c)
{
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}
double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The face of a control as drawn (the commonest colour inside its edges)
// and the contrast of its caption on it (the caption's pixel that stands
// out most).
struct Drawn {
    QColor face;
    double ratio = 0;
};
Drawn drawn(QWidget* w, QRect inside = {})
{
    const QImage image = w->grab().toImage();
    if (inside.isNull())
        inside = image.rect().adjusted(3, 3, -3, -3);
    QHash<QRgb, int> counts;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb face = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > counts.value(face))
            face = it.key();
    Drawn d{QColor(face)};
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        d.ratio = std::max(d.ratio, contrast(QColor(it.key()), d.face));
    return d;
}

} // namespace

// At the telescope the hand pad's captions must be read on their buttons:
// switched on by its button, night mode draws the faces of buttons and tabs
// in the scheme's "Button face" colour, so the captions stand out as much
// as the scheme's own two colours allow (the default dark red and red give
// 2.7:1; a darker face reaches the 4.5:1 of readable text).
TEST_F(NightColours, NightFacesShowTheSchemesColourAndCaptionsStandOutOnThem)
{
    Startup::InstallHintTiming();   // the program's style
    asStarted();
    FRM_Alv->show();
    TFRM_Raquette& pad = *FRM_Raquette;
    Systeme::ShowFormOnScreen(&pad);
    struct Scheme {
        int face, text;
        double atLeast;
    };
    for (const Scheme& scheme : {Scheme{0x000080, 0x0000FF, 2.6}, Scheme{0x000020, 0x0000FF, 4.5}}) {
        SCOPED_TRACE(scheme.face);
        LoadNightColors(QStringLiteral("absent"));
        panel("PNL_Color_Button_face")->setColor(scheme.face);
        panel("PNL_Color_Button_text")->setColor(scheme.text);
        const QColor face = QColor::fromRgb(scheme.face & 0xFF, 0, 0), text = QColor::fromRgb(scheme.text & 0xFF, 0, 0);
        ASSERT_GE(contrast(face, text), scheme.atLeast);

        QTest::mouseClick(FRM_Alv->SPDB_Nite, Qt::LeftButton);
        ASSERT_TRUE(NightModeOn());
        QCoreApplication::processEvents();   // the windows take the new palette
        for (QWidget* w : {static_cast<QWidget*>(pad.BTN_N), static_cast<QWidget*>(pad.BTN_E),
                           static_cast<QWidget*>(pad.BTN_Stop), static_cast<QWidget*>(pad.BTN_GOTO)}) {
            SCOPED_TRACE(w->objectName().toStdString());
            const Drawn d = drawn(w);
            EXPECT_EQ(d.face, face) << d.face.red() << "," << d.face.green() << "," << d.face.blue();
            EXPECT_GE(d.ratio, scheme.atLeast);
        }
        // A page's tab of the main window, not the chosen one.
        QTabBar* tabs = FRM_Alv->PGC_Main->tabBar();
        const int other = tabs->currentIndex() == 0 ? 1 : 0;
        const Drawn tab = drawn(tabs, tabs->tabRect(other).adjusted(4, 6, -4, -3));
        EXPECT_EQ(tab.face, face) << tab.face.red() << "," << tab.face.green() << "," << tab.face.blue();
        EXPECT_GE(tab.ratio, scheme.atLeast);

        QTest::mouseClick(FRM_Alv->SPDB_Nite, Qt::LeftButton);
        EXPECT_FALSE(NightModeOn());
    }
}
