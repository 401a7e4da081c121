// The paint of a 640 x 480 image view, offscreen onto a 32-bit surface as
// the screen's backing store is: the 24-bit picture drawn as it is (each
// paint converts it, what the views did), a view painted again with no new
// frame, and a view painted after each new frame (converted once).

#include "app/image_view.h"

#include <benchmark/benchmark.h>

#include <QPainter>

#include "qt_main.h"

namespace {

constexpr int kW = 640, kH = 480;

void fill(kernels::Bitmap24& b)
{
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width() * 3; ++x)
            b.scanLine(y)[x] = std::uint8_t(x * 7 + y * 13);
}

void BM_PaintBgr24EachTime(benchmark::State& state)
{
    kernels::Bitmap24 picture(kW, kH);
    fill(picture);
    QImage surface(kW, kH, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&surface);
        p.drawImage(0, 0, picture.view());
    }
}
BENCHMARK(BM_PaintBgr24EachTime)->Unit(benchmark::kMicrosecond);

void BM_ViewPaint(benchmark::State& state)
{
    const bool newFrame = state.range(0) != 0;
    TImageView view;
    view.SetOpaqueStyle();
    view.resize(kW, kH);
    view.SetPictureSize(kW, kH);
    fill(view.Bitmap());
    QImage surface(kW, kH, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        if (newFrame)
            view.Changed();
        view.render(&surface);
    }
    state.SetLabel(newFrame ? "a new frame each paint" : "no new frame");
}
BENCHMARK(BM_ViewPaint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
