#include "core/Account.h"
#include "core/Keychain.h"
#include "core/Prefs.h"
#include "support/ChildProcess.h"
#include "support/KeyringSession.h"
#include "support/TemporaryHome.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <csignal>

// The real program as a user starts it, in a private home and on a private session bus.
class ProgramTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void secondStartHandsOver();
    void signalsQuitAndSave_data();
    void signalsQuitAndSave();
    void quitDoesNotWaitForASilentServer();

private:
    std::unique_ptr<QProcess> launch();
    bool waitUntilRunning(QProcess& program);
    QString stateFile() const { return m_home.dataHome() + QStringLiteral("/LU.MARA/state.json"); }

    TemporaryHome m_home;
    KeyringSession m_keyring{KeyringSession::Keyring::Unlocked};
    std::unique_ptr<QProcess> m_first;
};

void ProgramTest::initTestCase()
{
    const QString failure = m_keyring.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_keyring.busAddress().toUtf8());
}

void ProgramTest::init()
{
    QFile::remove(stateFile());
    Prefs::shared().setAccounts({});
}

void ProgramTest::cleanup()
{
    if (m_first)
        stopChild(*m_first);
    m_first.reset();
}

std::unique_ptr<QProcess> ProgramTest::launch()
{
    auto program = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // The program leaks nothing at exit it would not leak in use; the tests of its parts look after leaks.
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    program->setProcessEnvironment(environment);
    program->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program->start(QStringLiteral(LUMARA_PROGRAM), {});
    return program;
}

// Running means it owns its name on the bus.
bool ProgramTest::waitUntilRunning(QProcess& program)
{
    if (!program.waitForStarted(10000))
        return false;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
        QProcess ask;
        ask.start(QStringLiteral("dbus-send"), {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                                                  QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/"),
                                                  QStringLiteral("org.freedesktop.DBus.NameHasOwner"), QStringLiteral("string:org.lumara.LUMara")});
        ask.waitForFinished(5000);
        if (ask.readAllStandardOutput().contains("boolean true"))
            return true;
        if (program.state() != QProcess::Running)
            return false;
        QTest::qWait(100);
    }
    return false;
}

void ProgramTest::secondStartHandsOver()
{
    m_first = launch();
    QVERIFY(waitUntilRunning(*m_first));
    std::unique_ptr<QProcess> second = launch();
    QVERIFY(second->waitForFinished(15000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(m_first->state(), QProcess::Running);
}

void ProgramTest::signalsQuitAndSave_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
    QTest::newRow("SIGINT") << SIGINT;
}

void ProgramTest::signalsQuitAndSave()
{
    QFETCH(int, signal);
    m_first = launch();
    QVERIFY(waitUntilRunning(*m_first));
    ::kill(pid_t(m_first->processId()), signal);
    QVERIFY(m_first->waitForFinished(15000));
    QCOMPARE(m_first->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_first->exitCode(), 0);
    QVERIFY2(QFile::exists(stateFile()), "the store is saved on the way out");
}

void ProgramTest::quitDoesNotWaitForASilentServer()
{
    // Accepts and then says nothing: the check waits for its 60-second time-out.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    QList<QTcpSocket*> held;
    connect(&silent, &QTcpServer::newConnection, this, [&] { held << silent.nextPendingConnection(); });
    Account account{QStringLiteral("ACC-SILENT"), QStringLiteral("me@example.org"), QStringLiteral("me"), QStringLiteral("127.0.0.1"),
        silent.serverPort(), QStringLiteral("me"), QStringLiteral("127.0.0.1"), 465, QStringLiteral("me")};
    Prefs::shared().setAccounts({account});
    Keychain::set(QStringLiteral("pw"), account.id);

    m_first = launch();
    QVERIFY(waitUntilRunning(*m_first));
    QTRY_VERIFY_WITH_TIMEOUT(!held.isEmpty(), 15000);  // the check is under way
    QElapsedTimer quitting;
    quitting.start();
    m_first->terminate();
    QVERIFY(m_first->waitForFinished(20000));
    QVERIFY2(quitting.elapsed() < 10000, qPrintable(QString::number(quitting.elapsed())));
    QCOMPARE(m_first->exitCode(), 0);
}

QTEST_GUILESS_MAIN(ProgramTest)
#include "ProgramTest.moc"
