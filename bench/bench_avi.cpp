// Frames appended per second to an AVI file, uncompressed and Motion JPEG,
// at 640 x 480 and 1280 x 960. The frames look like a night-sky capture: a
// dark, noisy background with a few bright stars. The file is reopened every
// 30 frames (not timed) so that the benchmark does not fill the disk.

#include "capture/avi_compression.h"
#include "sky_frame.h"

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

} // namespace

BENCHMARK_CAPTURE(AviAppend, raw, "DIB ")->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(AviAppend, mjpg, "MJPG")->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMillisecond)->UseRealTime();
