#include "ui/list/MailRowView.h"

#include "core/MailStore.h"
#include "core/Prefs.h"
#include "ui/list/MailColumns.h"
#include "ui/look/Theme.h"

#include <QFontMetricsF>
#include <QPainter>
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

void drawLine(QPainter& painter, const QFontMetricsF& metrics, const QString& text, double x, double y, double width)
{
    if (width <= 0)
        return;
    painter.drawText(QPointF(x, y + metrics.ascent()), metrics.elidedText(text, Qt::ElideRight, width));
}

// The subject over as many lines as fit in the height, the last one cut short with "…".
void drawWrapped(QPainter& painter, const QFont& font, const QString& text, double x, double y, double width)
{
    if (width <= 0)
        return;
    const QFontMetricsF metrics(font);
    const int lines = std::max(1, int(std::floor(subjectHeight / metrics.lineSpacing())));
    QTextLayout layout(text, font);
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    double top = y;
    for (int n = 0; n < lines; ++n) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        const bool last = n == lines - 1;
        const QString piece = last ? text.mid(line.textStart()) : text.mid(line.textStart(), line.textLength());
        drawLine(painter, metrics, last ? piece : piece.trimmed(), x, top, width);
        top += metrics.lineSpacing();
    }
    layout.endLayout();
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

    const bool unreadMark = !mail.seen && !row.ball && !row.eMark;
    const double y = row.open ? H / 2 - 22 : (H - 17) / 2;
    if (row.open) {
        const double left = row.ball ? row.ball->barLeft : (H - MailColumns::paddle) / 2;
        const double right = row.ball ? row.ball->barRight : (H - MailColumns::paddle) / 2;
        painter.fillRect(QRectF(8, left, m, MailColumns::paddle), row.ink);
        painter.fillRect(QRectF(W - 8 - m, right, m, MailColumns::paddle), row.ink);
    } else if (row.eMark) {
        painter.setPen(row.ink);
        painter.drawText(QPointF(8, y + metrics.ascent()), QStringLiteral("e?"));
    }
    if (unreadMark)
        painter.fillRect(QRectF(8, y + markDrop, m, m), row.ink);

    painter.setPen(row.text);
    const QString subject = mail.subject.isEmpty() ? QStringLiteral("(no subject)") : oneLine(mail.subject);
    if (row.open)
        drawWrapped(painter, rowFont, subject, columns.subjectX, y, columns.subjectWidth);
    else
        drawLine(painter, metrics, subject, columns.subjectX, y, columns.subjectWidth);
    drawLine(painter, metrics, oneLine(mail.displayFrom()), columns.senderX, y, columns.senderWidth);
    drawLine(painter, metrics, dateText(mail.date, today), columns.dateX, y, columns.dateWidth);

    if (row.open && row.ball) {
        const double side = row.ball->side;
        painter.fillRect(QRectF(row.ball->cell + QPointF((m - side) / 2, (m - side) / 2), QSizeF(side, side)), row.ink);
    }
    painter.restore();
}
