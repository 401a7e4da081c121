#include "app/ui/widget_dialog_service.h"

#include "app/controls/color_panel.h"

#include <QApplication>
#include <QColorDialog>
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

std::optional<QStringList> WidgetDialogService::openFiles(const platform::FileDialogRequest& r)
{
    const QStringList chosen =
        QFileDialog::getOpenFileNames(QApplication::activeWindow(), r.title, startPath(r), r.filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<QString> WidgetDialogService::saveFile(const platform::FileDialogRequest& r)
{
    const QFileDialog::Options options = r.confirmOverwrite ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite;
    return answer(QFileDialog::getSaveFileName(QApplication::activeWindow(), r.title,
                                               startPath(r), r.filter, nullptr, options));
}

std::optional<QString> WidgetDialogService::chooseFolder(const QString& title,
                                                         const QString& directory)
{
    return answer(QFileDialog::getExistingDirectory(QApplication::activeWindow(), title,
                                                    directory, QFileDialog::ShowDirsOnly));
}

std::optional<std::int32_t> WidgetDialogService::chooseColor(const QString& title, std::int32_t initial)
{
    const QColor chosen = QColorDialog::getColor(TColorPanel::toQColor(initial), QApplication::activeWindow(), title);
    if (!chosen.isValid())
        return std::nullopt;
    return TColorPanel::fromQColor(chosen);
}

} // namespace app
