#include "tools/frm_ressources.h"

#include "app/controls/float_text.h"
#include "app/helpers/calc_helpers.h"

#include <QThread>

TFRM_Ressources* FRM_Ressources = nullptr;

namespace {

// The three small read-outs at the bottom show the last drift vector
// measured on the interface thread.
void showDriftInputs(double dx, double dy, double length)
{
    TFRM_Ressources* const w = FRM_Ressources;
    if (!w || QThread::currentThread() != w->thread())
        return;
    w->Edit1->setText(app::FormatG(dx));
    w->Edit2->setText(app::FormatG(dy));
    w->Edit3->setText(app::FormatG(length));
}

} // namespace

TFRM_Ressources::TFRM_Ressources(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    // Kept above the other windows, as the preview and the histogram are.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    CalcHelpers::DriftInputsShown = &showDriftInputs;
}

TFRM_Ressources::~TFRM_Ressources()
{
    if (CalcHelpers::DriftInputsShown == &showDriftInputs)
        CalcHelpers::DriftInputsShown = nullptr;
}
