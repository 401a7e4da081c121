#include "capture/frm_codec_choice.h"

#include "app/systeme.h"
#include "app/ui/widget_message_service.h"
#include "platform/paths.h"
#include "translation/language.h"

#include <QApplication>
#include <QDir>
#include <QFile>

TFRM_CodecChoice::Answerer TFRM_CodecChoice::answerer_;

TFRM_CodecChoice::TFRM_CodecChoice(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    // Opened after the language is read: its texts in that language.
    Translation::TranslateWindow(this);
    for (const TAviCodec& c : AVICompression::AvailableCodecs())
        CBX_Codec->addItem(AVICompression::CodecName(c), QLatin1String(c.fourCC));
    connect(CBX_Codec, &QComboBox::currentIndexChanged, this, [this] { CBX_CodecChange(); });
    connect(TBR_Qualite, &QSlider::valueChanged, this, [this] { TBR_QualiteChange(); });
    connect(CKB_Images_Cles, &QCheckBox::toggled, this, [this] { CBX_CodecChange(); });
    connect(BTN_Ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(BTN_Annuler, &QPushButton::clicked, this, &QDialog::reject);
    CBX_CodecChange();
}

void TFRM_CodecChoice::SetAnswerer(Answerer answerer)
{
    answerer_ = std::move(answerer);
}

void TFRM_CodecChoice::Prepare(const TCompressOptions& options)
{
    const int index = CBX_Codec->findData(AVICompression::FourCCToStr(AVICompression::UpperFourCC(options.fccHandler)));
    CBX_Codec->setCurrentIndex(index < 0 ? 0 : index);
    TBR_Qualite->setValue(static_cast<int>(std::min<std::uint32_t>(options.dwQuality, 10000) / 100));
    CKB_Images_Cles->setChecked((options.dwFlags & kCompressKeyFrames) != 0);
    SPED_Images_Cles->setValue(static_cast<int>(std::min<std::uint32_t>(options.dwKeyFrameEvery, 9999)));
    CBX_CodecChange();
    TBR_QualiteChange();
}

QString TFRM_CodecChoice::ChosenCode() const
{
    return CBX_Codec->currentData().toString();
}

void TFRM_CodecChoice::ApplyTo(TCompressOptions& options) const
{
    options.fccType = AVICompression::StrToFourCC(QStringLiteral("vids"));
    options.fccHandler = AVICompression::UpperFourCC(AVICompression::StrToFourCC(ChosenCode()));
    options.dwQuality = static_cast<std::uint32_t>(TBR_Qualite->value()) * 100;
    if (CKB_Images_Cles->isChecked())
        options.dwFlags |= kCompressKeyFrames;
    else
        options.dwFlags &= ~kCompressKeyFrames;
    options.dwKeyFrameEvery = static_cast<std::uint32_t>(SPED_Images_Cles->value());
    options.cbFormat = kBitmapInfoHeaderSize;
}

void TFRM_CodecChoice::CBX_CodecChange()
{
    const TAviCodec* c = AVICompression::FindCodec(ChosenCode());
    const bool quality = c && c->hasQuality;
    const bool keyFrames = c && c->hasKeyFrames;
    LBL_Qualite->setEnabled(quality);
    TBR_Qualite->setEnabled(quality);
    LBL_Qualite_Valeur->setEnabled(quality);
    CKB_Images_Cles->setEnabled(keyFrames);
    SPED_Images_Cles->setEnabled(keyFrames && CKB_Images_Cles->isChecked());
    LBL_Images_Cles->setEnabled(keyFrames);
}

void TFRM_CodecChoice::TBR_QualiteChange()
{
    LBL_Qualite_Valeur->setText(QString::number(TBR_Qualite->value()));
}

bool TFRM_CodecChoice::Ask()
{
    setResult(QDialog::Rejected);
    if (answerer_) {
        answerer_(*this);
        return result() == QDialog::Accepted;
    }
    return app::ExecInFront(*this) == QDialog::Accepted;
}

namespace AVICompression {

bool ChooseCompressor(int width, int height, int rate)
{
    TFRM_CodecChoice dialog(QApplication::activeWindow());
    dialog.Prepare(CompressOptions);
    if (!dialog.Ask())
        return false;
    dialog.ApplyTo(CompressOptions);
    OptionsLoaded = true;

    // One frame through the chosen codec at this size, so that a codec that
    // cannot compress such frames is said now rather than at the first save.
    if (width > 0 && height > 0) {
        const QString trial = platform::joinPath(QDir::tempPath(), QStringLiteral("Temp.avi"));
        AVIParams params;
        InitAVIParams(params, 5000, rate, 0, 0);
        params.Width = width;
        params.Height = height;
        params.Name = QStringLiteral("Temp.avi");
        TAVICompressor writer;
        if (writer.Open(trial, params)) {
            writer.WriteFrame(kernels::Bitmap24(width, height));
            writer.Close();
        }
        QFile::remove(trial);
    }
    return true;
}

} // namespace AVICompression

void TFRM_CodecChoice::setVisible(bool visible)
{
    if (!Systeme::ShowThroughPath(this, visible))
        QDialog::setVisible(visible);
}
