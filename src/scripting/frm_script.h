#pragma once
// The script window: the editor holding the script of the current call
// level, its file commands and search, the command wizard's entry, and the
// run, pause and stop controls of the script engine. Its timer TMR_Script is
// the script clock: one statement per tick; it keeps ticking while the
// window is hidden.
//
// Positions in the text (FindPosition, CaretPosition) count a line break as
// two characters, as the stored scripts (CR LF) do; the editor itself counts
// one.

#include "app/form.h"
#include "platform/dialog_service.h"
#include "ui_frm_script.h"
#include <QTimer>

#include <cstdint>
#include <optional>

class TFindDialog;
struct TScript;

// What the window's open and save dialogs remember between uses.
struct TFileDialogState {
    QString FileName;
    QString InitialDir;
};

class TFRM_Script : public TForm, public Ui::TFRM_Script {
    Q_OBJECT
public:
    explicit TFRM_Script(QWidget* parent = nullptr);
    ~TFRM_Script() override;
    QTimer* TMR_Script = nullptr;
    TFileDialogState OPD_Script;
    TFileDialogState SVD_Script;
    TFindDialog* FND_Recherche = nullptr;
    // Where the next search begins.
    std::int32_t FindPosition = 0;

    // File menu.
    void MNU_NouveauClick();
    void MNU_OuvrirClick();
    void MNU_EnregistrerClick();
    void MNU_Enregistrer_sousClick();
    void MNU_FermerClick();
    // Edit menu and the wizard.
    void MNU_RechercherClick();
    void MNU_Occurrence_SuivanteClick();
    void MNU_AssistantClick();
    void FND_RechercheFind();
    void SearchNext(const QString& text);
    void Memo_ScriptMouseUp();
    void Memo_ScriptKeyUp(int key);

    // Run from the start; the editor's text is taken only when sender is
    // the menu item itself (other callers run the level's text as loaded).
    void MNU_ExecuterDuDebutClick(QObject* sender);
    void MNU_ExecuterDuCurseurClick();
    void MNU_PauseClick();
    void MNU_ArreterClick();

    // One line of the running script per tick.
    void TMR_ScriptTimer();

    // The editor's lines (CR LF, LF or CR end a line).
    QStringList EditorLines() const;
    // The caret, a line break counted as two characters.
    std::int32_t CaretPosition() const;
    // Writes lines as a script file: CP1252, CR LF after every line, through
    // a temporary file and a rename. False, with the reason, when it fails
    // (an existing file is then left as it was).
    static bool WriteScriptFile(const QString& path, const QStringList& lines, QString* error);

    void FormClose(TCloseAction& action) override;

    // Asks before edits that were never saved are replaced or, at the
    // program's close, dropped: saved (Yes), dropped (No) or kept (Cancel).
    // The text shown is asked for first, then the text of every script
    // below it that called it and was edited. True to go on, once nothing
    // unsaved is left or the user let it go.
    bool MayDiscardEdits() { return mayDiscardEdits(); }
    // Shows a script file as Open does once its dialog named it: every level
    // stopped, the file's text under its name, nothing unsaved. Ask with
    // MayDiscardEdits first. False, the reason told, when it cannot be read.
    bool OpenFile(const QString& path);
    // Shows a script the program wrote (a mosaic generated), which no file
    // holds yet: the file names are forgotten as New forgets them, and the
    // text counts as an edit never saved, so that it is asked for before it
    // goes and saved where the user chooses. Ask with MayDiscardEdits first.
    void ShowUnsavedScript(const QStringList& lines);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool mayDiscardEdits();
    // The file chosen in the save dialog, ".txt" added to a name without an
    // extension; none when the dialog is cancelled or replacing an existing
    // file is refused.
    std::optional<QString> chooseSavePath(const platform::FileDialogRequest& request);
    // Writes a level that is not shown (a caller of the script shown) to its
    // file, or to one chosen when it has none. False when nothing was saved.
    bool saveLevel(TScript& level);
    // Names the file in the caption, the save item and the dialogs.
    void nameFile(const QString& path);
    // The text shown belongs to no file: the caption says so, Save is off,
    // and the level and both dialogs forget their file.
    void forgetFile();
    bool saveTo(const QString& path);
};

extern TFRM_Script* FRM_Script;
