// Writes a home with a believable mail list for looking at the list screen:
//   DemoHome [dark|light]
// into $XDG_DATA_HOME/LU.MARA (cache.json) and $XDG_CONFIG_HOME/LU.MARA (settings.json).
// The mails come from header blocks, so the sender checks give them their real hints.
#include "core/Account.h"
#include "core/AppIdentity.h"
#include "core/MailStore.h"
#include "core/Prefs.h"
#include "net/FetchedHeader.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

namespace {

struct Letter {
    const char* from;
    const char* subject;
    int minutesAgo;
    bool seen;
    const char* extra = "";  // further header lines
};

const Letter work[] = {
    {"Mara Lindqvist <mara@atelier-nord.example>", "Proofs for the spring catalogue – pages 12 to 48, please check the colour of the covers before Friday", 12, false},
    {"Jonas Weber <j.weber@druckerei-weber.example>", "Re: paper stock for the reprint", 47, false},
    {"Billing <billing@cloudhost.example>", "Your invoice 2024-0419 is ready", 95, true},
    {"\"PayPal Service\" <service@paypa1-secure.example>", "Your account has been limited – verify your identity now", 130, false,
        "Reply-To: help@account-check.example\r\n"},
    {"Anna Keller <anna.keller@studio-k.example>", "Dinner on Thursday?", 200, true},
    {"Team Calendar <calendar@atelier-nord.example>", "Reminder: review meeting tomorrow 10:00", 260, true},
    {"Ole Hansen <ole@typefoundry.example>", "Licence for the display face", 60 * 26, true},
    {"\"support@yourbank.example\" <alerts@mailer-7731.example>", "Unusual sign-in attempt", 60 * 30, false},
    {"Lea Brandt <lea.brandt@verlag-brandt.example>", "Manuscript, second round of corrections", 60 * 50, false},
    {"Postmaster <postmaster@atelier-nord.example>", "Mailbox almost full", 60 * 75, true},
    {"Karin Osei <karin@osei-design.example>", "Fwd: photos from the fair", 60 * 100, true},
    {"Nils Petersen <nils@kanzlei-petersen.example>", "Contract draft v3", 60 * 150, true},
};

const Letter home[] = {
    {"Oma <hanne.lindqvist@example.org>", "Kuchenrezept 🍰", 30, false},
    {"Bahn <noreply@tickets.example>", "Ihre Fahrkarte Hamburg – Kopenhagen", 180, true},
    {"Library <no-reply@citylibrary.example>", "Three books are due next week", 60 * 20, true},
    {"Sven <sven@example.net>", "Sailing on Saturday", 60 * 44, false},
    {"Energy Provider <kundenservice@stadtwerke.example>", "Ihr Abschlag ab Juni", 60 * 90, true},
    {"Amazing Prize Team <winner@lottery-claims.example>", "Congratulations!!! You have won 1.000.000 EUR", 60 * 120, false},
    {"Peter <peter.m@example.com>", "", 60 * 200, true},
};

MailItem make(const Account& account, const Letter& letter, int uid, bool sent = false)
{
    const QDateTime when = QDateTime::currentDateTime().addSecs(-60 * letter.minutesAgo);
    const QString me = account.name + QStringLiteral(" <") + account.email + u'>';
    QString headers = QStringLiteral("From: %1\r\nTo: %2\r\nSubject: %3\r\nDate: %4\r\nMessage-ID: <demo%5.%6@lumara.example>\r\n%7\r\n")
                          .arg(sent ? me : QString::fromUtf8(letter.from), sent ? QString::fromUtf8(letter.from) : me,
                              QString::fromUtf8(letter.subject), when.toString(Qt::RFC2822Date), QString::number(uid),
                              account.id, QString::fromUtf8(letter.extra));
    FetchedHeader fetched;
    fetched.uid = uid;
    fetched.flags = letter.seen || sent ? QStringList{QStringLiteral("\\Seen")} : QStringList{};
    fetched.internalDate = when.toUTC();
    fetched.headers = headers.toUtf8();
    return MailItem::fromFetched(account, fetched, sent ? std::optional<QString>(QStringLiteral("Sent")) : std::nullopt);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    AppIdentity::apply();
    const bool dark = argc < 2 || QString::fromLocal8Bit(argv[1]) != u"light";
    const Account a{QStringLiteral("0A5F4D7E-1111-4C1B-9E3A-6D1E2B3C4D5E"), QStringLiteral("mara@atelier-nord.example"),
        QStringLiteral("Mara"), {}, 993, {}, {}, 465, {}};
    const Account b{QStringLiteral("7C2E9B10-2222-4A8F-8D3B-1F2E3D4C5B6A"), QStringLiteral("mara.l@example.org"),
        QStringLiteral("Mara"), {}, 993, {}, {}, 465, {}};
    Prefs& prefs = Prefs::shared();
    prefs.setDark(dark);
    prefs.setAccountColors({{a.id, 0}, {b.id, 4}});
    prefs.setDrawerNames(Prefs::five({QStringLiteral("FOCUS"), QStringLiteral("TAXES"), QStringLiteral("SAVED"),
        QStringLiteral("PROJECT"), QStringLiteral("LATER")}));

    std::vector<MailItem> first, second;
    int uid = 1;
    for (const Letter& letter : work)
        first.push_back(make(a, letter, uid++));
    first.push_back(make(a, {"Jonas Weber <j.weber@druckerei-weber.example>", "Re: paper stock for the reprint", 40, true}, uid++, true));
    for (const Letter& letter : home)
        second.push_back(make(b, letter, uid++));

    MailStore& store = MailStore::shared();
    store.replace(a.id, first);
    store.replace(b.id, second);
    store.assign(first[10], 3);  // one filed mail, so that a drawer shows a count
    store.save();
    store.finishSaving();
    std::printf("%s\n", qPrintable(AppIdentity::dataFolder()));
    return 0;
}
