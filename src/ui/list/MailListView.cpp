#include "ui/list/MailListView.h"

#include "core/MailStore.h"
#include "core/NotificationCenter.h"
#include "core/Prefs.h"
#include "ui/list/MailColumns.h"
#include "ui/list/MailRowView.h"
#include "ui/list/MailTable.h"
#include "ui/list/NetHandle.h"
#include "ui/list/SplitHandle.h"
#include "ui/list/TreeLines.h"
#include "ui/look/L10n.h"
#include "ui/look/LULabel.h"
#include "ui/look/LUScroller.h"
#include "ui/look/Theme.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QTextEdit>
#include <QTextFrame>

#include <algorithm>
#include <cmath>

namespace {

constexpr int listTop = 24;
constexpr int listSide = 16;
constexpr int previewRight = 24;
constexpr int gapAbovePreview = 2;
constexpr int leastPreview = 80;
constexpr int previewLimit = 3000;

// The same mail as the store names it (account, sent or received, Message-ID or else UID),
// without building id strings for every row.
bool sameMail(const MailItem& a, const MailItem& b)
{
    if (a.messageID.isEmpty() != b.messageID.isEmpty())
        return false;
    if (a.messageID.isEmpty() ? a.uid != b.uid : a.messageID != b.messageID)
        return false;
    return a.accountID == b.accountID && a.mailbox.has_value() == b.mailbox.has_value();
}

int rowOf(const MailList& items, const MailItem& mail, int near)
{
    if (near >= 0 && size_t(near) < items.size() && sameMail(items[size_t(near)], mail))
        return near;
    int row = 0;
    for (const MailItem& item : items) {
        if (sameMail(item, mail))
            return row;
        ++row;
    }
    return -1;
}

// The preview shows text flush left: the indents of quoting and of HTML layouts go.
QString flushLeft(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = text.split(lineBreak);
    for (QString& line : lines) {
        qsizetype start = 0;
        while (start < line.size() && (line[start] == u' ' || line[start] == u'\t' || line[start] == QChar(0x00A0)))
            ++start;
        line.remove(0, start);
    }
    return lines.join(u'\n');
}

}  // namespace

MailListView::MailListView(QWidget* parent)
    : FlippedView(parent)
    , m_table(new MailTable(this))
    , m_empty(new LULabel(QStringLiteral("nothing."), 13, true, 0, 1, this))
    , m_preview(new FlippedView(this))
    , m_previewText(new QTextEdit(m_preview))
    , m_previewFiles(new LULabel(QString(), 10, true, 1.5, 1, m_preview))
    , m_handle(new SplitHandle(this))
    , m_net(new NetHandle(true, this))
    , m_dateNet(new NetHandle(false, this))
    , m_tree(new TreeLines(this))
{
    setObjectName(QStringLiteral("list"));
    m_empty->setObjectName(QStringLiteral("empty"));
    m_preview->setObjectName(QStringLiteral("preview"));
    m_previewText->setObjectName(QStringLiteral("previewText"));
    m_previewFiles->setObjectName(QStringLiteral("previewFiles"));
    m_handle->setObjectName(QStringLiteral("handle"));
    m_net->setObjectName(QStringLiteral("net"));
    m_dateNet->setObjectName(QStringLiteral("dateNet"));
    m_tree->setObjectName(QStringLiteral("tree"));

    m_previewText->setReadOnly(true);
    m_previewText->setTextInteractionFlags(Qt::NoTextInteraction);
    m_previewText->setFocusPolicy(Qt::NoFocus);
    m_previewText->setFrameShape(QFrame::NoFrame);
    m_previewText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_previewText->setLineWrapMode(QTextEdit::WidgetWidth);
    m_previewText->viewport()->setAutoFillBackground(false);
    m_previewText->setAutoFillBackground(false);
    m_previewText->document()->setDocumentMargin(0);
    m_previewText->viewport()->setCursor(Qt::ArrowCursor);
    LUScroller::overlay(m_previewText);

    m_table->onKey = [this](const QString& key, int row) { return handle(key, row); };
    m_table->onMenu = [this](int row) { return menuFor(row); };
    m_table->onDoubleClick = [this](int row) { open(m_table->items()[size_t(row)]); };
    m_table->onSelectionChanged = [this] { selectionChanged(); };
    m_table->dragIds = [this](const std::vector<int>& rows) {
        QStringList ids;
        ids.reserve(qsizetype(rows.size()));
        for (const int row : rows)
            ids << m_table->items()[size_t(row)].id();
        return ids;
    };
    m_net->onDrag = [this](double dx) { dragNet(dx); };
    m_handle->onDrag = [this](double dy) { dragSplit(dy); };
    m_tree->raise();
    m_net->raise();

    NotificationCenter::shared().observe(Theme::changed, this, [this](QObject*) { themeChanged(); });
    themeChanged();
}

MailListView::~MailListView() = default;

const MailList& MailListView::items() const
{
    return m_table->items();
}

std::optional<MailItem> MailListView::selectedMail() const
{
    const int row = m_table->selectedRow();
    if (row < 0 || row >= m_table->rowCount())
        return std::nullopt;
    return items()[size_t(row)];
}

void MailListView::configure(int drawer)
{
    const int previous = m_drawer;
    m_drawer = drawer;
    reloadNow();
    if (drawer == MailStore::searchView || drawer == previous)
        return;
    QWidget* focus = QApplication::focusWidget();
    if (!qobject_cast<QLineEdit*>(focus) && !qobject_cast<QTextEdit*>(focus) && !qobject_cast<QPlainTextEdit*>(focus))
        m_table->setFocus();
}

void MailListView::reload()
{
    if (m_reloadPending)
        return;
    m_reloadPending = true;
    QMetaObject::invokeMethod(this, [this] {
        if (m_reloadPending)
            reloadNow();
    }, Qt::QueuedConnection);
}

void MailListView::reloadNow()
{
    m_reloadPending = false;
    const std::optional<MailItem> remembered = selectedMail();
    const int rememberedRow = m_table->selectedRow();

    MailList fresh = MailStore::shared().items(m_drawer);
    m_empty->setVisible(fresh.empty());
    const QString view = QString::number(m_drawer) + u'|';
    const bool sameView = view == m_lastView;
    m_lastView = view;

    const int scrolled = m_table->scrollPosition();
    m_table->restoring = true;
    m_table->setItems(std::move(fresh));
    const int found = remembered ? rowOf(items(), *remembered, rememberedRow) : -1;
    if (found >= 0)
        m_table->selectRow(found);
    else if (!items().empty())
        m_table->selectRow(std::clamp(rememberedRow, 0, m_table->rowCount() - 1));
    else
        m_table->clearSelection();
    if (sameView)
        m_table->setScrollPosition(scrolled);
    else
        m_table->scrollToRow(m_table->selectedRow());
    m_table->restoring = false;
    layOut();
    if (!(sameView && found >= 0))
        loadPreview();
}

void MailListView::selectionChanged()
{
    if (m_table->restoring)
        return;
    m_table->scrollToRow(m_table->selectedRow());
    loadPreview();
}

double MailListView::clampPreview(double height) const
{
    const double room = this->height() - (listTop + MailTable::openHeight + gapAbovePreview);
    if (room < leastPreview)
        return leastPreview;
    return std::round(std::clamp(height, double(leastPreview), room));
}

void MailListView::resizeEvent(QResizeEvent* event)
{
    FlippedView::resizeEvent(event);
    layOut();
}

// By hand, as the fixed offsets ask. The list's height snaps to whole rows with room for the
// open one, so that no row is cut at the bottom edge.
void MailListView::layOut()
{
    const int W = width(), H = height();
    const bool previewOn = Prefs::shared().preview();
    const int previewHeight = previewOn ? int(clampPreview(H * Prefs::shared().previewRatio())) : 0;
    const int previewTop = H - previewHeight;
    const int previewX = int(std::round(listSide + MailColumns::margin));
    m_preview->setGeometry(previewX, previewTop, std::max(0, W - previewRight - previewX), previewHeight);
    m_preview->setVisible(previewOn && previewHeight > 0);

    const int room = std::max(0, previewTop - gapAbovePreview - listTop);
    const int rows = std::max(0, int(std::floor(double(room - 96) / MailTable::rowHeight)));
    const int listHeight = std::min(96 + MailTable::rowHeight * rows, room);
    m_table->setGeometry(listSide, listTop, std::max(0, W - 2 * listSide), listHeight);

    const int filesHeight = m_previewFiles->sizeHint().height();
    const int filesTop = previewHeight - 16 - filesHeight;
    m_previewFiles->setGeometry(0, filesTop, m_preview->width(), filesHeight);
    m_previewText->setGeometry(0, 16, m_preview->width(), std::max(0, filesTop - 6 - 16));

    m_handle->setGeometry(0, previewTop - gapAbovePreview - 6, W, 12);
    m_handle->setVisible(previewOn);

    const QSize emptySize = m_empty->sizeHint();
    const QRect list = m_table->geometry();
    m_empty->setGeometry(list.x() + (list.width() - emptySize.width()) / 2,
        int(std::round(list.y() + list.height() / 2.0 - 40 - emptySize.height() / 2.0)), emptySize.width(), emptySize.height());

    placeHandles();
    placeTree();
}

void MailListView::placeHandles()
{
    const QRect s = m_table->geometry();
    const MailColumns c = MailColumns::forWidth(s.width(), MailRowView::dateColumn(), Prefs::shared().netRatio());
    const bool shown = MailColumns::handlesShown(s.width()) && !items().empty();
    m_net->setGeometry(int(std::round(s.x() + MailColumns::margin + c.net - 6)), s.y(), 12, s.height());
    m_dateNet->setGeometry(
        int(std::round(s.x() + s.width() - MailColumns::margin - MailRowView::dateColumn() - 16 - 6)), s.y(), 12, s.height());
    m_net->setVisible(shown);
    m_dateNet->setVisible(shown);
}

void MailListView::placeTree()
{
    m_tree->setGeometry(rect());
    const QRect s = m_table->geometry();
    const QRect p = m_preview->geometry();
    std::optional<QRectF> box;
    if (Prefs::shared().preview() && !m_preview->isHidden() && p.height() > 1)
        box = QRectF(p.x() - 16, p.y() + 4, p.width() + 16, height() - (p.y() + 4));
    m_tree->place(box, s.x() + 8 + MailColumns::mark / 2, s.y() + 16);
}

void MailListView::dragNet(double dx)
{
    const std::optional<double> ratio
        = MailColumns::ratioAfterDrag(m_table->width(), dx, Prefs::shared().netRatio(), MailRowView::dateColumn());
    if (!ratio)
        return;
    Prefs::shared().setNetRatio(*ratio);
    placeHandles();
    m_table->redrawRows();
}

void MailListView::dragSplit(double dy)
{
    if (!Prefs::shared().preview() || height() <= 0)
        return;
    const double now = clampPreview(m_preview->height() + dy);
    Prefs::shared().setPreviewRatio(now / height());
    layOut();
}

void MailListView::togglePreview()
{
    Prefs::shared().setPreview(!Prefs::shared().preview());
    layOut();
    m_previewID.reset();
    loadPreview();
}

void MailListView::loadPreview()
{
    if (!Prefs::shared().preview())
        return;
    const std::optional<MailItem> mail = selectedMail();
    if (!mail) {
        m_previewID.reset();
        m_previewFiles->set(QString());
        showPreviewText(QString());
        return;
    }
    const QString id = mail->id();
    if (m_previewID == id)
        return;
    m_previewID = id;
    m_previewFiles->set(QString());
    showPreviewText(QStringLiteral("…"));
    fetchPreview(*mail, id);
}

QCoro::Task<> MailListView::fetchPreview(MailItem mail, QString id)
{
    QPointer<MailListView> self(this);
    QString text;
    qsizetype attachments = 0;
    bool failed = false;
    try {
        const MIME::Parsed body = co_await MailStore::shared().body(mail, false);
        text = body.text;
        attachments = body.attachments.size();
    } catch (...) {
        failed = true;
    }
    // A result for a mail no longer asked for is dropped: another row, or none, is shown now.
    if (!self || self->m_previewID != id)
        co_return;
    if (failed) {
        self->showPreviewText(loc(QStringLiteral("could not load the preview.")));
        co_return;
    }
    if (text.size() > previewLimit) {
        const qsizetype cut = text[previewLimit - 1].isHighSurrogate() ? previewLimit - 1 : previewLimit;
        text = text.left(cut) + QStringLiteral(" …");
    }
    self->showPreviewText(text.isEmpty() ? QStringLiteral("(empty)") : text);
    self->m_previewFiles->set(attachments == 0 ? QString()
                                               : QString::number(attachments) + QStringLiteral(" attachment")
            + (attachments == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(" · locked – open the mail to unlock"));
}

void MailListView::showPreviewText(const QString& text)
{
    m_previewShown = flushLeft(text);
    m_previewText->setPlainText(m_previewShown);
    QTextFrameFormat frame = m_previewText->document()->rootFrame()->frameFormat();
    frame.setTopMargin(6);
    frame.setBottomMargin(6);
    frame.setLeftMargin(0);
    frame.setRightMargin(0);
    m_previewText->document()->rootFrame()->setFrameFormat(frame);
}

void MailListView::themeChanged()
{
    QPalette palette = m_previewText->palette();
    palette.setColor(QPalette::Text, Prefs::shared().dark() ? Theme::cBBB : Theme::c222);
    palette.setColor(QPalette::Base, Qt::transparent);
    m_previewText->setPalette(palette);
    m_previewText->setFont(Theme::font(13));
    showPreviewText(m_previewShown);
    m_table->redrawRows();
}
