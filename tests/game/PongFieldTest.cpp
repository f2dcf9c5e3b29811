#include "core/Prefs.h"
#include "game/PongField.h"
#include "game/PongGuard.h"
#include "game/PongView.h"
#include "support/Screen.h"
#include "support/TemporaryHome.h"
#include "ui/look/Clock.h"
#include "ui/look/GroundView.h"
#include "ui/look/IconButton.h"
#include "ui/look/LUButton.h"
#include "ui/look/LogoView.h"
#include "ui/look/PlusButton.h"
#include "ui/look/Random.h"
#include "ui/look/Theme.h"

#include <QMainWindow>
#include <QTest>
#include <QWindow>

class PongFieldTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void pauseKeepsTheGameAndResumeSaysReady();
    void keys_data();
    void keys();
    void pointerMovesThePaddle_data();
    void pointerMovesThePaddle();
    void doubleClickArmsTheSmash();
    void windowClicksDuringAGame_data();
    void windowClicksDuringAGame();
    void swallowedDoubleClickArmsTheSmash();
    void pointerOutsideTheFieldMovesThePaddle();
    void drawing_data();
    void drawing();
    void tail_data();
    void tail();

private:
    TemporaryHome m_home;
    double m_now = 100;
};

namespace {

// The main window as the game meets it: logo, plus, settings and a sidebar entry beside the game
// screen, and a menu strip outside the central widget.
struct Window {
    QMainWindow main;
    GroundView* content = new GroundView;
    int logo = 0, plus = 0, settings = 0, sidebar = 0, allowed = 0, menu = 0;
    PongView* game = new PongView(content);

    Window()
    {
        main.setCentralWidget(content);
        main.setMenuWidget(new LUButton(QStringLiteral("menu"), 13, false, [this] { ++menu; }));
        auto* logoView = new LogoView([this] { ++logo; }, content);
        logoView->setGeometry(10, 10, 150, int(LogoView::heightFor(150)));
        (new PlusButton([this] { ++plus; }, content))->move(10, 80);
        (new IconButton(QStringLiteral("wrench.adjustable"), QStringLiteral("settings"), [this] { ++settings; }, content))->move(10, 140);
        auto* inButton = new LUButton(QStringLiteral("IN"), 13, false, [this] { ++sidebar; }, content);
        inButton->setGeometry(10, 200, 100, 24);
        auto* kept = new LUButton(QStringLiteral("kept"), 13, false, [this] { ++allowed; }, content);
        kept->setGeometry(10, 240, 100, 24);
        game->allowDuringGame(kept);
        game->setGeometry(200, 0, 700, 560);
        main.resize(900, 600);
    }

    // A point of a widget in the window's coordinates, as the window system reports it.
    QPoint at(const QWidget* widget, QPoint inside = {5, 5}) const { return widget->mapTo(&main, inside); }
    QWindow* handle() { return main.windowHandle(); }
};

}  // namespace

void PongFieldTest::init()
{
    Prefs& prefs = Prefs::shared();
    prefs.setPongSound(false);
    prefs.setPongLevel(1);
    prefs.setPongFormat(1);
    prefs.setGerman(false);
    prefs.setAccounts({});
    Screen::useLook(true);
    m_now = 100;
    Clock::replace([this] { return m_now; });
    Random::replace([](double low, double high) { return (low + high) / 2; });
}

void PongFieldTest::cleanup()
{
    Clock::replace({});
    Random::replace({});
}

void PongFieldTest::pauseKeepsTheGameAndResumeSaysReady()
{
    PongField field;
    field.resize(640, 400);
    field.resume();  // no game yet: a new one
    QVERIFY(field.game().hasGame);
    QVERIFY(field.running());
    QVERIFY(field.guard().installed());
    m_now = 101;
    field.tick();
    const double x = field.game().x;
    QVERIFY(x > 158);

    field.pause();
    QVERIFY(!field.running());
    QVERIFY(!field.guard().installed());
    m_now = 130;
    field.resume();
    QCOMPARE(field.game().x, x);
    QCOMPARE(field.game().msg, QStringLiteral("READY"));
    QVERIFY(field.running());
    m_now = 130.5;
    field.tick();
    QCOMPARE(field.game().x, x);  // no jump for the half minute away
    m_now = 130.81;
    field.tick();
    QVERIFY(field.game().msg.isEmpty());
}

void PongFieldTest::keys_data()
{
    QTest::addColumn<QList<int>>("held");
    QTest::addColumn<bool>("observer");
    QTest::addColumn<double>("paddle");
    QTest::newRow("down") << QList<int>{Qt::Key_Down} << false << 160.0 + 13;
    QTest::newRow("up") << QList<int>{Qt::Key_Up} << false << 160.0 - 13;
    QTest::newRow("both cancel") << QList<int>{Qt::Key_Up, Qt::Key_Down} << false << 160.0;
    QTest::newRow("observer ignores them") << QList<int>{Qt::Key_Down} << true << -1.0;
}

void PongFieldTest::keys()
{
    QFETCH(QList<int>, held);
    QFETCH(bool, observer);
    QFETCH(double, paddle);
    QWidget parent;
    PongField field(&parent);
    field.resize(640, 400);
    field.setObserver(observer);
    field.newGame();
    field.game().y = 200;  // away from the walls
    field.game().last = m_now - 1.0 / 60;
    for (const int key : held)
        QTest::keyPress(&field, Qt::Key(key));
    field.tick();
    if (paddle >= 0)
        QCOMPARE(field.game().pL, paddle);
    else
        QVERIFY(field.game().pL != 160.0);  // following the ball, not the keys

    for (const int key : held)
        QTest::keyRelease(&field, Qt::Key(key));
    QVERIFY(!field.game().upHeld && !field.game().downHeld);
    QTest::keyPress(&field, Qt::Key_Down);
    QFocusEvent focusOut(QEvent::FocusOut);
    QCoreApplication::sendEvent(&field, &focusOut);
    QVERIFY(!field.game().downHeld);

    // Space arms the smash only when one is possible, and not from a held key's repeats.
    QTest::keyPress(&field, Qt::Key_Space);
    QCOMPARE(field.game().armedUntil, observer ? 0.0 : m_now + 0.45);
    field.game().armedUntil = 0;
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QCoreApplication::sendEvent(&field, &repeat);
    QCOMPARE(field.game().armedUntil, 0.0);

    int exits = 0;
    field.onExit = [&] { ++exits; };
    QTest::keyClick(&field, Qt::Key_Escape);
    QCOMPARE(exits, 1);
}

void PongFieldTest::pointerMovesThePaddle_data()
{
    QTest::addColumn<int>("pointerY");
    QTest::addColumn<double>("paddle");
    // 640 × 400: the pointer's distance from the middle counts 1.7 times; paddle 80 long.
    QTest::newRow("middle") << 200 << 160.0;
    QTest::newRow("a little low") << 220 << 194.0;
    QTest::newRow("near the bottom edge is the bottom") << 300 << 320.0;
    QTest::newRow("near the top edge is the top") << 90 << 0.0;
}

void PongFieldTest::pointerMovesThePaddle()
{
    QFETCH(int, pointerY);
    QFETCH(double, paddle);
    PongField field;
    field.resize(640, 400);
    field.newGame();
    field.game().pL = 50;
    QMouseEvent move(QEvent::MouseMove, QPointF(300, pointerY), field.mapToGlobal(QPointF(300, pointerY)), Qt::NoButton,
        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&field, &move);
    QCOMPARE(field.game().pL, paddle);

    field.setObserver(true);
    field.game().pL = 50;
    QCoreApplication::sendEvent(&field, &move);
    QCOMPARE(field.game().pL, 50.0);
}

void PongFieldTest::doubleClickArmsTheSmash()
{
    PongField field;
    field.resize(640, 400);
    QTest::mouseDClick(&field, Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(field.game().armedUntil, 0.0);  // no game yet
    field.newGame();
    QTest::mouseDClick(&field, Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(field.game().armedUntil, m_now + 0.45);
}

void PongFieldTest::windowClicksDuringAGame_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("observer");
    QTest::addColumn<bool>("passes");
    for (const char* target : {"logo", "plus", "settings", "kept", "menu"})
        QTest::addRow("%s works during a game", target) << target << true << false << true;
    QTest::newRow("sidebar entry is swallowed") << "sidebar" << true << false << false;
    QTest::newRow("sidebar works when paused") << "sidebar" << false << false << true;
    QTest::newRow("sidebar works while observing") << "sidebar" << true << true << true;
    QTest::newRow("game screen's own controls work") << "level" << true << false << true;
}

void PongFieldTest::windowClicksDuringAGame()
{
    QFETCH(QString, target);
    QFETCH(bool, running);
    QFETCH(bool, observer);
    QFETCH(bool, passes);
    Window window;
    window.main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.main));
    window.game->start();
    window.game->field()->setObserver(observer);
    if (!running)
        window.game->pause();

    const QHash<QString, QWidget*> widgets{
        {QStringLiteral("logo"), window.content->findChild<LogoView*>()},
        {QStringLiteral("plus"), window.content->findChild<PlusButton*>()},
        {QStringLiteral("settings"), window.content->findChild<IconButton*>()},
        {QStringLiteral("menu"), window.main.menuWidget()},
        {QStringLiteral("level"), window.game->levelButtons()[0]},
    };
    QWidget* widget = widgets.value(target);
    if (!widget) {
        const QList<LUButton*> buttons = window.content->findChildren<LUButton*>(QString(), Qt::FindDirectChildrenOnly);
        widget = target == u"sidebar" ? buttons[0] : buttons[1];
    }
    QTest::mouseClick(window.handle(), Qt::LeftButton, {}, window.at(widget));

    const QHash<QString, int> fired{{QStringLiteral("logo"), window.logo}, {QStringLiteral("plus"), window.plus},
        {QStringLiteral("settings"), window.settings}, {QStringLiteral("sidebar"), window.sidebar},
        {QStringLiteral("kept"), window.allowed}, {QStringLiteral("menu"), window.menu},
        {QStringLiteral("level"), Prefs::shared().pongLevel() == 0 ? 1 : 0}};
    QCOMPARE(fired.value(target), passes ? 1 : 0);
}

void PongFieldTest::swallowedDoubleClickArmsTheSmash()
{
    Window window;
    window.main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.main));
    window.game->start();
    LUButton* sidebar = window.content->findChildren<LUButton*>(QString(), Qt::FindDirectChildrenOnly)[0];
    QTest::mouseDClick(window.handle(), Qt::LeftButton, {}, window.at(sidebar));
    QCOMPARE(window.sidebar, 0);
    QCOMPARE(window.game->field()->game().armedUntil, m_now + 0.45);

    // Over the logo it is the logo's, and arms nothing.
    window.game->field()->game().armedUntil = 0;
    QTest::mouseDClick(window.handle(), Qt::LeftButton, {}, window.at(window.content->findChild<LogoView*>()));
    QVERIFY(window.logo >= 1);
    QCOMPARE(window.game->field()->game().armedUntil, 0.0);
}

void PongFieldTest::pointerOutsideTheFieldMovesThePaddle()
{
    Window window;
    window.main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.main));
    window.game->start();
    PongField* field = window.game->field();
    const double h = field->game().H();
    const double length = field->game().paddleLength();
    // Over the sidebar, level with a point a little above the field's middle.
    const QPoint fieldMiddle = field->mapTo(&window.main, QPoint(0, int(h / 2)));
    QTest::mouseMove(window.handle(), QPoint(20, fieldMiddle.y() - 20));
    QCOMPARE(field->game().pL, std::clamp(h / 2 - 20 * 1.7 - length / 2, 0.0, h - length));
}

void PongFieldTest::drawing_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<qreal>("ratio");
    for (const bool dark : {true, false})
        for (const qreal ratio : {1.0, 2.0})
            QTest::addRow("%s @%gx", dark ? "dark" : "light", ratio) << dark << ratio;
}

void PongFieldTest::drawing()
{
    QFETCH(bool, dark);
    QFETCH(qreal, ratio);
    Screen::useLook(dark);
    PongField field;
    field.resize(640, 400);
    field.newGame();
    PongGame& game = field.game();
    game.pL = 100;
    game.pR = 250;
    game.x = 300;
    game.y = 120;
    game.sL = 3;
    QImage image = Screen::render(field, ratio);

    QVERIFY(Screen::isInk(Screen::pixel(image, {31, 140})));    // the user's paddle
    QVERIFY(Screen::isGround(Screen::pixel(image, {31, 90})));  // above it
    QVERIFY(Screen::isInk(Screen::pixel(image, {609, 320})));   // the computer's
    QVERIFY(Screen::isInk(Screen::pixel(image, {307, 127})));   // the ball
    QVERIFY(Screen::isGround(Screen::pixel(image, {307, 140})));
    // The net: 6 on, 12 off down the middle, from y 6 (a column wholly inside its 1.5 width at 2x).
    if (ratio == 2)
        QCOMPARE(Screen::inkRunsInColumn(image, 640).mid(0, 4), (QList<int>{0, 12, 12, 24}));
    // The user's score ends 34 left of the middle.
    QImage scores = image.copy(QRect(QPoint(int(200 * ratio), int(18 * ratio)), QSize(int(110 * ratio), int(50 * ratio))));
    int rightmost = -1;
    for (int x = 0; x < scores.width(); ++x)
        for (int y = 0; y < scores.height(); ++y)
            if (Screen::isInk(scores.pixelColor(x, y)))
                rightmost = x;
    QVERIFY2(rightmost > int(76 * ratio) && rightmost < int(86 * ratio), qPrintable(QString::number(rightmost)));

    // A message: ground letters on an ink box in the middle; the ball hides while held.
    game.msg = QStringLiteral("READY");
    game.hold = m_now + 1;
    image = Screen::render(field, ratio);
    QVERIFY(Screen::isInk(Screen::pixel(image, {320 - 40, 201})));
    QVERIFY(Screen::isGround(Screen::pixel(image, {307, 127})));
    int letters = 0;
    for (int x = int(285 * ratio); x < int(355 * ratio); ++x)
        letters += Screen::isGround(image.pixelColor(x, int(200 * ratio))) ? 1 : 0;
    QVERIFY(letters > 0);
}

void PongFieldTest::tail_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<int>("accounts");
    QTest::addColumn<bool>("coloured");
    QTest::newRow("dark with accounts") << true << 2 << true;
    QTest::newRow("light with accounts") << false << 2 << false;
    QTest::newRow("dark without accounts") << true << 0 << false;
}

void PongFieldTest::tail()
{
    QFETCH(bool, dark);
    QFETCH(int, accounts);
    QFETCH(bool, coloured);
    Screen::useLook(dark);
    QList<Account> list;
    for (int i = 0; i < accounts; ++i)
        list << Account::preset(QStringLiteral("user%1@example.org").arg(i));
    Prefs::shared().setAccounts(list);
    PongField field;
    field.resize(640, 400);
    field.newGame();
    PongGame& game = field.game();
    game.x = 400;
    game.y = 200;
    for (int i = 0; i < 40; ++i)
        game.tail << QPointF(400 - 5 * i, 200);
    const QImage image = Screen::render(field, 1);
    // Behind the ball: the newest colour is the first account's, the oldest the last one's.
    const QColor near = Screen::pixel(image, {400 - 10 + 7, 207});
    const QColor far = Screen::pixel(image, {400 - 190 + 7, 207});
    if (coloured) {
        const QColor first = Theme::pastel(0);
        QVERIFY2(std::abs(near.red() - first.red()) + std::abs(near.green() - first.green()) + std::abs(near.blue() - first.blue()) < 16,
            qPrintable(near.name()));
        QVERIFY(!Screen::isGround(far));
        QVERIFY(near.hue() != far.hue());
    } else {
        QVERIFY(Screen::isGround(near));
        QVERIFY(Screen::isGround(far));
    }
}

QTEST_MAIN(PongFieldTest)
#include "PongFieldTest.moc"
