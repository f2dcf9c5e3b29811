#pragma once

#include <QWidget>

#include <functional>

class DropGround;
class QKeyEvent;

// A compose window. Its own keys come before the menu bar's and the focused widget's:
// ctrl+return sends, ctrl+shift+a attaches, ctrl+j shows or hides the notes, ctrl+1…9 picks a
// topic, escape takes a countdown back. What they do is up to the controller's callbacks.
class ComposeWindow : public QWidget {
    Q_OBJECT
public:
    enum class Command { none, send, attach, toggleNotes, noteTopic, escape };
    struct Key {
        Command command = Command::none;
        int topic = -1;  // for noteTopic: the digit minus one
    };

    ComposeWindow();
    ~ComposeWindow() override;

    DropGround* ground() const { return m_ground; }

    std::function<void()> onSend;
    std::function<bool()> onEscape;  // true when it handled the key
    std::function<void()> onToggleNotes;
    std::function<void()> onAttach;
    std::function<void(int topic)> onNoteTopic;
    std::function<void()> onClose;

    // Caps lock counts as a modifier of its own: ctrl+shift+a with it on is not the attach key.
    static Key keyOf(const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool run(const Key& key);

    DropGround* m_ground;
};
