#include "ui/main/ReaderView.h"

#include "content/MIMEParser.h"
#include "core/Account.h"
#include "core/MailStore.h"
#include "core/NetworkJobs.h"
#include "core/NotificationCenter.h"
#include "core/Prefs.h"
#include "ui/look/DashedLine.h"
#include "ui/look/L10n.h"
#include "ui/look/LUButton.h"
#include "ui/look/LULabel.h"
#include "ui/look/LUScroller.h"
#include "ui/look/Opener.h"
#include "ui/look/Theme.h"
#include "ui/main/AttachmentsView.h"
#include "ui/main/ReaderTextView.h"
#include "ui/main/WebLinks.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

namespace {

constexpr int leading = 44;
constexpr int textTrailing = 44;
constexpr int scrollTrailing = 36;
constexpr int maxTextWidth = 900;

}  // namespace

ReaderView::ReaderView(const MailItem& mail, QWidget* parent)
    : FlippedView(parent)
    , m_mail(mail)
    , m_subject(new LULabel(mail.subject.isEmpty() ? QStringLiteral("(no subject)") : mail.subject, 13, false, 0, 3, this))
    , m_meta(new LULabel(metaLine(mail), 13, true, 0, 1, this))
    , m_rule(new DashedLine(false, this))
    , m_scroll(new FlippedView(this))
    , m_textView(new ReaderTextView(m_scroll))
    , m_attachments(new AttachmentsView(this))
{
    m_subject->setObjectName(QStringLiteral("subject"));
    m_meta->setObjectName(QStringLiteral("meta"));
    m_scroll->setObjectName(QStringLiteral("scroll"));
    m_textView->setObjectName(QStringLiteral("textView"));
    m_attachments->setObjectName(QStringLiteral("attachments"));
    buildActionBar();
    LUScroller::overlay(m_textView);
    m_textView->resize(600, 400);
    m_textView->onKey = [this](QKeyEvent* event) { return key(event); };
    connect(m_textView, &QTextBrowser::anchorClicked, this, &ReaderView::openLink);
    m_attachments->onRebuilt = [this] { layOut(); };
    NotificationCenter::shared().observe(Theme::changed, this, [this](QObject*) { applyLook(); });
    applyLook();
    showText(loc(QStringLiteral("loading…")), true);
    load(this, mail);
}

void ReaderView::buildActionBar()
{
    m_actionBar = new FlippedView(this);
    m_actionBar->setObjectName(QStringLiteral("actionBar"));
    auto* row = new QHBoxLayout(m_actionBar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(24);
    const auto add = [&](const QString& title, bool underline, std::function<void()> action) {
        auto* button = new LUButton(title, 13, underline, std::move(action), m_actionBar);
        row->addWidget(button);
        return button;
    };
    add(QStringLiteral("‹ back"), true, [this] {
        if (onBack)
            onBack();
    });
    add(QStringLiteral("reply"), true, [this] {
        if (onReply)
            onReply(m_loadedText);
    });
    add(QStringLiteral("forward"), true, [this] {
        if (onForward)
            onForward();
    });
    add(QStringLiteral("done"), true, [this] {
        if (onDone)
            onDone();
    });
    add(QStringLiteral("entropy"), true, [this] {
        if (onScam)
            onScam();
    });
    const QStringList names = Prefs::shared().drawerNames();
    const int filedIn = MailStore::shared().state().drawerOf.value(m_mail.id(), 0);
    for (int i = 1; i <= int(names.size()); ++i) {
        LUButton* button = add(QString::number(i) + u' ' + names[i - 1].toLower(), false, [this, i] {
            if (onAssign)
                onAssign(i);
        });
        button->setDimWhenIdle(true);
        button->setSelected(filedIn == i);
        m_drawerButtons << button;
    }
}

QString ReaderView::metaLine(const MailItem& mail)
{
    QString line = mail.fromName.isEmpty() ? mail.fromEmail : mail.fromName + QStringLiteral(" <") + mail.fromEmail + u'>';
    line += QStringLiteral(" · ") + mail.date.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")) + QStringLiteral(" · ");
    for (const Account& account : Prefs::shared().accounts()) {
        if (account.id == mail.accountID) {
            line += account.shortLabel();
            break;
        }
    }
    return line;
}

void ReaderView::resizeEvent(QResizeEvent*)
{
    layOut();
}

// By hand, as the fixed offsets ask; the text takes what the header and the strip leave.
void ReaderView::layOut()
{
    const int width = this->width(), height = this->height();
    const int textWidth = std::max(0, width - leading - textTrailing);
    const QSize bar = m_actionBar->sizeHint();
    m_actionBar->setGeometry(leading, 24, std::min(bar.width(), std::max(0, width - leading - scrollTrailing)), bar.height());
    int y = m_actionBar->geometry().bottom() + 1 + 26;
    const int subjectHeight = m_subject->heightForWidth(textWidth);
    m_subject->setGeometry(leading, y, textWidth, subjectHeight);
    y += subjectHeight + 10;
    const int metaHeight = m_meta->sizeHint().height();
    m_meta->setGeometry(leading, y, textWidth, metaHeight);
    y += metaHeight + 18;
    m_rule->setGeometry(leading, y, textWidth, 1);
    y += 1 + 6;
    const int stripHeight = m_attachments->sizeHint().height();
    const int stripTop = height - 18 - stripHeight;
    m_attachments->setGeometry(leading, stripTop, textWidth, stripHeight);
    m_scroll->setGeometry(leading, y, std::clamp(width - leading - scrollTrailing, 0, maxTextWidth), std::max(0, stripTop - 10 - y));
    m_textView->setGeometry(m_scroll->rect());
}

// The text's colours come from the palette, not from the characters, so a new look repaints
// what is shown without building it again and keeps the place the user scrolled to.
void ReaderView::applyLook()
{
    const Theme::Selection selection = Theme::selection();
    QPalette colours = m_textView->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Text, Theme::ink());
        colours.setColor(group, QPalette::Base, Qt::transparent);
        colours.setColor(group, QPalette::Highlight, selection.background);
        colours.setColor(group, QPalette::HighlightedText, selection.foreground);
    }
    m_textView->setPalette(colours);
    m_textView->viewport()->update();
}

void ReaderView::showText(const QString& text, bool dim)
{
    m_lastShown = {text, dim};
    // Built apart from the view: attached, the view lays the text out again at every insertion,
    // five times the work for a long mail.
    auto* document = new QTextDocument(m_textView);
    document->setUndoRedoEnabled(false);
    document->setDocumentMargin(0);
    const QFont font = Theme::font(13);
    document->setDefaultFont(font);
    QTextFrameFormat frame = document->rootFrame()->frameFormat();
    frame.setTopMargin(10);
    frame.setBottomMargin(10);
    frame.setLeftMargin(0);
    frame.setRightMargin(0);
    document->rootFrame()->setFrameFormat(frame);

    // Plain characters only: whatever markup the text holds is shown as the characters it is.
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    QTextBlockFormat lines;
    lines.setLineHeight(4, QTextBlockFormat::LineDistanceHeight);
    cursor.setBlockFormat(lines);
    QTextCharFormat plain;
    plain.setFont(font);
    QTextCharFormat link = plain;
    link.setAnchor(true);
    link.setFontUnderline(true);
    qsizetype at = 0;
    for (const WebLinks::Link& found : WebLinks::find(text)) {
        cursor.insertText(text.sliced(at, found.start - at), plain);
        link.setAnchorHref(found.url.toString(QUrl::FullyEncoded));
        cursor.insertText(text.sliced(found.start, found.length), link);
        at = found.start + found.length;
    }
    cursor.insertText(text.sliced(at), plain);
    cursor.endEditBlock();
    QTextDocument* old = m_textView->document();
    const bool ours = old->parent() == m_textView;  // the view deletes the one it made itself
    m_textView->setDocument(document);
    if (ours)
        delete old;
}

void ReaderView::openLink(const QUrl& url)
{
    if (WebLinks::opens(url))
        Opener::open(url);
}

bool ReaderView::key(QKeyEvent* event)
{
    // With a modifier the key belongs to the text: selecting, copying.
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const auto run = [](const std::function<void()>& callback) {
        if (callback)
            callback();
        return true;
    };
    if (event->key() == Qt::Key_Escape)
        return run(onBack);
    const QString typed = event->text().toLower();
    if (typed.size() != 1)
        return false;
    const QChar c = typed[0];
    switch (c.unicode()) {
    case u'r':
        return run([this] {
            if (onReply)
                onReply(m_loadedText);
        });
    case u'f':
        return run(onForward);
    case u'x':
        return run(onDone);
    case u'e':
        return run(onScam);
    default:
        break;
    }
    if (c < u'0' || c > u'9')
        return false;
    const int view = c.unicode() - u'0';
    if (view <= int(Prefs::shared().drawerNames().size()) && onAssign)
        onAssign(view);
    return true;
}

QCoro::Task<> ReaderView::load(QPointer<ReaderView> reader, MailItem mail)
{
    QString failure;
    try {
        const MIME::Parsed parsed = co_await MailStore::shared().body(mail, true);
        if (reader)
            reader->loaded(parsed);
        co_return;
    } catch (...) {
        failure = NetworkJobs::describe(std::current_exception());
    }
    if (reader)
        reader->showText(loc(QStringLiteral("could not load this mail.")) + u'\n' + failure, true);
}

void ReaderView::loaded(const MIME::Parsed& parsed)
{
    m_loadedText = parsed.text;
    if (parsed.text.isEmpty())
        showText(loc(QStringLiteral("(empty)")), true);
    else
        showText(parsed.text, false);
    m_attachments->set(parsed.attachments);
}
