#pragma once
// The faces of buttons and tabs in night mode: the program's style draws
// them in the night scheme's own "Button face" colour, flat, with the
// scheme's bevel colours around them, as the system draws the night colours.
// (The base style shades and lightens a face for its gradients: on a dark
// red face the red captions could no longer be read.) In day colours the
// base style draws them as it does.

#include <QProxyStyle>

namespace app {

class NightFacesStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};

} // namespace app
