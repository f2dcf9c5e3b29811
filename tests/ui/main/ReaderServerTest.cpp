#include "core/Account.h"
#include "core/Keychain.h"
#include "core/MailStore.h"
#include "core/Prefs.h"
#include "net/ConnectionTesting.h"
#include "net/IMAPSession.h"
#include "support/DovecotServer.h"
#include "support/KeyringSession.h"
#include "support/TemporaryHome.h"
#include "ui/main/AttachmentsView.h"
#include "ui/main/MainWindow.h"
#include "ui/main/MainWindowController.h"
#include "ui/main/ReaderTextView.h"
#include "ui/main/ReaderView.h"

#include <QTest>

// Reading a mail from a private Dovecot: the text and attachments arrive, and the mail is read
// on the server afterwards, as a second connection sees.
class ReaderServerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readingMarksTheMailSeenOnTheServer();

private:
    Account account() const
    {
        return {"ACC-READER", "reader@example.org", "Reader", m_dovecot.host(), DovecotServer::tlsPort, "reader", m_dovecot.host(),
            465, "reader"};
    }
    std::optional<bool> seenOnServer() const
    {
        for (const MailItem& item : IMAPSession::fetchInbox(account(), "pw", 0))
            if (item.messageID == u"<read-me@lumara.test>")
                return item.seen;
        return std::nullopt;
    }

    TemporaryHome m_home;
    KeyringSession m_keyring{KeyringSession::Keyring::Unlocked};
    DovecotServer m_dovecot;
};

void ReaderServerTest::initTestCase()
{
    const QString failure = m_keyring.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_keyring.busAddress().toUtf8());
    QVERIFY2(m_dovecot.start({{"reader", "pw"}}), qPrintable(m_dovecot.error()));
    ConnectionTesting::trustCertificates({m_dovecot.authority()});
    m_dovecot.deliver("reader", "INBOX",
        "From: Ada <ada@sender.example>\r\nTo: reader@example.org\r\nSubject: read me\r\n"
        "Message-ID: <read-me@lumara.test>\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
        "--b\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nHello, see https://example.com/x.\r\n"
        "--b\r\nContent-Type: application/octet-stream; name=\"invoice.pdf.exe\"\r\n"
        "Content-Disposition: attachment; filename=\"invoice.pdf.exe\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
        "TVqQAAMAAAAEAAAA\r\n--b--\r\n");
    Prefs::shared().setAccounts({account()});
    Keychain::set("pw", account().id);
    MailStore::shared().replace(account().id, IMAPSession::fetchInbox(account(), "pw", 0));
}

void ReaderServerTest::readingMarksTheMailSeenOnTheServer()
{
    QCOMPARE(seenOnServer(), std::optional<bool>(false));
    const MailItem mail = MailStore::shared().items(0)[0];
    MainWindowController main;
    main.open(mail);
    auto* reader = main.window()->findChild<ReaderView*>(QStringLiteral("reader"));
    QVERIFY(reader);
    QCOMPARE(reader->shownText(), QStringLiteral("loading…"));
    QVERIFY(reader->shownDim());
    QTRY_VERIFY_WITH_TIMEOUT(reader->loadedText(), 20000);
    QCOMPARE(*reader->loadedText(), QStringLiteral("Hello, see https://example.com/x."));
    QCOMPARE(reader->shownText(), *reader->loadedText());
    QVERIFY(!reader->shownDim());
    QCOMPARE(reader->textView()->toPlainText(), *reader->loadedText());
    QCOMPARE(reader->attachments()->items().size(), 1);
    QCOMPARE(reader->attachments()->items()[0].name, QStringLiteral("invoice.pdf.exe"));
    QVERIFY(!reader->attachments()->isUnlocked(0));
    QVERIFY(MailStore::shared().items(0)[0].seen);
    QCOMPARE(seenOnServer(), std::optional<bool>(true));
}

QTEST_MAIN(ReaderServerTest)
#include "ReaderServerTest.moc"
