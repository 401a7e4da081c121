#pragma once
// The autoguider entry points of a plug-in library, as the command layer
// calls them. The plug-in manager provides the chosen guider (its table bound
// to the library, its id and name) through SetGuidePluginProvider; tests give
// a table of their own.

#include "platform/plugin_library.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

// The autoguider table of the plug-in interface (nj_plugin.h).
using TGuidePluginTable = platform::PluginGuiderApi;

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
