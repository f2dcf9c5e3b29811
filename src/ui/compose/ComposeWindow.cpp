#include "ui/compose/ComposeWindow.h"

#include "ui/compose/DropGround.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>

namespace {

// The Lock bit of the X11 and xkb modifier state (Wayland reports the same mask); Qt keeps caps
// lock out of its own modifiers.
constexpr quint32 capsLockBit = 0x2;

}  // namespace

ComposeWindow::ComposeWindow()
    : m_ground(new DropGround(this))
{
    // Application-wide, so the window's keys win over the menu bar's application shortcuts.
    qApp->installEventFilter(this);
}

ComposeWindow::~ComposeWindow()
{
    qApp->removeEventFilter(this);
}

ComposeWindow::Key ComposeWindow::keyOf(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    const int key = event.key();
    const bool capsLock = event.nativeModifiers() & capsLockBit;
    if ((modifiers & Qt::ControlModifier) && (key == Qt::Key_Return || key == Qt::Key_Enter))
        return {Command::send};
    if (key == Qt::Key_Escape)
        return {Command::escape};
    if (capsLock)
        return {};
    if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_A)
        return {Command::attach};
    if (modifiers != Qt::ControlModifier)
        return {};
    if (key == Qt::Key_J)
        return {Command::toggleNotes};
    if (key >= Qt::Key_1 && key <= Qt::Key_9)
        return {Command::noteTopic, key - Qt::Key_1};
    return {};
}

bool ComposeWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    const Key key = keyOf(*static_cast<QKeyEvent*>(event));
    if (key.command == Command::none)
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        // Claimed here, so no shortcut takes it and the key press comes to us. Escape has no
        // shortcut and must reach the window's own handling when there is nothing to take back.
        if (key.command == Command::escape)
            return false;
        event->accept();
        return true;
    }
    return run(key);
}

bool ComposeWindow::run(const Key& key)
{
    switch (key.command) {
    case Command::send:
        if (onSend)
            onSend();
        return true;
    case Command::attach:
        if (onAttach)
            onAttach();
        return true;
    case Command::toggleNotes:
        if (onToggleNotes)
            onToggleNotes();
        return true;
    case Command::noteTopic:
        if (onNoteTopic)
            onNoteTopic(key.topic);
        return true;
    case Command::escape:
        return onEscape && onEscape();
    case Command::none:
        break;
    }
    return false;
}

void ComposeWindow::resizeEvent(QResizeEvent*)
{
    m_ground->setGeometry(rect());
}

void ComposeWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (onClose)
        onClose();
}
