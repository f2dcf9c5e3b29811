#pragma once

#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <functional>

class QWidget;

// What a file dialog is asked for.
struct FileRequest {
    enum class Kind { openOne, openMany, save };
    Kind kind = Kind::openOne;
    QStringList nameFilters;  // e.g. "mail (*.eml)"; none means every file
    QString suggestedName;    // save only
};

// Open and save dialogs, window-modal on the given window and awaited. Tests replace them
// with the files a user would have picked.
namespace FileDialogs {

// The chosen files; none when the user cancelled.
QCoro::Task<QStringList> ask(QWidget* window, FileRequest request);

// Replaces the dialogs until called again with an empty function.
void replace(std::function<QStringList(const FileRequest&)> answer);

}  // namespace FileDialogs
