#pragma once

#include "core/Account.h"

#include <QPointer>
#include <QWidget>

#include <qcoro/qcorotask.h>

#include <functional>

class LUButton;
class LUField;
class LUSecureField;
class LULabel;

// The one way to add a mail account: an address and a password, servers filled in from the
// address, and a login test over IMAP before anything is stored. At most one such window.
class AccountWindowController : public QWidget {
    Q_OBJECT
public:
    // Brings the open window to the front, or opens a new one.
    static AccountWindowController* open();
    static AccountWindowController* current();

    // Runs once an account was stored: the program's first check of it.
    static inline std::function<void()> onAccountAdded;

    // The "connect" button: checks the fields, then the login, then stores the account.
    void tryConnect();
    bool busy() const { return m_busy; }

    LUField* email() const { return m_email; }
    LUSecureField* password() const { return m_password; }
    LUField* name() const { return m_name; }
    LUField* imapHost() const { return m_imapHost; }
    LUField* imapPort() const { return m_imapPort; }
    LUField* smtpHost() const { return m_smtpHost; }
    LUField* smtpPort() const { return m_smtpPort; }
    LULabel* status() const { return m_status; }
    LUButton* connectButton() const { return m_connect; }

    // A port field as a number: an optional sign and decimal digits, else the default.
    static int port(const QString& field, int fallback);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    AccountWindowController();
    void build();
    void addressChanged(const QString& text);
    void themeChanged();
    void failed(const QString& statusText);
    static QCoro::Task<> logIn(QPointer<AccountWindowController> window, Account account, QString password);

    static QPointer<AccountWindowController> s_current;

    LUField* m_email;
    LUSecureField* m_password;
    LUField* m_name;
    LUField* m_imapHost;
    LUField* m_imapPort;
    LUField* m_smtpHost;
    LUField* m_smtpPort;
    LULabel* m_status;
    LUButton* m_connect;
    bool m_busy = false;
};
