#include "imaging/frm_wavelet_dlg.h"

#include "app/ui/control_adapters.h"

TFRM_WaveletDlg::TFRM_WaveletDlg(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    setWindowFlags(windowFlags() | Qt::Tool);
    rows_ = {{{TRB_W1, EDT_W1},
              {TRB_W2, EDT_W2},
              {TRB_W3, EDT_W3},
              {TRB_W4, EDT_W4},
              {TRB_W5, EDT_W5},
              {TRB_W6, EDT_W6}}};
    app::bindTrackBarChange(TRB_W1, this, &TFRM_WaveletDlg::TRB_W1Change);
    app::bindTrackBarChange(TRB_W2, this, &TFRM_WaveletDlg::TRB_W2Change);
    app::bindTrackBarChange(TRB_W3, this, &TFRM_WaveletDlg::TRB_W3Change);
    app::bindTrackBarChange(TRB_W4, this, &TFRM_WaveletDlg::TRB_W4Change);
    app::bindTrackBarChange(TRB_W5, this, &TFRM_WaveletDlg::TRB_W5Change);
    app::bindTrackBarChange(TRB_W6, this, &TFRM_WaveletDlg::TRB_W6Change);
    app::bindSpeedButtonClick(SPDB_Reset_W1, this, &TFRM_WaveletDlg::SPDB_Reset_W1Click);
    app::bindSpeedButtonClick(SPDB_Reset_W2, this, &TFRM_WaveletDlg::SPDB_Reset_W2Click);
    app::bindSpeedButtonClick(SPDB_Reset_W3, this, &TFRM_WaveletDlg::SPDB_Reset_W3Click);
    app::bindSpeedButtonClick(SPDB_Reset_W4, this, &TFRM_WaveletDlg::SPDB_Reset_W4Click);
    app::bindSpeedButtonClick(SPDB_Reset_W5, this, &TFRM_WaveletDlg::SPDB_Reset_W5Click);
    app::bindSpeedButtonClick(SPDB_Reset_W6, this, &TFRM_WaveletDlg::SPDB_Reset_W6Click);
}

void TFRM_WaveletDlg::SetLevelCallback(int level, LevelCallback callback)
{
    if (level >= 1 && level <= Levels)
        callbacks_[level - 1] = callback;
}

void TFRM_WaveletDlg::TrackBarChange(int level)
{
    const Row& row = rows_[level - 1];
    const int position = row.trackBar->value();
    row.edit->setText(QString::number(position));
    if (LevelCallback callback = callbacks_[level - 1]; callback && wavelet_)
        callback(*wavelet_, position);
}

void TFRM_WaveletDlg::ResetClick(int level)
{
    rows_[level - 1].trackBar->setValue(0);
}
