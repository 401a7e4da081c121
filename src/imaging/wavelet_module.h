#pragma once
// The wavelet filter of the image tool together with its settings window.
//
// The filter (kernels::TWavelet) lives in the kernels layer, which has no
// widgets, so the pairing is made here: TWaveletModule owns the filter and
// its TFRM_WaveletDlg. The window is created hidden, placed under the owner
// window given (the image tool), and its six level callbacks are the
// filter's SetLevel1Weight .. SetLevel6Weight. It lives exactly as long as
// the filter (unless its owner window goes first, which takes it along).

#include "imaging/frm_wavelet_dlg.h"
#include "kernels/wavelet.h"

#include <QPointer>
#include <memory>

class QWidget;

class TWaveletModule {
public:
    explicit TWaveletModule(QWidget* owner = nullptr);
    ~TWaveletModule();
    TWaveletModule(const TWaveletModule&) = delete;
    TWaveletModule& operator=(const TWaveletModule&) = delete;

    kernels::TWavelet& Wavelet() { return wavelet_; }
    // The settings window; null once its owner window has destroyed it.
    TFRM_WaveletDlg* Dialog() const { return dialog_; }

private:
    // Creates the hidden window and connects its callbacks to the filter.
    void CreateDialog(QWidget* owner);

    kernels::TWavelet wavelet_;
    QPointer<TFRM_WaveletDlg> dialog_;
};

// The image tool's filter, made when its filter type "Ondelettes" is chosen
// and freed when another one is; null otherwise.
extern std::unique_ptr<TWaveletModule> WaveletModule;
