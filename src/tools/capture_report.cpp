// The capture report (".par") written beside saved images and videos.

#include "tools/util_images.h"

#include "app/controls/float_text.h"
#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/ui/control_adapters.h"
#include "capture/camera_slots.h"
#include "capture/frm_longuepose.h"
#include "imaging/pipeline_state.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/message_service.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "translation/translated_texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace Util_Images {

bool ReportHeaderPending = false;

namespace {

QFile g_reportFile;
bool g_missingFileTold = false;

QString yesNo(bool on) { return on ? QStringLiteral("O") : QStringLiteral("N"); }
QString num(const TCustomNumInp* input) { return app::FormatG(input ? input->Value() : 0); }
QString num(double value) { return app::FormatG(value); }
QString padded(const QString& text, int width) { return text.leftJustified(width, u' ', false); }

// Writes lines to a report file, each in CP1252 with CR LF; a failed write
// throws, leaving what was written before.
class ReportWriter {
public:
    explicit ReportWriter(QFile& file) : file_(file) {}
    void line(const QString& text = {})
    {
        const QByteArray bytes = platform::toCp1252(text) + "\r\n";
        if (file_.write(bytes) != bytes.size())
            throw SaveError(TranslatedTexts.MSG_Rapport_Ecriture_Impossible.arg(file_.fileName(),
                                                                                         file_.errorString()));
    }
    void line(const char* label, const QString& value) { line(QString::fromUtf8(label) + value); }

private:
    QFile& file_;
};

void writeSettingsBlock(ReportWriter& w, const QDateTime& now)
{
    const auto* t = FRM_Tool_Images;
    const bool integration = t->CKB_Integration->isChecked();
    const auto& slot = CameraSlots[std::size_t(CurrentCameraSlot == 2 ? 2 : 1)];
    const QString na = QStringLiteral("N/A");

    w.line("Date/heure                      : ", ReportDateTimeText(now));
    w.line("Resolution video                : ", QStringLiteral("%1 x %2 pixels").arg(slot.width).arg(slot.height));
    // The size of what was saved.
    const QSize saved = t->SavedPictureSize();
    w.line("Dimensions de l'image          : ", QStringLiteral("%1 x %2 pixels").arg(saved.width()).arg(saved.height()));
    w.line("Position (X,Y) de l'image       : ",
           QStringLiteral("(%1,%2)").arg(DisplayZoneRect.left).arg(DisplayZoneRect.top));
    w.line("Nombre d'images indiv.         : ", integration ? t->EDT_NBCaps->text() : QStringLiteral("1"));
    w.line("Mode Boucle                     : ", integration && t->RDB_Boucle->isChecked()
                                                     ? QString::number(t->SPED_Nb_Bitmap->value()) + " images"
                                                     : QStringLiteral("N"));
    w.line("Durée (poses longues uniquement): ",
           LongExposureActive && FRM_Longuepose
               ? QString::number(FRM_Longuepose->SPED_Vesta_Pose->value()) + " millisecondes"
               : na);
    w.line();
    w.line("Intensité Minimale              : ", integration ? num(t->TNI_Min) : QString());
    w.line("Intensité Maximale              : ", integration ? num(t->TNI_Max) : QString());
    w.line("Seuil Bas                       : ", integration ? num(t->TNI_Seuil_Min) : na);
    w.line("Seuil Haut                      : ", integration ? num(t->TNI_Seuil_Max) : na);
    // The dark and the flat as the result got them: the dark's frame count
    // and level once a dark is subtracted, stacking or not.
    const bool darkApplied = double(t->TNI_MaxDark->Value()) > 0 && AdditionFrameCount[1] > 0;
    const bool flatApplied = t->CKB_Active_Flat->isChecked();
    w.line("Dark appliqué (Nb Img)          : ", integration || darkApplied
                                                     ? QString::number(darkApplied ? AdditionFrameCount[1] : 0)
                                                           + " / " + num(t->TNI_MaxDark)
                                                     : na);
    w.line("Flat appliqué   (O/N)           : ", integration || flatApplied ? yesNo(flatApplied) : na);
    w.line();
    w.line("Noir et Blanc   (O/N)           : ", integration ? yesNo(t->RDB_NB->isChecked()) : QStringLiteral("N"));
    w.line("Rouge           (O/N)           : ", integration ? yesNo(t->CKB_Red->isChecked()) : QStringLiteral("O"));
    w.line("Vert            (O/N)           : ", integration ? yesNo(t->CKB_Green->isChecked()) : QStringLiteral("O"));
    w.line("Bleu            (O/N)           : ", integration ? yesNo(t->CKB_Blue->isChecked()) : QStringLiteral("O"));
    w.line();

    const bool tracking = FRM_Tool_Suivi && FRM_Tool_Suivi->CKB_Suivi->isChecked();
    const bool zoneMethod =
        tracking && (FRM_Tool_Suivi->RDB_Colimacon->isChecked() || FRM_Tool_Suivi->RDB_Somax->isChecked());
    QString method = QStringLiteral("Aucun");
    if (tracking)
        method = FRM_Tool_Suivi->RDB_Colimacon->isChecked() ? QStringLiteral("Pixel Brillant")
                 : FRM_Tool_Suivi->RDB_Somax->isChecked()   ? QStringLiteral("Somme Axes")
                                                            : QStringLiteral("Derive");
    w.line("Type de suivi                   : ", method);
    w.line("Taille zone de detect°          : ",
           zoneMethod && FRM_Tool_Affichage ? num(FRM_Tool_Affichage->TNI_Taille_ZDetect) + " pixels" : na);
    w.line("Inversion video/suivi           : ",
           zoneMethod ? yesNo(FRM_Tool_Suivi->CKB_Inversion_Video->isChecked()) : tracking ? na : QStringLiteral("N"));
    w.line();

    const bool selection = t->CKB_Selection->isChecked();
    w.line("Qualité de l'image              : ", selection ? num(SelectionSnapshot.current) : na);
    w.line("Meilleure image                 : ", selection ? num(SelectionSnapshot.best) : na);
    w.line("Plus mauvaise image             : ", selection ? num(SelectionSnapshot.worst) : na);
    w.line("Seuil de selection              : ", selection ? num(t->TNI_Seuil_Selection) : na);
}

// A report is a new file: one already there is never replaced, unless the
// user rewrites one name at every save, its report with it.
QIODevice::OpenMode reportMode()
{
    return QIODevice::Unbuffered
           | (FRM_Tool_Images->NameRewritten() ? QIODevice::WriteOnly | QIODevice::Truncate : QIODevice::NewOnly);
}

QString reportNotCreated(const QString& fileName, const QFile& file)
{
    if (QFileInfo::exists(fileName))
        return TranslatedTexts.MSG_Rapport_Existe.arg(QDir::toNativeSeparators(fileName));
    return TranslatedTexts.MSG_Rapport_Creation_Impossible.arg(fileName, file.errorString());
}

void writeListHeading(ReportWriter& w)
{
    w.line();
    w.line(QStringLiteral("Liste des images enregistrées"));
    w.line(QString(63, u'='));
    w.line(QStringLiteral("      Cam 1                   | Cam 2                          "));
    w.line(QStringLiteral("Nom   Date       Heure        | Date       Heure          Delta"));
}

void writeListLine(ReportWriter& w, bool isImageFile, std::int32_t number)
{
    QString text;
    if (isImageFile) {
        const QString base = BuildCaptureFileName(number);
        text = padded(base.mid(base.lastIndexOf(u'/') + 1), 30);
    } else {
        text = padded(QString::number(number), 6);
    }
    if (FRM_Tool_Affichage && FRM_Tool_Affichage->CKB_DoubleEnreg->isChecked()) {
        const std::int64_t delta = std::int64_t(FrameStamps[2].Time) - FrameStamps[1].Time;
        text += padded(FrameStampText(1), 26) + padded(FrameStampText(2), 26) + padded(QString::number(delta), 8);
    } else {
        text += FrameStampText(CurrentCameraSlot == 2 ? 2 : 1);
    }
    w.line(text);
}

} // namespace

QString ReportDateTimeText(const QDateTime& when)
{
    const QTime time = when.time();
    const QString format = time.hour() == 0 && time.minute() == 0 && time.second() == 0
                               ? QStringLiteral("dd/MM/yyyy")
                               : QStringLiteral("dd/MM/yyyy hh:mm:ss");
    return QLocale::c().toString(when, format) + u'.' + QStringLiteral("%1").arg(time.msec(), 3, 10, QChar(u'0'));
}

void OpenReportFile(const QString& fileName)
{
    CloseReportFile();
    g_reportFile.setFileName(fileName);
    if (!g_reportFile.open(reportMode()))
        throw SaveError(reportNotCreated(fileName, g_reportFile));
}

void CloseReportFile()
{
    if (g_reportFile.isOpen())
        g_reportFile.close();
}

bool ReportFileOpen() { return g_reportFile.isOpen(); }

void ResetReportWarnings() { g_missingFileTold = false; }

void WriteCaptureReport(bool isImageFile, const QString& fileName, std::int32_t number)
{
    const QDateTime now = platform::clock().wallNow();
    const bool single = FRM_Tool_Images->CKB_Un_seul_fichier->isChecked();
    if (single && !g_reportFile.isOpen()) {
        if (!g_missingFileTold) {
            g_missingFileTold = true;
            platform::messages().show(
                {TranslatedTexts.MSG_Rapport_Absent,
                 platform::MsgKind::Warning, platform::MsgButtons::Ok, QStringLiteral("ReportMissing"), {}});
        }
        return;
    }
    QFile own;
    QFile& file = single ? g_reportFile : own;
    if (!single) {
        own.setFileName(fileName);
        if (!own.open(reportMode()))
            throw SaveError(reportNotCreated(fileName, own));
    }
    ReportWriter w(file);
    if (!single || ReportHeaderPending) {
        writeSettingsBlock(w, now);
        if (ReportHeaderPending)
            writeListHeading(w);
        ReportHeaderPending = false;
    }
    if (single)
        writeListLine(w, isImageFile, number);
}

} // namespace Util_Images
