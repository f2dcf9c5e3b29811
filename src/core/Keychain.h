#pragma once

#include <QString>

#include <optional>

// Secrets (account passwords, the VirusTotal API key) in the desktop keyring, one item per key
// under the service AppIdentity::id, with an in-memory cache. Callable from any thread.
// Keyring failures are never reported: a failed read answers nothing, a failed write is silent
// (and the cache still answers later reads in this run).
class Keychain {
public:
    static std::optional<QString> get(const QString& key);
    static void set(const QString& value, const QString& key);
    static void remove(const QString& key);
};
