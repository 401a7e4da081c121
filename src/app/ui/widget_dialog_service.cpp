#include "app/ui/widget_dialog_service.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

namespace app {
namespace {

// The folder to open in, with the proposed name when there is one.
QString startPath(const platform::FileDialogRequest& r)
{
    if (r.fileName.isEmpty())
        return r.directory;
    if (r.directory.isEmpty())
        return r.fileName;
    return QDir(r.directory).filePath(r.fileName);
}

std::optional<QString> answer(const QString& chosen)
{
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

} // namespace

std::optional<QString> WidgetDialogService::openFile(const platform::FileDialogRequest& r)
{
    return answer(QFileDialog::getOpenFileName(QApplication::activeWindow(), r.title,
                                               startPath(r), r.filter));
}

std::optional<QString> WidgetDialogService::saveFile(const platform::FileDialogRequest& r)
{
    return answer(QFileDialog::getSaveFileName(QApplication::activeWindow(), r.title,
                                               startPath(r), r.filter));
}

std::optional<QString> WidgetDialogService::chooseFolder(const QString& title,
                                                         const QString& directory)
{
    return answer(QFileDialog::getExistingDirectory(QApplication::activeWindow(), title,
                                                    directory, QFileDialog::ShowDirsOnly));
}

} // namespace app
