#include "telescope/guide_plugin.h"

namespace GuidePlugin {
namespace {
Provider g_provider;
}

TInstance Instance;

void SetProvider(Provider provider) { g_provider = std::move(provider); }

std::optional<TGuidePluginChoice> Choice(int index)
{
    if (!g_provider || index < 0)
        return std::nullopt;
    return g_provider(index);
}

} // namespace GuidePlugin
