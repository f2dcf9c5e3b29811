#pragma once

#include <QString>

// Text bound for a protocol line or a header must not hold CR, LF or NUL: it would end the
// line early and let the rest pass as a command of its own. Fails with MailError::refused,
// naming `what` ("mailbox name", "recipient address"), before anything is sent.
void refuseLineBreaks(const QString& text, const QString& what);
