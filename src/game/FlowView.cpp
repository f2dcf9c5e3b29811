#include "game/FlowView.h"

#include <cmath>

FlowView::FlowView(QWidget* parent)
    : FlippedView(parent)
{
    setObjectName(QStringLiteral("bar"));
}

void FlowView::setGroups(const QList<QList<QWidget*>>& groups)
{
    QList<QWidget*> kept;
    for (const QList<QWidget*>& group : groups)
        kept << group;
    for (const QList<QWidget*>& group : std::as_const(m_groups))
        for (QWidget* item : group)
            if (item->parentWidget() == this && !kept.contains(item)) {
                item->hide();
                item->setParent(nullptr);
                item->deleteLater();
            }
    m_groups = groups;
    for (const QList<QWidget*>& group : std::as_const(m_groups))
        for (QWidget* item : group) {
            item->setParent(this);
            item->show();
        }
    relayout();
}

QList<QRectF> FlowView::arrange(qreal width, qreal* height) const
{
    QList<QRectF> frames;
    QList<QSizeF> sizes;
    qreal total = 0;
    int itemGaps = 0;
    for (const QList<QWidget*>& group : m_groups) {
        for (QWidget* item : group) {
            const QSize hint = item->sizeHint();
            sizes << QSizeF(std::ceil(qreal(hint.width())), std::ceil(qreal(hint.height())));
            total += sizes.back().width();
        }
        itemGaps += std::max<int>(int(group.size()) - 1, 0);
    }
    const int groupGaps = std::max<int>(int(m_groups.size()) - 1, 0);
    const qreal natural = total + itemGap * itemGaps + groupGap * groupGaps;

    qreal i = itemGap;
    qreal g = groupGap;
    if (m_groups.size() > 1 && width >= natural) {
        g += (width - natural) / groupGaps;
    } else if (width < natural && itemGaps + groupGaps > 0) {
        const qreal scale = std::max(width - total, qreal(0)) / (itemGap * itemGaps + groupGap * groupGaps);
        i *= scale;
        g *= scale;
        if (i < 6) {
            i = 6;
            g = std::max(g, qreal(8));
        } else if (g < 8) {
            g = 8;
        }
    }

    qreal x = 0;
    qreal y = 0;
    qreal lineHeight = 0;
    qsizetype index = 0;
    for (const QList<QWidget*>& group : m_groups) {
        qreal groupWidth = 0;
        for (qsizetype k = 0; k < group.size(); ++k)
            groupWidth += sizes[index + k].width() + (k > 0 ? i : 0);
        if (x > 0 && x + groupWidth > width) {
            y += lineHeight + lineGap;
            x = 0;
            lineHeight = 0;
        }
        for (qsizetype k = 0; k < group.size(); ++k, ++index) {
            const QSizeF size = sizes[index];
            if (x > 0 && x + size.width() > width) {
                y += lineHeight + lineGap;
                x = 0;
                lineHeight = size.height();
            } else {
                lineHeight = std::max(lineHeight, size.height());
            }
            frames << QRectF(QPointF(x, y), size);
            x += size.width() + i;
        }
        x += g - i;
    }
    if (width >= natural && y == 0 && !frames.isEmpty())
        frames.back().moveRight(width);
    if (height)
        *height = lineHeight + y;
    return frames;
}

void FlowView::relayout()
{
    qreal height = 0;
    const QList<QRectF> frames = arrange(width(), &height);
    qsizetype index = 0;
    for (const QList<QWidget*>& group : std::as_const(m_groups))
        for (QWidget* item : group) {
            const QRectF frame = frames[index++];
            item->setGeometry(QRect(int(std::round(frame.x())), int(std::round(frame.y())), int(frame.width()), int(frame.height())));
        }
    if (std::abs(height - m_height) > 0.5) {
        m_height = height;
        updateGeometry();
    }
}

int FlowView::heightForWidth(int width) const
{
    qreal height = 0;
    arrange(width, &height);
    return int(std::ceil(height));
}

QSize FlowView::sizeHint() const
{
    return QSize(width(), int(std::ceil(m_height)));
}

void FlowView::resizeEvent(QResizeEvent*)
{
    relayout();
}
