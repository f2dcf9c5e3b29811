#include "ListFixture.h"
#include "core/NotificationCenter.h"
#include "core/Prefs.h"
#include "support/TemporaryHome.h"
#include "ui/list/MailColumns.h"
#include "ui/list/MailListView.h"
#include "ui/list/MailRowView.h"
#include "ui/list/MailTable.h"
#include "ui/list/SplitHandle.h"
#include "ui/list/TreeLines.h"
#include "ui/look/Alerts.h"
#include "ui/look/Beep.h"
#include "ui/look/L10n.h"
#include "ui/look/LULabel.h"
#include "ui/look/ReduceMotion.h"

#include <QAccessible>
#include <QMenu>
#include <QTest>
#include <QTextEdit>

using namespace ListFixture;

namespace {

// IN holds plain, hinted, two more and old (read), in this order; sent is in OUT, scam in ENTROPY,
// filed in drawer 3.
std::vector<MailItem> fixture()
{
    return {received(QStringLiteral("plain"), 1), hinted(QStringLiteral("hinted"), 2), sent(QStringLiteral("sent"), 3),
        received(QStringLiteral("scam"), 4), received(QStringLiteral("filed"), 5), received(QStringLiteral("old"), 9, true),
        received(QStringLiteral("third"), 6, true), received(QStringLiteral("fourth"), 7, true)};
}

MailItem mailNamed(const QString& key)
{
    for (const MailItem& mail : fixture())
        if (mail.fromName == key)
            return mail;
    return {};
}

QStringList titles(const QMenu& menu)
{
    QStringList result;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator())
            continue;
        result << action->text() + (action->isEnabled() ? QString() : QStringLiteral(" (off)"));
    }
    return result;
}

QAction* actionTitled(const QMenu& menu, const QString& title)
{
    for (QAction* action : menu.actions())
        if (action->text() == title)
            return action;
    return nullptr;
}

}  // namespace

// The list as the keyboard and the mouse drive it: every key in every view, the context menu,
// reloads that keep the selection, the table's selection and heights, the preview's layout.
class MailListTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void keys_data();
    void keys();
    void tableOffersKeys_data();
    void tableOffersKeys();
    void menu_data();
    void menu();
    void blockMenu_data();
    void blockMenu();
    void blockingASenderTakesItsTrust();
    void rightClickOutsideTheSelectionSelectsTheRow();
    void menuActsOnEverySelectedMail();
    void reloadKeepsTheMailSelected();
    void reloadAfterTheMailLeft_data();
    void reloadAfterTheMailLeft();
    void storeChangesInOneTurnMakeOneReload();
    void openWaitsForTheBallToSink();
    void emptyViewSaysNothing();
    void selection();
    void rowsAreAccessible();
    void openRowGrowsAndShrinks_data();
    void openRowGrowsAndShrinks();
    void layout_data();
    void layout();
    void splitHandleResizesThePreview();

private:
    int rowOf(const QString& key) const;
    void select(const QString& key) { m_list->table()->selectRow(rowOf(key)); }

    TemporaryHome m_home;
    std::unique_ptr<MailListView> m_list;
    QStringList m_calls;
    int m_beeps = 0;
    QList<Alert> m_alerts;
};

void MailListTest::initTestCase()
{
    Beep::replace([this] { ++m_beeps; });
    Alerts::replace([this](const Alert& alert) {
        m_alerts << alert;
        return 1;  // Cancel
    });
    Prefs::shared().setDrawerNames({QStringLiteral("FOCUS"), QStringLiteral("TAXES"), QStringLiteral("SAVED"),
        QStringLiteral("PROJECT"), QStringLiteral("LATER")});
    NotificationCenter::shared().observe(MailStore::changed, this, [this](QObject*) {
        if (m_list)
            m_list->reload();
    });
}

// The server searches of the search rows end on their own within their 0.6 s wait.
void MailListTest::cleanupTestCase()
{
    QTest::qWait(800);
}

void MailListTest::init()
{
    ReduceMotion::replace(true);
    Prefs::shared().setPreview(true);
    Prefs::shared().setPreviewRatio(0);
    resetStore(fixture());
    MailStore::shared().markScam(mailNamed(QStringLiteral("scam")));
    MailStore::shared().assign(mailNamed(QStringLiteral("filed")), 3);
    MailStore::shared().search(QString());
    m_calls.clear();
    m_beeps = 0;
    m_alerts.clear();
    m_list = std::make_unique<MailListView>();
    m_list->onOpen = [this](const MailItem& m) { m_calls << QStringLiteral("open ") + m.fromName; };
    m_list->onReply = [this](const MailItem& m) { m_calls << QStringLiteral("reply ") + m.fromName; };
    m_list->onForward = [this](const MailItem& m) { m_calls << QStringLiteral("forward ") + m.fromName; };
    m_list->resize(900, 588);
    m_list->show();
    m_list->configure(0);
}

void MailListTest::cleanup()
{
    m_list.reset();
}

int MailListTest::rowOf(const QString& key) const
{
    int row = 0;
    for (const MailItem& mail : m_list->items()) {
        if (mail.fromName == key)
            return row;
        ++row;
    }
    return -1;
}

void MailListTest::keys_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<QString>("mail");  // "" for no selected row
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("handled");
    QTest::addColumn<QString>("place");  // where the mail is afterwards
    QTest::addColumn<int>("beeps");
    QTest::addColumn<QString>("calls");

    QTest::newRow("IN: 3 files") << 0 << "plain" << "3" << true << "3" << 0 << "";
    QTest::newRow("IN: 7 is no drawer") << 0 << "plain" << "7" << false << "0" << 0 << "";
    QTest::newRow("IN: 0 does nothing") << 0 << "plain" << "0" << true << "0" << 0 << "";
    QTest::newRow("IN: x done") << 0 << "plain" << "x" << true << "-" << 0 << "";
    QTest::newRow("IN: e to ENTROPY") << 0 << "plain" << "e" << true << "9" << 0 << "";
    QTest::newRow("IN: t trusts") << 0 << "hinted" << "t" << true << "0" << 0 << "trusted";
    QTest::newRow("IN: r replies") << 0 << "plain" << "r" << true << "0" << 0 << "reply plain";
    QTest::newRow("IN: f forwards") << 0 << "plain" << "f" << true << "0" << 0 << "forward plain";
    QTest::newRow("IN: return opens") << 0 << "old" << "open" << true << "0" << 0 << "open old";
    QTest::newRow("IN: other letters pass") << 0 << "plain" << "q" << false << "0" << 0 << "";
    QTest::newRow("drawer 3: 3 keeps it") << 3 << "filed" << "3" << true << "3" << 0 << "";
    QTest::newRow("drawer 3: 0 back to IN") << 3 << "filed" << "0" << true << "0" << 0 << "";
    QTest::newRow("drawer 3: 5 files on") << 3 << "filed" << "5" << true << "5" << 0 << "";
    QTest::newRow("ENTROPY: 0 clears and trusts") << 9 << "scam" << "0" << true << "0" << 0 << "trusted";
    QTest::newRow("ENTROPY: 2 clears, trusts, files") << 9 << "scam" << "2" << true << "2" << 0 << "trusted";
    QTest::newRow("ENTROPY: e changes nothing") << 9 << "scam" << "e" << true << "9" << 0 << "";
    QTest::newRow("ENTROPY: x asks to delete") << 9 << "scam" << "x" << true << "9" << 0 << "alert";
    QTest::newRow("OUT: x hides") << 8 << "sent" << "x" << true << "-" << 0 << "";
    QTest::newRow("OUT: r replies") << 8 << "sent" << "r" << true << "8" << 0 << "reply sent";
    QTest::newRow("OUT: f passes") << 8 << "sent" << "f" << false << "8" << 0 << "";
    QTest::newRow("OUT: 1 passes") << 8 << "sent" << "1" << false << "8" << 0 << "";
    QTest::newRow("OUT: e on one's own mail beeps") << 8 << "sent" << "e" << true << "8" << 1 << "";
    QTest::newRow("search: 2 passes") << 7 << "plain" << "2" << false << "0" << 0 << "";
    QTest::newRow("search: f passes") << 7 << "plain" << "f" << false << "0" << 0 << "";
    QTest::newRow("search: e on received mail") << 7 << "plain" << "e" << true << "9" << 0 << "";
    QTest::newRow("search: e on sent mail beeps") << 7 << "sent" << "e" << true << "8" << 1 << "";
    QTest::newRow("search: t trusts") << 7 << "hinted" << "t" << true << "0" << 0 << "trusted";
    QTest::newRow("search: x done") << 7 << "old" << "x" << true << "-" << 0 << "";
    QTest::newRow("OUT: p toggles the preview") << 8 << "sent" << "p" << true << "8" << 0 << "preview";
    QTest::newRow("empty view: p toggles the preview") << 4 << "" << "p" << true << "" << 0 << "preview";
    QTest::newRow("empty view: other keys pass") << 4 << "" << "x" << false << "" << 0 << "";
}

void MailListTest::keys()
{
    QFETCH(int, view);
    QFETCH(QString, mail);
    QFETCH(QString, key);
    QFETCH(bool, handled);
    QFETCH(QString, place);
    QFETCH(int, beeps);
    QFETCH(QString, calls);
    if (view == MailStore::searchView)
        MailStore::shared().search(QStringLiteral("about"));
    m_list->configure(view);
    int row = -1;
    if (!mail.isEmpty()) {
        row = rowOf(mail);
        QVERIFY(row >= 0);
        m_list->table()->selectRow(row);
    }
    const bool preview = Prefs::shared().preview();
    QCOMPARE(m_list->handle(key, row), handled);
    QCoreApplication::processEvents();
    if (!mail.isEmpty())
        QCOMPARE(placeOf(mailNamed(mail)), place);
    QCOMPARE(m_beeps, beeps);
    QStringList seen = m_calls;
    if (!m_alerts.isEmpty())
        seen << QStringLiteral("alert");
    if (Prefs::shared().preview() != preview)
        seen << QStringLiteral("preview");
    if (!mail.isEmpty() && MailStore::shared().state().trusted.contains(mailNamed(mail).fromEmail.toLower()))
        seen << QStringLiteral("trusted");
    QCOMPARE(seen.join(u','), calls);
    QVERIFY(!MailStore::shared().state().scamSenders.contains(QStringLiteral("me@own.example")));
}

void MailListTest::tableOffersKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("offered");  // "" for none
    QTest::addColumn<int>("selectedAfter");

    QTest::newRow("return") << int(Qt::Key_Return) << 0 << "open" << 1;
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "open" << 1;
    QTest::newRow("shift and a letter: lower case") << int(Qt::Key_X) << int(Qt::ShiftModifier) << "x" << 1;
    QTest::newRow("digit") << int(Qt::Key_3) << 0 << "3" << 1;
    QTest::newRow("ctrl and a letter: the table's") << int(Qt::Key_X) << int(Qt::ControlModifier) << "" << 1;
    QTest::newRow("alt and a digit: the table's") << int(Qt::Key_1) << int(Qt::AltModifier) << "" << 1;
    QTest::newRow("arrow down moves") << int(Qt::Key_Down) << 0 << "" << 2;
    QTest::newRow("arrow up moves") << int(Qt::Key_Up) << 0 << "" << 0;
}

void MailListTest::tableOffersKeys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, offered);
    QFETCH(int, selectedAfter);
    MailTable* table = m_list->table();
    QStringList offers;
    table->onKey = [&](const QString& k, int row) {
        offers << k + u'@' + QString::number(row);
        return false;
    };
    table->selectRow(1);
    QTest::keyClick(table, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(offers, offered.isEmpty() ? QStringList() : QStringList{offered + QStringLiteral("@1")});
    QCOMPARE(table->selectedRow(), selectedAfter);
}

void MailListTest::menu_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<QStringList>("mails");
    QTest::addColumn<QStringList>("items");

    const QStringList head{"open", "reply\tr", "forward\tf", "save as .eml …"};
    const QStringList drawers{"→ 1 focus\t1", "→ 2 taxes\t2", "→ 3 saved\t3", "→ 4 project\t4", "→ 5 later\t5"};
    QTest::newRow("IN") << 0 << QStringList{"plain"} << head + QStringList{"block …"} + drawers + QStringList{"→ entropy\te", "done\tx"};
    QTest::newRow("IN, a mail with e?") << 0 << QStringList{"hinted"}
                                        << head + QStringList{"block …"} + drawers
            + QStringList{"trust sender (no e?)\tt", "→ entropy\te", "done\tx"};
    QTest::newRow("IN, e? among the selected") << 0 << QStringList{"plain", "hinted"}
                                               << head + QStringList{"block …"} + drawers
            + QStringList{"trust sender (no e?)\tt", "→ entropy\te", "done\tx"};
    QTest::newRow("drawer 3") << 3 << QStringList{"filed"}
                              << head + QStringList{"block …", "→ in\t0", "→ 1 focus\t1", "→ 2 taxes\t2", "→ 4 project\t4",
                                     "→ 5 later\t5", "→ entropy\te", "done\tx"};
    QTest::newRow("OUT") << 8 << QStringList{"sent"} << head + QStringList{"hide\tx"};
    QTest::newRow("ENTROPY") << 9 << QStringList{"scam"} << head + QStringList{"block …", "→ in\t0"} + drawers + QStringList{"done\tx"};
    QTest::newRow("search, sent mail") << 7 << QStringList{"sent"} << head + QStringList{"→ in\t0"} + drawers + QStringList{"done\tx"};
    QTest::newRow("search, received first") << 7 << QStringList{"plain", "sent"}
                                            << head + QStringList{"block …", "→ in\t0"} + drawers
            + QStringList{"→ entropy\te", "done\tx"};
}

void MailListTest::menu()
{
    QFETCH(int, view);
    QFETCH(QStringList, mails);
    QFETCH(QStringList, items);
    if (view == MailStore::searchView)
        MailStore::shared().search(QStringLiteral("about"));
    m_list->configure(view);
    m_list->table()->clearSelection();
    for (const QString& key : mails)
        QTest::mouseClick(m_list->table()->viewport(), Qt::LeftButton, Qt::ControlModifier,
            m_list->table()->rowRect(rowOf(key)).center().toPoint());
    QCOMPARE(int(m_list->table()->selectedRows().size()), int(mails.size()));
    const std::unique_ptr<QMenu> menu = m_list->menuFor(rowOf(mails.last()));
    QVERIFY(menu);
    QCOMPARE(titles(*menu), items);
}

void MailListTest::blockMenu_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("sender, domain and server")
        << "x@shop.example" << "203.0.113.9"
        << QStringList{"this sender  x@shop.example", "whole domain  shop.example  · 2 mails",
               "sending server  203.0.113.9  · 1 mail", "a server can carry mail of many senders – check the count (off)"};
    QTest::newRow("a shared provider's domain")
        << "someone@gmail.com" << ""
        << QStringList{"this sender  someone@gmail.com", "gmail.com is shared by many people – block the sender instead (off)"};
    QTest::newRow("an ampersand stays text") << "a&b@shop.example" << ""
                                             << QStringList{"this sender  a&&b@shop.example", "whole domain  shop.example  · 2 mails"};
}

void MailListTest::blockMenu()
{
    QFETCH(QString, from);
    QFETCH(QString, ip);
    QFETCH(QStringList, items);
    MailItem mail = received(QStringLiteral("blockable"), 1);
    mail.fromEmail = from;
    if (!ip.isEmpty())
        mail.ip = ip;
    MailItem neighbour = received(QStringLiteral("neighbour"), 2);
    neighbour.fromEmail = QStringLiteral("y@shop.example");
    resetStore({mail, neighbour});
    m_list->configure(0);
    m_list->table()->selectRow(0);
    const std::unique_ptr<QMenu> menu = m_list->menuFor(0);
    QAction* block = actionTitled(*menu, QStringLiteral("block …"));
    QVERIFY(block && block->menu());
    QCOMPARE(titles(*block->menu()), items);
}

void MailListTest::blockingASenderTakesItsTrust()
{
    const MailItem plain = mailNamed(QStringLiteral("plain"));
    MailStore::shared().trust(plain);
    select(QStringLiteral("plain"));
    const std::unique_ptr<QMenu> menu = m_list->menuFor(rowOf(QStringLiteral("plain")));
    QMenu* block = actionTitled(*menu, QStringLiteral("block …"))->menu();
    int posts = 0;
    QObject context;
    NotificationCenter::shared().observe(MailStore::changed, &context, [&posts](QObject*) { ++posts; });
    actionTitled(*block, QStringLiteral("this sender  plain@sender.example"))->trigger();
    QCOMPARE(posts, 1);
    QCOMPARE(placeOf(plain), QStringLiteral("9"));
    QVERIFY(!MailStore::shared().state().trusted.contains(plain.fromEmail));
    QVERIFY(MailStore::shared().state().scamSenders.contains(plain.fromEmail));
}

void MailListTest::rightClickOutsideTheSelectionSelectsTheRow()
{
    MailTable* table = m_list->table();
    table->selectAll();
    const int old = rowOf(QStringLiteral("old"));
    table->selectRow(0);
    QContextMenuEvent click(QContextMenuEvent::Mouse, table->rowRect(old).center().toPoint(), QPoint(100, 100));
    QApplication::sendEvent(table->viewport(), &click);
    QTRY_VERIFY(QApplication::activePopupWidget());
    QApplication::activePopupWidget()->close();
    QCOMPARE(table->selectedRows(), std::vector<int>{old});
    QCOMPARE(table->selectedRow(), old);
    // Outside any row there is no menu and the selection stays.
    QContextMenuEvent below(QContextMenuEvent::Mouse, QPoint(100, int(table->rowRect(table->rowCount() - 1).bottom()) + 10),
        QPoint(100, 100));
    QApplication::sendEvent(table->viewport(), &below);
    QCoreApplication::processEvents();
    QVERIFY(!QApplication::activePopupWidget());
    QCOMPARE(table->selectedRows(), std::vector<int>{old});
}

void MailListTest::menuActsOnEverySelectedMail()
{
    MailTable* table = m_list->table();
    table->selectRow(rowOf(QStringLiteral("plain")));
    QTest::keyClick(table, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(table, Qt::Key_Down, Qt::ShiftModifier);
    const std::vector<int> chosen = table->selectedRows();
    QCOMPARE(chosen.size(), size_t(3));
    QContextMenuEvent click(QContextMenuEvent::Mouse, table->rowRect(chosen[1]).center().toPoint(), QPoint(100, 100));
    QApplication::sendEvent(table->viewport(), &click);
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QCOMPARE(table->selectedRows(), chosen);  // kept: the click was inside the selection
    int posts = 0;
    QObject context;
    NotificationCenter::shared().observe(MailStore::changed, &context, [&posts](QObject*) { ++posts; });
    actionTitled(*menu, QStringLiteral("→ 2 taxes\t2"))->trigger();
    menu->close();
    QCOMPARE(posts, 1);  // one change for all of them
    QCOMPARE(MailStore::shared().items(2).size(), size_t(3));
}

void MailListTest::reloadKeepsTheMailSelected()
{
    select(QStringLiteral("old"));
    const int before = rowOf(QStringLiteral("old"));
    std::vector<MailItem> mails = fixture();
    mails.push_back(received(QStringLiteral("newest"), 0));
    MailStore::shared().replace(account, mails);
    NotificationCenter::shared().post(MailStore::changed);
    QCOMPARE(rowOf(QStringLiteral("newest")), -1);  // not yet: the reload waits for this turn's end
    QCoreApplication::processEvents();
    QCOMPARE(rowOf(QStringLiteral("old")), before + 1);
    QCOMPARE(m_list->table()->selectedRow(), before + 1);
    QCOMPARE(m_list->selectedMail()->fromName, QStringLiteral("old"));
}

void MailListTest::reloadAfterTheMailLeft_data()
{
    QTest::addColumn<QString>("mail");
    QTest::addColumn<QString>("selectedAfter");
    QTest::newRow("the next mail takes its row") << "hinted" << "third";
    QTest::newRow("the last row, when it was the last") << "old" << "fourth";
}

void MailListTest::reloadAfterTheMailLeft()
{
    QFETCH(QString, mail);
    QFETCH(QString, selectedAfter);
    select(mail);
    QTest::keyClick(m_list->table(), Qt::Key_X);
    QTRY_COMPARE(rowOf(mail), -1);
    QCOMPARE(m_list->selectedMail()->fromName, selectedAfter);
    QCOMPARE(m_list->table()->openRow(), m_list->table()->selectedRow());
}

void MailListTest::storeChangesInOneTurnMakeOneReload()
{
    MailTable* table = m_list->table();
    int reloads = 0;
    const auto original = table->onSelectionChanged;
    table->onSelectionChanged = [&] {
        reloads += table->restoring;
        original();
    };
    MailStore::shared().markDone(mailNamed(QStringLiteral("plain")));
    MailStore::shared().markDone(mailNamed(QStringLiteral("hinted")));
    NotificationCenter::shared().post(MailStore::changed);
    QCOMPARE(reloads, 0);
    QCoreApplication::processEvents();
    QCOMPARE(reloads, 1);
    QCOMPARE(m_list->items().size(), size_t(3));
}

void MailListTest::openWaitsForTheBallToSink()
{
    ReduceMotion::replace(false);
    select(QStringLiteral("plain"));
    QVERIFY(m_list->table()->ballInPlay());
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(m_list->table(), Qt::Key_Return);
    QVERIFY(m_calls.isEmpty());
    QTest::keyClick(m_list->table(), Qt::Key_Return);  // again during the sink: at once, and once
    QCOMPARE(m_calls, QStringList{"open plain"});
    QTest::qWait(500);
    QCOMPARE(m_calls, QStringList{"open plain"});

    select(QStringLiteral("hinted"));
    MailStore::shared().trust(mailNamed(QStringLiteral("hinted")));  // no e? any more: the ball plays
    m_list->table()->updateRally();
    QVERIFY(m_list->table()->ballInPlay());
    m_calls.clear();
    clock.restart();
    QTest::keyClick(m_list->table(), Qt::Key_Return);
    QTRY_COMPARE(m_calls, QStringList{"open hinted"});
    QVERIFY2(clock.elapsed() >= 300, qPrintable(QString::number(clock.elapsed())));

    // A pending open still happens when the selection moves on before the ball has sunk.
    m_calls.clear();
    select(QStringLiteral("plain"));
    QVERIFY(m_list->table()->ballInPlay());
    QTest::keyClick(m_list->table(), Qt::Key_Return);
    select(QStringLiteral("old"));
    QVERIFY(!m_list->table()->ballInPlay());
    QTRY_COMPARE(m_calls, QStringList{"open plain"});
}

void MailListTest::emptyViewSaysNothing()
{
    auto* empty = m_list->findChild<LULabel*>(QStringLiteral("empty"));
    QVERIFY(!empty->isVisible());
    m_list->configure(4);
    QVERIFY(empty->isVisible());
    QCOMPARE(empty->shown(), QStringLiteral("nothing."));
    const QRect table = m_list->table()->geometry();
    QCOMPARE(empty->geometry().center().x(), table.center().x());
    QVERIFY(qAbs(empty->geometry().center().y() - (table.center().y() - 40)) <= 1);
    QCOMPARE(m_list->table()->selectedRow(), -1);
    QVERIFY(!m_list->findChild<QWidget*>(QStringLiteral("net"))->isVisible());
}

void MailListTest::selection()
{
    MailTable* table = m_list->table();
    const auto click = [&](int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers, table->rowRect(row).center().toPoint());
    };
    click(0);
    click(2, Qt::ControlModifier);
    QCOMPARE(table->selectedRows(), (std::vector<int>{0, 2}));
    QCOMPARE(table->selectedRow(), 2);
    click(3, Qt::ShiftModifier);
    QCOMPARE(table->selectedRows(), (std::vector<int>{2, 3}));
    QCOMPARE(table->dragIds(table->selectedRows()), (QStringList{table->items()[2].id(), table->items()[3].id()}));
    click(2);  // a plain click inside a selection chooses that row alone
    QCOMPARE(table->selectedRows(), std::vector<int>{2});
    click(2, Qt::ControlModifier);
    QCOMPARE(table->selectedRows(), std::vector<int>{});
    QCOMPARE(table->selectedRow(), -1);
    QCOMPARE(m_list->previewID(), std::nullopt);
    table->selectRow(1);
    table->selectAll();
    QCOMPARE(int(table->selectedRows().size()), table->rowCount());
    QCOMPARE(table->selectedRow(), 1);  // the open row stays where the user was
    QTest::keyClick(table, Qt::Key_End);
    QCOMPARE(table->selectedRows(), std::vector<int>{table->rowCount() - 1});
}

void MailListTest::rowsAreAccessible()
{
    MailTable* table = m_list->table();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(table);
    QVERIFY(list);
    QCOMPARE(list->role(), QAccessible::List);
    QCOMPARE(list->childCount(), table->rowCount());
    const int hinted = rowOf(QStringLiteral("hinted"));
    QAccessibleInterface* row = list->child(hinted);
    QCOMPARE(row->role(), QAccessible::ListItem);
    QCOMPARE(row->text(QAccessible::Name).section(QStringLiteral(" · "), 0, 1), QStringLiteral("e? about hinted · hinted"));
    QCOMPARE(list->indexOfChild(row), hinted);
    QCOMPARE(list->child(hinted), row);
    QVERIFY(!row->state().selected);
    row->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(table->selectedRow(), hinted);
    QVERIFY(row->state().selected);
    QCOMPARE(list->childAt(row->rect().center().x(), row->rect().center().y()), row);
}

void MailListTest::openRowGrowsAndShrinks_data()
{
    QTest::addColumn<bool>("reduceMotion");
    QTest::newRow("animated") << false;
    QTest::newRow("reduce motion: at once") << true;
}

void MailListTest::openRowGrowsAndShrinks()
{
    QFETCH(bool, reduceMotion);
    ReduceMotion::replace(reduceMotion);
    MailTable* table = m_list->table();
    table->selectRow(0);
    QTRY_COMPARE(table->rowRect(0).height(), 128.0);
    QElapsedTimer clock;
    clock.start();
    table->selectRow(2);
    if (reduceMotion) {
        QCOMPARE(table->rowRect(2).height(), 128.0);
        QCOMPARE(table->rowRect(0).height(), 32.0);
        return;
    }
    QVERIFY(table->rowRect(2).height() < 128);
    QTRY_COMPARE(table->rowRect(2).height(), 128.0);
    QVERIFY(clock.elapsed() >= 150);
    QCOMPARE(table->rowRect(0).height(), 32.0);
    QCOMPARE(table->rowRect(2).top(), 64.0);
    QCOMPARE(table->rowAt(64 + 127), 2);
    QCOMPARE(table->rowAt(64 + 128), 3);
    QCOMPARE(table->rowAt(64 + 128 + 2 * 32), -1);  // below the last row
}

void MailListTest::layout_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("preview");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<int>("previewHeight");
    QTest::addColumn<int>("listHeight");

    // 0.36 of 588, the list snapped to whole rows with room for the open one.
    QTest::newRow("preview at its ratio") << 588 << true << 0.0 << 212 << 96 + 32 * 7;
    QTest::newRow("preview off") << 588 << false << 0.0 << 0 << 96 + 32 * 14;
    QTest::newRow("preview as tall as allowed: one open row above") << 588 << true << 0.9 << 434 << 128;
    QTest::newRow("preview at least 80") << 588 << true << 0.05 << 80 << 96 + 32 * 12;
    QTest::newRow("window too low: 80 and what is left") << 200 << true << 0.36 << 80 << 94;
}

void MailListTest::layout()
{
    QFETCH(int, height);
    QFETCH(bool, preview);
    QFETCH(double, ratio);
    QFETCH(int, previewHeight);
    QFETCH(int, listHeight);
    Prefs::shared().setPreview(preview);
    Prefs::shared().setPreviewRatio(ratio);
    m_list->resize(900, height + 1);  // a resize lays the list out again
    m_list->resize(900, height);
    auto* pane = m_list->findChild<QWidget*>(QStringLiteral("preview"));
    QCOMPARE(pane->isVisible() ? pane->height() : 0, previewHeight);
    QCOMPARE(m_list->table()->geometry(), QRect(16, 24, 900 - 32, listHeight));
    QCOMPARE(m_list->findChild<SplitHandle*>()->isVisible(), preview);
    auto* tree = m_list->findChild<TreeLines*>();
    QCOMPARE(tree->box().has_value(), preview);
    if (preview) {
        QCOMPARE(pane->geometry(), QRect(61, height - previewHeight, 900 - 24 - 61, previewHeight));
        QCOMPARE(tree->box()->topLeft(), QPointF(61 - 16, height - previewHeight + 4));
        QCOMPARE(tree->stemX(), 16 + 8 + MailColumns::mark / 2);
    }
}

void MailListTest::splitHandleResizesThePreview()
{
    auto* handle = m_list->findChild<SplitHandle*>();
    auto* pane = m_list->findChild<QWidget*>(QStringLiteral("preview"));
    const int before = pane->height();
    const QPoint middle(450, 6);
    QTest::mousePress(handle, Qt::LeftButton, {}, middle);
    QTest::mouseMove(handle, middle - QPoint(0, 50));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, middle - QPoint(0, 50));
    QCOMPARE(pane->height(), before + 50);
    QCOMPARE(Prefs::shared().previewRatio(), double(before + 50) / 588);
    QTest::keyClick(m_list->table(), Qt::Key_P);  // preview off: nothing to drag
    QVERIFY(!handle->isVisible());
    QTest::keyClick(m_list->table(), Qt::Key_P);
    QCOMPARE(pane->height(), before + 50);
}

QTEST_MAIN(MailListTest)
#include "MailListTest.moc"
