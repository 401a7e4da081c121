#include "script_fixture.h"

#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/profiles.h"
#include "app/settings.h"
#include "imaging/frame_helpers.h"
#include "imaging/pipeline_state.h"
#include "platform/codepage.h"
#include "scripting/frm_planificateur.h"
#include "scripting/frm_script.h"
#include "support/user_input.h"
#include "telescope/frm_sky.h"
#include "telescope/sky/sky_chart.h"
#include "tools/frm_tool_mesures.h"
#include "translation/translated_texts.h"
#include "telescope/tracking/tracking_state.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QWindow>

#include <map>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
double raOf(double h, double m, double s) { return (h * 3600 + m * 60 + s) * kPi / 43200; }
double decOf(double sign, double d, double m, double s) { return sign * (d * 3600 + m * 60 + s) * kPi / 648000; }

// A chart grid of nx x ny tiles whose tile [x][y] lies at RA x h, Dec y deg.
void fillTable(int nx, int ny)
{
    Sky::MosaicTilesX = std::uint8_t(nx);
    Sky::MosaicTilesY = std::uint8_t(ny);
    for (int x = 1; x <= nx; ++x)
        for (int y = 1; y <= ny; ++y) {
            Sky::MosaicFieldRecord& r = Sky::MosaicFieldTable[std::size_t(x)][std::size_t(y)];
            r.v[0] = raOf(x, 0, 0);
            r.v[1] = decOf(1, y, 0, 0);
            for (int i = 2; i < 10; ++i)
                r.v[std::size_t(i)] = 0.001 * i;
        }
}

} // namespace

class MosaicPlanner : public ScriptFixture {
protected:
    void SetUp() override
    {
        ScriptFixture::SetUp();
        w = FRM_Planificateur;
        g = w->STG_Actions;
        dialogs = std::make_unique<testsupport::RecordingDialogService>();
        Sky::ChartCentreRA = 0;
        Sky::ChartCentreDec = 0;
        FRM_Pref->SPED_Amort_delay->setValue(2000);
        FRM_Pref->CBX_Vitesse_Moteur->clear();
        FRM_Pref->CBX_Vitesse_Moteur->addItem(QStringLiteral("profile"));
        FRM_Pref->CBX_Vitesse_Moteur->setCurrentIndex(0);
    }
    QString at(int row, int column) const
    {
        const QTableWidgetItem* i = g->item(row, column);
        return i ? i->text() : QString();
    }
    QStringList tiles() const
    {
        QStringList names;
        for (int row = 1; row <= g->rowCount() - 2; ++row)
            names << at(row, 2);
        return names;
    }
    // One field per call, from tile [x][y] of the table.
    void addField(int x, int y)
    {
        const int row = g->rowCount() - 1;
        Planificateur::FillGridRow(row, x, y);
        g->setRowCount(row + 2);
    }
    void select(int first, int last)
    {
        g->clearSelection();
        g->setRangeSelected(QTableWidgetSelectionRange(first, 0, last, 22), true);
    }
    QStringList editorLines() const { return FRM_Script->Memo_Script->toPlainText().split(QLatin1Char('\n')); }

    TFRM_Planificateur* w = nullptr;
    QTableWidget* g = nullptr;
    std::unique_ptr<testsupport::RecordingDialogService> dialogs;
};

TEST_F(MosaicPlanner, TheWindowHasItsGridControlsAndDefaults)
{
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Programmateur de Mosaïques"));
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    ASSERT_EQ(g->columnCount(), 23);
    EXPECT_EQ(g->rowCount(), 2);
    EXPECT_EQ(g->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(g->verticalHeader()->sectionsMovable());
    for (int c = 0; c < 23; ++c) {
        const int width = c <= 8 ? 35 : c <= 11 ? 45 : c == 12 ? 120 : 0;
        if (width)
            EXPECT_EQ(g->columnWidth(c), width) << c;
        else
            EXPECT_TRUE(g->isColumnHidden(c)) << c;
    }
    EXPECT_EQ(at(0, 0), QStringLiteral("N°"));
    EXPECT_EQ(at(0, 12), QStringLiteral("Préfixe"));
    EXPECT_FALSE(w->BTN_Generer->isEnabled());
    EXPECT_TRUE(w->RDB_Mode_Absolu->isChecked());
    EXPECT_TRUE(w->RDB_Aucun->isChecked());
    EXPECT_TRUE(w->RDB_Mosa2->isChecked());
    EXPECT_FALSE(w->RDB_Mosa3->isEnabled());
    EXPECT_FALSE(w->RDB_Mosa4->isEnabled());
    EXPECT_FALSE(w->SPED_Duree_Poses->isEnabled());
    EXPECT_EQ(w->SPED_Nombre_Poses->minimum(), 1);
    EXPECT_EQ(w->SPED_Nombre_Poses->maximum(), 9999);
    EXPECT_EQ(w->SPED_Nb_Cliches_X->maximum(), 16);
    EXPECT_EQ(w->SPED_Recouvrement_Y->maximum(), 150);

    // Activation sets the titles again and mirrors the Preferences' profiles.
    g->item(0, 3)->setText(QStringLiteral("x"));
    FRM_Pref->CBX_Vitesse_Moteur->addItem(QStringLiteral("fast"));
    FRM_Pref->CBX_Vitesse_Moteur->setCurrentIndex(1);
    ASSERT_TRUE(Settings::RunHandler(QStringLiteral("FRM_Planificateur.FormActivate")));
    EXPECT_EQ(at(0, 3), QStringLiteral("A.D.h"));
    EXPECT_EQ(w->CBX_Vitesse_Moteur->count(), 2);
    EXPECT_EQ(w->CBX_Vitesse_Moteur->currentText(), QStringLiteral("fast"));

    // A choice in the planner's list is the Preferences' choice.
    w->CBX_Vitesse_Moteur->setCurrentIndex(0);
    w->CBX_Vitesse_MoteurChange();
    EXPECT_EQ(FRM_Pref->CBX_Vitesse_Moteur->currentText(), QStringLiteral("profile"));
    EXPECT_EQ(CurrentSpeedProfileName, QStringLiteral("profile"));

    // The main window's menu and the goto dialog's button open it by name.
    w->hide();
    ASSERT_TRUE(Settings::RunHandler(QStringLiteral("FRM_Alv.MNU_PlanificateurClick")));
    EXPECT_TRUE(w->isVisible());
    w->hide();
}

TEST_F(MosaicPlanner, AddingNeedsANameAndListsTheTilesInTheChosenOrder)
{
    fillTable(3, 2);
    w->BTN_Ajouter->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Vous devez donner un nom à la pose")});
    EXPECT_EQ(g->rowCount(), 2);
    EXPECT_FALSE(w->BTN_Generer->isEnabled());

    int redraws = 0;
    Settings::RegisterHandler(QStringLiteral("Sky.RedrawChart"), [&] { ++redraws; });
    w->EDT_Nom_Pose->setText(QStringLiteral("M42"));
    w->RDB_Mosa1->setChecked(true);
    w->BTN_Ajouter->click();
    EXPECT_EQ(tiles(), (QStringList{"A1", "B1", "C1", "A2", "B2", "C2"}));
    EXPECT_TRUE(w->BTN_Generer->isEnabled());
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(at(6, 0), QStringLiteral("6"));
    EXPECT_TRUE(at(7, 0).isEmpty());   // the empty last row

    g->setRowCount(2);
    w->RDB_Mosa2->setChecked(true);
    w->BTN_Ajouter->click();
    EXPECT_EQ(tiles(), (QStringList{"A1", "B1", "C1", "C2", "B2", "A2"}));
    for (QRadioButton* r : {w->RDB_Mosa3, w->RDB_Mosa4}) {
        r->setChecked(true);
        w->BTN_Ajouter->click();
        EXPECT_EQ(g->rowCount(), 8);
    }

    // No tiles: nothing added, "Generer" still enabled.
    g->setRowCount(2);
    w->BTN_Generer->setEnabled(false);
    fillTable(0, 0);
    w->RDB_Mosa1->setChecked(true);
    w->BTN_Ajouter->click();
    EXPECT_EQ(g->rowCount(), 2);
    EXPECT_TRUE(w->BTN_Generer->isEnabled());
    EXPECT_TRUE(boxes.shown.size() == 1u);   // only the missing name's box
    EXPECT_TRUE(FRM_Message->MEMO_Message->toPlainText().contains(QStringLiteral("Aucun champ"))) << "the user is told why";

    // The largest mosaic twice.
    fillTable(16, 16);
    w->BTN_Ajouter->click();
    w->BTN_Ajouter->click();
    EXPECT_EQ(g->rowCount(), 514);
    EXPECT_EQ(at(512, 2), QStringLiteral("P16"));
    Settings::UnregisterHandler(QStringLiteral("Sky.RedrawChart"));

    // A double quote would break the script's prefix line.
    boxes.clear();
    g->setRowCount(2);
    w->EDT_Nom_Pose->setText(QStringLiteral("M\"42"));
    w->BTN_Ajouter->click();
    EXPECT_EQ(g->rowCount(), 2);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(MosaicPlanner, CountsAndOverlapsLayTheFieldsOutAgainEvenWithTheChartHidden)
{
    FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(2);
    FRM_Tool_Mesures->TNI_NbPix_X->SetValue(640);
    FRM_Tool_Mesures->TNI_NbPix_Y->SetValue(480);
    ASSERT_FALSE(FRM_Sky->isVisible());
    const double width = Sky::ChartFieldWidth;
    Sky::ChartFieldWidth = 2 * kPi / 180;   // a field of 2 degrees: about 11" a chart pixel
    fillTable(0, 0);
    w->SPED_Nb_Cliches_X->setValue(3);
    w->SPED_NB_Cliches_Y->setValue(2);
    EXPECT_EQ(Sky::MosaicTilesX, 3);
    EXPECT_EQ(Sky::MosaicTilesY, 2);
    const double before = Sky::MosaicFieldTable[1][1].centreRa();
    w->SPED_Recouvrement_X->setValue(100);   // closer to the middle column
    EXPECT_NE(Sky::MosaicFieldTable[1][1].centreRa(), before);
    w->SPED_Nb_Cliches_X->setValue(1);
    w->SPED_NB_Cliches_Y->setValue(1);
    w->SPED_Recouvrement_X->setValue(0);
    Sky::ChartFieldWidth = width;
}

TEST_F(MosaicPlanner, ARowHoldsTheFieldItsExposuresAndItsCorners)
{
    fillTable(2, 1);
    Sky::MosaicFieldRecord& r = Sky::MosaicFieldTable[2][1];
    r.v[0] = raOf(5, 35, 17.3);
    r.v[1] = decOf(-1, 1, 30, 15);
    r.v[2] = 0.123456789012345678;
    w->EDT_Nom_Pose->setText(QStringLiteral("M42"));
    w->SPED_Nombre_Poses->setValue(5);
    w->RDB_Std->setChecked(true);
    addField(2, 1);
    const QStringList row1 = {"1", "Photo", "B1", "05", "35", "17.3", "-01", "30", "15", "Std", "0", "5", "M42_B1_"};
    for (int c = 0; c < 13; ++c)
        EXPECT_EQ(at(1, c), row1[c]) << c;
    EXPECT_EQ(at(1, 13), QStringLiteral("0.123456789012346"));   // 15 significant digits
    EXPECT_NEAR(at(1, 22).toDouble(), r.v[1], 1e-15);

    w->RDB_Longuepose->click();
    EXPECT_TRUE(w->SPED_Duree_Poses->isEnabled());
    w->SPED_Duree_Poses->setValue(30000);
    addField(1, 1);
    EXPECT_EQ(at(2, 9), QStringLiteral("LX"));
    EXPECT_EQ(at(2, 10), QStringLiteral("30000"));
    EXPECT_EQ(at(1, 9), QStringLiteral("Std"));   // older rows keep their type
    w->RDB_Aucun->click();
    EXPECT_FALSE(w->SPED_Duree_Poses->isEnabled());
    addField(1, 1);
    EXPECT_EQ(at(3, 9), QStringLiteral("None"));
    EXPECT_EQ(at(3, 10), QStringLiteral("0"));

    // Seconds are rounded before the split: 59.996 s carries into the minute,
    // and 23h59m59.999s is 0h.
    r.v[0] = raOf(5, 35, 59.996);
    r.v[1] = decOf(1, 10, 59, 59.999);
    addField(2, 1);
    EXPECT_EQ(QStringList({at(4, 3), at(4, 4), at(4, 5)}), (QStringList{"05", "36", "0"}));
    EXPECT_EQ(QStringList({at(4, 6), at(4, 7), at(4, 8)}), (QStringList{"11", "00", "0"}));
    r.v[0] = raOf(23, 59, 59.999);
    addField(2, 1);
    EXPECT_EQ(QStringList({at(5, 3), at(5, 4), at(5, 5)}), (QStringList{"00", "00", "0"}));
}

TEST_F(MosaicPlanner, DeletingMovesTheRowsBelowUpAndKeepsTheEmptyRow)
{
    fillTable(5, 1);
    w->EDT_Nom_Pose->setText(QStringLiteral("N"));
    for (int x = 1; x <= 5; ++x)
        addField(x, 1);
    w->BTN_Generer->setEnabled(true);
    w->BTN_Supprimer->click();   // nothing selected: nothing deleted
    EXPECT_EQ(g->rowCount(), 7);
    select(2, 3);
    w->BTN_Supprimer->click();
    EXPECT_EQ(tiles(), (QStringList{"A1", "D1", "E1"}));
    EXPECT_EQ(QStringList({at(1, 0), at(2, 0), at(3, 0)}), (QStringList{"1", "4", "5"}));
    EXPECT_TRUE(w->BTN_Generer->isEnabled());

    // A selection reaching the empty last row leaves that row: the next field
    // goes after the others.
    select(3, 4);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(g, &release);
    EXPECT_EQ(tiles(), (QStringList{"A1", "D1"}));
    EXPECT_EQ(g->rowCount(), 4);
    addField(2, 1);
    EXPECT_EQ(tiles(), (QStringList{"A1", "D1", "B1"}));

    select(0, 4);   // the title row stays too
    w->BTN_Supprimer->click();
    EXPECT_EQ(g->rowCount(), 2);
    EXPECT_EQ(at(0, 0), QStringLiteral("N°"));
    EXPECT_FALSE(w->BTN_Generer->isEnabled());
}

TEST_F(MosaicPlanner, RowsDraggedToAnotherPlaceMoveTheirFields)
{
    fillTable(3, 1);
    w->EDT_Nom_Pose->setText(QStringLiteral("N"));
    for (int x = 1; x <= 3; ++x)
        addField(x, 1);
    g->verticalHeader()->moveSection(3, 1);
    EXPECT_EQ(tiles(), (QStringList{"C1", "A1", "B1"}));
    g->verticalHeader()->moveSection(0, 2);   // the titles stay on top
    g->verticalHeader()->moveSection(4, 1);   // and the empty row last
    EXPECT_EQ(tiles(), (QStringList{"C1", "A1", "B1"}));
    EXPECT_EQ(at(0, 0), QStringLiteral("N°"));
    EXPECT_EQ(g->verticalHeader()->logicalIndex(0), 0);
}

TEST_F(MosaicPlanner, InclusionFilesAndTheImageNameAreChosenInTheirFolders)
{
    const QString script = dir.path() + QStringLiteral("/start.script");
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("beep\r\n");
    f.close();
    QCheckBox* box = w->InclusionBox(0);
    box->setChecked(true);   // no file named yet
    EXPECT_FALSE(box->isChecked());
    dialogs->openAnswers.push_back(script);
    w->SPDB_Ouvrir_Fichier_Au_Debut_Du_Script->click();
    ASSERT_EQ(dialogs->requests.size(), 1u);
    EXPECT_EQ(dialogs->requests[0].directory, FRM_Pref->ScriptsFolder());
    EXPECT_EQ(w->EDT_Fichier_Au_Debut_Du_Script->text(), script);
    EXPECT_FALSE(box->isChecked());   // choosing does not tick the box
    box->setChecked(true);
    EXPECT_TRUE(box->isChecked());
    // Cancelled with a file that exists: the box stays; with none, it is cleared.
    dialogs->openAnswers.push_back(std::nullopt);
    w->SPDB_Ouvrir_Fichier_Au_Debut_Du_Script->click();
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(dialogs->requests[1].fileName, script);
    w->EDT_Fichier_Au_Debut_Du_Script->setText(script + QStringLiteral(".gone"));
    dialogs->openAnswers.push_back(std::nullopt);
    w->SPDB_Ouvrir_Fichier_Au_Debut_Du_Script->click();
    EXPECT_FALSE(box->isChecked());

    dialogs->requests.clear();
    dialogs->saveAnswers = {QStringLiteral("/data/m42"), std::nullopt};
    w->EDT_Nom_Pose->clear();
    w->BTN_Parcourir->click();
    EXPECT_EQ(dialogs->requests[0].directory, FRM_Pref->BitmapsFolder());
    EXPECT_EQ(w->EDT_Nom_Pose->text(), QStringLiteral("/data/m42"));
    w->EDT_Nom_Pose->setText(QStringLiteral("C:\\Images\\M42"));
    w->BTN_Parcourir->click();
    EXPECT_EQ(dialogs->requests[1].directory, QStringLiteral("C:/Images/"));
    EXPECT_EQ(w->EDT_Nom_Pose->text(), QStringLiteral("C:\\Images\\M42"));   // cancelled
}

// ---------------------------------------------------------------- generation

class MosaicScript : public MosaicPlanner {
protected:
    void oneField()
    {
        fillTable(2, 3);
        Sky::MosaicFieldRecord& r = Sky::MosaicFieldTable[2][3];
        r.v[0] = raOf(5, 35, 17.3);
        r.v[1] = decOf(-1, 5, 23, 28);
        w->EDT_Nom_Pose->setText(QStringLiteral("M42"));
        w->SPED_Nombre_Poses->setValue(5);
        w->RDB_Std->setChecked(true);
        addField(2, 3);
        w->BTN_Generer->setEnabled(true);
    }
};

TEST_F(MosaicScript, AnAbsoluteStandardFieldGivesTheScriptLineForLine)
{
    oneField();
    w->BTN_Generer->setEnabled(true);
    Scripts::CurrentScript().CurrentLine = 7;
    w->BTN_Generer->click();
    const QStringList expected = {"telescope.softspeed(profile)",
                                  "goto.mode(absolute)",
                                  "image.sequence.once",
                                  "goto.destination(05h35m17.3s,-05d23m28s)",
                                  "goto.execute",
                                  "wait(2000)",
                                  "camera.mode(1,frame)",
                                  "image.sequence.prefix(\"M42B3_\")",
                                  "image.sequence.currentnumber(1)",
                                  "image.sequence.for(5,images)",
                                  "image.sequence(startwait)",
                                  "messagebox.clear",
                                  "messagebox.show(\"Mosaïque terminée/Mosaïc finished !\")"};
    EXPECT_EQ(editorLines(), expected);
    EXPECT_EQ(Scripts::CurrentScript().Lines, expected);
    EXPECT_EQ(Scripts::CurrentScript().CurrentLine, 0);
    EXPECT_EQ(Scripts::CurrentScript().LineCount, expected.size());
    EXPECT_TRUE(FRM_Script->isVisible());
    EXPECT_EQ(g->rowCount(), 3);   // the grid is left as it was
    EXPECT_TRUE(boxes.shown.empty());
    FRM_Script->hide();
}

TEST_F(MosaicScript, UnsavedEditsInTheEditorAreAskedForBeforeTheMosaicReplacesThem)
{
    oneField();
    FRM_Script->Memo_Script->setPlainText(QStringLiteral("beep"));
    QTest::keyClicks(FRM_Script->Memo_Script, QStringLiteral(" x"));   // typed, never saved
    ASSERT_TRUE(FRM_Script->Memo_Script->document()->isModified());
    const QString typed = FRM_Script->Memo_Script->toPlainText();

    boxes.answers = {platform::MsgResult::Cancel};
    w->BTN_Generer->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, platform::MsgKind::Confirmation);
    EXPECT_EQ(FRM_Script->Memo_Script->toPlainText(), typed);

    boxes.clear();
    boxes.answers = {platform::MsgResult::No};
    w->BTN_Generer->click();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(editorLines().value(0), QStringLiteral("telescope.softspeed(profile)"));

    // Nothing unsaved (the mosaic saved): no question.
    dialogs->saveAnswers.push_back(dir.filePath(QStringLiteral("mosaique.txt")));
    FRM_Script->MNU_Enregistrer_sousClick();
    boxes.clear();
    w->BTN_Generer->click();
    EXPECT_TRUE(boxes.shown.empty());
    FRM_Script->hide();
}

// The script "Generer" writes is in no file yet: it counts as an edit never
// saved. Every way that would drop it asks first (another generation, New,
// Open, the program's close), Cancel keeps it, and Yes saves it where the
// user chooses, never over the script shown before it.
TEST_F(MosaicScript, AGeneratedScriptIsAskedForAndSavedWhereTheUserChooses)
{
    bool closed = false;
    QObject::connect(FRM_Alv, &TForm::formClosed, [&] { closed = true; });
    FRM_Alv->setEnabled(true);
    SettingsFilePath = dir.filePath(QStringLiteral("NightjarPro.ini"));
    FRM_Alv->show();
    FRM_Pref->EDT_Repertoire_Scripts->setText(dir.path() + QStringLiteral("/"));
    dir.writeFile(QStringLiteral("guidage.txt"), "test.wait\r\n");
    ASSERT_TRUE(FRM_Script->OpenFile(dir.filePath(QStringLiteral("guidage.txt"))));
    oneField();
    testsupport::click(w->BTN_Generer);
    EXPECT_TRUE(boxes.shown.empty());
    const QString generated = FRM_Script->Memo_Script->toPlainText();
    ASSERT_TRUE(generated.startsWith(QStringLiteral("telescope.softspeed("))) << generated.toStdString();
    EXPECT_EQ(FRM_Script->windowTitle(), QStringLiteral("Scripts : Nouveau script"));
    EXPECT_FALSE(FRM_Script->MNU_Enregistrer->isEnabled());
    EXPECT_TRUE(Scripts::CurrentScript().FileName.isEmpty());

    // Cancel, asked by each way in turn: the script stays, nothing opened.
    boxes.answers = {platform::MsgResult::Cancel, platform::MsgResult::Cancel, platform::MsgResult::Cancel,
                     platform::MsgResult::Cancel};
    testsupport::click(w->BTN_Generer);
    EXPECT_TRUE(testsupport::chooseMenuItem(FRM_Script->MNU_Fichier, FRM_Script->MNU_Nouveau));
    EXPECT_TRUE(testsupport::chooseMenuItem(FRM_Script->MNU_Fichier, FRM_Script->MNU_Ouvrir));
    FRM_Alv->windowHandle()->close();
    ASSERT_EQ(boxes.shown.size(), 4u);
    for (const platform::Message& m : boxes.shown)
        EXPECT_EQ(m.text, TranslatedTexts.MSG_Script_Modifie_Enregistrer);
    EXPECT_TRUE(dialogs->requests.empty());
    EXPECT_FALSE(closed);
    EXPECT_EQ(FRM_Script->Memo_Script->toPlainText(), generated);

    // Yes: the save dialog in the scripts folder, with no name; cancelled,
    // the program stays open with the script.
    boxes.answers = {platform::MsgResult::Yes};
    FRM_Alv->windowHandle()->close();
    ASSERT_EQ(dialogs->requests.size(), 1u);
    EXPECT_TRUE(dialogs->requests[0].fileName.isEmpty());
    EXPECT_EQ(dialogs->requests[0].directory, FRM_Pref->ScriptsFolder());
    EXPECT_FALSE(closed);
    EXPECT_TRUE(FRM_Script->Memo_Script->document()->isModified());

    // Yes and a name: the script is written there and the program closes;
    // the file shown before keeps its own script.
    boxes.answers = {platform::MsgResult::Yes};
    dialogs->saveAnswers.push_back(dir.filePath(QStringLiteral("m42.txt")));
    FRM_Alv->windowHandle()->close();
    EXPECT_TRUE(closed);
    EXPECT_EQ(dir.readFile(QStringLiteral("m42.txt")), platform::toCp1252(generated).replace("\n", "\r\n") + "\r\n");
    EXPECT_EQ(dir.readFile(QStringLiteral("guidage.txt")), "test.wait\r\n");
    FRM_Script->hide();
}

TEST_F(MosaicScript, RelativeLongExposureAndNoExposureFields)
{
    oneField();
    Sky::ChartCentreRA = raOf(5, 30, 5.3);
    Sky::ChartCentreDec = decOf(-1, 4, 0, 0);
    w->RDB_Mode_Relatif->setChecked(true);
    w->RDB_Longuepose->setChecked(true);
    w->SPED_Duree_Poses->setValue(30000);
    addField(1, 1);
    w->RDB_Aucun->setChecked(true);
    addField(2, 2);
    w->BTN_Generer->click();
    const QStringList expected = {"telescope.softspeed(profile)",
                                  "goto.mode(relative)",
                                  "goto.origin(05h30m05.3s,-04d00m00s)",
                                  "image.sequence.once",
                                  "goto.destination(05h35m17.3s,-05d23m28s)",
                                  "goto.execute",
                                  "wait(2000)",
                                  "camera.mode(1,frame)",
                                  "image.sequence.prefix(\"M42B3_\")",
                                  "image.sequence.currentnumber(1)",
                                  "image.sequence.for(5,images)",
                                  "image.sequence(startwait)",
                                  "goto.origin(05h35m17.3s,-05d23m28s)",
                                  "goto.destination(01h00m0s,01d00m0s)",
                                  "goto.execute",
                                  "wait(2000)",
                                  "camera.mode(1,longexposure)",
                                  "longexposure.count(5)",
                                  "longexposure.length(30000)",
                                  "image.sequence.prefix(\"M42A1_\")",
                                  "image.sequence.currentnumber(1)",
                                  "image.sequence.for(5,images)",
                                  "image.sequence(start)",
                                  "longexposure(startwait)",
                                  "image.sequence(stop)",
                                  "wait(30000)",
                                  "goto.origin(01h00m0s,01d00m0s)",
                                  "goto.destination(02h00m0s,02d00m0s)",
                                  "goto.execute",
                                  "wait(2000)",
                                  "goto.origin(02h00m0s,02d00m0s)",
                                  "messagebox.clear",
                                  "messagebox.show(\"Mosaïque terminée/Mosaïc finished !\")"};
    EXPECT_EQ(editorLines(), expected);
    FRM_Script->hide();
}

TEST_F(MosaicScript, MoveModeTakesTheShortWayAndSkipsEqualDeclinations)
{
    fillTable(2, 1);
    Sky::MosaicFieldTable[1][1].v[0] = raOf(23, 59, 50);
    Sky::MosaicFieldTable[1][1].v[1] = 0;
    Sky::MosaicFieldTable[2][1].v[0] = raOf(0, 0, 30);
    Sky::MosaicFieldTable[2][1].v[1] = decOf(-1, 0, 1, 0);
    Sky::ChartCentreRA = raOf(0, 0, 10);
    w->EDT_Nom_Pose->setText(QStringLiteral("N"));
    w->RDB_Mode_Deplacement_Relatif->setChecked(true);
    addField(1, 1);
    addField(2, 1);
    w->BTN_Generer->setEnabled(true);
    FRM_Pref->SPED_Amort_delay->setValue(0);
    w->BTN_Generer->click();
    EXPECT_EQ(editorLines(), (QStringList{"telescope.softspeed(profile)", "image.sequence.once",
                                          "goto.move(wait,w,300)", "wait(0)",   // through 0h
                                          "goto.move(wait,e,600)", "goto.move(wait,s,60)", "wait(0)",
                                          "messagebox.clear",
                                          "messagebox.show(\"Mosaïque terminée/Mosaïc finished !\")"}));
    FRM_Script->hide();
}

TEST_F(MosaicScript, InclusionsGoInAtTheirPlacesUnchanged)
{
    oneField();
    w->RDB_Aucun->setChecked(true);
    addField(1, 1);
    for (int i = 0; i < TFRM_Planificateur::kInclusionCount; ++i) {
        const QString path = dir.path() + QStringLiteral("/inc%1.script").arg(i);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("  test.log(%1)\r\n//  é\r\n").arg(i).toLatin1());
        f.close();
        w->InclusionEdit(i)->setText(path);
        w->InclusionBox(i)->setChecked(true);
        ASSERT_TRUE(w->InclusionBox(i)->isChecked());
    }
    w->RDB_Std->setChecked(false);
    w->BTN_Generer->click();
    const QStringList lines = editorLines();
    auto where = [&](int i) { return lines.indexOf(QStringLiteral("  test.log(%1)").arg(i)); };
    EXPECT_EQ(where(0), 0);
    EXPECT_EQ(lines[1], QStringLiteral("//  é"));
    EXPECT_EQ(lines.count(QStringLiteral("  test.log(1)")), 2);   // once per field
    EXPECT_LT(where(1), lines.indexOf(QStringLiteral("goto.execute")));
    EXPECT_GT(where(2), lines.indexOf(QStringLiteral("goto.execute")));
    EXPECT_LT(where(3), lines.indexOf(QStringLiteral("camera.mode(1,frame)")));
    EXPECT_GT(where(4), lines.indexOf(QStringLiteral("image.sequence(startwait)")));
    EXPECT_EQ(where(5), lines.size() - 2);
    FRM_Script->hide();
}

TEST_F(MosaicScript, AFailureLeavesTheEditorAndTheLevelUntouched)
{
    oneField();
    FRM_Script->Memo_Script->setPlainText(QStringLiteral("beep"));
    Scripts::CurrentScript().Lines = QStringList{QStringLiteral("beep")};
    const QString binary = dir.path() + QStringLiteral("/binary.script");
    QFile f(binary);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("be\0ep", 5));
    f.close();
    w->InclusionEdit(4)->setText(binary);
    w->InclusionBox(4)->setChecked(true);
    w->BTN_Generer->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.texts()[0].contains(binary));
    EXPECT_EQ(FRM_Script->Memo_Script->toPlainText(), QStringLiteral("beep"));
    EXPECT_EQ(Scripts::CurrentScript().Lines, QStringList{QStringLiteral("beep")});

    // Removed after it was ticked.
    boxes.clear();
    QFile::remove(binary);
    w->BTN_Generer->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.texts()[0].contains(binary));
    w->InclusionBox(4)->setChecked(false);

    // A name or a profile the script language cannot carry.
    for (const auto& [name, profile] : std::initializer_list<std::pair<const char*, const char*>>{
             {"M\"42", "profile"}, {"M42", "slow,fast"}, {"M42", "a)"}}) {
        boxes.clear();
        w->EDT_Nom_Pose->setText(QString::fromUtf8(name));
        FRM_Pref->CBX_Vitesse_Moteur->setItemText(0, QString::fromLatin1(profile));
        w->BTN_Generer->click();
        EXPECT_EQ(boxes.shown.size(), 1u) << name << profile;
        EXPECT_EQ(FRM_Script->Memo_Script->toPlainText(), QStringLiteral("beep"));
    }

    // While a script runs or is paused, its level is not replaced.
    FRM_Pref->CBX_Vitesse_Moteur->setItemText(0, QStringLiteral("profile"));
    w->EDT_Nom_Pose->setText(QStringLiteral("M42"));
    for (bool* flag : {&Scripts::ScriptRunning, &Scripts::ScriptPaused}) {
        boxes.clear();
        *flag = true;
        w->BTN_Generer->click();
        *flag = false;
        EXPECT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(Scripts::CurrentScript().Lines, QStringList{QStringLiteral("beep")});
    }

    // An empty list: the header and the footer.
    g->setRowCount(2);
    w->BTN_Generer->click();
    EXPECT_EQ(editorLines().size(), 5);
    FRM_Script->hide();
}

// ---------------------------------------------------------------- commands

class MosaicCommands : public ScriptFixture {
protected:
    QStringList errorOf(const QString& text)
    {
        boxes.clear();
        runScript(text);
        return boxes.texts();
    }
};

TEST_F(MosaicCommands, CountsAndSizesGoIntoTheMosaicPage)
{
    runScript(QStringLiteral("mosaic.count(3)\nmosaic.width(320)\nmosaic.height(240)\nmosaic.duration(1000)\ntest.log(done)"));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(FRM_Alv->SPED_Mosaic_NbCompo->value(), 3);
    EXPECT_EQ(FRM_Alv->SPED_Mosaic_Width->value(), 320);
    EXPECT_EQ(FRM_Alv->SPED_Mosaic_Height->value(), 240);
    EXPECT_EQ(FRM_Alv->SPED_Mosaique_Duree->value(), 1000);
    EXPECT_EQ(scripttest::logged, QStringList{QStringLiteral("done")});

    scripttest::logged.clear();
    EXPECT_EQ(errorOf(QStringLiteral("mosaic.count(\"a\")\ntest.log(no)")), QStringList{QStringLiteral("Line 1 : 9999999")});
    EXPECT_EQ(errorOf(QStringLiteral("mosaic.count(x)\ntest.log(no)")).size(), 1);   // the evaluator's error
    EXPECT_TRUE(scripttest::logged.isEmpty());
    EXPECT_EQ(FRM_Alv->SPED_Mosaic_NbCompo->value(), 3);
}

TEST_F(MosaicCommands, SwitchesAndOptionsActAsTheUserWould)
{
    runScript(QStringLiteral("mosaic.init\nmosaic(on)\nmosaic.options.movements.mode(standalone)\n"
                             "mosaic.options.movements.standalone.unit(pixels)\nmosaic.options.movements.reverse(on)"));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_TRUE(FRM_Alv->CKB_Mosaique_Active->isChecked());
    EXPECT_TRUE(FRM_Alv->RDB_Mosaique_Derive_Independante->isChecked());
    EXPECT_TRUE(FRM_Alv->RDB_Pixels_S->isChecked());
    EXPECT_TRUE(FRM_Alv->CKB_Mosaique_Derive_Inverse->isChecked());

    FRM_Alv->TNI_Mosaic_Vitesse_Derive_AD->SetValue(7);
    runScript(QStringLiteral("mosaic.options.movements.standalone.rate.x(2)"));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(double(FRM_Alv->TNI_Mosaic_Vitesse_Derive_AD_Pixels->Value()), 2.0);
    EXPECT_EQ(double(FRM_Alv->TNI_Mosaic_Vitesse_Derive_AD->Value()), 7.0);
    EXPECT_EQ(MosaicDriftSpeedX, -2.0);   // applied, reversed

    EXPECT_EQ(errorOf(QStringLiteral("mosaic.options.movements.standalone.rate.y(1.5)")),
              QStringList{QStringLiteral("Line 1 : 9999999")});
    EXPECT_EQ(errorOf(QStringLiteral("mosaic(On)")), QStringList{QStringLiteral("Line 1 : On")});
    EXPECT_EQ(errorOf(QStringLiteral("mosaic.options.movements.mode(track)")), QStringList{QStringLiteral("Line 1 : track")});
    EXPECT_EQ(errorOf(QStringLiteral("mosaic.options.movements.standalone.unit(px)")),
              QStringList{QStringLiteral("Line 1 : px")});
    EXPECT_EQ(errorOf(QStringLiteral("mosaic.options.movements.reverse(1)")), QStringList{QStringLiteral("Line 1 : 1")});

    // A duration given while the mosaic runs waits for "mosaic.init" or
    // "mosaic(on)" to start its countdown.
    boxes.clear();
    const auto onAfter = [this](int ms) {
        clock.advanceMs(ms);
        const kernels::Bitmap24& result = FRM_Alv->Image3->Bitmap();
        Align_V::PlaceMosaicTile(result, result.width(), result.height());
        return FRM_Alv->CKB_Mosaique_Active->isChecked();
    };
    runScript(QStringLiteral("mosaic.duration(2000)"));
    EXPECT_TRUE(onAfter(5000)) << "no countdown started";
    runScript(QStringLiteral("mosaic.init"));
    EXPECT_TRUE(onAfter(1500));
    EXPECT_FALSE(onAfter(600)) << "2000 ms after mosaic.init";
    runScript(QStringLiteral("mosaic(on)\nmosaic.duration(60000)"));
    EXPECT_TRUE(onAfter(1900));
    EXPECT_FALSE(onAfter(30000)) << "2000 ms after mosaic(on)";
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();

    runScript(QStringLiteral("mosaic(off)"));
    EXPECT_FALSE(FRM_Alv->CKB_Mosaique_Active->isChecked());
}

TEST_F(MosaicCommands, PositionIsALeftClickOnTheMosaic)
{
    FRM_Alv->CKB_Mosaique_AutoInit->setChecked(false);
    const kernels::Bitmap24& result = FRM_Alv->Image3->Bitmap();
    runScript(QStringLiteral("var(y,integer)\ny:=80\nmosaic.position(120, y)"));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(MosaicTileCentre, QPoint(120 + result.width() / 2, 80 + result.height() / 2));
    EXPECT_EQ(errorOf(QStringLiteral("mosaic.position(99999,5)")), QStringList{QStringLiteral("Line 1 : 99999")});
    EXPECT_EQ(errorOf(QStringLiteral("mosaic.position(5,\"a\")")), QStringList{QStringLiteral("Line 1 : \"a\"")});
}

// The tiles of a planned mosaic lie one step (the field less the overlap)
// apart on the sky, each with a centre of its own, whether the chart was
// never opened or is shown at any scale.
TEST_F(MosaicPlanner, TilesLieOneStepApartWhetherOrNotTheChartWasOpened)
{
    // A camera of 640 x 480 pixels at 0.5"/px.
    FRM_Tool_Mesures->TNI_Echantillonnage->SetValue(0.5);
    FRM_Tool_Mesures->TNI_NbPix_X->SetValue(640);
    FRM_Tool_Mesures->TNI_NbPix_Y->SetValue(480);
    FRM_Tool_Mesures->TNI_Orient->SetValue(0);
    const double width = Sky::ChartFieldWidth;
    Sky::ChartFieldWidth = kPi / 2;   // the chart as it starts
    Sky::ChartCentreRA = raOf(5, 35, 0);
    Sky::ChartCentreDec = decOf(-1, 5, 0, 0);
    ASSERT_FALSE(FRM_Sky->isVisible());

    w->show();
    QApplication::setActiveWindow(w);
    auto type = [](QWidget* field, const QString& text) {
        field->setFocus(Qt::MouseFocusReason);
        if (auto* spin = qobject_cast<QSpinBox*>(field))
            spin->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Tab);
    };
    type(w->SPED_Nb_Cliches_X, QStringLiteral("3"));
    type(w->SPED_NB_Cliches_Y, QStringLiteral("2"));
    type(w->SPED_Recouvrement_X, QStringLiteral("40"));
    type(w->SPED_Recouvrement_Y, QStringLiteral("40"));
    type(w->EDT_Nom_Pose, QStringLiteral("M42"));
    ASSERT_EQ(w->SPED_Nb_Cliches_X->value(), 3);
    ASSERT_EQ(w->SPED_Recouvrement_Y->value(), 40);

    auto centres = [this](int firstRow) {
        std::map<QString, std::pair<double, double>> byTile;   // arcseconds
        for (int row = firstRow; row < firstRow + 6; ++row)
            byTile[at(row, 2)] = {at(row, 21).toDouble() * 648000 / kPi, at(row, 22).toDouble() * 648000 / kPi};
        return byTile;
    };
    auto apart = [](const std::pair<double, double>& a, const std::pair<double, double>& b) {
        return Sky::AngularDistance(a.first, a.second, b.first, b.second);
    };
    auto checkSteps = [&](const std::map<QString, std::pair<double, double>>& c) {
        ASSERT_EQ(c.size(), 6u) << "six tiles of their own";
        // (640 - 40) x 0.5" across, (480 - 40) x 0.5" down.
        for (const char* row : {"1", "2"}) {
            EXPECT_NEAR(apart(c.at(QStringLiteral("A") + row), c.at(QStringLiteral("B") + row)), 300, 0.5) << row;
            EXPECT_NEAR(apart(c.at(QStringLiteral("B") + row), c.at(QStringLiteral("C") + row)), 300, 0.5) << row;
        }
        for (const char* column : {"A", "B", "C"})
            EXPECT_NEAR(apart(c.at(QLatin1String(column) + QStringLiteral("1")), c.at(QLatin1String(column) + QStringLiteral("2"))),
                        220, 0.5)
                << column;
        // The middle column straddles the chart centre, row 1 north of it.
        const double centreRa = Sky::ChartCentreRA * 648000 / kPi, centreDec = Sky::ChartCentreDec * 648000 / kPi;
        EXPECT_NEAR(apart(c.at(QStringLiteral("B1")), {centreRa, centreDec}), 110, 0.5);
        EXPECT_GT(c.at(QStringLiteral("B1")).second, c.at(QStringLiteral("B2")).second);
        EXPECT_GT(c.at(QStringLiteral("A1")).first, c.at(QStringLiteral("C1")).first) << "east to the left";
    };

    QTest::mouseClick(w->BTN_Ajouter, Qt::LeftButton);
    ASSERT_EQ(g->rowCount(), 8);
    const auto hidden = centres(1);
    checkSteps(hidden);

    // Shown, and zoomed in: the same tiles.
    FRM_Sky->resize(700, 500);
    FRM_Sky->show();
    Sky::ChartFieldWidth = kPi / 180;
    Sky::RedrawChart();
    QTest::mouseClick(w->BTN_Ajouter, Qt::LeftButton);
    ASSERT_EQ(g->rowCount(), 14);
    const auto shown = centres(7);
    checkSteps(shown);
    for (const auto& [tile, at] : hidden)
        EXPECT_LT(apart(at, shown.at(tile)), 1e-6) << tile.toStdString();

    FRM_Sky->hide();
    Sky::ChartFieldWidth = width;
}
