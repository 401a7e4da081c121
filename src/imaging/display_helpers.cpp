#include "imaging/display_helpers.h"

#include "kernels/frame_rows.h"

#include "app/frm_alv.h"
#include "app/settings.h"
#include "imaging/pipeline_state.h"
#include "platform/memory_status.h"
#include "platform/message_service.h"
#include "scripting/frm_progress.h"
#include "tools/frm_ressources.h"
#include "tools/frm_tool_images.h"
#include "tools/util_images.h"
#include "translation/translated_texts.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace Align_V {

namespace testing {
int failRingAllocationAt = 0;
}

namespace {

TFRM_Progress* ringProgress()
{
    if (FRM_Alv && FRM_Alv->ExtraProgress)
        return FRM_Alv->ExtraProgress;
    return FRM_Progress;
}

// The ring's count is a 16-bit number.
constexpr std::int32_t kMaxRingBitmaps = 65535;
// The memory is looked at again after each 256 MiB of the ring.
constexpr std::uint64_t kBudgetRecheckBytes = std::uint64_t(256) << 20;

} // namespace

std::uint8_t GetIntegrationKind()
{
    if (!FRM_Tool_Images)
        return 0;
    const auto* t = FRM_Tool_Images;
    if (t->RDB_Unique->isChecked() || t->RDB_Boucle->isChecked())
        return 0;
    if (!t->CKB_Integration->isChecked())
        return 0;
    if (t->RDB_Dark->isChecked())
        return 1;
    if (t->RDB_Flat->isChecked())
        return 2;
    return 0;
}

std::int32_t AllocFrameRing(std::int32_t count, std::int32_t width, std::int32_t height, std::uint8_t)
{
    if (FrameRingAllocated)
        FreeFrameRing(FrameRingCount);
    FrameRingCount = 0;
    if (count <= 0)
        return 0;
    width = std::max(width, 0);
    height = std::max(height, 0);
    TFRM_Progress* progress = ringProgress();
    const auto report = [progress](const QString& text) {
        if (progress)
            progress->close();
        platform::messages().show({text, platform::MsgKind::Error, platform::MsgButtons::Ok,
                                   QStringLiteral("AllocFrameRing"), {}});
    };
    const auto fail = [&report](const QString& text) {
        FrameRing.clear();
        FrameRingAllocated = false;
        FrameRingCount = 0;
        report(text);
        return 0;
    };

    // Under overcommit an allocation beyond the memory does not fail: the
    // process is killed later, when the pages are first written. So the ring
    // is sized to the memory budget (available memory less a margin, looked
    // at again as the ring grows) and a hard cap, and each bitmap's pages are
    // written (zero-filled) as it is made. A ring cut short is reported and
    // kept; the caller shows how many bitmaps were made.
    const std::uint64_t bytesEach =
        std::max<std::uint64_t>(std::uint64_t(kernels::Bitmap24::strideFor(width)) * std::uint64_t(height), 1);
    std::uint64_t budget = platform::memoryBudgetBytes();
    const std::int32_t wanted = std::min(count, kMaxRingBitmaps);
    const std::int32_t target = std::int32_t(std::min<std::uint64_t>(std::uint64_t(wanted), budget / bytesEach));
    if (target == 0)
        return fail(TranslatedTexts.MSG_Buffer_Too_Large);

    if (progress)
        progress->SetProgress(TranslatedTexts.MSG_Prepare_Buffer, 1, 100);
    std::int32_t made = 0;
    try {
        FrameRing.clear();
        FrameRing.resize(std::size_t(target) + 1);
        std::uint64_t sinceCheck = 0;
        for (int i = 1; i <= target; ++i) {
            if (sinceCheck >= kBudgetRecheckBytes) {
                budget = platform::memoryBudgetBytes();
                sinceCheck = 0;
            }
            if (sinceCheck + bytesEach > budget)
                break;
            if (progress)
                progress->SetProgress(TranslatedTexts.MSG_Prepare_Buffer, int(std::trunc(100.0 / target * i)), 100);
            if (testing::failRingAllocationAt > 0 && i == testing::failRingAllocationAt)
                throw std::bad_alloc();
            auto bmp = std::make_unique<kernels::Bitmap24>();
            if (!bmp->resize(width, height))
                throw std::bad_alloc();
            FrameRing[std::size_t(i)] = std::move(bmp);
            made = i;
            sinceCheck += bytesEach;
        }
    } catch (const std::bad_alloc&) {
        return fail(TranslatedTexts.MSG_Buffer_Too_Large);
    }
    FrameRing.resize(std::size_t(made) + 1);
    ShowMemoryStatus();
    if (progress)
        progress->SetProgress(TranslatedTexts.MSG_Prepare_Buffer, 100, 100);
    FrameRingAllocated = true;
    FrameRingCount = made;
    if (made < count)
        report(TranslatedTexts.MSG_Buffer_Too_Large + QStringLiteral(" (") + QString::number(made) + QLatin1Char(')'));
    return made;
}

void FreeFrameRing(std::int32_t count)
{
    const std::size_t n = std::min<std::size_t>(std::size_t(std::max(count, 0)) + 1, FrameRing.size());
    for (std::size_t i = 1; i < n; ++i)
        FrameRing[i].reset();
    if (std::none_of(FrameRing.begin(), FrameRing.end(), [](const auto& b) { return bool(b); }))
        FrameRing.clear();
    ShowMemoryStatus();
    FrameRingAllocated = false;
}

void ShowMemoryStatus()
{
    if (!FRM_Ressources)
        return;
    const auto s = platform::readMemoryStatus();
    if (!s)
        return;
    auto* r = FRM_Ressources;
    r->EDT_Memoryload->setText(QString::number(s->loadPercent));
    r->EDT_TotalPhys->setText(QString::number(s->totalPhys));
    r->EDT_AvailPhys->setText(QString::number(s->availPhys));
    r->EDT_TotalPageFile->setText(QString::number(s->totalPageFile));
    r->EDT_AvailPageFile->setText(QString::number(s->availPageFile));
    r->EDT_TotalVirtual->setText(QString::number(s->totalVirtual));
    r->EDT_AvailVirtual->setText(QString::number(s->availVirtual));
}

void ApplyFishEyeAttenuation()
{
    if (!FRM_Tool_Images || !FRM_Alv || !FRM_Tool_Images->CKB_Merlan_Auto->isChecked())
        return;
    const auto* t = FRM_Tool_Images;
    Util_Images::FishEyeAttenuation(FRM_Alv->Image3->Bitmap(), std::int32_t(std::trunc(double(t->TNI_Seuil_Min_Detect->Value()))),
                                    std::int32_t(std::trunc(double(t->TNI_Seuil_Max_Detect->Value()))),
                                    double(t->TNI_Linearite->Value()), double(t->TNI_Rapport_Rayon->Value()),
                                    std::int32_t(std::trunc(double(t->TNI_Taille_Max_Etoiles->Value()))));
    FRM_Alv->Image3->Changed();
}

void BlendIntoBitmap(const kernels::Bitmap24& source, const kernels::Rect& sourceRect,
                     kernels::Bitmap24& destination, std::int32_t n, const kernels::Rect& destRect)
{
    const kernels::BlendTables tables(n);
    const kernels::Rect clip = kernels::boundsOf(destination);
    int dx0, sx0, dy0, sy0;
    if (destRect.left >= 0) {
        dx0 = destRect.left;
        sx0 = sourceRect.left;
    } else {
        dx0 = 0;
        sx0 = -destRect.left;
    }
    if (destRect.top >= 0) {
        dy0 = destRect.top;
        sy0 = sourceRect.top;
    } else {
        dy0 = 0;
        sy0 = -destRect.top;
    }
    const int sxEnd = clip.right >= destRect.right ? sourceRect.right : sourceRect.right - (destRect.right - clip.right);
    const int syEnd =
        clip.bottom >= destRect.bottom ? sourceRect.bottom : sourceRect.bottom - (destRect.bottom - clip.bottom);
    // The columns whose source and destination both lie inside their bitmaps.
    const std::int64_t first = std::max<std::int64_t>({0, -std::int64_t(sx0), -std::int64_t(dx0)});
    const std::int64_t last = std::min<std::int64_t>({std::int64_t(sxEnd) - sx0, std::int64_t(source.width()) - sx0,
                                                      std::int64_t(destination.width()) - dx0});
    if (last <= first)
        return;
    for (int sy = sy0, dy = dy0; sy < syEnd; ++sy, ++dy) {
        if (!source.contains(0, sy) || !destination.contains(0, dy))
            continue;
        kernels::BlendRow(destination.scanLine(dy) + 3 * (dx0 + first), source.scanLine(sy) + 3 * (sx0 + first),
                          int(3 * (last - first)), tables);
    }
}

void Upscale2x(const kernels::Bitmap24& source, kernels::Bitmap24& destination)
{
    // Output pixel (2x + i, 2y + j) is the mean of source columns x - 1 + i,
    // x + i and rows y - 1 + j, y + j, the edges repeated. Output rows 2y - 1
    // and 2y read the same two rows, and output columns 2x - 1 and 2x the
    // same two columns: each such pair is computed once.
    const int W = source.width(), H = source.height();
    if (W <= 0 || H <= 0)
        return;
    const int DW = std::min(destination.width(), 2 * W);
    const int DH = std::min(destination.height(), 2 * H);
    // Kept between calls: a frame allocates nothing once the widest was seen.
    thread_local std::vector<std::uint16_t> pairSums;
    thread_local std::vector<std::uint8_t> means;
    if (pairSums.size() < std::size_t(W) * 3)
        pairSums.resize(std::size_t(W) * 3);
    if (means.size() < std::size_t(W + 1) * 3)
        means.resize(std::size_t(W + 1) * 3);
    std::uint16_t* v = pairSums.data();
    std::uint8_t* m = means.data();
    int previousTop = -1, previousBottom = -1;
    const std::uint8_t* previous = nullptr;
    for (int dy = 0; dy < DH; ++dy) {
        const int y = dy / 2, j = dy % 2;
        const int top = std::clamp(y - 1 + j, 0, H - 1), bottom = std::clamp(y + j, 0, H - 1);
        std::uint8_t* d = destination.scanLine(dy);
        if (top == previousTop && bottom == previousBottom) {
            std::memcpy(d, previous, std::size_t(DW) * 3);
            previous = d;
            continue;
        }
        const std::uint8_t* r0 = source.scanLine(top);
        const std::uint8_t* r1 = source.scanLine(bottom);
        for (int k = 0; k < W * 3; ++k)
            v[k] = std::uint16_t(r0[k] + r1[k]);
        // m[x]: the mean of columns x - 1 and x (x = 0 .. W, edges repeated).
        for (int c = 0; c < 3; ++c) {
            m[c] = std::uint8_t((2 * v[c]) >> 2);
            m[W * 3 + c] = std::uint8_t((2 * v[(W - 1) * 3 + c]) >> 2);
        }
        for (int k = 3; k < W * 3; ++k)
            m[k] = std::uint8_t((v[k - 3] + v[k]) >> 2);
        // Output column dx takes m[(dx + 1) / 2].
        for (int dx = 0; dx < DW; ++dx) {
            const std::uint8_t* p = m + ((dx + 1) / 2) * 3;
            d[dx * 3] = p[0];
            d[dx * 3 + 1] = p[1];
            d[dx * 3 + 2] = p[2];
        }
        previousTop = top;
        previousBottom = bottom;
        previous = d;
    }
}

double DriftScaleAngle(double distance)
{
    const double T = ProcedureElapsed;
    if (distance > 0 && T >= 2.0)
        return 15.041017 * T / distance / 648000 * M_PI;
    return M_PI / 648000;
}

double PixelSizeFromAngle(double angle)
{
    return std::tan(angle) * double(EffectiveFocalLength) * 1000;
}

} // namespace Align_V
