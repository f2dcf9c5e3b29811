#include "ui/look/LogoView.h"

#include "core/AppIdentity.h"
#include "ui/look/L10n.h"
#include "ui/look/Theme.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

LogoView::LogoView(std::function<void()> action, QWidget* parent)
    : QWidget(parent)
    , action(std::move(action))
{
    Pressable::installAccessibility();
    setCursor(Qt::PointingHandCursor);
    // Qt delivers the click that activates a window to the widget under it already.
}

int LogoView::heightForWidth(int width) const
{
    return int(std::ceil(heightFor(width)));
}

QSize LogoView::sizeHint() const
{
    return QSize(188, heightForWidth(188));
}

void LogoView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal u = width() / 2559.0;
    const QColor ink = Theme::ink();
    painter.fillRect(QRectF(0, 0, 171 * u, 974 * u), ink);
    painter.fillRect(QRectF(631 * u, 0, 171 * u, 171 * u), ink);
    painter.fillRect(QRectF(2388 * u, 0, 171 * u, 974 * u), ink);
}

void LogoView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        press();
}

QString LogoView::accessibleTitle() const
{
    return m_accessibleLabel.isEmpty() ? AppIdentity::name : loc(m_accessibleLabel);
}

void LogoView::press()
{
    if (action)
        action();
}
