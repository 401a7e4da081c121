// Numbers the program computes and shows in its windows: each read-out
// shows the decimals of its field, and the whole number fits the field at
// the window's size.

#include "program_windows_fixture.h"

#include "app/controls/num_inp.h"
#include "app/frm_pref.h"
#include "app/systeme.h"
#include "capture/frm_wdm_control.h"
#include "telescope/frm_err_period.h"
#include "telescope/frm_mise_en_station.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/sky/sky_chart.h"
#include "telescope/track_step.h"
#include "tools/frm_info.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"

#include <QStyle>
#include <QStyleOptionFrame>
#include <vector>

namespace {

// The width a line edit has for its text.
int room(const QLineEdit* edit)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    return edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit).width() - 4;
}

// What a read-out shows for a value the program computed, as the program
// writes it (no range message for a value the user did not type).
QString shownFor(TCustomNumInp* n, long double value)
{
    const bool validate = n->Validate();
    n->SetValidate(false);
    n->SetValue(value);
    n->SetValidate(validate);
    return n->text();
}

} // namespace

TEST_F(ProgramWindows, ComputedReadOutsShowTheDecimalsOfTheirFieldsAndFitThem)
{
    activate();
    asStarted();
    struct Case {
        TCustomNumInp* readOut;
        long double value;
        const char* shown;
    };
    const std::vector<Case> cases = {
        {FRM_Tool_Suivi->TNI_Vitesse_Derive_AD, 0.1234567, "0.12"},
        {FRM_Tool_Suivi->TNI_Vitesse_Derive_Dec, -12.3456789, "-12.35"},
        {FRM_Tool_Images->TNI_Mult_R, 1.5L, "1.50"},
        {FRM_Tool_Images->TNI_Mult_G, 0.7L, "0.7"},
        {FRM_Tool_Images->TNI_Mult_B, 2, "2.0"},
        {FRM_Tool_Images->TNI_Qualite_Actuelle, 123456.0L / 7, "17636.57"},
        {FRM_Tool_Images->TNI_Meilleure_Qualite, 254321.0L / 3, "84773.67"},
        {FRM_Tool_Images->TNI_Pire_Qualite, 9999999, "9999999.00"},
        {FRM_Info->TNI_Seuil_Satur, 250, "250.00"},
        {FRM_Tool_Mesures->TNI_Orient, 123.456789, "123.5"},
        {FRM_Tool_Mesures->TNI_Vitesse_Etoile, 14.0123456, "14.012"},
        {FRM_Tool_Mesures->TNI_Larg_Pix, 5.6012345, "5.60"},
        {FRM_Pref->TNI_Larg_Pix, 7.4449, "7.44"},
        {FRM_Pref->TNI_Focale_Reelle, 2032 * 0.6299999L, "1280.16"},
        {FRM_Pref->TNI_Rayon_Az, 80.1234567, "80.12"},
        {FRM_MiseEnStation->TNI_Duree_Pose, 12.345, "12"},
        {FRM_MiseEnStation->TNI_Duree_Pose_King, 67.89, "68"},
        {FRM_MiseEnStation->TNI_Nouveau_Rayon, 80.1234567, "80.12"},
        {FRM_MiseEnStation->TNI_Decl_Etoile, 45.678912, "45.68"},
        {FRM_ErrPeriod->TNI_Duree_Pose, 12.345, "12.3"},
        {FRM_WDMControl->TNI_WDM_Brightness, 128, "128.00"},
        {FRM_WDMControl->TNI_WDM_Exposure, -10000, "-10000.00"},
    };
    for (const Case& c : cases) {
        QWidget* window = c.readOut->window();
        Systeme::ShowFormOnScreen(window);
        EXPECT_EQ(shownFor(c.readOut, c.value), QString::fromLatin1(c.shown)) << c.readOut->objectName().toStdString();
        EXPECT_LE(c.readOut->fontMetrics().horizontalAdvance(c.readOut->text()), room(c.readOut))
            << c.readOut->objectName().toStdString();
    }

    // The guiding read-outs, as a correction writes them (no image scale yet:
    // nothing goes to the mount).
    Systeme::ShowFormOnScreen(FRM_Prg_Suivi);
    Align_V::SendGuideCorrection(123.4567, -76.54321);
    for (TCustomNumInp* n : {FRM_Prg_Suivi->TNI_TR_AD, FRM_Prg_Suivi->TNI_TR_Dec}) {
        EXPECT_EQ(n->text().section(u'.', 1).size(), 2) << n->text().toStdString();
        EXPECT_LE(n->fontMetrics().horizontalAdvance(n->text()), room(n)) << n->objectName().toStdString();
    }
    // The direction has all its digits; the field shows them from the first.
    QLineEdit* direction = FRM_Prg_Suivi->EDT_Sens_Erreur;
    EXPECT_GT(direction->text().size(), 10);
    EXPECT_LT(direction->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), direction->width() / 4);

    // The goto dialog's distances keep all their digits and show them from
    // the first.
    TFRM_ObjectAction& d = *FRM_ObjectAction;
    Systeme::ShowFormOnScreen(&d);
    d.RDB_Relatif->setChecked(true);
    d.RDB_RelatifClick();
    Sky::GotoCurrentRA = 0.123456789;
    Sky::GotoCurrentDec = -323999.987654321;
    d.BTN_Devient_OrigineClick();
    Sky::GotoCurrentRA = 647999.987654321;
    Sky::GotoCurrentDec = 323999.5;
    d.BTN_Devient_DestinationClick(false);
    EXPECT_TRUE(d.EDT_Distance_Ra->text().startsWith(QStringLiteral("-647999.86")))
        << d.EDT_Distance_Ra->text().toStdString();
    EXPECT_TRUE(d.EDT_Distance_Dec->text().startsWith(QStringLiteral("647999.48")))
        << d.EDT_Distance_Dec->text().toStdString();
    for (QLineEdit* distance : {d.EDT_Distance_Ra, d.EDT_Distance_Dec})
        EXPECT_LT(distance->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), distance->width() / 4);

    // The motor speeds that the goto dialog's calibration measures.
    GotoDistanceRA = 1000.4;
    GotoDistanceDec = 500.3;
    d.BTN_CalibrerClick();
    NorthSouthHoldMs = 33333;
    WestEastHoldMs = 66667;
    d.BTN_CalibrerClick();
    EXPECT_EQ(FRM_Pref->TNI_Vitesse_Nord->text(), QStringLiteral("15.009"));
    EXPECT_EQ(FRM_Pref->TNI_Vitesse_Sud->text(), QStringLiteral("15.009"));
    EXPECT_EQ(FRM_Pref->TNI_Vitesse_Est->text(), QStringLiteral("15.006"));
    EXPECT_EQ(FRM_Pref->TNI_Vitesse_Ouest->text(), QStringLiteral("15.006"));
}
