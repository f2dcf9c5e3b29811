#include "content/VirusTotal.h"
#include "core/Keychain.h"
#include "support/ChildProcess.h"
#include "support/KeyringSession.h"

#include <QCryptographicHash>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using VirusTotal::Verdict;

namespace {

using Outcome = std::optional<std::optional<Verdict>>;  // outer: the check finished at all

QCoro::Task<> checkInto(QByteArray data, Outcome* outcome, QEventLoop* loop)
{
    const std::optional<Verdict> verdict = co_await VirusTotal::check(data);
    *outcome = verdict;
    loop->quit();
}

// Runs one check to its end on an event loop of its own, with a watchdog.
Outcome runCheck(const QByteArray& data)
{
    QEventLoop loop;
    Outcome outcome;
    QCoro::Task<> task = checkInto(data, &outcome, &loop);
    if (!outcome) {
        QTimer::singleShot(40000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return outcome;
}

QString sha256(const QByteArray& data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

}  // namespace

// Look-ups go to a Python HTTPS server on loopback with a certificate from a test CA; the API
// key sits in a real gnome-keyring on a private bus.
class VirusTotalTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void verdicts_data();
    void verdicts();
    void withoutKeyNothingIsSent_data();
    void withoutKeyNothingIsSent();
    void emptyFileIsLookedUp();
    void unreachableServerIsOffline();
    void untrustedCertificateIsOffline();

private:
    QString makeCertificates();
    QString startServer();
    void answer(const QString& hash, int status, const QString& body);
    QStringList requests() const;
    QUrl serverUrl() const { return QUrl(QStringLiteral("https://127.0.0.1:%1").arg(m_port)); }

    KeyringSession m_keyring{KeyringSession::Keyring::Unlocked};
    QTemporaryDir m_dir;
    QProcess m_server;
    int m_port = 0;
    QList<QSslCertificate> m_roots;
    QJsonObject m_answers;
};

static const QString apiKey = QStringLiteral("test-key-0123456789");

QString VirusTotalTest::makeCertificates()
{
    const QString dir = m_dir.path();
    QFile extensions(dir + "/server.ext");
    if (!extensions.open(QIODevice::WriteOnly))
        return "cannot write server.ext";
    extensions.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n");
    extensions.close();
    const QList<QStringList> steps = {
        {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", dir + "/ca.key",
         "-out", dir + "/ca.pem", "-days", "2", "-subj", "/CN=LU.MARA test CA", "-addext",
         "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign"},
        {"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", dir + "/server.key",
         "-out", dir + "/server.csr", "-subj", "/CN=127.0.0.1"},
        {"x509", "-req", "-in", dir + "/server.csr", "-CA", dir + "/ca.pem", "-CAkey", dir + "/ca.key",
         "-CAcreateserial", "-out", dir + "/server.pem", "-days", "2", "-extfile", dir + "/server.ext"},
    };
    for (const QStringList& step : steps) {
        QProcess openssl;
        openssl.start("openssl", step);
        if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
            return "openssl failed: " + QString::fromLocal8Bit(openssl.readAllStandardError());
    }
    m_roots = QSslCertificate::fromPath(dir + "/ca.pem");
    return m_roots.isEmpty() ? QStringLiteral("test CA unreadable") : QString();
}

QString VirusTotalTest::startServer()
{
    const QString dir = m_dir.path();
    answer("none", 404, "");
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    dieWithTest(m_server);
    m_server.start("python3", {QStringLiteral(VIRUSTOTAL_SERVER), dir + "/server.pem", dir + "/server.key",
                               dir + "/answers.json", dir + "/requests.log"});
    if (!m_server.waitForReadyRead(30000))
        return "server did not start";
    m_port = m_server.readLine().trimmed().toInt();
    return m_port > 0 ? QString() : QStringLiteral("server gave no port");
}

void VirusTotalTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString keyring = m_keyring.start();
    QVERIFY2(keyring.isEmpty(), qPrintable(keyring));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_keyring.busAddress().toUtf8());
    const QString certificates = makeCertificates();
    QVERIFY2(certificates.isEmpty(), qPrintable(certificates));
    const QString server = startServer();
    QVERIFY2(server.isEmpty(), qPrintable(server));
}

void VirusTotalTest::cleanupTestCase()
{
    m_server.kill();
    m_server.waitForFinished();
}

void VirusTotalTest::init()
{
    Keychain::set(apiKey, VirusTotal::keyItem);
    VirusTotal::useServerForTesting(serverUrl(), m_roots);
}

void VirusTotalTest::answer(const QString& hash, int status, const QString& body)
{
    m_answers.insert(hash, QJsonArray{status, body});
    QFile file(m_dir.path() + "/answers.json");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(m_answers).toJson());
}

QStringList VirusTotalTest::requests() const
{
    QFile log(m_dir.path() + "/requests.log");
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

void VirusTotalTest::verdicts_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("kept");

    const auto stats = [](const QString& counts) {
        return QStringLiteral(R"({"data": {"attributes": {"last_analysis_stats": {%1}}}})").arg(counts);
    };
    QTest::newRow("clean") << 200 << stats(R"("malicious": 0, "suspicious": 0, "harmless": 60, "undetected": 12)")
                           << "virustotal 0/72 \u00b7 clean" << true;
    QTest::newRow("flagged") << 200
                             << stats(R"("malicious": 3, "suspicious": 1, "harmless": 50, "undetected": 16, "timeout": 2)")
                             << "virustotal 4/72 \u00b7 FLAGGED" << true;
    QTest::newRow("only suspicious") << 200 << stats(R"("suspicious": 1, "undetected": 9)")
                                     << "virustotal 1/10 \u00b7 FLAGGED" << true;
    QTest::newRow("another shape reads as clean") << 200 << R"({"data": {"attributes": []}})"
                                                  << "virustotal 0/0 \u00b7 clean" << true;
    QTest::newRow("stats that are not numbers") << 200 << stats(R"("malicious": "many", "harmless": 3)")
                                                << "virustotal 0/0 \u00b7 clean" << true;
    QTest::newRow("a count past any integer") << 200 << stats(R"("malicious": 1e300, "harmless": 3)")
                                              << "virustotal 0/0 \u00b7 clean" << true;
    QTest::newRow("not JSON") << 200 << "<html>maintenance</html>" << "virustotal \u00b7 offline" << false;
    QTest::newRow("not known") << 404 << R"({"error": {"code": "NotFoundError"}})" << "virustotal \u00b7 file not known"
                               << true;
    QTest::newRow("key refused") << 401 << "" << "virustotal \u00b7 key not accepted" << false;
    QTest::newRow("key forbidden") << 403 << "" << "virustotal \u00b7 key not accepted" << false;
    QTest::newRow("quota") << 429 << "" << "virustotal \u00b7 limit reached, try later" << false;
    QTest::newRow("bad gateway") << 502 << "" << "virustotal \u00b7 no answer (502)" << false;
}

void VirusTotalTest::verdicts()
{
    QFETCH(int, status);
    QFETCH(QString, body);
    QFETCH(QString, text);
    QFETCH(bool, kept);

    const QByteArray file = "attachment for " + QByteArray(QTest::currentDataTag());
    const QString hash = sha256(file);
    answer(hash, status, body);
    const qsizetype before = requests().size();

    const Outcome first = runCheck(file);
    QVERIFY2(first, "check did not finish");
    QVERIFY(first->has_value());
    QCOMPARE((*first)->text(), text);
    QCOMPARE(requests().mid(before), QStringList{"/api/v3/files/" + hash + " " + apiKey});

    // Known and unknown files are answered from memory; failures ask again.
    const Outcome second = runCheck(file);
    QVERIFY2(second && second->has_value(), "second check did not finish");
    QCOMPARE((*second)->text(), text);
    QCOMPARE(requests().size() - before, kept ? 1 : 2);
}

void VirusTotalTest::withoutKeyNothingIsSent_data()
{
    QTest::addColumn<bool>("emptyKey");
    QTest::newRow("no item") << false;
    QTest::newRow("empty item") << true;
}

void VirusTotalTest::withoutKeyNothingIsSent()
{
    QFETCH(bool, emptyKey);
    if (emptyKey)
        Keychain::set(QString(), VirusTotal::keyItem);
    else
        Keychain::remove(VirusTotal::keyItem);
    const qsizetype before = requests().size();
    const Outcome outcome = runCheck("a file nobody may see");
    QVERIFY2(outcome, "check did not finish");
    QVERIFY(!outcome->has_value());
    QCOMPARE(requests().size(), before);
}

void VirusTotalTest::emptyFileIsLookedUp()
{
    const QString emptyHash = QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    answer(emptyHash, 200, R"({"data": {"attributes": {"last_analysis_stats": {"harmless": 5}}}})");
    const Outcome outcome = runCheck(QByteArray());
    QVERIFY2(outcome && outcome->has_value(), "check did not finish");
    QCOMPARE((*outcome)->text(), QStringLiteral("virustotal 0/5 \u00b7 clean"));
    QVERIFY(requests().last().startsWith("/api/v3/files/" + emptyHash + " "));
}

void VirusTotalTest::unreachableServerIsOffline()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 closedPort = probe.serverPort();
    probe.close();
    VirusTotal::useServerForTesting(QUrl(QStringLiteral("https://127.0.0.1:%1").arg(closedPort)), m_roots);
    const Outcome outcome = runCheck("a file while offline");
    QVERIFY2(outcome && outcome->has_value(), "check did not finish");
    QCOMPARE((*outcome)->text(), QStringLiteral("virustotal \u00b7 offline"));
}

void VirusTotalTest::untrustedCertificateIsOffline()
{
    VirusTotal::useServerForTesting(serverUrl(), {});
    const QByteArray file = "a file asked of an impostor";
    answer(sha256(file), 404, "");
    const qsizetype before = requests().size();
    const Outcome outcome = runCheck(file);
    QVERIFY2(outcome && outcome->has_value(), "check did not finish");
    QCOMPARE((*outcome)->text(), QStringLiteral("virustotal \u00b7 offline"));
    QCOMPARE(requests().size(), before);
}

QTEST_GUILESS_MAIN(VirusTotalTest)
#include "VirusTotalTest.moc"
