#include "ui/look/DashedLine.h"

#include "ui/look/Theme.h"

#include <QPainter>

#include <cmath>

DashedLine::DashedLine(bool vertical, QWidget* parent)
    : QWidget(parent)
    , vertical(vertical)
{
    setSizePolicy(vertical ? QSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding)
                           : QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed));
}

QSize DashedLine::sizeHint() const
{
    return vertical ? QSize(1, 0) : QSize(0, 1);
}

void DashedLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF bounds = rect();
    if (marks) {
        Theme::drawCropMarks(painter, bounds, vertical, 24);
        return;
    }
    if (hairline) {
        // One device pixel of whatever the painter draws into (a window or a test's image), on
        // the device row nearest the middle: half a device pixel off centre beats two grey rows.
        const qreal scale = Theme::deviceScale(painter);
        const auto snapped = [scale](qreal middle) { return std::round(middle * scale - 0.5) / scale; };
        const QPointF mid = bounds.center();
        painter.fillRect(vertical ? QRectF(snapped(mid.x()), 0, 1 / scale, bounds.height())
                                  : QRectF(0, snapped(mid.y()), bounds.width(), 1 / scale),
            Theme::ink());
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(Theme::ink(), subtle ? 0.5 : 1.0, Qt::CustomDashLine, Qt::FlatCap);
    // Dash patterns count in pen widths.
    pen.setDashPattern(subtle ? QList<qreal>{1.5 / 0.5, 6 / 0.5} : QList<qreal>{3, 3});
    painter.setPen(pen);
    const QPointF mid = bounds.center();
    if (vertical)
        painter.drawLine(QPointF(mid.x(), 0), QPointF(mid.x(), bounds.height()));
    else
        painter.drawLine(QPointF(0, mid.y()), QPointF(bounds.width(), mid.y()));
}
