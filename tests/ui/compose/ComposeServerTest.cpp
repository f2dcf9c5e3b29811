// Sending from the compose window to a private aiosmtpd, the Sent copy and forwarding against a
// private Dovecot. The countdown runs on a test clock: each step of a second is one tick.
#include "core/Keychain.h"
#include "core/MailStore.h"
#include "core/NetworkJobs.h"
#include "core/Prefs.h"
#include "net/ConnectionTesting.h"
#include "net/IMAPSession.h"
#include "support/DovecotServer.h"
#include "support/KeyringSession.h"
#include "support/SMTPServer.h"
#include "support/TemporaryHome.h"
#include "ui/compose/ComposeText.h"
#include "ui/compose/ComposeWindow.h"
#include "ui/compose/ComposeWindowController.h"
#include "ui/compose/PlainTextView.h"
#include "ui/compose/SentCopy.h"
#include "ui/look/Clock.h"
#include "ui/look/LUButton.h"
#include "ui/look/LUField.h"
#include "ui/look/LULabel.h"
#include "ui/look/ReduceMotion.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray original =
    "From: Ada Lovelace <ada@example.org>\r\nTo: sender@example.org\r\nSubject: the report\r\n"
    "Date: Sat, 09 Mar 2024 07:05:00 +0000\r\nMessage-ID: <report@example.org>\r\nMIME-Version: 1.0\r\n"
    "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
    "--b\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nhere it is\r\n"
    "--b\r\nContent-Type: application/pdf; name=\"report.pdf\"\r\nContent-Transfer-Encoding: base64\r\n"
    "Content-Disposition: attachment; filename=\"report.pdf\"\r\n\r\nJVBERi0xLjQK\r\n--b--\r\n";

bool hasHeaderLine(const QByteArray& message, const QByteArray& line)
{
    const QByteArray head = message.left(message.indexOf("\r\n\r\n") + 2);
    return head.startsWith(line + "\r\n") || head.contains("\r\n" + line + "\r\n");
}

}  // namespace

class ComposeServerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void sendsAtTheFifthTick();
    void nothingLeaves_data();
    void nothingLeaves();
    void replyHeaders_data();
    void replyHeaders();
    void refusedLoginKeepsEverything();
    void accountGoneOrWithoutPassword_data();
    void accountGoneOrWithoutPassword();
    void forwardCarriesTheOriginal();
    void forwardThatCannotLoad();
    void sentCopy_data();
    void sentCopy();

private:
    Account account(const QString& id, const QString& user = QStringLiteral("sender")) const
    {
        return {id, user + QStringLiteral("@example.org"), QStringLiteral("Sender Name"), m_dovecot.host(), DovecotServer::tlsPort,
            user, m_smtp.host(), SMTPServer::tlsPort, user};
    }
    ComposeWindowController* openNew(const std::optional<MailItem>& reply = std::nullopt, const std::optional<MailItem>& forward = std::nullopt)
    {
        return ComposeWindowController::open(reply, std::nullopt, forward);
    }
    // One second of the test clock, and the tick it makes.
    void tick(ComposeWindowController* compose)
    {
        const int before = compose->countdown();
        m_now += 1;
        QTRY_VERIFY(compose->countdown() != before);
    }
    // Presses send and lets the countdown run out; the outcome is in the status line.
    void sendAndWait(ComposeWindowController* compose)
    {
        compose->sendPressed();
        QCOMPARE(compose->countdown(), 5);
        for (int i = 0; i < 5; ++i)
            tick(compose);
        QTRY_VERIFY_WITH_TIMEOUT(!compose->sending() || compose->status()->raw() == QStringLiteral("sent."), 30000);
    }
    // The Sent mailbox's copies of a message, with their flags.
    QList<QStringList> copiesInSent(const QString& messageID) const
    {
        QList<QStringList> flags;
        const std::unique_ptr<IMAPClient> client = IMAPSession::connect(account("ACC-SENDER"), QStringLiteral("pw"));
        const qint64 exists = client->select(QStringLiteral("Sent"));
        for (const FetchedHeader& header : client->fetchHeaders(exists, exists)) {
            if (header.headers.contains(messageID.toUtf8()))
                flags << header.flags;
        }
        client->logout();
        return flags;
    }
    void waitForFiling()
    {
        QTRY_COMPARE_WITH_TIMEOUT(SentCopy::running(), 0, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!MailStore::shared().refreshing(), 30000);
    }

    TemporaryHome m_home;
    KeyringSession m_keyring{KeyringSession::Keyring::Unlocked};
    DovecotServer m_dovecot;
    SMTPServer m_smtp;
    QTemporaryDir m_dir;
    double m_now = 1000;
};

void ComposeServerTest::initTestCase()
{
    const QString failure = m_keyring.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_keyring.busAddress().toUtf8());
    QVERIFY2(m_dovecot.start({{"sender", "pw"}}), qPrintable(m_dovecot.error()));
    QVERIFY2(m_smtp.start({{"sender", "pw"}}), qPrintable(m_smtp.error()));
    ConnectionTesting::trustCertificates({m_dovecot.authority(), m_smtp.authority()});
    Keychain::set(QStringLiteral("pw"), QStringLiteral("ACC-SENDER"));
    Keychain::set(QStringLiteral("not the password"), QStringLiteral("ACC-WRONG"));
    ReduceMotion::replace(true);
    Clock::replace([this] { return m_now; });
}

void ComposeServerTest::init()
{
    Prefs::shared().setAccounts({account("ACC-SENDER")});
}

void ComposeServerTest::cleanup()
{
    const QList<ComposeWindowController*> open = ComposeWindowController::windows();
    for (ComposeWindowController* compose : open)
        compose->window()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void ComposeServerTest::cleanupTestCase()
{
    waitForFiling();
    Clock::replace({});
    NetworkJobs::pool().waitForDone();
    QTest::qWait(500);
}

void ComposeServerTest::sendsAtTheFifthTick()
{
    ComposeWindowController* compose = openNew();
    compose->to()->setText(QStringLiteral("Ada <ada@example.org>; bob@example.org"));
    compose->cc()->setText(QStringLiteral("carol@example.org"));
    compose->bcc()->setText(QStringLiteral("ada@example.org, dave@example.org"));
    compose->subject()->setText(QStringLiteral("first words"));
    compose->body()->setText(QStringLiteral("as first written"));
    const qsizetype before = m_smtp.messages().size();

    QTest::keyClick(compose->window(), Qt::Key_Return, Qt::ControlModifier);
    for (int i = 0; i < 4; ++i) {
        tick(compose);
        QTest::keyClick(compose->window(), Qt::Key_Return, Qt::ControlModifier);  // does not start again
    }
    QCOMPARE(compose->countdown(), 1);
    // Changed in the last second: this is what leaves.
    compose->subject()->setText(QStringLiteral("second thoughts"));
    compose->body()->setText(QStringLiteral("as finally written"));
    QTest::qWait(100);
    QCOMPARE(m_smtp.messages().size(), before);

    tick(compose);
    QVERIFY(compose->sending());
    QCOMPARE(compose->sendButton()->title(), QStringLiteral("sending…"));
    QTRY_COMPARE_WITH_TIMEOUT(m_smtp.messages().size(), before + 1, 30000);
    const SMTPServer::Message sent = m_smtp.messages().last();
    QCOMPARE(sent.from, QStringLiteral("sender@example.org"));
    QCOMPARE(sent.recipients, (QStringList{"ada@example.org", "bob@example.org", "carol@example.org", "dave@example.org"}));
    QVERIFY(hasHeaderLine(sent.data, "From: Sender Name <sender@example.org>"));
    QVERIFY(hasHeaderLine(sent.data, "To: ada@example.org, bob@example.org"));
    QVERIFY(hasHeaderLine(sent.data, "Cc: carol@example.org"));
    QVERIFY(hasHeaderLine(sent.data, "Subject: second thoughts"));
    QVERIFY(!sent.data.contains("dave@"));
    QVERIFY(sent.data.contains("as finally written"));
    QVERIFY(!hasHeaderLine(sent.data, "In-Reply-To: "));

    QTRY_COMPARE_WITH_TIMEOUT(compose->status()->raw(), QStringLiteral("sent."), 10000);
    QVERIFY(compose->status()->dimmed());
    QTRY_VERIFY_WITH_TIMEOUT(ComposeWindowController::windows().isEmpty(), 5000);
}

void ComposeServerTest::nothingLeaves_data()
{
    QTest::addColumn<bool>("close");
    QTest::newRow("taken back with escape") << false;
    QTest::newRow("window closed during the countdown") << true;
}

void ComposeServerTest::nothingLeaves()
{
    QFETCH(bool, close);
    ComposeWindowController* compose = openNew();
    compose->to()->setText(QStringLiteral("ada@example.org"));
    const qsizetype before = m_smtp.messages().size();
    compose->sendPressed();
    tick(compose);
    tick(compose);
    if (close) {
        compose->window()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(ComposeWindowController::windows().isEmpty());
    } else {
        QTest::keyClick(compose->window(), Qt::Key_Escape);
        QCOMPARE(compose->status()->raw(), QStringLiteral("taken back. nothing was sent."));
    }
    m_now += 10;
    QTest::qWait(500);
    QCOMPARE(m_smtp.messages().size(), before);
    if (!close)
        QVERIFY(!compose->sending());
}

void ComposeServerTest::replyHeaders_data()
{
    QTest::addColumn<QString>("references");
    QTest::addColumn<QString>("messageID");
    QTest::addColumn<QByteArray>("inReplyTo");     // the expected header line; empty: none
    QTest::addColumn<QByteArray>("referencesLine");
    QTest::newRow("chain and id") << "<r1@x.org>" << "<m1@x.org>" << QByteArray("In-Reply-To: <m1@x.org>")
                                  << QByteArray("References: <r1@x.org> <m1@x.org>");
    QTest::newRow("no chain: the id alone") << "" << "<m2@x.org>" << QByteArray("In-Reply-To: <m2@x.org>")
                                            << QByteArray("References: <m2@x.org>");
    QTest::newRow("no id: the chain without a trailing space") << "<r3@x.org>" << "" << QByteArray() << QByteArray("References: <r3@x.org>");
}

void ComposeServerTest::replyHeaders()
{
    QFETCH(QString, references);
    QFETCH(QString, messageID);
    QFETCH(QByteArray, inReplyTo);
    QFETCH(QByteArray, referencesLine);
    MailItem mail;
    mail.accountID = QStringLiteral("ACC-SENDER");
    mail.fromEmail = QStringLiteral("ada@example.org");
    mail.subject = QStringLiteral("question");
    mail.references = references;
    mail.messageID = messageID;
    ComposeWindowController* compose = openNew(mail);
    sendAndWait(compose);
    QCOMPARE(compose->status()->raw(), QStringLiteral("sent."));
    const QByteArray data = m_smtp.messages().last().data;
    QVERIFY(hasHeaderLine(data, "Subject: Re: question"));
    if (inReplyTo.isEmpty())
        QVERIFY(!data.contains("In-Reply-To:"));
    else
        QVERIFY2(hasHeaderLine(data, inReplyTo), data.constData());
    QVERIFY2(hasHeaderLine(data, referencesLine), data.constData());
}

void ComposeServerTest::refusedLoginKeepsEverything()
{
    Prefs::shared().setAccounts({account("ACC-WRONG")});
    ComposeWindowController* compose = openNew();
    compose->to()->setText(QStringLiteral("ada@example.org"));
    compose->subject()->setText(QStringLiteral("kept"));
    compose->body()->setText(QStringLiteral("every word"));
    const QString file = m_dir.filePath(QStringLiteral("kept.txt"));
    QFile write(file);
    QVERIFY(write.open(QIODevice::WriteOnly));
    write.write("data");
    write.close();
    compose->addFiles({file});
    const qsizetype before = m_smtp.messages().size();
    sendAndWait(compose);
    QCOMPARE(compose->status()->raw(), QStringLiteral("! not sent: 535 5.7.8 Authentication credentials invalid"));
    QVERIFY(!compose->status()->dimmed());
    QCOMPARE(compose->sendButton()->title(), QStringLiteral("send  ctrl+↵"));
    QCOMPARE(compose->to()->text(), QStringLiteral("ada@example.org"));
    QCOMPARE(compose->subject()->text(), QStringLiteral("kept"));
    QCOMPARE(compose->body()->text(), QStringLiteral("every word"));
    QCOMPARE(compose->files().size(), 1);
    QCOMPARE(m_smtp.messages().size(), before);
    // Ready for another try.
    compose->sendPressed();
    QCOMPARE(compose->countdown(), 5);
    compose->takeBack();

    // A Message-ID of the mail replied to that carries a line break would add header lines of
    // its sender's choosing: refused before any connection.
    MailItem hostile;
    hostile.accountID = QStringLiteral("ACC-SENDER");
    hostile.fromEmail = QStringLiteral("ada@example.org");
    hostile.messageID = QStringLiteral("<m@x.org>\r\nBcc: spy@example.org");
    Prefs::shared().setAccounts({account("ACC-SENDER")});
    const qsizetype connections = m_smtp.commands().size();
    ComposeWindowController* reply = openNew(hostile);
    sendAndWait(reply);
    QCOMPARE(reply->status()->raw(), QStringLiteral("! not sent: the In-Reply-To header contains a line break or a NUL character"));
    QVERIFY(!reply->sending());
    QCOMPARE(reply->sendButton()->title(), QStringLiteral("send  ctrl+↵"));
    QCOMPARE(m_smtp.commands().size(), connections);
}

void ComposeServerTest::accountGoneOrWithoutPassword_data()
{
    QTest::addColumn<QString>("accountID");
    QTest::addColumn<QString>("status");
    QTest::newRow("account removed during the countdown") << "ACC-SENDER" << "! not sent: the sending account was removed";
    QTest::newRow("no password in the keyring") << "ACC-NOPW" << "! no password for nopw@example.org";
}

void ComposeServerTest::accountGoneOrWithoutPassword()
{
    QFETCH(QString, accountID);
    const Account other = account("ACC-OTHER", "other");
    const Account sending = accountID == QStringLiteral("ACC-NOPW") ? account("ACC-NOPW", "nopw") : account("ACC-SENDER");
    Prefs::shared().setAccounts({sending, other});
    ComposeWindowController* compose = openNew();
    compose->to()->setText(QStringLiteral("ada@example.org"));
    const qsizetype before = m_smtp.messages().size();
    compose->sendPressed();
    tick(compose);
    if (accountID == QStringLiteral("ACC-SENDER"))
        Prefs::shared().setAccounts({other});  // the other account must not send it
    for (int i = 0; i < 4; ++i)
        tick(compose);
    QTEST(compose->status()->raw(), "status");
    QVERIFY(!compose->status()->dimmed());
    QVERIFY(!compose->sending());
    QCOMPARE(compose->sendButton()->title(), QStringLiteral("send  ctrl+↵"));
    QTest::qWait(300);
    QCOMPARE(m_smtp.messages().size(), before);
}

void ComposeServerTest::forwardCarriesTheOriginal()
{
    m_dovecot.deliver("sender", "INBOX", original);
    const Account sender = account("ACC-SENDER");
    MailStore::shared().replace(sender.id, IMAPSession::fetchInbox(sender, QStringLiteral("pw"), 0));
    const MailList inbox = MailStore::shared().items(0, sender.id);
    QVERIFY(inbox.size() >= 1);
    const MailItem mail = inbox[0];
    QCOMPARE(mail.subject, QStringLiteral("the report"));

    ComposeWindowController* compose = openNew(std::nullopt, mail);
    QVERIFY(compose->loadingOriginal());
    QCOMPARE(compose->subject()->text(), QStringLiteral("Fwd: the report"));
    QCOMPARE(compose->status()->raw(), QStringLiteral("loading the mail to forward …"));
    QCOMPARE(compose->body()->text(), QStringLiteral("\n\n") + ComposeText::forwardHeader(mail) + QStringLiteral("loading …"));
    // Written above the block while it loads, and an early press that must not count.
    compose->body()->textCursor().insertText(QStringLiteral("see below"));
    compose->to()->setText(QStringLiteral("bob@example.org"));
    compose->sendPressed();
    QCOMPARE(compose->countdown(), 0);

    QTRY_VERIFY_WITH_TIMEOUT(!compose->loadingOriginal(), 30000);
    const QString body = compose->body()->text();
    QVERIFY2(body.startsWith(QStringLiteral("see below\n\n") + ComposeText::forwardHeader(mail) + QStringLiteral("here it is")), qPrintable(body));
    QCOMPARE(compose->body()->textCursor().position(), 0);
    QCOMPARE(compose->files().size(), 1);
    QCOMPARE(compose->files()[0].name, QStringLiteral("report.pdf"));
    QCOMPARE(compose->filesButton()->title(), QStringLiteral("1 · 1 kb · report.pdf   ⌄"));
    QCOMPARE(compose->status()->raw(), QStringLiteral("ctrl+↵ send · you get 5 seconds to take it back"));

    sendAndWait(compose);
    QCOMPARE(compose->status()->raw(), QStringLiteral("sent."));
    const QByteArray data = m_smtp.messages().last().data;
    QVERIFY(hasHeaderLine(data, "Subject: Fwd: the report"));
    QVERIFY(data.contains("filename=\"report.pdf\""));
    QVERIFY(data.contains("JVBERi0xLjQK"));
    QVERIFY(!data.contains("In-Reply-To:"));
}

void ComposeServerTest::forwardThatCannotLoad()
{
    Prefs::shared().setAccounts({account("ACC-SENDER"), account("ACC-NOPW", "nopw")});
    MailItem mail;
    mail.accountID = QStringLiteral("ACC-NOPW");
    mail.uid = 1;
    mail.fromEmail = QStringLiteral("ada@example.org");
    mail.subject = QStringLiteral("WG: lost");
    ComposeWindowController* compose = openNew(std::nullopt, mail);
    QTRY_VERIFY(!compose->loadingOriginal());
    QCOMPARE(compose->status()->raw(), QStringLiteral("! could not load the original: no password in keychain"));
    QVERIFY(!compose->status()->dimmed());
    QCOMPARE(compose->subject()->text(), QStringLiteral("WG: lost"));
    QVERIFY(compose->body()->text().endsWith(QStringLiteral("loading …")));
    compose->to()->setText(QStringLiteral("bob@example.org"));
    compose->sendPressed();
    QCOMPARE(compose->countdown(), 5);
    compose->takeBack();
}

void ComposeServerTest::sentCopy_data()
{
    QTest::addColumn<bool>("serverFiles");
    QTest::addColumn<bool>("closeWhileSending");
    QTest::newRow("appended once, seen") << false << false;
    QTest::newRow("the server filed it already") << true << false;
    QTest::newRow("window closed while sending") << false << true;
}

void ComposeServerTest::sentCopy()
{
    QFETCH(bool, serverFiles);
    QFETCH(bool, closeWhileSending);
    waitForFiling();  // copies of earlier tests' mails are filed by now
    ComposeWindowController* compose = openNew();
    compose->to()->setText(QStringLiteral("ada@example.org"));
    compose->subject()->setText(QStringLiteral("keep a copy"));
    const qsizetype before = m_smtp.messages().size();
    compose->sendPressed();
    for (int i = 0; i < 5; ++i)
        tick(compose);
    if (closeWhileSending) {
        QVERIFY(compose->sending());
        compose->window()->close();
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_smtp.messages().size(), before + 1, 30000);
    const QByteArray data = m_smtp.messages().last().data;
    const QByteArray idLine = data.mid(data.indexOf("Message-ID: ") + 12);
    const QString messageID = QString::fromLatin1(idLine.left(idLine.indexOf("\r\n")));
    QVERIFY(messageID.startsWith(u'<') && messageID.endsWith(u'>'));
    if (serverFiles)
        m_dovecot.deliver("sender", "Sent", data, true);  // within the grace the window leaves the server
    QTRY_COMPARE_WITH_TIMEOUT(SentCopy::running(), 1, 5000);
    waitForFiling();
    const QList<QStringList> copies = copiesInSent(messageID);
    QCOMPARE(copies.size(), 1);
    QVERIFY2(copies[0].contains(QStringLiteral("\\Seen")), qPrintable(copies[0].join(u' ')));
    // The refresh at the end brings the copy into the store's sent mail.
    const MailList out = MailStore::shared().items(MailStore::outView);
    QVERIFY(std::any_of(out.begin(), out.end(), [&](const MailItem& mail) { return mail.messageID == messageID; }));
}

QTEST_MAIN(ComposeServerTest)
#include "ComposeServerTest.moc"
