// Sending against a private aiosmtpd: both ways of securing, refusals at each step, the envelope,
// and a built message that must come back whole from what the server recorded.
#include "content/MIME.h"
#include "net/ConnectionTesting.h"
#include "net/MailError.h"
#include "net/MessageBuilder.h"
#include "net/SMTPClient.h"
#include "support/ErrorText.h"
#include "support/SMTPServer.h"

#include <QTest>

namespace {

const QString alicePassword = QString::fromUtf8("pä ss:wörd");
const QByteArray simpleMessage = "Subject: hi\r\n\r\nfirst\r\n.\r\n..\r\nlast\r\n";

QByteArray authLine(const QString& user, const QString& password)
{
    return "AUTH PLAIN " + ('\0' + user.toUtf8() + '\0' + password.toUtf8()).toBase64();
}

}  // namespace

class SMTPClientTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void sendOverEachPort_data();
    void sendOverEachPort();
    void refusedSteps_data();
    void refusedSteps();
    void forwardingRecipientAccepted();
    void envelopeWithoutDuplicates();
    void unsafeInputRefusedBeforeConnecting_data();
    void unsafeInputRefusedBeforeConnecting();
    void builtMessageRoundTrip();

private:
    Account account(int port, const QString& user = QStringLiteral("alice@example.org")) const;

    SMTPServer m_server;
};

void SMTPClientTest::initTestCase()
{
    QVERIFY2(m_server.start({{"alice@example.org", alicePassword}}), qPrintable(m_server.error()));
    ConnectionTesting::trustCertificates({m_server.authority()});
}

Account SMTPClientTest::account(int port, const QString& user) const
{
    Account a;
    a.email = QStringLiteral("alice@example.org");
    a.smtpHost = m_server.host();
    a.smtpPort = port;
    a.smtpUser = user;
    return a;
}

void SMTPClientTest::sendOverEachPort_data()
{
    QTest::addColumn<bool>("implicitTls");
    QTest::newRow("TLS at once on 465") << true;
    QTest::newRow("STARTTLS on another port") << false;
}

void SMTPClientTest::sendOverEachPort()
{
    QFETCH(bool, implicitTls);
    const int port = implicitTls ? SMTPServer::tlsPort : m_server.starttlsPort();
    SMTPClient::send(account(port), alicePassword, "alice@example.org", {"bob@example.org", "carol@example.org"},
                     simpleMessage);

    QStringList expected = {"EHLO lumara.local"};
    if (!implicitTls)
        expected << "STARTTLS" << "EHLO lumara.local";
    expected << authLine("alice@example.org", alicePassword) << "MAIL FROM:<alice@example.org>"
             << "RCPT TO:<bob@example.org>" << "RCPT TO:<carol@example.org>" << "DATA";
    // QUIT is written but not waited for: the server may or may not read it before the close.
    QStringList lines = m_server.lines();
    lines.removeAll("QUIT");
    QCOMPARE(lines, expected);
    // Everything after the upgrade, AUTH above all, went over TLS.
    const QList<SMTPServer::Command> commands = m_server.commands();
    const int connection = commands.last().connection;
    for (const SMTPServer::Command& command : commands) {
        if (command.connection == connection && command.line != "EHLO lumara.local" && command.line != "STARTTLS")
            QVERIFY2(command.secure, qPrintable(command.line));
    }

    const SMTPServer::Message received = m_server.messages().last();
    QCOMPARE(received.connection, connection);
    QCOMPARE(received.from, "alice@example.org");
    QCOMPARE(received.recipients, QStringList({"bob@example.org", "carol@example.org"}));
    QCOMPARE(received.data, simpleMessage);
}

void SMTPClientTest::refusedSteps_data()
{
    QTest::addColumn<int>("port");  // 0: the STARTTLS port, -1: the port without TLS
    QTest::addColumn<QString>("password");
    QTest::addColumn<QStringList>("recipients");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("lastLine");

    QTest::newRow("wrong password: no MAIL FROM follows")
        << 0 << "wrong" << QStringList{"bob@example.org"} << "535 5.7.8 Authentication credentials invalid"
        << QString(authLine("alice@example.org", "wrong"));
    QTest::newRow("wrong password over 465") << 465 << "wrong" << QStringList{"bob@example.org"}
                                             << "535 5.7.8 Authentication credentials invalid"
                                             << QString(authLine("alice@example.org", "wrong"));
    QTest::newRow("refused recipient: none after it, no DATA")
        << 0 << alicePassword << QStringList{"bob@example.org", "nobody@example.org", "carol@example.org"}
        << "550 5.1.1 <nobody@example.org>: Recipient address rejected: User unknown"
        << "RCPT TO:<nobody@example.org>";
    QTest::newRow("STARTTLS refused with 454") << -1 << alicePassword << QStringList{"bob@example.org"}
                                               << "454 TLS not available" << "STARTTLS";
    QTest::newRow("no recipients: DATA right after MAIL FROM")
        << 0 << alicePassword << QStringList{} << "503 Error: need RCPT command" << "DATA";
}

void SMTPClientTest::refusedSteps()
{
    QFETCH(int, port);
    QFETCH(QString, password);
    QFETCH(QStringList, recipients);
    QFETCH(QString, error);
    QFETCH(QString, lastLine);
    const int messagesBefore = m_server.messages().size();
    port = port == 0 ? m_server.starttlsPort() : port < 0 ? m_server.noTlsPort() : port;

    QCOMPARE(errorOf([&] { SMTPClient::send(account(port), password, "alice@example.org", recipients, simpleMessage); }),
             error);
    // The client gives up at once: it sends neither QUIT nor anything else after the refused step.
    QTest::qWait(100);
    QCOMPARE(m_server.lines().last(), lastLine);
    QCOMPARE(m_server.messages().size(), messagesBefore);
}

void SMTPClientTest::forwardingRecipientAccepted()
{
    SMTPClient::send(account(m_server.starttlsPort()), alicePassword, "alice@example.org",
                     {"dave@forward.example", "bob@example.org"}, simpleMessage);
    QCOMPARE(m_server.messages().last().recipients, QStringList({"dave@forward.example", "bob@example.org"}));
}

void SMTPClientTest::envelopeWithoutDuplicates()
{
    SMTPClient::send(account(SMTPServer::tlsPort), alicePassword, "alice@example.org",
                     {"bob@example.org", "carol@example.org", "Bob@Example.org", "carol@example.org"}, simpleMessage);
    QCOMPARE(m_server.messages().last().recipients, QStringList({"bob@example.org", "carol@example.org"}));
}

void SMTPClientTest::unsafeInputRefusedBeforeConnecting_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QStringList>("recipients");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("error");

    const QString alice = "alice@example.org";
    const QString recipientError = "not sent: the recipient address contains a line break or a NUL character";
    const QString recipientParameter = "not sent: the recipient address contains a space, an angle bracket or a control character";
    QTest::newRow("command after the sender") << "alice@example.org>\r\nRCPT TO:<eve@evil.example" << QStringList{"bob@example.org"}
                                              << alice << alicePassword
                                              << "not sent: the sender address contains a line break or a NUL character";
    QTest::newRow("LF in a recipient") << alice << QStringList{"bob@example.org", "x>\nDATA"} << alice << alicePassword << recipientError;
    QTest::newRow("CR in a recipient") << alice << QStringList{"x\r@example.org"} << alice << alicePassword << recipientError;
    QTest::newRow("NUL in a recipient") << alice << QStringList{QString("x") + QChar(0) + "y"} << alice << alicePassword << recipientError;
    QTest::newRow("parameter after a recipient")
        << alice << QStringList{"bob@example.org> NOTIFY=NEVER"} << alice << alicePassword << recipientParameter;
    QTest::newRow("second path in a recipient")
        << alice << QStringList{"bob@example.org><eve@evil.example"} << alice << alicePassword << recipientParameter;
    QTest::newRow("tab in a recipient") << alice << QStringList{"bob@example.org\tx"} << alice << alicePassword << recipientParameter;
    QTest::newRow("escape in a recipient") << alice << QStringList{"bob\x1b@example.org"} << alice << alicePassword << recipientParameter;
    QTest::newRow("parameter after the sender")
        << "alice@example.org> RET=HDRS" << QStringList{"bob@example.org"} << alice << alicePassword
        << "not sent: the sender address contains a space, an angle bracket or a control character";
    QTest::newRow("NUL in the user name: a fourth AUTH PLAIN field")
        << alice << QStringList{"bob@example.org"} << QString("alice@example.org") + QChar(0) + "admin" << alicePassword
        << "not sent: the user name contains a line break or a NUL character";
    QTest::newRow("NUL in the password")
        << alice << QStringList{"bob@example.org"} << alice << alicePassword + QChar(0) + "x"
        << "not sent: the password contains a line break or a NUL character";
}

void SMTPClientTest::unsafeInputRefusedBeforeConnecting()
{
    QFETCH(QString, from);
    QFETCH(QStringList, recipients);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, error);
    const qsizetype commandsBefore = m_server.commands().size();
    QCOMPARE(errorOf([&] { SMTPClient::send(account(SMTPServer::tlsPort, user), password, from, recipients, simpleMessage); }),
             error);
    QTest::qWait(100);
    QCOMPARE(m_server.commands().size(), commandsBefore);
}

void SMTPClientTest::builtMessageRoundTrip()
{
    const QString letters(200, u'x');
    const QString body = QString::fromUtf8("Grüße aus Köln,\n") + letters + "\n.\n..\n.hidden\n"
        + "trailing blanks  \t\n=3D is not an escape\n\nlast line\n";
    QByteArray binary;
    for (int i = 0; i < 5000; ++i)
        binary += char(i * 7 % 256);
    MessageBuilder::Draft draft;
    draft.fromEmail = "alice@example.org";
    draft.fromName = QString::fromUtf8("Doe, Jürgen");
    draft.to = {"bob@example.org"};
    draft.subject = QString::fromUtf8("Änderungen für März — ") + QString(60, QChar(0x263A));
    draft.body = body;
    draft.attachments = {{"notes.txt", "text/plain", ".begins with a dot\r\n.\r\n"},
                         {QString::fromUtf8("Übersicht \"März\" 2024 – Entwurf für die Geschäftsführung.pdf"),
                          "application/pdf", binary}};
    const MessageBuilder::Message built = MessageBuilder::build(draft);

    SMTPClient::send(account(m_server.starttlsPort()), alicePassword, draft.fromEmail, draft.to, built.data);
    const QByteArray recorded = m_server.messages().last().data;
    QCOMPARE(recorded, built.data);

    const auto [headerBytes, bodyBytes] = MIME::splitHeaderBody(recorded);
    const MIME::HeaderList fields = MIME::headers(headerBytes);
    QCOMPARE(MIME::decodeWords(MIME::header(fields, "subject").value_or("")), draft.subject);
    QCOMPARE(MIME::address(MIME::header(fields, "from").value_or("")),
             (MIME::Address{draft.fromName, draft.fromEmail}));
    QCOMPARE(MIME::header(fields, "message-id").value_or(""), built.messageID);

    const MIME::Parsed parsed = MIME::parse(recorded);
    const QString readable = QString::fromUtf8("Grüße aus Köln,\n") + letters
        + "\n.\n..\n.hidden\ntrailing blanks\n=3D is not an escape\n\nlast line";
    QCOMPARE(parsed.text, readable);  // the reader drops blanks at line ends; the part keeps them:
    const QList<QByteArrayView> parts = MIME::splitMultipart(bodyBytes, MIME::params(MIME::header(fields, "content-type").value_or("")).params.value("boundary"));
    QCOMPARE(parts.size(), 3);
    QCOMPARE(QString::fromUtf8(MIME::qpDecode(MIME::splitHeaderBody(parts[0]).second)),
             QString(body).replace("\n", "\r\n"));
    QCOMPARE(parsed.attachments.size(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(parsed.attachments[i].name, QString(draft.attachments[i].name).replace(u'"', u'\''));
        QCOMPARE(parsed.attachments[i].type, draft.attachments[i].type);
        QCOMPARE(parsed.attachments[i].data, draft.attachments[i].data);
    }
}

QTEST_GUILESS_MAIN(SMTPClientTest)
#include "SMTPClientTest.moc"
