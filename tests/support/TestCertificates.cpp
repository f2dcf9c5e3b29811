#include "TestCertificates.h"

#include <QFile>
#include <QProcess>

TestCertificates::TestCertificates()
{
    m_valid = m_dir.isValid() && makeAuthority(QStringLiteral("ca")) && makeAuthority(QStringLiteral("rogue"));
}

bool TestCertificates::run(const QStringList& arguments)
{
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"), arguments);
    if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit || openssl.exitCode() != 0) {
        m_error = QStringLiteral("openssl %1 failed: %2").arg(arguments.join(u' '), QString::fromUtf8(openssl.readAll()));
        return false;
    }
    return true;
}

bool TestCertificates::makeAuthority(const QString& name)
{
    const QString base = m_dir.filePath(name);
    return run({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                QStringLiteral("-keyout"), base + QStringLiteral(".key"), QStringLiteral("-out"), base + QStringLiteral(".pem"),
                QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=LU.MARA test ") + name,
                QStringLiteral("-addext"), QStringLiteral("basicConstraints=critical,CA:TRUE"),
                QStringLiteral("-addext"), QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")});
}

QSslCertificate TestCertificates::authority() const
{
    const QList<QSslCertificate> list = QSslCertificate::fromPath(m_dir.filePath(QStringLiteral("ca.pem")));
    return list.isEmpty() ? QSslCertificate() : list.first();
}

TestCertificates::Pair TestCertificates::issue(const QString& name, const QStringList& subjectAltNames, bool trusted)
{
    const QString base = m_dir.filePath(name);
    const QString issuer = m_dir.filePath(trusted ? QStringLiteral("ca") : QStringLiteral("rogue"));
    QFile extensions(base + QStringLiteral(".ext"));
    if (!extensions.open(QIODevice::WriteOnly))
        return {};
    extensions.write("subjectAltName=" + subjectAltNames.join(u',').toUtf8() + "\nextendedKeyUsage=serverAuth\n");
    extensions.close();
    const bool ok =
        run({QStringLiteral("req"), QStringLiteral("-new"), QStringLiteral("-newkey"), QStringLiteral("ec"),
             QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
             QStringLiteral("-keyout"), base + QStringLiteral(".key"), QStringLiteral("-out"), base + QStringLiteral(".csr"),
             QStringLiteral("-subj"), QStringLiteral("/CN=") + name})
        && run({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), base + QStringLiteral(".csr"),
                QStringLiteral("-CA"), issuer + QStringLiteral(".pem"), QStringLiteral("-CAkey"), issuer + QStringLiteral(".key"),
                QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), base + QStringLiteral(".pem"),
                QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"), base + QStringLiteral(".ext")});
    if (!ok)
        return {};
    return {base + QStringLiteral(".pem"), base + QStringLiteral(".key")};
}
