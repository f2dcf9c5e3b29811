#include "core/Prefs.h"
#include "game/PongGame.h"
#include "support/TemporaryHome.h"
#include "ui/look/Random.h"

#include <QTest>

using Kind = PongSound::Kind;
Q_DECLARE_METATYPE(PongSound::Kind)

class PongGameTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void freshGameServesFromTheTop();
    void serveFromEitherSide_data();
    void serveFromEitherSide();
    void wallBounces_data();
    void wallBounces();
    void paddleHitsSpeedUp_data();
    void paddleHitsSpeedUp();
    void smashAndItsReturn();
    void computerLevels_data();
    void computerLevels();
    void missBurstsAndScores();
    void quickFormat_data();
    void quickFormat();
    void longFormat_data();
    void longFormat();
    void setBreakHoldsTheBall();
    void nextMatchAfterFourSeconds();
    void smashArming_data();
    void smashArming();
    void readyFollowsTheLanguage();
    void fastBallDoesNotPassThePaddle_data();
    void fastBallDoesNotPassThePaddle();
    void observerCountsHits();

private:
    TemporaryHome m_home;
};

namespace {

constexpr double frame = 1.0 / 60;

// A game on a plain value: records the sounds and score lines it reports.
struct Game : PongGame {
    QList<Kind> sounds;
    QStringList scores;

    explicit Game(double w = 640, double h = 400)
    {
        width = w;
        height = h;
        onSound = [this](Kind kind) { sounds << kind; };
        onScore = [this](const QString& text) { scores << text; };
    }

    // A game under way at t = 100: the rally's wait is over and the last frame was one frame ago.
    void rally(double now = 100)
    {
        newGame(now - 1);
        last = now - frame;
        sounds.clear();
        scores.clear();
    }
};

}  // namespace

void PongGameTest::init()
{
    Prefs& prefs = Prefs::shared();
    prefs.setPongLevel(1);
    prefs.setPongFormat(1);
    prefs.setGerman(false);
    Random::replace([](double low, double high) { return (low + high) / 2; });
}

void PongGameTest::cleanup()
{
    Random::replace({});
}

void PongGameTest::freshGameServesFromTheTop()
{
    Game game;
    game.newGame(100);
    QCOMPARE(game.x, 158.0);
    QCOMPARE(game.y, 0.0);
    QCOMPARE(game.vx, 4.2);
    QCOMPARE(game.vy, 2.6);
    QCOMPARE(game.pL, 160.0);
    QCOMPARE(game.pR, 160.0);
    QCOMPARE(game.scores, QStringList{QStringLiteral("0:0 · 0 · 0")});

    // The ball waits 0.35 s, then moves by its velocity per frame.
    game.tick(100.34);
    QCOMPARE(game.x, 158.0);
    game.tick(100.34 + frame);
    QCOMPARE(game.x, 162.2);
    QCOMPARE(game.y, 2.6);
}

void PongGameTest::serveFromEitherSide_data()
{
    QTest::addColumn<int>("dir");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("vx");
    QTest::newRow("towards the computer") << 1 << 158.0 << 4.2;
    QTest::newRow("towards the user") << -1 << 468.0 << -4.2;
}

void PongGameTest::serveFromEitherSide()
{
    QFETCH(int, dir);
    QFETCH(double, x);
    QFETCH(double, vx);
    QList<std::pair<double, double>> asked;
    Random::replace([&](double low, double high) {
        asked.append({low, high});
        return low;
    });
    Game game;
    game.y = 200;
    game.serve(dir);
    QCOMPARE(game.x, x);
    QCOMPARE(game.y, 0.0);
    QCOMPARE(game.vx, vx);
    QCOMPARE(game.vy, 2.0);
    QCOMPARE(asked, (QList<std::pair<double, double>>{{2.0, 3.5}}));
}

void PongGameTest::wallBounces_data()
{
    QTest::addColumn<double>("height");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("vy");
    QTest::addColumn<double>("bouncedY");
    QTest::newRow("top") << 400.0 << 1.0 << -3.0 << 0.0;
    QTest::newRow("bottom") << 400.0 << 384.0 << 3.0 << 386.0;
    QTest::newRow("a 150 high field plays as 200") << 150.0 << 185.0 << 3.0 << 186.0;
}

void PongGameTest::wallBounces()
{
    QFETCH(double, height);
    QFETCH(double, y);
    QFETCH(double, vy);
    QFETCH(double, bouncedY);
    Game game(640, height);
    game.rally();
    game.x = 300;
    game.y = y;
    game.vy = vy;
    game.tick(100);
    QCOMPARE(game.y, bouncedY);
    QCOMPARE(game.vy, -vy);
    QCOMPARE(game.sounds, QList<Kind>{Kind::wall});
}

void PongGameTest::paddleHitsSpeedUp_data()
{
    QTest::addColumn<bool>("user");
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("offset");  // ball centre below the paddle's middle
    QTest::addColumn<double>("returned");
    QTest::addColumn<double>("vy");
    for (const bool user : {true, false}) {
        const char* side = user ? "user" : "computer";
        QTest::addRow("%s: 5 %% faster", side) << user << 4.2 << 0.0 << 4.41 << 0.0;
        QTest::addRow("%s: faster again", side) << user << 8.0 << 0.0 << 8.4 << 0.0;
        QTest::addRow("%s: up to the limit", side) << user << 11.5 << 0.0 << 12.0 << 0.0;
        QTest::addRow("%s: at the limit", side) << user << 12.0 << 0.0 << 12.0 << 0.0;
        QTest::addRow("%s: off centre turns it", side) << user << 4.2 << 20.0 << 4.41 << 1.4;
    }
}

void PongGameTest::paddleHitsSpeedUp()
{
    QFETCH(bool, user);
    QFETCH(double, speed);
    QFETCH(double, offset);
    QFETCH(double, returned);
    QFETCH(double, vy);
    Game game;
    game.rally();
    game.vy = 0;  // the move stays on one row
    game.pL = game.pR = 100;
    game.y = 100 + 40 + offset - 7;
    game.x = user ? 40 : 586;
    game.vx = user ? -speed : speed;
    game.tick(100);
    QCOMPARE(game.x, user ? 38.0 : 588.0);
    QCOMPARE(game.vx, user ? returned : -returned);
    QCOMPARE(game.vy, vy);
    QCOMPARE(game.sounds, QList<Kind>{user ? Kind::userHit : Kind::computerHit});
}

void PongGameTest::smashAndItsReturn()
{
    Game game;
    game.rally();
    game.pL = 100;
    game.y = 100 + 40 - 7 + 10;
    game.x = 42;
    game.vx = -6;
    game.vy = 0;
    game.armSmash(99.8);
    game.tick(100);
    QVERIFY(game.smash);
    QCOMPARE(game.vx, 17.0);
    QCOMPARE(game.vy, 1.0);
    QCOMPARE(game.armedUntil, 0.0);
    QCOMPARE(game.sounds, QList<Kind>{Kind::smash});

    // The computer's paddle is slower while a smash flies, and sends it back at ordinary pace.
    game.pR = 0;
    game.y = 300;
    game.vy = 0;
    game.x = 400;
    game.tick(100 + frame);
    QCOMPARE(game.pR, 3.4 * 0.65);
    game.pR = 300 - 33;
    game.x = 580;
    game.tick(100 + 2 * frame);
    QVERIFY(!game.smash);
    QCOMPARE(game.vx, -6.825);
    QCOMPARE(game.sounds.last(), Kind::computerHit);
}

void PongGameTest::computerLevels_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<double>("step");  // computer paddle speed × speed factor, per frame
    QTest::newRow("easy") << 0 << 2.4 * 0.75;
    QTest::newRow("normal") << 1 << 3.4;
    QTest::newRow("hard") << 2 << 4.6 * 1.3;
    QTest::newRow("stored 3") << 3 << 6.0 * 1.6;
    QTest::newRow("above 3 plays as 3") << 7 << 6.0 * 1.6;
    QTest::newRow("below 0 plays as 0") << -2 << 2.4 * 0.75;
}

void PongGameTest::computerLevels()
{
    QFETCH(int, level);
    QFETCH(double, step);
    Prefs::shared().setPongLevel(level);
    Game game;
    game.rally();
    game.pR = 100;
    game.x = 300;
    game.y = 300;
    game.vy = 0;
    game.tick(100);
    QCOMPARE(game.pR, 100 + step);
    // and it stops on the ball's middle
    game.pR = 300 + 7 - 40 - step / 2;
    game.tick(100 + frame);
    QCOMPARE(game.pR, 300.0 + 7 - 40);
}

void PongGameTest::missBurstsAndScores()
{
    Game game;
    game.rally();
    game.pL = 0;
    game.x = 3;
    game.y = 300;
    game.vx = -4.2;
    game.vy = 0;
    game.tick(100);
    QCOMPARE(game.sR, 1);
    QCOMPARE(game.sounds, (QList<Kind>{Kind::burst, Kind::computerPoint}));
    QCOMPARE(game.scores, QStringList{QStringLiteral("0:0 · 0 · 1")});
    QCOMPARE(game.parts.size(), 14);
    QVERIFY(game.impact);
    QCOMPARE(game.impact->x, 0.0);
    QCOMPARE(game.impact->y, 307.0);
    QVERIFY(game.impact->left);
    QCOMPARE(game.hold, 100.75);
    QVERIFY(game.tail.isEmpty());
    for (const PongGame::Particle& part : game.parts) {
        QVERIFY(part.s >= 3 && part.s <= 6 && part.s == std::floor(part.s));
        QVERIFY(part.vx > 0);  // they fly back into the field
    }
    // Served towards the computer, and frozen while hidden.
    QCOMPARE(game.x, 158.0);
    game.tick(100.5);
    QCOMPARE(game.x, 158.0);
    QCOMPARE(game.y, 0.0);
    // Sparks leave after 0.9 s, the rays after 0.22 s.
    QVERIFY(!game.impact);
    game.tick(100.95);
    QVERIFY(game.parts.isEmpty());
}

void PongGameTest::quickFormat_data()
{
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<bool>("you");
    QTest::addColumn<bool>("german");
    QTest::addColumn<QString>("message");
    QTest::addColumn<Kind>("sound");
    QTest::newRow("the fifth point wins at 5:4") << 5 << 4 << true << false << "YOU WIN" << Kind::userWins;
    QTest::newRow("computer to 5") << 0 << 5 << false << false << "LU.MARA WINS" << Kind::computerWins;
    QTest::newRow("4:4 plays on") << 4 << 4 << true << false << "" << Kind::userPoint;
    QTest::newRow("computer's point") << 2 << 3 << false << false << "" << Kind::computerPoint;
    QTest::newRow("German win") << 5 << 0 << true << true << "DU GEWINNST" << Kind::userWins;
    QTest::newRow("German loss") << 1 << 5 << false << true << "LU.MARA GEWINNT" << Kind::computerWins;
}

void PongGameTest::quickFormat()
{
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(bool, you);
    QFETCH(bool, german);
    QFETCH(QString, message);
    QFETCH(Kind, sound);
    Prefs::shared().setPongFormat(0);
    Prefs::shared().setGerman(german);
    Game game;
    game.rally();
    game.sL = left;
    game.sR = right;
    game.scored(you, 100);
    QCOMPARE(game.msg, message);
    QCOMPARE(game.over.has_value(), !message.isEmpty());
    QCOMPARE(game.sounds, QList<Kind>{sound});
    QCOMPARE(game.scores, QStringList{QStringLiteral("%1 · %2").arg(left).arg(right)});
}

void PongGameTest::longFormat_data()
{
    QTest::addColumn<QList<int>>("before");  // setsL, setsR, sL, sR (the point already added)
    QTest::addColumn<bool>("you");
    QTest::addColumn<bool>("german");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("over");
    QTest::addColumn<QList<int>>("after");
    QTest::addColumn<QString>("score");
    QTest::newRow("11:10 plays on") << QList<int>{0, 0, 11, 10} << true << false << "" << false << QList<int>{0, 0, 11, 10}
                                    << "0:0 · 11 · 10";
    QTest::newRow("12:10 takes the set") << QList<int>{0, 0, 12, 10} << true << false << "SET 1 · YOU  12:10" << false
                                         << QList<int>{1, 0, 0, 0} << "1:0 · 0 · 0";
    QTest::newRow("computer takes a set") << QList<int>{1, 0, 9, 11} << false << false << "SET 2 · LU.MARA  9:11" << false
                                          << QList<int>{1, 1, 0, 0} << "1:1 · 0 · 0";
    QTest::newRow("second set wins 2:0") << QList<int>{1, 0, 11, 5} << true << false << "YOU WIN THE MATCH  2:0" << true
                                         << QList<int>{2, 0, 11, 5} << "2:0 · 11 · 5";
    QTest::newRow("third set lost 2:1") << QList<int>{1, 1, 3, 11} << false << false << "LU.MARA WINS THE MATCH  2:1"
                                        << true << QList<int>{1, 2, 3, 11} << "1:2 · 3 · 11";
    QTest::newRow("German set") << QList<int>{0, 1, 11, 7} << true << true << "SATZ 2 · DU  11:7" << false
                                << QList<int>{1, 1, 0, 0} << "1:1 · 0 · 0";
    QTest::newRow("German match won") << QList<int>{1, 1, 13, 11} << true << true << "MATCH GEWONNEN  2:1" << true
                                      << QList<int>{2, 1, 13, 11} << "2:1 · 13 · 11";
    QTest::newRow("German match lost") << QList<int>{0, 1, 0, 11} << false << true << "LU.MARA GEWINNT DAS MATCH  2:0"
                                       << true << QList<int>{0, 2, 0, 11} << "0:2 · 0 · 11";
}

void PongGameTest::longFormat()
{
    QFETCH(QList<int>, before);
    QFETCH(bool, you);
    QFETCH(bool, german);
    QFETCH(QString, message);
    QFETCH(bool, over);
    QFETCH(QList<int>, after);
    QFETCH(QString, score);
    Prefs::shared().setGerman(german);
    Game game;
    game.rally();
    game.setsL = before[0];
    game.setsR = before[1];
    game.sL = before[2];
    game.sR = before[3];
    game.x = 300;
    game.scored(you, 100);
    QCOMPARE(game.msg, message);
    QCOMPARE(game.over.has_value(), over);
    QCOMPARE((QList<int>{game.setsL, game.setsR, game.sL, game.sR}), after);
    QCOMPARE(game.scores, QStringList{score});
    const bool setEnded = !message.isEmpty();
    QCOMPARE(game.sounds, QList<Kind>{setEnded ? (you ? Kind::userWins : Kind::computerWins) : (you ? Kind::userPoint : Kind::computerPoint)});
    if (setEnded && !over) {
        QCOMPARE(game.setBreak, 102.5);
        QCOMPARE(game.x, you ? 468.0 : 158.0);  // the set's winner receives
    } else {
        QCOMPARE(game.setBreak, 0.0);
    }
}

void PongGameTest::setBreakHoldsTheBall()
{
    Game game;
    game.rally();
    game.sL = 11;
    game.sR = 2;
    game.scored(true, 100);
    const double x = game.x;
    game.tick(102.4);
    QCOMPARE(game.x, x);
    QVERIFY(!game.msg.isEmpty());
    game.tick(102.5);
    QVERIFY(game.msg.isEmpty());
    QCOMPARE(game.startT, 102.5);
}

void PongGameTest::nextMatchAfterFourSeconds()
{
    Prefs::shared().setPongFormat(0);
    Game game;
    game.rally();
    game.sL = 2;
    game.sR = 5;
    game.scored(false, 100);
    game.scores.clear();
    game.tick(103.9);
    QVERIFY(game.over);
    QCOMPARE(game.sR, 5);
    game.tick(104.01);
    QVERIFY(!game.over);
    QVERIFY(game.msg.isEmpty());
    QCOMPARE((QList<int>{game.sL, game.sR, game.setsL, game.setsR}), (QList<int>{0, 0, 0, 0}));
    QCOMPARE(game.scores, QStringList{QStringLiteral("0 · 0")});
    QCOMPARE(game.x, 158.0);
    QCOMPARE(game.startT, 104.01);
}

void PongGameTest::smashArming_data()
{
    QTest::addColumn<bool>("observer");
    QTest::addColumn<bool>("started");
    QTest::addColumn<bool>("over");
    QTest::addColumn<bool>("armed");
    QTest::newRow("in play") << false << true << false << true;
    QTest::newRow("observing") << true << true << false << false;
    QTest::newRow("no game yet") << false << false << false << false;
    QTest::newRow("match over") << false << true << true << false;
}

void PongGameTest::smashArming()
{
    QFETCH(bool, observer);
    QFETCH(bool, started);
    QFETCH(bool, over);
    QFETCH(bool, armed);
    Game game;
    if (started)
        game.rally();
    game.observer = observer;
    if (over)
        game.over = 99.0;
    game.armSmash(100);
    QCOMPARE(game.armedUntil, armed ? 100.45 : 0.0);
    if (!armed)
        return;
    // An armed smash that meets no paddle lapses after 0.45 s.
    game.x = 300;
    game.tick(100.44);
    QCOMPARE(game.armedUntil, 100.45);
    game.tick(100.45);
    QCOMPARE(game.armedUntil, 0.0);
}

void PongGameTest::readyFollowsTheLanguage()
{
    Game game;
    game.rally();
    game.resume(100);
    QCOMPARE(game.msg, QStringLiteral("READY"));
    game.scores.clear();
    Prefs::shared().setGerman(true);
    game.languageChanged();
    QCOMPARE(game.msg, QStringLiteral("BEREIT"));
    QCOMPARE(game.scores, QStringList{QStringLiteral("0:0 · 0 · 0")});
    const double x = game.x;
    game.tick(100.79);
    QCOMPARE(game.x, x);
    game.tick(100.8);
    QVERIFY(game.msg.isEmpty());

    // A message already shown keeps its language; a finished match shows no "ready".
    game.msg = QStringLiteral("SET 1 · YOU  11:9");
    game.languageChanged();
    QCOMPARE(game.msg, QStringLiteral("SET 1 · YOU  11:9"));
    game.msg = QStringLiteral("DU GEWINNST");
    game.over = 100.0;
    game.resume(101);
    QCOMPARE(game.msg, QStringLiteral("DU GEWINNST"));
}

void PongGameTest::fastBallDoesNotPassThePaddle_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<int>("level");
    QTest::addColumn<double>("stall");  // seconds since the last frame
    QTest::addColumn<bool>("user");
    QTest::addColumn<bool>("smash");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("paddleOffset");  // paddle top relative to the ball's row
    QTest::addColumn<bool>("beyond");  // one whole step would end outside the field
    QTest::addColumn<bool>("hit");
    // Widest steps the game makes: level 3, a 2000 wide field, a frame that stalled.
    QTest::newRow("user paddle, fastest ball") << 2000.0 << 3 << 0.5 << true << false << 60.0 << -33.0 << true << true;
    QTest::newRow("computer paddle, smash") << 2000.0 << 3 << 0.5 << false << true << 1890.0 << -33.0 << true << true;
    QTest::newRow("user paddle, its lower edge") << 2000.0 << 3 << 0.5 << true << false << 60.0 << 13.0 << true << true;
    QTest::newRow("fast ball beside the paddle scores") << 2000.0 << 3 << 0.5 << true << false << 60.0 << 200.0 << true << false;
    QTest::newRow("ordinary frame, ordinary hit") << 640.0 << 1 << frame << true << false << 42.0 << -33.0 << false << true;
}

void PongGameTest::fastBallDoesNotPassThePaddle()
{
    QFETCH(double, width);
    QFETCH(int, level);
    QFETCH(double, stall);
    QFETCH(bool, user);
    QFETCH(bool, smash);
    QFETCH(double, x);
    QFETCH(double, paddleOffset);
    QFETCH(bool, beyond);
    QFETCH(bool, hit);
    Prefs::shared().setPongLevel(level);
    Game game(width, width * 0.625);
    game.rally();
    game.last = 100 - stall;
    game.y = 300;
    game.vy = 0;
    game.pL = game.pR = game.y + paddleOffset;
    game.x = x;
    game.smash = smash;
    game.vx = user ? -12 : 17;
    const double step = std::min(stall, 0.032) * 60 * width / 640 * PongGame::speedFactor() * game.vx;
    QCOMPARE(user ? x + step < 0 : x + step > width - 14, beyond);

    game.tick(100);
    QCOMPARE(game.sL + game.sR, hit ? 0 : 1);
    if (hit) {
        QCOMPARE(game.x, user ? 38.0 : width - 52);
        QCOMPARE(game.y, 300.0);
        QCOMPARE(game.sounds.first(), user ? Kind::userHit : Kind::computerHit);
        QCOMPARE(game.vx, user ? std::min(std::abs(-12.0) * 1.05, 12.0) : -6.825);
    } else {
        QCOMPARE(game.sounds.first(), Kind::burst);
    }
}

void PongGameTest::observerCountsHits()
{
    Game game;
    game.observer = true;
    game.rally();
    QCOMPARE(game.scoreText(), QStringLiteral("rally 0"));
    game.x = 42;
    game.y = 200;
    game.vx = -4.2;
    game.vy = 0;
    game.tick(100);  // the paddles follow the ball
    QCOMPARE(game.sL, 1);
    QCOMPARE(game.scores, QStringList{QStringLiteral("rally 1")});
    // Out on either side: served again, nobody scores.
    game.x = 630;
    game.vx = 12;
    game.pR = 0;
    game.y = 380;
    game.tick(100 + frame);
    QCOMPARE(game.sR + game.sL, 1);
    QCOMPARE(game.x, 468.0);
    QVERIFY(!game.sounds.contains(Kind::burst));
}

QTEST_MAIN(PongGameTest)
#include "PongGameTest.moc"
