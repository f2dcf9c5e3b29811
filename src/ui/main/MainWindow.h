#pragma once

#include <QMainWindow>

#include <functional>

// The program's one main window: titled "LU.MARA", 1280 × 760 at first, never below 780 × 480,
// its frame kept between runs. Closing it ends the program (onClose).
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    std::function<void()> onClose;

    // Restores the frame of an earlier run, or centres the window on its screen.
    void placeOnScreen();

protected:
    void closeEvent(QCloseEvent* event) override;
};
