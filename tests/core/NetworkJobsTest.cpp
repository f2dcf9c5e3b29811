#include "core/NetworkJobs.h"

#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

// The pool is made before the TLS library starts, so at exit its threads end after the library's
// own clean-up: any TLS state a job left in its thread is then reported by the leak checker, which
// fails this program.
class NetworkJobsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void aFailedHandshakeComesBackAsAnError();

private:
    QTcpServer m_notTLS;
};

void NetworkJobsTest::initTestCase()
{
    NetworkJobs::pool();
    QVERIFY(m_notTLS.listen(QHostAddress::LocalHost));
    connect(&m_notTLS, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* peer = m_notTLS.nextPendingConnection()) {
            peer->write("* OK plain text, not a TLS record\r\n");
            peer->disconnectFromHost();
            connect(peer, &QTcpSocket::disconnected, peer, &QObject::deleteLater);
        }
    });
}

void NetworkJobsTest::aFailedHandshakeComesBackAsAnError()
{
    const quint16 port = m_notTLS.serverPort();
    QFuture<NetworkJobs::Result<bool>> job = NetworkJobs::run([port] {
        QSslSocket socket;
        socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
        if (!socket.waitForEncrypted(10000))
            throw std::runtime_error(socket.errorString().toStdString());
        return true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(job.isFinished(), 15000);
    const NetworkJobs::Result<bool> result = job.result();
    QVERIFY(!result.value);
    QVERIFY(!NetworkJobs::describe(result.error).isEmpty());
}

QTEST_GUILESS_MAIN(NetworkJobsTest)
#include "NetworkJobsTest.moc"
