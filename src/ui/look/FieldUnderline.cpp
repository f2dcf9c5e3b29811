#include "ui/look/FieldUnderline.h"

#include "ui/look/SolidLine.h"

#include <cmath>

FieldUnderline::FieldUnderline(QWidget* field, qreal width, QWidget* parent)
    : FlippedView(parent)
    , m_field(field)
    , m_line(new SolidLine(this))
    , m_width(std::max(80, int(std::ceil(width))))
{
    field->setParent(this);
    setFixedHeight(26);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    resize(m_width, 26);
}

QSize FieldUnderline::sizeHint() const
{
    return {m_width, 26};
}

QSize FieldUnderline::minimumSizeHint() const
{
    return {80, 26};
}

void FieldUnderline::resizeEvent(QResizeEvent*)
{
    const int fieldHeight = m_field->sizeHint().height();
    m_field->setGeometry(0, int(std::round(height() / 2.0 - 2 - fieldHeight / 2.0)), width(), fieldHeight);
    m_line->setGeometry(0, height() - 1, width(), 1);
}
