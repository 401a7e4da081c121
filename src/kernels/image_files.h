#pragma once
// The image files the image tool writes: 24-bit BMP (our own small writer),
// JPEG (libjpeg-turbo), 16-bit RGB PNG (libpng), 16-bit RGB TIFF and
// multi-page 16-bit TIFF (libtiff).
//
// 16-bit pictures are read from a deep plane, four 16-bit words a pixel
// (blue, green, red, unused); files get red, green and blue samples of 16
// bits, rows top-down. 24-bit pictures are Bitmap24s (blue, green, red).
//
// Every writer creates or replaces its file and tells failure (folder
// missing, no permission, disk full, an empty picture) by returning false
// with a text naming the file. A single picture that fails half-way is
// removed, so no truncated image is left behind; a multi-page file keeps the
// pages written before the failure.

#include "kernels/bitmap24.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kernels {

// A picture in a deep plane: pixel (x, y) is the four words at
// base + y x rowWords + 4 x.
struct Deep16Image {
    const std::uint16_t* base = nullptr;
    std::ptrdiff_t rowWords = 0;
    int width = 0;
    int height = 0;
    bool isEmpty() const { return !base || width <= 0 || height <= 0; }
};

// A 24-bit bitmap as a deep picture, each 8-bit level widened to 16 bits
// (x 257, so 255 becomes 65535), laid out in `store` (resized as needed,
// kept by the caller from one call to the next).
Deep16Image WidenToDeep(const Bitmap24& bitmap, std::vector<std::uint16_t>& store);

namespace ImageFiles {

// 54-byte header (file header and 40-byte info header), 24 bits a pixel,
// rows bottom-up padded to 4 bytes.
bool WriteBmp24(const QString& path, const Bitmap24& bitmap, QString* error = nullptr);
// Baseline JPEG, quality 1..100 (clamped).
bool WriteJpeg(const QString& path, const Bitmap24& bitmap, int quality, QString* error = nullptr);
// 16-bit RGB PNG; zlib level 0..9 (clamped).
bool WritePng48(const QString& path, const Deep16Image& image, int zlibLevel = 6, QString* error = nullptr);
// 16-bit RGB TIFF, uncompressed.
bool WriteTiff48(const QString& path, const Deep16Image& image, QString* error = nullptr);

} // namespace ImageFiles

// A multi-page 16-bit RGB TIFF file, open from open() to close(). A page
// that fails to be written closes the file once (the pages before it stay
// readable); later calls then fail with "not open" and touch nothing.
class TiffPageWriter {
public:
    TiffPageWriter();
    ~TiffPageWriter();
    TiffPageWriter(const TiffPageWriter&) = delete;
    TiffPageWriter& operator=(const TiffPageWriter&) = delete;

    // Creates (replaces) the file.
    bool open(const QString& path, QString* error = nullptr);
    // Appends a page from a deep plane.
    bool addPage(const Deep16Image& image, QString* error = nullptr);
    // Appends a page from a 24-bit bitmap, each 8-bit level widened to 16
    // bits (x 257, so 255 becomes 65535).
    bool addPage(const Bitmap24& bitmap, QString* error = nullptr);
    // Finishes the file; false when its end could not be written. Harmless
    // when nothing is open.
    bool close(QString* error = nullptr);

    bool isOpen() const;
    int pageCount() const { return pages_; }
    const QString& fileName() const { return path_; }

private:
    struct State;
    template <class Fill>
    bool writePage(int width, int height, const Fill& fill, QString* error);
    void closeAfterFailure();

    std::unique_ptr<State> state_;
    QString path_;
    int pages_ = 0;
};

} // namespace kernels
