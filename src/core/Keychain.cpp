// libsecret pulls in GLib, whose headers use "signals" as a name: include it before Qt.
#include <libsecret/secret.h>

#include "core/Keychain.h"

#include "core/AppIdentity.h"

#include <QHash>
#include <QMutex>
#include <QStringDecoder>

namespace {

const char* const label = "LU.MARA mail account";

// Thread-safe on its own: remove() touches it without holding the keychain lock.
class SecretCache {
public:
    std::optional<QString> value(const QString& key)
    {
        QMutexLocker locker(&m_mutex);
        const auto found = m_secrets.constFind(key);
        if (found == m_secrets.cend())
            return std::nullopt;
        return *found;
    }
    void insert(const QString& key, const QString& secret)
    {
        QMutexLocker locker(&m_mutex);
        m_secrets.insert(key, secret);
    }
    void remove(const QString& key)
    {
        QMutexLocker locker(&m_mutex);
        m_secrets.remove(key);
    }

private:
    QMutex m_mutex;
    QHash<QString, QString> m_secrets;
};

SecretCache& cache()
{
    static SecretCache instance;
    return instance;
}

// Serialises reads of the keyring with the cache write of set().
QMutex& lock()
{
    static QMutex instance;
    return instance;
}

const SecretSchema* schema()
{
    static const SecretSchema instance = [] {
        SecretSchema s{};
        s.name = "org.lumara.LUMara.Password";
        s.flags = SECRET_SCHEMA_NONE;
        s.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return &instance;
}

const QByteArray& service()
{
    static const QByteArray instance = AppIdentity::id.toUtf8();
    return instance;
}

std::optional<QString> decodeUtf8(const char* bytes, gsize length)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(QByteArrayView(bytes, qsizetype(length)));
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<QString> lookUp(const QString& key)
{
    GError* error = nullptr;
    SecretValue* value = secret_password_lookup_binary_sync(schema(), nullptr, &error,
        "service", service().constData(), "account", key.toUtf8().constData(), nullptr);
    if (error)
        g_error_free(error);
    if (!value)
        return std::nullopt;
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    std::optional<QString> secret = decodeUtf8(bytes, length);
    secret_value_unref(value);
    return secret;
}

void ignore(GError* error)
{
    if (error)
        g_error_free(error);
}

}

std::optional<QString> Keychain::get(const QString& key)
{
    QMutexLocker locker(&lock());
    if (std::optional<QString> cached = cache().value(key))
        return cached;
    std::optional<QString> secret = lookUp(key);
    if (secret)
        cache().insert(key, *secret);
    return secret;
}

void Keychain::set(const QString& value, const QString& key)
{
    remove(key);
    {
        QMutexLocker locker(&lock());
        cache().insert(key, value);
    }
    const QByteArray bytes = value.toUtf8();
    SecretValue* secret = secret_value_new(bytes.constData(), bytes.size(), "text/plain");
    GError* error = nullptr;
    secret_password_store_binary_sync(schema(), SECRET_COLLECTION_DEFAULT, label, secret, nullptr, &error,
        "service", service().constData(), "account", key.toUtf8().constData(), nullptr);
    secret_value_unref(secret);
    ignore(error);
}

void Keychain::remove(const QString& key)
{
    cache().remove(key);
    GError* error = nullptr;
    secret_password_clear_sync(schema(), nullptr, &error,
        "service", service().constData(), "account", key.toUtf8().constData(), nullptr);
    ignore(error);
}
