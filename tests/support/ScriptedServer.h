#pragma once

#include "TestCertificates.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <future>
#include <mutex>
#include <thread>

class QSslSocket;

// The server side of one scripted conversation, for what no real server will do.
class ScriptedPeer {
public:
    ScriptedPeer(QSslSocket& socket, const TestCertificates::Pair& certificate)
        : m_socket(socket), m_certificate(certificate) {}

    bool send(const QByteArray& bytes);             // written and flushed at once; false once the client has gone
    QByteArray readLine();                         // one client line without CR LF; empty once the client is gone
    QByteArray readBytes(qint64 count);
    void pause(int milliseconds);
    void close();
    bool startTls();                               // the server side of a TLS handshake, now
    const QList<QByteArray>& received() const { return m_received; }

private:
    QSslSocket& m_socket;
    TestCertificates::Pair m_certificate;
    QList<QByteArray> m_received;
};

struct ScriptedServerOptions {
    TestCertificates::Pair certificate;  // for startTls(); and at once when `tlsAtOnce`
    bool tlsAtOnce = false;
    QString address = QStringLiteral("127.0.0.1");
    int port = 0;                        // 0: any free port
};

// Accepts one client and plays `script` with it on a thread of its own.
class ScriptedServer {
public:
    using Script = std::function<void(ScriptedPeer&)>;
    using Options = ScriptedServerOptions;

    explicit ScriptedServer(Script script, Options options = {});
    ~ScriptedServer();

    QString host() const { return m_address; }
    int port() const { return m_port; }
    // Why the server could not listen; empty when it does.
    QString error() const { return m_error; }
    // Waits for the script to end; the lines the client sent.
    QList<QByteArray> received();

private:
    struct Listening {
        int port = 0;
        QString error;
    };
    void serve(Script script, Options options, std::promise<Listening> listening);

    QString m_address;
    int m_port = 0;
    QString m_error;
    std::thread m_thread;
    std::mutex m_lock;
    QList<QByteArray> m_received;
};
