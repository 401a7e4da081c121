// Script commands that switch output lines of a PC parallel port (through
// its registers) and the RTS and DTR lines of a serial port.

#include "app/helpers/num_text.h"
#include "app/systeme.h"
#include "capture/port_io.h"
#include "scripting/command_fields.h"
#include "scripting/script_commands.h"
#include "scripting/script_language.h"
#include "scripting/script_texts.h"
#include "scripting/scripts.h"

#include "platform/com_io.h"

#include <array>
#include <cstdlib>

namespace Scripts {

namespace {

// The logical serial channel setserialport opens its port on: the last one.
constexpr std::uint8_t ScriptSerialChannel = platform::com_io::kChannelCount;

// For each pin of the 25-pin connector (index 1..25): the register offset
// from the base address, negative for a line inverted between register and
// connector, 9 for a pin that is no output; and the bit in that register.
constexpr std::array<std::int32_t, 26> kPinRegister{0,  -2, 0, 0, 0, 0, 0, 0, 0, 0, 9, 9, 9, 9,
                                                    -2, 9,  2, -2, 9, 9, 9, 9, 9, 9, 9, 9};
constexpr std::array<std::int32_t, 26> kPinBit{0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 9, 9, 9, 9,
                                               1, 9, 2, 3, 9, 9, 9, 9, 9, 9, 9, 9};

// An integer field that must hold an integer: false (after a script error
// showing the field, unless the evaluator reported already) when it does
// not.
bool RequiredInt(const QString& field, std::int32_t& value)
{
    bool converted = false;
    if (!EvalIntField(field, 0, value, &converted))
        return false;
    if (!converted) {
        ScriptError(field.trimmed());
        return false;
    }
    return true;
}

} // namespace

void CmdSetparallelport(std::uint8_t, const QString& arguments)
{
    // The address is a string operand ("378", "$378" or a string variable)
    // read as hexadecimal; a "$" written before it is dropped.
    const QString addressField = CommandField(arguments, 1).trimmed();
    QString operand = addressField;
    if (operand.startsWith(QLatin1Char('$')))
        operand.remove(0, 1);
    QString addressText;
    const int pos = EvalOperand(operand, TypeString, 1, addressText);
    if (pos == kNotFound)
        return;
    const std::optional<std::uint64_t> base = pos == kWrongType ? std::nullopt : NumText::HexToInt(addressText);
    if (!base || *base > 0xFFFF) {
        ScriptError(addressField);   // nothing is written to a port it does not name
        return;
    }
    std::int32_t pin = 0, value = 0;
    if (!RequiredInt(CommandField(arguments, 2), pin))
        return;
    if (pin < 1 || pin > 25) {
        ScriptError(CommandField(arguments, 2).trimmed());
        return;
    }
    if (!RequiredInt(CommandField(arguments, 3), value))
        return;
    const std::int32_t reg = kPinRegister[std::size_t(pin)];
    std::uint32_t address = std::uint32_t(*base);
    if (std::abs(reg) != 9)
        address += std::uint32_t(std::abs(reg));
    if (address > 0xFFFF) {
        ScriptError(addressField);
        return;
    }
    // A line the port does not take (the ports shut, an address of no
    // device of the machine) is never taken for switched.
    const bool written = StatementAction(
        [&] {
            if (!PortDriverOpen)
                return false;
            std::uint8_t b = Align_V::PortRead(std::uint16_t(address));
            const int bit = kPinBit[std::size_t(pin)];
            if (bit < 8) {
                // The value 1 drives an inverted line by clearing its bit.
                const bool set = (reg < 0) != (value == 1);
                b = set ? std::uint8_t(b | (1u << bit)) : std::uint8_t(b & ~(1u << bit));
            }
            return Align_V::PortWrite(std::uint16_t(address), b, QStringLiteral("setparallelport"));
        },
        ScriptTexts::kPortNotWritten);
    if (written)
        CommandDone();
}

void CmdSetserialport(std::uint8_t, const QString& arguments)
{
    namespace com = platform::com_io;
    const QString signal = CommandField(arguments, 2).trimmed().toUpper();
    if (signal != QLatin1String("RTS") && signal != QLatin1String("DTR")) {
        ScriptError(CommandField(arguments, 1));
        return;
    }
    QString port;
    if (!EvalField(CommandField(arguments, 1), TypeString, port))
        return;
    bool numbered = false;
    const int n = port.mid(3).toInt(&numbered);
    if (port.left(3).toUpper() != QLatin1String("COM") || !numbered || n < 1 || n > com::kMaxPortNumber) {
        ScriptError(port);
        return;
    }
    std::int32_t value = 0;
    if (!RequiredInt(CommandField(arguments, 3), value))
        return;
    if (value != 0 && value != 1) {
        ScriptError(QString::number(value));
        return;
    }
    // A channel that already holds the port is shared; the port stays open
    // for later statements.
    bool opened = false;
    try {
        opened = com::open_com(ScriptSerialChannel, QStringLiteral("COM%1").arg(n));
    } catch (const com::ExCom&) {
        opened = false;
    }
    if (!opened || com::find_channel(std::uint8_t(n)) == 0) {
        ScriptError(QStringLiteral("Cannot open port COM%1").arg(n));
        return;
    }
    com::set_modem_line(ScriptSerialChannel, signal == QLatin1String("RTS") ? com::ModemLine::Rts : com::ModemLine::Dtr,
                        value == 1);
    CommandDone();
}

} // namespace Scripts

namespace {
const Scripts::CommandRegistrar registrar{
    {"setparallelport", Scripts::CmdSetparallelport},
    {"setserialport", Scripts::CmdSetserialport},
};
}
