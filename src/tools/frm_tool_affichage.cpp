#include "tools/frm_tool_affichage.h"

#include "app/ui/caption_labels.h"

#include "app/frm_alv.h"
#include "app/settings.h"
#include "app/ui/control_adapters.h"
#include "capture/camera_slots.h"
#include "capture/slot_sources.h"
#include "imaging/display_helpers.h"
#include "imaging/display_zone.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "kernels/rounding.h"
#include "telescope/frm_detect_mvt.h"
#include "telescope/frm_img_ref.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_small.h"
#include "tools/frm_tool_images.h"

#include <QPalette>
#include <algorithm>
#include <cmath>

TFRM_Tool_Affichage* FRM_Tool_Affichage = nullptr;
std::uint8_t GuideSourceSlot = 1;

namespace {

// Names other windows and the settings loader run by name.
constexpr const char* kRegistered[] = {
    "FRM_Tool_Affichage.CBX_Cam1_IPSChange",       "FRM_Tool_Affichage.CBX_Cam2_IPSChange",
    "FRM_Tool_Affichage.CKB_MAPClick",             "FRM_Tool_Affichage.CKB_Src1_AutoguidageClick",
    "FRM_Tool_Affichage.CKB_Src1_ImageClick",      "FRM_Tool_Affichage.CKB_Src2_AutoguidageClick",
    "FRM_Tool_Affichage.CKB_Src2_ImageClick",      "FRM_Tool_Affichage.RDB_Src1_Cam1Click",
    "FRM_Tool_Affichage.RDB_Src1_Cam2Click",       "FRM_Tool_Affichage.BTN_Centrer_AffichClick",
    "FRM_Tool_Affichage.CKB_Save_FWHMClick",       "FRM_Tool_Affichage.RDB_Ratio_EcranClick",
    "FRM_Tool_Affichage.RDB_Ratio_LibreClick",     "FRM_Tool_Affichage.CKB_DoubleEnregClick",
    "FRM_Tool_Affichage.BTN_Centrer_DetectClick",  "FRM_Tool_Affichage.BTN_Centrer_Affich_MireClick",
    "FRM_Tool_Affichage.SCB_Taille_ZAffichVScroll",
};

std::uint8_t currentSlot() { return CurrentCameraSlot == 2 ? 2 : 1; }

std::uint8_t guideSlot() { return GuideSourceSlot == 2 ? 2 : 1; }

void processFrame(std::uint8_t slot)
{
    std::uint8_t keep = 0;
    Align_V::ProcessFrame(1, keep, slot);
}

void applyRateChoice(int slot, QComboBox* choice, QScrollBar* bar, TNumInp* interval)
{
    QTimer* timer = FRM_Alv ? (slot == 1 ? FRM_Alv->Timer_Cam1 : FRM_Alv->Timer_Cam2) : nullptr;
    const QString text = choice->currentText();
    if (text == QLatin1String("Auto")) {
        const auto kind = CameraSlots[slot].sourceKind;
        if (kind == 1 || kind == 3) {
            CameraSlots[slot].frameHandOver = 1;
            if (timer)
                timer->stop();
        }
        return;
    }
    CameraSlots[slot].frameHandOver = 0;
    if (text == QLatin1String("Custom")) {
        bar->setEnabled(true);
        interval->SetValue(bar->value());
    } else {
        bool ok = false;
        const int f = text.toInt(&ok);
        if (!ok || f <= 0)
            return;
        bar->setEnabled(false);
        interval->SetValue(1000 / f);
    }
    if (timer) {
        timer->setInterval(static_cast<int>(kernels::roundHalfEvenToInt(static_cast<double>(interval->Value()) - 0.5)));
        timer->start();
    }
}

void intervalBarChanged(int slot, QScrollBar* bar, TNumInp* interval)
{
    interval->SetValue(bar->value());
    if (QTimer* timer = FRM_Alv ? (slot == 1 ? FRM_Alv->Timer_Cam1 : FRM_Alv->Timer_Cam2) : nullptr)
        timer->setInterval(int(std::trunc(double(interval->Value()))));
}

void intervalTyped(int slot, QScrollBar* bar, TNumInp* interval)
{
    const int ms = int(std::trunc(double(interval->Value())));
    bar->setValue(ms);
    if (QTimer* timer = FRM_Alv ? (slot == 1 ? FRM_Alv->Timer_Cam1 : FRM_Alv->Timer_Cam2) : nullptr)
        timer->setInterval(ms);
}

void setIfInRange(TNumInp* input, long double value)
{
    input->SetValue(std::clamp(value, input->Min(), input->Max()));
}

} // namespace

TFRM_Tool_Affichage::TFRM_Tool_Affichage(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    app::AddCaptionBefore(TNI_Taille_ZDetect, "LBL_TaillePixels", QStringLiteral("Zone (Pixels) :"));
    setWindowFlag(Qt::Tool, true);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // "XVid Ok" turns green when both zone sizes are multiples of 4.
    QPalette xvid = PNL_DivXCompatible->palette();
    xvid.setColor(QPalette::Window, Qt::black);
    xvid.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    PNL_DivXCompatible->setPalette(xvid);
    bindHandlers();
    bindFocusHandlers();
    registerHandlers();
}

TFRM_Tool_Affichage::~TFRM_Tool_Affichage()
{
    for (const char* name : kRegistered)
        Settings::UnregisterHandler(QString::fromLatin1(name));
}

void TFRM_Tool_Affichage::bindHandlers()
{
    using W = TFRM_Tool_Affichage;
    app::bindComboChange(CBX_Cam1_IPS, this, &W::CBX_Cam1_IPSChange);
    app::bindComboChange(CBX_Cam2_IPS, this, &W::CBX_Cam2_IPSChange);
    app::bindScrollBarChange(SCB_Cam1_Tps_Rafraichissement, this, &W::SCB_Cam1_Tps_RafraichissementChange);
    app::bindScrollBarChange(SCB_Cam2_Tps_Rafraichissement, this, &W::SCB_Cam2_Tps_RafraichissementChange);
    app::bindNumInpExit(TNI_Cam1_Tps_Rafraichissement, this, &W::TNI_Cam1_Tps_RafraichissementKeyUp);
    app::bindNumInpExit(TNI_Cam2_Tps_Rafraichissement, this, &W::TNI_Cam2_Tps_RafraichissementKeyUp);

    app::bindCheckBoxClick(CKB_Src1_Image, this, &W::CKB_Src1_ImageClick);
    app::bindCheckBoxClick(CKB_Src2_Image, this, &W::CKB_Src2_ImageClick);
    app::bindCheckBoxClick(CKB_Src1_Autoguidage, this, &W::CKB_Src1_AutoguidageClick);
    app::bindCheckBoxClick(CKB_Src2_Autoguidage, this, &W::CKB_Src2_AutoguidageClick);
    app::bindCheckBoxClick(CKB_Src1_Suivi, this, &W::CKB_Src1_AutoguidageClick);
    app::bindCheckBoxClick(CKB_Src2_Suivi, this, &W::CKB_Src1_AutoguidageClick);
    app::bindRadioClick(RDB_Src1_Cam1, this, &W::RDB_Src1_Cam1Click);
    app::bindRadioClick(RDB_Src1_Cam2, this, &W::RDB_Src1_Cam2Click);
    app::bindRadioClick(RDB_Src2_Cam1, this, &W::RDB_Src2_Cam1Click);
    app::bindRadioClick(RDB_Src2_Cam2, this, &W::RDB_Src2_Cam2Click);
    app::bindCheckBoxClick(CKB_DoubleEnreg, this, &W::CKB_DoubleEnregClick);
    app::bindSpeedButtonClick(SPDB_Src1_Disposition1, this, &W::SPDB_Src1_Disposition1Click);
    app::bindSpeedButtonClick(SPDB_Src1_Disposition2, this, &W::SPDB_Src1_Disposition2Click);
    app::bindSpeedButtonClick(SPDB_Src1_Disposition3, this, &W::SPDB_Src1_Disposition3Click);
    app::bindSpeedButtonClick(SPDB_Src2_Disposition1, this, &W::SPDB_Src2_Disposition1Click);
    app::bindSpeedButtonClick(SPDB_Src2_Disposition2, this, &W::SPDB_Src2_Disposition2Click);
    app::bindSpeedButtonClick(SPDB_Src2_Disposition3, this, &W::SPDB_Src2_Disposition3Click);

    app::bindScrollBarScroll(SCB_Taille_ZAffich,
                             [this](int code, int& pos) { SCB_Taille_ZAffichScroll(SCB_Taille_ZAffich, code, pos); }, this);
    app::bindScrollBarScroll(SCB_Taille_ZAffichV,
                             [this](int code, int& pos) { SCB_Taille_ZAffichVScroll(SCB_Taille_ZAffichV, code, pos); },
                             this);
    app::bindNumInpExit(TNI_Taille_ZAffich, this, &W::TNI_Taille_ZAffichExit);
    app::bindNumInpExit(TNI_Taille_ZAffichV, this, &W::TNI_Taille_ZAffichExit);
    app::bindScrollBarScroll(SCB_Taille_ZDetect, [this](int code, int& pos) { SCB_Taille_ZDetectScroll(code, pos); },
                             this);
    app::bindNumInpExit(TNI_Taille_ZDetect, this, &W::TNI_Taille_ZDetectExit);
    app::bindRadioClick(RDB_Ratio_Ecran, this, &W::RDB_Ratio_EcranClick);
    app::bindRadioClick(RDB_Ratio_Libre, this, &W::RDB_Ratio_LibreClick);
    app::bindButtonClick(BTN_Centrer_Detect, this, &W::BTN_Centrer_DetectClick);
    app::bindButtonClick(BTN_Centrer_Affich, this, &W::BTN_Centrer_AffichClick);
    app::bindButtonClick(BTN_Centrer_Affich_Mire, this, &W::BTN_Centrer_Affich_MireClick);
}

void TFRM_Tool_Affichage::registerHandlers()
{
    using M = void (TFRM_Tool_Affichage::*)();
    const std::pair<const char*, M> methods[] = {
        {kRegistered[0], &TFRM_Tool_Affichage::CBX_Cam1_IPSChange},
        {kRegistered[1], &TFRM_Tool_Affichage::CBX_Cam2_IPSChange},
        {kRegistered[2], &TFRM_Tool_Affichage::CKB_MAPClick},
        {kRegistered[3], &TFRM_Tool_Affichage::CKB_Src1_AutoguidageClick},
        {kRegistered[4], &TFRM_Tool_Affichage::CKB_Src1_ImageClick},
        {kRegistered[5], &TFRM_Tool_Affichage::CKB_Src2_AutoguidageClick},
        {kRegistered[6], &TFRM_Tool_Affichage::CKB_Src2_ImageClick},
        {kRegistered[7], &TFRM_Tool_Affichage::RDB_Src1_Cam1Click},
        {kRegistered[8], &TFRM_Tool_Affichage::RDB_Src1_Cam2Click},
        {kRegistered[9], &TFRM_Tool_Affichage::BTN_Centrer_AffichClick},
        {kRegistered[10], &TFRM_Tool_Affichage::CKB_Save_FWHMClick},
        {kRegistered[11], &TFRM_Tool_Affichage::RDB_Ratio_EcranClick},
        {kRegistered[12], &TFRM_Tool_Affichage::RDB_Ratio_LibreClick},
        {kRegistered[13], &TFRM_Tool_Affichage::CKB_DoubleEnregClick},
        {kRegistered[14], &TFRM_Tool_Affichage::BTN_Centrer_DetectClick},
        {kRegistered[15], &TFRM_Tool_Affichage::BTN_Centrer_Affich_MireClick},
    };
    static_assert(std::size(kRegistered) == 17);
    for (auto [name, method] : methods)
        Settings::RegisterHandler(QString::fromLatin1(name), [m = method] {
            if (FRM_Tool_Affichage)
                (FRM_Tool_Affichage->*m)();
        });
    // The height bar's position, set by the caller, applied as a position scroll.
    Settings::RegisterHandler(QString::fromLatin1(kRegistered[16]), [] {
        if (TFRM_Tool_Affichage* a = FRM_Tool_Affichage) {
            int position = a->SCB_Taille_ZAffichV->value();
            a->SCB_Taille_ZAffichVScroll(a->SCB_Taille_ZAffichV, 4, position);
        }
    });
}

// ---------------------------------------------------------------- refresh rates

void TFRM_Tool_Affichage::CBX_Cam1_IPSChange()
{
    applyRateChoice(1, CBX_Cam1_IPS, SCB_Cam1_Tps_Rafraichissement, TNI_Cam1_Tps_Rafraichissement);
}

void TFRM_Tool_Affichage::CBX_Cam2_IPSChange()
{
    applyRateChoice(2, CBX_Cam2_IPS, SCB_Cam2_Tps_Rafraichissement, TNI_Cam2_Tps_Rafraichissement);
}

void TFRM_Tool_Affichage::SCB_Cam1_Tps_RafraichissementChange()
{
    intervalBarChanged(1, SCB_Cam1_Tps_Rafraichissement, TNI_Cam1_Tps_Rafraichissement);
}

void TFRM_Tool_Affichage::SCB_Cam2_Tps_RafraichissementChange()
{
    intervalBarChanged(2, SCB_Cam2_Tps_Rafraichissement, TNI_Cam2_Tps_Rafraichissement);
}

void TFRM_Tool_Affichage::TNI_Cam1_Tps_RafraichissementKeyUp()
{
    intervalTyped(1, SCB_Cam1_Tps_Rafraichissement, TNI_Cam1_Tps_Rafraichissement);
}

void TFRM_Tool_Affichage::TNI_Cam2_Tps_RafraichissementKeyUp()
{
    intervalTyped(2, SCB_Cam2_Tps_Rafraichissement, TNI_Cam2_Tps_Rafraichissement);
}

// ---------------------------------------------------------------- sources

void TFRM_Tool_Affichage::sourceChoice(QCheckBox* box, QCheckBox* other, std::uint8_t& slotByte,
                                       std::uint8_t checkedSlot, void (*followSlot)(std::uint8_t previous))
{
    // The other box is set without its own handler: both agree on the slot.
    const std::uint8_t previous = slotByte;
    const bool on = box->isChecked();
    other->blockSignals(true);
    other->setChecked(!on);
    other->blockSignals(false);
    slotByte = on ? checkedSlot : std::uint8_t(3 - checkedSlot);
    followSlot(previous);
}

// The slot whose frames feed the result: the zone and the result take its frame.
void TFRM_Tool_Affichage::CKB_Src1_ImageClick()
{
    sourceChoice(CKB_Src1_Image, CKB_Src2_Image, CurrentCameraSlot, 1, &Capture::FitZoneToCurrentSlot);
}
void TFRM_Tool_Affichage::CKB_Src2_ImageClick()
{
    sourceChoice(CKB_Src2_Image, CKB_Src1_Image, CurrentCameraSlot, 2, &Capture::FitZoneToCurrentSlot);
}
// The slot whose frames are tracked and guided: tracking carries on there.
void TFRM_Tool_Affichage::CKB_Src1_AutoguidageClick()
{
    sourceChoice(CKB_Src1_Autoguidage, CKB_Src2_Autoguidage, GuideSourceSlot, 1, &Capture::GuideSlotChanged);
}
void TFRM_Tool_Affichage::CKB_Src2_AutoguidageClick()
{
    sourceChoice(CKB_Src2_Autoguidage, CKB_Src1_Autoguidage, GuideSourceSlot, 2, &Capture::GuideSlotChanged);
}

void TFRM_Tool_Affichage::RDB_Src1_Cam1Click() { RDB_Src2_Cam2->setChecked(true); }
void TFRM_Tool_Affichage::RDB_Src1_Cam2Click() { RDB_Src2_Cam1->setChecked(true); }
void TFRM_Tool_Affichage::RDB_Src2_Cam1Click() { RDB_Src1_Cam2->setChecked(true); }
void TFRM_Tool_Affichage::RDB_Src2_Cam2Click() { RDB_Src1_Cam1->setChecked(true); }

void TFRM_Tool_Affichage::CKB_DoubleEnregClick()
{
    if (FRM_Tool_Images)
        FRM_Tool_Images->CKB_Integration->setEnabled(!CKB_DoubleEnreg->isChecked());
    int p = SCB_Taille_ZAffich->value();
    Align_V::ComputeDisplayZone(currentSlot());
    SCB_Taille_ZAffichScroll(CKB_DoubleEnreg, 4, p);
}

void TFRM_Tool_Affichage::layoutClick(int group, int button)
{
    QToolButton* const buttons[2][3] = {{SPDB_Src1_Disposition1, SPDB_Src1_Disposition2, SPDB_Src1_Disposition3},
                                        {SPDB_Src2_Disposition1, SPDB_Src2_Disposition2, SPDB_Src2_Disposition3}};
    QToolButton* pressed = buttons[group - 1][button - 1];
    if (!pressed->isChecked())
        return;
    CameraSlots[std::size_t(group)].recordLayout = std::uint8_t(button - 1);
    // Only one of the two results can be doubled.
    QToolButton* const* other = buttons[2 - group];
    other[0]->setEnabled(true);
    other[1]->setEnabled(button == 1);
    other[2]->setEnabled(button == 1);
    if (FRM_Alv)
        FRM_Alv->SCB_Taille_ZAffichChange();
}

void TFRM_Tool_Affichage::SCB_OrientChange() { Settings::RunHandler(QStringLiteral("FRM_Tool_Mesures.CKB_ReticuleClick")); }

// ---------------------------------------------------------------- zones

Util_Affichage::ZoneRules TFRM_Tool_Affichage::CurrentZoneRules() const
{
    Util_Affichage::ZoneRules rules;
    const std::uint8_t slot = currentSlot();
    if (FRM_Alv)
        rules.binning1x1 = (slot == 1 ? FRM_Alv->MNU_Cam1_Binning_1x1 : FRM_Alv->MNU_Cam2_Binning_1x1)->isChecked();
    rules.ecran = RDB_Ratio_Ecran->isChecked();
    rules.frameWidth = CameraSlots[slot].width;
    rules.frameHeight = CameraSlots[slot].height;
    return rules;
}

void TFRM_Tool_Affichage::SCB_Taille_ZAffichScroll(QObject*, int scrollCode, int& scrollPos)
{
    if (scrollCode == 8) {
        scrollPos = int(std::trunc(double(TNI_Taille_ZAffich->Value())));
        return;
    }
    const Util_Affichage::ZoneRules rules = CurrentZoneRules();
    std::int32_t w = std::clamp(scrollPos, SCB_Taille_ZAffich->minimum(), SCB_Taille_ZAffich->maximum());
    std::int32_t h = std::int32_t(std::trunc(double(TNI_Taille_ZAffichV->Value())));
    // "Ecran" derives the height from the width. The width of a binned slot
    // is not halved here: the result is halved when it is sized, and the
    // other windows apply the width shown, which would halve it each time.
    if (RDB_Ratio_Ecran->isChecked())
        Util_Affichage::AdjustZoneSize(2, w, h, rules);
    if (CKB_XVid_Compatible->isChecked())
        Util_Affichage::SnapZoneToMultipleOf4(w, h, Util_Affichage::SnapDirection(scrollCode), rules);
    w = std::clamp(w, SCB_Taille_ZAffich->minimum(), SCB_Taille_ZAffich->maximum());
    h = std::clamp(h, SCB_Taille_ZAffichV->minimum(), SCB_Taille_ZAffichV->maximum());
    ZoneMoved = 1;
    scrollPos = w;
    SCB_Taille_ZAffich->setValue(w);
    setIfInRange(TNI_Taille_ZAffich, w);
    SCB_Taille_ZAffichV->setValue(h);
    setIfInRange(TNI_Taille_ZAffichV, h);
    zoneTail();
}

void TFRM_Tool_Affichage::SCB_Taille_ZAffichVScroll(QObject*, int scrollCode, int& scrollPos)
{
    if (scrollCode == 8) {
        scrollPos = int(std::trunc(double(TNI_Taille_ZAffichV->Value())));
        return;
    }
    const Util_Affichage::ZoneRules rules = CurrentZoneRules();
    std::int32_t w = std::int32_t(std::trunc(double(TNI_Taille_ZAffich->Value())));
    std::int32_t h = std::clamp(scrollPos, SCB_Taille_ZAffichV->minimum(), SCB_Taille_ZAffichV->maximum());
    // The height follows the width; the width of a binned slot is not
    // halved again here, or each move of this bar would halve the zone.
    Util_Affichage::AdjustZoneSize(2, w, h, rules);
    if (CKB_XVid_Compatible->isChecked())
        Util_Affichage::SnapZoneToMultipleOf4(w, h, Util_Affichage::SnapDirection(scrollCode), rules);
    w = std::clamp(w, SCB_Taille_ZAffich->minimum(), SCB_Taille_ZAffich->maximum());
    h = std::clamp(h, SCB_Taille_ZAffichV->minimum(), SCB_Taille_ZAffichV->maximum());
    ZoneMoved = 1;
    scrollPos = h;
    SCB_Taille_ZAffichV->setValue(h);
    setIfInRange(TNI_Taille_ZAffichV, h);
    SCB_Taille_ZAffich->setValue(w);
    setIfInRange(TNI_Taille_ZAffich, w);
    zoneTail();
}

void TFRM_Tool_Affichage::zoneTail()
{
    // The main window sizes the result for the zone, recomputes the zone,
    // redraws the outlines, the memory read-out and the file size.
    if (FRM_Alv)
        FRM_Alv->SCB_Taille_ZAffichChange();
    if (FRM_Detect_Mvt && FRM_Detect_Mvt->CKB_Detection_Mvt->isChecked() && FRM_ImgRef)
        FRM_ImgRef->BTN_Def_ImgRef_ManuelClick();
    processFrame(currentSlot());
    if (FRM_Alv) {
        const kernels::Bitmap24& result = FRM_Alv->Image3->Bitmap();
        const bool ok = Util_Affichage::ZoneMultipleOf4State(result.width(), result.height()) == 3;
        QPalette palette = PNL_DivXCompatible->palette();
        palette.setColor(QPalette::Window, ok ? QColor(0x00, 0xFF, 0x00) : QColor(Qt::black));
        PNL_DivXCompatible->setPalette(palette);
    }
}

void TFRM_Tool_Affichage::TNI_Taille_ZAffichExit()
{
    SCB_Taille_ZAffich->setValue(int(std::trunc(double(TNI_Taille_ZAffich->Value()))));
    if (FRM_Alv)
        FRM_Alv->SCB_Taille_ZAffichChange();
}

void TFRM_Tool_Affichage::redrawZoneOutlines() { Align_V::DrawDisplayZoneOutlines(); }

void TFRM_Tool_Affichage::SCB_Taille_ZDetectScroll(int, int& scrollPos)
{
    ZoneMoved = 1;
    const int n = std::clamp(scrollPos, SCB_Taille_ZDetect->minimum(), SCB_Taille_ZDetect->maximum());
    setIfInRange(TNI_Taille_ZDetect, n);
    if (TFRM_Tool_Suivi* s = FRM_Tool_Suivi) {
        setIfInRange(s->TNI_Taille_ZDetect, n);
        s->SCB_Taille_ZDetect->blockSignals(true);
        s->SCB_Taille_ZDetect->setValue(n);
        s->SCB_Taille_ZDetect->blockSignals(false);
        s->CaptureReferenceIfCorrelating();
    }
    processFrame(currentSlot());
}

void TFRM_Tool_Affichage::TNI_Taille_ZDetectExit()
{
    ZoneMoved = 1;
    const int n = SCB_Taille_ZDetect->value();
    setIfInRange(TNI_Taille_ZDetect, n);
    if (TFRM_Tool_Suivi* s = FRM_Tool_Suivi) {
        setIfInRange(s->TNI_Taille_ZDetect, n);
        s->SCB_Taille_ZDetect->setValue(n);
    }
}

void TFRM_Tool_Affichage::RDB_Ratio_EcranClick()
{
    SCB_Taille_ZAffich->setValue(std::max(4, SCB_Taille_ZAffich->value()));
    SCB_Taille_ZAffich->setMinimum(4);
    TNI_Taille_ZAffich->SetMin(4);
    setIfInRange(TNI_Taille_ZAffich, SCB_Taille_ZAffich->value());
    SCB_Taille_ZAffichV->setEnabled(false);
}

void TFRM_Tool_Affichage::RDB_Ratio_LibreClick()
{
    SCB_Taille_ZAffich->setMinimum(1);
    TNI_Taille_ZAffich->SetMin(1);
    SCB_Taille_ZAffichV->setEnabled(true);
}

void TFRM_Tool_Affichage::BTN_Centrer_DetectClick()
{
    const TCameraSlot& s = CameraSlots[guideSlot()];
    const QPoint previousStar = TrackedStarPos;
    PreviousTrackedStarPos = TrackedStarPos;
    TrackedStarPos = QPoint(s.width / 2, s.height / 2);
    TrackedStarPosF = QPointF(TrackedStarPos);
    if (guideSlot() == currentSlot())
        DisplayZoneCenter = TrackedStarPos;
    if (!CKB_Zones_Liees->isChecked()) {
        // The display zone stays where it was on the frame.
        PreviousDisplayZoneOffset = DisplayZoneOffset;
        DisplayZoneOffset = PreviousDisplayZoneOffset - (TrackedStarPos - previousStar);
    }
    Align_V::ComputeDisplayZone(guideSlot());
    redrawZoneOutlines();
    processFrame(guideSlot());
}

void TFRM_Tool_Affichage::BTN_Centrer_AffichClick()
{
    const TCameraSlot& s = CameraSlots[currentSlot()];
    PreviousDisplayZoneOffset = DisplayZoneOffset;
    DisplayZoneOffset = QPoint(s.width / 2 - DisplayZoneCenter.x(), s.height / 2 - DisplayZoneCenter.y());
    Align_V::ComputeDisplayZone(currentSlot());
    redrawZoneOutlines();
    processFrame(currentSlot());
}

void TFRM_Tool_Affichage::BTN_Centrer_Affich_MireClick()
{
    if (!CKB_Zones_Liees->isChecked()) {
        PreviousDisplayZoneOffset = DisplayZoneOffset;
        DisplayZoneOffset = QPoint(0, 0);
    }
    Align_V::ComputeDisplayZone(guideSlot());
    redrawZoneOutlines();
    processFrame(currentSlot());
}
