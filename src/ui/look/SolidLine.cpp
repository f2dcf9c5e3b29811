#include "ui/look/SolidLine.h"

#include "core/NotificationCenter.h"
#include "ui/look/Theme.h"

#include <QPainter>

SolidLine::SolidLine(QWidget* parent)
    : QWidget(parent)
{
    NotificationCenter::shared().observe(Theme::changed, this, [this](QObject*) { update(); });
}

void SolidLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Theme::ink());
}
