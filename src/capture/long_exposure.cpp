#include "capture/long_exposure.h"

#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/helpers/num_text.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_control_lib.h"
#include "capture/port_io.h"
#include "platform/com_io.h"
#include "translation/translated_texts.h"

#include <QAbstractButton>
#include <cmath>

TLongExposureParams LongExposureParams;
std::int32_t LastExposureDurationMs = 0;
TLongExposureClock LongExposureClock;
std::uint8_t MainReadoutDone = 1;
float PluginMinExposure = 0;
bool PluginExposurePending = false;

namespace LongExposure {

std::optional<bool> LineLevel(long double setting)
{
    const long double v = std::round(setting);
    if (v == 1)
        return true;
    if (v == 0)
        return false;
    return std::nullopt;
}

void SetSerialLines(long double rts, long double dtr)
{
    namespace com = platform::com_io;
    // A closed channel or a port without modem lines leaves the levels as
    // they are; the start has already told the user about the port.
    const auto set = [](com::ModemLine line, bool raised) {
        try {
            com::set_modem_line(kLongExposureChannel, line, raised);
        } catch (const com::ExCom&) {
        }
    };
    if (const auto level = LineLevel(rts))
        set(com::ModemLine::Rts, *level);
    if (const auto level = LineLevel(dtr))
        set(com::ModemLine::Dtr, *level);
}

void LibraryTrigger(bool fixed)
{
    if (LedControlResult != 0) {
        Msg::ShowMessageText(false, QStringLiteral("EnumCams = -1 !!"));
        return;
    }
    LedControlResult = 1;
    if (LedControlProcs.CamTrigger)
        LedControlResult = LedControlProcs.CamTrigger(fixed ? 0 : 1);
    Msg::ShowMessageText(false, QStringLiteral("ResLedLex = ") + QString::number(LedControlResult));
}

void ChangePort(const QString& tag, const std::function<std::uint8_t(std::uint8_t)>& change)
{
    if (!LongExposureParams.PortAddress) {
        app::reportOnce(TranslatedTexts.MSG_Poses_Longues_Sans_Port);
        return;
    }
    const std::uint16_t port = *LongExposureParams.PortAddress;
    LongExposurePortShadow = change(Align_V::PortRead(port));
    if (FRM_Pref)
        FRM_Pref->EDT_TestValue->setText(NumText::IntToBin(LongExposurePortShadow));
    Align_V::PortWrite(port, LongExposurePortShadow, tag);
}

} // namespace LongExposure
