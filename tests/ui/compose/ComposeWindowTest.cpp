// The compose window driven as a user would, with no server behind it: the rows it fills in,
// the sending account, files, drops, its keys, notes, and the countdown before anything leaves.
#include "core/Prefs.h"
#include "notes/NotesStore.h"
#include "support/TemporaryHome.h"
#include "ui/compose/ComposeText.h"
#include "ui/compose/ComposeWindow.h"
#include "ui/compose/ComposeWindowController.h"
#include "ui/compose/DropGround.h"
#include "ui/compose/NotesPanel.h"
#include "ui/compose/NotesTextView.h"
#include "ui/compose/PlainTextView.h"
#include "ui/look/Beep.h"
#include "ui/look/Clock.h"
#include "ui/look/FieldRow.h"
#include "ui/look/FileDialogs.h"
#include "ui/look/LUButton.h"
#include "ui/look/LUField.h"
#include "ui/look/LULabel.h"
#include "ui/look/PlusButton.h"
#include "ui/look/ReduceMotion.h"
#include "ui/main/MainWindow.h"
#include "ui/main/MainWindowController.h"

#include <QAction>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QUrl>

namespace {

Account account(const QString& user)
{
    Account a;
    a.id = QStringLiteral("ACC-") + user.toUpper();
    a.email = user + QStringLiteral("@example.org");
    a.name = user;
    return a;
}

MailItem received(const QString& accountID)
{
    MailItem mail;
    mail.accountID = accountID;
    mail.uid = 7;
    mail.messageID = QStringLiteral("<m7@example.org>");
    mail.fromName = QStringLiteral("Ada");
    mail.fromEmail = QStringLiteral("ada@example.org");
    mail.subject = QStringLiteral("RE: engines");
    mail.date = QDateTime(QDate(2024, 3, 9), QTime(7, 5), Qt::LocalTime);
    return mail;
}

QKeyEvent keyEvent(int key, Qt::KeyboardModifiers modifiers, quint32 nativeModifiers = 0)
{
    return QKeyEvent(QEvent::KeyPress, key, modifiers, 0, 0, nativeModifiers);
}

}  // namespace

Q_DECLARE_METATYPE(ComposeWindow::Command)

class ComposeWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void layout();
    void fromButton_data();
    void fromButton();
    void replyPrefill_data();
    void replyPrefill();
    void files();
    void filesMenuRemoves();
    void oversizedFileIsLeftOutAndSaid();
    void drops_data();
    void drops();
    void keyOf_data();
    void keyOf();
    void windowKeysComeBeforeApplicationShortcuts();
    void attachKeyWithCapsLock();
    void topicKeyShowsPanelAndTopic();
    void noteInsertedAsOneStep_data();
    void noteInsertedAsOneStep();
    void notesWidenAndNarrowTheWindow();
    void twoWindowsDecideTheirOwnPanel();
    void countdown();
    void takeBackByKeyAndButton_data();
    void takeBackByKeyAndButton();
    void needsSomeoneInTo_data();
    void needsSomeoneInTo();
    void mainWindowOpensCompose();

private:
    ComposeWindowController* openNew(const std::optional<MailItem>& reply = std::nullopt, const std::optional<QString>& quoted = std::nullopt)
    {
        ComposeWindowController* compose = ComposeWindowController::open(reply, quoted);
        if (compose && !QTest::qWaitForWindowActive(compose->window()))
            qWarning("the compose window did not become active");
        return compose;
    }
    QString writeFile(const QString& name, qsizetype bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(bytes, 'x'));
        return path;
    }
    void setTopics(int count)
    {
        NotesStore& notes = NotesStore::shared();
        while (notes.notes().size() > 1)
            notes.remove(1);
        notes.rename(0, QStringLiteral("T1"));
        notes.setText(0, QStringLiteral("one"));
        for (int i = 2; i <= count; ++i) {
            const int added = notes.add();
            notes.rename(added, QStringLiteral("T%1").arg(i));
            notes.setText(added, QStringLiteral("text %1").arg(i));
        }
        notes.saveNow();
    }

    TemporaryHome m_home;
    QTemporaryDir m_dir;
    double m_now = 100;
};

void ComposeWindowTest::initTestCase()
{
    ReduceMotion::replace(true);
    Clock::replace([this] { return m_now; });
}

void ComposeWindowTest::init()
{
    Prefs::shared().setAccounts({account("first")});
    Prefs::shared().setNotesVisible(false);
    setTopics(1);
}

void ComposeWindowTest::cleanup()
{
    FileDialogs::replace({});
    const QList<ComposeWindowController*> open = ComposeWindowController::windows();
    for (ComposeWindowController* compose : open)
        compose->window()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(ComposeWindowController::windows().isEmpty());
}

void ComposeWindowTest::layout()
{
    Prefs::shared().setNotesVisible(true);
    ComposeWindowController* compose = openNew();
    QWidget* ground = compose->window()->ground();
    QTRY_COMPARE(ground->size(), QSize(1100, 700));
    const auto geometryOf = [&](const char* name) { return ground->findChild<QWidget*>(QString::fromLatin1(name))->geometry(); };
    // Six rows of 34 with 6 between, 48 in from the left and from the notes.
    const QList<FieldRow*> rows = ground->findChildren<FieldRow*>(Qt::FindDirectChildrenOnly);
    QCOMPARE(rows.size(), 6);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(rows[i]->geometry(), QRect(48, 54 + 40 * i, 1100 - 360 - 96, 34));
    QCOMPARE(geometryOf("notes"), QRect(740, 0, 360, 700));
    const QRect send = geometryOf("sendButton");
    QCOMPARE(send.right() + 1, 740 - 48);
    QCOMPARE(send.bottom() + 1, 700 - 22);
    const QRect body = geometryOf("body");
    QCOMPARE(body.topLeft(), QPoint(48, 288 + 8));
    QCOMPARE(body.right() + 1, 740 - 40);
    QCOMPARE(body.bottom() + 1 + 12 + 1 + 14, send.top());
    const QRect status = geometryOf("status");
    QCOMPARE(status.left(), 48);
    QVERIFY(status.right() + 1 <= send.left() - 20);
    QVERIFY(qAbs(status.center().y() - send.center().y()) <= 1);
    QCOMPARE(compose->window()->windowTitle(), QStringLiteral("write"));
    QCOMPARE(compose->status()->raw(), QStringLiteral("ctrl+↵ send · you get 5 seconds to take it back · ctrl+shift+a or drop files to attach"));
    QCOMPARE(compose->filesButton()->title(), QStringLiteral("+ add"));
    QCOMPARE(compose->to()->hasFocus(), true);
}

void ComposeWindowTest::fromButton_data()
{
    QTest::addColumn<int>("accounts");
    QTest::addColumn<QString>("replyAccount");  // empty: a new mail
    QTest::addColumn<QStringList>("titles");     // at first, then after each click
    QTest::newRow("one account: no turn sign, a click changes nothing")
        << 1 << "" << QStringList{"first@example.org", "first@example.org"};
    QTest::newRow("two accounts: the sign, clicks cycle and wrap")
        << 2 << "" << QStringList{"first@example.org   ↻", "second@example.org   ↻", "first@example.org   ↻"};
    QTest::newRow("a reply stays on its own account")
        << 2 << "ACC-SECOND" << QStringList{"second@example.org", "second@example.org"};
    QTest::newRow("a reply from an account no longer there")
        << 2 << "ACC-GONE" << QStringList{"first@example.org", "first@example.org"};
}

void ComposeWindowTest::fromButton()
{
    QFETCH(int, accounts);
    QFETCH(QString, replyAccount);
    QFETCH(QStringList, titles);
    QList<Account> list{account("first"), account("second")};
    Prefs::shared().setAccounts(list.first(accounts));
    ComposeWindowController* compose = openNew(replyAccount.isEmpty() ? std::nullopt : std::optional<MailItem>(received(replyAccount)));
    LUButton* from = compose->fromButton();
    QCOMPARE(from->title(), titles[0]);
    for (qsizetype i = 1; i < titles.size(); ++i) {
        QTest::mouseClick(from, Qt::LeftButton);
        QCOMPARE(from->title(), titles[i]);
    }
    QCOMPARE(from->accessibleTitle(), titles.last());
}

void ComposeWindowTest::replyPrefill_data()
{
    QTest::addColumn<QString>("replyTo");
    QTest::addColumn<std::optional<QString>>("quoted");
    QTest::addColumn<QString>("to");
    QTest::newRow("from the list goes to the sender") << "" << std::optional<QString>() << "ada@example.org";
    QTest::newRow("with Reply-To goes there") << "desk@example.org" << std::optional<QString>("one\ntwo") << "desk@example.org";
}

void ComposeWindowTest::replyPrefill()
{
    QFETCH(QString, replyTo);
    QFETCH(std::optional<QString>, quoted);
    MailItem mail = received(account("first").id);
    mail.replyTo = replyTo;
    ComposeWindowController* compose = openNew(mail, quoted);
    QTEST(compose->to()->text(), "to");
    QCOMPARE(compose->subject()->text(), QStringLiteral("RE: engines"));
    QCOMPARE(compose->body()->text(), ComposeText::replyBody(mail, quoted));
    // Written above the quote: the caret at the very beginning, the text in focus.
    QVERIFY(compose->body()->hasFocus());
    QCOMPARE(compose->body()->textCursor().position(), 0);
}

void ComposeWindowTest::files()
{
    ComposeWindowController* compose = openNew();
    compose->addFiles({writeFile("a.pdf", 8 << 20), writeFile("b.pdf", 8 << 20), m_dir.filePath("missing.pdf"), writeFile("c.pdf", 8 << 20)});
    QCOMPARE(compose->filesButton()->title(), QStringLiteral("3 · 24.0 mb · a.pdf, b.pdf, c.pdf   ⌄"));
    QCOMPARE(compose->status()->raw(), QStringLiteral("! more than 20 mb – many mail servers refuse that"));
    QVERIFY(!compose->status()->dimmed());
    QCOMPARE(compose->files()[0].type, QStringLiteral("application/pdf"));
    QCOMPARE(compose->files()[0].data.size(), 8 << 20);

    compose->addFiles({writeFile("notes.txt", 3), writeFile("blob.zzqx", 3)});
    QCOMPARE(compose->files().size(), 5);
    QCOMPARE(compose->files()[3].type, QStringLiteral("text/plain"));
    QCOMPARE(compose->files()[4].type, QStringLiteral("application/octet-stream"));
}

void ComposeWindowTest::filesMenuRemoves()
{
    int asked = 0;
    FileDialogs::replace([&](const FileRequest& request) {
        ++asked;
        return request.kind == FileRequest::Kind::openMany ? QStringList{writeFile("picked.txt", 2048)} : QStringList{};
    });
    ComposeWindowController* compose = openNew();
    // With no files the button picks at once.
    QTest::mouseClick(compose->filesButton(), Qt::LeftButton);
    QCOMPARE(asked, 1);
    compose->addFiles({writeFile("big.bin", 21 << 20)});
    std::unique_ptr<QMenu> menu = compose->makeFilesMenu();
    QStringList titles;
    for (QAction* item : menu->actions())
        titles << (item->isSeparator() ? QStringLiteral("--") : item->text());
    QCOMPARE(titles, (QStringList{"add file …", "--", "remove  picked.txt  · 2 kb", "remove  big.bin  · 21.0 mb"}));
    menu->actions().last()->trigger();
    QCOMPARE(compose->filesButton()->title(), QStringLiteral("1 · 2 kb · picked.txt   ⌄"));
    // The warning stays once given.
    QCOMPARE(compose->status()->raw(), QStringLiteral("! more than 20 mb – many mail servers refuse that"));
    menu->actions()[0]->trigger();
    QCOMPARE(asked, 2);
    QCOMPARE(compose->files().size(), 2);
}

void ComposeWindowTest::oversizedFileIsLeftOutAndSaid()
{
    ComposeWindowController* compose = openNew();
    const QString huge = m_dir.filePath(QStringLiteral("huge.iso"));
    QFile sparse(huge);
    QVERIFY(sparse.open(QIODevice::WriteOnly));
    QVERIFY(sparse.resize(ComposeWindowController::largestFile + 1));  // no blocks written
    sparse.close();
    compose->addFiles({huge, writeFile("small.txt", 5)});
    QCOMPARE(compose->files().size(), 1);
    QCOMPARE(compose->files()[0].name, QStringLiteral("small.txt"));
    QCOMPARE(compose->status()->raw(), QStringLiteral("! left out, larger than 1 gb: huge.iso"));
    QVERIFY(!compose->status()->dimmed());
}

void ComposeWindowTest::drops_data()
{
    QTest::addColumn<bool>("files");
    QTest::addColumn<bool>("text");
    QTest::newRow("files") << true << false;
    QTest::newRow("files with their paths as text") << true << true;
    QTest::newRow("plain text is no file") << false << true;
}

// Dropped on the text: files pass through to the window, text goes into the mail.
void ComposeWindowTest::drops()
{
    QFETCH(bool, files);
    QFETCH(bool, text);
    ComposeWindowController* compose = openNew();
    const QString path = writeFile("dropped.txt", 4);
    QMimeData data;
    if (files)
        data.setUrls({QUrl::fromLocalFile(path), QUrl(QStringLiteral("https://example.org/page"))});
    if (text)
        data.setText(QStringLiteral("dropped words"));
    QCOMPARE(DropGround::filePaths(&data), files ? QStringList{path} : QStringList{});

    QWidget* viewport = compose->body()->viewport();
    const QPoint at(20, 20);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &move);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &drop);
    QCOMPARE(compose->files().size(), files ? 1 : 0);
    QCOMPARE(compose->body()->text(), files ? QString() : QStringLiteral("dropped words"));
}

void ComposeWindowTest::keyOf_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("capsLock");
    QTest::addColumn<ComposeWindow::Command>("command");
    QTest::addColumn<int>("topic");
    using C = ComposeWindow::Command;
    const int ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier, alt = Qt::AltModifier;
    QTest::newRow("ctrl+return") << int(Qt::Key_Return) << ctrl << false << C::send << -1;
    QTest::newRow("ctrl+keypad enter") << int(Qt::Key_Enter) << (ctrl | int(Qt::KeypadModifier)) << false << C::send << -1;
    QTest::newRow("ctrl+alt+return, caps lock on") << int(Qt::Key_Return) << (ctrl | alt) << true << C::send << -1;
    QTest::newRow("return alone") << int(Qt::Key_Return) << 0 << false << C::none << -1;
    QTest::newRow("ctrl+shift+a") << int(Qt::Key_A) << (ctrl | shift) << false << C::attach << -1;
    QTest::newRow("ctrl+shift+a with caps lock") << int(Qt::Key_A) << (ctrl | shift) << true << C::none << -1;
    QTest::newRow("ctrl+alt+shift+a") << int(Qt::Key_A) << (ctrl | shift | alt) << false << C::none << -1;
    QTest::newRow("ctrl+a") << int(Qt::Key_A) << ctrl << false << C::none << -1;
    QTest::newRow("ctrl+j") << int(Qt::Key_J) << ctrl << false << C::toggleNotes << -1;
    QTest::newRow("ctrl+shift+j") << int(Qt::Key_J) << (ctrl | shift) << false << C::none << -1;
    QTest::newRow("ctrl+1") << int(Qt::Key_1) << ctrl << false << C::noteTopic << 0;
    QTest::newRow("ctrl+9") << int(Qt::Key_9) << ctrl << false << C::noteTopic << 8;
    QTest::newRow("ctrl+0") << int(Qt::Key_0) << ctrl << false << C::none << -1;
    QTest::newRow("ctrl+3 with caps lock") << int(Qt::Key_3) << ctrl << true << C::none << -1;
    QTest::newRow("escape") << int(Qt::Key_Escape) << 0 << false << C::escape << -1;
}

void ComposeWindowTest::keyOf()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, capsLock);
    const QKeyEvent event = keyEvent(key, Qt::KeyboardModifiers(modifiers), capsLock ? 0x2 : 0);
    const ComposeWindow::Key found = ComposeWindow::keyOf(event);
    QTEST(found.command, "command");
    QTEST(found.topic, "topic");
}

void ComposeWindowTest::windowKeysComeBeforeApplicationShortcuts()
{
    QWidget other;
    QAction shortcut(&other);
    shortcut.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_J));
    shortcut.setShortcutContext(Qt::ApplicationShortcut);
    other.addAction(&shortcut);
    int fired = 0;
    connect(&shortcut, &QAction::triggered, this, [&] { ++fired; });
    ComposeWindowController* compose = openNew();
    QVERIFY(QTest::qWaitForWindowActive(compose->window()));
    QTest::keyClick(compose->subject(), Qt::Key_J, Qt::ControlModifier);
    QCOMPARE(fired, 0);
    QVERIFY(compose->notesShown());
}

void ComposeWindowTest::attachKeyWithCapsLock()
{
    int asked = 0;
    FileDialogs::replace([&](const FileRequest&) {
        ++asked;
        return QStringList{};
    });
    ComposeWindowController* compose = openNew();
    QKeyEvent locked = keyEvent(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier, 0x2);
    QCoreApplication::sendEvent(compose->to(), &locked);
    QCOMPARE(asked, 0);
    QTest::keyClick(compose->to(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(asked, 1);
    QCOMPARE(compose->to()->text(), QString());  // consumed, not typed
}

void ComposeWindowTest::topicKeyShowsPanelAndTopic()
{
    setTopics(3);
    ComposeWindowController* compose = openNew();
    QVERIFY(!compose->notesShown());
    QTest::keyClick(compose->to(), Qt::Key_3, Qt::ControlModifier);
    QVERIFY(compose->notesShown());
    QVERIFY(compose->notes()->isVisible());
    QCOMPARE(compose->notes()->index(), 2);
    QCOMPARE(compose->notes()->text()->text(), QStringLiteral("text 3"));
    QCOMPARE(Prefs::shared().noteIndex(), 2);
    // A topic that is not there leaves the shown one.
    QTest::keyClick(compose->to(), Qt::Key_7, Qt::ControlModifier);
    QCOMPARE(compose->notes()->index(), 2);
    QVERIFY(compose->notesShown());
}

void ComposeWindowTest::noteInsertedAsOneStep_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("newLine");
    QTest::addColumn<int>("caretFromEnd");
    QTest::addColumn<QString>("expected");
    QTest::newRow("mid-line starts a new line") << "hello world" << false << 6 << "hello\nNOTE world";
    QTest::newRow("right after typing") << "hello" << false << 0 << "hello\nNOTE";
    QTest::newRow("at the start of a line") << "hello" << true << 0 << "hello\nNOTE";
    QTest::newRow("at the very start") << "hello" << false << 5 << "NOTEhello";
}

void ComposeWindowTest::noteInsertedAsOneStep()
{
    QFETCH(QString, typed);
    QFETCH(bool, newLine);
    QFETCH(int, caretFromEnd);
    ComposeWindowController* compose = openNew();
    PlainTextView* body = compose->body();
    body->setFocus();
    QTest::keyClicks(body, typed);
    if (newLine)
        QTest::keyClick(body, Qt::Key_Return);
    for (int i = 0; i < caretFromEnd; ++i)
        QTest::keyClick(body, Qt::Key_Left);
    const QString before = body->text();
    compose->insertNote(QStringLiteral("NOTE"));
    QTEST(body->text(), "expected");
    QCOMPARE(compose->status()->raw(), QStringLiteral("inserted from notes · ctrl+z takes it back"));
    QVERIFY(body->hasFocus());
    // One step back removes the whole note and nothing typed before it.
    QTest::keyClick(body, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(body->text(), before);
}

void ComposeWindowTest::notesWidenAndNarrowTheWindow()
{
    ComposeWindowController* compose = openNew();
    ComposeWindow* window = compose->window();
    QCOMPARE(window->size(), QSize(720, 700));
    QCOMPARE(window->minimumSize(), QSize(520, 520));
    compose->toggleNotes();
    QCOMPARE(window->size(), QSize(1080, 700));
    QCOMPARE(window->minimumSize(), QSize(880, 520));
    QVERIFY(Prefs::shared().notesVisible());
    QVERIFY(compose->notes()->text()->hasFocus());
    QCOMPARE(compose->notes()->geometry(), QRect(1080 - 360, 0, 360, 700));
    compose->toggleNotes();
    QCOMPARE(window->size(), QSize(720, 700));
    QCOMPARE(window->minimumSize(), QSize(520, 520));
    QVERIFY(!Prefs::shared().notesVisible());
    QVERIFY(compose->notes()->isHidden());
    QVERIFY(compose->body()->hasFocus());
}

// The setting is shared; what a window does with its own panel must not follow another's.
void ComposeWindowTest::twoWindowsDecideTheirOwnPanel()
{
    ComposeWindowController* first = openNew();
    ComposeWindowController* second = openNew();
    first->toggleNotes();
    QVERIFY(Prefs::shared().notesVisible());
    second->toggleNotes();
    QVERIFY(second->notesShown());
    QCOMPARE(second->window()->width(), 1080);
    QVERIFY(Prefs::shared().notesVisible());

    ComposeWindowController* third = openNew();  // opened wide: the setting says so
    QCOMPARE(third->window()->width(), 1100);
    first->toggleNotes();
    QVERIFY(!Prefs::shared().notesVisible());
    // A topic key on a window whose panel shows keeps it shown, whatever the setting says.
    QTest::keyClick(third->to(), Qt::Key_1, Qt::ControlModifier);
    QVERIFY(third->notesShown());
    QCOMPARE(third->window()->width(), 1100);
}

void ComposeWindowTest::countdown()
{
    ComposeWindowController* compose = openNew();
    compose->to()->setText(QStringLiteral("ada@example.org"));
    QTest::keyClick(compose->body(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(compose->countdown(), 5);
    QCOMPARE(compose->status()->raw(), QStringLiteral("sending in 5 · esc takes it back"));
    QVERIFY(!compose->status()->dimmed());
    QCOMPARE(compose->sendButton()->title(), QStringLiteral("take back"));
    QCOMPARE(compose->sendButton()->accessibleTitle(), QStringLiteral("take back"));
    QCOMPARE(compose->window()->focusWidget(), nullptr);
    for (const int left : {4, 3, 2}) {
        m_now += 1;
        QTRY_COMPARE(compose->countdown(), left);
        QCOMPARE(compose->status()->raw(), QStringLiteral("sending in %1 · esc takes it back").arg(left));
        // Pressing again changes nothing.
        QTest::keyClick(compose->window(), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(compose->countdown(), left);
    }
    QTest::qWait(200);  // no tick without the clock moving
    QCOMPARE(compose->countdown(), 2);
    compose->takeBack();
}

void ComposeWindowTest::takeBackByKeyAndButton_data()
{
    QTest::addColumn<bool>("button");
    QTest::newRow("escape") << false;
    QTest::newRow("send button") << true;
}

void ComposeWindowTest::takeBackByKeyAndButton()
{
    QFETCH(bool, button);
    ComposeWindowController* compose = openNew();
    compose->to()->setText(QStringLiteral("ada@example.org"));
    // Escape with no countdown leaves the status as it is.
    QTest::keyClick(compose->to(), Qt::Key_Escape);
    QCOMPARE(compose->status()->raw(), QStringLiteral("ctrl+↵ send · you get 5 seconds to take it back · ctrl+shift+a or drop files to attach"));
    QTest::mouseClick(compose->sendButton(), Qt::LeftButton);
    QCOMPARE(compose->countdown(), 5);
    m_now += 1;
    QTRY_COMPARE(compose->countdown(), 4);
    if (button)
        QTest::mouseClick(compose->sendButton(), Qt::LeftButton);
    else
        QTest::keyClick(compose->window(), Qt::Key_Escape);
    QCOMPARE(compose->countdown(), 0);
    QCOMPARE(compose->status()->raw(), QStringLiteral("taken back. nothing was sent."));
    QVERIFY(compose->status()->dimmed());
    QCOMPARE(compose->sendButton()->title(), QStringLiteral("send  ctrl+↵"));
    QVERIFY(compose->body()->hasFocus());
    m_now += 10;
    QTest::qWait(150);
    QVERIFY(!compose->sending());
    QCOMPARE(compose->status()->raw(), QStringLiteral("taken back. nothing was sent."));
}

void ComposeWindowTest::needsSomeoneInTo_data()
{
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("cc");
    QTest::addColumn<QString>("bcc");
    QTest::newRow("nothing") << "" << "" << "";
    QTest::newRow("bcc alone") << "" << "" << "ada@example.org";
    QTest::newRow("cc alone") << "" << "ada@example.org" << "";
    QTest::newRow("a name without address") << "Ada" << "" << "";
}

void ComposeWindowTest::needsSomeoneInTo()
{
    QFETCH(QString, to);
    QFETCH(QString, cc);
    QFETCH(QString, bcc);
    ComposeWindowController* compose = openNew();
    compose->subject()->setFocus();
    compose->to()->setText(to);
    compose->cc()->setText(cc);
    compose->bcc()->setText(bcc);
    QTest::keyClick(compose->subject(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(compose->countdown(), 0);
    QCOMPARE(compose->status()->raw(), QStringLiteral("! who is it for?"));
    QVERIFY(!compose->status()->dimmed());
    QVERIFY(compose->to()->hasFocus());
}

void ComposeWindowTest::mainWindowOpensCompose()
{
    int beeps = 0;
    Beep::replace([&] { ++beeps; });
    MainWindowController main;
    QTest::mouseClick(main.window()->findChild<PlusButton*>(), Qt::LeftButton);
    QCOMPARE(ComposeWindowController::windows().size(), 1);
    const MailItem mail = received(account("first").id);
    main.onReply(mail, QStringLiteral("quoted"));
    QCOMPARE(ComposeWindowController::windows().size(), 2);
    QCOMPARE(ComposeWindowController::windows()[1]->body()->text(), ComposeText::replyBody(mail, QStringLiteral("quoted")));
    QCOMPARE(beeps, 0);

    // Without an account there is nothing to write from: the way to add one, or the beep.
    Prefs::shared().setAccounts({});
    main.onForward(mail);
    QCOMPARE(beeps, 1);
    int asked = 0;
    main.onAddAccount = [&] { ++asked; };
    main.onNewMail();
    QCOMPARE(asked, 1);
    QCOMPARE(ComposeWindowController::windows().size(), 2);
    Beep::replace({});
}

QTEST_MAIN(ComposeWindowTest)
#include "ComposeWindowTest.moc"
