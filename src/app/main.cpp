#include "core/AppIdentity.h"
#include "core/NetworkJobs.h"
#include "ui/main/App.h"
#include "ui/main/MainWindow.h"
#include "ui/main/MainWindowController.h"
#include "ui/main/QuitSignals.h"
#include "ui/main/SingleInstance.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    AppIdentity::apply();
    QApplication::setApplicationVersion(QStringLiteral(LUMARA_VERSION));
    QGuiApplication::setDesktopFileName(AppIdentity::id);
    // The main window's close decides when the program ends, not the last window closed.
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    if (!instance.claim())
        return 0;

    App app;
    instance.onActivate = [&app] { app.showMainWindow(); };
    const QuitSignals quitSignals([&app] {
        if (MainWindowController* main = app.mainController())
            main->window()->close();
        else
            QCoreApplication::quit();
    });
    app.start();
    const int status = QApplication::exec();
    app.finish();

    // A network job still waiting on a silent server would hold the exit for its whole time-out.
    if (NetworkJobs::pool().activeThreadCount() > 0) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
