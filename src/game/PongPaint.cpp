#include "core/Prefs.h"
#include "game/PongField.h"
#include "ui/look/Theme.h"

#include <QPainter>

#include <cmath>
#include <numbers>

namespace {

void drawDashed(QPainter& painter, const QColor& ink, QPointF from, QPointF to)
{
    // Qt counts dashes in pen widths: 6 on, 12 off at a width of 1.5.
    QPen pen(ink, 1.5, Qt::CustomDashLine, Qt::FlatCap);
    pen.setDashPattern({6 / 1.5, 12 / 1.5});
    painter.setPen(pen);
    painter.drawLine(from, to);
}

void drawTail(QPainter& painter, const PongGame& game)
{
    const qsizetype n = game.tail.size();
    const qsizetype k = game.tailColours.size();
    constexpr double b = PongGame::ball;
    for (qsizetype i = n - 1; i >= 1; --i) {
        QColor colour = game.tailColours[std::min(k - 1, qsizetype(std::floor(double(i) / double(n) * double(k))))];
        colour.setAlphaF(float(std::pow(1 - double(i) / double(n + 1), 0.8) * 0.88 + 0.12));
        const double z = ((1 - double(i) / double(n)) * 0.45 + 0.55) * b;
        const QPointF at = game.tail[i];
        painter.fillRect(QRectF(at.x() + (b - z) / 2, at.y() + (b - z) / 2, z, z), colour);
    }
}

}  // namespace

void PongField::draw(QPainter& painter, const PongGame& game, double now)
{
    const QColor ink = Theme::ink();
    const QColor ground = Theme::ground();
    const double w = game.W();
    const double h = game.H();
    const double length = game.paddleLength();
    constexpr double b = PongGame::ball;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    painter.fillRect(QRectF(0, 0, w, h), ground);
    drawDashed(painter, ink, {0, 0.75}, {w, 0.75});
    drawDashed(painter, ink, {0, h - 0.75}, {w, h - 0.75});
    drawDashed(painter, ink, {w / 2, 6}, {w / 2, h});

    painter.fillRect(QRectF(24, game.pL, PongGame::paddleWidth, length), ink);
    painter.fillRect(QRectF(w - 38, game.pR, PongGame::paddleWidth, length), ink);

    const QFont scoreFont = Theme::font(44);
    painter.setFont(scoreFont);
    painter.setPen(ink);
    const double lineHeight = QFontMetricsF(scoreFont).height();
    painter.drawText(QRectF(0, 18, w / 2 - 34, lineHeight), Qt::AlignRight | Qt::AlignTop, QString::number(game.sL));
    painter.drawText(QRectF(w / 2 + 34, 18, w, lineHeight), Qt::AlignLeft | Qt::AlignTop, QString::number(game.sR));

    if (now >= game.hold) {
        if (Prefs::shared().dark() && !game.tailColours.isEmpty() && game.tail.size() >= 2)
            drawTail(painter, game);
        for (qsizetype i = 0; i + 1 < game.trail.size(); ++i) {
            const double side = std::max(10.0 - 3.0 * double(i), 2.0);
            const QPointF at = game.trail[i];
            painter.fillRect(QRectF(at.x() + (b - side) / 2, at.y() + (b - side) / 2 + 2, side, side), ink);
        }
        if (game.smash)
            painter.fillRect(QRectF(game.x, game.y + 2, 26, 10), ink);
        else
            painter.fillRect(QRectF(game.x, game.y, b, b), ink);
    }

    if (game.impact) {
        const PongGame::Impact& impact = *game.impact;
        const double d = (now - impact.t) * 80 + 10;
        painter.setPen(QPen(ink, 3, Qt::SolidLine, Qt::FlatCap));
        const double first = impact.left ? -60 : 120;
        for (int ray = 0; ray < 5; ++ray) {
            const double angle = (first + 30 * ray) * std::numbers::pi / 180;
            const QPointF direction(std::cos(angle), std::sin(angle));
            const QPointF origin(impact.x, impact.y);
            painter.drawLine(origin + direction * d, origin + direction * (d + 14));
        }
    }

    for (const PongGame::Particle& part : game.parts) {
        painter.save();
        painter.translate(part.x + part.s / 2, part.y + part.s / 2);
        painter.rotate(part.r);
        painter.fillRect(QRectF(-part.s / 2, -part.s / 2, part.s, part.s), ink);
        painter.restore();
    }

    if (!game.msg.isEmpty()) {
        const QFont font = Theme::font(14, QFont::Normal, 4);
        const QFontMetricsF metrics(font);
        const double textWidth = metrics.horizontalAdvance(game.msg);
        const double textHeight = metrics.height();
        const double boxWidth = std::max(textWidth + 36, length);
        const double boxHeight = textHeight + 16;
        const QRectF box((w - boxWidth) / 2, (h - boxHeight) / 2, boxWidth, boxHeight);
        painter.fillRect(box, ink);
        painter.setFont(font);
        painter.setPen(ground);
        painter.drawText(QPointF(box.center().x() - textWidth / 2 + 2, box.center().y() - textHeight / 2 + metrics.ascent()), game.msg);
    }
}
