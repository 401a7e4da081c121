#pragma once
// The command wizard: the user picks a system variable or a command
// signature, fills in up to three parameters, and one finished statement is
// inserted into the script editor at the caret. It checks nothing: what it
// inserts is whatever the fields hold.

#include "app/form.h"
#include "scripting/frm_script.h"
#include "ui_frm_scr_cmd.h"

#include <array>
#include <functional>
#include <span>
#include <utility>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TFRM_ScrCmd : public TForm, public Ui::TFRM_ScrCmd {
    Q_OBJECT
public:
    explicit TFRM_ScrCmd(QWidget* parent = nullptr);

    // The 142 entries of CBX_Command, as written (unsorted).
    static std::span<const char* const> Entries();

    // The goto dialog's memorised position (right ascension, declination) in
    // seconds of arc, read by "Charger". The goto dialog installs the
    // reader; without one the position is 0.
    static inline std::function<std::pair<double, double>()> MemorisedPosition;

    TFileDialogState SVD_Fichier;
    // Field k of the chosen signature, and whether it is a list of values.
    std::array<QString, 3> ParamSpec;
    std::array<bool, 3> ParamIsList{};

    void CBX_CommandChange();
    void BTN_Charger1Click() { Charger(1); }
    void BTN_Charger2Click() { Charger(2); }
    void BTN_Charger3Click() { Charger(3); }
    void BTN_InsererClick();
    void BTN_AnnulerClick();

    // The statement the fields make now ("" without an entry).
    QString Statement() const;

private:
    struct Param {
        QLabel* label;
        QLineEdit* edit;
        QComboBox* list;
        QPushButton* load;
        QPushButton* memory;
    };
    void Charger(int k);
    std::array<Param, 3> params_{};
};

extern TFRM_ScrCmd* FRM_ScrCmd;
