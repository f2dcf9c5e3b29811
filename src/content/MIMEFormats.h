#pragma once

#include "content/DateFormat.h"

#include <array>

namespace MIME {

// RFC 5322 §3.3 Date of outgoing mail, such as "Wed, 17 Jul 2024 10:01:02 +0200".
const DateFormat& rfc2822Out();

// RFC 3501 §9 date-time of INTERNALDATE, such as "17-Jul-2024 10:01:02 +0200".
const DateFormat& internalFormat();

// The patterns that read Date headers, in the order they are tried; the weekday and a zone
// comment are cut off before. dateFormats()[twoDigitYear] is the one for years such as "24".
constexpr std::size_t twoDigitYear = 2;
const std::array<const DateFormat*, 5>& dateFormats();

}  // namespace MIME
