#pragma once

#include "core/MailItem.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRegion>

#include <optional>

class QPainter;
class QRectF;
struct MailColumns;

// How one row of the mail list draws: subject, sender and date in their columns, the unread
// mark or the "e?" mark before them; the open row (selected, taller than 33) as a tiny court with
// two paddles and, while a rally runs, the ball. Rows have no widgets: the table paints the
// visible ones with this.
namespace MailRowView {

struct Ball {
    QPointF cell;  // top left of the ball's m × m cell
    double side;
    double barLeft, barRight;  // paddle tops
};

struct Row {
    bool open = false;
    bool eMark = false;
    std::optional<Ball> ball;  // while a rally runs
    QColor text;               // the mail's text colour
    QColor ink;                // marks, paddles, ball
    std::optional<QRegion> dirty;  // what needs drawing, in the painter's coordinates; none: all
};

void paint(QPainter& painter, const QRectF& rect, const MailItem& mail, const Row& row, const MailColumns& columns,
    const QDate& today);

// Monospaced 13, regular.
QFont font();
double width(const QString& text);
// "HH:mm:ss" for a mail of today, "dd.MM.yy" for any other day (both eight characters).
QString dateText(const QDateTime& date, const QDate& today);
// The widest date text: both forms are eight characters in the monospaced row font, so the
// width of "00:00:00" fits every list without measuring its mails.
double dateColumn();

// Received, with sender-check hints, not counted as scam, sender not trusted.
bool carriesEMark(const MailItem& mail);
// The account's colour in the dark look, the ink in the light one.
QColor textColour(const MailItem& mail);

}  // namespace MailRowView
