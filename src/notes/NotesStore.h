#pragma once

#include "core/NotificationCenter.h"
#include "notes/Note.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <optional>

// The notes topics, kept in notes.json. Never empty. Text edits are saved 0.8 s after the last
// one (or when the application quits); every other change is saved at once. Main thread only;
// no operation reports an error.
class NotesStore : public QObject {
    Q_OBJECT
public:
    static NotesStore& shared();
    // A store on filePath, loaded from it (the shared one uses defaultFilePath()).
    explicit NotesStore(const QString& filePath);

    // notes.json in the LU.MARA data folder, which is created on the way.
    static QString defaultFilePath();
    // Posted with the store as object after every save, also after a failed write.
    static inline const QString& changed = Notification::notesChanged;

    const QList<Note>& notes() const { return m_notes; }

    // notes.json: an array of {"id", "name", "text"} objects, all strings; one element that is
    // not loses the whole list.
    static std::optional<QList<Note>> decode(const QByteArray& json);
    static QByteArray encode(const QList<Note>& notes);

    int add();  // the index of the new topic
    void rename(int index, const QString& name);
    void remove(int index);
    void setText(int index, const QString& text);
    void saveNow();

private:
    bool isValid(int index) const { return index >= 0 && index < m_notes.size(); }
    void load();
    bool setAsideUnreadableFile();

    QString m_path;
    QList<Note> m_notes;
    QTimer m_saveTimer;
    bool m_fileUnreadable = false;  // notes.json exists but did not decode: keep it before overwriting
};
