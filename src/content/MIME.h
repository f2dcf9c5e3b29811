#pragma once

// Reading stored mail: headers, parts, charsets, HTML and the sender checks.
#include "content/HTMLToText.h"
#include "content/MIMEFormats.h"
#include "content/MIMEHeaders.h"
#include "content/MIMEParser.h"
#include "content/MIMEText.h"
#include "content/SenderChecks.h"
