// The "Filtres" page of the image tool: the ring levels and the grids of the
// convolution kernel, the kernel files, the filter type and the wavelet
// weights.

#include "tools/frm_tool_images.h"

#include "app/align_v_features.h"
#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "imaging/pipeline_state.h"
#include "imaging/wavelet_module.h"
#include "kernels/rounding.h"
#include "kernels/tool_files.h"
#include "platform/atomic_file.h"
#include "platform/dialog_service.h"
#include "platform/message_service.h"
#include "platform/paths.h"
#include "tools/frm_matdec.h"
#include "tools/util_images.h"
#include "translation/translated_texts.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kRings[] = {1, 3, 5, 7, 9};
constexpr int kSizes[] = {3, 5, 7, 9};
constexpr std::int32_t kCentreReset = 1000;   // the centre's own reset button and "Auto"
constexpr std::int32_t kFilterReset = 900;    // "Reset" of the whole kernel

int ringIndex(int k) { return (k - 1) / 2; }

TCustomNumInp* ringInput(int k)
{
    auto* t = FRM_Tool_Images;
    switch (k) {
    case 1: return t->TNI_Set_1;
    case 3: return t->TNI_Set_3;
    case 5: return t->TNI_Set_5;
    case 7: return t->TNI_Set_7;
    default: return t->TNI_Set_9;
    }
}

QScrollBar* ringBar(int k)
{
    auto* t = FRM_Tool_Images;
    switch (k) {
    case 1: return t->SCB_Set_1;
    case 3: return t->SCB_Set_3;
    case 5: return t->SCB_Set_5;
    case 7: return t->SCB_Set_7;
    default: return t->SCB_Set_9;
    }
}

std::int32_t roundedInput(const TCustomNumInp* input)
{
    const long double v = input->Value();
    if (!std::isfinite(double(v)))
        return 0;
    return std::int32_t(std::clamp<std::int64_t>(kernels::roundHalfEvenToInt(double(v)),
                                                  std::numeric_limits<std::int32_t>::min(),
                                                  std::numeric_limits<std::int32_t>::max()));
}

// A value from code in a ring input, its range widened when needed.
void setRingInput(int k, std::int64_t value)
{
    TCustomNumInp* input = ringInput(k);
    if (input->Max() < value)
        input->SetMax(value + 1);
    if (input->Min() > value)
        input->SetMin(value);
    input->SetValue(value);
}

// Cells that are not 32-bit integers count 0.
std::int32_t cellValue(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : 0;
}

int checkedSize()
{
    auto* t = FRM_Tool_Images;
    if (t->RDB_3x3->isChecked())
        return 3;
    if (t->RDB_5x5->isChecked())
        return 5;
    if (t->RDB_7x7->isChecked())
        return 7;
    if (t->RDB_9x9->isChecked())
        return 9;
    return 0;
}

QRadioButton* sizeRadio(int n)
{
    auto* t = FRM_Tool_Images;
    return n == 3 ? t->RDB_3x3 : n == 5 ? t->RDB_5x5 : n == 7 ? t->RDB_7x7 : t->RDB_9x9;
}

void refreshWhenFiltering()
{
    if (FRM_Tool_Images && FRM_Tool_Images->CKB_Filtre->isChecked())
        Util_Images::RefreshResultImage();
}

void setTextIfChanged(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text)
        edit->setText(text);
}

// Shows the divisor in SPED_Diviseur, its maximum raised when needed; the
// spin edit's change handler stores it in the kernel.
void showDivisor(std::int32_t divisor)
{
    QSpinBox* spin = FRM_Tool_Images->SPED_Diviseur;
    if (spin->maximum() < divisor)
        spin->setMaximum(divisor);
    if (spin->value() != divisor)
        spin->setValue(divisor);
    Util_Images::ConvolutionKernel.Divisor = divisor;
}

// Key and mouse releases of the divisor spin edit.
class ReleaseWatcher : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyRelease || event->type() == QEvent::MouseButtonRelease)
            app::runGuarded(QStringLiteral("SPED_Diviseur"), [] {
                if (FRM_Tool_Images)
                    FRM_Tool_Images->SPED_DiviseurKeyUp();
            });
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

namespace Util_Images {

bool KernelAutoRebuild = true;

void CopyKernelCentres()
{
    auto* m = FRM_Matdec;
    if (!m)
        return;
    for (int n : {7, 5, 3}) {
        const int o = (9 - n) / 2;
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c)
                m->SetCell(n, c, r, m->Cell(9, c + o, r + o));
    }
}

void KernelFromGrid()
{
    auto* t = FRM_Tool_Images;
    auto* m = FRM_Matdec;
    if (!t || !m)
        return;
    auto& k = ConvolutionKernel;
    const int size = checkedSize();
    const int lo = size ? (9 - size) / 2 : 9, hi = size ? 8 - lo : -1;
    std::int64_t sum = 0;
    auto read = [&] {
        sum = 0;
        for (int r = 0; r < 9; ++r)
            for (int c = 0; c < 9; ++c) {
                const std::int32_t v = cellValue(m->Cell(9, c, r));
                k.Coefficients[std::size_t(r * 9 + c)] = v;
                if (r >= lo && r <= hi && c >= lo && c <= hi)
                    sum += v;
            }
    };
    read();
    if (size)
        k.Size = std::uint8_t(size);
    if (t->CKB_Diviseur_Auto->isChecked() && size) {
        const QString centreCell = m->Cell(9, 4, 4);
        if (sum >= 1 && roundedInput(t->TNI_Set_1) != kCentreReset) {
            setRingInput(1, kCentreReset);
            m->SetCell(9, 4, 4, QString::number(kCentreReset));
            read();
        }
        if (sum < 1) {
            const std::int64_t centre = std::int64_t(roundedInput(t->TNI_Set_1)) - sum;
            const std::int64_t kept = std::min<std::int64_t>(centre, std::numeric_limits<std::int32_t>::max());
            setRingInput(1, kept);
            {
                const QSignalBlocker quiet(t->SCB_Set_1);
                t->SCB_Set_1->setValue(int(std::clamp<std::int64_t>(kept, INT32_MIN, INT32_MAX)));
            }
            m->SetCell(9, 4, 4, QString::number(kept));
            read();
        }
        if (m->Cell(9, 4, 4) != centreCell)
            CopyKernelCentres();
        showDivisor(std::int32_t(std::clamp<std::int64_t>(sum, 1, std::numeric_limits<std::int32_t>::max())));
    }
    setTextIfChanged(t->EDT_Total_Filtre, QString::number(sum));
}

void ApplyKernelLevel(int k)
{
    auto* t = FRM_Tool_Images;
    auto* m = FRM_Matdec;
    if (!t || !m)
        return;
    const QString text = QString::number(roundedInput(ringInput(k)));
    const int d = ringIndex(k);
    for (int r = 0; r < 9; ++r)
        for (int c = 0; c < 9; ++c)
            if (std::max(std::abs(r - 4), std::abs(c - 4)) == d)
                m->SetCell(9, c, r, text);
    if (!KernelAutoRebuild)
        return;
    CopyKernelCentres();
    KernelFromGrid();
    refreshWhenFiltering();
}

bool ReadKernelFile(const QString& fileName)
{
    auto* t = FRM_Tool_Images;
    auto* m = FRM_Matdec;
    if (!t || !m)
        return false;
    QFile file(fileName);
    QByteArray bytes;
    if (!QFileInfo(fileName).isDir() && file.open(QIODevice::ReadOnly))
        bytes = file.read(qint64(kernels::ToolFiles::kKernelFileSize));
    const auto record = kernels::ToolFiles::decodeKernel(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())));
    if (!record) {
        platform::messages().show({TranslatedTexts.MSG_Pas_Fichier_Filtre + fileName,
                                   platform::MsgKind::Error, platform::MsgButtons::Ok, {}, {}});
        return false;
    }
    ConvolutionKernel = *record;
    for (int r = 0; r < 9; ++r)
        for (int c = 0; c < 9; ++c)
            m->SetCell(9, c, r, QString::number(record->Coefficients[std::size_t(r * 9 + c)]));
    CopyKernelCentres();
    const int size = record->Size;
    if (size == 3 || size == 5 || size == 7 || size == 9) {
        sizeRadio(size)->setChecked(true);
        t->RDB_SizeClick(size);
    }
    // Each ring becomes uniform from its corner cell, read from the record
    // just before its level is set (a rebuild may have changed the centre).
    for (int k : kRings) {
        const int i = 4 - ringIndex(k);
        setRingInput(k, ConvolutionKernel.Coefficients[std::size_t(i * 9 + i)]);
        t->TNI_Set_Change(k);
    }
    for (int k : kRings) {
        const int i = 4 - ringIndex(k);
        const QSignalBlocker quiet(ringBar(k));
        ringBar(k)->setValue(ConvolutionKernel.Coefficients[std::size_t(i * 9 + i)]);
    }
    showDivisor(std::max<std::int32_t>(ConvolutionKernel.Divisor, 1));
    return true;
}

bool WriteKernelFile(const QString& fileName)
{
    auto* t = FRM_Tool_Images;
    auto* m = FRM_Matdec;
    if (!t || !m)
        return false;
    auto record = ConvolutionKernel;
    if (t->RDB_Deconvolution->isChecked())
        record.Tag = {'D', 'C', 'V'};
    for (int r = 0; r < 9; ++r)
        for (int c = 0; c < 9; ++c)
            record.Coefficients[std::size_t(r * 9 + c)] = cellValue(m->Cell(9, c, r));
    const auto bytes = kernels::ToolFiles::encodeKernel(record);
    QString error;
    if (!platform::WriteFileAtomically(fileName,
                                       QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size())),
                                       &error)) {
        platform::messages().show({TranslatedTexts.MSG_Fichier_Ecriture_Impossible + fileName + u'\n' + error,
                                   platform::MsgKind::Error, platform::MsgButtons::Ok, {}, {}});
        return false;
    }
    return true;
}

} // namespace Util_Images

// ---- ring levels --------------------------------------------------------------

void TFRM_Tool_Images::TNI_Set_Change(int k) { Util_Images::ApplyKernelLevel(k); }

void TFRM_Tool_Images::TNI_Set_Exit(int k)
{
    Util_Images::ApplyKernelLevel(k);
    const QSignalBlocker quiet(ringBar(k));
    ringBar(k)->setValue(roundedInput(ringInput(k)));
}

void TFRM_Tool_Images::SCB_Set_Scroll(int k, int position)
{
    ringInput(k)->SetValue(position);
    TNI_Set_Change(k);
}

void TFRM_Tool_Images::BTN_Reset_SetClick(int k)
{
    const int value = k == 1 ? kCentreReset : 0;
    Util_Images::KernelAutoRebuild = false;
    setRingInput(k, value);
    {
        const QSignalBlocker quiet(ringBar(k));
        ringBar(k)->setValue(value);
    }
    Util_Images::KernelAutoRebuild = true;
    Util_Images::ApplyKernelLevel(k);
}

void TFRM_Tool_Images::BTN_Reset_FiltreClick()
{
    Util_Images::KernelAutoRebuild = false;
    for (int k : {9, 7, 5, 3}) {
        const QSignalBlocker quiet(ringBar(k));
        ringBar(k)->setValue(0);
    }
    for (int k : {9, 7, 5, 3}) {
        setRingInput(k, 0);
        Util_Images::ApplyKernelLevel(k);
    }
    Util_Images::KernelAutoRebuild = true;
    setRingInput(1, kFilterReset);
    {
        const QSignalBlocker quiet(SCB_Set_1);
        SCB_Set_1->setValue(kFilterReset);
    }
    TNI_Set_Change(1);
}

void TFRM_Tool_Images::RDB_SizeClick(int n)
{
    if (FRM_Matdec)
        for (int s : kSizes)
            FRM_Matdec->Grid(s)->setVisible(s == n);
    QWidget* const labels[] = {LBL_Set_1, LBL_Set_3, LBL_Set_5, LBL_Set_7, LBL_Set_9};
    QWidget* const resets[] = {BTN_Reset_Set_1, BTN_Reset_Set_3, BTN_Reset_Set_5, BTN_Reset_Set_7, BTN_Reset_Set_9};
    for (int i = 0; i < 5; ++i) {
        const int k = kRings[i];
        const bool shown = k <= n;
        for (QWidget* w : {static_cast<QWidget*>(ringInput(k)), static_cast<QWidget*>(ringBar(k)), labels[i], resets[i]})
            w->setVisible(shown);
    }
    Util_Images::ConvolutionKernel.Size = std::uint8_t(n);
    refreshWhenFiltering();
}

void TFRM_Tool_Images::SPED_DiviseurChange() { Util_Images::ConvolutionKernel.Divisor = SPED_Diviseur->value(); }

void TFRM_Tool_Images::SPED_DiviseurKeyUp() { refreshWhenFiltering(); }

void TFRM_Tool_Images::CKB_Diviseur_AutoClick() { SCB_Set_1->setEnabled(!CKB_Diviseur_Auto->isChecked()); }

void TFRM_Tool_Images::CKB_ShowMatrixClick()
{
    if (!FRM_Matdec)
        return;
    // Shown as the other tool windows are: whole on the screen, at a first
    // place of its own the first time.
    if (CKB_ShowMatrix->isChecked())
        Systeme::ShowFormOnScreen(FRM_Matdec);
    else
        FRM_Matdec->hide();
}

namespace {

platform::FileDialogRequest filterRequest(const QString& filter)
{
    platform::FileDialogRequest request;
    request.directory = FRM_Pref ? FRM_Pref->FiltersFolder() : QString();
    request.filter = filter;
    return request;
}

QString withExtension(QString name, const QString& extension)
{
    if (QFileInfo(name).suffix().isEmpty())
        name += extension;
    return name;
}

} // namespace

void TFRM_Tool_Images::BTN_Lire_FiltreClick()
{
    const auto chosen = platform::dialogs().openFile(filterRequest(QStringLiteral("Filters (*.flt)")));
    if (chosen && Util_Images::ReadKernelFile(*chosen))
        EDT_NomFiltre->setText(*chosen);
}

void TFRM_Tool_Images::BTN_Ecrire_FiltreClick()
{
    const auto chosen = platform::dialogs().saveFile(filterRequest(QStringLiteral("Filters (*.flt)")));
    if (!chosen)
        return;
    const QString name = withExtension(*chosen, QStringLiteral(".flt"));
    if (Util_Images::WriteKernelFile(name))
        EDT_NomFiltre->setText(name);
}

void TFRM_Tool_Images::STG_MatriceKeyUp(int n)
{
    auto* m = FRM_Matdec;
    if (!m)
        return;
    if (n == 9) {
        Util_Images::CopyKernelCentres();
    } else {
        // The edited grid goes to the 9 x 9, whose centres then fill the
        // other smaller grids.
        const int o = (9 - n) / 2;
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c)
                m->SetCell(9, c + o, r + o, m->Cell(n, c, r));
        Util_Images::CopyKernelCentres();
    }
    Util_Images::KernelFromGrid();
    refreshWhenFiltering();
}

// ---- filter type and wavelets ---------------------------------------------------

namespace {

void showFilterPanel(QWidget* panel)
{
    auto* t = FRM_Tool_Images;
    for (QWidget* p : {static_cast<QWidget*>(t->PNL_Deconvolution), static_cast<QWidget*>(t->PNL_Masqueflou),
                       static_cast<QWidget*>(t->PNL_Ondelettes)})
        p->setVisible(p == panel);
    panel->raise();
}

void freeWavelets()
{
    WaveletModule.reset();
    WaveletWorkBitmap.reset();
}

QScrollBar* waveletBar(int k)
{
    auto* t = FRM_Tool_Images;
    QScrollBar* const bars[] = {t->SCB_Wavelet1, t->SCB_Wavelet2, t->SCB_Wavelet3,
                                t->SCB_Wavelet4, t->SCB_Wavelet5, t->SCB_Wavelet6};
    return bars[k - 1];
}

TCustomNumInp* waveletInput(int k)
{
    auto* t = FRM_Tool_Images;
    TCustomNumInp* const inputs[] = {t->TNI_Wavelet1, t->TNI_Wavelet2, t->TNI_Wavelet3,
                                     t->TNI_Wavelet4, t->TNI_Wavelet5, t->TNI_Wavelet6};
    return inputs[k - 1];
}

} // namespace

void TFRM_Tool_Images::RDB_DeconvolutionClick()
{
    freeWavelets();
    showFilterPanel(PNL_Deconvolution);
}

void TFRM_Tool_Images::RDB_MasqueFlouClick()
{
    freeWavelets();
    showFilterPanel(PNL_Masqueflou);
}

void TFRM_Tool_Images::RDB_OndelettesClick()
{
    showFilterPanel(PNL_Ondelettes);
    const int w = ResultBitmap ? ResultBitmap->width() : 0, h = ResultBitmap ? ResultBitmap->height() : 0;
    if (!WaveletModule) {
        WaveletModule = std::make_unique<TWaveletModule>(this);
        if (w > 0 && h > 0)
            WaveletModule->Wavelet().SetSize(w, h, 6);
    }
    if (!WaveletWorkBitmap) {
        WaveletWorkBitmap = std::make_unique<kernels::TNJBitmap>();
        WaveletWorkBitmap->SetWidth(w);
        WaveletWorkBitmap->SetHeight(h);
    }
}

// The box's state (clicked, or set by a script) goes to the main window's
// filter button, the thresholds and the result.
void TFRM_Tool_Images::CKB_FiltreClick() { Align_V::ApplyFilter(); }

void TFRM_Tool_Images::SPED_Repete_FiltreChange() { refreshWhenFiltering(); }

void TFRM_Tool_Images::SCB_WaveletChange(int k)
{
    waveletInput(k)->SetValue(waveletBar(k)->value());
    refreshWhenFiltering();
}

void TFRM_Tool_Images::BTN_Reset_WaveletClick(int k) { waveletBar(k)->setValue(0); }

// ---- bindings -------------------------------------------------------------------

void TFRM_Tool_Images::ConnectFilterHandlers()
{
    using namespace app;
    for (int k : kRings) {
        TCustomNumInp* input = ringInput(k);
        bindNumInpExit(input, Handler([this, k] { TNI_Set_Exit(k); }), this);
        bindEditReturn(input, Handler([input] { input->DoExit(); }), this);
        bindScrollBarScroll(ringBar(k), [this, k](int, int& pos) { SCB_Set_Scroll(k, pos); }, this);
    }
    QPushButton* const resets[] = {BTN_Reset_Set_1, BTN_Reset_Set_3, BTN_Reset_Set_5, BTN_Reset_Set_7, BTN_Reset_Set_9};
    for (int i = 0; i < 5; ++i)
        bindButtonClick(resets[i], Handler([this, k = kRings[i]] { BTN_Reset_SetClick(k); }), this);
    bindButtonClick(BTN_Reset_Filtre, this, &TFRM_Tool_Images::BTN_Reset_FiltreClick);
    for (int n : kSizes)
        bindRadioClick(sizeRadio(n), Handler([this, n] { RDB_SizeClick(n); }), this);
    bindSpinEditChange(SPED_Diviseur, this, &TFRM_Tool_Images::SPED_DiviseurChange);
    SPED_Diviseur->installEventFilter(new ReleaseWatcher(SPED_Diviseur));
    bindCheckBoxClick(CKB_Diviseur_Auto, this, &TFRM_Tool_Images::CKB_Diviseur_AutoClick);
    bindCheckBoxClick(CKB_ShowMatrix, this, &TFRM_Tool_Images::CKB_ShowMatrixClick);
    bindButtonClick(BTN_Lire_Filtre, this, &TFRM_Tool_Images::BTN_Lire_FiltreClick);
    bindButtonClick(BTN_Ecrire_Filtre, this, &TFRM_Tool_Images::BTN_Ecrire_FiltreClick);

    bindRadioClick(RDB_Deconvolution, this, &TFRM_Tool_Images::RDB_DeconvolutionClick);
    bindRadioClick(RDB_MasqueFlou, this, &TFRM_Tool_Images::RDB_MasqueFlouClick);
    bindRadioClick(RDB_Ondelettes, this, &TFRM_Tool_Images::RDB_OndelettesClick);
    bindSpinEditChange(SPED_Repete_Filtre, this, &TFRM_Tool_Images::SPED_Repete_FiltreChange);
    QPushButton* const waveletResets[] = {BTN_Reset_Wavelet1, BTN_Reset_Wavelet2, BTN_Reset_Wavelet3,
                                          BTN_Reset_Wavelet4, BTN_Reset_Wavelet5, BTN_Reset_Wavelet6};
    for (int k = 1; k <= 6; ++k) {
        bindScrollBarChange(waveletBar(k), Handler([this, k] { SCB_WaveletChange(k); }), this);
        bindButtonClick(waveletResets[k - 1], Handler([this, k] { BTN_Reset_WaveletClick(k); }), this);
    }

    // Names other windows and the settings loader run.
    for (int k : kRings) {
        Settings::RegisterHandler(QStringLiteral("FRM_Tool_Images.TNI_Set_%1Change").arg(k), [k] {
            if (FRM_Tool_Images)
                FRM_Tool_Images->TNI_Set_Change(k);
        });
        Settings::RegisterHandler(QStringLiteral("FRM_Tool_Images.TNI_Set_%1Exit").arg(k), [k] {
            if (FRM_Tool_Images)
                FRM_Tool_Images->TNI_Set_Exit(k);
        });
    }
    for (int n : kSizes)
        Settings::RegisterHandler(QStringLiteral("FRM_Tool_Images.RDB_%1x%1Click").arg(n), [n] {
            if (FRM_Tool_Images)
                FRM_Tool_Images->RDB_SizeClick(n);
        });
    Settings::RegisterHandler(QStringLiteral("FRM_Tool_Images.RDB_DeconvolutionClick"), [] {
        if (FRM_Tool_Images)
            FRM_Tool_Images->RDB_DeconvolutionClick();
    });
    Settings::RegisterHandler(QStringLiteral("FRM_Tool_Images.RDB_MasqueFlouClick"), [] {
        if (FRM_Tool_Images)
            FRM_Tool_Images->RDB_MasqueFlouClick();
    });
    Settings::RegisterHandler(QStringLiteral("FRM_Tool_Images.RDB_OndelettesClick"), [] {
        if (FRM_Tool_Images)
            FRM_Tool_Images->RDB_OndelettesClick();
    });
    Settings::RegisterHandler(QStringLiteral("FRM_Tool_Images.CKB_FiltreClick"), [] {
        if (FRM_Tool_Images)
            FRM_Tool_Images->CKB_FiltreClick();
    });
}
