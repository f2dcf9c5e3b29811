#include "ui/look/PlusButton.h"

#include "core/NotificationCenter.h"
#include "ui/look/L10n.h"
#include "ui/look/Theme.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

PlusButton::PlusButton(std::function<void()> action, QWidget* parent)
    : QWidget(parent)
    , action(std::move(action))
{
    Pressable::installAccessibility();
    setCursor(Qt::PointingHandCursor);
    NotificationCenter::shared().observe(Theme::changed, this, [this](QObject*) { update(); });
}

QSize PlusButton::sizeHint() const
{
    const int length = int(std::ceil(side));
    return {length, length};
}

bool PlusButton::event(QEvent* event)
{
    // The tool tip follows the language at the moment it shows.
    if (event->type() == QEvent::ToolTip)
        setToolTip((loc(QStringLiteral("new mail")) + QStringLiteral(" · ctrl+n")).toHtmlEscaped());
    return QWidget::event(event);
}

void PlusButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = Theme::ink();
    const qreal offset = (side - bar) / 2;
    painter.fillRect(QRectF(offset, 0, bar, side), ink);
    painter.fillRect(QRectF(0, offset, side, bar), ink);
}

void PlusButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        press();
}

QString PlusButton::accessibleTitle() const
{
    return loc(QStringLiteral("new mail"));
}

void PlusButton::press()
{
    if (action)
        action();
}
