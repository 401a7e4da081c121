// Frames appended per second to an AVI file, uncompressed and Motion JPEG,
// at 640 x 480 and 1280 x 960. The frames look like a night-sky capture: a
// dark, noisy background with a few bright stars. The file is reopened every
// 30 frames (not timed) so that the benchmark does not fill the disk.
// Then the time the interface waits while a film opens: whole, and cut short
// (its index lost at the end, as when the disk filled during the capture),
// which is read through once to count the frames it holds.

#include "capture/avi_compression.h"
#include "capture/avi_reader.h"
#include "sky_frame.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>


namespace {

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
    const kernels::Bitmap24 frame = SkyFrame(width, height);

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

// A raw 640 x 480 film of state.range(0) frames, whole or cut at 90 %.
void AviOpen(benchmark::State& state, bool cut)
{
    const int frames = static_cast<int>(state.range(0));
    AVICompression::CompressOptions = AVICompression::DefaultCompressOptions();
    AVICompression::CompressOptions.fccHandler = AVICompression::StrToFourCC(QStringLiteral("DIB "));
    AVICompression::AVIParams params;
    AVICompression::InitAVIParams(params, 5000, 30, 153600, 5);
    params.Width = 640;
    params.Height = 480;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("film.avi"));
    const kernels::Bitmap24 frame = SkyFrame(640, 480);
    TAVICompressor writer;
    if (!writer.Open(path, params)) {
        state.SkipWithError("the writer did not open");
        return;
    }
    for (int i = 0; i < frames; ++i)
        writer.WriteFrame(frame);
    writer.Close();
    if (cut) {
        QFile f(path);
        f.resize(f.size() * 9 / 10);
    }
    TAviReader reader;
    for (auto _ : state) {
        if (!reader.Open(path)) {
            state.SkipWithError("the film did not open");
            break;
        }
        benchmark::DoNotOptimize(reader.FrameCount());
        reader.Close();
    }
    state.counters["MB"] = double(QFileInfo(path).size()) / 1e6;
}

} // namespace

BENCHMARK_CAPTURE(AviOpen, whole, false)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(AviOpen, cut, true)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(AviAppend, raw, "DIB ")->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(AviAppend, mjpg, "MJPG")->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMillisecond)->UseRealTime();
