#pragma once

#include <QByteArray>
#include <QString>

// Files the program owns are replaced whole: a crash mid-write leaves the old content.
namespace AtomicFile {

// Writes to a temporary file beside `path` and renames it over `path`; false on any failure
// (a full disk among them), and then `path` keeps its old content.
bool write(const QString& path, const QByteArray& bytes);
// Renames an unreadable file to "<base>.unreadable-<UTC stamp>.<suffix>" before it is replaced;
// true when nothing is left at `path`.
bool setAside(const QString& path);

}  // namespace AtomicFile
