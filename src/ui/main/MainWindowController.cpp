#include "ui/main/MainWindowController.h"

#include "core/MailStore.h"
#include "core/NotificationCenter.h"
#include "core/Prefs.h"
#include "game/PongSound.h"
#include "game/PongView.h"
#include "ui/compose/ComposeWindowController.h"
#include "ui/look/Beep.h"
#include "ui/look/FieldUnderline.h"
#include "ui/look/GroundView.h"
#include "ui/look/IconButton.h"
#include "ui/look/LUField.h"
#include "ui/look/LULabel.h"
#include "ui/look/PlusButton.h"
#include "ui/list/MailListView.h"
#include "ui/list/MailTable.h"
#include "ui/look/Theme.h"
#include "ui/main/CheckInterval.h"
#include "ui/main/MainWindow.h"
#include "ui/main/PlaceholderScreen.h"
#include "ui/main/ReaderTextView.h"
#include "ui/main/ReaderView.h"
#include "ui/main/Sidebar.h"
#include "ui/settings/SettingsView.h"

#include <QEvent>
#include <QTimer>

#include <cmath>

namespace {

constexpr int topBarHeight = 52;
constexpr int sidebarWidth = 236;
constexpr int contentTop = topBarHeight + 120;
// The sidebar's bar-mark width lines the search and the plus up with the drawers.
constexpr qreal barMark = 12.56271981242673;
constexpr qreal searchLeading = 285 + barMark;
constexpr qreal plusTrailing = 48 + barMark;
constexpr int searchMinimum = 200;

}  // namespace

MainWindowController::MainWindowController()
    : m_window(new MainWindow)
    , m_timer(new QTimer(this))
{
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    buildLayout();
    m_timer->setTimerType(Qt::CoarseTimer);
    connect(m_timer, &QTimer::timeout, this, &MainWindowController::refresh);
    auto& center = NotificationCenter::shared();
    center.observe(Theme::changed, this, [this](QObject*) { themeChanged(); });
    center.observe(MailStore::changed, this, [this](QObject*) { storeChanged(); });
    onNewMail = [this] { openCompose(std::nullopt, std::nullopt, std::nullopt); };
    onReply = [this](const MailItem& mail, const std::optional<QString>& quoted) { openCompose(mail, quoted, std::nullopt); };
    onForward = [this](const MailItem& mail) { openCompose(std::nullopt, std::nullopt, mail); };
    themeChanged();
    showList();
}

MainWindowController::~MainWindowController()
{
    delete m_window;
}

void MainWindowController::buildLayout()
{
    m_root = new GroundView;
    m_window->setCentralWidget(m_root);
    m_topBar = new FlippedView(m_root);
    m_searchField = new LUField(QStringLiteral("search"));
    m_searchField->setObjectName(QStringLiteral("searchField"));
    m_searchField->setFaint(true);
    m_searchUnderline = new FieldUnderline(m_searchField, searchMinimum, m_topBar);
    m_status = new LULabel(QString(), 10, true, 1.5, 1, m_topBar);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setFaint(true);
    m_plus = new PlusButton([this] { onNewMail ? onNewMail() : Beep::sound(); }, m_root);
    m_settingsButton = new IconButton(QStringLiteral("wrench.adjustable"), QStringLiteral("settings"), [this] { showSettings(); }, m_root);
    m_settingsButton->setObjectName(QStringLiteral("settingsButton"));
    m_sidebar = new Sidebar(m_root);
    m_sidebar->onDrawer = [this](int view) {
        m_drawer = view;
        showList();
    };
    m_sidebar->onLogo = [this] { togglePong(); };
    m_spacer = new QWidget(m_root);
    m_content = new FlippedView(m_root);
    m_content->setObjectName(QStringLiteral("content"));
    m_list = new MailListView(m_content);
    m_list->onOpen = [this](const MailItem& mail) { open(mail); };
    m_list->onReply = [this](const MailItem& mail) { onReply(mail, std::nullopt); };
    m_list->onForward = [this](const MailItem& mail) { onForward(mail); };
    m_list->hide();

    connect(m_searchField, &QLineEdit::textEdited, this, &MainWindowController::searchChanged);
    m_searchField->installEventFilter(this);
    m_root->installEventFilter(this);
}

// By hand, as the fixed offsets ask: the search starts where the drawers' titles do, the plus
// stands right of the content, the status line gives way first when the bar is narrow.
void MainWindowController::layOut()
{
    const int width = m_root->width(), height = m_root->height();
    m_topBar->setGeometry(0, 0, width, topBarHeight);

    const QSize plusSize = m_plus->sizeHint();
    const int plusX = int(std::round(width - plusTrailing - PlusButton::side));
    m_plus->setGeometry(plusX, topBarHeight + 24, plusSize.width(), plusSize.height());
    const int settingsX = int(std::round(plusX + PlusButton::side / 2 - 16));
    m_settingsButton->setGeometry(settingsX, 39 - 16, 32, 32);

    const int searchX = int(std::round(searchLeading));
    const int room = std::max(0, settingsX - 24 - searchX);
    const int statusWidth = m_status->sizeHint().width();
    const int underlineWidth = std::max(80, std::max(std::min(searchMinimum, room - 32), room - 32 - statusWidth));
    m_searchUnderline->setGeometry(searchX, (topBarHeight - 26) / 2, underlineWidth, 26);
    const int statusHeight = m_status->sizeHint().height();
    m_status->setGeometry(searchX + underlineWidth + 32, (topBarHeight - statusHeight) / 2,
        std::max(0, room - underlineWidth - 32), statusHeight);

    m_sidebar->setGeometry(0, topBarHeight, sidebarWidth, height - topBarHeight);
    m_spacer->setGeometry(sidebarWidth, 0, 1, height);
    m_content->setGeometry(sidebarWidth + 1, contentTop, std::max(0, width - sidebarWidth - 1), std::max(0, height - contentTop));
    if (m_current)
        m_current->setGeometry(m_content->rect());
}

bool MainWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_root && event->type() == QEvent::Resize)
        layOut();
    if (watched == m_searchField && event->type() == QEvent::KeyPress)
        return searchCommand(static_cast<QKeyEvent*>(event)->key());
    return QObject::eventFilter(watched, event);
}

void MainWindowController::openCompose(
    const std::optional<MailItem>& reply, const std::optional<QString>& quoted, const std::optional<MailItem>& forward)
{
    if (!ComposeWindowController::open(reply, quoted, forward))
        onAddAccount ? onAddAccount() : Beep::sound();
}

void MainWindowController::start()
{
    if (!Prefs::shared().accounts().isEmpty())
        refresh();
    else if (onAddAccount)
        onAddAccount();
    scheduleTimer();
}

void MainWindowController::refresh()
{
    // The store ignores a refresh asked for while one runs; the task finishes on its own.
    MailStore::shared().refresh();
}

void MainWindowController::scheduleTimer()
{
    m_timer->start(CheckInterval::of(Prefs::shared().checkMinutes()));
}

void MainWindowController::show(QWidget* view, Screen screen)
{
    if (m_current && m_current != view) {
        if (m_current == m_pong)
            m_pong->pause();
        m_current->hide();
        if (m_current != m_list && m_current != m_pong)
            m_current->deleteLater();
    }
    view->setParent(m_content);
    view->setGeometry(m_content->rect());
    view->show();
    m_current = view;
    m_currentScreen = screen;
}

void MainWindowController::reloadList()
{
    m_list->configure(m_drawer);
}

void MainWindowController::showList()
{
    reloadList();
    show(m_list, Screen::list);
    m_sidebar->update(m_drawer, std::nullopt, false);
    m_list->table()->setFocus();
}

void MainWindowController::showSettings()
{
    if (m_currentScreen == Screen::settings) {
        showList();
        return;
    }
    auto* settings = new SettingsView;
    settings->setObjectName(QStringLiteral("settingsView"));
    settings->onBack = [this] { showList(); };
    settings->onIntervalChanged = [this] { scheduleTimer(); };
    settings->onAddAccount = [this] { onAddAccount ? onAddAccount() : Beep::sound(); };
    settings->onSoundOff = [] { PongSound::shared().stop(); };
    m_settingsView = settings;
    show(settings, Screen::settings);
    m_sidebar->update(m_drawer, std::nullopt, true);
    settings->setFocus();
}

SettingsView* MainWindowController::settingsView() const
{
    return m_settingsView;
}

void MainWindowController::togglePong()
{
    if (m_currentScreen == Screen::game) {
        showList();
        return;
    }
    const bool firstGame = !m_pong;
    if (firstGame) {
        m_pong = new PongView;
        m_pong->setObjectName(QStringLiteral("pong"));
        m_pong->onExit = [this] { showList(); };
    }
    show(m_pong, Screen::game);
    m_sidebar->update(m_drawer, std::nullopt, true);
    firstGame ? m_pong->start() : m_pong->resume();
}

void MainWindowController::open(const MailItem& mail)
{
    m_readerMail = mail;
    auto* reader = new ReaderView(mail);
    reader->setObjectName(QStringLiteral("reader"));
    // The reader lives inside this controller's window: `this` outlasts every callback.
    reader->onBack = [this] { showList(); };
    reader->onReply = [this, mail](const std::optional<QString>& quoted) { onReply ? onReply(mail, quoted) : Beep::sound(); };
    reader->onForward = [this, mail] { onForward ? onForward(mail) : Beep::sound(); };
    reader->onAssign = [this, mail](int view) {
        MailStore& store = MailStore::shared();
        // A scam mark outranks a drawer: without lifting it first the mail would stay in ENTROPY.
        if (store.isScam(mail))
            store.notScam(mail);
        store.assign(mail, view);
        showList();
    };
    reader->onDone = [this, mail] {
        MailStore::shared().markDone(mail);
        showList();
    };
    reader->onScam = [this, mail] {
        MailStore::shared().markScam(mail);
        showList();
    };
    show(reader, Screen::reader);
    reader->textView()->setFocus();
}

bool MainWindowController::selectEveryMail()
{
    if (MailStore::shared().items(m_drawer).size() == 0)
        return false;
    if (m_currentScreen != Screen::list)
        showList();
    m_list->table()->setFocus();
    m_list->table()->selectAll();
    return true;
}

void MainWindowController::storeChanged()
{
    // The game and settings show no view: no entry is highlighted while they are up.
    m_sidebar->update(m_drawer, std::nullopt, m_currentScreen == Screen::settings || m_currentScreen == Screen::game);
    if (m_currentScreen == Screen::list)
        m_list->reload();
    if (m_settingsView)
        m_settingsView->rebuild();
    const MailStore& store = MailStore::shared();
    const std::optional<QString> problem = store.problem();
    m_status->set(!store.refreshing() && problem ? QStringLiteral("! ") + *problem : QString());
    layOut();
}

void MainWindowController::themeChanged()
{
    Theme::applyToApplication();
    Theme::redrawAll(m_window);
}
