#include "ui/look/SpreadButton.h"

#include "ui/look/Theme.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

SpreadButton::SpreadButton(const QString& text, qreal size, std::function<void()> action, QWidget* parent)
    : QWidget(parent)
    , action(std::move(action))
    , m_text(text)
    , m_size(size)
{
    Pressable::installAccessibility();
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(14);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SpreadButton::setText(const QString& text)
{
    m_text = text;
    updateGeometry();
    update();
}

qreal SpreadButton::letterSpacing(qreal width) const
{
    if (m_text.size() < 2)
        return 0;
    const qreal natural = QFontMetricsF(Theme::font(m_size)).horizontalAdvance(m_text);
    return std::max<qreal>(0, (width - natural) / (m_text.size() - 1));
}

QSize SpreadButton::sizeHint() const
{
    return QSize(int(std::ceil(QFontMetricsF(Theme::font(m_size)).horizontalAdvance(m_text))), 14);
}

void SpreadButton::paintEvent(QPaintEvent*)
{
    if (m_text.size() < 2)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont font = Theme::font(m_size);
    const QFontMetricsF metrics(font);
    const qreal spacing = letterSpacing(width());
    painter.setFont(font);
    painter.setPen(Theme::ink());
    // Character by character, so that the last one gets no spacing after it.
    const qreal baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    qreal x = 0;
    for (qsizetype i = 0; i < m_text.size(); ++i) {
        const qsizetype length = m_text.at(i).isHighSurrogate() && i + 1 < m_text.size() ? 2 : 1;
        const QString character = m_text.sliced(i, length);
        painter.drawText(QPointF(x, baseline), character);
        x += metrics.horizontalAdvance(character) + spacing;
        i += length - 1;
    }
}

void SpreadButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        press();
}

void SpreadButton::press()
{
    if (!m_text.isEmpty() && action)
        action();
}
