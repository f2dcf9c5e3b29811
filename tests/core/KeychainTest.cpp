#include "core/AppIdentity.h"
#include "core/Keychain.h"
#include "support/KeyringSession.h"

#include <QProcess>
#include <QTest>
#include <QUuid>

// Talks to a real gnome-keyring-daemon on a private bus. A second process (KeychainProbe) reads
// what this one stored, so the cache is not the only answer; secret-tool reads the items the way
// any other Secret Service client would.
class KeychainTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void roundTrip_data();
    void roundTrip();
    void itemIsFoundByServiceAndAccount();
    void setReplacesTheItem();
    void removeForgetsTheSecret();
    void readsWhatAnotherProcessStored();
    void undecodableSecretReadsAsNothing();
    void withoutSecretService_data();
    void withoutSecretService();

private:
    static QString freshKey() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(); }
    QByteArray probe(const QStringList& arguments, const QProcessEnvironment& env);
    QByteArray probe(const QStringList& arguments) { return probe(arguments, m_session.environment()); }
    QByteArray secretTool(const QStringList& arguments, const QByteArray& input = {});

    KeyringSession m_session{KeyringSession::Keyring::Unlocked};
};

void KeychainTest::initTestCase()
{
    const QString failure = m_session.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_session.busAddress().toUtf8());
}

QByteArray KeychainTest::probe(const QStringList& arguments, const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(KEYCHAIN_PROBE), arguments);
    // Nothing may hang: a missing or refusing keyring answers at once.
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return "probe hung";
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return "probe failed";
    return process.readAllStandardOutput();
}

QByteArray KeychainTest::secretTool(const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    process.setProcessEnvironment(m_session.environment());
    process.start(QStringLiteral("secret-tool"), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        return "secret-tool hung";
    return process.readAllStandardOutput() + process.readAllStandardError();
}

void KeychainTest::roundTrip_data()
{
    QTest::addColumn<QString>("secret");
    QTest::newRow("plain") << "hunter2";
    QTest::newRow("umlauts and symbols") << QString::fromUtf8("pässwört ✓ 🔑");
    QTest::newRow("spaces at both ends kept") << "  two words  ";
}

void KeychainTest::roundTrip()
{
    QFETCH(QString, secret);
    const QString key = freshKey();
    Keychain::set(secret, key);
    QCOMPARE(Keychain::get(key), std::optional<QString>(secret));
    QCOMPARE(probe({"get", key}), "=" + secret.toUtf8() + "\n");
}

void KeychainTest::itemIsFoundByServiceAndAccount()
{
    const QString key = freshKey();
    Keychain::set(QStringLiteral("s3cret"), key);
    QCOMPARE(secretTool({"lookup", "service", AppIdentity::id, "account", key}), QByteArray("s3cret"));
    const QByteArray item = secretTool({"search", "--all", "service", AppIdentity::id, "account", key});
    QVERIFY2(item.contains("label = LU.MARA mail account"), item.constData());
}

void KeychainTest::setReplacesTheItem()
{
    const QString key = freshKey();
    Keychain::set(QStringLiteral("first"), key);
    Keychain::set(QStringLiteral("second"), key);
    QCOMPARE(probe({"get", key}), QByteArray("=second\n"));
    const QByteArray items = secretTool({"search", "--all", "service", AppIdentity::id, "account", key});
    QCOMPARE(items.count("label = "), 1);
}

void KeychainTest::removeForgetsTheSecret()
{
    const QString key = freshKey();
    Keychain::set(QStringLiteral("gone soon"), key);
    Keychain::remove(key);
    QCOMPARE(Keychain::get(key), std::nullopt);
    QCOMPARE(probe({"get", key}), QByteArray("none\n"));
}

void KeychainTest::readsWhatAnotherProcessStored()
{
    const QString key = freshKey();
    QCOMPARE(Keychain::get(key), std::nullopt);
    QCOMPARE(probe({"set", key, "from elsewhere"}), QByteArray());
    // The miss above was not cached.
    QCOMPARE(Keychain::get(key), std::optional<QString>(QStringLiteral("from elsewhere")));
}

void KeychainTest::undecodableSecretReadsAsNothing()
{
    const QString key = freshKey();
    secretTool({"store", "--label=not text", "service", AppIdentity::id, "account", key}, QByteArray("\xff\xfe\xfd"));
    QVERIFY(secretTool({"lookup", "service", AppIdentity::id, "account", key}).startsWith("\xff\xfe\xfd"));
    QCOMPARE(Keychain::get(key), std::nullopt);
}

void KeychainTest::withoutSecretService_data()
{
    QTest::addColumn<int>("keyring");  // a KeyringSession::Keyring, or -1 for no session bus at all
    QTest::newRow("no session bus") << -1;
    QTest::newRow("bus without a Secret Service") << int(KeyringSession::Keyring::None);
    QTest::newRow("locked keyring refuses") << int(KeyringSession::Keyring::Locked);
}

void KeychainTest::withoutSecretService()
{
    QFETCH(int, keyring);
    std::unique_ptr<KeyringSession> session;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (keyring < 0) {
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/lumara-bus"));
    } else {
        session = std::make_unique<KeyringSession>(KeyringSession::Keyring(keyring));
        const QString failure = session->start();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        env = session->environment();
    }
    // Within one run the cache answers after a refused write; a removal empties it.
    QCOMPARE(probe({"set", "k", "v", "get", "k", "remove", "k", "get", "k", "set", "k", "w", "get", "k"}, env),
        QByteArray("=v\nnone\n=w\n"));
    QCOMPARE(probe({"get", "k"}, env), QByteArray("none\n"));
}

QTEST_GUILESS_MAIN(KeychainTest)
#include "KeychainTest.moc"
