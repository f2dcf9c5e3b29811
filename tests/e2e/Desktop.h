#pragma once

#include <QColor>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>

// A private X display (Xvfb, 1600 × 1000, no window manager) and what a user does on it, through
// xdotool: keys and clicks go to the window that has the focus, the way a person's would.
class Desktop {
public:
    Desktop() = default;
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // Empty on success, otherwise what went wrong.
    QString start();
    QString display() const { return m_display; }

    // The visible top-level window whose whole title matches the pattern, or an empty id after `waitMs`.
    QString waitForWindow(const QString& titlePattern, int waitMs = 20000) const;
    // The window's frame on the screen; the window gets the focus first.
    QRect geometry(const QString& window) const;
    void focus(const QString& window) const;

    // xdotool key names, e.g. "ctrl+r", "ctrl+shift+l", "Escape", `delayMs` apart.
    bool keys(const QStringList& keys, int delayMs = 60) const;
    bool type(const QString& text) const;
    bool click(QPoint screen) const;
    // The colour of one screen pixel, read from the X server like a screenshot.
    QColor pixel(QPoint screen) const;
    QImage grab(const QRect& screen) const;
    bool screenshot(const QString& file) const;

private:
    QString xdotool(const QStringList& arguments, int waitMs = 10000) const;

    std::unique_ptr<QProcess> m_server;
    QString m_display;
};
