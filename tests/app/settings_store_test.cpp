// Loading and saving the settings file with every window of the program.

#include "settings_store_fixture.h"

#include "app/controls/color_panel.h"
#include "app/controls/num_inp.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/profiles.h"
#include "app/settings/key_engine.h"
#include "app/settings/key_table.h"
#include "app/settings/settings_file.h"
#include "app/systeme.h"
#include "capture/camera_slots.h"
#include "capture/frm_longuepose.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "telescope/mount_state.h"
#include "telescope/sky/sky_chart.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/util_images.h"
#include "support/user_input.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSpinBox>

#include <csignal>
#include <map>
#include <sys/resource.h>
#include <unistd.h>

using namespace Settings;

namespace {

// Keys whose holder is written and read back by LoadSettings and SaveSettings.
bool roundTrips(const KeySpec& k)
{
    return k.readable() && k.writable() && !k.writeControl
           && (k.step > 0 || k.has(ProfileKey) || k.has(SchemeKey));
}

std::map<QString, QString> holderState(const KeyEngine& engine)
{
    std::map<QString, QString> state;
    for (const KeySpec& k : KeyTable()) {
        if (!roundTrips(k))
            continue;
        if (const auto text = engine.currentText(k))
            state[k.sectionName() + u'/' + k.keyName()] = *text;
    }
    return state;
}

// Gives every holder of the table another value.
void changeEveryHolder(int round)
{
    for (const KeySpec& k : KeyTable()) {
        if (!roundTrips(k) || !k.window)
            continue;
        QWidget* window = FindWindow(QString::fromLatin1(k.window));
        if (k.kind == KeyKind::Choice) {
            const auto& options = k.choice->options;
            const auto& pick = options[static_cast<std::size_t>(round) % options.size()];
            if (auto* b = window->findChild<QAbstractButton*>(QString::fromLatin1(pick.control)))
                b->setChecked(true);
            continue;
        }
        QObject* o = window ? window->findChild<QObject*>(QString::fromLatin1(k.control)) : nullptr;
        if (auto* b = qobject_cast<QAbstractButton*>(o)) {
            b->setChecked(!b->isChecked());
        } else if (auto* s = qobject_cast<QSpinBox*>(o)) {
            s->setValue(s->value() < s->maximum() ? s->value() + 1 : s->minimum());
        } else if (auto* s = qobject_cast<QAbstractSlider*>(o)) {
            s->setValue(s->value() < s->maximum() ? s->value() + 1 : s->minimum());
        } else if (auto* n = qobject_cast<TCustomNumInp*>(o)) {
            const long double step = 1 + (k.scale > 1 ? 1.0L / k.scale : 0);
            const long double up = n->Value() + step;
            n->SetValue(up <= n->Max() ? up : n->Value() - step);
        } else if (auto* e = qobject_cast<QLineEdit*>(o)) {
            // Folders are kept with one trailing separator.
            e->setText(QStringLiteral("r%1_%2%3").arg(round).arg(QString::fromLatin1(k.control),
                                                                 k.kind == KeyKind::Folder ? "/" : ""));
        } else if (auto* c = qobject_cast<QComboBox*>(o)) {
            if (k.kind == KeyKind::ComboIndex || !c->isEditable())
                c->setCurrentIndex(c->count() > 1 ? (c->currentIndex() + 1) % c->count() : c->currentIndex());
            else
                c->setEditText(QStringLiteral("Nom %1").arg(round));
        } else if (auto* p = qobject_cast<TColorPanel*>(o)) {
            p->setColor(p->Color() + 1);
        }
    }
    Sky::ChartCentreRA = 1.234 + round;
    Sky::GotoOriginDec = -0.5;
    LastOpenDir = QStringLiteral("/images/%1/").arg(round);
    CameraSlots[1].driverIndex = 3 + round;
}

QStringList sectionsOf(const QByteArray& bytes)
{
    QStringList out;
    const QRegularExpression header(QStringLiteral("^\\[(.*)\\]\\r?$"), QRegularExpression::MultilineOption);
    for (auto it = header.globalMatch(QString::fromLatin1(bytes)); it.hasNext();)
        out << it.next().captured(1);
    return out;
}

} // namespace

TEST_F(SettingsStore, FirstStartCreatesTheFoldersShowsEveryDefaultAndWritesEverySection)
{
    // With the automatic divisor the kernel's centre is 1000 whenever the
    // kernel sums to 1 or more; the stored centre level is the user's own
    // only without it.
    FRM_Tool_Images->CKB_Diviseur_Auto->setChecked(false);
    load();
    for (const char* folder : {"Bitmaps", "Icons", "Scripts", "Sounds", "Filters"})
        EXPECT_TRUE(QFileInfo(dir.filePath(QString::fromLatin1(folder))).isDir()) << folder;

    // Every holder shows its key's default, except where two radio buttons
    // of one group both default to checked (the last one read wins) and
    // where the control cannot take the default (empty lists, narrow bars
    // of windows still to come): those keep the default for the file.
    const QStringList differ = {"RDB_WM_Beginner.checked", "RDB_Onglets_Menu_En_Haut.Checked", "Couleur_Nuit",
                                "AG_PortSerie", "AG_PortParallele", "IPS_Cam1", "IPS_Cam2", "CBX_Unite.IdemIndex",
                                "SCB_Saturation.Position", "TNI_Set_1", "Langue", "AG_Focus_PortSerie",
                                "AG_Focus_PortParallele"};
    platform::IniDocument empty;
    const KeyEngine engine(empty);
    int checkedKeys = 0;
    for (const KeySpec& k : KeyTable()) {
        if (!k.readable() || !(k.step > 0 || k.has(ProfileKey) || k.has(SchemeKey)) || k.writeControl || !k.def)
            continue;
        const auto shown = engine.currentText(k);
        if (!shown || differ.contains(k.keyName()))
            continue;
        EXPECT_EQ(*shown, *KeyEngine::defaultText(k)) << k.section << "/" << k.name;
        ++checkedKeys;
    }
    EXPECT_GT(checkedKeys, 250);
    EXPECT_TRUE(boxes.shown.empty());

    save();
    const QStringList expected = {"Prefs", "Optique.Defaut", "Monture.Defaut", "Camera.Defaut",
                                  "Vitesse_Moteur.Defaut", "SpaceManagement", "GOTOManagement", "Ears",
                                  "System", "Exposure", "Seuils", "Integration", "Filtres", "Autoguide",
                                  "Mesures", "Focus", "AutoFocus", "Mire", "GOTO", "Carte", "Network", "Windows"};
    EXPECT_EQ(sectionsOf(fileBytes()), expected);
    // The keys the controls could not take are written with their defaults.
    EXPECT_EQ(file().readString(QStringLiteral("Filtres"), QStringLiteral("TNI_Set_1"), {}), QStringLiteral("900"));
    EXPECT_EQ(file().readString(QStringLiteral("Autoguide"), QStringLiteral("AG_PortSerie"), {}), QStringLiteral("0"));
    EXPECT_EQ(platform::IniDocument(dir.filePath(QStringLiteral("Nite_Default.ini"))).readSection(QStringLiteral("NiteColor")).size(), 29);
    EXPECT_FALSE(SettingsIniOpen);
}

TEST_F(SettingsStore, EverySettingSurvivesSaveAndLoad)
{
    dir.writeFile(QStringLiteral("pports.ini"), "$378 (LPT1)\r\n$278 (LPT2)\r\n$3BC (LPT3)\r\n");
    dir.writeFile(QStringLiteral("sports.ini"), "$03F8(COM1)\r\n$02F8(COM2)\r\n      COM3\r\n");
    // With the automatic divisor the kernel's centre is 1000 whenever the
    // kernel sums to 1 or more; the stored centre level is the user's own
    // only without it.
    FRM_Tool_Images->CKB_Diviseur_Auto->setChecked(false);
    load();
    platform::IniDocument empty;
    const KeyEngine engine(empty);
    for (int round = 1; round <= 2; ++round) {
        changeEveryHolder(round);
        const auto before = holderState(engine);
        ASSERT_GT(before.size(), 300u);
        save();
        // Forget everything: the defaults of a missing file, then the saved file.
        const QString saved = SettingsFilePath;
        SettingsFilePath = dir.filePath(QStringLiteral("elsewhere/none.ini"));
        load();
        EXPECT_NE(holderState(engine), before);
        SettingsFilePath = saved;
        load();
        const auto after = holderState(engine);
        for (const auto& [key, value] : before)
            EXPECT_EQ(after.at(key), value) << key.toStdString() << " (round " << round << ")";
    }
    EXPECT_EQ(Sky::ChartCentreRA, 3.234);
    EXPECT_EQ(Sky::GotoOriginDec, -0.5);
    EXPECT_EQ(LastOpenDir, QStringLiteral("/images/2/"));
    EXPECT_EQ(CameraSlots[1].driverIndex, 5);
}

TEST_F(SettingsStore, TemplateIsCopiedOnlyWhenThereIsNoSettingsFile)
{
    dir.writeFile(QStringLiteral("nightjarpro.one"), "[Prefs]\r\nNom_Image=modele\r\n");
    // File dialogs may have moved the current directory: the template is
    // still the program directory's.
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());
    load();
    EXPECT_EQ(FRM_Tool_Images->EDT_Nom_Image->text(), QStringLiteral("modele"));
    EXPECT_EQ(fileBytes(), QByteArray("[Prefs]\r\nNom_Image=modele\r\n"));

    writeSettings("[Prefs]\r\nNom_Image=le mien\r\n");
    load();
    EXPECT_EQ(FRM_Tool_Images->EDT_Nom_Image->text(), QStringLiteral("le mien"));
    EXPECT_EQ(fileBytes(), QByteArray("[Prefs]\r\nNom_Image=le mien\r\n"));
}

TEST(SettingsTemplate, ShippedTemplateHoldsTheDefaultsOfTheTable)
{
    const QString path = QStringLiteral(NJ_SOURCE_DIR "/resources/programdir/nightjarpro.one");
    const QByteArray generated = DefaultSettingsBytes();
    if (qEnvironmentVariableIsSet("NJ_WRITE_TEMPLATE")) {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(generated);
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "run with NJ_WRITE_TEMPLATE=1 to write it";
    EXPECT_EQ(f.readAll(), generated) << "the key table changed: run with NJ_WRITE_TEMPLATE=1";
    EXPECT_TRUE(generated.startsWith("[Prefs]\r\nLangue=1\r\nOptique_Courante=Defaut\r\n"));
    EXPECT_TRUE(generated.contains("[Optique.Defaut]\r\nFocale=20000000\r\n"));
    EXPECT_TRUE(generated.contains("Qualit\xE9_Compression_Jpeg=80\r\n"));
    EXPECT_FALSE(generated.contains("Repertoire_Bitmaps"));   // depends on the program directory
}

TEST_F(SettingsStore, StoredEncodingsAndSpellings)
{
    FRM_Tool_Affichage->RDB_Src1_Cam2->setChecked(true);
    writeSettings(platform::toCp1252(QStringLiteral(
        "[Prefs]\r\nQualité_Compression_Jpeg=55\r\nTraitement_AvantApres=5\r\nSrc1Cam=3\r\n"
        "num_suffixe=abc\r\nFinesse_Selection=xyz\r\nLongueur_Fixe=1\r\n"
        "[Windows]\r\nFRM_AlV_Top=5\r\n[Seuils]\r\nCPC_R.XCoordinate=77\r\n[Exposure]\r\nVesta-Pose=1234\r\n")));
    // Keys of controls and windows still to come keep their stored text.
    delete FRM_Longuepose;
    FRM_Longuepose = nullptr;
    load();
    EXPECT_EQ(FRM_Tool_Images->SPED_Qualite_Jpeg->value(), 55);
    EXPECT_TRUE(FRM_Tool_Images->RDB_Images_Apres_Traitement->isChecked());
    EXPECT_TRUE(FRM_Tool_Affichage->RDB_Src1_Cam2->isChecked());   // 3 changes nothing
    EXPECT_EQ(FRM_Tool_Images->TNI_Num_Suffixe->Value(), 1);        // text in a number: the default
    EXPECT_EQ(FRM_Pref->SCB_Finesse_Selection->value(), 70);
    EXPECT_TRUE(FRM_Tool_Images->CKB_Longueur_Fixe->isChecked());

    FRM_Alv->move(FRM_Alv->x(), 33);
    save();
    const QByteArray bytes = fileBytes();
    // One entry per key whatever the spelling; the stored spelling stays.
    EXPECT_EQ(bytes.count("Qualit\xE9_Compression_Jpeg=55\r\n"), 1);
    EXPECT_EQ(QString::fromLatin1(bytes).count(QStringLiteral("frm_alv_top="), Qt::CaseInsensitive), 1);
    EXPECT_TRUE(bytes.contains("FRM_AlV_Top=33\r\n"));
    EXPECT_TRUE(bytes.contains("num_suffixe=abc\r\n"));   // kept until the user changes it
    EXPECT_TRUE(bytes.contains("Longueur_Fixe=1\r\n"));
    EXPECT_TRUE(bytes.contains("Traitement_AvantApres=5\r\n"));
    EXPECT_TRUE(bytes.contains("Un_seul_fichier=0\r\n"));
    EXPECT_TRUE(bytes.contains("CPC_R.XCoordinate=77\r\n"));
    EXPECT_TRUE(bytes.contains("CPC_G.XCoordinate=0\r\n"));   // missing: its default
    EXPECT_TRUE(bytes.contains("Vesta-Pose=1234\r\n"));
    EXPECT_FALSE(bytes.contains("FRM_Longuepose_Top"));
}

// The guide port's choice comes back whichever button it is; a file that
// names only one of the guide boxes (written before the guide port's other
// buttons were stored) keeps that box.
TEST_F(SettingsStore, TheGuidePortChoiceComesBackFromNewAndOlderFiles)
{
    writeSettings("[Autoguide]\r\nRDB_LX200.Checked=1\r\nRDB_Autoguide_Aucun.Checked=0\r\n"
                  "RDB_Autoguide_LX200.Checked=1\r\n[Focus]\r\nAucun=0\r\nFocus_ASCOM=1\r\n");
    load();
    EXPECT_TRUE(FRM_Pref->RDB_Autoguide_LX200->isChecked());
    EXPECT_FALSE(FRM_Pref->RDB_Autoguide_Aucun->isChecked());
    EXPECT_TRUE(FRM_Pref->RDB_Focus_ASCOM->isChecked());

    writeSettings("[Autoguide]\r\nRDB_Aucun.Checked=1\r\nRDB_Venner.Checked=1\r\n");
    load();
    EXPECT_TRUE(FRM_Pref->RDB_Autoguide_Venner->isChecked());
    EXPECT_FALSE(FRM_Pref->RDB_Autoguide_Aucun->isChecked());
    EXPECT_FALSE(FRM_Pref->RDB_Autoguide_LX200->isChecked());
    EXPECT_TRUE(FRM_Pref->RDB_Focus_Aucun->isChecked());
}

TEST_F(SettingsStore, LoadRunsItsStepsAndHandlersInOrder)
{
    int levelHandlerRuns = 0;
    RegisterHandler(QStringLiteral("FRM_Tool_Images.TNI_Set_3Change"), [&] {
        // The input already shows the bar's position.
        EXPECT_EQ(FRM_Tool_Images->TNI_Set_3->Value(), FRM_Tool_Images->SCB_Set_3->value());
        ++levelHandlerRuns;
    });
    writeSettings("[Filtres]\r\nTNI_Set_3=42\r\n[Focus]\r\nFocus_Venner=1\r\n[Autoguide]\r\nRDB_LX200.Checked=1\r\n"
                  "[Prefs]\r\nSrcImage=2\r\nRDB_WM_Beginner.Checked=1\r\nRDB_WM_Expert.Checked=0\r\n"
                  "[Mire]\r\nRDB_Carre=0\r\nRDB_Cercle=1\r\nRDB_Croix=0\r\nRDB_Point=1\r\n");
    load();
    UnregisterHandler(QStringLiteral("FRM_Tool_Images.TNI_Set_3Change"));
    EXPECT_EQ(levelHandlerRuns, 1);
    EXPECT_EQ(FRM_Tool_Images->SCB_Set_3->value(), 42);

    QStringList expected;
    auto steps = [&](int from, int to) {
        for (int i = from; i <= to; ++i)
            expected << QStringLiteral("LoadSettings.%1").arg(i);
    };
    steps(1, 5);
    expected << "ListProfiles Optique.";
    steps(6, 7);
    expected << "LoadOpticsProfile";
    steps(8, 8);
    expected << "ListProfiles Monture." << "LoadMountProfile";
    steps(9, 9);
    expected << "ListProfiles Vitesse_Moteur." << "LoadMotorSpeedProfile" << "FRM_Pref.TNI_Vitesse_EstExit"
             << "FRM_Pref.TNI_Vitesse_NordExit" << "FRM_Pref.TNI_Vitesse_SudExit" << "FRM_Pref.TNI_Vitesse_OuestExit";
    steps(10, 10);
    expected << "LoadNightColorChoice" << "LoadNightColors";
    steps(11, 12);
    expected << "Align_V.BuildCustomFunctionMenu";
    steps(13, 16);
    expected << "Preferences.ApplyLongExposureSettings";
    steps(17, 17);
    expected << "ListProfiles Camera." << "LoadCameraProfile" << "FRM_Pref.CKB_VestaModClick";
    steps(18, 19);
    expected << "FRM_Tool_Images.UPD_Mult_RFollow" << "FRM_Tool_Images.UPD_Mult_GFollow"
             << "FRM_Tool_Images.UPD_Mult_BFollow";
    steps(20, 20);
    for (int n : {1, 3, 5, 7, 9})
        expected << QStringLiteral("FRM_Tool_Images.TNI_Set_%1Change").arg(n);
    steps(21, 21);
    expected << "FRM_Tool_Affichage.RDB_Src1_Cam1Click" << "FRM_Tool_Affichage.CKB_Src2_ImageClick"
             << "FRM_Tool_Affichage.CKB_Src1_AutoguidageClick";
    steps(22, 22);
    expected << "FRM_Tool_Affichage.CBX_Cam1_IPSChange" << "FRM_Tool_Affichage.CBX_Cam2_IPSChange";
    steps(23, 23);
    expected << "FRM_Pref.RDB_WM_BeginnerClick" << "FRM_Pref.RDB_Onglets_Menu_En_HautClick";
    // The interface radio buttons run their click handlers as they are set.
    steps(24, 24);
    expected << "Raquette.FollowInterfaces";
    steps(25, 25);
    expected << "Raquette.EnableFocusControls" << "Raquette.EnableFocusControls";
    steps(26, 27);
    expected << "Raquette.FollowInterfaces";
    steps(28, 29);
    expected << "FRM_Pref.RDB_CercleClick" << "FRM_Pref.RDB_PointClick";
    steps(30, 30);
    // The hand pad's catalogue is back: its inputs follow.
    expected << "Raquette.ShowChosenCatalogue";
    steps(31, 31);
    expected << "RestoreGotoPoints" << "FRM_ObjectAction.BTN_Devient_OrigineClick"
             << "FRM_ObjectAction.BTN_Devient_DestinationClick";
    // Last, the measurement window takes the loaded optics when it follows them.
    expected << "FRM_Tool_Mesures.FollowPreferencesOptics";
    EXPECT_EQ(storeSteps.join(u'\n').toStdString(), expected.join(u'\n').toStdString());
}

TEST_F(SettingsStore, MissingPortListsGiveEmptyListsANoteAndTheLoadGoesOn)
{
    writeSettings("[Autoguide]\r\nAG_PortSerie=2\r\n[Focus]\r\nFocus_Quillon=1\r\nAG_Focus_PortSerie=1\r\n"
                  "[Carte]\r\nPointRa=1234\r\n");
    load();
    EXPECT_EQ(FRM_Pref->CBX_AG_PortSerie->count(), 0);
    EXPECT_EQ(FRM_Pref->CBX_AG_PortParallele->count(), 0);
    EXPECT_DOUBLE_EQ(Sky::ChartCentreRA, 1.234);   // keys after the lists are read
    const QString notes = messageWindowText();
    EXPECT_EQ(notes.count(QStringLiteral("pports.ini")), 1);
    EXPECT_EQ(notes.count(QStringLiteral("sports.ini")), 1);
    EXPECT_TRUE(boxes.shown.empty());
    // Indexes into the missing lists, and into a list not loaded, keep their values.
    save();
    EXPECT_EQ(file().readInteger(QStringLiteral("Autoguide"), QStringLiteral("AG_PortSerie"), -9), 2);
    EXPECT_EQ(file().readInteger(QStringLiteral("Focus"), QStringLiteral("AG_Focus_PortSerie"), -9), 1);
}

TEST_F(SettingsStore, BadInputNeverStopsTheLoadAndIsToldOnce)
{
    const QByteArray longLine = "Nom_Image=" + QByteArray(1 << 20, 'x');
    QByteArray bytes = "\xEF\xBB\xBF[Prefs]\r\nEDT_Startup_Script.Text=premier\nEDT_Startup_Script.Text=second\r\n"
                       + longLine + "\r\nDernier_Repertoire_ouvert=/img/\n[prefs]\r\nNom_Image=ignore\n"
                       "[Ears]\r\nTNI_Rapport_Rayon=99999999999999\r\n[Exposure]\r\nTNI_Bit_Active_Odd=12\r\n"
                       "[Network]\r\nPort=-3\r\n[Carte]\r\nTNI_Carte_MagMin_Gx.Value=99000\r\n"
                       "[Seuils]\r\nTNI_Mult_R.Value=abc\r\n[System]\r\nDriverIndex1=99999999999\r\n"
                       "[Prefs]\r\nTps_Rafraichissement_Cam1=-5\r\n[Optique.Defaut]\r\nFocale=-1\r\n[Carte]\r\nLargeur";
    writeSettings(bytes);
    load();
    EXPECT_EQ(FRM_Pref->EDT_Startup_Script->text(), QStringLiteral("premier"));   // the first one counts
    EXPECT_EQ(LastOpenDir, QStringLiteral("/img/"));
    EXPECT_EQ(CameraSlots[1].driverIndex, -1);
    EXPECT_EQ(FRM_Tool_Images->TNI_Mult_R->Value(), 1);
    EXPECT_EQ(Sky::ChartFieldWidth, 1.570796);
    // Numeric inputs refuse out-of-range values without a box of their own:
    // one note per control in the message window.
    EXPECT_TRUE(boxes.shown.empty());
    const QString notes = messageWindowText();
    for (const char* control : {"TNI_Bit_Active_Odd", "TNI_Port", "TNI_Carte_MagMin_Gx", "TNI_Focale"})
        EXPECT_EQ(notes.count(QString::fromLatin1(control) + u' '), 1) << control << "\n" << notes.toStdString();

    // What the controls could not take is written back as stored, with the
    // BOM, the line ends and the long line untouched.
    save();
    const QByteArray saved = fileBytes();
    EXPECT_TRUE(saved.startsWith("\xEF\xBB\xBF[Prefs]\r\nEDT_Startup_Script.Text=premier\nEDT_Startup_Script.Text=second\r\n"));
    for (const QByteArray& kept : {longLine + "\r\n", QByteArray("TNI_Rapport_Rayon=99999999999999\r\n"),
                                   QByteArray("TNI_Bit_Active_Odd=12\r\n"), QByteArray("Port=-3\r\n"),
                                   QByteArray("TNI_Carte_MagMin_Gx.Value=99000\r\n"), QByteArray("Focale=-1\r\n"),
                                   QByteArray("Tps_Rafraichissement_Cam1=-5\r\n")})
        EXPECT_EQ(saved.count(kept), 1) << kept.left(40).constData();
}

// A kernel level typed beyond its scroll bar works as typed and is saved as
// typed at the close; at the next start it comes back as far as its bar
// goes, without a note, and the file keeps what the user typed. A level the
// level's own input could never hold is still told.
TEST_F(SettingsStore, AKernelLevelBeyondItsBarComesBackAsFarAsTheBarGoes)
{
    activate();
    testsupport::bringForward(FRM_Tool_Images->TNI_Set_3);
    testsupport::typeInto(FRM_Tool_Images->TNI_Set_3, QStringLiteral("-300"));
    EXPECT_EQ(double(FRM_Tool_Images->TNI_Set_3->Value()), -300);
    EXPECT_EQ(FRM_Tool_Images->SCB_Set_3->value(), -200);
    EXPECT_EQ(Util_Images::ConvolutionKernel.Coefficients[3 * 9 + 3], -300);
    EXPECT_TRUE(FRM_Alv->close());
    EXPECT_EQ(file().readString(QStringLiteral("Filtres"), QStringLiteral("TNI_Set_3"), {}), QStringLiteral("-300"));

    Startup::DestroyWindows();
    Startup::CreateWindows();
    activate();
    EXPECT_EQ(double(FRM_Tool_Images->TNI_Set_3->Value()), -200);
    EXPECT_EQ(FRM_Tool_Images->SCB_Set_3->value(), -200);
    EXPECT_EQ(Util_Images::ConvolutionKernel.Coefficients[3 * 9 + 3], -200);
    EXPECT_EQ(Util_Images::ConvolutionKernel.Coefficients[5 * 9 + 4], -200);
    EXPECT_FALSE(messageWindowText().contains(QStringLiteral("TNI_Set"))) << messageWindowText().toStdString();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(FRM_Alv->close());
    EXPECT_EQ(file().readString(QStringLiteral("Filtres"), QStringLiteral("TNI_Set_3"), {}), QStringLiteral("-300"));

    // Beyond either end of a bar; beyond what the levels' inputs hold.
    Startup::DestroyWindows();
    Startup::CreateWindows();
    writeSettings("[Filtres]\r\nTNI_Set_1=0\r\nTNI_Set_5=130\r\nTNI_Set_7=-81\r\nTNI_Set_9=99999999999\r\n");
    load();
    EXPECT_EQ(FRM_Tool_Images->SCB_Set_5->value(), 120);
    EXPECT_EQ(double(FRM_Tool_Images->TNI_Set_5->Value()), 120);
    EXPECT_EQ(double(FRM_Tool_Images->TNI_Set_7->Value()), -80);
    EXPECT_EQ(double(FRM_Tool_Images->TNI_Set_9->Value()), 0);
    const QString notes = messageWindowText();
    EXPECT_EQ(notes.count(QStringLiteral("TNI_Set_1 ")), 1) << notes.toStdString();
    EXPECT_EQ(notes.count(QStringLiteral("TNI_Set_9 ")), 1) << notes.toStdString();
    EXPECT_FALSE(notes.contains(QStringLiteral("TNI_Set_5")) || notes.contains(QStringLiteral("TNI_Set_7")));
    EXPECT_TRUE(boxes.shown.empty());
}

// A mixer gain read from the file moves its up-down too: the next step up
// goes on from the gain shown, not from the up-down's start.
TEST_F(SettingsStore, AMixerGainReadFromTheFileIsWhereItsUpDownStepsFrom)
{
    writeSettings("[Seuils]\r\nTNI_Mult_R.Value=15\r\nTNI_Mult_B.Value=3\r\n");
    load();
    EXPECT_EQ(FRM_Tool_Images->UPD_Mult_R->value(), 15);
    EXPECT_EQ(FRM_Tool_Images->UPD_Mult_G->value(), 10);
    EXPECT_EQ(FRM_Tool_Images->UPD_Mult_B->value(), 3);
    EXPECT_EQ(double(FRM_Tool_Images->TNI_Mult_R->Value()), 1.5);

    testsupport::bringForward(FRM_Tool_Images->UPD_Mult_R);
    QApplication::setActiveWindow(FRM_Tool_Images);
    FRM_Tool_Images->UPD_Mult_R->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(FRM_Tool_Images->UPD_Mult_R, Qt::Key_Up);
    EXPECT_NEAR(double(FRM_Tool_Images->TNI_Mult_R->Value()), 1.6, 1e-9);
    QTest::keyClick(FRM_Tool_Images->UPD_Mult_B, Qt::Key_Down);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SettingsStore, AFileThatCannotBeWrittenStaysIntactAndIsToldOnce)
{
    const QByteArray original = "[Prefs]\r\nNom_Image=garde\r\n" + QByteArray(4000, ';') + "\r\n";
    writeSettings(original);
    load();
    FRM_Pref->EDT_ASCOM_Telescope->setText(QString(1 << 16, u'x'));

    // A full disk: no write may grow a file beyond 1 kB.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    bool thrown = false;
    try {
        save();
    } catch (const SettingsError&) {
        thrown = true;
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(thrown);
    EXPECT_FALSE(SettingsIniOpen);
    EXPECT_EQ(SettingsIni, nullptr);
    EXPECT_EQ(fileBytes(), original);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("NightjarPro")).size(), 1);

    // A read-only file (for a user who cannot override it), and a profile
    // saved on its own: refused, the file intact, one box each.
    QFile::setPermissions(SettingsFilePath, QFileDevice::ReadOwner);
    if (geteuid() != 0) {
        EXPECT_THROW(save(), SettingsError);
        EXPECT_EQ(fileBytes(), original);
    }
    QFile::setPermissions(SettingsFilePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QDir(dir.path()).remove(QStringLiteral("NightjarPro.ini"));
    QDir(dir.path()).mkdir(QStringLiteral("NightjarPro.ini"));
    boxes.clear();
    EXPECT_FALSE(SaveOpticsProfile(QStringLiteral("C8")));
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(SettingsIniOpen);
}

TEST_F(SettingsStore, TheFileKeepsItsModeAndItsLettersAndIsNeverReplacedWhenItIsNoSettingsText)
{
    // A folder name CP1252 has no letter for: the file turns UTF-8 with a mark.
    writeSettings("[Prefs]\r\nNom_Image=\xE9toile\r\n");
    QFile::setPermissions(SettingsFilePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    load();
    FRM_Pref->EDT_Repertoire_Scripts->setText(dir.path() + QString::fromUtf8("/Łukasz/"));
    save();
    EXPECT_TRUE(fileBytes().startsWith("\xEF\xBB\xBF[Prefs]\r\nNom_Image=\xC3\xA9toile\r\n"));
    EXPECT_EQ(file().readString(QStringLiteral("Prefs"), QStringLiteral("Repertoire_Scripts"), {}),
              dir.path() + QString::fromUtf8("/Łukasz/"));
    const auto modeBits = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                          | QFileDevice::WriteGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                          | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFileInfo(SettingsFilePath).permissions() & modeBits,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);

    // A file of zeros (a crash during a write): told once, never replaced.
    const QByteArray zeros(4096, '\0');
    writeSettings(zeros);
    boxes.clear();
    FRM_Message->MEMO_Message->clear();
    load();
    EXPECT_EQ(messageWindowText().count(SettingsFilePath), 2);   // the heading and the one note
    try {
        save();
    } catch (const SettingsError& e) {
        ReportSaveFailure(e);
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(fileBytes(), zeros);
}

TEST_F(SettingsStore, AWindowStoredOffTheScreenComesBackOnceAndStaysThere)
{
    Systeme::SetScreenSizeProvider([] { return QSize(1024, 768); });
    writeSettings("[Windows]\r\nFRM_AlV_Left=3000\r\nFRM_AlV_Top=-2000\r\nFRM_Message_Left=-5000\r\n"
                  "FRM_Message_Top=900\r\nFRM_Tool_Images_Left=1020\r\nFRM_Tool_Images_Top=40\r\n");
    const QStringList keys = {"FRM_Alv_Left", "FRM_Alv_Top", "FRM_Message_Left", "FRM_Message_Top",
                              "FRM_Tool_Images_Left", "FRM_Tool_Images_Top"};
    auto positions = [&] {
        QStringList out;
        for (const QString& k : keys)
            out << file().readString(QStringLiteral("Windows"), k, QStringLiteral("<none>"));
        return out;
    };
    std::vector<QStringList> starts;
    for (int start = 0; start < 3; ++start) {
        load();
        LoadWindowLayout();
        save();
        starts.push_back(positions());
    }
    Systeme::SetScreenSizeProvider({});
    for (const QString& v : starts[0]) {
        bool ok = false;
        const int p = v.toInt(&ok);
        EXPECT_TRUE(ok && p >= 0 && p < 1024) << v.toStdString();
    }
    EXPECT_EQ(starts[1], starts[0]);
    EXPECT_EQ(starts[2], starts[0]);
}

// Every place a file of an earlier version holds is the user's: the file has
// no first place beside it. A place stored with the first place the program
// gave the window beside it (the same place) is the program's, and the
// window takes a first place again: the script window at its first size,
// the message window centred. One changed since (another version, an
// editor) is the user's again.
TEST_F(SettingsStore, OnlyAPlaceTheUserChoseIsReadAsTheirs)
{
    Systeme::SetScreenSizeProvider([] { return QSize(1024, 768); });
    const QByteArray places = "[Windows]\r\nFRM_Tool_Images_Top=200\r\nFRM_Tool_Images_Left=300\r\nFRM_Script_Top=50\r\n"
                              "FRM_Script_Left=40\r\nFRM_Script_Height=420\r\nFRM_Script_Width=500\r\n"
                              "FRM_Message_Top=20\r\nFRM_Message_Left=10\r\n";
    auto start = [&](const QByteArray& firstPlaces) {
        writeSettings(places + firstPlaces);
        LoadMiscPrefs();
        LoadWindowLayout();
    };
    QWidget* script = FindWindow(QStringLiteral("FRM_Script"));
    start({});
    EXPECT_EQ(FRM_Tool_Images->pos(), QPoint(300, 200));
    EXPECT_EQ(script->geometry().size(), QSize(500, 420));
    EXPECT_EQ(script->pos(), QPoint(40, 50));
    EXPECT_EQ(FRM_Message->pos(), QPoint(10, 20));
    for (QWidget* w : {static_cast<QWidget*>(FRM_Tool_Images), script, static_cast<QWidget*>(FRM_Message)}) {
        EXPECT_TRUE(Systeme::HasUserPlace(w)) << w->objectName().toStdString();
        EXPECT_FALSE(Systeme::WaitsForFirstPlace(w)) << w->objectName().toStdString();
    }

    start("FRM_Tool_Images_FirstPlace=300,200\r\nFRM_Script_FirstPlace=40,50\r\nFRM_Message_FirstPlace=10,20\r\n");
    EXPECT_TRUE(Systeme::WaitsForFirstPlace(FRM_Tool_Images));
    EXPECT_TRUE(Systeme::WaitsForFirstPlace(script));
    EXPECT_EQ(script->geometry().size(), QSize(400, 300));
    EXPECT_EQ(FRM_Message->pos(), QPoint(387, 209));
    EXPECT_FALSE(Systeme::HasUserPlace(FRM_Tool_Images));
    EXPECT_FALSE(Systeme::HasUserPlace(FRM_Message));

    start("FRM_Tool_Images_FirstPlace=64,216\r\n");
    EXPECT_EQ(FRM_Tool_Images->pos(), QPoint(300, 200));
    EXPECT_TRUE(Systeme::HasUserPlace(FRM_Tool_Images));
    Systeme::SetScreenSizeProvider({});
}
