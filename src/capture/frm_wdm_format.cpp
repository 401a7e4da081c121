#include "capture/frm_wdm_format.h"

#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "app/ui/widget_message_service.h"
#include "translation/language.h"

#include <algorithm>

TFRM_WDMFormat::TFRM_WDMFormat(const std::vector<platform::V4l2Camera::FormatEntry>& formats,
                               const TWDMCapture::FormatChoice& current, QWidget* parent)
    : QDialog(parent), formats_(formats), current_(current)
{
    setupUi(this);
    // Opened after the language is read: its texts in that language.
    Translation::TranslateWindow(this);
    for (const auto& f : formats_) {
        if (std::find(fourccs_.begin(), fourccs_.end(), f.fourcc) != fourccs_.end())
            continue;
        fourccs_.push_back(f.fourcc);
        CBX_PixelFormat->addItem(f.description);
    }
    const auto at = std::find(fourccs_.begin(), fourccs_.end(), current.fourcc);
    CBX_PixelFormat->setCurrentIndex(at == fourccs_.end() ? 0 : static_cast<int>(at - fourccs_.begin()));
    CBX_PixelFormatChange();
    SPE_Interval->setValue(static_cast<int>(current.interval100ns / 10000));
    app::bindComboChange(CBX_PixelFormat, [this] { CBX_PixelFormatChange(); }, this);
}

void TFRM_WDMFormat::CBX_PixelFormatChange()
{
    CBX_Size->clear();
    const int i = CBX_PixelFormat->currentIndex();
    if (i < 0 || i >= static_cast<int>(fourccs_.size()))
        return;
    for (const auto& f : formats_) {
        if (f.fourcc != fourccs_[i])
            continue;
        CBX_Size->addItem(QStringLiteral("%1 x %2").arg(f.width).arg(f.height), QSize(f.width, f.height));
        if (f.width == current_.width && f.height == current_.height)
            CBX_Size->setCurrentIndex(CBX_Size->count() - 1);
    }
}

TWDMCapture::FormatChoice TFRM_WDMFormat::Choice() const
{
    TWDMCapture::FormatChoice c = current_;
    const int i = CBX_PixelFormat->currentIndex();
    if (i >= 0 && i < static_cast<int>(fourccs_.size()))
        c.fourcc = fourccs_[i];
    const QSize size = CBX_Size->currentData().toSize();
    if (size.isValid()) {
        c.width = size.width();
        c.height = size.height();
    }
    c.interval100ns = static_cast<std::int64_t>(SPE_Interval->value()) * 10000;
    return c;
}

namespace Wdm {

bool RunFormatPage(const std::vector<platform::V4l2Camera::FormatEntry>& formats, TWDMCapture::FormatChoice& choice)
{
    TFRM_WDMFormat page(formats, choice);
    // Above the windows kept on top, as every dialog that waits for an answer.
    if (app::ExecInFront(page) != QDialog::Accepted)
        return false;
    choice = page.Choice();
    return true;
}

} // namespace Wdm

void TFRM_WDMFormat::setVisible(bool visible)
{
    if (!Systeme::ShowThroughPath(this, visible))
        QDialog::setVisible(visible);
}
