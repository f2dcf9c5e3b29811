#include "ScriptedServer.h"

#include <QFile>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QThread>

namespace {

constexpr int serverWait = 15000;

// Hands over the accepted descriptor so that a QSslSocket can own it from the start.
class DescriptorServer : public QTcpServer {
public:
    qintptr accepted = -1;

protected:
    void incomingConnection(qintptr descriptor) override { accepted = descriptor; }
};

}  // namespace

bool ScriptedPeer::send(const QByteArray& bytes)
{
    if (m_socket.write(bytes) != bytes.size())
        return false;
    while (m_socket.bytesToWrite() > 0 || m_socket.encryptedBytesToWrite() > 0) {
        if (!m_socket.waitForBytesWritten(serverWait))
            return false;
    }
    return m_socket.state() == QAbstractSocket::ConnectedState;
}

QByteArray ScriptedPeer::readLine()
{
    QByteArray line;
    while (!line.endsWith("\r\n")) {
        if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(serverWait))
            return {};
        char c = 0;
        if (m_socket.getChar(&c))
            line += c;
    }
    line.chop(2);
    m_received.append(line);
    return line;
}

QByteArray ScriptedPeer::readBytes(qint64 count)
{
    QByteArray bytes;
    while (bytes.size() < count) {
        if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(serverWait))
            break;
        bytes += m_socket.read(count - bytes.size());
    }
    m_received.append(bytes);
    return bytes;
}

void ScriptedPeer::pause(int milliseconds)
{
    QThread::msleep(milliseconds);
}

void ScriptedPeer::close()
{
    m_socket.disconnectFromHost();
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.waitForDisconnected(serverWait);
}

bool ScriptedPeer::startTls()
{
    m_socket.setLocalCertificate(m_certificate.certificateFile);
    QFile key(m_certificate.keyFile);
    if (!key.open(QIODevice::ReadOnly))
        return false;
    m_socket.setPrivateKey(QSslKey(key.readAll(), QSsl::Ec));
    m_socket.startServerEncryption();
    return m_socket.waitForEncrypted(serverWait);
}

ScriptedServer::ScriptedServer(Script script, Options options)
    : m_address(options.address)
{
    std::promise<Listening> listening;
    std::future<Listening> bound = listening.get_future();
    m_thread = std::thread(&ScriptedServer::serve, this, std::move(script), std::move(options), std::move(listening));
    const Listening result = bound.get();
    m_port = result.port;
    m_error = result.error;
}

ScriptedServer::~ScriptedServer()
{
    if (m_thread.joinable())
        m_thread.join();
}

QList<QByteArray> ScriptedServer::received()
{
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard guard(m_lock);
    return m_received;
}

void ScriptedServer::serve(Script script, Options options, std::promise<Listening> listening)
{
    DescriptorServer listener;
    if (!listener.listen(QHostAddress(options.address), quint16(options.port))) {
        listening.set_value({0, QStringLiteral("the scripted server cannot listen on %1:%2: %3")
                                    .arg(options.address).arg(options.port).arg(listener.errorString())});
        return;
    }
    listening.set_value({listener.serverPort(), {}});
    if (!listener.waitForNewConnection(serverWait) || listener.accepted < 0)
        return;
    QSslSocket socket;
    socket.setSocketDescriptor(listener.accepted);
    ScriptedPeer peer(socket, options.certificate);
    if (options.tlsAtOnce && !peer.startTls())
        return;
    script(peer);
    socket.disconnectFromHost();
    std::lock_guard guard(m_lock);
    m_received = peer.received();
}
