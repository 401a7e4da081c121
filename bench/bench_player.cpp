// Frames a second the player reads from its file sources at 1280 x 960,
// played in order: BMP and JPEG pictures (a list of ten files, read again
// and again) and AVI films, uncompressed and Motion JPEG. Each frame is read
// from the file and decoded into the slot's 24-bit bitmap, as the player's
// step does before the frame goes to the pipeline.

#include "capture/avi_compression.h"
#include "capture/avi_reader.h"
#include "capture/avi_writer.h"
#include "capture/file_sources.h"
#include "kernels/image_files.h"
#include "sky_frame.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kWidth = 1280, kHeight = 960, kFiles = 10;


void Pictures(benchmark::State& state, bool jpeg)
{
    QTemporaryDir dir;
    QStringList files;
    for (int i = 0; i < kFiles; ++i) {
        const QString name = dir.filePath(QStringLiteral("f%1.%2").arg(i).arg(jpeg ? "jpg" : "bmp"));
        const kernels::Bitmap24 frame = SkyFrame(kWidth, kHeight, unsigned(i));
        if (!(jpeg ? kernels::ImageFiles::WriteJpeg(name, frame, 90) : kernels::ImageFiles::WriteBmp24(name, frame))) {
            state.SkipWithError("the pictures were not written");
            return;
        }
        files << name;
    }
    kernels::Bitmap24 live(kWidth, kHeight);
    int i = 0;
    for (auto _ : state) {
        if (!FileSources::LoadPictureFile(live, files[i])) {
            state.SkipWithError("a picture was not read");
            break;
        }
        i = (i + 1) % kFiles;
    }
    state.counters["frames"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

void Film(benchmark::State& state, const char* code)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("film.avi"));
    AVICompression::CompressOptions = AVICompression::DefaultCompressOptions();
    AVICompression::CompressOptions.fccHandler = AVICompression::StrToFourCC(QLatin1String(code));
    AVICompression::AVIParams params;
    AVICompression::InitAVIParams(params, 8000, 30, 0, 0);
    params.Width = kWidth;
    params.Height = kHeight;
    {
        TAVICompressor writer;
        if (!writer.Open(path, params)) {
            state.SkipWithError("the film was not written");
            return;
        }
        for (int i = 0; i < 30; ++i)
            writer.WriteFrame(SkyFrame(kWidth, kHeight, unsigned(i)));
    }
    TAviReader reader;
    if (!reader.Open(path)) {
        state.SkipWithError("the film did not open");
        return;
    }
    kernels::Bitmap24 live(kWidth, kHeight);
    int i = 0;
    for (auto _ : state) {
        if (!reader.ReadFrame(i, live)) {
            state.SkipWithError("a frame was not read");
            break;
        }
        i = (i + 1) % reader.FrameCount();
    }
    state.counters["frames"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK_CAPTURE(Pictures, BMP, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Pictures, JPEG, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Film, RawAvi, "DIB ")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Film, MjpgAvi, "MJPG")->Unit(benchmark::kMillisecond)->UseRealTime();
