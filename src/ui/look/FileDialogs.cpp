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

    QPointer<QFileDialog> dialog = new QFileDialog(window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
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
    if (!dialog || result != QDialog::Accepted)
        co_return QStringList{};
    co_return dialog->selectedFiles();
}

void FileDialogs::replace(std::function<QStringList(const FileRequest&)> answer)
{
    replacement() = std::move(answer);
}
