#include "net/ConnectionTesting.h"
#include "net/MailError.h"
#include "net/PlatformError.h"
#include "net/StreamConnection.h"
#include "support/ScriptedServer.h"

#include <QElapsedTimer>
#include <QTest>

using namespace std::chrono_literals;

class StreamConnectionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void twoLinesInOneRead();
    void crAndLfInSeparateReads();
    void loneCrOrLfDoesNotEndALine();
    void bytesWithLineEndsInside();
    void closedMidLine();
    void closedMidByteRun();
    void stallTimesOut();
    void trickleDoesNotTimeOut();
    void trickleEndsAtTheDeadline();
    void refusedPort();
    void largeByteRunInChunks();
    void lineLimit_data();
    void lineLimit();
};

void StreamConnectionTest::twoLinesInOneRead()
{
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.send("first\r\n\r\nthird\r\n");
        peer.readLine();
    });
    StreamConnection conn(server.host(), server.port());
    QCOMPARE(conn.readLine(), QByteArray("first"));
    QCOMPARE(conn.readLine(), QByteArray(""));
    QCOMPARE(conn.readBytes(0), QByteArray());
    QCOMPARE(conn.readLine(), QByteArray("third"));
    conn.write("done\r\n");
    QCOMPARE(server.received(), QList<QByteArray>({"done"}));
}

void StreamConnectionTest::crAndLfInSeparateReads()
{
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.send("* OK hi\r");
        peer.pause(150);
        peer.send("\nnext\r\n");
    });
    StreamConnection conn(server.host(), server.port());
    QCOMPARE(conn.readLine(), QByteArray("* OK hi"));
    QCOMPARE(conn.readLine(), QByteArray("next"));
}

void StreamConnectionTest::loneCrOrLfDoesNotEndALine()
{
    ScriptedServer server([](ScriptedPeer& peer) { peer.send("a\nb\rc\r\n"); });
    StreamConnection conn(server.host(), server.port());
    QCOMPARE(conn.readLine(), QByteArray("a\nb\rc"));
}

void StreamConnectionTest::bytesWithLineEndsInside()
{
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.send("{9}\r\nab\r\n");
        peer.pause(100);
        peer.send("cd\r\ne)\r\n");
    });
    StreamConnection conn(server.host(), server.port());
    QCOMPARE(conn.readLine(), QByteArray("{9}"));
    QCOMPARE(conn.readBytes(9), QByteArray("ab\r\ncd\r\ne"));
    QCOMPARE(conn.readLine(), QByteArray(")"));
}

void StreamConnectionTest::closedMidLine()
{
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.send("* OK partial");
        peer.close();
    });
    StreamConnection conn(server.host(), server.port());
    try {
        conn.readLine();
        QFAIL("a line without CR LF was handed out");
    } catch (const MailError& e) {
        QCOMPARE(e.description(), QString("connection closed"));
    }
}

void StreamConnectionTest::closedMidByteRun()
{
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.send("abc");
        peer.close();
    });
    StreamConnection conn(server.host(), server.port());
    QVERIFY_THROWS_EXCEPTION(MailError, conn.readBytes(10));
}

void StreamConnectionTest::stallTimesOut()
{
    ConnectionTesting::setTimeout(300ms);
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.send("* OK");
        peer.pause(1500);
    });
    StreamConnection conn(server.host(), server.port());
    ConnectionTesting::setTimeout(60s);
    QElapsedTimer timer;
    timer.start();
    try {
        conn.readLine();
        QFAIL("a stalled read returned");
    } catch (const PlatformError& e) {
        QVERIFY2(e.description().contains("timed out", Qt::CaseInsensitive), qPrintable(e.description()));
    }
    QVERIFY(timer.elapsed() < 1400);
}

void StreamConnectionTest::trickleDoesNotTimeOut()
{
    ConnectionTesting::setTimeout(400ms);
    ScriptedServer server([](ScriptedPeer& peer) {
        for (char c : QByteArray("slow line\r\n")) {
            peer.send(QByteArray(1, c));
            peer.pause(100);
        }
    });
    StreamConnection conn(server.host(), server.port());
    ConnectionTesting::setTimeout(60s);
    QCOMPARE(conn.readLine(), QByteArray("slow line"));
}

void StreamConnectionTest::trickleEndsAtTheDeadline()
{
    ConnectionTesting::setTimeout(400ms);
    ConnectionTesting::setDeadline(1s);
    ScriptedServer server([](ScriptedPeer& peer) {
        for (int n = 0; n < 50 && peer.send("*"); ++n)
            peer.pause(100);
        peer.send("\r\n");
    });
    StreamConnection conn(server.host(), server.port());
    ConnectionTesting::setTimeout(60s);
    ConnectionTesting::setDeadline(30min);
    QElapsedTimer timer;
    timer.start();
    try {
        conn.readLine();
        QFAIL("a line that trickled in for five seconds was read");
    } catch (const MailError& e) {
        QCOMPARE(e.description(), QString("unexpected answer: the server did not finish in time"));
    }
    QVERIFY(timer.elapsed() < 2000);
    QVERIFY_THROWS_EXCEPTION(MailError, conn.write("x"));  // the conversation is over
}

void StreamConnectionTest::refusedPort()
{
    StreamConnection conn("127.0.0.1", 1);  // creation alone never fails
    try {
        conn.write("x");
        QFAIL("a write to a closed port succeeded");
    } catch (const PlatformError& e) {
        QVERIFY2(e.description().contains("refused", Qt::CaseInsensitive), qPrintable(e.description()));
    }
}

void StreamConnectionTest::largeByteRunInChunks()
{
    const qint64 size = 30 * 1024 * 1024 + 7;
    ScriptedServer server([size](ScriptedPeer& peer) {
        QByteArray chunk(1 << 20, 'x');
        chunk[0] = '\n';
        for (qint64 sent = 0; sent < size; sent += chunk.size())
            peer.send(chunk.left(std::min<qint64>(chunk.size(), size - sent)));
        peer.send("tail\r\n");
    });
    StreamConnection conn(server.host(), server.port());
    const QByteArray bytes = conn.readBytes(size);
    QCOMPARE(bytes.size(), size);
    QCOMPARE(bytes.count('\n'), 31);
    QCOMPARE(conn.readLine(), QByteArray("tail"));
}

void StreamConnectionTest::lineLimit_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("then");  // after a pause; then the server hangs up
    QTest::addColumn<QString>("result");   // the line, or the error

    const QString tooLong = "unexpected answer: a line longer than 8 bytes";
    QTest::newRow("as long as the limit") << QByteArray("12345678\r\n") << QByteArray() << "12345678";
    QTest::newRow("CR at the limit, LF in the next read") << QByteArray("12345678\r") << QByteArray("\n") << "12345678";
    QTest::newRow("a byte more") << QByteArray("123456789\r\n") << QByteArray() << tooLong;
    QTest::newRow("no line end: no waiting for more") << QByteArray("1234567890") << QByteArray("\r\n") << tooLong;
}

void StreamConnectionTest::lineLimit()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, then);
    QFETCH(QString, result);
    ScriptedServer server([first, then](ScriptedPeer& peer) {
        peer.send(first);
        peer.pause(1000);
        peer.send(then);
    });
    StreamConnection conn(server.host(), server.port());
    QElapsedTimer timer;
    timer.start();
    QString got;
    try {
        got = QString::fromUtf8(conn.readLine(8));
    } catch (const MailError& e) {
        got = e.description();
        QVERIFY(timer.elapsed() < 900);
    }
    QCOMPARE(got, result);
}

QTEST_GUILESS_MAIN(StreamConnectionTest)
#include "StreamConnectionTest.moc"
