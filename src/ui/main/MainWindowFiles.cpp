#include "ui/main/MainWindowController.h"

#include "core/AtomicFile.h"
#include "core/MailStore.h"
#include "core/NetworkJobs.h"
#include "ui/look/Alerts.h"
#include "ui/look/Beep.h"
#include "ui/look/FileDialogs.h"
#include "ui/look/L10n.h"
#include "ui/list/MailListView.h"
#include "ui/main/MailFileName.h"
#include "ui/main/MainWindow.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QStringList mailFiles{QStringLiteral("mail (*.eml)")};

}

QCoro::Task<> MainWindowController::openMailFile()
{
    if (!m_window)
        co_return;
    QPointer<MainWindowController> self(this);
    // Named, not a temporary in the co_await: g++ 12 frees such temporaries twice.
    const FileRequest request{FileRequest::Kind::openOne, mailFiles, {}};
    const QStringList chosen = co_await FileDialogs::ask(m_window, request);
    if (!self || chosen.isEmpty())
        co_return;
    QFile file(chosen.first());
    if (!file.open(QIODevice::ReadOnly))
        co_return;
    const std::optional<MailItem> mail = MailStore::shared().loadFile(file.readAll(), QFileInfo(file).fileName());
    if (!mail) {
        Beep::sound();
        co_return;
    }
    open(*mail);
}

void MainWindowController::saveCurrentMail()
{
    const std::optional<MailItem> mail = m_currentScreen == Screen::reader ? m_readerMail : m_list->selectedMail();
    if (!mail) {
        Beep::sound();
        return;
    }
    save(*mail, m_window);
}

QCoro::Task<> MainWindowController::save(MailItem mail, QWidget* window)
{
    QPointer<QWidget> owner(window);
    const FileRequest request{FileRequest::Kind::save, mailFiles, MailFileName::suggested(mail.subject)};
    const QStringList chosen = co_await FileDialogs::ask(owner, request);
    if (chosen.isEmpty())
        co_return;
    QString error;
    try {
        const QByteArray source = co_await MailStore::shared().raw(mail);
        if (!AtomicFile::write(chosen.first(), source))
            error = QStringLiteral("%1 could not be written.").arg(chosen.first());
    } catch (...) {
        error = NetworkJobs::describe(std::current_exception());
    }
    if (error.isEmpty())
        co_return;
    Alert alert;
    alert.style = Alert::Style::warning;
    alert.message = loc(QStringLiteral("Could not save the mail"));
    alert.informative = error;
    co_await Alerts::ask(owner, std::move(alert));
}
