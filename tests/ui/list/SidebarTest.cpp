#include "ListFixture.h"
#include "core/NotificationCenter.h"
#include "core/Prefs.h"
#include "support/TemporaryHome.h"
#include "ui/look/Beep.h"
#include "ui/look/LUButton.h"
#include "ui/look/LUField.h"
#include "ui/look/MailDrag.h"
#include "ui/main/Sidebar.h"

#include <QMenu>
#include <QMimeData>
#include <QTest>

using namespace ListFixture;

namespace {

// unread and seen in IN, filed (unread) and filedRead in drawer 2, scam (unread) and scamRead in
// ENTROPY, done, and sent in OUT.
std::vector<MailItem> fixture()
{
    return {received(QStringLiteral("unread"), 1), received(QStringLiteral("seen"), 2, true),
        received(QStringLiteral("filed"), 3), received(QStringLiteral("filedRead"), 4, true),
        received(QStringLiteral("scam"), 5), received(QStringLiteral("scamRead"), 6, true),
        received(QStringLiteral("done"), 7, true), sent(QStringLiteral("sent"), 8)};
}

MailItem mailNamed(const QString& key)
{
    for (const MailItem& mail : fixture())
        if (mail.fromName == key)
            return mail;
    return {};
}

void drop(LUButton* target, const QStringList& ids)
{
    std::unique_ptr<QMimeData> data(MailDrag::make(ids));
    QDragEnterEvent enter(QPoint(2, 2), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent event(QPointF(2, 2), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

}  // namespace

// The column of views: counts, highlighting, renaming a drawer in place, and mails dropped on it.
class SidebarTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void counts();
    void highlighting_data();
    void highlighting();
    void rename_data();
    void rename();
    void namesChangedElsewhereWaitForTheRename();
    void drops_data();
    void drops();
    void dropOfManyMailsIsOneChange();

private:
    LUButton* drawerButton(int drawer) const;
    void update() { m_sidebar->update(m_drawer, std::nullopt, false); }

    TemporaryHome m_home;
    std::unique_ptr<Sidebar> m_sidebar;
    int m_drawer = 0;
    int m_beeps = 0;
};

void SidebarTest::initTestCase()
{
    Beep::replace([this] { ++m_beeps; });
}

void SidebarTest::init()
{
    Prefs::shared().setDrawerNames({QStringLiteral("FOCUS"), QStringLiteral("TO DO"), QStringLiteral("SAVED"),
        QStringLiteral("PROJECT"), QStringLiteral("LATER")});
    resetStore(fixture());
    MailStore& store = MailStore::shared();
    store.assign(mailNamed(QStringLiteral("filed")), 2);
    store.assign(mailNamed(QStringLiteral("filedRead")), 2);
    store.markScam(mailNamed(QStringLiteral("scam")));
    store.markScam(mailNamed(QStringLiteral("scamRead")));
    store.markDone(mailNamed(QStringLiteral("done")));
    m_beeps = 0;
    m_drawer = 0;
    m_sidebar = std::make_unique<Sidebar>();
    m_sidebar->onDrawer = [this](int view) { m_drawer = view; };
    m_sidebar->resize(236, 708);
    m_sidebar->show();
    update();
}

void SidebarTest::cleanup()
{
    m_sidebar.reset();
}

LUButton* SidebarTest::drawerButton(int drawer) const
{
    for (const auto& [number, button] : m_sidebar->drawerButtons())
        if (number == drawer)
            return button;
    return nullptr;
}

void SidebarTest::counts()
{
    // Unread mails for IN and the drawers, every mail for ENTROPY, none for OUT.
    QCOMPARE(m_sidebar->inButton()->detail(), std::optional<QString>(QStringLiteral("1")));
    QCOMPARE(drawerButton(2)->detail(), std::optional<QString>(QStringLiteral("1")));
    QCOMPARE(drawerButton(1)->detail(), std::nullopt);
    QCOMPARE(m_sidebar->scamButton()->detail(), std::optional<QString>(QStringLiteral("2")));
    QCOMPARE(m_sidebar->outButton()->detail(), std::nullopt);
    // Read, IN shows no count at all.
    MailItem read = mailNamed(QStringLiteral("unread"));
    read.seen = true;
    std::vector<MailItem> mails = fixture();
    mails[0] = read;
    MailStore::shared().replace(account, mails);
    update();
    QCOMPARE(m_sidebar->inButton()->detail(), std::nullopt);
}

void SidebarTest::highlighting_data()
{
    QTest::addColumn<int>("drawer");
    QTest::addColumn<bool>("settings");
    QTest::addColumn<QString>("highlighted");

    QTest::newRow("IN") << 0 << false << "inButton";
    QTest::newRow("a drawer") << 3 << false << "drawer3";
    QTest::newRow("OUT") << 8 << false << "outButton";
    QTest::newRow("ENTROPY") << 9 << false << "scamButton";
    QTest::newRow("search view") << 7 << false << "";
    QTest::newRow("settings or game over IN") << 0 << true << "";
    QTest::newRow("settings or game over a drawer") << 3 << true << "";
}

void SidebarTest::highlighting()
{
    QFETCH(int, drawer);
    QFETCH(bool, settings);
    QFETCH(QString, highlighted);
    m_sidebar->update(drawer, std::nullopt, settings);
    QStringList selected;
    for (const LUButton* button : m_sidebar->findChildren<LUButton*>())
        if (button->selected())
            selected << button->objectName();
    QCOMPARE(selected, highlighted.isEmpty() ? QStringList() : QStringList{highlighted});
}

void SidebarTest::rename_data()
{
    QTest::addColumn<bool>("fromMenu");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("ending");  // the key that ends it, or 0: a click elsewhere
    QTest::addColumn<QString>("title");

    QTest::newRow("double click, blanks around, return") << false << "  taxes  " << int(Qt::Key_Return) << "2  TAXES";
    QTest::newRow("menu, tab") << true << "bills" << int(Qt::Key_Tab) << "2  BILLS";
    QTest::newRow("a click elsewhere commits") << false << "mail" << 0 << "2  MAIL";
    QTest::newRow("escape keeps the old name") << false << "taxes" << int(Qt::Key_Escape) << "2  TO DO";
    QTest::newRow("blank keeps the old name") << true << "   " << int(Qt::Key_Return) << "2  TO DO";
}

void SidebarTest::rename()
{
    QFETCH(bool, fromMenu);
    QFETCH(QString, typed);
    QFETCH(int, ending);
    QFETCH(QString, title);
    QWidget elsewhere(m_sidebar.get());
    elsewhere.setFocusPolicy(Qt::StrongFocus);
    elsewhere.show();
    m_sidebar->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_sidebar.get()));
    LUButton* button = drawerButton(2);
    if (fromMenu) {
        QContextMenuEvent secondary(QContextMenuEvent::Mouse, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(button, &secondary);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu->actions().value(0)->text(), QStringLiteral("rename"));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().value(0)).center());
        // Leaving the window for a moment does not end the rename.
        m_sidebar->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_sidebar.get()));
    } else {
        const QPoint inside(30, 5);
        QTest::mousePress(button, Qt::LeftButton, {}, inside);
        QTest::mouseRelease(button, Qt::LeftButton, {}, inside);
        QMouseEvent second(QEvent::MouseButtonDblClick, inside, button->mapToGlobal(inside), Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(button, &second);
        QTest::mouseRelease(button, Qt::LeftButton, {}, inside);
        QCOMPARE(m_drawer, 2);  // the first click chose the drawer
    }
    QCOMPARE(m_sidebar->renaming(), std::optional<int>(2));
    QPointer<LUField> field = m_sidebar->renameField();
    QVERIFY(field);
    QTRY_VERIFY(field->hasFocus());
    QCOMPARE(field->selectedText(), QStringLiteral("TO DO"));
    int posts = 0;
    QObject context;
    NotificationCenter::shared().observe(MailStore::changed, &context, [&posts](QObject*) { ++posts; });
    QTest::keyClicks(field, typed);
    if (ending)
        QTest::keyClick(field, Qt::Key(ending));
    else
        elsewhere.setFocus();
    QCoreApplication::processEvents();
    QCOMPARE(m_sidebar->renaming(), std::nullopt);
    QCOMPARE(drawerButton(2)->title(), title);
    QCOMPARE(Prefs::shared().drawerNames().value(1), title.mid(3));
    QCOMPARE(posts, ending == Qt::Key_Escape ? 0 : 1);
    QCOMPARE(m_sidebar->drawerButtons().size(), size_t(5));
}

void SidebarTest::namesChangedElsewhereWaitForTheRename()
{
    m_sidebar->startRenaming(4);
    QStringList names = Prefs::shared().drawerNames();
    names[0] = QStringLiteral("INBOX ZERO");
    Prefs::shared().setDrawerNames(names);
    update();
    QCOMPARE(drawerButton(1)->title(), QStringLiteral("1  FOCUS"));  // the rows stay while renaming
    QVERIFY(m_sidebar->renameField());
    QTest::keyClick(m_sidebar->renameField(), Qt::Key_Escape);
    QCOMPARE(drawerButton(1)->title(), QStringLiteral("1  INBOX ZERO"));
    names[2] = QStringLiteral("ARCHIVE");
    Prefs::shared().setDrawerNames(names);
    update();
    QCOMPARE(drawerButton(3)->title(), QStringLiteral("3  ARCHIVE"));
}

void SidebarTest::drops_data()
{
    QTest::addColumn<QString>("target");  // "in", a drawer number, "entropy"
    QTest::addColumn<QString>("mail");
    QTest::addColumn<QString>("place");
    QTest::addColumn<bool>("trusted");
    QTest::addColumn<int>("beeps");

    QTest::newRow("ENTROPY → 3: cleared, trusted, filed") << "3" << "scam" << "3" << true << 0;
    QTest::newRow("drawer → drawer") << "4" << "filed" << "4" << false << 0;
    QTest::newRow("any mail on ENTROPY is marked") << "entropy" << "seen" << "9" << false << 0;
    QTest::newRow("a done mail on IN comes back") << "in" << "done" << "0" << false << 0;
    QTest::newRow("a filed mail on IN comes back") << "in" << "filed" << "0" << false << 0;
    QTest::newRow("a scam mail on IN is trusted") << "in" << "scamRead" << "0" << true << 0;
    QTest::newRow("one's own sent mail on ENTROPY beeps") << "entropy" << "sent" << "8" << false << 1;
}

void SidebarTest::drops()
{
    QFETCH(QString, target);
    QFETCH(QString, mail);
    QFETCH(QString, place);
    QFETCH(bool, trusted);
    QFETCH(int, beeps);
    LUButton* button = target == u"in"            ? m_sidebar->inButton()
                     : target == u"entropy"       ? m_sidebar->scamButton()
                                                  : drawerButton(target.toInt());
    const MailItem dropped = mailNamed(mail);
    drop(button, {dropped.id(), QStringLiteral("ACC|<gone@list.test>")});
    QCOMPARE(placeOf(dropped), place);
    QCOMPARE(MailStore::shared().state().trusted.contains(dropped.fromEmail.toLower()), trusted);
    QCOMPARE(m_beeps, beeps);
    QCOMPARE(MailStore::shared().mail(dropped.id())->seen, dropped.seen);  // reading is not touched
    QVERIFY(!MailStore::shared().state().scamSenders.contains(QStringLiteral("me@own.example")));
}

void SidebarTest::dropOfManyMailsIsOneChange()
{
    int posts = 0;
    QObject context;
    NotificationCenter::shared().observe(MailStore::changed, &context, [&posts](QObject*) { ++posts; });
    QStringList ids;
    for (const char* key : {"unread", "seen", "filed", "scam"})
        ids << mailNamed(QString::fromLatin1(key)).id();
    drop(drawerButton(5), ids);
    QCOMPARE(posts, 1);
    QCOMPARE(MailStore::shared().items(5).size(), size_t(4));
}

QTEST_MAIN(SidebarTest)
#include "SidebarTest.moc"
