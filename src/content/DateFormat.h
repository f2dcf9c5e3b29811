#pragma once

#include <QDateTime>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class SimpleDateFormat;
U_NAMESPACE_END

// A Unicode TR35 date pattern in the "en_US_POSIX" locale and the system time zone.
// Reading is strict: the whole text must match the pattern. Safe to share between threads.
class DateFormat {
public:
    explicit DateFormat(const QString& pattern);
    ~DateFormat();
    DateFormat(const DateFormat&) = delete;
    DateFormat& operator=(const DateFormat&) = delete;

    std::optional<QDateTime> parse(const QString& text) const;
    QString format(const QDateTime& time) const;

private:
    std::unique_ptr<icu::SimpleDateFormat> m_format;  // null if ICU refused the pattern
    mutable std::mutex m_lock;                         // ICU formatters are not re-entrant
};
