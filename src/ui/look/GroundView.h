#pragma once

#include "ui/look/FlippedView.h"

// A window's content view: everything it draws lies on the ground colour of the current look.
class GroundView : public FlippedView {
    Q_OBJECT
public:
    explicit GroundView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
