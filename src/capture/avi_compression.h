#pragma once
// The AVI codec choice: the compression options record (kept in
// "njpcompress.dat" as one 44-byte record of little-endian 32-bit fields in
// the order below), the list of the codecs a video can be written with, the
// codec-choice dialog, and the parameters of the AVI writer.

#include "capture/avi_writer.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

struct TCompressOptions {
    std::uint32_t fccType = 0;
    std::uint32_t fccHandler = 0;
    std::uint32_t dwKeyFrameEvery = 0;
    std::uint32_t dwQuality = 0;
    std::uint32_t dwBytesPerSecond = 0;
    std::uint32_t dwFlags = 0;
    // The format and parameter fields were pointers in the old record: they
    // are stored as 0 and never read back.
    std::uint32_t lpFormat = 0;
    std::uint32_t cbFormat = 0;
    std::uint32_t lpParms = 0;
    std::uint32_t cbParms = 0;
    std::uint32_t dwInterleaveEvery = 0;
};
constexpr int kCompressOptionsSize = 44;

// dwFlags bits.
constexpr std::uint32_t kCompressInterleave = 0x01;
constexpr std::uint32_t kCompressDataRate = 0x02;
constexpr std::uint32_t kCompressKeyFrames = 0x04;
constexpr std::uint32_t kCompressValid = 0x08;
// Size of the 24-bit bitmap header the format fields describe.
constexpr std::uint32_t kBitmapInfoHeaderSize = 40;

// One codec a video can be written with: its FOURCC (as stored in the
// options record and in the AVI file), the FFmpeg codec behind it and its
// name (AVICompression::CodecName gives the name shown to the user).
struct TAviCodec {
    const char* fourCC;
    int codecId;   // AVCodecID
    const char* name;    // none for the uncompressed frames
    bool hasQuality;     // the quality setting changes the result
    bool hasKeyFrames;   // the key-frame interval changes the result
    bool lossless = false;   // the name is followed by the lossless mark
};

namespace AVICompression {

// The options in force; start values: "vids", no codec (uncompressed), a key
// frame every 18 frames, quality 5000, 153600 bytes per second, flags 0x0E,
// format size 40, interleave 1.
extern TCompressOptions CompressOptions;
// The options hold a user's choice (loaded or chosen in the dialog).
extern bool OptionsLoaded;
TCompressOptions DefaultCompressOptions();

// Reads the record when the file holds exactly 44 bytes and its type is
// "vids"; the pointer fields are cleared. Any other file leaves the options
// as they are. Returns whether it was read.
bool LoadCompressOptions(const QString& fileName);
// Writes the options as one 44-byte record (file replaced atomically), the
// codec code upper case and the pointer fields 0. A failure is shown and
// returns false.
bool SaveCompressOptions(const QString& fileName);

// The four bytes of the code as characters, lowest first.
QString FourCCToStr(std::uint32_t code);
// The first four characters, the first in the lowest byte.
std::uint32_t StrToFourCC(const QString& text);
// The code with its letters upper case.
std::uint32_t UpperFourCC(std::uint32_t code);

// The codecs whose FFmpeg encoder is present, in the order the dialog lists
// them; the first is "DIB " (uncompressed frames).
const std::vector<TAviCodec>& AvailableCodecs();
// The codec with this code (letter case ignored), or nullptr.
const TAviCodec* FindCodec(const QString& code);
// The name shown to the user, in the chosen language.
QString CodecName(const TAviCodec& codec);
// The name of the codec with this code; "Unknown" for a code not listed.
QString GetCodecName(const QString& code);

// The codec dialog: codec, quality and key-frame interval, starting from the
// options in force. On OK the options take the choice (code upper case,
// OptionsLoaded set) and the codec is tried at this size by writing
// "Temp.avi" in the temporary folder (a codec that will not open is said so;
// the file is deleted afterwards). Returns false when cancelled.
bool ChooseCompressor(int width, int height, int rate);

} // namespace AVICompression

// The AVI writer of the image tool, and whether it holds an open file.
extern std::unique_ptr<TAVICompressor> AviWriter;
extern bool AviWriterOpen;
