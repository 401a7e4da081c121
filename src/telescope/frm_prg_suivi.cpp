#include "telescope/frm_prg_suivi.h"

#include "app/frm_pref.h"
#include "app/ui/event_boundary.h"
#include "platform/com_io.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/prg_suivi_private.h"
#include "telescope/sim/mount_simulator_device.h"

TFRM_Prg_Suivi* FRM_Prg_Suivi = nullptr;

namespace {

QTimer* makeTimer(QObject* owner, const char* name, int interval)
{
    auto* t = new QTimer(owner);
    t->setObjectName(QString::fromLatin1(name));
    t->setInterval(interval);
    return t;
}

// The direction of an arrow key, or -1.
int arrowDirection(int key)
{
    switch (key) {
    case Qt::Key_Left: return dirEast;
    case Qt::Key_Up: return dirNorth;
    case Qt::Key_Right: return dirWest;
    case Qt::Key_Down: return dirSouth;
    default: return -1;
    }
}

bool mountConnected() { return FRM_Pref && FRM_Pref->BTN_Mount_Deconnecter->isEnabled(); }

} // namespace

TFRM_Prg_Suivi::TFRM_Prg_Suivi(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    KeyPreview = true;
    TMR_Suivi_AD = makeTimer(this, "TMR_Suivi_AD", 1000);
    TMR_Suivi_Dec = makeTimer(this, "TMR_Suivi_Dec", 1000);
    TMR_ScopePosition = makeTimer(this, "TMR_ScopePosition", 1000);
    TMR_Process_Cmd = makeTimer(this, "TMR_Process_Cmd", 50);
    connect(TMR_Suivi_AD, &QTimer::timeout, this,
            [this] { app::runGuarded(QStringLiteral("TMR_Suivi_AD"), [this] { TMR_Suivi_ADTimer(); }); });
    connect(TMR_Suivi_Dec, &QTimer::timeout, this,
            [this] { app::runGuarded(QStringLiteral("TMR_Suivi_Dec"), [this] { TMR_Suivi_DecTimer(); }); });
    connect(TMR_ScopePosition, &QTimer::timeout, this, [this] {
        app::runGuarded(QStringLiteral("TMR_ScopePosition"), [this] { TMR_ScopePositionTimer(); });
    });
}

TFRM_Prg_Suivi::~TFRM_Prg_Suivi()
{
    // Nothing is left moving when the program ends.
    for (std::uint8_t d : {dirEast, dirWest, dirNorth, dirSouth}) {
        if (!MovingFlags[d] || !FRM_Pref)
            continue;
        try {
            Prg_Suivi::StopOn(Prg_Suivi::detail::startedOn(d), d);
        } catch (...) {
        }
    }
    platform::com_io::close_all();
    Telescope::StopMountSimulator();
}

void TFRM_Prg_Suivi::FormCreate()
{
    Telescope::RegisterMountSimulator();
}

void TFRM_Prg_Suivi::FormKeyDown(int& key, Qt::KeyboardModifiers)
{
    const int direction = arrowDirection(key);
    if (direction < 0 || !mountConnected())
        return;
    MotionSource = 0;
    Prg_Suivi::StartMotion(std::uint8_t(direction), false, true, Prg_Suivi::kUntilStopped);
}

void TFRM_Prg_Suivi::FormKeyUp(int& key, Qt::KeyboardModifiers)
{
    const int direction = arrowDirection(key);
    if (direction < 0 || !mountConnected())
        return;
    Prg_Suivi::StopMountDirection(std::uint8_t(direction));
}

void TFRM_Prg_Suivi::TMR_Suivi_ADTimer() { Prg_Suivi::PulseTimerRA(); }
void TFRM_Prg_Suivi::TMR_Suivi_DecTimer() { Prg_Suivi::PulseTimerDec(); }
void TFRM_Prg_Suivi::TMR_ScopePositionTimer() { Prg_Suivi::PollPosition(); }
