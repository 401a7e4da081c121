#pragma once
// An LX200 mount on the other side of a pseudo-terminal. The program opens
// devicePath() as a serial port; the mount records every command, answers
// ":GR#", ":GD#", ":D#", ":MS#", ":Sr"/":Sd" and ":CM#", slews to the target
// at a set rate, and moves while ":Mn#" ... are held.
//
// Tests call pump() between the program's writes and reads (a sleeper that
// pumps is enough): it answers everything received so far, deterministically.
// The running program lets start() pump on a thread of its own.
//
// Positions are seconds of arc; time is platform::clock()'s.

#include "platform/pseudo_terminal.h"

#include <QByteArray>
#include <QList>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace Telescope {

class SimulatedLx200Mount {
public:
    // Rates in seconds of arc per second.
    static constexpr double kGuideRate = 30;
    static constexpr double kCentreRate = 300;
    static constexpr double kFindRate = 1800;
    static constexpr double kDefaultSlewRate = 4 * 3600;

    // guideRate: the rate of ":RG#" and of the pulse-guide commands.
    explicit SimulatedLx200Mount(double guideRate = kGuideRate);
    ~SimulatedLx200Mount();
    SimulatedLx200Mount(const SimulatedLx200Mount&) = delete;
    SimulatedLx200Mount& operator=(const SimulatedLx200Mount&) = delete;

    bool isOpen() const { return pty_.isOpen(); }
    QString error() const { return pty_.error(); }
    QString devicePath() const { return pty_.slavePath(); }

    // Moves the mount on to now and answers every command received.
    void pump();
    // Pumps on a thread of its own until stop() (or destruction).
    void start();
    void stop();

    // Every LX200 command received, ":GR#" and so on, oldest first.
    QList<QByteArray> commands() const;
    // Every byte received, commands and anything else (guide bytes, relay
    // texts, line endings).
    QByteArray received() const;
    void clearRecords();

    double ra() const;
    double dec() const;
    void setPosition(double ra, double dec);
    bool slewing() const;
    void setSlewRate(double arcsecPerSecond);

private:
    QByteArray answer(const QByteArray& command);
    void advance(std::int64_t now_ms);
    void run();

    mutable std::mutex mutex_;
    platform::PseudoTerminal pty_;
    QByteArray pending_;
    QList<QByteArray> commands_;
    QByteArray received_;
    double ra_ = 0, dec_ = 0;
    double targetRa_ = 0, targetDec_ = 0;
    bool slewing_ = false;
    double slewRate_ = kDefaultSlewRate;
    double guideRate_ = kGuideRate;
    double moveRate_ = kGuideRate;
    std::array<bool, 4> moving_{};   // north, south, east, west
    std::int64_t lastUpdate_ms_ = -1;
    std::thread thread_;
    std::atomic<bool> running_{false};
};

} // namespace Telescope
