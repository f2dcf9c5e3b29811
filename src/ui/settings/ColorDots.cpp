#include "ui/settings/ColorDots.h"

#include "core/Prefs.h"
#include "ui/look/L10n.h"
#include "ui/look/Theme.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {
constexpr qreal pitch = 16;
constexpr qreal diameter = 9;
constexpr qreal dotTop = 5;
constexpr qreal barTop = 19;
constexpr int count = 6;
}  // namespace

ColorDots::ColorDots(int chosen, std::function<void(int)> onPick, QWidget* parent)
    : QWidget(parent)
    , onPick(std::move(onPick))
    , m_chosen(chosen)
{
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(loc(QStringLiteral("colour")));
}

int ColorDots::indexAt(qreal x)
{
    const int index = int(std::floor((x + 3.5) / pitch));
    return index >= 0 && index < count ? index : -1;
}

QPointF ColorDots::centreOf(int index)
{
    return {pitch * index + diameter / 2, dotTop + diameter / 2};
}

void ColorDots::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const bool dark = Prefs::shared().dark();
    for (int i = 0; i < count; ++i) {
        painter.setBrush(dark ? Theme::pastels[size_t(i)] : Theme::pastelsLight[size_t(i)]);
        painter.drawEllipse(QRectF(pitch * i, dotTop, diameter, diameter));
    }
    if (m_chosen >= 0 && m_chosen < count)
        painter.fillRect(QRectF(pitch * m_chosen, barTop, diameter, 1), Theme::ink());
}

void ColorDots::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    const int index = indexAt(event->position().x());
    if (event->button() == Qt::LeftButton && index >= 0 && onPick)
        onPick(index);
}
