#include "imaging/wavelet_module.h"

#include "imaging/frm_wavelet_dlg.h"

std::unique_ptr<TWaveletModule> WaveletModule;

TWaveletModule::TWaveletModule(QWidget* owner)
{
    CreateDialog(owner);
}

TWaveletModule::~TWaveletModule()
{
    delete dialog_.data();
}

void TWaveletModule::CreateDialog(QWidget* owner)
{
    dialog_ = new TFRM_WaveletDlg(owner);
    dialog_->DoCreate();
    dialog_->SetWavelet(&wavelet_);
    dialog_->SetLevelCallback(1, [](kernels::TWavelet& w, std::int32_t v) { w.SetLevel1Weight(v); });
    dialog_->SetLevelCallback(2, [](kernels::TWavelet& w, std::int32_t v) { w.SetLevel2Weight(v); });
    dialog_->SetLevelCallback(3, [](kernels::TWavelet& w, std::int32_t v) { w.SetLevel3Weight(v); });
    dialog_->SetLevelCallback(4, [](kernels::TWavelet& w, std::int32_t v) { w.SetLevel4Weight(v); });
    dialog_->SetLevelCallback(5, [](kernels::TWavelet& w, std::int32_t v) { w.SetLevel5Weight(v); });
    dialog_->SetLevelCallback(6, [](kernels::TWavelet& w, std::int32_t v) { w.SetLevel6Weight(v); });
}
