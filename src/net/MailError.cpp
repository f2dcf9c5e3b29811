#include "net/MailError.h"

namespace {

template <class... F> struct Overload : F... { using F::operator()...; };
template <class... F> Overload(F...) -> Overload<F...>;

}  // namespace

MailError::MailError(Case c)
    : m_case(std::move(c))
{
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
