#include "Desktop.h"
#include "RecordingNotifications.h"
#include "core/Account.h"
#include "core/Keychain.h"
#include "core/Prefs.h"
#include "support/DovecotServer.h"
#include "support/KeyringSession.h"
#include "support/ProgramUnderTest.h"
#include "support/SMTPServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

QByteArray message(const QString& from, const QString& subject, const QString& id)
{
    return QStringLiteral("From: %1\r\nTo: reader@example.org\r\nSubject: %2\r\nMessage-ID: <%3@e2e.test>\r\n"
                          "Date: Mon, 7 Dec 2026 10:00:00 +0000\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
                          "Text of %2.\r\n")
        .arg(from, subject, id)
        .toUtf8();
}

QJsonDocument readJson(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()) : QJsonDocument();
}

}  // namespace

// The program as users get it, on a private X display and session bus with a keyring and a
// notification service, against a private Dovecot and SMTP server whose authority only the
// program's own view of the system's certificate folder trusts. Keys go in through xdotool; what
// counts is what reaches the servers, the bus and the files.
class EndToEndTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void lookToggleChangesTheGround();
    void checkTwiceLogsInOncePerAccount();
    void newMailIsAnnounced();
    void closingTheMainWindowQuitsAndSaves();

private:
    Account account(const QString& user) const;
    // Writes the accounts (passwords in the keyring) and starts the program on them.
    void launch(const QList<Account>& accounts, bool preview = true);
    // The check the start made has ended: its items are in cache.json.
    bool waitForCachedSubjects(const QStringList& subjects, int waitMs = 30000) const;
    int logins(const QString& user) const;
    QPoint inWindow(QPoint offset) const { return m_frame.topLeft() + offset; }

    Desktop m_desktop;
    KeyringSession m_bus{KeyringSession::Keyring::Unlocked};
    std::unique_ptr<RecordingNotifications> m_notifications;
    DovecotServer m_dovecot;
    SMTPServer m_smtp;
    TrustedRoots m_roots;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<ProgramUnderTest> m_program;
    QString m_window;
    QRect m_frame;
    int m_delivered = 0;
};

void EndToEndTest::initTestCase()
{
    QString failure = m_desktop.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    failure = m_bus.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.busAddress().toUtf8());
    m_notifications = std::make_unique<RecordingNotifications>(QDBusConnection::connectToBus(m_bus.busAddress(), QStringLiteral("notifications")));
    QVERIFY(m_notifications->start());
    QVERIFY2(m_dovecot.start({{"reader", "pw-reader"}, {"writer", "pw-writer"}}), qPrintable(m_dovecot.error()));
    QVERIFY2(m_smtp.start({{"reader", "pw-reader"}, {"writer", "pw-writer"}}), qPrintable(m_smtp.error()));
    failure = m_roots.make({m_dovecot.authority(), m_smtp.authority()});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    m_dovecot.deliver("reader", "INBOX", message("Ada <ada@sender.example>", "first light", "r1"));
    m_dovecot.deliver("reader", "INBOX", message("Grace <grace@sender.example>", "second thoughts", "r2"));
    m_dovecot.deliver("writer", "INBOX", message("Linus <linus@sender.example>", "for the writer", "w1"));
}

void EndToEndTest::init()
{
    m_profile = std::make_unique<Profile>();
    QVERIFY(m_profile->isValid());
    m_notifications->shown.clear();
    m_notifications->badges.clear();
}

void EndToEndTest::cleanup()
{
    if (m_program && m_program->running()) {
        if (QTest::currentTestFailed())
            m_desktop.screenshot(QDir::tempPath() + QStringLiteral("/lumara-e2e-%1.png").arg(QString::fromLatin1(QTest::currentTestFunction())));
        m_program->terminate();
        m_program->waitForExit();
    }
    if (QTest::currentTestFailed() && m_program)
        qWarning("program output:\n%s", qPrintable(m_program->output()));
    m_program.reset();
}

Account EndToEndTest::account(const QString& user) const
{
    return {QStringLiteral("E2E-") + user.toUpper(), user + QStringLiteral("@example.org"), user, m_dovecot.host(), DovecotServer::tlsPort,
        user, m_smtp.host(), SMTPServer::tlsPort, user};
}

void EndToEndTest::launch(const QList<Account>& accounts, bool preview)
{
    {
        Prefs settings(m_profile->settingsFile());
        settings.setAccounts(accounts);
        settings.setPreview(preview);
    }
    for (const Account& each : accounts)
        Keychain::set(QStringLiteral("pw-") + each.imapUser, each.id);
    m_program = std::make_unique<ProgramUnderTest>();
    QProcessEnvironment display;
    display.insert(QStringLiteral("DISPLAY"), m_desktop.display());
    display.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // Leaks are the unit tests' business; here a sanitizer report is a failure of the program.
    display.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0:abort_on_error=1"));
    display.insert(QStringLiteral("UBSAN_OPTIONS"), QStringLiteral("print_stacktrace=1:halt_on_error=1"));
    QVERIFY(m_program->start(QStringLiteral(LUMARA_PROGRAM), *m_profile, m_bus.busAddress(), m_roots.folder(), display));
    QVERIFY2(m_program->waitUntilRunning(), qPrintable(m_program->output()));
    m_window = m_desktop.waitForWindow(QStringLiteral("LU.MARA"));
    QVERIFY2(!m_window.isEmpty(), "the main window shows");
    m_frame = m_desktop.geometry(m_window);
    QVERIFY(m_frame.width() >= 780 && m_frame.height() >= 480);
}

bool EndToEndTest::waitForCachedSubjects(const QStringList& subjects, int waitMs) const
{
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        QStringList cached;
        for (const QJsonValue& item : readJson(m_profile->dataFile(QStringLiteral("cache.json"))).array())
            cached << item.toObject().value(QStringLiteral("subject")).toString();
        if (std::all_of(subjects.begin(), subjects.end(), [&cached](const QString& s) { return cached.contains(s); }))
            return true;
        if (deadline.hasExpired())
            return false;
        QTest::qWait(100);
    }
}

int EndToEndTest::logins(const QString& user) const
{
    return int(m_dovecot.log().count(QStringLiteral("Login: user=<") + user + u'>'));
}

void EndToEndTest::lookToggleChangesTheGround()
{
    launch({account("reader")});
    // Beside the list, below the plus: ground whatever the screens draw.
    const QPoint ground = inWindow({m_frame.width() - 30, m_frame.height() - 30});
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.pixel(ground), QColor(0x22, 0x22, 0x22), 10000);
    QVERIFY(m_desktop.keys({QStringLiteral("ctrl+shift+l")}));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.pixel(ground), QColor(0xBB, 0xBB, 0xBB), 10000);
    QCOMPARE(readJson(m_profile->settingsFile()).object().value(QStringLiteral("dark")), QJsonValue(false));
    QVERIFY(m_desktop.keys({QStringLiteral("ctrl+shift+l")}));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.pixel(ground), QColor(0x22, 0x22, 0x22), 10000);
}

void EndToEndTest::checkTwiceLogsInOncePerAccount()
{
    const int readerBefore = logins("reader"), writerBefore = logins("writer");
    // Without the preview, which logs in for the body of the selected mail.
    launch({account("reader"), account("writer")}, false);
    // The check at start: one login each, and over TLS verified against the system's roots.
    QVERIFY(waitForCachedSubjects({"first light", "second thoughts", "for the writer"}));
    QCOMPARE(logins("reader"), readerBefore + 1);
    QCOMPARE(logins("writer"), writerBefore + 1);

    // The second Ctrl+R comes while the first check runs: it is no second check.
    QVERIFY(m_desktop.keys({QStringLiteral("ctrl+r"), QStringLiteral("ctrl+r")}, 0));
    QTRY_COMPARE_WITH_TIMEOUT(logins("writer"), writerBefore + 2, 20000);
    QTest::qWait(2000);
    QCOMPARE(logins("reader"), readerBefore + 2);
    QCOMPARE(logins("writer"), writerBefore + 2);
}

void EndToEndTest::newMailIsAnnounced()
{
    launch({account("reader")});
    QVERIFY(waitForCachedSubjects({"first light", "second thoughts"}));
    QCOMPARE(m_notifications->shown.size(), 0);  // what the first check finds is not news

    const QStringList three = {"news one", "news two", "news three"};
    for (const QString& subject : three)
        m_dovecot.deliver("reader", "INBOX", message("Hopper <hopper@sender.example>", subject, subject.sliced(5)));
    QVERIFY(m_desktop.keys({QStringLiteral("ctrl+r")}));
    QTRY_COMPARE_WITH_TIMEOUT(m_notifications->shown.size(), 3, 20000);
    for (qsizetype i = 0; i < 3; ++i) {
        QCOMPARE(m_notifications->shown[i].summary, QStringLiteral("Hopper"));
        QCOMPARE(m_notifications->shown[i].body, three[i]);
    }
    QTRY_VERIFY(!m_notifications->badges.isEmpty() && m_notifications->badges.last().value("count").toLongLong() == 5);

    for (int n = 0; n < 4; ++n)
        m_dovecot.deliver("reader", "INBOX", message("Hopper <hopper@sender.example>", QStringLiteral("more %1").arg(n), QStringLiteral("more%1").arg(n)));
    QVERIFY(m_desktop.keys({QStringLiteral("ctrl+r")}));
    QTRY_COMPARE_WITH_TIMEOUT(m_notifications->shown.size(), 4, 20000);
    QCOMPARE(m_notifications->shown[3].summary, QStringLiteral("LU.MARA"));
    QCOMPARE(m_notifications->shown[3].body, QStringLiteral("4 new mails"));
    QTest::qWait(1000);
    QCOMPARE(m_notifications->shown.size(), 4);
    QTRY_COMPARE(m_notifications->badges.last().value("count").toLongLong(), 9);
}

void EndToEndTest::closingTheMainWindowQuitsAndSaves()
{
    launch({account("reader")});
    QVERIFY(waitForCachedSubjects({"first light"}));
    QFile::remove(m_profile->dataFile(QStringLiteral("state.json")));
    m_desktop.focus(m_window);
    QVERIFY(m_desktop.keys({QStringLiteral("ctrl+w")}));
    QVERIFY2(m_program->waitForExit(20000), "closing the main window ends the program");
    QCOMPARE(m_program->exitCode(), 0);
    QVERIFY(readJson(m_profile->dataFile(QStringLiteral("state.json"))).isObject());
    QVERIFY(waitForCachedSubjects({"first light", "second thoughts"}, 0));
}

QTEST_GUILESS_MAIN(EndToEndTest)
#include "EndToEndTest.moc"
