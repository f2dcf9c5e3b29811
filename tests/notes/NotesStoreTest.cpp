#include "notes/NotesStore.h"
#include "support/FileSizeLimit.h"
#include "support/TemporaryHome.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

class NotesStoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void sharedStoreLivesInTheDataFolder();
    void load_data();
    void load();
    void addAppendsAndSaves();
    void rename_data();
    void rename();
    void lastTopicIsNeverRemoved();
    void removeSaves();
    void outOfRangeIndexDoesNothing();
    void textIsSavedOnceAfterTheLastEdit();
    void saveNowCancelsThePendingSave();
    void pendingTextIsSavedOnQuit();
    void unreadableFileIsSetAsideBeforeTheFirstSave();
    void failedWriteKeepsTopicsAndStillAnnounces();
    void fullDiskKeepsTheSavedFile();

private:
    QString path() const { return m_dir->filePath(QStringLiteral("notes.json")); }
    void writeFile(const QByteArray& bytes) const;
    QByteArray fileBytes() const;
    QStringList names(const NotesStore& store) const;
    // Counts saves of one store through its notification.
    void countSaves(const NotesStore& store, int* saves, QObject* context) const;

    TemporaryHome m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void NotesStoreTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void NotesStoreTest::writeFile(const QByteArray& bytes) const
{
    QFile file(path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray NotesStoreTest::fileBytes() const
{
    QFile file(path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList NotesStoreTest::names(const NotesStore& store) const
{
    QStringList result;
    for (const Note& note : store.notes())
        result.append(note.name);
    return result;
}

void NotesStoreTest::countSaves(const NotesStore& store, int* saves, QObject* context) const
{
    NotificationCenter::shared().observe(NotesStore::changed, context, [saves, &store](QObject* object) {
        if (object == &store)
            ++*saves;
    });
}

void NotesStoreTest::sharedStoreLivesInTheDataFolder()
{
    const QString expected = m_home.dataHome() + QStringLiteral("/LU.MARA/notes.json");
    QCOMPARE(NotesStore::defaultFilePath(), expected);
    QVERIFY(QFileInfo(expected).dir().exists());
    NotesStore::shared().saveNow();
    QVERIFY(QFile::exists(expected));
}

void NotesStoreTest::load_data()
{
    QTest::addColumn<QByteArray>("file");  // null: no file
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("fromFile");  // the ids are the stored ones

    QTest::newRow("no file") << QByteArray() << QStringList{"NOTES"} << QStringList{""} << false;
    QTest::newRow("only topic UNTITLED") << QByteArray(R"([{"id":"A","name":"UNTITLED","text":"x"}])")
                                         << QStringList{"NOTES"} << QStringList{"x"} << true;
    QTest::newRow("two topics, one UNTITLED") << QByteArray(R"([{"id":"A","name":"UNTITLED","text":"x"},{"id":"B","name":"WORK","text":""}])")
                                              << QStringList{"UNTITLED", "WORK"} << QStringList{"x", ""} << true;
    QTest::newRow("extra member ignored") << QByteArray(R"([{"id":"A","name":"ADDRESSES","text":"y","pinned":true}])")
                                          << QStringList{"ADDRESSES"} << QStringList{"y"} << true;
    QTest::newRow("a note lacks text") << QByteArray(R"([{"id":"A","name":"WORK","text":"x"},{"id":"B","name":"HOME"}])")
                                       << QStringList{"NOTES"} << QStringList{""} << false;
    QTest::newRow("a name is a number") << QByteArray(R"([{"id":"A","name":5,"text":"x"}])") << QStringList{"NOTES"} << QStringList{""} << false;
    QTest::newRow("an object, not a list") << QByteArray(R"({"id":"A","name":"WORK","text":"x"})") << QStringList{"NOTES"} << QStringList{""} << false;
    QTest::newRow("cut short") << QByteArray(R"([{"id":"A","name":"WORK","te)") << QStringList{"NOTES"} << QStringList{""} << false;
    QTest::newRow("empty list") << QByteArray("[]") << QStringList{"NOTES"} << QStringList{""} << false;
}

void NotesStoreTest::load()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, texts);
    QFETCH(bool, fromFile);
    if (!file.isNull())
        writeFile(file);
    const NotesStore store(path());
    QTEST(names(store), "names");
    QStringList storedTexts;
    for (const Note& note : store.notes())
        storedTexts.append(note.text);
    QCOMPARE(storedTexts, texts);
    QCOMPARE(store.notes().first().id == u"A", fromFile);
    // Loading never writes.
    QCOMPARE(QFile::exists(path()), !file.isNull());
    QCOMPARE(fileBytes(), file.isNull() ? QByteArray() : file);
}

void NotesStoreTest::addAppendsAndSaves()
{
    NotesStore store(path());
    QCOMPARE(store.add(), 1);
    QCOMPARE(names(store), (QStringList{"NOTES", "UNTITLED"}));
    QVERIFY(store.notes()[0].id != store.notes()[1].id);
    const QJsonArray saved = QJsonDocument::fromJson(fileBytes()).array();
    QCOMPARE(saved.size(), 2);
    QCOMPARE(saved[1].toObject().value("name").toString(), QStringLiteral("UNTITLED"));
    QCOMPARE(saved[1].toObject().value("id").toString(), store.notes()[1].id);
    QVERIFY2(!fileBytes().contains('\n'), "written compactly");
}

void NotesStoreTest::rename_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blank keeps the name") << "  \t\n " << "NOTES";
    QTest::newRow("trimmed") << "\n WORK \t" << "WORK";
}

void NotesStoreTest::rename()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    NotesStore store(path());
    store.rename(0, name);
    QCOMPARE(store.notes()[0].name, expected);
    QCOMPARE(QJsonDocument::fromJson(fileBytes()).array()[0].toObject().value("name").toString(), expected);  // written either way
}

void NotesStoreTest::lastTopicIsNeverRemoved()
{
    NotesStore store(path());
    QObject context;
    int saves = 0;
    countSaves(store, &saves, &context);
    store.remove(0);
    QCOMPARE(names(store), QStringList{"NOTES"});
    QCOMPARE(saves, 0);
    QVERIFY(!QFile::exists(path()));
}

void NotesStoreTest::removeSaves()
{
    writeFile(R"([{"id":"A","name":"ONE","text":""},{"id":"B","name":"TWO","text":""},{"id":"C","name":"THREE","text":""}])");
    NotesStore store(path());
    store.remove(1);
    QCOMPARE(names(store), (QStringList{"ONE", "THREE"}));
    QCOMPARE(names(NotesStore(path())), (QStringList{"ONE", "THREE"}));
}

void NotesStoreTest::outOfRangeIndexDoesNothing()
{
    writeFile(R"([{"id":"A","name":"ONE","text":""},{"id":"B","name":"TWO","text":""}])");
    NotesStore store(path());
    QObject context;
    int saves = 0;
    countSaves(store, &saves, &context);
    for (int index : {-1, 2}) {
        store.rename(index, QStringLiteral("X"));
        store.remove(index);
        store.setText(index, QStringLiteral("X"));
    }
    QTest::qWait(1000);
    QCOMPARE(saves, 0);
    QCOMPARE(names(store), (QStringList{"ONE", "TWO"}));
}

void NotesStoreTest::textIsSavedOnceAfterTheLastEdit()
{
    NotesStore store(path());
    QObject context;
    int saves = 0;
    countSaves(store, &saves, &context);
    QElapsedTimer sinceLastEdit;
    for (int i = 1; i <= 10; ++i) {
        store.setText(0, QStringLiteral("draft %1").arg(i));
        sinceLastEdit.start();
        QTest::qWait(45);
    }
    QCOMPARE(saves, 0);
    QVERIFY(!QFile::exists(path()));
    QTRY_COMPARE_WITH_TIMEOUT(saves, 1, 3000);
    QVERIFY2(sinceLastEdit.elapsed() >= 780, qPrintable(QString::number(sinceLastEdit.elapsed())));
    QCOMPARE(NotesStore(path()).notes()[0].text, QStringLiteral("draft 10"));
    QTest::qWait(1000);
    QCOMPARE(saves, 1);
}

void NotesStoreTest::saveNowCancelsThePendingSave()
{
    NotesStore store(path());
    QObject context;
    int saves = 0;
    countSaves(store, &saves, &context);
    store.setText(0, QStringLiteral("addresses"));
    store.saveNow();
    QCOMPARE(saves, 1);
    QCOMPARE(NotesStore(path()).notes()[0].text, QStringLiteral("addresses"));
    QTest::qWait(1200);
    QCOMPARE(saves, 1);
}

void NotesStoreTest::pendingTextIsSavedOnQuit()
{
    NotesStore store(path());
    store.setText(0, QStringLiteral("last words"));
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    qApp->exec();  // returns at once, announcing the quit
    QCOMPARE(NotesStore(path()).notes()[0].text, QStringLiteral("last words"));
}

void NotesStoreTest::unreadableFileIsSetAsideBeforeTheFirstSave()
{
    const QByteArray broken = R"([{"id":"A","name":"WORK","text":"years of notes"},{"id":"B","name":"HOME"}])";
    writeFile(broken);
    NotesStore store(path());
    QCOMPARE(names(store), QStringList{"NOTES"});
    store.setText(0, QStringLiteral("new"));
    store.saveNow();
    store.add();

    const QStringList aside = QDir(m_dir->path()).entryList({QStringLiteral("notes.unreadable-*.json")}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QFile kept(m_dir->filePath(aside.first()));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), broken);
    QCOMPARE(names(NotesStore(path())), (QStringList{"NOTES", "UNTITLED"}));
}

void NotesStoreTest::failedWriteKeepsTopicsAndStillAnnounces()
{
    QFile blocker(m_dir->filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    NotesStore store(blocker.fileName() + QStringLiteral("/notes.json"));  // a folder that cannot exist
    QObject context;
    int saves = 0;
    countSaves(store, &saves, &context);
    QCOMPARE(store.add(), 1);
    QCOMPARE(saves, 1);
    QCOMPARE(names(store), (QStringList{"NOTES", "UNTITLED"}));
}

void NotesStoreTest::fullDiskKeepsTheSavedFile()
{
    NotesStore store(path());
    store.setText(0, "first words");
    store.saveNow();
    const QByteArray saved = fileBytes();
    QObject context;
    int saves = 0;
    countSaves(store, &saves, &context);
    {
        const FileSizeLimit full(16);
        QVERIFY(full.isActive());
        QCOMPARE(store.add(), 1);
        QCOMPARE(fileBytes(), saved);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"notes.json"});
    }
    QCOMPARE(saves, 1);
    QCOMPARE(names(store), (QStringList{"NOTES", "UNTITLED"}));
    store.saveNow();
    QCOMPARE(names(NotesStore(path())), (QStringList{"NOTES", "UNTITLED"}));
}

QTEST_GUILESS_MAIN(NotesStoreTest)
#include "NotesStoreTest.moc"
