#pragma once

#include <QWidget>

#include <functional>

// An invisible column handle. The draggable one (the net between subject and sender) shows the
// left-right cursor and reports each drag step; the other lets clicks through.
class NetHandle : public QWidget {
    Q_OBJECT
public:
    explicit NetHandle(bool draggable, QWidget* parent = nullptr);

    std::function<void(double dx)> onDrag;
    bool draggable() const { return m_draggable; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    const bool m_draggable;
    double m_lastX = 0;
};
