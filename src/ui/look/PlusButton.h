#pragma once

#include "ui/look/Pressable.h"

#include <QWidget>

#include <functional>

// The new-mail cross, as high as the logo at a width of 188. Fires on press.
class PlusButton : public QWidget, public Pressable {
    Q_OBJECT
public:
    explicit PlusButton(std::function<void()> action, QWidget* parent = nullptr);

    static constexpr qreal side = 974.0 * 188 / 2559;  // S
    static constexpr qreal bar = 171.0 * 188 / 2559;   // T

    std::function<void()> action;

    QSize sizeHint() const override;
    QString accessibleTitle() const override;
    void press() override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};
