// The send layer of text commands and guide bytes, and the focuser.

#include "telescope/prg_suivi_private.h"

#include "app/frm_pref.h"
#include "app/preferences_traffic.h"
#include "app/ui/event_boundary.h"
#include "platform/clock.h"
#include "platform/com_io.h"
#include "telescope/frm_raquette.h"
#include "telescope/lx200_protocol.h"
#include "telescope/mount_state.h"

namespace Prg_Suivi {

namespace com_io = platform::com_io;
using detail::pref;

void WriteLX200Command(std::uint8_t channel, const QByteArray& text)
{
    detail::raiseIfUnconnected(channel);
    TFRM_Pref& p = pref();
    const QByteArray bytes = Lx200::WithLineEndings(text, p.CKB_CR->isChecked(), p.CKB_LF->isChecked());
    if (p.CKB_Historique_Comm->isChecked())
        Preferences::AddTrafficLine(false, true, QStringLiteral("COM%1").arg(com_io::channel(channel).port),
                                    QString::fromLatin1(bytes));
    com_io::put_string(channel, bytes);
}

void SendLX200Command(std::uint8_t channel, const QByteArray& text)
{
    WriteLX200Command(channel, text);
    platform::sleeper().sleepMs(pref().SPED_Delai_Serie->value());
}

void SendMountCommand(const QByteArray& text)
{
    AutoConnectMount();
    SendLX200Command(ComChannel::LX200, text);
}

void SendGuideByte(std::uint8_t channel, std::uint8_t value)
{
    detail::raiseIfUnconnected(channel);
    com_io::put_byte(channel, value);
    Preferences::AddTrafficLine(false, true, pref().CBX_AG_PortSerie->currentText(),
                                QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper());
}

int detail::Lx200Rate = -1;

void SelectSlewRate(int index)
{
    AutoConnectMount();
    if (MountKind() == Interface::LX200 && index >= 0 && index < int(Lx200::SlewRateCommands.size())) {
        SendLX200Command(ComChannel::LX200, Lx200::SlewRateCommands[std::size_t(index)]);
        detail::Lx200Rate = index;
    }
}

void UseGuideRateForGuiding()
{
    // A guide pulse at "Find" or "Slew" would carry the mount by degrees:
    // the guide rate is selected first, and the hand pad shows it.
    if (detail::Lx200Rate < 2 || MotionKind() != Interface::LX200 || MountKind() != Interface::LX200)
        return;
    SelectSlewRate(0);
    if (!FRM_Raquette)
        return;
    FRM_Raquette->RDB_Guide->setChecked(true);   // no click: the rate went out already
    const int guide = FRM_Raquette->CBX_Rate->findText(QStringLiteral("Guide"));
    if (guide >= 0)
        FRM_Raquette->CBX_Rate->setCurrentIndex(guide);
}

void StartFocuser(std::uint8_t direction, bool fast)
{
    AutoConnectFocuser();
    // The move is noted before the command that starts it goes out, so a
    // start that failed half way is still stopped.
    switch (FocuserKind()) {
    case Interface::LX200:
        SendLX200Command(FocuserChannel(), Lx200::FocuserSpeedCommand(fast));
        detail::FocuserMoving = direction;
        SendLX200Command(FocuserChannel(), Lx200::FocuserDirectionCommand(direction));
        break;
    case Interface::Quillon:
        detail::FocuserMoving = direction;
        QuillonFocusStart(direction);
        break;
    default:
        break;
    }
}

void StopFocuser(std::uint8_t direction)
{
    AutoConnectFocuser();
    const Interface kind = FocuserKind();
    switch (kind) {
    case Interface::LX200:
        SendLX200Command(FocuserChannel(), Lx200::FocuserStopCommand);
        break;
    case Interface::Quillon:
        QuillonFocusStop(direction);
        break;
    default:
        break;
    }
    // ":FQ#" stops either way; a parallel line only its own direction.
    if (kind != Interface::Quillon || detail::FocuserMoving == direction)
        detail::FocuserMoving = -1;
}

void detail::stopFocuserMove()
{
    if (FocuserMoving < 0)
        return;
    app::runGuarded(QStringLiteral("StopFocuser"), [] { StopFocuser(std::uint8_t(FocuserMoving)); });
}

} // namespace Prg_Suivi
