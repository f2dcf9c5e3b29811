#include "core/Account.h"
#include "core/Keychain.h"
#include "core/MailStore.h"
#include "core/Prefs.h"
#include "net/ConnectionTesting.h"
#include "net/IMAPSession.h"
#include "support/DovecotServer.h"
#include "support/KeyringSession.h"
#include "support/TemporaryHome.h"
#include "ui/look/Alerts.h"
#include "ui/look/FileDialogs.h"
#include "ui/look/LULabel.h"
#include "ui/main/MainWindow.h"
#include "ui/main/MainWindowController.h"

#include <QTemporaryDir>
#include <QTest>

// Saving a mail and showing a failed check, against a private Dovecot.
class MainWindowServerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void saveWritesTheServersBytes();
    void saveFailureIsShown_data();
    void saveFailureIsShown();
    void failedCheckShowsItsProblemUntilTheNext();

private:
    Account account(const QString& user) const
    {
        return {"ACC-" + user.toUpper(), user + "@example.org", user, m_dovecot.host(), DovecotServer::tlsPort, user,
            m_dovecot.host(), 465, user};
    }
    MailItem stored(const QString& user) const
    {
        const MailList list = MailStore::shared().items(0, account(user).id);
        return list.size() ? list[0] : MailItem();
    }

    TemporaryHome m_home;
    KeyringSession m_keyring{KeyringSession::Keyring::Unlocked};
    DovecotServer m_dovecot;
    QTemporaryDir m_files;
    std::unique_ptr<MainWindowController> m_main;
    // Bytes a save must keep exactly: 8-bit text, a long line, trailing blanks, a bare CR.
    const QByteArray m_message = "From: Sender <s@sender.example>\r\nTo: Me <reader@example.org>\r\nSubject: keep/me: exact\r\n"
                                 "Message-ID: <exact@lumara.test>\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
                                 "gr\xc3\xbc\xc3\x9f""e  \r\n" + QByteArray(2000, 'x') + "\r\nend\r\n";
};

void MainWindowServerTest::initTestCase()
{
    const QString failure = m_keyring.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_keyring.busAddress().toUtf8());
    QVERIFY2(m_dovecot.start({{"reader", "pw"}, {"wrong", "pw"}}), qPrintable(m_dovecot.error()));
    ConnectionTesting::trustCertificates({m_dovecot.authority()});
    m_dovecot.deliver("reader", "INBOX", m_message);
    m_dovecot.deliver("wrong", "INBOX", m_message);
    Keychain::set("pw", account("reader").id);
    Keychain::set("not the password", account("wrong").id);
    MailStore::shared().replace(account("reader").id, IMAPSession::fetchInbox(account("reader"), "pw", 0));
    m_main = std::make_unique<MainWindowController>();
}

void MainWindowServerTest::saveWritesTheServersBytes()
{
    Prefs::shared().setAccounts({account("reader")});
    const MailItem mail = stored("reader");
    QVERIFY(!mail.messageID.isEmpty());
    const QString path = m_files.filePath(QStringLiteral("saved.eml"));
    QString suggested;
    FileDialogs::replace([&](const FileRequest& request) {
        suggested = request.suggestedName;
        return QStringList{path};
    });
    m_main->open(mail);
    m_main->saveCurrentMail();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path), 20000);
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), m_message);
    QCOMPARE(suggested, QStringLiteral("keep-me- exact.eml"));
    FileDialogs::replace({});
}

void MainWindowServerTest::saveFailureIsShown_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("writable");
    QTest::newRow("folder does not exist") << "reader" << false;
    QTest::newRow("server refuses the login") << "wrong" << true;
}

void MainWindowServerTest::saveFailureIsShown()
{
    QFETCH(QString, user);
    QFETCH(bool, writable);
    Prefs::shared().setAccounts({account("reader"), account("wrong")});
    MailItem mail = stored("reader");
    mail.accountID = account(user).id;
    const QString path = writable ? m_files.filePath(QStringLiteral("failed.eml")) : m_files.filePath(QStringLiteral("no/such/folder.eml"));
    FileDialogs::replace([&](const FileRequest&) { return QStringList{path}; });
    QList<Alert> alerts;
    Alerts::replace([&](const Alert& alert) {
        alerts << alert;
        return 0;
    });
    MainWindowController::save(mail, m_main->window());
    QTRY_COMPARE_WITH_TIMEOUT(alerts.size(), 1, 20000);
    QCOMPARE(alerts[0].message, QStringLiteral("Could not save the mail"));
    QVERIFY2(!alerts[0].informative.isEmpty(), "the error's own description");
    QVERIFY(!QFile::exists(path));
    Alerts::replace({});
    FileDialogs::replace({});
}

void MainWindowServerTest::failedCheckShowsItsProblemUntilTheNext()
{
    Prefs::shared().setAccounts({account("reader"), account("wrong")});
    LULabel* status = m_main->status();
    m_main->refresh();
    QTRY_VERIFY_WITH_TIMEOUT(!MailStore::shared().refreshing(), 30000);
    QVERIFY2(status->raw().startsWith(QStringLiteral("! wrong@")), qPrintable(status->raw()));
    QVERIFY(!status->raw().contains(QStringLiteral("reader@")));  // the good account checked fine
    m_main->refresh();
    QVERIFY(MailStore::shared().refreshing());
    QCOMPARE(status->raw(), QString());  // cleared when the check starts
    QTRY_VERIFY_WITH_TIMEOUT(!MailStore::shared().refreshing(), 30000);
    QVERIFY(status->raw().startsWith(QStringLiteral("! wrong@")));
}

QTEST_MAIN(MainWindowServerTest)
#include "MainWindowServerTest.moc"
