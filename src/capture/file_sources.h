#pragma once
// File sources of a camera slot: single pictures, lists of pictures,
// numbered picture sequences and AVI films, played through the frame road
// like camera frames. This holds the player's state, the play list's order,
// the sequence builder and the picture loader; the main window's part (open
// menus, start, the shown frame, the player step) is in frm_alv_files.cpp.

#include "kernels/bitmap24.h"

#include <QString>
#include <QStringList>
#include <cstdint>

// Player state. PlayCount frames (pictures of PlayList, or frames of the AVI
// file PlayList[0]); PlayPosition is the shown one, 0-based (the player step
// may set it to -1 or PlayCount for one moment while wrapping in loop mode).
extern std::int32_t PlayCount;
extern std::int32_t PlayPosition;
// What the file source feeds: 0 image, 1 dark, 2 flat.
extern std::uint8_t PlayKind;
// 1: the source is the pictures of PlayList; 0: an AVI file.
extern std::uint8_t PlayListIsPictures;
// The slot the file source plays on (the current slot when it was opened):
// its frames go there and that slot's timer paces them, whichever slot is
// current later.
extern std::uint8_t PlayerSlot;

namespace FileSources {
// A file source plays on the slot: its frames, not a camera's, are the
// slot's (a plug-in or stream camera left open there waits).
bool PlaysOn(int slot);
} // namespace FileSources

namespace FileSources {

// The play list's order: runs of digits compare by their value (img8 before
// img10; zero-padded names keep their order), everything else without case.
bool NaturalLess(const QString& a, const QString& b);
// Sorts the list in that order and drops names listed twice.
void SortPlayList(QStringList& list);

// 1 for ".bmp", ".jpg" and ".jpeg" (any case), 0 for ".avi", -1 otherwise
// (the kind of source stays what it was).
int PictureKindOfName(const QString& fileName);

// The sequence from first to last file: the names differ only in a decimal
// number before the extension. Names are full paths.
enum class Sequence {
    Built,          // list holds the names, possibly none (first number above the last)
    SameName,       // nothing differs: nothing to do
    NotNumbers,     // the parts that differ are not both plain numbers
    TooMany,        // more than kMaxSequenceLength names
};
constexpr int kMaxSequenceLength = 100000;
Sequence BuildSequence(const QString& first, const QString& last, QStringList& list);

// Reads a whole picture file (".bmp", ".jpg", ".jpeg" by the lower-cased
// extension) into bitmap, which takes the picture's size. A file that cannot
// be read, or is shorter than its picture (still being written), is tried
// again after a short pause, kReadAttempts times in all. A file of another
// extension loads nothing and counts as read. False, with bitmap kept as it
// was and the reason (naming the file) in *error, when it could not be had.
constexpr int kReadAttempts = 31;
constexpr int kRetryPause_ms = 10;
bool LoadPictureFile(kernels::Bitmap24& bitmap, const QString& fileName, QString* error = nullptr);

} // namespace FileSources

namespace Align_V {

// Opens one file as the current slot's source without a dialog (the script
// command that loads an image): kind 0 image, 1 dark, 2 flat. A running
// play is stopped first; a script is not resumed here. False when the file
// was refused (told, and nothing changed).
bool OpenImageFile(const QString& fileName, std::uint8_t kind);

} // namespace Align_V
