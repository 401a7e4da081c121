#include "app/script_collections.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings/settings_file.h"
#include "platform/ini_document.h"
#include "platform/message_service.h"
#include "platform/paths.h"
#include "translation/translated_texts.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>

TScriptButtons ScriptButtons;
int CurrentScriptCollectionIndex = 0;
QStringList ScriptCollectionList;
QString ScriptCollectionFilePath;
int EditedButtonIndex = 0;
QToolButton* EditedButton = nullptr;
QToolButton* EditedButtonB = nullptr;

namespace ScriptBar {
namespace {

const QString kPrefix = QStringLiteral("Script_");
const QString kSuffix = QStringLiteral(".ini");

QString iconPath(const QString& icon)
{
    if (icon.trimmed().isEmpty() || !FRM_Pref)
        return {};
    const QString found = platform::findFileNoCase(FRM_Pref->IconsFolder(), platform::fromStoredPath(icon));
    return QFileInfo(found).isFile() ? found : QString();
}

} // namespace

QStringList ListScriptCollections()
{
    QStringList names;
    const QStringList files = QDir(platform::programDir())
                                  .entryList({kPrefix + QStringLiteral("*") + kSuffix},
                                             QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
    for (const QString& f : files)
        names << f.mid(kPrefix.size(), f.size() - kPrefix.size() - kSuffix.size());
    return names;
}

QString CollectionFilePath(const QString& name)
{
    const QString file = kPrefix + name + kSuffix;
    const QString found = platform::findFileNoCase(platform::programDir(), file);
    return found.isEmpty() ? platform::joinPath(platform::programDir(), file) : found;
}

bool CollectionExists(const QString& name)
{
    return !platform::findFileNoCase(platform::programDir(), kPrefix + name + kSuffix).isEmpty();
}

QToolButton* ExpertButton(int n)
{
    if (!FRM_Alv || n < 1 || n > kFunctionButtonCount)
        return nullptr;
    return FRM_Alv->findChild<QToolButton*>(QStringLiteral("SPDB_F%1").arg(n));
}

QToolButton* BeginnerButton(int n)
{
    if (!FRM_Alv || n < 1 || n > kFunctionButtonCount)
        return nullptr;
    return FRM_Alv->findChild<QToolButton*>(QStringLiteral("SPDB_F%1_B").arg(n));
}

void ApplyButtonFace(int n, QStringList* unreadable)
{
    const TScriptButton& entry = ScriptButtons[n];
    const QString path = iconPath(entry.Icon);
    QIcon glyph;
    if (!path.isEmpty()) {
        const QImage image = QImageReader(path).read();
        if (image.isNull()) {
            if (unreadable)
                *unreadable << path;
        } else {
            glyph = QIcon(QPixmap::fromImage(image));
        }
    }
    for (QToolButton* b : {ExpertButton(n), BeginnerButton(n)}) {
        if (!b)
            continue;
        b->setIcon(glyph);
        b->setText(glyph.isNull() ? QString::number(n) : QString());
        b->setToolButtonStyle(glyph.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
        b->setToolTip(entry.Hint);
    }
}

void ReportUnreadable(const QStringList& unreadable)
{
    if (unreadable.isEmpty())
        return;
    platform::messages().show({TranslatedTexts.MSG_Image_Bouton_Illisible + unreadable.join(QStringLiteral(", ")),
                               platform::MsgKind::Warning, platform::MsgButtons::Ok,
                               QStringLiteral("ScriptBar.Unreadable"), {}});
}

} // namespace ScriptBar

void LoadScriptCollection()
{
    ScriptCollectionList = ScriptBar::ListScriptCollections();
    QString name;
    if (FRM_Alv) {
        for (QComboBox* combo : {FRM_Alv->CBX_ScriptCollection, FRM_Alv->CBX_ScriptCollection_B}) {
            const QSignalBlocker block(combo);
            combo->clear();
            combo->addItems(ScriptCollectionList);
            combo->setCurrentIndex(CurrentScriptCollectionIndex < combo->count() ? CurrentScriptCollectionIndex : -1);
        }
        name = FRM_Alv->CBX_ScriptCollection->currentText();
    }
    ScriptCollectionFilePath = ScriptBar::CollectionFilePath(name);
    BuildScriptBar(ScriptCollectionFilePath);
}

void BuildScriptBar(const QString& path)
{
    using namespace ScriptBar;
    // A file that cannot be read gives an empty document: empty entries.
    ScriptButtons = ReadCollection(platform::IniDocument(path));
    QStringList unreadable;
    for (int n = 1; n <= kFunctionButtonCount; ++n)
        ApplyButtonFace(n, &unreadable);
    ReportUnreadable(unreadable);
}

bool SaveScriptBar(const QString& path)
{
    platform::IniDocument doc;
    bool ok = doc.load(path);
    if (ok) {
        ScriptBar::WriteCollection(doc, ScriptButtons);
        ok = doc.save();
    }
    if (!ok)
        Settings::ReportWriteError(path, doc.errorString());
    return ok;
}
