// nj-alpaca-sim: the simulated Alpaca telescope as a program of its own, for
// trying the ASCOM interface without a mount.
//   nj-alpaca-sim [port [discovery-port]]   (defaults 11111 and 32227)
// It listens on 127.0.0.1 only and runs until it is stopped.

#include "telescope/sim/alpaca_simulator.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const quint16 port = args.size() > 1 ? quint16(args[1].toUInt()) : 11111;
    const int discovery = args.size() > 2 ? args[2].toInt() : 32227;
    Telescope::AlpacaSimulator sim(port, discovery);
    if (!sim.listening()) {
        std::fprintf(stderr, "nj-alpaca-sim: port %u is not free\n", unsigned(port));
        return 1;
    }
    std::printf("nj-alpaca-sim: telescope 127.0.0.1:%u/0, discovery on port %u\n", unsigned(sim.port()),
                unsigned(sim.discoveryPort()));
    std::fflush(stdout);
    return app.exec();
}
