#include "capture/port_io.h"

#include "app/frm_pref.h"
#include "app/preferences_traffic.h"
#include "app/systeme.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_slots.h"
#include "platform/port_access.h"
#include "translation/translated_texts.h"

#include <QHash>
#include <cctype>

std::uint8_t LongExposurePortShadow = 0;

namespace {

// The last byte written to each address, read back while the ports are shut.
QHash<std::uint16_t, std::uint8_t> g_lastWritten;

QString hexAddress(std::uint16_t port)
{
    return QStringLiteral("%1").arg(port, 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

namespace Align_V {

bool PortOut(std::uint16_t port, std::uint8_t value)
{
    g_lastWritten.insert(port, value);
    return platform::portAccess().write(port, value);
}

bool PortWrite(std::uint16_t port, std::uint8_t value, const QString& tag)
{
    if (!PortDriverOpen)
        return false;
    const bool written = PortOut(port, value);
    Preferences::AddTrafficLine(true, false, hexAddress(port),
                                QStringLiteral("%1").arg(value, 8, 2, QLatin1Char('0')));
    return written;
}

std::uint8_t PortRead(std::uint16_t port)
{
    if (PortDriverOpen)
        return platform::portAccess().read(port);
    app::reportOnce(TranslatedTexts.MSG_Port_Lecture_Impossible
                        .arg(hexAddress(port)));
    return g_lastWritten.value(port, 0);
}

std::uint16_t PortAddressFromText(const QString& text)
{
    // The hexadecimal number at the start of the text; what follows it, if
    // anything, is a blank or "(" and a comment ("$0378 (LPT1)", "$03F8(COM1)").
    // A text such as "      COM3" names no address.
    QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('$')))
        t.remove(0, 1);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        t.remove(0, 2);
    qsizetype end = 0;
    while (end < t.size() && end < 4 && isxdigit(t[end].toLatin1()))
        ++end;
    if (end == 0 || (end < t.size() && !t[end].isSpace() && t[end] != u'('))
        return 0;
    return static_cast<std::uint16_t>(t.left(end).toUInt(nullptr, 16));
}

void InitVestaPort()
{
    if (!FRM_Pref || !FRM_Pref->CKB_VestaMod->isChecked())
        return;
    LongExposurePortShadow = 0;
    if (const auto port = PortAddressFromText(FRM_Pref->CBX_Vesta_Port->currentText()))
        PortWrite(port, LongExposurePortShadow, QStringLiteral("FormActivate-Vesta"));
}

void InitQuillonPort()
{
    if (!FRM_Pref)
        return;
    if (!FRM_Pref->RDB_Autoguide_Quillon->isChecked() && !FRM_Pref->RDB_Focus_Quillon->isChecked())
        return;
    if (const auto port = PortAddressFromText(FRM_Pref->CBX_AG_PortParallele->currentText())) {
        ParallelPortShadow[2] = 11;
        PortWrite(static_cast<std::uint16_t>(port + 2), ParallelPortShadow[2], QStringLiteral("FormActivate-Quillon"));
    }
}

} // namespace Align_V
