#pragma once

#include "ui/look/FlippedView.h"

#include <QList>

// Groups of controls on one line, justified edge to edge when there is room; when there is not,
// the gaps shrink (items no closer than 6, groups no closer than 8), then whole groups wrap, then
// single items. Items keep their size hints.
class FlowView : public FlippedView {
    Q_OBJECT
public:
    explicit FlowView(QWidget* parent = nullptr);

    qreal itemGap = 14;
    qreal groupGap = 18;
    qreal lineGap = 10;

    const QList<QList<QWidget*>>& groups() const { return m_groups; }
    // Takes every view of every group as a child, in order; views of the old groups are let go.
    void setGroups(const QList<QList<QWidget*>>& groups);

    // Places the items for the current width; call again when an item's size hint changes.
    void relayout();

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Where each item goes for a width, in group order, and the height of the lines.
    QList<QRectF> arrange(qreal width, qreal* height) const;

    QList<QList<QWidget*>> m_groups;
    qreal m_height = 20;
};
