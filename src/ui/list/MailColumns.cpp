#include "ui/list/MailColumns.h"

#include <algorithm>
#include <cmath>

MailColumns MailColumns::forWidth(double width, double dateColumn, double netRatio)
{
    MailColumns c;
    c.inner = width - margins;
    const double minNet = std::min(c.inner / 2, least);
    const double maxNet = std::max(c.inner - least - dateColumn - dateGap, minNet);
    c.net = std::max(minNet, std::min(std::round(c.inner * netRatio), maxNet));
    c.subjectX = margin;
    c.subjectWidth = c.net - 16;
    c.senderX = margin + c.net + 16;
    c.dateX = width - margin - dateColumn;
    c.senderWidth = std::max(c.dateX - 32 - c.senderX, 0.0);
    c.dateWidth = dateColumn + 2;
    return c;
}

std::optional<double> MailColumns::ratioAfterDrag(double width, double dx, double currentRatio, double dateColumn)
{
    const double a = width - margins;
    if (a <= 0)
        return std::nullopt;
    const double lo = least / a;
    const double hi = std::max(1 - (dateColumn + least + dateGap) / a, lo);
    return std::clamp(dx / a + currentRatio, lo, hi);
}
