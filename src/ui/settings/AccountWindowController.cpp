#include "ui/settings/AccountWindowController.h"

#include "content/MIMEHeaders.h"
#include "core/Keychain.h"
#include "core/NetworkJobs.h"
#include "core/NotificationCenter.h"
#include "core/Prefs.h"
#include "net/IMAPSession.h"
#include "ui/look/FieldRow.h"
#include "ui/look/GroundView.h"
#include "ui/look/L10n.h"
#include "ui/look/LUButton.h"
#include "ui/look/LUField.h"
#include "ui/look/LULabel.h"
#include "ui/look/LUSecureField.h"
#include "ui/look/Theme.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QVBoxLayout>

#include <qcoro/qcorofuture.h>
#include <qcoro/qcorotimer.h>

#include <algorithm>
#include <chrono>

QPointer<AccountWindowController> AccountWindowController::s_current;

namespace {

constexpr int fieldLabelWidth = 110;
constexpr int defaultImapPort = 993;
constexpr int defaultSmtpPort = 587;

bool sameAddress(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool alreadyThere(const QString& email)
{
    const QList<Account> accounts = Prefs::shared().accounts();
    return std::any_of(accounts.begin(), accounts.end(), [&email](const Account& a) { return sameAddress(a.email, email); });
}

}  // namespace

AccountWindowController* AccountWindowController::open()
{
    if (!s_current) {
        s_current = new AccountWindowController;
        s_current->show();
    }
    s_current->raise();
    s_current->activateWindow();
    return s_current;
}

AccountWindowController* AccountWindowController::current()
{
    return s_current;
}

AccountWindowController::AccountWindowController()
    : m_email(new LUField(QStringLiteral("you@icloud.com")))
    , m_password(new LUSecureField(QStringLiteral("app-specific password")))
    , m_name(new LUField(QStringLiteral("your name (shown to others)")))
    , m_imapHost(new LUField(QStringLiteral("imap.mail.me.com")))
    , m_imapPort(new LUField(QString::number(defaultImapPort)))
    , m_smtpHost(new LUField(QStringLiteral("smtp.mail.me.com")))
    , m_smtpPort(new LUField(QString::number(defaultSmtpPort)))
    , m_status(new LULabel(QString(), 10, true, 1.5, 6))
    , m_connect(new LUButton(QStringLiteral("connect"), 13, true, [this] { tryConnect(); }))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("addAccount"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(620, 600);
    build();
    connect(m_email, &QLineEdit::textChanged, this, &AccountWindowController::addressChanged);
    // The keyboard's way to "connect": Return in any field.
    for (LUField* field : std::initializer_list<LUField*>{m_email, m_password, m_name, m_imapHost, m_imapPort, m_smtpHost, m_smtpPort})
        connect(field, &QLineEdit::returnPressed, this, &AccountWindowController::tryConnect);
    auto& center = NotificationCenter::shared();
    center.observe(Theme::changed, this, [this](QObject*) { themeChanged(); });
    center.observe(Notification::gameLanguage, this, [this](QObject*) { themeChanged(); });
    themeChanged();
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    m_email->setFocus();
}

void AccountWindowController::build()
{
    const std::pair<QWidget*, const char*> named[] = {{m_email, "email"}, {m_password, "password"}, {m_name, "name"},
        {m_imapHost, "imapHost"}, {m_imapPort, "imapPort"}, {m_smtpHost, "smtpHost"}, {m_smtpPort, "smtpPort"},
        {m_status, "status"}, {m_connect, "connect"}};
    for (const auto& [widget, name] : named)
        widget->setObjectName(QString::fromLatin1(name));

    auto* ground = new GroundView(this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(ground);

    auto* stack = new QVBoxLayout(ground);
    stack->setContentsMargins(48, 50, 48, 0);
    stack->setSpacing(0);
    auto* title = new LULabel(QStringLiteral("ADD ACCOUNT"), 13, false, 2.5, 1, ground);
    stack->addWidget(title);
    stack->addSpacing(14);
    auto* hint = new LULabel(L10n::icloudHint(), 10, true, 1.5, 4, ground);
    hint->setObjectName(QStringLiteral("hint"));
    stack->addWidget(hint);
    stack->addSpacing(18);
    const std::pair<const char*, QWidget*> rows[] = {{"address", m_email}, {"password", m_password}, {"name", m_name},
        {"imap server", m_imapHost}, {"imap port", m_imapPort}, {"smtp server", m_smtpHost}, {"smtp port", m_smtpPort}};
    bool first = true;
    for (const auto& [label, field] : rows) {
        if (!first)
            stack->addSpacing(4);
        first = false;
        stack->addWidget(new FieldRow(QString::fromUtf8(label), field, fieldLabelWidth, ground));
    }
    stack->addSpacing(26);
    m_connect->setParent(ground);
    stack->addWidget(m_connect, 0, Qt::AlignRight);
    stack->addSpacing(18);
    m_status->setParent(ground);
    stack->addWidget(m_status);
    stack->addStretch();
}

void AccountWindowController::themeChanged()
{
    setWindowTitle(loc(QStringLiteral("add account")));
    Theme::redrawAll(this);
}

void AccountWindowController::closeEvent(QCloseEvent* event)
{
    // Cleared at once: the window is only deleted later, and must not be shown again.
    if (s_current == this)
        s_current = nullptr;
    QWidget::closeEvent(event);
}

// Every change of the address proposes its servers again, over what the user typed there.
void AccountWindowController::addressChanged(const QString& text)
{
    const Account preset = Account::preset(text);
    m_imapHost->setText(preset.imapHost);
    m_imapPort->setText(QString::number(preset.imapPort));
    m_smtpHost->setText(preset.smtpHost);
    m_smtpPort->setText(QString::number(preset.smtpPort));
}

int AccountWindowController::port(const QString& field, int fallback)
{
    const QString text = MIME::trimBlanks(field);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool sign = i == 0 && (text[i] == u'+' || text[i] == u'-');
        if (!sign && !(text[i] >= u'0' && text[i] <= u'9'))
            return fallback;
    }
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    return ok ? number : fallback;
}

void AccountWindowController::tryConnect()
{
    if (m_busy)
        return;
    const QString address = m_email->text().trimmed();
    QString password = m_password->text();
    password.removeIf([](QChar c) { return c.isSpace(); });
    if (!address.contains(u'@') || password.isEmpty()) {
        m_status->set(QStringLiteral("! address and password, please"));
        return;
    }
    Account account = Account::preset(address);
    account.name = MIME::trimBlanks(m_name->text());
    account.imapHost = MIME::trimBlanks(m_imapHost->text());
    account.smtpHost = MIME::trimBlanks(m_smtpHost->text());
    account.imapPort = port(m_imapPort->text(), defaultImapPort);
    account.smtpPort = port(m_smtpPort->text(), defaultSmtpPort);
    if (alreadyThere(account.email)) {
        m_status->set(QStringLiteral("! this account is already there"));
        return;
    }
    m_status->setSelectable(true);
    m_busy = true;
    m_connect->setTitle(QStringLiteral("connecting…"));
    m_status->set(QStringLiteral("checking the login over an encrypted connection…"));
    logIn(this, account, password);
}

// Not a member's work: the window may close while the server answers, and the account is
// stored all the same.
QCoro::Task<> AccountWindowController::logIn(QPointer<AccountWindowController> window, Account account, QString password)
{
    QFuture<NetworkJobs::Result<QString>> job = NetworkJobs::run([account, password] { return IMAPSession::test(account, password); });
    NetworkJobs::Result<QString> accepted = co_await job;
    if (!accepted.value) {
        if (window)
            window->failed(QStringLiteral("! could not log in: ") + NetworkJobs::describe(accepted.error));
        co_return;
    }
    // Another window may have added the same address while this one waited for the server.
    if (alreadyThere(account.email)) {
        if (window)
            window->failed(QStringLiteral("! this account is already there"));
        co_return;
    }
    account.imapUser = *accepted.value;
    Keychain::set(password, account.id);
    QList<Account> accounts = Prefs::shared().accounts();
    accounts.append(account);
    Prefs::shared().setAccounts(accounts);
    if (onAccountAdded)
        onAccountAdded();
    if (!window)
        co_return;
    window->m_status->set(QStringLiteral("✓ connected"));
    co_await QCoro::sleepFor(std::chrono::milliseconds(500));
    if (window)
        window->close();
}

void AccountWindowController::failed(const QString& statusText)
{
    m_busy = false;
    m_connect->setTitle(QStringLiteral("connect"));
    m_status->set(statusText);
}
