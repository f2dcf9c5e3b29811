#pragma once

#include <QWidget>

#include <functional>

// Six dots of the account palette with a bar under the chosen one; a press on a dot picks it.
class ColorDots : public QWidget {
    Q_OBJECT
public:
    explicit ColorDots(int chosen, std::function<void(int index)> onPick = {}, QWidget* parent = nullptr);

    std::function<void(int index)> onPick;
    int chosen() const { return m_chosen; }

    // The dot nearest a point's x (the gaps go to the nearer dot), or -1 beyond the row.
    static int indexAt(qreal x);
    static QPointF centreOf(int index);

    QSize sizeHint() const override { return {89, 24}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_chosen;
};
