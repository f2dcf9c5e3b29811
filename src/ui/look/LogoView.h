#pragma once

#include "ui/look/Pressable.h"

#include <QWidget>

#include <functional>

// The logo: three ink bars on a 2559 × 974 grid, as high as its width asks. Fires on press, also
// as the first click into an inactive window.
class LogoView : public QWidget, public Pressable {
    Q_OBJECT
public:
    explicit LogoView(std::function<void()> action = {}, QWidget* parent = nullptr);

    std::function<void()> action;

    static qreal heightFor(qreal width) { return width * 974 / 2559; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

    // What a screen reader calls the logo where it does more than show the name.
    void setAccessibleLabel(const QString& label) { m_accessibleLabel = label; }
    QString accessibleTitle() const override;
    QAccessible::Role accessibleRole() const override { return QAccessible::Graphic; }
    void press() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString m_accessibleLabel;
};
