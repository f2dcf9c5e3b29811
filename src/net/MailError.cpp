#include "net/MailError.h"

namespace {

template <class... F> struct Overload : F... { using F::operator()...; };
template <class... F> Overload(F...) -> Overload<F...>;

bool breaksTheLine(char16_t c)
{
    return (c >= 0x09 && c <= 0x0d) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// Server words go into the one-line problem display and into alerts: whatever the server sent
// must neither break that line, nor move the cursor with escape sequences, nor fill the screen.
QString readable(const QString& text)
{
    QString out;
    out.reserve(std::min(text.size(), MailError::maxServerText) + 1);
    qsizetype i = 0;
    for (; i < text.size() && out.size() < MailError::maxServerText; ++i) {
        const char16_t c = text[i].unicode();
        if (breaksTheLine(c)) {
            if (!out.endsWith(u' '))
                out += u' ';
        } else if (QChar::category(c) == QChar::Other_Control) {
            out += QChar::ReplacementCharacter;
        } else {
            out += QChar(c);
        }
    }
    if (i < text.size()) {
        if (out.back().isHighSurrogate())
            out.chop(1);
        out += u'\u2026';
    }
    return out;
}

}  // namespace

MailError::MailError(Case c)
    : m_case(std::move(c))
{
    if (auto* server = std::get_if<Server>(&m_case))
        server->text = readable(server->text);
    else if (auto* bad = std::get_if<BadResponse>(&m_case))
        bad->text = readable(bad->text);
    m_what = description().toUtf8();
}

QString MailError::description() const
{
    return std::visit(Overload{
        [](const Server& s) { return s.text.trimmed(); },
        [](const BadResponse& b) { return QStringLiteral("unexpected answer: ") + b.text; },
        [](const Closed&) { return QStringLiteral("connection closed"); },
        [](const NoPassword&) { return QStringLiteral("no password in keychain"); },
        [](const Refused& r) { return r.text; },
    }, m_case);
}
