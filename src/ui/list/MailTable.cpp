#include "ui/list/MailTable.h"

#include "core/NotificationCenter.h"
#include "core/Prefs.h"
#include "ui/list/MailColumns.h"
#include "ui/list/MailRowView.h"
#include "ui/list/MailTableAccessible.h"
#include "ui/list/Rally.h"
#include "ui/look/LUScroller.h"
#include "ui/look/MailDrag.h"
#include "ui/look/ReduceMotion.h"
#include "ui/look/Theme.h"

#include <QApplication>
#include <QDrag>
#include <QHash>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {

constexpr double growth = MailTable::openHeight - MailTable::rowHeight;

}  // namespace

MailTable::MailTable(QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_heights(new QVariantAnimation(this))
    , m_rally(new Rally(this))
{
    MailTableAccessible::install();
    setObjectName(QStringLiteral("table"));
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    LUScroller::overlay(this);
    verticalScrollBar()->setSingleStep(rowHeight);

    m_heights->setDuration(heightChangeMs);
    m_heights->setStartValue(0.0);
    m_heights->setEndValue(1.0);
    connect(m_heights, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_progress = value.toDouble();
        updateScrollRange();
        viewport()->update();
    });
    connect(m_heights, &QVariantAnimation::finished, this, [this] {
        m_progress = 1;
        m_closing = -1;
        updateScrollRange();
        viewport()->update();
    });

    m_rally->wanted = [this] { return wantsRally(); };
    NotificationCenter::shared().observe(Theme::changed, this, [this](QObject*) { redrawRows(); });
    m_rally->court = [this] {
        return Rally::Court{double(viewport()->width()), rowHeightOf(m_open), columns().net};
    };
    m_rally->redraw = [this] { redrawRally(); };
}

MailTable::~MailTable()
{
    // A pending open must not reach a list that is going away.
    m_rally->sinkDone = nullptr;
}

void MailTable::setItems(MailList items)
{
    m_items = std::move(items);
    m_colours.clear();  // the accounts may have changed with the rows
    m_selected.assign(m_items.size(), 0);
    m_selectedCount = 0;
    m_current = -1;
    m_anchor = -1;
    m_heights->stop();
    m_closing = -1;
    m_progress = 1;
    if (m_open >= rowCount())
        m_open = -1;
    updateScrollRange();
    viewport()->update();
    MailTableAccessible::rowsChanged(this);
}

std::vector<int> MailTable::selectedRows() const
{
    std::vector<int> rows;
    rows.reserve(size_t(m_selectedCount));
    for (size_t row = 0; row < m_selected.size() && int(rows.size()) < m_selectedCount; ++row)
        if (m_selected[row])
            rows.push_back(int(row));
    return rows;
}

bool MailTable::isSelected(int row) const
{
    return row >= 0 && row < rowCount() && m_selected[size_t(row)];
}

void MailTable::selectRow(int row)
{
    if (row < 0 || row >= rowCount()) {
        clearSelection();
        return;
    }
    std::vector<char> selected(m_items.size(), 0);
    selected[size_t(row)] = 1;
    m_anchor = row;
    setSelection(std::move(selected), row);
}

void MailTable::selectAll()
{
    if (m_items.empty())
        return;
    // The open row stays where the user is; it is not moved to the end of a long list.
    setSelection(std::vector<char>(m_items.size(), 1), m_current >= 0 ? m_current : 0);
}

void MailTable::clearSelection()
{
    m_anchor = -1;
    setSelection(std::vector<char>(m_items.size(), 0), -1);
}

void MailTable::setSelection(std::vector<char> selected, int current)
{
    m_selected = std::move(selected);
    m_selectedCount = int(std::count(m_selected.begin(), m_selected.end(), char(1)));
    m_current = current;
    const int previous = m_open;
    if (previous != m_current)
        openChanged(previous);
    viewport()->update();
    updateRally();
    MailTableAccessible::selectionChanged(this);
    if (onSelectionChanged)
        onSelectionChanged();
}

// The new row grows from 32 to 128 while the previous one shrinks back from where it was.
void MailTable::openChanged(int previous)
{
    const double previousExtra = previous >= 0 ? rowHeightOf(previous) - rowHeight : 0;
    m_open = m_current;
    m_heights->stop();
    m_closing = -1;
    m_progress = 1;
    if (!restoring && !ReduceMotion::on() && isVisible()) {
        if (previousExtra > 0) {
            m_closing = previous;
            m_closingExtra = previousExtra;
        }
        if (m_open >= 0 || m_closing >= 0) {
            m_progress = 0;
            m_heights->start();
        }
    }
    updateScrollRange();
}

std::vector<MailTable::Tall> MailTable::tallRows() const
{
    std::vector<Tall> tall;
    if (m_closing >= 0 && m_closing != m_open && m_closing < rowCount())
        tall.push_back({m_closing, m_closingExtra * (1 - m_progress)});
    if (m_open >= 0 && m_open < rowCount())
        tall.push_back({m_open, growth * m_progress});
    if (tall.size() == 2 && tall[0].row > tall[1].row)
        std::swap(tall[0], tall[1]);
    return tall;
}

double MailTable::rowTop(int row) const
{
    double top = double(row) * rowHeight;
    for (const Tall& t : tallRows())
        if (t.row < row)
            top += t.extra;
    return top;
}

double MailTable::rowHeightOf(int row) const
{
    for (const Tall& t : tallRows())
        if (t.row == row)
            return rowHeight + t.extra;
    return rowHeight;
}

double MailTable::contentHeight() const
{
    double height = double(rowCount()) * rowHeight;
    for (const Tall& t : tallRows())
        height += t.extra;
    return height;
}

int MailTable::rowAt(double viewportY) const
{
    const double y = viewportY + scrollPosition();
    if (y < 0)
        return -1;
    double offset = 0;
    for (const Tall& t : tallRows()) {
        const double top = double(t.row) * rowHeight + offset;
        if (y < top)
            break;
        if (y < top + rowHeight + t.extra)
            return t.row;
        offset += t.extra;
    }
    const int row = int(std::floor((y - offset) / rowHeight));
    return row < rowCount() ? row : -1;
}

QRectF MailTable::rowRect(int row) const
{
    return QRectF(0, rowTop(row) - scrollPosition(), viewport()->width(), rowHeightOf(row));
}

void MailTable::updateScrollRange()
{
    // Room for the open row at its full height, so that scrolling to it is not cut short
    // while it grows.
    const double finalHeight = double(rowCount()) * rowHeight + (m_open >= 0 ? growth : 0);
    const int content = int(std::ceil(std::max(contentHeight(), finalHeight)));
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(viewport()->height());
    bar->setRange(0, std::max(0, content - viewport()->height()));
}

void MailTable::scrollToRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    const double top = finalTop(row);
    const double bottom = top + (row == m_open ? openHeight : rowHeight);
    const double view = viewport()->height();
    const int position = scrollPosition();
    if (top < position)
        setScrollPosition(int(std::floor(top)));
    else if (bottom > position + view)
        setScrollPosition(int(std::ceil(std::min(top, bottom - view))));
}

double MailTable::finalTop(int row) const
{
    return double(row) * rowHeight + (m_open >= 0 && m_open < row ? growth : 0);
}

int MailTable::scrollPosition() const
{
    return verticalScrollBar()->value();
}

void MailTable::setScrollPosition(int position)
{
    verticalScrollBar()->setValue(position);
}

MailColumns MailTable::columns() const
{
    if (!m_netRatio)
        m_netRatio = Prefs::shared().netRatio();
    return MailColumns::forWidth(viewport()->width(), MailRowView::dateColumn(), *m_netRatio);
}

void MailTable::redrawRows()
{
    m_netRatio.reset();
    m_colours.clear();
    m_ink.reset();
    viewport()->update();
}

void MailTable::paintEvent(QPaintEvent* event)
{
    if (m_items.empty())
        return;
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRect area = event->rect();
    const int first = rowAt(std::max(0, area.top()));
    if (first < 0)
        return;
    const MailColumns cols = columns();
    const QDate today = QDate::currentDate();
    // Settings are read once per look, not at each of the rally's sixty frames a second.
    if (!m_ink)
        m_ink = Theme::ink();
    const QColor ink = *m_ink;
    for (int row = first; row < rowCount(); ++row) {
        const QRectF rect = rowRect(row);
        if (rect.top() >= area.bottom() + 1)
            break;
        const MailItem& mail = m_items[size_t(row)];
        auto colour = m_colours.constFind(mail.accountID);
        if (colour == m_colours.cend())
            colour = m_colours.insert(mail.accountID, MailRowView::textColour(mail));
        MailRowView::Row look;
        look.open = isSelected(row) && rect.height() > 33;
        look.eMark = MailRowView::carriesEMark(mail);
        look.text = *colour;
        look.ink = ink;
        look.dirty = event->region();
        if (row == m_open && m_rally->running())
            look.ball = MailRowView::Ball{m_rally->ball, m_rally->ballNow, m_rally->barLeft, m_rally->barRight};
        MailRowView::paint(painter, rect, mail, look, cols, today);
    }
}

void MailTable::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void MailTable::scrollContentsBy(int, int)
{
    viewport()->update();
}

void MailTable::keyPressEvent(QKeyEvent* event)
{
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!command) {
        const bool open = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        const QString key = open ? QStringLiteral("open") : event->text().toLower();
        if (!key.isEmpty() && onKey && onKey(key, m_current)) {
            event->accept();
            return;
        }
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const int page = std::max(1, viewport()->height() / rowHeight - 3);
    switch (event->key()) {
    case Qt::Key_Up:
        moveSelection(m_current < 0 ? rowCount() - 1 : m_current - 1, extend);
        break;
    case Qt::Key_Down:
        moveSelection(m_current < 0 ? 0 : m_current + 1, extend);
        break;
    case Qt::Key_Home:
        moveSelection(0, extend);
        break;
    case Qt::Key_End:
        moveSelection(rowCount() - 1, extend);
        break;
    case Qt::Key_PageUp:
        moveSelection(std::max(0, m_current - page), extend);
        break;
    case Qt::Key_PageDown:
        moveSelection(std::min(rowCount() - 1, m_current + page), extend);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void MailTable::moveSelection(int row, bool extend)
{
    if (m_items.empty())
        return;
    row = std::clamp(row, 0, rowCount() - 1);
    if (extend && m_anchor >= 0) {
        std::vector<char> selected(m_items.size(), 0);
        std::fill(selected.begin() + std::min(m_anchor, row), selected.begin() + std::max(m_anchor, row) + 1, char(1));
        setSelection(std::move(selected), row);
    } else {
        selectRow(row);
    }
    scrollToRow(row);
}

void MailTable::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const int row = rowAt(event->position().y());
    m_pressPos = event->position().toPoint();
    m_pressRow = row;
    m_selectAloneOnRelease = false;
    if (row < 0) {
        clearSelection();
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods & Qt::ControlModifier) {
        std::vector<char> selected = m_selected;
        selected[size_t(row)] = !selected[size_t(row)];
        int current = row;
        if (!selected[size_t(row)]) {
            const auto last = std::find(selected.rbegin(), selected.rend(), char(1));
            current = last == selected.rend() ? -1 : int(selected.rend() - last) - 1;
        }
        m_anchor = row;
        setSelection(std::move(selected), current);
    } else if ((mods & Qt::ShiftModifier) && m_anchor >= 0) {
        moveSelection(row, true);
    } else if (isSelected(row) && m_selectedCount > 1) {
        // Pressing inside a selection may start a drag of all of it; a plain click chooses one.
        m_selectAloneOnRelease = true;
    } else {
        selectRow(row);
    }
}

void MailTable::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) || !isSelected(m_pressRow))
        return;
    if ((event->position().toPoint() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
        return;
    m_selectAloneOnRelease = false;
    m_pressRow = -1;
    startDrag();
}

void MailTable::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_selectAloneOnRelease && m_pressRow >= 0)
        selectRow(m_pressRow);
    m_selectAloneOnRelease = false;
    m_pressRow = -1;
}

void MailTable::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int row = rowAt(event->position().y());
    if (row >= 0 && onDoubleClick)
        onDoubleClick(row);
}

void MailTable::startDrag()
{
    const std::vector<int> rows = selectedRows();
    if (rows.empty() || !dragIds)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(MailDrag::make(dragIds(rows)));
    drag->exec(Qt::MoveAction);
}

void MailTable::contextMenuEvent(QContextMenuEvent* event)
{
    const int row = event->reason() == QContextMenuEvent::Keyboard ? m_current : rowAt(event->pos().y());
    if (row < 0)
        return;
    if (!isSelected(row))
        selectRow(row);
    if (!onMenu)
        return;
    std::unique_ptr<QMenu> made = onMenu(row);
    if (!made)
        return;
    QMenu* menu = made.release();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // From the keyboard the menu opens under the row's text, not in the middle of the list.
    const bool keyboard = event->reason() == QContextMenuEvent::Keyboard;
    // Where the row's text ends up once a height change under way has finished.
    const double textTop = row == m_open ? openHeight / 2.0 - 22 : (rowHeight - 17) / 2.0;
    const QPointF under(MailColumns::margin, finalTop(row) - scrollPosition() + textTop + 18);
    menu->popup(keyboard ? viewport()->mapToGlobal(under.toPoint()) : event->globalPos());
}

bool MailTable::ballInPlay() const
{
    return m_rally->running();
}

bool MailTable::sinkBall(std::function<void()> then)
{
    return m_rally->sinkBall(std::move(then));
}

// The mail's part is settled when the open row or the rows change; each step asks the rest.
bool MailTable::wantsRally() const
{
    if (!m_openMailPlays || m_open < 0 || m_open != m_current || m_open >= rowCount())
        return false;
    return isVisible() && !(window()->windowState() & Qt::WindowMinimized) && !ReduceMotion::on();
}

void MailTable::updateRally()
{
    m_openMailPlays = false;
    if (m_open >= 0 && m_open < rowCount()) {
        const MailItem& mail = m_items[size_t(m_open)];
        m_openMailPlays = !mail.seen && !MailRowView::carriesEMark(mail);
    }
    const QString openID = m_open >= 0 && m_open < rowCount() ? m_items[size_t(m_open)].id() : QString();
    // Ball state belongs to one mail: another open mail starts afresh.
    if (m_rally->running() && (openID != m_rallyFor || !wantsRally()))
        m_rally->stop();
    if (!m_rally->running() && wantsRally()) {
        m_rallyFor = openID;
        m_rally->start();
    }
    redrawOpenRow();
}

// A step moves only the ball and the paddles: their cells are drawn again, not the row's text.
void MailTable::redrawRally()
{
    if (m_open < 0 || m_open >= rowCount())
        return;
    const double m = MailColumns::mark;
    const QRectF row = rowRect(m_open);
    const QRect ball = QRectF(row.topLeft() + m_rally->ball, QSizeF(m, m)).toAlignedRect().adjusted(-1, -1, 1, 1);
    QRegion region(ball);
    region += m_lastBall;
    m_lastBall = ball;
    region += QRectF(row.left() + 8 - 1, row.top(), m + 2, row.height()).toAlignedRect();
    region += QRectF(row.right() - 8 - m - 1, row.top(), m + 2, row.height()).toAlignedRect();
    viewport()->update(region);
}

void MailTable::redrawOpenRow()
{
    if (m_open >= 0 && m_open < rowCount())
        viewport()->update(rowRect(m_open).toAlignedRect());
}

void MailTable::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    if (window() != m_watchedWindow) {
        if (m_watchedWindow)
            m_watchedWindow->removeEventFilter(this);
        m_watchedWindow = window();
        m_watchedWindow->installEventFilter(this);
    }
    updateRally();
}

void MailTable::hideEvent(QHideEvent* event)
{
    QAbstractScrollArea::hideEvent(event);
    updateRally();
}

bool MailTable::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_watchedWindow && event->type() == QEvent::WindowStateChange)
        updateRally();
    return QAbstractScrollArea::eventFilter(watched, event);
}
