#include "scripting/frm_script.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "app/ui/widget_message_service.h"
#include "platform/atomic_file.h"
#include "platform/codepage.h"
#include "platform/dialog_service.h"
#include "platform/message_service.h"
#include "platform/text_lines.h"
#include "scripting/find_dialog.h"
#include "scripting/frm_scr_cmd.h"
#include "scripting/script_texts.h"
#include "scripting/scripts.h"
#include "translation/translated_texts.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QTextBlock>

TFRM_Script* FRM_Script = nullptr;

namespace {

const QString kBuildCustomFunctionMenu = QStringLiteral("Align_V.BuildCustomFunctionMenu");
const QString kOpenFilter = QStringLiteral("Text (*.txt);;Script (*.script)");
const QString kSaveFilter = QStringLiteral("Text (*.txt)");
const QString kSaveDefaultSuffix = QStringLiteral("txt");

void bindMenu(QAction* item, QObject* context, std::function<void()> handler)
{
    QObject::connect(item, &QAction::triggered, context, [item, handler = std::move(handler)] {
        app::runGuarded(item->objectName(), handler);
    });
}

// "Courier New" where the machine has it, else its fixed-pitch font.
QFont editorFont()
{
    QFont font(QStringLiteral("Courier New"), 8);
    font.setStyleHint(QFont::Monospace);
    if (QFontInfo(font).family().compare(QStringLiteral("Courier New"), Qt::CaseInsensitive) != 0) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(8);
    }
    return font;
}

// Editor position -> position with every earlier line break counted twice.
std::int32_t toFilePosition(const QTextDocument* doc, int position)
{
    return position + doc->findBlock(position).blockNumber();
}

// The reverse, clamped to the text; a position inside a line break goes to
// the start of the next line.
int toEditorPosition(const QTextDocument* doc, std::int32_t position)
{
    if (position <= 0)
        return 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const std::int64_t start = static_cast<std::int64_t>(b.position()) + b.blockNumber();
        const std::int64_t end = start + b.text().size();
        if (position <= end)
            return b.position() + static_cast<int>(position - start);
        if (position < end + 2)
            return b.next().isValid() ? b.next().position() : b.position() + b.text().size();
    }
    return doc->characterCount() - 1;
}

// Both tool bars' run buttons.
void enableRunButton()
{
    for (const QString& name : {QStringLiteral("SPDB_Executer_Script"), QStringLiteral("SPDB_Executer_Script_B")})
        if (QWidget* w = app::findControl<QWidget>(FRM_Alv, name))
            w->setEnabled(true);
}

QString scriptsFolder() { return FRM_Pref ? FRM_Pref->ScriptsFolder() : QString(); }

// The request of a dialog, which starts from its own file, else the other
// dialog's, else the scripts folder.
platform::FileDialogRequest dialogRequest(const QString& title, TFileDialogState& dialog,
                                          const TFileDialogState& other, const QString& filter)
{
    if (dialog.FileName.isEmpty()) {
        if (!other.FileName.isEmpty())
            dialog.FileName = other.FileName;
        else
            dialog.InitialDir = scriptsFolder();
    }
    platform::FileDialogRequest request;
    request.title = title;
    request.directory = dialog.InitialDir;
    request.fileName = dialog.FileName;
    request.filter = filter;
    return request;
}

const std::pair<const char*, void (TFRM_Script::*)()> kNamedHandlers[] = {
    {"FRM_Script.MNU_NouveauClick", &TFRM_Script::MNU_NouveauClick},
    {"FRM_Script.MNU_OuvrirClick", &TFRM_Script::MNU_OuvrirClick},
    {"FRM_Script.MNU_EnregistrerClick", &TFRM_Script::MNU_EnregistrerClick},
    {"FRM_Script.MNU_Enregistrer_sousClick", &TFRM_Script::MNU_Enregistrer_sousClick},
    {"FRM_Script.MNU_FermerClick", &TFRM_Script::MNU_FermerClick},
    {"FRM_Script.MNU_RechercherClick", &TFRM_Script::MNU_RechercherClick},
    {"FRM_Script.MNU_Occurrence_SuivanteClick", &TFRM_Script::MNU_Occurrence_SuivanteClick},
    {"FRM_Script.MNU_AssistantClick", &TFRM_Script::MNU_AssistantClick},
    {"FRM_Script.MNU_ExecuterDuCurseurClick", &TFRM_Script::MNU_ExecuterDuCurseurClick},
    {"FRM_Script.MNU_PauseClick", &TFRM_Script::MNU_PauseClick},
    {"FRM_Script.MNU_ArreterClick", &TFRM_Script::MNU_ArreterClick},
};

} // namespace

TFRM_Script::TFRM_Script(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // It raises itself at every statement: the boxes and dialogs statements
    // open are made its own, so they stay in front of it.
    app::SetFrontWindow(this);
    Memo_Script->setFont(editorFont());
    Memo_Script->installEventFilter(this);
    Memo_Script->viewport()->installEventFilter(this);
    FND_Recherche = new TFindDialog(this);
    FND_Recherche->OnFind = [this] { FND_RechercheFind(); };

    TMR_Script = new QTimer(this);
    TMR_Script->setObjectName(QStringLiteral("TMR_Script"));
    TMR_Script->setInterval(Scripts::kDefaultScriptRate_ms);
    connect(TMR_Script, &QTimer::timeout, this,
            [this] { app::runGuarded(QStringLiteral("TMR_Script"), [this] { TMR_ScriptTimer(); }); });
    bindMenu(MNU_Nouveau, this, [this] { MNU_NouveauClick(); });
    bindMenu(MNU_Ouvrir, this, [this] { MNU_OuvrirClick(); });
    bindMenu(MNU_Enregistrer, this, [this] { MNU_EnregistrerClick(); });
    bindMenu(MNU_Enregistrer_sous, this, [this] { MNU_Enregistrer_sousClick(); });
    bindMenu(MNU_Fermer, this, [this] { MNU_FermerClick(); });
    bindMenu(MNU_Rechercher, this, [this] { MNU_RechercherClick(); });
    bindMenu(MNU_Occurrence_Suivante, this, [this] { MNU_Occurrence_SuivanteClick(); });
    bindMenu(MNU_Assistant, this, [this] { MNU_AssistantClick(); });
    bindMenu(MNU_ExecuterDuDebut, this, [this] { MNU_ExecuterDuDebutClick(MNU_ExecuterDuDebut); });
    bindMenu(MNU_ExecuterDuCurseur, this, [this] { MNU_ExecuterDuCurseurClick(); });
    bindMenu(MNU_Pause, this, [this] { MNU_PauseClick(); });
    bindMenu(MNU_Arreter, this, [this] { MNU_ArreterClick(); });

    // Other windows (main menus, function keys) reach the window by name.
    for (const auto& [name, handler] : kNamedHandlers)
        Settings::RegisterHandler(QString::fromLatin1(name), [this, h = handler] { (this->*h)(); });
    Settings::RegisterHandler(QStringLiteral("FRM_Script.MNU_ExecuterDuDebutClick"),
                              [this] { MNU_ExecuterDuDebutClick(MNU_ExecuterDuDebut); });
    Settings::RegisterHandler(QStringLiteral("FRM_Script.Show"), [this] { Systeme::ShowFormOnScreen(this); });
}

TFRM_Script::~TFRM_Script()
{
    for (const auto& entry : kNamedHandlers)
        Settings::UnregisterHandler(QString::fromLatin1(entry.first));
    Settings::UnregisterHandler(QStringLiteral("FRM_Script.MNU_ExecuterDuDebutClick"));
    Settings::UnregisterHandler(QStringLiteral("FRM_Script.Show"));
}

// --- text and positions -----------------------------------------------------

QStringList TFRM_Script::EditorLines() const
{
    return platform::SplitLines(Memo_Script->toPlainText());
}

std::int32_t TFRM_Script::CaretPosition() const
{
    return toFilePosition(Memo_Script->document(), Memo_Script->textCursor().position());
}

bool TFRM_Script::WriteScriptFile(const QString& path, const QStringList& lines, QString* error)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += platform::toCp1252(line);
        bytes += "\r\n";
    }
    return platform::WriteFileAtomically(path, bytes, error);
}

// --- file menu ----------------------------------------------------------------

namespace {

// The one question asked before edits that were never saved go: Yes saves
// them, No drops them, Cancel keeps them. A second question while this one
// waits (the program closed again) answers None, which keeps them.
platform::MsgResult askAboutEdits(const QString& title)
{
    return platform::messages().show({TranslatedTexts.MSG_Script_Modifie_Enregistrer, platform::MsgKind::Confirmation,
                                      platform::MsgButtons::YesNoCancel, QStringLiteral("ScriptEdited"), title});
}

} // namespace

bool TFRM_Script::mayDiscardEdits()
{
    // Asked wherever the edits would go (a new script, another one opened,
    // a mosaic generated, the program closed). A save cancelled, refused or
    // failed keeps them, as Cancel does.
    QTextDocument* doc = Memo_Script->document();
    if (doc->isModified()) {
        switch (askAboutEdits({})) {
        case platform::MsgResult::No:
            break;
        case platform::MsgResult::Yes:
            MNU_EnregistrerClick();
            if (doc->isModified())
                return false;
            break;
        default:
            return false;
        }
    }
    // While a called script is shown, the scripts that called it hold their
    // texts out of sight, and stopping every level drops them: their edits
    // are asked for too, each named by its file.
    for (int level = Scripts::CurrentLevel - 1; level >= 0; --level) {
        TScript& caller = Scripts::ScriptLevels[static_cast<std::size_t>(level)];
        if (!caller.Edited)
            continue;
        const QString name = caller.FileName.isEmpty() ? TranslatedTexts.MSG_Nouveau_Script : caller.FileName;
        switch (askAboutEdits(ScriptTexts::kCaptionPrefix + name)) {
        case platform::MsgResult::No:
            break;
        case platform::MsgResult::Yes:
            if (!saveLevel(caller))
                return false;
            break;
        default:
            return false;
        }
    }
    return true;
}

std::optional<QString> TFRM_Script::chooseSavePath(const platform::FileDialogRequest& request)
{
    platform::FileDialogRequest asked = request;
    asked.confirmOverwrite = false;   // asked below
    const std::optional<QString> chosen = platform::dialogs().saveFile(asked);
    if (!chosen)
        return std::nullopt;
    QString path = *chosen;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + kSaveDefaultSuffix;
    if (QFileInfo::exists(path)) {
        const QString question =
            TranslatedTexts.MSG_Remplacer_Fichier + QLatin1Char(' ') + QFileInfo(path).fileName() + QStringLiteral(" ?");
        if (platform::messages().show({question, platform::MsgKind::Confirmation, platform::MsgButtons::YesNo, {}, {}})
            != platform::MsgResult::Yes)
            return std::nullopt;
    }
    return path;
}

bool TFRM_Script::saveLevel(TScript& level)
{
    QString path = level.FileName;
    if (path.isEmpty()) {
        platform::FileDialogRequest request;
        request.title = TranslatedTexts.MSG_Titre_Enregistrer_Sous;
        request.directory = scriptsFolder();
        request.filter = kSaveFilter;
        const std::optional<QString> chosen = chooseSavePath(request);
        if (!chosen)
            return false;
        path = *chosen;
    }
    QString error;
    if (!WriteScriptFile(path, level.Lines, &error)) {
        platform::showError(QStringLiteral("%1 : %2").arg(path, error));
        return false;
    }
    level.FileName = path;
    level.Edited = false;
    Settings::RunHandler(kBuildCustomFunctionMenu);
    return true;
}

void TFRM_Script::nameFile(const QString& path)
{
    setWindowTitle(ScriptTexts::kCaptionPrefix + path);
    MNU_Enregistrer->setEnabled(true);
}

bool TFRM_Script::saveTo(const QString& path)
{
    const QStringList lines = EditorLines();
    Scripts::CurrentScript().Lines = lines;
    QString error;
    if (!WriteScriptFile(path, lines, &error)) {
        platform::showError(QStringLiteral("%1 : %2").arg(path, error));
        return false;
    }
    Memo_Script->document()->setModified(false);
    return true;
}

void TFRM_Script::forgetFile()
{
    Scripts::CurrentScript().FileName.clear();
    setWindowTitle(ScriptTexts::kCaptionPrefix + TranslatedTexts.MSG_Nouveau_Script);
    MNU_Enregistrer->setEnabled(false);
    OPD_Script.FileName.clear();
    SVD_Script.FileName.clear();
}

void TFRM_Script::MNU_NouveauClick()
{
    if (!mayDiscardEdits())
        return;
    Scripts::StopEveryLevel();
    Scripts::CurrentScript().Lines.clear();
    Memo_Script->clear();
    forgetFile();
    Scripts::LoadScript(QString(), false);
    Memo_Script->document()->setModified(false);
}

void TFRM_Script::ShowUnsavedScript(const QStringList& lines)
{
    // Saved over the file shown before, it would replace that script.
    forgetFile();
    Memo_Script->setPlainText(lines.join(QLatin1Char('\n')));
    Memo_Script->document()->setModified(true);
}

void TFRM_Script::MNU_OuvrirClick()
{
    if (!mayDiscardEdits())
        return;
    const std::optional<QString> chosen =
        platform::dialogs().openFile(dialogRequest(TranslatedTexts.MSG_Titre_Ouvrir, OPD_Script, SVD_Script, kOpenFilter));
    if (!chosen)
        return;
    OpenFile(*chosen);
}

bool TFRM_Script::OpenFile(const QString& path)
{
    OPD_Script.FileName = path;
    // A file that cannot be read changes nothing: the script that runs or
    // waits goes on, its text and file in place.
    QString failure;
    if (!Scripts::ReadScriptFile(path, failure)) {
        platform::showError(failure);
        return false;
    }
    // Every level, or a caller would stay halted under the new text.
    Scripts::StopEveryLevel();
    if (!Scripts::LoadScript(path, false))
        return false;
    nameFile(path);
    SVD_Script.FileName = path;
    enableRunButton();
    Memo_Script->document()->setModified(false);
    return true;
}

void TFRM_Script::MNU_EnregistrerClick()
{
    if (SVD_Script.FileName.isEmpty()) {
        MNU_Enregistrer_sousClick();
        return;
    }
    if (!saveTo(SVD_Script.FileName))
        return;
    setWindowTitle(ScriptTexts::kCaptionPrefix + SVD_Script.FileName);
    Settings::RunHandler(kBuildCustomFunctionMenu);
}

void TFRM_Script::MNU_Enregistrer_sousClick()
{
    const std::optional<QString> chosen =
        chooseSavePath(dialogRequest(TranslatedTexts.MSG_Titre_Enregistrer_Sous, SVD_Script, OPD_Script, kSaveFilter));
    if (!chosen)
        return;
    const QString& path = *chosen;
    if (!saveTo(path))
        return;
    SVD_Script.FileName = path;
    OPD_Script.FileName = path;
    Scripts::CurrentScript().FileName = path;
    nameFile(path);
    Settings::RunHandler(kBuildCustomFunctionMenu);
}

void TFRM_Script::MNU_FermerClick() { close(); }

void TFRM_Script::FormClose(TCloseAction& action)
{
    // Hidden only: the clock goes on ticking for a running script.
    action = TCloseAction::caHide;
    Settings::RunHandler(kBuildCustomFunctionMenu);
}

// --- search ---------------------------------------------------------------------

void TFRM_Script::MNU_RechercherClick()
{
    FindPosition = 0;
    FND_Recherche->show();
    FND_Recherche->raise();
    FND_Recherche->activateWindow();
}

void TFRM_Script::MNU_Occurrence_SuivanteClick() { SearchNext(FND_Recherche->FindText()); }

void TFRM_Script::FND_RechercheFind() { SearchNext(FND_Recherche->FindText()); }

void TFRM_Script::SearchNext(const QString& text)
{
    const QTextDocument* doc = Memo_Script->document();
    const int from = toEditorPosition(doc, FindPosition);
    const int found = text.isEmpty() ? -1 : Memo_Script->toPlainText().indexOf(text, from, Qt::CaseInsensitive);
    if (found < 0) {
        platform::messages().show({text + QStringLiteral(": ") + TranslatedTexts.MSG_NotFound,
                                   platform::MsgKind::Information, platform::MsgButtons::Ok, {}, {}});
        return;
    }
    QTextCursor c(Memo_Script->document());
    c.setPosition(found);
    c.setPosition(found + static_cast<int>(text.size()), QTextCursor::KeepAnchor);
    Memo_Script->setTextCursor(c);
    FindPosition = toFilePosition(doc, found + static_cast<int>(text.size()));
    Systeme::ShowFormOnScreen(this);
}

void TFRM_Script::Memo_ScriptMouseUp() { FindPosition = CaretPosition(); }

void TFRM_Script::Memo_ScriptKeyUp(int key)
{
    if (key != Qt::Key_F3)
        FindPosition = CaretPosition();
}

bool TFRM_Script::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Memo_Script->viewport() && event->type() == QEvent::MouseButtonRelease)
        app::runGuarded(QStringLiteral("Memo_Script.OnMouseUp"), [this] { Memo_ScriptMouseUp(); });
    else if (watched == Memo_Script && event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        app::runGuarded(QStringLiteral("Memo_Script.OnKeyUp"), [this, key] { Memo_ScriptKeyUp(key); });
    }
    return TForm::eventFilter(watched, event);
}

void TFRM_Script::MNU_AssistantClick() { Systeme::ShowFormOnScreen(FRM_ScrCmd); }

// --- runs -------------------------------------------------------------------------

void TFRM_Script::MNU_ExecuterDuDebutClick(QObject* sender)
{
    Scripts::RunFromStart(sender == MNU_ExecuterDuDebut);
}

void TFRM_Script::MNU_ExecuterDuCurseurClick()
{
    Scripts::RunFromCaret();
}

void TFRM_Script::MNU_PauseClick()
{
    Scripts::PauseScript();
}

void TFRM_Script::MNU_ArreterClick()
{
    Scripts::StopScript();
}

void TFRM_Script::TMR_ScriptTimer()
{
    Scripts::Tick();
}
