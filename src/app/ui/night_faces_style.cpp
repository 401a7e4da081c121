#include "app/ui/night_faces_style.h"

#include "app/night_colors.h"

#include <QPainter>
#include <QStyleOption>
#include <qdrawutil.h>

namespace app {

void NightFacesStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                    const QWidget* widget) const
{
    if (!option || !NightColors::NightModeOn()
        || (element != PE_PanelButtonCommand && element != PE_FrameTabWidget)) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const QPalette& colours = option->palette;
    const QBrush face = colours.button();
    painter->save();
    if (element == PE_FrameTabWidget) {
        // The pages of a tab control: the face, raised.
        qDrawWinPanel(painter, option->rect, colours, false, &face);
    } else {
        // Push buttons, tool buttons and the faces of drop-down lists.
        // Raised: highlight and light above and left, dark shadow and
        // shadow below and right; pressed or checked, the other way round.
        qDrawWinButton(painter, option->rect, colours, option->state & (State_Sunken | State_On), &face);
        if ((option->state & State_HasFocus) && (option->state & State_KeyboardFocusChange)) {
            painter->setPen(QPen(colours.color(QPalette::ButtonText), 1, Qt::DotLine));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option->rect.adjusted(3, 3, -4, -4));
        }
    }
    painter->restore();
}

void NightFacesStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const
{
    const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
    if (element != CE_TabBarTabShape || !tab || !NightColors::NightModeOn()
        || (tab->shape != QTabBar::RoundedNorth && tab->shape != QTabBar::TriangularNorth)) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // A tab above its pages: the face with its edges lit on the left and
    // top and shaded on the right; the chosen one stands higher and opens
    // onto its page.
    const QPalette& colours = tab->palette;
    const bool chosen = tab->state & State_Selected;
    const QRect r = chosen ? tab->rect : tab->rect.adjusted(0, 2, 0, 0);
    painter->save();
    painter->fillRect(r, colours.button());
    painter->setPen(colours.color(QPalette::Light));
    painter->drawLine(r.left(), r.bottom(), r.left(), r.top() + 1);
    painter->drawLine(r.left() + 1, r.top(), r.right() - 1, r.top());
    painter->setPen(colours.color(QPalette::Shadow));
    painter->drawLine(r.right(), r.top() + 1, r.right(), r.bottom());
    painter->setPen(colours.color(QPalette::Dark));
    painter->drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom());
    if (!chosen) {
        painter->setPen(colours.color(QPalette::Light));
        painter->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    }
    painter->restore();
}

} // namespace app
