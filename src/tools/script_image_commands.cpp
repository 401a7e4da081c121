// Script commands that name, open and save images and set up, start and
// stop the capture sequencer of the image tool window.

#include "app/align_v_features.h"
#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "capture/camera_slots.h"
#include "capture/file_sources.h"
#include "platform/dialog_service.h"
#include "scripting/command_fields.h"
#include "scripting/script_commands.h"
#include "scripting/script_language.h"
#include "scripting/scripts.h"
#include "tools/frm_tool_images.h"
#include "translation/translated_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>

namespace Scripts {

namespace {

// "on" / "off" into a check box; other values change nothing.
void OnOff(const QString& value, QCheckBox* box)
{
    if (value == QLatin1String("on"))
        box->setChecked(true);
    else if (value == QLatin1String("off"))
        box->setChecked(false);
}

// The entry of box equal to text, letter case ignored, or -1.
int EntryIgnoringCase(const QComboBox* box, const QString& text)
{
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i).compare(text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// number,unit for a unit list whose entries must match exactly: false after
// an error (reported).
bool NumberAndUnit(const QString& arguments, const QComboBox* units, std::int32_t& number, int& entry)
{
    const QString numberField = CommandField(arguments, 1);
    bool converted = false;
    if (!EvalIntField(numberField, 0, number, &converted))
        return false;
    if (!converted) {
        ScriptError(numberField);
        return false;
    }
    const QString unit = CommandField(arguments, 2);
    entry = units->findText(unit, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (entry < 0) {
        ScriptError(unit);
        return false;
    }
    return true;
}

} // namespace

void CmdImageName(std::uint8_t, const QString& arguments)
{
    if (arguments.isEmpty()) {
        ScriptError(QString());
        return;
    }
    QString name;
    if (!EvalField(arguments, TypeString, name))
        return;
    // A folder found in no letter case is told by the save.
    ScriptImageName = NewFilePath(name);
    CommandDone();
}

void CmdImageNameSavedialog(std::uint8_t, const QString& arguments)
{
    const QString field = CommandField(arguments, 1);
    QString proposed;
    if (!EvalField(field, TypeString, proposed))
        return;
    platform::FileDialogRequest request;
    request.title = TranslatedTexts.MSG_Titre_Enregistrer;
    request.fileName = NewFilePath(proposed);
    request.filter = QStringLiteral("Images (*.jpg *.jpeg *.bmp);;") + Translation::AllFilesFilter();
    const std::optional<QString> chosen = platform::dialogs().saveFile(request);
    if (!chosen) {
        StopScript();
        return;
    }
    ScriptImageName = *chosen;
    const QString variable = field.trimmed();
    const int index = FindVariable(variable);
    if (index == kNotFound) {
        ScriptError(variable + QStringLiteral(" : Not declared"));
        return;
    }
    TVariable& v = CurrentScript().Variables[static_cast<std::size_t>(index - 1)];
    if (v.VarType != TypeString) {
        ScriptError(variable + QStringLiteral(" : Incompatible type"));
        return;
    }
    v.StrValue = ScriptImageName;
    CommandDone();
}

void CmdImageNameLoad(std::uint8_t, const QString& arguments)
{
    QString file;
    if (!EvalField(CommandField(arguments, 2), TypeString, file))
        return;
    const QString kindField = CommandField(arguments, 1);
    std::uint8_t kind = 0;
    if (kindField == QLatin1String("image"))
        kind = 0;
    else if (kindField == QLatin1String("dark"))
        kind = 1;
    else if (kindField == QLatin1String("flat"))
        kind = 2;
    else {
        ScriptError(arguments);
        return;
    }
    const QString path = ExistingPath(file);
    if (!QFileInfo(path).isFile()) {
        ScriptError(file + QStringLiteral(" : file not found"));
        return;
    }
    // The kind of source (pictures or a film) follows the extension.
    if (!Align_V::OpenImageFile(path, kind)) {
        // The file did not give a picture (corrupt, or no picture at all).
        ScriptError(file + QStringLiteral(" : cannot be opened"));
        return;
    }
    CommandDone();
}

void CmdImageNameLoaddialog(std::uint8_t, const QString& arguments)
{
    const bool image = arguments == QLatin1String("image");
    const bool dark = arguments == QLatin1String("dark");
    if (!image && !dark && arguments != QLatin1String("flat")) {
        ScriptError(arguments);
        return;
    }
    // The open handlers go on once the file is open, and stop a cancelled
    // run; they act only on a level marked as waiting.
    BeginWait();
    if (image)
        FRM_Alv->MNU_Ouvrir_ImageClick();
    else if (dark)
        FRM_Alv->MNU_Ouvrir_DarkClick();
    else
        FRM_Alv->MNU_Ouvrir_FlatClick();
}

void CmdImageSave(std::uint8_t, const QString&)
{
    if (ScriptImageName.isEmpty()) {
        ScriptError(QStringLiteral("image.save : no image name"));
        return;
    }
    // A failed save has been told once: the script stops without a second box.
    if (!Align_V::SaveDisplayedImage(ScriptImageName)) {
        StopScript();
        return;
    }
    CommandDone();
}

void CmdImageTabsource(std::uint8_t, const QString& arguments)
{
    QWidget* page = nullptr;
    if (arguments == QLatin1String("source1"))
        page = FRM_Alv->TBS_Source1;
    else if (arguments == QLatin1String("source2"))
        page = FRM_Alv->TBS_Source2;
    else if (arguments == QLatin1String("result"))
        page = FRM_Alv->TBS_Resultat;
    else if (arguments == QLatin1String("mosaic"))
        page = FRM_Alv->TBS_Mosaique;
    if (!page) {
        ScriptError(arguments);
        return;
    }
    FRM_Alv->PGC_Main->setCurrentWidget(page);
    CommandDone();
}

void CmdImageSequencePrefix(std::uint8_t, const QString& arguments)
{
    const QString written = arguments.trimmed();
    QString prefix;
    int pos = EvalOperand(written, TypeString, 1, prefix);
    if (pos == kWrongType)
        pos = EvalOperand(written, TypeInteger, 1, prefix);
    if (pos == kNotFound)
        return;   // the evaluator has told it and stopped
    if (pos == kWrongType) {
        ScriptError(arguments + QStringLiteral(" : Not declared"));
        return;
    }
    // A folder found in no letter case is told by the first save.
    FRM_Tool_Images->EDT_Nom_Image->setText(NewFilePath(prefix));
    CommandDone();
}

void CmdImageSequencePrefixdialog(std::uint8_t, const QString& arguments)
{
    QString folder;
    if (arguments.isEmpty()) {
        folder = FRM_Pref ? FRM_Pref->EDT_Repertoire_Bitmaps->text() : QString();
    } else {
        const qsizetype cut = std::max({arguments.lastIndexOf(u'\\'), arguments.lastIndexOf(u'/'),
                                        arguments.lastIndexOf(u':')});
        folder = ExistingPath(arguments.left(cut + 1));
    }
    platform::FileDialogRequest request;
    request.title = TranslatedTexts.MSG_Titre_Enregistrer;
    request.directory = folder;
    request.filter = Translation::AllFilesFilter();
    const std::optional<QString> chosen = platform::dialogs().saveFile(request);
    if (!chosen) {
        StopScript();
        return;
    }
    FRM_Tool_Images->EDT_Nom_Image->setText(*chosen);
    FRM_Tool_Images->EDT_Nom_ImageExit();
    CommandDone();
}

void CmdImageSequenceCurrentnumber(std::uint8_t, const QString& arguments)
{
    std::int32_t v = 0;
    if (!EvalIntField(arguments, 1, v))
        return;
    FRM_Tool_Images->TNI_Num_Suffixe->SetValue(v);
    CommandDone();
}

void CmdImageSequence(std::uint8_t, const QString& arguments)
{
    TFRM_Tool_Images* w = FRM_Tool_Images;
    if (arguments == QLatin1String("start") || arguments == QLatin1String("startwait")) {
        StartAction(arguments, WaitSequence, [w] {
            if (SequenceSaving)
                return ActionStart::Runs;   // the running sequence's end lets a waiting script go on
            if (!w->BTN_Demarrer_Sauv->isEnabled())
                return ActionStart::Refused;
            // A file that did not open or write has been told.
            return w->BTN_Demarrer_SauvClick() ? ActionStart::Runs : ActionStart::FailedAndTold;
        });
        return;
    }
    if (arguments == QLatin1String("save")) {
        // A failed save has been told once: the script stops without a
        // second box.
        if (w->BTN_Enregistrer_Image->isEnabled() && !w->BTN_Enregistrer_ImageClick()) {
            StopScript();
            return;
        }
    } else if (arguments == QLatin1String("stop")) {
        if (w->BTN_Arreter_Sauv->isEnabled())
            w->BTN_Arreter_SauvClick();
    } else if (arguments == QLatin1String("pause") || arguments == QLatin1String("unpause")) {
        w->BTN_Pause_sauv->setChecked(arguments == QLatin1String("pause"));
    } else {
        ScriptError(arguments);
        return;
    }
    CommandDone();
}

void CmdImageSequenceFor(std::uint8_t, const QString& arguments)
{
    std::int32_t number = 0;
    if (!EvalIntField(CommandField(arguments, 1), 1, number))
        return;
    TFRM_Tool_Images* w = FRM_Tool_Images;
    w->RDB_Pendant->setChecked(true);
    w->SPED_Pendant->setValue(number);
    w->CBX_Pendant->setCurrentIndex(EntryIgnoringCase(w->CBX_Pendant, CommandField(arguments, 2)));
    CommandDone();
}

void CmdImageSequenceEvery(std::uint8_t, const QString& arguments)
{
    TFRM_Tool_Images* w = FRM_Tool_Images;
    std::int32_t number = 0;
    int entry = -1;
    if (!NumberAndUnit(arguments, w->CBX_Unite, number, entry))
        return;
    w->SPED_Freq_Sauve->setValue(number);
    w->CBX_Unite->setCurrentIndex(entry);
    CommandDone();
}

void CmdImageSequenceStartEvery(std::uint8_t, const QString& arguments)
{
    TFRM_Tool_Images* w = FRM_Tool_Images;
    std::int32_t number = 0;
    int entry = -1;
    if (!NumberAndUnit(arguments, w->CBX_Toutes_les, number, entry))
        return;
    w->RDB_Toutes_Les->setChecked(true);
    w->SPED_Toutes_les->setValue(number);
    w->CBX_Toutes_les->setCurrentIndex(entry);
    CommandDone();
}

void CmdImageSequenceFiletype(std::uint8_t, const QString& arguments)
{
    const QString type = CommandField(arguments, 1);
    QComboBox* box = FRM_Tool_Images->CBX_TypeFichier;
    int entry = -1;
    for (int i = 0; i < box->count() && entry < 0; ++i)
        if (box->itemText(i).toLower() == type)
            entry = i;
    if (entry < 0) {
        ScriptError(type);
        return;
    }
    box->setCurrentIndex(entry);
    Settings::RunHandler(QStringLiteral("FRM_Tool_Images.CBX_TypeFichierChange"));
    CommandDone();
}

void CmdImageSequenceUntilstopped(std::uint8_t, const QString&)
{
    FRM_Tool_Images->RDB_Arret->setChecked(true);
    CommandDone();
}

void CmdImageSequenceOnce(std::uint8_t, const QString&)
{
    FRM_Tool_Images->RDB_Une_Fois->setChecked(true);
    CommandDone();
}

void CmdImageSequenceOnefile(std::uint8_t, const QString& arguments)
{
    OnOff(arguments, FRM_Tool_Images->CKB_Un_seul_fichier);
    CommandDone();
}

void CmdImageSequenceSaveimageinfo(std::uint8_t, const QString& arguments)
{
    OnOff(arguments, FRM_Tool_Images->CKB_Enreg_Params);
    CommandDone();
}

void CmdImageSequenceFixedlength(std::uint8_t, const QString& arguments)
{
    OnOff(CommandField(arguments, 1).trimmed(), FRM_Tool_Images->CKB_Longueur_Fixe);
    std::int32_t v = 0;
    if (!EvalIntField(CommandField(arguments, 2), 1, v))
        return;
    FRM_Tool_Images->TNI_Longueur_Sequence->SetValue(v);
    CommandDone();
}

} // namespace Scripts

namespace {
const Scripts::CommandRegistrar registrar{
    {"image.name", Scripts::CmdImageName},
    {"image.name.savedialog", Scripts::CmdImageNameSavedialog},
    {"image.name.load", Scripts::CmdImageNameLoad},
    {"image.name.loaddialog", Scripts::CmdImageNameLoaddialog},
    {"image.save", Scripts::CmdImageSave},
    {"image.tabsource", Scripts::CmdImageTabsource},
    {"image.sequence.prefix", Scripts::CmdImageSequencePrefix},
    {"image.sequence.prefixdialog", Scripts::CmdImageSequencePrefixdialog},
    {"image.sequence.currentnumber", Scripts::CmdImageSequenceCurrentnumber},
    {"image.sequence", Scripts::CmdImageSequence},
    {"image.sequence.for", Scripts::CmdImageSequenceFor},
    {"image.sequence.every", Scripts::CmdImageSequenceEvery},
    {"image.sequence.start.every", Scripts::CmdImageSequenceStartEvery},
    {"image.sequence.filetype", Scripts::CmdImageSequenceFiletype},
    {"image.sequence.untilstopped", Scripts::CmdImageSequenceUntilstopped},
    {"image.sequence.once", Scripts::CmdImageSequenceOnce},
    {"image.sequence.onefile", Scripts::CmdImageSequenceOnefile},
    {"image.sequence.saveimageinfo", Scripts::CmdImageSequenceSaveimageinfo},
    {"image.sequence.fixedlength", Scripts::CmdImageSequenceFixedlength},
};
}
