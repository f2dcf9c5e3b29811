#pragma once

#include <QString>

namespace MIME {

// The readable text of an HTML mail body: head, styles, scripts and comments dropped, line
// breaks for <br> and block ends, "· " for list items, other tags removed, common entities and
// numeric references decoded. Not a layout: a fixed chain of replacements, linear in the input.
// The steps work in place on `html`: a caller that hands its text over saves the one copy.
QString htmlToText(QString html);

}  // namespace MIME
