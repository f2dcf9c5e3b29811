#include "notes/NotesStore.h"

#include "core/AppIdentity.h"
#include "core/AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <optional>

namespace {

constexpr int saveDelayMilliseconds = 800;

Note newNote(const QString& name)
{
    return Note{QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(), name, QString()};
}

}

std::optional<QList<Note>> NotesStore::decode(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<Note> notes;
    for (const QJsonValue& value : document.array()) {
        const QJsonObject object = value.toObject();
        const QJsonValue id = object.value(QLatin1String("id"));
        const QJsonValue name = object.value(QLatin1String("name"));
        const QJsonValue text = object.value(QLatin1String("text"));
        if (!value.isObject() || !id.isString() || !name.isString() || !text.isString())
            return std::nullopt;
        notes.append(Note{id.toString(), name.toString(), text.toString()});
    }
    return notes;
}

QByteArray NotesStore::encode(const QList<Note>& notes)
{
    QJsonArray array;
    for (const Note& note : notes)
        array.append(QJsonObject{{QStringLiteral("id"), note.id}, {QStringLiteral("name"), note.name}, {QStringLiteral("text"), note.text}});
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

NotesStore& NotesStore::shared()
{
    static NotesStore instance(defaultFilePath());
    return instance;
}

QString NotesStore::defaultFilePath()
{
    return AppIdentity::dataFolder() + QStringLiteral("/notes.json");
}

NotesStore::NotesStore(const QString& filePath)
    : m_path(filePath)
{
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setTimerType(Qt::PreciseTimer);
    m_saveTimer.setInterval(saveDelayMilliseconds);
    connect(&m_saveTimer, &QTimer::timeout, this, &NotesStore::saveNow);
    // Text typed just before quitting would otherwise be lost with the pending save.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            if (m_saveTimer.isActive())
                saveNow();
        });
    }
    load();
}

void NotesStore::load()
{
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly)) {
        const std::optional<QList<Note>> stored = decode(file.readAll());
        if (stored)
            m_notes = *stored;
        else
            m_fileUnreadable = true;
    }
    if (m_notes.isEmpty())
        m_notes.append(newNote(QStringLiteral("NOTES")));
    if (m_notes.size() == 1 && m_notes[0].name == u"UNTITLED")
        m_notes[0].name = QStringLiteral("NOTES");
}

int NotesStore::add()
{
    m_notes.append(newNote(QStringLiteral("UNTITLED")));
    saveNow();
    return int(m_notes.size() - 1);
}

void NotesStore::rename(int index, const QString& name)
{
    if (!isValid(index))
        return;
    const QString trimmed = name.trimmed();
    if (!trimmed.isEmpty())
        m_notes[index].name = trimmed;
    saveNow();
}

void NotesStore::remove(int index)
{
    if (!isValid(index) || m_notes.size() < 2)
        return;
    m_notes.removeAt(index);
    saveNow();
}

void NotesStore::setText(int index, const QString& text)
{
    if (!isValid(index))
        return;
    m_notes[index].text = text;
    m_saveTimer.start();
}

// The first save would otherwise replace a file that held the user's notes in a form we could
// not read; it is renamed to a name that says so.
bool NotesStore::setAsideUnreadableFile()
{
    if (m_fileUnreadable && AtomicFile::setAside(m_path))
        m_fileUnreadable = false;
    return !m_fileUnreadable;
}

void NotesStore::saveNow()
{
    m_saveTimer.stop();
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (setAsideUnreadableFile())
        AtomicFile::write(m_path, encode(m_notes));
    NotificationCenter::shared().post(changed, this);
}
