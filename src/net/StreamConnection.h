#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <chrono>
#include <memory>

class QSslSocket;

// One blocking byte stream to a mail server, plain or TLS, for a single conversation.
// Use it from one thread only; any thread will do. Reads and writes throw PlatformError with
// the socket's own text, and MailError::closed when the peer ends the stream mid-read. Each
// read or write waits at most the time-out; the whole conversation has a deadline from
// creation on, past which every operation fails with MailError::badResponse.
class StreamConnection {
public:
    static constexpr qint64 maxReadSize = 256 * 1024;
    // Longer than any line a mail server sends outside a literal; past it a server is only
    // filling the client's memory.
    static constexpr qsizetype maxLineLength = 1024 * 1024;

    // Never blocks and never fails: a wrong host or closed port is an error of the first read or write.
    StreamConnection(const QString& host, int port);
    ~StreamConnection();
    StreamConnection(const StreamConnection&) = delete;
    StreamConnection& operator=(const StreamConnection&) = delete;

    // Up to the next CR LF, without it. A line longer than maxLength fails with
    // MailError::badResponse as soon as that many bytes have come without a line end.
    QByteArray readLine(qsizetype maxLength = maxLineLength);
    QByteArray readBytes(qint64 count);
    void write(const QByteArray& data);

    // TLS from the next byte on, verified for the host name against the trusted roots.
    void startSecureConnection();
    // Ends the conversation without waiting for the peer; never fails.
    void close();

private:
    void connectIfNeeded();
    QByteArray readMore();
    [[noreturn]] void failWithSocketError() const;
    int waitTime() const;  // the time-out, or less when the deadline comes first
    void consume(qsizetype count);

    QString m_host;
    int m_port;
    std::chrono::milliseconds m_timeout;
    QDeadlineTimer m_deadline;
    std::unique_ptr<QSslSocket> m_socket;
    bool m_connected = false;
    bool m_tlsPending = false;

    // Received, not yet handed out: m_buffer from m_start on. Consuming moves m_start instead of
    // copying the rest, so reading a large literal in chunks stays linear.
    QByteArray m_buffer;
    qsizetype m_start = 0;
    qsizetype m_searchedUpTo = 0;  // no CR LF begins before this offset
};
