#pragma once
// Reading the video frames of AVI files with FFmpeg, for the file source and
// the windows that show frames of a recorded film.
//
// TAviReader holds one open file: the first video stream's frames that the
// file really holds (a film cut short, a recording that never ended or a
// copy broken off, holds fewer than its header says), frames read in order
// without seeking, any other frame decoded from the key frame before it,
// every frame given as a top-down 24-bit bitmap. A frame that cannot be
// decoded is refused and the file stays open for the next one. Frames whose
// times are damaged are counted from the start of the file instead; frames
// beyond 16 megapixels are refused as damage.
//
// The program's one open AVI file is reached through OpenAviFile,
// ReadAviFrame and CloseAviFile, which show the opening failures in a
// message box.

#include "kernels/bitmap24.h"

#include <QString>
#include <cstdint>
#include <memory>

class TAviReader {
public:
    TAviReader();
    ~TAviReader();
    TAviReader(const TAviReader&) = delete;
    TAviReader& operator=(const TAviReader&) = delete;

    // Opens fileName (closing what was open); false with the user's text in
    // *error when it is not a readable AVI file with a video stream that can
    // be decoded, or holds no whole frame. A film without a whole index is
    // read through once to learn how many frames it holds.
    bool Open(const QString& fileName, QString* error = nullptr);
    // Frame index (0-based) into bitmap, which takes the frame's size. False,
    // with the bitmap untouched, when there is no such frame or it cannot be
    // decoded.
    bool ReadFrame(int index, kernels::Bitmap24& bitmap);
    void Close();

    bool IsOpen() const { return state_ != nullptr; }
    // The frames the file holds, each whole; frames 0 to FrameCount() - 1.
    int FrameCount() const { return frameCount_; }
    // The frame count the file's header gives (0 when it gives none): more
    // than FrameCount() for a film cut short.
    int AnnouncedFrameCount() const { return announcedCount_; }
    int Width() const;
    int Height() const;
    // The frames are stored as plain bitmaps (no codec, nothing carried from
    // one frame to the next).
    bool Uncompressed() const;

private:
    struct State;
    bool decodeNext(int& frameIndex);
    bool seekBefore(int index);
    bool deliver(kernels::Bitmap24& bitmap);

    std::unique_ptr<State> state_;
    int frameCount_ = 0;
    int announcedCount_ = 0;
};

// The program's open AVI file (one at a time).
extern bool AviFileOpen;

// Opens the file for reading and gives the video frames it holds, and in
// *announced the count its header gives (more for a film cut short; 0 when
// it gives none). A failure is shown ("The file couldn't be read, bad
// format", "Cannot find decompressor", ...) and leaves nothing open.
bool OpenAviFile(const QString& fileName, std::int32_t& frameCount, std::int32_t* announced = nullptr);
// The first frame of an AVI file into bitmap, read without touching the
// program's open file; a file that cannot be opened is shown as
// OpenAviFile shows it (*opened is false then). False, with the bitmap
// kept, when there is no first frame.
bool ReadFirstAviFrame(const QString& fileName, kernels::Bitmap24& bitmap, bool* opened = nullptr);
// Frame index of the open file into bitmap; false, with the bitmap kept,
// when it cannot be had. The file stays open.
bool ReadAviFrame(int index, kernels::Bitmap24& bitmap);
// Closes the open file, if any; returns 1.
int CloseAviFile();
