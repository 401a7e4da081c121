#include "app/ui/widget_dialog_service.h"

#include "app/controls/color_panel.h"
#include "app/ui/widget_message_service.h"

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

// A dialog waits for its answer: in front of every window, those kept on
// top included (a statement's dialog would else open under the script
// window), with the keyboard.
bool runInFront(QDialog& dialog) { return ExecInFront(dialog) == QDialog::Accepted; }

std::optional<QStringList> runFileDialog(const QString& title, const QString& start, const QString& filter,
                                         QFileDialog::FileMode mode, QFileDialog::AcceptMode accept,
                                         QFileDialog::Options options = {})
{
    QFileDialog dialog(nullptr, title, start, filter);
    dialog.setFileMode(mode);
    dialog.setAcceptMode(accept);
    dialog.setOptions(options);
    if (!runInFront(dialog) || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles();
}

std::optional<QString> first(const std::optional<QStringList>& chosen)
{
    if (!chosen || chosen->front().isEmpty())
        return std::nullopt;
    return chosen->front();
}

} // namespace

std::optional<QString> WidgetDialogService::openFile(const platform::FileDialogRequest& r)
{
    return first(runFileDialog(r.title, startPath(r), r.filter, QFileDialog::ExistingFile, QFileDialog::AcceptOpen));
}

std::optional<QStringList> WidgetDialogService::openFiles(const platform::FileDialogRequest& r)
{
    return runFileDialog(r.title, startPath(r), r.filter, QFileDialog::ExistingFiles, QFileDialog::AcceptOpen);
}

std::optional<QString> WidgetDialogService::saveFile(const platform::FileDialogRequest& r)
{
    const QFileDialog::Options options = r.confirmOverwrite ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite;
    return first(runFileDialog(r.title, startPath(r), r.filter, QFileDialog::AnyFile, QFileDialog::AcceptSave, options));
}

std::optional<QString> WidgetDialogService::chooseFolder(const QString& title,
                                                         const QString& directory)
{
    return first(runFileDialog(title, directory, QString(), QFileDialog::Directory, QFileDialog::AcceptOpen,
                               QFileDialog::ShowDirsOnly));
}

std::optional<std::int32_t> WidgetDialogService::chooseColor(const QString& title, std::int32_t initial)
{
    QColorDialog dialog(TColorPanel::toQColor(initial));
    dialog.setWindowTitle(title);
    if (!runInFront(dialog) || !dialog.selectedColor().isValid())
        return std::nullopt;
    return TColorPanel::fromQColor(dialog.selectedColor());
}

} // namespace app
