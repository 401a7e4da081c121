#pragma once
// The on-screen file, folder and colour dialogs (QFileDialog, QColorDialog),
// modal, in front of every window with the keyboard (KeepInFrontOfEveryWindow).
// A cancelled dialog answers an empty optional.

#include "platform/dialog_service.h"

namespace app {

class WidgetDialogService final : public platform::DialogService {
public:
    std::optional<QString> openFile(const platform::FileDialogRequest& request) override;
    std::optional<QStringList> openFiles(const platform::FileDialogRequest& request) override;
    std::optional<QString> saveFile(const platform::FileDialogRequest& request) override;
    std::optional<QString> chooseFolder(const QString& title, const QString& directory) override;
    std::optional<std::int32_t> chooseColor(const QString& title, std::int32_t initial) override;
};

} // namespace app
