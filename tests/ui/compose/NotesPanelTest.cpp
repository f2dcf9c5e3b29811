// The notes panel over the shared notes store of a private home: which topic it shows, what it
// hands to the mail, the topic menu, and two panels (two compose windows) on the same store.
#include "core/Prefs.h"
#include "notes/NotesStore.h"
#include "support/TemporaryHome.h"
#include "ui/compose/NotesPanel.h"
#include "ui/compose/NotesTextView.h"
#include "ui/look/Alerts.h"
#include "ui/look/LUButton.h"
#include "ui/look/LUField.h"
#include "ui/look/LULabel.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QTest>
#include <QTextCursor>

#include <memory>

class NotesPanelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void firstTopicFromTheSetting_data();
    void firstTopicFromTheSetting();
    void insertsThePieceAtTheCaret_data();
    void insertsThePieceAtTheCaret();
    void altReturnInsertsAndAddsNoLine();
    void renameStoresCapitals();
    void newTopicOpensRename();
    void removeShowsTheTopicBefore_data();
    void removeShowsTheTopicBefore();
    void menuShowsNineKeys();
    void switchingWritesTheFileAtOnce();
    void twoPanelsFollowTheirTopic();
    void twoPanelsShareText();

private:
    NotesStore& store() { return NotesStore::shared(); }
    std::unique_ptr<NotesPanel> panel()
    {
        auto made = std::make_unique<NotesPanel>();
        made->resize(360, 700);
        made->show();
        return made;
    }
    // Topics T1, T2, … with the texts "text 1", "text 2", …
    void setTopics(int count)
    {
        while (store().notes().size() > 1)
            store().remove(1);
        store().rename(0, QStringLiteral("T1"));
        store().setText(0, QStringLiteral("text 1"));
        for (int i = 2; i <= count; ++i) {
            const int added = store().add();
            store().rename(added, QStringLiteral("T%1").arg(i));
            store().setText(added, QStringLiteral("text %1").arg(i));
        }
        store().saveNow();
    }
    QStringList namesInStore() const
    {
        QStringList names;
        for (const Note& note : NotesStore::shared().notes())
            names << note.name;
        return names;
    }
    QJsonArray file() const
    {
        QFile json(NotesStore::defaultFilePath());
        json.open(QIODevice::ReadOnly);
        return QJsonDocument::fromJson(json.readAll()).array();
    }
    static void select(NotesTextView* text, int from, int to)
    {
        QTextCursor cursor = text->textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        text->setTextCursor(cursor);
    }

    TemporaryHome m_home;
};

void NotesPanelTest::init()
{
    setTopics(3);
    Prefs::shared().setNoteIndex(0);
}

void NotesPanelTest::cleanup()
{
    Alerts::replace({});
}

void NotesPanelTest::firstTopicFromTheSetting_data()
{
    QTest::addColumn<int>("noteIndex");
    QTest::addColumn<int>("shown");
    QTest::newRow("second") << 1 << 1;
    QTest::newRow("7 with three topics shows the third") << 7 << 2;
    QTest::newRow("below zero shows the first") << -3 << 0;
}

void NotesPanelTest::firstTopicFromTheSetting()
{
    QFETCH(int, noteIndex);
    QFETCH(int, shown);
    Prefs::shared().setNoteIndex(noteIndex);
    auto notes = panel();
    QCOMPARE(notes->index(), shown);
    QCOMPARE(notes->topic()->title(), QStringLiteral("T%1  ⌄").arg(shown + 1));
    QCOMPARE(notes->text()->text(), QStringLiteral("text %1").arg(shown + 1));
    QCOMPARE(notes->text()->textCursor().position(), 0);
    QCOMPARE(notes->keys()->raw(), QStringLiteral("ctrl+1–5 topic · ctrl+j hide"));
    QCOMPARE(notes->insertButton()->title(), QStringLiteral("insert  alt+↵"));
}

void NotesPanelTest::insertsThePieceAtTheCaret_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");  // equal to `from`: no selection
    QTest::addColumn<QStringList>("inserted");
    // "first\n  second line  \n\n\tlast\n"
    QTest::newRow("caret mid-line: the whole line, trimmed") << 10 << 10 << QStringList{"second line"};
    QTest::newRow("caret at a line's end") << 5 << 5 << QStringList{"first"};
    QTest::newRow("empty line: nothing") << 22 << 22 << QStringList{};
    QTest::newRow("selection over lines, trimmed at both ends only") << 3 << 26 << QStringList{"st\n  second line  \n\n\tla"};
    QTest::newRow("selection of blanks: nothing") << 6 << 8 << QStringList{};
}

void NotesPanelTest::insertsThePieceAtTheCaret()
{
    QFETCH(int, from);
    QFETCH(int, to);
    store().setText(0, QStringLiteral("first\n  second line  \n\n\tlast\n"));
    auto notes = panel();
    QStringList inserted;
    notes->onInsert = [&](const QString& text) { inserted << text; };
    select(notes->text(), from, to);
    QTest::mouseClick(notes->insertButton(), Qt::LeftButton);
    QTEST(inserted, "inserted");
    QCOMPARE(store().notes()[0].text, QStringLiteral("first\n  second line  \n\n\tlast\n"));
}

void NotesPanelTest::altReturnInsertsAndAddsNoLine()
{
    auto notes = panel();
    QStringList inserted;
    notes->text()->setFocus();
    QTest::keyClick(notes->text(), Qt::Key_Return, Qt::AltModifier);  // no one to insert into: nothing
    QCOMPARE(notes->text()->text(), QStringLiteral("text 1"));
    notes->onInsert = [&](const QString& text) { inserted << text; };
    QTest::keyClick(notes->text(), Qt::Key_Enter, Qt::AltModifier | Qt::KeypadModifier);
    QCOMPARE(inserted, QStringList{"text 1"});
    QCOMPARE(notes->text()->text(), QStringLiteral("text 1"));
    QTest::keyClick(notes->text(), Qt::Key_Return);  // without alt, a line break as usual
    QCOMPARE(notes->text()->text(), QStringLiteral("\ntext 1"));
    QCOMPARE(inserted.size(), 1);
}

void NotesPanelTest::renameStoresCapitals()
{
    auto notes = panel();
    notes->startRename();
    LUField* field = notes->renameField();
    QVERIFY(field->isVisible());
    QVERIFY(notes->topic()->isHidden());
    QCOMPARE(field->selectedText(), QStringLiteral("T1"));
    QTest::keyClicks(field, QStringLiteral("groceries and ß"));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(store().notes()[0].name, QStringLiteral("GROCERIES AND SS"));
    QCOMPARE(notes->topic()->title(), QStringLiteral("GROCERIES AND SS  ⌄"));
    QVERIFY(field->isHidden());
    QVERIFY(notes->topic()->isVisible());
    QCOMPARE(file()[0].toObject().value("name").toString(), QStringLiteral("GROCERIES AND SS"));

    // A blank name keeps the old one.
    notes->startRename();
    field->setText(QStringLiteral("   "));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(store().notes()[0].name, QStringLiteral("GROCERIES AND SS"));
}

void NotesPanelTest::newTopicOpensRename()
{
    auto notes = panel();
    std::unique_ptr<QMenu> menu = notes->topicMenu();
    const QList<QAction*> items = menu->actions();
    const auto added = std::find_if(items.begin(), items.end(), [](QAction* item) { return item->text() == QStringLiteral("+ new topic"); });
    QVERIFY(added != items.end());
    (*added)->trigger();
    QCOMPARE(namesInStore(), (QStringList{"T1", "T2", "T3", "UNTITLED"}));
    QCOMPARE(notes->index(), 3);
    QCOMPARE(notes->text()->text(), QString());
    QVERIFY(notes->renameField()->isVisible());
    QCOMPARE(notes->renameField()->selectedText(), QStringLiteral("UNTITLED"));
    QCOMPARE(Prefs::shared().noteIndex(), 3);
}

void NotesPanelTest::removeShowsTheTopicBefore_data()
{
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<int>("nowShown");
    QTest::addColumn<QString>("nowText");
    QTest::newRow("the first: the new first") << 0 << 0 << QStringList{"T2", "T3"} << 0 << "text 2";
    QTest::newRow("the third: the second") << 2 << 0 << QStringList{"T1", "T2"} << 1 << "text 2";
    QTest::newRow("cancelled") << 1 << 1 << QStringList{"T1", "T2", "T3"} << 1 << "text 2";
}

void NotesPanelTest::removeShowsTheTopicBefore()
{
    QFETCH(int, shown);
    QFETCH(int, answer);
    auto notes = panel();
    notes->showTopic(shown);
    QList<Alert> asked;
    Alerts::replace([&](const Alert& alert) {
        asked << alert;
        return answer;
    });
    notes->removeCurrent();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].message, QStringLiteral("Remove the topic T%1?").arg(shown + 1));
    QCOMPARE(asked[0].informative, QStringLiteral("Its note is deleted from this computer."));
    QCOMPARE(asked[0].buttons, (QStringList{"Remove", "Cancel"}));
    QTEST(namesInStore(), "left");
    QTEST(notes->index(), "nowShown");
    QTEST(notes->text()->text(), "nowText");
    QCOMPARE(file().size(), store().notes().size());
}

void NotesPanelTest::menuShowsNineKeys()
{
    setTopics(10);
    auto notes = panel();
    notes->showTopic(4);
    std::unique_ptr<QMenu> menu = notes->topicMenu();
    const QList<QAction*> items = menu->actions();
    for (int i = 0; i < 10; ++i) {
        const QString expected = QStringLiteral("T%1").arg(i + 1) + (i < 9 ? QStringLiteral("\tctrl+%1").arg(i + 1) : QString());
        QCOMPARE(items[i]->text(), expected);
        QCOMPARE(items[i]->isChecked(), i == 4);
        QVERIFY(items[i]->shortcut().isEmpty());
    }
    QVERIFY(items[10]->isSeparator());
    QCOMPARE(items.last()->text(), QStringLiteral("remove this topic"));
    items[7]->trigger();
    QCOMPARE(notes->index(), 7);

    setTopics(1);
    menu = notes->topicMenu();
    QCOMPARE(menu->actions().last()->text(), QStringLiteral("rename"));  // the last topic stays
}

void NotesPanelTest::switchingWritesTheFileAtOnce()
{
    auto notes = panel();
    notes->text()->setFocus();
    QTest::keyClicks(notes->text(), QStringLiteral("abc"));
    QCOMPARE(store().notes()[0].text, QStringLiteral("abctext 1"));
    QCOMPARE(file()[0].toObject().value("text").toString(), QStringLiteral("text 1"));  // still waiting
    notes->showTopic(1);
    QCOMPARE(file()[0].toObject().value("text").toString(), QStringLiteral("abctext 1"));
    QCOMPARE(notes->text()->text(), QStringLiteral("text 2"));
}

// Another window's panel removes a topic before ours: ours keeps showing, and writing into,
// the topic it showed.
void NotesPanelTest::twoPanelsFollowTheirTopic()
{
    auto mine = panel();
    auto other = panel();
    mine->showTopic(2);
    other->showTopic(0);
    Alerts::replace([](const Alert&) { return 0; });
    other->removeCurrent();
    QCOMPARE(namesInStore(), (QStringList{"T2", "T3"}));
    QCOMPARE(mine->index(), 1);
    QCOMPARE(mine->topic()->title(), QStringLiteral("T3  ⌄"));
    QTest::keyClicks(mine->text(), QStringLiteral("x"));
    QCOMPARE(store().notes()[1].text, QStringLiteral("xtext 3"));
    QCOMPARE(store().notes()[0].text, QStringLiteral("text 2"));

    // Its own topic removed elsewhere: it shows the one before.
    other->showTopic(1);
    other->removeCurrent();
    QCOMPARE(namesInStore(), QStringList{"T2"});
    QCOMPARE(mine->index(), 0);
    QCOMPARE(mine->text()->text(), QStringLiteral("text 2"));
    QTest::keyClicks(mine->text(), QStringLiteral("y"));
    QCOMPARE(store().notes()[0].text, QStringLiteral("ytext 2"));
}

void NotesPanelTest::twoPanelsShareText()
{
    auto mine = panel();
    auto other = panel();
    mine->text()->clearFocus();
    other->text()->setFocus();
    QTest::keyClicks(other->text(), QStringLiteral("new "));
    store().saveNow();
    QCOMPARE(mine->text()->text(), QStringLiteral("new text 1"));
    // Renamed elsewhere: the new name shows here too.
    store().rename(0, QStringLiteral("RENAMED"));
    QCOMPARE(mine->topic()->title(), QStringLiteral("RENAMED  ⌄"));
}

QTEST_MAIN(NotesPanelTest)
#include "NotesPanelTest.moc"
