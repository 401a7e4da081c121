#include "kernels/picture_files.h"

#include "kernels/jpeg_errors.h"
#include "platform/platform_texts.h"

#include <algorithm>
#include <cstring>


namespace kernels::PictureFiles {

namespace {

std::uint32_t get16(const std::uint8_t* p) { return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8; }
std::uint32_t get32(const std::uint8_t* p) { return get16(p) | get16(p + 2) << 16; }

Result refuse(QString* reason, const QString& text, Result r = Result::Refused)
{
    if (reason)
        *reason = text;
    return r;
}

bool sizeAllowed(std::int64_t w, std::int64_t h)
{
    return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels;
}

QString tooLarge(std::int64_t w, std::int64_t h)
{
    return platform::text(platform::PlatformText::MSG_Image_Taille_Refusee).arg(w).arg(h);
}

} // namespace

Kind KindOf(const QString& fileName)
{
    const QString lower = fileName.toLower();
    if (lower.endsWith(QLatin1String(".bmp")))
        return Kind::Bmp;
    if (lower.endsWith(QLatin1String(".jpg")) || lower.endsWith(QLatin1String(".jpeg")))
        return Kind::Jpeg;
    return Kind::Other;
}

// ---- BMP -------------------------------------------------------------------

Result DecodeBmp(const std::uint8_t* data, std::size_t size, Bitmap24& out, QString* reason)
{
    constexpr std::size_t kFileHeader = 14;
    if (size < 2 || data[0] != 'B' || data[1] != 'M')
        return refuse(reason, platform::text(platform::PlatformText::MSG_Pas_BMP));
    if (size < kFileHeader + 4)
        return refuse(reason, platform::text(platform::PlatformText::MSG_Fichier_Tronque), Result::Truncated);
    const std::uint32_t offBits = get32(data + 10);
    const std::uint32_t infoSize = get32(data + 14);
    if (infoSize < 40 || infoSize > 4096)
        return refuse(reason, platform::text(platform::PlatformText::MSG_BMP_Entete).arg(infoSize));
    if (size < kFileHeader + infoSize)
        return refuse(reason, platform::text(platform::PlatformText::MSG_Fichier_Tronque), Result::Truncated);
    const std::uint8_t* info = data + kFileHeader;
    const std::int64_t width = static_cast<std::int32_t>(get32(info + 4));
    const std::int64_t rawHeight = static_cast<std::int32_t>(get32(info + 8));
    const std::uint32_t bitCount = get16(info + 14);
    const std::uint32_t compression = get32(info + 16);
    const std::uint32_t colorsUsed = get32(info + 32);
    const bool topDown = rawHeight < 0;
    const std::int64_t height = topDown ? -rawHeight : rawHeight;
    if (bitCount != 8 && bitCount != 24 && bitCount != 32)
        return refuse(reason, platform::text(platform::PlatformText::MSG_BMP_Format).arg(bitCount));
    // Uncompressed only; 32-bit pictures may name their masks (bit fields).
    if (compression != 0 && !(compression == 3 && bitCount == 32))
        return refuse(reason, platform::text(platform::PlatformText::MSG_BMP_Compresse));
    if (!sizeAllowed(width, height))
        return refuse(reason, tooLarge(width, height));

    // Palette of a paletted picture: blue, green, red, unused.
    std::uint8_t palette[256][3] = {};
    if (bitCount == 8) {
        const std::uint32_t colours = colorsUsed == 0 ? 256 : colorsUsed;
        if (colours > 256)
            return refuse(reason, platform::text(platform::PlatformText::MSG_BMP_Palette).arg(colours));
        const std::size_t at = kFileHeader + infoSize;
        if (size < at + std::size_t(colours) * 4)
            return refuse(reason, platform::text(platform::PlatformText::MSG_Fichier_Tronque), Result::Truncated);
        for (std::uint32_t i = 0; i < colours; ++i)
            std::memcpy(palette[i], data + at + 4 * i, 3);
    }
    const std::size_t stride = ((std::size_t(width) * bitCount + 31) / 32) * 4;
    if (offBits > size || (size - offBits) / stride < std::size_t(height))
        return refuse(reason, platform::text(platform::PlatformText::MSG_Fichier_Tronque), Result::Truncated);
    if (!out.resize(int(width), int(height)))
        return refuse(reason, tooLarge(width, height));

    for (int y = 0; y < int(height); ++y) {
        const std::uint8_t* src = data + offBits + stride * std::size_t(topDown ? y : int(height) - 1 - y);
        std::uint8_t* dst = out.scanLine(y);
        switch (bitCount) {
        case 24:
            std::memcpy(dst, src, std::size_t(width) * 3);
            break;
        case 32:
            for (int x = 0; x < int(width); ++x, src += 4, dst += 3)
                dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
            break;
        default:
            for (int x = 0; x < int(width); ++x, dst += 3)
                std::memcpy(dst, palette[src[x]], 3);
            break;
        }
    }
    return Result::Ok;
}

// ---- JPEG ------------------------------------------------------------------


Result DecodeJpeg(const std::uint8_t* data, std::size_t size, Bitmap24& out, QString* reason)
{
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return refuse(reason, platform::text(platform::PlatformText::MSG_Pas_JPEG));
    jpeg_decompress_struct cinfo{};
    JpegErrors errors;
    cinfo.err = InstallJpegErrors(errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        if (errors.endOfData)
            return refuse(reason, platform::text(platform::PlatformText::MSG_Fichier_Tronque), Result::Truncated);
        return refuse(reason, platform::text(platform::PlatformText::MSG_JPEG_Invalide).arg(QString::fromLocal8Bit(errors.text)));
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (errors.endOfData) {
        jpeg_destroy_decompress(&cinfo);
        return refuse(reason, platform::text(platform::PlatformText::MSG_Fichier_Tronque), Result::Truncated);
    }
    if (!sizeAllowed(cinfo.image_width, cinfo.image_height)) {
        const std::int64_t w = cinfo.image_width, h = cinfo.image_height;
        jpeg_destroy_decompress(&cinfo);
        return refuse(reason, tooLarge(w, h));
    }
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    if (!out.resize(int(cinfo.output_width), int(cinfo.output_height))) {
        jpeg_destroy_decompress(&cinfo);
        return refuse(reason, tooLarge(cinfo.output_width, cinfo.output_height));
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (errors.endOfData)
            break;
    }
    if (errors.endOfData) {
        jpeg_destroy_decompress(&cinfo);
        return refuse(reason, platform::text(platform::PlatformText::MSG_Fichier_Tronque), Result::Truncated);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return Result::Ok;
}

} // namespace kernels::PictureFiles
