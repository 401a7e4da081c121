#include "scripting/frm_planificateur.h"

#include "app/ui/caption_labels.h"

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/helpers/calc_helpers.h"
#include "app/settings.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "platform/codepage.h"
#include "platform/dialog_service.h"
#include "platform/message_service.h"
#include "platform/paths.h"
#include "platform/text_lines.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "telescope/sky/sky_chart.h"
#include "translation/translated_texts.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QTableWidget>

#include <cmath>
#include <numbers>

TFRM_Planificateur* FRM_Planificateur = nullptr;

namespace {

constexpr int kColumns = 23;
constexpr int kTitledColumns = 13;
// An inclusion is a script fragment: anything larger is not one.
constexpr qint64 kMaxInclusionBytes = 1 << 20;

QChar decimalPoint()
{
    const QString p = QLocale().decimalPoint();
    return p.isEmpty() ? QLatin1Char('.') : p.front();
}

QString cell(int row, int column)
{
    const QTableWidgetItem* item = FRM_Planificateur->STG_Actions->item(row, column);
    return item ? item->text() : QString();
}

// A cell as a decimal number (the user's separator), 0 when it is none.
double cellNumber(const QString& text)
{
    QString t = text.trimmed();
    t.replace(decimalPoint(), QLatin1Char('.'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0;
}

QString generalNumber(double v)
{
    QString s = QString::number(v, 'g', 15);
    if (decimalPoint() != QLatin1Char('.'))
        s.replace(QLatin1Char('.'), decimalPoint());
    return s;
}

void tell(const QString& text, platform::MsgKind kind = platform::MsgKind::Warning)
{
    platform::messages().show({text, kind, platform::MsgButtons::Ok, QStringLiteral("FRM_Planificateur"), {}});
}

// Delete in the grid deletes the selected fields.
class DeleteKeyFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyRelease && FRM_Planificateur) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            app::runGuarded(QStringLiteral("STG_ActionsKeyUp"), [key] { FRM_Planificateur->STG_ActionsKeyUp(key); });
        }
        return QObject::eventFilter(watched, event);
    }
};

const char* const kInclusionNames[TFRM_Planificateur::kInclusionCount] = {
    "Au_Debut_Du_Script", "Avant_Chaque_Deplacement", "Apres_Chaque_Deplacement",
    "Avant_Chaque_Pose",  "Apres_Chaque_Pose",        "A_La_Fin_Du_Script"};
enum Inclusion { AtStart, BeforeMove, AfterMove, BeforeExposure, AfterExposure, AtEnd };

void redrawChart() { Settings::RunHandler(QStringLiteral("Sky.RedrawChart")); }

} // namespace

// ---------------------------------------------------------------- helpers

namespace Planificateur {

// The position's split to hundredths of a second, as the grid and the
// script show it.
Split SplitRa(double radians)
{
    const CalcHelpers::Sexagesimal p = CalcHelpers::RadToHMSRounded(radians, 2);
    Split s;
    s.units = int(std::llround(p.units));
    s.minutes = int(std::llround(p.minutes));
    s.hundredths = int(std::llround(p.seconds * 100));
    return s;
}

Split SplitDec(double radians)
{
    const CalcHelpers::Sexagesimal p = CalcHelpers::RadToDMSRounded(std::fabs(radians), 2);
    Split s;
    s.units = int(std::llround(p.units));
    s.minutes = int(std::llround(p.minutes));
    s.hundredths = int(std::llround(p.seconds * 100));
    s.negative = radians < 0 && (s.units != 0 || s.minutes != 0 || s.hundredths != 0);
    return s;
}

QString TwoDigits(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

QString Seconds(int hundredths, bool twoDigits)
{
    const int whole = hundredths / 100, frac = hundredths % 100;
    QString s = twoDigits ? TwoDigits(whole) : QString::number(whole);
    if (frac != 0) {
        QString f = QStringLiteral("%1").arg(frac, 2, 10, QLatin1Char('0'));
        if (f.endsWith(QLatin1Char('0')))
            f.chop(1);
        s += decimalPoint() + f;
    }
    return s;
}

void InitGrid()
{
    QTableWidget* g = FRM_Planificateur->STG_Actions;
    g->setColumnCount(kColumns);
    if (g->rowCount() < 2)
        g->setRowCount(2);
    for (int c = 0; c < kColumns; ++c) {
        const int width = c <= 8 ? 35 : c <= 11 ? 45 : c == 12 ? 120 : 0;
        g->setColumnWidth(c, width);
        g->setColumnHidden(c, width == 0);
    }
    SetGridTitles();
}

void SetGridTitles()
{
    QTableWidget* g = FRM_Planificateur->STG_Actions;
    static const char* const keys[kTitledColumns] = {
        "MSG_Planif_PNumero", "MSG_Planif_PCommand", "MSG_Planif_PCoord", "MSG_Planif_PADh",
        "MSG_Planif_PADm",    "MSG_Planif_PADs",     "MSG_Planif_PDEd",   "MSG_Planif_PDEm",
        "MSG_Planif_PDEs",    "MSG_Planif_PType",    "MSG_Planif_PDuree", "MSG_Planif_PNombre",
        "MSG_Planif_PPrefixe"};
    QString titles[kTitledColumns];
    for (int c = 0; c < kTitledColumns; ++c) {
        // Before the first translation pass the texts are still empty: the
        // French ones stand in.
        const QString key = QString::fromLatin1(keys[c]);
        const QString* text = Translation::TextByKey(key);
        const TTranslatedTextEntry* entry = Translation::FindText(key);
        titles[c] = text && !text->isEmpty() ? *text : entry ? entry->defaultText() : QString();
    }
    for (int c = 0; c < kTitledColumns; ++c) {
        auto* item = new QTableWidgetItem(titles[c]);
        item->setFlags(Qt::ItemIsEnabled);   // the fixed title row is not selected
        item->setBackground(g->palette().button());
        g->setItem(0, c, item);
    }
}

void FillGridRow(int row, int x, int y)
{
    TFRM_Planificateur* w = FRM_Planificateur;
    QTableWidget* g = w->STG_Actions;
    const Sky::MosaicFieldRecord& r = Sky::MosaicFieldTable[std::size_t(x)][std::size_t(y)];
    const QString tile = QString(QChar(64 + x)) + QString::number(y);
    const Split ra = SplitRa(r.centreRa()), dec = SplitDec(r.centreDec());
    QString type = QStringLiteral("None"), duration = QStringLiteral("0");
    if (w->RDB_Std->isChecked())
        type = QStringLiteral("Std");
    else if (w->RDB_Longuepose->isChecked()) {
        type = QStringLiteral("LX");
        duration = QString::number(w->SPED_Duree_Poses->value());
    }
    const QString cells[kColumns] = {QString::number(g->rowCount() - 1),
                                     QStringLiteral("Photo"),
                                     tile,
                                     TwoDigits(ra.units),
                                     TwoDigits(ra.minutes),
                                     Seconds(ra.hundredths),
                                     (dec.negative ? QStringLiteral("-") : QString()) + TwoDigits(dec.units),
                                     TwoDigits(dec.minutes),
                                     Seconds(dec.hundredths),
                                     type,
                                     duration,
                                     QString::number(w->SPED_Nombre_Poses->value()),
                                     w->EDT_Nom_Pose->text() + QLatin1Char('_') + tile + QLatin1Char('_'),
                                     generalNumber(r.cornerRa(1)),
                                     generalNumber(r.cornerDec(1)),
                                     generalNumber(r.cornerRa(2)),
                                     generalNumber(r.cornerDec(2)),
                                     generalNumber(r.cornerRa(3)),
                                     generalNumber(r.cornerDec(3)),
                                     generalNumber(r.cornerRa(4)),
                                     generalNumber(r.cornerDec(4)),
                                     generalNumber(r.centreRa()),
                                     generalNumber(r.centreDec())};
    for (int c = 0; c < kColumns; ++c)
        g->setItem(row, c, new QTableWidgetItem(cells[c]));
}

std::optional<QStringList> InsertScriptFile(const QString& path, QString& error)
{
    const QFileInfo info(path);
    if (path.trimmed().isEmpty() || !info.isFile()) {
        error = TranslatedTexts.MSG_Inclusion_Introuvable.arg(path);
        return std::nullopt;
    }
    if (info.size() > kMaxInclusionBytes) {
        error = TranslatedTexts.MSG_Inclusion_Trop_Grande.arg(path);
        return std::nullopt;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        error = TranslatedTexts.MSG_Inclusion_Illisible.arg(path);
        return std::nullopt;
    }
    const QByteArray bytes = f.read(kMaxInclusionBytes + 1);
    if (f.error() != QFileDevice::NoError || bytes.size() > kMaxInclusionBytes) {
        error = TranslatedTexts.MSG_Inclusion_Illisible.arg(path);
        return std::nullopt;
    }
    if (bytes.contains('\0')) {
        error = TranslatedTexts.MSG_Inclusion_Pas_Texte.arg(path);
        return std::nullopt;
    }
    return platform::SplitLines(platform::fromCp1252(bytes));
}

std::optional<QStringList> BuildScript(QString& error)
{
    TFRM_Planificateur* w = FRM_Planificateur;
    QTableWidget* g = w->STG_Actions;
    const QString name = w->EDT_Nom_Pose->text();
    if (name.contains(QLatin1Char('"'))) {
        error = TranslatedTexts.MSG_Nom_Pose_Guillemet;
        return std::nullopt;
    }
    const QString profile = FRM_Pref->CBX_Vitesse_Moteur->currentText();
    if (profile.contains(QLatin1Char(',')) || profile.contains(QLatin1Char('(')) || profile.contains(QLatin1Char(')'))
        || profile.contains(QLatin1Char('"'))) {
        error = TranslatedTexts.MSG_Profil_Vitesse_Script
                    .arg(profile);
        return std::nullopt;
    }
    const QString delay = QString::number(FRM_Pref->SPED_Amort_delay->value());
    const bool relative = w->RDB_Mode_Relatif->isChecked();
    const bool absolute = w->RDB_Mode_Absolu->isChecked();
    const bool move = w->RDB_Mode_Deplacement_Relatif->isChecked();

    QStringList out;
    bool ok = true;
    auto include = [&](int index) {
        if (!ok || !w->InclusionBox(index)->isChecked())
            return;
        if (auto lines = InsertScriptFile(w->InclusionEdit(index)->text(), error))
            out << *lines;
        else
            ok = false;
    };

    include(AtStart);
    if (!profile.isEmpty())
        out << QStringLiteral("telescope.softspeed(") + profile + QLatin1Char(')');
    if (relative) {
        const Split ra = SplitRa(Sky::ChartCentreRA), dec = SplitDec(Sky::ChartCentreDec);
        out << QStringLiteral("goto.mode(relative)");
        out << QStringLiteral("goto.origin(") + TwoDigits(ra.units) + QLatin1Char('h') + TwoDigits(ra.minutes)
                   + QLatin1Char('m') + Seconds(ra.hundredths, true) + QLatin1Char('s') + QLatin1Char(',')
                   + (dec.negative ? QStringLiteral("-") : QString()) + TwoDigits(dec.units) + QLatin1Char('d')
                   + TwoDigits(dec.minutes) + QLatin1Char('m') + Seconds(dec.hundredths, true) + QStringLiteral("s)");
    } else if (absolute) {
        out << QStringLiteral("goto.mode(absolute)");
    }
    out << QStringLiteral("image.sequence.once");

    constexpr double kRadToArcsec = 648000.0 / std::numbers::pi;
    double previousRa = Sky::ChartCentreRA * kRadToArcsec, previousDec = Sky::ChartCentreDec * kRadToArcsec;
    for (int row = 1; ok && row <= g->rowCount() - 2; ++row) {
        QString c[kTitledColumns];
        for (int i = 0; i < kTitledColumns; ++i)
            c[i] = cell(row, i);
        const QString raText = c[3] + QLatin1Char('h') + c[4] + QLatin1Char('m') + c[5] + QLatin1Char('s');
        const QString decText = c[6] + QLatin1Char('d') + c[7] + QLatin1Char('m') + c[8] + QLatin1Char('s');

        include(BeforeMove);
        if (relative || absolute) {
            out << QStringLiteral("goto.destination(") + raText + QLatin1Char(',') + decText + QLatin1Char(')');
            out << QStringLiteral("goto.execute");
            out << QStringLiteral("wait(") + delay + QLatin1Char(')');
        } else if (move) {
            const double ra = (std::trunc(cellNumber(c[3]) * 3600) + std::trunc(cellNumber(c[4]) * 60)
                               + std::trunc(cellNumber(c[5])))
                              * 15;
            const double sign = c[6].trimmed().startsWith(QLatin1Char('-')) ? -1 : 1;
            const double dec = sign
                               * (std::trunc(std::fabs(cellNumber(c[6])) * 3600) + std::trunc(cellNumber(c[7]) * 60)
                                  + std::trunc(cellNumber(c[8])));
            const double dDec = dec - previousDec;
            double d = ra - previousRa;
            if (std::fabs(d) > 648000)
                d = -(d < 0 ? -1 : 1) * (1296000 - std::fabs(d));
            const double dRa = -d;
            if (std::trunc(dRa) != 0)
                out << QStringLiteral("goto.move(wait,") + (dRa > 0 ? QStringLiteral("w,") : QStringLiteral("e,"))
                           + QString::number(qint64(std::trunc(std::fabs(dRa)))) + QLatin1Char(')');
            if (std::trunc(dDec) != 0)
                out << QStringLiteral("goto.move(wait,") + (dDec > 0 ? QStringLiteral("n,") : QStringLiteral("s,"))
                           + QString::number(qint64(std::trunc(std::fabs(dDec)))) + QLatin1Char(')');
            out << QStringLiteral("wait(") + delay + QLatin1Char(')');
            previousRa = ra;
            previousDec = dec;
        }
        include(AfterMove);

        include(BeforeExposure);
        const QString prefix = QStringLiteral("image.sequence.prefix(\"") + name + c[2] + QStringLiteral("_\")");
        if (c[9] == QLatin1String("Std")) {
            out << QStringLiteral("camera.mode(1,frame)") << prefix << QStringLiteral("image.sequence.currentnumber(1)")
                << QStringLiteral("image.sequence.for(") + c[11] + QStringLiteral(",images)")
                << QStringLiteral("image.sequence(startwait)");
        } else if (c[9] == QLatin1String("LX")) {
            out << QStringLiteral("camera.mode(1,longexposure)") << QStringLiteral("longexposure.count(") + c[11] + QLatin1Char(')')
                << QStringLiteral("longexposure.length(") + c[10] + QLatin1Char(')') << prefix
                << QStringLiteral("image.sequence.currentnumber(1)")
                << QStringLiteral("image.sequence.for(") + c[11] + QStringLiteral(",images)")
                << QStringLiteral("image.sequence(start)") << QStringLiteral("longexposure(startwait)")
                << QStringLiteral("image.sequence(stop)") << QStringLiteral("wait(") + c[10] + QLatin1Char(')');
        }
        include(AfterExposure);

        if (relative)
            out << QStringLiteral("goto.origin(") + raText + QLatin1Char(',') + decText + QLatin1Char(')');
    }
    if (!ok)
        return std::nullopt;
    out << QStringLiteral("messagebox.clear");
    out << QStringLiteral("messagebox.show(\"Mosaïque terminée/Mosaïc finished !\")");
    include(AtEnd);
    if (!ok)
        return std::nullopt;
    return out;
}

} // namespace Planificateur

// ---------------------------------------------------------------- window

TFRM_Planificateur::TFRM_Planificateur(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    // The size caption the language files name; the planner shows the
    // field size in its grid, so it has no place of its own.
    app::AddHiddenCaption(this, "LBL_Taille", QStringLiteral("Taille"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    STG_Actions->horizontalHeader()->hide();   // row 0 holds the titles
    STG_Actions->setTextElideMode(Qt::ElideNone);
    STG_Actions->verticalHeader()->setSectionsMovable(true);
    STG_Actions->verticalHeader()->setDefaultSectionSize(20);
    STG_Actions->installEventFilter(new DeleteKeyFilter(STG_Actions));
    connect(STG_Actions->verticalHeader(), &QHeaderView::sectionMoved, this,
            [this](int, int oldVisual, int newVisual) { rowMoved(oldVisual, newVisual); });

    using W = TFRM_Planificateur;
    app::bindButtonClick(BTN_Ajouter, this, &W::BTN_AjouterClick);
    app::bindButtonClick(BTN_Supprimer, this, &W::BTN_SupprimerClick);
    app::bindButtonClick(BTN_Generer, this, &W::BTN_GenererClick);
    app::bindButtonClick(BTN_Script, this, &W::BTN_ScriptClick);
    app::bindButtonClick(BTN_Parcourir, this, &W::BTN_ParcourirClick);
    app::bindRadioClick(RDB_Std, this, &W::RDB_StdClick);
    app::bindRadioClick(RDB_Aucun, this, &W::RDB_StdClick);
    app::bindRadioClick(RDB_Longuepose, this, &W::RDB_LongueposeClick);
    for (QSpinBox* s : {SPED_Nb_Cliches_X, SPED_NB_Cliches_Y, SPED_Recouvrement_X, SPED_Recouvrement_Y})
        app::bindSpinEditChange(s, this, &W::TilesChange);
    for (int i = 0; i < kInclusionCount; ++i) {
        app::bindCheckBoxClick(InclusionBox(i), [this, i] { InclusionBoxClick(i); }, this);
        auto* open = findChild<QAbstractButton*>(QStringLiteral("SPDB_Ouvrir_Fichier_") + QLatin1String(kInclusionNames[i]));
        app::bindButtonClick(open, [this, i] { InclusionOpenClick(i); }, this);
    }
    // The user's choice in the list, not the list being filled.
    connect(CBX_Vitesse_Moteur, &QComboBox::activated, this, [this] {
        app::runGuarded(QStringLiteral("FRM_Planificateur.CBX_Vitesse_MoteurChange"), [this] { CBX_Vitesse_MoteurChange(); });
    });

    Settings::RegisterHandler(QStringLiteral("FRM_Planificateur.FormActivate"), [] {
        if (FRM_Planificateur)
            FRM_Planificateur->FormActivate();
    });
}

void TFRM_Planificateur::FormCreate() { Planificateur::InitGrid(); }

void TFRM_Planificateur::FormActivate()
{
    Planificateur::SetGridTitles();
    if (!FRM_Pref)
        return;
    const QComboBox* from = FRM_Pref->CBX_Vitesse_Moteur;
    const QSignalBlocker quiet(CBX_Vitesse_Moteur);
    CBX_Vitesse_Moteur->clear();
    for (int i = 0; i < from->count(); ++i)
        CBX_Vitesse_Moteur->addItem(from->itemText(i));
    CBX_Vitesse_Moteur->setCurrentText(from->currentText());
}

void TFRM_Planificateur::CBX_Vitesse_MoteurChange()
{
    if (!FRM_Pref)
        return;
    // Chosen from the list, as in the Preferences: the profile's speeds load.
    ProfileComboTouched = true;
    FRM_Pref->CBX_Vitesse_Moteur->setCurrentText(CBX_Vitesse_Moteur->currentText());
    FRM_Pref->CBX_Vitesse_MoteurChange();
}

QCheckBox* TFRM_Planificateur::InclusionBox(int index) const
{
    return findChild<QCheckBox*>(QStringLiteral("CKB_") + QLatin1String(kInclusionNames[index]));
}

QLineEdit* TFRM_Planificateur::InclusionEdit(int index) const
{
    return findChild<QLineEdit*>(QStringLiteral("EDT_Fichier_") + QLatin1String(kInclusionNames[index]));
}

void TFRM_Planificateur::BTN_AjouterClick()
{
    const QString name = EDT_Nom_Pose->text();
    if (name.isEmpty()) {
        tell(TranslatedTexts.MSG_Nom_Pose_Vide);
        return;
    }
    if (name.contains(QLatin1Char('"'))) {
        tell(TranslatedTexts.MSG_Nom_Pose_Guillemet);
        return;
    }
    const int nx = Sky::MosaicTilesX, ny = Sky::MosaicTilesY;
    if ((nx == 0 || ny == 0) && (RDB_Mosa1->isChecked() || RDB_Mosa2->isChecked()))
        Msg::ShowMessageText(false, TranslatedTexts.MSG_Aucun_Champ);
    auto add = [this](int x, int y) {
        const int row = STG_Actions->rowCount() - 1;
        Planificateur::FillGridRow(row, x, y);
        STG_Actions->setRowCount(row + 2);
    };
    if (RDB_Mosa1->isChecked()) {
        for (int y = 1; y <= ny; ++y)
            for (int x = 1; x <= nx; ++x)
                add(x, y);
    } else if (RDB_Mosa2->isChecked()) {
        for (int y = 1; y <= ny; ++y) {
            if (y % 2 == 1)
                for (int x = 1; x <= nx; ++x)
                    add(x, y);
            else
                for (int x = nx; x >= 1; --x)
                    add(x, y);
        }
    }
    redrawChart();
    BTN_Generer->setEnabled(true);
}

void TFRM_Planificateur::BTN_SupprimerClick()
{
    // The title row and the last, empty row are never deleted.
    const int lastField = STG_Actions->rowCount() - 2;
    int first = -1, last = -1;
    for (const QTableWidgetSelectionRange& r : STG_Actions->selectedRanges()) {
        const int top = std::max(r.topRow(), 1), bottom = std::min(r.bottomRow(), lastField);
        if (top > bottom)
            continue;
        first = first < 0 ? top : std::min(first, top);
        last = std::max(last, bottom);
    }
    if (first >= 1) {
        for (int row = last; row >= first; --row)
            STG_Actions->removeRow(row);
        STG_Actions->clearSelection();
        redrawChart();
    }
    if (STG_Actions->rowCount() <= 2 || cell(1, 0).isEmpty())
        BTN_Generer->setEnabled(false);
}

void TFRM_Planificateur::STG_ActionsKeyUp(int key)
{
    if (key == Qt::Key_Delete)
        BTN_SupprimerClick();
}

// A field row dragged to another field row moves there; the title row and the
// empty last row stay where they are.
void TFRM_Planificateur::rowMoved(int oldVisual, int newVisual)
{
    QHeaderView* header = STG_Actions->verticalHeader();
    {
        const QSignalBlocker quiet(header);
        header->moveSection(newVisual, oldVisual);
    }
    const int lastField = STG_Actions->rowCount() - 2;
    if (oldVisual < 1 || oldVisual > lastField || newVisual < 1 || newVisual > lastField || oldVisual == newVisual)
        return;
    QList<QTableWidgetItem*> items;
    for (int c = 0; c < kColumns; ++c)
        items << STG_Actions->takeItem(oldVisual, c);
    STG_Actions->removeRow(oldVisual);
    STG_Actions->insertRow(newVisual);
    for (int c = 0; c < kColumns; ++c)
        STG_Actions->setItem(newVisual, c, items[c]);
    STG_Actions->selectRow(newVisual);
}

void TFRM_Planificateur::BTN_GenererClick()
{
    // The script would replace the one running, which would go on from its
    // line number in the new text and move the mount unasked.
    if (Scripts::ScriptRunning || Scripts::ScriptPaused
        || Scripts::CurrentScript().State != Scripts::StateStopped) {
        tell(TranslatedTexts.MSG_Script_En_Cours_Mosaique);
        return;
    }
    QString error;
    const std::optional<QStringList> script = Planificateur::BuildScript(error);
    if (!script) {
        tell(error, platform::MsgKind::Error);
        return;
    }
    // The mosaic replaces the editor's text: unsaved edits are asked for,
    // as opening or starting a script does.
    if (FRM_Script && !FRM_Script->MayDiscardEdits())
        return;
    if (FRM_Alv)
        FRM_Alv->MNU_ScriptsClick();
    if (FRM_Script)
        FRM_Script->ShowUnsavedScript(*script);
    TScript& level = Scripts::CurrentScript();
    level.CurrentLine = 0;
    level.Lines = FRM_Script ? platform::SplitLines(FRM_Script->Memo_Script->toPlainText()) : *script;
    level.LineCount = int(level.Lines.size());
}

void TFRM_Planificateur::BTN_ScriptClick()
{
    if (FRM_Alv)
        FRM_Alv->MNU_ScriptsClick();
}

void TFRM_Planificateur::BTN_ParcourirClick()
{
    platform::FileDialogRequest request;
    const QString name = EDT_Nom_Pose->text();
    if (name.isEmpty()) {
        request.directory = FRM_Pref ? FRM_Pref->BitmapsFolder() : QString();
    } else {
        const qsizetype cut = std::max({name.lastIndexOf(QLatin1Char('\\')), name.lastIndexOf(QLatin1Char(':')),
                                        name.lastIndexOf(QLatin1Char('/'))});
        if (cut >= 0)
            request.directory = platform::fromStoredPath(name.left(cut + 1));
        request.fileName = name.mid(cut + 1);
    }
    request.filter = QStringLiteral("Bitmap (*.bmp)");
    request.confirmOverwrite = false;
    if (const auto chosen = platform::dialogs().saveFile(request))
        EDT_Nom_Pose->setText(*chosen);
}

void TFRM_Planificateur::RDB_StdClick() { SPED_Duree_Poses->setEnabled(false); }

void TFRM_Planificateur::RDB_LongueposeClick() { SPED_Duree_Poses->setEnabled(true); }

void TFRM_Planificateur::TilesChange() { redrawChart(); }

void TFRM_Planificateur::InclusionBoxClick(int index)
{
    QCheckBox* box = InclusionBox(index);
    if (box->isChecked() && !QFileInfo(InclusionEdit(index)->text()).isFile())
        box->setChecked(false);
}

void TFRM_Planificateur::InclusionOpenClick(int index)
{
    QLineEdit* edit = InclusionEdit(index);
    platform::FileDialogRequest request;
    if (edit->text().isEmpty())
        request.directory = FRM_Pref ? FRM_Pref->ScriptsFolder() : QString();
    request.fileName = edit->text();
    request.filter = QStringLiteral("Text (*.txt);;Script (*.script)");
    if (const auto chosen = platform::dialogs().openFile(request)) {
        edit->setText(*chosen);
    } else if (!QFileInfo(edit->text()).isFile()) {
        InclusionBox(index)->setChecked(false);
    }
}
