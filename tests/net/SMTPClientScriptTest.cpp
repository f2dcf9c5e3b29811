// What a real SMTP server will not do, played by a scripted peer: long and endless replies,
// odd codes, silence, and a server that hangs up right after taking the mail.
#include "net/ConnectionTesting.h"
#include "net/MailError.h"
#include "net/PlatformError.h"
#include "net/SMTPClient.h"
#include "support/ErrorText.h"
#include "support/PeakMemory.h"
#include "support/ScriptedServer.h"

#include <QElapsedTimer>
#include <QTest>

using namespace std::chrono_literals;

namespace {

using Lines = QList<QByteArray>;

// Greets, then answers each client line with the next reply, taking in the message after DATA.
// "TLS" answers 220 and starts TLS; "HANGUP" answers 250 and closes at once.
ScriptedServer::Script dialogue(const QByteArray& greeting, const Lines& replies)
{
    return [greeting, replies](ScriptedPeer& peer) {
        peer.send(greeting);
        for (const QByteArray& reply : replies) {
            const QByteArray line = peer.readLine();
            if (line.isEmpty())
                return;
            if (line == "DATA") {
                peer.send("354 go ahead\r\n");
                for (int n = 0; n < 20 && peer.readLine() != "."; ++n) {
                }
            }
            if (reply == "HANGUP") {
                peer.send("250 queued\r\n");
                peer.close();
                return;
            }
            if (reply == "TLS") {
                peer.send("220 ready\r\n");
                if (!peer.startTls())
                    return;
                continue;
            }
            peer.send(reply);
        }
        peer.readLine();  // QUIT, or nothing once the client has gone
    };
}

}  // namespace

class SMTPClientScriptTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void replies_data();
    void replies();
    void endlessReplyIsCutOff();
    void endlessLineIsCutOffWhileReading();
    void silentServerTimesOut();
    void dotStuffing_data();
    void dotStuffing();

private:
    void send(const ScriptedServer& server, const QStringList& recipients = {"bob@example.org"});

    TestCertificates m_certificates;
    TestCertificates::Pair m_pair;
};

void SMTPClientScriptTest::initTestCase()
{
    QVERIFY2(m_certificates.isValid(), qPrintable(m_certificates.error()));
    m_pair = m_certificates.issue("scripted", {"IP:127.0.0.1"});
    QVERIFY(!m_pair.certificateFile.isEmpty());
    ConnectionTesting::trustCertificates({m_certificates.authority()});
}

void SMTPClientScriptTest::send(const ScriptedServer& server, const QStringList& recipients)
{
    Account account;
    account.smtpHost = server.host();
    account.smtpPort = server.port();
    account.smtpUser = "u";
    SMTPClient::send(account, "p", "a@example.org", recipients, "Subject: x\r\n\r\nbody\r\n");
}

void SMTPClientScriptTest::replies_data()
{
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<Lines>("replies");
    QTest::addColumn<QString>("error");
    QTest::addColumn<Lines>("sent");  // the client's lines up to and without the message

    const Lines fullDialogue = {"EHLO lumara.local", "STARTTLS", "EHLO lumara.local", "AUTH PLAIN AHUAcA==",
                                "MAIL FROM:<a@example.org>", "RCPT TO:<bob@example.org>", "DATA"};
    const QByteArray ehlo = "250-smtp.test\r\n250-PIPELINING\r\n250-SIZE 1000\r\n250 AUTH PLAIN\r\n";
    QTest::newRow("multi-line EHLO replies and three-digit lines")
        << QByteArray("220-first\r\n220\r\n") << Lines{ehlo, "TLS", ehlo, "235\r\n", "250\r\n", "250\r\n", "250\r\n", "221\r\n"}
        << "" << fullDialogue;
    QTest::newRow("server hangs up after taking the mail")
        << QByteArray("220 hi\r\n") << Lines{ehlo, "TLS", ehlo, "235 ok\r\n", "250 ok\r\n", "250 ok\r\n", "HANGUP"}
        << "" << fullDialogue;
    QTest::newRow("greeting other than 220") << QByteArray("554-no service\r\n554 go away\r\n") << Lines{}
                                             << "554-no service 554 go away" << Lines{};
    QTest::newRow("code that is not a number") << QByteArray("220 hi\r\n") << Lines{"2x0 odd\r\n"} << "2x0 odd"
                                               << Lines{"EHLO lumara.local"};
    QTest::newRow("continuation code differs: the last line counts")
        << QByteArray("220 hi\r\n") << Lines{"250-fine\r\n421 closing\r\n"} << "250-fine 421 closing"
        << Lines{"EHLO lumara.local"};
    // The text shows on one line of the window: escapes replaced, cut to a readable length.
    const QString kept = QString::fromUtf8("554 \uFFFD[2J\uFFFD");
    QTest::newRow("control characters and a long text") << "554 \x1b[2J\x07" + QByteArray(1000, 'x') + "\r\n" << Lines{}
                                                       << kept + QString(MailError::maxServerText - kept.size(), 'x') + u'\u2026'
                                                       << Lines{};
    QTest::newRow("message refused after the data")
        << QByteArray("220 hi\r\n") << Lines{ehlo, "TLS", ehlo, "235 ok\r\n", "250 ok\r\n", "250 ok\r\n", "552 too big\r\n"}
        << "552 too big" << fullDialogue;
}

void SMTPClientScriptTest::replies()
{
    QFETCH(QByteArray, greeting);
    QFETCH(Lines, replies);
    QFETCH(QString, error);
    QFETCH(Lines, sent);
    ScriptedServer server(dialogue(greeting, replies), {m_pair});
    QCOMPARE(errorOf([&] { send(server); }), error);
    // The client has closed on its way out, success or not: the script's last read ends at once.
    QElapsedTimer timer;
    timer.start();
    Lines received = server.received();
    QVERIFY(timer.elapsed() < 5000);
    const qsizetype data = received.indexOf("DATA");
    if (data >= 0) {
        QCOMPARE(received.mid(data + 1, 3), Lines({"Subject: x", "", "body"}));
        QCOMPARE(received.value(data + 4), ".");
        const bool quit = error.isEmpty() && replies.last() != "HANGUP";
        QCOMPARE(received.value(data + 5), quit ? QByteArray("QUIT") : QByteArray());
        received = received.first(data + 1);
    }
    QCOMPARE(received, sent);
}

void SMTPClientScriptTest::endlessReplyIsCutOff()
{
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.send("220 hi\r\n");
        peer.readLine();
        // Far more than the client keeps; the writes fail fast once it has hung up.
        for (int batch = 0; batch < 500; ++batch)
            peer.send(QByteArray("250-and more\r\n").repeated(1000));
    }, {m_pair});
    QCOMPARE(errorOf([&] { send(server); }), "unexpected answer: a server reply longer than 65536 bytes");
}

void SMTPClientScriptTest::endlessLineIsCutOffWhileReading()
{
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.send("220-");
        const QByteArray piece(64 * 1024, 'x');
        for (int n = 0; n < 4096; ++n)
            peer.send(piece);  // 256 MiB; fails fast once the client has gone
    }, {m_pair});
    QVERIFY(PeakMemory::reset());
    const double before = PeakMemory::mebibytes();
    const QString error = errorOf([&] { send(server); });
    const double growth = PeakMemory::mebibytes() - before;
    qInfo("peak memory grew by %.1f MiB while the server sent up to 256 MiB", growth);
    QCOMPARE(error, "unexpected answer: a line longer than 65536 bytes");
    QVERIFY2(growth < 16, qPrintable(QString::number(growth)));
}

void SMTPClientScriptTest::silentServerTimesOut()
{
    ScriptedServer server([](ScriptedPeer& peer) { peer.pause(1500); }, {m_pair});
    ConnectionTesting::setTimeout(300ms);
    QElapsedTimer timer;
    timer.start();
    const QString error = errorOf([&] { send(server); });
    ConnectionTesting::setTimeout(60s);
    QVERIFY2(error.contains("timed out", Qt::CaseInsensitive), qPrintable(error));
    QVERIFY(timer.elapsed() < 1400);
}

void SMTPClientScriptTest::dotStuffing_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("stuffed");

    QTest::newRow("leading dots get one more") << QByteArray("a\r\n.b\r\n..\r\n.\r\n") << QByteArray("a\r\n..b\r\n...\r\n..\r\n");
    QTest::newRow("dot inside a line stays") << QByteArray("a.b\r\n") << QByteArray("a.b\r\n");
    QTest::newRow("bare LF becomes CR LF") << QByteArray("a\n.b\nc") << QByteArray("a\r\n..b\r\nc\r\n");
    QTest::newRow("no final line break: one is added") << QByteArray("a\r\nb") << QByteArray("a\r\nb\r\n");
    QTest::newRow("final line break: no empty line added") << QByteArray("a\r\n") << QByteArray("a\r\n");
    QTest::newRow("empty lines kept") << QByteArray("a\r\n\r\n\r\nb\r\n") << QByteArray("a\r\n\r\n\r\nb\r\n");
    QTest::newRow("bytes that are not UTF-8 pass unchanged") << QByteArray("\xff\xfe.\r\n") << QByteArray("\xff\xfe.\r\n");
    QTest::newRow("empty message") << QByteArray() << QByteArray();
}

void SMTPClientScriptTest::dotStuffing()
{
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, stuffed);
    QCOMPARE(SMTPClient::dotStuffed(message), stuffed);
}

QTEST_GUILESS_MAIN(SMTPClientScriptTest)
#include "SMTPClientScriptTest.moc"
