#include "telescope/frm_raquette.h"

#include "app/align_v_features.h"
#include "app/frm_pref.h"
#include "app/profiles.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "app/ui/press_guard.h"
#include "platform/clock.h"
#include "scripting/scripts.h"
#include "telescope/alpaca/alpaca_bridge.h"
#include "telescope/alpaca/alpaca_chooser.h"
#include "telescope/ascom_bridge.h"
#include "telescope/frm_joy.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/tracking/tracking_state.h"
#include "telescope/voice_prompts.h"
#include "tools/frm_tool_affichage.h"
#include "translation/translated_texts.h"

#include <QKeyEvent>
#include <QPointer>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <utility>

TFRM_Raquette* FRM_Raquette = nullptr;

std::uint8_t FocusDirection = 0;
double AutofocusPrevFWHM = 999.0;
std::int32_t AutofocusStepMs = 0;
std::uint8_t AutofocusReady = 0;
std::int32_t AutofocusFrameCount = 0;
QString LastNumber;

namespace {

std::int64_t nowMs() { return platform::clock().monotonicMs(); }

// The axis-0 rate the rate scroll bar put in force while it is off 0.
std::weak_ptr<AscomBridge::TASCOMRate> BarRate;

bool mountIs(Prg_Suivi::Interface kind) { return FRM_Pref && Prg_Suivi::MountKind() == kind; }

} // namespace

void AutoguidingOff()
{
    if (!FRM_Tool_Suivi || !FRM_Tool_Suivi->RDB_Autoguidage->isChecked())
        return;
    QRadioButton* b = FRM_Tool_Suivi->RDB_Autoguidage;
    const bool exclusive = b->autoExclusive();
    b->setAutoExclusive(false);
    b->setChecked(false);
    b->setAutoExclusive(exclusive);
}

namespace {

void enableAll(std::initializer_list<QWidget*> widgets, bool enabled)
{
    for (QWidget* w : widgets)
        if (w)
            w->setEnabled(enabled);
}

// The Preferences dialog on its telescope page, motor-speed sub-page.
void showMotorSpeedPage()
{
    if (!FRM_Pref)
        return;
    Systeme::ShowFormOnScreen(FRM_Pref);
    for (const char* name : {"TBS_Telescope", "TBS_Vitesse_Moteurs"}) {
        auto* page = FRM_Pref->findChild<QWidget*>(QString::fromLatin1(name));
        for (QWidget* w = page; w; w = w->parentWidget())
            if (auto* tabs = qobject_cast<QTabWidget*>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr);
                tabs && tabs->indexOf(w) >= 0) {
                tabs->setCurrentWidget(w);
                break;
            }
    }
}

void guarded(const char* name, const std::function<void()>& f) { app::runGuarded(QString::fromLatin1(name), f); }

} // namespace

TFRM_Raquette::TFRM_Raquette(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    KeyPreview = true;
    TMR_Autofocus = new QTimer(this);
    TMR_Autofocus->setObjectName(QStringLiteral("TMR_Autofocus"));
    TMR_Autofocus->setSingleShot(true);
    wire();
    wireGoto();
    installRepeatFilter();
}

void TFRM_Raquette::BTN_Settings_JoystickClick()
{
    // The same calibration as the Preferences dialog's: the previous one
    // comes back and the joystick stays off unless the wizard ends with OK.
    if (!FRM_Pref || !frmJoy)
        return;
    FRM_Pref->BTN_Calibrate_JoystickClick();
    CKB_Active_Joystick->setChecked(frmJoy->Active);
}

TFRM_Raquette::~TFRM_Raquette()
{
    for (const QString& name : std::as_const(RegisteredNames))
        Settings::UnregisterHandler(name);
    if (Align_V::Hooks.PlayVoicePrompt)
        Align_V::Hooks.PlayVoicePrompt = nullptr;
    if (FRM_Raquette == this || !FRM_Raquette)
        TrackingHooks.AutofocusMeasure = nullptr;
    guarded("FRM_Raquette.ReleaseAll", [this] { ReleaseAll(); });
    // The Alpaca bridge stops what still moves before the program ends.
    if (dynamic_cast<Alpaca::AlpacaBridge*>(AscomBridge::Installed()))
        AscomBridge::StopBridge();
}

void TFRM_Raquette::wire()
{
    const std::pair<QPushButton*, std::uint8_t> directions[] = {
        {BTN_N, dirNorth}, {BTN_S, dirSouth}, {BTN_E, dirEast}, {BTN_W, dirWest}};
    for (const auto& entry : directions) {
        const std::uint8_t d = entry.second;
        connect(entry.first, &QPushButton::pressed, this, [this, d] { guarded("BTN_MouseDown", [this, d] { DirectionDown(d); }); });
        connect(entry.first, &QPushButton::released, this, [this, d] { guarded("BTN_MouseUp", [this, d] { DirectionUp(d); }); });
    }
    connect(BTN_Stop, &QPushButton::pressed, this, [this] { guarded("BTN_StopMouseDown", [this] { BTN_StopMouseDown(); }); });
    BTN_Stop->installEventFilter(this);
    for (QPushButton* stop : {BTN_Stop, BTN_Abort, BTN_Arreter_Autofocus})
        app::MarkStopButton(stop);

    const std::pair<QRadioButton*, int> rates[] = {{RDB_Guide, 0}, {RDB_Cntr, 1}, {RDB_Find, 2}, {RDB_Slew, 3}};
    for (const auto& entry : rates) {
        const int i = entry.second;
        connect(entry.first, &QRadioButton::clicked, this, [this, i] { guarded("RDB_RateClick", [this, i] { RateRadioClick(i); }); });
    }
    connect(CBX_Rate, &QComboBox::activated, this, [this] { guarded("CBX_RateChange", [this] { CBX_RateChange(); }); });
    connect(SCB_Rate, &QScrollBar::valueChanged, this, [this] { guarded("SCB_RateChange", [this] { SCB_RateChange(); }); });
    connect(BTN_Rate, &QPushButton::clicked, this, [this] { guarded("BTN_RateClick", [this] { BTN_RateClick(); }); });

    const std::tuple<QPushButton*, std::uint8_t, bool> focus[] = {
        {BTN_Focus_In, 0, false}, {BTN_Focus_Out, 1, false}, {BTN_Focus_In_Fast, 0, true}, {BTN_Focus_Out_Fast, 1, true}};
    for (const auto& entry : focus) {
        const std::uint8_t d = std::get<1>(entry);
        const bool fast = std::get<2>(entry);
        connect(std::get<0>(entry), &QPushButton::pressed, this,
                [this, d, fast] { guarded("BTN_FocusMouseDown", [this, d, fast] { FocusDown(d, fast); }); });
        connect(std::get<0>(entry), &QPushButton::released, this, [this] { guarded("BTN_FocusMouseUp", [this] { FocusUp(); }); });
    }
    connect(BTN_Demarrer_Autofocus, &QPushButton::clicked, this,
            [this] { guarded("BTN_Demarrer_AutofocusClick", [this] { BTN_Demarrer_AutofocusClick(); }); });
    connect(BTN_Arreter_Autofocus, &QPushButton::clicked, this,
            [this] { guarded("BTN_Arreter_AutofocusClick", [this] { BTN_Arreter_AutofocusClick(); }); });
    connect(TMR_Autofocus, &QTimer::timeout, this, [this] { guarded("TMR_AutofocusTimer", [this] { TMR_AutofocusTimer(); }); });

    Profiles::BindProfileList(CBX_Vitesse_Moteur, [this] { CBX_Vitesse_MoteurChange(); }, this);
    app::bindComboDropDown(CBX_Vitesse_Moteur, this, &TFRM_Raquette::CBX_Vitesse_MoteurDropDown);
    connect(BTN_Config_Vitesse, &QPushButton::clicked, this, [] { guarded("BTN_Config_VitesseClick", showMotorSpeedPage); });
    connect(BTN_Settings_Joystick, &QPushButton::clicked, this,
            [this] { guarded("BTN_Settings_JoystickClick", [this] { BTN_Settings_JoystickClick(); }); });
    connect(BTN_Inversions, &QPushButton::clicked, PNL_Inversion, &QWidget::show);
    connect(BTN_Inversion_Ok, &QPushButton::clicked, PNL_Inversion, &QWidget::hide);
    for (QCheckBox* box : {CKB_GOTO_InverseDEC, CKB_GOTO_InverseAD, CKB_GUIDE_InverseDEC, CKB_GUIDE_InverseAD,
                           CKB_InverseDEC_Carte, CKB_InverseAD_Carte})
        connect(box, &QCheckBox::clicked, this, [box] {
            for (QWidget* window : {static_cast<QWidget*>(FRM_Pref), static_cast<QWidget*>(FRM_Tool_Suivi)})
                if (auto* other = window ? window->findChild<QCheckBox*>(box->objectName()) : nullptr)
                    other->setChecked(box->isChecked());
        });
    connect(RDB_Absolu, &QRadioButton::clicked, this, [this] { guarded("RDB_AbsoluClick", [this] { RDB_AbsoluClick(); }); });
    connect(RDB_Relatif, &QRadioButton::clicked, this, [this] { guarded("RDB_RelatifClick", [this] { RDB_RelatifClick(); }); });
    connect(SPDB_Raquette_Agrandir, &QToolButton::clicked, this, [this] { SPDB_Raquette_AgrandirClick(); });
    connect(SPDB_Raquette_Reduire, &QToolButton::clicked, this, [this] { SPDB_Raquette_ReduireClick(); });
    connect(CKB_Active_Joystick, &QCheckBox::clicked, this, [this] {
        if (frmJoy)
            frmJoy->Active = CKB_Active_Joystick->isChecked();
    });

    // What the Preferences dialog and the settings loader call by name.
    const std::pair<const char*, std::function<void()>> named[] = {
        {"Raquette.EnableLX200Controls", [this] { EnableLX200Controls(); }},
        {"Raquette.DisableLX200Controls", [this] { DisableLX200Controls(); }},
        {"Raquette.EnableAscomControls", [this] { EnableAscomControls(true); }},
        {"Raquette.EnableCatalogueChoice", [this] { EnableCatalogueChoice(); }},
        {"Raquette.DisableCatalogueChoice", [this] { DisableCatalogueChoice(); }},
        {"Raquette.EnableFocusControls", [this] { EnableFocusControls(); }},
        {"Raquette.DisableFocusControls", [this] { DisableFocusControls(); }},
        {"Raquette.EnableAbsoluteGoto", [this] { EnableAbsoluteGoto(); }},
        {"Raquette.ForceRelativeGoto", [this] { ForceRelativeGoto(); }},
        {"Raquette.FollowInterfaces", [this] { FollowInterfaces(); }},
        {"FRM_Raquette.BTN_Settings_JoystickClick", [this] { BTN_Settings_JoystickClick(); }},
        {"FRM_Raquette.ReleaseAll", [this] { ReleaseAll(); }},
        {"Raquette.RefreshControls", [this] { FormActivate(); }},
        {"Raquette.ShowChosenCatalogue", [this] { ShowChosenCatalogue(); }},
    };
    for (const auto& [name, handler] : named) {
        RegisteredNames << QString::fromLatin1(name);
        Settings::RegisterHandler(RegisteredNames.back(), handler);
    }
    Alpaca::RegisterHandlers();
    // The tracking step's focus measures drive the automatic focusing.
    TrackingHooks.AutofocusMeasure = [](double fwhm, int measures) {
        if (FRM_Raquette)
            FRM_Raquette->AutofocusMeasured(fwhm, measures);
    };
    Align_V::Hooks.PlayVoicePrompt = [](const QString& key, int wait_ms) { Telescope::PlayVoicePrompt(key, wait_ms); };
}

void TFRM_Raquette::ShowChosenCatalogue()
{
    for (QRadioButton* choice :
         {RDB_Messier, RDB_NGC, RDB_IC, RDB_UGC, RDB_Etoile_SAO, RDB_Etoile, RDB_Planete, RDB_Coords})
        if (choice->isChecked())
            ShowCatalogueInputs(choice);
}

void TFRM_Raquette::FormActivate()
{
    // A choice restored with the settings did not run its click.
    ShowChosenCatalogue();
    if (!FRM_Pref)
        return;
    const QSignalBlocker block(CBX_Vitesse_Moteur);
    CBX_Vitesse_Moteur->clear();
    for (int i = 0; i < FRM_Pref->CBX_Vitesse_Moteur->count(); ++i)
        CBX_Vitesse_Moteur->addItem(FRM_Pref->CBX_Vitesse_Moteur->itemText(i));
    CBX_Vitesse_Moteur->setCurrentText(FRM_Pref->CBX_Vitesse_Moteur->currentText());
}

bool TFRM_Raquette::event(QEvent* e)
{
    // A release that never comes here (another window took the mouse or the
    // keyboard) must not leave the mount moving.
    if (e->type() == QEvent::WindowDeactivate || e->type() == QEvent::Hide) {
        guarded("FRM_Raquette.ReleaseAll", [this] { ReleaseAll(); });
        // Nor does a key held meanwhile count as held here: Enter pressed
        // before a box and released after it never synchronises.
        EnterDownMs = 0;
        LastKeyDown = 0;
    }
    return TForm::event(e);
}

// ---------------------------------------------------------------- motion

void TFRM_Raquette::DirectionDown(std::uint8_t direction)
{
    if (direction > dirWest || held_[direction] || !Prg_Suivi::UserMoveCanGo())
        return;
    AutoguidingOff();
    const std::int64_t now = nowMs();
    if (IsDecDirection(direction))
        DecStartMs = now;
    else
        RAStartMs = now;
    held_[direction] = true;
    MotionSource = 0;
    Prg_Suivi::StartMotion(direction, false, true, Prg_Suivi::kUntilStopped);
    HandPadMoving = 1;
    if (FRM_Prg_Suivi && FRM_Pref) {
        const int interval = FRM_Pref->SPED_Rafraichissement_Carte->value();
        if (interval > 0) {
            FRM_Prg_Suivi->TMR_ScopePosition->setInterval(interval);
            FRM_Prg_Suivi->TMR_ScopePosition->start();
        }
    }
    // Reached only once the move has started: a press that moved nothing
    // (its line failed) counts no hold in the calibration.
    if (HandPadCalibrating)
        pressMs_[IsDecDirection(direction) ? 0 : 1] = now;
}

void TFRM_Raquette::DirectionUp(std::uint8_t direction)
{
    if (direction > dirWest || !held_[direction])
        return;
    held_[direction] = false;
    // The inversion boxes of the press: guiding may have changed the source since.
    MotionSource = 0;
    Prg_Suivi::StopMountDirection(direction);
    std::int64_t& pressed = pressMs_[IsDecDirection(direction) ? 0 : 1];
    const std::int64_t pressedMs = std::exchange(pressed, kNotPressed);
    if (HandPadCalibrating && pressedMs != kNotPressed) {
        const std::int64_t held = nowMs() - pressedMs;
        switch (direction) {
        case dirNorth: NorthSouthHoldMs += held; break;
        case dirSouth: NorthSouthHoldMs -= held; break;
        case dirWest: WestEastHoldMs += held; break;
        case dirEast: WestEastHoldMs -= held; break;
        }
    }
    if (FRM_Prg_Suivi) {
        FRM_Prg_Suivi->TMR_ScopePositionTimer();
        if (!Scripts::GotoRunning)
            FRM_Prg_Suivi->TMR_ScopePosition->stop();
    }
}

void TFRM_Raquette::BTN_StopMouseDown()
{
    for (bool& h : held_)
        h = false;
    Prg_Suivi::StopMount();
    if (FRM_Prg_Suivi) {
        FRM_Prg_Suivi->TMR_ScopePositionTimer();
        FRM_Prg_Suivi->TMR_ScopePosition->stop();
    }
}

void TFRM_Raquette::ReleaseAll()
{
    for (std::uint8_t d = 0; d < held_.size(); ++d)
        DirectionUp(d);
    FocusUp();
    if (SCB_Rate->value() != 0)
        SCB_Rate->setValue(0);
}

void TFRM_Raquette::RateRadioClick(int index)
{
    if (index >= 2)
        AutoguidingOff();
    Prg_Suivi::SelectSlewRate(index);
}

void TFRM_Raquette::CBX_RateChange()
{
    const int index = CBX_Rate->findText(CBX_Rate->currentText());
    if (index < 0)
        return;
    if (mountIs(Prg_Suivi::Interface::LX200)) {
        if (index <= 3)
            Prg_Suivi::SelectSlewRate(3 - index);
    } else if (mountIs(Prg_Suivi::Interface::Ascom)) {
        auto& shared = AscomBridge::AscomSharedData;
        for (int axis = 0; axis < 2; ++axis)
            if (index < int(shared.AxisRates[axis].size()))
                shared.CurrentRate[axis] = shared.AxisRates[axis][index];
    }
    AutoguidingOff();
}

void TFRM_Raquette::SCB_RateChange()
{
    const int p = SCB_Rate->value();
    EDT_Rate->setText(QString::number(p));
    if (!AscomBridge::Running())
        return;
    auto& shared = AscomBridge::AscomSharedData;
    shared.Direction = p >= 0 ? dirWest : dirEast;
    if (p == 0) {
        // The bar let go, by the user or by a release of the pad: axis 0
        // stops, and the direction buttons and keys no longer move at the
        // bar's rate but at the rate the list shows, which their next move
        // takes (Prg_Suivi::AscomMoveAxis).
        if (shared.CurrentRate[0] && shared.CurrentRate[0] == BarRate.lock())
            shared.CurrentRate[0].reset();
        AscomBridge::Signal(AscomBridge::rqStopAxis);
        return;
    }
    // The scroll bar's own rate: a rate of the list is never overwritten.
    auto rate = std::make_shared<AscomBridge::TASCOMRate>();
    if (shared.CurrentRate[0])
        *rate = *shared.CurrentRate[0];
    rate->Maximum = std::abs(p) / 3600.0;
    shared.CurrentRate[0] = rate;
    BarRate = rate;
    AscomBridge::Signal(AscomBridge::rqMoveAxis);
}

void TFRM_Raquette::BTN_RateClick()
{
    bool ok = false;
    const int value = EDT_Rate->text().trimmed().toInt(&ok);
    if (!ok)
        throw std::runtime_error(TranslatedTexts.MSG_Entier_Invalide.arg(EDT_Rate->text()).toStdString());
    SCB_Rate->setValue(value);
}

// ---------------------------------------------------------------- focuser

void TFRM_Raquette::FocusDown(std::uint8_t direction, bool fast)
{
    if (focusHeld_ >= 0)
        return;
    focusHeld_ = direction;
    Prg_Suivi::StartFocuser(direction, fast);
}

void TFRM_Raquette::FocusUp()
{
    if (focusHeld_ < 0)
        return;
    const auto direction = std::uint8_t(focusHeld_);
    focusHeld_ = -1;
    Prg_Suivi::StopFocuser(direction);
}

void TFRM_Raquette::BTN_Demarrer_AutofocusClick()
{
    if (FRM_Tool_Affichage) {
        FRM_Tool_Affichage->CKB_MAP->setChecked(true);
        Settings::RunHandler(QStringLiteral("FRM_Tool_Affichage.CKB_MAPClick"));
    }
    BTN_Demarrer_Autofocus->setEnabled(false);
    BTN_Arreter_Autofocus->setEnabled(true);
    AutofocusPrevFWHM = 999.0;
    GAUGE_Autofocus->setValue(0);
    AutofocusStepMs = FRM_Pref ? FRM_Pref->SPED_Tps_Base_Autofocus->value() : 10000;
    if (RDB_AF_Fin->isChecked())
        AutofocusStepMs /= 4;
    AutofocusStepMs = std::max(AutofocusStepMs, 100);
    AutofocusReady = 1;
    AutofocusFrameCount = 0;
    FocusDirection = 0;
}

void TFRM_Raquette::AutofocusMeasured(double fwhm, int measures)
{
    if (!AutofocusReady || BTN_Demarrer_Autofocus->isEnabled())
        return;
    if (++AutofocusFrameCount < measures)
        return;
    AutofocusFrameCount = 0;
    AutofocusStep(false, fwhm);
}

void TFRM_Raquette::AutofocusStep(bool fast, double fwhm)
{
    if (fwhm > AutofocusPrevFWHM) {
        FocusDirection = FocusDirection ? 0 : 1;
        AutofocusStepMs = std::max(100, AutofocusStepMs / 2);
        // The gauge fills as the step shrinks towards 100 ms; a base of
        // 100 ms or less has nothing to fill.
        const int base = FRM_Pref ? FRM_Pref->SPED_Tps_Base_Autofocus->value() : 10000;
        const int span = base - 100;
        const int gauge = span > 0 ? 100 - int(std::lround(100.0 * AutofocusStepMs / span)) : 100;
        GAUGE_Autofocus->setValue(std::clamp(gauge, 0, 100));
    }
    if (FRM_Pref && FRM_Pref->TNI_FWHM_Stop->Value() >= fwhm) {
        EndAutofocus(true);
        return;
    }
    // Called from the frame routine: a focuser that cannot be reached is
    // told once and ends the focusing, and the frame goes on.
    if (!Prg_Suivi::RunAutomatically([fast] { Prg_Suivi::StartFocuser(FocusDirection, fast); })) {
        EndAutofocus(true);
        return;
    }
    TMR_Autofocus->start(AutofocusStepMs);
    AutofocusReady = 0;
    AutofocusPrevFWHM = fwhm;
}

void TFRM_Raquette::TMR_AutofocusTimer()
{
    TMR_Autofocus->stop();
    if (!Prg_Suivi::RunAutomatically([] { Prg_Suivi::StopFocuser(FocusDirection); })) {
        EndAutofocus(false);
        return;
    }
    AutofocusFrameCount = 0;
    AutofocusReady = 1;
}

bool TFRM_Raquette::AutofocusRunning() const { return BTN_Arreter_Autofocus->isEnabledTo(GRB_Focus); }

void TFRM_Raquette::BTN_Arreter_AutofocusClick()
{
    // The focusing is off whatever the stop meets on its way to the focuser.
    EndAutofocus(false);
    Prg_Suivi::StopFocuser(FocusDirection);
}

void TFRM_Raquette::EndAutofocus(bool stopFocuser)
{
    BTN_Demarrer_Autofocus->setEnabled(true);
    BTN_Arreter_Autofocus->setEnabled(false);
    AutofocusReady = 0;
    TMR_Autofocus->stop();
    if (FRM_Tool_Affichage) {
        FRM_Tool_Affichage->CKB_MAP->setChecked(false);
        Settings::RunHandler(QStringLiteral("FRM_Tool_Affichage.CKB_MAPClick"));
    }
    if (stopFocuser)
        Prg_Suivi::RunAutomatically([] { Prg_Suivi::StopFocuser(FocusDirection); });
}

// ---------------------------------------------------------------- settings of the window

void TFRM_Raquette::CBX_Vitesse_MoteurDropDown() { ProfileComboTouched = true; }

void TFRM_Raquette::CBX_Vitesse_MoteurChange()
{
    const QString text = CBX_Vitesse_Moteur->currentText();
    if (FRM_Pref) {
        FRM_Pref->CBX_Vitesse_Moteur->setCurrentText(text);
        Settings::RunHandler(QStringLiteral("FRM_Pref.CBX_Vitesse_MoteurChange"));
    }
    // The goto dialog shows the name and times its estimate with the speeds.
    if (FRM_ObjectAction)
        if (auto* list = FRM_ObjectAction->findChild<QComboBox*>(QStringLiteral("CBX_Vitesse_Moteur"))) {
            list->setCurrentText(text);
            if (list->currentText() == text)
                Settings::RunHandler(QStringLiteral("FRM_ObjectAction.CBX_Vitesse_MoteurChange"));
        }
    if (QWidget* w = focusWidget())
        w->clearFocus();
}

void TFRM_Raquette::RDB_AbsoluClick()
{
    if (FRM_ObjectAction)
        FRM_ObjectAction->RDB_Absolu->setChecked(true);
}

void TFRM_Raquette::RDB_RelatifClick()
{
    if (FRM_ObjectAction)
        FRM_ObjectAction->RDB_Relatif->setChecked(RDB_Relatif->isChecked());
    if (!RDB_Relatif->isChecked() && !RDB_Absolu->isChecked()) {
        RDB_Absolu->setChecked(true);
        RDB_AbsoluClick();
    }
}

namespace {

// The widgets a layout item holds, those of the layouts inside it included.
void collectWidgets(QLayoutItem* item, QList<QWidget*>& widgets)
{
    if (QWidget* w = item->widget()) {
        widgets.append(w);
    } else if (QLayout* inner = item->layout()) {
        for (int i = 0; i < inner->count(); ++i)
            collectWidgets(inner->itemAt(i), widgets);
    }
}

} // namespace

QList<QWidget*> TFRM_Raquette::controlsBelowPad() const
{
    int padRow = 0, column = 0, rows = 1, columns = 1;
    centralLayout->getItemPosition(centralLayout->indexOf(GRB_Pad), &padRow, &column, &rows, &columns);
    const int lastPadRow = padRow + rows - 1;
    QList<QWidget*> below;
    for (int i = 0; i < centralLayout->count(); ++i) {
        int row = 0;
        centralLayout->getItemPosition(i, &row, &column, &rows, &columns);
        if (row > lastPadRow)
            collectWidgets(centralLayout->itemAt(i), below);
    }
    return below;
}

int TFRM_Raquette::widthWithoutScrollBar() const
{
    // A window fitted to a small screen holds its controls in a scroll area;
    // too tall for it, they scroll, with the bar beside them.
    auto* scroll = qobject_cast<QScrollArea*>(centralWidget());
    if (!scroll)
        return width();
    centralLayout->activate();
    if (centralwidget->minimumSizeHint().height() <= scroll->height())
        return width();
    return width() - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll);
}

void TFRM_Raquette::fitHeightToControls(int wide)
{
    // The controls, whether or not they scroll in the window. The window's
    // own layout follows them at once: it holds the window at least as
    // large as they were.
    centralLayout->activate();
    if (layout())
        layout()->activate();
    const int around = height() - centralWidget()->height();
    resize(wide, centralwidget->sizeHint().height() + around);
    // Grown downwards, it stays whole on the screen; too tall for it, its
    // controls scroll.
    Systeme::FitInsideScreen(this);
    Systeme::PlaceOnScreen(this, pos());
}

void TFRM_Raquette::SPDB_Raquette_AgrandirClick()
{
    SPDB_Raquette_Reduire->raise();
    // Its width stays, less the room a scroll bar took: the fit makes room
    // for one again where the controls still scroll.
    const int wide = widthWithoutScrollBar();
    for (const QPointer<QWidget>& w : std::exchange(reducedAway_, {}))
        if (w)
            w->show();
    GRB_Goto->show();
    fitHeightToControls(wide);
}

void TFRM_Raquette::SPDB_Raquette_ReduireClick()
{
    SPDB_Raquette_Agrandir->raise();
    const int wide = widthWithoutScrollBar();
    // Down to the direction buttons: what lies under their row leaves the
    // window until "+" brings it back as it was.
    for (QWidget* w : controlsBelowPad()) {
        if (!w->isHidden()) {
            w->hide();
            reducedAway_.append(w);
        }
    }
    fitHeightToControls(wide);
}

// ---------------------------------------------------------------- layout operations

bool TFRM_Raquette::Lx200MountChosen() { return FRM_Pref && FRM_Pref->RDB_Mount_LX200->isChecked(); }

void TFRM_Raquette::FollowInterfaces()
{
    if (!FRM_Pref)
        return;
    const TFRM_Pref& p = *FRM_Pref;
    if (Lx200MountChosen()) {
        EnableLX200Controls();
        EnableAbsoluteGoto();
        return;
    }
    DisableLX200Controls();
    if (p.RDB_Mount_Aucun->isChecked() && p.RDB_Autoguide_Aucun->isChecked())
        DisableCatalogueChoice();   // nothing can move: no object to choose
    using Prg_Suivi::Interface;
    const Interface moves = Prg_Suivi::MotionKind();
    if (!p.RDB_Mount_ASCOM->isChecked()
        && (moves == Interface::Marrick || moves == Interface::Quillon || moves == Interface::KitsRus))
        ForceRelativeGoto();
    else
        EnableAbsoluteGoto();
}

void TFRM_Raquette::OfferGoto(bool offered)
{
    gotoOffered_ = offered;
    BTN_GOTO->setEnabled(gotoOffered_ && !gotoRunning_);
}

void TFRM_Raquette::ShowGotoRunning(bool running)
{
    gotoRunning_ = running;
    BTN_GOTO->setEnabled(gotoOffered_ && !gotoRunning_);
}

void TFRM_Raquette::EnableLX200Controls()
{
    ReleaseAll();
    enableAll({RDB_Slew, RDB_Find, RDB_Cntr, RDB_Guide, BTN_Position_Actuelle, BTN_Sync}, true);
    EnableCatalogueChoice();
    OfferGoto(true);
}

void TFRM_Raquette::DisableLX200Controls()
{
    ReleaseAll();
    enableAll({RDB_Slew, RDB_Find, RDB_Cntr, RDB_Guide}, false);
    enableAll({BTN_Position_Actuelle, BTN_Sync, EDT_Numero}, true);
    enableAll({RDB_Messier, RDB_NGC, RDB_IC, RDB_UGC, RDB_Etoile_SAO, RDB_Etoile, RDB_Planete, CBX_Planete}, false);
    OfferGoto(false);
    Align_V::UpdateHandPadControls();
}

void TFRM_Raquette::EnableAscomControls(bool ask)
{
    enableAll({RDB_Slew, RDB_Find, RDB_Cntr, RDB_Guide}, false);
    enableAll({BTN_Position_Actuelle, BTN_Sync, RDB_Messier, RDB_NGC, RDB_IC, RDB_UGC, RDB_Etoile_SAO, EDT_Numero}, true);
    enableAll({RDB_Etoile, RDB_Planete, CBX_Planete}, false);
    if (ask) {
        AscomBridge::Request(AscomBridge::rqCanSlewAsync, {});
        EnableAbsoluteGoto();
        OfferGoto(true);
    }
}

void TFRM_Raquette::EnableCatalogueChoice()
{
    enableAll({RDB_Messier, RDB_NGC, RDB_IC, RDB_UGC, RDB_Etoile_SAO, RDB_Etoile, RDB_Planete}, true);
}

void TFRM_Raquette::DisableCatalogueChoice()
{
    enableAll({RDB_Messier, RDB_NGC, RDB_IC, RDB_UGC, RDB_Etoile_SAO, RDB_Etoile, RDB_Planete}, false);
}

void TFRM_Raquette::EnableFocusControls() { GRB_Focus->setEnabled(true); }

void TFRM_Raquette::DisableFocusControls()
{
    FocusUp();
    // An automatic focusing under way stops first: its "Arrêter" goes grey
    // with the group.
    if (AutofocusRunning())
        BTN_Arreter_AutofocusClick();
    GRB_Focus->setEnabled(false);
}

void TFRM_Raquette::EnableAbsoluteGoto()
{
    RDB_Absolu->setEnabled(true);
    if (FRM_ObjectAction)
        FRM_ObjectAction->AllowAbsoluteGoto(true);
}

void TFRM_Raquette::ForceRelativeGoto()
{
    RDB_Absolu->setEnabled(false);
    RDB_Relatif->setChecked(true);
    if (FRM_ObjectAction) {
        FRM_ObjectAction->AllowAbsoluteGoto(false);
        FRM_ObjectAction->RDB_Relatif->setChecked(true);
    }
}
