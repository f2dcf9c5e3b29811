#include "core/Prefs.h"
#include "game/FlowView.h"
#include "game/PongField.h"
#include "game/PongView.h"
#include "support/Screen.h"
#include "support/TemporaryHome.h"
#include "ui/look/Clock.h"
#include "ui/look/LUButton.h"
#include "ui/look/LULabel.h"

#include <QTest>

class PongViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void storedChoicesAreShown_data();
    void storedChoicesAreShown();
    void choicesWhileObserving_data();
    void choicesWhileObserving();
    void headerStartsANewGameWithTheUser();
    void scoreLine();
    void flowLayout_data();
    void flowLayout();
    void screenLayout_data();
    void screenLayout();
    void languageSwitch();

private:
    TemporaryHome m_home;
    double m_now = 100;
};

namespace {

class Block : public QWidget {
public:
    Block(int width, int height = 20)
        : m_size(width, height)
    {
    }
    QSize sizeHint() const override { return m_size; }

private:
    QSize m_size;
};

QStringList titles(const QList<LUButton*>& buttons)
{
    QStringList result;
    for (const LUButton* button : buttons)
        result << button->title();
    return result;
}

QList<bool> selection(const QList<LUButton*>& buttons)
{
    QList<bool> result;
    for (const LUButton* button : buttons)
        result << button->selected();
    return result;
}

}  // namespace

void PongViewTest::init()
{
    Prefs& prefs = Prefs::shared();
    prefs.setPongSound(false);
    prefs.setPongLevel(1);
    prefs.setPongFormat(1);
    Screen::useLanguage(false);
    m_now = 100;
    Clock::replace([this] { return m_now; });
}

void PongViewTest::cleanup()
{
    Clock::replace({});
}

void PongViewTest::storedChoicesAreShown_data()
{
    QTest::addColumn<int>("storedLevel");
    QTest::addColumn<int>("storedFormat");
    QTest::addColumn<int>("level");
    QTest::addColumn<QList<bool>>("levels");
    QTest::addColumn<QList<bool>>("formats");
    QTest::addColumn<QString>("infoStart");
    QTest::newRow("normal, long") << 1 << 1 << 1 << QList<bool>{false, true, false} << QList<bool>{false, true} << "long: best of 3";
    QTest::newRow("level 3 reads as hard") << 3 << 0 << 2 << QList<bool>{false, false, true} << QList<bool>{true, false}
                                           << "quick: first to 5";
    QTest::newRow("below easy reads as easy") << -1 << 1 << 0 << QList<bool>{true, false, false} << QList<bool>{false, true}
                                              << "long: best of 3";
    // The rules play any format but 1 as quick, and the screen says so.
    QTest::newRow("unknown format reads as quick") << 2 << 5 << 2 << QList<bool>{false, false, true}
                                                   << QList<bool>{true, false} << "quick: first to 5";
}

void PongViewTest::storedChoicesAreShown()
{
    QFETCH(int, storedLevel);
    QFETCH(int, storedFormat);
    QFETCH(int, level);
    QFETCH(QList<bool>, levels);
    QFETCH(QList<bool>, formats);
    QFETCH(QString, infoStart);
    Prefs::shared().setPongLevel(storedLevel);
    Prefs::shared().setPongFormat(storedFormat);
    PongView view;
    QCOMPARE(Prefs::shared().pongLevel(), level);
    QCOMPARE(selection(view.levelButtons()), levels);
    QCOMPARE(selection(view.formatButtons()), formats);
    QVERIFY2(view.info()->raw().startsWith(infoStart), qPrintable(view.info()->raw()));
    QCOMPARE(titles(view.levelButtons()), (QStringList{"easy", "normal", "hard"}));
    QCOMPARE(titles(view.formatButtons()), (QStringList{"quick", "long"}));
}

void PongViewTest::choicesWhileObserving_data()
{
    QTest::addColumn<QString>("choice");
    QTest::addColumn<bool>("stillObserving");
    QTest::newRow("a format ends observing") << "format" << false;
    QTest::newRow("a level keeps observing") << "level" << true;
    QTest::newRow("observer again ends it") << "observer" << false;
}

void PongViewTest::choicesWhileObserving()
{
    QFETCH(QString, choice);
    QFETCH(bool, stillObserving);
    PongView view;
    view.resize(1000, 700);
    view.start();
    view.observerButton()->press();
    QVERIFY(view.field()->observer());
    QVERIFY(view.observerButton()->selected());
    view.field()->game().sL = 4;  // a rally under way

    if (choice == u"format")
        view.formatButtons()[0]->press();
    else if (choice == u"level")
        view.levelButtons()[2]->press();
    else
        view.observerButton()->press();
    QCOMPARE(view.field()->observer(), stillObserving);
    QCOMPARE(view.observerButton()->selected(), stillObserving);
    QCOMPARE(view.field()->game().sL, 0);  // a new game
    QVERIFY(view.field()->running());
    if (choice == u"format") {
        QCOMPARE(Prefs::shared().pongFormat(), 0);
        QCOMPARE(selection(view.formatButtons()), (QList<bool>{true, false}));
        QVERIFY(view.info()->raw().startsWith(u"quick"));
    }
    if (choice == u"level") {
        QCOMPARE(Prefs::shared().pongLevel(), 2);
        QCOMPARE(selection(view.levelButtons()), (QList<bool>{false, false, true}));
    }
}

void PongViewTest::headerStartsANewGameWithTheUser()
{
    PongView view;
    view.resize(1000, 700);
    view.start();
    view.observerButton()->press();
    view.field()->game().sR = 3;
    view.pause();
    view.headerButton()->press();
    QVERIFY(!view.field()->observer());
    QVERIFY(!view.observerButton()->selected());
    QCOMPARE(view.field()->game().sR, 0);
    QVERIFY(view.field()->running());
    QCOMPARE(view.scoreLabel()->raw(), QStringLiteral("0:0 · 0 · 0"));
}

void PongViewTest::scoreLine()
{
    Prefs::shared().setPongFormat(0);
    PongView view;
    view.resize(1000, 700);
    QCOMPARE(view.scoreLabel()->raw(), QStringLiteral("0 · 0"));
    view.start();
    PongGame& game = view.field()->game();
    game.sL = 10;
    game.scored(true, m_now);
    QCOMPARE(view.scoreLabel()->raw(), QStringLiteral("10 · 0"));
    // On one line the score ends at the bar's right edge, also when it grows.
    const QRect score = view.scoreLabel()->geometry();
    QCOMPARE(score.right() + 1, view.bar()->width());
    QCOMPARE(score.width(), view.scoreLabel()->sizeHint().width());
}

void PongViewTest::flowLayout_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<int>>("xs");
    QTest::addColumn<QList<int>>("ys");
    QTest::addColumn<int>("height");
    // Groups [60] [10] [40 40 40] [10] [50]: natural width 250 + 2 × 14 + 4 × 18 = 350.
    QTest::newRow("wide: justified edge to edge") << 450 << QList<int>{0, 103, 156, 210, 264, 347, 400}
                                                  << QList<int>(7, 0) << 20;
    QTest::newRow("natural width") << 350 << QList<int>{0, 78, 106, 160, 214, 272, 300} << QList<int>(7, 0) << 20;
    QTest::newRow("narrower: gaps shrink") << 300 << QList<int>{0, 69, 88, 135, 182, 231, 250} << QList<int>(7, 0) << 20;
    QTest::newRow("gaps at their least, a group wraps") << 270 << QList<int>{0, 68, 86, 132, 178, 226, 0}
                                                        << QList<int>{0, 0, 0, 0, 0, 0, 30} << 50;
    QTest::newRow("groups wrap whole") << 150 << QList<int>{0, 68, 0, 46, 92, 140, 0} << QList<int>{0, 0, 30, 30, 30, 30, 60}
                                       << 80;
    QTest::newRow("a group wider than the line wraps its items") << 100 << QList<int>{0, 68, 0, 46, 0, 48, 0}
                                                                 << QList<int>{0, 0, 30, 30, 60, 60, 90} << 110;
}

void PongViewTest::flowLayout()
{
    QFETCH(int, width);
    QFETCH(QList<int>, xs);
    QFETCH(QList<int>, ys);
    QFETCH(int, height);
    FlowView flow;
    QList<QWidget*> items{new Block(60), new Block(10), new Block(40), new Block(40), new Block(40), new Block(10), new Block(50)};
    flow.setGroups({{items[0]}, {items[1]}, {items[2], items[3], items[4]}, {items[5]}, {items[6]}});
    flow.resize(width, 200);
    flow.relayout();
    QList<int> placedX, placedY;
    for (const QWidget* item : items) {
        placedX << item->x();
        placedY << item->y();
        QCOMPARE(item->size(), item->sizeHint());
    }
    QCOMPARE(placedX, xs);
    QCOMPARE(placedY, ys);
    QCOMPARE(flow.heightForWidth(width), height);
    QCOMPARE(flow.sizeHint().height(), height);
}

void PongViewTest::screenLayout_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("fieldGivesWay");
    QTest::newRow("roomy") << QSize(1000, 700) << false;
    QTest::newRow("short: the field gives way") << QSize(1000, 100) << true;
}

void PongViewTest::screenLayout()
{
    QFETCH(QSize, size);
    QFETCH(bool, fieldGivesWay);
    PongView view;
    view.resize(size);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QRect bar = view.bar()->geometry();
    const QRect field = view.field()->geometry();
    const QRect info = view.info()->geometry();
    QCOMPARE(bar.topLeft(), QPoint(44, 26));
    QCOMPARE(bar.width(), size.width() - 80);
    QCOMPARE(field.x(), 44);
    QCOMPARE(field.width(), size.width() - 80);
    QCOMPARE(field.top(), bar.bottom() + 1 + 16);
    QCOMPARE(info.top(), field.bottom() + 1 + 16);
    QCOMPARE(info.height(), view.info()->heightForWidth(size.width() - 80));
    if (fieldGivesWay)
        QCOMPARE(field.height(), 0);
    else
        QCOMPARE(info.bottom() + 1 + 18, size.height());
    // All nine groups on one line in a wide window.
    if (!fieldGivesWay)
        QCOMPARE(bar.height(), view.headerButton()->height());
}

void PongViewTest::languageSwitch()
{
    PongView view;
    view.resize(1000, 700);
    view.start();
    PongGame& game = view.field()->game();
    game.sL = 7;
    game.sR = 5;
    view.pause();
    view.resume();
    QCOMPARE(game.msg, QStringLiteral("READY"));

    Screen::useLanguage(true);
    QCOMPARE(titles(view.levelButtons()), (QStringList{"leicht", "normal", "schwer"}));
    QCOMPARE(titles(view.formatButtons()), (QStringList{"kurz", "lang"}));
    QCOMPARE(view.observerButton()->title(), QStringLiteral("zuschauen"));
    QCOMPARE(view.observerButton()->accessibleTitle(), QStringLiteral("zuschauen"));
    QVERIFY(view.info()->raw().startsWith(u"lang: 2 gewinnsätze"));
    QVERIFY(view.info()->raw().contains(u"logo klicken, um zur mail zurückzukehren"));
    QCOMPARE(game.msg, QStringLiteral("BEREIT"));
    QCOMPARE(view.scoreLabel()->raw(), QStringLiteral("0:0 · 7 · 5"));

    Screen::useLanguage(false);
    QCOMPARE(titles(view.levelButtons()), (QStringList{"easy", "normal", "hard"}));
    QCOMPARE(game.msg, QStringLiteral("READY"));
    QVERIFY(view.info()->raw().endsWith(u"click the logo to go back to your mail"));
}

QTEST_MAIN(PongViewTest)
#include "PongViewTest.moc"
