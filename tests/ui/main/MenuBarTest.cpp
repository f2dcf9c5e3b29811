#include "core/Prefs.h"
#include "support/TemporaryHome.h"
#include "ui/main/MenuBar.h"

#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>

class MenuBarTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void menus_data();
    void menus();
    void helpEntries_data();
    void helpEntries();
    void itemsRunTheirActions();
    void rebuildFreesTheOldMenus();

private:
    TemporaryHome m_home;
};

namespace {

// "title [keys]" per item, "-" per separator.
QStringList describe(const QMenu* menu)
{
    QStringList items;
    for (const QAction* item : menu->actions()) {
        if (item->isSeparator())
            items << QStringLiteral("-");
        else if (item->shortcut().isEmpty())
            items << item->text();
        else
            items << item->text() + " [" + item->shortcut().toString() + "]";
    }
    return items;
}

}  // namespace

void MenuBarTest::menus_data()
{
    QTest::addColumn<bool>("german");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("program") << false << 0 << "LU.MARA"
                             << QStringList{"About LU.MARA", "-", "Settings… [Ctrl+,]", "-", "Hide LU.MARA [Ctrl+H]", "Quit LU.MARA [Ctrl+Q]"};
    QTest::newRow("file") << false << 1 << "File"
                          << QStringList{"New Mail [Ctrl+N]", "Check Mail [Ctrl+R]", "Open Mail… [Ctrl+O]", "Save Mail as .eml… [Ctrl+S]",
                                 "-", "Add Account…", "-", "Close Window [Ctrl+W]"};
    QTest::newRow("edit") << false << 2 << "Edit"
                          << QStringList{"Undo [Ctrl+Z]", "Redo [Ctrl+Shift+Z]", "-", "Cut [Ctrl+X]", "Copy [Ctrl+C]", "Paste [Ctrl+V]",
                                 "Select All [Ctrl+A]"};
    QTest::newRow("view") << false << 3 << "View" << QStringList{"Light / Dark [Ctrl+Shift+L]", "-", "lu.pong [Ctrl+Shift+P]"};
    QTest::newRow("window") << false << 4 << "Window" << QStringList{"Minimize [Ctrl+M]"};
    QTest::newRow("program, german") << true << 0 << "LU.MARA"
                                     << QStringList{"Über LU.MARA", "-", "Einstellungen … [Ctrl+,]", "-", "LU.MARA ausblenden [Ctrl+H]",
                                            "LU.MARA beenden [Ctrl+Q]"};
    QTest::newRow("file, german") << true << 1 << "Datei"
                                  << QStringList{"Neue Mail [Ctrl+N]", "Mails abrufen [Ctrl+R]", "Mail öffnen … [Ctrl+O]",
                                         "Mail als .eml sichern … [Ctrl+S]", "-", "Konto hinzufügen …", "-", "Fenster schließen [Ctrl+W]"};
    QTest::newRow("edit, german") << true << 2 << "Bearbeiten"
                                  << QStringList{"Rückgängig [Ctrl+Z]", "Wiederholen [Ctrl+Shift+Z]", "-", "Ausschneiden [Ctrl+X]",
                                         "Kopieren [Ctrl+C]", "Einfügen [Ctrl+V]", "Alles auswählen [Ctrl+A]"};
    QTest::newRow("view, german") << true << 3 << "Ansicht" << QStringList{"Hell / Dunkel [Ctrl+Shift+L]", "-", "lu.pong [Ctrl+Shift+P]"};
    QTest::newRow("window, german") << true << 4 << "Fenster" << QStringList{"Minimieren [Ctrl+M]"};
}

void MenuBarTest::menus()
{
    QFETCH(bool, german);
    QFETCH(int, index);
    Prefs::shared().setGerman(german);
    QMenuBar bar;
    MenuBar::build(&bar, {});
    QCOMPARE(bar.actions().size(), 6);
    const QMenu* menu = bar.actions()[index]->menu<QMenu*>();
    QVERIFY(menu);
    QTEST(menu->title(), "title");
    QTEST(describe(menu), "items");
    for (const QAction* item : menu->actions())
        QVERIFY(item->isSeparator() || item->shortcut().isEmpty() || item->shortcutContext() == Qt::ApplicationShortcut);
}

void MenuBarTest::helpEntries_data()
{
    QTest::addColumn<bool>("german");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("english") << false
                             << QStringList{"Keys", "-", "new mail\t+ · ctrl+n", "settings\twrench · ctrl+,", "-", "file into drawer 1–5\t1–5",
                                    "done\tx", "to entropy\te", "back to in\t0", "trust sender\tt", "preview on / off\tp", "open\treturn",
                                    "reply\tr", "forward\tf", "-", "check\tctrl+r", "lu.pong\tclick the logo"};
    QTest::newRow("german") << true
                            << QStringList{"Tasten", "-", "neue mail\t+ · ctrl+n", "einstellungen\tschraubenschlüssel · ctrl+,", "-",
                                   "in schublade 1–5 ablegen\t1–5", "erledigt\tx", "nach entropy\te", "zurück nach in\t0",
                                   "absender vertrauen\tt", "vorschau an / aus\tp", "öffnen\treturn", "antworten\tr", "weiterleiten\tf",
                                   "-", "abrufen\tctrl+r", "lu.pong\taufs logo klicken"};
}

void MenuBarTest::helpEntries()
{
    QFETCH(bool, german);
    Prefs::shared().setGerman(german);
    QMenuBar bar;
    MenuBar::build(&bar, {});
    const QMenu* help = bar.actions()[5]->menu<QMenu*>();
    QCOMPARE(help->title(), german ? QStringLiteral("Hilfe") : QStringLiteral("Help"));
    QTEST(describe(help), "entries");
    QVERIFY(!help->actions()[0]->isEnabled());
    // Key texts are shown only: a single letter must never become a shortcut.
    for (const QAction* item : help->actions())
        QVERIFY(item->shortcut().isEmpty());
}

void MenuBarTest::itemsRunTheirActions()
{
    Prefs::shared().setGerman(false);
    QStringList ran;
    MenuActions actions;
    actions.checkMail = [&] { ran << QStringLiteral("check"); };
    actions.togglePong = [&] { ran << QStringLiteral("pong"); };
    QMenuBar bar;
    MenuBar::build(&bar, actions);
    for (QAction* item : bar.actions()[1]->menu<QMenu*>()->actions())
        item->trigger();  // the empty ones do nothing
    bar.actions()[3]->menu<QMenu*>()->actions()[2]->trigger();
    QCOMPARE(ran, (QStringList{"check", "pong"}));
}

void MenuBarTest::rebuildFreesTheOldMenus()
{
    QMenuBar bar;
    MenuBar::build(&bar, {});
    QPointer<QMenu> old = bar.actions()[0]->menu<QMenu*>();
    MenuBar::build(&bar, {});
    QCOMPARE(bar.actions().size(), 6);
    QTRY_VERIFY(old.isNull());
}

QTEST_MAIN(MenuBarTest)
#include "MenuBarTest.moc"
