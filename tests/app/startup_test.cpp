#include "program_windows_fixture.h"
#include "support/file_size_limit.h"
#include "support/user_input.h"

#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/settings/key_engine.h"
#include "app/settings/key_table.h"
#include "app/systeme.h"
#include "capture/camera_slots.h"
#include "capture/frame_messages.h"
#include "capture/plugin_mgr.h"
#include "imaging/pipeline_state.h"
#include "platform/ini_document.h"
#include "scripting/frm_progress.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "telescope/frm_raquette.h"
#include "telescope/mount_state.h"
#include "tools/frm_full_screen.h"
#include "tools/frm_info.h"
#include "tools/frm_tool_images.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QRadioButton>
#include <QDir>
#include <QKeyEvent>
#include <QLocale>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>

TEST_F(ProgramWindows, WindowsExistInTheirOrderUnderTheirNames)
{
    Startup::DestroyWindows();
    QStringList order;
    QStringList classes;
    Startup::CreateWindows([&](QWidget* w) {
        order << w->objectName();
        classes << QString::fromLatin1(w->metaObject()->className());
    });
    ASSERT_EQ(order.size(), 38);
    EXPECT_EQ(order, Startup::kWindowNames);
    EXPECT_EQ(order.first(), QStringLiteral("FRM_Alv"));
    EXPECT_EQ(order.last(), QStringLiteral("frmJoy"));
    for (int i = 0; i < order.size(); ++i)
        EXPECT_EQ(classes[i], QStringLiteral("T") + order[i]);
    EXPECT_EQ(FRM_Info->objectName(), QStringLiteral("FRM_Info"));

    // Controls that start-up, close and the other windows use by name.
    for (const char* name : {"Image1", "Image2", "Image3", "PGC_Main", "TBS_Source1", "TBS_Resultat", "TBS_Mosaique",
                             "SBX_Images", "TLB_Status", "SPDB_Nite", "CBX_ScriptCollection", "CBX_ScriptCollection_B"})
        EXPECT_NE(FRM_Alv->findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    for (const char* name : {"MNU_Operations", "MNU_Cam1_Arreter", "MNU_Cam2_Arreter", "MNU_Cam1_Binning_2x2"})
        EXPECT_TRUE(FRM_Alv->findChild<QObject*>(QLatin1String(name))) << name;
    for (const char* name : {"TNI_Meilleure_Qualite", "TNI_Pire_Qualite", "SCB_Selection", "TNI_Seuil_MaxMax",
                             "EDT_NBCaps", "EDT_AVICompression", "CBX_TypeFichier", "TBS_Enregistrement"})
        EXPECT_NE(FRM_Tool_Images->findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
}

// The radio buttons of a box are one choice, apart from those of any box
// inside it: checking one clears only the others of its own box.
TEST_F(ProgramWindows, RadioButtonsChooseWithinTheirOwnBox)
{
    Startup::DestroyWindows();
    QStringList merged;
    Startup::CreateWindows([&](QWidget* window) {
        for (QRadioButton* r : window->findChildren<QRadioButton*>()) {
            if (r->group() || !r->autoExclusive())
                continue;
            // The toolkit's own choice: every free radio button under the box.
            for (QRadioButton* other : r->parentWidget()->findChildren<QRadioButton*>())
                if (other->autoExclusive() && !other->group() && other->parentWidget() != r->parentWidget())
                    merged << window->objectName() + QLatin1Char('.') + r->objectName() + QLatin1Char('/')
                                  + other->objectName();
        }
    });
    EXPECT_TRUE(merged.isEmpty()) << merged.join(QStringLiteral(", ")).toStdString();
}

TEST_F(ProgramWindows, FormCreateGivesTheStartValues)
{
    for (TImageView* v : {FRM_Alv->Image1, FRM_Alv->Image2, FRM_Alv->Image3})
        EXPECT_TRUE(v->testAttribute(Qt::WA_OpaquePaintEvent));
    EXPECT_TRUE(FRM_Alv->windowTitle().startsWith(QStringLiteral("Nightjar Pro 2.3 (Release ")));
    EXPECT_TRUE(FRM_Alv->windowTitle().endsWith(QStringLiteral(")")));
    EXPECT_FALSE(FRM_Alv->MNU_Operations->menuAction()->isEnabled());
    EXPECT_FALSE(FRM_Alv->isEnabled());
    EXPECT_TRUE(FRM_Alv->MessageHookInstalled());
    EXPECT_EQ(HandPadKeyState, (std::array<std::uint8_t, 3>{1, 4, 1}));
    for (int k = 0; k < kIntegrationKinds; ++k) {
        EXPECT_EQ(AdditionMin[k], 65280);
        EXPECT_EQ(AdditionMax[k], 0);
        EXPECT_EQ(AdditionFrameCount[k], 0);
    }
    EXPECT_EQ(QualityHistory.index, 1);
    EXPECT_EQ(CameraSlots[1].pluginCamera, -1);
    EXPECT_EQ(CameraSlots[2].pluginCamera, -1);
    EXPECT_TRUE(FirstExposure);
    EXPECT_FALSE(AviTypeListed);
    ASSERT_NE(FRM_Alv->ExtraProgress, nullptr);
    EXPECT_NE(FRM_Alv->ExtraProgress, FRM_Progress);
}

TEST_F(ProgramWindows, FirstActivationRunsItsStepsInOrder)
{
    dir.writeFile(QStringLiteral("Script_Nuit.ini"), "[PFonctions]\r\n");
    dir.writeFile(QStringLiteral("Scripts/start.script"), "wait(1)\r\n");
    dir.writeFile(QStringLiteral("NightjarPro.ini"), "[Prefs]\r\nRepertoire_Scripts=Scripts\\\r\n"
                                                     "CKB_Startup_Script.Checked=1\r\n"
                                                     "EDT_Startup_Script.Text=start.script\r\n");
    activate();

    const QStringList expected = {
        "LoadSettings", "LoadLanguageChoice", "ApplyTranslation", "LoadDriversDir", "OpenPortDriver",
        "LoadScriptCollection", "SaveSystemColors", "InitVestaPort", "InitQuillonPort", "PluginManager",
        "RegisterFrameMessages", "SlotBitmaps", "WorkBitmaps", "LoadCompressOptions", "AddAviFileType",
        "LoadMiscPrefs", "LoadWindowLayout", "StartupScript", "StartupFinished"};
    EXPECT_EQ(steps, expected);

    EXPECT_EQ(SettingsFilePath, dir.filePath(QStringLiteral("NightjarPro.ini")));
    EXPECT_TRUE(PortDriverOpen);
    EXPECT_EQ(FRM_Alv->CBX_ScriptCollection->currentText(), QStringLiteral("Nuit"));
    EXPECT_EQ(FRM_Alv->CBX_ScriptCollection_B->currentText(), QStringLiteral("Nuit"));
    for (int slot = 1; slot <= 2; ++slot) {
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(SlotBitmaps[slot][i]);
            EXPECT_EQ(SlotBitmaps[slot][i]->width(), 1280);
            EXPECT_EQ(SlotBitmaps[slot][i]->height(), 1280);
        }
    }
    ASSERT_TRUE(ResultBitmap && SaturationBitmap && FrameBitmap16 && OverlayBitmap);
    EXPECT_EQ(FrameBitmap16->GetWidth(), 1280);
    EXPECT_EQ(FrameBitmap16->GetHeight(), 1280);
    EXPECT_EQ(OverlayBitmap->bitmap.width(), 1280);   // the largest frame
    EXPECT_EQ(OverlayBitmap->bitmap.height(), 1280);
    EXPECT_TRUE(OverlayBitmap->transparent);
    EXPECT_EQ(OverlayBitmap->transparentColor, 0u);
    ASSERT_TRUE(PluginManager);
    EXPECT_TRUE(PluginManager->PluginFiles().isEmpty());
    EXPECT_NE(FrameMessages::FrameMessage(1), QEvent::None);
    EXPECT_NE(FrameMessages::FrameMessage(1), FrameMessages::FrameMessage(2));
    EXPECT_EQ(FRM_Tool_Images->TNI_Pire_Qualite->Value(), 9999999);
    EXPECT_EQ(FRM_Tool_Images->TNI_Meilleure_Qualite->Value(), 0);
    EXPECT_EQ(FRM_Tool_Images->TNI_Seuil_MaxMax->height(), 17);
    EXPECT_EQ(FRM_Tool_Images->EDT_AVICompression->text(), QStringLiteral("Unknown"));
    EXPECT_EQ(FRM_Tool_Images->CBX_TypeFichier->findText(QStringLiteral("AVI")), 5);
    EXPECT_NEAR(EarthRotationRate, 7.2921e-5, 1e-8);
    EXPECT_TRUE(FRM_Alv->isEnabled());
    EXPECT_TRUE(Scripts::ScriptRunning);
    EXPECT_TRUE(FRM_Script->TMR_Script->isActive());
    EXPECT_TRUE(boxes.shown.empty());

    // A later activation loads nothing again, keeps the plug-in manager and
    // bitmaps, refreshes the hand pad and re-reads the codec choice.
    TPluginMgr* manager = PluginManager.get();
    kernels::Bitmap24* slotBitmap = SlotBitmaps[1][0].get();
    steps.clear();
    InfoPoint.pixel = QPoint(5, 5);
    FRM_Alv->FormActivate();
    EXPECT_EQ(steps, (QStringList{"UpdateHandPadControls", "LoadCompressOptions"}));
    EXPECT_EQ(PluginManager.get(), manager);
    EXPECT_EQ(SlotBitmaps[1][0].get(), slotBitmap);
    EXPECT_EQ(InfoPoint.pixel, QPoint(0, 0));
    EXPECT_EQ(FRM_Tool_Images->CBX_TypeFichier->findText(QStringLiteral("AVI")), 5);
    EXPECT_EQ(FRM_Tool_Images->CBX_TypeFichier->count(), 6);
}

TEST_F(ProgramWindows, MissingStartupScriptAndClosedPortsLetStartupGoOn)
{
    ports.failOpenWith({QStringLiteral("/dev/parport0 : permission refusée, ajoutez l'utilisateur au groupe lp.")});
    dir.writeFile(QStringLiteral("NightjarPro.ini"), "[Prefs]\r\nCKB_Startup_Script.Checked=1\r\n"
                                                     "EDT_Startup_Script.Text=absent.script\r\n"
                                                     "[Camera.Defaut]\r\nVestaModChecked=1\r\n");
    dir.writeFile(QStringLiteral("pports.ini"), "378\r\n");
    activate();
    EXPECT_FALSE(PortDriverOpen);
    EXPECT_TRUE(ports.writes().empty());
    EXPECT_TRUE(FRM_Message->isVisible());
    EXPECT_TRUE(FRM_Message->MEMO_Message->toPlainText().contains(QStringLiteral("groupe lp")));
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_TRUE(FRM_Alv->isEnabled());
    EXPECT_TRUE(steps.endsWith(QStringLiteral("StartupFinished")));
}

// A start-up script chosen with "..." runs at the next start from where it
// was chosen, in the scripts folder or elsewhere; one that has gone away by
// then is told at the start and nothing runs.
TEST_F(ProgramWindows, TheChosenStartupScriptRunsAtTheNextStartWhereverItLies)
{
    testsupport::RecordingDialogService dialogs;
    auto click = [](QAbstractButton* b) {
        QPoint at = b->rect().center();
        if (auto* box = qobject_cast<QCheckBox*>(b)) {
            QStyleOptionButton option;
            option.initFrom(box);
            at = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
        }
        QTest::mouseClick(b, Qt::LeftButton, {}, at);
    };
    // The user's choice, ticked and kept with "Ok"; then a close and a start.
    auto chooseAndRestart = [&](const QString& chosen) {
        activate();
        Systeme::ShowFormOnScreen(FRM_Pref);
        FRM_Pref->PGC_Preferences->setCurrentWidget(FRM_Pref->TBS_Scripts);
        dialogs.openAnswers.push_back(chosen);
        click(FRM_Pref->BBTN_Startup_Script);
        EXPECT_EQ(dialogs.requests.back().directory, FRM_Pref->ScriptsFolder());
        if (!FRM_Pref->CKB_Startup_Script->isChecked())
            click(FRM_Pref->CKB_Startup_Script);
        EXPECT_TRUE(FRM_Pref->CKB_Startup_Script->isChecked());
        click(FRM_Pref->BTN_OK);
        EXPECT_TRUE(FRM_Alv->close());
        Scripts::StopAll();
        Startup::DestroyWindows();
        Startup::CreateWindows();
        FRM_Alv->StepObserver = [this](const QString& s) { steps << s; };
        steps.clear();
        activate();
    };
    const QString inFolder = dir.filePath(QStringLiteral("Scripts/nuit.script"));
    const QString elsewhere = dir.filePath(QStringLiteral("Observations/m42.script"));
    dir.writeFile(QStringLiteral("pports.ini"), "378\r\n");
    dir.writeFile(QStringLiteral("sports.ini"), "COM1\r\n");
    dir.writeFile(QStringLiteral("Scripts/nuit.script"), "wait(1)\r\n");
    dir.writeFile(QStringLiteral("Observations/m42.script"), "wait(1)\r\n");

    chooseAndRestart(inFolder);
    EXPECT_EQ(FRM_Pref->EDT_Startup_Script->text(), QStringLiteral("nuit.script"));   // kept by its name there
    EXPECT_TRUE(steps.contains(QStringLiteral("StartupScript")));
    EXPECT_TRUE(Scripts::ScriptRunning);
    EXPECT_TRUE(FRM_Script->windowTitle().endsWith(inFolder)) << FRM_Script->windowTitle().toStdString();

    chooseAndRestart(elsewhere);
    EXPECT_TRUE(FRM_Pref->CKB_Startup_Script->isChecked());
    EXPECT_TRUE(Scripts::ScriptRunning);
    EXPECT_TRUE(FRM_Script->windowTitle().endsWith(elsewhere)) << FRM_Script->windowTitle().toStdString();
    EXPECT_FALSE(FRM_Message->isVisible()) << FRM_Message->MEMO_Message->toPlainText().toStdString();
    EXPECT_TRUE(boxes.shown.empty());

    // Gone by the next start: told in the message window, nothing runs.
    EXPECT_TRUE(FRM_Alv->close());
    Scripts::StopAll();
    ASSERT_TRUE(QFile::remove(elsewhere));
    Startup::DestroyWindows();
    Startup::CreateWindows();
    activate();
    EXPECT_FALSE(Scripts::ScriptRunning);
    EXPECT_TRUE(FRM_Message->isVisible());
    const QString told = FRM_Message->MEMO_Message->toPlainText();
    EXPECT_TRUE(told.contains(QStringLiteral("Script introuvable")) && told.contains(elsewhere)) << told.toStdString();
}

TEST_F(ProgramWindows, OpenPortsPutTheLinesAtRest)
{
    // The long-exposure port is the first parallel port, the guide port the second.
    dir.writeFile(QStringLiteral("NightjarPro.ini"), "[Camera.Defaut]\r\nVestaModChecked=1\r\n"
                                                     "[Autoguide]\r\nRDB_Quillon.Checked=1\r\nAG_PortParallele=1\r\n");
    dir.writeFile(QStringLiteral("pports.ini"), "$378\r\n0x278\r\n");
    activate();
    ASSERT_EQ(ports.writes().size(), 2u);
    EXPECT_EQ(ports.writes()[0].address, 0x378);
    EXPECT_EQ(ports.writes()[0].value, 0);
    EXPECT_EQ(ports.writes()[1].address, 0x27A);
    EXPECT_EQ(ports.writes()[1].value, 11);
}

TEST_F(ProgramWindows, CloseStopsCapturesBeforeSavingAndFinishesAfterAFailedSave)
{
    activate();
    FRM_FullScreen->show();
    FRM_Alv->MNU_Cam1_Arreter->setEnabled(true);
    FRM_Alv->MNU_Cam2_Arreter->setEnabled(true);
    FRM_Alv->Timer_Cam1->start(1000);
    FRM_Alv->Timer_Cam2->start(1000);
    // The settings path names a folder: the save cannot succeed.
    QDir(dir.path()).mkdir(QStringLiteral("NightjarPro.ini"));
    steps.clear();
    bool closed = false;
    QObject::connect(FRM_Alv, &TForm::formClosed, [&] { closed = true; });

    EXPECT_TRUE(FRM_Alv->close());
    EXPECT_EQ(steps, (QStringList{"CloseFullScreen", "MNU_Cam1_ArreterClick", "MNU_Cam2_ArreterClick",
                                  "UnloadPlugins", "SaveSettings", "ClosePortDriver", "Closed"}));
    EXPECT_FALSE(FRM_FullScreen->isVisible());
    EXPECT_FALSE(FRM_Alv->Timer_Cam1->isActive());
    EXPECT_FALSE(FRM_Alv->Timer_Cam2->isActive());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("NightjarPro.ini")));
    EXPECT_FALSE(PluginManager);
    EXPECT_FALSE(PortDriverOpen);
    EXPECT_FALSE(FRM_Alv->MessageHookInstalled());
    EXPECT_EQ(FRM_Alv->ExtraProgress, nullptr);
    EXPECT_TRUE(closed);
}

TEST_F(ProgramWindows, ANewcomersFirstStartAndCloseShowNothingAndKeepTheShippedValues)
{
    // The program directory as shipped.
    const QDir shipped(QStringLiteral(NJ_SOURCE_DIR "/resources/programdir"));
    for (const QString& name : shipped.entryList(QDir::Files)) {
        QFile f(shipped.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        dir.writeFile(name, f.readAll());
    }
    activate();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(FRM_Message->MEMO_Message->toPlainText().toStdString(), "");
    EXPECT_EQ(FRM_Pref->CBX_AG_PortSerie->count(), 20);
    EXPECT_EQ(FRM_Pref->CBX_AG_PortSerie->itemText(19), QStringLiteral("      COM20"));
    EXPECT_EQ(FRM_Pref->CBX_AG_PortParallele->itemText(2), QStringLiteral("03BC"));
    const platform::IniDocument shippedValues(shipped.filePath(QStringLiteral("nightjarpro.one")));
    // Exclusive radio buttons: exactly one of a group is set in the template
    // (at most one when some button of the group is not stored).
    QHash<QObject*, QPair<int, int>> groups;   // group -> (stored buttons, set ones)
    QHash<QObject*, int> sizes;
    for (const Settings::KeySpec& k : Settings::KeyTable()) {
        QWidget* window = k.kind == Settings::KeyKind::Bool && k.window ? Settings::FindWindow(QString::fromLatin1(k.window)) : nullptr;
        auto* b = window ? window->findChild<QRadioButton*>(QString::fromLatin1(k.control)) : nullptr;
        if (!b || k.has(Settings::ProfileKey) || !shippedValues.valueExists(k.sectionName(), k.keyName()))
            continue;
        QObject* group = b->group() ? static_cast<QObject*>(b->group()) : b->parent();
        groups[group].first += 1;
        groups[group].second += shippedValues.readBool(k.sectionName(), k.keyName(), false);
        sizes[group] = b->group() ? int(b->group()->buttons().size()) : int(b->parent()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly).size());
        if (groups[group].second > 1 || (groups[group].first == sizes[group] && groups[group].second != 1))
            ADD_FAILURE() << "radio group of " << k.name << ": " << groups[group].second << " set";
    }
    EXPECT_GE(groups.size(), 10);
    // The guide speeds the user sees are the speeds the corrections are
    // timed with, both ways of each axis (no hidden sidereal correction
    // that would time a West pulse at 0.1"/s).
    EXPECT_FALSE(FRM_Pref->CKB_Correct_Sid->isChecked());
    EXPECT_DOUBLE_EQ(MotorSpeeds.West, double(FRM_Pref->TNI_Vitesse_Ouest->Value()));
    EXPECT_DOUBLE_EQ(MotorSpeeds.East, double(FRM_Pref->TNI_Vitesse_Est->Value()));
    EXPECT_GT(MotorSpeeds.West, 1);

    EXPECT_TRUE(FRM_Alv->close());
    EXPECT_TRUE(boxes.shown.empty());

    const platform::IniDocument saved(dir.filePath(QStringLiteral("NightjarPro.ini")));
    for (const QString& section : shippedValues.readSections())
        for (const QString& key : shippedValues.readSection(section))
            EXPECT_EQ(saved.readString(section, key, QStringLiteral("<none>")).toStdString(),
                      shippedValues.readString(section, key, {}).toStdString())
                << "[" << section.toStdString() << "] " << key.toStdString();
}

// A program directory where nothing can be written (a full disk here; a
// read-only folder behaves alike): the template cannot be copied, yet the
// start reads the shipped choices; the close tells once, in one box, every
// file it could not write and why.
TEST_F(ProgramWindows, AStartAndACloseWhereNothingCanBeWrittenKeepTheShippedLanguageAndTellOnceWhy)
{
    dir.copyShipped({"nightjarpro.one", "Lang_English.ini", "Lang_Francais.ini", "pports.ini", "sports.ini"});
    {
        testsupport::FileSizeLimit fullDisk(512);
        activate();
        EXPECT_FALSE(dir.exists(QStringLiteral("NightjarPro.ini")));
        EXPECT_EQ(FRM_Pref->CBX_Langue->currentText(), QStringLiteral("Francais"));
        EXPECT_EQ(FRM_Alv->MNU_Fichier->title(), QStringLiteral("&Fichier"));
        EXPECT_TRUE(boxes.shown.empty());

        // Préférences' OK, then the close: each save one box, the dialog
        // left open after its own.
        testsupport::click(FRM_Pref->BTN_OK);
        EXPECT_TRUE(FRM_Pref->isVisible());
        EXPECT_TRUE(FRM_Alv->close());
    }
    ASSERT_EQ(boxes.shown.size(), 2u);
    for (const auto& box : boxes.shown) {
        const QString told = box.text;
        EXPECT_TRUE(told.contains(dir.filePath(QStringLiteral("NightjarPro.ini")))) << told.toStdString();
        EXPECT_TRUE(told.contains(dir.filePath(QStringLiteral("Nite_Default.ini")))) << told.toStdString();
        EXPECT_EQ(told.count(QString::fromLocal8Bit(std::strerror(EFBIG))), 2) << told.toStdString();
    }
    EXPECT_FALSE(dir.exists(QStringLiteral("NightjarPro.ini")));
}

TEST_F(ProgramWindows, StoredValuesTheProgramCannotUseSurviveAStartAndAClose)
{
    QFile shipped(QStringLiteral(NJ_SOURCE_DIR "/resources/programdir/nightjarpro.one"));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    platform::IniDocument stored;
    stored.setBytes(shipped.readAll());
    const std::pair<const char*, const char*> odd[] = {
        {"Langue", "7"},                         // beyond the language list
        {"Optique_Courante", "Absent"},          // profiles not in their lists
        {"Monture_Courante", "Nulle"},
        {"Num_Suffixe", "abc"},                  // text in a number key
        {"Qualit\xE9_Compression_Jpeg", "99999999999"},   // beyond 32 bits
        {"Type_Fichier", "XYZ"},                 // no such item
        {"Finesse_Selection", "0070"},           // a spelling of the value in place
        {"Src1Cam", "3"},                        // a choice with no button
    };
    for (const auto& [key, value] : odd)
        stored.writeString(QStringLiteral("Prefs"), QString::fromLatin1(key), QString::fromLatin1(value));
    dir.writeFile(QStringLiteral("NightjarPro.ini"), stored.toBytes());
    activate();
    EXPECT_TRUE(FRM_Alv->close());

    const platform::IniDocument saved(dir.filePath(QStringLiteral("NightjarPro.ini")));
    for (const QString& section : stored.readSections())
        for (const QString& key : stored.readSection(section))
            EXPECT_EQ(saved.readString(section, key, QStringLiteral("<none>")).toStdString(),
                      stored.readString(section, key, {}).toStdString())
                << "[" << section.toStdString() << "] " << key.toStdString();
    const QString notes = FRM_Message->MEMO_Message->toPlainText();
    for (const char* key : {"/Langue)", "/Optique_Courante)", "/Monture_Courante)", "/Num_Suffixe)", "/Type_Fichier)"})
        EXPECT_EQ(notes.count(QString::fromLatin1(key)), 1) << key << "\n" << notes.toStdString();
    EXPECT_EQ(notes.count(QString::fromLatin1("/Qualit\xE9_Compression_Jpeg)")), 1) << notes.toStdString();
    EXPECT_TRUE(boxes.shown.empty());
}

// The notes of the settings load are the start-up's first messages: they
// are in the language the user chose, title line included, and French with
// French chosen, whatever language the texts were in before.
TEST_F(ProgramWindows, TheStartUpTellsItsSettingsNotesInTheChosenLanguage)
{
    dir.copyShipped({"Lang_English.ini", "Lang_Francais.ini", "pports.ini"});
    // The languages are listed English, Francais; "sports.ini" is missing.
    const auto startWith = [&](const char* language) {
        dir.writeFile(QStringLiteral("NightjarPro.ini"), QByteArray("[Prefs]\r\nLangue=") + language
                                                            + "\r\nNum_Suffixe=abc\r\n");
        FRM_Message->MEMO_Message->clear();
        activate();
        return FRM_Message->MEMO_Message->toPlainText();
    };

    const QString english = startWith("0");
    EXPECT_EQ(FRM_Pref->CBX_Langue->currentText(), QStringLiteral("English"));
    EXPECT_TRUE(english.startsWith(QStringLiteral("Settings (") + SettingsFilePath + QStringLiteral("):\n")))
        << english.toStdString();
    EXPECT_TRUE(english.contains(QStringLiteral("Port list not found: ") + dir.filePath(QStringLiteral("sports.ini"))
                                 + QStringLiteral(" (empty list)")))
        << english.toStdString();
    EXPECT_TRUE(english.contains(QStringLiteral("TNI_Num_Suffixe (Prefs/Num_Suffixe): \"abc\" is not a usable whole "
                                                "number; the default value is taken")))
        << english.toStdString();
    for (const char* french : {"Réglages", "introuvable", "liste vide", "n'est pas", " : ", " ; "})
        EXPECT_FALSE(english.contains(QString::fromUtf8(french))) << french << "\n" << english.toStdString();

    // French chosen: the notes of the next start are French.
    EXPECT_TRUE(FRM_Alv->close());
    Startup::DestroyWindows();
    Startup::CreateWindows();
    const QString french = startWith("1");
    EXPECT_TRUE(french.startsWith(QStringLiteral("Réglages (") + SettingsFilePath + QStringLiteral(") :\n")))
        << french.toStdString();
    EXPECT_TRUE(french.contains(QStringLiteral("Liste des ports introuvable : ")
                                + dir.filePath(QStringLiteral("sports.ini")) + QStringLiteral(" (liste vide)")))
        << french.toStdString();
    EXPECT_TRUE(french.contains(QStringLiteral("TNI_Num_Suffixe (Prefs/Num_Suffixe) : « abc » n'est pas un nombre "
                                               "entier utilisable ; la valeur par défaut est prise")))
        << french.toStdString();
    EXPECT_TRUE(boxes.shown.empty());
}

// The current profile names of a settings file written by hand: the name
// the file gives is the profile the program uses and writes back, never the
// first one the file happens to hold.
TEST_F(ProgramWindows, CurrentProfilesAreTheOnesTheFileNames)
{
    QFile shipped(QStringLiteral(NJ_SOURCE_DIR "/resources/programdir/nightjarpro.one"));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    platform::IniDocument stored;
    stored.setBytes(shipped.readAll());
    for (const QString& section : stored.readSections())
        if (section.startsWith(QLatin1String("Optique.")) || section.startsWith(QLatin1String("Monture.")))
            stored.eraseSection(section);
    stored.deleteKey(QStringLiteral("Prefs"), QStringLiteral("Optique_Courante"));
    stored.writeString(QStringLiteral("Prefs"), QStringLiteral("Monture_Courante"), QStringLiteral("Absent"));
    stored.writeString(QStringLiteral("Prefs"), QStringLiteral("Camera_Courante"), QStringLiteral("Perdue"));
    stored.writeString(QStringLiteral("Optique.Zeta"), QStringLiteral("Focale"), QStringLiteral("7000000"));
    stored.writeString(QStringLiteral("Optique.apo"), QStringLiteral("Focale"), QStringLiteral("5000000"));
    stored.writeString(QStringLiteral("Monture.Alpha"), QStringLiteral("Rayon_Az"), QStringLiteral("40"));
    dir.writeFile(QStringLiteral("NightjarPro.ini"), stored.toBytes());
    activate();

    TFRM_Pref& p = *FRM_Pref;
    // No current optics: "Defaut", which has no section, so the defaults.
    EXPECT_EQ(p.CBX_Optique->currentText(), QStringLiteral("Defaut"));
    EXPECT_EQ(double(p.TNI_Focale->Value()), 2000);
    // A mount name with no section: none chosen, the defaults.
    EXPECT_EQ(p.CBX_Monture->currentText(), QString());
    EXPECT_EQ(double(p.TNI_Rayon_Az->Value()), 15);
    EXPECT_EQ(p.CBX_Camera->currentText(), QStringLiteral("Perdue"));
    // The lists are sorted, not in file order.
    QStringList optics;
    for (int i = 0; i < p.CBX_Optique->count(); ++i)
        optics << p.CBX_Optique->itemText(i);
    EXPECT_EQ(optics, (QStringList{"apo", "Zeta"}));

    EXPECT_TRUE(FRM_Alv->close());
    const platform::IniDocument saved(dir.filePath(QStringLiteral("NightjarPro.ini")));
    EXPECT_EQ(saved.readString(QStringLiteral("Prefs"), QStringLiteral("Optique_Courante"), {}), QStringLiteral("Defaut"));
    EXPECT_EQ(saved.readString(QStringLiteral("Prefs"), QStringLiteral("Monture_Courante"), {}), QStringLiteral("Absent"));
    EXPECT_EQ(saved.readString(QStringLiteral("Prefs"), QStringLiteral("Camera_Courante"), {}), QStringLiteral("Perdue"));
    // The profiles the file holds are left as they were.
    EXPECT_EQ(saved.readString(QStringLiteral("Optique.Zeta"), QStringLiteral("Focale"), {}), QStringLiteral("7000000"));
    EXPECT_EQ(saved.readString(QStringLiteral("Optique.apo"), QStringLiteral("Focale"), {}), QStringLiteral("5000000"));
    EXPECT_EQ(saved.readString(QStringLiteral("Monture.Alpha"), QStringLiteral("Rayon_Az"), {}), QStringLiteral("40"));
    EXPECT_EQ(saved.readString(QStringLiteral("Optique.Defaut"), QStringLiteral("Focale"), {}), QStringLiteral("20000000"));
}

TEST_F(ProgramWindows, KeypadCentreShowsTheHandPadWithoutConsumingTheKey)
{
    struct Seen : QObject {
        int releases = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            releases += e->type() == QEvent::KeyRelease;
            return false;
        }
    } seen;
    FRM_Info->installEventFilter(&seen);
    ASSERT_FALSE(FRM_Raquette->isVisible());
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Clear, Qt::KeypadModifier);
    QApplication::sendEvent(FRM_Info, &release);
    EXPECT_TRUE(FRM_Raquette->isVisible());
    EXPECT_EQ(seen.releases, 1);

    // Other keys leave the hand pad alone.
    FRM_Raquette->hide();
    QKeyEvent other(QEvent::KeyRelease, Qt::Key_5, Qt::KeypadModifier);
    QApplication::sendEvent(FRM_Info, &other);
    EXPECT_FALSE(FRM_Raquette->isVisible());
}

TEST(Startup, NumbersUseADotWhateverTheLocale)
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");   // may be missing; the C library then stays as it was
    Startup::UseDotDecimalSeparator();
    EXPECT_EQ(QLocale().toString(1.5), QStringLiteral("1.5"));
    EXPECT_EQ(QLocale().toDouble(QStringLiteral("2.25")), 2.25);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", 3.25);
    EXPECT_STREQ(buf, "3.25");

    // Hints appear at once.
    Startup::InstallHintTiming();
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 0);
}

TEST(ShippedFiles, ThePromptSetNamesARenderedWavForEveryKeyTheHandPadSpeaks)
{
    const platform::IniDocument set(QStringLiteral(NJ_SOURCE_DIR "/resources/programdir/Sound_Francais.ini"));
    QFile words(QStringLiteral(NJ_SOURCE_DIR "/resources/voice/prompts-fr.txt"));
    ASSERT_TRUE(words.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList rendered;
    for (const QByteArray& line : words.readAll().split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            rendered << QString::fromUtf8(line.left(line.indexOf('\t')));
    // Each rendered key has its line in the set, and the set names no file that is not rendered.
    for (const QString& key : rendered)
        EXPECT_EQ(set.readString(QStringLiteral("Main"), key, QString()), key + QStringLiteral(".wav")) << key.toStdString();
    for (const char* key : {"S_0", "S_9", "S_Messier", "S_Synchro", "S_Objet_non_trouve", "S_Slew", "S_Pluton"})
        EXPECT_TRUE(rendered.contains(QLatin1String(key))) << key;
    EXPECT_EQ(set.readSection(QStringLiteral("Main")).size(), rendered.size());
}

TEST_F(ProgramWindows, EveryToolWindowClosesWithItsCloseBox)
{
    QStringList stayed;
    for (const QString& name : Startup::kWindowNames) {
        if (name == QLatin1String("FRM_Alv"))
            continue;
        QWidget* w = Settings::FindWindow(name);
        ASSERT_NE(w, nullptr) << name.toStdString();
        w->show();
        w->close();
        if (w->isVisible())
            stayed << name;
        w->hide();
    }
    EXPECT_TRUE(stayed.isEmpty()) << stayed.join(QStringLiteral(", ")).toStdString();
}
