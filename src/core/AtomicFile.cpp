#include "core/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace AtomicFile {

bool write(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Qt 6.4's commit() renames even when its own flush fails (a full disk): flush first, and
    // without commit() the temporary file goes and the old one stays.
    return file.write(bytes) == bytes.size() && file.flush() && file.commit();
}

bool setAside(const QString& path)
{
    const QFileInfo file(path);
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmsszzz"));
    const QString aside = file.absoluteDir().filePath(file.completeBaseName() + QStringLiteral(".unreadable-") + stamp + u'.' + file.suffix());
    return !QFile::exists(path) || QFile::rename(path, aside);
}

}  // namespace AtomicFile
