#pragma once
// The serial ports COM1..COM20, the program's only road to them. Ten logical
// channels, numbered 1 to 10, each hold at most one port; channels that name
// the same port share its descriptor, and closing one of them closes the port
// for all of them.
//
// Port names are mapped to devices: COMn is /dev/ttyS(n-1) unless the file
// "comports.map" of the program directory (read at each open) or
// SetDevicePath names another device, one entry a line:
//     COM3=/dev/ttyUSB0
// Lines starting with # or ; are comments. A device name registered with
// RegisterVirtualDevice (the mount simulator registers "SIM") stands for the
// device its factory provides.
//
// Failing system calls raise ExCom, whose message is the operation's name,
// ", erreur = " and the system error code ("open_com, erreur = 2"); what()
// adds the device and the system's description of the error.
//
// User-interface thread only.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <stdexcept>

namespace platform::com_io {

class ExCom : public std::runtime_error {
public:
    ExCom(const QString& operation, int code, const QString& detail = {});
    // "<operation>, erreur = <code>".
    QString message() const { return message_; }
    QString operation() const { return operation_; }
    int code() const { return code_; }
    // The device and the error in words; may be empty.
    QString detail() const { return detail_; }

private:
    QString operation_;
    int code_;
    QString detail_;
    QString message_;
};

inline constexpr int kChannelCount = 10;
inline constexpr int kMaxPortNumber = 20;
// A read returns at most this many bytes; the rest stays queued for the next.
inline constexpr int kReadBufferSize = 256;
// get_string gives the device this long to answer before it reads.
inline constexpr int kAnswerWait_ms = 200;

// Parity and stop-bit codes of set_com.
enum Parity : int { NoParity = 0, OddParity = 1, EvenParity = 2, MarkParity = 3 };
enum StopBits : int { OneStopBit = 0, OneAndHalfStopBits = 1, TwoStopBits = 2 };

struct Channel {
    std::uint8_t port = 0;   // n of COMn, 0 when none
    int handle = -1;         // descriptor, -1 when none
    bool open = false;
    QString device;          // the device path opened
};

// A copy of channel ch; channels outside 1..10 read as closed.
Channel channel(std::uint8_t ch);

// The port number of a name: the text from its fourth character on
// ("COM12" gives 12); 99 when that is not a number.
int PortNumber(const QString& name);

// The device that COMn opens, as described above.
QString DevicePath(int port);
// Names the device of COMn for this session, before the map file; an empty
// path removes the entry.
void SetDevicePath(int port, const QString& path);
void ClearDevicePaths();
// Registers a device name that the map may give to a port; factory returns
// the path to open (empty when the device cannot be provided).
void RegisterVirtualDevice(const QString& name, std::function<QString()> factory);

// The lowest open channel 1..10 holding port n, else 0.
std::uint8_t find_channel(std::uint8_t port);

// Opens the port of `name` ("COM3") on channel ch, or shares it with the
// channel that already holds it. A port number above 20 (or 0) opens nothing
// and gives false. A channel that held another port lets it go first (closing
// it unless another channel still shares it). Raises ExCom when the device
// cannot be opened or is not a serial line.
bool open_com(std::uint8_t ch, const QString& name);

// Queue sizes: Linux serial drivers have fixed queues; the call only checks
// the channel.
void set_buf(std::uint8_t ch, int inputSize, int outputSize);
// Baud rate, parity code, data bits and stop-bit code; every other setting of
// the line (flow control included) stays as the driver had it. XON and XOFF
// become DC1 and DC3.
void set_com(std::uint8_t ch, int baud, int parity, int dataBits, int stopBits);
// The read time-outs of the channel. Reads never block (get_string waits for
// the answer before it reads), so these are kept for the channel only.
void set_timeout(std::uint8_t ch, int readInterval_ms, int readTotalConstant_ms);
// Writes all the bytes.
void put_string(std::uint8_t ch, const QByteArray& text);
void put_byte(std::uint8_t ch, std::uint8_t value);
// Waits kAnswerWait_ms (platform::sleeper()), then returns what has arrived,
// at most kReadBufferSize bytes. Empty when nothing came or the channel is
// closed.
QByteArray get_string(std::uint8_t ch);
// What has arrived so far, at most kReadBufferSize bytes, without waiting.
// Empty when nothing came or the channel is closed; a failed read or a line
// that hung up (a device that went away) raises ExCom "get_string,
// erreur = N".
QByteArray read_available(std::uint8_t ch);
// Throws away every byte received and not yet read (stale answers), so the
// next read holds only what comes after. Nothing when the channel is closed.
void discard_input(std::uint8_t ch);
// The output lines of a serial port that switch relays and camera
// modifications.
enum class ModemLine { Rts, Dtr };
// Raises (on) or drops a modem-control line of channel ch's port; raises
// ExCom "set_modem_line, erreur = N" when the channel is closed or the line
// cannot be switched.
void set_modem_line(std::uint8_t ch, ModemLine line, bool on);
// Tests: every switch goes to observer (with the port number) instead of the
// device; an empty function restores the device.
void SetModemLineObserver(std::function<void(std::uint8_t port, ModemLine line, bool on)> observer);

// Closes the port of channel ch and clears every channel that shared it.
void close_com(std::uint8_t ch);
// Lets go of channel ch alone: its port is closed unless another channel
// still holds it.
void release_com(std::uint8_t ch);
// Closes every channel (end of the program, tests).
void close_all();

} // namespace platform::com_io
