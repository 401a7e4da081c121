#include "telescope/prg_suivi_private.h"

#include "app/controls/num_inp.h"
#include "app/frm_pref.h"
#include "app/helpers/num_text.h"
#include "capture/camera_slots.h"
#include "capture/port_io.h"
#include "scripting/scripts.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/guide_plugin.h"
#include "telescope/mount_state.h"
#include "translation/translated_texts.h"

#include <QTimer>
#include <algorithm>
#include <array>
#include <climits>
#include <stdexcept>

namespace Prg_Suivi {

THooks Hooks;

namespace detail {

std::uint16_t VennerBase = 0;
std::uint16_t QuillonBase = 0;
bool Connecting = false;
int FocuserMoving = -1;

std::array<Interface, 4> g_startedOn{};

TFRM_Pref& pref()
{
    if (!FRM_Pref)
        throw std::logic_error("the Preferences dialog does not exist");
    return *FRM_Pref;
}

QTimer* axisTimer(std::uint8_t direction)
{
    if (!FRM_Prg_Suivi)
        return nullptr;
    return IsDecDirection(direction) ? FRM_Prg_Suivi->TMR_Suivi_Dec : FRM_Prg_Suivi->TMR_Suivi_AD;
}

QTimer* positionTimer() { return FRM_Prg_Suivi ? FRM_Prg_Suivi->TMR_ScopePosition : nullptr; }

void arm(QTimer* timer, std::int64_t ms)
{
    if (!timer)
        return;
    timer->setInterval(int(std::clamp<std::int64_t>(ms, 1, INT_MAX)));
    timer->start();
}

std::int32_t& remaining(std::uint8_t direction) { return IsDecDirection(direction) ? RemainingDec : RemainingRA; }
std::uint8_t& moving(std::uint8_t direction) { return MovingFlags[direction & 3]; }

void recordLastDirection(std::uint8_t direction)
{
    if (IsDecDirection(direction))
        LastDecDirection = direction;
    else
        LastRADirection = direction;
}

std::uint8_t inverted(std::uint8_t direction)
{
    TFRM_Pref& p = pref();
    const bool guide = MotionSource == 1;
    const bool ra = guide ? p.CKB_GUIDE_InverseAD->isChecked() : p.CKB_GOTO_InverseAD->isChecked();
    const bool dec = guide ? p.CKB_GUIDE_InverseDEC->isChecked() : p.CKB_GOTO_InverseDEC->isChecked();
    if ((IsDecDirection(direction) && dec) || (!IsDecDirection(direction) && ra))
        return OppositeDirection(direction);
    return direction;
}

void showStart(std::uint8_t direction, std::int64_t ms)
{
    if (!FRM_Prg_Suivi)
        return;
    const QString names[] = {TranslatedTexts.Txt_Nord, TranslatedTexts.Txt_Sud, TranslatedTexts.Txt_Est,
                             TranslatedTexts.Txt_Ouest};
    const bool dec = IsDecDirection(direction);
    (dec ? FRM_Prg_Suivi->EDT_Dir_Dec : FRM_Prg_Suivi->EDT_Dir_AD)->setText(names[direction & 3]);
    (dec ? FRM_Prg_Suivi->EDT_Duree_Dec : FRM_Prg_Suivi->EDT_Duree_AD)->setText(QString::number(ms));
}

void clearReadouts(std::uint8_t direction)
{
    if (!FRM_Prg_Suivi)
        return;
    const bool dec = IsDecDirection(direction);
    (dec ? FRM_Prg_Suivi->TNI_TR_Dec : FRM_Prg_Suivi->TNI_TR_AD)->SetValue(0);
    (dec ? FRM_Prg_Suivi->EDT_Duree_Dec : FRM_Prg_Suivi->EDT_Duree_AD)->setText(QStringLiteral("0"));
}

void showParallelShadow()
{
    if (FRM_Pref)
        FRM_Pref->EDT_TestValue->setText(NumText::IntToBin(ParallelPortShadow[0]));
}

Interface& startedOn(std::uint8_t direction) { return g_startedOn[direction & 3]; }

} // namespace detail

using detail::pref;

void ResetMotionState()
{
    MovingFlags.fill(0);
    LastRADirection = LastDecDirection = 0;
    RemainingRA = RemainingDec = 0;
    PendingDecPulse = 0;
    MotionSource = 0;
    HandPadMoving = 0;
    GotoAxisMovingRA = GotoAxisMovingDec = 0;
    detail::g_startedOn.fill(Interface::None);
    detail::Lx200Rate = -1;
    detail::VennerBase = detail::QuillonBase = 0;
    detail::FocuserMoving = -1;
    GuidePlugin::Instance = {};
    detail::forgetPendingMoves();
    detail::forgetToldFailures();
}

Interface MountKind()
{
    const TFRM_Pref& p = pref();
    if (p.RDB_Mount_LX200->isChecked())
        return Interface::LX200;
    if (p.RDB_Mount_ASCOM->isChecked())
        return Interface::Ascom;
    if (p.RDB_Mount_Plugin->isChecked())
        return Interface::Plugin;
    if (p.RDB_Mount_KitsRus108->isChecked())
        return Interface::KitsRus;
    if (p.RDB_Mount_Quillon->isChecked())
        return Interface::Quillon;
    return Interface::None;
}

Interface GuideKind()
{
    const TFRM_Pref& p = pref();
    if (p.RDB_Autoguide_LX200->isChecked())
        return Interface::LX200;
    if (p.RDB_Autoguide_Marrick->isChecked())
        return Interface::Marrick;
    if (p.RDB_Autoguide_Quillon->isChecked())
        return Interface::Quillon;
    if (p.RDB_Autoguide_Venner->isChecked())
        return Interface::Venner;
    if (p.RDB_Autoguide_ASCOM->isChecked())
        return Interface::Ascom;
    if (p.RDB_Autoguide_KitsRus108->isChecked())
        return Interface::KitsRus;
    if (p.RDB_Autoguide_Plugin->isChecked())
        return Interface::Plugin;
    return Interface::None;
}

Interface FocuserKind()
{
    const TFRM_Pref& p = pref();
    if (p.RDB_Focus_LX200->isChecked())
        return Interface::LX200;
    if (p.RDB_Focus_Quillon->isChecked())
        return Interface::Quillon;
    if (p.RDB_Focus_Venner->isChecked())
        return Interface::Venner;
    if (p.RDB_Focus_Plugin->isChecked())
        return Interface::Plugin;
    if (p.RDB_Focus_Kitsrus->isChecked())
        return Interface::KitsRus;
    if (p.RDB_Focus_ASCOM->isChecked())
        return Interface::Ascom;
    return Interface::None;
}

Interface MotionKind()
{
    const Interface mount = MountKind();
    const Interface guide = GuideKind();
    if (mount == Interface::LX200)
        return Interface::LX200;
    if (guide == Interface::Marrick)
        return Interface::Marrick;
    if (mount != Interface::Ascom) {
        if (guide == Interface::Quillon || guide == Interface::Venner || guide == Interface::KitsRus)
            return guide;
        if (mount == Interface::Plugin || guide == Interface::Plugin)
            return Interface::Plugin;
        if (mount == Interface::Quillon || mount == Interface::KitsRus)
            return mount;
    }
    if (mount == Interface::Ascom || guide == Interface::Ascom)
        return Interface::Ascom;
    if (guide == Interface::LX200)
        return Interface::LX200;
    return Interface::None;
}

bool MotionUsesMount()
{
    const Interface kind = MotionKind();
    return kind != Interface::None && kind == MountKind();
}

std::uint8_t ChannelOf(Interface kind)
{
    switch (kind) {
    case Interface::LX200: return ComChannel::LX200;
    case Interface::Marrick: return ComChannel::Marrick;
    case Interface::Venner: return ComChannel::Venner;
    case Interface::KitsRus: return ComChannel::KitsRus;
    case Interface::Quillon: return ComChannel::Quillon;
    default: return 0;
    }
}

std::uint8_t FocuserChannel()
{
    const TFRM_Pref& p = pref();
    switch (FocuserKind()) {
    case Interface::LX200:
        return MountKind() == Interface::LX200
                       && p.CBX_AG_Focus_PortSerie->currentText() == p.CBX_AG_PortSerie->currentText()
                   ? ComChannel::LX200
                   : ComChannel::LX200Focuser;
    case Interface::Venner: return ComChannel::Venner;
    case Interface::Quillon: return ComChannel::Quillon;
    default: return 0;
    }
}

} // namespace Prg_Suivi
