#include "ui/main/App.h"

#include "core/MailStore.h"
#include "core/NotificationCenter.h"
#include "core/Notifier.h"
#include "core/Prefs.h"
#include "ui/look/AboutWindowController.h"
#include "ui/look/Beep.h"
#include "ui/main/EditRouting.h"
#include "ui/main/MainWindow.h"
#include "ui/main/MainWindowController.h"
#include "ui/main/MenuBar.h"
#include "ui/settings/AccountWindowController.h"

#include <QApplication>
#include <QMenuBar>

App::App()
    : m_menuBar(new QMenuBar)
{
}

App::~App()
{
    AccountWindowController::onAccountAdded = {};
    if (!m_main)
        delete m_menuBar;
}

void App::start()
{
    buildMenu();
    NotificationCenter::shared().observe(Notification::gameLanguage, this, [this](QObject*) { buildMenu(); });
    MailStore::shared().load();
    Notifier::shared().setup();
    Notifier::shared().onActivate = [this] { showMainWindow(); };
    Notifier::shared().updateBadge(MailStore::shared().newCount());

    m_main = std::make_unique<MainWindowController>();
    m_main->onAddAccount = [] { AccountWindowController::open(); };
    AccountWindowController::onAccountAdded = [this] {
        if (m_main)
            m_main->refresh();
    };
    MainWindow* window = m_main->window();
    window->setMenuBar(m_menuBar);
    window->onClose = [] { QCoreApplication::quit(); };
    window->placeOnScreen();
    showMainWindow();
    m_main->start();
}

void App::finish()
{
    MailStore::shared().save();
    MailStore::shared().finishSaving();
}

void App::showMainWindow()
{
    if (!m_main)
        return;
    MainWindow* window = m_main->window();
    window->showNormal();
    window->raise();
    window->activateWindow();
}

void App::buildMenu()
{
    MenuActions actions;
    actions.showAbout = [] { AboutWindowController::show(); };
    actions.showSettings = [this] {
        if (m_main)
            m_main->showSettings();
    };
    actions.hide = &App::hideEverything;
    actions.quit = [] { QCoreApplication::quit(); };
    actions.newMail = [this] { m_main && m_main->onNewMail ? m_main->onNewMail() : Beep::sound(); };
    actions.checkMail = [this] {
        if (m_main)
            m_main->refresh();
    };
    actions.openMailFile = [this] {
        if (m_main)
            m_main->openMailFile();
    };
    actions.saveMail = [this] {
        if (m_main)
            m_main->saveCurrentMail();
    };
    actions.addAccount = [this] { m_main && m_main->onAddAccount ? m_main->onAddAccount() : Beep::sound(); };
    actions.closeWindow = &EditRouting::closeActiveWindow;
    actions.minimize = &EditRouting::minimizeActiveWindow;
    actions.undo = [] { EditRouting::toFocusedText("undo"); };
    actions.redo = [] { EditRouting::toFocusedText("redo"); };
    actions.cut = [] { EditRouting::toFocusedText("cut"); };
    actions.copy = [] { EditRouting::toFocusedText("copy"); };
    actions.paste = [] { EditRouting::toFocusedText("paste"); };
    actions.selectEverything = [this] { selectEverything(); };
    actions.toggleAppearance = &App::toggleAppearance;
    actions.togglePong = [this] {
        if (m_main)
            m_main->togglePong();
    };
    MenuBar::build(m_menuBar, actions);
}

void App::selectEverything()
{
    if (EditRouting::toFocusedText("selectAll"))
        return;
    if (!m_main)
        return;
    QWidget* active = QApplication::activeWindow();
    if (active && active != m_main->window())
        return;
    m_main->selectEveryMail();
}

void App::toggleAppearance()
{
    Prefs::shared().setDark(!Prefs::shared().dark());
}

void App::hideEverything()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->isWindow() && !window->inherits("QMenu"))
            window->showMinimized();
}
