#include "app/controls/word_wrap_button.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

#include <algorithm>

namespace {

constexpr int kWrapFlags = Qt::AlignCenter | Qt::TextWordWrap;
constexpr int kUnbounded = 1 << 20;

} // namespace

TWordWrapButton::TWordWrapButton(QWidget* parent) : QToolButton(parent)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred, QSizePolicy::ToolButton);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

// A caption with a picture is drawn by the tool button itself.
bool TWordWrapButton::wraps() const
{
    return !text().isEmpty() && (icon().isNull() || toolButtonStyle() == Qt::ToolButtonTextOnly);
}

int TWordWrapButton::frameWidth() const
{
    return style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
}

int TWordWrapButton::sidePadding() const
{
    return fontMetrics().horizontalAdvance(u' ');
}

QRect TWordWrapButton::CaptionRect() const
{
    const int f = frameWidth();
    const int side = f + sidePadding();
    return rect().adjusted(side, f, -side, -f);
}

QSize TWordWrapButton::sizeHint() const
{
    return QToolButton::sizeHint();
}

QSize TWordWrapButton::minimumSizeHint() const
{
    if (!wraps())
        return QToolButton::minimumSizeHint();
    // The longest word: the widest line when every break is taken.
    const QRect words = fontMetrics().boundingRect(QRect(0, 0, 1, kUnbounded), kWrapFlags, text());
    return {words.width() + 2 * (frameWidth() + sidePadding()), QToolButton::sizeHint().height()};
}

bool TWordWrapButton::hasHeightForWidth() const
{
    return wraps();
}

int TWordWrapButton::heightForWidth(int width) const
{
    const int oneLine = QToolButton::sizeHint().height();
    if (!wraps())
        return oneLine;
    const int room = std::max(1, width - 2 * (frameWidth() + sidePadding()));
    const QFontMetrics fm = fontMetrics();
    const int lines = fm.boundingRect(QRect(0, 0, room, kUnbounded), kWrapFlags, text()).height();
    // The single-line button's padding above and below the caption stays.
    return std::max(oneLine, oneLine - fm.height() + lines);
}

void TWordWrapButton::paintEvent(QPaintEvent* event)
{
    if (!wraps()) {
        QToolButton::paintEvent(event);
        return;
    }
    QStylePainter p(this);
    QStyleOptionToolButton opt;
    initStyleOption(&opt);
    const QString caption = opt.text;
    opt.text.clear();
    opt.icon = QIcon();
    p.drawComplexControl(QStyle::CC_ToolButton, opt);

    QRect room = CaptionRect();
    if (opt.state & (QStyle::State_Sunken | QStyle::State_On))
        room.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &opt, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &opt, this));
    style()->drawItemText(&p, room, kWrapFlags, opt.palette, isEnabled(), caption, QPalette::ButtonText);
}
