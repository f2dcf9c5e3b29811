// Rebuilding the settings page, as every store change does: 10 accounts and 300 blocked senders,
// domains and servers. Timed alone, and with what follows before the user sees it: the old rows
// deleted, the layout done and the visible part painted. The keyring is a real one on a private bus.
#include "core/AppIdentity.h"
#include "core/MailStore.h"
#include "core/MailStoreState.h"
#include "core/Prefs.h"
#include "support/KeyringSession.h"
#include "support/TemporaryHome.h"
#include "ui/look/Theme.h"
#include "ui/settings/SettingsView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int rounds = 60;

struct Figures {
    double median;
    double worst;
};

Figures figures(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

void seed()
{
    QList<Account> accounts;
    for (int n = 0; n < 10; ++n) {
        const QString user = QStringLiteral("someone.%1@mail%1.example.org").arg(n);
        accounts.append({QStringLiteral("00000000-0000-0000-0000-%1").arg(n, 12, 10, QLatin1Char('0')), user, QString(),
            QStringLiteral("imap.example.org"), 993, user, QStringLiteral("smtp.example.org"), 587, user});
    }
    Prefs::shared().setAccounts(accounts);
    MailStoreState state;
    for (int n = 0; n < 100; ++n) {
        state.scamSenders.insert(QStringLiteral("sender%1@spam%1.example").arg(n));
        state.blockedDomains.insert(QStringLiteral("domain%1.example").arg(n));
        state.blockedIPs.insert(QStringLiteral("203.0.%1.%2").arg(n / 50).arg(n % 50 + 1));
    }
    QFile file(AppIdentity::dataFolder() + QStringLiteral("/state.json"));
    if (file.open(QIODevice::WriteOnly))
        file.write(state.encode());
    file.close();
    MailStore::shared().load();
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TemporaryHome home;
    KeyringSession keyring(KeyringSession::Keyring::Unlocked);
    if (const QString failure = keyring.start(); !failure.isEmpty()) {
        std::fprintf(stderr, "no keyring: %s\n", qPrintable(failure));
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", keyring.busAddress().toUtf8());
    QApplication app(argc, argv);
    AppIdentity::apply();
    Theme::applyToApplication();
    seed();

    SettingsView view;
    view.resize(1043, 588);  // the content area of the main window at its first size
    view.show();
    QCoreApplication::processEvents();

    std::vector<double> alone, shown;
    for (int n = 0; n < rounds; ++n) {
        QElapsedTimer timer;
        timer.start();
        view.rebuild();
        alone.push_back(timer.nsecsElapsed() / 1e6);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        view.repaint();
        shown.push_back(timer.nsecsElapsed() / 1e6);
    }
    const Figures a = figures(alone), s = figures(shown);
    std::printf("settings rebuild, 10 accounts, %zu blocked entries, %d rounds (aim: under 30 ms)\n",
        MailStore::shared().blocks().size(), rounds);
    std::printf("  rebuild()                                   median %6.2f ms   worst %6.2f ms\n", a.median, a.worst);
    std::printf("  rebuild, old rows deleted, laid out, painted median %6.2f ms   worst %6.2f ms\n", s.median, s.worst);
    return 0;
}
