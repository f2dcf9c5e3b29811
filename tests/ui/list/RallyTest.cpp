#include "ui/list/MailColumns.h"
#include "ui/list/Rally.h"
#include "ui/look/Clock.h"
#include "ui/look/Random.h"

#include <QTest>

namespace {

constexpr double m = MailColumns::mark;
constexpr double P = MailColumns::paddle;
constexpr double W = 1000, H = 128;

}  // namespace

// The ball's physics under a clock and a random source of the test's own.
class RallyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void serveFromTheUnreadMark();
    void enteringPassesTheLeftPaddle();
    void bounces_data();
    void bounces();
    void stalledFrameMovesAtMostAFiftieth();
    void paddlesFollowAtSeventyAndStayInside();
    void sinkTakesAThirdOfASecond();
    void secondOpenDuringTheSinkOpensOnce();
    void stoppingRunsAPendingOpen();
    void unwantedRallyStops();

private:
    void step(double seconds)
    {
        m_now += seconds;
        m_rally->tick();
    }

    double m_now = 50;
    double m_spin = 1;
    bool m_wanted = true;
    int m_redraws = 0;
    std::unique_ptr<Rally> m_rally;
};

void RallyTest::init()
{
    m_now = 50;
    m_spin = 1;
    m_wanted = true;
    Clock::replace([this] { return m_now; });
    Random::replace([this](double, double) { return m_spin; });
    m_rally = std::make_unique<Rally>();
    m_rally->court = [] { return Rally::Court{W, H, 300}; };
    QVERIFY((W - MailColumns::margins) / 4.5 > 170);
    m_rally->wanted = [this] { return m_wanted; };
    m_rally->redraw = [this] { ++m_redraws; };
    m_rally->start();
}

void RallyTest::cleanup()
{
    m_rally.reset();
    Clock::replace({});
    Random::replace({});
}

void RallyTest::serveFromTheUnreadMark()
{
    QVERIFY(m_rally->running());
    QCOMPARE(m_rally->ball, QPointF(8, H / 2 - 22 + 1.718640093786635));
    const double v = (W - MailColumns::margins) / 4.5;
    QCOMPARE(m_rally->vel, QPointF(v, v * 0.1));
    QCOMPARE(m_rally->barLeft, (H - P) / 2);
    QCOMPARE(m_rally->barRight, (H - P) / 2);
    QCOMPARE(m_rally->ballNow, m);
    // A narrow row still serves at 170 points a second.
    Rally narrow;
    narrow.court = [] { return Rally::Court{200, 40, 60}; };
    narrow.start();
    QCOMPARE(narrow.vel.x(), 170.0);
    QCOMPARE(narrow.barLeft, (128 - P) / 2);  // placed as in a full open row while it grows
}

void RallyTest::enteringPassesTheLeftPaddle()
{
    // From the mark at x 8 the ball is inside the left paddle's zone, moving left it would bounce;
    // while entering it does not.
    m_rally->vel = QPointF(-100, 0);
    step(0.01);
    QCOMPARE(m_rally->vel.x(), -100.0);
    QVERIFY(m_rally->entering);
    m_rally->vel = QPointF(100, 0);
    m_rally->ball.setX(14 + m - 0.5);
    step(0.01);
    QVERIFY(!m_rally->entering);  // past 14 + m
    m_rally->ball.setX(10 + m + 0.2);
    m_rally->vel = QPointF(-100, 0);
    step(0.01);
    QCOMPARE(m_rally->ball.x(), 10 + m);
    QCOMPARE(m_rally->vel.x(), 100.0);
}

void RallyTest::bounces_data()
{
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("vel");
    QTest::addColumn<double>("spin");
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<QPointF>("after");

    const double right = W - 8 - m - 2 - m;
    QTest::newRow("top wall") << QPointF(300, 5) << QPointF(100, -200) << 1.0 << QPointF(301, 4) << QPointF(100, 200);
    QTest::newRow("bottom wall") << QPointF(300, H - 4 - m - 1) << QPointF(100, 200) << 1.0 << QPointF(301, H - 4 - m)
                                 << QPointF(100, -200);
    QTest::newRow("right paddle, spin kept") << QPointF(right - 1, 60) << QPointF(200, 10) << 1.1 << QPointF(right, 60.1)
                                             << QPointF(-200, 11);
    QTest::newRow("left paddle, spin kept") << QPointF(10 + m + 1, 60) << QPointF(-200, -10) << 0.9
                                            << QPointF(10 + m, 59.9) << QPointF(200, -9);
    QTest::newRow("flat ball gets a slope") << QPointF(right - 1, 60) << QPointF(200, 5) << 1.0 << QPointF(right, 60.05)
                                            << QPointF(-200, 12);
    QTest::newRow("flat ball keeps its direction") << QPointF(right - 1, 60) << QPointF(200, -5) << 1.0
                                                   << QPointF(right, 59.95) << QPointF(-200, -12);
    QTest::newRow("steep ball is clamped") << QPointF(right - 1, 60) << QPointF(200, 100) << 1.1 << QPointF(right, 61)
                                           << QPointF(-200, 28);
}

void RallyTest::bounces()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, vel);
    QFETCH(double, spin);
    QFETCH(QPointF, at);
    QFETCH(QPointF, after);
    m_spin = spin;
    m_rally->entering = false;
    m_rally->ball = from;
    m_rally->vel = vel;
    step(0.01);
    QVERIFY2(qAbs(m_rally->ball.x() - at.x()) < 1e-9 && qAbs(m_rally->ball.y() - at.y()) < 1e-9,
        qPrintable(QStringLiteral("%1, %2").arg(m_rally->ball.x()).arg(m_rally->ball.y())));
    QVERIFY2(qAbs(m_rally->vel.x() - after.x()) < 1e-9 && qAbs(m_rally->vel.y() - after.y()) < 1e-9,
        qPrintable(QStringLiteral("%1, %2").arg(m_rally->vel.x()).arg(m_rally->vel.y())));
}

void RallyTest::stalledFrameMovesAtMostAFiftieth()
{
    const QPointF before = m_rally->ball, vel = m_rally->vel;
    step(2);
    QCOMPARE(m_rally->ball, before + 0.05 * vel);
    step(0.01);
    QCOMPARE(m_rally->ball, before + 0.06 * vel);  // the step after counts from the stall's end
}

void RallyTest::paddlesFollowAtSeventyAndStayInside()
{
    m_rally->entering = false;
    m_rally->ball = QPointF(300, 100);
    m_rally->vel = QPointF(100, 0);
    const double before = m_rally->barRight;
    step(0.05);
    QCOMPARE(m_rally->barRight, before + 0.05 * 70);  // towards the ball, no faster
    QCOMPARE(m_rally->barLeft, (H - P) / 2);          // the other waits in the middle
    for (int i = 0; i < 40; ++i) {
        m_rally->ball = QPointF(300, H - 4 - m);
        step(0.05);
    }
    QCOMPARE(m_rally->barRight, H - 4 - P);  // clamped at the bottom wall
}

void RallyTest::sinkTakesAThirdOfASecond()
{
    int opened = 0;
    const QPointF from = m_rally->ball;
    QVERIFY(m_rally->sinkBall([&] { ++opened; }));
    const QPointF net(300 + MailColumns::margin - m / 2, H / 2 - m / 2);
    step(0.16);  // halfway in time is halfway on the smooth step
    QVERIFY(qAbs(m_rally->ball.x() - (from.x() + net.x()) / 2) < 1e-6);
    QVERIFY(qAbs(m_rally->ballNow - m / 2) < 1e-6);
    QCOMPARE(opened, 0);
    step(0.1599);
    QCOMPARE(opened, 0);
    step(0.0002);
    QCOMPARE(opened, 1);
    QVERIFY(!m_rally->running());
    QCOMPARE(m_rally->ballNow, m);
    QVERIFY(!m_rally->sinking());
    QVERIFY(!m_rally->sinkBall([&] { ++opened; }));  // no ball in play: the caller opens at once
}

void RallyTest::secondOpenDuringTheSinkOpensOnce()
{
    int first = 0;
    QVERIFY(m_rally->sinkBall([&] { ++first; }));
    step(0.1);
    QVERIFY(!m_rally->sinkBall([] {}));  // the caller opens at once
    step(0.3);
    QCOMPARE(first, 0);  // and the first request does not open it a second time
    QVERIFY(!m_rally->running());
}

void RallyTest::stoppingRunsAPendingOpen()
{
    int opened = 0;
    QVERIFY(m_rally->sinkBall([&] { ++opened; }));
    step(0.1);
    m_rally->stop();
    QCOMPARE(opened, 1);
    QCOMPARE(m_rally->ballNow, m);
    m_rally->stop();
    QCOMPARE(opened, 1);
}

void RallyTest::unwantedRallyStops()
{
    int opened = 0;
    QVERIFY(m_rally->sinkBall([&] { ++opened; }));
    m_wanted = false;  // the row lost its selection, the window hid, motion was turned off
    step(0.01);
    QVERIFY(!m_rally->running());
    QCOMPARE(opened, 1);
}

QTEST_MAIN(RallyTest)
#include "RallyTest.moc"
