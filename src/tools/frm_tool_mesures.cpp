#include "tools/frm_tool_mesures.h"

#include "app/controls/float_text.h"
#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/helpers/calc_helpers.h"
#include "app/settings.h"
#include "app/ui/control_adapters.h"
#include "capture/camera_slots.h"
#include "capture/file_sources.h"
#include "imaging/display_zone.h"
#include "imaging/image_mouse.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "platform/dialog_service.h"
#include "platform/ini_document.h"
#include "platform/message_service.h"
#include "platform/paths.h"
#include "telescope/frm_sky.h"
#include "tools/frm_small.h"
#include "tools/frm_tool_affichage.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <numbers>

TFRM_Tool_Mesures* FRM_Tool_Mesures = nullptr;

namespace Util_Mesure {
long double ObjectDistanceMetres = 1000000.0L * DistanceUnitFactors[1];
MeasureHistory History;

void UpdateImageScales()
{
    const int guide = GuideSourceSlot == 2 ? 2 : 1;
    Settings::SetAngleUnitCaptions(3 - guide);
    Settings::SetAngleUnitCaptions(guide);
}
} // namespace Util_Mesure

namespace {

double num(const TCustomNumInp* input) { return double(input->Value()); }

void setNum(TCustomNumInp* input, long double value)
{
    // Results are shown within the input's range; a value it refuses keeps the old one.
    if (std::isfinite(double(value)) && value >= input->Min() && value <= input->Max())
        input->SetValue(value);
}

long double factorOf(const QAbstractButton* box, const TCustomNumInp* input)
{
    return box->isChecked() ? input->Value() : 1.0L;
}

void redrawSkyChart()
{
    if (FRM_Sky && FRM_Sky->isVisible())
        Settings::RunHandler(QStringLiteral("Sky.RedrawChart"));
}

bool guideSlotIsLive()
{
    const int slot = GuideSourceSlot == 2 ? 2 : 1;
    const TCameraSlot& s = CameraSlots[std::size_t(slot)];
    const QTimer* timer = FRM_Alv ? (slot == 1 ? FRM_Alv->Timer_Cam1 : FRM_Alv->Timer_Cam2) : nullptr;
    return (timer && timer->isActive()) || s.streamMode || s.sourceKind == 1 || s.sourceKind == 3;
}

// The image of the main window's shown page; none on the mosaic page.
TImageView* measuredView()
{
    if (!FRM_Alv)
        return nullptr;
    const QWidget* page = FRM_Alv->PGC_Main->currentWidget();
    if (page == FRM_Alv->TBS_Source1)
        return FRM_Alv->Image1;
    if (page == FRM_Alv->TBS_Source2)
        return FRM_Alv->Image2;
    if (page == FRM_Alv->TBS_Resultat)
        return FRM_Alv->Image3;
    return nullptr;
}

QString generalText(double value, int precision)
{
    return app::FloatToStrF(value, app::FloatFormat::General, precision, 2);
}

double dimensionAt(double angle, double distance)
{
    return std::sin(angle / 648000.0 * std::numbers::pi) * distance;
}

} // namespace

TFRM_Tool_Mesures::TFRM_Tool_Mesures(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    setWindowFlag(Qt::Tool, true);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    CBX_Unite->setCurrentIndex(1);
    bindHandlers();
    registerHandlers();
}

TFRM_Tool_Mesures::~TFRM_Tool_Mesures()
{
    for (const char* name : {"FRM_Tool_Mesures.CKB_ReticuleClick", "FRM_Tool_Mesures.CKB_CerclesClick",
                             "FRM_Tool_Mesures.CKB_CroixClick", "FRM_Tool_Mesures.TNI_FocaleExit",
                             "FRM_Tool_Mesures.TNI_DistObjetExit", "FRM_Tool_Mesures.RDB_PreferencesClick",
                             "FRM_Tool_Mesures.BTN_Surface_CalculerClick",
                             "FRM_Tool_Mesures.BTN_Centrer_reticule_sur_mireClick",
                             "FRM_Tool_Mesures.BTN_Centrer_Reticule_sur_ecranClick",
                             "FRM_Tool_Mesures.FollowPreferencesOptics"})
        Settings::UnregisterHandler(QString::fromLatin1(name));
}

void TFRM_Tool_Mesures::bindHandlers()
{
    using W = TFRM_Tool_Mesures;
    app::bindRadioClick(RDB_Preferences, this, &W::RDB_PreferencesClick);
    app::bindRadioClick(RDB_Manuelle, this, &W::RDB_ManuelleClick);
    for (TCustomNumInp* input : {static_cast<TCustomNumInp*>(TNI_Focale), static_cast<TCustomNumInp*>(TNI_Barlow),
                                 static_cast<TCustomNumInp*>(TNI_Reducteur), static_cast<TCustomNumInp*>(TNI_Larg_Pix),
                                 static_cast<TCustomNumInp*>(TNI_Haut_Pix), static_cast<TCustomNumInp*>(TNI_NbPix_X),
                                 static_cast<TCustomNumInp*>(TNI_NbPix_Y)})
        app::bindNumInpExit(input, this, &W::TNI_FocaleExit);
    for (QCheckBox* box : {CKB_Barlow, CKB_Reducteur, CKB_RenvoiCoude})
        app::bindCheckBoxClick(box, this, &W::TNI_FocaleExit);
    app::bindNumInpExit(TNI_DistObjet, this, &W::TNI_DistObjetExit);
    app::bindComboChange(CBX_Unite, this, &W::TNI_DistObjetExit);

    app::bindButtonClick(BTN_Surface_Calculer, this, &W::BTN_Surface_CalculerClick);
    app::bindScrollBarScroll(SCB_Surface_Seuil_Mini,
                             [this](int code, int& pos) { SCB_Surface_Seuil_MiniScroll(code, pos); }, this);
    app::bindScrollBarScroll(SCB_Surface_Seuil_Maxi,
                             [this](int code, int& pos) { SCB_Surface_Seuil_MaxiScroll(code, pos); }, this);
    for (TCustomNumInp* input : {static_cast<TCustomNumInp*>(TNI_DistObjet1),
                                 static_cast<TCustomNumInp*>(TNI_Surface_Seuil_Min),
                                 static_cast<TCustomNumInp*>(TNI_Surface_Seuil_Max)})
        app::bindNumInpExit(input, [] { Util_Mesure::ResetMeasureHistory(); }, this);
    app::bindSpinEditChange(SPED_Nb_images_moy, [] { Util_Mesure::ResetMeasureHistory(); }, this);
    for (QRadioButton* mode : {RDB_Surface, RDB_Largeur, RDB_Hauteur})
        app::bindRadioClick(mode, [] { Util_Mesure::ResetMeasureHistory(); }, this);

    app::bindCheckBoxClick(CKB_Reticule, this, &W::CKB_ReticuleClick);
    app::bindCheckBoxClick(CKB_Cercles, this, &W::CKB_ReticuleClick);
    app::bindCheckBoxClick(CKB_Croix, this, &W::CKB_ReticuleClick);
    app::bindScrollBarChange(SCB_Orient, this, &W::CKB_ReticuleClick);
    app::bindScrollBarScroll(SCB_Orient, [this](int code, int& pos) { SCB_OrientScroll(code, pos); }, this);
    app::bindButtonClick(BTN_Centrer_reticule_sur_mire, this, &W::BTN_Centrer_reticule_sur_mireClick);
    app::bindButtonClick(BTN_Centrer_Reticule_sur_ecran, this, &W::BTN_Centrer_Reticule_sur_ecranClick);
    app::bindButtonClick(BTN_Def_Declinaison, this, &W::BTN_Def_DeclinaisonClick);
    app::bindButtonClick(BTN_Image_Comparative, this, &W::BTN_Image_ComparativeClick);
    app::bindCheckBoxClick(CKB_Fichier_Comparaison, this, &W::CKB_Fichier_ComparaisonClick);
}

void TFRM_Tool_Mesures::registerHandlers()
{
    auto reg = [](const char* name, void (TFRM_Tool_Mesures::*method)()) {
        Settings::RegisterHandler(QString::fromLatin1(name), [method] {
            if (FRM_Tool_Mesures)
                (FRM_Tool_Mesures->*method)();
        });
    };
    reg("FRM_Tool_Mesures.CKB_ReticuleClick", &TFRM_Tool_Mesures::CKB_ReticuleClick);
    reg("FRM_Tool_Mesures.CKB_CerclesClick", &TFRM_Tool_Mesures::CKB_ReticuleClick);
    reg("FRM_Tool_Mesures.CKB_CroixClick", &TFRM_Tool_Mesures::CKB_ReticuleClick);
    reg("FRM_Tool_Mesures.TNI_FocaleExit", &TFRM_Tool_Mesures::TNI_FocaleExit);
    reg("FRM_Tool_Mesures.TNI_DistObjetExit", &TFRM_Tool_Mesures::TNI_DistObjetExit);
    reg("FRM_Tool_Mesures.RDB_PreferencesClick", &TFRM_Tool_Mesures::RDB_PreferencesClick);
    reg("FRM_Tool_Mesures.BTN_Surface_CalculerClick", &TFRM_Tool_Mesures::BTN_Surface_CalculerClick);
    reg("FRM_Tool_Mesures.BTN_Centrer_reticule_sur_mireClick",
        &TFRM_Tool_Mesures::BTN_Centrer_reticule_sur_mireClick);
    reg("FRM_Tool_Mesures.BTN_Centrer_Reticule_sur_ecranClick",
        &TFRM_Tool_Mesures::BTN_Centrer_Reticule_sur_ecranClick);
    // The Preferences' optics and camera changed (or were loaded): copied
    // here while this window takes its optics from there.
    Settings::RegisterHandler(QStringLiteral("FRM_Tool_Mesures.FollowPreferencesOptics"), [] {
        if (FRM_Tool_Mesures && FRM_Tool_Mesures->RDB_Preferences->isChecked())
            FRM_Tool_Mesures->RDB_PreferencesClick();
    });
}

// ---------------------------------------------------------------- optics

void TFRM_Tool_Mesures::RDB_PreferencesClick()
{
    TFRM_Pref* p = FRM_Pref;
    if (p) {
        EffectiveFocalLength = CalcHelpers::Product3(p->TNI_Focale->Value(), factorOf(p->CKB_Barlow, p->TNI_Barlow),
                                                     factorOf(p->CKB_Reducteur, p->TNI_Reducteur));
        setNum(p->TNI_Focale_Reelle, EffectiveFocalLength);
        const std::pair<TCustomNumInp*, TCustomNumInp*> inputs[] = {
            {TNI_Focale, p->TNI_Focale},       {TNI_Barlow, p->TNI_Barlow},     {TNI_Reducteur, p->TNI_Reducteur},
            {TNI_Focale_Reelle, p->TNI_Focale_Reelle}, {TNI_Larg_Pix, p->TNI_Larg_Pix}, {TNI_Haut_Pix, p->TNI_Haut_Pix},
            {TNI_NbPix_X, p->TNI_NbPix_X},     {TNI_NbPix_Y, p->TNI_NbPix_Y}};
        for (auto [mine, theirs] : inputs)
            setNum(mine, theirs->Value());
        CKB_Barlow->blockSignals(true);
        CKB_Reducteur->blockSignals(true);
        CKB_Barlow->setChecked(p->CKB_Barlow->isChecked());
        CKB_Reducteur->setChecked(p->CKB_Reducteur->isChecked());
        CKB_Barlow->blockSignals(false);
        CKB_Reducteur->blockSignals(false);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{TNI_Focale, CKB_Barlow, TNI_Barlow, CKB_Reducteur, TNI_Reducteur,
                                                      TNI_Focale_Reelle, TNI_Larg_Pix, TNI_Haut_Pix, TNI_NbPix_X,
                                                      TNI_NbPix_Y})
        w->setEnabled(false);
    TNI_FocaleExit();
}

void TFRM_Tool_Mesures::RDB_ManuelleClick()
{
    for (QWidget* w : std::initializer_list<QWidget*>{TNI_Focale, CKB_Barlow, TNI_Barlow, CKB_Reducteur, TNI_Reducteur,
                                                      TNI_Larg_Pix, TNI_Haut_Pix, TNI_NbPix_X, TNI_NbPix_Y})
        w->setEnabled(true);
    TNI_FocaleExit();
}

void TFRM_Tool_Mesures::TNI_FocaleExit()
{
    EffectiveFocalLength = CalcHelpers::Product3(TNI_Focale->Value(), factorOf(CKB_Barlow, TNI_Barlow),
                                                 factorOf(CKB_Reducteur, TNI_Reducteur));
    setNum(TNI_Focale_Reelle, EffectiveFocalLength);
    Settings::UpdateOpticsDerived();
    Util_Mesure::UpdateImageScales();
    Util_Mesure::ObjectDistanceMetres = Util_Mesure::DistanceToMetres(CBX_Unite->currentIndex(), TNI_DistObjet->Value());
    if (CKB_Fichier_Comparaison->isChecked())
        storeImageFit();
    CKB_ReticuleClick();
    Align_V::UpdateDistanceMeasure();
    redrawSkyChart();
}

void TFRM_Tool_Mesures::TNI_DistObjetExit()
{
    Util_Mesure::ObjectDistanceMetres = Util_Mesure::DistanceToMetres(CBX_Unite->currentIndex(), TNI_DistObjet->Value());
    if (CKB_Fichier_Comparaison->isChecked())
        storeImageFit();
    Align_V::UpdateDistanceMeasure();
    CKB_ReticuleClick();
    redrawSkyChart();
}

void TFRM_Tool_Mesures::storeImageFit()
{
    OverlayPictureRecord.Valid = Util_Mesure::CheckImageSize() ? 1 : 0;
}

// ---------------------------------------------------------------- surfaces

void TFRM_Tool_Mesures::BTN_Surface_CalculerClick()
{
    TImageView* view = measuredView();
    if (!view)
        return;
    kernels::Bitmap24& image = view->Bitmap();
    const int mode = RDB_Largeur->isChecked()   ? Util_Mesure::MeasureWidth
                     : RDB_Hauteur->isChecked() ? Util_Mesure::MeasureHeight
                                                : Util_Mesure::MeasureSurface;
    const std::int32_t count = Util_Mesure::MeasureObjectPixels(
        image, int(std::lround(num(TNI_Surface_Seuil_Min))), int(std::lround(num(TNI_Surface_Seuil_Max))), mode,
        measureTable_);
    view->Changed();

    const double scale = num(TNI_Echantillonnage);
    double a = double(count) * scale * scale;
    const double across = mode == Util_Mesure::MeasureWidth ? image.height() : image.width();
    if (mode != Util_Mesure::MeasureSurface)
        a = across * scale > 0 ? a / (across * scale) : 0.0;
    const double distance = num(TNI_DistObjet1);
    EDT_Angle_Calcule_S->setText(CalcHelpers::DecToStr(a));
    EDT_Dimension_Calcule_S->setText(generalText(dimensionAt(a, distance), 10));
    const double mean = Util_Mesure::History.add(a, SPED_Nb_images_moy->value());
    EDT_Angle_Calcule_Moy->setText(CalcHelpers::DecToStr(mean));
    EDT_Dimension_Calcule_Moy->setText(generalText(dimensionAt(mean, distance), 10));
}

void TFRM_Tool_Mesures::SCB_Surface_Seuil_MiniScroll(int, int& scrollPos)
{
    Util_Mesure::ResetMeasureHistory();
    setNum(TNI_Surface_Seuil_Min, scrollPos);
}

void TFRM_Tool_Mesures::SCB_Surface_Seuil_MaxiScroll(int, int& scrollPos)
{
    Util_Mesure::ResetMeasureHistory();
    setNum(TNI_Surface_Seuil_Max, scrollPos);
}

// ---------------------------------------------------------------- reticle

void TFRM_Tool_Mesures::redrawReticleLayer()
{
    const std::uint8_t slot = GuideSourceSlot == 2 ? 2 : 1;
    Align_V::ClearOverlay();
    if (CKB_Reticule->isChecked())
        Align_V::DrawReticle(MeasureCentre.x(), MeasureCentre.y(), CKB_Croix->isChecked(), num(TNI_Echantillonnage),
                             num(TNI_Orient), CKB_Cercles->isChecked(), slot);
    if (CKB_Fichier_Comparaison->isChecked() && OverlayPictureRecord.Valid)
        Align_V::DrawOverlayPicture(MeasureCentre.x(), MeasureCentre.y());
}

void TFRM_Tool_Mesures::CKB_ReticuleClick()
{
    if (!guideSlotIsLive())
        return;
    redrawReticleLayer();
    if (FRM_Alv)
        FRM_Alv->Image1->Changed();
    Align_V::ComputeDisplayZone(GuideSourceSlot == 2 ? 2 : 1);
    if (SourceViewShown && ZoneFrameBitmap)
        Align_V::DrawZoneRect(*ZoneFrameBitmap, ZoneImageRect, 1);
    if (FRM_Small && FRM_Small->isVisible() && MiniZoneFrameBitmap)
        Align_V::DrawZoneRect(*MiniZoneFrameBitmap, MiniZoneImageRect, 1);
}

void TFRM_Tool_Mesures::SCB_OrientScroll(int, int& scrollPos)
{
    setNum(TNI_Orient, scrollPos / 10.0L);
    CKB_ReticuleClick();
    redrawSkyChart();
}

void TFRM_Tool_Mesures::BTN_Centrer_reticule_sur_mireClick()
{
    MeasureCentre = TrackedStarPos;
    redrawReticleLayer();
}

void TFRM_Tool_Mesures::BTN_Centrer_Reticule_sur_ecranClick()
{
    const TCameraSlot& s = CameraSlots[GuideSourceSlot == 2 ? 2 : 1];
    MeasureCentre = QPoint(s.width / 2, s.height / 2);
    redrawReticleLayer();
}

void TFRM_Tool_Mesures::BTN_Def_DeclinaisonClick()
{
    if (FRM_Alv)
        FRM_Alv->MNU_Decl_EtoileClick();
}

// ---------------------------------------------------------------- comparison picture

void TFRM_Tool_Mesures::BTN_Image_ComparativeClick()
{
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Incrustation");
    request.filter = QStringLiteral("Overlay file (*.ovl)");
    request.fileName = EDT_Fichier_Comparaison->text();
    std::optional<QString> chosen = platform::dialogs().openFile(request);
    if (!chosen)
        return;
    if (QFileInfo(*chosen).suffix().isEmpty())
        *chosen += QStringLiteral(".ovl");
    EDT_Fichier_Comparaison->setText(*chosen);
    if (Util_Mesure::LoadOverlayFile(*chosen)) {
        CKB_Fichier_Comparaison->setEnabled(true);
    } else {
        CKB_Fichier_Comparaison->setEnabled(false);
        CKB_Fichier_Comparaison->setChecked(false);
    }
    if (CKB_Fichier_Comparaison->isChecked())
        CKB_Fichier_ComparaisonClick();
}

void TFRM_Tool_Mesures::CKB_Fichier_ComparaisonClick()
{
    if (CKB_Fichier_Comparaison->isChecked())
        TNI_FocaleExit();
    Align_V::UpdateDistanceMeasure();
    redrawSkyChart();
}

// ---------------------------------------------------------------- shared routines

void Util_Mesure::ResetMeasureHistory()
{
    std::uint8_t keep = 0;
    if (FRM_Alv)
        Align_V::ProcessFrame(1, keep, CurrentCameraSlot);
    History.reset();
}

bool Util_Mesure::CheckImageSize()
{
    TFRM_Tool_Mesures* m = FRM_Tool_Mesures;
    if (!m)
        return false;
    TOverlayPictureRecord& rec = m->OverlayPictureRecord;
    const OverlayFit fit = FitOverlay(rec.DX, rec.DY, ObjectDistanceMetres, num(m->TNI_Echantillonnage));
    if (fit.tooLarge)
        platform::messages().show({QStringLiteral("Warning ! Image too large.\r\nObject too close or focal length too long"),
                                   platform::MsgKind::Warning, platform::MsgButtons::Ok, {}, {}});
    if (!fit.fits)
        return false;
    rec.HalfWidth = fit.halfWidth;
    rec.HalfHeight = fit.halfHeight;
    return true;
}

bool Util_Mesure::LoadOverlayFile(const QString& fileName)
{
    TFRM_Tool_Mesures* m = FRM_Tool_Mesures;
    if (!m)
        return false;
    const QString path = platform::fromStoredPath(fileName);
    platform::IniDocument ini;
    if (!QFileInfo(path).isFile() || !ini.load(path))
        return false;
    const OverlayDescription d = ReadOverlayDescription(ini);
    QString picture = platform::fromStoredPath(d.file);
    if (picture.trimmed().isEmpty())
        return false;
    // A relative picture name is looked for beside the description first.
    if (QFileInfo(picture).isRelative()) {
        const QString beside = QFileInfo(path).dir().filePath(picture);
        picture = QFileInfo(beside).exists() ? beside : platform::resolveDataFile(picture);
    }
    TOverlayPictureRecord& rec = m->OverlayPictureRecord;
    kernels::Bitmap24 loaded = rec.Picture;
    if (!FileSources::LoadPictureFile(loaded, picture) || loaded.isEmpty())
        return false;
    const std::optional<OverlaySizeMetres> size = OverlaySizeInMetres(d);
    if (!size)
        return false;
    rec.Picture = std::move(loaded);
    rec.Unit = std::uint8_t(d.unit);
    rec.DX = size->dx;
    rec.DY = size->dy;
    rec.CX = d.cx.value_or(rec.Picture.width() / 2);
    rec.CY = d.cy.value_or(rec.Picture.height() / 2);
    m->TNI_DistObjetExit();
    return true;
}
