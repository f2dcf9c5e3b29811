#include "ui/look/IconButton.h"

#include "core/NotificationCenter.h"
#include "ui/look/Theme.h"

#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

namespace {
constexpr qreal iconSize = 14;
}

IconButton::IconButton(const QString& symbol, const QString& label, std::function<void()> action, QWidget* parent)
    : QWidget(parent)
    , action(std::move(action))
    , m_symbol(symbol)
    , m_label(label)
{
    Pressable::installAccessibility();
    setFixedSize(32, 32);
    setCursor(Qt::PointingHandCursor);
    setToolTip(label.toHtmlEscaped());
    NotificationCenter::shared().observe(Theme::changed, this, [this](QObject*) { update(); });
}

QString IconButton::iconPath(const QString& symbol)
{
    const QString path = QStringLiteral(":/icons/%1.svg").arg(symbol);
    return QFile::exists(path) ? path : QStringLiteral(":/icons/gearshape.svg");
}

// The icon drawn in the ink colour: its shape kept as alpha, every pixel coloured.
QImage IconButton::tinted(qreal devicePixelRatio) const
{
    const int side = int(std::ceil(iconSize * devicePixelRatio));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QSvgRenderer(iconPath(m_symbol)).render(&painter, QRectF(0, 0, side, side));
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), Theme::ink());
    painter.end();
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

void IconButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QImage icon = tinted(Theme::deviceScale(painter));
    painter.drawImage(QPointF((width() - iconSize) / 2, (height() - iconSize) / 2), icon);
}

void IconButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        press();
}

void IconButton::press()
{
    if (action)
        action();
}
