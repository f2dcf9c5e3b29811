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
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool setAside(const QString& path)
{
    const QFileInfo file(path);
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmsszzz"));
    const QString aside = file.absoluteDir().filePath(file.completeBaseName() + QStringLiteral(".unreadable-") + stamp + u'.' + file.suffix());
    return !QFile::exists(path) || QFile::rename(path, aside);
}

}  // namespace AtomicFile
