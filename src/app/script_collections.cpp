#include "app/script_collections.h"

#include "app/frm_alv.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>

int CurrentScriptCollectionIndex = 0;
QStringList ScriptCollectionList;
QString ScriptCollectionFilePath;

void LoadScriptCollection()
{
    ScriptCollectionList.clear();
    const QStringList files = QDir(platform::programDir())
                                  .entryList({QStringLiteral("Script_*.ini")}, QDir::Files, QDir::Unsorted);
    for (const QString& f : files)
        ScriptCollectionList << QFileInfo(f).completeBaseName().mid(7);
    if (!FRM_Alv)
        return;
    for (QComboBox* combo : {FRM_Alv->CBX_ScriptCollection, FRM_Alv->CBX_ScriptCollection_B}) {
        const QSignalBlocker block(combo);
        combo->clear();
        combo->addItems(ScriptCollectionList);
        combo->setCurrentIndex(CurrentScriptCollectionIndex < combo->count() ? CurrentScriptCollectionIndex : -1);
    }
    const QString name = FRM_Alv->CBX_ScriptCollection->currentText();
    ScriptCollectionFilePath = name.isEmpty() ? QString()
                                              : platform::joinPath(platform::programDir(),
                                                                   QStringLiteral("Script_") + name + QStringLiteral(".ini"));
    // The buttons themselves are built from that file by the script bar.
}
