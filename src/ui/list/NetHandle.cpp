#include "ui/list/NetHandle.h"

#include <QMouseEvent>

NetHandle::NetHandle(bool draggable, QWidget* parent)
    : QWidget(parent)
    , m_draggable(draggable)
{
    if (draggable)
        setCursor(Qt::SizeHorCursor);
    else
        setAttribute(Qt::WA_TransparentForMouseEvents);
}

void NetHandle::mousePressEvent(QMouseEvent* event)
{
    m_lastX = event->scenePosition().x();
    event->accept();
}

void NetHandle::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const double x = event->scenePosition().x();
    const double dx = x - m_lastX;
    m_lastX = x;
    if (dx != 0 && onDrag)
        onDrag(dx);
}
