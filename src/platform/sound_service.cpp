#include "platform/sound_service.h"

namespace platform {
namespace {

class SilentSoundService final : public SoundService {
public:
    void playResource(const QString&) override {}
};

SilentSoundService g_silent;
SoundService* g_sound = &g_silent;

} // namespace

SoundService& sound() { return *g_sound; }
void setSoundService(SoundService* service) { g_sound = service ? service : &g_silent; }

} // namespace platform
