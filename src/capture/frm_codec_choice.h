#pragma once
// The codec dialog of the AVI writer: the codec (from the codecs FFmpeg can
// write), its quality and its key-frame interval. The quality and key-frame
// controls are enabled only for codecs that use them.
//
// On screen it runs modally. Tests install an answerer instead: it is called
// with the prepared dialog in place of the modal loop and answers it as a
// user would (choosing, then clicking OK or Annuler); a dialog the answerer
// leaves unanswered counts as cancelled.

#include "capture/avi_compression.h"
#include "ui_frm_codec_choice.h"

#include <QDialog>
#include <functional>

class TFRM_CodecChoice : public QDialog, public Ui::TFRM_CodecChoice {
    Q_OBJECT
public:
    // Shown through the program's one show path, whatever shows it.
    void setVisible(bool visible) override;
    explicit TFRM_CodecChoice(QWidget* parent = nullptr);

    using Answerer = std::function<void(TFRM_CodecChoice&)>;
    // An empty answerer restores the modal loop.
    static void SetAnswerer(Answerer answerer);

    // Shows the options: their codec (uncompressed when it is not listed),
    // quality 0..10000 as 0..100, key frames on or off and their interval.
    void Prepare(const TCompressOptions& options);
    // The choice into the options: type "vids", the codec code upper case,
    // quality, the key-frame flag and interval; other fields are kept.
    void ApplyTo(TCompressOptions& options) const;
    // The FOURCC of the codec selected.
    QString ChosenCode() const;

    // Runs the dialog; true when closed with OK.
    bool Ask();

    void CBX_CodecChange();
    void TBR_QualiteChange();

private:
    static Answerer answerer_;
};
