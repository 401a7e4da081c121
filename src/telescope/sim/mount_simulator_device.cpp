#include "telescope/sim/mount_simulator_device.h"

#include "platform/com_io.h"
#include "telescope/sim/simulated_lx200_mount.h"

#include <memory>

namespace Telescope {
namespace {

std::unique_ptr<SimulatedLx200Mount> g_simulator;

} // namespace

void RegisterMountSimulator()
{
    platform::com_io::RegisterVirtualDevice(QStringLiteral("SIM"), []() -> QString {
        if (!g_simulator) {
            auto sim = std::make_unique<SimulatedLx200Mount>();
            if (!sim->isOpen())
                return {};
            sim->start();
            g_simulator = std::move(sim);
        }
        return g_simulator->devicePath();
    });
}

SimulatedLx200Mount* MountSimulator() { return g_simulator.get(); }

void StopMountSimulator() { g_simulator.reset(); }

} // namespace Telescope
