#pragma once

#include <QWidget>

#include <functional>

// The invisible handle between the list and the preview: the up-down cursor, and each drag step
// reported as a distance, positive upwards (the preview grows).
class SplitHandle : public QWidget {
    Q_OBJECT
public:
    explicit SplitHandle(QWidget* parent = nullptr);

    std::function<void(double dy)> onDrag;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    double m_lastY = 0;
};
