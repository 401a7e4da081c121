#include "telescope/sim/mount_simulator_device.h"

#include "platform/com_io.h"
#include "platform/simulated_camera.h"
#include "telescope/sim/simulated_lx200_mount.h"

#include <cmath>
#include <memory>
#include <numbers>

namespace Telescope {
namespace {

std::unique_ptr<SimulatedLx200Mount> g_simulator;

// The sky's offset in pixels: the mount's way from where it started, in
// seconds of arc on the sky (a move in right ascension shrinks with the
// cosine of the declination), at the cameras' scale.
void followSimulator(SimulatedLx200Mount& sim)
{
    const double ra0 = sim.ra(), dec0 = sim.dec();
    platform::setSimulatedMountOffset([&sim, ra0, dec0](double& x, double& y) {
        constexpr double fullCircle = 1296000;
        const double dec = sim.dec();
        const double dRa = std::remainder(sim.ra() - ra0, fullCircle);
        x = dRa * std::cos(dec / 3600 * std::numbers::pi / 180) / kSimulatedSkyScale;
        y = (dec - dec0) / kSimulatedSkyScale;
    });
}

} // namespace

void RegisterMountSimulator()
{
    platform::com_io::RegisterVirtualDevice(QStringLiteral("SIM"), []() -> QString {
        if (!g_simulator) {
            auto sim = std::make_unique<SimulatedLx200Mount>(kSimulatorGuideRate);
            if (!sim->isOpen())
                return {};
            sim->start();
            g_simulator = std::move(sim);
            followSimulator(*g_simulator);
        }
        return g_simulator->devicePath();
    });
}

SimulatedLx200Mount* MountSimulator() { return g_simulator.get(); }

void StopMountSimulator()
{
    platform::setSimulatedMountOffset({});
    g_simulator.reset();
}

} // namespace Telescope
