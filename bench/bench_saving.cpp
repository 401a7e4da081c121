// Saves per second of each image format the image tool writes, at 640 x 480
// and 1280 x 960, on one core: BMP, JPEG at quality 80, 16-bit PNG at zlib
// levels 1 and 6, 16-bit TIFF, and a page appended to a multi-page TIFF.
// The pictures look like a night-sky capture: a dark noisy background with
// bright stars; the 16-bit one like a stack of 64 such frames in plane 5.
// Every single file gets a new name, as in a sequence; every 30 saves the
// files are removed (not timed) so that the disk does not fill, and the
// multi-page file is started again.

#include "kernels/image_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

using namespace kernels;

namespace {

constexpr int kStride = 1281;   // pixels a row of a deep plane

struct Star {
    int x, y;
};

std::vector<Star> stars(int width, int height, std::mt19937& random)
{
    std::uniform_int_distribution<int> px(4, width - 5), py(4, height - 5);
    std::vector<Star> s(40);
    for (Star& star : s)
        star = {px(random), py(random)};
    return s;
}

Bitmap24 skyFrame(int width, int height)
{
    Bitmap24 b(width, height);
    std::mt19937 random(42);
    std::normal_distribution<double> noise(20.0, 4.0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x)
            b.scanLine(y)[x] = std::uint8_t(std::clamp(noise(random), 0.0, 255.0));
    for (const Star& s : stars(width, height, random))
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const int level = 255 - 30 * (dx * dx + dy * dy);
                if (level > 0)
                    std::fill_n(b.scanLine(s.y + dy) + 3 * (s.x + dx), 3, std::uint8_t(level));
            }
    return b;
}

std::vector<std::uint16_t> skyStack(int width, int height)
{
    std::vector<std::uint16_t> words(std::size_t(kStride) * height * 4, 0);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(1280.0, 32.0);   // 64 frames of level 20
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                words[(std::size_t(y) * kStride + x) * 4 + c] = std::uint16_t(std::clamp(noise(random), 0.0, 65280.0));
    for (const Star& s : stars(width, height, random))
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const int level = 65280 - 7000 * (dx * dx + dy * dy);
                if (level > 0)
                    std::fill_n(&words[(std::size_t(s.y + dy) * kStride + s.x + dx) * 4], 3, std::uint16_t(level));
            }
    return words;
}

enum class Format { Bmp, Jpeg, Png1, Png6, Tiff, TiffPage };

void Save(benchmark::State& state, Format format)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    QTemporaryDir dir;
    const Bitmap24 frame = skyFrame(width, height);
    const std::vector<std::uint16_t> words = skyStack(width, height);
    const Deep16Image deep{words.data(), std::ptrdiff_t(kStride) * 4, width, height};
    const QString base = dir.filePath(QStringLiteral("bench"));
    TiffPageWriter pages;
    if (format == Format::TiffPage && !pages.open(base + ".tif")) {
        state.SkipWithError("the multi-page file did not open");
        return;
    }
    int saves = 0;
    for (auto _ : state) {
        const QString path = base + QString::number(saves % 30);
        bool ok = false;
        switch (format) {
        case Format::Bmp:
            ok = ImageFiles::WriteBmp24(path + ".bmp", frame);
            break;
        case Format::Jpeg:
            ok = ImageFiles::WriteJpeg(path + ".jpg", frame, 80);
            break;
        case Format::Png1:
            ok = ImageFiles::WritePng48(path + ".png", deep, 1);
            break;
        case Format::Png6:
            ok = ImageFiles::WritePng48(path + ".png", deep, 6);
            break;
        case Format::Tiff:
            ok = ImageFiles::WriteTiff48(path + ".tif", deep);
            break;
        case Format::TiffPage:
            ok = pages.addPage(deep);
            break;
        }
        if (ok && ++saves % 30 == 0) {
            state.PauseTiming();
            if (format == Format::TiffPage) {
                pages.close();
                ok = pages.open(base + ".tif");
            } else {
                for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
                    QFile::remove(dir.filePath(name));
            }
            state.ResumeTiming();
        }
        if (!ok) {
            state.SkipWithError("a save failed");
            break;
        }
    }
    state.counters["saves/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void Sizes(benchmark::internal::Benchmark* b)
{
    b->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

BENCHMARK_CAPTURE(Save, Bmp, Format::Bmp)->Apply(Sizes);
BENCHMARK_CAPTURE(Save, JpegQ80, Format::Jpeg)->Apply(Sizes);
BENCHMARK_CAPTURE(Save, Png16Zlib1, Format::Png1)->Apply(Sizes);
BENCHMARK_CAPTURE(Save, Png16Zlib6, Format::Png6)->Apply(Sizes);
BENCHMARK_CAPTURE(Save, Tiff16, Format::Tiff)->Apply(Sizes);
BENCHMARK_CAPTURE(Save, TiffPage, Format::TiffPage)->Apply(Sizes);
