#include "app/night_colors.h"

#include <QApplication>
#include <QPalette>
#include <optional>

namespace NightColors {
namespace {
std::optional<QPalette> g_saved;
}

void SaveSystemColors() { g_saved = QApplication::palette(); }

void RestoreSystemColors()
{
    if (g_saved)
        QApplication::setPalette(*g_saved);
}

bool SystemColorsSaved() { return g_saved.has_value(); }

} // namespace NightColors
