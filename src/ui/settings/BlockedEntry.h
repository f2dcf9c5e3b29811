#pragma once

#include "ui/look/Pressable.h"

#include <QWidget>

#include <functional>

// One blocked sender, domain or server: a "×" that unblocks it, then the value. Only the first
// 24 pixels answer the pointer.
class BlockedEntry : public QWidget, public Pressable {
    Q_OBJECT
public:
    static constexpr int activeWidth = 24;

    BlockedEntry(const QString& value, std::function<void()> action, QWidget* parent = nullptr);

    std::function<void()> action;
    const QString& value() const { return m_value; }
    bool hover() const { return m_hover; }

    QSize sizeHint() const override { return {0, 28}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

    QString accessibleTitle() const override;
    void press() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void setHover(bool on);

    QString m_value;
    bool m_hover = false;
};
