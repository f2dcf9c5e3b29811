// What a real server will not do, played by a scripted peer: odd greetings, refused
// extensions, hostile literals and mailbox names, and STARTTLS with bytes queued behind it.
#include "net/ConnectionTesting.h"
#include "net/IMAPClient.h"
#include "net/MailError.h"
#include "support/ErrorText.h"
#include "support/Loopback.h"
#include "support/PeakMemory.h"
#include "support/ScriptedServer.h"

#include <QTest>

namespace {

using Lines = QList<QByteArray>;

// Answers each client line with the reply the table gives for its command (tag and all
// after the tag's space), in order; the tag of the line is put before each reply.
ScriptedServer::Script dialogue(const QByteArray& greeting, const QList<QByteArray>& replies)
{
    return [greeting, replies](ScriptedPeer& peer) {
        peer.send(greeting + "\r\n");
        for (const QByteArray& reply : replies) {
            const QByteArray line = peer.readLine();
            if (line.isEmpty())
                return;
            const QByteArray tag = line.left(line.indexOf(' '));
            QByteArray answer = reply;
            answer.replace("$TAG", tag);
            peer.send(answer);
        }
    };
}

// Runs `steps` with a client of the scripted server, then drops the client so that the
// server's script ends, and gives the lines the client sent.
Lines conversation(ScriptedServer& server, const std::function<void(IMAPClient&)>& steps)
{
    {
        IMAPClient client(server.host(), server.port());
        client.open();
        steps(client);
    }
    return server.received();
}

}  // namespace

class IMAPClientScriptTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void greeting_data();
    void greeting();
    void tagsAndLowerCaseOk();
    void moveFallsBackToCopy();
    void expungeOnlyTheGivenSet_data();
    void expungeOnlyTheGivenSet();
    void failedCopyFailsTheMove();
    void appendRefusedBeforeContinuation();
    void unsafeTextIsNeverSent();
    void mailboxNameWithLineBreakFromServer();
    void hugeLiteralAnnouncement();
    void literalLengthPast64Bits();
    void endlessResponseKeepsMemoryFlat_data();
    void endlessResponseKeepsMemoryFlat();
    void peerClosesMidLine();
    void fetchMessageTakesOnlyItsUID_data();
    void fetchMessageTakesOnlyItsUID();
    void headerFetchTakesOnlyTheMessagesAskedFor();
    void starttlsDropsQueuedPlainBytes();

private:
    ScriptedServer::Options tls() const { return {m_pair, true}; }

    TestCertificates m_certificates;
    TestCertificates::Pair m_pair;
};

void IMAPClientScriptTest::initTestCase()
{
    QVERIFY2(m_certificates.isValid(), qPrintable(m_certificates.error()));
    m_pair = m_certificates.issue("scripted", {"IP:127.0.0.1"});
    QVERIFY(!m_pair.certificateFile.isEmpty());
    ConnectionTesting::trustCertificates({m_certificates.authority()});
}

void IMAPClientScriptTest::greeting_data()
{
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QString>("error");

    QTest::newRow("ok in lower case") << QByteArray("* ok IMAP ready") << "unexpected answer: * ok IMAP ready";
    QTest::newRow("bye") << QByteArray("* BYE too busy") << "unexpected answer: * BYE too busy";
    QTest::newRow("preauth still logs in") << QByteArray("* PREAUTH welcome") << "";
    const QString kept = QString::fromUtf8("* BYE \uFFFD]0;owned\uFFFD ");
    QTest::newRow("escapes and a long text: one readable line")
        << "* BYE \x1b]0;owned\x07\t\x0b" + QByteArray(1000, 'y') << "unexpected answer: " + kept + QString(MailError::maxServerText - kept.size(), 'y') + u'\u2026';
}

void IMAPClientScriptTest::greeting()
{
    QFETCH(QByteArray, greeting);
    QFETCH(QString, error);
    ScriptedServer server(dialogue(greeting, {"$TAG OK logged in\r\n"}), tls());
    IMAPClient client(server.host(), server.port());
    QCOMPARE(errorOf([&] {
                 client.open();
                 client.login("u", "p");
             }),
             error);
    client.logout();
    const Lines received = server.received();
    QCOMPARE(received.value(0), error.isEmpty() ? QByteArray("L1 LOGIN \"u\" \"p\"") : QByteArray("L1 LOGOUT"));
}

void IMAPClientScriptTest::tagsAndLowerCaseOk()
{
    ScriptedServer server(dialogue("* OK hi", {"$TAG ok fine\r\n", "* 12 EXISTS\r\n* 3 RECENT\r\n$TAG ok [READ-WRITE] done\r\n"}), tls());
    IMAPClient client(server.host(), server.port());
    client.open();
    client.login("u", "p");
    QCOMPARE(client.select("INBOX"), qint64(12));
    QCOMPARE(server.received(), Lines({"L1 LOGIN \"u\" \"p\"", "L2 SELECT \"INBOX\""}));
}

void IMAPClientScriptTest::moveFallsBackToCopy()
{
    ScriptedServer server(dialogue("* OK hi", {
        "* LIST (\\Trash) \"/\" Bin\r\n$TAG OK\r\n",
        "$TAG BAD unknown command\r\n",
        "$TAG OK copied\r\n",
        "$TAG OK stored\r\n",
        "$TAG OK expunged\r\n",
    }), tls());
    QCOMPARE(conversation(server, [](IMAPClient& client) { client.moveToTrash({5, 3, 9}); }), Lines({
        "L1 LIST \"\" \"*\"",
        "L2 UID MOVE 5,3,9 \"Bin\"",
        "L3 UID COPY 5,3,9 \"Bin\"",
        "L4 UID STORE 5,3,9 +FLAGS.SILENT (\\Deleted)",
        "L5 UID EXPUNGE 5,3,9",
    }));
}

void IMAPClientScriptTest::expungeOnlyTheGivenSet_data()
{
    QTest::addColumn<QByteArray>("uidExpungeReply");
    QTest::addColumn<Lines>("tail");

    QTest::newRow("UID EXPUNGE accepted") << QByteArray("$TAG OK\r\n") << Lines({"L3 UID EXPUNGE 4"});
    QTest::newRow("UID EXPUNGE refused: plain EXPUNGE")
        << QByteArray("$TAG BAD no UIDPLUS\r\n") << Lines({"L3 UID EXPUNGE 4", "L4 EXPUNGE"});
}

void IMAPClientScriptTest::expungeOnlyTheGivenSet()
{
    // Without a Trash the messages are flagged and expunged; other \Deleted mail must survive.
    QFETCH(QByteArray, uidExpungeReply);
    QFETCH(Lines, tail);
    ScriptedServer server(dialogue("* OK hi", {"* LIST () \"/\" INBOX\r\n$TAG OK\r\n", "$TAG OK\r\n", uidExpungeReply, "$TAG OK\r\n"}), tls());
    QCOMPARE(conversation(server, [](IMAPClient& client) { client.moveToTrash({4}); }), Lines({"L1 LIST \"\" \"*\"", "L2 UID STORE 4 +FLAGS.SILENT (\\Deleted)"}) + tail);
}

void IMAPClientScriptTest::failedCopyFailsTheMove()
{
    ScriptedServer server(dialogue("* OK hi", {
        "* LIST (\\Trash) \"/\" Trash\r\n$TAG OK\r\n",
        "$TAG NO move disabled\r\n",
        "$TAG NO [OVERQUOTA] quota exceeded\r\n",
    }), tls());
    const Lines sent = conversation(server, [](IMAPClient& client) {
        QCOMPARE(errorOf([&] { client.moveToTrash({1}); }), QString("NO [OVERQUOTA] quota exceeded"));
    });
    QCOMPARE(sent.size(), 3);  // no STORE, no EXPUNGE after a failed copy
}

void IMAPClientScriptTest::appendRefusedBeforeContinuation()
{
    ScriptedServer server(dialogue("* OK hi", {"$TAG NO [TRYCREATE] no such mailbox\r\n", "$TAG OK\r\n"}), tls());
    IMAPClient client(server.host(), server.port());
    client.open();
    QCOMPARE(errorOf([&] { client.append("Nowhere", "Subject: secret\r\n\r\nbody\r\n"); }),
             QString("NO [TRYCREATE] no such mailbox"));
    client.command("NOOP");
    QCOMPARE(server.received(), Lines({"L1 APPEND \"Nowhere\" (\\Seen) {25}", "L2 NOOP"}));
}

void IMAPClientScriptTest::unsafeTextIsNeverSent()
{
    ScriptedServer server(dialogue("* OK hi", {"$TAG OK\r\n"}), tls());
    IMAPClient client(server.host(), server.port());
    client.open();
    const QString refused = "not sent: the %1 contains a line break or a NUL character";
    QCOMPARE(errorOf([&] { client.select("INBOX\r\nL9 DELETE INBOX"); }), refused.arg("mailbox name"));
    QCOMPARE(errorOf([&] { client.searchText("invoice\nL9 LOGOUT"); }), refused.arg("search text"));
    QCOMPARE(errorOf([&] { client.login("u", QString("p") + QChar(0)); }), refused.arg("password"));
    QCOMPARE(errorOf([&] { client.append("Sent\r", "x"); }), refused.arg("mailbox name"));
    QCOMPARE(errorOf([&] { client.command("NOOP\r\nL9 DELETE INBOX"); }), refused.arg("command"));
    client.command("NOOP");
    QCOMPARE(server.received(), Lines({"L1 NOOP"}));
}

void IMAPClientScriptTest::mailboxNameWithLineBreakFromServer()
{
    // A literal lets a server hand out a name with CR LF in it; it must not become a second command.
    const QByteArray listing = "* LIST (\\Trash) \"/\" {18}\r\nTrash\r\nL9 DELETE x\r\n$TAG OK\r\n";
    ScriptedServer server(dialogue("* OK hi", {listing, listing, "$TAG OK\r\n"}), tls());
    IMAPClient client(server.host(), server.port());
    client.open();
    QCOMPARE(client.trashMailbox(), QString("Trash\r\nL9 DELETE x"));
    QVERIFY(errorOf([&] { client.moveToTrash({1}); }).startsWith("not sent"));
    client.logout();
    QCOMPARE(server.received(), Lines({"L1 LIST \"\" \"*\"", "L2 LIST \"\" \"*\"", "L3 LOGOUT"}));
}

void IMAPClientScriptTest::hugeLiteralAnnouncement()
{
    // Memory follows the bytes that arrive, not the length announced.
    ScriptedServer server(dialogue("* OK hi", {"* 1 FETCH (UID 1 BODY[] {9223372036854775807}\r\n" + QByteArray(1 << 20, 'x')}), tls());
    IMAPClient client(server.host(), server.port());
    client.open();
    QCOMPARE(errorOf([&] { client.fetchMessage(1); }), QString("connection closed"));
}

void IMAPClientScriptTest::literalLengthPast64Bits()
{
    ScriptedServer server(dialogue("* OK hi", {"* 1 FETCH (UID 1 BODY[] {99999999999999999999999}\r\nabc)\r\n$TAG OK\r\n"}), tls());
    IMAPClient client(server.host(), server.port());
    client.open();
    QCOMPARE(client.fetchMessage(1), QByteArray());
}

void IMAPClientScriptTest::endlessResponseKeepsMemoryFlat_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QByteArray>("piece");  // sent again and again, 256 MiB in all
    QTest::addColumn<QString>("error");

    QTest::newRow("a greeting without line end") << QByteArray("* OK ") << QByteArray(64 * 1024, 'x')
                                                 << "unexpected answer: a line longer than 1048576 bytes";
    QTest::newRow("short lines of empty literals")
        << QByteArray("* OK {0}\r\n") << QByteArray("x {0}\r\n").repeated(64 * 1024 / 7)
        << "unexpected answer: a response longer than 1048576 bytes outside its literals";
}

void IMAPClientScriptTest::endlessResponseKeepsMemoryFlat()
{
    QFETCH(QByteArray, start);
    QFETCH(QByteArray, piece);
    QFETCH(QString, error);
    ScriptedServer server([start, piece](ScriptedPeer& peer) {
        peer.send(start);
        for (qint64 sent = 0; sent < 256 << 20; sent += piece.size())
            peer.send(piece);  // fails fast once the client has gone
    }, tls());
    QVERIFY(PeakMemory::reset());
    const double before = PeakMemory::mebibytes();
    QString got;
    {
        IMAPClient client(server.host(), server.port());
        got = errorOf([&] { client.open(); });
    }
    // The scripted server in this process, the kernel's socket buffers drained into Qt's and the
    // sanitizer's quarantine of freed blocks count too (some 30 to 65 MiB here); without the
    // limit it was the whole 256 MiB several times over.
    const double growth = PeakMemory::mebibytes() - before;
    qInfo("peak memory grew by %.1f MiB while the server sent up to 256 MiB", growth);
    QCOMPARE(got, error);
    QVERIFY2(growth < 96, qPrintable(QString::number(growth)));
}

void IMAPClientScriptTest::peerClosesMidLine()
{
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.send("* OK hi\r\n");
        peer.readLine();
        peer.send("L1 O");
        peer.close();
    }, tls());
    IMAPClient client(server.host(), server.port());
    client.open();
    QCOMPARE(errorOf([&] { client.login("u", "p"); }), QString("connection closed"));
    QCOMPARE(errorOf([&] { client.select("INBOX"); }), QString("connection closed"));
}

void IMAPClientScriptTest::fetchMessageTakesOnlyItsUID_data()
{
    QTest::addColumn<QByteArray>("answers");
    QTest::addColumn<QString>("result");  // the body, or the error

    const QString notFound = "unexpected answer: message 5 not found";
    QTest::newRow("another message's body first")
        << QByteArray("* 1 FETCH (UID 4 BODY[] {5}\r\nwrong)\r\n* 2 FETCH (UID 5 BODY[] {5}\r\nright)\r\n") << "right";
    QTest::newRow("UID after the body") << QByteArray("* 2 FETCH (BODY[] {5}\r\nright UID 5)\r\n") << "right";
    QTest::newRow("only another message's body") << QByteArray("* 1 FETCH (UID 4 BODY[] {5}\r\nwrong)\r\n") << notFound;
    QTest::newRow("a body without UID") << QByteArray("* 2 FETCH (BODY[] {5}\r\nwrong)\r\n") << notFound;
}

void IMAPClientScriptTest::fetchMessageTakesOnlyItsUID()
{
    QFETCH(QByteArray, answers);
    QFETCH(QString, result);
    ScriptedServer server(dialogue("* OK hi", {answers + "$TAG OK done\r\n"}), tls());
    IMAPClient client(server.host(), server.port());
    client.open();
    QString got;
    const QString error = errorOf([&] { got = QString::fromUtf8(client.fetchMessage(5)); });
    QCOMPARE(error.isEmpty() ? got : error, result);
}

void IMAPClientScriptTest::headerFetchTakesOnlyTheMessagesAskedFor()
{
    // Servers report flags another client changed with a FETCH nobody asked for, mid-answer.
    const auto answer = [](int n) {
        const QByteArray header = "Subject: " + QByteArray::number(n) + "\r\n\r\n";
        return "* " + QByteArray::number(n) + " FETCH (UID " + QByteArray::number(10 + n) + " FLAGS () BODY[HEADER.FIELDS (SUBJECT)] {"
               + QByteArray::number(header.size()) + "}\r\n" + header + ")\r\n";
    };
    const QByteArray answers = "* 1 FETCH (UID 11 FLAGS (\\Flagged))\r\n" + answer(2) + "* 3 FETCH (UID 13 FLAGS (\\Seen))\r\n"
                               + answer(3) + answer(4) + "$TAG OK done\r\n";
    ScriptedServer server(dialogue("* OK hi", {answers}), tls());
    std::vector<FetchedHeader> headers;
    const Lines sent = conversation(server, [&](IMAPClient& client) { headers = client.fetchHeaders(2, 3); });
    QVERIFY(sent.value(0).startsWith("L1 FETCH 2:3 (UID FLAGS INTERNALDATE BODY.PEEK[HEADER.FIELDS ("));
    QCOMPARE(headers.size(), size_t(2));
    QCOMPARE(headers[0].uid, 12);
    QCOMPARE(headers[0].headers, QByteArray("Subject: 2\r\n\r\n"));
    QCOMPARE(headers[1].uid, 13);
    QCOMPARE(headers[1].headers, QByteArray("Subject: 3\r\n\r\n"));
}

void IMAPClientScriptTest::starttlsDropsQueuedPlainBytes()
{
    // Port 143: the greeting and STARTTLS in plain text, then TLS. An attacker may queue a forged
    // answer behind the STARTTLS reply; it must not be read as the server's answer to LOGIN.
    const LoopbackBlock block = freeLoopbackBlock({{1, 143}});
    QVERIFY2(block.error.isEmpty(), qPrintable(block.error));
    const TestCertificates::Pair pair = m_certificates.issue("starttls", {"IP:" + block.address(1)});
    QVERIFY(!pair.certificateFile.isEmpty());
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.send("* OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] hi\r\n");
        peer.readLine();
        peer.send("L1 OK begin TLS\r\nL2 OK forged\r\n");
        if (!peer.startTls())
            return;
        peer.readLine();
        peer.send("L2 NO [AUTHENTICATIONFAILED] from the real server\r\n");
    }, {pair, false, block.address(1), 143});
    QVERIFY2(server.error().isEmpty(), qPrintable(server.error()));
    IMAPClient client(server.host(), 143);
    client.open();
    QCOMPARE(errorOf([&] { client.login("u", "p"); }), QString("NO [AUTHENTICATIONFAILED] from the real server"));
    QCOMPARE(server.received(), Lines({"L1 STARTTLS", "L2 LOGIN \"u\" \"p\""}));
}

QTEST_GUILESS_MAIN(IMAPClientScriptTest)
#include "IMAPClientScriptTest.moc"
