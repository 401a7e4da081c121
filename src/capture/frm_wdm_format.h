#pragma once
// The format page of a stream-family camera: pixel format, size and frame
// interval among what the device lists.

#include "capture/wdm_capture.h"
#include "ui_frm_wdm_format.h"

#include <QDialog>

class TFRM_WDMFormat : public QDialog, public Ui::TFRM_WDMFormat {
    Q_OBJECT
public:
    // Shown through the program's one show path, whatever shows it.
    void setVisible(bool visible) override;
    TFRM_WDMFormat(const std::vector<platform::V4l2Camera::FormatEntry>& formats,
                   const TWDMCapture::FormatChoice& current, QWidget* parent = nullptr);
    TWDMCapture::FormatChoice Choice() const;

private:
    void CBX_PixelFormatChange();
    std::vector<platform::V4l2Camera::FormatEntry> formats_;
    std::vector<std::uint32_t> fourccs_;
    TWDMCapture::FormatChoice current_;
};

namespace Wdm {
// Shows the page modally; true with `choice` filled when the user accepts.
bool RunFormatPage(const std::vector<platform::V4l2Camera::FormatEntry>& formats, TWDMCapture::FormatChoice& choice);
} // namespace Wdm
