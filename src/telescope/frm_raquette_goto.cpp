// The hand pad's goto group: catalogue choice, the mount's object
// libraries (LX200), goto, sync and the reading of the mount's position.

#include "telescope/frm_raquette.h"

#include "app/align_v_features.h"
#include "app/controls/num_inp.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/helpers/calc_helpers.h"
#include "app/settings.h"
#include "app/ui/event_boundary.h"
#include "platform/message_service.h"
#include "scripting/scripts.h"
#include "telescope/ascom_bridge.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/goto_position_text.h"
#include "telescope/lx200_protocol.h"
#include "telescope/mount_conversation.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/sky/sky_chart.h"
#include "telescope/voice_prompts.h"
#include "translation/translated_texts.h"

#include <QKeyEvent>
#include <QPointer>
#include <numbers>

namespace {

constexpr double kArcsecPerRadian = 648000.0 / std::numbers::pi;

bool lx200Mount() { return FRM_Pref && FRM_Pref->RDB_Mount_LX200->isChecked(); }
bool ascomMount() { return FRM_Pref && FRM_Pref->RDB_Mount_ASCOM->isChecked(); }

void redrawChart() { Settings::RunHandler(QStringLiteral("Sky.RedrawChart")); }

// The second "/"-separated field of a star-list entry: its library number.
QString starNumber(const QString& entry) { return entry.section(u'/', 1, 1).trimmed(); }

} // namespace

void TFRM_Raquette::wireGoto()
{
    // The catalogue and the goto mode (its box inside the goto group) are
    // two choices: the window's creation groups them apart.
    for (QRadioButton* choice :
         {RDB_Messier, RDB_NGC, RDB_IC, RDB_UGC, RDB_Etoile_SAO, RDB_Etoile, RDB_Planete, RDB_Coords})
        connect(choice, &QRadioButton::clicked, this,
                [this, choice] { app::runGuarded(QStringLiteral("RDB_CatalogueClick"), [=, this] { CatalogueClick(choice); }); });
    connect(EDT_Numero, &QLineEdit::textChanged, this, [this] { EDT_NumeroChange(); });
    connect(CBX_Etoile, &QComboBox::activated, this, [this] { CBX_EtoileChange(); });
    connect(CBX_Planete, &QComboBox::activated, this, [this] {
        static const char* const planets[] = {"S_Soleil", "S_Mercure", "S_Venus",   "S_Lune",    "S_Mars",
                                              "S_Jupiter", "S_Saturne", "S_Uranus", "S_Neptune", "S_Pluton"};
        const int i = CBX_Planete->currentIndex();
        if (CKB_Assist_Vocal->isChecked() && i >= 0 && i < 10)
            Telescope::PlayVoicePrompt(QString::fromLatin1(planets[i]), 900);
    });
    const std::pair<QPushButton*, void (TFRM_Raquette::*)()> buttons[] = {
        {BTN_GOTO, &TFRM_Raquette::BTN_GOTOClick},
        {BTN_Abort, &TFRM_Raquette::BTN_AbortClick},
        {BTN_Sync, &TFRM_Raquette::BTN_SyncClick},
        {BTN_Position_Actuelle, &TFRM_Raquette::BTN_Position_ActuelleClick}};
    for (const auto& entry : buttons) {
        QPushButton* button = entry.first;
        const auto handler = entry.second;
        connect(button, &QPushButton::clicked, this, [this, button, handler] {
            app::runGuarded(button->objectName() + QStringLiteral("Click"), [this, handler] { (this->*handler)(); });
        });
    }
    EDT_Numero->installEventFilter(this);
    for (QWidget* w : {static_cast<QWidget*>(CBX_Etoile), static_cast<QWidget*>(CBX_Planete),
                       static_cast<QWidget*>(TNI_RaH), static_cast<QWidget*>(TNI_RaM), static_cast<QWidget*>(TNI_RaS),
                       static_cast<QWidget*>(TNI_DecD), static_cast<QWidget*>(TNI_DecM)})
        w->installEventFilter(this);
    CatalogueClick(RDB_Messier);
}

void TFRM_Raquette::ShowCatalogueInputs(QRadioButton* choice)
{
    QWidget* const coords[] = {TNI_RaH, TNI_RaM, TNI_RaS, TNI_DecD, TNI_DecM, TNI_DecS};
    const bool isCoords = choice == RDB_Coords;
    for (QWidget* w : coords)
        w->setEnabled(isCoords);
    CBX_Etoile->setEnabled(choice == RDB_Etoile);
    CBX_Planete->setEnabled(choice == RDB_Planete);
    EDT_Numero->setEnabled(!isCoords && choice != RDB_Etoile);
    // The star library goes by the list: its number is the star shown, not
    // a number typed for another catalogue.
    if (choice == RDB_Etoile)
        CBX_EtoileChange();
}

void TFRM_Raquette::CatalogueClick(QRadioButton* choice)
{
    ShowCatalogueInputs(choice);
    struct Choice {
        QRadioButton* button;
        const char* prompt;
        int wait_ms;
    };
    const Choice choices[] = {{RDB_Messier, "S_Messier", 600},         {RDB_NGC, "S_NGC", 600},
                              {RDB_IC, "S_IC", 300},                   {RDB_UGC, "S_UGC", 600},
                              {RDB_Etoile_SAO, "S_Etoile_SAO", 600},   {RDB_Etoile, "S_Etoile", 600},
                              {RDB_Planete, "S_Planete", 600},         {RDB_Coords, "S_Coords", 1000}};
    for (const Choice& c : choices) {
        if (c.button != choice)
            continue;
        const QByteArray library = LibraryOf(choice);
        if (!library.isEmpty() && lx200Mount())
            Prg_Suivi::SendMountCommand(library);
        if (CKB_Assist_Vocal->isChecked())
            Telescope::PlayVoicePrompt(QString::fromLatin1(c.prompt), c.wait_ms);
    }
}

QByteArray TFRM_Raquette::LibraryOf(const QRadioButton* choice) const
{
    if (choice == RDB_NGC)
        return ":Lo 0#";
    if (choice == RDB_IC)
        return ":Lo 1#";
    if (choice == RDB_UGC)
        return ":Lo 2#";
    if (choice == RDB_Etoile_SAO)
        return ":Ls 1#";
    if (choice == RDB_Etoile)
        return "#:Ls 0#";
    return {};
}

QByteArray TFRM_Raquette::CheckedLibrary() const
{
    for (const QRadioButton* choice : {RDB_NGC, RDB_IC, RDB_UGC, RDB_Etoile})
        if (choice->isChecked())
            return LibraryOf(choice);
    return {};
}

void TFRM_Raquette::EDT_NumeroChange()
{
    if (EDT_Numero->text().contains(u'.')) {
        EDT_Numero->clear();
        return;
    }
    if (!RDB_Etoile->isChecked())
        return;
    const QString number = EDT_Numero->text().trimmed();
    for (int i = 0; i < CBX_Etoile->count(); ++i)
        if (starNumber(CBX_Etoile->itemText(i)) == number) {
            CBX_Etoile->setCurrentIndex(i);
            return;
        }
}

void TFRM_Raquette::CBX_EtoileChange()
{
    if (RDB_Etoile->isChecked())
        EDT_Numero->setText(starNumber(CBX_Etoile->currentText()));
}

QByteArray TFRM_Raquette::ObjectCode(bool forSync) const
{
    const QByteArray n = EDT_Numero->text().trimmed().toLatin1();
    if (RDB_NGC->isChecked())
        return "C " + n;
    if (RDB_IC->isChecked() || RDB_UGC->isChecked())
        return forSync ? QByteArray() : "C " + n;
    if (RDB_Messier->isChecked())
        return "M " + n;
    if (RDB_Etoile->isChecked())
        return "S " + n;
    if (RDB_Planete->isChecked())
        return "S 90" + CBX_Planete->currentText().left(1).toLatin1();
    return {};
}

void TFRM_Raquette::BTN_GOTOClick()
{
    if (!lx200Mount()) {
        bool started = false;
        Align_V::GotoObject(started);
        if (!started)
            Scripts::GotoRunning = false;
        AutoguidingOff();
        return;
    }
    auto showReply = [this](const QByteArray& reply) {
        if (FRM_Raquette == this)
            EDT_Resultat->setText(QString::fromLatin1(reply));
    };
    if (RDB_Coords->isChecked()) {
        const auto position = TypedPosition();
        if (!position)
            return;   // nothing goes to the mount
        AutoguidingOff();
        Prg_Suivi::GotoCoordinates(position->first, position->second, showReply);
        return;
    }
    const QByteArray code = ObjectCode(false);
    AutoguidingOff();
    // The mount's goto to an object of its library: it runs, ends and fails
    // as a goto to coordinates does (only ":MS#" has a reply to show). The
    // library shown is chosen again: the mount may hold another since.
    Prg_Suivi::GotoLibraryObject(code, showReply, CheckedLibrary());
}

std::optional<std::pair<double, double>> TFRM_Raquette::TypedPosition()
{
    for (TCustomNumInp* input : {TNI_RaH, TNI_RaM, TNI_RaS, TNI_DecD, TNI_DecM, TNI_DecS})
        if (input->HasPendingEntry() && !input->DoExit())
            return std::nullopt;   // refused with the input's own message
    const double ra = CalcHelpers::HMSToArcsec(double(TNI_RaH->Value()), double(TNI_RaM->Value()), double(TNI_RaS->Value()));
    const double dec = CalcHelpers::DMSToArcsec(double(TNI_DecD->Value()), double(TNI_DecM->Value()), double(TNI_DecS->Value()));
    if (!GotoPositionText::OnTheSky(ra, dec)) {
        platform::Message message;
        message.text = GotoPositionText::OffTheSkyMessage();
        platform::messages().show(message);
        return std::nullopt;
    }
    return std::pair{ra, dec};
}

void TFRM_Raquette::BTN_AbortClick()
{
    if (FRM_ObjectAction)
        FRM_ObjectAction->BTN_AbortClick();
}

void TFRM_Raquette::BTN_SyncClick()
{
    if (lx200Mount()) {
        const QByteArray code = ObjectCode(true);
        const QByteArray library = CheckedLibrary();
        QPointer<TFRM_Raquette> self(this);
        Prg_Suivi::ConnectMountFirst([self, code, library](bool linked) {
            if (!self || !linked)
                return;   // told why; nothing is synchronised
            AutoguidingOff();
            // The mount's reply is shown as a goto's is: the object it
            // synchronised on, or why it did not (an object its library does
            // not hold). A mount that did not answer has been told once: no
            // position is read after it.
            Prg_Suivi::SyncOnObject(code, [self](const QByteArray& reply) {
                if (!self || FRM_Raquette != self)
                    return;
                self->EDT_Resultat->setText(QString::fromLatin1(reply));
                if (!reply.isEmpty())
                    app::runGuarded(QStringLiteral("BTN_Position_ActuelleClick"), [self] { self->BTN_Position_ActuelleClick(); });
            }, library);
        });
        return;
    }
    syncOtherMount();
}

void TFRM_Raquette::syncOtherMount()
{
    if (!(RDB_Messier->isChecked() || RDB_NGC->isChecked() || RDB_IC->isChecked() || RDB_UGC->isChecked()
          || RDB_Etoile_SAO->isChecked() || RDB_Coords->isChecked()))
        return;
    redrawChart();
    double ra = Align_V::kNotFound;
    double dec = Align_V::kNotFound;
    const QString number = EDT_Numero->text().trimmed();
    auto find = [&](const std::function<void(const QString&, double&, double&)>& f, const QString& name) {
        if (f)
            f(name, ra, dec);
    };
    if (RDB_NGC->isChecked())
        find(Align_V::Hooks.FindDeepSkyObject, QStringLiteral("NGC") + number);
    else if (RDB_IC->isChecked())
        find(Align_V::Hooks.FindDeepSkyObject, QStringLiteral("IC") + number);
    else if (RDB_UGC->isChecked())
        find(Align_V::Hooks.FindDeepSkyObject, QStringLiteral("UGC") + number);
    else if (RDB_Messier->isChecked())
        find(Align_V::Hooks.FindDeepSkyObject, QStringLiteral("M") + number);
    else if (RDB_Etoile_SAO->isChecked())
        find(Align_V::Hooks.FindSaoStar, QStringLiteral("SAO") + number);

    if (!RDB_Coords->isChecked() && (ra == Align_V::kNotFound || dec == Align_V::kNotFound)) {
        Msg::ShowMessageText(true, TranslatedTexts.MSG_Object_not_found);
        if (CKB_Assist_Vocal->isChecked())
            Telescope::PlayVoicePrompt(QStringLiteral("S_Objet_non_trouve"), 900);
        return;
    }
    double raArcsec = 0;
    double decArcsec = 0;
    if (RDB_Coords->isChecked()) {
        const auto position = TypedPosition();
        if (!position)
            return;
        raArcsec = position->first;
        decArcsec = position->second;
    } else {
        raArcsec = ra * kArcsecPerRadian;
        decArcsec = dec * kArcsecPerRadian;
    }
    // Nothing is taken as synchronised before the mount is: a mount that
    // cannot connect, or a driver that refuses the sync, leaves the
    // telescope's position, the goto dialog and the read-outs as they were.
    QPointer<TFRM_Raquette> self(this);
    const auto synced = [self, raArcsec, decArcsec](bool done) {
        if (self && done)
            self->takeSyncedPosition(raArcsec, decArcsec);
    };
    if (ascomMount())
        Prg_Suivi::AscomSync(raArcsec, decArcsec, synced);
    else
        Prg_Suivi::ConnectMountFirst(synced);
}

void TFRM_Raquette::takeSyncedPosition(double ra_arcsec, double dec_arcsec)
{
    Sky::GotoCurrentRA = ra_arcsec;
    Sky::GotoCurrentDec = dec_arcsec;
    TelescopeRA = ra_arcsec;
    TelescopeDec = dec_arcsec;
    // The goto dialog takes the object from the hand pad, as the pad's goto
    // gives it: the pad keeps the catalogue, number and inputs the user set.
    RunDestinationHandlerFromHandPad();
    Settings::RunHandler(QStringLiteral("FRM_ObjectAction.BTN_Devient_OrigineClick"));
    if (Sky::OriginSet()) {
        BTN_Position_ActuelleClick();
        redrawChart();
    }
}

void TFRM_Raquette::BTN_Position_ActuelleClick()
{
    // Read from the mount once it is connected; a mount that is not, nor
    // can be, shows the position stored.
    QPointer<TFRM_Raquette> self(this);
    Prg_Suivi::ConnectMountFirst([self](bool linked) {
        if (!self)
            return;
        if (linked && lx200Mount())
            self->lx200Position();
        else if (linked && ascomMount())
            self->ascomPosition();
        else
            self->showStoredPosition();
        redrawChart();
    });
}

void TFRM_Raquette::lx200Position()
{
    Prg_Suivi::Converse({{Lx200::GetRACommand}, {Lx200::GetDecCommand}}, [this](const Prg_Suivi::RunResult& r) {
        if (r.status == Prg_Suivi::RunStatus::Cancelled || FRM_Raquette != this)
            return;
        if (!r.replies.isEmpty()) {
            EDT_Position_Actuelle_AD->setText(QString::fromLatin1(Lx200::ShownRA(r.replies[0])));
            if (const auto ra = Lx200::ParseRAReply(r.replies[0]))
                Prg_Suivi::SetMountRA(*ra);
        }
        if (r.replies.size() >= 2) {
            EDT_Position_Actuelle_Dec->setText(QString::fromLatin1(Lx200::ShownDec(r.replies[1])));
            if (const auto dec = Lx200::ParseDecReply(r.replies[1]))
                Prg_Suivi::SetMountDec(*dec);
        }
        if (!r.ok())
            Msg::ShowMessageText(false, r.describe());
        redrawChart();
    });
}

void TFRM_Raquette::ascomPosition()
{
    using namespace AscomBridge;
    // Each coordinate the device gives is taken; one it did not give shows
    // the value stored.
    QPointer<TFRM_Raquette> self(this);
    Request(rqGetRightAscension, [self](const Outcome& o) {
        if (!self)
            return;
        if (o.served && AscomSharedData.Connected)
            Prg_Suivi::SetMountRA(AscomSharedData.RightAscension * 3600 * 15);
        self->showStoredPosition();
        redrawChart();
    });
    Request(rqGetDeclination, [self](const Outcome& o) {
        if (!self)
            return;
        if (o.served && AscomSharedData.Connected)
            Prg_Suivi::SetMountDec(AscomSharedData.Declination * 3600);
        self->showStoredPosition();
        redrawChart();
    });
}

void TFRM_Raquette::showStoredPosition()
{
    // An unknown coordinate (99) keeps the text shown before.
    if (Sky::GotoOriginRA != Sky::kUnset)
        EDT_Position_Actuelle_AD->setText(CalcHelpers::RAToStr(Sky::GotoOriginRA));
    if (Sky::GotoOriginDec != Sky::kUnset)
        EDT_Position_Actuelle_Dec->setText(CalcHelpers::DecToStr(Sky::GotoOriginDec));
}
