#include "script_fixture.h"

#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/settings.h"
#include "capture/camera_slots.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "scripting/frm_script.h"
#include "tools/frm_info.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QScrollBar>

class DisplayCommands : public ScriptFixture {
protected:
    QStringList errorOf(const QString& line)
    {
        boxes.clear();
        runScript(line);
        return boxes.texts();
    }
    // Pixels of the overlay that are not black.
    static int overlayPixels()
    {
        if (!OverlayBitmap)
            return 0;
        const kernels::Bitmap24& b = OverlayBitmap->bitmap;
        const std::uint8_t* p = b.bits();
        int lit = 0;
        for (std::size_t i = 0; i < std::size_t(b.byteCount()); ++i)
            lit += p[i] != 0;
        return lit;
    }
};

TEST_F(DisplayCommands, ReticlePositionStoresTheCentreAndDrawsOnlyAShownReticle)
{
    TFRM_Tool_Mesures* m = FRM_Tool_Mesures;
    m->TNI_Echantillonnage->SetValue(2);
    m->CKB_Reticule->setChecked(false);
    Align_V::CreateMissingWorkBitmaps();   // the overlay, as once a camera ran
    Align_V::ClearOverlay();
    runScript(QStringLiteral("reticle.position(1,100,120)\ntest.log(on)"));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(MeasureCentre, QPoint(100, 120));
    EXPECT_EQ(overlayPixels(), 0);
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("on")});

    m->CKB_Reticule->setChecked(true);
    m->CKB_Croix->setChecked(true);
    runScript(QStringLiteral("var(y,integer)\ny:=80\nreticle.position(2,60,y)"));
    EXPECT_EQ(MeasureCentre, QPoint(60, 80));
    EXPECT_GT(overlayPixels(), 0);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
}

TEST_F(DisplayCommands, ReticlePositionRefusesMissingCoordinatesAndOtherSources)
{
    MeasureCentre = QPoint(7, 7);
    EXPECT_EQ(errorOf(QStringLiteral("reticle.position(1,99999,5)")), QStringList{QStringLiteral("Line 1 : 99999")});
    EXPECT_EQ(errorOf(QStringLiteral("reticle.position(1,5,\"a\")")), QStringList{QStringLiteral("Line 1 : \"a\"")});
    for (const char* source : {"0", "3", "-1"})
        EXPECT_EQ(errorOf(QStringLiteral("reticle.position(%1,10,10)").arg(QLatin1String(source))),
                  QStringList{QStringLiteral("Line 1 : Cam = %1, (0 < Cam < 3)").arg(QLatin1String(source))});
    EXPECT_EQ(MeasureCentre, QPoint(7, 7));
    // A source that is no number is the first slot.
    runScript(QStringLiteral("reticle.position(a,10,11)"));
    EXPECT_EQ(MeasureCentre, QPoint(10, 11));
}

TEST_F(DisplayCommands, ReticleSwitchesAndTheirBadValues)
{
    TFRM_Tool_Mesures* m = FRM_Tool_Mesures;
    runScript(QStringLiteral("reticle(on)\nreticle.show.circle(1,off)\nreticle.show.cross(1,on)"));
    EXPECT_TRUE(m->CKB_Reticule->isChecked());
    EXPECT_FALSE(m->CKB_Cercles->isChecked());
    EXPECT_TRUE(m->CKB_Croix->isChecked());
    EXPECT_EQ(errorOf(QStringLiteral("reticle(On)")), QStringList{QStringLiteral("Line 1 : On")});
    EXPECT_EQ(errorOf(QStringLiteral("reticle.show.cross(1,yes)")), QStringList{QStringLiteral("Line 1 : yes")});
    EXPECT_EQ(errorOf(QStringLiteral("reticle.position.centeron(1,middle)")), QStringList{QStringLiteral("Line 1 : middle")});

    int centred = 0;
    Settings::RegisterHandler(QStringLiteral("FRM_Tool_Mesures.BTN_Centrer_reticule_sur_mireClick"), [&] { ++centred; });
    runScript(QStringLiteral("reticle.position.centeron(1,track)"));
    Settings::UnregisterHandler(QStringLiteral("FRM_Tool_Mesures.BTN_Centrer_reticule_sur_mireClick"));
    EXPECT_EQ(centred, 1);
}

TEST_F(DisplayCommands, DisplayZoneSizesRespectTheBarsAndTheRatio)
{
    TFRM_Tool_Affichage* a = FRM_Tool_Affichage;
    QScrollBar* bar = a->SCB_Taille_ZAffich;
    const int size = bar->minimum() + (bar->maximum() - bar->minimum()) / 2;
    bar->setEnabled(true);
    runScript(QStringLiteral("display.zone.size(%1)").arg(size));
    EXPECT_EQ(bar->value(), size);
    EXPECT_TRUE(boxes.shown.empty());

    // A disabled bar: told without a line number, and the script goes on.
    bar->setEnabled(false);
    runScript(QStringLiteral("display.zone.size(%1)\ntest.log(on)").arg(size + 1));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Cannot change display size...")});
    EXPECT_EQ(bar->value(), size);
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("on")});

    // The screen ratio fixes the width: nothing happens.
    bar->setEnabled(true);
    boxes.clear();
    a->RDB_Ratio_Ecran->setChecked(true);
    runScript(QStringLiteral("display.zone.width(%1)\ntest.log(on)").arg(size + 2));
    EXPECT_EQ(bar->value(), size);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(scripttest::logged.size(), 2);

    runScript(QStringLiteral("display.zone.ratio(free)\ndisplay.zone.width(%1)").arg(size + 2));
    EXPECT_TRUE(a->RDB_Ratio_Libre->isChecked());
    EXPECT_EQ(bar->value(), size + 2);
    EXPECT_EQ(errorOf(QStringLiteral("display.zone.ratio(wide)")), QStringList{QStringLiteral("Line 1 : wide")});

    runScript(QStringLiteral("zone.link(on)"));
    EXPECT_TRUE(a->CKB_Zones_Liees->isChecked());
    EXPECT_EQ(errorOf(QStringLiteral("zone.link(1)")), QStringList{QStringLiteral("Line 1 : 1")});
}

TEST_F(DisplayCommands, DisplayZonePositionIsARightClickOnTheGuidedView)
{
    CameraSlots[1].streamMode = true;
    GuideSourceSlot = 1;
    CurrentCameraSlot = 1;
    DisplayZoneCenter = QPoint(50, 50);
    runScript(QStringLiteral("display.zone.position(150,70)"));
    EXPECT_EQ(DisplayZoneOffset, QPoint(100, 20));
    GuideSourceSlot = 3;
    runScript(QStringLiteral("display.zone.position(10,10)\ndisplay.zone.position.center\ntest.log(on)"));
    EXPECT_EQ(DisplayZoneOffset, QPoint(100, 20));
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("on")});
    GuideSourceSlot = 1;
    CameraSlots[1].streamMode = false;
}

TEST_F(DisplayCommands, ToolWindowsShowThroughTheMenusAndHideAlone)
{
    FRM_Tool_Images->show();
    FRM_Info->show();
    runScript(QStringLiteral("window.images(hide,information)"));
    EXPECT_FALSE(FRM_Info->isVisible());
    EXPECT_TRUE(FRM_Tool_Images->isVisible());
    runScript(QStringLiteral("window.images(hide,levels)"));
    EXPECT_FALSE(FRM_Tool_Images->isVisible());
    runScript(QStringLiteral("window.images(show,levels)"));
    EXPECT_TRUE(FRM_Tool_Images->isVisible());

    FRM_Tool_Affichage->show();
    runScript(QStringLiteral("window.display(hide,anything)"));
    EXPECT_FALSE(FRM_Tool_Affichage->isVisible());

    // Showing through the menu: the very next statement 50 ms later.
    const std::vector<int> intervals = runScript(QStringLiteral("window.focus(show)\ntest.log(on)"));
    EXPECT_TRUE(FRM_Tool_Affichage->isVisible());
    ASSERT_GE(intervals.size(), 2u);
    EXPECT_EQ(intervals[1], 50);

    // The script window hides and the script runs on.
    FRM_Script->show();
    scripttest::logged.clear();
    runScript(QStringLiteral("window.scripts(hide)\ntest.log(still)"));
    EXPECT_FALSE(FRM_Script->isVisible());
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("still")});
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();

    EXPECT_EQ(errorOf(QStringLiteral("window.track(Show)")), QStringList{QStringLiteral("Line 1 : Show")});
    EXPECT_EQ(errorOf(QStringLiteral("window.images(show,colours)")), QStringList{QStringLiteral("Line 1 : colours")});
    EXPECT_EQ(errorOf(QStringLiteral("window.measure(show,angles)")),
              QStringList{QStringLiteral("Line 1 : show,angles")});
    EXPECT_EQ(errorOf(QStringLiteral("window.camsettings(3,format)")),
              QStringList{QStringLiteral("Line 1 : Cam = 3, (0 < Cam < 3)")});
    EXPECT_EQ(errorOf(QStringLiteral("window.camsettings(a,format)")),
              QStringList{QStringLiteral("Line 1 : Cam = a, (0 < Cam < 3)")});
    EXPECT_EQ(errorOf(QStringLiteral("window.camsettings(1,size)")), QStringList{QStringLiteral("Line 1 : size")});
}
