#include "core/Prefs.h"
#include "support/TemporaryHome.h"
#include "ui/look/MenuTranslation.h"

#include <QMenu>
#include <QMenuBar>
#include <QTest>

class MenuTranslationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void translatesTheWholeTree_data();
    void translatesTheWholeTree();
    void translatesEveryMenuOfTheBar();

private:
    TemporaryHome m_home;
};

void MenuTranslationTest::translatesTheWholeTree_data()
{
    QTest::addColumn<bool>("german");
    QTest::addColumn<QStringList>("titles");  // menu, its items, the submenu's items, depth first
    QTest::newRow("english") << false << QStringList{"File", "New Mail", "", "View", "Light / Dark", "Remove", "LUMara x", "Close Window"};
    QTest::newRow("german") << true
                            << QStringList{"Datei", "Neue Mail", "", "Ansicht", "Hell / Dunkel", "Entfernen", "LUMara x", "Fenster schließen"};
}

void MenuTranslationTest::translatesTheWholeTree()
{
    QFETCH(bool, german);
    Prefs::shared().setGerman(german);

    QMenu menu(QStringLiteral("File"));
    menu.addAction(QStringLiteral("New Mail"));
    menu.addSeparator();
    QMenu* view = menu.addMenu(QStringLiteral("View"));
    view->addAction(QStringLiteral("Light / Dark"));
    QMenu* deeper = view->addMenu(QStringLiteral("Remove"));
    deeper->addAction(QStringLiteral("LUMara x"));
    menu.addAction(QStringLiteral("Close Window"));

    translate(&menu);
    const QStringList titles{menu.title(), menu.actions()[0]->text(), menu.actions()[1]->text(), view->title(),
        view->actions()[0]->text(), deeper->title(), deeper->actions()[0]->text(), menu.actions()[3]->text()};
    QTEST(titles, "titles");
}

void MenuTranslationTest::translatesEveryMenuOfTheBar()
{
    Prefs::shared().setGerman(true);
    QMenuBar bar;
    QMenu* file = bar.addMenu(QStringLiteral("File"));
    file->addAction(QStringLiteral("Open Mail…"));
    QMenu* window = bar.addMenu(QStringLiteral("Window"));
    window->addAction(QStringLiteral("Minimize"));
    translate(&bar);
    QCOMPARE(bar.actions()[0]->text(), QStringLiteral("Datei"));
    QCOMPARE(file->actions()[0]->text(), QStringLiteral("Mail öffnen …"));
    QCOMPARE(bar.actions()[1]->text(), QStringLiteral("Fenster"));
    QCOMPARE(window->actions()[0]->text(), QStringLiteral("Minimieren"));
}

QTEST_MAIN(MenuTranslationTest)
#include "MenuTranslationTest.moc"
