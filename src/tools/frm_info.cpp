#include "tools/frm_info.h"

#include "app/controls/float_text.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_slots.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"

#include <QMouseEvent>
#include <algorithm>

TFRM_Info* FRM_Info = nullptr;

TFRM_Info::TFRM_Info(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    app::bindScrollBarChange(SCB_Seuil_Satur, this, &TFRM_Info::SCB_Seuil_SaturChange);
    Img_Histogramme->setMouseTracking(true);
    Img_Histogramme->installEventFilter(this);
}

void TFRM_Info::Img_HistogrammeMouseMove(int x)
{
    const int level = std::clamp(x, 0, 255);
    const TCameraSlot& slot = CameraSlots[CurrentCameraSlot == 2 ? 2 : 1];
    const double n = double(std::max(slot.width, 0)) * std::max(slot.height, 0);
    EDT_Niveau->setText(QString::number(level));
    const std::int32_t counts[3] = {HistogramRed[std::size_t(level)], HistogramGreen[std::size_t(level)],
                                    HistogramBlue[std::size_t(level)]};
    QLineEdit* const numbers[3] = {EDT_Nbre_R, EDT_Nbre_V, EDT_Nbre_B};
    QLineEdit* const shares[3] = {EDT_Prc_R, EDT_Prc_V, EDT_Prc_B};
    for (int c = 0; c < 3; ++c) {
        numbers[c]->setText(QString::number(counts[c]));
        // Before any frame there are no pixels to share: 0.
        const double share = n > 0 ? counts[c] / n * 100.0 : 0.0;
        shares[c]->setText(app::FloatToStrF(share, app::FloatFormat::Fixed, 7, 7));
    }
}

void TFRM_Info::SCB_Seuil_SaturChange()
{
    TNI_Seuil_Satur->SetValue(SCB_Seuil_Satur->value());
    std::uint8_t keep = 0;
    Align_V::ProcessFrame(0, keep, CurrentCameraSlot);
}

bool TFRM_Info::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == Img_Histogramme && e->type() == QEvent::MouseMove) {
        const int x = static_cast<QMouseEvent*>(e)->position().toPoint().x();
        app::runGuarded(QStringLiteral("FRM_Info.Img_HistogrammeMouseMove"), [this, x] { Img_HistogrammeMouseMove(x); });
    }
    return TForm::eventFilter(watched, e);
}
