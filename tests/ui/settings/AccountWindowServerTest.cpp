#include "core/Keychain.h"
#include "core/Prefs.h"
#include "net/ConnectionTesting.h"
#include "support/DovecotServer.h"
#include "support/KeyringSession.h"
#include "support/TemporaryHome.h"
#include "ui/look/LUButton.h"
#include "ui/look/LUField.h"
#include "ui/look/LULabel.h"
#include "ui/look/LUSecureField.h"
#include "ui/settings/AccountWindowController.h"

#include <QProcess>
#include <QTest>

namespace {

// What another process finds in the keyring: "=" and the secret, or "none".
QString keyringHolds(const QString& key)
{
    QProcess probe;
    probe.start(QStringLiteral(KEYCHAIN_PROBE), {QStringLiteral("get"), key});
    probe.waitForFinished(30000);
    return QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
}

}  // namespace

// Adding an account against a private Dovecot and a real keyring: only a login the server
// accepted is stored, with the login name that worked and the password in the keyring.
class AccountWindowServerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void wrongPasswordStoresNothing();
    void acceptedLoginIsStored_data();
    void acceptedLoginIsStored();

private:
    AccountWindowController* fill(const QString& address, const QString& password);

    TemporaryHome m_home;
    KeyringSession m_keyring{KeyringSession::Keyring::Unlocked};
    DovecotServer m_dovecot;
    int m_checks = 0;
};

void AccountWindowServerTest::initTestCase()
{
    const QString failure = m_keyring.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_keyring.busAddress().toUtf8());
    // iCloud logs in with the address's local part first; this server knows only the whole address.
    QVERIFY2(m_dovecot.start({{"mara@icloud.com", "abcdefgh"}, {"early@example.org", "pw"}, {"wrong@example.org", "right"}}),
        qPrintable(m_dovecot.error()));
    ConnectionTesting::trustCertificates({m_dovecot.authority()});
    AccountWindowController::onAccountAdded = [this] { ++m_checks; };
}

AccountWindowController* AccountWindowServerTest::fill(const QString& address, const QString& password)
{
    AccountWindowController* window = AccountWindowController::open();
    QTest::keyClicks(window->email(), address);
    QTest::keyClicks(window->password(), password);
    window->imapHost()->setText(m_dovecot.host());
    return window;
}

void AccountWindowServerTest::wrongPasswordStoresNothing()
{
    AccountWindowController* window = fill(QStringLiteral("wrong@example.org"), QStringLiteral("guess"));
    window->connectButton()->press();
    QTRY_VERIFY_WITH_TIMEOUT(!window->busy(), 30000);
    const QString status = window->status()->raw();
    QVERIFY2(status.startsWith(QStringLiteral("! could not log in: ")), qPrintable(status));
    QVERIFY2(status.contains(QStringLiteral("Authentication failed")), qPrintable(status));  // the server's own words
    QCOMPARE(window->connectButton()->title(), QStringLiteral("connect"));
    QVERIFY(Prefs::shared().accounts().isEmpty());
    QCOMPARE(m_checks, 0);
    QVERIFY(AccountWindowController::current());
    window->close();
}

void AccountWindowServerTest::acceptedLoginIsStored_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("typedPassword");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("closedEarly");
    QTest::addColumn<QString>("login");
    QTest::newRow("iCloud, password typed in groups") << "mara@icloud.com" << "abcd efgh" << "abcdefgh" << false << "mara@icloud.com";
    QTest::newRow("window closed while the server answers") << "early@example.org" << "pw" << "pw" << true << "early@example.org";
}

void AccountWindowServerTest::acceptedLoginIsStored()
{
    QFETCH(QString, address);
    QFETCH(QString, typedPassword);
    QFETCH(bool, closedEarly);
    const QList<Account> before = Prefs::shared().accounts();
    const int checks = m_checks;
    QPointer<AccountWindowController> window = fill(address, typedPassword);
    window->name()->setText(QStringLiteral("  Mara  "));
    window->smtpPort()->setText(QStringLiteral("smtp"));
    window->connectButton()->press();
    window->connectButton()->press();
    if (closedEarly)
        window->close();
    else
        QTRY_COMPARE_WITH_TIMEOUT(window->status()->raw(), QStringLiteral("✓ connected"), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), 30000);
    QVERIFY(!AccountWindowController::current());
    QTRY_COMPARE(Prefs::shared().accounts().size(), before.size() + 1);
    const Account stored = Prefs::shared().accounts().constLast();
    QCOMPARE(stored.email, address);
    QCOMPARE(stored.name, QStringLiteral("Mara"));
    QCOMPARE(stored.imapHost, m_dovecot.host());
    QCOMPARE(stored.imapPort, 993);
    QTEST(stored.imapUser, "login");
    QCOMPARE(stored.smtpPort, 587);
    QFETCH(QString, password);
    QCOMPARE(keyringHolds(stored.id), QStringLiteral("=") + password);
    QCOMPARE(m_checks, checks + 1);  // the first check of the new account
}

QTEST_MAIN(AccountWindowServerTest)
#include "AccountWindowServerTest.moc"
