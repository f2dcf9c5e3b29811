#pragma once

#include "core/MailItem.h"

#include <QObject>
#include <QPointer>

#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

class FieldUnderline;
class FlippedView;
class GroundView;
class IconButton;
class LUField;
class LULabel;
class MailListView;
class MainWindow;
class PlusButton;
class PongView;
class QTimer;
class SettingsView;
class Sidebar;

// The main window: the top bar with search and status, the sidebar, and one screen at a time in
// the content area (the mail list, a reader, settings or the game). Runs the periodic check and
// opens and saves single mails as .eml files.
class MainWindowController : public QObject {
    Q_OBJECT
public:
    enum class Screen { list, reader, settings, game };
    // The views the list shows; the store knows them by the same numbers.
    static constexpr int searchView = 7;

    MainWindowController();
    ~MainWindowController() override;

    MainWindow* window() const { return m_window; }

    void start();
    void refresh();
    void scheduleTimer();
    void showList();
    void showSettings();
    void togglePong();
    void open(const MailItem& mail);
    QCoro::Task<> openMailFile();
    void saveCurrentMail();
    static QCoro::Task<> save(MailItem mail, QWidget* window);

    // Select All outside a text: every mail of the list, when it holds any.
    bool selectEveryMail();

    // Windows that other parts of the program open; until they are set a request beeps.
    std::function<void()> onNewMail;
    std::function<void()> onAddAccount;
    // A compose window for a reply (with the reader's text to quote, when there is one) or a
    // forward; set to open one, or the add-account window when there is no account.
    std::function<void(const MailItem& mail, const std::optional<QString>& quoted)> onReply;
    std::function<void(const MailItem& mail)> onForward;

    int drawer() const { return m_drawer; }
    int drawerBeforeSearch() const { return m_drawerBeforeSearch; }
    Screen currentScreen() const { return m_currentScreen; }
    LUField* searchField() const { return m_searchField; }
    LULabel* status() const { return m_status; }
    MailListView* list() const { return m_list; }
    Sidebar* sidebar() const { return m_sidebar; }
    SettingsView* settingsView() const;
    const QTimer* timer() const { return m_timer; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void layOut();
    void show(QWidget* view, Screen screen);
    void storeChanged();
    void themeChanged();
    void searchChanged(const QString& text);
    bool searchCommand(int key);
    void clearSearch();
    void reloadList();
    void openCompose(const std::optional<MailItem>& reply, const std::optional<QString>& quoted, const std::optional<MailItem>& forward);

    MainWindow* m_window;  // owned
    GroundView* m_root = nullptr;
    FlippedView* m_topBar = nullptr;
    LUField* m_searchField = nullptr;
    FieldUnderline* m_searchUnderline = nullptr;
    LULabel* m_status = nullptr;
    PlusButton* m_plus = nullptr;
    IconButton* m_settingsButton = nullptr;
    Sidebar* m_sidebar = nullptr;
    QWidget* m_spacer = nullptr;
    FlippedView* m_content = nullptr;
    MailListView* m_list = nullptr;
    QPointer<SettingsView> m_settingsView;
    QPointer<PongView> m_pong;
    QPointer<QWidget> m_current;
    std::optional<MailItem> m_readerMail;
    Screen m_currentScreen = Screen::list;
    QTimer* m_timer = nullptr;
    int m_drawer = 0;
    int m_drawerBeforeSearch = 0;
};
