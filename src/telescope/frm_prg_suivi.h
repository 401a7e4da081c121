#pragma once
// The mount command window "Autoguidage": read-outs of the last moves, the
// two pulse timers, the position poll timer and the arrow keys. Its logic
// lives in the command layer (prg_suivi.h); the handlers here call it.

#include "app/form.h"
#include "ui_frm_prg_suivi.h"

#include <QTimer>
#include <array>
#include <cstdint>

class TFRM_Prg_Suivi : public TForm, public Ui::TFRM_Prg_Suivi {
    Q_OBJECT
public:
    explicit TFRM_Prg_Suivi(QWidget* parent = nullptr);
    // Stops what still moves and closes the serial ports.
    ~TFRM_Prg_Suivi() override;

    void FormCreate() override;
    // Arrow keys move the mount while it is connected.
    void FormKeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void FormKeyUp(int& key, Qt::KeyboardModifiers shift) override;

    void TMR_Suivi_ADTimer();
    void TMR_Suivi_DecTimer();
    void TMR_ScopePositionTimer();

    QTimer* TMR_Suivi_AD = nullptr;
    QTimer* TMR_Suivi_Dec = nullptr;
    QTimer* TMR_ScopePosition = nullptr;
    QTimer* TMR_Process_Cmd = nullptr;

protected:
    // The release of a key held while another window takes the keyboard
    // never comes here: the arrow moves stop when the window loses it.
    bool event(QEvent* e) override;

private:
    void ReleaseKey(std::uint8_t direction);
    void ReleaseHeldKeys();
    // The arrow keys held down, by direction code.
    std::array<bool, 4> heldKeys_{};
};

extern TFRM_Prg_Suivi* FRM_Prg_Suivi;
