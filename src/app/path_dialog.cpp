#include "app/path_dialog.h"

#include "platform/dialog_service.h"
#include "translation/translated_texts.h"

#include <QDir>

namespace {

bool isSeparator(QChar c) { return c == u'\\' || c == u'/'; }

// "/", "\" and a drive root such as "C:\" name a root whose separator must stay.
bool isRoot(const QString& dir)
{
    return dir.size() == 1 || (dir.size() == 3 && dir[1] == u':' && dir[0].isLetter());
}

} // namespace

void TPathDialog::SetDirectory(const QString& dir)
{
    if (dir.isEmpty()) {
        directory_ = QDir::currentPath();
        return;
    }
    if (isSeparator(dir.back()) && !isRoot(dir))
        directory_ = dir.chopped(1);
    else
        directory_ = dir;
}

bool TPathDialog::Execute()
{
    if (OnShow)
        OnShow(*this);
    const QString title = Title.isEmpty() ? TranslatedTexts.MSG_Titre_Choisir_Repertoire : Title;
    const std::optional<QString> choice = platform::dialogs().chooseFolder(title, directory_);
    if (!choice || choice->isEmpty())
        return false;
    if (OnSelect)
        OnSelect(*this, *choice);
    SetDirectory(*choice);
    return true;
}
