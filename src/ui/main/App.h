#pragma once

#include <QObject>

#include <memory>

class MainWindowController;
class QMenuBar;

// The program as a whole: starts up in a fixed order, owns the menu bar and the main window,
// switches the look, routes Select All, and saves the store when it ends.
class App : public QObject {
    Q_OBJECT
public:
    App();
    ~App() override;

    // Menu bar, language observer, store load, announcements, main window, first check, timer.
    void start();
    // Saves what must survive; the program ends after it.
    void finish();

    MainWindowController* mainController() const { return m_main.get(); }
    QMenuBar* menuBar() const { return m_menuBar; }

    void buildMenu();
    void selectEverything();
    static void toggleAppearance();
    // Every window of the program minimised: the nearest this desktop has to hiding a program.
    static void hideEverything();
    void showMainWindow();

private:
    QMenuBar* m_menuBar;  // the main window's once it exists
    std::unique_ptr<MainWindowController> m_main;
};
