#include "game/PongGame.h"

#include "core/Prefs.h"
#include "game/PongText.h"
#include "ui/look/Random.h"
#include "ui/look/Theme.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

struct LevelRow {
    double speed;
    double computer;
};
constexpr LevelRow levels[] = {{0.75, 2.4}, {1.0, 3.4}, {1.3, 4.6}, {1.6, 6.0}};

LevelRow levelRow()
{
    return levels[std::clamp(Prefs::shared().pongLevel(), 0, 3)];
}

constexpr int tailLength = 40;
constexpr int trailLength = 4;

}  // namespace

double PongGame::W() const
{
    return std::max(width, 200.0);
}

double PongGame::H() const
{
    return std::max(height, 200.0);
}

double PongGame::paddleLength() const
{
    return std::max(std::round(H() * 0.2), 50.0);
}

double PongGame::speedFactor()
{
    return levelRow().speed;
}

double PongGame::computerSpeed()
{
    return levelRow().computer;
}

double PongGame::clampPaddle(double top) const
{
    return std::clamp(top, 0.0, H() - paddleLength());
}

void PongGame::sound(PongSound::Kind kind)
{
    if (onSound)
        onSound(kind);
}

void PongGame::reportScore()
{
    if (onScore)
        onScore(scoreText());
}

void PongGame::rebuildTailColours()
{
    tailColours.clear();
    const Prefs& prefs = Prefs::shared();
    const bool dark = prefs.dark();
    for (const Account& account : prefs.accounts())
        tailColours << (dark ? Theme::pastel(prefs.colorIndex(account.id)) : Theme::c222);
}

void PongGame::newGame(double now)
{
    sL = sR = setsL = setsR = 0;
    setBreak = 0;
    parts.clear();
    trail.clear();
    tail.clear();
    impact.reset();
    smash = false;
    armedUntil = 0;
    rebuildTailColours();
    over.reset();
    msg.clear();
    hold = resumeAt = 0;
    pL = pR = (H() - paddleLength()) / 2;
    x = std::round(W() * 0.2466);
    y = 0;
    vx = 4.2;
    vy = 2.6;
    startT = last = now;
    hasGame = true;
    reportScore();
}

void PongGame::serve(int dir)
{
    x = dir > 0 ? std::round(W() * 0.2466) : std::round(W() * 0.7534) - ball;
    y = 0;
    vx = 4.2 * dir;
    vy = Random::uniform(2, 3.5);
}

void PongGame::resume(double now)
{
    resumeAt = now + 0.8;
    if (!over)
        msg = PongText::ready();
    last = now;
}

void PongGame::languageChanged()
{
    if (PongText::isReady(msg))
        msg = PongText::ready();
    reportScore();
}

QString PongGame::scoreText() const
{
    if (observer)
        return QStringLiteral("rally %1").arg(sL + sR);
    if (Prefs::shared().pongFormat() == 1)
        return QStringLiteral("%1:%2 · %3 · %4").arg(setsL).arg(setsR).arg(sL).arg(sR);
    return QStringLiteral("%1 · %2").arg(sL).arg(sR);
}

void PongGame::pointerAt(double pointerY)
{
    if (observer)
        return;
    const double h = H();
    pL = clampPaddle(h / 2 + (pointerY - h / 2) * 1.7 - paddleLength() / 2);
}

bool PongGame::canSmash() const
{
    return !observer && hasGame && !over;
}

void PongGame::armSmash(double now)
{
    if (canSmash())
        armedUntil = now + 0.45;
}

bool PongGame::userHitAt(double bx, double by) const
{
    return vx < 0 && 10 <= bx && bx <= 38 && pL <= by + ball && by <= pL + paddleLength();
}

bool PongGame::computerHitAt(double bx, double by) const
{
    const double w = W();
    return vx > 0 && bx + ball >= w - 38 && bx + ball <= w - 10 && pR <= by + ball && by <= pR + paddleLength();
}

std::optional<QPointF> PongGame::firstHitAlong(QPointF from, QPointF move, bool (PongGame::*hits)(double, double) const) const
{
    const int steps = int(std::ceil(std::max(std::abs(move.x()), std::abs(move.y())) / (ball / 2)));
    const double bottom = H() - ball;
    for (int k = 1; k < steps; ++k) {
        const double bx = from.x() + move.x() * k / steps;
        const double by = std::clamp(from.y() + move.y() * k / steps, 0.0, bottom);
        if ((this->*hits)(bx, by))
            return QPointF(bx, by);
    }
    return std::nullopt;
}

void PongGame::tick(double now)
{
    const double f = std::clamp(now - last, 0.0, 0.032) * 60;
    last = now;
    const double w = W();
    const double h = H();
    const double length = paddleLength();
    const double ws = w / 640;
    const double hs = h / 400;

    if (upHeld != downHeld && !observer)
        pL = clampPaddle(pL + (downHeld ? 13 : -13) * f * hs);

    if (!parts.isEmpty()) {
        for (Particle& part : parts) {
            part.vy += 0.35 * f;
            part.x += f * part.vx;
            part.y += f * part.vy;
            part.r += f * part.vr;
            if (part.y > h - part.s) {
                part.y = h - part.s;
                part.vx *= 0.8;
                part.vy *= -0.45;
            }
        }
        if (now - burstT > 0.9)
            parts.clear();
    }

    if (impact && now - impact->t > 0.22)
        impact.reset();

    if (over) {
        if (now - *over > 4) {
            sL = sR = setsL = setsR = 0;
            msg.clear();
            over.reset();
            serve(+1);
            startT = now;
            reportScore();
        }
        return;
    }

    if (setBreak > 0) {
        if (now < setBreak)
            return;
        setBreak = 0;
        msg.clear();
        startT = now;
    }

    if (resumeAt > 0) {
        if (now < resumeAt)
            return;
        resumeAt = 0;
        if (msg == PongText::ready())
            msg.clear();
    }

    if (now < hold)
        return;

    const double speed = speedFactor();
    const QPointF from(x, y);
    QPointF move;
    if (now - startT > 0.35) {
        move = QPointF(ws * f * vx * speed, hs * f * vy * speed);
        x += move.x();
        y += move.y();
    }

    if (y < 0) {
        y = 0;
        vy = std::abs(vy);
        sound(PongSound::Kind::wall);
    }
    if (y > h - ball) {
        y = h - ball;
        vy = -std::abs(vy);
        sound(PongSound::Kind::wall);
    }

    if (observer) {
        pL = clampPaddle(std::sin(now * 0.7) * length * 0.33 + (y + 7 - length / 2));
        pR = clampPaddle(std::cos(now * 0.9) * length * 0.33 + (y + 7 - length / 2));
    }

    // Only a ball that ended this frame past a paddle's hit zone is looked for along its way, so
    // every other frame plays exactly as a single step.
    bool userHit = userHitAt(x, y);
    if (!userHit && move.x() < 0 && x < 10) {
        if (const auto hit = firstHitAlong(from, move, &PongGame::userHitAt)) {
            y = hit->y();
            userHit = true;
        }
    }
    if (userHit) {
        x = 38;
        if (now < armedUntil) {
            smash = true;
            armedUntil = 0;
            vx = 17;
            vy = (y + 7 - (pL + length / 2)) * 0.1;
            sound(PongSound::Kind::smash);
        } else {
            vx = std::min(std::abs(vx) * 1.05, 12.0);
            vy += (y + 7 - (pL + length / 2)) * 0.07;
            sound(PongSound::Kind::userHit);
            if (observer) {
                sL += 1;
                reportScore();
            }
        }
    }

    if (armedUntil > 0 && now >= armedUntil)
        armedUntil = 0;

    tail.prepend(QPointF(x, y));
    if (tail.size() > tailLength)
        tail.resize(tailLength);
    if (smash) {
        trail.prepend(QPointF(x, y));
        if (trail.size() > trailLength)
            trail.resize(trailLength);
    } else {
        trail.clear();
    }

    bool computerHit = computerHitAt(x, y);
    if (!computerHit && !userHit && move.x() > 0 && x + ball > w - 10) {
        if (const auto hit = firstHitAlong(from, move, &PongGame::computerHitAt)) {
            y = hit->y();
            computerHit = true;
        }
    }
    if (computerHit) {
        x = w - 52;
        double a = vx;
        if (smash) {
            a = 6.5;
            smash = false;
        }
        vx = -std::min(std::abs(a) * 1.05, 12.0);
        vy += (y + 7 - (pR + length / 2)) * 0.07;
        sound(PongSound::Kind::computerHit);
        if (observer) {
            sR += 1;
            reportScore();
        }
    }

    vy = std::clamp(vy, -8.0, 8.0);

    if (!observer) {
        const double step = hs * computerSpeed() * speed * f * (smash ? 0.65 : 1);
        const double target = y + 7 - length / 2;
        pR = clampPaddle(pR + std::clamp(target - pR, -step, step));
    }

    if (observer) {
        if (x < 0 || x > w - ball)
            serve(x < 0 ? +1 : -1);
    } else if (x < 0) {
        burst(true, now);
        sR += 1;
        serve(+1);
        scored(false, now);
    } else if (x > w - ball) {
        burst(false, now);
        sL += 1;
        serve(-1);
        scored(true, now);
    }
}

void PongGame::burst(bool left, double now)
{
    const double x0 = left ? 2 : W() - 16;
    const double direction = left ? 1 : -1;
    impact = Impact{left ? 0 : W(), y + 7, now, left};
    QList<Particle> made;
    made.reserve(14);
    for (int i = 0; i < 14; ++i) {
        Particle part;
        const double angle = Random::uniform(-0.475 * std::numbers::pi, 0.475 * std::numbers::pi);
        const double speed = Random::uniform(2.5, 7.5);
        part.s = std::min(std::floor(Random::uniform(3, 7)), 6.0);
        part.x = x0 + Random::uniform(0, 10);
        part.y = y + Random::uniform(0, 10);
        part.vx = direction * std::cos(angle) * speed;
        part.vy = std::sin(angle) * speed - 2.5;
        part.r = 0;
        part.vr = Random::uniform(-15, 15);
        made << part;
    }
    parts = made;
    burstT = now;
    smash = false;
    trail.clear();
    tail.clear();
    armedUntil = 0;
    rebuildTailColours();
    hold = now + 0.75;
    sound(PongSound::Kind::burst);
}

void PongGame::scored(bool you, double t)
{
    const int won = you ? sL : sR;
    const int lost = you ? sR : sL;
    const auto point = you ? PongSound::Kind::userPoint : PongSound::Kind::computerPoint;
    const auto wins = you ? PongSound::Kind::userWins : PongSound::Kind::computerWins;
    if (Prefs::shared().pongFormat() != 1) {
        if (won >= 5) {
            over = t;
            msg = PongText::gameWon(you);
            sound(wins);
        } else {
            sound(point);
        }
    } else if (won < 11 || won - lost < 2) {
        sound(point);
    } else {
        (you ? setsL : setsR) += 1;
        if (setsL >= 2 || setsR >= 2) {
            over = t;
            msg = you ? PongText::matchWon(true, setsL, setsR) : PongText::matchWon(false, setsR, setsL);
        } else {
            msg = PongText::setWon(setsL + setsR, you, sL, sR);
            sL = sR = 0;
            setBreak = t + 2.5;
            serve(you ? -1 : +1);
        }
        sound(wins);
    }
    reportScore();
}
