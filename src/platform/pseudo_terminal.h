#pragma once
// A pseudo-terminal: the program opens its slave side as it would open a
// serial port (com_io, termios), and whatever sits on the master side plays
// the device. The simulated LX200 mount and the serial tests use it.
//
// The master side is non-blocking. Reading or polling it first completes any
// transfer the kernel still has in flight, so bytes the slave side has written
// before the call are always seen: a peer that is pumped between the program's
// writes and reads answers deterministically, without waiting.

#include <QByteArray>
#include <QString>

namespace platform {

class PseudoTerminal {
public:
    // Opens a new pair and puts both sides in raw mode. On failure isOpen()
    // is false and error() says why.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool isOpen() const { return master_ >= 0; }
    QString error() const { return error_; }
    // The device path of the slave side ("/dev/pts/7").
    QString slavePath() const { return slavePath_; }

    // Everything the slave side has written so far; empty when nothing came.
    QByteArray readAvailable();
    // Waits at most timeout_ms for bytes from the slave side.
    bool waitReadable(int timeout_ms);
    // Writes to the slave side's input. False when the bytes could not all
    // be written.
    bool write(const QByteArray& bytes);
    // Closes the master side: the device vanishes for the program (its
    // writes fail, its reads find nothing). Not thread-safe against the
    // other calls.
    void hangUp();

private:
    int master_ = -1;
    // Held open so that the pair survives the program closing and reopening
    // the slave side; it is never read.
    int keeper_ = -1;
    QString slavePath_;
    QString error_;
};

} // namespace platform
