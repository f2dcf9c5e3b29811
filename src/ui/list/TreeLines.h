#pragma once

#include <QRectF>
#include <QWidget>

#include <optional>

// The line that joins the list's mark column to the preview: down from the top of the list and
// right into the preview's box. Lies over the whole list and lets clicks through.
class TreeLines : public QWidget {
    Q_OBJECT
public:
    explicit TreeLines(QWidget* parent = nullptr);

    void place(std::optional<QRectF> box, double stemX, double stemTop);
    const std::optional<QRectF>& box() const { return m_box; }
    double stemX() const { return m_stemX; }
    double stemTop() const { return m_stemTop; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<QRectF> m_box;
    double m_stemX = 0;
    double m_stemTop = 0;
};
