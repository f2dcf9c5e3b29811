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
    explicit ScriptedPeer(QSslSocket& socket) : m_socket(socket) {}

    void send(const QByteArray& bytes);             // written and flushed at once
    QByteArray readLine();                         // one client line without CR LF; empty once the client is gone
    QByteArray readBytes(qint64 count);
    void pause(int milliseconds);
    void close();
    const QList<QByteArray>& received() const { return m_received; }

private:
    QSslSocket& m_socket;
    QList<QByteArray> m_received;
};

// Listens on 127.0.0.1 at a free port, accepts one client and plays `script` with it on a
// thread of its own. With `certificate`, TLS starts at once, as on an IMAPS port.
class ScriptedServer {
public:
    using Script = std::function<void(ScriptedPeer&)>;

    explicit ScriptedServer(Script script, const TestCertificates::Pair& certificate = {});
    ~ScriptedServer();

    QString host() const { return QStringLiteral("127.0.0.1"); }
    int port() const { return m_port; }
    // Waits for the script to end; the lines the client sent.
    QList<QByteArray> received();

private:
    void serve(Script script, TestCertificates::Pair certificate, std::promise<int> port);

    int m_port = 0;
    std::thread m_thread;
    std::mutex m_lock;
    QList<QByteArray> m_received;
};
