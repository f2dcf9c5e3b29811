#pragma once

#include "TestCertificates.h"

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

// The stand-in for the VirusTotal files endpoint (tests/content/virustotal_server.py) over HTTPS
// on loopback, with a certificate of a test authority. Unknown files get 404.
class VirusTotalPeer {
public:
    VirusTotalPeer() = default;
    ~VirusTotalPeer();

    // Empty on success, otherwise what went wrong.
    QString start();

    QUrl base() const { return QUrl(QStringLiteral("https://127.0.0.1:%1").arg(m_port)); }
    QSslCertificate authority() const { return m_certificates.authority(); }

    // The answer for a file, by the SHA-256 of its bytes.
    void answer(const QByteArray& file, int status, const QByteArray& body);
    // The answer of a scan: `bad` scanners flag it out of `total`.
    void answerStats(const QByteArray& file, int bad, int total);
    // The hashes asked for so far, in order.
    QStringList requested() const;

    static QString hash(const QByteArray& file);

private:
    QTemporaryDir m_dir;
    TestCertificates m_certificates;
    QProcess m_server;
    int m_port = 0;
};
