#include "Desktop.h"
#include "RecordingNotifications.h"
#include "core/Account.h"
#include "core/Keychain.h"
#include "core/Prefs.h"
#include "net/ConnectionTesting.h"
#include "net/IMAPClient.h"
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
#include <QRegularExpression>
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

// The subjects of a mailbox on the server and which of them carry \Seen.
struct Mailbox {
    QStringList subjects;
    QStringList seen;
};

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
    void triageKeysChangeTheState();
    void previewLeavesTheMailUnreadOpeningReadsIt();
    void xInEntropyMovesTheMailToTrash();
    void saveWritesTheServersBytes();
    void writtenMailLeavesAfterTheCountdown();
    void escapeTakesTheMailBack();
    void notesAreSavedAfterTyping();
    void firstStartAddsAnAccount();
    void searchAsksTheServerOnceAfterTheLastKey();

private:
    Account account(const QString& user) const;
    // Writes the accounts (passwords in the keyring) and starts the program on them.
    void launch(const QList<Account>& accounts, bool preview = true);
    // The check the start made has ended: its items are in cache.json.
    bool waitForCachedSubjects(const QStringList& subjects, int waitMs = 30000) const;
    int logins(const QString& user) const;
    // Read over IMAP as the test itself, which trusts the test authority directly.
    Mailbox onServer(const QString& user, const QString& mailbox) const;
    // The middle of the lowest line of ink in a part of the screen, where a text button is found.
    QPoint lowestInk(const QRect& region) const;
    // Ctrl+N, then the rows typed in as a user goes down them with Tab.
    void write(const QString& to, const QString& subject, const QString& text);
    QList<SMTPServer::Message> sentWithSubject(const QString& subject) const;
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
    // Bytes a save must keep exactly: 8-bit text, trailing blanks, a long line.
    const QByteArray m_saved = "From: Sam <sam@sender.example>\r\nTo: saver@example.org\r\nSubject: keep/me: exact\r\n"
                               "Message-ID: <s1@e2e.test>\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n"
                               "Content-Type: text/plain; charset=utf-8\r\n\r\ngr\xc3\xbc\xc3\x9f""e  \r\n"
                               + QByteArray(1500, 'x') + "\r\nend\r\n";
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
    // A user per case that changes the server, so that the cases do not meet.
    QVERIFY2(m_dovecot.start({{"reader", "pw-reader"}, {"writer", "pw-writer"}, {"triage", "pw-triage"},
                                 {"previewer", "pw-previewer"}, {"cleaner", "pw-cleaner"}, {"saver", "pw-saver"},
                                 {"composer", "pw-composer"}, {"newbie@example.org", "pw-newbie"},
                                 {"seeker", "pw-seeker"}}),
        qPrintable(m_dovecot.error()));
    QVERIFY2(m_smtp.start({{"composer", "pw-composer"}}), qPrintable(m_smtp.error()));
    failure = m_roots.make({m_dovecot.authority(), m_smtp.authority()});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    m_dovecot.deliver("reader", "INBOX", message("Ada <ada@sender.example>", "first light", "r1"));
    m_dovecot.deliver("reader", "INBOX", message("Grace <grace@sender.example>", "second thoughts", "r2"));
    m_dovecot.deliver("writer", "INBOX", message("Linus <linus@sender.example>", "for the writer", "w1"));
    // The list goes by arrival, newest first.
    const QDateTime earlier = QDateTime::currentDateTimeUtc().addSecs(-3600), later = earlier.addSecs(60);
    m_dovecot.deliver("triage", "INBOX", message("Finn <finn@sender.example>", "finish me", "t2"), false, earlier);
    m_dovecot.deliver("triage", "INBOX", message("Fay <fay@sender.example>", "file me", "t1"), false, later);
    m_dovecot.deliver("previewer", "INBOX", message("Pia <pia@sender.example>", "look at me", "p1"));
    m_dovecot.deliver("cleaner", "INBOX", message("Kim <kim@sender.example>", "keep me", "c2"), false, earlier);
    m_dovecot.deliver("cleaner", "INBOX", message("Prize <prize@lottery.example>", "delete me", "c1"), false, later);
    m_dovecot.deliver("saver", "INBOX", m_saved);
    m_dovecot.deliver("composer", "INBOX", message("Wes <wes@sender.example>", "write back", "w2"));
    // The add-account window logs in with the whole address.
    m_dovecot.deliver("newbie@example.org", "INBOX", message("Ada <ada@sender.example>", "welcome aboard", "n1"));
    m_dovecot.deliver("seeker", "INBOX", message("Zoe <zoe@sender.example>", "a plain subject", "z1"));
    ConnectionTesting::trustCertificates({m_dovecot.authority()});
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
    m_window = m_desktop.waitForWindow(QStringLiteral("LU\\.MARA"));
    if (accounts.isEmpty())
        return;
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

Mailbox EndToEndTest::onServer(const QString& user, const QString& mailbox) const
{
    Mailbox found;
    try {
        IMAPClient client(m_dovecot.host(), DovecotServer::tlsPort);
        client.open();
        client.login(user, QStringLiteral("pw-") + user);
        const qint64 exists = client.select(mailbox);
        static const QRegularExpression subject(QStringLiteral("(?:^|\r\n)Subject: ([^\r\n]*)"), QRegularExpression::CaseInsensitiveOption);
        for (const FetchedHeader& header : client.fetchHeaders(exists, exists)) {
            const QString text = subject.match(QString::fromUtf8(header.headers)).captured(1);
            found.subjects << text;
            if (header.flags.contains(QStringLiteral("\\Seen"), Qt::CaseInsensitive))
                found.seen << text;
        }
        client.logout();
    } catch (const std::exception& error) {
        qWarning("%s: %s", qPrintable(mailbox), error.what());
    }
    return found;
}

QPoint EndToEndTest::lowestInk(const QRect& region) const
{
    const QImage image = m_desktop.grab(region);
    const auto inkInRow = [&image](int y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) > 0x80)  // the dark look's ink on its ground
                return true;
        }
        return false;
    };
    int bottom = image.height() - 1;
    while (bottom > 0 && !inkInRow(bottom))
        --bottom;
    int top = bottom;
    while (top > 0 && inkInRow(top - 1))
        --top;
    return region.topLeft() + QPoint(region.width() / 2, (top + bottom) / 2);
}

void EndToEndTest::triageKeysChangeTheState()
{
    launch({account("triage")}, false);
    QVERIFY(waitForCachedSubjects({"file me", "finish me"}));
    const QString state = m_profile->dataFile(QStringLiteral("state.json"));
    // The newest first: "file me" goes to drawer 1, then "finish me" is done.
    QVERIFY(m_desktop.keys({QStringLiteral("Home"), QStringLiteral("1")}));
    QTRY_COMPARE_WITH_TIMEOUT(readJson(state).object().value(QStringLiteral("drawerOf")).toObject().value(QStringLiteral("E2E-TRIAGE|<t1@e2e.test>")),
        QJsonValue(1), 10000);
    QVERIFY(m_desktop.keys({QStringLiteral("Home"), QStringLiteral("x")}));
    QTRY_VERIFY_WITH_TIMEOUT(readJson(state).object().value(QStringLiteral("done")).toArray().contains(QJsonValue(QStringLiteral("E2E-TRIAGE|<t2@e2e.test>"))),
        10000);
}

void EndToEndTest::previewLeavesTheMailUnreadOpeningReadsIt()
{
    const int before = logins("previewer");
    launch({account("previewer")});
    QVERIFY(waitForCachedSubjects({"look at me"}));
    QVERIFY(m_desktop.keys({QStringLiteral("Home")}));
    // The check, then the preview's own connection for the body.
    QTRY_COMPARE_WITH_TIMEOUT(logins("previewer"), before + 2, 15000);
    QTest::qWait(1000);
    const Mailbox inbox = onServer("previewer", "INBOX");
    QCOMPARE(inbox.subjects, QStringList{"look at me"});
    QCOMPARE(inbox.seen, QStringList());
    // Opened in the reader it counts as read, on the server too.
    QVERIFY(m_desktop.keys({QStringLiteral("Return")}));
    QTRY_COMPARE_WITH_TIMEOUT(onServer("previewer", "INBOX").seen, QStringList{"look at me"}, 15000);
}

void EndToEndTest::xInEntropyMovesTheMailToTrash()
{
    launch({account("cleaner")}, false);
    QVERIFY(waitForCachedSubjects({"delete me", "keep me"}));
    QVERIFY(m_desktop.keys({QStringLiteral("Home"), QStringLiteral("e")}));  // "delete me" is scam now
    QTRY_VERIFY_WITH_TIMEOUT(readJson(m_profile->dataFile(QStringLiteral("state.json"))).object().value(QStringLiteral("scam")).toArray()
                                 .contains(QJsonValue(QStringLiteral("E2E-CLEANER|<c1@e2e.test>"))),
        10000);
    // ENTROPY is the sidebar's lowest entry.
    QVERIFY(m_desktop.click(lowestInk(QRect(m_frame.topLeft() + QPoint(24, 0), QSize(120, m_frame.height())))));
    QTest::qWait(500);
    QVERIFY(m_desktop.keys({QStringLiteral("Home"), QStringLiteral("x")}));
    QTest::qWait(1000);  // the question whether to delete, "Delete" first
    QVERIFY(m_desktop.keys({QStringLiteral("Return")}));
    QTRY_COMPARE_WITH_TIMEOUT(onServer("cleaner", "Trash").subjects, QStringList{"delete me"}, 15000);
    QCOMPARE(onServer("cleaner", "INBOX").subjects, QStringList{"keep me"});
}

void EndToEndTest::saveWritesTheServersBytes()
{
    launch({account("saver")}, false);
    QVERIFY(waitForCachedSubjects({"keep/me: exact"}));
    const QString path = m_profile->path(QStringLiteral("home/saved.eml"));
    QVERIFY(m_desktop.keys({QStringLiteral("Home"), QStringLiteral("ctrl+s")}));
    QTest::qWait(1500);  // the save dialog, its name field holding the suggested name
    QVERIFY(m_desktop.keys({QStringLiteral("ctrl+a")}));
    QVERIFY(m_desktop.type(path));
    QVERIFY(m_desktop.keys({QStringLiteral("Return")}));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path), 15000);
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), m_saved);
}

void EndToEndTest::write(const QString& to, const QString& subject, const QString& text)
{
    QVERIFY(m_desktop.keys({QStringLiteral("ctrl+n")}));
    QVERIFY2(!m_desktop.waitForWindow(QStringLiteral("write"), 10000).isEmpty(), "the compose window opens");
    QTest::qWait(300);
    // To, then past cc and bcc to the subject, then the text.
    QVERIFY(m_desktop.type(to));
    QVERIFY(m_desktop.keys({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab")}));
    QVERIFY(m_desktop.type(subject));
    QVERIFY(m_desktop.keys({QStringLiteral("Tab")}));
    QVERIFY(m_desktop.type(text));
}

QList<SMTPServer::Message> EndToEndTest::sentWithSubject(const QString& subject) const
{
    QList<SMTPServer::Message> found;
    for (const SMTPServer::Message& message : m_smtp.messages()) {
        if (message.data.contains("Subject: " + subject.toUtf8() + "\r\n"))
            found << message;
    }
    return found;
}

void EndToEndTest::writtenMailLeavesAfterTheCountdown()
{
    launch({account("composer")}, false);
    QVERIFY(waitForCachedSubjects({"write back"}));
    write(QStringLiteral("friend@example.net"), QStringLiteral("hello from the keys"), QStringLiteral("Typed, not pasted."));
    QVERIFY(m_desktop.keys({QStringLiteral("ctrl+Return")}));
    QTest::qWait(2500);
    QCOMPARE(sentWithSubject("hello from the keys").size(), 0);  // still counting down
    QTRY_COMPARE_WITH_TIMEOUT(sentWithSubject("hello from the keys").size(), 1, 15000);
    const SMTPServer::Message sent = sentWithSubject("hello from the keys").constFirst();
    QCOMPARE(sent.recipients, QStringList{"friend@example.net"});
    QCOMPARE(sent.from, QStringLiteral("composer@example.org"));
    QVERIFY(sent.data.contains("Typed, not pasted."));
    // The server keeps no copy itself: the program files one in Sent, once.
    QTRY_COMPARE_WITH_TIMEOUT(onServer("composer", "Sent").subjects.count("hello from the keys"), 1, 20000);
    QTest::qWait(4000);
    QCOMPARE(onServer("composer", "Sent").subjects.count("hello from the keys"), 1);
}

void EndToEndTest::escapeTakesTheMailBack()
{
    launch({account("composer")}, false);
    QVERIFY(waitForCachedSubjects({"write back"}));
    write(QStringLiteral("friend@example.net"), QStringLiteral("never mind"), QStringLiteral("On second thought."));
    QVERIFY(m_desktop.keys({QStringLiteral("ctrl+Return")}));
    QTest::qWait(1500);
    QVERIFY(m_desktop.keys({QStringLiteral("Escape")}));
    QTest::qWait(8000);  // past the countdown and the time a send would take
    QCOMPARE(sentWithSubject("never mind").size(), 0);
    QCOMPARE(onServer("composer", "Sent").subjects.count("never mind"), 0);
}

void EndToEndTest::notesAreSavedAfterTyping()
{
    launch({account("composer")}, false);
    QVERIFY(waitForCachedSubjects({"write back"}));
    QVERIFY(m_desktop.keys({QStringLiteral("ctrl+n")}));
    QVERIFY(!m_desktop.waitForWindow(QStringLiteral("write"), 10000).isEmpty());
    QTest::qWait(300);
    // The panel shows by default: hidden and shown again, it has the keys.
    QVERIFY(m_desktop.keys({QStringLiteral("ctrl+j"), QStringLiteral("ctrl+j")}));
    QVERIFY(m_desktop.type(QStringLiteral("remember the milk")));
    const QString notes = m_profile->dataFile(QStringLiteral("notes.json"));
    QTRY_VERIFY_WITH_TIMEOUT(QString::fromUtf8(readJson(notes).toJson()).contains(QStringLiteral("remember the milk")), 10000);
}

void EndToEndTest::firstStartAddsAnAccount()
{
    launch({});
    const QString window = m_desktop.waitForWindow(QStringLiteral("add account"), 15000);
    QVERIFY2(!window.isEmpty(), "without accounts the start opens the add-account window");
    const QRect frame = m_desktop.geometry(window);
    // The servers proposed for the address are corrected to the test's, as a user would.
    QVERIFY(m_desktop.type(QStringLiteral("newbie@example.org")));
    QVERIFY(m_desktop.keys({QStringLiteral("Tab")}));
    QVERIFY(m_desktop.type(QStringLiteral("pw-newbie")));
    QVERIFY(m_desktop.keys({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("ctrl+a")}));
    QVERIFY(m_desktop.type(m_dovecot.host()));
    QVERIFY(m_desktop.keys({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("ctrl+a")}));
    QVERIFY(m_desktop.type(m_smtp.host()));
    QVERIFY(m_desktop.keys({QStringLiteral("Tab"), QStringLiteral("ctrl+a")}));
    QVERIFY(m_desktop.type(QStringLiteral("465")));
    // "connect": the lowest text at the right end of the rows, nothing being written below it yet.
    QVERIFY(m_desktop.click(lowestInk(QRect(frame.topLeft() + QPoint(frame.width() - 48 - 100, 0), QSize(100, frame.height())))));

    QTRY_VERIFY_WITH_TIMEOUT(waitForCachedSubjects({"welcome aboard"}, 0), 20000);
    const QList<Account> stored = Prefs(m_profile->settingsFile()).accounts();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0].email, QStringLiteral("newbie@example.org"));
    QCOMPARE(stored[0].imapHost, m_dovecot.host());
    QCOMPARE(Keychain::get(stored[0].id), QStringLiteral("pw-newbie"));
    QTRY_VERIFY(m_desktop.waitForWindow(QStringLiteral("add account"), 0).isEmpty());  // closed after the login
}

void EndToEndTest::searchAsksTheServerOnceAfterTheLastKey()
{
    launch({account("seeker")}, false);
    QVERIFY(waitForCachedSubjects({"a plain subject"}));
    const int before = logins("seeker");
    // The search field: just above its underline, the lowest line of ink right of the menus.
    const QPoint underline = lowestInk(QRect(m_frame.topLeft() + QPoint(600, 0), QSize(100, 90)));
    QVERIFY(m_desktop.click(underline - QPoint(0, 8)));
    QVERIFY(m_desktop.type(QStringLiteral("zebracorn")));  // 40 ms a key
    QCOMPARE(logins("seeker"), before);
    // Each search is a conversation of its own: one login for the whole word.
    QTRY_COMPARE_WITH_TIMEOUT(logins("seeker"), before + 1, 10000);
    QTest::qWait(2000);
    QCOMPARE(logins("seeker"), before + 1);
}

QTEST_GUILESS_MAIN(EndToEndTest)
#include "EndToEndTest.moc"
