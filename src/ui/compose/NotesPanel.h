#pragma once

#include "ui/look/FlippedView.h"

#include <QString>

#include <qcoro/qcorotask.h>

#include <functional>
#include <memory>

class DashedLine;
class LUButton;
class LUField;
class LULabel;
class NotesTextView;
class QMenu;

// The notes beside a compose window: one topic of the shared notes store at a time, a menu to
// switch, add, rename and remove topics, and alt+return to put a piece of it into the mail.
// Every window has its own panel; the panel follows its topic by id, so a topic removed or
// added in another window never makes it show or overwrite a different one.
class NotesPanel : public FlippedView {
    Q_OBJECT
public:
    explicit NotesPanel(QWidget* parent = nullptr);

    // Inserts a piece of the notes into the mail.
    std::function<void(const QString& text)> onInsert;

    // The topic shown: its position in the store and its id.
    int index() const { return m_index; }
    const QString& noteID() const { return m_noteID; }

    // Shows topic `index` after writing any pending text, and keeps it as the last topic shown.
    // A position outside the store does nothing.
    void showTopic(int index);
    // The selection, else the caret's line, trimmed, to onInsert; nothing when that is empty.
    void insertCurrent();
    std::unique_ptr<QMenu> topicMenu();
    void startRename();
    QCoro::Task<> removeCurrent();

    LUButton* topic() const { return m_topic; }
    LUField* renameField() const { return m_renameField; }
    NotesTextView* text() const { return m_text; }
    LUButton* insertButton() const { return m_insert; }
    LULabel* keys() const { return m_keys; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int indexOf(const QString& noteID) const;
    // Puts topic `index` on screen; no save and no setting written.
    void display(int index);
    void showTitle();
    void textEdited();
    void endRename();
    void notesChanged();
    void themeChanged();
    void layOut();

    int m_index = 0;
    QString m_noteID;
    LUButton* m_topic;
    LUField* m_renameField;
    NotesTextView* m_text;
    LUButton* m_insert;
    LULabel* m_keys;
    DashedLine* m_line;
    DashedLine* m_headLine;
    bool m_renaming = false;
    bool m_loading = false;  // the text changes because a topic is shown, not because of typing
};
