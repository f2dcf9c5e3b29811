#pragma once

#include "game/PongGame.h"

#include <QTimer>
#include <QWidget>

#include <functional>

class PongGuard;
class QPainter;

// The playing field: runs the game on a 60 Hz timer that reads the Clock, draws it, and takes
// the pointer, the arrow keys, Space (smash) and Esc (leave). While it runs it guards its whole
// window (PongGuard). pause() keeps the game as it is; resume() goes on after a short "ready".
class PongField : public QWidget {
    Q_OBJECT
public:
    explicit PongField(QWidget* parent = nullptr);
    ~PongField() override;

    std::function<void(const QString&)> onScore;
    std::function<void()> onExit;

    PongGame& game() { return m_game; }
    const PongGame& game() const { return m_game; }
    PongGuard& guard() { return *m_guard; }

    void newGame();
    void pause();
    void resume();
    void languageChanged();
    bool running() const { return m_timer.isActive(); }
    bool observer() const { return m_game.observer; }
    void setObserver(bool on) { m_game.observer = on; }

    // One frame at the Clock's now; the timer's work.
    void tick();
    // The pointer at a height in the field's coordinates, also from outside it.
    void pointerAt(double y);
    // A double click or Space: arms the smash when one is possible.
    void armSmash();

    // Everything the field shows, for a field of the game's size.
    static void draw(QPainter& painter, const PongGame& game, double now);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void run();
    void fit();

    PongGame m_game;
    QTimer m_timer;
    PongGuard* m_guard;
};
