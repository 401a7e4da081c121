#pragma once
// The on-screen message and dialog services, installed once at start-up.

#include <QString>

#include "platform/message_service.h"

class QDialog;
class QWidget;

namespace app {

// Shows each message as an application-modal QMessageBox in front of every
// window with the keyboard (ExecInFront): icon from the kind, buttons from
// the button set, title from the message or else the application's title.
// Called from another thread, the box is shown by the
// GUI thread and the caller waits for the answer.
class WidgetMessageService final : public platform::MessageService {
public:
    platform::MsgResult show(const platform::Message& message) override;
};

// The window a box or a dialog opened now is made a dialog of: the box or
// dialog already waiting (a box over a dialog), else the window registered
// as keeping itself in front (the script window, kept on top, raises itself
// at every statement), when it is on screen, else the active window.
QWidget* DialogOwner();
// The window that keeps itself in front; nullptr for none.
void SetFrontWindow(QWidget* window);

// Makes a box or a dialog that waits for its answer stand in front of every
// window of the program, those kept on top included: kept on top itself
// and a dialog of DialogOwner(), which window managers keep above its owner
// even when the owner is raised. Call before it shows, at every showing.
void KeepInFrontOfEveryWindow(QWidget& dialog);

// Once it shows: raised and given the keyboard, whatever window was active.
void TakeKeyboard(QWidget& dialog);

// The width a box needs for the window manager to draw its whole title
// beside the title bar's buttons.
int TitleRoom(const QString& title);

// Runs a dialog application-modal, in front of every window with the
// keyboard (the two above); its exec() result. Once answered, the window
// that had the keyboard before it gets it back.
int ExecInFront(QDialog& dialog);

// True while a box or a dialog waits for its answer: other windows leave it
// the keyboard and do not come in front of it.
bool ModalWindowWaits();

// Installs the on-screen message service (behind the same-cause guard), the
// on-screen dialog service, the guard that keeps a key pressed before a
// box or a dialog came from answering it (ModalKeyGuard) and the one that
// keeps a mouse press whose focus change opened one from reaching its
// control afterwards (InstallPressGuard). Call once, after
// the QApplication exists. Boxes without a title of their own carry
// `applicationTitle`.
void installWidgetServices(const QString& applicationTitle = {});

} // namespace app
