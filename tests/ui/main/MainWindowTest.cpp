#include "core/MailStore.h"
#include "core/Prefs.h"
#include "game/PongField.h"
#include "game/PongView.h"
#include "support/Screen.h"
#include "support/TemporaryHome.h"
#include "ui/look/AboutWindowController.h"
#include "ui/look/Beep.h"
#include "ui/look/FileDialogs.h"
#include "ui/look/LUField.h"
#include "ui/look/LULabel.h"
#include "ui/look/PlusButton.h"
#include "ui/look/Theme.h"
#include "ui/list/MailListView.h"
#include "ui/list/MailTable.h"
#include "ui/main/App.h"
#include "ui/main/MainWindow.h"
#include "ui/main/MainWindowController.h"
#include "ui/main/ReaderTextView.h"
#include "ui/main/ReaderView.h"
#include "ui/main/Sidebar.h"
#include "ui/settings/AccountWindowController.h"
#include "ui/look/LUButton.h"

#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

// The main window driven as a user would: keys, typing, menus, with the store of a private home.
class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void layout();
    void statusGivesWayFirst();
    void lightDarkFlipsAlsoWhenNeverStored();
    void selectAll_data();
    void selectAll();
    void search();
    void returnAndDownGoToTheList_data();
    void returnAndDownGoToTheList();
    void languageRebuildsTheMenuBar();
    void aboutIsOneWindow();
    void openingAFileThatIsNoMailBeeps();
    void screensToggle();
    void sidebarHighlightsOnlyTheListsView();
    void readerActsOnTheMail_data();
    void readerActsOnTheMail();
    void readerRepliesAndForwards();

private:
    MainWindowController& main() { return *m_app->mainController(); }
    QWidget* window() { return main().window(); }
    void type(const QString& text) { QTest::keyClicks(main().searchField(), text); }
    // The reader on show; readers left earlier wait hidden for their deletion.
    ReaderView* reader()
    {
        for (ReaderView* view : window()->findChildren<ReaderView*>(QStringLiteral("reader")))
            if (!view->isHidden())
                return view;
        return nullptr;
    }
    void fillStore(int count);

    TemporaryHome m_home;
    std::unique_ptr<App> m_app;
};

void MainWindowTest::initTestCase()
{
    Beep::replace([] {});
    m_app = std::make_unique<App>();
    m_app->start();
    // A first start without accounts asks for one.
    QVERIFY(AccountWindowController::current());
    QVERIFY(AccountWindowController::current()->isVisible());
    AccountWindowController::current()->close();
    window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window()));
}

// The server searches that typing started end on their own within their 0.6 s wait.
void MainWindowTest::cleanupTestCase()
{
    QTest::qWait(800);
}

void MainWindowTest::init()
{
    main().showList();
    main().searchField()->clear();
    QTest::keyClick(main().searchField(), Qt::Key_Escape);
    fillStore(0);
    window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window()));
}

void MainWindowTest::fillStore(int count)
{
    std::vector<MailItem> mails(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        mails[size_t(i)].accountID = QStringLiteral("ACC");
        mails[size_t(i)].uid = i + 1;
        mails[size_t(i)].messageID = QStringLiteral("<%1@main.test>").arg(i);
        mails[size_t(i)].subject = QStringLiteral("subject %1").arg(i);
        mails[size_t(i)].fromEmail = QStringLiteral("a@b.example");
        mails[size_t(i)].date = QDateTime::currentDateTimeUtc();
    }
    MailStore::shared().replace(QStringLiteral("ACC"), mails);
    NotificationCenter::shared().post(MailStore::changed);
    QCoreApplication::processEvents();  // the list reloads once the posting turn is over
}

void MainWindowTest::layout()
{
    window()->resize(1280, 760);
    QWidget* root = static_cast<MainWindow*>(window())->centralWidget();
    QTRY_COMPARE(root->width(), 1280);
    const auto geometryOf = [&](const char* name) { return root->findChild<QWidget*>(QString::fromLatin1(name))->geometry(); };
    QCOMPARE(geometryOf("sidebar"), QRect(0, 52, 236, root->height() - 52));
    QCOMPARE(geometryOf("content"), QRect(237, 172, 1280 - 237, root->height() - 172));
    // The search starts 285 + 12.56 in, the plus stands 48 + 12.56 from the right, 24 below the bar.
    QCOMPARE(main().searchField()->parentWidget()->mapTo(root, QPoint()).x(), 298);
    const PlusButton* plus = root->findChild<PlusButton*>();
    QCOMPARE(plus->geometry().topLeft(), QPoint(1148, 76));
    const QWidget* settings = root->findChild<QWidget*>(QStringLiteral("settingsButton"));
    QCOMPARE(settings->geometry(), QRect(1148 + 36 - 16, 39 - 16, 32, 32));
}

void MainWindowTest::statusGivesWayFirst()
{
    LULabel* status = main().status();
    QWidget* underline = main().searchField()->parentWidget();
    status->set(QStringLiteral("! work@ could not log in: the server refused the password"));
    window()->resize(1290, 760);
    QTRY_VERIFY(status->width() >= status->sizeHint().width());
    const int wideUnderline = underline->width();
    window()->resize(780, 480);
    // At the minimum width the status is cut while the search keeps its room.
    QTRY_VERIFY(status->width() < status->sizeHint().width());
    QVERIFY(underline->width() >= 200 || underline->width() == wideUnderline);
    QVERIFY(status->geometry().right() < main().window()->width());
    status->set(QString());
    window()->resize(1280, 760);
}

void MainWindowTest::lightDarkFlipsAlsoWhenNeverStored()
{
    QVERIFY(!QFile::exists(Prefs::defaultFilePath()) || !Prefs::shared().dark());
    const bool before = Prefs::shared().dark();
    QTest::keyClick(window(), Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(Prefs::shared().dark(), !before);
    QCOMPARE(QApplication::palette().color(QPalette::Window), Theme::ground());
    QTest::keyClick(window(), Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(Prefs::shared().dark(), before);
}

void MainWindowTest::selectAll_data()
{
    QTest::addColumn<bool>("inSearchField");
    QTest::addColumn<int>("mails");
    QTest::addColumn<bool>("everyMail");
    QTest::newRow("search field") << true << 3 << false;
    QTest::newRow("list with mails") << false << 3 << true;
    QTest::newRow("empty list") << false << 0 << false;
}

void MainWindowTest::selectAll()
{
    QFETCH(bool, inSearchField);
    QFETCH(int, mails);
    QFETCH(bool, everyMail);
    fillStore(mails);
    MailTable* table = main().list()->table();
    table->selectRow(0);
    if (inSearchField) {
        main().searchField()->setFocus();
        main().searchField()->setText(QStringLiteral("needle"));
        main().searchField()->deselect();
    } else {
        table->setFocus();
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(int(table->selectedRows().size()), everyMail ? mails : std::min(mails, 1));
    QCOMPARE(main().searchField()->selectedText(), inSearchField ? QStringLiteral("needle") : QString());
    main().searchField()->clear();
}

void MainWindowTest::search()
{
    main().searchField()->setFocus();
    QCOMPARE(main().drawer(), 0);
    type(QStringLiteral("   "));
    QCOMPARE(main().drawer(), 0);  // blanks are no search
    QCOMPARE(QApplication::focusWidget(), main().searchField());
    type(QStringLiteral("ne"));
    QCOMPARE(main().drawer(), MainWindowController::searchView);
    QCOMPARE(main().drawerBeforeSearch(), 0);
    QCOMPARE(MailStore::shared().query(), QStringLiteral("   ne"));
    QCOMPARE(QApplication::focusWidget(), main().searchField());
    type(QStringLiteral("edle"));
    QCOMPARE(main().drawerBeforeSearch(), 0);  // typing on in the search view keeps where it came from
    QTest::keyClick(main().searchField(), Qt::Key_Escape);
    QCOMPARE(main().searchField()->text(), QString());
    QCOMPARE(main().drawer(), 0);
    QCOMPARE(MailStore::shared().query(), QString());
    QCOMPARE(main().currentScreen(), MainWindowController::Screen::list);

    // From another screen a keystroke brings the list back with the search view.
    main().showSettings();
    main().searchField()->setFocus();
    type(QStringLiteral("x"));
    QCOMPARE(main().currentScreen(), MainWindowController::Screen::list);
    QCOMPARE(main().drawer(), MainWindowController::searchView);
    QTest::keyClick(main().searchField(), Qt::Key_Backspace);
    QCOMPARE(main().drawer(), 0);
}

void MainWindowTest::returnAndDownGoToTheList_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("return") << int(Qt::Key_Return);
    QTest::newRow("down") << int(Qt::Key_Down);
}

void MainWindowTest::returnAndDownGoToTheList()
{
    QFETCH(int, key);
    main().searchField()->setFocus();
    type(QStringLiteral("needle"));
    QTest::keyClick(main().searchField(), Qt::Key(key));
    QCOMPARE(QApplication::focusWidget(), main().list()->table());
    QCOMPARE(main().searchField()->text(), QStringLiteral("needle"));
    QCOMPARE(MailStore::shared().query(), QStringLiteral("needle"));
    QCOMPARE(main().drawer(), MainWindowController::searchView);
}

void MainWindowTest::languageRebuildsTheMenuBar()
{
    QMenuBar* bar = m_app->menuBar();
    QCOMPARE(bar->actions().value(1)->text(), QStringLiteral("File"));
    Screen::useLanguage(true);
    QCOMPARE(bar->actions().value(1)->text(), QStringLiteral("Datei"));
    QCOMPARE(bar->actions().value(5)->text(), QStringLiteral("Hilfe"));
    QCOMPARE(bar->actions().size(), 6);
    Screen::useLanguage(false);
    QCOMPARE(bar->actions().value(5)->text(), QStringLiteral("Help"));
}

void MainWindowTest::aboutIsOneWindow()
{
    AboutWindowController::show();
    QPointer<AboutWindowController> first = AboutWindowController::current();
    QVERIFY(first && first->isVisible());
    AboutWindowController::show();
    QCOMPARE(AboutWindowController::current(), first.data());
    QCOMPARE(first->size(), QSize(420, 380));
    QCOMPARE(first->windowTitle(), QStringLiteral("About LU.MARA"));
    first->close();
    QTRY_VERIFY(first.isNull());
    AboutWindowController::show();
    QVERIFY(AboutWindowController::current());
    QVERIFY(AboutWindowController::current()->isVisible());
    AboutWindowController::current()->close();
}

void MainWindowTest::openingAFileThatIsNoMailBeeps()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("picture.eml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\x89PNG\r\n\x1a\n not a mail at all");
    file.close();
    int beeps = 0;
    Beep::replace([&] { ++beeps; });
    FileDialogs::replace([&](const FileRequest& request) {
        return request.kind == FileRequest::Kind::openOne ? QStringList{path} : QStringList{};
    });
    main().openMailFile();
    QTRY_COMPARE(beeps, 1);
    QCOMPARE(main().currentScreen(), MainWindowController::Screen::list);
    FileDialogs::replace({});
    Beep::replace([] {});
}

void MainWindowTest::screensToggle()
{
    main().togglePong();
    QCOMPARE(main().currentScreen(), MainWindowController::Screen::game);
    auto* game = window()->findChild<PongView*>(QStringLiteral("pong"));
    QVERIFY(game && game->field()->running());
    main().togglePong();
    QCOMPARE(main().currentScreen(), MainWindowController::Screen::list);
    QVERIFY(!game->field()->running());  // leaving pauses the game
    main().togglePong();
    QCOMPARE(window()->findChild<PongView*>(QStringLiteral("pong")), game);  // kept, not rebuilt
    QVERIFY(game->field()->running());
    main().showSettings();
    QCOMPARE(main().currentScreen(), MainWindowController::Screen::settings);
    QVERIFY(!game->isVisible());
    QVERIFY(!game->field()->running());
    main().showSettings();
    QCOMPARE(main().currentScreen(), MainWindowController::Screen::list);
}

void MainWindowTest::sidebarHighlightsOnlyTheListsView()
{
    Sidebar* sidebar = main().sidebar();
    const auto highlighted = [sidebar] {
        QStringList names;
        for (const LUButton* button : sidebar->findChildren<LUButton*>())
            if (button->selected())
                names << button->objectName();
        return names.join(u',');
    };
    const auto storeChanged = [] { NotificationCenter::shared().post(MailStore::changed); };
    QCOMPARE(highlighted(), QStringLiteral("inButton"));
    QTest::mouseClick(sidebar->drawerButtons()[2].second, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(main().drawer(), 3);
    QCOMPARE(main().list()->drawer(), 3);
    QCOMPARE(highlighted(), QStringLiteral("drawer3"));
    main().togglePong();
    storeChanged();
    QCOMPARE(highlighted(), QString());
    main().togglePong();
    QCOMPARE(highlighted(), QStringLiteral("drawer3"));
    main().showSettings();
    storeChanged();
    QCOMPARE(highlighted(), QString());
    main().showSettings();
    main().searchField()->setFocus();
    type(QStringLiteral("needle"));
    storeChanged();
    QCOMPARE(highlighted(), QString());
    QTest::keyClick(main().searchField(), Qt::Key_Escape);
    QCOMPARE(highlighted(), QStringLiteral("drawer3"));
    QTest::mouseClick(sidebar->inButton(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(highlighted(), QStringLiteral("inButton"));
}

void MainWindowTest::readerActsOnTheMail_data()
{
    QTest::addColumn<bool>("scam");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("view");  // where the mail shows afterwards; -1 nowhere (done)
    QTest::newRow("3 files it") << false << int(Qt::Key_3) << 3;
    QTest::newRow("3 files it out of entropy") << true << int(Qt::Key_3) << 3;
    QTest::newRow("0 brings it back from entropy") << true << int(Qt::Key_0) << 0;
    QTest::newRow("x marks it done") << false << int(Qt::Key_X) << -1;
    QTest::newRow("e sends it to entropy") << false << int(Qt::Key_E) << int(MailStore::entropyView);
    QTest::newRow("escape leaves it") << false << int(Qt::Key_Escape) << 0;
    QTest::newRow("7 is no drawer") << false << int(Qt::Key_7) << 0;
}

void MainWindowTest::readerActsOnTheMail()
{
    QFETCH(bool, scam);
    QFETCH(int, key);
    QFETCH(int, view);
    MailItem mail;
    mail.accountID = QStringLiteral("ACC");
    mail.uid = 1;
    mail.messageID = QStringLiteral("<%1@reader.test>").arg(QString::fromLatin1(QTest::currentDataTag()).size());
    mail.fromEmail = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-') + QStringLiteral("@sender.example");
    mail.subject = QStringLiteral("to act on");
    mail.date = QDateTime::currentDateTimeUtc();
    MailStore::shared().replace(QStringLiteral("ACC"), {mail});
    if (scam)
        MailStore::shared().markScam(mail);
    main().open(mail);
    QCOMPARE(main().currentScreen(), MainWindowController::Screen::reader);
    QVERIFY(reader());
    QCOMPARE(QApplication::focusWidget(), reader()->textView());
    QTest::keyClick(reader()->textView(), Qt::Key(key));
    const bool stays = key == Qt::Key_7;
    QCOMPARE(main().currentScreen(), stays ? MainWindowController::Screen::reader : MainWindowController::Screen::list);
    QList<int> holding;
    for (const int shown : {0, 1, 2, 3, 4, 5, int(MailStore::entropyView)}) {
        const MailList list = MailStore::shared().items(shown);
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i].id() == mail.id())
                holding << shown;
    }
    QCOMPARE(holding, view < 0 ? QList<int>{} : QList<int>{view});
}

void MainWindowTest::readerRepliesAndForwards()
{
    fillStore(1);
    const MailItem mail = MailStore::shared().items(0)[0];
    int beeps = 0;
    Beep::replace([&] { ++beeps; });
    main().open(mail);
    ReaderTextView* text = reader()->textView();
    // Without an account to send from, reply asks for one first.
    QTest::keyClick(text, Qt::Key_R);
    QVERIFY(AccountWindowController::current() && AccountWindowController::current()->isVisible());
    AccountWindowController::current()->close();
    QStringList asked;
    main().onReply = [&](const MailItem& m, const std::optional<QString>& quoted) {
        asked << QStringLiteral("reply ") + m.subject + (quoted ? QStringLiteral(" quoting") : QString());
    };
    main().onForward = [&](const MailItem& m) { asked << QStringLiteral("forward ") + m.subject; };
    QTest::keyClick(text, Qt::Key_R);
    QTest::keyClick(text, Qt::Key_F);
    QCOMPARE(asked, (QStringList{"reply subject 0", "forward subject 0"}));  // nothing loaded to quote
    QCOMPARE(beeps, 0);
    main().onReply = {};
    main().onForward = {};
    Beep::replace([] {});
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
