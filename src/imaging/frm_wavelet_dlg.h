#pragma once
// The settings window of the wavelet filter ("Wavelets", a tool window):
// one row per level ("L1" .. "L32") with a track bar for the level's weight
// (-1000..5000, gain = weight / 1024), the weight shown beside it, and "R"
// to put it back to 0. A change of a track bar calls the level's callback,
// when one is set, with the filter and the new weight. The check boxes and
// "Ok" do nothing of their own.

#include "app/form.h"
#include "ui_frm_wavelet_dlg.h"

#include <array>
#include <cstdint>

namespace kernels {
class TWavelet;
}

class TFRM_WaveletDlg : public TForm, public Ui::TFRM_WaveletDlg {
    Q_OBJECT
public:
    static constexpr int Levels = 6;
    using LevelCallback = void (*)(kernels::TWavelet& wavelet, std::int32_t value);

    explicit TFRM_WaveletDlg(QWidget* parent = nullptr);

    // The filter the callbacks are called with; without one none is called.
    void SetWavelet(kernels::TWavelet* wavelet) { wavelet_ = wavelet; }
    kernels::TWavelet* Wavelet() const { return wavelet_; }
    // The callback of level 1..6 (nullptr: none); other levels are ignored.
    void SetLevelCallback(int level, LevelCallback callback);

    void TRB_W1Change() { TrackBarChange(1); }
    void TRB_W2Change() { TrackBarChange(2); }
    void TRB_W3Change() { TrackBarChange(3); }
    void TRB_W4Change() { TrackBarChange(4); }
    void TRB_W5Change() { TrackBarChange(5); }
    void TRB_W6Change() { TrackBarChange(6); }
    void SPDB_Reset_W1Click() { ResetClick(1); }
    void SPDB_Reset_W2Click() { ResetClick(2); }
    void SPDB_Reset_W3Click() { ResetClick(3); }
    void SPDB_Reset_W4Click() { ResetClick(4); }
    void SPDB_Reset_W5Click() { ResetClick(5); }
    void SPDB_Reset_W6Click() { ResetClick(6); }

private:
    struct Row {
        QSlider* trackBar;
        QLineEdit* edit;
    };
    // Shows the level's weight and hands it to its callback.
    void TrackBarChange(int level);
    // Back to 0 through the track bar, so the change handler runs when the
    // position really changes.
    void ResetClick(int level);

    std::array<Row, Levels> rows_;
    std::array<LevelCallback, Levels> callbacks_{};
    kernels::TWavelet* wavelet_ = nullptr;
};
