// The port map file ("ports.map"): each line of any text is either a port
// or one problem; ports never share registers; the ports read, written back
// as map lines, read as the same ports.

#include "fuzz_check.h"
#include "platform/port_access_linux.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace platform;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const PortMap map = parsePortMap(text);

    qsizetype meaningful = 0;
    for (const QString& line : text.split(u'\n')) {
        const QString t = line.trimmed();
        meaningful += !(t.isEmpty() || t.startsWith(u'#') || t.startsWith(u';'));
    }
    NJ_FUZZ_CHECK(qsizetype(map.devices.size()) + map.problems.size() == meaningful, text);

    QString again;
    for (std::size_t i = 0; i < map.devices.size(); ++i) {
        const PortDevice& d = map.devices[i];
        NJ_FUZZ_CHECK(!d.path.isEmpty(), text);
        for (std::size_t j = 0; j < i; ++j)
            NJ_FUZZ_CHECK(d.base >= map.devices[j].base + kPortRegisterCount
                              || map.devices[j].base >= d.base + kPortRegisterCount,
                          text);
        again += QStringLiteral("%1=%2\n").arg(d.base, 4, 16, QChar(u'0')).arg(d.path);
    }
    const PortMap reread = parsePortMap(again);
    NJ_FUZZ_CHECK(reread.problems.isEmpty() && reread.devices.size() == map.devices.size(), again);
    for (std::size_t i = 0; i < map.devices.size(); ++i)
        NJ_FUZZ_CHECK(reread.devices[i].base == map.devices[i].base && reread.devices[i].path == map.devices[i].path
                          && reread.devices[i].kind == map.devices[i].kind,
                      again);
    return 0;
}
