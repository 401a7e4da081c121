#pragma once
// The simulated LX200 mount as a serial device of the running program: a
// line "COM20=SIM" in the program directory's "comports.map" makes COM20
// open the simulator, which is started on first use and runs on a thread of
// its own until the program ends.

namespace Telescope {

class SimulatedLx200Mount;

// Registers the device name "SIM" with the serial layer.
void RegisterMountSimulator();
// The simulator, once a port has opened it; null before.
SimulatedLx200Mount* MountSimulator();
// Stops and frees the simulator.
void StopMountSimulator();

} // namespace Telescope
