#pragma once
// Every file and folder dialog goes through this service: real dialogs on
// screen (installed by the program at start-up), scripted answers in tests.
// An empty optional means the user cancelled.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace platform {

struct FileDialogRequest {
    QString title;
    QString directory;   // folder to open in
    QString fileName;    // proposed name
    QString filter;      // Qt filter text, e.g. "Scripts (*.script *.txt)"
    // A save dialog asks before an existing file is chosen; off where the
    // program asks itself.
    bool confirmOverwrite = true;
};

class DialogService {
public:
    virtual ~DialogService() = default;
    virtual std::optional<QString> openFile(const FileDialogRequest& request) = 0;
    // Several files at once (at least one when not cancelled). A service
    // without it offers one file.
    virtual std::optional<QStringList> openFiles(const FileDialogRequest& request)
    {
        if (std::optional<QString> one = openFile(request))
            return QStringList{*one};
        return std::nullopt;
    }
    virtual std::optional<QString> saveFile(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> chooseFolder(const QString& title, const QString& directory) = 0;
    // A colour as the program stores colours (red in the low byte, green in
    // the second, blue in the third), starting from `initial`. A service
    // without colour dialogs cancels.
    virtual std::optional<std::int32_t> chooseColor(const QString& title, std::int32_t initial)
    {
        return std::nullopt;
    }
};

// The service in force; nullptr restores the fallback, which cancels every dialog.
DialogService& dialogs();
void setDialogService(DialogService* service);

} // namespace platform
