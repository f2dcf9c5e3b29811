#include "ui/main/ReaderTextView.h"

#include <QKeyEvent>

ReaderTextView::ReaderTextView(QWidget* parent)
    : QTextBrowser(parent)
{
    // Links open through the reader, which lets only web addresses out.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
}

void ReaderTextView::keyPressEvent(QKeyEvent* event)
{
    if (onKey && onKey(event)) {
        event->accept();
        return;
    }
    QTextBrowser::keyPressEvent(event);
}
