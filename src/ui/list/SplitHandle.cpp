#include "ui/list/SplitHandle.h"

#include <QMouseEvent>

SplitHandle::SplitHandle(QWidget* parent)
    : QWidget(parent)
{
    setCursor(Qt::SizeVerCursor);
}

void SplitHandle::mousePressEvent(QMouseEvent* event)
{
    m_lastY = event->scenePosition().y();
    event->accept();
}

void SplitHandle::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const double y = event->scenePosition().y();
    const double dy = m_lastY - y;
    m_lastY = y;
    if (dy != 0 && onDrag)
        onDrag(dy);
}
