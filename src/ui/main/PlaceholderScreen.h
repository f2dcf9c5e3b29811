#pragma once

#include "ui/look/FlippedView.h"

class LULabel;

// A screen whose real view is still to come: one line of text, able to take the focus.
class PlaceholderScreen : public FlippedView {
    Q_OBJECT
public:
    explicit PlaceholderScreen(const QString& text, QWidget* parent = nullptr);

    void set(const QString& text);
    QString text() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    LULabel* m_label;
};
