#include "ui/compose/NotesTextView.h"

#include <QKeyEvent>

NotesTextView::NotesTextView(QWidget* parent)
    : PlainTextView(12, 4, parent)
{
}

void NotesTextView::keyPressEvent(QKeyEvent* event)
{
    const bool returnKey = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (returnKey && (event->modifiers() & Qt::AltModifier)) {
        if (onInsert)
            onInsert();
        event->accept();
        return;
    }
    PlainTextView::keyPressEvent(event);
}
