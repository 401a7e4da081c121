#pragma once
// The About box: name and version, links to the product's web page and to a
// mail message for its author, and the acknowledgements read from
// "Acknowledgements.txt" at every activation. A box that waits for its Ok
// (Return and Escape answer it too), in front of every window while it is
// open, the windows kept on top included.

#include "app/form.h"
#include "ui_about_box.h"

class TAboutBox : public TForm, public Ui::TAboutBox {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    void FormActivate() override;
    void FormKeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void BTN_OkClick();
    void EDT_Web_NightjarClick();
    void EDT_Mail_NightjarClick();

protected:
    bool eventFilter(QObject* obj, QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    // Opens a link; a link nothing opens is told to the user.
    void openLink(const QString& url);
    // A missing file is reported once per opening of the box, not at every
    // activation (the message box itself re-activates the window).
    bool missingReported_ = false;
};

extern TAboutBox* AboutBox;
