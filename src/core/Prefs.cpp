#include "core/Prefs.h"

#include "core/AtomicFile.h"
#include "core/JsonSettingsFormat.h"
#include "core/NotificationCenter.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <limits>

namespace {

const QString accountsKey = QStringLiteral("accounts");
const QString accountColorsKey = QStringLiteral("accountColors");

bool isInteger(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        return ok && number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max();
    }
    default:
        return false;
    }
}

// Keeps bytes that are about to be replaced in a file beside the settings, named for what they were.
void setAside(const QString& settingsPath, const QString& what, const QByteArray& bytes)
{
    const QFileInfo settings(settingsPath);
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmsszzz"));
    AtomicFile::write(settings.absoluteDir().filePath(what + QStringLiteral(".unreadable-") + stamp + QStringLiteral(".json")), bytes);
}

void post(const QString& name)
{
    NotificationCenter::shared().post(name);
}

}

const QStringList Prefs::defaultDrawerNames = {
    QStringLiteral("FOCUS"), QStringLiteral("TO DO"), QStringLiteral("SAVED"), QStringLiteral("UNTITLED"), QStringLiteral("UNTITLED")};

Prefs& Prefs::shared()
{
    static Prefs instance(defaultFilePath());
    return instance;
}

QString Prefs::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/settings.json");
}

Prefs::Prefs(const QString& filePath)
{
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    m_settings = std::make_unique<QSettings>(filePath, JsonSettingsFormat::format());
    // An unreadable file reads as empty, and the next write would replace every setting in it.
    // Moved, not copied: left in place it would be set aside again at every start.
    if (m_settings->status() == QSettings::FormatError)
        AtomicFile::setAside(filePath);
}

Prefs::~Prefs() = default;

QStringList Prefs::five(const QStringList& names)
{
    QStringList result;
    for (qsizetype i = 0; i < defaultDrawerNames.size(); ++i) {
        const QString name = names.value(i).trimmed();
        result.append(name.isEmpty() || name == u"NEW" ? defaultDrawerNames[i] : name);
    }
    return result;
}

QVariant Prefs::value(const QString& key) const
{
    QMutexLocker locker(&m_mutex);
    return m_settings->value(key);
}

void Prefs::write(const QString& key, const QVariant& value)
{
    QMutexLocker locker(&m_mutex);
    m_settings->setValue(key, value);
    m_settings->sync();
}

bool Prefs::readBool(const QString& key, bool fallback) const
{
    const QVariant stored = value(key);
    return stored.typeId() == QMetaType::Bool ? stored.toBool() : fallback;
}

int Prefs::readInt(const QString& key, int fallback) const
{
    const QVariant stored = value(key);
    return isInteger(stored) ? stored.toInt() : fallback;
}

double Prefs::readDouble(const QString& key, double fallback) const
{
    const QVariant stored = value(key);
    if (stored.typeId() == QMetaType::Double || isInteger(stored))
        return stored.toDouble();
    return fallback;
}

std::optional<QStringList> Prefs::readStrings(const QString& key) const
{
    const QVariant stored = value(key);
    if (stored.typeId() == QMetaType::QStringList)
        return stored.toStringList();
    if (stored.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList strings;
    for (const QVariant& item : stored.toList()) {
        if (item.typeId() != QMetaType::QString)
            return std::nullopt;
        strings.append(item.toString());
    }
    return strings;
}

QList<Account> Prefs::accounts() const
{
    const QVariant stored = value(accountsKey);
    if (stored.typeId() != QMetaType::QByteArray)
        return {};
    return Account::decodeList(stored.toByteArray()).value_or(QList<Account>());
}

void Prefs::setAsideUnreadableAccounts()
{
    const QVariant stored = value(accountsKey);
    QByteArray bytes;
    if (stored.typeId() == QMetaType::QByteArray) {
        bytes = stored.toByteArray();
        if (Account::decodeList(bytes))
            return;
    } else if (stored.canConvert<QString>()) {
        bytes = stored.toString().toUtf8();
    }
    if (!bytes.isEmpty())
        setAside(m_settings->fileName(), accountsKey, bytes);
}

void Prefs::setAccounts(const QList<Account>& accounts)
{
    setAsideUnreadableAccounts();
    write(accountsKey, Account::encodeList(accounts));
    post(Notification::storeChanged);
}

bool Prefs::dark() const { return readBool(QStringLiteral("dark"), true); }
void Prefs::setDark(bool on)
{
    write(QStringLiteral("dark"), on);
    post(Notification::themeChanged);
}

bool Prefs::notesVisible() const { return readBool(QStringLiteral("notesVisible"), true); }
void Prefs::setNotesVisible(bool on) { write(QStringLiteral("notesVisible"), on); }

bool Prefs::preview() const { return readBool(QStringLiteral("preview"), true); }
void Prefs::setPreview(bool on) { write(QStringLiteral("preview"), on); }

QStringList Prefs::drawerNames() const { return five(readStrings(QStringLiteral("drawerNames")).value_or(QStringList())); }
bool Prefs::hasDrawerNames() const { return readStrings(QStringLiteral("drawerNames")).has_value(); }
void Prefs::setDrawerNames(const QStringList& names) { write(QStringLiteral("drawerNames"), names); }

bool Prefs::notify() const { return readBool(QStringLiteral("notify"), true); }
void Prefs::setNotify(bool on) { write(QStringLiteral("notify"), on); }

bool Prefs::badge() const { return readBool(QStringLiteral("badge"), true); }
void Prefs::setBadge(bool on) { write(QStringLiteral("badge"), on); }

int Prefs::pongLevel() const { return readInt(QStringLiteral("pongLevel"), 1); }
void Prefs::setPongLevel(int level) { write(QStringLiteral("pongLevel"), level); }

int Prefs::pongFormat() const { return readInt(QStringLiteral("pongFormat"), 1); }
void Prefs::setPongFormat(int format) { write(QStringLiteral("pongFormat"), format); }

bool Prefs::pongSound() const { return readBool(QStringLiteral("pongSound"), true); }
void Prefs::setPongSound(bool on) { write(QStringLiteral("pongSound"), on); }

int Prefs::loadLimit() const { return readInt(QStringLiteral("loadLimit"), 1000); }
void Prefs::setLoadLimit(int count) { write(QStringLiteral("loadLimit"), count); }

QMap<QString, int> Prefs::accountColors() const
{
    const QVariant stored = value(accountColorsKey);
    if (stored.typeId() != QMetaType::QVariantMap && stored.typeId() != QMetaType::QVariantHash)
        return {};
    QMap<QString, int> colors;
    const QVariantMap map = stored.toMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (!isInteger(it.value()))
            return {};
        colors.insert(it.key(), it.value().toInt());
    }
    return colors;
}

void Prefs::setAccountColors(const QMap<QString, int>& colors)
{
    QVariantMap map;
    for (auto it = colors.cbegin(); it != colors.cend(); ++it)
        map.insert(it.key(), it.value());
    write(accountColorsKey, map);
    post(Notification::themeChanged);
}

int Prefs::colorIndex(const QString& accountId) const
{
    const QMap<QString, int> colors = accountColors();
    if (const auto chosen = colors.constFind(accountId); chosen != colors.cend())
        return *chosen;
    const QList<Account> all = accounts();
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all[i].id == accountId)
            return int(i % 6);
    }
    return 0;
}

QStringList Prefs::hiddenAccounts() const { return readStrings(QStringLiteral("hiddenAccounts")).value_or(QStringList()); }
void Prefs::setHiddenAccounts(const QStringList& ids) { write(QStringLiteral("hiddenAccounts"), ids); }

int Prefs::checkMinutes() const
{
    // A negative interval is as meaningless as none.
    const int minutes = readInt(QStringLiteral("checkMinutes"), 3);
    return minutes <= 0 ? 3 : minutes;
}
void Prefs::setCheckMinutes(int minutes) { write(QStringLiteral("checkMinutes"), minutes); }

bool Prefs::german() const { return readBool(QStringLiteral("german"), false) || readBool(QStringLiteral("pongGerman"), false); }
void Prefs::setGerman(bool on)
{
    write(QStringLiteral("german"), on);
    write(QStringLiteral("pongGerman"), on);
    post(Notification::gameLanguage);
}

QByteArray Prefs::mainWindowGeometry() const
{
    return QByteArray::fromBase64(value(QStringLiteral("LUMaraMain")).toString().toLatin1());
}
void Prefs::setMainWindowGeometry(const QByteArray& geometry)
{
    write(QStringLiteral("LUMaraMain"), QString::fromLatin1(geometry.toBase64()));
}

double Prefs::netRatio() const
{
    const double ratio = readDouble(QStringLiteral("netRatio"), 0.6);
    return ratio == 0 ? 0.6 : ratio;
}
void Prefs::setNetRatio(double ratio) { write(QStringLiteral("netRatio"), ratio); }

double Prefs::previewRatio() const
{
    const double ratio = readDouble(QStringLiteral("previewRatio"), 0.36);
    return ratio == 0 ? 0.36 : ratio;
}
void Prefs::setPreviewRatio(double ratio) { write(QStringLiteral("previewRatio"), ratio); }

int Prefs::noteIndex() const { return readInt(QStringLiteral("noteIndex"), 0); }
void Prefs::setNoteIndex(int index) { write(QStringLiteral("noteIndex"), index); }
