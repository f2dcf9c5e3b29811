#pragma once

#include "core/Account.h"

#include <QMap>
#include <QMutex>
#include <QSettings>
#include <QStringList>

#include <memory>

// The one way to the settings. Every key has a type and a default; a missing or ill-typed value
// reads as the default, so no read fails. Writes of "dark" and "accountColors" post
// themeChanged, of "accounts" storeChanged, of the language keys gameLanguage (main thread).
class Prefs {
public:
    static Prefs& shared();
    // The settings file of a store opened on filePath (the shared one uses defaultFilePath()).
    // A file that does not read is moved aside ("settings.unreadable-<stamp>.json") and the
    // settings start from their defaults.
    explicit Prefs(const QString& filePath);
    ~Prefs();
    Prefs(const Prefs&) = delete;
    Prefs& operator=(const Prefs&) = delete;

    // settings.json in the application's config folder: $XDG_CONFIG_HOME/LU.MARA once AppIdentity::apply() has run.
    static QString defaultFilePath();

    static const QStringList defaultDrawerNames;
    // Exactly five names: trimmed, a blank name or "NEW" replaced by that position's default.
    static QStringList five(const QStringList& names);

    // An accounts list that does not decode reads as none; it is set aside beside the settings
    // file before the next write replaces it.
    QList<Account> accounts() const;
    void setAccounts(const QList<Account>& accounts);

    bool dark() const;
    void setDark(bool on);
    bool notesVisible() const;
    void setNotesVisible(bool on);
    bool preview() const;
    void setPreview(bool on);
    QStringList drawerNames() const;  // always five
    bool hasDrawerNames() const;      // an array of names is stored at all
    void setDrawerNames(const QStringList& names);
    bool notify() const;
    void setNotify(bool on);
    bool badge() const;
    void setBadge(bool on);
    int pongLevel() const;
    void setPongLevel(int level);
    int pongFormat() const;
    void setPongFormat(int format);
    bool pongSound() const;
    void setPongSound(bool on);
    int loadLimit() const;  // 0 means all mails
    void setLoadLimit(int count);
    QMap<QString, int> accountColors() const;
    void setAccountColors(const QMap<QString, int>& colors);
    int colorIndex(const QString& accountId) const;
    QStringList hiddenAccounts() const;
    void setHiddenAccounts(const QStringList& ids);
    int checkMinutes() const;
    void setCheckMinutes(int minutes);
    // German applies when either "german" or "pongGerman" is true; the setter writes both.
    bool german() const;
    void setGerman(bool on);
    // The main window's frame as QWidget::saveGeometry gives it; empty when none was kept.
    QByteArray mainWindowGeometry() const;
    void setMainWindowGeometry(const QByteArray& geometry);
    double netRatio() const;
    void setNetRatio(double ratio);
    double previewRatio() const;
    void setPreviewRatio(double ratio);
    int noteIndex() const;
    void setNoteIndex(int index);

private:
    QVariant value(const QString& key) const;
    void write(const QString& key, const QVariant& value);
    bool readBool(const QString& key, bool fallback) const;
    int readInt(const QString& key, int fallback) const;
    double readDouble(const QString& key, double fallback) const;
    std::optional<QStringList> readStrings(const QString& key) const;
    void setAsideUnreadableAccounts();

    mutable QMutex m_mutex;  // one QSettings object is not safe to share between threads
    std::unique_ptr<QSettings> m_settings;
};
