#pragma once
// The object picker: a sorted list of catalogue objects by mode (the
// window's tag); Ok centres the chart on the object chosen or typed.
//   21 SAO stars, 1 deep sky, 11 NGC/IC (list only), 12 Messier (list only),
//   23 stars by popular name (no list), 3 constellations (nothing).

#include "app/form.h"
#include "ui_frm_recherche.h"

class TFRM_Recherche : public TForm, public Ui::TFRM_Recherche {
    Q_OBJECT
public:
    explicit TFRM_Recherche(QWidget* parent = nullptr);

    // Sets the caption and the mode and shows the picker modally (the rest
    // of the program waits for it; the event loop goes on).
    void Open(const QString& caption, int mode);

    // Builds the list of the mode once per opening (a later activation of
    // the window keeps what the user typed).
    void FormActivate() override;
    // The list of the mode, cleared and filled in catalogue order, sorted.
    void BuildList();
    void FormKeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void BTN_OkClick();
    void BTN_AnnulerClick();

    int Tag = 0;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool listBuilt_ = false;
};

extern TFRM_Recherche* FRM_Recherche;
