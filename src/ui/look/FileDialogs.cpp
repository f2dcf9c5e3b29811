#include "ui/look/FileDialogs.h"

#include <QFileDialog>
#include <QPointer>

#include <qcoro/qcorosignal.h>

namespace {

std::function<QStringList(const FileRequest&)>& replacement()
{
    static std::function<QStringList(const FileRequest&)> answer;
    return answer;
}

}  // namespace

QCoro::Task<QStringList> FileDialogs::ask(QWidget* window, FileRequest request)
{
    if (const auto& answer = replacement())
        co_return answer(request);

    // Deleted once answered, not on close: a dialog deleted on close takes the queued answer to
    // its finished signal with it, and the asker would never go on.
    QPointer<QFileDialog> dialog = new QFileDialog(window);
    switch (request.kind) {
    case FileRequest::Kind::openOne:
        dialog->setFileMode(QFileDialog::ExistingFile);
        break;
    case FileRequest::Kind::openMany:
        dialog->setFileMode(QFileDialog::ExistingFiles);
        break;
    case FileRequest::Kind::save:
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->selectFile(request.suggestedName);
        break;
    }
    if (!request.nameFilters.isEmpty())
        dialog->setNameFilters(request.nameFilters);
    dialog->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    dialog->open();

    const int result = co_await qCoro(dialog.data(), &QDialog::finished);
    if (!dialog)
        co_return QStringList{};
    const QStringList chosen = result == QDialog::Accepted ? dialog->selectedFiles() : QStringList{};
    dialog->deleteLater();
    co_return chosen;
}

void FileDialogs::replace(std::function<QStringList(const FileRequest&)> answer)
{
    replacement() = std::move(answer);
}
