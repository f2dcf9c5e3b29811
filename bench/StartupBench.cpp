// Start-up of the whole program to its first painted main window, each run a fresh process:
// with a 50,000-item cache and with none, beside the store's load alone in a fresh process of its
// own, so that the window's own share of the start shows.
#include "BenchMail.h"
#include "core/Account.h"
#include "core/AppIdentity.h"
#include "core/MailStore.h"
#include "net/FetchedHeader.h"
#include "ui/main/App.h"
#include "ui/main/MainWindow.h"
#include "ui/main/MainWindowController.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int itemCount = 50000;
constexpr int runs = 7;

qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Prints the moment the main window's content is first painted, then ends the program.
class FirstPaint : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            std::printf("%lld\n", monotonicNs());
            std::fflush(stdout);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool m_seen = false;
};

int child(int argc, char** argv, const QString& mode)
{
    QApplication application(argc, argv);
    AppIdentity::apply();
    if (mode == u"load") {
        const qint64 start = monotonicNs();
        MailStore::shared().load();
        std::printf("%lld\n", monotonicNs() - start);
        return 0;
    }
    App app;
    FirstPaint watcher;
    app.start();
    app.mainController()->window()->centralWidget()->installEventFilter(&watcher);
    return QApplication::exec();
}

void writeCache(const QString& dataHome)
{
    qputenv("XDG_DATA_HOME", dataHome.toUtf8());
    AppIdentity::apply();
    const Account account{"BENCH", "bench@example.org", "Bench", "imap.example.org", 993, "bench", "smtp.example.org", 465, "bench"};
    std::vector<MailItem> items;
    items.reserve(itemCount);
    for (int n = 0; n < itemCount; ++n) {
        const FetchedHeader header{n + 1, {n % 3 ? QStringLiteral("\\Seen") : QString()},
            QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC).addSecs(n * 97 % 8000000), benchHeaderBlock(n)};
        items.push_back(MailItem::fromFetched(account, header, std::nullopt));
    }
    MailStore store;
    store.replace(account.id, items);
    store.save();
    store.finishSaving();
}

// Milliseconds from starting the process to what it prints (a moment or a duration in ns).
double runChild(const QString& self, const QString& mode, const QString& home, bool printsDuration)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_HOME", home + "/data");
    environment.insert("XDG_CONFIG_HOME", home + "/config");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");  // never the user's own session
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 start = monotonicNs();
    process.start(self, {"--child", mode});
    process.waitForFinished(120000);
    const qint64 printed = process.readAllStandardOutput().trimmed().toLongLong();
    return double(printsDuration ? printed : printed - start) / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--child")
        return child(argc, argv, QString::fromLatin1(argv[2]));

    QCoreApplication application(argc, argv);
    QTemporaryDir full, empty;
    QDir().mkpath(empty.filePath("data"));
    writeCache(full.filePath("data"));

    std::vector<double> withCache, without, load;
    for (int run = 0; run < runs; ++run) {
        withCache.push_back(runChild(argv[0], "window", full.path(), false));
        without.push_back(runChild(argv[0], "window", empty.path(), false));
        load.push_back(runChild(argv[0], "load", full.path(), true));
    }
    const double window = median(withCache) - median(load);
    std::printf("start-up to the first painted main window, fresh processes, median of %d\n", runs);
    std::printf("  with a %d-item cache:  %7.1f ms\n", itemCount, median(withCache));
    std::printf("  without a cache:         %7.1f ms\n", median(without));
    std::printf("  the store's load alone:  %7.1f ms (in a process of its own)\n", median(load));
    std::printf("  the window's share beyond the load: %.1f ms (aim: under 150 ms)\n", window);
    return 0;
}
