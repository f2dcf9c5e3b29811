#pragma once

#include "ui/compose/PlainTextView.h"

#include <functional>

// The notes' text: alt+return hands the current piece to onInsert instead of breaking the line.
class NotesTextView : public PlainTextView {
    Q_OBJECT
public:
    explicit NotesTextView(QWidget* parent = nullptr);

    std::function<void()> onInsert;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
