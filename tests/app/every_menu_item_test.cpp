// Every item of the main window's menus and every button of its tool bars
// used once, as a user walking the program would: none raises an error box or
// escapes an exception, and each item that names a window shows it.

#include "program_windows_fixture.h"

#include "app/about_box.h"
#include "app/desktop.h"
#include "app/frm_pref.h"
#include "app/systeme.h"
#include "imaging/pipeline_state.h"
#include "platform/dialog_service.h"
#include "scripting/frm_planificateur.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "telescope/frm_detect_mvt.h"
#include "telescope/frm_err_period.h"
#include "telescope/frm_mise_en_station.h"
#include "telescope/frm_raquette.h"
#include "telescope/frm_sky.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_full_screen.h"
#include "tools/frm_info.h"
#include "tools/frm_ressources.h"
#include "tools/frm_small.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolButton>

#include <map>

namespace {

class EveryMenuItem : public ProgramWindows {
protected:
    void SetUp() override
    {
        ProgramWindows::SetUp();
        asStarted();
        // The program directory holds what the About box and help read.
        dir.writeFile(QStringLiteral("Acknowledgements.txt"), "Merci");
        dir.writeFile(QStringLiteral("Nightjarpro.chm"), "ITSF");
        Desktop::SetDocumentOpener([this](const QString& path) {
            opened << path;
            return true;
        });
        // A modal window opened by an item is answered at once, as a user
        // dismissing it would; the test never waits on it.
        QObject::connect(&closer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modals << modal->objectName();
                modal->close();
            }
        });
        closer.start(20);
    }
    void TearDown() override
    {
        closer.stop();
        Desktop::SetDocumentOpener({});
        ProcedureState = 0;
        ProgramWindows::TearDown();
    }

    // The items the user reaches from the menu bar, sub-menus included.
    static void collect(QMenu* menu, QList<QAction*>& into)
    {
        for (QAction* a : menu->actions()) {
            if (a->isSeparator())
                continue;
            if (a->menu())
                collect(a->menu(), into);
            else
                into << a;
        }
    }

    QTimer closer;
    QStringList modals;
    QStringList opened;
    testsupport::RecordingDialogService dialogs;
};

std::string describe(const std::vector<platform::Message>& shown)
{
    QStringList texts;
    for (const platform::Message& m : shown)
        texts << m.text;
    return texts.join(QStringLiteral(" | ")).toStdString();
}

} // namespace

TEST_F(EveryMenuItem, EachItemRunsWithoutAnErrorAndShowsTheWindowItNames)
{
    // Items that name a window, and that window.
    const std::map<QString, QWidget*> windows = {
        {"MNU_Images_Seuils", FRM_Tool_Images},           {"MNU_Images_Integration", FRM_Tool_Images},
        {"MNU_Images_Filtres", FRM_Tool_Images},          {"MNU_Images_Darks", FRM_Tool_Images},
        {"MNU_Images_Flats", FRM_Tool_Images},            {"MNU_Images_Merlans", FRM_Tool_Images},
        {"MNU_Images_Information", FRM_Info},             {"MNU_Images_Selection", FRM_Tool_Images},
        {"MNU_Images_Enregistrement", FRM_Tool_Images},   {"MNU_Affichage_Rafraichissement", FRM_Tool_Affichage},
        {"MNU_Affichage_Zones", FRM_Tool_Affichage},      {"MNU_Affichage_Cameras", FRM_Tool_Affichage},
        {"MNU_Affichage_MiniSource", FRM_Small},          {"MNU_PleinEcran", FRM_FullScreen},
        {"MNU_Affichage_Reticule", FRM_Tool_Mesures},     {"MNU_Mesures_Echantillonage", FRM_Tool_Mesures},
        {"MNU_Mesures_Distances", FRM_Tool_Mesures},      {"MNU_Mesures_Declinaison", FRM_Tool_Mesures},
        {"MNU_MAP", FRM_Tool_Affichage},                  {"MNU_Suivi_autoguidage", FRM_Tool_Suivi},
        {"MNU_DetectMvt", FRM_Detect_Mvt},                {"MNU_Sky", FRM_Sky},
        {"MNU_Planificateur", FRM_Planificateur},         {"MNU_Scripts", FRM_Script},
        {"MNU_Options", FRM_Pref},                        {"MNU_Erreur_MES", FRM_MiseEnStation},
        {"MNU_Erreur_Periodique", FRM_ErrPeriod},         {"MNU_Telescope", FRM_Raquette},
        {"MNU_Apropos", AboutBox},                        {"MNU_Ressources", FRM_Ressources},
    };
    // Quitting ends the program; the others open the system's file dialogs,
    // answered here by the recorded dialog service, which cancels.
    const QStringList skipped = {"MNU_Fermer"};

    QList<QAction*> items;
    for (QAction* top : FRM_Alv->menuBar()->actions())
        if (top->menu())
            collect(top->menu(), items);
        else
            items << top;
    ASSERT_GT(items.size(), 60);

    int checked = 0;
    for (QAction* item : items) {
        const QString name = item->objectName();
        if (skipped.contains(name))
            continue;
        SCOPED_TRACE(name.toStdString());
        // The operations menu is on once a camera runs; every item of it is
        // reachable then, one at a time.
        FRM_Alv->MNU_Operations->menuAction()->setEnabled(true);
        FRM_Alv->MNU_Operations->setEnabled(true);
        ProcedureState = 0;
        const auto named = windows.find(name);
        if (named != windows.end() && named->second)
            named->second->hide();
        item->setEnabled(true);
        item->trigger();
        // A window that waits for its answer (the About box) is answered by
        // the closer as soon as events run: it is looked at as it shows.
        const bool waits = named != windows.end() && named->second
                           && named->second->windowModality() != Qt::NonModal;
        const bool shownWaiting = waits && named->second->isVisible();
        QApplication::processEvents();
        EXPECT_TRUE(boxes.shown.empty()) << describe(boxes.shown);
        boxes.clear();
        if (named != windows.end()) {
            ASSERT_TRUE(named->second);
            EXPECT_TRUE(waits ? shownWaiting : named->second->isVisible());
            ++checked;
        }
    }
    EXPECT_EQ(checked, int(windows.size()));
    EXPECT_EQ(opened, QStringList{dir.filePath(QStringLiteral("Nightjarpro.chm"))}) << "only help opens a document";
}

TEST_F(EveryMenuItem, EachToolBarButtonRunsWithoutAnError)
{
    for (QToolButton* button : FRM_Alv->findChildren<QToolButton*>()) {
        const QString name = button->objectName();
        if (!name.startsWith(QLatin1String("SPDB_")))
            continue;
        SCOPED_TRACE(name.toStdString());
        ProcedureState = 0;
        button->setEnabled(true);
        button->click();
        QApplication::processEvents();
        // A toggle is put back so the next button starts from the program's
        // own state.
        if (button->isCheckable() && button->isChecked())
            button->click();
        EXPECT_TRUE(boxes.shown.empty()) << describe(boxes.shown);
        boxes.clear();
    }
}
