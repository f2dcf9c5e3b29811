#include "core/AppIdentity.h"
#include "core/JsonSettingsFormat.h"
#include "core/MailStore.h"
#include "core/MailStoreState.h"
#include "core/Prefs.h"
#include "support/FileSizeLimit.h"
#include "support/TemporaryHome.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <signal.h>

namespace {

QString dataFile(const QString& name)
{
    return AppIdentity::dataFolder() + "/" + name;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

MailItem mail(const QString& key, bool sent = false)
{
    MailItem m;
    m.accountID = QStringLiteral("ACC");
    m.uid = 7;
    m.messageID = "<" + key + "@test>";
    m.fromName = QString::fromUtf8("Zoë");
    m.fromEmail = key + "@example.org";
    m.subject = "subject " + key;
    m.date = QDateTime(QDate(2026, 2, 3), QTime(4, 5, 6, 789), Qt::UTC);
    m.toName = QString();
    m.toEmail = QStringLiteral("me@example.org");
    if (sent)
        m.mailbox = QStringLiteral("Sent");
    else {
        m.ip = QStringLiteral("198.51.100.7");
        m.hints = QStringList({"reply-to differs"});
    }
    return m;
}

}  // namespace

class MailStorePersistenceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void saveThenLoadGivesTheSameStore();
    void stateFiles_data();
    void stateFiles();
    void drawerNamesMigrate_data();
    void drawerNamesMigrate();
    void unreadableStateIsSetAside();
    void triageKeyLeavesTheCacheAlone();
    void killedWriterLeavesWholeFiles();
    void fullDiskKeepsTheSavedFiles();

private:
    TemporaryHome m_home;
};

void MailStorePersistenceTest::init()
{
    QDir(AppIdentity::dataFolder()).removeRecursively();
    // Settings objects on one file share its contents, so this reaches Prefs::shared() too.
    QSettings settings(Prefs::defaultFilePath(), JsonSettingsFormat::format());
    settings.remove("drawerNames");
    settings.sync();
}

void MailStorePersistenceTest::saveThenLoadGivesTheSameStore()
{
    MailStore store;
    const std::vector<MailItem> mails = {mail("a"), mail("b"), mail("c", true)};
    store.replace("ACC", mails);
    store.assign(mails[0], 3);
    store.markDone(mails[1]);
    store.markScam(mails[2]);
    store.trust(mails[1]);
    store.blockDomain(mails[0]);
    store.blockIP(mails[1]);

    store.finishSaving();
    MailStore loaded;
    loaded.load();
    QCOMPARE(loaded.mails(), mails);
    QCOMPARE(loaded.state(), store.state());
    QCOMPARE(loaded.items(9).size(), store.items(9).size());
}

void MailStorePersistenceTest::stateFiles_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("drawers");  // what survives, sorted

    QTest::newRow("only the required keys") << QByteArray(R"({"drawerOf":{"x":2},"done":["d"]})") << true << "x=2";
    QTest::newRow("without done: ignored") << QByteArray(R"({"drawerOf":{"x":2},"scam":[]})") << false << "";
    QTest::newRow("without drawerOf: ignored") << QByteArray(R"({"done":[]})") << false << "";
    QTest::newRow("drawer 6 dropped, 0 and below kept")
        << QByteArray(R"({"drawerOf":{"a":6,"b":0,"c":-1,"d":5},"done":["d"]})") << true << "b=0 c=-1 d=5";
    QTest::newRow("a set of the wrong type") << QByteArray(R"({"drawerOf":{},"done":[],"trusted":"x"})") << false << "";
    QTest::newRow("not JSON") << QByteArray("{\"drawerOf\":") << false << "";
    QTest::newRow("drawer number past int") << QByteArray(R"({"drawerOf":{"x":1e300},"done":["d"]})") << false << "";
    QTest::newRow("drawer number with a fraction") << QByteArray(R"({"drawerOf":{"x":2.5},"done":["d"]})") << false << "";
}

void MailStorePersistenceTest::stateFiles()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, read);
    QFETCH(QString, drawers);
    writeFile(dataFile("state.json"), json);
    MailStore store;
    store.load();
    QStringList survived;
    for (auto it = store.state().drawerOf.cbegin(); it != store.state().drawerOf.cend(); ++it)
        survived.append(it.key() + "=" + QString::number(it.value()));
    survived.sort();
    QCOMPARE(survived.join(' '), drawers);
    QCOMPARE(store.state().done.contains("d"), read);
}

void MailStorePersistenceTest::drawerNamesMigrate_data()
{
    QTest::addColumn<bool>("namesStored");
    QTest::addColumn<int>("drawer");
    QTest::addColumn<QString>("fourth");

    QTest::newRow("drawer 4 in use, no names") << false << 4 << "PROJECT";
    QTest::newRow("drawer 4 in use, names stored") << true << 4 << "D";
    QTest::newRow("drawer 4 unused") << false << 3 << "UNTITLED";
}

void MailStorePersistenceTest::drawerNamesMigrate()
{
    QFETCH(bool, namesStored);
    QFETCH(int, drawer);
    QFETCH(QString, fourth);
    if (namesStored)
        Prefs::shared().setDrawerNames({"A", "B", "C", "D", "E"});
    writeFile(dataFile("state.json"), QStringLiteral(R"({"drawerOf":{"x":%1},"done":[]})").arg(drawer).toUtf8());
    MailStore store;
    store.load();
    QCOMPARE(Prefs::shared().drawerNames().value(3), fourth);
}

void MailStorePersistenceTest::unreadableStateIsSetAside()
{
    const QByteArray broken = R"({"drawerOf":{"kept":1},"done":"not a list"})";
    writeFile(dataFile("state.json"), broken);
    MailStore store;
    store.load();
    store.trust(mail("a"));
    store.finishSaving();
    const QStringList aside = QDir(AppIdentity::dataFolder()).entryList({"state.unreadable-*.json"});
    QCOMPARE(aside.size(), 1);
    QCOMPARE(readAll(dataFile(aside[0])), broken);
    QVERIFY(MailStoreState::decode(readAll(dataFile("state.json")))->trusted.contains("a@example.org"));
    store.trust(mail("b"));  // later saves just write
    QCOMPARE(QDir(AppIdentity::dataFolder()).entryList({"state.unreadable-*.json"}).size(), 1);
}

void MailStorePersistenceTest::triageKeyLeavesTheCacheAlone()
{
    MailStore store;
    store.replace("ACC", {mail("a"), mail("b")});
    store.save();
    store.finishSaving();
    const QByteArray cache = readAll(dataFile("cache.json"));
    QCOMPARE(MailCache::decode(cache)->size(), size_t(2));
    writeFile(dataFile("cache.json"), "marker");
    store.assign(mail("a"), 2);
    store.finishSaving();
    QCOMPARE(readAll(dataFile("cache.json")), QByteArray("marker"));
    store.removeAccount({"ACC", "x@example.org", "", "", 0, "", "", 0, ""});
    store.finishSaving();
    QCOMPARE(readAll(dataFile("cache.json")), QByteArray("[]"));
}

void MailStorePersistenceTest::killedWriterLeavesWholeFiles()
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        QProcess writer;
        writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer.start(QStringLiteral(MAIL_STORE_WRITER));
        QVERIFY(writer.waitForReadyRead(60000));
        QCOMPARE(writer.readLine().trimmed(), QByteArray("saving"));
        QTest::qSleep(int(QRandomGenerator::global()->bounded(50, 400)));
        ::kill(pid_t(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished(10000));
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

        const std::optional<MailStoreState> state = MailStoreState::decode(readAll(dataFile("state.json")));
        QVERIFY2(state, "state.json is not whole");
        QVERIFY(!state->drawerOf.isEmpty());
        const std::optional<std::vector<MailItem>> cache = MailCache::decode(readAll(dataFile("cache.json")));
        QVERIFY2(cache, "cache.json is not whole");
        QCOMPARE(cache->size(), size_t(20000));
    }
}

void MailStorePersistenceTest::fullDiskKeepsTheSavedFiles()
{
    MailStore store;
    store.replace("ACC", {mail("a")});
    store.assign(mail("a"), 2);
    store.finishSaving();
    const QByteArray state = readAll(dataFile("state.json")), cache = readAll(dataFile("cache.json"));
    {
        const FileSizeLimit full(16);
        QVERIFY(full.isActive());
        store.replace("ACC", {mail("a"), mail("b")});
        store.trust(mail("b"));
        store.finishSaving();
        QCOMPARE(readAll(dataFile("state.json")), state);
        QCOMPARE(readAll(dataFile("cache.json")), cache);
        QCOMPARE(QDir(AppIdentity::dataFolder()).entryList(QDir::Files).size(), 2);  // no temporary file left
    }
    // A triage key alone does not write the cache; the one that failed is written now.
    store.assign(mail("b"), 3);
    store.finishSaving();
    QVERIFY(MailStoreState::decode(readAll(dataFile("state.json")))->trusted.contains("b@example.org"));
    QCOMPARE(MailCache::decode(readAll(dataFile("cache.json")))->size(), size_t(2));
}

QTEST_GUILESS_MAIN(MailStorePersistenceTest)
#include "MailStorePersistenceTest.moc"
