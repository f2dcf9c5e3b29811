#pragma once

#include "core/MailList.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QHash>
#include <QPoint>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMenu;
class QVariantAnimation;
class Rally;
struct MailColumns;

// The mail list's table: a scroll area over a view's MailList that paints only the rows in
// sight, never a widget per row. Rows are 32 high; the selected row opens to 128 over 0.18 s.
// Click, ctrl+click, shift+click and select-all choose rows; arrows move; the selected mails
// drag as the mail type. Letters and Return are offered to onKey first.
class MailTable : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int rowHeight = 32;
    static constexpr int openHeight = 128;
    static constexpr int heightChangeMs = 180;

    explicit MailTable(QWidget* parent = nullptr);
    ~MailTable() override;

    // A key ("open" for Return and Enter, else its characters in lower case) and the selected
    // row; true when handled.
    std::function<bool(const QString& key, int row)> onKey;
    // The menu for the selected rows after a right click on `row`; none for no menu.
    std::function<std::unique_ptr<QMenu>(int row)> onMenu;
    std::function<void(int row)> onDoubleClick;
    // After every change of the selection, also those made by code.
    std::function<void()> onSelectionChanged;
    // The ids a drag of these rows carries.
    std::function<QStringList(const std::vector<int>& rows)> dragIds;

    // New rows; the selection is emptied and set again by the caller. While `restoring`,
    // selection changes open rows at once, without animation.
    void setItems(MailList items);
    const MailList& items() const { return m_items; }
    int rowCount() const { return int(m_items.size()); }
    bool restoring = false;

    // The row last chosen: keys act on it and it is the one shown open; -1 for none.
    int selectedRow() const { return m_current; }
    std::vector<int> selectedRows() const;
    bool isSelected(int row) const;
    void selectRow(int row);
    void selectAll();
    void clearSelection();
    // The row drawn tall, or growing to it.
    int openRow() const { return m_open; }

    int rowAt(double viewportY) const;
    // In viewport coordinates, at the heights of the moment.
    QRectF rowRect(int row) const;
    double rowHeightOf(int row) const;
    // Scrolls the least that shows the row whole at its final height.
    void scrollToRow(int row);
    int scrollPosition() const;
    void setScrollPosition(int position);

    // The columns of a row as wide as the viewport.
    MailColumns columns() const;
    // Every row drawn again: the net moved, the look changed.
    void redrawRows();

    Rally& rally() { return *m_rally; }
    bool ballInPlay() const;
    bool sinkBall(std::function<void()> then);
    // Starts or stops the rally as the open row, the window and the motion setting ask.
    void updateRally();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Tall {
        int row;
        double extra;  // height above 32
    };
    std::vector<Tall> tallRows() const;
    double rowTop(int row) const;
    double finalTop(int row) const;  // once the height change under way is over
    double contentHeight() const;
    void updateScrollRange();
    void setSelection(std::vector<char> selected, int current);
    void openChanged(int previous);
    void moveSelection(int row, bool extend);
    bool wantsRally() const;
    void redrawOpenRow();
    void redrawRally();
    void startDrag();

    MailList m_items;
    std::vector<char> m_selected;
    int m_selectedCount = 0;
    int m_current = -1;
    int m_anchor = -1;
    int m_open = -1;
    int m_closing = -1;     // the row shrinking back while another opens
    double m_progress = 1;  // of the height change
    double m_closingExtra = 0;  // the closing row's height above 32 when it began to close
    QVariantAnimation* m_heights;
    Rally* m_rally;
    QPoint m_pressPos;
    int m_pressRow = -1;
    bool m_selectAloneOnRelease = false;
    QWidget* m_watchedWindow = nullptr;
    QString m_rallyFor;  // id of the mail the rally plays in
    QRect m_lastBall;    // where the ball was drawn last
    bool m_openMailPlays = false;  // the open row's mail is unread and has no "e?"
    mutable std::optional<double> m_netRatio;
    QHash<QString, QColor> m_colours;  // text colour by account
    std::optional<QColor> m_ink;
};
