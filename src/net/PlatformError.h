#pragma once

#include <QException>
#include <QString>

// A failure reported by the socket or TLS layer, carrying the platform's own text
// (time-out, refused, unknown host, certificate not trusted).
class PlatformError : public QException {
public:
    explicit PlatformError(const QString& text) : m_text(text), m_what(text.toUtf8()) {}

    QString description() const { return m_text; }

    const char* what() const noexcept override { return m_what.constData(); }
    void raise() const override { throw *this; }
    PlatformError* clone() const override { return new PlatformError(*this); }

private:
    QString m_text;
    QByteArray m_what;
};
