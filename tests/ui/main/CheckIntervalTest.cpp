#include "core/JsonSettingsFormat.h"
#include "core/Prefs.h"
#include "support/TemporaryHome.h"
#include "ui/main/CheckInterval.h"

#include <QSettings>
#include <QTest>
#include <QTimer>

#include <limits>

class CheckIntervalTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void interval_data();
    void interval();

private:
    TemporaryHome m_home;
};

void CheckIntervalTest::interval_data()
{
    QTest::addColumn<QVariant>("stored");  // invalid: the key is absent
    QTest::addColumn<qint64>("seconds");
    const qint64 longest = std::numeric_limits<int>::max() / 60000 * 60;
    QTest::newRow("absent") << QVariant() << qint64(180);
    QTest::newRow("0") << QVariant(0) << qint64(180);
    QTest::newRow("3") << QVariant(3) << qint64(180);
    QTest::newRow("15") << QVariant(15) << qint64(900);
    QTest::newRow("negative") << QVariant(-20) << qint64(180);
    QTest::newRow("int max") << QVariant(std::numeric_limits<int>::max()) << longest;
    QTest::newRow("int min") << QVariant(std::numeric_limits<int>::min()) << qint64(180);
}

void CheckIntervalTest::interval()
{
    QFETCH(QVariant, stored);
    QFETCH(qint64, seconds);
    if (stored.isValid())
        Prefs::shared().setCheckMinutes(stored.toInt());
    else
        QSettings(Prefs::defaultFilePath(), JsonSettingsFormat::format()).remove(QStringLiteral("checkMinutes"));
    const auto interval = CheckInterval::of(Prefs::shared().checkMinutes());
    QCOMPARE(qint64(interval.count()), seconds * 1000);
    // A timer takes it as it is.
    QTimer timer;
    timer.start(interval);
    QCOMPARE(qint64(timer.intervalAsDuration().count()), seconds * 1000);
}

QTEST_GUILESS_MAIN(CheckIntervalTest)
#include "CheckIntervalTest.moc"
