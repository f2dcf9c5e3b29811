#include "ui/settings/SettingsView.h"

#include "content/VirusTotal.h"
#include "core/Keychain.h"
#include "core/Notifier.h"
#include "core/Prefs.h"
#include "ui/look/Alerts.h"
#include "ui/look/DashedLine.h"
#include "ui/look/L10n.h"
#include "ui/look/LUButton.h"
#include "ui/look/LULabel.h"
#include "ui/look/LUScroller.h"
#include "ui/look/LUSecureField.h"
#include "ui/look/Theme.h"
#include "ui/settings/BlockedEntry.h"
#include "ui/settings/ColorAccountToggle.h"
#include "ui/settings/ColorDots.h"
#include "ui/settings/Signature.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

constexpr int labelGap = 16;
constexpr int optionGap = 22;

// A row of the page, with the dashed line along its bottom whatever its height.
class Row : public FlippedView {
public:
    explicit Row(QWidget* parent = nullptr)
        : FlippedView(parent)
        , m_line(new DashedLine(false, this))
    {
        setFixedWidth(SettingsView::rowWidth);
    }

protected:
    void resizeEvent(QResizeEvent*) override { m_line->setGeometry(0, height() - 1, width(), 1); }

private:
    DashedLine* m_line;
};

Row* fixedRow()
{
    auto* row = new Row;
    row->setFixedHeight(SettingsView::rowHeight);
    return row;
}

LULabel* rowLabel(const QString& title, QWidget* row)
{
    auto* label = new LULabel(title, 13, true, 0, 1, row);
    label->setFixedWidth(SettingsView::labelWidth);
    return label;
}

QHBoxLayout* rowLayout(QWidget* row)
{
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

LUButton* optionButton(const QString& title, bool selected, std::function<void()> action, QWidget* row)
{
    auto* button = new LUButton(title, 13, false, std::move(action), row);
    button->setDimWhenIdle(true);
    button->setSelected(selected);
    return button;
}

// The key as pasted, without the spaces and line breaks that copying from a web page brings.
QString withoutSpaces(const QString& text)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        if (!c.isSpace())
            kept.append(c);
    }
    return kept;
}

struct BlockGroup {
    const char16_t* kind;
    const char16_t* title;
};
constexpr std::array<BlockGroup, 3> blockGroups{{
    {u"address", u"addresses"},
    {u"domain", u"domains"},
    {u"server ip", u"ips"},
}};

}  // namespace

SettingsView::SettingsView(QWidget* parent)
    : FlippedView(parent)
    , m_scroll(new QScrollArea(this))
    , m_stack(new QWidget)
    , m_rows(new QVBoxLayout(m_stack))
    , m_signature(new Signature)
    , m_keyField(new LUSecureField(L10n::virusTotalKeyPlaceholder(), this))
{
    setFocusPolicy(Qt::StrongFocus);
    m_stack->setObjectName(QStringLiteral("stack"));
    m_signature->setObjectName(QStringLiteral("signature"));
    m_keyField->setObjectName(QStringLiteral("keyField"));
    m_keyField->hide();

    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->viewport()->setAutoFillBackground(false);
    LUScroller::overlay(m_scroll);

    auto* document = new FlippedView;
    document->setAutoFillBackground(false);
    auto* page = new QVBoxLayout(document);
    page->setContentsMargins(44, 28, 44, 48);
    page->setSpacing(0);
    m_stack->setMaximumWidth(760);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);
    m_rows->setSizeConstraint(QLayout::SetMinimumSize);
    page->addWidget(m_stack, 0, Qt::AlignLeft);
    page->addSpacing(48);
    page->addStretch(1);
    page->addWidget(m_signature);
    m_scroll->setWidget(document);

    auto* fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(m_scroll);

    // The light/dark menu item changes the look while the page is shown.
    NotificationCenter::shared().observe(Theme::changed, this, [this](QObject*) { rebuild(); });
    rebuild();
}

void SettingsView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Cancel)) {
        if (onBack)
            onBack();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        QCoreApplication::sendEvent(m_scroll->verticalScrollBar(), event);
        return;
    default:
        break;
    }
    FlippedView::keyPressEvent(event);
}

QString SettingsView::removeQuestion(const Account& account)
{
    return Prefs::shared().german() ? account.email + QStringLiteral(" entfernen?")
                                    : QStringLiteral("Remove ") + account.email + u'?';
}

void SettingsView::clearRows()
{
    while (QLayoutItem* item = m_rows->takeAt(0)) {
        if (QWidget* row = item->widget()) {
            row->hide();
            row->deleteLater();
        }
        delete item;
    }
}

// Shown at once: a widget added to a visible layout would only show in the next event loop turn.
void SettingsView::place(QWidget* row)
{
    m_rows->addWidget(row, 0, Qt::AlignLeft);
    row->show();
}

void SettingsView::addSpacing(int space)
{
    m_rows->addSpacing(space);
}

void SettingsView::rebuild()
{
    // Store changes come every few minutes; what is being typed into the key field stays.
    const bool keyFocused = window()->focusWidget() == m_keyField;
    const int cursor = m_keyField->cursorPosition();
    const int selectionStart = m_keyField->selectionStart();
    const int selectionLength = m_keyField->selectionLength();
    m_keyField->setParent(this);
    m_keyField->hide();

    setUpdatesEnabled(false);
    clearRows();
    const Prefs& prefs = Prefs::shared();
    addHeader();
    addRow(QStringLiteral("appearance"),
        {{QStringLiteral("dark"), prefs.dark(), [this] { chooseDark(true); }},
            {QStringLiteral("light"), !prefs.dark(), [this] { chooseDark(false); }}});
    addRow(QStringLiteral("notifications"),
        {{QStringLiteral("on"), prefs.notify(), [this] { chooseNotify(true); }},
            {QStringLiteral("off"), !prefs.notify(), [this] { chooseNotify(false); }}});
    addRow(QStringLiteral("number on icon"),
        {{QStringLiteral("on"), prefs.badge(), [this] { chooseBadge(true); }},
            {QStringLiteral("off"), !prefs.badge(), [this] { chooseBadge(false); }}});
    addRow(QStringLiteral("language"),
        {{QStringLiteral("english"), !prefs.german(), [this] { chooseGerman(false); }},
            {QStringLiteral("deutsch"), prefs.german(), [this] { chooseGerman(true); }}});
    addRow(QStringLiteral("lu.pong sound"),
        {{QStringLiteral("on"), prefs.pongSound(), [this] { chooseSound(true); }},
            {QStringLiteral("off"), !prefs.pongSound(), [this] { chooseSound(false); }}});
    const int limit = prefs.loadLimit();
    addRow(QStringLiteral("load"),
        {{QStringLiteral("last 300"), limit == 300, [this] { chooseLoad(300); }},
            {QStringLiteral("last 1000"), limit == 1000, [this] { chooseLoad(1000); }},
            {QStringLiteral("all"), limit == 0, [this] { chooseLoad(0); }}});
    const int minutes = prefs.checkMinutes() > 0 ? prefs.checkMinutes() : 3;
    std::vector<Option> intervals;
    for (const int choice : {1, 3, 10, 30})
        intervals.push_back({QString::number(choice) + QStringLiteral(" min"), minutes == choice, [this, choice] { chooseInterval(choice); }});
    addRow(QStringLiteral("check every"), intervals);

    const QList<Account> accounts = prefs.accounts();
    for (qsizetype i = 0; i < accounts.size(); ++i)
        addAccountRow(accounts[i], i == 0);
    addRow(accounts.isEmpty() ? QStringLiteral("account") : QString(),
        {{QStringLiteral("+ add account"), false, [this] {
              if (onAddAccount)
                  onAddAccount();
          }}});

    const std::vector<MailStore::Block> blocks = MailStore::shared().blocks();
    if (blocks.empty())
        addRow(QStringLiteral("blocked"), {{QStringLiteral("nothing \u00b7 right-click a mail \u2192 block \u2026"), false, {}}});
    else
        addBlockedGroups(blocks);
    addVirusTotalRow();
    addSpacing(22);
    addNote();
    m_rows->activate();
    setUpdatesEnabled(true);

    if (m_keyField->parent() != this) {
        if (keyFocused)
            m_keyField->setFocus(Qt::OtherFocusReason);
        if (selectionLength > 0 && cursor == selectionStart)
            m_keyField->setSelection(selectionStart + selectionLength, -selectionLength);
        else if (selectionLength > 0)
            m_keyField->setSelection(selectionStart, selectionLength);
        else
            m_keyField->setCursorPosition(cursor);
    }
}

void SettingsView::addHeader()
{
    place(new LULabel(QStringLiteral("SETTINGS"), 13, false, 2.5, 1));
    addSpacing(24);
}

QWidget* SettingsView::addRow(const QString& title, const std::vector<Option>& options)
{
    Row* row = fixedRow();
    QHBoxLayout* layout = rowLayout(row);
    layout->addWidget(rowLabel(title, row));
    layout->addSpacing(labelGap);
    for (size_t i = 0; i < options.size(); ++i) {
        if (i > 0)
            layout->addSpacing(optionGap);
        layout->addWidget(optionButton(options[i].title, options[i].selected, options[i].action, row));
    }
    layout->addStretch(1);
    place(row);
    return row;
}

void SettingsView::addAccountRow(const Account& account, bool first)
{
    Row* row = fixedRow();
    QHBoxLayout* layout = rowLayout(row);
    layout->addWidget(rowLabel(first ? QStringLiteral("account") : QString(), row));
    layout->addSpacing(labelGap);
    const QString id = account.id;
    // The toggle takes the room up to the dots, so that only an address too long for it is cut.
    layout->addWidget(new ColorAccountToggle(account, [this, id] {
        MailStore::shared().toggleAccount(id);
        rebuild();
    }, row), 1);
    layout->addSpacing(labelGap);
    auto* dots = new ColorDots(Prefs::shared().colorIndex(id), [this, id](int index) { pickColour(id, index); }, row);
    dots->setVisible(Prefs::shared().dark());
    layout->addWidget(dots);
    layout->addSpacing(optionGap);
    auto* remove = new LUButton(QStringLiteral("remove"), 13, false, [this, account] { confirmRemove(window(), account); }, row);
    remove->setDimWhenIdle(true);
    layout->addWidget(remove);
    place(row);
}

void SettingsView::addBlockedGroups(const std::vector<MailStore::Block>& blocks)
{
    auto* row = new Row;
    QHBoxLayout* layout = rowLayout(row);
    auto* labelColumn = new QVBoxLayout;
    labelColumn->setContentsMargins(0, 16, 0, 0);
    labelColumn->addWidget(rowLabel(QStringLiteral("blocked"), row));
    labelColumn->addStretch(1);
    layout->addLayout(labelColumn);
    layout->addSpacing(labelGap);

    auto* entries = new QVBoxLayout;
    entries->setContentsMargins(0, 18, 0, 18);
    entries->setSpacing(0);
    bool firstGroup = true;
    for (const BlockGroup& group : blockGroups) {
        const QString kind = QString::fromUtf16(group.kind);
        const auto count = std::count_if(blocks.begin(), blocks.end(), [&kind](const MailStore::Block& b) { return b.first == kind; });
        if (count == 0)
            continue;
        if (!firstGroup)
            entries->addSpacing(24);
        firstGroup = false;
        const QString header = loc(QString::fromUtf16(group.title)).toUpper() + QStringLiteral("  ") + QString::number(count);
        entries->addWidget(new LULabel(header, 10, false, 3, 1, row));
        entries->addSpacing(12);
        for (const MailStore::Block& block : blocks) {
            if (block.first != kind)
                continue;
            entries->addWidget(new BlockedEntry(block.second, [this, block] {
                MailStore::shared().unblock(block);
                rebuild();
            }, row));
        }
    }
    layout->addLayout(entries, 1);
    place(row);
}

void SettingsView::addVirusTotalRow()
{
    if (VirusTotal::key()) {
        addRow(QStringLiteral("virustotal"),
            {{QStringLiteral("on \u00b7 key saved"), true, {}}, {QStringLiteral("remove key"), false, [this] { removeKey(); }}});
        return;
    }
    Row* row = fixedRow();
    QHBoxLayout* layout = rowLayout(row);
    layout->addWidget(rowLabel(QStringLiteral("virustotal"), row));
    m_keyField->setParent(row);
    layout->addWidget(m_keyField, 1);
    m_keyField->show();
    layout->addSpacing(24);
    layout->addWidget(new LUButton(QStringLiteral("save"), 13, true, [this] { saveKey(); }, row));
    place(row);
}

void SettingsView::addNote()
{
    auto* note = new LULabel(QStringLiteral("passwords stay in your keyring \u00b7 mail is only read on this computer\n"
                                            "esc or the wrench goes back"),
        10, true, 1.5, 3);
    note->setFixedWidth(rowWidth);
    place(note);
}

void SettingsView::chooseDark(bool dark)
{
    Prefs::shared().setDark(dark);
    rebuild();
}

void SettingsView::chooseNotify(bool on)
{
    Prefs::shared().setNotify(on);
    if (on)
        Notifier::shared().setup();
    rebuild();
}

void SettingsView::chooseBadge(bool on)
{
    Prefs::shared().setBadge(on);
    Notifier::shared().updateBadge(on ? MailStore::shared().newCount() : 0);
    rebuild();
}

void SettingsView::chooseGerman(bool german)
{
    if (german == Prefs::shared().german())
        return;
    Prefs::shared().setGerman(german);
    rebuild();
}

void SettingsView::chooseSound(bool on)
{
    Prefs::shared().setPongSound(on);
    if (!on && onSoundOff)
        onSoundOff();
    rebuild();
}

void SettingsView::chooseLoad(int limit)
{
    Prefs::shared().setLoadLimit(limit);
    rebuild();
    MailStore::shared().refresh();
}

void SettingsView::chooseInterval(int minutes)
{
    Prefs::shared().setCheckMinutes(minutes);
    if (onIntervalChanged)
        onIntervalChanged();
    rebuild();
}

void SettingsView::pickColour(const QString& accountID, int index)
{
    QMap<QString, int> colours = Prefs::shared().accountColors();
    colours.insert(accountID, index);
    Prefs::shared().setAccountColors(colours);
    rebuild();
}

void SettingsView::saveKey()
{
    const QString key = withoutSpaces(m_keyField->text());
    if (key.isEmpty())
        return;
    Keychain::set(key, QString::fromLatin1(VirusTotal::keyItem));
    m_keyField->clear();
    rebuild();
}

void SettingsView::removeKey()
{
    Keychain::remove(QString::fromLatin1(VirusTotal::keyItem));
    rebuild();
}

QCoro::Task<> SettingsView::confirmRemove(QWidget* window, Account account)
{
    Alert alert;
    alert.message = removeQuestion(account);
    alert.informative = loc(QStringLiteral("LU.MARA forgets this account and its password. Your mail stays on the server."));
    alert.buttons = {loc(QStringLiteral("Remove")), loc(QStringLiteral("Cancel"))};
    const int answer = co_await Alerts::ask(window, alert);
    if (answer == 0)
        MailStore::shared().removeAccount(account);
}
