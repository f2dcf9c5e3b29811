#pragma once

#include "ui/look/FlippedView.h"

class DashedLine;
class LULabel;

// A labelled row, 34 high: the label in a fixed width, the field after it, a dashed line below.
class FieldRow : public FlippedView {
    Q_OBJECT
public:
    FieldRow(const QString& text, QWidget* field, int labelWidth, QWidget* parent = nullptr);

    LULabel* label() const { return m_label; }
    QWidget* field() const { return m_field; }
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    LULabel* m_label;
    QWidget* m_field;
    DashedLine* m_line;
    int m_labelWidth;
};
