#pragma once

#include <QWidget>

// A dashed, subtle, hairline or crop-mark line through the middle of its bounds, 1 px across.
// It follows the look only through redrawAll, like every widget that only draws.
class DashedLine : public QWidget {
    Q_OBJECT
public:
    explicit DashedLine(bool vertical = false, QWidget* parent = nullptr);

    bool vertical = false;
    bool strong = false;  // set by screens; drawn like any other dashed line
    bool subtle = false;
    bool hairline = false;
    bool marks = false;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
