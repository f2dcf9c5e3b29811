#include "ui/list/Rally.h"

#include "ui/list/MailColumns.h"
#include "ui/look/Clock.h"
#include "ui/look/Random.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr double m = MailColumns::mark;
constexpr double P = MailColumns::paddle;
constexpr double maxStep = 0.05;  // a stalled frame must not carry the ball through a paddle
constexpr double sinkTime = 0.32;
constexpr double paddleSpeed = 70;

double towards(double from, double to, double most)
{
    return from + std::clamp(to - from, -most, most);
}

}  // namespace

Rally::Rally(QObject* parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(1000 / 60);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &Rally::tick);
}

bool Rally::running() const
{
    return m_timer->isActive();
}

void Rally::start()
{
    if (running() || !court)
        return;
    const Court c = court();
    const double h = std::max(c.height, 128.0);
    barLeft = barRight = (h - P) / 2;
    ball = QPointF(8, h / 2 - 22 + 1.718640093786635);
    const double v = std::max((c.width - MailColumns::margins) / 4.5, 170.0);
    vel = QPointF(v, v * 0.1);
    entering = true;
    ballNow = m;
    sinkStart.reset();
    lastTick = Clock::now();
    m_timer->start();
}

void Rally::stop()
{
    const bool wasRunning = running();
    m_timer->stop();
    if (wasRunning && redraw)
        redraw();
    if (!sinkDone)
        return;
    std::function<void()> action = std::exchange(sinkDone, nullptr);
    sinkStart.reset();
    ballNow = m;
    action();
}

bool Rally::sinkBall(std::function<void()> then)
{
    if (!running())
        return false;
    if (sinking()) {
        sinkDone = nullptr;
        return false;
    }
    sinkStart = Clock::now();
    sinkFrom = ball;
    sinkDone = std::move(then);
    return true;
}

void Rally::tick()
{
    if (!running())
        return;
    if (!court || (wanted && !wanted())) {
        stop();
        return;
    }
    const Court c = court();
    const double now = Clock::now();
    if (sinking())
        sink(c, now);
    else
        play(c, now);
}

void Rally::play(const Court& c, double now)
{
    const double dt = std::min(now - lastTick, maxStep);
    lastTick = now;
    ball += dt * vel;
    const double H = c.height, W = c.width;

    if (ball.y() < 4) {
        ball.setY(4);
        vel.setY(std::abs(vel.y()));
    }
    if (ball.y() > H - 4 - m) {
        ball.setY(H - 4 - m);
        vel.setY(-std::abs(vel.y()));
    }

    if (entering) {
        if (ball.x() > 14 + m)
            entering = false;
    } else {
        bool bounced = false;
        if (ball.x() < 10 + m) {
            ball.setX(10 + m);
            vel.setX(std::abs(vel.x()));
            bounced = true;
        }
        if (ball.x() > W - 8 - m - 2 - m) {
            ball.setX(W - 8 - m - 2 - m);
            vel.setX(-std::abs(vel.x()));
            bounced = true;
        }
        if (bounced) {
            double vy = vel.y() * Random::uniform(0.9, 1.1);
            if (std::abs(vy) < 8)
                vy = vy < 0 ? -12 : 12;
            const double most = 0.14 * std::abs(vel.x());
            vel.setY(std::clamp(vy, -most, most));
        }
    }

    const double chase = ball.y() + m / 2 - P / 2, centre = (H - P) / 2;
    const double low = 4, high = std::max(H - 4 - P, 4.0);
    const double leftTarget = std::clamp(vel.x() < 0 ? chase : centre, low, high);
    const double rightTarget = std::clamp(vel.x() > 0 ? chase : centre, low, high);
    barLeft = towards(barLeft, leftTarget, dt * paddleSpeed);
    barRight = towards(barRight, rightTarget, dt * paddleSpeed);
    if (redraw)
        redraw();
}

void Rally::sink(const Court& c, double now)
{
    const double t = std::min((now - *sinkStart) / sinkTime, 1.0);
    const double e = t * t * (3 - 2 * t);
    const QPointF target(c.net + MailColumns::margin - m / 2, c.height / 2 - m / 2);
    ball = sinkFrom + e * (target - sinkFrom);
    ballNow = (1 - e) * m;
    if (redraw)
        redraw();
    if (t < 1)
        return;
    std::function<void()> action = std::exchange(sinkDone, nullptr);
    sinkStart.reset();
    ballNow = m;
    stop();
    if (action)
        action();
}
