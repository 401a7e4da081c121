#pragma once
// What the simulated LX200 mount does with each command, with no port: it
// answers as the device does, slews to its target at a set rate and moves
// while ":Mn#" ... are held. SimulatedLx200Mount puts it on a
// pseudo-terminal.
//
// Its target comes from ":Sr"/":Sd" or from its object library: ":LM n#"
// (Messier), ":LC n#" (the deep-sky library chosen by ":Lo 0#" NGC, ":Lo 1#"
// IC, ":Lo 2#" UGC) find the object in the program's deep-sky catalogue
// "SAC72.dat". An object it does not find leaves it without a target, and
// ":MS#" and ":CM#" are then refused with the reason: it never slews to a
// target nobody chose. It knows no star or planet library (":LS n#").
// Choosing a library answers one digit, "1" for one it has (":Lo 0#" to
// ":Lo 2#") and "0" for any other (every ":Ls n#"); choosing an object
// answers nothing.
//
// Like the hand box it stands for, it knows its site and the time (the
// wall time of platform::clock()): ":MS#" to a target below its horizon is
// refused with "1Objet sous l'horizon#" and leaves it where it is.
//
// ":GR#" and ":GD#" answer in the precision the mount is in: "HH:MM.T#" and
// "sDD*MM#" as it starts, "HH:MM:SS#" and "sDD*MM'SS#" once ":U#" has
// toggled it to long precision (":U#" again toggles it back).
//
// A pulse (":Mgn0250#" ...) moves it at the guide rate for its length of
// the clock, as a held move does; a new pulse in the same direction starts
// that direction's length again, and ":Q#" or ":Qn#" ends it early.
//
// Positions are seconds of arc; times are milliseconds of the caller's clock.

#include "telescope/sky/catalogues.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace Telescope {

// Takes the complete commands from the start of `pending`: each runs from a
// ":" to the next "#"; what comes before a ":" is no command and is dropped.
// What is left is the start of a command still coming (from its ":"), or
// nothing.
QList<QByteArray> TakeCommands(QByteArray& pending);

class Lx200MountModel {
public:
    // Rates in seconds of arc per second.
    static constexpr double kGuideRate = 30;
    static constexpr double kCentreRate = 300;
    static constexpr double kFindRate = 1800;
    static constexpr double kDefaultSlewRate = 4 * 3600;
    // Its site as set on its hand box, in degrees: north and east positive.
    static constexpr double kSiteLatitude = 48.85;
    static constexpr double kSiteLongitude = 2.35;

    // guideRate: the rate of ":RG#" and of the pulse-guide commands.
    explicit Lx200MountModel(double guideRate = kGuideRate);

    // The reply to one command (":GR#" and so on), empty for none.
    QByteArray answer(const QByteArray& command);
    // Moves the mount on to now_ms.
    void advance(std::int64_t now_ms);

    double ra() const { return ra_; }
    double dec() const { return dec_; }
    void setPosition(double ra, double dec);
    bool slewing() const { return slewing_; }
    bool longPrecision() const { return longPrecision_; }
    void setSlewRate(double arcsecPerSecond) { slewRate_ = arcsecPerSecond; }
    void setSite(double latitude, double longitude);
    // Whether a place of the sky (seconds of arc) stands above its horizon
    // at `utc`.
    bool aboveHorizon(double ra, double dec, const QDateTime& utc) const;

    // The objects its library finds. Without this call it reads "SAC72.dat"
    // of the program directory at its first look-up, and again at the next
    // while the file is missing.
    void useDeepSkyCatalogue(std::vector<Sky::DeepSkyRecord> objects);

private:
    enum class DeepSkyLibrary { NGC, IC, UGC, None };

    void loadObject(const QByteArray& code);
    bool ensureCatalogue();
    void noTarget(const QByteArray& reason);

    double ra_ = 0, dec_ = 0;
    std::optional<double> targetRa_, targetDec_;
    // Why there is no target, for the refusal of ":MS#" and ":CM#".
    QByteArray noTargetReason_ = "Aucun objet choisi";
    bool slewing_ = false;
    double slewRa_ = 0, slewDec_ = 0;   // where ":MS#" sent it
    double slewRate_ = kDefaultSlewRate;
    double latitude_ = kSiteLatitude, longitude_ = kSiteLongitude;
    double guideRate_ = kGuideRate;
    double moveRate_ = kGuideRate;
    std::array<bool, 4> moving_{};   // north, south, east, west
    // When the pulse of each direction ends, in the caller's ms (none: -1).
    std::array<std::int64_t, 4> pulseEnd_ms_{-1, -1, -1, -1};
    bool longPrecision_ = false;
    std::int64_t lastUpdate_ms_ = -1;
    DeepSkyLibrary library_ = DeepSkyLibrary::NGC;
    std::vector<Sky::DeepSkyRecord> catalogue_;
    bool catalogueRead_ = false;
};

} // namespace Telescope
