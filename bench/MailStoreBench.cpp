// The mail store with 50,000 items:
//  (a) one triage key and what the main window asks after it: the counts of IN, the five
//      drawers and ENTROPY, and the list of the current view (IN). Beside it the peer: one
//      plain copy of the 50,000 items, what a list handed out as copies of its mails costs.
//  (b) load of a 50,000-item cache.json beside QJsonDocument::fromJson of the same file, each in
//      fresh processes taking turns (time, CPU time, peak memory), and the save after a triage
//      key (state.json only) beside a save that rewrites cache.json too.
//  (c) a keystroke in the search field: search(), the search view with its unread count and the
//      seven sidebar counts, against the 16 ms of a frame; beside it the peer, one
//      case-insensitive QString::contains over the five searched fields of every mail.
// Peak memory of a load is measured in a child process that does nothing else. --typing and
// --loading run (c) or (b) alone.
#include "BenchMail.h"
#include "core/Account.h"
#include "core/AppIdentity.h"
#include "core/MailStore.h"
#include "net/FetchedHeader.h"
#include "support/TemporaryHome.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include <sys/resource.h>

namespace {

constexpr int itemCount = 50000;

std::vector<MailItem> makeItems(const Account& account)
{
    std::vector<MailItem> items;
    items.reserve(itemCount);
    for (int n = 0; n < itemCount; ++n) {
        const FetchedHeader header{n + 1, {n % 3 ? QStringLiteral("\\Seen") : QString()},
                                   QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC).addSecs(n * 97 % 8000000),
                                   benchHeaderBlock(n)};
        const bool sent = n % 10 == 0;
        MailItem item = MailItem::fromFetched(account, header, sent ? std::optional<QString>("Sent") : std::nullopt);
        item.fromEmail = QStringLiteral("sender%1@d%2.example").arg(n % 3000).arg(n % 700);
        if (n % 7 == 0)
            item.fromName = QStringLiteral("Zoë Müller-Ångström %1").arg(n);
        if (!sent)
            item.ip = QStringLiteral("198.51.%1.%2").arg(n % 200).arg(n % 250);
        items.push_back(std::move(item));
    }
    return items;
}

// This thread's own time: what is left when other programs take the cores.
double cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The process's own time, page faults included: what is left when other programs take the cores.
double processCpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The high-water mark of this process's memory (VmHWM; unlike ru_maxrss it starts afresh at exec).
qint64 peakKiB()
{
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

int keystroke(MailStore& store, const QString& text);

// The child: one load of the cache.json the parent wrote, or (the peer) QJsonDocument::fromJson
// of the same file's bytes, then its peak memory.
int loadAsChild(bool peer)
{
    const qint64 before = peakKiB();
    QElapsedTimer clock;
    clock.start();
    const double cpuStart = processCpuMilliseconds();
    size_t count = 0;
    double ms = 0, cpu = 0, firstKey = 0;
    qint64 peak = 0;
    if (peer) {
        QFile file(AppIdentity::dataFolder() + "/cache.json");
        file.open(QIODevice::ReadOnly);
        count = size_t(QJsonDocument::fromJson(file.readAll()).array().size());
        ms = double(clock.nsecsElapsed()) / 1e6;
        cpu = processCpuMilliseconds() - cpuStart;
        peak = peakKiB();
    } else {
        MailStore store;
        store.load();
        count = store.mails().size();
        ms = double(clock.nsecsElapsed()) / 1e6;
        cpu = processCpuMilliseconds() - cpuStart;
        peak = peakKiB();
        store.newCount();  // the badge, as the start sets it
        clock.restart();
        keystroke(store, QStringLiteral("q"));
        firstKey = double(clock.nsecsElapsed()) / 1e6;
    }
    std::printf("%.1f %lld %lld %zu %.1f %.2f\n", ms, before, peak, count, cpu, firstKey);
    return count == size_t(itemCount) ? 0 : 1;
}

void triageFrame(MailStore& store, const std::vector<MailItem>& items)
{
    std::vector<double> frames, copies, actions, countsTime, saves;
    store.newCount();
    for (int round = 0; round < 20; ++round) {
        QElapsedTimer clock;
        clock.start();
        store.save();
        saves.push_back(double(clock.nsecsElapsed()) / 1e6);
        store.finishSaving();
    }
    std::printf("save() of the triage state on the GUI thread: median %.2f ms\n", median(saves));
    int shown = 0;
    for (int round = 0; round < 60; ++round) {
        const MailItem& mail = items[size_t(round * 811 + 1) % items.size()];
        QElapsedTimer clock;
        clock.start();
        switch (round % 6) {
        case 0: store.assign(mail, 1 + round % 5); break;
        case 1: store.markDone(mail); break;
        case 2: store.trust(mail); break;
        case 3: store.markScam(mail); break;
        case 4: store.blockIP(mail); break;
        case 5: store.notScam(mail); break;
        }
        actions.push_back(double(clock.nsecsElapsed()) / 1e6);
        int counts = 0;
        for (int view : {0, 1, 2, 3, 4, 5, 9})
            counts += store.unreadCount(view);
        countsTime.push_back(double(clock.nsecsElapsed()) / 1e6 - actions.back());
        shown = int(store.items(0).size());
        frames.push_back(double(clock.nsecsElapsed()) / 1e6);
        Q_UNUSED(counts);

        clock.restart();
        const std::vector<MailItem> copy = store.mails();
        copies.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const double frame = median(frames), copy = median(copies);
    std::printf("triage key + 7 counts + IN list (%d rows): median %.2f ms, worst %.2f ms (aim 8 ms)\n", shown, frame,
                *std::max_element(frames.begin(), frames.end()));
    std::printf("  of which the key with its save: median %.2f ms, the counts: median %.2f ms\n", median(actions), median(countsTime));
    std::printf("  peer, one copy of the %d items:       median %.2f ms   ratio %.1f\n", itemCount, copy, frame / copy);
}

void loadAndSave(MailStore& store, const std::vector<MailItem>& items)
{
    store.save();
    store.finishSaving();
    const QString cachePath = AppIdentity::dataFolder() + "/cache.json";
    QFile file(cachePath);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();

    // Fresh processes in turn, so that neither finds the other's memory already faulted in.
    std::vector<double> loadMs, parseMs, loadCpu, parseCpu, loadPeak, parsePeak, firstKeys;
    QElapsedTimer clock;
    for (int round = 0; round < 5; ++round) {
        for (const bool peer : {false, true}) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(), {peer ? "--parse" : "--load"});
            child.waitForFinished(300000);
            const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
            if (child.exitCode() != 0 || figures.size() != 6) {
                std::printf("load failed\n");
                return;
            }
            (peer ? parseMs : loadMs).push_back(figures[0].toDouble());
            (peer ? parseCpu : loadCpu).push_back(figures[4].toDouble());
            if (!peer)
                firstKeys.push_back(figures[5].toDouble());
            (peer ? parsePeak : loadPeak).push_back(figures[2].toDouble() / 1024);
        }
    }
    std::printf("load of cache.json (%.1f MB, %d items) in a fresh process: median %.1f ms (CPU %.1f ms), peak memory %.0f MB\n",
                bytes.size() / 1e6, itemCount, median(loadMs), median(loadCpu), median(loadPeak));
    std::printf("  peer, QJsonDocument::fromJson of the file alone: median %.1f ms (CPU %.1f ms), peak %.0f MB\n",
                median(parseMs), median(parseCpu), median(parsePeak));
    std::printf("  ratios: time %.2f, CPU time %.2f, peak memory %.2f\n", median(loadMs) / median(parseMs),
                median(loadCpu) / median(parseCpu), median(loadPeak) / median(parsePeak));
    std::printf("  then the first search keystroke, which folds the items for the search: median %.2f ms (aim 16 ms)\n",
                median(firstKeys));

    std::vector<double> keyed, written, full;
    for (int round = 0; round < 10; ++round) {
        store.newCount();  // the classification after the last item change is not the key's cost
        clock.restart();
        store.trust(items[size_t(round) * 7]);  // saves state.json only
        keyed.push_back(double(clock.nsecsElapsed()) / 1e6);
        store.finishSaving();
        written.push_back(double(clock.nsecsElapsed()) / 1e6);
        std::vector<MailItem> again(items.begin(), items.end());
        again[size_t(round)].seen = !again[size_t(round)].seen;
        store.replace(items[0].accountID, std::move(again));
        clock.restart();
        store.save();  // an item changed: cache.json too
        store.finishSaving();
        full.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("save after a triage key (state.json only): median %.2f ms on the GUI thread, %.2f ms until on disk\n",
                median(keyed), median(written));
    std::printf("  peer, save after an item change (both files): median %.1f ms   ratio %.3f\n", median(full),
                median(written) / median(full));
}

// What the main window asks after a keystroke: the search view and its unread count, the
// counts of IN and the drawers, the size of ENTROPY and the badge.
int keystroke(MailStore& store, const QString& text)
{
    store.search(text);
    int seen = int(store.items(MailStore::searchView).size()) + store.unreadCount(MailStore::searchView);
    for (int view = 0; view <= 5; ++view)
        seen += store.unreadCount(view);
    return seen + int(store.items(MailStore::entropyView).size());
}

void typing(MailStore& store, const std::vector<MailItem>& items)
{
    const QStringList words = {"q", "qu", "qua", "quar", "quarterly", "R", "Re: quarterly report n° 4",
                               "zoe", "ZOË MÜ", "angstrom", "sender12", "d69.example", "nothing at all"};
    std::vector<double> typed, typedCpu, afterChange, afterChangeCpu, peers, peersCpu;
    int found = 0;
    store.finishSaving();  // a save still being written would share the processor
    for (int round = 0; round < 5; ++round) {
        for (const QString& word : words) {
            QElapsedTimer clock;
            clock.start();
            const double cpu = cpuMilliseconds();
            found += keystroke(store, word);
            typed.push_back(double(clock.nsecsElapsed()) / 1e6);
            typedCpu.push_back(cpuMilliseconds() - cpu);
        }
        // The first keystroke after a check replaced the items (and set the badge, as a check does).
        std::vector<MailItem> again(items.begin(), items.end());
        again[size_t(round)].seen = !again[size_t(round)].seen;
        store.replace(items[0].accountID, std::move(again));
        store.newCount();
        QElapsedTimer clock;
        clock.start();
        double cpu = cpuMilliseconds();
        found += keystroke(store, words[size_t(round) % words.size()]);
        afterChange.push_back(double(clock.nsecsElapsed()) / 1e6);
        afterChangeCpu.push_back(cpuMilliseconds() - cpu);

        clock.restart();
        cpu = cpuMilliseconds();
        int hits = 0;
        for (const MailItem& mail : store.mails()) {
            const auto has = [](const QString& field) { return field.contains(QLatin1String("quar"), Qt::CaseInsensitive); };
            hits += has(mail.subject) || has(mail.fromName) || has(mail.fromEmail) || has(mail.toName.value_or(QString()))
                    || has(mail.toEmail.value_or(QString()));
        }
        peers.push_back(double(clock.nsecsElapsed()) / 1e6);
        peersCpu.push_back(cpuMilliseconds() - cpu);
        found += hits;
    }
    store.search(QString());
    const double keyMs = median(typed), peerMs = median(peers);
    std::printf("search keystroke + search view + its unread count + 7 counts: median %.2f ms (CPU %.2f ms), worst %.2f ms (aim 16 ms)\n",
                keyMs, median(typedCpu), *std::max_element(typed.begin(), typed.end()));
    std::printf("  the first keystroke after the items changed: median %.2f ms (CPU %.2f ms), worst %.2f ms\n",
                median(afterChange), median(afterChangeCpu), *std::max_element(afterChange.begin(), afterChange.end()));
    std::printf("  peer, QString::contains ignoring case over 5 fields of %d mails: median %.2f ms (CPU %.2f ms)   ratio %.2f   (%d)\n",
                itemCount, peerMs, median(peersCpu), keyMs / peerMs, found > 0);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && (QByteArray(argv[1]) == "--load" || QByteArray(argv[1]) == "--parse")) {
        AppIdentity::apply();  // the folders come with the parent's environment
        return loadAsChild(QByteArray(argv[1]) == "--parse");
    }
    TemporaryHome home;
    const Account account{"BENCH", "bench@example.org", "Bench", "imap.example.org", 993, "bench", "smtp.example.org", 465, "bench"};
    const std::vector<MailItem> items = makeItems(account);
    MailStore store;
    store.replace(account.id, items);
    for (int n = 0; n < 2000; ++n)  // some triage state already there
        store.assign(items[size_t(n) * 13], 1 + n % 5);
    if (argc > 1 && QByteArray(argv[1]) == "--typing") {  // alone, for a profiler
        typing(store, items);
        return 0;
    }
    if (argc > 1 && QByteArray(argv[1]) == "--loading") {
        loadAndSave(store, items);
        return 0;
    }
    triageFrame(store, items);
    typing(store, items);
    loadAndSave(store, items);
    return 0;
}
