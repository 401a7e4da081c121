#pragma once
// The mini preview of source 1 or 2 with the zones outlined; a click in it
// acts as a click at the same point of the full source image.

#include "app/form.h"
#include "ui_frm_small.h"

class TFRM_Small : public TForm, public Ui::TFRM_Small {
    Q_OBJECT
public:
    explicit TFRM_Small(QWidget* parent = nullptr);

    void FormCreate() override;
    void FormActivate() override;
    void FormHide();
    // Sizes the preview to the client height below the source panel (at
    // least one pixel) at the source's aspect, and recomputes the scale.
    void FormResize();
    // button 0 left; shift: 1 Shift, 2 Alt, 4 Ctrl.
    void Img_SmallMouseUp(int button, int shift, int x, int y);

    // The preview's size for a client height and a frame aspect.
    static QSize PreviewSizeFor(int clientHeight, int panelHeight, double aspect);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void redrawZones();
};

extern TFRM_Small* FRM_Small;
