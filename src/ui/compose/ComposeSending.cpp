#include "core/Keychain.h"
#include "core/NetworkJobs.h"
#include "core/Prefs.h"
#include "net/MailError.h"
#include "net/SMTPClient.h"
#include "ui/compose/ComposeText.h"
#include "ui/compose/ComposeWindow.h"
#include "ui/compose/ComposeWindowController.h"
#include "ui/compose/PlainTextView.h"
#include "ui/compose/SentCopy.h"
#include "ui/look/Clock.h"
#include "ui/look/LUButton.h"
#include "ui/look/LUField.h"
#include "ui/look/LULabel.h"

#include <QTimer>

#include <qcoro/qcorofuture.h>

#include <cmath>

namespace {

constexpr int closeAfterSentMs = 600;

const QString sendTitle = QStringLiteral("send  ctrl+\u21b5");

QString countdownText(int seconds)
{
    return QStringLiteral("sending in ") + QString::number(seconds) + QStringLiteral(" \u00b7 esc takes it back");
}

void setButton(LUButton* button, const QString& title)
{
    button->setTitle(title);
    button->setAccessibleLabel(title);
}

}  // namespace

void ComposeWindowController::sendPressed()
{
    if (m_sending || m_countdown != 0 || m_loadingOriginal)
        return;
    if (addresses(m_to).isEmpty()) {
        m_status->set(QStringLiteral("! who is it for?"), false);
        m_to->setFocus();
        return;
    }
    m_countdown = countdownSeconds;
    setButton(m_sendButton, QStringLiteral("take back"));
    if (QWidget* focus = m_window->focusWidget())
        focus->clearFocus();
    m_status->set(countdownText(m_countdown), false);
    m_countdownStart = Clock::now();
    m_ticks = 0;
    m_timer->start();
}

// A tick for every whole second of the Clock since the press, also when the beat came late.
void ComposeWindowController::countdownPoll()
{
    const int due = int(std::floor(Clock::now() - m_countdownStart + 1e-6));
    while (m_timer->isActive() && m_ticks < due) {
        ++m_ticks;
        countdownTick();
    }
}

void ComposeWindowController::countdownTick()
{
    --m_countdown;
    if (m_countdown <= 0) {
        stopCountdown();
        m_countdown = 0;
        performSend();
        return;
    }
    m_status->set(countdownText(m_countdown), false);
}

void ComposeWindowController::stopCountdown()
{
    m_timer->stop();
}

bool ComposeWindowController::takeBack()
{
    if (m_countdown < 1)
        return false;
    stopCountdown();
    m_countdown = 0;
    resetSendButton();
    m_status->set(QStringLiteral("taken back. nothing was sent."), true);
    m_body->setFocus();
    return true;
}

void ComposeWindowController::resetSendButton()
{
    setButton(m_sendButton, sendTitle);
}

void ComposeWindowController::notSent(const QString& reason)
{
    // Refusals of unsafe input already say so; the line says it once.
    static const QString saidAlready = QStringLiteral("not sent: ");
    m_sending = false;
    resetSendButton();
    m_status->set(QStringLiteral("! not sent: ") + (reason.startsWith(saidAlready) ? reason.sliced(saidAlready.size()) : reason), false);
}

void ComposeWindowController::performSend()
{
    // Looked up now by id: the account list may have changed during the countdown.
    const QList<Account> accounts = Prefs::shared().accounts();
    const auto found = std::find_if(accounts.begin(), accounts.end(), [this](const Account& a) { return a.id == m_accountID; });
    if (found == accounts.end()) {
        notSent(QStringLiteral("the sending account was removed"));
        return;
    }
    const Account account = *found;
    const std::optional<QString> password = Keychain::get(account.id);
    if (!password) {
        m_status->set(QStringLiteral("! no password for ") + account.email, false);
        resetSendButton();
        return;
    }
    m_sending = true;
    setButton(m_sendButton, QStringLiteral("sending\u2026"));
    m_status->set(QStringLiteral("sending\u2026"), true);

    // Read now, at the end of the countdown: what was changed during it is what goes.
    MessageBuilder::Draft draft;
    draft.fromEmail = account.email;
    draft.fromName = account.name;
    draft.to = addresses(m_to);
    draft.cc = addresses(m_cc);
    draft.subject = m_subject->text();
    draft.body = m_body->text();
    if (m_reply) {
        draft.inReplyTo = ComposeText::inReplyTo(*m_reply);
        draft.references = ComposeText::references(*m_reply);
    }
    draft.attachments = m_files;
    MessageBuilder::Message message;
    try {
        message = MessageBuilder::build(draft);
    } catch (const MailError& refused) {
        // A header of the mail replied to that would break the message apart.
        notSent(refused.description());
        return;
    }
    const QStringList recipients = ComposeText::envelope(draft.to, draft.cc, addresses(m_bcc));
    deliver(QPointer<ComposeWindowController>(this), account, *password, recipients, message);
}

QCoro::Task<> ComposeWindowController::deliver(QPointer<ComposeWindowController> self, Account account, QString password,
    QStringList recipients, MessageBuilder::Message message)
{
    QFuture<NetworkJobs::Result<bool>> job = NetworkJobs::run([account, password, recipients, data = message.data] {
        SMTPClient::send(account, password, account.email, recipients, data);
        return true;
    });
    NetworkJobs::Result<bool> sent = co_await job;
    if (sent.value) {
        // The copy is filed whether or not the window is still there.
        SentCopy::file(account, password, message.data, message.messageID);
        if (!self)
            co_return;
        self->m_status->set(QStringLiteral("sent."), true);
        QTimer::singleShot(closeAfterSentMs, self->m_window, [window = QPointer<ComposeWindow>(self->m_window)] {
            if (window)
                window->close();
        });
        co_return;
    }
    if (self)
        self->notSent(NetworkJobs::describe(sent.error));
}
