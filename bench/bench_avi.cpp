// Frames appended per second to an AVI file, uncompressed and Motion JPEG,
// at 640 x 480 and 1280 x 960. The frames look like a night-sky capture: a
// dark, noisy background with a few bright stars. The file is reopened every
// 30 frames (not timed) so that the benchmark does not fill the disk.

#include "capture/avi_compression.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <random>

namespace {

kernels::Bitmap24 skyFrame(int width, int height)
{
    kernels::Bitmap24 b(width, height);
    std::mt19937 random(42);
    std::normal_distribution<double> noise(20.0, 4.0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x)
            b.scanLine(y)[x] = static_cast<std::uint8_t>(std::clamp(noise(random), 0.0, 255.0));
    std::uniform_int_distribution<int> px(4, width - 5), py(4, height - 5);
    for (int star = 0; star < 40; ++star) {
        const int cx = px(random), cy = py(random);
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const int level = 255 - 30 * (dx * dx + dy * dy);
                if (level > 0)
                    std::fill_n(b.scanLine(cy + dy) + 3 * (cx + dx), 3, static_cast<std::uint8_t>(level));
            }
    }
    return b;
}

void AviAppend(benchmark::State& state, const char* code)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    AVICompression::CompressOptions = AVICompression::DefaultCompressOptions();
    AVICompression::CompressOptions.fccHandler = AVICompression::StrToFourCC(QLatin1String(code));
    AVICompression::AVIParams params;
    AVICompression::InitAVIParams(params, 5000, 30, 153600, 5);
    params.Width = width;
    params.Height = height;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.avi"));
    const kernels::Bitmap24 frame = skyFrame(width, height);

    TAVICompressor writer;
    if (!writer.Open(path, params)) {
        state.SkipWithError("the writer did not open");
        return;
    }
    int sinceOpen = 0;
    for (auto _ : state) {
        if (writer.WriteFrame(frame) != 0) {
            state.SkipWithError("a frame was not written");
            break;
        }
        if (++sinceOpen == 30) {
            state.PauseTiming();
            writer.Close();
            writer.Open(path, params);
            sinceOpen = 0;
            state.ResumeTiming();
        }
    }
    writer.Close();
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK_CAPTURE(AviAppend, raw, "DIB ")->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(AviAppend, mjpg, "MJPG")->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMillisecond)->UseRealTime();
