#include "ui/main/MainWindow.h"

#include "core/Prefs.h"

#include <QCloseEvent>
#include <QScreen>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("LU.MARA"));
    setMinimumSize(780, 480);
    resize(1280, 760);
}

void MainWindow::placeOnScreen()
{
    const QByteArray kept = Prefs::shared().mainWindowGeometry();
    if (!kept.isEmpty() && restoreGeometry(kept))
        return;
    if (const QScreen* screen = this->screen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    Prefs::shared().setMainWindowGeometry(saveGeometry());
    event->accept();
    if (onClose)
        onClose();
}
