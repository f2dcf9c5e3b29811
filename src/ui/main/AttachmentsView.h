#pragma once

#include "content/MIMEParser.h"
#include "content/VirusTotal.h"
#include "ui/look/FlippedView.h"

#include <QHash>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QSet>

#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

class QVBoxLayout;

// The attachment strip under the reader's text: one row per file, every file locked until the
// user unlocks it (after a question for files that can run code or that VirusTotal flags),
// unlocked pictures shown small, and a VirusTotal verdict per file when a key is stored.
class AttachmentsView : public FlippedView {
    Q_OBJECT
public:
    explicit AttachmentsView(QWidget* parent = nullptr);

    // A new mail's files: all locked, verdicts looked up afresh.
    void set(const QList<MIME::Attachment>& attachments);

    // Unlocking asks first where the file can run code or VirusTotal flags it.
    QCoro::Task<> unlock(int index);
    void lock(int index);
    // Into a fresh private folder, then the desktop's default application; a failure beeps.
    void open(int index);
    // Through the save dialog; a failure beeps.
    QCoro::Task<> save(int index);

    const QList<MIME::Attachment>& items() const { return m_items; }
    bool isUnlocked(int index) const { return m_unlocked.contains(index); }
    std::optional<VirusTotal::Verdict> verdict(int index) const;
    quint64 generation() const { return m_generation; }

    // After the rows changed, for the owner's layout.
    std::function<void()> onRebuilt;

    QSize sizeHint() const override;

private:
    void rebuild();
    QString rowText(int index, bool hasKey) const;
    QPixmap picture(int index);
    static QCoro::Task<> checkVirusTotal(QPointer<AttachmentsView> view, quint64 generation, QList<QByteArray> files);

    QVBoxLayout* m_stack;
    QList<MIME::Attachment> m_items;
    QSet<int> m_unlocked;
    QHash<int, VirusTotal::Verdict> m_verdicts;
    quint64 m_generation = 0;
    QHash<int, QPixmap> m_pictures;  // decoded once per mail
};
