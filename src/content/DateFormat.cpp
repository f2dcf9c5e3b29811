#include "content/DateFormat.h"
#include "content/ICUText.h"

#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>

DateFormat::DateFormat(const QString& pattern)
{
    UErrorCode status = U_ZERO_ERROR;
    auto format = std::make_unique<icu::SimpleDateFormat>(toIcu(pattern), icu::Locale("en_US_POSIX"), status);
    if (U_FAILURE(status))
        return;
    format->setLenient(false);
    m_format = std::move(format);
}

DateFormat::~DateFormat() = default;

std::optional<QDateTime> DateFormat::parse(const QString& text) const
{
    if (!m_format || text.isEmpty())
        return std::nullopt;
    const icu::UnicodeString input = toIcu(text);
    icu::ParsePosition position(0);
    UDate millis = 0;
    {
        std::lock_guard guard(m_lock);
        millis = m_format->parse(input, position);
    }
    if (position.getErrorIndex() >= 0 || position.getIndex() != input.length())
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(qint64(millis), Qt::UTC);
}

QString DateFormat::format(const QDateTime& time) const
{
    if (!m_format || !time.isValid())
        return {};
    icu::UnicodeString output;
    {
        std::lock_guard guard(m_lock);
        m_format->format(UDate(time.toMSecsSinceEpoch()), output);
    }
    return fromIcu(output);
}
