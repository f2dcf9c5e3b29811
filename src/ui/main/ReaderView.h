#pragma once

#include "core/MailItem.h"
#include "ui/look/FlippedView.h"

#include <QList>
#include <QPointer>

#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

class AttachmentsView;
class DashedLine;
class LUButton;
class LULabel;
class QKeyEvent;
class ReaderTextView;

namespace MIME {
struct Parsed;
}

// One mail in full: the action bar, subject, sender line, the text with its web links and the
// attachment strip. Made anew for every mail; loading the text marks the mail read on the server.
// The owner carries out what the callbacks report.
class ReaderView : public FlippedView {
    Q_OBJECT
public:
    explicit ReaderView(const MailItem& mail, QWidget* parent = nullptr);

    std::function<void()> onBack;
    // The loaded text to quote, none while it is still loading.
    std::function<void(const std::optional<QString>& quoted)> onReply;
    std::function<void()> onForward;
    std::function<void(int view)> onAssign;  // 0 is back to IN
    std::function<void()> onDone;
    std::function<void()> onScam;

    const MailItem& mail() const { return m_mail; }
    ReaderTextView* textView() const { return m_textView; }
    AttachmentsView* attachments() const { return m_attachments; }
    LULabel* subject() const { return m_subject; }
    LULabel* meta() const { return m_meta; }
    const QList<LUButton*>& drawerButtons() const { return m_drawerButtons; }
    const std::optional<QString>& loadedText() const { return m_loadedText; }

    // Replaces the whole text: plain characters with a link on every web address.
    void showText(const QString& text, bool dim);
    const QString& shownText() const { return m_lastShown.text; }
    bool shownDim() const { return m_lastShown.dim; }

    // "name <address> · dd.MM.yyyy HH:mm · account" as the meta line shows it.
    static QString metaLine(const MailItem& mail);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildActionBar();
    void layOut();
    void applyLook();
    void openLink(const QUrl& url);
    bool key(QKeyEvent* event);
    void loaded(const MIME::Parsed& parsed);
    static QCoro::Task<> load(QPointer<ReaderView> reader, MailItem mail);

    struct Shown {
        QString text;
        bool dim = false;
    };

    MailItem m_mail;
    FlippedView* m_actionBar = nullptr;
    QList<LUButton*> m_drawerButtons;
    LULabel* m_subject;
    LULabel* m_meta;
    DashedLine* m_rule;
    FlippedView* m_scroll;
    ReaderTextView* m_textView;
    AttachmentsView* m_attachments;
    std::optional<QString> m_loadedText;
    Shown m_lastShown;
};
