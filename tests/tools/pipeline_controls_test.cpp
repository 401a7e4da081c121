// The controls that the frame pipeline reads in the tool windows: present
// under their names, with their ranges and start values.

#include "app/startup.h"
#include "platform/port_access.h"
#include "platform/port_access_sim.h"
#include "support/fakes.h"
#include "support/program/fresh_process.h"
#include "support/temp_program_dir.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_info.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"

#include <QAbstractSlider>
#include <QRadioButton>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace {

class PipelineControls : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::StartAsAFreshProcess();
        platform::setPortAccess(&ports);
        Startup::CreateWindows();
    }
    void TearDown() override
    {
        Startup::DestroyWindows();
        platform::setPortAccess(nullptr);
    }
    testsupport::TempProgramDir dir;
    testsupport::RecordingMessageService boxes;
    platform::SimulatedPortAccess ports;
};

void expectRange(QWidget* window, const char* name, int lo, int hi, int value)
{
    QObject* o = window->findChild<QObject*>(QString::fromLatin1(name));
    ASSERT_TRUE(o) << name;
    if (auto* s = qobject_cast<QAbstractSlider*>(o)) {
        EXPECT_EQ(s->minimum(), lo) << name;
        EXPECT_EQ(s->maximum(), hi) << name;
        EXPECT_EQ(s->value(), value) << name;
    } else if (auto* s = qobject_cast<QSpinBox*>(o)) {
        EXPECT_EQ(s->minimum(), lo) << name;
        EXPECT_EQ(s->maximum(), hi) << name;
        EXPECT_EQ(s->value(), value) << name;
    } else if (auto* n = qobject_cast<TCustomNumInp*>(o)) {
        EXPECT_EQ(n->Min(), lo) << name;
        EXPECT_EQ(n->Max(), hi) << name;
        EXPECT_EQ(n->Value(), value) << name;
    } else {
        ADD_FAILURE() << name << " is no ranged control";
    }
}

bool checked(QWidget* window, const char* name)
{
    auto* b = window->findChild<QAbstractButton*>(QString::fromLatin1(name));
    EXPECT_TRUE(b) << name;
    return b && b->isChecked();
}

} // namespace

TEST_F(PipelineControls, RangesAndStartValues)
{
    QWidget* t = FRM_Tool_Images;
    expectRange(t, "SCB_Minimum", 0, 65535, 0);
    expectRange(t, "SCB_Maximum", 0, 65535, 2500);
    expectRange(t, "TNI_Seuil_Max", 0, 65535, 2500);
    expectRange(t, "TNI_Seuil_MaxMax", 0, 65535, 65535);
    expectRange(t, "SCB_Saturation", 0, 200, 100);
    expectRange(t, "SPED_Nb_Bitmap", 0, 999990, 1);
    expectRange(t, "SPED_Satur_Limit", 0, 65279, 65279);
    expectRange(t, "SPED_Frequence_Filtre", 1, 999999, 1);
    expectRange(t, "SPED_Repete_Filtre", 1, 999999, 1);
    expectRange(t, "SPED_RDark", 1, 9, 1);
    expectRange(t, "SCB_Seuil_dark", 0, 100, 100);
    expectRange(t, "SCB_Wavelet3", -2000, 10000, 0);
    expectRange(t, "TRKB_EQ5", 0, 510, 255);
    expectRange(t, "TNI_Seuil_Max_Detect", 0, 255, 180);
    for (const char* c : {"CKB_Seuils_Evol", "RDB_Couleur", "CKB_Red", "CKB_Green", "CKB_Blue", "RDB_Unique",
                          "CKB_Visu_Permanente", "RDB_Deconvolution", "RDB_LRGB_Adaptative_HC", "RDB_Dark_Sub"})
        EXPECT_TRUE(checked(t, c)) << c;
    for (const char* c : {"CKB_Integration", "CKB_utiliser_seuils", "CKB_Selection", "CKB_Active_Flat", "RDB_NB"})
        EXPECT_FALSE(checked(t, c)) << c;
    EXPECT_FALSE(FRM_Tool_Images->CKB_Active_Flat->isEnabled());

    QWidget* a = FRM_Tool_Affichage;
    expectRange(a, "SCB_Taille_ZAffich", 4, 1600, 320);
    expectRange(a, "TNI_Taille_ZAffich", 4, 1600, 320);
    expectRange(a, "SCB_Taille_ZAffichV", 1, 1600, 320);
    expectRange(a, "TNI_Taille_ZAffichV", 1, 1600, 240);
    expectRange(a, "SCB_Taille_ZDetect", 1, 480, 40);
    expectRange(a, "TNI_Taille_ZDetect", 1, 480, 40);
    EXPECT_TRUE(checked(a, "RDB_Ratio_Ecran"));
    EXPECT_TRUE(checked(a, "RDB_Methode_FWHM"));
    EXPECT_FALSE(FRM_Tool_Affichage->CKB_MAP->isEnabled());
    for (const char* c : {"PNL_Rouge", "PNL_Orange", "PNL_Vert"})
        EXPECT_TRUE(a->findChild<QWidget*>(QString::fromLatin1(c))) << c;

    expectRange(FRM_Info, "SCB_Seuil_Satur", 0, 255, 255);
    expectRange(FRM_Info, "TNI_Seuil_Satur", 0, 255, 255);
    expectRange(FRM_Tool_Suivi, "SPED_Seuil_Detect_Min", 0, 255, 50);
    expectRange(FRM_Tool_Suivi, "SPED_Intervalle_Guidage", 1, 1500, 10);
    expectRange(FRM_Tool_Mesures, "SCB_Orient", 0, 3600, 0);
    EXPECT_TRUE(checked(FRM_Tool_Mesures, "CKB_Cercles"));
    EXPECT_TRUE(checked(FRM_Tool_Mesures, "CKB_Croix"));
    EXPECT_FALSE(FRM_Tool_Mesures->CKB_Reticule->isEnabled());
}
