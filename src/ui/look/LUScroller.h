#pragma once

#include <QScrollBar>

class QAbstractScrollArea;
class QTimer;

// The overlay scroll bar: lies over the right edge of a scroll area's viewport, draws only its knob
// (a 4 px ink bar), and hides when the content has not moved for a moment.
class LUScroller : public QScrollBar {
    Q_OBJECT
public:
    static constexpr int breadth = 12;

    // Replaces the area's own vertical bar with an overlay scroller and keeps the two in step.
    static LUScroller* overlay(QAbstractScrollArea* area);

    // The bar drawn for a knob area: 2 shorter at each end, 4 wide, 7 left of the right edge.
    static QRectF knobBar(const QRectF& knobArea);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    explicit LUScroller(QAbstractScrollArea* area);
    void place();
    void wake();

    QAbstractScrollArea* m_area;
    QTimer* m_idle;
};
