// Compose windows in the states worth looking at, for screenshots:
//   ComposeGallery reply|countdown|forward [--light] [--german]
// "forward" starts a private Dovecot and keyring, so that the original loads as it would.
#include "core/AppIdentity.h"
#include "core/Keychain.h"
#include "core/MailStore.h"
#include "core/Prefs.h"
#include "net/ConnectionTesting.h"
#include "net/IMAPSession.h"
#include "notes/NotesStore.h"
#include "support/DovecotServer.h"
#include "support/KeyringSession.h"
#include "ui/compose/ComposeWindow.h"
#include "ui/compose/ComposeWindowController.h"
#include "ui/compose/PlainTextView.h"
#include "ui/look/Clock.h"
#include "ui/look/LUField.h"
#include "ui/look/ReduceMotion.h"
#include "ui/look/Theme.h"
#include "ui/main/QuitSignals.h"

#include <QApplication>
#include <QTextCursor>

#include <memory>

namespace {

const QByteArray original =
    "From: Ada Lovelace <ada@example.org>\r\nTo: me@example.org\r\nSubject: the quarterly report\r\n"
    "Date: Sat, 09 Mar 2024 07:05:00 +0000\r\nMessage-ID: <report@example.org>\r\nMIME-Version: 1.0\r\n"
    "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
    "--b\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nHello,\r\n\r\nhere are the figures and the slides.\r\n\r\nAda\r\n"
    "--b\r\nContent-Type: application/pdf; name=\"report.pdf\"\r\nContent-Transfer-Encoding: base64\r\n"
    "Content-Disposition: attachment; filename=\"report.pdf\"\r\n\r\n" + QByteArray(40000, 'A') + "\r\n"
    "--b\r\nContent-Type: text/csv; name=\"figures.csv\"\r\nContent-Transfer-Encoding: base64\r\n"
    "Content-Disposition: attachment; filename=\"figures.csv\"\r\n\r\nYSxiLGMKMSwyLDMK\r\n--b--\r\n";

Account account(const QString& host)
{
    return {QStringLiteral("ACC-GALLERY"), QStringLiteral("me@example.org"), QStringLiteral("Me"), host, DovecotServer::tlsPort,
        QStringLiteral("me"), host, 465, QStringLiteral("me")};
}

void fillNotes()
{
    NotesStore& notes = NotesStore::shared();
    notes.rename(0, QStringLiteral("ANSWERS"));
    notes.setText(0, QStringLiteral("Thank you, I will look at it this week.\n\nCould you send the figures as a table?\n\n"
                                    "Best regards\nMe"));
    if (notes.notes().size() < 2) {
        const int addresses = notes.add();
        notes.rename(addresses, QStringLiteral("ADDRESSES"));
        notes.setText(addresses, QStringLiteral("ada@example.org\ncharles@example.org"));
    }
    notes.saveNow();
}

// Static, so that they stop also when the display goes away and Qt calls exit().
std::unique_ptr<KeyringSession> keyring;
std::unique_ptr<DovecotServer> dovecot;

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    AppIdentity::apply();
    // Ended by a signal, it still stops the servers it started.
    QuitSignals quit([] { QCoreApplication::quit(); });
    const QStringList args = app.arguments();
    const QString scene = args.value(1, QStringLiteral("reply"));
    Prefs::shared().setDark(!args.contains(QStringLiteral("--light")));
    Prefs::shared().setGerman(args.contains(QStringLiteral("--german")));
    Theme::applyToApplication();
    ReduceMotion::replace(true);
    fillNotes();
    Prefs::shared().setNoteIndex(0);

    QString host = QStringLiteral("127.0.0.1");
    if (scene == QStringLiteral("forward")) {
        keyring = std::make_unique<KeyringSession>(KeyringSession::Keyring::Unlocked);
        const QString failure = keyring->start();
        if (!failure.isEmpty())
            qFatal("keyring: %s", qPrintable(failure));
        qputenv("DBUS_SESSION_BUS_ADDRESS", keyring->busAddress().toUtf8());
        dovecot = std::make_unique<DovecotServer>();
        if (!dovecot->start({{"me", "pw"}}))
            qFatal("dovecot: %s", qPrintable(dovecot->error()));
        ConnectionTesting::trustCertificates({dovecot->authority()});
        dovecot->deliver("me", "INBOX", original);
        host = dovecot->host();
        Keychain::set(QStringLiteral("pw"), account(host).id);
    }
    Prefs::shared().setAccounts({account(host), {QStringLiteral("ACC-WORK"), QStringLiteral("me@work.example"), QStringLiteral("Me"), host,
        993, QStringLiteral("me"), host, 465, QStringLiteral("me")}});

    if (scene == QStringLiteral("reply")) {
        Prefs::shared().setNotesVisible(true);
        MailItem mail;
        mail.accountID = QStringLiteral("ACC-GALLERY");
        mail.fromName = QStringLiteral("Ada Lovelace");
        mail.fromEmail = QStringLiteral("ada@example.org");
        mail.subject = QStringLiteral("the engine, once more");
        mail.messageID = QStringLiteral("<engine@example.org>");
        mail.date = QDateTime(QDate(2024, 3, 9), QTime(7, 5));
        const QString quoted = QStringLiteral("Dear friend,\n\nthe engine turns again since Tuesday. Could you come by\n"
                                              "on Friday and look at the new cards?\n\nAda");
        ComposeWindowController* compose = ComposeWindowController::open(mail, quoted);
        compose->body()->textCursor().insertText(QStringLiteral("Gladly, Friday at ten."));
    } else if (scene == QStringLiteral("countdown")) {
        Prefs::shared().setNotesVisible(false);
        static double now = 0;
        Clock::replace([] { return now; });
        ComposeWindowController* compose = ComposeWindowController::open();
        compose->to()->setText(QStringLiteral("Charles <charles@example.org>"));
        compose->subject()->setText(QStringLiteral("lunch"));
        compose->body()->setText(QStringLiteral("Tomorrow at noon, at the usual place?"));
        compose->sendPressed();
        now = 2;
    } else {
        Prefs::shared().setNotesVisible(true);
        const Account me = account(host);
        MailStore::shared().replace(me.id, IMAPSession::fetchInbox(me, QStringLiteral("pw"), 0));
        ComposeWindowController* compose = ComposeWindowController::open(std::nullopt, std::nullopt, MailStore::shared().items(0, me.id)[0]);
        compose->to()->setText(QStringLiteral("charles@example.org"));
    }
    const int result = app.exec();
    for (ComposeWindowController* compose : ComposeWindowController::windows())
        compose->window()->hide();
    return result;
}
