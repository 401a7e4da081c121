// Night mode: the panels' scheme on the application palette and the day
// colours back.

#include "settings_store_fixture.h"

#include "app/controls/color_panel.h"
#include "app/frm_pref.h"
#include "app/night_colors.h"
#include "app/systeme.h"
#include "telescope/frm_raquette.h"

#include <QApplication>
#include <QMenuBar>

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
