#include "ui/list/TreeLines.h"

#include "ui/look/Theme.h"

#include <QPainter>

#include <cmath>

namespace {

// A 1-point line lies on whole device pixels, so it is sharp at any ratio.
double snapped(double at, double scale)
{
    return (std::round(at * scale - scale / 2) + scale / 2) / scale;
}

}  // namespace

TreeLines::TreeLines(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    NotificationCenter::shared().observe(Theme::changed, this, [this](QObject*) { update(); });
}

void TreeLines::place(std::optional<QRectF> box, double stemX, double stemTop)
{
    if (box == m_box && stemX == m_stemX && stemTop == m_stemTop)
        return;
    m_box = box;
    m_stemX = stemX;
    m_stemTop = stemTop;
    update();
}

void TreeLines::paintEvent(QPaintEvent*)
{
    if (!m_box)
        return;
    QPainter painter(this);
    const double scale = Theme::deviceScale(painter);
    const double x = snapped(m_stemX, scale), top = std::round(m_stemTop * scale) / scale;
    const double y = snapped(m_box->top() + 24, scale), end = std::round((m_box->left() + 8) * scale) / scale;
    QPen pen(Theme::ink(), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    painter.setPen(pen);
    const QPointF corner(x, y);
    const QPointF points[] = {QPointF(x, top), corner, QPointF(end, y)};
    painter.drawPolyline(points, 3);
}
