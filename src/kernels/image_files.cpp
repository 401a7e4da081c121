#include "kernels/image_files.h"

#include "kernels/jpeg_errors.h"
#include "platform/platform_texts.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <jpeglib.h>
#include <png.h>
#include <sys/uio.h>
#include <tiffio.h>
#include <unistd.h>

namespace kernels {

namespace {

bool fail(QString* error, const QString& path, const QString& reason)
{
    if (error)
        *error = platform::text(platform::PlatformText::MSG_Image_Ecriture_Impossible).arg(path, reason);
    return false;
}

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

QString emptyPicture() { return platform::text(platform::PlatformText::MSG_Image_Vide); }

// A file written through stdio. A failed write is remembered; finish()
// closes the file and, after any failure, removes what was written.
class OutFile {
public:
    explicit OutFile(const QString& path) : path_(path)
    {
        file_ = std::fopen(QFile::encodeName(path).constData(), "wb");
        if (!file_)
            errno_ = errno;
    }
    ~OutFile()
    {
        if (file_)
            finish(false);
    }
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;

    FILE* get() const { return file_; }
    bool opened() const { return file_ != nullptr; }
    void write(const void* data, std::size_t bytes)
    {
        if (errno_ == 0 && std::fwrite(data, 1, bytes, file_) != bytes)
            errno_ = errno ? errno : EIO;
    }
    // Writes the pieces in their order with as few system calls as the
    // system allows (a picture's rows go out straight from the bitmap).
    void writeGathered(std::vector<iovec>& pieces)
    {
        if (errno_ != 0)
            return;
        if (std::fflush(file_) != 0) {
            errno_ = errno ? errno : EIO;
            return;
        }
        const int fd = fileno(file_);
        std::size_t next = 0;
        while (next < pieces.size()) {
            const int count = int(std::min<std::size_t>(pieces.size() - next, IOV_MAX));
            const ssize_t written = ::writev(fd, pieces.data() + next, count);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                errno_ = written < 0 && errno ? errno : EIO;
                return;
            }
            // Skips what went out, the last piece perhaps only in part.
            auto left = std::size_t(written);
            while (next < pieces.size() && left >= pieces[next].iov_len)
                left -= pieces[next++].iov_len;
            if (left > 0) {
                pieces[next].iov_base = static_cast<std::uint8_t*>(pieces[next].iov_base) + left;
                pieces[next].iov_len -= left;
            }
        }
    }
    // Closes the file; complete says whether the caller wrote all of it.
    // Returns true when the whole file reached the disk.
    bool finish(bool complete)
    {
        if (std::fclose(file_) != 0 && errno_ == 0)
            errno_ = errno ? errno : EIO;
        file_ = nullptr;
        const bool ok = complete && errno_ == 0;
        if (!ok)
            QFile::remove(path_);
        return ok;
    }
    int errorCode() const { return errno_ ? errno_ : EIO; }
    bool failed() const { return errno_ != 0; }

private:
    QString path_;
    FILE* file_ = nullptr;
    int errno_ = 0;
};

void put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v)
{
    put16(p, v);
    put16(p + 2, v >> 16);
}

// One row of a deep plane as red, green, blue words. Each pixel but the
// last is moved as one 64-bit word (its fourth word is overwritten by the
// next pixel), so nothing is written past the row.
void deepRow(const Deep16Image& image, int y, std::uint16_t* out)
{
    const std::uint16_t* p = image.base + std::ptrdiff_t(y) * image.rowWords;
    const int last = image.width - 1;
    for (int x = 0; x < last; ++x, p += 4, out += 3) {
        std::uint64_t bgrx;
        std::memcpy(&bgrx, p, 8);
        const std::uint64_t rgb = (bgrx >> 32 & 0xFFFF) | (bgrx & 0xFFFF0000u) | (bgrx & 0xFFFF) << 32;
        std::memcpy(out, &rgb, 8);
    }
    out[0] = p[2];
    out[1] = p[1];
    out[2] = p[0];
}

// One row of a bitmap as red, green, blue words (levels x 257).
void bitmapRow(const Bitmap24& bitmap, int y, std::uint16_t* out)
{
    const std::uint8_t* p = bitmap.scanLine(y);
    for (int x = 0; x < bitmap.width(); ++x, p += 3, out += 3) {
        out[0] = std::uint16_t(p[2] * 257);
        out[1] = std::uint16_t(p[1] * 257);
        out[2] = std::uint16_t(p[0] * 257);
    }
}

// Closes a file that a library wrote through stdio; the reason of a failure
// is the system's when the stream failed, else the library's message.
bool finishLibraryFile(OutFile& out, bool compressed, const std::string& message, const QString& path,
                       QString* error)
{
    const int code = errno;
    const bool streamError = std::ferror(out.get()) != 0;
    if (out.finish(compressed && !streamError))
        return true;
    const QString reason = streamError  ? systemError(code ? code : EIO)
                           : !compressed ? QString::fromLocal8Bit(message.c_str())
                                         : systemError(out.errorCode());
    return fail(error, path, reason);
}

// ---- JPEG ------------------------------------------------------------------

// Compresses into an open file; false with the library's text on failure.
bool compressJpeg(FILE* file, const Bitmap24& bitmap, int quality, std::string& message)
{
    jpeg_compress_struct cinfo{};
    JpegErrors errors;
    cinfo.err = InstallJpegErrors(errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&cinfo);
        message = errors.text;
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = JDIMENSION(bitmap.width());
    cinfo.image_height = JDIMENSION(bitmap.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(bitmap.scanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// ---- PNG -------------------------------------------------------------------

struct PngContext {
    std::string message;
};

[[noreturn]] void pngError(png_structp png, png_const_charp text)
{
    static_cast<PngContext*>(png_get_error_ptr(png))->message = text ? text : "";
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

bool compressPng(FILE* file, const Deep16Image& image, int level, std::vector<std::uint16_t>& row,
                 std::string& message)
{
    PngContext context;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &context, pngError, pngWarning);
    if (!png) {
        message = "libpng";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        message = context.message;
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, std::clamp(level, 0, 9));
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 16, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // Samples are kept in the machine's order; PNG wants them big-endian.
    const std::uint16_t probe = 1;
    if (*reinterpret_cast<const std::uint8_t*>(&probe) == 1)
        png_set_swap(png);
    for (int y = 0; y < image.height; ++y) {
        deepRow(image, y, row.data());
        png_write_row(png, reinterpret_cast<png_const_bytep>(row.data()));
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// ---- TIFF ------------------------------------------------------------------

int tiffMessage(TIFF*, void* user, const char* module, const char* format, va_list args)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    auto* message = static_cast<std::string*>(user);
    if (message->empty())
        *message = std::string(module ? module : "") + (module ? ": " : "") + text;
    return 1;
}

int tiffSilent(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// The file libtiff writes through. libtiff writes a strip at a time and
// seeks before each one; here its bytes are gathered in a buffer that goes
// out in large writes, and a seek only moves the position. A failed write
// is kept: every later write, read and flush fails with the same error.
class TiffFile {
public:
    TiffFile() = default;
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;
    ~TiffFile() { close(false); }

    bool open(const QString& path)
    {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        return fd_ >= 0;
    }

    tmsize_t write(const void* data, tmsize_t bytes)
    {
        if (failed() || bytes < 0)
            return -1;
        const auto n = std::size_t(bytes);
        if (used_ > 0 && position_ != bufferAt_ + used_ && !flush())
            return -1;
        if (used_ + n > kBuffer && !flush())
            return -1;
        if (used_ == 0)
            bufferAt_ = position_;
        if (n >= kBuffer) {
            if (!writeAt(static_cast<const std::uint8_t*>(data), n, position_))
                return -1;
        } else {
            if (!buffer_)
                buffer_.reset(new std::uint8_t[kBuffer]);
            std::memcpy(buffer_.get() + used_, data, n);
            used_ += n;
        }
        position_ += n;
        return bytes;
    }

    tmsize_t read(void* data, tmsize_t bytes)
    {
        if (!flush() || bytes < 0)
            return -1;
        std::size_t done = 0;
        while (done < std::size_t(bytes)) {
            const ssize_t got = ::pread(fd_, static_cast<std::uint8_t*>(data) + done, std::size_t(bytes) - done,
                                        off_t(position_ + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += std::size_t(got);
        }
        position_ += done;
        return tmsize_t(done);
    }

    toff_t seek(toff_t offset, int whence)
    {
        if (whence == SEEK_CUR)
            position_ += offset;
        else if (whence == SEEK_END)
            position_ = size() + offset;
        else
            position_ = offset;
        return position_;
    }

    toff_t size() const { return std::max(written_, used_ > 0 ? bufferAt_ + used_ : 0); }

    // Writes out what is gathered; false once any write failed.
    bool flush()
    {
        if (failed())
            return false;
        if (used_ == 0)
            return true;
        const bool ok = writeAt(buffer_.get(), used_, bufferAt_);
        used_ = 0;
        return ok;
    }

    // Closes the file, writing out what is gathered when `keep` is true
    // (else it is dropped). False when anything failed to reach the file.
    bool close(bool keep)
    {
        if (fd_ < 0)
            return !failed();
        if (keep)
            flush();
        used_ = 0;
        if (::close(fd_) != 0 && keep && !failed())
            errno_ = errno ? errno : EIO;
        fd_ = -1;
        return !failed();
    }

    bool failed() const { return errno_ != 0; }
    int errorCode() const { return errno_ ? errno_ : EIO; }

    static tmsize_t readProc(thandle_t h, void* data, tmsize_t bytes) { return self(h).read(data, bytes); }
    static tmsize_t writeProc(thandle_t h, void* data, tmsize_t bytes) { return self(h).write(data, bytes); }
    static toff_t seekProc(thandle_t h, toff_t offset, int whence) { return self(h).seek(offset, whence); }
    static toff_t sizeProc(thandle_t h) { return self(h).size(); }
    // The file stays open when libtiff lets go of it: its owner closes it.
    static int closeProc(thandle_t) { return 0; }
    static int mapProc(thandle_t, void**, toff_t*) { return 0; }
    static void unmapProc(thandle_t, void*, toff_t) {}

private:
    static constexpr std::size_t kBuffer = std::size_t(1) << 20;

    static TiffFile& self(thandle_t h) { return *static_cast<TiffFile*>(h); }

    bool writeAt(const std::uint8_t* data, std::size_t bytes, std::uint64_t at)
    {
        std::size_t done = 0;
        while (done < bytes) {
            const ssize_t n = ::pwrite(fd_, data + done, bytes - done, off_t(at + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                errno_ = n < 0 && errno ? errno : EIO;
                written_ = std::max(written_, at + done);
                errno = errno_;
                return false;
            }
            done += std::size_t(n);
        }
        written_ = std::max(written_, at + done);
        return true;
    }

    int fd_ = -1;
    int errno_ = 0;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t used_ = 0;
    std::uint64_t bufferAt_ = 0;   // file offset of the buffer's first byte
    std::uint64_t position_ = 0;
    std::uint64_t written_ = 0;    // bytes the file holds
};

TIFF* openTiff(const QString& path, TiffFile& file, std::string& message)
{
    if (!file.open(path))
        return nullptr;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, tiffMessage, &message);
    TIFFOpenOptionsSetWarningHandlerExtR(options, tiffSilent, nullptr);
    TIFF* tif = TIFFClientOpenExt(QFile::encodeName(path).constData(), "w", &file, TiffFile::readProc,
                                  TiffFile::writeProc, TiffFile::seekProc, TiffFile::closeProc, TiffFile::sizeProc,
                                  TiffFile::mapProc, TiffFile::unmapProc, options);
    TIFFOpenOptionsFree(options);
    if (!tif)
        file.close(false);
    return tif;
}

QString tiffReason(const std::string& message)
{
    return message.empty() ? systemError(errno ? errno : EIO) : QString::fromLocal8Bit(message.c_str());
}

// Writes one directory (page) of 16-bit RGB rows given by fill(y, row).
template <class Fill>
bool writeTiffPage(TIFF* tif, int width, int height, bool page, int pageNumber, std::vector<std::uint16_t>& row,
                   const Fill& fill)
{
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    if (page) {
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(tif, TIFFTAG_PAGENUMBER, std::uint16_t(std::min(pageNumber, 65535)), std::uint16_t(0));
    }
    // Whole strips are converted and handed over at once; uncompressed,
    // they are what the encoder would have written row by row.
    std::uint32_t rowsPerStrip = 0;
    TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    const int stripRows = int(std::clamp<std::uint32_t>(rowsPerStrip, 1, std::uint32_t(height)));
    const std::size_t rowWords = std::size_t(width) * 3;
    row.resize(rowWords * std::size_t(stripRows));
    for (int y = 0, strip = 0; y < height; y += stripRows, ++strip) {
        const int rows = std::min(stripRows, height - y);
        for (int r = 0; r < rows; ++r)
            fill(y + r, row.data() + rowWords * std::size_t(r));
        const auto bytes = tmsize_t(rowWords * std::size_t(rows) * sizeof(std::uint16_t));
        if (TIFFWriteRawStrip(tif, std::uint32_t(strip), row.data(), bytes) != bytes)
            return false;
    }
    return TIFFWriteDirectory(tif) != 0;
}

} // namespace

Deep16Image WidenToDeep(const Bitmap24& bitmap, std::vector<std::uint16_t>& store)
{
    const int width = bitmap.width(), height = bitmap.height();
    if (width <= 0 || height <= 0)
        return {};
    const std::ptrdiff_t rowWords = std::ptrdiff_t(width) * 4;
    store.resize(std::size_t(rowWords) * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* p = bitmap.scanLine(y);
        std::uint16_t* out = store.data() + std::ptrdiff_t(y) * rowWords;
        for (int x = 0; x < width; ++x, p += 3, out += 4) {
            out[0] = std::uint16_t(p[0] * 257);
            out[1] = std::uint16_t(p[1] * 257);
            out[2] = std::uint16_t(p[2] * 257);
            out[3] = 0;
        }
    }
    return {store.data(), rowWords, width, height};
}

namespace ImageFiles {

bool WriteBmp24(const QString& path, const Bitmap24& bitmap, QString* error)
{
    if (bitmap.isEmpty())
        return fail(error, path, emptyPicture());
    const std::ptrdiff_t stride = Bitmap24::strideFor(bitmap.width());
    const std::uint64_t imageBytes = std::uint64_t(stride) * std::uint64_t(bitmap.height());
    if (imageBytes + 54 > 0xFFFFFFFFull)
        return fail(error, path, platform::text(platform::PlatformText::MSG_Image_Trop_Grande_BMP));
    std::uint8_t header[54] = {};
    header[0] = 'B';
    header[1] = 'M';
    put32(header + 2, std::uint32_t(imageBytes + 54));
    put32(header + 10, 54);
    put32(header + 14, 40);
    put32(header + 18, std::uint32_t(bitmap.width()));
    put32(header + 22, std::uint32_t(bitmap.height()));   // positive: rows bottom-up
    put16(header + 26, 1);
    put16(header + 28, 24);
    put32(header + 34, std::uint32_t(imageBytes));

    OutFile out(path);
    if (!out.opened())
        return fail(error, path, systemError(out.errorCode()));
    // The bitmap's rows, with their padding, are the file's rows.
    std::vector<iovec> pieces;
    pieces.reserve(std::size_t(bitmap.height()) + 1);
    pieces.push_back({header, sizeof header});
    for (int y = bitmap.height() - 1; y >= 0; --y)
        pieces.push_back({const_cast<std::uint8_t*>(bitmap.scanLine(y)), std::size_t(stride)});
    out.writeGathered(pieces);
    if (!out.finish(true))
        return fail(error, path, systemError(out.errorCode()));
    return true;
}

bool WriteJpeg(const QString& path, const Bitmap24& bitmap, int quality, QString* error)
{
    if (bitmap.isEmpty())
        return fail(error, path, emptyPicture());
    OutFile out(path);
    if (!out.opened())
        return fail(error, path, systemError(out.errorCode()));
    std::string message;
    const bool compressed = compressJpeg(out.get(), bitmap, quality, message);
    return finishLibraryFile(out, compressed, message, path, error);
}

bool WritePng48(const QString& path, const Deep16Image& image, int zlibLevel, QString* error)
{
    if (image.isEmpty())
        return fail(error, path, emptyPicture());
    std::vector<std::uint16_t> row(std::size_t(image.width) * 3);
    OutFile out(path);
    if (!out.opened())
        return fail(error, path, systemError(out.errorCode()));
    std::string message;
    const bool compressed = compressPng(out.get(), image, zlibLevel, row, message);
    return finishLibraryFile(out, compressed, message, path, error);
}

bool WriteTiff48(const QString& path, const Deep16Image& image, QString* error)
{
    if (image.isEmpty())
        return fail(error, path, emptyPicture());
    std::string message;
    errno = 0;
    TiffFile file;
    TIFF* tif = openTiff(path, file, message);
    if (!tif)
        return fail(error, path, tiffReason(message));
    std::vector<std::uint16_t> row;
    bool ok = writeTiffPage(tif, image.width, image.height, false, 0, row,
                            [&](int y, std::uint16_t* out) { deepRow(image, y, out); })
              && TIFFFlush(tif) != 0;
    TIFFClose(tif);
    ok = file.close(ok) && ok;
    if (!ok) {
        if (message.empty() && file.failed())
            errno = file.errorCode();
        QFile::remove(path);
        return fail(error, path, tiffReason(message));
    }
    return true;
}

} // namespace ImageFiles

// ---- multi-page TIFF -------------------------------------------------------

struct TiffPageWriter::State {
    TiffFile file;
    TIFF* tif = nullptr;
    std::string message;
    std::vector<std::uint16_t> row;
};

TiffPageWriter::TiffPageWriter() = default;
TiffPageWriter::~TiffPageWriter() { close(); }

bool TiffPageWriter::isOpen() const { return state_ && state_->tif; }

bool TiffPageWriter::open(const QString& path, QString* error)
{
    close();
    path_ = path;
    pages_ = 0;
    state_ = std::make_unique<State>();
    errno = 0;
    state_->tif = openTiff(path, state_->file, state_->message);
    if (!state_->tif)
        return fail(error, path, tiffReason(state_->message));
    return true;
}

template <class Fill>
bool TiffPageWriter::writePage(int width, int height, const Fill& fill, QString* error)
{
    if (!isOpen())
        return fail(error, path_, platform::text(platform::PlatformText::MSG_Fichier_Non_Ouvert));
    if (width <= 0 || height <= 0)
        return fail(error, path_, emptyPicture());
    state_->message.clear();
    errno = 0;
    // Each page reaches the file before the call returns.
    if (!writeTiffPage(state_->tif, width, height, true, pages_, state_->row, fill) || !state_->file.flush()) {
        if (state_->message.empty() && state_->file.failed())
            errno = state_->file.errorCode();
        const QString reason = tiffReason(state_->message);
        closeAfterFailure();
        return fail(error, path_, reason);
    }
    ++pages_;
    return true;
}

bool TiffPageWriter::addPage(const Deep16Image& image, QString* error)
{
    if (image.isEmpty() && isOpen())
        return fail(error, path_, emptyPicture());
    return writePage(image.width, image.height, [&](int y, std::uint16_t* out) { deepRow(image, y, out); },
                     error);
}

bool TiffPageWriter::addPage(const Bitmap24& bitmap, QString* error)
{
    return writePage(bitmap.width(), bitmap.height(), [&](int y, std::uint16_t* out) { bitmapRow(bitmap, y, out); },
                     error);
}

void TiffPageWriter::closeAfterFailure()
{
    // The failed page's directory is dropped rather than flushed: the chain
    // of directories ends with the last complete page.
    TIFF* tif = state_->tif;
    state_->tif = nullptr;
    TIFFCleanup(tif);
    state_->file.close(false);
}

bool TiffPageWriter::close(QString* error)
{
    if (!isOpen())
        return true;
    state_->message.clear();
    errno = 0;
    // A page is complete once its directory is written; nothing is pending.
    bool ok = TIFFFlush(state_->tif) != 0;
    TIFF* tif = state_->tif;
    state_->tif = nullptr;
    TIFFClose(tif);
    ok = state_->file.close(ok) && ok;
    if (!ok) {
        if (state_->message.empty() && state_->file.failed())
            errno = state_->file.errorCode();
        return fail(error, path_, tiffReason(state_->message));
    }
    return true;
}

} // namespace kernels
