#include "app/startup.h"

#include "app/about_box.h"
#include "app/frm_alv.h"
#include "app/frm_btnpref.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/ui/night_faces_style.h"
#include "app/ui/window_log.h"
#include "capture/frm_chargeseq.h"
#include "capture/frm_longuepose.h"
#include "capture/frm_play_control.h"
#include "capture/frm_wdm_control.h"
#include "scripting/frm_dde_server.h"
#include "scripting/frm_input.h"
#include "scripting/frm_planificateur.h"
#include "scripting/frm_progress.h"
#include "scripting/frm_scr_cmd.h"
#include "scripting/frm_script.h"
#include "telescope/frm_com_trafic.h"
#include "telescope/frm_detect_mvt.h"
#include "telescope/frm_err_period.h"
#include "telescope/frm_img_ref.h"
#include "telescope/frm_joy.h"
#include "telescope/frm_mise_en_station.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_prg_action.h"
#include "telescope/frm_prg_action_ls.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_raquette.h"
#include "telescope/frm_recherche.h"
#include "telescope/frm_sky.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_full_screen.h"
#include "tools/frm_fwhm.h"
#include "tools/frm_info.h"
#include "tools/frm_matdec.h"
#include "tools/frm_ressources.h"
#include "tools/frm_small.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"
#include "app/ui/event_boundary.h"
#include "app/ui/widget_message_service.h"
#include "platform/paths.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLocale>
#include <QProxyStyle>
#include <QToolTip>
#include <clocale>

namespace Startup {
namespace {

const QString kApplicationTitle = QStringLiteral("Nightjar Pro 2.3");

// Hints appear at once.
class HintStyle final : public app::NightFacesStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return kHintPause_ms;
        return NightFacesStyle::styleHint(hint, option, widget, returnData);
    }
};

// Hints stay visible for kHintHidePause_ms, whatever their length.
class HintDuration final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* obj, QEvent* e) override
    {
        if (e->type() != QEvent::ToolTip || !obj->isWidgetType())
            return false;
        auto* w = static_cast<QWidget*>(obj);
        if (w->toolTip().isEmpty())
            return false;
        auto* help = static_cast<QHelpEvent*>(e);
        QToolTip::showText(help->globalPos(), w->toolTip(), w, {}, kHintHidePause_ms);
        return true;
    }
};

template <class T>
void destroy(T*& form)
{
    delete form;
    form = nullptr;
}

} // namespace

const QStringList kWindowNames = {
    QStringLiteral("FRM_Alv"),
    QStringLiteral("FRM_Small"),
    QStringLiteral("FRM_Pref"),
    QStringLiteral("FRM_ObjectAction"),
    QStringLiteral("FRM_Raquette"),
    QStringLiteral("FRM_MiseEnStation"),
    QStringLiteral("AboutBox"),
    QStringLiteral("FRM_Tool_Mesures"),
    QStringLiteral("FRM_FullScreen"),
    QStringLiteral("FRM_Tool_Suivi"),
    QStringLiteral("FRM_Tool_Images"),
    QStringLiteral("FRM_Tool_Affichage"),
    QStringLiteral("FRM_ErrPeriod"),
    QStringLiteral("FRM_Ressources"),
    QStringLiteral("FRM_FWHM"),
    QStringLiteral("FRM_PlayControl"),
    QStringLiteral("FRM_Prg_Action"),
    QStringLiteral("FRM_PRG_Action_LS"),
    QStringLiteral("FRM_ImgRef"),
    QStringLiteral("FRM_Info"),
    QStringLiteral("FRM_Prg_Suivi"),
    QStringLiteral("FRM_Longuepose"),
    QStringLiteral("FRM_Sky"),
    QStringLiteral("FRM_DDEServer"),
    QStringLiteral("FRM_Recherche"),
    QStringLiteral("FRM_Planificateur"),
    QStringLiteral("FRM_ComTrafic"),
    QStringLiteral("FRM_Detect_Mvt"),
    QStringLiteral("FRM_Script"),
    QStringLiteral("FRM_ScrCmd"),
    QStringLiteral("FRM_Message"),
    QStringLiteral("FRM_Input"),
    QStringLiteral("FRM_Progress"),
    QStringLiteral("FRM_BTNPref"),
    QStringLiteral("FRM_Matdec"),
    QStringLiteral("FRM_WDMControl"),
    QStringLiteral("FRM_Chargeseq"),
    QStringLiteral("frmJoy"),
};

QString ApplicationTitle()
{
    return kApplicationTitle;
}

void UseDotDecimalSeparator()
{
    QLocale::setDefault(QLocale::c());
    // QApplication adopts the user's locale for the C library; numbers
    // written or read through it keep the "." separator all the same.
    std::setlocale(LC_NUMERIC, "C");
}

void PrepareProcess()
{
    UseDotDecimalSeparator();
    platform::initProgramDirFromCurrentDir();
    // The application's title: message boxes without a title of their own
    // carry it. (Not Qt's display name, which the desktop would append to
    // every window's title bar.)
    app::installWidgetServices(kApplicationTitle);
    app::InstallWindowLog();
    InstallHintTiming();
}

void InstallHintTiming()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QApplication::setStyle(new HintStyle);
    qApp->installEventFilter(new HintDuration(qApp));
}

void CreateWindows(const std::function<void(QWidget*)>& onCreated)
{
    auto created = [&](QWidget* w) {
        if (onCreated)
            onCreated(w);
    };
    created(CreateForm(FRM_Alv));
    created(CreateForm(FRM_Small));
    created(CreateForm(FRM_Pref));
    created(CreateForm(FRM_ObjectAction));
    created(CreateForm(FRM_Raquette));
    created(CreateForm(FRM_MiseEnStation));
    created(CreateForm(AboutBox));
    created(CreateForm(FRM_Tool_Mesures));
    created(CreateForm(FRM_FullScreen));
    created(CreateForm(FRM_Tool_Suivi));
    created(CreateForm(FRM_Tool_Images));
    created(CreateForm(FRM_Tool_Affichage));
    created(CreateForm(FRM_ErrPeriod));
    created(CreateForm(FRM_Ressources));
    created(CreateForm(FRM_FWHM));
    created(CreateForm(FRM_PlayControl));
    created(CreateForm(FRM_Prg_Action));
    created(CreateForm(FRM_PRG_Action_LS));
    created(CreateForm(FRM_ImgRef));
    created(CreateForm(FRM_Info));
    created(CreateForm(FRM_Prg_Suivi));
    created(CreateForm(FRM_Longuepose));
    created(CreateForm(FRM_Sky));
    created(CreateForm(FRM_DDEServer));
    created(CreateForm(FRM_Recherche));
    created(CreateForm(FRM_Planificateur));
    created(CreateForm(FRM_ComTrafic));
    created(CreateForm(FRM_Detect_Mvt));
    created(CreateForm(FRM_Script));
    created(CreateForm(FRM_ScrCmd));
    created(CreateForm(FRM_Message));
    created(CreateForm(FRM_Input));
    created(CreateForm(FRM_Progress));
    created(CreateForm(FRM_BTNPref));
    created(CreateForm(FRM_Matdec));
    created(CreateForm(FRM_WDMControl));
    created(CreateForm(FRM_Chargeseq));
    created(CreateForm(frmJoy));
    app::LogWindowInventory();
    // Errors stopped at the event boundary go to the message window.
    app::setErrorSink([](const QString& report) { Msg::ShowMessageText(false, report); });
}

void LoadJoystickCalibration()
{
    if (!frmJoy)
        return;
    frmJoy->Folder = platform::programDir();
    frmJoy->LoadCalibration();
}

void DestroyWindows()
{
    app::setErrorSink({});
    destroy(frmJoy);
    destroy(FRM_Chargeseq);
    destroy(FRM_WDMControl);
    destroy(FRM_Matdec);
    destroy(FRM_BTNPref);
    destroy(FRM_Progress);
    destroy(FRM_Input);
    destroy(FRM_Message);
    destroy(FRM_ScrCmd);
    destroy(FRM_Script);
    destroy(FRM_Detect_Mvt);
    destroy(FRM_ComTrafic);
    destroy(FRM_Planificateur);
    destroy(FRM_Recherche);
    destroy(FRM_DDEServer);
    destroy(FRM_Sky);
    destroy(FRM_Longuepose);
    destroy(FRM_Prg_Suivi);
    destroy(FRM_Info);
    destroy(FRM_ImgRef);
    destroy(FRM_PRG_Action_LS);
    destroy(FRM_Prg_Action);
    destroy(FRM_PlayControl);
    destroy(FRM_FWHM);
    destroy(FRM_Ressources);
    destroy(FRM_ErrPeriod);
    destroy(FRM_Tool_Affichage);
    destroy(FRM_Tool_Images);
    destroy(FRM_Tool_Suivi);
    destroy(FRM_FullScreen);
    destroy(FRM_Tool_Mesures);
    destroy(AboutBox);
    destroy(FRM_MiseEnStation);
    destroy(FRM_Raquette);
    destroy(FRM_ObjectAction);
    destroy(FRM_Pref);
    destroy(FRM_Small);
    destroy(FRM_Alv);
}

} // namespace Startup
