#include "RecordingNotifications.h"
#include "core/AppIdentity.h"
#include "core/Notifier.h"
#include "core/Prefs.h"
#include "support/KeyringSession.h"
#include "support/TemporaryHome.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

MailItem mail(int n, const QString& subject = "hello")
{
    MailItem item;
    item.accountID = "A1";
    item.uid = n;
    item.messageID = QStringLiteral("<m%1@x>").arg(n);
    item.fromName = QStringLiteral("Sender %1").arg(n);
    item.subject = subject;
    return item;
}

std::vector<MailItem> mails(int count)
{
    std::vector<MailItem> list;
    for (int n = 1; n <= count; ++n)
        list.push_back(mail(n));
    return list;
}

}  // namespace

class NotifierTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void announce_data();
    void announce();
    void repeatedMailReplacesItsNotification();
    void markupIsEscapedWhereTheServiceReadsIt();
    void nothingWhenNotifyIsOff();
    void clickRaisesTheProgram();
    void badge();
    void noServiceAtAll();

private:
    // Lets the asynchronous calls and signals of both connections run.
    void settle() { QTest::qWait(300); }
    // A service on a connection of its own; the one before it gives up the name with its connection.
    bool startService(const QStringList& capabilities = {});
    void stopService();

    int m_round = 0;
    QString m_serviceConnection;
    QString m_clientConnection;

    TemporaryHome m_home;
    KeyringSession m_bus{KeyringSession::Keyring::None};
    std::unique_ptr<RecordingNotifications> m_service;
    std::unique_ptr<Notifier> m_notifier;
};

void NotifierTest::initTestCase()
{
    AppIdentity::apply();
    const QString failure = m_bus.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

bool NotifierTest::startService(const QStringList& capabilities)
{
    stopService();
    m_serviceConnection = QStringLiteral("service%1").arg(++m_round);
    m_service = std::make_unique<RecordingNotifications>(
        QDBusConnection::connectToBus(m_bus.busAddress(), m_serviceConnection), capabilities);
    return m_service->start();
}

void NotifierTest::stopService()
{
    m_service.reset();
    if (!m_serviceConnection.isEmpty())
        QDBusConnection::disconnectFromBus(m_serviceConnection);
    m_serviceConnection.clear();
    settle();
}

void NotifierTest::init()
{
    // Each test gets fresh connections, so no service name or notification carries over.
    QVERIFY(startService());
    m_clientConnection = QStringLiteral("client%1").arg(m_round);
    const QDBusConnection clientBus = QDBusConnection::connectToBus(m_bus.busAddress(), m_clientConnection);
    QVERIFY(clientBus.isConnected());
    m_notifier = std::make_unique<Notifier>(clientBus);
    m_notifier->setup();
    Prefs::shared().setNotify(true);
    Prefs::shared().setBadge(true);
}

void NotifierTest::cleanup()
{
    m_notifier.reset();
    QDBusConnection::disconnectFromBus(m_clientConnection);
    stopService();
}

void NotifierTest::announce_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("summaries");
    QTest::addColumn<QStringList>("bodies");

    QTest::newRow("one") << 1 << QStringList({"Sender 1"}) << QStringList({"hello"});
    QTest::newRow("three, one each") << 3 << QStringList({"Sender 1", "Sender 2", "Sender 3"})
                                     << QStringList({"hello", "hello", "hello"});
    QTest::newRow("four, one summary") << 4 << QStringList({"LU.MARA"}) << QStringList({"4 new mails"});
    QTest::newRow("none") << 0 << QStringList() << QStringList();
}

void NotifierTest::announce()
{
    QFETCH(int, count);
    QFETCH(QStringList, summaries);
    QFETCH(QStringList, bodies);
    m_notifier->announce(mails(count));
    settle();
    QStringList gotSummaries, gotBodies;
    for (const auto& s : m_service->shown) {
        gotSummaries.append(s.summary);
        gotBodies.append(s.body);
        QCOMPARE(s.hints.value("x-lumara-thread").toString(), QString("mail"));
    }
    QCOMPARE(gotSummaries, summaries);
    QCOMPARE(gotBodies, bodies);
}

void NotifierTest::repeatedMailReplacesItsNotification()
{
    m_notifier->announce({mail(1, "")});
    settle();
    m_notifier->announce({mail(1, "again")});
    settle();
    QCOMPARE(m_service->shown.size(), 2);
    QCOMPARE(m_service->shown[0].body, QString("(no subject)"));
    QCOMPARE(m_service->shown[1].replaces, m_service->shown[0].id);
    m_notifier->announce(mails(5));
    m_notifier->announce(mails(5));
    settle();
    QCOMPARE(m_service->shown[2].replaces, 0u);  // summaries never replace each other
    QCOMPARE(m_service->shown[3].replaces, 0u);
}

void NotifierTest::markupIsEscapedWhereTheServiceReadsIt()
{
    QVERIFY(startService({"body", "body-markup"}));
    m_notifier->announce({mail(1, "<img src=\"http://tracker.example/p.gif\"> & more")});
    settle();
    QCOMPARE(m_service->shown.size(), 1);
    QCOMPARE(m_service->shown[0].body, QString("&lt;img src=&quot;http://tracker.example/p.gif&quot;&gt; &amp; more"));
}

void NotifierTest::nothingWhenNotifyIsOff()
{
    Prefs::shared().setNotify(false);
    m_notifier->announce(mails(2));
    settle();
    QVERIFY(m_service->shown.isEmpty());
}

void NotifierTest::clickRaisesTheProgram()
{
    int raised = 0;
    m_notifier->onActivate = [&raised] { ++raised; };
    m_notifier->announce({mail(1)});
    settle();
    QCOMPARE(m_service->shown.size(), 1);
    m_service->click(999);  // another program's notification
    settle();
    QCOMPARE(raised, 0);
    m_service->click(m_service->shown[0].id);
    settle();
    QCOMPARE(raised, 1);
}

void NotifierTest::badge()
{
    m_notifier->updateBadge(3);
    m_notifier->updateBadge(3);  // unchanged: no second signal
    m_notifier->updateBadge(0);
    m_notifier->updateBadge(5);
    Prefs::shared().setBadge(false);
    m_notifier->updateBadge(5);
    settle();
    QCOMPARE(m_service->badges.size(), 4);
    QCOMPARE(m_service->badges[0].value("count").toLongLong(), 3);
    QCOMPARE(m_service->badges[0].value("count-visible").toBool(), true);
    QCOMPARE(m_service->badges[1].value("count-visible").toBool(), false);
    QCOMPARE(m_service->badges[2].value("count").toLongLong(), 5);
    QCOMPARE(m_service->badges[3].value("count-visible").toBool(), false);
}

void NotifierTest::noServiceAtAll()
{
    stopService();
    QElapsedTimer timer;
    timer.start();
    m_notifier->announce(mails(2));
    m_notifier->updateBadge(2);
    QVERIFY(timer.elapsed() < 500);  // nothing waits for a service that is not there
    settle();
    QVERIFY(startService());
    settle();
    QVERIFY(m_service->shown.isEmpty());  // nor is anything delivered late
}

QTEST_GUILESS_MAIN(NotifierTest)
#include "NotifierTest.moc"
