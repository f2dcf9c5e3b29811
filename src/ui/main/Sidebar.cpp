#include "ui/main/Sidebar.h"

#include "core/MailStore.h"
#include "core/NotificationCenter.h"
#include "core/Prefs.h"
#include "ui/look/Beep.h"
#include "ui/look/ClosureMenuItem.h"
#include "ui/look/LUButton.h"
#include "ui/look/LUField.h"
#include "ui/look/LULabel.h"
#include "ui/look/LogoView.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int side = 24;
constexpr int renameRowHeight = 23;

std::optional<QString> count(int n)
{
    return n > 0 ? std::optional<QString>(QString::number(n)) : std::nullopt;
}

}  // namespace

Sidebar::Sidebar(QWidget* parent)
    : FlippedView(parent)
    , m_stack(new QVBoxLayout(this))
    , m_logo(new LogoView([this] {
        if (onLogo)
            onLogo();
    }))
    , m_in(entry(QStringLiteral("<  IN"), MailStore::inbox))
    , m_out(entry(QStringLiteral(">  OUT"), MailStore::outView))
    , m_down(new LUButton(QStringLiteral(">"), 13))
    , m_drawerBox(new QWidget)
    , m_drawerStack(new QVBoxLayout(m_drawerBox))
    , m_scam(entry(QStringLiteral("e  ENTROPY"), MailStore::entropyView))
{
    setObjectName(QStringLiteral("sidebar"));
    m_logo->setObjectName(QStringLiteral("logo"));
    m_logo->setAccessibleLabel(QStringLiteral("LU.MARA – play lu.pong"));
    m_in->setObjectName(QStringLiteral("inButton"));
    m_out->setObjectName(QStringLiteral("outButton"));
    m_down->setObjectName(QStringLiteral("down"));
    m_drawerBox->setObjectName(QStringLiteral("drawerStack"));
    m_scam->setObjectName(QStringLiteral("scamButton"));
    m_down->setBarMark(barMark);
    m_down->setTitleTurn(90);
    m_down->setAccessibleLabel(QStringLiteral("drawers"));
    m_down->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_down->setCursor(Qt::ArrowCursor);

    m_in->setOnDropAll([this](const QStringList& ids) { drop(MailStore::inbox, ids); });
    m_scam->setOnDropAll([this](const QStringList& ids) { drop(MailStore::entropyView, ids); });

    m_stack->setContentsMargins(side, side, side, 0);
    m_stack->setSpacing(0);
    m_stack->addWidget(m_logo);
    m_stack->addSpacing(48);
    m_stack->addWidget(m_in);
    m_stack->addSpacing(16);
    m_stack->addWidget(m_out);
    m_stack->addSpacing(48);
    m_stack->addWidget(m_down);
    m_stack->addSpacing(16);
    m_stack->addWidget(m_drawerBox);
    m_stack->addSpacing(48);
    m_stack->addWidget(m_scam);
    m_stack->addSpacing(48);
    m_stack->addStretch(1);
    m_drawerStack->setContentsMargins(0, 0, 0, 0);
    m_drawerStack->setSpacing(16);

    rebuildDrawers();
}

// The field goes with the children, after this object has stopped being a Sidebar.
Sidebar::~Sidebar()
{
    detachRenameField();
}

LUButton* Sidebar::entry(const QString& title, int view)
{
    auto* button = new LUButton(title, 13, false, [this, view] {
        if (onDrawer)
            onDrawer(view);
    });
    button->setBarMark(barMark);
    // As wide as the column: the count stands at its right end, a long name is cut.
    button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return button;
}

void Sidebar::update(int drawer, const std::optional<QString>& account, bool settings)
{
    m_lastState = {drawer, account, settings};
    if (Prefs::shared().drawerNames() != m_shownNames && !m_renaming) {
        rebuildDrawers();
        return;
    }
    const MailStore::Counts counts = MailStore::shared().counts(account);
    m_in->setDetail(count(counts.unread[MailStore::inbox]));
    m_in->setSelected(drawer == MailStore::inbox && !settings);
    for (const auto& [number, button] : m_drawerButtons) {
        button->setDetail(count(counts.unread[size_t(number)]));
        button->setSelected(drawer == number && !settings);
    }
    m_scam->setDetail(count(counts.entropy));
    m_scam->setSelected(drawer == MailStore::entropyView && !settings);
    m_out->setSelected(drawer == MailStore::outView && !settings);
}

void Sidebar::rebuildDrawers()
{
    if (m_rebuilding)
        return;
    m_rebuilding = true;
    detachRenameField();
    // Rows go later: this may run inside a click on one of them.
    while (QLayoutItem* row = m_drawerStack->takeAt(0)) {
        if (QWidget* widget = row->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete row;
    }
    m_drawerButtons.clear();
    const QStringList names = Prefs::shared().drawerNames();
    m_shownNames = names;
    for (int i = 1; i <= int(names.size()); ++i) {
        if (m_renaming == i) {
            m_drawerStack->addWidget(renameRow(i, names[i - 1]));
            continue;
        }
        LUButton* button = entry(QString::number(i) + QStringLiteral("  ") + names[i - 1], i);
        button->setObjectName(QStringLiteral("drawer%1").arg(i));
        button->setOnDropAll([this, i](const QStringList& ids) { drop(i, ids); });
        button->onDoubleClick = [this, i] { startRenaming(i); };
        button->contextMenu = [this, i] {
            auto menu = std::make_unique<QMenu>();
            menu->addAction(new ClosureMenuItem(QStringLiteral("rename"), [this, i] { startRenaming(i); }, menu.get()));
            return menu;
        };
        m_drawerStack->addWidget(button);
        m_drawerButtons.emplace_back(i, button);
    }
    update(m_lastState.drawer, m_lastState.account, m_lastState.settings);
    m_stack->invalidate();
    m_rebuilding = false;
}

QWidget* Sidebar::renameRow(int drawer, const QString& name)
{
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("renameRow"));
    row->setFixedHeight(renameRowHeight);
    auto* label = new LULabel(QString::number(drawer) + QStringLiteral("  "), 13, false, 0, 1, row);
    auto* field = new LUField(QStringLiteral("name"), row);
    field->setObjectName(QStringLiteral("renameField"));
    field->setText(name);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(int(std::round(12 + barMark)), 0, 0, 0);
    line->setSpacing(0);
    line->addWidget(label, 0, Qt::AlignVCenter);
    line->addWidget(field, 1, Qt::AlignVCenter);
    field->installEventFilter(this);
    connect(field, &QLineEdit::editingFinished, this, [this] {
        if (!m_rebuilding && !m_windowLeft)
            commitRename();
    });
    m_windowLeft = false;
    m_renameField = field;
    // The row is in the window only after this turn.
    QTimer::singleShot(0, field, [field] {
        field->setFocus(Qt::OtherFocusReason);
        field->selectAll();
    });
    return row;
}

LUField* Sidebar::renameField() const
{
    return m_renameField;
}

void Sidebar::detachRenameField()
{
    if (!m_renameField)
        return;
    m_renameField->disconnect(this);
    m_renameField->removeEventFilter(this);
    m_renameField = nullptr;
}

void Sidebar::startRenaming(int drawer)
{
    m_renaming = drawer;
    rebuildDrawers();
}

bool Sidebar::eventFilter(QObject* watched, QEvent* event)
{
    // Another window in front ends no editing: the rename goes on when this window is back.
    if (watched == m_renameField && (event->type() == QEvent::FocusOut || event->type() == QEvent::FocusIn))
        m_windowLeft = event->type() == QEvent::FocusOut
            && static_cast<QFocusEvent*>(event)->reason() == Qt::ActiveWindowFocusReason;
    if (watched == m_renameField && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        m_renaming.reset();
        rebuildDrawers();
        return true;
    }
    return FlippedView::eventFilter(watched, event);
}

void Sidebar::commitRename()
{
    if (!m_renaming || !m_renameField)
        return;
    const int drawer = *m_renaming;
    const QString name = m_renameField->text().trimmed().toUpper();
    m_renaming.reset();
    if (!name.isEmpty()) {
        QStringList names = Prefs::shared().drawerNames();
        if (drawer - 1 < names.size())
            names[drawer - 1] = name;
        Prefs::shared().setDrawerNames(Prefs::five(names));
    }
    rebuildDrawers();
    NotificationCenter::shared().post(MailStore::changed);
}

// A drop of many mails is one change of the store: one save, one reload.
void Sidebar::drop(int view, const QStringList& ids)
{
    MailStore& store = MailStore::shared();
    bool refused = false;
    store.changeAll([&] {
        for (const QString& id : ids) {
            const std::optional<MailItem> mail = store.mail(id);
            if (!mail)
                continue;
            if (view == MailStore::inbox) {
                store.backToIn(*mail);
            } else if (view == MailStore::entropyView) {
                // One's own sent mail as scam would mark one's own address as a scam sender.
                if (mail->mailbox)
                    refused = true;
                else
                    store.markScam(*mail);
            } else {
                if (store.isScam(*mail))
                    store.notScam(*mail);
                store.assign(*mail, view);
            }
        }
    });
    if (refused)
        Beep::sound();
}
