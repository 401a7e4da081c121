// The wavelet filter's settings window: track bars, their edits and reset
// buttons, and the filter's weights behind them.

#include "imaging/frm_wavelet_dlg.h"
#include "imaging/wavelet_module.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSlider>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

namespace {

QSlider* trackBar(TFRM_WaveletDlg& d, int level) { return d.findChild<QSlider*>(QString("TRB_W%1").arg(level)); }
QLineEdit* edit(TFRM_WaveletDlg& d, int level) { return d.findChild<QLineEdit*>(QString("EDT_W%1").arg(level)); }
QToolButton* reset(TFRM_WaveletDlg& d, int level)
{
    return d.findChild<QToolButton*>(QString("SPDB_Reset_W%1").arg(level));
}

} // namespace

TEST(WaveletDlg, TrackBarsSetTheirLevelsWeight)
{
    TWaveletModule module;
    TFRM_WaveletDlg& d = *module.Dialog();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.windowTitle(), "Wavelets");
    const char* labels[] = {"L1", "L2", "L4", "L8", "L16", "L32"};
    for (int n = 1; n <= 6; ++n) {
        ASSERT_TRUE(trackBar(d, n) && edit(d, n) && reset(d, n)) << n;
        ASSERT_TRUE(d.findChild<QCheckBox*>(QString("CKB_W%1").arg(n))) << n;
        EXPECT_EQ(d.findChild<QLabel*>(QString("LBL_W%1").arg(n))->text(), labels[n - 1]);
        EXPECT_EQ(trackBar(d, n)->minimum(), -1000);
        EXPECT_EQ(trackBar(d, n)->maximum(), 5000);
        EXPECT_EQ(trackBar(d, n)->value(), 0);
        EXPECT_TRUE(edit(d, n)->isReadOnly());
    }

    // Each track bar writes its own edit and its own level's weight.
    for (int n = 1; n <= 6; ++n)
        trackBar(d, n)->setValue(100 * n - 350);
    for (int n = 1; n <= 6; ++n) {
        EXPECT_EQ(edit(d, n)->text(), QString::number(100 * n - 350));
        EXPECT_EQ(module.Wavelet().Weight(n), 100 * n - 350);
    }
    trackBar(d, 4)->setValue(9000);   // held at the maximum
    EXPECT_EQ(edit(d, 4)->text(), "5000");
    EXPECT_EQ(module.Wavelet().Weight(4), 5000);
    trackBar(d, 1)->setValue(-1000);
    EXPECT_EQ(edit(d, 1)->text(), "-1000");
    EXPECT_EQ(module.Wavelet().Weight(1), -1000);
}

TEST(WaveletDlg, ResetGoesThroughTheChangeHandler)
{
    TWaveletModule module;
    TFRM_WaveletDlg& d = *module.Dialog();
    trackBar(d, 2)->setValue(700);
    reset(d, 2)->click();
    EXPECT_EQ(trackBar(d, 2)->value(), 0);
    EXPECT_EQ(edit(d, 2)->text(), "0");
    EXPECT_EQ(module.Wavelet().Weight(2), 0);

    // Already at 0: the position does not change, so nothing runs.
    module.Wavelet().SetWeight(2, 55);
    d.SPDB_Reset_W2Click();
    EXPECT_EQ(module.Wavelet().Weight(2), 55);
}

TEST(WaveletDlg, NoCallbackNoCall)
{
    kernels::TWavelet wavelet;
    TFRM_WaveletDlg d;
    d.SetWavelet(&wavelet);
    trackBar(d, 1)->setValue(300);
    EXPECT_EQ(edit(d, 1)->text(), "300");
    EXPECT_EQ(wavelet.Weight(1), 0);

    // A callback without a filter is not called either; levels outside
    // 1..6 are ignored.
    static int calls = 0;
    TFRM_WaveletDlg::LevelCallback count = [](kernels::TWavelet&, std::int32_t) { ++calls; };
    d.SetLevelCallback(0, count);
    d.SetLevelCallback(7, count);
    trackBar(d, 1)->setValue(400);
    EXPECT_EQ(calls, 0);
    d.SetLevelCallback(1, count);
    d.SetWavelet(nullptr);
    trackBar(d, 1)->setValue(500);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(edit(d, 1)->text(), "500");
}

TEST(WaveletDlg, TheWindowLivesAsLongAsItsFilter)
{
    QPointer<TFRM_WaveletDlg> dialog;
    {
        QWidget owner;
        TWaveletModule module(&owner);
        dialog = module.Dialog();
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->parentWidget(), &owner);
    }
    EXPECT_TRUE(dialog.isNull());

    // The owner window going first takes the window along; the filter stays.
    auto owner = std::make_unique<QWidget>();
    TWaveletModule module(owner.get());
    owner.reset();
    EXPECT_EQ(module.Dialog(), nullptr);
    module.Wavelet().SetWeight(1, 3);
    EXPECT_EQ(module.Wavelet().Weight(1), 3);
}
