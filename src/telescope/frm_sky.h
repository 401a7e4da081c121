#pragma once
// The sky chart window "Carte Celeste": the chart, zoomed with the keys,
// the wheel and its popup menu, recentred with a left click; a click of
// another button lists the objects around that point, and choosing one
// fills the goto dialog. Its search menu opens the object picker.

#include "app/form.h"
#include "ui_frm_sky.h"

#include <QString>
#include <array>
#include <vector>

class QLabel;
class QMenu;

// One entry of the object list of the last non-left click.
struct TChartObjectEntry {
    QString caption;
    QString type;           // "** " for a star
    double magnitude = 99;  // 99 for the cursor entry
    double size1 = 0, size2 = 0;
    QString classText;
    double ra = 0, dec = 0;  // arcseconds
};

class TFRM_Sky : public TForm, public Ui::TFRM_Sky {
    Q_OBJECT
public:
    explicit TFRM_Sky(QWidget* parent = nullptr);

    void FormCreate() override;
    void FormKeyUp(int& key, Qt::KeyboardModifiers shift) override;

    void IMG_SkyMouseMove(int x, int y);
    void IMG_SkyMouseUp(Qt::MouseButton button, int x, int y);
    // Wheel deltas accumulate; every 120 (one notch) is a zoom step.
    void WheelDelta(int delta);

    void MNU_ZoomUpClick();
    void MNU_ZoomDownClick();
    void MNU_AffichageClick();
    void MNU_Rechercher_Etoile_SAOClick();
    void MNU_Rechercher_Ciel_ProfondClick();
    void MNU_Rechercher_Etoile_PopClick();
    void MNU_Rechercher_ConstellationClick();
    void Sky_Items_Handler(QAction* sender);

    void SetPanelText(int panel, const QString& text);
    QString PanelText(int panel) const;

    QMenu* POPUP_Sky = nullptr;
    QMenu* POPUP_SKY_ObjetMenu = nullptr;   // the object list
    QAction* POPUP_SKY_Objet = nullptr;
    QAction* MNU_ZoomUp = nullptr;
    QAction* MNU_ZoomDown = nullptr;

    std::vector<TChartObjectEntry> ChartObjectList;
    int ChartObjectCount() const { return int(ChartObjectList.size()); }
    int ChartObjectSelected = 0;
    // The last non-left click: pixel and sky position (radians).
    QPoint ClickPixel;
    double ClickRA = 0, ClickDec = 0;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void openPicker(const QString& caption, int mode);
    std::array<QLabel*, 6> panels_{};
    int wheelRest_ = 0;
};

extern TFRM_Sky* FRM_Sky;
