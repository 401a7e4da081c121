#pragma once
// The About box: name and version, the link to the program's README, and
// the acknowledgements read from "Acknowledgements.txt" at every activation.

#include "app/form.h"
#include "ui_about_box.h"

class TAboutBox : public TForm, public Ui::TAboutBox {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    void FormActivate() override;
    void BTN_OkClick();
    void EDT_Web_NightjarClick();

protected:
    bool eventFilter(QObject* obj, QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    // A missing file is reported once per opening of the box, not at every
    // activation (the message box itself re-activates the window).
    bool missingReported_ = false;
};

extern TAboutBox* AboutBox;
