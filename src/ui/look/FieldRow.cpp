#include "ui/look/FieldRow.h"

#include "ui/look/DashedLine.h"
#include "ui/look/LULabel.h"

#include <cmath>

FieldRow::FieldRow(const QString& text, QWidget* field, int labelWidth, QWidget* parent)
    : FlippedView(parent)
    , m_label(new LULabel(text, 13, true, 0, 1, this))
    , m_field(field)
    , m_line(new DashedLine(false, this))
    , m_labelWidth(labelWidth)
{
    field->setParent(this);
    setFixedHeight(34);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize FieldRow::sizeHint() const
{
    return {m_labelWidth + 8 + m_field->sizeHint().width(), 34};
}

void FieldRow::resizeEvent(QResizeEvent*)
{
    const auto centred = [this](QWidget* view, int x, int width) {
        const int viewHeight = view->sizeHint().height();
        view->setGeometry(x, int(std::round(height() / 2.0 - 2 - viewHeight / 2.0)), width, viewHeight);
    };
    centred(m_label, 0, m_labelWidth);
    centred(m_field, m_labelWidth + 8, std::max(0, width() - m_labelWidth - 8));
    m_line->setGeometry(0, height() - 1, width(), 1);
}
