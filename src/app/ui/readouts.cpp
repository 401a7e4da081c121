#include "app/ui/readouts.h"

#include "app/controls/num_inp.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>
#include <iterator>

namespace app {
namespace {

// Widest texts of the formats the read-outs are written in.
#define DMS "-359\u00B0 59' 59.99\""   // an angle, CalcHelpers::DecToStr
#define G15 "-123.456789012345"          // 15 significant digits (FormatG, 'g' 15)

const ReadoutWidth kReadouts[] = {
    // Image tool: the kernel's sum (rings at the ends of their bars), file
    // sizes and free space in kB, frame counts, the colour mixer in percent.
    {"FRM_Tool_Images", "EDT_Total_Filtre", "-16720"},
    {"FRM_Tool_Images", "EDT_Taille_Enreg", "9999999999"},
    {"FRM_Tool_Images", "EDT_FreeDiskSpaceMb", "9999999999"},
    {"FRM_Tool_Images", "EDT_Taille_Fichier", "9999999999"},
    {"FRM_Tool_Images", "EDT_Compte_trames", "99999999"},
    {"FRM_Tool_Images", "EDT_L_R", "100"},
    {"FRM_Tool_Images", "EDT_L_G", "100"},
    {"FRM_Tool_Images", "EDT_L_B", "100"},
    {"FRM_Tool_Images", "EDT_RR", "-1000"},
    {"FRM_Tool_Images", "EDT_RG", "-1000"},
    {"FRM_Tool_Images", "EDT_RB", "-1000"},
    {"FRM_Tool_Images", "EDT_GR", "-1000"},
    {"FRM_Tool_Images", "EDT_GG", "-1000"},
    {"FRM_Tool_Images", "EDT_GB", "-1000"},
    {"FRM_Tool_Images", "EDT_BR", "-1000"},
    {"FRM_Tool_Images", "EDT_BG", "-1000"},
    {"FRM_Tool_Images", "EDT_BB", "-1000"},
    {"FRM_Tool_Images", "EDT_NBCaps", "99999999"},
    {"FRM_Tool_Images", "EDT_Decompte", "99999999"},
    // Display tool: the detection zone's size, the frame rates.
    {"FRM_Tool_Affichage", "TNI_Taille_ZDetect", "480"},
    {"FRM_Tool_Affichage", "TNI_Taille_ZAffich", "1600"},
    {"FRM_Tool_Affichage", "TNI_Taille_ZAffichV", "1600"},
    {"FRM_Tool_Affichage", "EDT_Cam1_FPS", "999.9"},
    {"FRM_Tool_Affichage", "EDT_Cam2_FPS", "999.9"},
    // Hand pad: the rate bar's position, the mount's position.
    {"FRM_Raquette", "EDT_Rate", "-15000"},
    {"FRM_Raquette", "EDT_Position_Actuelle_AD", "23h 59m 59.99s"},
    {"FRM_Raquette", "EDT_Position_Actuelle_Dec", "-89\u00B0 59' 59.99\""},
    // Guiding: directions, pulse lengths and what is left of them in ms,
    // the error's direction.
    {"FRM_Prg_Suivi", "EDT_Dir_AD", "Ouest"},
    {"FRM_Prg_Suivi", "EDT_Dir_Dec", "Nord"},
    {"FRM_Prg_Suivi", "EDT_Duree_AD", "999999"},
    {"FRM_Prg_Suivi", "EDT_Duree_Dec", "999999"},
    {"FRM_Prg_Suivi", "EDT_DurRA", "999999"},
    {"FRM_Prg_Suivi", "EDT_DurDec", "999999"},
    {"FRM_Prg_Suivi", "EDT_Sens_Erreur", G15},
    // Periodic error: the trail's angle, the direction of the error.
    {"FRM_ErrPeriod", "EDT_AngleTraineeEO", DMS},
    {"FRM_ErrPeriod", "EDT_Senserreur", "-1"},
    // Polar alignment: angles, corrections, turns.
    {"FRM_MiseEnStation", "EDT_AngleTraineeEO", DMS},
    {"FRM_MiseEnStation", "EDT_AngleTraineeNS", DMS},
    {"FRM_MiseEnStation", "EDT_Erreur_polaire", DMS},
    {"FRM_MiseEnStation", "EDT_Correct", "le haut"},
    {"FRM_MiseEnStation", "EDT_Deplacement", "-0.0001234"},
    {"FRM_MiseEnStation", "EDT_Tours", "-0.0001234"},
    {"FRM_MiseEnStation", "EDT_CorrectKingEO", "Ouest"},
    {"FRM_MiseEnStation", "EDT_CorrectKingNS", "le haut"},
    {"FRM_MiseEnStation", "EDT_DistanceX_DMS", DMS},
    {"FRM_MiseEnStation", "EDT_DistanceY_DMS", DMS},
    {"FRM_MiseEnStation", "EDT_Deplacement_EstOuest", "-0.0001234"},
    {"FRM_MiseEnStation", "EDT_Deplacement_NordSud", "-0.0001234"},
    {"FRM_MiseEnStation", "EDT_Deplacement_EstOuest_Tours", "-0.0001234"},
    {"FRM_MiseEnStation", "EDT_Deplacement_NordSud_Tours", "-0.0001234"},
    // Goto dialog: distances in seconds of arc, the time in s, the places.
    {"FRM_ObjectAction", "EDT_Distance_Ra", "-1234567.89012345"},
    {"FRM_ObjectAction", "EDT_Distance_Dec", "-1234567.89012345"},
    {"FRM_ObjectAction", "EDT_Distance_Abs", "648000.99"},
    {"FRM_ObjectAction", "EDT_Tps_Estime", "99999.999"},
    {"FRM_ObjectAction", "EDT_Origine_Ra", "23h 59m 59.99s"},
    {"FRM_ObjectAction", "EDT_Destination_Ra", "23h 59m 59.99s"},
    {"FRM_ObjectAction", "EDT_Origine_Dec", "-89\u00B0 59' 59.99\""},
    {"FRM_ObjectAction", "EDT_Destination_Dec", "-89\u00B0 59' 59.99\""},
    // Resources: the last drift vector, memory in kB, times in ms.
    {"FRM_Ressources", "Edit1", G15},
    {"FRM_Ressources", "Edit2", G15},
    {"FRM_Ressources", "Edit3", G15},
    {"FRM_Ressources", "EDT_TotalPhys", "9999999999"},
    {"FRM_Ressources", "EDT_AvailPhys", "9999999999"},
    {"FRM_Ressources", "EDT_TotalPageFile", "9999999999"},
    {"FRM_Ressources", "EDT_AvailPageFile", "9999999999"},
    {"FRM_Ressources", "EDT_TotalVirtual", "9999999999"},
    {"FRM_Ressources", "EDT_AvailVirtual", "9999999999"},
    {"FRM_Ressources", "EDT_Memoryload", "100"},
    {"FRM_Ressources", "EDT_Temps_Copie", "99999"},
    {"FRM_Ressources", "EDT_Temps_addition", "99999"},
    {"FRM_Ressources", "EDT_Temps_Dark_Flat", "99999"},
    {"FRM_Ressources", "EDT_Temps_BitBlt", "99999"},
    // Information window: a pixel's place and levels, the level counts and shares.
    {"FRM_Info", "EDT_X", "1280"},
    {"FRM_Info", "EDT_Y", "1280"},
    {"FRM_Info", "EDT_R", "65535"},
    {"FRM_Info", "EDT_V", "65535"},
    {"FRM_Info", "EDT_B", "65535"},
    {"FRM_Info", "EDT_Nbre_R", "1640961"},
    {"FRM_Info", "EDT_Nbre_V", "1640961"},
    {"FRM_Info", "EDT_Nbre_B", "1640961"},
    {"FRM_Info", "EDT_Prc_R", "100.0000000"},
    {"FRM_Info", "EDT_Prc_V", "100.0000000"},
    {"FRM_Info", "EDT_Prc_B", "100.0000000"},
    // Measurement window: angles, sizes, the star's declination.
    {"FRM_Tool_Mesures", "EDT_Angle_Calcule", DMS},
    {"FRM_Tool_Mesures", "EDT_Angle_Calcule_Moy", DMS},
    {"FRM_Tool_Mesures", "EDT_Angle_Calcule_S", DMS},
    {"FRM_Tool_Mesures", "EDT_Distance_Calculee", "-0.000123"},
    {"FRM_Tool_Mesures", "EDT_Dimension_Calcule_Moy", "-0.0001234567891"},
    {"FRM_Tool_Mesures", "EDT_Dimension_Calcule_S", "-0.0001234567891"},
    {"FRM_Tool_Mesures", "EDT_Decl_Etoile", DMS},
    // Preferences: the learning's step.
    {"FRM_Pref", "EDT_Etape_Appr", "99"},
    // Script wizard: a position from the chart, in seconds of arc.
    {"FRM_ScrCmd", "EDT_Parametre1", "-1234567.89012345"},
    {"FRM_ScrCmd", "EDT_Parametre2", "-1234567.89012345"},
    {"FRM_ScrCmd", "EDT_Parametre3", "-1234567.89012345"},
};

#undef DMS
#undef G15

const char* const kFitted = "nj_readout_widest";

// Keeps a table read-out wide enough again when its font changes.
class WidestFollowsFont final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* obj, QEvent* e) override
    {
        if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange)
            fit(static_cast<QLineEdit*>(obj));
        return false;
    }
    static void fit(QLineEdit* edit)
    {
        const QString widest = edit->property(kFitted).toString();
        edit->setMinimumWidth(std::max(edit->minimumWidth(), WidthToShow(edit, widest)));
    }
};

bool isOwnEdit(const QLineEdit* edit)
{
    // The edits of drop-down lists and spin boxes keep their own caret.
    const QWidget* parent = edit->parentWidget();
    return !qobject_cast<const QComboBox*>(parent) && !qobject_cast<const QAbstractSpinBox*>(parent)
           && !qobject_cast<const TCustomNumInp*>(edit);
}

} // namespace

const ReadoutWidth* ReadoutWidths(int& count)
{
    count = int(std::size(kReadouts));
    return kReadouts;
}

int WidthToShow(const QLineEdit* edit, const QString& text)
{
    // As the line edit sizes itself: the text, two pixels each side and a
    // pixel of caret inside its text and contents margins, then its frame.
    const QFontMetrics fm(edit->font());
    const QMargins tm = edit->textMargins(), cm = edit->contentsMargins();
    const int inside = fm.horizontalAdvance(text) + 2 * 2 + 1 + tm.left() + tm.right() + cm.left() + cm.right();
    QStyleOptionFrame frame;
    frame.initFrom(edit);
    frame.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, edit) : 0;
    frame.midLineWidth = 0;
    frame.state |= QStyle::State_Sunken;
    if (edit->isReadOnly())
        frame.state |= QStyle::State_ReadOnly;
    return edit->style()->sizeFromContents(QStyle::CT_LineEdit, &frame, QSize(inside, fm.height()), edit).width();
}

void KeepReadoutsWhole(QWidget* window)
{
    if (!window)
        return;
    // The read-outs: every line edit the user cannot type in, and those of
    // the table.
    const QString name = window->objectName();
    QList<QLineEdit*> readouts;
    for (QLineEdit* edit : window->findChildren<QLineEdit*>())
        if (edit->isReadOnly() && isOwnEdit(edit))
            readouts << edit;
    for (const ReadoutWidth& r : kReadouts) {
        if (name != QLatin1String(r.window))
            continue;
        auto* edit = window->findChild<QLineEdit*>(QLatin1String(r.control));
        if (!edit)
            continue;
        edit->setProperty(kFitted, QString::fromUtf8(r.widest));
        WidestFollowsFont::fit(edit);
        edit->installEventFilter(new WidestFollowsFont(edit));
        if (isOwnEdit(edit) && !readouts.contains(edit))
            readouts << edit;
    }
    for (QLineEdit* edit : readouts) {
        // A text the program sets (not one the user typed, which marks the
        // edit modified) shows from its first character, also in a read-out
        // the user clicked in; the caret of a user typing in it is left alone.
        QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] {
            if (!edit->isModified() && (!edit->hasFocus() || edit->isReadOnly()))
                edit->setCursorPosition(0);
        });
    }
}

} // namespace app
