#include "SMTPServer.h"

#include "ChildProcess.h"
#include "Loopback.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#ifndef LUMARA_SMTP_SERVER_SCRIPT
#error "LUMARA_SMTP_SERVER_SCRIPT must name smtp_server.py"
#endif

SMTPServer::~SMTPServer()
{
    if (!m_process)
        return;
    stopChild(*m_process);
}

bool SMTPServer::start(const std::vector<User>& users)
{
    const LoopbackBlock block = freeLoopbackBlock({{25, tlsPort}});
    if (!block.error.isEmpty()) {
        m_error = block.error;
        return false;
    }
    m_host = block.address(25);
    if (!m_dir.isValid() || !m_certificates.isValid()) {
        m_error = "no temporary folder or certificates: " + m_certificates.error();
        return false;
    }
    const TestCertificates::Pair pair = m_certificates.issue("smtp", {"IP:" + m_host});
    if (pair.certificateFile.isEmpty()) {
        m_error = m_certificates.error();
        return false;
    }
    QStringList arguments = {LUMARA_SMTP_SERVER_SCRIPT, m_host, pair.certificateFile, pair.keyFile,
                             m_dir.filePath("journal")};
    for (const User& user : users)
        arguments << user.name + ':' + user.password;
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    dieWithTest(*m_process);
    m_process->start("/usr/bin/python3", arguments);
    while (!m_process->canReadLine()) {
        if (!m_process->waitForReadyRead(20000)) {
            m_error = m_process->state() == QProcess::Running
                ? "the SMTP server did not say its ports"
                : "the SMTP server did not start; its error is above";
            return false;
        }
    }
    const QJsonObject ports = QJsonDocument::fromJson(m_process->readLine()).object();
    m_starttlsPort = ports.value("starttls").toInt();
    m_noTlsPort = ports.value("plain").toInt();
    if (m_starttlsPort == 0 || m_noTlsPort == 0) {
        m_error = "the SMTP server did not say its ports";
        return false;
    }
    return true;
}

QList<QJsonObject> SMTPServer::journal() const
{
    QList<QJsonObject> entries;
    QFile file(m_dir.filePath("journal"));
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (line.endsWith('\n'))
            entries.append(QJsonDocument::fromJson(line).object());
    }
    return entries;
}

QList<SMTPServer::Command> SMTPServer::commands() const
{
    QList<Command> commands;
    for (const QJsonObject& entry : journal()) {
        if (entry.contains("line"))
            commands.append({entry.value("connection").toInt(), entry.value("tls").toBool(), entry.value("line").toString()});
    }
    return commands;
}

QList<SMTPServer::Message> SMTPServer::messages() const
{
    QList<Message> messages;
    for (const QJsonObject& entry : journal()) {
        if (!entry.contains("data"))
            continue;
        QStringList recipients;
        for (const QJsonValue& to : entry.value("to").toArray())
            recipients.append(to.toString());
        messages.append({entry.value("connection").toInt(), entry.value("from").toString(), recipients,
                         QByteArray::fromBase64(entry.value("data").toString().toLatin1())});
    }
    return messages;
}

QStringList SMTPServer::lines(int connection) const
{
    const QList<Command> all = commands();
    if (connection == 0 && !all.isEmpty())
        connection = all.last().connection;
    QStringList lines;
    for (const Command& command : all) {
        if (command.connection == connection)
            lines.append(command.line);
    }
    return lines;
}
