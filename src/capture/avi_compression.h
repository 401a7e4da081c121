#pragma once
// The AVI codec choice ("njpcompress.dat", one 44-byte record of the old
// compression options, little-endian 32-bit fields in this order) and the
// open-file flags of the AVI reader and writer.

#include <QString>
#include <cstdint>
#include <memory>

struct TCompressOptions {
    std::uint32_t fccType = 0;
    std::uint32_t fccHandler = 0;
    std::uint32_t dwKeyFrameEvery = 0;
    std::uint32_t dwQuality = 0;
    std::uint32_t dwBytesPerSecond = 0;
    std::uint32_t dwFlags = 0;
    std::uint32_t lpFormat = 0;
    std::uint32_t cbFormat = 0;
    std::uint32_t lpParms = 0;
    std::uint32_t cbParms = 0;
    std::uint32_t dwInterleaveEvery = 0;
};
constexpr int kCompressOptionsSize = 44;

namespace AVICompression {

extern TCompressOptions CompressOptions;
extern bool OptionsLoaded;

// Reads the record when the file exists and holds at least 44 bytes;
// otherwise the options keep their values. Returns whether it was read.
bool LoadCompressOptions(const QString& fileName);
// The four bytes of the code as characters, lowest first.
QString FourCCToStr(std::uint32_t code);
std::uint32_t StrToFourCC(const QString& text);
// The display name of the codec with that code text; "Unknown" when not found.
QString GetCodecName(const QString& code);

} // namespace AVICompression

// AVI file opened for reading by the file source.
extern bool AviFileOpen;
void CloseAviFile();

// The AVI writer of the image tool.
class TAVICompressor {
public:
    virtual ~TAVICompressor() { Close(); }
    // Releases the streams and the file; returns 0.
    int Close();
};
extern std::unique_ptr<TAVICompressor> AviWriter;
extern bool AviWriterOpen;
