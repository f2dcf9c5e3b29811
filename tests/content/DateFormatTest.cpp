#include "content/MIMEFormats.h"

#include <QTest>

class DateFormatTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void internalDate_data();
    void internalDate();
};

void DateFormatTest::internalDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected");

    const QDateTime none;
    QTest::newRow("offset east") << "17-Jul-2024 10:01:02 +0200" << QDateTime(QDate(2024, 7, 17), QTime(8, 1, 2), Qt::UTC);
    QTest::newRow("single-digit day") << "1-Jan-2020 00:00:00 +0000" << QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
    QTest::newRow("offset west") << "31-Dec-1999 23:59:59 -0500" << QDateTime(QDate(2000, 1, 1), QTime(4, 59, 59), Qt::UTC);
    QTest::newRow("trailing text") << "17-Jul-2024 10:01:02 +0200 x" << none;
    QTest::newRow("month as number") << "17-07-2024 10:01:02 +0200" << none;
    QTest::newRow("impossible day") << "31-Feb-2024 10:01:02 +0200" << none;
    QTest::newRow("empty") << "" << none;
}

void DateFormatTest::internalDate()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    const std::optional<QDateTime> parsed = MIME::internalFormat().parse(text);
    QCOMPARE(parsed.has_value(), expected.isValid());
    if (parsed)
        QCOMPARE(parsed->toUTC(), expected);
}

QTEST_GUILESS_MAIN(DateFormatTest)
#include "DateFormatTest.moc"
