#include "core/JsonSettingsFormat.h"
#include "core/NotificationCenter.h"
#include "core/Prefs.h"
#include "support/FileSizeLimit.h"
#include "support/TemporaryHome.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <functional>

class PrefsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void sharedStoreLivesInTheConfigFolder();
    void emptyStoreReadsDefaults();
    void fallBack_data();
    void fallBack();
    void five_data();
    void five();
    void colorIndex_data();
    void colorIndex();
    void writesPostNotifications_data();
    void writesPostNotifications();
    void valuesSurviveARestart();
    void unreadableAccountsAreSetAside_data();
    void unreadableAccountsAreSetAside();
    void readableAccountsAreNotSetAside();
    void unreadableFileIsSetAside();
    void fullDiskKeepsTheSettingsFile();

private:
    QString path() const { return m_dir->filePath(QStringLiteral("settings.json")); }
    void store(const QString& key, const QVariant& value);
    QStringList setAside(const QString& what) const;

    TemporaryHome m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
};

using Read = std::function<QVariant(const Prefs&)>;
using Write = std::function<void(Prefs&)>;
Q_DECLARE_METATYPE(Read)
Q_DECLARE_METATYPE(Write)

namespace {

Account account(int n)
{
    Account a = Account::preset(QStringLiteral("user%1@example.com").arg(n));
    a.id = QStringLiteral("ID-%1").arg(n);
    return a;
}

QVariantMap colors(const QMap<QString, int>& map)
{
    QVariantMap result;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        result.insert(it.key(), it.value());
    return result;
}

}

void PrefsTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

// Writes a raw value the way another writer (or an old version) might have left it.
void PrefsTest::store(const QString& key, const QVariant& value)
{
    QSettings settings(path(), JsonSettingsFormat::format());
    settings.setValue(key, value);
}

QStringList PrefsTest::setAside(const QString& what) const
{
    return QDir(m_dir->path()).entryList({what + QStringLiteral(".unreadable-*.json")}, QDir::Files);
}

void PrefsTest::sharedStoreLivesInTheConfigFolder()
{
    QCOMPARE(Prefs::defaultFilePath(), m_home.configHome() + QStringLiteral("/LU.MARA/settings.json"));
    Prefs::shared().setPreview(false);
    QVERIFY(QFile::exists(m_home.configHome() + QStringLiteral("/LU.MARA/settings.json")));
}

void PrefsTest::emptyStoreReadsDefaults()
{
    const Prefs prefs(path());
    QVERIFY(prefs.dark());
    QVERIFY(prefs.notesVisible());
    QVERIFY(prefs.preview());
    QVERIFY(prefs.notify());
    QVERIFY(prefs.badge());
    QVERIFY(prefs.pongSound());
    QCOMPARE(prefs.pongLevel(), 1);
    QCOMPARE(prefs.pongFormat(), 1);
    QCOMPARE(prefs.loadLimit(), 1000);
    QCOMPARE(prefs.checkMinutes(), 3);
    QVERIFY(!prefs.german());
    QCOMPARE(prefs.drawerNames(), (QStringList{"FOCUS", "TO DO", "SAVED", "UNTITLED", "UNTITLED"}));
    QCOMPARE(prefs.accounts(), QList<Account>());
    QCOMPARE(prefs.accountColors(), (QMap<QString, int>()));
    QCOMPARE(prefs.hiddenAccounts(), QStringList());
    QCOMPARE(prefs.netRatio(), 0.6);
    QCOMPARE(prefs.previewRatio(), 0.36);
    QCOMPARE(prefs.noteIndex(), 0);
}

void PrefsTest::fallBack_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<Read>("read");
    QTest::addColumn<QVariant>("expected");

    const Read dark = [](const Prefs& p) { return QVariant(p.dark()); };
    const Read german = [](const Prefs& p) { return QVariant(p.german()); };
    const Read pongLevel = [](const Prefs& p) { return QVariant(p.pongLevel()); };
    const Read loadLimit = [](const Prefs& p) { return QVariant(p.loadLimit()); };
    const Read checkMinutes = [](const Prefs& p) { return QVariant(p.checkMinutes()); };
    const Read netRatio = [](const Prefs& p) { return QVariant(p.netRatio()); };
    const Read previewRatio = [](const Prefs& p) { return QVariant(p.previewRatio()); };
    const Read drawerNames = [](const Prefs& p) { return QVariant(p.drawerNames()); };
    const Read hidden = [](const Prefs& p) { return QVariant(p.hiddenAccounts()); };
    const Read accountColors = [](const Prefs& p) { return QVariant(colors(p.accountColors())); };
    const Read accounts = [](const Prefs& p) { return QVariant(int(p.accounts().size())); };
    const QVariant defaultNames = QStringList{"FOCUS", "TO DO", "SAVED", "UNTITLED", "UNTITLED"};

    QTest::newRow("boolean stored as a string") << "dark" << QVariant("false") << dark << QVariant(true);
    QTest::newRow("boolean stored as a number") << "dark" << QVariant(0) << dark << QVariant(true);
    QTest::newRow("boolean stored") << "dark" << QVariant(false) << dark << QVariant(false);
    QTest::newRow("integer stored as a boolean") << "pongLevel" << QVariant(true) << pongLevel << QVariant(1);
    QTest::newRow("integer stored as a fraction") << "pongLevel" << QVariant(2.5) << pongLevel << QVariant(1);
    QTest::newRow("integer stored as a string") << "pongLevel" << QVariant("2") << pongLevel << QVariant(1);
    QTest::newRow("integer stored") << "pongLevel" << QVariant(2) << pongLevel << QVariant(2);
    QTest::newRow("loadLimit 0 means all") << "loadLimit" << QVariant(0) << loadLimit << QVariant(0);
    QTest::newRow("checkMinutes 0") << "checkMinutes" << QVariant(0) << checkMinutes << QVariant(3);
    QTest::newRow("checkMinutes 10") << "checkMinutes" << QVariant(10) << checkMinutes << QVariant(10);
    QTest::newRow("checkMinutes negative") << "checkMinutes" << QVariant(-5) << checkMinutes << QVariant(3);
    QTest::newRow("netRatio 0") << "netRatio" << QVariant(0.0) << netRatio << QVariant(0.6);
    QTest::newRow("netRatio integer 0") << "netRatio" << QVariant(0) << netRatio << QVariant(0.6);
    QTest::newRow("netRatio as a string") << "netRatio" << QVariant("0.5") << netRatio << QVariant(0.6);
    QTest::newRow("netRatio stored") << "netRatio" << QVariant(0.25) << netRatio << QVariant(0.25);
    QTest::newRow("previewRatio 0") << "previewRatio" << QVariant(0.0) << previewRatio << QVariant(0.36);
    QTest::newRow("previewRatio as a boolean") << "previewRatio" << QVariant(true) << previewRatio << QVariant(0.36);
    QTest::newRow("drawerNames with a number") << "drawerNames" << QVariant(QVariantList{"A", 2}) << drawerNames << defaultNames;
    QTest::newRow("drawerNames as one string") << "drawerNames" << QVariant("FOCUS") << drawerNames << defaultNames;
    QTest::newRow("drawerNames partly stored") << "drawerNames" << QVariant(QVariantList{"MINE"}) << drawerNames
        << QVariant(QStringList{"MINE", "TO DO", "SAVED", "UNTITLED", "UNTITLED"});
    QTest::newRow("hiddenAccounts with a number") << "hiddenAccounts" << QVariant(QVariantList{"A", 1}) << hidden << QVariant(QStringList());
    QTest::newRow("accountColors with a string value") << "accountColors"
        << QVariant(QVariantMap{{"A", 1}, {"B", "2"}}) << accountColors << QVariant(QVariantMap());
    QTest::newRow("accountColors stored") << "accountColors" << QVariant(QVariantMap{{"A", 1}, {"B", 5}}) << accountColors
        << QVariant(QVariantMap{{"A", 1}, {"B", 5}});
    QTest::newRow("accounts as a string") << "accounts" << QVariant(QString::fromUtf8(Account::encodeList({account(1)})))
        << accounts << QVariant(0);
    QTest::newRow("accounts, one lacks name") << "accounts"
        << QVariant(QByteArray(Account::encodeList({account(1), account(2)})).replace(R"("name":"",)", ""))
        << accounts << QVariant(0);
    QTest::newRow("german as the string true") << "german" << QVariant("true") << german << QVariant(false);
    QTest::newRow("only pongGerman") << "pongGerman" << QVariant(true) << german << QVariant(true);
}

void PrefsTest::fallBack()
{
    QFETCH(QString, key);
    QFETCH(QVariant, stored);
    QFETCH(Read, read);
    store(key, stored);
    const Prefs prefs(path());
    QTEST(read(prefs), "expected");
}

void PrefsTest::five_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("trimmed, NEW and blank replaced") << QStringList{" focus ", "NEW", ""}
                                                     << QStringList{"focus", "TO DO", "SAVED", "UNTITLED", "UNTITLED"};
    QTest::newRow("seven names") << QStringList{"A ", "\tB", "C\n", "D", "E", "F", "G"} << QStringList{"A", "B", "C", "D", "E"};
    QTest::newRow("new in lower case kept") << QStringList{"new", "New", " NEW "} << QStringList{"new", "New", "SAVED", "UNTITLED", "UNTITLED"};
    QTest::newRow("none") << QStringList() << QStringList{"FOCUS", "TO DO", "SAVED", "UNTITLED", "UNTITLED"};
}

void PrefsTest::five()
{
    QFETCH(QStringList, names);
    QTEST(Prefs::five(names), "expected");
}

void PrefsTest::colorIndex_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("expected");
    QTest::newRow("first account, no colour") << "ID-0" << 0;
    QTest::newRow("third account, no colour") << "ID-2" << 2;
    QTest::newRow("seventh account, no colour") << "ID-6" << 0;
    QTest::newRow("stored colour, returned as stored") << "ID-1" << 4;
    QTest::newRow("stored colour for an unknown account") << "GONE" << 3;
    QTest::newRow("unknown account") << "NOBODY" << 0;
}

void PrefsTest::colorIndex()
{
    QFETCH(QString, id);
    Prefs prefs(path());
    QList<Account> accounts;
    for (int i = 0; i < 7; ++i)
        accounts.append(account(i));
    prefs.setAccounts(accounts);
    prefs.setAccountColors({{"ID-1", 4}, {"GONE", 3}});
    QTEST(prefs.colorIndex(id), "expected");
}

void PrefsTest::writesPostNotifications_data()
{
    QTest::addColumn<Write>("write");
    QTest::addColumn<QStringList>("posted");
    QTest::newRow("dark") << Write([](Prefs& p) { p.setDark(false); }) << QStringList{Notification::themeChanged};
    QTest::newRow("accountColors") << Write([](Prefs& p) { p.setAccountColors({{"A", 2}}); }) << QStringList{Notification::themeChanged};
    QTest::newRow("accounts") << Write([](Prefs& p) { p.setAccounts({account(1)}); }) << QStringList{Notification::storeChanged};
    QTest::newRow("language") << Write([](Prefs& p) { p.setGerman(true); }) << QStringList{Notification::gameLanguage};
    QTest::newRow("preview, silent") << Write([](Prefs& p) { p.setPreview(false); }) << QStringList();
    QTest::newRow("drawer names, silent") << Write([](Prefs& p) { p.setDrawerNames({"A"}); }) << QStringList();
}

void PrefsTest::writesPostNotifications()
{
    QFETCH(Write, write);
    Prefs prefs(path());
    QStringList posted;
    QObject observer;
    for (const QString& name : {Notification::storeChanged, Notification::themeChanged, Notification::gameLanguage})
        NotificationCenter::shared().observe(name, &observer, [&posted, name](QObject* object) {
            QCOMPARE(object, nullptr);
            posted.append(name);
        });
    write(prefs);
    QTEST(posted, "posted");
}

void PrefsTest::valuesSurviveARestart()
{
    const QList<Account> accounts{account(1), account(2)};
    {
        Prefs prefs(path());
        prefs.setAccounts(accounts);
        prefs.setDark(false);
        prefs.setPongLevel(2);
        prefs.setLoadLimit(0);
        prefs.setAccountColors({{"ID-1", 5}});
        prefs.setHiddenAccounts({"ID-2"});
        prefs.setDrawerNames({"MINE", "YOURS"});
        prefs.setGerman(true);
        prefs.setNetRatio(1.0);
        prefs.setPreviewRatio(0.5);
    }
    // A copy under a new name is read from disk, not from QSettings' per-file cache.
    const QString copy = m_dir->filePath(QStringLiteral("copy.json"));
    QVERIFY(QFile::copy(path(), copy));
    const Prefs prefs(copy);
    QCOMPARE(prefs.accounts(), accounts);
    QVERIFY(!prefs.dark());
    QCOMPARE(prefs.pongLevel(), 2);
    QCOMPARE(prefs.loadLimit(), 0);
    QCOMPARE(prefs.accountColors(), (QMap<QString, int>{{"ID-1", 5}}));
    QCOMPARE(prefs.hiddenAccounts(), QStringList{"ID-2"});
    QCOMPARE(prefs.drawerNames(), (QStringList{"MINE", "YOURS", "SAVED", "UNTITLED", "UNTITLED"}));
    QVERIFY(prefs.german());
    QCOMPARE(prefs.netRatio(), 1.0);
    QCOMPARE(prefs.previewRatio(), 0.5);
}

void PrefsTest::unreadableAccountsAreSetAside_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QByteArray>("keptBytes");
    const QByteArray lacksName = QByteArray(Account::encodeList({account(1), account(2)})).replace(R"("name":"",)", "");
    QTest::newRow("one account lacks name") << QVariant(lacksName) << lacksName;
    QTest::newRow("one bad byte") << QVariant(Account::encodeList({account(1)}).replace(',', ';')) << Account::encodeList({account(1)}).replace(',', ';');
    QTest::newRow("stored as a string") << QVariant(QStringLiteral("[{\"id\":\"x\"}]")) << QByteArray("[{\"id\":\"x\"}]");
}

void PrefsTest::unreadableAccountsAreSetAside()
{
    QFETCH(QVariant, stored);
    QFETCH(QByteArray, keptBytes);
    store(QStringLiteral("accounts"), stored);
    Prefs prefs(path());
    QCOMPARE(prefs.accounts(), QList<Account>());
    QVERIFY(setAside(QStringLiteral("accounts")).isEmpty());  // reading alone keeps the data in place

    prefs.setAccounts({account(3)});
    QCOMPARE(prefs.accounts(), QList<Account>{account(3)});
    const QStringList kept = setAside(QStringLiteral("accounts"));
    QCOMPARE(kept.size(), 1);
    QFile file(m_dir->filePath(kept.first()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), keptBytes);

    prefs.setAccounts({account(3), account(4)});  // now readable: nothing more to keep
    QCOMPARE(setAside(QStringLiteral("accounts")).size(), 1);
}

void PrefsTest::readableAccountsAreNotSetAside()
{
    Prefs prefs(path());
    prefs.setAccounts({account(1)});
    prefs.setAccounts({});
    prefs.setAccounts({account(2)});
    QVERIFY(setAside(QStringLiteral("accounts")).isEmpty());
}

void PrefsTest::unreadableFileIsSetAside()
{
    const QByteArray broken = R"({"accounts": {"@bytes": "W3siaWQiOiJ4In1d"}, "dark": fal)";
    QFile file(path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(broken);
    file.close();

    // Three starts of the program, each with its own QSettings cache: one copy set aside.
    for (int start = 0; start < 3; ++start) {
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(PREFS_START), {path()});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput(), QByteArray("dark\n"));
    }
    const QStringList kept = setAside(QStringLiteral("settings"));
    QCOMPARE(kept.size(), 1);
    QFile keptFile(m_dir->filePath(kept.first()));
    QVERIFY(keptFile.open(QIODevice::ReadOnly));
    QCOMPARE(keptFile.readAll(), broken);

    Prefs prefs(path());
    prefs.setDark(false);
    QVERIFY(!Prefs(path()).dark());
    QCOMPARE(setAside(QStringLiteral("settings")).size(), 1);
}

void PrefsTest::fullDiskKeepsTheSettingsFile()
{
    Prefs prefs(path());
    prefs.setAccounts({account(1)});
    QFile file(path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    file.close();
    {
        // Room for QSettings' lock file, not for the settings.
        const FileSizeLimit full(256);
        QVERIFY(full.isActive());
        QVERIFY(saved.size() > 256);
        prefs.setDark(false);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), saved);
        file.close();
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"settings.json"});
    }
    QVERIFY(!prefs.dark());  // the value is kept and goes out with the next write
    prefs.setPreview(false);
    const QString copy = m_dir->filePath(QStringLiteral("copy.json"));
    QVERIFY(QFile::copy(path(), copy));
    const Prefs reread(copy);
    QCOMPARE(reread.accounts(), QList<Account>{account(1)});
    QVERIFY(!reread.dark());
    QVERIFY(!reread.preview());
}

QTEST_GUILESS_MAIN(PrefsTest)
#include "PrefsTest.moc"
