#include "RecordingNotifications.h"
#include "content/VirusTotal.h"
#include "core/JsonSettingsFormat.h"
#include "core/Keychain.h"
#include "core/MailStore.h"
#include "core/Prefs.h"
#include "support/KeyringSession.h"
#include "support/Screen.h"
#include "support/TemporaryHome.h"
#include "ui/look/Alerts.h"
#include "ui/look/Beep.h"
#include "ui/look/DashedLine.h"
#include "ui/look/LUButton.h"
#include "ui/look/LULabel.h"
#include "ui/look/LUSecureField.h"
#include "ui/look/Opener.h"
#include "ui/look/Theme.h"
#include "ui/main/App.h"
#include "ui/main/MainWindow.h"
#include "ui/main/MainWindowController.h"
#include "ui/settings/AccountWindowController.h"
#include "ui/settings/BlockedEntry.h"
#include "ui/settings/ColorAccountToggle.h"
#include "ui/settings/ColorDots.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/Signature.h"

#include <QAccessible>
#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <functional>
#include <utility>

using Setup = std::function<void()>;
using Read = std::function<QVariant()>;
Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Read)

namespace {

// A value written straight into the settings file, as another version or a hand edit leaves it.
void storeRaw(const QString& key, const QVariant& value)
{
    QSettings settings(Prefs::defaultFilePath(), JsonSettingsFormat::format());
    settings.setValue(key, value);
}

QVariant readRaw(const QString& key)
{
    QSettings settings(Prefs::defaultFilePath(), JsonSettingsFormat::format());
    return settings.value(key);
}

Account account(int n)
{
    return {QStringLiteral("ACC-%1").arg(n), QStringLiteral("user%1@example.org").arg(n), QString(), QStringLiteral("127.0.0.1"), 993,
        QStringLiteral("user%1").arg(n), QStringLiteral("127.0.0.1"), 465, QStringLiteral("user%1").arg(n)};
}

QList<Account> accounts(int count)
{
    QList<Account> list;
    for (int n = 1; n <= count; ++n)
        list.append(account(n));
    return list;
}

MailItem mail(int n, const QString& from, const std::optional<QString>& ip = std::nullopt)
{
    MailItem item;
    item.accountID = QStringLiteral("ACC-1");
    item.uid = n;
    item.messageID = QStringLiteral("<%1@settings.test>").arg(n);
    item.fromEmail = from;
    item.subject = QStringLiteral("subject %1").arg(n);
    item.date = QDateTime::currentDateTimeUtc();
    item.ip = ip;
    return item;
}

}  // namespace

// The settings screen in the running main window, with the keyring and a notification service
// on a private bus.
class SettingsViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void selectedOption_data();
    void selectedOption();
    void pageWithoutAccounts();
    void layout();
    void choices_data();
    void choices();
    void languageChoice_data();
    void languageChoice();
    void badgeFollowsTheChoice();
    void loadStartsACheck();
    void checkIntervalReschedulesTheTimer();
    void soundOffSilencesTheGame();
    void accountRows();
    void accountToggle_data();
    void accountToggle();
    void accountColours();
    void lightLookHidesTheDots();
    void removeAccountAsksFirst_data();
    void removeAccountAsksFirst();
    void blockedGroups_data();
    void blockedGroups();
    void unblock();
    void virusTotalKey_data();
    void virusTotalKey();
    void keyFieldSurvivesStoreChanges();
    void rowsGoOnlyAfterTheirClick_data();
    void rowsGoOnlyAfterTheirClick();
    void escapeGoesBack_data();
    void escapeGoesBack();
    void keysScrollThePage();
    void signatureLinks();

private:
    MainWindowController& main() { return *m_app->mainController(); }
    SettingsView* view() { return main().settingsView(); }
    void openSettings();
    // The rows of the page in order (the header and note labels among them).
    QList<QWidget*> rows();
    QWidget* row(const QString& title);
    QList<LUButton*> buttons(QWidget* row);
    LUButton* option(const QString& rowTitle, const QString& title);
    QStringList selected(const QString& rowTitle);
    QList<ColorAccountToggle*> toggles();
    void click(QWidget* widget, QPoint at = {});
    void resetStore();

    TemporaryHome m_home;
    KeyringSession m_bus{KeyringSession::Keyring::Unlocked};
    std::unique_ptr<RecordingNotifications> m_notifications;
    std::unique_ptr<App> m_app;
    int m_beeps = 0;
};

void SettingsViewTest::initTestCase()
{
    const QString failure = m_bus.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.busAddress().toUtf8());
    m_notifications = std::make_unique<RecordingNotifications>(QDBusConnection::connectToBus(m_bus.busAddress(), QStringLiteral("service")));
    QVERIFY(m_notifications->start());
    Beep::replace([this] { ++m_beeps; });
    m_app = std::make_unique<App>();
    m_app->start();
    // Without accounts the start opens the add-account window, which is not this test's.
    if (AccountWindowController* adding = AccountWindowController::current())
        adding->close();
    main().window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main().window()));
    main().window()->resize(1280, 900);
}

void SettingsViewTest::init()
{
    QFile::remove(Prefs::defaultFilePath());
    QSettings(Prefs::defaultFilePath(), JsonSettingsFormat::format()).clear();
    QCOMPARE(Prefs::shared().dark(), true);
    Keychain::remove(QString::fromLatin1(VirusTotal::keyItem));
    resetStore();
    m_beeps = 0;
    openSettings();
}

void SettingsViewTest::cleanup()
{
    Alerts::replace({});
    Opener::replace({});
    Prefs::shared().setGerman(false);
    Prefs::shared().setDark(true);
}

void SettingsViewTest::resetStore()
{
    Prefs::shared().setAccounts({});
    MailStore& store = MailStore::shared();
    for (const MailStore::Block& block : store.blocks())
        store.unblock(block);
    store.replace(QStringLiteral("ACC-1"), {});
}

void SettingsViewTest::openSettings()
{
    main().showList();
    main().showSettings();
    QVERIFY(view());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    view()->rebuild();
}

QList<QWidget*> SettingsViewTest::rows()
{
    QList<QWidget*> list;
    QLayout* layout = view()->stack()->layout();
    for (int i = 0; i < layout->count(); ++i) {
        if (QWidget* widget = layout->itemAt(i)->widget())
            list.append(widget);
    }
    return list;
}

QWidget* SettingsViewTest::row(const QString& title)
{
    for (QWidget* candidate : rows()) {
        const auto* label = candidate->findChild<LULabel*>();
        if (label && label->raw() == title)
            return candidate;
    }
    return nullptr;
}

QList<LUButton*> SettingsViewTest::buttons(QWidget* row)
{
    return row ? row->findChildren<LUButton*>() : QList<LUButton*>();
}

LUButton* SettingsViewTest::option(const QString& rowTitle, const QString& title)
{
    for (LUButton* button : buttons(row(rowTitle))) {
        if (button->title() == title)
            return button;
    }
    return nullptr;
}

QStringList SettingsViewTest::selected(const QString& rowTitle)
{
    QStringList titles;
    for (const LUButton* button : buttons(row(rowTitle))) {
        if (button->selected())
            titles << button->title();
    }
    return titles;
}

QList<ColorAccountToggle*> SettingsViewTest::toggles()
{
    QList<ColorAccountToggle*> list;
    for (QWidget* candidate : rows())
        list += candidate->findChildren<ColorAccountToggle*>();
    return list;
}

void SettingsViewTest::click(QWidget* widget, QPoint at)
{
    QVERIFY(widget);
    QVERIFY(widget->isVisible());
    QTest::mouseClick(widget, Qt::LeftButton, {}, at.isNull() ? widget->rect().center() : at);
}

void SettingsViewTest::selectedOption_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("expected");
    const Setup none = [] {};
    QTest::newRow("defaults: dark") << none << "appearance" << QStringList{"dark"};
    QTest::newRow("light") << Setup([] { Prefs::shared().setDark(false); }) << "appearance" << QStringList{"light"};
    QTest::newRow("defaults: notifications on") << none << "notifications" << QStringList{"on"};
    QTest::newRow("notifications off") << Setup([] { Prefs::shared().setNotify(false); }) << "notifications" << QStringList{"off"};
    QTest::newRow("badge off") << Setup([] { Prefs::shared().setBadge(false); }) << "number on icon" << QStringList{"off"};
    QTest::newRow("defaults: english") << none << "language" << QStringList{"english"};
    QTest::newRow("german") << Setup([] { storeRaw("german", true); }) << "language" << QStringList{"deutsch"};
    QTest::newRow("pongGerman alone is german") << Setup([] { storeRaw("pongGerman", true); }) << "language" << QStringList{"deutsch"};
    QTest::newRow("sound off") << Setup([] { Prefs::shared().setPongSound(false); }) << "lu.pong sound" << QStringList{"off"};
    QTest::newRow("defaults: last 1000") << none << "load" << QStringList{"last 1000"};
    QTest::newRow("loadLimit 300") << Setup([] { Prefs::shared().setLoadLimit(300); }) << "load" << QStringList{"last 300"};
    QTest::newRow("loadLimit 0 is all") << Setup([] { Prefs::shared().setLoadLimit(0); }) << "load" << QStringList{"all"};
    QTest::newRow("loadLimit 500 is none offered") << Setup([] { Prefs::shared().setLoadLimit(500); }) << "load" << QStringList{};
    QTest::newRow("checkMinutes absent: 3") << none << "check every" << QStringList{"3 min"};
    QTest::newRow("checkMinutes 0: 3") << Setup([] { Prefs::shared().setCheckMinutes(0); }) << "check every" << QStringList{"3 min"};
    QTest::newRow("checkMinutes 30") << Setup([] { Prefs::shared().setCheckMinutes(30); }) << "check every" << QStringList{"30 min"};
    QTest::newRow("checkMinutes 15 is none offered") << Setup([] { Prefs::shared().setCheckMinutes(15); }) << "check every" << QStringList{};
}

void SettingsViewTest::selectedOption()
{
    QFETCH(Setup, setup);
    QFETCH(QString, row);
    setup();
    view()->rebuild();
    QTEST(selected(row), "expected");
}

void SettingsViewTest::pageWithoutAccounts()
{
    QStringList titles;
    for (QWidget* candidate : rows()) {
        const auto* label = qobject_cast<LULabel*>(candidate);
        titles << (label ? label->raw() : candidate->findChild<LULabel*>()->raw());
    }
    QCOMPARE(titles, QStringList({"SETTINGS", "appearance", "notifications", "number on icon", "language", "lu.pong sound", "load",
                         "check every", "account", "blocked", "virustotal",
                         "passwords stay in your keyring \u00b7 mail is only read on this computer\nesc or the wrench goes back"}));
    QVERIFY(toggles().isEmpty());
    const QList<LUButton*> add = buttons(row("account"));
    QCOMPARE(add.size(), 1);
    QCOMPARE(add[0]->title(), QStringLiteral("+ add account"));
    const QList<LUButton*> nothing = buttons(row("blocked"));
    QCOMPARE(nothing.size(), 1);
    QCOMPARE(nothing[0]->title(), QStringLiteral("nothing \u00b7 right-click a mail \u2192 block \u2026"));
    click(nothing[0]);  // does nothing, and nothing goes wrong

    // The add-account window is the owner's to open.
    int opened = 0;
    const auto addAccount = std::exchange(main().onAddAccount, [&] { ++opened; });
    click(add[0]);
    QCOMPARE(opened, 1);
    main().onAddAccount = addAccount;
}

void SettingsViewTest::layout()
{
    Prefs::shared().setAccounts(accounts(1));
    view()->rebuild();
    QTRY_VERIFY(view()->isVisible());
    QWidget* stack = view()->stack();
    QCOMPARE(stack->geometry().topLeft(), QPoint(44, 28));

    QWidget* appearance = row("appearance");
    QCOMPARE(appearance->size(), QSize(680, 46));
    const QList<LUButton*> looks = buttons(appearance);
    QCOMPARE(looks[0]->x(), 180 + 16);
    QCOMPARE(looks[1]->x(), looks[0]->geometry().right() + 1 + 22);
    const auto* line = appearance->findChild<DashedLine*>();
    QCOMPARE(line->geometry(), QRect(0, 45, 680, 1));
    // Label and buttons share the row's middle.
    const auto* label = appearance->findChild<LULabel*>();
    QCOMPARE(label->width(), 180);
    QVERIFY(qAbs(label->geometry().center().y() - 23) <= 1);
    QVERIFY(qAbs(looks[0]->geometry().center().y() - 23) <= 1);

    // Account row: toggle after the label, "remove" at the trailing edge, the dots 22 before it.
    ColorAccountToggle* toggle = toggles().value(0);
    QCOMPARE(toggle->x(), 196);
    const auto* dots = toggle->parentWidget()->findChild<ColorDots*>();
    const LUButton* remove = buttons(toggle->parentWidget()).value(0);
    QCOMPARE(remove->geometry().right(), 679);
    QCOMPARE(dots->geometry().right() + 1 + 22, remove->x());
    // The toggle reaches to 16 before the dots: an address that fits is shown whole.
    QCOMPARE(toggle->geometry().right() + 1 + 16, dots->x());
    QVERIFY(toggle->width() >= toggle->sizeHint().width() + 13);

    // The key field reaches from the label to 24 before "save", which ends the row.
    QWidget* virusTotal = row("virustotal");
    const LUButton* save = buttons(virusTotal).value(0);
    QCOMPARE(view()->keyField()->geometry().left(), 180);
    QCOMPARE(view()->keyField()->geometry().right() + 1 + 24, save->x());
    QCOMPARE(save->geometry().right(), 679);

    // The signature stands at least 48 below the rows and 48 above the page's bottom.
    QWidget* document = view()->scrollArea()->widget();
    QTRY_VERIFY(view()->signature()->y() >= stack->geometry().bottom() + 1 + 48);
    QCOMPARE(document->height() - view()->signature()->geometry().bottom() - 1, 48);
    QCOMPARE(view()->signature()->x(), 44);
    QCOMPARE(document->width(), view()->scrollArea()->viewport()->width());
}

void SettingsViewTest::choices_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("option");
    QTest::addColumn<Read>("read");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("light") << "appearance" << "light" << Read([] { return Prefs::shared().dark(); }) << QVariant(false);
    QTest::newRow("notifications off") << "notifications" << "off" << Read([] { return Prefs::shared().notify(); }) << QVariant(false);
    QTest::newRow("number on icon off") << "number on icon" << "off" << Read([] { return Prefs::shared().badge(); }) << QVariant(false);
    QTest::newRow("sound off") << "lu.pong sound" << "off" << Read([] { return Prefs::shared().pongSound(); }) << QVariant(false);
    QTest::newRow("last 300") << "load" << "last 300" << Read([] { return readRaw("loadLimit"); }) << QVariant(300);
    QTest::newRow("all") << "load" << "all" << Read([] { return readRaw("loadLimit"); }) << QVariant(0);
    QTest::newRow("1 min") << "check every" << "1 min" << Read([] { return readRaw("checkMinutes"); }) << QVariant(1);
    QTest::newRow("30 min") << "check every" << "30 min" << Read([] { return readRaw("checkMinutes"); }) << QVariant(30);
}

void SettingsViewTest::choices()
{
    QFETCH(QString, row);
    QFETCH(QString, option);
    QFETCH(Read, read);
    QFETCH(QVariant, expected);
    click(this->option(row, option));
    QCOMPARE(read().toString(), expected.toString());
    // The page is built again at once, with the underline on the choice.
    QCOMPARE(selected(row), QStringList{option});
}

void SettingsViewTest::languageChoice_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("announced");
    QTest::addColumn<QVariant>("german");
    QTest::addColumn<QVariant>("pongGerman");
    QTest::newRow("english to deutsch") << Setup([] {}) << "deutsch" << 1 << QVariant(true) << QVariant(true);
    QTest::newRow("deutsch to english") << Setup([] { Prefs::shared().setGerman(true); }) << "english" << 1 << QVariant(false)
                                        << QVariant(false);
    QTest::newRow("english again: nothing") << Setup([] {}) << "english" << 0 << QVariant() << QVariant();
    // German already applies through the game's key: nothing to do, and "german" stays unset.
    QTest::newRow("deutsch while pongGerman alone") << Setup([] { storeRaw("pongGerman", true); }) << "deutsch" << 0 << QVariant()
                                                    << QVariant(true);
    QTest::newRow("english while pongGerman alone") << Setup([] { storeRaw("pongGerman", true); }) << "english" << 1
                                                    << QVariant(false) << QVariant(false);
}

void SettingsViewTest::languageChoice()
{
    QFETCH(Setup, setup);
    QFETCH(QString, option);
    QFETCH(int, announced);
    setup();
    view()->rebuild();
    int posts = 0;
    QObject observer;
    NotificationCenter::shared().observe(Notification::gameLanguage, &observer, [&](QObject*) { ++posts; });
    QPointer<QWidget> before = row("language");
    click(this->option("language", option));
    QCOMPARE(posts, announced);
    QTEST(readRaw("german"), "german");
    QTEST(readRaw("pongGerman"), "pongGerman");
    QCOMPARE(before->isVisible(), announced == 0);  // rebuilt only when something changed
    QCOMPARE(selected("language"), QStringList{option});
    // Every text on the page follows at once.
    QCOMPARE(this->option("appearance", "dark")->accessibleTitle(),
        Prefs::shared().german() ? QStringLiteral("dunkel") : QStringLiteral("dark"));
}

void SettingsViewTest::badgeFollowsTheChoice()
{
    MailStore::shared().replace(QStringLiteral("ACC-1"), {mail(1, "a@x.example"), mail(2, "b@x.example")});
    QCOMPARE(MailStore::shared().newCount(), 2);
    view()->rebuild();
    click(option("number on icon", "on"));
    QTRY_VERIFY(!m_notifications->badges.isEmpty() && m_notifications->badges.last().value("count-visible").toBool());
    QCOMPARE(m_notifications->badges.last().value("count").toLongLong(), 2);
    click(option("number on icon", "off"));
    QTRY_VERIFY(!m_notifications->badges.last().value("count-visible").toBool());
    click(option("number on icon", "on"));
    QTRY_VERIFY(m_notifications->badges.last().value("count-visible").toBool());
    QCOMPARE(m_notifications->badges.last().value("count").toLongLong(), 2);
}

void SettingsViewTest::loadStartsACheck()
{
    // An account without a password: the check it starts ends at once with the problem.
    Prefs::shared().setAccounts({account(7)});
    view()->rebuild();
    QVERIFY(!MailStore::shared().refreshing());
    const auto before = MailStore::shared().lastCheck();
    click(option("load", "last 300"));
    QTRY_VERIFY(MailStore::shared().lastCheck() != before);
    QCOMPARE(MailStore::shared().problem(), QStringLiteral("user7@ no password"));
    QCOMPARE(Prefs::shared().loadLimit(), 300);
}

void SettingsViewTest::checkIntervalReschedulesTheTimer()
{
    click(option("check every", "10 min"));
    QVERIFY(main().timer()->isActive());
    QCOMPARE(main().timer()->interval(), 10 * 60 * 1000);
    click(option("check every", "1 min"));
    QCOMPARE(main().timer()->interval(), 60 * 1000);
    click(option("check every", "3 min"));
}

void SettingsViewTest::soundOffSilencesTheGame()
{
    int stops = 0;
    view()->onSoundOff = [&] { ++stops; };
    click(option("lu.pong sound", "on"));
    QCOMPARE(stops, 0);
    click(option("lu.pong sound", "off"));
    QCOMPARE(stops, 1);
    QCOMPARE(Prefs::shared().pongSound(), false);
}

void SettingsViewTest::accountRows()
{
    Prefs::shared().setAccounts(accounts(3));
    view()->rebuild();
    const QList<ColorAccountToggle*> list = toggles();
    QCOMPARE(list.size(), 3);
    QStringList labels;
    for (ColorAccountToggle* toggle : list) {
        labels << toggle->parentWidget()->findChild<LULabel*>()->raw();
        QCOMPARE(toggle->accessibleTitle(), toggle->account().email);
    }
    QCOMPARE(labels, QStringList({"account", "", ""}));
    QCOMPARE(list[2]->account().id, QStringLiteral("ACC-3"));
    // With accounts, the add row carries no label of its own.
    QWidget* add = rows().value(rows().indexOf(list[2]->parentWidget()) + 1);
    QCOMPARE(buttons(add).value(0)->title(), QStringLiteral("+ add account"));
    QCOMPARE(add->findChild<LULabel*>()->raw(), QString());
    // The toggle is a check box for screen readers: ticked while the account is shown.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(list[0]);
    QCOMPARE(accessible->role(), QAccessible::CheckBox);
    QVERIFY(accessible->state().checked);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("user1@example.org"));
}

void SettingsViewTest::accountToggle_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("hidden");
    QTest::addColumn<int>("clicked");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("hide one of two") << 2 << QStringList{} << 0 << QStringList{"ACC-1"};
    QTest::newRow("show a hidden one") << 2 << QStringList{"ACC-2"} << 1 << QStringList{};
    QTest::newRow("the last shown one stays") << 2 << QStringList{"ACC-2"} << 0 << QStringList{"ACC-2"};
    QTest::newRow("the only account stays") << 1 << QStringList{} << 0 << QStringList{};
}

void SettingsViewTest::accountToggle()
{
    QFETCH(int, count);
    QFETCH(QStringList, hidden);
    QFETCH(int, clicked);
    QFETCH(QStringList, expected);
    Prefs::shared().setAccounts(accounts(count));
    Prefs::shared().setHiddenAccounts(hidden);
    view()->rebuild();
    click(toggles().value(clicked));
    QCOMPARE(Prefs::shared().hiddenAccounts(), expected);

    // Rebuilt: a shown account has a filled square, a hidden one an outline and a faded address.
    for (ColorAccountToggle* toggle : toggles()) {
        const bool shown = !expected.contains(toggle->account().id);
        QCOMPARE(toggle->accountShown(), shown);
        const QImage image = Screen::render(*toggle);
        const QColor colour = Theme::pastel(Prefs::shared().colorIndex(toggle->account().id));
        const qreal middle = toggle->height() / 2.0;
        QCOMPARE(Screen::pixel(image, {6.5, middle}) == colour, shown);
        QCOMPARE(Screen::pixel(image, {0.5, middle}), colour);
        // The address: full colour when shown, 45 % over the ground when hidden.
        int strongest = 0;
        for (int x = 25; x < image.width() - 13; ++x) {
            for (int y = 0; y < image.height(); ++y)
                strongest = std::max(strongest, std::abs(image.pixelColor(x, y).red() - Theme::ground().red()));
        }
        const int full = std::abs(colour.red() - Theme::ground().red());
        if (shown)
            QVERIFY2(strongest > full * 0.8, qPrintable(QString::number(strongest)));
        else
            QVERIFY2(strongest <= full * 0.5, qPrintable(QString::number(strongest)));
    }
}

void SettingsViewTest::accountColours()
{
    Prefs::shared().setAccounts(accounts(2));
    view()->rebuild();
    auto* dots = toggles().value(1)->parentWidget()->findChild<ColorDots*>();
    QCOMPARE(dots->chosen(), 1);  // by position until one is chosen
    QCOMPARE(dots->accessibleName(), QStringLiteral("colour"));
    int themeChanges = 0;
    QObject observer;
    NotificationCenter::shared().observe(Theme::changed, &observer, [&](QObject*) { ++themeChanges; });
    click(dots, ColorDots::centreOf(4).toPoint());
    QCOMPARE(Prefs::shared().accountColors().value(QStringLiteral("ACC-2")), 4);
    QVERIFY(themeChanges >= 1);
    ColorAccountToggle* toggle = toggles().value(1);
    QCOMPARE(toggle->parentWidget()->findChild<ColorDots*>()->chosen(), 4);
    QCOMPARE(Screen::pixel(Screen::render(*toggle), {6.5, toggle->height() / 2.0}), Theme::pastels[4]);
    // The gap after a dot belongs to the nearer dot.
    QCOMPARE(ColorDots::indexAt(10), 0);
    QCOMPARE(ColorDots::indexAt(13), 1);
    QCOMPARE(ColorDots::indexAt(88), 5);
    QCOMPARE(ColorDots::indexAt(93), -1);
}

void SettingsViewTest::lightLookHidesTheDots()
{
    Prefs::shared().setAccounts(accounts(2));
    Prefs::shared().setAccountColors({{QStringLiteral("ACC-1"), 2}});
    view()->rebuild();
    QVERIFY(toggles().value(0)->parentWidget()->findChild<ColorDots*>()->isVisible());
    click(option("appearance", "light"));
    for (ColorAccountToggle* toggle : toggles()) {
        QVERIFY(!toggle->parentWidget()->findChild<ColorDots*>()->isVisible());
        QCOMPARE(Screen::pixel(Screen::render(*toggle), {6.5, toggle->height() / 2.0}), Theme::c222);
    }
    // The menu's light/dark switch brings them back without a click on the page.
    Prefs::shared().setDark(true);
    QVERIFY(toggles().value(0)->parentWidget()->findChild<ColorDots*>()->isVisible());
    QCOMPARE(selected("appearance"), QStringList{"dark"});
}

void SettingsViewTest::removeAccountAsksFirst_data()
{
    QTest::addColumn<bool>("german");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("removed");
    QTest::newRow("remove") << false << 0 << "Remove user2@example.org?" << true;
    QTest::newRow("cancel") << false << 1 << "Remove user2@example.org?" << false;
    QTest::newRow("closed") << false << -1 << "Remove user2@example.org?" << false;
    QTest::newRow("entfernen") << true << 0 << "user2@example.org entfernen?" << true;
}

void SettingsViewTest::removeAccountAsksFirst()
{
    QFETCH(bool, german);
    QFETCH(int, answer);
    QFETCH(bool, removed);
    Prefs::shared().setGerman(german);
    Prefs::shared().setAccounts(accounts(2));
    Keychain::set(QStringLiteral("pw2"), QStringLiteral("ACC-2"));
    view()->rebuild();
    QList<Alert> asked;
    Alerts::replace([&](const Alert& alert) {
        asked << alert;
        return answer;
    });
    click(buttons(toggles().value(1)->parentWidget()).value(0));
    QTRY_COMPARE(asked.size(), 1);
    QTEST(asked[0].message, "question");
    QCOMPARE(asked[0].buttons, german ? QStringList({"Entfernen", "Abbrechen"}) : QStringList({"Remove", "Cancel"}));
    QCOMPARE(asked[0].informative, german ? QStringLiteral("LU.MARA vergisst dieses Konto und sein Passwort. Deine Mails bleiben auf dem Server.")
                                          : QStringLiteral("LU.MARA forgets this account and its password. Your mail stays on the server."));
    QTRY_COMPARE(Prefs::shared().accounts().size(), removed ? 1 : 2);
    QCOMPARE(Keychain::get(QStringLiteral("ACC-2")).has_value(), !removed);
    // The store's change rebuilt the page.
    QCOMPARE(toggles().size(), removed ? 1 : 2);
}

void SettingsViewTest::blockedGroups_data()
{
    QTest::addColumn<bool>("german");
    QTest::addColumn<QStringList>("headers");
    QTest::newRow("english") << false << QStringList({"ADDRESSES  2", "DOMAINS  3", "IPS  1"});
    QTest::newRow("german") << true << QStringList({"ADRESSEN  2", "DOMAINS  3", "IPS  1"});
}

void SettingsViewTest::blockedGroups()
{
    QFETCH(bool, german);
    Prefs::shared().setGerman(german);
    MailStore& store = MailStore::shared();
    store.replace(QStringLiteral("ACC-1"), {mail(1, "b@spam.example", QStringLiteral("203.0.113.9")), mail(2, "a@spam.example"),
                                               mail(3, "x@one.example"), mail(4, "x@two.example"), mail(5, "x@three.example")});
    for (int n : {1, 2})
        store.markScam(*store.mail(mail(n, "").id()));
    for (int n : {3, 4, 5})
        store.blockDomain(*store.mail(mail(n, "").id()));
    store.blockIP(*store.mail(mail(1, "").id()));
    view()->rebuild();

    QWidget* blocked = row("blocked");
    QVERIFY(blocked);
    QStringList headers, values;
    for (auto* label : blocked->findChildren<LULabel*>()) {
        if (label->raw() != u"blocked")
            headers << label->raw();
    }
    for (auto* entry : blocked->findChildren<BlockedEntry*>()) {
        values << entry->value();
        QCOMPARE(entry->height(), 28);
    }
    QTEST(headers, "headers");
    QCOMPARE(values, QStringList({"a@spam.example", "b@spam.example", "one.example", "three.example", "two.example", "203.0.113.9"}));
    QCOMPARE(blocked->width(), 680);
    // The row grows with its entries: 18 above, header, 12, entries, 24 between groups, 18 below.
    const int header = blocked->findChildren<LULabel*>().value(1)->height();
    QCOMPARE(blocked->height(), 18 + 3 * (header + 12) + 6 * 28 + 2 * 24 + 18);
    QCOMPARE(blocked->findChild<DashedLine*>()->geometry(), QRect(0, blocked->height() - 1, 680, 1));
    auto* entry = blocked->findChildren<BlockedEntry*>().value(0);
    QCOMPARE(entry->accessibleTitle(), german ? QStringLiteral("freigeben a@spam.example") : QStringLiteral("unblock a@spam.example"));
    QCOMPARE(entry->width(), 680 - 196);
}

void SettingsViewTest::unblock()
{
    MailStore& store = MailStore::shared();
    store.replace(QStringLiteral("ACC-1"), {mail(1, "b@spam.example"), mail(2, "a@spam.example")});
    store.markScam(*store.mail(mail(1, "").id()));
    store.markScam(*store.mail(mail(2, "").id()));
    view()->rebuild();
    const auto entryFor = [this](const QString& value) -> BlockedEntry* {
        for (auto* entry : row("blocked")->findChildren<BlockedEntry*>()) {
            if (entry->value() == value)
                return entry;
        }
        return nullptr;
    };
    // The value is no button: only the "×" in the first 24 pixels answers.
    click(entryFor("b@spam.example"), {60, 14});
    QCOMPARE(store.blocks().size(), size_t(2));
    click(entryFor("b@spam.example"), {4, 14});
    QCOMPARE(store.blocks(), std::vector<MailStore::Block>({{"address", "a@spam.example"}}));
    QVERIFY(!entryFor("b@spam.example"));
    QVERIFY(!store.isScam(*store.mail(mail(1, "").id())));
    click(entryFor("a@spam.example"), {4, 14});
    QVERIFY(store.blocks().empty());
    QCOMPARE(buttons(row("blocked")).value(0)->title(), QStringLiteral("nothing \u00b7 right-click a mail \u2192 block \u2026"));
}

void SettingsViewTest::virusTotalKey_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("plain") << "0123abcd" << "0123abcd";
    QTest::newRow("pasted with blanks and breaks") << " 0123\tab\ncd\r\n\u00a0" << "0123abcd";
    QTest::newRow("blank is ignored") << " \t\n " << "";
    QTest::newRow("empty is ignored") << "" << "";
}

void SettingsViewTest::virusTotalKey()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    LUSecureField* field = view()->keyField();
    QVERIFY(field->isVisible());
    QCOMPARE(field->placeholder(), QStringLiteral("paste api key \u00b7 www.virustotal.com \u2192 api key"));
    QCOMPARE(field->echoMode(), QLineEdit::Password);
    field->setText(typed);
    click(option("virustotal", "save"));
    if (stored.isEmpty()) {
        QVERIFY(!Keychain::get(QString::fromLatin1(VirusTotal::keyItem)));
        QVERIFY(field->isVisible());
        QCOMPARE(field->text(), typed);
        return;
    }
    QCOMPARE(VirusTotal::key(), stored);
    QVERIFY(!field->isVisible());
    QCOMPARE(selected("virustotal"), QStringList{"on \u00b7 key saved"});
    click(option("virustotal", "on \u00b7 key saved"));  // no action
    QCOMPARE(VirusTotal::key(), stored);

    click(option("virustotal", "remove key"));
    QVERIFY(!VirusTotal::key());
    QVERIFY(field->isVisible());
    QCOMPARE(field->text(), QString());  // the saved key is not shown again
}

// A check starts every few minutes and rebuilds the page: what is being pasted stays.
void SettingsViewTest::keyFieldSurvivesStoreChanges()
{
    LUSecureField* field = view()->keyField();
    main().window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main().window()));
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("abcdef"));
    field->setSelection(4, -3);  // "bcd", the cursor at its start
    QPointer<QWidget> oldRow = field->parentWidget();

    NotificationCenter::shared().post(MailStore::changed);
    QVERIFY(oldRow && !oldRow->isVisible());
    QCOMPARE(field->text(), QStringLiteral("abcdef"));
    QCOMPARE(QApplication::focusWidget(), field);
    QCOMPARE(field->selectedText(), QStringLiteral("bcd"));
    QCOMPARE(field->cursorPosition(), 1);
    QTest::keyClicks(field, QStringLiteral("X"));
    QCOMPARE(field->text(), QStringLiteral("aXef"));

    // Deleting the old rows later does not take the field with them.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(oldRow.isNull());
    QCOMPARE(view()->keyField(), field);
    QVERIFY(field->isVisible());
    QCOMPARE(field->parentWidget(), row("virustotal"));
}

void SettingsViewTest::rowsGoOnlyAfterTheirClick_data()
{
    QTest::addColumn<QString>("control");
    for (const char* control : {"option", "language", "load", "interval", "toggle", "colour", "unblock", "save", "remove key", "remove"})
        QTest::newRow(control) << QString::fromLatin1(control);
}

// The page rebuilds from a click on one of its own rows: that row must outlive the click.
void SettingsViewTest::rowsGoOnlyAfterTheirClick()
{
    QFETCH(QString, control);
    Prefs::shared().setAccounts(accounts(2));
    MailStore& store = MailStore::shared();
    store.replace(QStringLiteral("ACC-1"), {mail(1, "b@spam.example")});
    store.markScam(*store.mail(mail(1, "").id()));
    if (control == u"remove key")
        Keychain::set(QStringLiteral("k"), QString::fromLatin1(VirusTotal::keyItem));
    view()->keyField()->setText(QStringLiteral("key"));
    Alerts::replace([](const Alert&) { return 0; });
    view()->rebuild();

    QWidget* target = nullptr;
    QPoint at;
    if (control == u"option")
        target = option("appearance", "light");
    else if (control == u"language")
        target = option("language", "deutsch");
    else if (control == u"load")
        target = option("load", "all");
    else if (control == u"interval")
        target = option("check every", "10 min");
    else if (control == u"toggle")
        target = toggles().value(0);
    else if (control == u"colour")
        target = toggles().value(0)->parentWidget()->findChild<ColorDots*>(), at = ColorDots::centreOf(3).toPoint();
    else if (control == u"unblock")
        target = row("blocked")->findChild<BlockedEntry*>(), at = QPoint(4, 14);
    else if (control == u"save")
        target = option("virustotal", "save");
    else if (control == u"remove key")
        target = option("virustotal", "remove key");
    else if (control == u"remove")
        target = buttons(toggles().value(1)->parentWidget()).value(0);
    QPointer<QWidget> clicked = target;
    QPointer<QWidget> clickedRow = target->parentWidget();
    click(target, at);
    QTRY_VERIFY(!clickedRow || !clickedRow->isVisible());  // the page was rebuilt ...
    QVERIFY2(clicked && clickedRow, "the clicked row went while its click was handled");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(clickedRow.isNull());
    QVERIFY(clicked.isNull());
    for (QWidget* row : rows())
        QVERIFY(row->isVisibleTo(view()));
}

void SettingsViewTest::escapeGoesBack_data()
{
    QTest::addColumn<bool>("inKeyField");
    QTest::newRow("page") << false;
    QTest::newRow("key field") << true;
}

void SettingsViewTest::escapeGoesBack()
{
    QFETCH(bool, inKeyField);
    main().window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main().window()));
    QWidget* focus = inKeyField ? static_cast<QWidget*>(view()->keyField()) : static_cast<QWidget*>(view());
    if (inKeyField)
        focus->setFocus();
    QCOMPARE(QApplication::focusWidget(), focus);  // the page takes the keys when shown
    QTest::keyClick(focus, Qt::Key_Escape);
    QCOMPARE(main().currentScreen(), MainWindowController::Screen::list);
}

void SettingsViewTest::keysScrollThePage()
{
    QScrollBar* bar = view()->scrollArea()->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);  // the page is taller than the window
    QTest::keyClick(view(), Qt::Key_PageDown);
    QVERIFY(bar->value() > 0);
    QTest::keyClick(view(), Qt::Key_End);
    QCOMPARE(bar->value(), bar->maximum());
    QTest::keyClick(view(), Qt::Key_Home);
    QCOMPARE(bar->value(), 0);
}

void SettingsViewTest::signatureLinks()
{
    QList<QUrl> opened;
    Opener::replace([&](const QUrl& url) {
        opened << url;
        return true;
    });
    Signature* signature = view()->signature();
    QCOMPARE(signature->findChild<LULabel*>(QStringLiteral("version"))->raw(),
        QStringLiteral("LU.MARA ") + QCoreApplication::applicationVersion());
    click(signature->siteLink());
    click(signature->donationLink());
    QCOMPARE(opened, QList<QUrl>({QUrl("https://lumara.org"), QUrl("https://lumara.org/donate")}));
}

QTEST_MAIN(SettingsViewTest)
#include "SettingsViewTest.moc"
