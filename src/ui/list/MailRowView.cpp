#include "ui/list/MailRowView.h"

#include "core/MailStore.h"
#include "core/Prefs.h"
#include "ui/list/MailColumns.h"
#include "ui/look/Theme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRegion>
#include <QTextLayout>

#include <cmath>

namespace {

constexpr double m = MailColumns::mark;
constexpr double markDrop = 1.718640093786635;  // lines the mark up with the text's letters
constexpr double subjectHeight = 44;

// Mail data on one line: breaks and tabs would draw as boxes.
QString oneLine(QString text)
{
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control)
            c = u' ';
    return text;
}

// Draws only where the paint event asks for it: a rally step repaints the ball and paddles,
// not the row's text.
struct Pen {
    QPainter& painter;
    const QFontMetricsF& metrics;
    const std::optional<QRegion>& dirty;  // in the row's coordinates

    bool needed(double x, double y, double width, double height) const
    {
        return !dirty || dirty->intersects(QRectF(x, y, width, height).toAlignedRect());
    }

    void line(const QString& text, double x, double y, double width) const
    {
        if (width <= 0 || !needed(x, y, width, lineHeight))
            return;
        painter.drawText(QPointF(x, y + metrics.ascent()), metrics.elidedText(text, Qt::ElideRight, width));
    }

    static constexpr double lineHeight = 18;
};

// The subject's lines as they wrap in its column, the last one holding the rest; kept for the
// one open row, which the rally repaints sixty times a second.
const QStringList& wrapped(const QFont& font, const QString& text, double width, int lines)
{
    static QString lastText;
    static double lastWidth = -1;
    static int lastLines = 0, lastSize = 0;
    static QStringList pieces;
    if (text == lastText && width == lastWidth && lines == lastLines && font.pixelSize() == lastSize)
        return pieces;
    lastText = text;
    lastWidth = width;
    lastLines = lines;
    lastSize = font.pixelSize();
    pieces.clear();
    QTextLayout layout(text, font);
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (int n = 0; n < lines; ++n) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        pieces << (n == lines - 1 ? text.mid(line.textStart()) : text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return pieces;
}

}  // namespace

QFont MailRowView::font()
{
    return Theme::font(13);
}

double MailRowView::width(const QString& text)
{
    return QFontMetricsF(font()).horizontalAdvance(text);
}

QString MailRowView::dateText(const QDateTime& date, const QDate& today)
{
    const QDateTime local = date.toLocalTime();
    return local.date() == today ? local.toString(QStringLiteral("HH:mm:ss")) : local.toString(QStringLiteral("dd.MM.yy"));
}

double MailRowView::dateColumn()
{
    static const double column = std::ceil(width(QStringLiteral("00:00:00")));
    return column;
}

bool MailRowView::carriesEMark(const MailItem& mail)
{
    if (mail.mailbox || !mail.hints || mail.hints->isEmpty())
        return false;
    const MailStore& store = MailStore::shared();
    return !store.isScam(mail) && !store.state().trusted.contains(mail.fromEmail.toLower());
}

QColor MailRowView::textColour(const MailItem& mail)
{
    return Prefs::shared().dark() ? Theme::pastel(Prefs::shared().colorIndex(mail.accountID)) : Theme::c222;
}

void MailRowView::paint(QPainter& painter, const QRectF& rect, const MailItem& mail, const Row& row,
    const MailColumns& columns, const QDate& today)
{
    const double H = rect.height(), W = rect.width();
    const QFont rowFont = font();
    const QFontMetricsF metrics(rowFont);
    painter.save();
    painter.translate(rect.topLeft());
    painter.setFont(rowFont);
    std::optional<QRegion> dirty;
    if (row.dirty)
        dirty = row.dirty->translated(-rect.topLeft().toPoint());
    const Pen pen{painter, metrics, dirty};

    const bool unreadMark = !mail.seen && !row.ball && !row.eMark;
    const double y = row.open ? H / 2 - 22 : (H - 17) / 2;
    if (row.open) {
        const double left = row.ball ? row.ball->barLeft : (H - MailColumns::paddle) / 2;
        const double right = row.ball ? row.ball->barRight : (H - MailColumns::paddle) / 2;
        painter.fillRect(QRectF(8, left, m, MailColumns::paddle), row.ink);
        painter.fillRect(QRectF(W - 8 - m, right, m, MailColumns::paddle), row.ink);
    } else if (row.eMark) {
        painter.setPen(row.ink);
        pen.line(QStringLiteral("e?"), 8, y, W);
    }
    if (unreadMark)
        painter.fillRect(QRectF(8, y + markDrop, m, m), row.ink);

    painter.setPen(row.text);
    if (pen.needed(columns.subjectX, y, columns.subjectWidth, row.open ? subjectHeight : Pen::lineHeight)) {
        const QString subject = mail.subject.isEmpty() ? QStringLiteral("(no subject)") : oneLine(mail.subject);
        if (row.open && columns.subjectWidth > 0) {
            const int lines = std::max(1, int(std::floor(subjectHeight / metrics.lineSpacing())));
            double top = y;
            for (const QString& piece : wrapped(rowFont, subject, columns.subjectWidth, lines)) {
                pen.line(piece, columns.subjectX, top, columns.subjectWidth);
                top += metrics.lineSpacing();
            }
        } else {
            pen.line(subject, columns.subjectX, y, columns.subjectWidth);
        }
    }
    if (pen.needed(columns.senderX, y, columns.senderWidth, Pen::lineHeight))
        pen.line(oneLine(mail.displayFrom()), columns.senderX, y, columns.senderWidth);
    if (pen.needed(columns.dateX, y, columns.dateWidth, Pen::lineHeight))
        pen.line(dateText(mail.date, today), columns.dateX, y, columns.dateWidth);

    if (row.open && row.ball) {
        const double side = row.ball->side;
        painter.fillRect(QRectF(row.ball->cell + QPointF((m - side) / 2, (m - side) / 2), QSizeF(side, side)), row.ink);
    }
    painter.restore();
}
