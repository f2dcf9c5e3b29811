#pragma once

#include "ui/look/FlippedView.h"

class SolidLine;

// A field with a solid line under it: at least 80 wide, 26 high, the field 2 above the middle.
class FieldUnderline : public FlippedView {
    Q_OBJECT
public:
    FieldUnderline(QWidget* field, qreal width, QWidget* parent = nullptr);

    QWidget* field() const { return m_field; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_field;
    SolidLine* m_line;
    int m_width;
};
