// nj-alpaca-sim: the simulated Alpaca telescope as a program of its own, for
// trying the ASCOM interface without a mount. It listens on 127.0.0.1 only
// and runs until it is stopped.

#include "telescope/sim/alpaca_simulator.h"

#include <QCoreApplication>
#include <cstdio>
#include <optional>

namespace {

const char kUsage[] =
    "Usage: nj-alpaca-sim [PORT [DISCOVERY-PORT]]\n"
    "Serves a simulated Alpaca telescope, device 0, on 127.0.0.1:PORT (default 11111)\n"
    "and answers Alpaca discovery on UDP DISCOVERY-PORT (default 32227); 0 takes a\n"
    "free port. NightjarPro's ASCOM telescope is then 127.0.0.1:PORT/0.\n"
    "  -h, --help   print this and exit\n";

// A port number as typed: 0 to 65535, digits only.
std::optional<quint16> portNumber(const QString& text)
{
    bool ok = false;
    const uint v = text.toUInt(&ok);
    if (!ok || text.isEmpty() || !text.front().isDigit() || v > 65535)
        return std::nullopt;
    return quint16(v);
}

} // namespace

int main(int argc, char** argv)
{
    // The arguments as typed: the application object takes some of its own
    // out of argv, which would then start a simulator unasked.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QCoreApplication app(argc, argv);
    if (args.contains(QLatin1String("-h")) || args.contains(QLatin1String("--help"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    quint16 port = 11111;
    quint16 discovery = 32227;
    for (int i = 0; i < int(args.size()); ++i) {
        const auto number = i < 2 ? portNumber(args[i]) : std::nullopt;
        if (!number) {
            std::fprintf(stderr, "nj-alpaca-sim: %s: %s\n%s", qPrintable(args[i]),
                         i < 2 ? "not a port number" : "one argument too many", kUsage);
            return 2;
        }
        (i == 0 ? port : discovery) = *number;
    }
    Telescope::AlpacaSimulator sim(port, discovery);
    if (!sim.listening()) {
        std::fprintf(stderr, "nj-alpaca-sim: port %u is not free\n", unsigned(port));
        return 1;
    }
    if (sim.discoveryPort() == 0)
        std::printf("nj-alpaca-sim: telescope 127.0.0.1:%u/0, no discovery (UDP port %u is not free)\n",
                    unsigned(sim.port()), unsigned(discovery));
    else
        std::printf("nj-alpaca-sim: telescope 127.0.0.1:%u/0, discovery on port %u\n", unsigned(sim.port()),
                    unsigned(sim.discoveryPort()));
    std::fflush(stdout);
    return app.exec();
}
