#pragma once
// The driver choice: one line per capture source, OK or Cancel. Made for one
// choice and freed after it.

#include "ui_frm_pilote.h"

#include <QDialog>

class TFRM_Pilote : public QDialog, public Ui::TFRM_Pilote {
    Q_OBJECT
public:
    // Shown through the program's one show path, whatever shows it.
    void setVisible(bool visible) override;
    explicit TFRM_Pilote(QWidget* parent = nullptr);
};
