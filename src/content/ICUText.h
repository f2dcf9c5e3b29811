#pragma once

#include <QString>

#include <unicode/unistr.h>

// Copies between Qt and ICU strings; both are UTF-16.
inline icu::UnicodeString toIcu(const QString& text)
{
    return icu::UnicodeString(reinterpret_cast<const char16_t*>(text.utf16()), int32_t(text.size()));
}

inline QString fromIcu(const icu::UnicodeString& text, int32_t start = 0, int32_t end = -1)
{
    if (end < 0)
        end = text.length();
    return QString(reinterpret_cast<const QChar*>(text.getBuffer() + start), end - start);
}
