#pragma once

#include "ui/look/Pressable.h"

#include <QWidget>

#include <functional>

// A word spread over the whole width, letter by letter (shown as given, not translated).
// Fires on press, and only when it has a text.
class SpreadButton : public QWidget, public Pressable {
    Q_OBJECT
public:
    explicit SpreadButton(const QString& text, qreal size = 9, std::function<void()> action = {}, QWidget* parent = nullptr);

    std::function<void()> action;
    const QString& text() const { return m_text; }
    void setText(const QString& text);

    // The spacing after every character but the last that fills the given width.
    qreal letterSpacing(qreal width) const;

    QSize sizeHint() const override;
    QString accessibleTitle() const override { return m_text; }
    void press() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString m_text;
    qreal m_size;
};
