#include "content/MIMEParser.h"
#include "core/Account.h"
#include "core/Keychain.h"
#include "core/MailStore.h"
#include "core/Prefs.h"
#include "net/ConnectionTesting.h"
#include "net/IMAPSession.h"
#include "support/DovecotServer.h"
#include "support/KeyringSession.h"
#include "support/TaskRunner.h"
#include "support/TemporaryHome.h"
#include "ui/list/MailListView.h"
#include "ui/list/MailTable.h"
#include "ui/look/Alerts.h"
#include "ui/look/LULabel.h"
#include "ui/look/ReduceMotion.h"

#include <QTest>
#include <QTextEdit>

namespace {

QByteArray message(const QString& key, const QByteArray& body, const QByteArray& type = "text/plain; charset=utf-8")
{
    return "From: Sender <" + key.toUtf8() + "@sender.example>\r\nTo: Me <me@example.org>\r\nSubject: mail " + key.toUtf8()
        + "\r\nMessage-ID: <" + key.toUtf8() + "@lumara.test>\r\nMIME-Version: 1.0\r\nContent-Type: " + type + "\r\n\r\n" + body;
}

QByteArray withAttachments(const QString& key, int count)
{
    QByteArray body = "--b\r\nContent-Type: text/plain\r\n\r\nsee the files\r\n";
    for (int i = 0; i < count; ++i)
        body += "--b\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment; filename=\"f" + QByteArray::number(i)
            + ".pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\nJVBERi0xLjQK\r\n";
    return message(key, body + "--b--\r\n", "multipart/mixed; boundary=\"b\"");
}

QByteArray longText()
{
    QByteArray text;
    for (int line = 0; text.size() < 5000; ++line)
        text += "line " + QByteArray::number(line) + " of a long mail that goes on and on and on\r\n";
    return text;
}

}  // namespace

// The preview and deleting against a private Dovecot: what the preview shows and that it leaves
// mails unread, and the delete alerts in both languages with the mails ending in the Trash.
class MailListServerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void preview_data();
    void preview();
    void staleResultsAreDropped();
    void previewOffLoadsNothing();
    void deleteInEntropy_data();
    void deleteInEntropy();

private:
    Account account(const QString& user) const
    {
        return {"ACC-" + user.toUpper(), user + "@example.org", user, m_dovecot.host(), DovecotServer::tlsPort, user,
            m_dovecot.host(), 465, user};
    }
    void fetch(const QString& user)
    {
        MailStore::shared().replace(account(user).id, IMAPSession::fetchInbox(account(user), "pw", 0));
    }
    int rowOf(const QString& key) const;
    void select(const QString& key) { m_list->table()->selectRow(rowOf(key)); }
    QString shown() const { return m_list->findChild<QTextEdit*>(QStringLiteral("previewText"))->toPlainText(); }
    QString files() const { return m_list->findChild<LULabel*>(QStringLiteral("previewFiles"))->raw(); }
    qint64 count(const QString& user, const QString& mailbox);

    TemporaryHome m_home;
    KeyringSession m_keyring{KeyringSession::Keyring::Unlocked};
    DovecotServer m_dovecot;
    std::unique_ptr<MailListView> m_list;
    QList<Alert> m_alerts;
    QList<int> m_answers;
    const QByteArray m_long = message("long", longText());
};

void MailListServerTest::initTestCase()
{
    const QString failure = m_keyring.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_keyring.busAddress().toUtf8());
    QVERIFY2(m_dovecot.start({{"reader", "pw"}, {"del", "pw"}, {"nopw", "pw"}}), qPrintable(m_dovecot.error()));
    ConnectionTesting::trustCertificates({m_dovecot.authority()});
    Keychain::set("pw", account("reader").id);
    Keychain::set("pw", account("del").id);
    m_dovecot.deliver("reader", "INBOX", m_long);
    m_dovecot.deliver("reader", "INBOX", message("empty", ""));
    m_dovecot.deliver("reader", "INBOX", message("indented", "  quoted\r\n\t\xc2\xa0tabbed\r\nflush\r\n"));
    m_dovecot.deliver("reader", "INBOX", withAttachments("one", 1));
    m_dovecot.deliver("reader", "INBOX", withAttachments("two", 2));
    Prefs::shared().setAccounts({account("reader"), account("del"), account("nopw")});
    fetch("reader");
    ReduceMotion::replace(true);
    Alerts::replace([this](const Alert& alert) {
        m_alerts << alert;
        return m_answers.isEmpty() ? 1 : m_answers.takeFirst();
    });
}

void MailListServerTest::cleanupTestCase()
{
    m_list.reset();
    Alerts::replace({});
}

void MailListServerTest::init()
{
    Prefs::shared().setPreview(true);
    Prefs::shared().setGerman(false);
    m_alerts.clear();
    m_answers.clear();
    m_list = std::make_unique<MailListView>();
    m_list->resize(900, 588);
    m_list->show();
    m_list->configure(0);
}

int MailListServerTest::rowOf(const QString& key) const
{
    int row = 0;
    for (const MailItem& mail : m_list->items()) {
        if (mail.subject == "mail " + key)
            return row;
        ++row;
    }
    return -1;
}

qint64 MailListServerTest::count(const QString& user, const QString& mailbox)
{
    const std::unique_ptr<IMAPClient> client = IMAPSession::connect(account(user), "pw");
    const qint64 exists = client->select(mailbox);
    client->logout();
    return exists;
}

void MailListServerTest::preview_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");  // "" for the long mail's own text
    QTest::addColumn<QString>("files");

    QTest::newRow("long: 3000 characters and an ellipsis") << "long" << "" << "";
    QTest::newRow("empty") << "empty" << "(empty)" << "";
    QTest::newRow("indents go") << "indented" << "quoted\ntabbed\nflush" << "";
    QTest::newRow("one attachment") << "one" << "see the files" << "1 attachment · locked – open the mail to unlock";
    QTest::newRow("two attachments") << "two" << "see the files" << "2 attachments · locked – open the mail to unlock";
}

void MailListServerTest::preview()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(QString, files);
    if (text.isEmpty())
        text = MIME::parse(m_long).text.left(3000) + QStringLiteral(" …");
    select(key);
    QCOMPARE(shown(), QStringLiteral("…"));
    QTRY_VERIFY_WITH_TIMEOUT(shown() != QStringLiteral("…"), 20000);
    QCOMPARE(shown(), text);
    QCOMPARE(this->files(), files);
    // The preview leaves the mail unread, here and on the server.
    QVERIFY(!m_list->selectedMail()->seen);
    for (const MailItem& item : IMAPSession::fetchInbox(account("reader"), "pw", 0))
        if (item.subject == "mail " + key)
            QVERIFY(!item.seen);
}

void MailListServerTest::staleResultsAreDropped()
{
    // Asked for and left before it came: the result must not show under another mail, or none.
    select(QStringLiteral("two"));
    m_list->table()->clearSelection();
    QCOMPARE(shown(), QString());
    const MailItem two = MailStore::shared().items(0)[size_t(rowOf(QStringLiteral("two")))];
    QVERIFY(runTask(MailStore::shared().body(two, false)).finished);
    QTest::qWait(200);
    QCOMPARE(shown(), QString());
    QCOMPARE(files(), QString());

    select(QStringLiteral("one"));
    select(QStringLiteral("indented"));
    QTRY_COMPARE_WITH_TIMEOUT(shown(), QStringLiteral("quoted\ntabbed\nflush"), 20000);
    QTest::qWait(300);
    QCOMPARE(shown(), QStringLiteral("quoted\ntabbed\nflush"));
    QCOMPARE(files(), QString());
}

void MailListServerTest::previewOffLoadsNothing()
{
    m_list->togglePreview();
    QVERIFY(!Prefs::shared().preview());
    select(QStringLiteral("empty"));
    QCOMPARE(m_list->previewID(), std::nullopt);
    QTest::qWait(300);
    QVERIFY(shown() != QStringLiteral("(empty)"));
    QTest::keyClick(m_list->table(), Qt::Key_P);
    QCOMPARE(m_list->previewID(), m_list->selectedMail()->id());
    QTRY_COMPARE_WITH_TIMEOUT(shown(), QStringLiteral("(empty)"), 20000);
}

void MailListServerTest::deleteInEntropy_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("mails");
    QTest::addColumn<bool>("german");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("asked");  // message, informative, buttons
    QTest::addColumn<QStringList>("failure");  // message, informative of the second alert
    QTest::addColumn<int>("trashed");

    const QString english = QStringLiteral("They are moved to the trash of your mail account. From there they can still be "
                                           "restored, e.g. in your provider's web mail.");
    const QString german = QStringLiteral("Sie kommen in den Papierkorb deines Mailkontos. Von dort lassen sie sich noch "
                                          "wiederherstellen, z. B. im Webmail deines Anbieters.");
    QTest::newRow("one mail") << "del" << 1 << false << 0 << QStringList{"Delete this mail?", english, "Delete|Cancel"}
                              << QStringList() << 1;
    QTest::newRow("two mails, German") << "del" << 2 << true << 0
                                       << QStringList{"2 Mails löschen?", german, "Löschen|Abbrechen"} << QStringList() << 2;
    QTest::newRow("three mails, cancelled") << "del" << 3 << false << 1
                                            << QStringList{"Delete 3 mails?", english, "Delete|Cancel"} << QStringList() << 0;
    QTest::newRow("no password") << "nopw" << 1 << false << 0 << QStringList{"Delete this mail?", english, "Delete|Cancel"}
                                 << QStringList{"Some mails could not be deleted", "nopw@example.org: no password in the keychain"}
                                 << 0;
    QTest::newRow("no password, German") << "nopw" << 2 << true << 0
                                         << QStringList{"2 Mails löschen?", german, "Löschen|Abbrechen"}
                                         << QStringList{"Einige Mails konnten nicht gelöscht werden",
                                                "nopw@example.org: no password in the keychain"}
                                         << 0;
}

void MailListServerTest::deleteInEntropy()
{
    QFETCH(QString, user);
    QFETCH(int, mails);
    QFETCH(bool, german);
    QFETCH(int, answer);
    QFETCH(QStringList, asked);
    QFETCH(QStringList, failure);
    QFETCH(int, trashed);
    static int delivered = 0;
    for (int i = 0; i < mails; ++i)
        m_dovecot.deliver(user, "INBOX", message(QStringLiteral("junk%1").arg(++delivered), "junk"));
    const qint64 trashBefore = user == u"del" ? count(user, "Trash") : 0;
    if (user == u"del")
        fetch(user);
    else
        MailStore::shared().replace(account(user).id, IMAPSession::fetchInbox(account(user), "pw", 0));
    for (const MailItem& mail : MailStore::shared().items(0, account(user).id))
        MailStore::shared().markScam(mail);
    Prefs::shared().setGerman(german);
    m_list->configure(MailStore::entropyView);
    QCOMPARE(m_list->table()->rowCount(), mails);
    m_list->table()->selectAll();
    m_answers = {answer};
    QVERIFY(runTask(m_list->deleteSelected()).finished);
    QVERIFY(!m_alerts.isEmpty());
    QCOMPARE((QStringList{m_alerts[0].message, m_alerts[0].informative, m_alerts[0].buttons.join(u'|')}), asked);
    if (failure.isEmpty()) {
        QCOMPARE(m_alerts.size(), 1);
    } else {
        QCOMPARE(m_alerts.size(), 2);
        QCOMPARE((QStringList{m_alerts[1].message, m_alerts[1].informative}), failure);
    }
    if (user == u"del")
        QCOMPARE(count(user, "Trash") - trashBefore, trashed);
    QCOMPARE(int(MailStore::shared().items(MailStore::entropyView, account(user).id).size()), mails - trashed);
    // Clean up for the next row: nothing of this user stays in ENTROPY.
    for (const MailItem& mail : MailStore::shared().items(MailStore::entropyView, account(user).id))
        MailStore::shared().markDone(mail);
}

QTEST_MAIN(MailListServerTest)
#include "MailListServerTest.moc"
