#pragma once

#include "core/AppIdentity.h"
#include "core/AtomicFile.h"
#include "core/MailStore.h"

#include <QDateTime>
#include <QFile>

#include <vector>

// Small mails and a fresh shared store for list and sidebar tests.
namespace ListFixture {

inline const QString account = QStringLiteral("ACC");

// A received mail whose subject, sender and Message-ID are made from `key`; newer for smaller `age`.
inline MailItem received(const QString& key, int age, bool seen = false)
{
    MailItem m;
    m.accountID = account;
    m.uid = 1000 - age;
    m.messageID = QStringLiteral("<%1@list.test>").arg(key);
    m.fromName = key;
    m.fromEmail = key + QStringLiteral("@sender.example");
    m.subject = QStringLiteral("about ") + key;
    m.date = QDateTime::currentDateTimeUtc().addSecs(-60 * age);
    m.seen = seen;
    m.toName = QString();
    m.toEmail = QStringLiteral("me@own.example");
    return m;
}

inline MailItem hinted(const QString& key, int age)
{
    MailItem m = received(key, age);
    m.hints = QStringList{QStringLiteral("the reply address differs")};
    return m;
}

inline MailItem sent(const QString& key, int age)
{
    MailItem m = received(key, age, true);
    m.mailbox = QStringLiteral("Sent");
    m.fromEmail = QStringLiteral("me@own.example");
    m.toEmail = key + QStringLiteral("@friend.example");
    return m;
}

// The shared store holds these mails and no triage state at all.
inline void resetStore(const std::vector<MailItem>& mails)
{
    MailStore& store = MailStore::shared();
    store.finishSaving();
    const QString folder = AppIdentity::dataFolder();
    AtomicFile::write(folder + QStringLiteral("/state.json"), R"({"drawerOf":{},"done":[]})");
    QFile::remove(folder + QStringLiteral("/cache.json"));
    store.load();
    store.replace(account, mails);
}

// Where a mail shows: a view number, or "-" when done.
inline QString placeOf(const MailItem& mail)
{
    for (const int view : {0, 1, 2, 3, 4, 5, 8, 9}) {
        const MailList shown = MailStore::shared().items(view);
        for (const MailItem& item : shown)
            if (item.id() == mail.id())
                return QString::number(view);
    }
    return QStringLiteral("-");
}

}  // namespace ListFixture
