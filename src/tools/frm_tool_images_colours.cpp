// The colour side of the image tool: the curves page, the colour mixer,
// luminance and saturation, the shadow correction page, the star search
// page, and the choice of the file type.

#include "tools/frm_tool_images.h"

#include "app/align_v_features.h"
#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_slots.h"
#include "imaging/pipeline_state.h"
#include "imaging/overlays.h"
#include "imaging/process_frame.h"
#include "kernels/fish_eye.h"
#include "kernels/raster.h"
#include "kernels/tool_files.h"
#include "platform/atomic_file.h"
#include "platform/dialog_service.h"
#include "platform/message_service.h"
#include "tools/star_detection.h"
#include "tools/util_images.h"
#include "translation/translated_texts.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalBlocker>
#include <cmath>

namespace {

QSlider* track(int k)
{
    auto* t = FRM_Tool_Images;
    QSlider* const bars[] = {t->TRKB_EQ1, t->TRKB_EQ2, t->TRKB_EQ3, t->TRKB_EQ4, t->TRKB_EQ5,
                             t->TRKB_EQ6, t->TRKB_EQ7, t->TRKB_EQ8, t->TRKB_EQ9};
    return bars[k - 1];
}

QCheckBox* pointBox(int k)
{
    auto* t = FRM_Tool_Images;
    QCheckBox* const boxes[] = {t->CKB_EQ1, t->CKB_EQ2, t->CKB_EQ3, t->CKB_EQ4, t->CKB_EQ5,
                                t->CKB_EQ6, t->CKB_EQ7, t->CKB_EQ8, t->CKB_EQ9};
    return boxes[k - 1];
}

void setQuietly(QSlider* bar, int position)
{
    const QSignalBlocker quiet(bar);
    bar->setValue(position);
}

platform::FileDialogRequest curveRequest()
{
    platform::FileDialogRequest request;
    request.directory = FRM_Pref ? FRM_Pref->FiltersFolder() : QString();
    request.filter = QStringLiteral("Curves (*.crv)");
    return request;
}

void showError(const QString& text)
{
    platform::messages().show({text, platform::MsgKind::Error, platform::MsgButtons::Ok, {}, {}});
}

kernels::Bitmap24& fishEyeCopy()
{
    static kernels::Bitmap24 copy;
    return copy;
}

} // namespace

namespace Util_Images {

kernels::Equalizer::EqualizerCurve& Equalizer()
{
    static kernels::Equalizer::EqualizerCurve curve;
    return curve;
}

void ApplyCurves()
{
    auto* t = FRM_Tool_Images;
    if (!t)
        return;
    auto& curve = Equalizer();
    ToneCurve = curve.LUT.data();
    for (int k = 1; k <= 9; ++k) {
        auto& p = curve.Points[std::size_t(k - 1)];
        p.Y = 257 - track(k)->value();
        p.Active = pointBox(k)->isChecked() ? 1 : 0;
        if (k == 1)
            p.X = 0;
        else if (k == 9)
            p.X = 255;
        else if (p.Active)
            p.X = 32 * (k - 1);
    }
    kernels::Equalizer::BuildEqualizerCurve(curve, 10);
    for (int i = 0; i < 7; ++i)
        if (const auto& position = curve.SliderPositions[std::size_t(i)])
            setQuietly(track(i + 2), *position);
    RefreshResultImage();
}

bool ReadCurvesFile(const QString& fileName)
{
    auto* t = FRM_Tool_Images;
    if (!t)
        return false;
    QFile file(fileName);
    QByteArray bytes;
    if (!QFileInfo(fileName).isDir() && file.open(QIODevice::ReadOnly))
        bytes = file.read(qint64(kernels::ToolFiles::kCurveFileSize));
    const auto record = kernels::ToolFiles::decodeCurves(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())));
    if (!record) {
        showError(TranslatedTexts.MSG_NOT_CRV_FILE);
        return false;
    }
    for (int k = 1; k <= 9; ++k)
        setQuietly(track(k), record->Positions[std::size_t(k - 1)]);
    for (int k = 1; k <= 9; ++k)
        pointBox(k)->setChecked(record->Active[std::size_t(k - 1)] != 0);
    return true;
}

bool WriteCurvesFile(const QString& fileName)
{
    auto* t = FRM_Tool_Images;
    if (!t)
        return false;
    kernels::ToolFiles::CurveRecord record;
    for (int k = 1; k <= 9; ++k) {
        record.Positions[std::size_t(k - 1)] = track(k)->value();
        record.Active[std::size_t(k - 1)] = pointBox(k)->isChecked() ? 1 : 0;
    }
    const auto bytes = kernels::ToolFiles::encodeCurves(record);
    QString error;
    if (!platform::WriteFileAtomically(fileName,
                                       QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size())),
                                       &error)) {
        showError(TranslatedTexts.MSG_Fichier_Ecriture_Impossible + fileName + u'\n' + error);
        return false;
    }
    return true;
}

void UpdateLuminanceMix() { Align_V::ApplyLuminance(); }

void FishEyeAttenuation(kernels::Bitmap24& bitmap, std::int32_t minThreshold, std::int32_t maxThreshold,
                        double linearity, double radiusRatio, std::int32_t maxStarSize)
{
    kernels::FishEyeSettings s;
    s.minDetect = minThreshold;
    s.maxDetect = maxThreshold;
    s.maxStarRadius = maxStarSize;
    s.radiusRatio = radiusRatio;
    s.linearity = linearity;
    kernels::FishEyeAttenuation(bitmap, s, fishEyeCopy());
}

} // namespace Util_Images

// ---- curves -----------------------------------------------------------------------

bool TFRM_Tool_Images::EqualizerOn() const { return CKB_Equal->isChecked(); }

void TFRM_Tool_Images::TRKB_EQChange(int)
{
    if (EqualizerOn())
        Util_Images::ApplyCurves();
}

void TFRM_Tool_Images::BTN_Reset_EQUClick(int k)
{
    setQuietly(track(k), 255);
    Util_Images::ApplyCurves();
    track(k)->setFocus();
}

void TFRM_Tool_Images::BTN_Reset_equalClick()
{
    for (int k = 1; k <= 9; ++k)
        setQuietly(track(k), 255);
    Util_Images::ApplyCurves();
}

void TFRM_Tool_Images::BTN_Lire_EQZClick()
{
    const auto chosen = platform::dialogs().openFile(curveRequest());
    if (chosen && Util_Images::ReadCurvesFile(*chosen))
        Util_Images::ApplyCurves();
}

void TFRM_Tool_Images::BTN_Ecrire_EQZClick()
{
    auto chosen = platform::dialogs().saveFile(curveRequest());
    if (!chosen)
        return;
    if (QFileInfo(*chosen).suffix().isEmpty())
        *chosen += QStringLiteral(".crv");
    Util_Images::WriteCurvesFile(*chosen);
}

// ---- colour mixer, luminance, saturation -----------------------------------------

void TFRM_Tool_Images::UpdateMix(int output)
{
    TcpCoord* const pads[] = {CPC_R, CPC_G, CPC_B};
    QCheckBox* const boxes[] = {CKB_Mix_R, CKB_Mix_G, CKB_Mix_B};
    TCustomNumInp* const multipliers[] = {TNI_Mult_R, TNI_Mult_G, TNI_Mult_B};
    kernels::ChannelMix* const mixes[] = {&ChannelMixR, &ChannelMixG, &ChannelMixB};
    QLineEdit* const readouts[3][3] = {
        {EDT_RR, EDT_RG, EDT_RB}, {EDT_GR, EDT_GG, EDT_GB}, {EDT_BR, EDT_BG, EDT_BB}};
    kernels::ChannelMix& mix = *mixes[output];
    const double x = pads[output]->XCoordinate(), y = pads[output]->YCoordinate();
    mix.Enabled = boxes[output]->isChecked() ? 1 : 0;
    mix.Multiplier = double(multipliers[output]->Value());
    mix.WeightR = (32 - y) / 32;
    mix.WeightG = (1 - mix.WeightR) * (1 - x / 64);
    mix.WeightB = (1 - mix.WeightR) * x / 64;
    const double weights[3] = {mix.WeightR, mix.WeightG, mix.WeightB};
    for (int i = 0; i < 3; ++i)
        readouts[output][i]->setText(QString::number(std::lround(std::nearbyint(100 * weights[i]))));
    Util_Images::RefreshResultImage();
}

void TFRM_Tool_Images::UPD_MultClick(int output)
{
    QSpinBox* const ups[] = {UPD_Mult_R, UPD_Mult_G, UPD_Mult_B};
    TCustomNumInp* const multipliers[] = {TNI_Mult_R, TNI_Mult_G, TNI_Mult_B};
    multipliers[output]->SetValue(ups[output]->value() / 10.0L);
    UpdateMix(output);
}

void TFRM_Tool_Images::FollowMultiplier(int output)
{
    // The up-down steps from the gain shown: a gain read from the settings
    // file moves it too, without running its click.
    QSpinBox* const ups[] = {UPD_Mult_R, UPD_Mult_G, UPD_Mult_B};
    TCustomNumInp* const multipliers[] = {TNI_Mult_R, TNI_Mult_G, TNI_Mult_B};
    const QSignalBlocker quiet(ups[output]);
    ups[output]->setValue(int(std::lround(double(multipliers[output]->Value()) * 10)));
}

void TFRM_Tool_Images::RDB_LRGBClick(bool showPad)
{
    Util_Images::UpdateLuminanceMix();
    for (QWidget* w : {static_cast<QWidget*>(CPC_L), static_cast<QWidget*>(PNL_Lum_R),
                       static_cast<QWidget*>(PNL_Lum_G), static_cast<QWidget*>(PNL_Lum_B),
                       static_cast<QWidget*>(EDT_L_R), static_cast<QWidget*>(EDT_L_G),
                       static_cast<QWidget*>(EDT_L_B)})
        w->setVisible(showPad);
}

void TFRM_Tool_Images::SCB_SaturationChange()
{
    TNI_Saturation->SetValue(SCB_Saturation->value() - 100);
    Util_Images::RefreshResultImage();
}

void TFRM_Tool_Images::TNI_SaturationKeyUp()
{
    SCB_Saturation->setValue(int(std::nearbyint(double(TNI_Saturation->Value()))) + 100);
}

void TFRM_Tool_Images::BTN_Satur_ResetClick() { SCB_Saturation->setValue(100); }

// ---- shadow correction ("FishEye Att.") --------------------------------------------

void TFRM_Tool_Images::RunFrameRoutine()
{
    if (!FRM_Alv || ZoneResetPending)
        return;
    std::uint8_t keep = 0;
    Align_V::ProcessFrame(1, keep, CurrentCameraSlot);
}

void TFRM_Tool_Images::SCB_FishEyeScroll(QScrollBar* bar, int position)
{
    if (bar == SCB_Linearite)
        TNI_Linearite->SetValue(position / 100.0L);
    else if (bar == SCB_Rapport_Rayon)
        TNI_Rapport_Rayon->SetValue(position / 100.0L);
    else if (bar == SCB_Taille_Max_Etoiles)
        TNI_Taille_Max_Etoiles->SetValue(position);
    else if (bar == SCB_Seuil_Min_Detect)
        TNI_Seuil_Min_Detect->SetValue(position);
    else if (bar == SCB_Seuil_Max_Detect)
        TNI_Seuil_Max_Detect->SetValue(position);
    TNI_FishEyeExit();
}

void TFRM_Tool_Images::TNI_FishEyeExit()
{
    if (CKB_Merlan_Auto->isChecked())
        RunFrameRoutine();
}

void TFRM_Tool_Images::CKB_Merlan_AutoClick()
{
    if (FRM_Alv)
        Util_Images::ShowButtonState({FRM_Alv->SPDB_Merlans, FRM_Alv->SPDB_Merlans_B}, QStringLiteral("Merlans16"),
                                     CKB_Merlan_Auto->isChecked());
    RunFrameRoutine();
}

void TFRM_Tool_Images::BTN_MerlanClick()
{
    if (!FRM_Alv)
        return;
    Util_Images::FishEyeAttenuation(FRM_Alv->Image3->Bitmap(), std::int32_t(std::trunc(double(TNI_Seuil_Min_Detect->Value()))),
                                    std::int32_t(std::trunc(double(TNI_Seuil_Max_Detect->Value()))),
                                    double(TNI_Linearite->Value()), double(TNI_Rapport_Rayon->Value()),
                                    std::int32_t(std::trunc(double(TNI_Taille_Max_Etoiles->Value()))));
    FRM_Alv->Image3->Changed();
}

// ---- star search ---------------------------------------------------------------------

namespace {

// The marks of the last search on the source view, and the picture they were
// drawn over.
struct ViewMarks {
    kernels::Bitmap24 unmarked;
    std::vector<QPoint> pixels;

    // Whether the view still carries these marks, i.e. has not been redrawn
    // since (another page is shown, or no frame came). Markers the frame
    // routine merges on top may change a few of them.
    bool standOn(const kernels::Bitmap24& view) const
    {
        if (pixels.empty() || view.width() != unmarked.width() || view.height() != unmarked.height())
            return false;
        std::size_t red = 0;
        for (const QPoint& p : pixels)
            red += kernels::pixel(view, p.x(), p.y()) == Align_V::kRed;
        return red * 10 >= pixels.size() * 9;
    }

    void note(const kernels::Bitmap24& view)
    {
        pixels.clear();
        for (int y = 0; y < view.height(); ++y)
            for (int x = 0; x < view.width(); ++x)
                if (kernels::pixel(view, x, y) == Align_V::kRed && kernels::pixel(unmarked, x, y) != Align_V::kRed)
                    pixels.emplace_back(x, y);
    }
};

// Both buttons search the image shown (Image1) and mark it where it is
// seen: on the source view itself. Slot 1's frame stays as the camera gave
// it, since the result view and the saved pictures are made from it; the
// marks last until the view is redrawn. Until then the search reads the
// picture as it was before them, so that it never finds its own circles and
// numbers; the same marks are drawn again in the same places.
void searchStars(bool flag)
{
    auto* t = FRM_Tool_Images;
    if (!FRM_Alv)
        return;
    static std::vector<QPoint> positions;
    static ViewMarks marks;
    kernels::Bitmap24& view = FRM_Alv->Image1->Bitmap();
    if (!marks.standOn(view))
        marks.unmarked = view;
    StarDetection::FindStars(view, marks.unmarked, t->SPED_Seuil->value(), flag, t->SPED_Tolerance_Secarc->value(),
                             t->SPED_MaxDiam->value(), positions, &FRM_Alv->Image3->Bitmap());
    marks.note(view);
    t->LSB_BSC_OK->clear();
    for (const QPoint& p : positions)
        t->LSB_BSC_OK->addItem(QStringLiteral("%1,%2").arg(p.x()).arg(p.y()));
    FRM_Alv->Image1->Changed();
    FRM_Alv->Image3->Changed();
}

} // namespace

void TFRM_Tool_Images::BTN_FindStarsClick() { searchStars(true); }

void TFRM_Tool_Images::BTN_ShowStarsClick() { searchStars(false); }

void TFRM_Tool_Images::BTN_ClearClick() { LSB_BSC_OK->clear(); }

// ---- file type --------------------------------------------------------------------------

void TFRM_Tool_Images::CBX_TypeFichierChange()
{
    const QString key = CBX_TypeFichier->currentText().left(3);
    const bool avi = key == QLatin1String("AVI"), tfv = key == QLatin1String("TFV"),
               jpg = key == QLatin1String("JPG");
    const bool still = !avi && !tfv && !jpg;
    for (QWidget* w : {static_cast<QWidget*>(CKB_Saut_Numerotation), static_cast<QWidget*>(LBL_Saut_Numerotation),
                       static_cast<QWidget*>(LBL_Saut_Numerotation_2), static_cast<QWidget*>(SPED_Puissance_Saut)})
        w->setVisible(jpg || still);
    LBL_Qualite_Jpeg->setVisible(jpg);
    SPED_Qualite_Jpeg->setVisible(jpg);
    LBL_Compte_Trames->setVisible(avi || tfv);
    EDT_Compte_trames->setVisible(avi || tfv);
    for (QWidget* w : {static_cast<QWidget*>(BTN_AVICompression), static_cast<QWidget*>(EDT_AVICompression),
                       static_cast<QWidget*>(LBL_AVICompression), static_cast<QWidget*>(LBL_Framerate),
                       static_cast<QWidget*>(SPED_Framerate)})
        w->setVisible(avi);
    CKB_Nouvelle_Video->setVisible(false);
    BTN_Enregistrer_Image->setEnabled(still);
    OverwriteWarning();
}

void TFRM_Tool_Images::TNI_Num_SuffixeExit() { OverwriteWarning(); }

// ---- other switches ---------------------------------------------------------------------

void TFRM_Tool_Images::CKB_utiliser_seuilsClick()
{
    if (CKB_utiliser_seuils->isChecked()) {
        Util_Images::EnableLevelControls(true);
        Util_Images::RefreshResultImage();
    } else if (FRM_Alv) {
        Util_Images::DisableLevelControlsUnlessUsed({FRM_Alv->MNU_Cam1_Binning_2x2, FRM_Alv->MNU_Cam2_Binning_2x2,
                                                     FRM_Alv->MNU_Cam1_PoseLongue, FRM_Alv->MNU_Cam2_Poselongue});
    }
}

void TFRM_Tool_Images::CKB_InverseClick() { Util_Images::RefreshResultImage(); }

void TFRM_Tool_Images::CKB_Stop_SaturClick() { SPED_Satur_Limit->setEnabled(CKB_Stop_Satur->isChecked()); }

void TFRM_Tool_Images::SPDB_Ouvrir_DarkClick()
{
    if (FRM_Alv)
        FRM_Alv->MNU_Ouvrir_DarkClick();
    SPDB_Ouvrir_Dark->setDown(false);
}

void TFRM_Tool_Images::SPDB_Ouvrir_FlatClick()
{
    if (FRM_Alv)
        FRM_Alv->MNU_Ouvrir_FlatClick();
    SPDB_Ouvrir_Flat->setDown(false);
}

void TFRM_Tool_Images::FormActivate()
{
    for (TcpCoord* pad : {CPC_R, CPC_G, CPC_B})
        pad->SetPadSize(64, 32);
    CPC_L->SetPadSize(128, 64);
    Util_Images::ShowFreeDiskSpace();
}

// ---- bindings -------------------------------------------------------------------------

void TFRM_Tool_Images::ConnectColourHandlers()
{
    using namespace app;
    for (int k = 1; k <= 9; ++k) {
        QSlider* bar = track(k);
        bar->setRange(0, 510);
        bar->setValue(255);
        bar->setPageStep(16);
        bar->setInvertedAppearance(true);
        pointBox(k)->setChecked(true);
        bindTrackBarChange(bar, Handler([this, k] { TRKB_EQChange(k); }), this);
    }
    CKB_EQ1->setVisible(false);
    CKB_EQ9->setVisible(false);
    QPushButton* const resets[] = {BTN_Reset_EQU1, BTN_Reset_EQU2, BTN_Reset_EQU3, BTN_Reset_EQU4, BTN_Reset_EQU5,
                                   BTN_Reset_EQU6, BTN_Reset_EQU7, BTN_Reset_EQU8, BTN_Reset_EQU9};
    for (int k = 1; k <= 9; ++k)
        bindButtonClick(resets[k - 1], Handler([this, k] { BTN_Reset_EQUClick(k); }), this);
    bindButtonClick(BTN_Reset_equal, this, &TFRM_Tool_Images::BTN_Reset_equalClick);
    bindButtonClick(BTN_Lire_EQZ, this, &TFRM_Tool_Images::BTN_Lire_EQZClick);
    bindButtonClick(BTN_Ecrire_EQZ, this, &TFRM_Tool_Images::BTN_Ecrire_EQZClick);

    TcpCoord* const pads[] = {CPC_R, CPC_G, CPC_B};
    QCheckBox* const mixBoxes[] = {CKB_Mix_R, CKB_Mix_G, CKB_Mix_B};
    QSpinBox* const ups[] = {UPD_Mult_R, UPD_Mult_G, UPD_Mult_B};
    for (int i = 0; i < 3; ++i) {
        pads[i]->OnCoordChange = [this, i](TcpCoord*, int, int) {
            app::runGuarded(QStringLiteral("CPC_Mix"), [this, i] { UpdateMix(i); });
        };
        bindCheckBoxClick(mixBoxes[i], Handler([this, i] { UpdateMix(i); }), this);
        bindSpinEditChange(ups[i], Handler([this, i] { UPD_MultClick(i); }), this);
    }
    CPC_L->OnCoordChange = [](TcpCoord*, int, int) {
        app::runGuarded(QStringLiteral("CPC_L"), [] { Util_Images::UpdateLuminanceMix(); });
    };
    bindRadioClick(RDB_LRGB_Std, Handler([this] { RDB_LRGBClick(false); }), this);
    bindRadioClick(RDB_LRGB_Adaptative, Handler([this] { RDB_LRGBClick(true); }), this);
    bindRadioClick(RDB_LRGB_Adaptative_HC, Handler([this] { RDB_LRGBClick(true); }), this);
    bindScrollBarChange(SCB_Saturation, this, &TFRM_Tool_Images::SCB_SaturationChange);
    bindNumInpExit(TNI_Saturation, this, &TFRM_Tool_Images::TNI_SaturationKeyUp);
    bindEditReturn(TNI_Saturation, Handler([this] { TNI_Saturation->DoExit(); }), this);
    bindButtonClick(BTN_Satur_Reset, this, &TFRM_Tool_Images::BTN_Satur_ResetClick);
    bindRadioClick(RDB_Couleur, Handler([] { Util_Images::RefreshResultImage(); }), this);
    bindRadioClick(RDB_NB, Handler([] { Util_Images::RefreshResultImage(); }), this);
    for (QCheckBox* box : {CKB_Red, CKB_Green, CKB_Blue})
        bindCheckBoxClick(box, Handler([] { Util_Images::RefreshResultImage(); }), this);

    for (QScrollBar* bar : {SCB_Linearite, SCB_Rapport_Rayon, SCB_Taille_Max_Etoiles, SCB_Seuil_Min_Detect,
                            SCB_Seuil_Max_Detect})
        bindScrollBarScroll(bar, [this, bar](int, int& pos) { SCB_FishEyeScroll(bar, pos); }, this);
    bindNumInpExit(TNI_Linearite, this, &TFRM_Tool_Images::TNI_FishEyeExit);
    bindNumInpExit(TNI_Rapport_Rayon, this, &TFRM_Tool_Images::TNI_FishEyeExit);
    bindCheckBoxClick(CKB_Merlan_Auto, this, &TFRM_Tool_Images::CKB_Merlan_AutoClick);
    bindButtonClick(BTN_Merlan, this, &TFRM_Tool_Images::BTN_MerlanClick);

    bindButtonClick(BTN_FindStars, this, &TFRM_Tool_Images::BTN_FindStarsClick);
    bindButtonClick(BTN_ShowStars, this, &TFRM_Tool_Images::BTN_ShowStarsClick);
    bindButtonClick(BTN_Clear, this, &TFRM_Tool_Images::BTN_ClearClick);

    bindComboChange(CBX_TypeFichier, this, &TFRM_Tool_Images::CBX_TypeFichierChange);
    bindCheckBoxClick(CKB_utiliser_seuils, this, &TFRM_Tool_Images::CKB_utiliser_seuilsClick);
    bindCheckBoxClick(CKB_Inverse, this, &TFRM_Tool_Images::CKB_InverseClick);
    bindCheckBoxClick(CKB_Stop_Satur, this, &TFRM_Tool_Images::CKB_Stop_SaturClick);
    CKB_Stop_SaturClick();
    bindSpeedButtonClick(SPDB_Ouvrir_Dark, this, &TFRM_Tool_Images::SPDB_Ouvrir_DarkClick);
    bindSpeedButtonClick(SPDB_Ouvrir_Flat, this, &TFRM_Tool_Images::SPDB_Ouvrir_FlatClick);
    bindNumInpExit(TNI_Num_Suffixe, this, &TFRM_Tool_Images::TNI_Num_SuffixeExit);

    Settings::RegisterHandler(QStringLiteral("FRM_Tool_Images.EqualizerPoints"), [] { Util_Images::ApplyCurves(); });
    for (int i = 0; i < 3; ++i) {
        Settings::RegisterHandler(QStringLiteral("FRM_Tool_Images.UPD_Mult_%1Follow").arg(QLatin1Char("RGB"[i])), [i] {
            if (FRM_Tool_Images)
                FRM_Tool_Images->FollowMultiplier(i);
        });
    }
    Settings::RegisterHandler(QStringLiteral("FRM_Tool_Images.CBX_TypeFichierChange"), [] {
        if (FRM_Tool_Images)
            FRM_Tool_Images->CBX_TypeFichierChange();
    });
}
