#pragma once
// The full-screen view: the main window's result image enlarged to fill a
// window that can be maximised to a borderless full screen. Its menu
// chooses the enlargement; Ctrl+click places the reticle and Alt+click
// measures a distance, in frame pixels.

#include "app/form.h"
#include "ui_frm_full_screen.h"

#include "kernels/bitmap24.h"

#include <QEvent>
#include <cstdint>
#include <memory>

class TFRM_FullScreen : public TForm, public Ui::TFRM_FullScreen {
    Q_OBJECT
public:
    explicit TFRM_FullScreen(QWidget* parent = nullptr);

    void FormCreate() override;
    void FormActivate() override;
    void FormCloseQuery(bool& canClose) override;
    void FormClose(TCloseAction& action) override;
    void FormKeyUp(int&, Qt::KeyboardModifiers) override {}
    // Posts the style switch to itself, then sizes the image to the client
    // area at the display zone's ratio (skipped while closing or hidden).
    void FormResize();
    void MNU_StandardClick();
    void MNU_BilinearClick();
    void MNU_Bilinear_X2Click();
    // Maximised: the border and menu come back on the top row and go away
    // elsewhere.
    void IMG_FullScreenMouseMove(int y);
    // button 0 left; shift: 1 Shift, 2 Alt, 4 Ctrl.
    void IMG_FullScreenMouseUp(int button, int shift, int x, int y);

    // The image's size for a client area, the ratio of the display zone
    // (doubled or halved by a two-camera layout).
    static QSize ImageSizeFor(QSize client, double ratio);
    // The event posted to the window after each resize ("FullScreenResize").
    static QEvent::Type FullScreenResizeEvent();

    std::uint8_t Closing = 0;

protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // The scaling item chosen, checked, and the result shown in it.
    void chooseScaling(QAction* item);
    void switchWindowStyle();
    double displayRatio() const;
};

extern TFRM_FullScreen* FRM_FullScreen;

// The doubled and quadrupled result of the "Bilinear" modes, made by their
// menu items; null otherwise.
extern std::unique_ptr<kernels::Bitmap24> FullScreenZoom2, FullScreenZoom4;
