#pragma once

#include <QString>

#include <functional>

class QMenuBar;

// What the menu items do; an empty function leaves its item without effect.
struct MenuActions {
    std::function<void()> showAbout, showSettings, hide, quit;
    std::function<void()> newMail, checkMail, openMailFile, saveMail, addAccount, closeWindow;
    std::function<void()> undo, redo, cut, copy, paste, selectEverything;
    std::function<void()> toggleAppearance, togglePong, minimize;
};

namespace MenuBar {

// Empties the bar and builds every menu afresh in the current language: the program's own menu
// "LU.MARA" first (this desktop has no application menu), File, Edit, View, Window and Help.
// Shortcuts work in every window of the program.
void build(QMenuBar* bar, const MenuActions& actions);

// The Help menu's entries as shown: translated label, a tab, the key text; separators as "".
QStringList helpEntries();

}
