// fetchInbox of 1,000, 10,000 and 50,000 headers from a private Dovecot, beside
//  (a) openssl s_client sending the same LOGIN, SELECT and FETCH over the same TLS port, all at
//      once: the wire and the server, our floor (curl refuses FETCH answers over 300 KB). Ours
//      looks for the Sent mailbox besides (LIST, SELECT), one round trip after another: sent
//      at once behind the FETCH, a LIST holds Dovecot's answer back for a third of a second;
//  (b) Python's imaplib and email package building the same fields.
// Each runs as its own process under /usr/bin/time, the three taking turns five times: median
// wall time, our processor time (user and system), and peak memory. --serve starts the server
// with its mails and prints the command of one fetch, for a profiler.
#include "BenchMail.h"
#include "core/Account.h"
#include "net/ConnectionTesting.h"
#include "net/IMAPSession.h"
#include "support/DovecotServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <optional>
#include <cstdio>
#include <vector>

namespace {

const QString user = QStringLiteral("bench");
const QString password = QStringLiteral("bench-pw");
const QByteArray fields =
    "FROM TO CC SUBJECT DATE MESSAGE-ID IN-REPLY-TO REFERENCES REPLY-TO AUTHENTICATION-RESULTS RECEIVED";

struct Run {
    double seconds = 0;
    double cpuSeconds = 0;
    qint64 peakKiB = 0;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The child side: one fetchInbox, as the mail check does it.
int fetchAsChild(const QStringList& args)
{
    const QString host = args[2], ca = args[3];
    const int limit = args[4].toInt();
    ConnectionTesting::trustCertificates(QSslCertificate::fromPath(ca));
    const Account account{"BENCH", "bench@example.org", "Bench", host, DovecotServer::tlsPort, user, host, 465, user};
    const std::vector<MailItem> items = IMAPSession::fetchInbox(account, password, limit);
    std::fprintf(stderr, "%zu\n", items.size());
    return items.size() >= size_t(limit) ? 0 : 1;
}

struct Command {
    QString program;
    QStringList arguments;
};

// One run of `command`: wall time, processor time, peak memory; none when it failed.
std::optional<Run> runOnce(const Command& command)
{
    QProcess process;
    process.start("/usr/bin/time", QStringList{"-f", "%e %M %U %S", command.program} + command.arguments);
    process.waitForFinished(600000);
    const QList<QByteArray> lines = process.readAllStandardError().trimmed().split('\n');
    const QList<QByteArray> figures = lines.last().split(' ');
    if (process.exitCode() != 0 || figures.size() != 4) {
        std::printf("  %s failed: %s\n", qPrintable(command.program), lines.join(" | ").constData());
        return std::nullopt;
    }
    return Run{figures[0].toDouble(), figures[2].toDouble() + figures[3].toDouble(), figures[1].toLongLong()};
}

// The commands take turns, five rounds, each round begun by the next of them: what slows the
// machine for a while slows each alike, none always follows the same one, and the ratios between
// their medians stay fair.
std::vector<Run> measure(const std::vector<Command>& commands)
{
    std::vector<std::vector<double>> seconds(commands.size()), cpu(commands.size());
    std::vector<Run> runs(commands.size());
    for (size_t round = 0; round < 5; ++round) {
        for (size_t turn = 0; turn < commands.size(); ++turn) {
            const size_t i = (round + turn) % commands.size();
            const std::optional<Run> run = runOnce(commands[i]);
            if (!run)
                return std::vector<Run>(commands.size());
            seconds[i].push_back(run->seconds);
            cpu[i].push_back(run->cpuSeconds);
            runs[i].peakKiB = std::max(runs[i].peakKiB, run->peakKiB);
        }
    }
    for (size_t i = 0; i < commands.size(); ++i) {
        runs[i].seconds = median(seconds[i]);
        runs[i].cpuSeconds = median(cpu[i]);
    }
    return runs;
}

void report(int count, const Run& ours, const Run& wire, const Run& python)
{
    std::printf("fetchInbox %5d headers: ours %.2f s (CPU %.2f s) / %lld MiB, openssl %.2f s / %lld MiB, python %.2f s / %lld MiB;"
                " ours/openssl %.2fx, python/ours %.2fx\n",
                count, ours.seconds, ours.cpuSeconds, ours.peakKiB / 1024, wire.seconds, wire.peakKiB / 1024, python.seconds,
                python.peakKiB / 1024, ours.seconds / wire.seconds, python.seconds / ours.seconds);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == "--child")
        return fetchAsChild(args);

    DovecotServer dovecot;
    if (!dovecot.start({{user, password}})) {
        std::printf("dovecot: %s\n", qPrintable(dovecot.error()));
        return 1;
    }
    constexpr int total = 50000;
    for (int n = 1; n <= total; ++n)
        dovecot.deliver(user, "INBOX", benchHeaderBlock(n) + "body\r\n", n % 3 == 0);
    QTemporaryDir dir;
    const QString ca = dir.filePath("ca.pem");
    QFile caFile(ca);
    caFile.open(QIODevice::WriteOnly);
    caFile.write(dovecot.authority().toPem());
    caFile.close();

    const QString self = QCoreApplication::applicationFilePath();
    if (args.size() == 2 && args[1] == "--serve") {
        std::printf("%s --child %s %s %d\n", qPrintable(self), qPrintable(dovecot.host()), qPrintable(ca), total);
        std::fflush(stdout);
        for (;;)
            QThread::sleep(1000);
    }
    const QString python = QStringLiteral(LUMARA_BENCH_DIR "/imaplib_peer.py");
    runOnce({self, {"--child", dovecot.host(), ca, QString::number(total)}});  // Dovecot builds its index once
    for (int count : {1000, 10000, 50000}) {
        const QString commands = dir.filePath(QStringLiteral("commands-%1").arg(count));
        QFile script(commands);
        script.open(QIODevice::WriteOnly);
        script.write(QStringLiteral("a LOGIN %1 %2\r\nb SELECT INBOX\r\n"
                                    "c FETCH %3:%4 (UID FLAGS INTERNALDATE BODY.PEEK[HEADER.FIELDS (%5)])\r\nd LOGOUT\r\n")
                         .arg(user, password)
                         .arg(total - count + 1)
                         .arg(total)
                         .arg(QString::fromLatin1(fields))
                         .toUtf8());
        script.close();
        const std::vector<Run> runs = measure({
            {self, {"--child", dovecot.host(), ca, QString::number(count)}},
            {"sh", {"-c", QStringLiteral("openssl s_client -quiet -ign_eof -connect %1:%2 -CAfile %3 < %4 > /dev/null 2>&1")
                              .arg(dovecot.host())
                              .arg(DovecotServer::tlsPort)
                              .arg(ca, commands)}},
            {python, {dovecot.host(), QString::number(DovecotServer::tlsPort), user, password, ca, QString::number(count)}},
        });
        const Run &ours = runs[0], &wire = runs[1], &py = runs[2];
        report(count, ours, wire, py);
    }
    return 0;
}
