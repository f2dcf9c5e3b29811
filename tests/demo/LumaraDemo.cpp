// LU.MARA with sample mail and nothing of the user's: a private Dovecot and SMTP server on
// loopback, seeded from the mail corpus; a private session bus with a keyring; a throw-away
// profile with one account; the program started on the user's display. When the program ends,
// or on Ctrl+C, everything is stopped and removed.
//   lumara-demo PROGRAM CORPUS_FOLDER        (as root: Dovecot switches users, TLS on port 993)
#include "core/Account.h"
#include "core/Keychain.h"
#include "core/Prefs.h"
#include "support/DovecotServer.h"
#include "support/KeyringSession.h"
#include "support/ProgramUnderTest.h"
#include "support/SMTPServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopAsked = 0;

void askToStop(int)
{
    stopAsked = 1;
}

int fail(const QString& why)
{
    std::fprintf(stderr, "lumara-demo: %s\n", qPrintable(why));
    return 1;
}

// A mixed INBOX: letters in many languages, mails with attachments and a share of spam.
QStringList sampleMails(const QString& corpus)
{
    QStringList files;
    for (const char* folder : {"letters", "php-mime-mail-parser", "spamassassin", "nodemailer-mailparser"}) {
        const QDir dir(corpus + u'/' + QString::fromLatin1(folder));
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
            files << dir.filePath(name);
    }
    return files;
}

// What the program needs to reach the user's display, also from root's sudo.
QProcessEnvironment displayEnvironment()
{
    QProcessEnvironment display;
    const QProcessEnvironment own = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "XAUTHORITY", "QT_QPA_PLATFORM", "QT_SCALE_FACTOR"}) {
        if (own.contains(QString::fromLatin1(name)))
            display.insert(QString::fromLatin1(name), own.value(QString::fromLatin1(name)));
    }
    // The profile has a runtime folder of its own, so a Wayland socket is given by its full path.
    const QString wayland = own.value(QStringLiteral("WAYLAND_DISPLAY"));
    if (!wayland.isEmpty() && !own.contains(QStringLiteral("DISPLAY")))
        display.insert(QStringLiteral("WAYLAND_DISPLAY"),
            wayland.startsWith(u'/') ? wayland : own.value(QStringLiteral("XDG_RUNTIME_DIR")) + u'/' + wayland);
    return display;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return fail(QStringLiteral("usage: lumara-demo PROGRAM CORPUS_FOLDER"));
    const QString program = QString::fromLocal8Bit(argv[1]);
    const QStringList mails = sampleMails(QString::fromLocal8Bit(argv[2]));
    if (::geteuid() != 0)
        return fail(QStringLiteral("the demo's mail server needs root; run it through sudo"));
    if (mails.isEmpty())
        return fail(QStringLiteral("no sample mail in ") + QString::fromLocal8Bit(argv[2]));
    const QProcessEnvironment display = displayEnvironment();
    if (display.isEmpty())
        return fail(QStringLiteral("no display: DISPLAY and WAYLAND_DISPLAY are both unset"));
    std::signal(SIGINT, askToStop);
    std::signal(SIGTERM, askToStop);
    std::signal(SIGHUP, askToStop);

    std::printf("lumara-demo: starting a mail server, a keyring and a profile of their own ...\n");
    std::fflush(stdout);
    KeyringSession keyring(KeyringSession::Keyring::Unlocked);
    if (const QString failure = keyring.start(); !failure.isEmpty())
        return fail(failure);
    qputenv("DBUS_SESSION_BUS_ADDRESS", keyring.busAddress().toUtf8());
    DovecotServer dovecot;
    if (!dovecot.start({{QStringLiteral("demo"), QStringLiteral("demo")}}))
        return fail(dovecot.error());
    SMTPServer smtp;
    if (!smtp.start({{QStringLiteral("demo"), QStringLiteral("demo")}}))
        return fail(smtp.error());
    TrustedRoots roots;
    if (const QString failure = roots.make({dovecot.authority(), smtp.authority()}); !failure.isEmpty())
        return fail(failure);

    // Arrived over the last three weeks, a few already read.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (qsizetype i = 0; i < mails.size(); ++i) {
        QFile file(mails[i]);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QDateTime arrived = now.addSecs(-qint64(QRandomGenerator::global()->bounded(21 * 24 * 3600)));
        dovecot.deliver(QStringLiteral("demo"), QStringLiteral("INBOX"), file.readAll(), i % 3 == 0, arrived);
    }

    Profile profile;
    if (!profile.isValid())
        return fail(QStringLiteral("no temporary folder for the profile"));
    const Account account{QStringLiteral("00000000-DE40-4000-8000-000000000001"), QStringLiteral("demo@lumara.example"),
        QStringLiteral("Demo"), dovecot.host(), DovecotServer::tlsPort, QStringLiteral("demo"), smtp.host(), SMTPServer::tlsPort,
        QStringLiteral("demo")};
    {
        Prefs settings(profile.settingsFile());
        settings.setAccounts({account});
    }
    Keychain::set(QStringLiteral("demo"), account.id);

    ProgramUnderTest lumara;
    if (!lumara.start(program, profile, keyring.busAddress(), roots.folder(), display))
        return fail(QStringLiteral("cannot start ") + program);
    std::printf("lumara-demo: LU.MARA runs with %lld sample mails for demo@lumara.example; close its window to end the demo.\n",
        qlonglong(mails.size()));
    std::fflush(stdout);
    while (lumara.running()) {
        if (stopAsked) {
            lumara.terminate();
            stopAsked = 0;
        }
        lumara.waitForExit(200);
    }
    std::fputs(qPrintable(lumara.output()), stderr);
    std::printf("lumara-demo: removing the demo's servers, keyring and profile.\n");
    return 0;
}
