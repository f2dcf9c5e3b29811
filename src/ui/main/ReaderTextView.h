#pragma once

#include <QTextBrowser>

#include <functional>

// The reader's text: read-only, selectable, links opened by the reader. Every key press goes to
// onKey first and reaches the text only when onKey leaves it.
class ReaderTextView : public QTextBrowser {
    Q_OBJECT
public:
    explicit ReaderTextView(QWidget* parent = nullptr);

    std::function<bool(QKeyEvent*)> onKey;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
