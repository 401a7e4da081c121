#pragma once
// The mosaic planner: a list of telescope fields taken from the sky chart's
// camera-field grid, each with its exposures, turned into a script for the
// script editor.
//
// The grid STG_Actions keeps the titles in row 0 and one field a row from
// row 1; its last row is always empty and takes the next field.

#include "app/form.h"
#include "ui_frm_planificateur.h"

#include <QString>
#include <QStringList>
#include <optional>

class TFRM_Planificateur : public TForm, public Ui::TFRM_Planificateur {
    Q_OBJECT
public:
    explicit TFRM_Planificateur(QWidget* parent = nullptr);

    void FormCreate() override;
    void FormActivate() override;

    void CBX_Vitesse_MoteurChange();
    void BTN_AjouterClick();
    void BTN_SupprimerClick();
    void STG_ActionsKeyUp(int key);
    void BTN_GenererClick();
    void BTN_ScriptClick();
    void BTN_ParcourirClick();
    void RDB_StdClick();
    void RDB_LongueposeClick();
    void TilesChange();   // counts and overlaps: the chart lays out the fields again
    // An inclusion box: unchecked when its file does not exist.
    void InclusionBoxClick(int index);
    // An inclusion's open button.
    void InclusionOpenClick(int index);

    static constexpr int kInclusionCount = 6;
    QCheckBox* InclusionBox(int index) const;
    QLineEdit* InclusionEdit(int index) const;

private:
    void rowMoved(int oldVisual, int newVisual);
};

extern TFRM_Planificateur* FRM_Planificateur;

namespace Planificateur {

// Column widths, the grid's shape and the titles.
void InitGrid();
// The 13 column titles from the translated texts.
void SetGridTitles();
// Fills grid row `row` from tile [x][y] of the chart's field table with the
// planner's settings of the moment.
void FillGridRow(int row, int x, int y);
// The lines of a script file to include; empty with `error` set (naming the
// file) when it cannot be used: missing, unreadable, not text or too large.
std::optional<QStringList> InsertScriptFile(const QString& path, QString& error);

// The script for the planner's list and options, or empty with `error` set.
std::optional<QStringList> BuildScript(QString& error);

// Splits of a sky position, rounded to 0.01 s (with carry) before splitting.
struct Split {
    bool negative = false;
    int units = 0, minutes = 0;
    int hundredths = 0;   // seconds x 100
};
Split SplitRa(double radians);    // hours in [0, 24)
Split SplitDec(double radians);
// "0#" and "0.##" with the user's decimal separator; "0#.##" with two
// integer digits.
QString TwoDigits(int v);
QString Seconds(int hundredths, bool twoDigits = false);

} // namespace Planificateur
