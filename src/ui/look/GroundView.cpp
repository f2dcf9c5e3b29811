#include "ui/look/GroundView.h"

#include "ui/look/Theme.h"

#include <QPaintEvent>
#include <QPainter>

GroundView::GroundView(QWidget* parent)
    : FlippedView(parent)
{
}

void GroundView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Theme::ground());
}
