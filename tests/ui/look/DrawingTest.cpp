#include "support/Screen.h"
#include "support/TemporaryHome.h"
#include "ui/look/DashedLine.h"
#include "ui/look/IconButton.h"
#include "ui/look/LULabel.h"
#include "ui/look/LUScroller.h"
#include "ui/look/LogoView.h"
#include "ui/look/PlusButton.h"
#include "ui/look/SpreadButton.h"
#include "ui/look/Theme.h"

#include <QTest>

class DrawingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dashedLine_data();
    void dashedLine();
    void hairlineIsOneDevicePixel_data();
    void hairlineIsOneDevicePixel();
    void cropMarks();
    void spreadButton_data();
    void spreadButton();
    void faintLabelSpacing_data();
    void faintLabelSpacing();
    void pastel_data();
    void pastel();
    void unknownIconIsTheGear();
    void pressFiresOnMouseDown();
    void logoBars();
    void scrollerKnob_data();
    void scrollerKnob();

private:
    TemporaryHome m_home;
};

void DrawingTest::dashedLine_data()
{
    QTest::addColumn<bool>("subtle");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QList<int>>("runs");  // ink, gap, ink, gap… along the line
    QTest::newRow("dashed @1x") << false << 1.0 << QList<int>{3, 3, 3, 3};
    QTest::newRow("dashed @2x") << false << 2.0 << QList<int>{6, 6, 6, 6};
    // Half a pixel wide at 2x is one full device pixel: 1.5 on, 6 off.
    QTest::newRow("subtle @2x") << true << 2.0 << QList<int>{3, 12, 3, 12};
}

void DrawingTest::dashedLine()
{
    QFETCH(bool, subtle);
    QFETCH(qreal, ratio);
    QFETCH(QList<int>, runs);
    for (const bool dark : {true, false}) {
        Screen::useLook(dark);
        DashedLine line;
        line.subtle = subtle;
        line.resize(60, 1);
        const QImage image = Screen::render(line, ratio);
        // The subtle line is thinner than a pixel: it counts as drawn wherever it marks the ground.
        const QList<int> found = subtle ? Screen::markRunsInRow(image, image.height() / 2) : Screen::inkRunsInRow(image, image.height() / 2);
        QCOMPARE(found.mid(0, runs.size()), runs);
    }
}

void DrawingTest::hairlineIsOneDevicePixel_data()
{
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("horizontal @2x") << false << 2.0;
    QTest::newRow("vertical @2x") << true << 2.0;
    QTest::newRow("horizontal @1x") << false << 1.0;
}

void DrawingTest::hairlineIsOneDevicePixel()
{
    QFETCH(bool, vertical);
    QFETCH(qreal, ratio);
    Screen::useLook(true);
    DashedLine line(vertical);
    line.hairline = true;
    line.resize(vertical ? QSize(4, 20) : QSize(20, 4));
    const QImage image = Screen::render(line, ratio);
    // Across the line: exactly one device pixel of ink, in the middle.
    const QList<int> across = vertical ? Screen::inkRunsInRow(image, image.height() / 2)
                                       : Screen::inkRunsInColumn(image, image.width() / 2);
    QCOMPARE(across.size(), 4);
    QCOMPARE(across[2], 1);
    QVERIFY(std::abs(across[1] - 2 * ratio) <= 1);
}

void DrawingTest::cropMarks()
{
    Screen::useLook(false);
    DashedLine line;
    line.marks = true;
    line.resize(100, 9);
    const QImage image = Screen::render(line);
    // Two bars of 24 at y = round(4.5 - 0.5), one from each end, nothing elsewhere.
    QCOMPARE(Screen::inkRunsInRow(image, 4), (QList<int>{24, 52, 24}));
    QCOMPARE(Screen::inkPixels(image), 48);

    DashedLine shortLine(true);
    shortLine.marks = true;
    shortLine.resize(3, 30);
    const QImage vertical = Screen::render(shortLine);
    // Each bar is half the height when that is less than 24: the two meet.
    QCOMPARE(Screen::inkRunsInColumn(vertical, 1), (QList<int>{30}));
}

void DrawingTest::spreadButton_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("two letters") << "ab" << true;
    QTest::newRow("one letter") << "a" << false;
    QTest::newRow("nothing") << "" << false;
}

void DrawingTest::spreadButton()
{
    QFETCH(QString, text);
    QFETCH(bool, drawn);
    Screen::useLook(true);
    SpreadButton button(text);
    button.resize(100, 14);
    const QImage image = Screen::render(button);
    QCOMPARE(Screen::markedPixels(image) > 0, drawn);
    if (!drawn)
        return;
    // "a" at the left edge, "b" ending at the right edge: all free width between them.
    const qreal natural = QFontMetricsF(Theme::font(9)).horizontalAdvance(text);
    QCOMPARE(button.letterSpacing(100), 100 - natural);
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!Screen::isGround(image.pixelColor(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    QVERIFY2(left <= 2, qPrintable(QString::number(left)));
    QVERIFY2(right >= 94, qPrintable(QString::number(right)));
    for (int y = 0; y < 14; ++y)
        QVERIFY(Screen::isGround(Screen::pixel(image, {50, qreal(y)})));
}

void DrawingTest::faintLabelSpacing_data()
{
    QTest::addColumn<bool>("faint");
    QTest::addColumn<qreal>("spacing");
    QTest::addColumn<qreal>("shown");
    QTest::newRow("faint 1.5 draws 3") << true << 1.5 << 3.0;
    QTest::newRow("faint 3 stays 3") << true << 3.0 << 3.0;
    QTest::newRow("faint 4 stays 4") << true << 4.0 << 4.0;
    QTest::newRow("plain 1.5 stays") << false << 1.5 << 1.5;
}

void DrawingTest::faintLabelSpacing()
{
    QFETCH(bool, faint);
    QFETCH(qreal, spacing);
    QFETCH(qreal, shown);
    LULabel label(QStringLiteral("esc goes back"), 10, true, spacing);
    label.setFaint(faint);
    QCOMPARE(label.font().letterSpacing(), shown);
    QCOMPARE(label.font().weight(), faint ? QFont::ExtraLight : QFont::Normal);
    // The spacing widens the text as drawn.
    LULabel plain(QStringLiteral("esc goes back"), 10);
    QVERIFY(label.sizeHint().width() > plain.sizeHint().width() + 10 * (shown - 1));
}

void DrawingTest::pastel_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("slot");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("5") << 5 << 5;
    QTest::newRow("6 wraps to 0") << 6 << 0;
    QTest::newRow("-1 wraps to 5") << -1 << 5;
    QTest::newRow("-7 wraps to 5") << -7 << 5;
    QTest::newRow("int min") << std::numeric_limits<int>::min() << ((std::numeric_limits<int>::min() % 6) + 6) % 6;
}

void DrawingTest::pastel()
{
    QFETCH(int, index);
    QFETCH(int, slot);
    Screen::useLook(true);
    QCOMPARE(Theme::pastel(index), Theme::pastels[size_t(slot)]);
    Screen::useLook(false);
    QCOMPARE(Theme::pastel(index), Theme::pastelsLight[size_t(slot)]);
    QVERIFY(Theme::pastels[size_t(slot)] != Theme::pastelsLight[size_t(slot)]);
}

void DrawingTest::unknownIconIsTheGear()
{
    Screen::useLook(true);
    IconButton gear(QStringLiteral("gearshape"), QStringLiteral("settings"));
    IconButton unknown(QStringLiteral("no.such.symbol"), QStringLiteral("settings"));
    IconButton wrench(QStringLiteral("wrench.adjustable"), QStringLiteral("settings"));
    QCOMPARE(IconButton::iconPath(QStringLiteral("no.such.symbol")), IconButton::iconPath(QStringLiteral("gearshape")));
    for (const qreal ratio : {1.0, 2.0}) {
        const QImage gearImage = Screen::render(gear, ratio);
        QVERIFY(Screen::inkPixels(gearImage) > 20 * ratio * ratio);
        QCOMPARE(Screen::render(unknown, ratio), gearImage);
        QVERIFY(Screen::render(wrench, ratio) != gearImage);
    }
    QCOMPARE(gear.size(), QSize(32, 32));
}

void DrawingTest::pressFiresOnMouseDown()
{
    int logo = 0, plus = 0, spread = 0, emptySpread = 0;
    LogoView logoView([&] { ++logo; });
    PlusButton plusButton([&] { ++plus; });
    SpreadButton spreadButton(QStringLiteral("play"), 9, [&] { ++spread; });
    SpreadButton empty(QString(), 9, [&] { ++emptySpread; });
    for (QWidget* widget : std::initializer_list<QWidget*>{&logoView, &plusButton, &spreadButton, &empty}) {
        widget->resize(60, 20);
        QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(5, 5));
    }
    QCOMPARE((QList<int>{logo, plus, spread, emptySpread}), (QList<int>{1, 1, 1, 0}));
    QCOMPARE(QAccessible::queryAccessibleInterface(&logoView)->text(QAccessible::Name), QStringLiteral("LU.MARA"));
    QCOMPARE(QAccessible::queryAccessibleInterface(&plusButton)->text(QAccessible::Name), QStringLiteral("new mail"));
}

void DrawingTest::logoBars()
{
    Screen::useLook(false);
    LogoView logo;
    logo.resize(2559 / 10, int(LogoView::heightFor(255.9)));
    const QImage image = Screen::render(logo);
    // Left bar 0–17.1, square 63.1–80.2 (17.1 high), right bar 238.8–255.9, all 97.4 high.
    const auto inkAt = [&](qreal x, qreal y) { return Screen::isInk(Screen::pixel(image, {x, y})); };
    QVERIFY(inkAt(1, 5) && inkAt(16, 96) && inkAt(64, 1) && inkAt(79, 16) && inkAt(240, 5) && inkAt(254, 96));
    QVERIFY(!inkAt(18, 5) && !inkAt(62, 5) && !inkAt(70, 18) && !inkAt(81, 5) && !inkAt(237, 5) && !inkAt(150, 50));

    PlusButton plusButton({});
    plusButton.resize(plusButton.sizeHint());
    const QImage cross = Screen::render(plusButton);
    // The bars cross at 29.497 … 42.06.
    QVERIFY(Screen::isInk(Screen::pixel(cross, {35, 2})));
    QVERIFY(Screen::isInk(Screen::pixel(cross, {2, 35})));
    QVERIFY(!Screen::isInk(Screen::pixel(cross, {10, 10})));
    QVERIFY(!Screen::isInk(Screen::pixel(cross, {28.5, 2})));
}

void DrawingTest::scrollerKnob_data()
{
    QTest::addColumn<QRectF>("knobArea");
    QTest::addColumn<QRectF>("bar");
    QTest::newRow("tall") << QRectF(0, 10, 12, 40) << QRectF(5, 12, 4, 36);
    QTest::newRow("four high has nothing left") << QRectF(0, 10, 12, 4) << QRectF();
}

void DrawingTest::scrollerKnob()
{
    QFETCH(QRectF, knobArea);
    QTEST(LUScroller::knobBar(knobArea), "bar");
}

QTEST_MAIN(DrawingTest)
#include "DrawingTest.moc"
