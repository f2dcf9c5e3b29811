#pragma once

#include "core/MailItem.h"
#include "core/MailList.h"
#include "ui/look/FlippedView.h"

#include <qcoro/qcorotask.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class LULabel;
class MailTable;
class NetHandle;
class QMenu;
class QTextEdit;
class SplitHandle;
class TreeLines;

// The main screen: the mails of one view in a MailTable, the preview of the selected mail
// under it, and the triage by key and context menu. Reloads keep the selected mail selected;
// store changes within one turn of the event loop make one reload.
class MailListView : public FlippedView {
    Q_OBJECT
public:
    explicit MailListView(QWidget* parent = nullptr);
    ~MailListView() override;

    std::function<void(const MailItem&)> onOpen;
    std::function<void(const MailItem&)> onReply;
    std::function<void(const MailItem&)> onForward;

    // Shows a view (0 IN, 1–5 drawers, 7 search, 8 OUT, 9 ENTROPY) at once.
    void configure(int drawer);
    // A reload at the end of this turn of the event loop.
    void reload();
    void reloadNow();
    // A key for the mail in `row` as the table offers it; false leaves it to the table.
    bool handle(const QString& key, int row);
    // The context menu for the selected mails; none for no menu.
    std::unique_ptr<QMenu> menuFor(int row);
    void togglePreview();
    // Opens the mail, after its ball has sunk into the net when a rally is under way.
    void open(const MailItem& mail);
    // ENTROPY only: asks, then moves the selected mails to the Trash.
    QCoro::Task<> deleteSelected();

    MailTable* table() const { return m_table; }
    int drawer() const { return m_drawer; }
    const MailList& items() const;
    std::optional<MailItem> selectedMail() const;
    std::optional<QString> previewID() const { return m_previewID; }
    // The ratio-driven preview height, clamped so that an open row still fits above it.
    double clampPreview(double height) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layOut();
    void placeHandles();
    void placeTree();
    void dragNet(double dx);
    void dragSplit(double dy);
    void selectionChanged();
    void loadPreview();
    QCoro::Task<> fetchPreview(MailItem mail, QString id);
    void showPreviewText(const QString& text);
    void themeChanged();
    std::vector<MailItem> selectedMails() const;
    void fileSelected(int view);
    void emitOpen(const MailItem& mail);
    void addBlockMenu(QMenu& menu, const MailItem& first);

    MailTable* m_table;
    LULabel* m_empty;
    FlippedView* m_preview;
    QTextEdit* m_previewText;
    LULabel* m_previewFiles;
    SplitHandle* m_handle;
    NetHandle* m_net;
    NetHandle* m_dateNet;
    TreeLines* m_tree;
    std::optional<QString> m_previewID;
    QString m_previewShown;  // the preview's text as last set, to redraw it in another look
    int m_drawer = 0;
    QString m_lastView;
    bool m_reloadPending = false;
};
