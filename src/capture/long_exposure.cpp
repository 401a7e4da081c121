#include "capture/long_exposure.h"

#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/helpers/num_text.h"
#include "app/systeme.h"
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

namespace {
// A failure of the lines was told since the last series or camera start.
bool g_failureTold = false;
} // namespace

void TellLinesFailure(const QString& text)
{
    if (g_failureTold)
        return;
    g_failureTold = true;
    Msg::ShowMessageText(false, text);
}

void ForgetLinesFailure()
{
    g_failureTold = false;
}

bool SetSerialLines(long double rts, long double dtr)
{
    namespace com = platform::com_io;
    const auto set = [](com::ModemLine line, bool raised) {
        try {
            com::set_modem_line(kLongExposureChannel, line, raised);
            return true;
        } catch (const com::ExCom& e) {
            const QString port = FRM_Pref ? FRM_Pref->CBX_Vesta_Port->currentText().trimmed() : QString();
            TellLinesFailure(TranslatedTexts.MSG_Poses_Longues_Lignes_Serie.arg(port, QString::fromUtf8(e.what())));
            return false;
        }
    };
    // A line the settings leave alone needs nothing; the first line that
    // cannot be switched ends the switch.
    const auto rtsLevel = LineLevel(rts);
    if (rtsLevel && !set(com::ModemLine::Rts, *rtsLevel))
        return false;
    const auto dtrLevel = LineLevel(dtr);
    return !dtrLevel || set(com::ModemLine::Dtr, *dtrLevel);
}

bool LibraryTrigger(bool fixed)
{
    if (LedControlResult != 0) {
        TellLinesFailure(QStringLiteral("EnumCams = -1 !!"));
        return false;
    }
    LedControlResult = 1;
    if (LedControlProcs.CamTrigger)
        LedControlResult = LedControlProcs.CamTrigger(fixed ? 0 : 1);
    Msg::ShowMessageText(false, QStringLiteral("ResLedLex = ") + QString::number(LedControlResult));
    return LedControlProcs.CamTrigger != nullptr;
}

bool ChangePort(const QString& tag, const std::function<std::uint8_t(std::uint8_t)>& change)
{
    if (!LongExposureParams.PortAddress) {
        TellLinesFailure(TranslatedTexts.MSG_Poses_Longues_Sans_Port);
        return false;
    }
    const std::uint16_t port = *LongExposureParams.PortAddress;
    // Shut ports are told as the write's failure, not read first.
    if (PortDriverOpen) {
        LongExposurePortShadow = change(Align_V::PortRead(port));
        if (FRM_Pref)
            FRM_Pref->EDT_TestValue->setText(NumText::IntToBin(LongExposurePortShadow));
        if (Align_V::PortWrite(port, LongExposurePortShadow, tag))
            return true;
    }
    TellLinesFailure(TranslatedTexts.MSG_Poses_Longues_Port_Ecriture.arg(
        QStringLiteral("%1").arg(port, 4, 16, QLatin1Char('0')).toUpper()));
    return false;
}

} // namespace LongExposure
