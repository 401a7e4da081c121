#pragma once
// The simulated LX200 mount as a serial device of the running program: a
// line "COM20=SIM" in the program directory's "comports.map" makes COM20
// open the simulator, which is started on first use and runs on a thread of
// its own until the program ends.
//
// While it runs, the built-in simulated cameras see its moves: the sky
// moves by kSimulatedSkyScale seconds of arc a pixel, East and North
// towards greater x and y, so that guiding on them through COM20 closes
// its loop.

namespace Telescope {

class SimulatedLx200Mount;

// The simulated cameras' image scale, in seconds of arc a pixel: 7.4 um
// pixels at 2000 mm, the optics of a fresh program directory's settings.
constexpr double kSimulatedSkyScale = 206264.806 * 0.0074 / 2000;

// Its guide rate, in seconds of arc a second: the guide speeds of a fresh
// program directory's motor-speed profile, so that guiding through it
// holds the simulated cameras' stars with the settings as shipped.
constexpr double kSimulatorGuideRate = 5;

// Registers the device name "SIM" with the serial layer.
void RegisterMountSimulator();
// The simulator, once a port has opened it; null before.
SimulatedLx200Mount* MountSimulator();
// Stops and frees the simulator.
void StopMountSimulator();

} // namespace Telescope
