#pragma once
// An LX200 mount on the other side of a pseudo-terminal. The program opens
// devicePath() as a serial port; the mount records every command, answers
// ":GR#", ":GD#" (in the precision ":U#" toggles), ":D#", ":MS#",
// ":Sr"/":Sd", ":CM#" and the library choices ":Lo n#"/":Ls n#", finds the
// objects of its library (":LM n#", ":LC n#"), slews to the target at a set
// rate, and moves while ":Mn#" ... are held and for the length of a pulse
// (Lx200MountModel).
//
// Tests call pump() between the program's writes and reads (a sleeper that
// pumps is enough): it answers everything received so far, deterministically.
// The running program lets start() pump on a thread of its own.
//
// Positions are seconds of arc; time is platform::clock()'s.

#include "platform/pseudo_terminal.h"
#include "telescope/sim/lx200_mount_model.h"

#include <QByteArray>
#include <QList>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace Telescope {

class SimulatedLx200Mount {
public:
    // Rates in seconds of arc per second.
    static constexpr double kGuideRate = Lx200MountModel::kGuideRate;
    static constexpr double kCentreRate = Lx200MountModel::kCentreRate;
    static constexpr double kFindRate = Lx200MountModel::kFindRate;
    static constexpr double kDefaultSlewRate = Lx200MountModel::kDefaultSlewRate;

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
    // The objects its library finds, in place of the program directory's
    // "SAC72.dat".
    void useDeepSkyCatalogue(std::vector<Sky::DeepSkyRecord> objects);

private:
    void run();

    mutable std::mutex mutex_;
    platform::PseudoTerminal pty_;
    QByteArray pending_;
    QList<QByteArray> commands_;
    QByteArray received_;
    Lx200MountModel model_;
    std::thread thread_;
    std::atomic<bool> running_{false};
};

} // namespace Telescope
