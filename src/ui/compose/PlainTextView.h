#pragma once

#include <QTextEdit>

// The text area of the compose window and of the notes: plain text with undo in the look's
// typeface, an empty band above and below that scrolls with the text, the overlay scroller.
// It takes only text; a dragged file goes past it to the window.
class PlainTextView : public QTextEdit {
    Q_OBJECT
public:
    PlainTextView(qreal inset, qreal lineSpacing, QWidget* parent = nullptr);

    QString text() const { return toPlainText(); }
    // Replaces the text and its undo history.
    void setText(const QString& text);
    // Font 13 and ink on no background, the look's selection; on every theme change.
    void themeChanged();

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void applyLayout();

    qreal m_inset;
    qreal m_lineSpacing;
};
