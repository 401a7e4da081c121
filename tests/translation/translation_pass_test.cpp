#include "translation_fixture.h"
#include "text_snapshot.h"

#include "app/align_v_features.h"
#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/settings/key_engine.h"
#include "imaging/pipeline_state.h"
#include "scripting/frm_script.h"
#include "telescope/frm_err_period.h"
#include "telescope/frm_mise_en_station.h"
#include "telescope/frm_raquette.h"
#include "tools/frm_small.h"
#include "tools/frm_tool_images.h"
#include "translation/language.h"
#include "translation/translated_texts.h"

#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>

#include <functional>

namespace {

QString caption(QWidget* window, const char* name)
{
    QObject* o = window->findChild<QObject*>(QString::fromLatin1(name));
    if (auto* m = qobject_cast<QMenu*>(o))
        return m->title();
    if (auto* b = qobject_cast<QAbstractButton*>(o))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(o))
        return l->text();
    return QStringLiteral("<none>");
}

QString hint(QWidget* window, const char* name)
{
    auto* w = window->findChild<QWidget*>(QString::fromLatin1(name));
    return w ? w->toolTip() : QStringLiteral("<none>");
}

} // namespace

TEST_F(TranslationPass, WritesSharedTwinAndCopiedTextsAndPutsFrenchBack)
{
    // One key, two labels of the long-exposure page under their own names.
    auto* avance = FRM_Pref->findChild<QLabel*>(QStringLiteral("LBL_Avance"));
    auto* avanceRs = FRM_Pref->findChild<QLabel*>(QStringLiteral("LBL_Avance_RS232"));
    ASSERT_TRUE(avance && avanceRs);
    const QString pauseCaption = caption(FRM_Tool_Images, "BTN_Pause_sauv");

    useNoLanguage();
    const TextSnapshot french = SnapshotTexts();
    EXPECT_EQ(avance->text(), QStringLiteral("Avance (ms)"));
    EXPECT_EQ(avanceRs->text(), QStringLiteral("Avance(ms) :"));
    EXPECT_EQ(TranslatedTexts.MSG_OK, QStringLiteral("OK"));
    EXPECT_EQ(::FontCharset, 1);

    useLanguage(QStringLiteral("Test"),
                "mnu_fichier.caption=&File\r\n"
                "TBS_SOURCE1.Caption=Source one\r\n"
                "SPDB_Cam2_Image.hint=Camera 2: picture\r\n"
                "SPDB_Cam1_Flux.caption=Stream\r\n"
                "SPDB_Cam_Start_1.hint=Camera 1: start\r\n"
                "BTN_Pause_Sauv.Caption=Pause it\r\n"
                "LBL_Avance.Caption=Advance\r\n"
                "FRM_Pref.Caption=  \"  Options  \"  \r\n"
                "MSG_OK=Okay\r\n");
    EXPECT_EQ(caption(FRM_Alv, "MNU_Fichier"), QStringLiteral("&File"));
    EXPECT_EQ(caption(FRM_Script, "MNU_Fichier"), QStringLiteral("&File"));
    auto* tabs = FRM_Alv->findChild<QTabWidget*>(QStringLiteral("PGC_Main"));
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->tabText(tabs->indexOf(FRM_Alv->findChild<QWidget*>(QStringLiteral("TBS_Source1")))),
              QStringLiteral("Source one"));
    EXPECT_EQ(caption(FRM_Small, "RDB_Source1"), QStringLiteral("Source one"));
    EXPECT_EQ(hint(FRM_Alv, "SPDB_Cam2_Image"), QStringLiteral("Camera 2: picture"));
    EXPECT_EQ(hint(FRM_Alv, "SPDB_Cam2_Image_B"), QStringLiteral("Camera 2: picture"));
    EXPECT_EQ(caption(FRM_Alv, "SPDB_Cam1_Stream_B"), QStringLiteral("Stream"));
    EXPECT_EQ(hint(FRM_Alv, "SPDB_Cam1_Start"), QStringLiteral("Camera 1: start"));
    EXPECT_EQ(hint(FRM_Alv, "SPDB_Cam1_Start_B"), QStringLiteral("Camera 1: start"));
    EXPECT_EQ(hint(FRM_Tool_Images, "BTN_Pause_sauv"), QStringLiteral("Pause it"));
    // The sequencer's button keys are hints: the caption stays.
    EXPECT_EQ(caption(FRM_Tool_Images, "BTN_Pause_sauv"), pauseCaption);
    EXPECT_EQ(avance->text(), QStringLiteral("Advance"));
    EXPECT_EQ(avanceRs->text(), QStringLiteral("Advance"));
    EXPECT_EQ(FRM_Pref->windowTitle(), QStringLiteral("  Options  "));
    EXPECT_EQ(TranslatedTexts.MSG_OK, QStringLiteral("Okay"));

    // A language lacking those keys puts the French back, not the previous
    // language, also where the French is the control's design caption.
    useLanguage(QStringLiteral("Vide"), "Autre=x\r\n");
    EXPECT_EQ(SnapshotDiff(SnapshotTexts(), french), "");
    EXPECT_EQ(TranslatedTexts.MSG_OK, QStringLiteral("OK"));

    // A file whose section has another name counts as missing.
    dir.writeFile(QStringLiteral("Lang_Faux.ini"), "[Autre]\r\nMNU_Fichier.Caption=&File\r\n");
    FRM_Pref->CBX_Langue->addItem(QStringLiteral("Faux"));
    FRM_Pref->CBX_Langue->setCurrentIndex(FRM_Pref->CBX_Langue->findText(QStringLiteral("Faux")));
    FRM_Pref->CBX_LangueChange();
    EXPECT_EQ(SnapshotDiff(SnapshotTexts(), french), "");
}

TEST_F(TranslationPass, RefillsListsKeepingEachSelectionWithoutHandlers)
{
    useNoLanguage();
    int changes = 0;
    QObject::connect(FRM_Pref->CBX_AG_Parite, &QComboBox::currentIndexChanged, [&] { ++changes; });
    FRM_Pref->CBX_AG_Parite->setCurrentIndex(2);
    FRM_Pref->CBX_AG_Focus_Parite->setCurrentIndex(1);
    GuidePortParity = 2;
    FocusPortParity = 1;
    FRM_Raquette->CBX_Planete->setCurrentIndex(4);
    changes = 0;

    useLanguage(QStringLiteral("Test"), "Parite2=Mark\r\nPlanete4=4-Mars!\r\n");
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(FRM_Pref->CBX_AG_Parite->currentText(), QStringLiteral("Mark"));
    EXPECT_EQ(FRM_Pref->CBX_AG_Parite->count(), 4);
    EXPECT_EQ(FRM_Pref->CBX_AG_Parite->itemText(0), QStringLiteral("Paire"));
    // The focuser's port keeps its own parity, not the guide port's.
    EXPECT_EQ(FRM_Pref->CBX_AG_Focus_Parite->currentIndex(), 1);
    EXPECT_EQ(FRM_Pref->CBX_AG_Focus_Parite->itemText(2), QStringLiteral("Mark"));
    EXPECT_EQ(FRM_Raquette->CBX_Planete->currentText(), QStringLiteral("4-Mars!"));
    EXPECT_EQ(FRM_Raquette->CBX_Planete->count(), 10);

    // A list with no selection takes the port's stored parity.
    FRM_Pref->CBX_AG_Focus_Parite->setCurrentIndex(-1);
    FocusPortParity = 3;
    useNoLanguage();
    EXPECT_EQ(FRM_Pref->CBX_AG_Focus_Parite->currentText(), QStringLiteral("Aucune"));
    EXPECT_EQ(FRM_Pref->CBX_AG_Parite->currentText(), QStringLiteral("Marque"));
}

TEST_F(TranslationPass, WritesChartStatusPanelsAndEndsWithThePlanner)
{
    // The sky chart's status bar, and the periodic-error window's graph.
    QWidget* sky = Settings::FindWindow(QStringLiteral("FRM_Sky"));
    QWidget* err = Settings::FindWindow(QStringLiteral("FRM_ErrPeriod"));
    ASSERT_TRUE(sky && err);
    auto* bar = sky->findChild<QStatusBar*>(QStringLiteral("STB_Ciel"));
    ASSERT_TRUE(bar);
    const QList<QLabel*> panels = bar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    ASSERT_GE(panels.size(), 4);
    for (int i = 0; i < 4; ++i)
        panels[i]->setText(QStringLiteral("p%1").arg(i));
    auto* chart = err->findChild<QWidget*>(QStringLiteral("CHRT_Erreur_Periodique"));
    ASSERT_TRUE(chart);

    QString plannerSaw;
    Settings::RegisterHandler(QStringLiteral("FRM_Planificateur.FormActivate"),
                              [&] { plannerSaw = TranslatedTexts.MSG_Planif_PDuree; });
    useLanguage(QStringLiteral("Test"),
                "STB_Ciel.Panels_3.Text=Centre\r\nCHRT_Erreur_Periodique.Title.Text=Error\r\nMSG_Planif_PDuree=Length\r\n");
    Settings::UnregisterHandler(QStringLiteral("FRM_Planificateur.FormActivate"));

    EXPECT_EQ(panels[0]->text(), QStringLiteral("Souris"));
    EXPECT_EQ(panels[1]->text(), QStringLiteral("p1"));
    EXPECT_EQ(panels[3]->text(), QStringLiteral("Centre"));
    EXPECT_EQ(chart->property("titleText").toString(), QStringLiteral("Error"));
    EXPECT_EQ(chart->property("leftAxisTitle").toString(), QStringLiteral("Ecart (Secondes d'arc)"));
    EXPECT_EQ(plannerSaw, QStringLiteral("Length"));
}

// The operation panel names the operation armed or running, or none, in the
// chosen language, and names it again when the language changes meanwhile.
TEST_F(TranslationPass, OperationPanelNamesTheOperationInTheCurrentLanguage)
{
    const QByteArray english = "MSG_Aucune_Operation=None\r\n"
                               "MSG_Operation_MES=en MES\r\n"
                               "MSG_Operation_Orientation=en Orientation\r\n"
                               "MSG_Operation_Decl_Etoile=en Decl\r\n"
                               "MSG_Operation_Err_Periodique=en EP\r\n"
                               "MSG_Operation_Def_Derive=en Derive\r\n"
                               "MSG_Operation_Appr_Guidage=en Appr\r\n"
                               "MSG_Operation_Collimation=en Collimation\r\n";
    useLanguage(QStringLiteral("Test"), english);
    EXPECT_EQ(FRM_Alv->PNL_Action->text(), QStringLiteral("None"));
    useNoLanguage();
    EXPECT_EQ(FRM_Alv->PNL_Action->text(), QStringLiteral("Aucune"));

    // Each way of arming an operation, the name it shows armed and running.
    struct Operation {
        const char* what;
        std::function<void()> arm;
        const char* armedFr;
        const char* runningFr;
        const char* runningEn;
    };
    const Operation operations[] = {
        {"star declination", [] { FRM_Alv->MNU_Decl_EtoileClick(); }, "Decl. Etoile", "Orientation", "en Orientation"},
        {"camera orientation", [] { FRM_Alv->MNU_TailleOrientCaptClick(); }, "Orientation", "Orientation", "en Orientation"},
        {"drift definition", [] { FRM_Alv->BTN_SetDeriveClick(); }, "Def. Derive", "Def. Derive", "en Derive"},
        {"periodic error", [] { FRM_ErrPeriod->BTN_Demar_EPClick(); }, "Err.Periodique", "Err.Periodique", "en EP"},
        {"polar alignment", [] { FRM_MiseEnStation->BTN_Demar_MESClick(); }, "M.en station", "M.en station", "en MES"},
        {"collimation", [] { Align_V::StartCollimationAid(); }, "Collimation", "Collimation", "en Collimation"},
        // Armed from the Preferences, the panel is left as it was.
        {"guiding learning", [] { ProcedureState = 13; }, "Aucune", "Appr.Guidage", "en Appr"},
    };
    const QMap<QString, QString> toEnglish = {
        {QStringLiteral("Aucune"), QStringLiteral("None")},        {QStringLiteral("Decl. Etoile"), QStringLiteral("en Decl")},
        {QStringLiteral("Orientation"), QStringLiteral("en Orientation")}, {QStringLiteral("Def. Derive"), QStringLiteral("en Derive")},
        {QStringLiteral("Err.Periodique"), QStringLiteral("en EP")}, {QStringLiteral("M.en station"), QStringLiteral("en MES")},
        {QStringLiteral("Collimation"), QStringLiteral("en Collimation")},
    };
    for (const Operation& op : operations) {
        SCOPED_TRACE(op.what);
        op.arm();
        ASSERT_EQ(ProcedureState % 2, 1);
        EXPECT_EQ(FRM_Alv->PNL_Action->text(), QString::fromUtf8(op.armedFr));
        useLanguage(QStringLiteral("Test"), english);
        EXPECT_EQ(FRM_Alv->PNL_Action->text(), toEnglish.value(QString::fromUtf8(op.armedFr)));

        FRM_Alv->SPDB_ExecuterClick();
        EXPECT_EQ(FRM_Alv->PNL_Action->text(), QString::fromUtf8(op.runningEn));
        useNoLanguage();
        EXPECT_EQ(FRM_Alv->PNL_Action->text(), QString::fromUtf8(op.runningFr));
        useLanguage(QStringLiteral("Test"), english);
        EXPECT_EQ(FRM_Alv->PNL_Action->text(), QString::fromUtf8(op.runningEn));

        // Stopped, it is armed again under its name; dropped, none is.
        FRM_Alv->SPDB_AbortClick();
        EXPECT_EQ(FRM_Alv->PNL_Action->text(), QString::fromUtf8(op.runningEn));
        FRM_Alv->SPDB_AbortClick();
        EXPECT_EQ(ProcedureState, 0);
        EXPECT_EQ(FRM_Alv->PNL_Action->text(), QStringLiteral("None"));
        useNoLanguage();
        EXPECT_EQ(FRM_Alv->PNL_Action->text(), QStringLiteral("Aucune"));
    }
}
