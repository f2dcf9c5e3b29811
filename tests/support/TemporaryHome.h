#pragma once

#include <QString>
#include <QTemporaryDir>

// Points the program's config and data folders into a temporary folder for the life of the
// object, so that a test never reads or writes the user's own files. Create it before the first
// use of Prefs::shared() or NotesStore::shared().
class TemporaryHome {
public:
    TemporaryHome();
    bool isValid() const { return m_root.isValid(); }
    QString configHome() const { return m_root.filePath(QStringLiteral("config")); }
    QString dataHome() const { return m_root.filePath(QStringLiteral("data")); }

private:
    QTemporaryDir m_root;
};
