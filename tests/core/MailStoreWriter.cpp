// Saves the mail store over and over, each time with other items and triage state, until it is
// killed; prints "saving" once the first save is done, so a test can kill it mid-write.
#include "core/AppIdentity.h"
#include "core/MailStore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    AppIdentity::apply();
    MailStore store;
    for (int round = 0;; ++round) {
        std::vector<MailItem> mails(20000);
        for (size_t i = 0; i < mails.size(); ++i) {
            MailItem& mail = mails[i];
            mail.accountID = QStringLiteral("ACC");
            mail.uid = qint64(i) + 1;
            mail.messageID = QStringLiteral("<%1.%2@writer>").arg(round).arg(i);
            mail.fromEmail = QStringLiteral("sender%1@example.org").arg(i);
            mail.subject = QStringLiteral("round %1 mail %2").arg(round).arg(i);
            mail.date = QDateTime::currentDateTimeUtc();
        }
        store.replace(QStringLiteral("ACC"), mails);
        store.assign(mails[size_t(round) % mails.size()], 1 + round % 5);  // saves both files
        store.finishSaving();
        if (round == 0) {
            std::printf("saving\n");
            std::fflush(stdout);
        }
    }
}
