// Figures for the IMAP read path:
//  1. parsing header FETCH responses of 1,000 and 10,000 messages into value trees, beside a
//     memchr scan of the same bytes (the floor: touching every byte once);
//  2. what a mail check does with each of 50,000 answers beyond the wire, per message: read it
//     (straight from its bytes), then make the mail item with its fraud hints;
//  3. reading one 30 MB literal through StreamConnection in 256 KiB chunks over loopback, beside a
//     bare socket gathering the same bytes into one buffer.
#include "BenchMail.h"
#include "core/Account.h"
#include "core/MailItem.h"
#include "net/FetchedHeader.h"
#include "net/IMAPParser.h"
#include "net/StreamConnection.h"
#include "support/ScriptedServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSslSocket>

#include <cstdio>
#include <cstring>

namespace {

// The responses as they stand after framing: first line, CR LF, literal, closing line.
std::vector<QByteArray> fetchResponses(int count, qint64& wireBytes)
{
    std::vector<QByteArray> responses;
    wireBytes = 0;
    for (int n = 1; n <= count; ++n) {
        const QByteArray header = benchHeaderBlock(n);
        QByteArray r = "* " + QByteArray::number(n) + " FETCH (UID " + QByteArray::number(1000 + n)
                       + (n % 3 ? " FLAGS (\\Seen)" : " FLAGS ()") + " INTERNALDATE \"17-Jul-2024 10:01:02 +0200\""
                       + " BODY[HEADER.FIELDS (FROM TO CC SUBJECT DATE MESSAGE-ID IN-REPLY-TO REFERENCES REPLY-TO"
                         " AUTHENTICATION-RESULTS RECEIVED)] {"
                       + QByteArray::number(header.size()) + "}\r\n" + header + ")";
        wireBytes += r.size() + 2;
        responses.push_back(std::move(r));
    }
    return responses;
}

template <class F>
double bestSeconds(int rounds, F&& work)
{
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

void benchParse(int count)
{
    qint64 bytes = 0;
    const std::vector<QByteArray> responses = fetchResponses(count, bytes);
    size_t sink = 0;
    const double scan = bestSeconds(20, [&] {
        for (const QByteArray& r : responses) {
            const char* p = r.constData();
            const char* end = p + r.size();
            while ((p = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p))))) {
                ++p;
                ++sink;
            }
        }
    });
    const double parse = bestSeconds(5, [&] {
        std::vector<IMAPResponse> parsed;
        parsed.reserve(responses.size());
        for (const QByteArray& r : responses)
            parsed.push_back(IMAPParser::parseUntagged(QByteArrayView(r).sliced(1)));
        sink += FetchedHeader::readAll(parsed, 1, count).size();
    });
    std::printf("header fetch, %5d messages, %6.1f MB: parse %8.1f MB/s, memchr scan %8.1f MB/s, ratio %.1fx  (%zu)\n",
                count, bytes / 1e6, bytes / parse / 1e6, bytes / scan / 1e6, parse / scan, sink % 10);
}

void benchItems(int count)
{
    qint64 bytes = 0;
    const std::vector<QByteArray> responses = fetchResponses(count, bytes);
    const Account account{"BENCH", "bench@example.org", "Bench", "imap.example.org", 993, "bench", "smtp.example.org", 465, "bench"};
    std::vector<FetchedHeader> headers;
    const double read = bestSeconds(5, [&] {
        headers.clear();
        headers.reserve(responses.size());
        for (const QByteArray& r : responses) {
            if (std::optional<FetchedHeader> header = FetchedHeader::read(QByteArrayView(r).sliced(1), 1, count))
                headers.push_back(std::move(*header));
        }
    });
    size_t sink = 0;
    const double items = bestSeconds(5, [&] {
        std::vector<MailItem> made;
        made.reserve(headers.size());
        for (const FetchedHeader& header : headers)
            made.push_back(MailItem::fromFetched(account, header, std::nullopt));
        sink = size_t(std::count_if(made.begin(), made.end(), [](const MailItem& item) { return item.ip.has_value(); }));
    });
    std::printf("check, %5d messages: read %.2f us, item %.2f us per message  (%zu)\n", count, read / count * 1e6,
                items / count * 1e6, sink % 10);
}

void benchLiteral()
{
    const qint64 size = 30 * 1024 * 1024;
    const QByteArray chunk(1 << 20, 'x');
    const auto serve = [&](ScriptedPeer& peer) {
        peer.send("{" + QByteArray::number(size) + "}\r\n");
        for (qint64 sent = 0; sent < size; sent += chunk.size())
            peer.send(chunk);
        peer.send(")\r\n");
    };

    double viaConnection = 1e9, bare = 1e9;
    for (int round = 0; round < 3; ++round) {
        {
            ScriptedServer server(serve);
            QElapsedTimer timer;
            timer.start();
            StreamConnection conn(server.host(), server.port());
            const qint64 length = IMAPParser::literalLength(conn.readLine()).value_or(0);
            const QByteArray literal = conn.readBytes(length);
            conn.readLine();
            viaConnection = std::min(viaConnection, double(timer.nsecsElapsed()) / 1e9);
            if (literal.size() != size)
                std::printf("short literal\n");
        }
        {
            ScriptedServer server(serve);
            QElapsedTimer timer;
            timer.start();
            QSslSocket socket;
            socket.connectToHost(server.host(), quint16(server.port()));
            socket.waitForConnected();
            QByteArray received;  // holds the bytes, as a reader of the literal must
            while (received.size() < size + 20 && socket.waitForReadyRead(5000))
                received += socket.read(StreamConnection::maxReadSize);
            bare = std::min(bare, double(timer.nsecsElapsed()) / 1e9);
        }
    }
    std::printf("30 MB literal: StreamConnection %7.1f MB/s, bare socket %7.1f MB/s, ratio %.2fx\n",
                size / viaConnection / 1e6, size / bare / 1e6, viaConnection / bare);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (only.isEmpty() || only == "parse") {
        benchParse(1000);
        benchParse(10000);
    }
    if (only.isEmpty() || only == "items")
        benchItems(50000);
    if (only.isEmpty() || only == "literal")
        benchLiteral();
    return 0;
}
