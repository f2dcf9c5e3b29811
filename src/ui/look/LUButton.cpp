#include "ui/look/LUButton.h"

#include "core/NotificationCenter.h"
#include "ui/look/L10n.h"
#include "ui/look/MailDrag.h"
#include "ui/look/Theme.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

#include <cmath>

LUButton::LUButton(const QString& title, qreal size, bool underline, std::function<void()> action, QWidget* parent)
    : QWidget(parent)
    , action(std::move(action))
    , m_title(title)
    , m_alwaysUnderline(underline)
    , m_fontSize(size)
{
    Pressable::installAccessibility();
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    NotificationCenter::shared().observe(Notification::gameLanguage, this, [this](QObject*) { changed(); });
}

void LUButton::setTitle(const QString& title)
{
    m_title = title;
    changed();
}

void LUButton::setDetail(const std::optional<QString>& detail)
{
    m_detail = detail;
    update();
}

void LUButton::setSelected(bool selected)
{
    m_selected = selected;
    update();
}

void LUButton::setAlwaysUnderline(bool on)
{
    m_alwaysUnderline = on;
    update();
}

void LUButton::setFontSize(qreal size)
{
    m_fontSize = size;
    changed();
}

void LUButton::setKern(qreal kern)
{
    m_kern = kern;
    changed();
}

void LUButton::setTitleTurn(qreal degrees)
{
    m_titleTurn = degrees;
    update();
}

void LUButton::setBarMark(std::optional<qreal> width)
{
    m_barMark = width;
    changed();
}

void LUButton::setOnDrop(std::function<void(const QString&)> handler)
{
    if (!handler) {
        setOnDropAll({});
        return;
    }
    setOnDropAll([handler = std::move(handler)](const QStringList& ids) {
        for (const QString& id : ids)
            handler(id);
    });
}

void LUButton::setOnDropAll(std::function<void(const QStringList&)> handler)
{
    m_onDrop = std::move(handler);
    setAcceptDrops(bool(m_onDrop));
}

void LUButton::changed()
{
    updateGeometry();
    update();
}

QFont LUButton::titleFont() const
{
    return Theme::font(m_fontSize, QFont::Normal, m_kern);
}

QSize LUButton::sizeHint() const
{
    const QFontMetricsF metrics(titleFont());
    qreal width = std::ceil(metrics.horizontalAdvance(loc(m_title)) + 2);
    if (m_barMark)
        width += *m_barMark + 12;
    return QSize(int(std::ceil(width)), int(std::ceil(metrics.height() + 7)));
}

void LUButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QColor ink = Theme::ink();
    const QFont font = titleFont();
    const QFontMetricsF metrics(font);
    const QString shownTitle = loc(m_title);
    const QSizeF titleSize(metrics.horizontalAdvance(shownTitle), metrics.height());
    painter.setFont(font);
    painter.setPen(ink);

    const qreal titleX = m_barMark ? *m_barMark + 12 : 0;
    if (m_barMark && (m_selected || m_dropHover))
        painter.fillRect(QRectF(0, 2, *m_barMark, *m_barMark), ink);
    if (m_barMark && m_titleTurn != 0) {
        painter.save();
        painter.translate(titleSize.width() / 2 + titleX, titleSize.height() / 2 + 1);
        painter.rotate(m_titleTurn);
        painter.drawText(QPointF(-titleSize.width() / 2, -titleSize.height() / 2 + metrics.ascent()), shownTitle);
        painter.restore();
    } else {
        painter.drawText(QPointF(titleX, 1 + metrics.ascent()), shownTitle);
    }
    if (m_detail)
        painter.drawText(QPointF(width() - metrics.horizontalAdvance(*m_detail), 1 + metrics.ascent()), *m_detail);

    if (!m_barMark && (m_selected || m_alwaysUnderline || m_dropHover)) {
        QPen pen(ink, 1, Qt::CustomDashLine, Qt::FlatCap);
        pen.setDashPattern({3, 3});
        painter.setPen(pen);
        painter.drawLine(QPointF(0, height() - 0.5), QPointF(width(), height() - 0.5));
    }
}

void LUButton::mousePressEvent(QMouseEvent* event)
{
    m_secondClick = false;
    event->accept();
}

void LUButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    m_secondClick = true;
    event->accept();
}

void LUButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    if (m_secondClick && onDoubleClick)
        onDoubleClick();
    else if (action)
        action();
}

void LUButton::contextMenuEvent(QContextMenuEvent* event)
{
    if (!contextMenu)
        return;
    std::unique_ptr<QMenu> made = contextMenu();
    if (!made)
        return;
    QMenu* menu = made.release();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void LUButton::setDropHover(bool on)
{
    m_dropHover = on;
    update();
}

void LUButton::dragEnterEvent(QDragEnterEvent* event)
{
    if (!m_onDrop || !event->mimeData()->hasFormat(MailDrag::type()))
        return;
    setDropHover(true);
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void LUButton::dragLeaveEvent(QDragLeaveEvent*)
{
    setDropHover(false);
}

void LUButton::dropEvent(QDropEvent* event)
{
    setDropHover(false);
    const QStringList ids = MailDrag::ids(event->mimeData());
    if (ids.isEmpty() || !m_onDrop)
        return;
    event->setDropAction(Qt::MoveAction);
    event->accept();
    // The handler may rebuild the screen; keep the handler alive for the whole loop.
    const auto handler = m_onDrop;
    handler(ids);
}

QString LUButton::accessibleTitle() const
{
    return loc(m_accessibleLabel.isEmpty() ? m_title : m_accessibleLabel);
}

void LUButton::press()
{
    if (action)
        action();
}
