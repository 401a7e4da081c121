// The tool windows' layout saved and put back at start-up.

#include "settings_store_fixture.h"

#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/systeme.h"
#include "telescope/frm_com_trafic.h"
#include "telescope/frm_raquette.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_tool_images.h"

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
};

TEST_F(WindowLayout, SavedWindowsComeBackWhereTheyWereAndTheVisibleOnesShow)
{
    FRM_Raquette->move(300, 200);
    FRM_Raquette->show();
    FRM_ComTrafic->move(40, 500);
    FRM_ComTrafic->show();
    FRM_Tool_Suivi->move(50, 60);
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
    EXPECT_EQ(FRM_Raquette->pos(), QPoint(300, 200));
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
    Settings::LoadWindowLayout();
    EXPECT_EQ(FRM_Alv->size(), QSize(800, 600));
    EXPECT_EQ(FRM_Alv->pos(), QPoint(223, 167));
    EXPECT_EQ(FRM_Alv->windowState(), Qt::WindowNoState);
    EXPECT_EQ(FRM_Tool_Images->x(), 1024 - 1 - FRM_Tool_Images->width());
    EXPECT_EQ(FRM_Tool_Images->y(), 0);
    EXPECT_EQ(FRM_Message->width(), 250);
}
