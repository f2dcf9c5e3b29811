#pragma once

#include "ui/look/Pressable.h"

#include <QImage>
#include <QWidget>

#include <functional>

// A 32 × 32 button showing one of the program's icons, tinted with the ink colour; an icon name
// the program does not ship shows the gear. Fires on release inside.
class IconButton : public QWidget, public Pressable {
    Q_OBJECT
public:
    IconButton(const QString& symbol, const QString& label, std::function<void()> action = {}, QWidget* parent = nullptr);

    std::function<void()> action;
    const QString& symbol() const { return m_symbol; }

    QSize sizeHint() const override { return {32, 32}; }
    QString accessibleTitle() const override { return m_label; }
    void press() override;

    // The resource path of an icon name, the gear when the name is unknown.
    static QString iconPath(const QString& symbol);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage tinted(qreal devicePixelRatio) const;

    QString m_symbol;
    QString m_label;
};
