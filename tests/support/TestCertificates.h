#pragma once

#include <QSslCertificate>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A throw-away certificate authority made with openssl at test time, and server
// certificates it issues. `untrusted` certificates come from a second authority no test trusts.
class TestCertificates {
public:
    struct Pair {
        QString certificateFile;
        QString keyFile;
    };

    TestCertificates();
    bool isValid() const { return m_valid; }
    QString error() const { return m_error; }

    QSslCertificate authority() const;
    Pair issue(const QString& name, const QStringList& subjectAltNames, bool trusted = true);

private:
    bool run(const QStringList& arguments);
    bool makeAuthority(const QString& name);

    QTemporaryDir m_dir;
    bool m_valid = false;
    QString m_error;
};
