#pragma once

#include <QObject>
#include <QPointF>

#include <functional>
#include <optional>

class QTimer;

// The ball in play in the open row of an unread mail: it enters from the unread mark, bounces
// off the walls and the two paddles, which follow it, and sinks into the net when the mail is
// opened. Times come from Clock, the spin from Random; coordinates are the row's.
class Rally : public QObject {
    Q_OBJECT
public:
    struct Court {
        double width;
        double height;
        double net;  // from the left margin to the net, as the columns place it
    };

    explicit Rally(QObject* parent = nullptr);

    // Asked at every step; a rally no longer wanted stops.
    std::function<bool()> wanted;
    std::function<Court()> court;
    std::function<void()> redraw;

    bool running() const;
    bool sinking() const { return sinkStart.has_value(); }
    // Serves from the unread mark; does nothing while a rally runs.
    void start();
    // Ends the rally; a sink under way is cut short and its action still runs.
    void stop();
    // Sinks the ball into the net and then runs `then`. False when no ball is in play or it is
    // sinking already: the caller acts at once, and the action of the first sink is dropped so
    // that it is not carried out twice.
    bool sinkBall(std::function<void()> then);
    // One animation step; the timer calls it every 1/60 s.
    void tick();

    QPointF ball;  // top left of the ball's cell
    QPointF vel;   // points per second
    bool entering = true;  // until the ball has left the left paddle's zone
    double barLeft = 0, barRight = 0;  // paddle tops
    double lastTick = 0;
    std::optional<double> sinkStart;
    QPointF sinkFrom;
    std::function<void()> sinkDone;
    double ballNow = 0;  // the ball's side; shrinks to 0 while sinking

private:
    void play(const Court& c, double now);
    void sink(const Court& c, double now);

    QTimer* m_timer;
};
