#pragma once
// The player window "Contrôle de lecture": the buttons that step and play
// through a file source, its position and its frame count. The buttons only
// say what the user wants; the next tick of the slot's frame timer acts on
// them (the player step of the main window).
//
// The seven transport buttons form one group: pressing one releases the
// others, and all may be up. The loop button stands alone.
//
// It is the main window's tool window: above the main window whatever is
// clicked there, so it is never lost behind it, and not above other
// programs.

#include "app/form.h"
#include "ui_frm_play_control.h"

#include <array>

class QToolButton;

class TFRM_PlayControl : public TForm, public Ui::TFRM_PlayControl {
    Q_OBJECT
public:
    explicit TFRM_PlayControl(QWidget* parent = nullptr);

    // Sets a transport button down (releasing the others of the group).
    void Press(QToolButton* button);
    // The transport buttons, from "to first" to "to last".
    std::array<QToolButton*, 7> TransportButtons() const;

    // Space stops; Home and End go to the first and last frame; Left and
    // Right play backwards and forwards; Up and Down step one frame.
    // The keys act when released; their presses are kept from the controls.
    void FormKeyUp(int& key, Qt::KeyboardModifiers shift) override;
    void FormKeyDown(int& key, Qt::KeyboardModifiers shift) override;
    // The user moved the position: the frame there is shown at the next tick.
    void SCB_PlayControlScroll(int scrollCode, int& scrollPos);
    // Rebuilds and shows the result image with the current integration kind.
    void BTN_AjouterClick();
    // The window is hidden by the program only while a file source plays.
    void FormCloseQuery(bool& canClose) override;

protected:
    void showEvent(QShowEvent* event) override;
};

extern TFRM_PlayControl* FRM_PlayControl;
