#include "telescope/frm_prg_suivi.h"

#include "app/frm_pref.h"
#include "app/ui/event_boundary.h"
#include "app/ui/held_keys.h"
#include "platform/com_io.h"
#include "platform/paths.h"
#include "platform/sound_service.h"
#include "telescope/mount_state.h"
#include "telescope/mount_conversation.h"
#include "telescope/prg_suivi.h"
#include "telescope/prg_suivi_private.h"
#include "telescope/sim/mount_simulator_device.h"

#include <QApplication>

TFRM_Prg_Suivi* FRM_Prg_Suivi = nullptr;

namespace {

QTimer* makeTimer(QObject* owner, const char* name, int interval)
{
    auto* t = new QTimer(owner);
    t->setObjectName(QString::fromLatin1(name));
    t->setInterval(interval);
    return t;
}

bool mountConnected() { return FRM_Pref && FRM_Pref->BTN_Mount_Deconnecter->isEnabled(); }

} // namespace

TFRM_Prg_Suivi::TFRM_Prg_Suivi(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    KeyPreview = true;
    // A held arrow key makes one move: the keyboard's repeats are kept away
    // (installed after the forms' key preview, so it runs before it).
    qApp->installEventFilter(new app::HeldKeyFilter(this, [](int key) { return ArrowKeyDirection(key) >= 0; }));
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
    // The end-of-slew sound: a stored path (either separator, relative to
    // the program folder), played without waiting.
    Prg_Suivi::Hooks.PlaySoundFile = [](const QString& stored) {
        platform::sound().playFile(platform::resolveDataFile(platform::fromStoredPath(stored.trimmed())));
    };
}

TFRM_Prg_Suivi::~TFRM_Prg_Suivi()
{
    // Nothing is left moving when the program ends, and nothing queued for
    // the mount goes out once the windows are gone.
    Prg_Suivi::Conversation().cancelAll();
    Prg_Suivi::StopAllMotion();
    platform::com_io::close_all();
    Telescope::StopMountSimulator();
}

void TFRM_Prg_Suivi::FormCreate()
{
    Telescope::RegisterMountSimulator();
}

void TFRM_Prg_Suivi::FormKeyDown(int& key, Qt::KeyboardModifiers)
{
    const int direction = ArrowKeyDirection(key);
    if (direction < 0 || !Prg_Suivi::UserMoveCanGo() || !mountConnected())
        return;
    heldKeys_[std::size_t(direction)] = true;
    MotionSource = 0;
    Prg_Suivi::StartMotion(std::uint8_t(direction), false, true, Prg_Suivi::kUntilStopped);
}

void TFRM_Prg_Suivi::FormKeyUp(int& key, Qt::KeyboardModifiers)
{
    const int direction = ArrowKeyDirection(key);
    if (direction >= 0)
        ReleaseKey(std::uint8_t(direction));
}

void TFRM_Prg_Suivi::ReleaseKey(std::uint8_t direction)
{
    heldKeys_[direction] = false;
    if (!mountConnected())
        return;
    // The inversion boxes of the press: guiding may have changed the source since.
    MotionSource = 0;
    Prg_Suivi::StopMountDirection(direction);
}

void TFRM_Prg_Suivi::ReleaseHeldKeys()
{
    for (std::uint8_t d = 0; d < heldKeys_.size(); ++d)
        if (heldKeys_[d])
            ReleaseKey(d);
}

bool TFRM_Prg_Suivi::event(QEvent* e)
{
    if (e->type() == QEvent::WindowDeactivate || e->type() == QEvent::Hide)
        app::runGuarded(QStringLiteral("FRM_Prg_Suivi.ReleaseHeldKeys"), [this] { ReleaseHeldKeys(); });
    return TForm::event(e);
}

void TFRM_Prg_Suivi::TMR_Suivi_ADTimer() { Prg_Suivi::PulseTimerRA(); }
void TFRM_Prg_Suivi::TMR_Suivi_DecTimer() { Prg_Suivi::PulseTimerDec(); }
void TFRM_Prg_Suivi::TMR_ScopePositionTimer() { Prg_Suivi::PollPosition(); }
