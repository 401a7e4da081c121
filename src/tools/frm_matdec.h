#pragma once
// The kernel grid window: the 9 x 9 grid is the kernel; the 7 x 7, 5 x 5 and
// 3 x 3 grids show its centre squares. Only the grid of the chosen size is
// visible. A user's edit of a cell runs the image tool's grid handler;
// cells written from code run nothing.

#include "app/form.h"
#include "ui_frm_matdec.h"

#include <QString>

class QTableWidget;

class TFRM_Matdec : public TForm, public Ui::TFRM_Matdec {
    Q_OBJECT
public:
    explicit TFRM_Matdec(QWidget* parent = nullptr);

    // The grid of size n (3, 5, 7 or 9); null for another n.
    QTableWidget* Grid(int n) const;
    // Text of cell (column c, row r) of grid n; empty outside it.
    QString Cell(int n, int c, int r) const;
    void SetCell(int n, int c, int r, const QString& text);

    void FormCreate() override;
    void FormClose(TCloseAction& action) override;
};

extern TFRM_Matdec* FRM_Matdec;
