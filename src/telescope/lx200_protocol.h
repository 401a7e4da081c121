#pragma once
// The LX200 command set as bytes, and the mount's replies as values. Nothing
// here touches a port: the send layer (prg_suivi_send.cpp) writes these
// texts, the position poll reads the replies through these parsers.
//
// Angles are seconds of arc; a right ascension in seconds of arc is hours x
// 15 x 3600.

#include <QByteArray>
#include <array>
#include <cstdint>
#include <optional>

namespace Lx200 {

// ":RG#" guide, ":RC#" centring, ":RM#" find, ":RS#" slew (index 0..3).
extern const std::array<QByteArray, 4> SlewRateCommands;

// Direction letters n, s, e, w of the direction codes 0..3.
char DirectionLetter(std::uint8_t direction);

QByteArray MoveCommand(std::uint8_t direction);   // ":Mn#"
QByteArray StopCommand(std::uint8_t direction);   // ":Qn#"
inline const QByteArray StopAllCommand = QByteArrayLiteral(":Q#");
// ":Mg" + letter + the length in ms, at most 9999, on four digits + "#".
QByteArray PulseGuideCommand(std::uint8_t direction, std::int64_t duration_ms);

// "HH:MM:SS" or "HH:MM:SS.T" (the tenth only when it is not 0): the time is
// rounded once to a tenth of a second of time and carried into minutes and
// hours; 24 h wraps to 0.
QByteArray RAText(double arcsec);
// "sDD:MM:SS" rounded once to the second of arc and carried into minutes and
// degrees; the sign sits on the degrees: "+" north (and for 0), "-" south
// ("+45:30:00", "-00:30:00"). Mounts refuse a blank in place of "+".
QByteArray DecText(double arcsec);
QByteArray SetRACommand(double arcsec);    // ":Sr " + RAText + "#"
QByteArray SetDecCommand(double arcsec);   // ":Sd " + DecText + "#"
inline const QByteArray SlewCommand = QByteArrayLiteral(":MS#");
inline const QByteArray SyncCommand = QByteArrayLiteral(":CM#");
QByteArray LoadObjectCommand(const QByteArray& object);   // ":L" + object + "#"
inline const QByteArray DistanceBarsCommand = QByteArrayLiteral(":D#");
inline const QByteArray GetRACommand = QByteArrayLiteral(":GR#");
inline const QByteArray GetDecCommand = QByteArrayLiteral(":GD#");

// Focuser: the speed command (":FF#" fast, ":FS#" slow), then the direction
// (0 in ":F-#", 1 out ":F+#"); ":FQ#" stops.
QByteArray FocuserSpeedCommand(bool fast);
QByteArray FocuserDirectionCommand(std::uint8_t direction);
inline const QByteArray FocuserStopCommand = QByteArrayLiteral(":FQ#");

// The text with a carriage return and then a line feed appended as asked.
QByteArray WithLineEndings(QByteArray text, bool cr, bool lf);

// --- Framing of replies ------------------------------------------------------
//
// What a command answers: nothing (moves, stops, rates, focuser), a text up
// to "#" (":GR#", ":GD#", ":D#", ":CM#"), one character "1" accepted or "0"
// refused (":Sr", ":Sd"), or for ":MS#" "0" when the slew starts and "1" or
// "2" followed by the reason and "#" when it is refused.
enum class ReplyKind { None, Text, Digit, Slew };
ReplyKind ReplyKindOf(const QByteArray& command);
// The length of the reply at the start of buffer once it is complete, 0
// while more bytes are needed.
qsizetype FramedLength(ReplyKind kind, const QByteArray& buffer);
// Drops from the start of buffer what cannot begin a reply of this kind: a
// one-character reply is "0" or "1", nothing else.
void DropForeignLead(ReplyKind kind, QByteArray& buffer);
// Whether a complete reply accepts its command (a "1" to ":Sr"/":Sd", a "0"
// to ":MS#"; text replies always).
bool ReplyAccepted(ReplyKind kind, const QByteArray& reply);
// The mount's reason for a refused ":MS#" ("1Below horizon#" gives "Below
// horizon"), printable characters only; empty when it gave none.
QByteArray RefusalReason(const QByteArray& reply);

// A ":GR#" reply: hours in characters 1-2 and minutes in 4-5 ("12:34.5#",
// "12:34:56#"); seconds and tenths are checked but not used. None for
// anything else, a reply cut short, out of range or followed by more text
// included.
std::optional<double> ParseRAReply(const QByteArray& reply);
// A ":GD#" reply: signed degrees in characters 1-3 and minutes in 5-6
// ("+45*30#", "-00*30#", "45*30:00#"). The sign is the first character's, so
// "-00" is southern. The reply is checked whole: seconds that are not two
// digits below 60, characters after them, or more than 90 degrees in all
// give none.
std::optional<double> ParseDecReply(const QByteArray& reply);
// A reply as the hand pad shows it: what comes before its "#", up to 8
// characters for a right ascension ("12:34.5", "12:34:56") and 9 for a
// declination ("+45*30", "+45*30:15"), so a mount in long precision shows its
// seconds whole and no position ends in the terminator.
QByteArray ShownRA(const QByteArray& reply);
QByteArray ShownDec(const QByteArray& reply);
// A ":D#" reply says the mount still slews only when it holds a bar (0x7F
// or "|"); "#" alone, an empty reply or blanks mean the slew has ended.
bool SlewEnded(const QByteArray& reply);

} // namespace Lx200
