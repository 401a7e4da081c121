// Keyboard control of the hand pad: Enter switches it on, the keypad "/"
// switches it off and steps through the catalogue choices; while it is on
// the arrow keys move the mount, Page Up/Down run the focuser, Insert steps
// through the LX200 rates and the keypad "*" starts or aborts a goto. Keys
// the keyboard repeats on its own act once; the release of a key always
// stops what its press started, wherever the focus is by then.

#include "telescope/frm_raquette.h"

#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/ui/held_keys.h"
#include "app/ui/event_boundary.h"
#include "platform/clock.h"
#include "scripting/scripts.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/voice_prompts.h"

#include <QApplication>
#include <QKeyEvent>

namespace {

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

bool keypad(Qt::KeyboardModifiers shift) { return shift & Qt::KeypadModifier; }

// The keys the hand pad acts on; the keyboard's own repeats of them are
// kept away before anything sees them (app::HeldKeyFilter).
bool handPadKey(int key)
{
    return ArrowKeyDirection(key) >= 0 || isEnter(key) || key == Qt::Key_PageUp || key == Qt::Key_PageDown
           || key == Qt::Key_Insert || key == Qt::Key_Asterisk || key == Qt::Key_Slash;
}

void speak(const QString& key, int wait_ms) { Telescope::PlayVoicePrompt(key, wait_ms); }

} // namespace

bool TFRM_Raquette::focusInLists() const
{
    const QWidget* f = QApplication::focusWidget();
    return f && (f == EDT_Numero || f == CBX_Etoile || f == CBX_Planete || f->parentWidget() == CBX_Etoile
                 || f->parentWidget() == CBX_Planete);
}

void TFRM_Raquette::setDirectionButtons(bool enabled)
{
    for (QWidget* b : {BTN_E, BTN_W, BTN_N, BTN_S})
        b->setEnabled(enabled);
}

void TFRM_Raquette::FormKeyDown(int& key, Qt::KeyboardModifiers)
{
    if (isEnter(key))
        enterMovedFocusTo_ = nullptr;   // set again by a coordinate input it moves on from
    if (!KeyboardControl || focusInLists() || key == LastKeyDown)
        return;
    if (const int d = ArrowKeyDirection(key); d >= 0)
        DirectionDown(std::uint8_t(d));
    else if (key == Qt::Key_PageUp && BTN_Focus_In->isEnabled())
        FocusDown(0, false);
    else if (key == Qt::Key_PageDown && BTN_Focus_Out->isEnabled())
        FocusDown(1, false);
    else if (isEnter(key) && BTN_Sync->isEnabled())
        EnterDownMs = platform::clock().monotonicMs();
    LastKeyDown = key;
}

void TFRM_Raquette::FormKeyUp(int& key, Qt::KeyboardModifiers shift)
{
    const bool controlWasOn = KeyboardControl;
    const bool divide = key == Qt::Key_Slash && keypad(shift);
    if (divide) {
        KeyboardControl = 0;
        setDirectionButtons(false);
    }
    // A release stops what its press started, whatever the control state
    // or the focus.
    if (const int d = ArrowKeyDirection(key); d >= 0)
        DirectionUp(std::uint8_t(d));
    else if (key == Qt::Key_PageUp || key == Qt::Key_PageDown)
        FocusUp();
    if (divide)
        ReleaseAll();

    if (isEnter(key))
        enterReleased(controlWasOn);
    if (KeyboardControl) {
        if (key == Qt::Key_Insert && FRM_Pref && FRM_Pref->RDB_Mount_LX200->isChecked()) {
            RateCycle = std::uint8_t((RateCycle & 3) + 1);
            const std::pair<QRadioButton*, const char*> rates[] = {
                {RDB_Slew, "S_Slew"}, {RDB_Find, "S_Find"}, {RDB_Cntr, "S_Cntr"}, {RDB_Guide, "S_Guide"}};
            const auto& [button, prompt] = rates[RateCycle - 1];
            if (!button->isChecked()) {
                button->setChecked(true);
                RateRadioClick(4 - RateCycle);
            }
            speak(QString::fromLatin1(prompt), 600);
        } else if (key == Qt::Key_Asterisk && keypad(shift) && gotoOffered_) {
            // GOTO is greyed while a goto runs: "*" then aborts it, as
            // Abort does (a calibration under way is cancelled first).
            if (Scripts::GotoRunning || gotoRunning_) {
                if (CKB_Assist_Vocal->isChecked())
                    speak(QStringLiteral("S_Abort"), 600);
                BTN_AbortClick();
            } else if (BTN_GOTO->isEnabled()) {
                // The goto started marks itself running until the mount
                // side ends it; one refused or not found leaves nothing
                // running, so the next "*" starts a goto again.
                if (CKB_Assist_Vocal->isChecked())
                    speak(QStringLiteral("S_GOTO"), 600);
                BTN_GOTOClick();
            }
        }
    }
    if (!KeyboardControl && divide)
        catalogueCycle(controlWasOn);
    LastKeyDown = 0;
}

void TFRM_Raquette::enterReleased(bool controlWasOn)
{
    // Only a press seen by the key-down counts: a stale time never syncs.
    const bool pressed = EnterDownMs > 0;
    const std::int64_t held = platform::clock().monotonicMs() - EnterDownMs;
    EnterDownMs = 0;
    if (controlWasOn && pressed && held > 1000 && BTN_Sync->isEnabled()) {
        BTN_SyncClick();
        if (CKB_Assist_Vocal->isChecked())
            speak(QStringLiteral("S_Synchro"), 900);
    }
    // Enter in a coordinate input moves on to the next one, where the
    // typing goes on; anywhere else no control keeps the keyboard.
    QWidget* f = focusWidget();
    if (f && f != enterMovedFocusTo_)
        f->clearFocus();
    enterMovedFocusTo_ = nullptr;
    KeyboardControl = 1;
    setDirectionButtons(true);
}

void TFRM_Raquette::catalogueCycle(bool controlWasOn)
{
    if (!controlWasOn)
        CatalogueCycle = std::uint8_t(CatalogueCycle % 8 + 1);
    const std::pair<QRadioButton*, QWidget*> choices[] = {
        {RDB_Messier, EDT_Numero}, {RDB_NGC, EDT_Numero},  {RDB_IC, EDT_Numero},      {RDB_UGC, EDT_Numero},
        {RDB_Etoile_SAO, EDT_Numero}, {RDB_Etoile, CBX_Etoile}, {RDB_Planete, CBX_Planete}, {RDB_Coords, TNI_RaH}};
    for (int k = 1; k <= 8; ++k) {
        if (CatalogueCycle != k)
            continue;
        auto [choice, input] = choices[k - 1];
        if (!choice->isEnabled()) {
            CatalogueCycle = std::uint8_t(CatalogueCycle % 8 + 1);
            continue;
        }
        choice->setChecked(true);
        CatalogueClick(choice);
        input->setFocus();
    }
}

// ---------------------------------------------------------------- number field and lists

bool TFRM_Raquette::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease)
        return TForm::eventFilter(watched, e);
    auto* k = static_cast<QKeyEvent*>(e);
    const bool down = e->type() == QEvent::KeyPress;
    bool eaten = false;
    app::runGuarded(watched->objectName() + (down ? QStringLiteral("KeyDown") : QStringLiteral("KeyUp")), [&] {
        if (watched == BTN_Stop && down) {
            if (!k->isAutoRepeat()) {
                int key = k->key();
                FormKeyDown(key, k->modifiers());
            }
            Prg_Suivi::StopMount();
            eaten = true;
        } else if (watched == EDT_Numero) {
            if (down)
                numberKeyPress(k);
            else
                numberKeyUp(k);
            eaten = down && (k->text() == QStringLiteral(".") || k->text() == QStringLiteral("/"));
        } else if (down && isEnter(k->key())) {
            if (watched == CBX_Planete || (watched == CBX_Etoile && CKB_Assist_Vocal->isChecked())) {
                if (watched == CBX_Planete)
                    emit CBX_Planete->activated(CBX_Planete->currentIndex());
                static_cast<QWidget*>(watched)->clearFocus();
            } else {
                QWidget* const chain[] = {TNI_RaH, TNI_RaM, TNI_RaS, TNI_DecD, TNI_DecM, TNI_DecS};
                for (int i = 0; i < 5; ++i)
                    if (watched == chain[i]) {
                        // Leaving the input may refuse its entry: the focus
                        // then stays where it was, and so it does on the release.
                        chain[i + 1]->setFocus(Qt::TabFocusReason);
                        enterMovedFocusTo_ = chain[i + 1];
                    }
            }
        }
    });
    return eaten || TForm::eventFilter(watched, e);
}

void TFRM_Raquette::numberKeyPress(QKeyEvent* k)
{
    const QString t = k->text();
    if (t == QStringLiteral(".")) {
        EDT_Numero->clear();
        if (CKB_Assist_Vocal->isChecked())
            speak(QStringLiteral("S_Deleted"), 600);
    } else if (t == QStringLiteral("/")) {
        LastNumber = EDT_Numero->text();
    } else if (t.size() == 1 && t[0].isDigit() && !k->isAutoRepeat()) {
        if (CKB_Assist_Vocal->isChecked())
            speak(QStringLiteral("S_") + t, 300);
    } else if (isEnter(k->key())) {
        EDT_Numero->deselect();
    }
}

void TFRM_Raquette::numberKeyUp(QKeyEvent* k)
{
    if (k->key() == Qt::Key_Delete)
        EDT_Numero->clear();
    else if (k->key() == Qt::Key_Slash && keypad(k->modifiers())) {
        EDT_Numero->setText(LastNumber);
        EDT_Numero->selectAll();
    } else if (isEnter(k->key()) && CKB_Assist_Vocal->isChecked())
        speakNumberEntry();
}

void TFRM_Raquette::speakNumberEntry()
{
    const std::tuple<QRadioButton*, const char*, int> catalogues[] = {
        {RDB_Messier, "S_Messier", 600}, {RDB_NGC, "S_NGC", 600},         {RDB_IC, "S_IC", 600},
        {RDB_UGC, "S_UGC", 600},         {RDB_Etoile, "S_Etoile_SAO", 600}, {RDB_Planete, "S_Planete", 600},
        {RDB_Coords, "S_Coords", 600}};
    for (auto [choice, prompt, wait_ms] : catalogues)
        if (choice->isChecked()) {
            speak(QString::fromLatin1(prompt), wait_ms);
            break;
        }
    for (const QChar c : EDT_Numero->text().trimmed())
        speak(QStringLiteral("S_") + c, 300);
}

// Installed on the application after the forms' key preview, so it runs
// before it.
void TFRM_Raquette::installRepeatFilter() { qApp->installEventFilter(new app::HeldKeyFilter(this, handPadKey)); }
