#include "ListFixture.h"
#include "core/Prefs.h"
#include "support/Screen.h"
#include "support/TemporaryHome.h"
#include "ui/list/MailColumns.h"
#include "ui/list/MailListView.h"
#include "ui/list/MailRowView.h"
#include "ui/list/MailTable.h"
#include "ui/list/NetHandle.h"
#include "ui/list/Rally.h"
#include "ui/look/Clock.h"
#include "ui/look/ReduceMotion.h"

#include <QTest>

using namespace ListFixture;

// What a row shows and where: the columns and their handles, the date texts, the marks and the
// open row's court, rendered and read back pixel by pixel.
class MailRowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void columns_data();
    void columns();
    void handlesFollowTheColumns_data();
    void handlesFollowTheColumns();
    void draggingTheNetStopsNinetyFromEitherSide();
    void dateTexts();
    void marks_data();
    void marks();
    void openRowCourt_data();
    void openRowCourt();

private:
    TemporaryHome m_home;
    double m_now = 100;
};

void MailRowTest::initTestCase()
{
    Clock::replace([this] { return m_now; });
}

void MailRowTest::init()
{
    Prefs::shared().setNetRatio(0);
    ReduceMotion::replace(false);
}

void MailRowTest::columns_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<double>("subjectWidth");
    QTest::addColumn<double>("senderWidth");  // -1: whatever is left

    const double inner = 1000 - MailColumns::margins;
    QTest::newRow("the stored ratio") << 1000.0 << 0.6 << std::round(inner * 0.6) - 16 << -1.0;
    QTest::newRow("no ratio stored means 0.6") << 1000.0 << 0.0 << std::round(inner * 0.6) - 16 << -1.0;
    QTest::newRow("net far right: the sender keeps 90") << 1000.0 << 0.99 << -1.0 << 90.0;
    QTest::newRow("net far left: 90 from the margin") << 1000.0 << 0.01 << 74.0 << -1.0;
    QTest::newRow("narrow: both limits meet at 90") << 320.0 << 0.6 << 74.0 << -1.0;
    QTest::newRow("narrower still: half each, no sender") << 150.0 << 0.6 << (150 - MailColumns::margins) / 2 - 16 << 0.0;
}

void MailRowTest::columns()
{
    QFETCH(double, width);
    QFETCH(double, ratio);
    QFETCH(double, subjectWidth);
    QFETCH(double, senderWidth);
    Prefs::shared().setNetRatio(ratio);
    const double date = MailRowView::dateColumn();
    const MailColumns c = MailColumns::forWidth(width, date, Prefs::shared().netRatio());
    if (subjectWidth >= 0)
        QCOMPARE(c.subjectWidth, subjectWidth);
    if (senderWidth >= 0)
        QVERIFY2(qAbs(c.senderWidth - senderWidth) < 1e-9, qPrintable(QString::number(c.senderWidth)));
    // The sender lies between subject and date, and the date ends at the right margin.
    QCOMPARE(c.subjectX, MailColumns::margin);
    QCOMPARE(c.senderX, c.subjectX + c.subjectWidth + 32);
    QVERIFY(c.senderWidth == 0 || c.senderX + c.senderWidth + 32 <= c.dateX + 1e-9);
    QCOMPARE(c.dateX + date, width - MailColumns::margin);
    QCOMPARE(c.dateWidth, date + 2);
}

void MailRowTest::handlesFollowTheColumns_data()
{
    QTest::addColumn<int>("listWidth");
    QTest::addColumn<int>("mails");
    QTest::addColumn<bool>("shown");
    // The table is the list less 16 each side; handles need 220 between the margins.
    QTest::newRow("wide list") << 1043 << 3 << true;
    QTest::newRow("just wide enough") << 342 << 3 << true;
    QTest::newRow("too narrow") << 340 << 3 << false;
    QTest::newRow("no mails") << 1043 << 0 << false;
}

void MailRowTest::handlesFollowTheColumns()
{
    QFETCH(int, listWidth);
    QFETCH(int, mails);
    QFETCH(bool, shown);
    std::vector<MailItem> items;
    for (int i = 0; i < mails; ++i)
        items.push_back(received(QStringLiteral("h%1").arg(i), i));
    resetStore(items);
    MailListView list;
    list.resize(listWidth, 600);
    list.show();
    list.configure(0);
    auto* net = list.findChild<NetHandle*>(QStringLiteral("net"));
    auto* date = list.findChild<NetHandle*>(QStringLiteral("dateNet"));
    QCOMPARE(net->isVisible(), shown);
    QCOMPARE(date->isVisible(), shown);
    const QRect table = list.table()->geometry();
    const MailColumns c = list.table()->columns();
    QCOMPARE(net->geometry(), QRect(int(std::round(16 + MailColumns::margin + c.net - 6)), 24, 12, table.height()));
    QCOMPARE(date->x(), int(std::round(16 + table.width() - MailColumns::margin - MailRowView::dateColumn() - 16 - 6)));
    QVERIFY(net->draggable());
    QVERIFY(!date->draggable() && date->testAttribute(Qt::WA_TransparentForMouseEvents));
}

void MailRowTest::draggingTheNetStopsNinetyFromEitherSide()
{
    resetStore({received(QStringLiteral("d"), 1)});
    MailListView list;
    list.resize(1043, 600);
    list.show();
    list.configure(0);
    auto* net = list.findChild<NetHandle*>(QStringLiteral("net"));
    const auto drag = [&](int dx) {
        const QPoint middle(6, 100);
        QTest::mousePress(net, Qt::LeftButton, {}, middle);
        QTest::mouseMove(net, middle + QPoint(dx / 2, 0));
        QTest::mouseMove(net, middle + QPoint(dx, 0));
        QTest::mouseRelease(net, Qt::LeftButton, {}, middle + QPoint(dx, 0));
    };
    const double before = list.table()->columns().net;
    drag(40);
    QCOMPARE(list.table()->columns().net, before + 40);
    QCOMPARE(net->x(), int(std::round(16 + MailColumns::margin + before + 40 - 6)));
    drag(2000);
    QVERIFY(qAbs(list.table()->columns().senderWidth - 90) < 0.5);
    drag(-4000);
    QVERIFY(qAbs(list.table()->columns().net - 90) < 0.5);
}

void MailRowTest::dateTexts()
{
    const QDate today = QDate::currentDate();
    const QDateTime noon(today, QTime(12, 34, 56));
    QCOMPARE(MailRowView::dateText(noon, today), QStringLiteral("12:34:56"));
    QCOMPARE(MailRowView::dateText(noon.addDays(-1), today), noon.addDays(-1).toString(QStringLiteral("dd.MM.yy")));
    QCOMPARE(MailRowView::dateText(QDateTime(QDate(1999, 12, 31), QTime(23, 59), Qt::LocalTime), today), QStringLiteral("31.12.99"));
    // Both forms are as wide as "00:00:00" in the row font: the column fits any list unmeasured.
    QCOMPARE(MailRowView::dateColumn(), std::ceil(MailRowView::width(QStringLiteral("00:00:00"))));
    for (const QString& text : {QStringLiteral("31.12.99"), QStringLiteral("23:59:59"), QStringLiteral("11.11.11")})
        QVERIFY(MailRowView::width(text) <= MailRowView::dateColumn());
}

namespace {

std::unique_ptr<MailTable> shownTable(const std::vector<MailItem>& mails, int width = 700)
{
    auto table = std::make_unique<MailTable>();
    std::vector<int> rows(mails.size());
    std::iota(rows.begin(), rows.end(), 0);
    table->setItems(MailList(std::make_shared<const std::vector<MailItem>>(mails), rows));
    table->resize(width, 400);
    table->show();
    return table;
}

// How much of the unread mark's square at this row top is ink, from 0 to 1.
double markCover(const QImage& image, double rowTop)
{
    const double m = MailColumns::mark, y = rowTop + (32 - 17) / 2.0 + 1.718640093786635;
    int ink = 0, all = 0;
    for (double py = y + 1; py < y + m - 1; py += 1)
        for (double px = 9; px < 8 + m - 1; px += 1, ++all)
            ink += Screen::isInk(Screen::pixel(image, {px, py}));
    return double(ink) / all;
}

}  // namespace

void MailRowTest::marks_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("light, ratio 1") << false << 1.0;
    QTest::newRow("dark, ratio 2") << true << 2.0;
}

// Row 0 is open (selected); rows 1 to 3 are ordinary: unread, read, and a mail with hints.
void MailRowTest::marks()
{
    QFETCH(bool, dark);
    QFETCH(qreal, ratio);
    Screen::useLook(dark);
    const std::vector<MailItem> mails{received(QStringLiteral("top"), 0, true), received(QStringLiteral("unread"), 1),
        received(QStringLiteral("read"), 2, true), hinted(QStringLiteral("hinted"), 3)};
    resetStore(mails);
    auto table = shownTable(mails);
    table->restoring = true;
    table->selectRow(0);
    const QImage image = Screen::render(*table, ratio);
    QVERIFY(markCover(image, 128) > 0.95);       // unread: a full square
    QCOMPARE(markCover(image, 160), 0.0);        // read: nothing
    const double glyph = markCover(image, 192);  // "e?" where the mark would be
    QVERIFY2(glyph > 0.05 && glyph < 0.6, qPrintable(QString::number(glyph)));
    // A trusted sender loses the "e?" and shows the unread mark again.
    MailStore::shared().trust(mails[3]);
    QVERIFY(markCover(Screen::render(*table, ratio), 192) > 0.95);
    Screen::useLook(false);
}

void MailRowTest::openRowCourt_data()
{
    QTest::addColumn<bool>("seen");
    QTest::addColumn<bool>("withHints");
    QTest::addColumn<bool>("reduceMotion");
    QTest::addColumn<bool>("ball");
    QTest::newRow("unread: ball in play") << false << false << false << true;
    QTest::newRow("read: no ball") << true << false << false << false;
    QTest::newRow("e? mail: no ball") << false << true << false << false;
    QTest::newRow("reduce motion: no ball") << false << false << true << false;
}

void MailRowTest::openRowCourt()
{
    QFETCH(bool, seen);
    QFETCH(bool, withHints);
    QFETCH(bool, reduceMotion);
    QFETCH(bool, ball);
    ReduceMotion::replace(reduceMotion);
    MailItem mail = withHints ? hinted(QStringLiteral("court"), 0) : received(QStringLiteral("court"), 0, seen);
    mail.subject = QStringLiteral("x");  // keeps the court clear of text
    mail.fromName = mail.fromEmail = QStringLiteral("y");
    resetStore({mail});
    auto table = shownTable({mail});
    table->selectRow(0);
    QTRY_COMPARE(table->rowRect(0).height(), 128.0);
    QCOMPARE(table->ballInPlay(), ball);
    // Let the ball run into the open court, away from the paddles.
    for (int step = 0; step < 20; ++step) {
        m_now += 0.05;
        table->rally().tick();
    }
    const double m = MailColumns::mark, P = MailColumns::paddle, W = table->viewport()->width();
    const QImage image = Screen::render(*table, 1);
    const double left = ball ? table->rally().barLeft : (128 - P) / 2, right = ball ? table->rally().barRight : (128 - P) / 2;
    QVERIFY(Screen::isInk(Screen::pixel(image, {8 + m / 2, left + P / 2})));
    QVERIFY(Screen::isInk(Screen::pixel(image, {W - 8 - m / 2, right + P / 2})));
    QVERIFY(Screen::isGround(Screen::pixel(image, {8 + m / 2, left - 2})));
    if (!ball) {
        QCOMPARE(left, (128 - P) / 2);
        QCOMPARE(Screen::markedPixels(image.copy(QRect(30, 70, int(W) - 60, 50))), 0);
        return;
    }
    const QPointF centre = table->rally().ball + QPointF(m / 2, m / 2);
    QVERIFY(centre.x() > 60);
    QVERIFY(Screen::isInk(Screen::pixel(image, centre)));
    // A read mail has no ball: reading it ends the rally at the next step.
    MailItem read = mail;
    read.seen = true;
    resetStore({read});
    table->setItems(MailStore::shared().items(0));
    table->selectRow(0);
    QVERIFY(!table->ballInPlay());
}

QTEST_MAIN(MailRowTest)
#include "MailRowTest.moc"
