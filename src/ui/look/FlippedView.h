#pragma once

#include <QWidget>

// A plain view with its origin at the top left, which every Qt widget already has; screens and
// containers derive from it so their role in the layout reads from the type.
class FlippedView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};
