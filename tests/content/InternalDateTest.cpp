#include "content/InternalDate.h"
#include "content/MIMEFormats.h"

#include <QTest>

// The direct reader must agree with the pattern reader on every input, canonical or not.
class InternalDateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void agreesWithPattern_data();
    void agreesWithPattern();
};

void InternalDateTest::agreesWithPattern_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("readable");

    QTest::newRow("two-digit day") << "17-Jul-2024 10:01:02 +0200" << true;
    QTest::newRow("one-digit day") << "7-Jul-2024 10:01:02 -0930" << true;
    QTest::newRow("zero-padded day") << "07-Jul-2024 10:01:02 +0000" << true;
    QTest::newRow("leap day") << "29-Feb-2024 23:59:59 +1400" << true;
    QTest::newRow("day past month end") << "30-Feb-2024 10:00:00 +0000" << false;
    QTest::newRow("hour 24") << "1-Jan-2024 24:00:00 +0000" << false;
    QTest::newRow("lower-case month") << "1-jan-2024 10:00:00 +0000" << true;
    QTest::newRow("unknown month") << "1-Foo-2024 10:00:00 +0000" << false;
    QTest::newRow("offset minutes 60") << "1-Jan-2024 10:00:00 +0060" << false;
    QTest::newRow("year 1500, Julian calendar") << "1-Jan-1500 10:00:00 +0000" << true;
    QTest::newRow("GMT offset") << "1-Jan-2024 10:00:00 GMT+02:00" << true;
    QTest::newRow("no offset") << "1-Jan-2024 10:00:00" << false;
    QTest::newRow("non-ASCII digits") << QString::fromUtf8("1-Jan-２０２４ 10:00:00 +0000") << true;
}

void InternalDateTest::agreesWithPattern()
{
    QFETCH(QString, text);
    QFETCH(bool, readable);
    const std::optional<QDateTime> direct = MIME::readInternalDate(text);
    const std::optional<QDateTime> pattern = MIME::internalFormat().parse(text);
    QCOMPARE(direct.has_value(), readable);
    QCOMPARE(direct, pattern);
}

QTEST_GUILESS_MAIN(InternalDateTest)
#include "InternalDateTest.moc"
