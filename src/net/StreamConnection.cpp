#include "net/StreamConnection.h"

#include "net/ConnectionPolicy.h"
#include "net/MailError.h"
#include "net/PlatformError.h"

#include <QSslSocket>

#include <cstring>

StreamConnection::StreamConnection(const QString& host, int port)
    : m_host(host)
    , m_port(port)
    , m_timeout(ConnectionPolicy::timeout())
    , m_deadline(ConnectionPolicy::deadline(), Qt::PreciseTimer)
    , m_socket(std::make_unique<QSslSocket>())
{
    m_socket->setSslConfiguration(ConnectionPolicy::tlsConfiguration());
    m_socket->setPeerVerifyName(host);
    if (port > 0 && port <= 65535)
        m_socket->connectToHost(host, quint16(port));
}

StreamConnection::~StreamConnection() = default;

int StreamConnection::waitTime() const
{
    if (m_deadline.hasExpired())
        throw MailError::badResponse(QStringLiteral("the server did not finish in time"));
    return int(std::min<qint64>(m_timeout.count(), m_deadline.remainingTime()));
}

void StreamConnection::connectIfNeeded()
{
    if (m_connected && m_socket->state() != QAbstractSocket::ConnectedState)
        failWithSocketError();  // broken or closed earlier: the conversation is over
    if (!m_connected) {
        if (m_port <= 0 || m_port > 65535)
            throw PlatformError(QStringLiteral("invalid port %1").arg(m_port));
        if (!m_socket->waitForConnected(waitTime()))
            failWithSocketError();
        m_connected = true;
    }
    if (m_tlsPending) {
        m_tlsPending = false;
        m_socket->startClientEncryption();
        if (!m_socket->waitForEncrypted(waitTime()))
            failWithSocketError();
    }
}

void StreamConnection::failWithSocketError() const
{
    const QAbstractSocket::SocketError error = m_socket->error();
    if (error == QAbstractSocket::RemoteHostClosedError || error == QAbstractSocket::UnknownSocketError)
        throw MailError::closed();
    throw PlatformError(m_socket->errorString());
}

void StreamConnection::startSecureConnection()
{
    // Plain bytes that arrived before the handshake were not protected: a man in the middle
    // could have queued them behind the STARTTLS answer. Never hand them out as if they were.
    m_buffer.clear();
    m_start = 0;
    m_searchedUpTo = 0;
    if (m_connected)
        m_socket->readAll();
    m_tlsPending = true;
}

QByteArray StreamConnection::readMore()
{
    connectIfNeeded();
    const int wait = waitTime();  // also ends a conversation kept going past its deadline
    if (m_socket->bytesAvailable() == 0 && !m_socket->waitForReadyRead(wait)) {
        if (m_socket->bytesAvailable() == 0) {
            waitTime();  // the deadline's error rather than the socket's time-out
            failWithSocketError();
        }
    }
    return m_socket->read(maxReadSize);
}

void StreamConnection::consume(qsizetype count)
{
    m_start += count;
    m_searchedUpTo = m_start;
    if (m_start == m_buffer.size()) {
        m_buffer.clear();
        m_start = m_searchedUpTo = 0;
    } else if (m_start > maxReadSize && m_start > m_buffer.size() / 2) {
        // Drop the consumed front now and then; amortised, each byte is moved at most once more.
        m_buffer.remove(0, m_start);
        m_searchedUpTo -= m_start;
        m_start = 0;
    }
}

QByteArray StreamConnection::readLine(qsizetype maxLength)
{
    const auto tooLong = [maxLength] {
        return MailError::badResponse(QStringLiteral("a line longer than %1 bytes").arg(maxLength));
    };
    for (;;) {
        const char* data = m_buffer.constData();
        const qsizetype size = m_buffer.size();
        qsizetype from = std::max(m_start, m_searchedUpTo);
        while (from < size) {
            const void* lf = std::memchr(data + from, '\n', size_t(size - from));
            if (!lf)
                break;
            const qsizetype at = static_cast<const char*>(lf) - data;
            if (at > m_start && data[at - 1] == '\r') {
                if (at - 1 - m_start > maxLength)
                    throw tooLong();
                QByteArray line(data + m_start, at - 1 - m_start);
                consume(at + 1 - m_start);
                return line;
            }
            from = at + 1;
        }
        // Checked before reading more, so the buffer never holds much more than one read past the limit.
        if (size - m_start > maxLength + 1)
            throw tooLong();
        // A CR at the very end may still be followed by its LF.
        m_searchedUpTo = size > m_start && data[size - 1] == '\r' ? size - 1 : size;
        m_buffer.append(readMore());
    }
}

QByteArray StreamConnection::readBytes(qint64 count)
{
    if (m_buffer.size() - m_start < count && m_start > 0) {
        m_buffer.remove(0, m_start);
        m_start = m_searchedUpTo = 0;
    }
    // Grow only with what really arrives: a server may announce any length.
    while (m_buffer.size() - m_start < count)
        m_buffer.append(readMore());
    if (m_start == 0 && m_buffer.size() - count < count) {
        // Hand the buffer itself over and keep the short rest: a large literal is not copied again.
        QByteArray rest = m_buffer.sliced(qsizetype(count));
        m_buffer.truncate(qsizetype(count));
        QByteArray bytes = std::exchange(m_buffer, std::move(rest));
        m_searchedUpTo = 0;
        return bytes;
    }
    QByteArray bytes(m_buffer.constData() + m_start, qsizetype(count));
    consume(qsizetype(count));
    return bytes;
}

void StreamConnection::write(const QByteArray& data)
{
    connectIfNeeded();
    if (m_socket->write(data) != data.size())
        failWithSocketError();
    while (m_socket->bytesToWrite() > 0 || m_socket->encryptedBytesToWrite() > 0) {
        if (!m_socket->waitForBytesWritten(waitTime())) {
            waitTime();
            failWithSocketError();
        }
    }
}

void StreamConnection::close()
{
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
        return;
    m_socket->disconnectFromHost();
    m_socket->flush();
    m_socket->abort();
}
