#include "ui/compose/NotesPanel.h"

#include "core/NotificationCenter.h"
#include "core/Prefs.h"
#include "notes/NotesStore.h"
#include "ui/compose/ComposeText.h"
#include "ui/compose/NotesTextView.h"
#include "ui/look/Alerts.h"
#include "ui/look/ClosureMenuItem.h"
#include "ui/look/DashedLine.h"
#include "ui/look/L10n.h"
#include "ui/look/LUButton.h"
#include "ui/look/LUField.h"
#include "ui/look/LULabel.h"
#include "ui/look/Theme.h"

#include <QMenu>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>

#include <algorithm>
#include <cmath>

namespace {

constexpr int inset = 32;
constexpr int topicTop = 54;
constexpr int topicMenuKeys = 9;

NotesStore& store()
{
    return NotesStore::shared();
}

}  // namespace

NotesPanel::NotesPanel(QWidget* parent)
    : FlippedView(parent)
    , m_topic(new LUButton(QString(), 10, false, {}, this))
    , m_renameField(new LUField(QStringLiteral("topic"), this))
    , m_text(new NotesTextView(this))
    , m_insert(new LUButton(QStringLiteral("insert  alt+\u21b5"), 10, true, {}, this))
    , m_keys(new LULabel(QStringLiteral("ctrl+1\u20135 topic \u00b7 ctrl+j hide"), 10, false, 1.5, 1, this))
    , m_line(new DashedLine(true, this))
    , m_headLine(new DashedLine(false, this))
{
    m_topic->setObjectName(QStringLiteral("topic"));
    m_renameField->setObjectName(QStringLiteral("renameField"));
    m_text->setObjectName(QStringLiteral("text"));
    m_insert->setObjectName(QStringLiteral("insert"));
    m_keys->setObjectName(QStringLiteral("keys"));
    m_line->setObjectName(QStringLiteral("line"));
    m_headLine->setObjectName(QStringLiteral("headLine"));
    m_line->marks = true;
    m_topic->setKern(1.5);
    m_renameField->hide();

    m_topic->action = [this] {
        QMenu* menu = topicMenu().release();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_topic->mapToGlobal(QPoint(0, m_topic->height())));
    };
    m_topic->contextMenu = [this] { return topicMenu(); };
    m_insert->action = [this] { insertCurrent(); };
    m_text->onInsert = [this] { insertCurrent(); };
    connect(m_text, &QTextEdit::textChanged, this, &NotesPanel::textEdited);
    connect(m_renameField, &QLineEdit::editingFinished, this, &NotesPanel::endRename);

    auto& center = NotificationCenter::shared();
    center.observe(Theme::changed, this, [this](QObject*) { themeChanged(); });
    center.observe(NotesStore::changed, this, [this](QObject* sender) {
        if (sender == &store())
            notesChanged();
    });

    const int last = int(store().notes().size()) - 1;
    themeChanged();
    showTopic(std::clamp(Prefs::shared().noteIndex(), 0, std::max(last, 0)));
}

int NotesPanel::indexOf(const QString& noteID) const
{
    const QList<Note>& notes = store().notes();
    const auto found = std::find_if(notes.begin(), notes.end(), [&noteID](const Note& note) { return note.id == noteID; });
    return found == notes.end() ? -1 : int(found - notes.begin());
}

void NotesPanel::showTopic(int index)
{
    if (index < 0 || index >= store().notes().size())
        return;
    store().saveNow();
    Prefs::shared().setNoteIndex(index);
    display(index);
}

void NotesPanel::display(int index)
{
    const Note& note = store().notes().at(index);
    m_index = index;
    m_noteID = note.id;
    showTitle();
    m_loading = true;
    m_text->setText(note.text);
    m_loading = false;
    QTextCursor caret = m_text->textCursor();
    caret.movePosition(QTextCursor::Start);
    m_text->setTextCursor(caret);
}

void NotesPanel::showTitle()
{
    const QString title = store().notes().at(m_index).name + QStringLiteral("  \u2304");
    m_topic->setTitle(title);
    m_topic->setAccessibleLabel(title);
    layOut();
}

void NotesPanel::textEdited()
{
    if (m_loading)
        return;
    const int index = indexOf(m_noteID);
    if (index < 0)
        return;
    const QString text = m_text->text();
    // A new look restyles the text without changing it.
    if (store().notes().at(index).text != text)
        store().setText(index, text);
}

// Another window (or this one) saved the notes: find our topic again by its id, and take over
// text written elsewhere unless the user is typing here.
void NotesPanel::notesChanged()
{
    const QList<Note>& notes = store().notes();
    const int index = indexOf(m_noteID);
    if (index < 0) {
        display(std::clamp(m_index - 1, 0, int(notes.size()) - 1));
        return;
    }
    m_index = index;
    showTitle();
    if (m_text->hasFocus() || m_text->text() == notes.at(index).text)
        return;
    const int position = m_text->textCursor().position();
    m_loading = true;
    m_text->setText(notes.at(index).text);
    m_loading = false;
    QTextCursor caret = m_text->textCursor();
    caret.setPosition(std::min(position, int(m_text->document()->characterCount()) - 1));
    m_text->setTextCursor(caret);
}

void NotesPanel::insertCurrent()
{
    const QTextCursor caret = m_text->textCursor();
    const QString piece = caret.hasSelection() ? caret.selection().toPlainText() : caret.block().text();
    const QString trimmed = ComposeText::trimLineSpace(piece);
    if (!trimmed.isEmpty() && onInsert)
        onInsert(trimmed);
}

std::unique_ptr<QMenu> NotesPanel::topicMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    const QList<Note>& notes = store().notes();
    for (int i = 0; i < notes.size(); ++i) {
        auto* item = new ClosureMenuItem(notes[i].name, [this, i] { showTopic(i); }, menu.get());
        item->setCheckable(true);
        item->setChecked(i == m_index);
        // Shown only: the window's own keys do the switching.
        if (i < topicMenuKeys)
            item->setText(item->text() + QStringLiteral("\tctrl+") + QString::number(i + 1));
        menu->addAction(item);
    }
    menu->addSeparator();
    menu->addAction(new ClosureMenuItem(QStringLiteral("+ new topic"), [this] {
        showTopic(store().add());
        startRename();
    }, menu.get()));
    menu->addAction(new ClosureMenuItem(QStringLiteral("rename"), [this] { startRename(); }, menu.get()));
    if (notes.size() >= 2)
        menu->addAction(new ClosureMenuItem(QStringLiteral("remove this topic"), [this] { removeCurrent(); }, menu.get()));
    return menu;
}

void NotesPanel::startRename()
{
    m_renameField->setText(store().notes().at(m_index).name);
    m_topic->hide();
    m_renameField->show();
    m_renaming = true;
    m_renameField->setFocus();
    m_renameField->selectAll();
}

void NotesPanel::endRename()
{
    // Hiding the field ends its editing once more.
    if (!m_renaming || m_renameField->isHidden())
        return;
    m_renaming = false;
    const int index = indexOf(m_noteID);
    store().rename(index, m_renameField->text().toUpper());
    m_renameField->hide();
    m_topic->show();
    showTopic(indexOf(m_noteID));
    m_text->setFocus();
}

QCoro::Task<> NotesPanel::removeCurrent()
{
    QPointer<NotesPanel> self(this);
    const int index = indexOf(m_noteID);
    if (index < 0)
        co_return;
    const QString noteID = m_noteID;
    Alert alert;
    alert.message = loc(QStringLiteral("Remove the topic ") + store().notes().at(index).name + u'?');
    alert.informative = loc(QStringLiteral("Its note is deleted from this computer."));
    alert.buttons = {loc(QStringLiteral("Remove")), loc(QStringLiteral("Cancel"))};
    const int answer = co_await Alerts::ask(window(), alert);
    if (!self || answer != 0)
        co_return;
    // The topic asked about, wherever another window has moved it meanwhile.
    const int now = indexOf(noteID);
    if (now < 0)
        co_return;
    store().remove(now);
    showTopic(std::max(now - 1, 0));
}

void NotesPanel::resizeEvent(QResizeEvent*)
{
    layOut();
}

void NotesPanel::layOut()
{
    const int w = width(), h = height();
    const QSize topicSize = m_topic->sizeHint();
    m_topic->setGeometry(inset, topicTop, std::max(0, std::min(topicSize.width(), w - 2 * inset)), topicSize.height());
    const int fieldHeight = m_renameField->sizeHint().height();
    m_renameField->setGeometry(inset, topicTop + (topicSize.height() - fieldHeight) / 2, std::max(0, w - 2 * inset), fieldHeight);
    const int headY = topicTop + topicSize.height() + 8;
    m_headLine->setGeometry(inset, headY, std::max(0, w - 2 * inset), 1);
    m_line->setGeometry(0, 0, 1, h);

    const QSize insertSize = m_insert->sizeHint();
    const int insertY = h - 24 - insertSize.height();
    m_insert->setGeometry(inset, insertY, insertSize.width(), insertSize.height());
    const int keysHeight = m_keys->sizeHint().height();
    const int keysLeft = std::max(inset + insertSize.width() + 16, w - inset - m_keys->sizeHint().width());
    m_keys->setGeometry(keysLeft, insertY + (insertSize.height() - keysHeight) / 2, std::max(0, w - inset - keysLeft), keysHeight);

    const int textTop = headY + 1 + 8;
    m_text->setGeometry(inset, textTop, std::max(0, w - inset - 24), std::max(0, insertY - 16 - textTop));
}

void NotesPanel::themeChanged()
{
    m_text->themeChanged();
    Theme::redrawAll(this);
}
