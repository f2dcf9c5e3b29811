#include "ui/look/MenuTranslation.h"

#include "ui/look/L10n.h"

#include <QMenu>
#include <QMenuBar>

void translate(QMenu* menu)
{
    menu->setTitle(loc(menu->title()));
    for (QAction* item : menu->actions()) {
        // A submenu's item is its title: translating both would run loc over German text.
        if (QMenu* submenu = item->menu<QMenu*>())
            translate(submenu);
        else
            item->setText(loc(item->text()));
    }
}

void translate(QMenuBar* bar)
{
    for (QAction* item : bar->actions())
        if (QMenu* menu = item->menu<QMenu*>())
            translate(menu);
}
