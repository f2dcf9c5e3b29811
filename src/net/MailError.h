#pragma once

#include <QException>
#include <QString>

#include <variant>

// The network layer's own failures; each case carries the text every error display shows.
class MailError : public QException {
public:
    // Server words in the texts are kept to this many characters, on one line: line breaks and
    // tabs become a space, other control characters U+FFFD.
    static constexpr qsizetype maxServerText = 300;

    struct Server { QString text; };       // a tagged NO/BAD or an unexpected SMTP reply
    struct BadResponse { QString text; };  // an answer the client cannot use
    struct Closed {};                      // the peer ended the stream mid-read
    struct NoPassword {};                  // the keychain holds no password for the account
    struct Refused { QString text; };      // the client would not send unsafe input
    using Case = std::variant<Server, BadResponse, Closed, NoPassword, Refused>;

    static MailError server(const QString& text) { return MailError(Server{text}); }
    static MailError badResponse(const QString& text) { return MailError(BadResponse{text}); }
    static MailError closed() { return MailError(Closed{}); }
    static MailError noPassword() { return MailError(NoPassword{}); }
    static MailError refused(const QString& text) { return MailError(Refused{text}); }

    const Case& which() const { return m_case; }
    QString description() const;

    const char* what() const noexcept override { return m_what.constData(); }
    void raise() const override { throw *this; }
    MailError* clone() const override { return new MailError(*this); }

private:
    explicit MailError(Case c);

    Case m_case;
    QByteArray m_what;
};
