// Peak memory of the IMAP and SMTP clients while a server sends one line that never ends, for
// ever more bytes: it must stay near the line limit whatever the server sends. The server runs
// in this process, so its own buffers count as well.
#include "core/Account.h"
#include "net/ConnectionTesting.h"
#include "net/IMAPClient.h"
#include "net/SMTPClient.h"
#include "support/ErrorText.h"
#include "support/PeakMemory.h"
#include "support/ScriptedServer.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

ScriptedServer::Script endlessLine(const QByteArray& start, qint64 mebibytes)
{
    return [start, mebibytes](ScriptedPeer& peer) {
        peer.send(start);
        const QByteArray piece(64 * 1024, 'x');
        for (qint64 sent = 0; sent < mebibytes << 20; sent += piece.size())
            peer.send(piece);  // fails fast once the client has gone
    };
}

void report(const char* what, qint64 mebibytes, const std::function<QString()>& run)
{
    PeakMemory::reset();
    const double before = PeakMemory::mebibytes();
    const QString error = run();
    std::printf("%-22s %5lld MiB sent: peak memory +%6.1f MiB  (%s)\n", what, mebibytes,
                PeakMemory::mebibytes() - before, qPrintable(error));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TestCertificates certificates;
    const TestCertificates::Pair pair = certificates.issue("bench", {"IP:127.0.0.1"});
    if (!certificates.isValid() || pair.certificateFile.isEmpty()) {
        std::printf("no certificates: %s\n", qPrintable(certificates.error()));
        return 1;
    }
    ConnectionTesting::trustCertificates({certificates.authority()});
    for (const qint64 mebibytes : {16, 256, 1024}) {
        report("IMAP greeting", mebibytes, [&] {
            ScriptedServer server(endlessLine("* OK ", mebibytes), {pair, true});
            IMAPClient client(server.host(), server.port());
            return errorOf([&] { client.open(); });
        });
        report("SMTP greeting", mebibytes, [&] {
            ScriptedServer server(endlessLine("220-", mebibytes), {pair});
            Account account;
            account.smtpHost = server.host();
            account.smtpPort = server.port();
            account.smtpUser = QStringLiteral("u");
            return errorOf([&] { SMTPClient::send(account, "p", "a@example.org", {"b@example.org"}, "Subject: x\r\n\r\n"); });
        });
    }
    return 0;
}
