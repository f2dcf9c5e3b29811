#include "ui/main/MenuBar.h"

#include "ui/look/L10n.h"
#include "ui/look/MenuTranslation.h"

#include <QMenu>
#include <QMenuBar>

namespace {

void addItem(QMenu* menu, const QString& title, const QKeySequence& keys, const std::function<void()>& run)
{
    QAction* item = menu->addAction(title);
    item->setShortcut(keys);
    item->setShortcutContext(Qt::ApplicationShortcut);
    QObject::connect(item, &QAction::triggered, item, [run] {
        if (run)
            run();
    });
}

void addProgramMenus(QMenuBar* bar, const MenuActions& a)
{
    using Keys = QKeySequence;
    QMenu* program = bar->addMenu(QStringLiteral("LU.MARA"));
    addItem(program, QStringLiteral("About LU.MARA"), {}, a.showAbout);
    program->addSeparator();
    addItem(program, QStringLiteral("Settings…"), Keys(Qt::CTRL | Qt::Key_Comma), a.showSettings);
    program->addSeparator();
    addItem(program, QStringLiteral("Hide LU.MARA"), Keys(Qt::CTRL | Qt::Key_H), a.hide);
    addItem(program, QStringLiteral("Quit LU.MARA"), Keys(Qt::CTRL | Qt::Key_Q), a.quit);

    QMenu* file = bar->addMenu(QStringLiteral("File"));
    addItem(file, QStringLiteral("New Mail"), Keys(Qt::CTRL | Qt::Key_N), a.newMail);
    addItem(file, QStringLiteral("Check Mail"), Keys(Qt::CTRL | Qt::Key_R), a.checkMail);
    addItem(file, QStringLiteral("Open Mail…"), Keys(Qt::CTRL | Qt::Key_O), a.openMailFile);
    addItem(file, QStringLiteral("Save Mail as .eml…"), Keys(Qt::CTRL | Qt::Key_S), a.saveMail);
    file->addSeparator();
    addItem(file, QStringLiteral("Add Account…"), {}, a.addAccount);
    file->addSeparator();
    addItem(file, QStringLiteral("Close Window"), Keys(Qt::CTRL | Qt::Key_W), a.closeWindow);

    QMenu* edit = bar->addMenu(QStringLiteral("Edit"));
    addItem(edit, QStringLiteral("Undo"), Keys(Qt::CTRL | Qt::Key_Z), a.undo);
    addItem(edit, QStringLiteral("Redo"), Keys(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), a.redo);
    edit->addSeparator();
    addItem(edit, QStringLiteral("Cut"), Keys(Qt::CTRL | Qt::Key_X), a.cut);
    addItem(edit, QStringLiteral("Copy"), Keys(Qt::CTRL | Qt::Key_C), a.copy);
    addItem(edit, QStringLiteral("Paste"), Keys(Qt::CTRL | Qt::Key_V), a.paste);
    addItem(edit, QStringLiteral("Select All"), Keys(Qt::CTRL | Qt::Key_A), a.selectEverything);

    QMenu* view = bar->addMenu(QStringLiteral("View"));
    addItem(view, QStringLiteral("Light / Dark"), Keys(Qt::CTRL | Qt::SHIFT | Qt::Key_L), a.toggleAppearance);
    view->addSeparator();
    addItem(view, QStringLiteral("lu.pong"), Keys(Qt::CTRL | Qt::SHIFT | Qt::Key_P), a.togglePong);

    QMenu* window = bar->addMenu(QStringLiteral("Window"));
    addItem(window, QStringLiteral("Minimize"), Keys(Qt::CTRL | Qt::Key_M), a.minimize);
}

void addHelpMenu(QMenuBar* bar)
{
    QMenu* help = bar->addMenu(loc(QStringLiteral("Help")));
    help->addAction(loc(QStringLiteral("Keys")))->setEnabled(false);
    help->addSeparator();
    for (const QString& entry : MenuBar::helpEntries()) {
        if (entry.isEmpty())
            help->addSeparator();
        else
            help->addAction(entry);  // the key text after the tab is shown only: no shortcut
    }
}

}  // namespace

QStringList MenuBar::helpEntries()
{
    const auto entry = [](const char* label, const QString& keys) { return loc(QString::fromUtf8(label)) + u'\t' + keys; };
    return {
        entry("new mail", QStringLiteral("+ · ctrl+n")),
        entry("settings", loc(QStringLiteral("wrench")) + QStringLiteral(" · ctrl+,")),
        QString(),
        entry("file into drawer 1–5", QStringLiteral("1–5")),
        entry("done", QStringLiteral("x")),
        entry("to entropy", QStringLiteral("e")),
        entry("back to in", QStringLiteral("0")),
        entry("trust sender", QStringLiteral("t")),
        entry("preview on / off", QStringLiteral("p")),
        entry("open", QStringLiteral("return")),
        entry("reply", QStringLiteral("r")),
        entry("forward", QStringLiteral("f")),
        QString(),
        entry("check", QStringLiteral("ctrl+r")),
        entry("lu.pong", loc(QStringLiteral("click the logo"))),
    };
}

void MenuBar::build(QMenuBar* bar, const MenuActions& actions)
{
    // The old menus may be the sender of what asked for this rebuild: free them later.
    for (QAction* item : bar->actions())
        if (QMenu* menu = item->menu<QMenu*>())
            menu->deleteLater();
    bar->clear();
    addProgramMenus(bar, actions);
    translate(bar);
    addHelpMenu(bar);
}
