#pragma once

#include "content/MIMEParser.h"
#include "core/Account.h"
#include "core/MailItem.h"
#include "net/MessageBuilder.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <memory>
#include <optional>

class ComposeWindow;
class FieldRow;
class LUButton;
class LUField;
class LULabel;
class DashedLine;
class NotesPanel;
class PlainTextView;
class QMenu;
class QTimer;

// One compose window: a new mail, a reply or a forward, from writing to sending. Any number can
// be open; each controller lives until its window closes. A mail leaves only after a countdown
// of five seconds (ticked by the Clock, so tests step it) in which escape takes it back.
class ComposeWindowController : public QObject {
    Q_OBJECT
public:
    static constexpr int countdownSeconds = 5;
    // A file is read whole into the mail; anything larger is left out.
    static constexpr qint64 largestFile = qint64(1) << 30;
    static constexpr qint64 warnAbove = 20 * 1024 * 1024;

    // Opens a window and brings it to the front; none without an account (the caller offers to
    // add one). `quoted` is the text of a reply's mail as the reader shows it.
    static ComposeWindowController* open(const std::optional<MailItem>& reply = std::nullopt,
        const std::optional<QString>& quoted = std::nullopt, const std::optional<MailItem>& forward = std::nullopt);
    // Every open window's controller, oldest first.
    static const QList<ComposeWindowController*>& windows();

    ~ComposeWindowController() override;

    // The addresses of a recipient field.
    static QStringList addresses(const LUField* field);

    void addFiles(const QStringList& paths);
    QCoro::Task<> pickFiles();
    std::unique_ptr<QMenu> makeFilesMenu();
    void showFiles();
    void updateFrom();
    void cycleFrom();
    void toggleNotes();
    void insertNote(const QString& text);

    void sendPressed();
    bool takeBack();
    void performSend();

    ComposeWindow* window() const { return m_window; }
    LUButton* fromButton() const { return m_fromButton; }
    LUField* to() const { return m_to; }
    LUField* cc() const { return m_cc; }
    LUField* bcc() const { return m_bcc; }
    LUField* subject() const { return m_subject; }
    LUButton* filesButton() const { return m_filesButton; }
    PlainTextView* body() const { return m_body; }
    LULabel* status() const { return m_status; }
    LUButton* sendButton() const { return m_sendButton; }
    NotesPanel* notes() const { return m_notes; }
    const QList<MIME::Attachment>& files() const { return m_files; }
    const QString& accountID() const { return m_accountID; }
    int countdown() const { return m_countdown; }
    bool sending() const { return m_sending; }
    bool loadingOriginal() const { return m_loadingOriginal; }
    bool notesShown() const { return m_notesShown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ComposeWindowController(const std::optional<MailItem>& reply, const std::optional<MailItem>& forward);

    void buildLayout();
    void layOut();
    void prefill(const std::optional<QString>& quoted);
    void prefillForward(const MailItem& mail);
    static QCoro::Task<> loadOriginal(QPointer<ComposeWindowController> self, MailItem mail);
    void originalLoaded(const MIME::Parsed& parsed);
    void noteTopic(int index);
    void resizeWindow(int widthChange, bool shown);
    void themeChanged();
    void closing();

    void countdownPoll();
    void countdownTick();
    void stopCountdown();
    void notSent(const QString& reason);
    void resetSendButton();
    static QCoro::Task<> deliver(QPointer<ComposeWindowController> self, Account account, QString password,
        QStringList recipients, MessageBuilder::Message message);

    const std::optional<MailItem> m_reply;
    const std::optional<MailItem> m_forward;
    // The sending account by id: the list may change while the window is open.
    QString m_accountID;
    ComposeWindow* m_window;  // owned
    LUButton* m_fromButton = nullptr;
    LUField* m_to = nullptr;
    LUField* m_cc = nullptr;
    LUField* m_bcc = nullptr;
    LUButton* m_filesButton = nullptr;
    FieldRow* m_filesRow = nullptr;
    QList<FieldRow*> m_rows;
    QList<MIME::Attachment> m_files;
    bool m_loadingOriginal = false;
    LUField* m_subject = nullptr;
    PlainTextView* m_body = nullptr;
    DashedLine* m_bottomLine = nullptr;
    LULabel* m_status = nullptr;
    LUButton* m_sendButton = nullptr;
    int m_countdown = 0;
    QTimer* m_timer = nullptr;
    double m_countdownStart = 0;
    int m_ticks = 0;
    bool m_sending = false;
    NotesPanel* m_notes = nullptr;
    bool m_notesShown = false;
};
