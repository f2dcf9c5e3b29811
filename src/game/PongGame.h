#pragma once

#include "game/PongSound.h"

#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>

#include <functional>
#include <optional>

// lu.pong's state and rules, without a window: the field feeds it its size, the time and the
// player's input, and draws what it holds. Times are seconds of the monotonic clock; speeds are
// points per frame of 1/60 s at speed factor 1, for a field tuned at 640 × 400.
class PongGame {
public:
    struct Particle {
        double x = 0, y = 0, vx = 0, vy = 0;
        double s = 0;   // side
        double r = 0;   // rotation, degrees
        double vr = 0;  // rotation per frame
    };
    struct Impact {
        double x = 0, y = 0, t = 0;
        bool left = false;
    };

    static constexpr double ball = 14;
    static constexpr double paddleWidth = 14;

    std::function<void(const QString&)> onScore;
    std::function<void(PongSound::Kind)> onSound;

    // The view's size; geometry never goes below 200 × 200.
    double width = 640;
    double height = 400;

    double x = 0, y = 0;          // ball, top-left corner
    double vx = 4.2, vy = 2.6;
    double pL = 160, pR = 160;    // paddle tops: the user's (left) and the computer's
    int sL = 0, sR = 0;           // points, or hits in observer mode
    int setsL = 0, setsR = 0;
    double setBreak = 0;
    QList<Particle> parts;
    double burstT = 0;
    std::optional<Impact> impact;
    double armedUntil = 0;
    bool smash = false;
    QList<QPointF> trail;  // newest first, while smashing
    QList<QPointF> tail;   // newest first
    QList<QColor> tailColours;
    double hold = 0;
    std::optional<double> over;
    QString msg;
    double resumeAt = 0;
    double startT = 0;
    double last = 0;
    bool hasGame = false;
    bool observer = false;
    bool upHeld = false;
    bool downHeld = false;

    double W() const;
    double H() const;
    double paddleLength() const;  // L
    // The "pongLevel" row, clamped to 0..3.
    static double speedFactor();
    static double computerSpeed();

    void newGame(double now);
    void serve(int dir);
    // One frame of the simulation at now.
    void tick(double now);
    // A point was just added for the user (you) or the computer, at time t.
    void scored(bool you, double t);
    void burst(bool left, double now);
    // After a pause: a short "ready" before the ball moves on.
    void resume(double now);
    void languageChanged();
    QString scoreText() const;

    // The pointer's height over the field moves the user's paddle, amplified from the middle.
    void pointerAt(double pointerY);
    // A double click or Space: the next hit in the coming 0.45 s is a smash.
    bool canSmash() const;
    void armSmash(double now);

    void rebuildTailColours();

private:
    void sound(PongSound::Kind kind);
    void reportScore();
    double clampPaddle(double top) const;
    bool userHitAt(double bx, double by) const;
    bool computerHitAt(double bx, double by) const;
    // The first position along this frame's move, in steps no wider than half the ball, at which
    // the paddle test holds: a fast ball, or a stalled frame, must not carry the ball through a paddle.
    std::optional<QPointF> firstHitAlong(QPointF from, QPointF move, bool (PongGame::*hits)(double, double) const) const;
};
