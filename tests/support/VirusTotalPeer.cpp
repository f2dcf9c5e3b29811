#include "VirusTotalPeer.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

VirusTotalPeer::~VirusTotalPeer()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.kill();
        m_server.waitForFinished();
    }
}

QString VirusTotalPeer::hash(const QByteArray& file)
{
    return QString::fromLatin1(QCryptographicHash::hash(file, QCryptographicHash::Sha256).toHex());
}

QString VirusTotalPeer::start()
{
    if (!m_dir.isValid() || !m_certificates.isValid())
        return QStringLiteral("no folder or certificates: ") + m_certificates.error();
    const TestCertificates::Pair pair = m_certificates.issue(QStringLiteral("virustotal"), {QStringLiteral("IP:127.0.0.1")});
    if (pair.certificateFile.isEmpty())
        return QStringLiteral("no certificate: ") + m_certificates.error();
    answer("none", 404, "");
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start(QStringLiteral("python3"), {QStringLiteral(LUMARA_VIRUSTOTAL_SERVER), pair.certificateFile, pair.keyFile,
                                                m_dir.filePath(QStringLiteral("answers.json")), m_dir.filePath(QStringLiteral("requests.log"))});
    if (!m_server.waitForReadyRead(30000))
        return QStringLiteral("the VirusTotal stand-in did not start");
    m_port = m_server.readLine().trimmed().toInt();
    return m_port > 0 ? QString() : QStringLiteral("the VirusTotal stand-in gave no port");
}

void VirusTotalPeer::answer(const QByteArray& file, int status, const QByteArray& body)
{
    QFile answers(m_dir.filePath(QStringLiteral("answers.json")));
    QJsonObject table;
    if (answers.open(QIODevice::ReadOnly))
        table = QJsonDocument::fromJson(answers.readAll()).object();
    answers.close();
    table.insert(hash(file), QJsonArray{status, QString::fromUtf8(body)});
    if (answers.open(QIODevice::WriteOnly | QIODevice::Truncate))
        answers.write(QJsonDocument(table).toJson(QJsonDocument::Compact));
}

void VirusTotalPeer::answerStats(const QByteArray& file, int bad, int total)
{
    const QJsonObject stats{{"malicious", bad}, {"suspicious", 0}, {"undetected", total - bad}};
    const QJsonObject report{{"data", QJsonObject{{"attributes", QJsonObject{{"last_analysis_stats", stats}}}}}};
    answer(file, 200, QJsonDocument(report).toJson(QJsonDocument::Compact));
}

QStringList VirusTotalPeer::requested() const
{
    QFile log(m_dir.filePath(QStringLiteral("requests.log")));
    QStringList hashes;
    if (!log.open(QIODevice::ReadOnly))
        return hashes;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const QByteArray path = line.split(' ').value(0);
        if (!path.isEmpty())
            hashes << QString::fromLatin1(path.mid(path.lastIndexOf('/') + 1));
    }
    return hashes;
}
