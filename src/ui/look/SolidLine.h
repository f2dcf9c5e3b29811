#pragma once

#include <QWidget>

// A line that is its whole bounds, filled with the ink colour.
class SolidLine : public QWidget {
    Q_OBJECT
public:
    explicit SolidLine(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
