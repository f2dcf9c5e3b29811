#include "ui/settings/BlockedEntry.h"

#include "core/NotificationCenter.h"
#include "ui/look/L10n.h"
#include "ui/look/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTextDocument>

namespace {
const QString cross = QStringLiteral("\u00d7");
}

BlockedEntry::BlockedEntry(const QString& value, std::function<void()> action, QWidget* parent)
    : QWidget(parent)
    , action(std::move(action))
    , m_value(value)
{
    Pressable::installAccessibility();
    setFixedHeight(28);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setMouseTracking(true);
    setToolTip(Qt::convertFromPlainText(value, Qt::WhiteSpaceNoWrap));
    NotificationCenter::shared().observe(Notification::themeChanged, this, [this](QObject*) { update(); });
}

QString BlockedEntry::accessibleTitle() const
{
    return loc(QStringLiteral("unblock")) + u' ' + m_value;
}

void BlockedEntry::press()
{
    if (action)
        action();
}

void BlockedEntry::setHover(bool on)
{
    if (on == m_hover)
        return;
    m_hover = on;
    if (on)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
    update();
}

void BlockedEntry::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont font = Theme::font(13);
    const QFontMetricsF metrics(font);
    const QColor ink = Theme::ink();
    painter.setFont(font);
    painter.setPen(ink);
    const qreal baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    painter.drawText(QPointF(0, baseline), cross);
    if (m_hover)
        painter.fillRect(QRectF(0, baseline + 2, metrics.horizontalAdvance(cross), 1), ink);
    const qreal room = std::max<qreal>(0, width() - activeWidth);
    painter.drawText(QPointF(activeWidth, baseline), metrics.elidedText(m_value, Qt::ElideMiddle, room));
}

void BlockedEntry::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && event->position().x() < activeWidth)
        press();
}

void BlockedEntry::mouseMoveEvent(QMouseEvent* event)
{
    setHover(event->position().x() < activeWidth && rect().contains(event->position().toPoint()));
}

void BlockedEntry::leaveEvent(QEvent*)
{
    setHover(false);
}
