#pragma once
// The autoguider entry points of a plug-in library, as the command layer
// calls them. The plug-in manager provides the chosen guider (its table bound
// to the library, its id and name) through SetGuidePluginProvider; tests give
// a table of their own.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

extern "C" {
struct TGuidePluginTable {
    // owner window, guider id, guider name, plug-in folder + "/", 0 -> handle
    std::int32_t (*autoguide_create)(void* owner, std::int32_t id, const char* name, const char* folder,
                                     std::int32_t reserved);
    std::int32_t (*autoguide_connect)(std::int32_t handle);
    std::int32_t (*autoguide_disconnect)(std::int32_t handle);
    std::int32_t (*autoguide_free)(std::int32_t handle);
    std::int32_t (*autoguide_move)(std::int32_t handle, std::int32_t direction);
    std::int32_t (*autoguide_stop)(std::int32_t handle, std::int32_t direction);
};
}

struct TGuidePluginChoice {
    QString name;
    std::int32_t guiderId = 0;
    const TGuidePluginTable* table = nullptr;
};

namespace GuidePlugin {

// The guider at an index of the Preferences dialog's plug-in list; none when
// there is no such guider.
using Provider = std::function<std::optional<TGuidePluginChoice>(int index)>;
void SetProvider(Provider provider);
std::optional<TGuidePluginChoice> Choice(int index);

// The guider instance the command layer created; handle 0 when none.
struct TInstance {
    TGuidePluginChoice choice;
    std::int32_t handle = 0;
};
extern TInstance Instance;

} // namespace GuidePlugin
