#pragma once

#include <optional>

// Where the three columns of a mail row lie for a row (or list) width. The subject and sender
// columns meet at the net, whose place is the "netRatio" setting within limits that keep 90 for
// the subject and 90 for the sender; the date column is right-aligned.
struct MailColumns {
    // The bar-mark width: side of every square in a row; margins are built from it.
    static constexpr double mark = 12.56271981242673;
    static constexpr double margin = 32 + mark;          // each side of a row
    static constexpr double margins = 2 * margin;
    static constexpr double paddle = 71.55607659241892;  // paddle height
    static constexpr double least = 90;                  // narrowest subject and sender column
    static constexpr double dateGap = 48;                // between sender and date, with the gap after the net

    double inner = 0;  // the width between the margins
    double net = 0;    // from the left margin to the net
    double subjectX = 0, subjectWidth = 0;
    double senderX = 0, senderWidth = 0;
    double dateX = 0, dateWidth = 0;

    static MailColumns forWidth(double width, double dateColumn, double netRatio);

    // The net's ratio after a drag by dx over a list of this width; none when the list has no room.
    static std::optional<double> ratioAfterDrag(double width, double dx, double currentRatio, double dateColumn);

    // Column handles hide when the columns are too narrow to be worth dragging.
    static bool handlesShown(double width) { return width - margins >= 220; }
};
