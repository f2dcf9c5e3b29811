#include "ui/compose/ComposeWindowController.h"

#include "core/MailStore.h"
#include "core/NetworkJobs.h"
#include "core/NotificationCenter.h"
#include "core/Prefs.h"
#include "ui/compose/ComposeText.h"
#include "ui/compose/ComposeWindow.h"
#include "ui/compose/DropGround.h"
#include "ui/compose/NotesPanel.h"
#include "ui/compose/NotesTextView.h"
#include "ui/compose/PlainTextView.h"
#include "ui/look/ClosureMenuItem.h"
#include "ui/look/DashedLine.h"
#include "ui/look/FieldRow.h"
#include "ui/look/FileDialogs.h"
#include "ui/look/L10n.h"
#include "ui/look/LUButton.h"
#include "ui/look/LUField.h"
#include "ui/look/LULabel.h"
#include "ui/look/ReduceMotion.h"
#include "ui/look/Theme.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeDatabase>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QVariantAnimation>

#include <algorithm>

namespace {

constexpr int notesWidth = 360;
constexpr int labelWidth = 80;
constexpr int rowsTop = 54;
constexpr int rowsSide = 48;
constexpr int rowGap = 6;
constexpr int rowHeight = 34;
constexpr int bodyRightGap = 40;
constexpr QSize narrowMinimum(520, 520);
constexpr QSize wideMinimum(880, 520);

const QString introHint = QStringLiteral("ctrl+\u21b5 send \u00b7 you get 5 seconds to take it back \u00b7 ctrl+shift+a or drop files to attach");
const QString sendHint = QStringLiteral("ctrl+\u21b5 send \u00b7 you get 5 seconds to take it back");
const QString sendTitle = QStringLiteral("send  ctrl+\u21b5");

QList<ComposeWindowController*>& openWindows()
{
    static QList<ComposeWindowController*> list;
    return list;
}

// Reads at most `limit` + 1 bytes, in pieces, so that a huge file or an endless device never
// claims more memory than the limit.
std::optional<QByteArray> readFile(QFile& file, qint64 limit)
{
    constexpr qint64 piece = 1 << 20;
    QByteArray data;
    while (data.size() <= limit) {
        const QByteArray more = file.read(std::min(piece, limit + 1 - data.size()));
        if (more.isEmpty())
            break;
        data += more;
    }
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return data;
}

}  // namespace

ComposeWindowController* ComposeWindowController::open(
    const std::optional<MailItem>& reply, const std::optional<QString>& quoted, const std::optional<MailItem>& forward)
{
    if (Prefs::shared().accounts().isEmpty())
        return nullptr;
    auto* controller = new ComposeWindowController(reply, forward);
    openWindows().append(controller);
    controller->prefill(quoted);
    ComposeWindow* window = controller->m_window;
    window->show();
    window->raise();
    window->activateWindow();
    if (QWidget* first = window->focusWidget())
        first->setFocus();
    return controller;
}

const QList<ComposeWindowController*>& ComposeWindowController::windows()
{
    return openWindows();
}

ComposeWindowController::ComposeWindowController(const std::optional<MailItem>& reply, const std::optional<MailItem>& forward)
    : m_reply(reply)
    , m_forward(forward)
    , m_window(new ComposeWindow)
    , m_timer(new QTimer(this))
{
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    m_window->setWindowTitle(loc(QStringLiteral("write")));
    m_notesShown = Prefs::shared().notesVisible();
    m_window->resize(m_notesShown ? QSize(1100, 700) : QSize(720, 700));
    m_window->setMinimumSize(m_notesShown ? wideMinimum : narrowMinimum);

    // The countdown reads the Clock on a short beat, so a second is a second of the Clock's.
    m_timer->setInterval(50);
    connect(m_timer, &QTimer::timeout, this, &ComposeWindowController::countdownPoll);

    QPointer<ComposeWindowController> self(this);
    m_window->onSend = [self] {
        if (self)
            self->sendPressed();
    };
    m_window->onEscape = [self] { return self && self->takeBack(); };
    m_window->onToggleNotes = [self] {
        if (self)
            self->toggleNotes();
    };
    m_window->onAttach = [self] {
        if (self)
            self->pickFiles();
    };
    m_window->onNoteTopic = [self](int index) {
        if (self)
            self->noteTopic(index);
    };
    m_window->onClose = [self] {
        if (self)
            self->closing();
    };

    buildLayout();
    auto& center = NotificationCenter::shared();
    center.observe(Theme::changed, this, [this](QObject*) { themeChanged(); });
    center.observe(Notification::gameLanguage, this, [this](QObject*) { m_window->setWindowTitle(loc(QStringLiteral("write"))); });
    themeChanged();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_window->move(screen->availableGeometry().center() - m_window->rect().center());
}

ComposeWindowController::~ComposeWindowController()
{
    openWindows().removeOne(this);
    m_window->ground()->removeEventFilter(this);
    delete m_window;
}

void ComposeWindowController::buildLayout()
{
    DropGround* ground = m_window->ground();
    ground->onDrop = [this](const QStringList& paths) { addFiles(paths); };

    m_fromButton = new LUButton(QString(), 13, false, [this] { cycleFrom(); });
    m_fromButton->setObjectName(QStringLiteral("fromButton"));
    m_to = new LUField(QStringLiteral("someone@example.org"));
    m_to->setObjectName(QStringLiteral("to"));
    m_cc = new LUField(QStringLiteral("copy, visible to all"));
    m_cc->setObjectName(QStringLiteral("cc"));
    m_bcc = new LUField(QStringLiteral("hidden copy"));
    m_bcc->setObjectName(QStringLiteral("bcc"));
    m_subject = new LUField(QStringLiteral("subject"));
    m_subject->setObjectName(QStringLiteral("subject"));
    m_filesButton = new LUButton(QString(), 13, false, [this] {
        if (m_files.isEmpty()) {
            pickFiles();
            return;
        }
        QMenu* menu = makeFilesMenu().release();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_filesButton->mapToGlobal(QPoint(0, m_filesButton->height())));
    });
    m_filesButton->setObjectName(QStringLiteral("filesButton"));
    m_filesButton->contextMenu = [this] { return makeFilesMenu(); };

    const std::pair<const char*, QWidget*> rows[] = {
        {"from", m_fromButton}, {"to", m_to}, {"cc", m_cc}, {"bcc", m_bcc}, {"subject", m_subject}, {"files", m_filesButton}};
    for (const auto& [label, field] : rows)
        m_rows << new FieldRow(QString::fromLatin1(label), field, labelWidth, ground);
    m_filesRow = m_rows.last();
    m_filesRow->setObjectName(QStringLiteral("filesRow"));

    m_body = new PlainTextView(14, 0, ground);
    m_body->setObjectName(QStringLiteral("body"));
    m_bottomLine = new DashedLine(false, ground);
    m_status = new LULabel(introHint, 10, true, 1.5, 1, ground);
    m_status->setObjectName(QStringLiteral("status"));
    m_sendButton = new LUButton(sendTitle, 13, true, [this] {
        if (m_countdown <= 0)
            sendPressed();
        else
            takeBack();
    }, ground);
    m_sendButton->setObjectName(QStringLiteral("sendButton"));
    m_notes = new NotesPanel(ground);
    m_notes->setObjectName(QStringLiteral("notes"));
    m_notes->onInsert = [this](const QString& text) { insertNote(text); };
    m_notes->setVisible(m_notesShown);

    // Tab goes down the rows into the text, as they stand.
    QWidget::setTabOrder(m_to, m_cc);
    QWidget::setTabOrder(m_cc, m_bcc);
    QWidget::setTabOrder(m_bcc, m_subject);
    QWidget::setTabOrder(m_subject, m_body);

    ground->installEventFilter(this);
    showFiles();
}

bool ComposeWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window->ground() && event->type() == QEvent::Resize)
        layOut();
    return QObject::eventFilter(watched, event);
}

// By hand, as the fixed offsets ask: six rows from the top, the text under them, the send
// button and the status line at the bottom, the notes along the right edge.
void ComposeWindowController::layOut()
{
    const QWidget* ground = m_window->ground();
    const int width = ground->width(), height = ground->height();
    const int notesLeft = width - (m_notesShown ? notesWidth : 0);
    m_notes->setGeometry(notesLeft, 0, m_notesShown ? notesWidth : 0, height);

    const int rowsWidth = std::max(0, notesLeft - rowsSide - rowsSide);
    int y = rowsTop;
    for (FieldRow* row : std::as_const(m_rows)) {
        row->setGeometry(rowsSide, y, rowsWidth, rowHeight);
        y += rowHeight + rowGap;
    }
    const int filesBottom = y - rowGap;

    const QSize sendSize = m_sendButton->sizeHint();
    const int sendX = rowsSide + rowsWidth - sendSize.width();
    const int sendY = height - 22 - sendSize.height();
    m_sendButton->setGeometry(sendX, sendY, sendSize.width(), sendSize.height());
    const int lineY = sendY - 14 - 1;
    m_bottomLine->setGeometry(rowsSide, lineY, rowsWidth, 1);
    const int bodyTop = filesBottom + 8;
    m_body->setGeometry(rowsSide, bodyTop, std::max(0, notesLeft - bodyRightGap - rowsSide), std::max(0, lineY - 12 - bodyTop));
    const int statusHeight = m_status->sizeHint().height();
    m_status->setGeometry(rowsSide, sendY + (sendSize.height() - statusHeight) / 2, std::max(0, sendX - 20 - rowsSide), statusHeight);
}

void ComposeWindowController::prefill(const std::optional<QString>& quoted)
{
    const QList<Account> accounts = Prefs::shared().accounts();
    m_accountID = accounts.isEmpty() ? QString() : accounts.first().id;
    const std::optional<MailItem>& source = m_reply ? m_reply : m_forward;
    if (source) {
        for (const Account& account : accounts) {
            if (account.id == source->accountID) {
                m_accountID = account.id;
                break;
            }
        }
    }
    updateFrom();

    if (m_forward) {
        prefillForward(*m_forward);
        return;
    }
    if (!m_reply) {
        m_to->setFocus();
        return;
    }
    m_to->setText(m_reply->replyTo.isEmpty() ? m_reply->fromEmail : m_reply->replyTo);
    m_subject->setText(ComposeText::replySubject(m_reply->subject));
    m_body->setText(ComposeText::replyBody(*m_reply, quoted));
    m_body->setFocus();
    QTextCursor caret = m_body->textCursor();
    caret.movePosition(QTextCursor::Start);
    m_body->setTextCursor(caret);
}

void ComposeWindowController::prefillForward(const MailItem& mail)
{
    m_subject->setText(ComposeText::forwardSubject(mail.subject));
    m_body->setText(QStringLiteral("\n\n") + ComposeText::forwardHeader(mail) + QStringLiteral("loading \u2026"));
    m_to->setFocus();
    m_status->set(QStringLiteral("loading the mail to forward \u2026"), true);
    m_loadingOriginal = true;
    loadOriginal(QPointer<ComposeWindowController>(this), mail);
}

QCoro::Task<> ComposeWindowController::loadOriginal(QPointer<ComposeWindowController> self, MailItem mail)
{
    try {
        QCoro::Task<MIME::Parsed> loading = MailStore::shared().body(mail, false);
        MIME::Parsed parsed = co_await std::move(loading);
        if (self)
            self->originalLoaded(parsed);
    } catch (...) {
        if (self) {
            self->m_loadingOriginal = false;
            self->m_status->set(QStringLiteral("! could not load the original: ") + NetworkJobs::describe(std::current_exception()), false);
        }
    }
}

void ComposeWindowController::originalLoaded(const MIME::Parsed& parsed)
{
    const QString header = ComposeText::forwardHeader(*m_forward);
    const QString current = m_body->text();
    const qsizetype at = current.indexOf(header);
    QString above = at >= 0 ? current.first(at) : current;
    if (current.isEmpty())
        above = QStringLiteral("\n\n");
    m_body->setText(above + header + parsed.text);
    QTextCursor caret = m_body->textCursor();
    caret.movePosition(QTextCursor::Start);
    m_body->setTextCursor(caret);
    m_files = parsed.attachments;
    showFiles();
    m_loadingOriginal = false;
    m_status->set(sendHint);
}

QStringList ComposeWindowController::addresses(const LUField* field)
{
    return ComposeText::addresses(field->text());
}

void ComposeWindowController::updateFrom()
{
    const QList<Account> accounts = Prefs::shared().accounts();
    const auto account = std::find_if(accounts.begin(), accounts.end(), [this](const Account& a) { return a.id == m_accountID; });
    if (account == accounts.end())
        return;
    const QString title = account->email + (accounts.size() >= 2 && !m_reply ? QStringLiteral("   \u21bb") : QString());
    m_fromButton->setTitle(title);
    m_fromButton->setAccessibleLabel(title);
}

void ComposeWindowController::cycleFrom()
{
    const QList<Account> accounts = Prefs::shared().accounts();
    if (accounts.size() < 2 || m_reply)
        return;
    const auto current = std::find_if(accounts.begin(), accounts.end(), [this](const Account& a) { return a.id == m_accountID; });
    const qsizetype next = current == accounts.end() ? 0 : (current - accounts.begin() + 1) % accounts.size();
    m_accountID = accounts[next].id;
    updateFrom();
}

void ComposeWindowController::addFiles(const QStringList& paths)
{
    static const QMimeDatabase types;
    QStringList tooLarge;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir())
            continue;
        if (info.isFile() && info.size() > largestFile) {
            tooLarge << info.fileName();
            continue;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const std::optional<QByteArray> data = readFile(file, largestFile);
        if (!data)
            continue;
        if (data->size() > largestFile) {
            tooLarge << info.fileName();
            continue;
        }
        const QMimeType type = types.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
        const QString name = type.isValid() && !type.isDefault() ? type.name() : QStringLiteral("application/octet-stream");
        m_files.append(MIME::Attachment{info.fileName(), name, *data});
    }
    showFiles();
    if (!tooLarge.isEmpty())
        m_status->set(QStringLiteral("! left out, larger than 1 gb: ") + tooLarge.join(QStringLiteral(", ")), false);
}

QCoro::Task<> ComposeWindowController::pickFiles()
{
    QPointer<ComposeWindowController> self(this);
    FileRequest request;
    request.kind = FileRequest::Kind::openMany;
    const QStringList chosen = co_await FileDialogs::ask(m_window, request);
    if (self && !chosen.isEmpty())
        self->addFiles(chosen);
}

std::unique_ptr<QMenu> ComposeWindowController::makeFilesMenu()
{
    auto menu = std::make_unique<QMenu>(m_window);
    menu->addAction(new ClosureMenuItem(QStringLiteral("add file \u2026"), [this] { pickFiles(); }, menu.get()));
    if (m_files.isEmpty())
        return menu;
    menu->addSeparator();
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        const MIME::Attachment& file = m_files[i];
        menu->addAction(new ClosureMenuItem(QStringLiteral("remove  ") + file.name + QStringLiteral("  \u00b7 ") + file.sizeText(), [this, i] {
            if (i < m_files.size())
                m_files.removeAt(i);
            showFiles();
        }, menu.get()));
    }
    return menu;
}

void ComposeWindowController::showFiles()
{
    const QString title = ComposeText::filesTitle(m_files);
    m_filesButton->setTitle(title);
    m_filesButton->setAccessibleLabel(title);
    if (ComposeText::totalSize(m_files) > warnAbove)
        m_status->set(QStringLiteral("! more than 20 mb \u2013 many mail servers refuse that"), false);
}

void ComposeWindowController::noteTopic(int index)
{
    if (!m_notesShown)
        toggleNotes();
    m_notes->showTopic(index);
}

// This window's own panel decides: another window may have changed the setting meanwhile.
void ComposeWindowController::toggleNotes()
{
    const bool wasShown = m_notesShown;
    m_notesShown = !wasShown;
    Prefs::shared().setNotesVisible(m_notesShown);
    m_notes->setVisible(m_notesShown);
    if (wasShown) {
        m_window->setMinimumSize(narrowMinimum);
        resizeWindow(-notesWidth, false);
        m_body->setFocus();
    } else {
        resizeWindow(notesWidth, true);
        m_notes->text()->setFocus();
    }
    layOut();
}

void ComposeWindowController::resizeWindow(int widthChange, bool shown)
{
    const QRect from = m_window->geometry();
    QRect to = from;
    to.setWidth(std::max(from.width() + widthChange, (shown ? wideMinimum : narrowMinimum).width()));
    if (widthChange > 0) {
        if (const QScreen* screen = m_window->screen()) {
            // Kept on the screen: moved left as far as the widened window overhangs, never past its left edge.
            const QRect area = screen->availableGeometry();
            const int frameRight = m_window->frameGeometry().right() + (to.width() - from.width());
            const int overhang = frameRight - area.right();
            if (overhang > 0)
                to.moveLeft(std::max(to.left() - overhang, area.left() + (from.left() - m_window->frameGeometry().left())));
        }
    }
    const auto finish = [window = QPointer<ComposeWindow>(m_window), to, shown] {
        if (!window)
            return;
        window->setGeometry(to);
        if (shown)
            window->setMinimumSize(wideMinimum);
    };
    if (ReduceMotion::on() || !m_window->isVisible()) {
        finish();
        return;
    }
    auto* animation = new QVariantAnimation(m_window);
    animation->setDuration(200);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setStartValue(from);
    animation->setEndValue(to);
    connect(animation, &QVariantAnimation::valueChanged, m_window, [window = m_window](const QVariant& value) { window->setGeometry(value.toRect()); });
    connect(animation, &QVariantAnimation::finished, m_window, finish);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void ComposeWindowController::insertNote(const QString& text)
{
    QTextCursor cursor = m_body->textCursor();
    const int start = cursor.selectionStart();
    QString inserted = text;
    if (start > 0) {
        const QChar before = m_body->document()->characterAt(start - 1);
        if (before != QChar::ParagraphSeparator && before != QChar::LineSeparator && before != u'\n')
            inserted.prepend(u'\n');
    }
    // One edit block: one step for undo, never merged with the typing before it.
    cursor.beginEditBlock();
    cursor.insertText(inserted);
    cursor.endEditBlock();
    m_body->setTextCursor(cursor);
    // The hint promises ctrl+z, which undoes in the text that has the focus.
    m_body->setFocus();
    m_status->set(QStringLiteral("inserted from notes \u00b7 ctrl+z takes it back"));
}

void ComposeWindowController::themeChanged()
{
    m_window->setPalette(Theme::palette());
    m_body->themeChanged();
    Theme::redrawAll(m_window);
}

void ComposeWindowController::closing()
{
    // An unfinished countdown sends nothing.
    stopCountdown();
    openWindows().removeOne(this);
    deleteLater();
}
