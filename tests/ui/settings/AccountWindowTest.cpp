#include "core/Prefs.h"
#include "net/ConnectionTesting.h"
#include "support/TemporaryHome.h"
#include "ui/look/LUButton.h"
#include "ui/look/LUField.h"
#include "ui/look/LULabel.h"
#include "ui/look/LUSecureField.h"
#include "ui/settings/AccountWindowController.h"

#include <QApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

// The add-account window without a mail server: servers proposed from the address, input
// refused before any connection, Return in a field, the port fields, one login test at a time,
// one window.
class AccountWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void addressProposesServers_data();
    void addressProposesServers();
    void refusedBeforeConnecting_data();
    void refusedBeforeConnecting();
    void returnInAFieldConnects_data();
    void returnInAFieldConnects();
    void port_data();
    void port();
    void secondPressDuringTheTestStartsNothing();
    void oneWindow();

private:
    AccountWindowController* window() { return AccountWindowController::current(); }

    TemporaryHome m_home;
    const Account m_stored{"ACC-1", "Anna@Example.org", "Anna", "imap.example.org", 993, "Anna@Example.org", "smtp.example.org", 587,
        "Anna@Example.org"};
};

void AccountWindowTest::initTestCase()
{
    ConnectionTesting::setTimeout(std::chrono::seconds(5));
}

void AccountWindowTest::init()
{
    Prefs::shared().setAccounts({m_stored});
    AccountWindowController::open();
    QVERIFY(window());
}

void AccountWindowTest::cleanup()
{
    if (window())
        window()->close();
}

void AccountWindowTest::addressProposesServers_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("servers");  // imap host, imap port, smtp host, smtp port
    QTest::newRow("iCloud") << "mara@icloud.com" << QStringList{"imap.mail.me.com", "993", "smtp.mail.me.com", "587"};
    QTest::newRow("iCloud's older domain") << "mara@Mac.com" << QStringList{"imap.mail.me.com", "993", "smtp.mail.me.com", "587"};
    QTest::newRow("any other provider") << "anna@Posteo.DE" << QStringList{"imap.posteo.de", "993", "smtp.posteo.de", "587"};
    QTest::newRow("no at sign yet") << "anna" << QStringList{"", "993", "", "587"};
}

void AccountWindowTest::addressProposesServers()
{
    QFETCH(QString, typed);
    AccountWindowController* w = window();
    QTest::keyClicks(w->name(), QStringLiteral("Anna"));
    QTest::keyClicks(w->password(), QStringLiteral("secret"));
    QTest::keyClicks(w->email(), QStringLiteral("x@y.example"));
    QTest::keyClicks(w->imapHost(), QStringLiteral("-edited"));
    w->email()->clear();
    QTest::keyClicks(w->email(), typed);
    const QStringList servers{w->imapHost()->text(), w->imapPort()->text(), w->smtpHost()->text(), w->smtpPort()->text()};
    QTEST(servers, "servers");
    QCOMPARE(w->name()->text(), QStringLiteral("Anna"));
    QCOMPARE(w->password()->text(), QStringLiteral("secret"));
}

void AccountWindowTest::refusedBeforeConnecting_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("status");
    QTest::newRow("no at sign") << "anna.example.org" << "pw" << "! address and password, please";
    QTest::newRow("no password") << "new@example.org" << "" << "! address and password, please";
    QTest::newRow("password of blanks") << "new@example.org" << " \t " << "! address and password, please";
    QTest::newRow("same address in other letters") << "  anna@EXAMPLE.org " << "pw" << "! this account is already there";
}

void AccountWindowTest::refusedBeforeConnecting()
{
    QFETCH(QString, address);
    QFETCH(QString, password);
    AccountWindowController* w = window();
    w->email()->setText(address);
    w->password()->setText(password);
    w->imapHost()->setText(QStringLiteral("127.0.0.1"));
    w->imapPort()->setText(QStringLiteral("1"));  // nobody listens: a connection would fail, not hang
    w->connectButton()->press();
    QTEST(w->status()->raw(), "status");
    QVERIFY(!w->busy());
    QCOMPARE(w->connectButton()->title(), QStringLiteral("connect"));
    QCOMPARE(Prefs::shared().accounts(), QList<Account>{m_stored});
}

void AccountWindowTest::returnInAFieldConnects_data()
{
    QTest::addColumn<QString>("field");
    for (const char* field : {"email", "password", "name", "imapHost", "imapPort", "smtpHost", "smtpPort"})
        QTest::newRow(field) << QString::fromLatin1(field);
}

void AccountWindowTest::returnInAFieldConnects()
{
    QFETCH(QString, field);
    AccountWindowController* w = window();
    w->email()->setText(QStringLiteral("new@example.org"));
    auto* typedIn = w->findChild<LUField*>(field);
    QVERIFY(typedIn);
    QTest::keyClick(typedIn, Qt::Key_Return);
    QCOMPARE(w->status()->raw(), QStringLiteral("! address and password, please"));
    w->status()->set(QString());
    QTest::keyClick(typedIn, Qt::Key_Enter);
    QCOMPARE(w->status()->raw(), QStringLiteral("! address and password, please"));
}

void AccountWindowTest::port_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("port");
    QTest::newRow("number") << "465" << 465;
    QTest::newRow("blanks around") << " 143\t" << 143;
    QTest::newRow("with a sign") << "+25" << 25;
    QTest::newRow("empty") << "" << 587;
    QTest::newRow("letters") << "smtp" << 587;
    QTest::newRow("digits then letters") << "58x7" << 587;
    QTest::newRow("too large for a number") << "99999999999" << 587;
}

void AccountWindowTest::port()
{
    QFETCH(QString, field);
    QTEST(AccountWindowController::port(field, 587), "port");
}

void AccountWindowTest::secondPressDuringTheTestStartsNothing()
{
    QTcpServer silent;  // accepts and never says a word
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    AccountWindowController* w = window();
    w->email()->setText(QStringLiteral("new@example.org"));
    w->password()->setText(QStringLiteral("pw"));
    w->imapHost()->setText(QStringLiteral("127.0.0.1"));
    w->imapPort()->setText(QString::number(silent.serverPort()));
    w->connectButton()->press();
    QVERIFY(w->busy());
    QCOMPARE(w->connectButton()->title(), QStringLiteral("connecting…"));
    QCOMPARE(w->connectButton()->accessibleTitle(), QStringLiteral("connecting…"));
    QCOMPARE(w->status()->raw(), QStringLiteral("checking the login over an encrypted connection…"));
    QVERIFY(w->status()->textInteractionFlags() & Qt::TextSelectableByMouse);
    QTRY_VERIFY(silent.hasPendingConnections());
    QTcpSocket* first = silent.nextPendingConnection();
    w->connectButton()->press();
    QTest::qWait(500);
    QVERIFY(!silent.hasPendingConnections());
    first->close();
    QTRY_VERIFY(!w->busy());
    QVERIFY2(w->status()->raw().startsWith(QStringLiteral("! could not log in: ")), qPrintable(w->status()->raw()));
    QCOMPARE(w->connectButton()->title(), QStringLiteral("connect"));
    QCOMPARE(Prefs::shared().accounts(), QList<Account>{m_stored});
}

void AccountWindowTest::oneWindow()
{
    QPointer<AccountWindowController> first = window();
    QCOMPARE(AccountWindowController::open(), first.data());
    QCOMPARE(first->size(), QSize(620, 600));
    QCOMPARE(first->windowTitle(), QStringLiteral("add account"));
    QVERIFY(QTest::qWaitForWindowActive(first));
    QCOMPARE(QApplication::focusWidget(), first->email());
    const QWidget* title = first->findChild<LULabel*>();
    QCOMPARE(title->mapTo(first, QPoint()), QPoint(48, 50));
    QCOMPARE(first->email()->parentWidget()->width(), 620 - 2 * 48);
    first->close();
    QVERIFY(!window());
    QTRY_VERIFY(first.isNull());
    QVERIFY(AccountWindowController::open() != nullptr);
}

QTEST_MAIN(AccountWindowTest)
#include "AccountWindowTest.moc"
