#pragma once
// The AVI writer: one file of 24-bit frames of one size, stored uncompressed
// (bottom-up rows padded to 4 bytes, as bitmaps are) or through the codec of
// the compression options, written with FFmpeg.
//
// Every failure is shown through the message service by the writer itself,
// once, and given back as a negative result; callers need not show it again.
// A failed write closes the file cleanly, keeping the frames already written.

#include "kernels/bitmap24.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace AVICompression {

// Parameters of TAVICompressor::Open. Open reads Width, Height, Quality,
// Rate, Name and Compress; the codec always comes from CompressOptions.
struct AVIParams {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    QString Codec = QStringLiteral("DIVX");   // at most 4 characters
    std::int32_t Quality = 0;                 // stream quality 0..10000
    std::int32_t Rate = 0;                    // frames per second
    QString Name;                             // stream name, at most 63 characters
    std::int32_t Value1 = 0;                  // two values kept for the caller
    std::int32_t Value2 = 0;
    std::int32_t Flags = 14;
    bool Compress = true;                     // compress with CompressOptions' codec
    bool Flag2 = true;
};

// Width and height 0, codec "DIVX", the quality and rate given, no name, the
// two caller values, flags 14, both flags true.
void InitAVIParams(AVIParams& params, std::int32_t quality, std::int32_t rate, std::int32_t value1,
                   std::int32_t value2);

} // namespace AVICompression

class TAVICompressor {
public:
    TAVICompressor();
    virtual ~TAVICompressor();
    TAVICompressor(const TAVICompressor&) = delete;
    TAVICompressor& operator=(const TAVICompressor&) = delete;

    // Replaces fileName by a new AVI of params' size and rate. Without
    // Compress, or with no codec chosen ("DIB " or 0), frames are stored
    // uncompressed; a code that is not in the codec list falls back to
    // uncompressed frames with a message. Returns false (after a message,
    // with nothing left open and no file left behind) when the file cannot
    // be created or the codec will not open at this size.
    bool Open(const QString& fileName, const AVICompression::AVIParams& params);

    // Appends one frame. A frame of another size than the opened one is
    // refused (the file stays open). Returns 0, or a negative code: not open,
    // wrong size, or a write failure (which closes the file).
    int WriteFrame(const kernels::Bitmap24& frame);

    // Writes the end of the file and releases it; harmless when nothing is
    // open. Returns 0, or a negative code when the end could not be written.
    int Close();

    bool IsOpen() const;
    QString FileName() const { return fileName_; }
    // The code the frames are written with ("DIB " when uncompressed).
    QString CodecCode() const { return codecCode_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Next frame number; frames and bytes handed to the file by the last write.
    std::int32_t FrameIndex() const { return frameIndex_; }
    std::int32_t SamplesWritten() const { return samplesWritten_; }
    std::int32_t BytesWritten() const { return bytesWritten_; }

    // Result codes besides FFmpeg's own (negative) errors.
    static constexpr int kNotOpen = -1;
    static constexpr int kWrongSize = -2;

private:
    struct State;
    void patchImageSize();
    int appendRaw(const kernels::Bitmap24& frame);
    int appendEncoded(const kernels::Bitmap24& frame);
    int drainEncoder();
    int writePacket(void* packet);
    void fail(const QString& text);
    int release(bool writeTrailer);

    std::unique_ptr<State> state_;
    QString fileName_;
    QString codecCode_;
    int width_ = 0;
    int height_ = 0;
    std::int32_t frameIndex_ = 0;
    std::int32_t samplesWritten_ = 0;
    std::int32_t bytesWritten_ = 0;
    bool sizeRefusalShown_ = false;
};
