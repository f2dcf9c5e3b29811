#pragma once

#include "content/DateFormat.h"

namespace MIME {

// RFC 3501 §9 date-time of INTERNALDATE, such as "17-Jul-2024 10:01:02 +0200".
const DateFormat& internalFormat();

}  // namespace MIME
