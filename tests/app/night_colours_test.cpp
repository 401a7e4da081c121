// Night mode: the panels' scheme on the application palette and the day
// colours back.

#include "settings_store_fixture.h"

#include "app/controls/color_panel.h"
#include "app/frm_pref.h"
#include "app/night_colors.h"

#include <QApplication>

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
