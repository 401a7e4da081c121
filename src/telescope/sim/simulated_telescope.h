#pragma once
// A telescope driver behind the bridge's request interface, served at once on
// the calling thread. It follows the bridge's rules: driver requests act only
// while connected, answers set "data_set", a slew runs for a set time.
// Installs itself as the bridge while it lives.

#include "telescope/ascom_bridge.h"

#include <array>
#include <cstdint>
#include <vector>

namespace Telescope {

class SimulatedTelescope final : public AscomBridge::Bridge {
public:
    SimulatedTelescope();
    ~SimulatedTelescope() override;

    void Signal(int request) override;
    bool WaitDataSet(int timeout_ms) override;

    // Every request signalled, in order.
    std::vector<int> requests;
    struct Pulse {
        std::uint8_t direction;
        std::int32_t duration_ms;
    };
    std::vector<Pulse> pulses;
    // The current MoveAxis rate of axis 0 and 1 (degrees per second).
    std::array<double, 2> axisRate{};

    double raHours = 0;
    double decDegrees = 0;
    bool connected = false;
    bool slewing = false;
    int slewDuration_ms = 3000;
    bool canPulseGuide = true;
    bool canSlew = true;
    bool canSlewAsync = true;
    bool canSync = true;
    bool canMoveAxis = true;
    // False: requests are served but no answer ever comes (a hung driver).
    bool answers = true;
    // The rate list handed to the requesters on connection.
    std::vector<AscomBridge::RateRef> rates;

    int count(int request) const;

private:
    void serve(int request);
    bool dataSet_ = false;
    double targetRa_ = 0;
    double targetDec_ = 0;
    std::int64_t slewEnd_ms_ = 0;
};

} // namespace Telescope
