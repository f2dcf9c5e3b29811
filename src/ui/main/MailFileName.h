#pragma once

#include <QString>

// The file name offered when a mail is saved as .eml: its subject made safe for a file name.
namespace MailFileName {

// Each of / : \ ? % * | " < > and every control character becomes "-"; at most 80 UTF-16 units
// without splitting a pair, and the whole name within the 255 bytes of UTF-8 Linux allows.
QString suggested(const QString& subject);

}
