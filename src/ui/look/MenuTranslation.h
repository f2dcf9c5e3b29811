#pragma once

class QMenu;
class QMenuBar;

// Re-titles a menu tree through loc, depth first: the menu, then each item in order, each
// submenu with its own items.
void translate(QMenu* menu);
// Every menu of the bar, in order.
void translate(QMenuBar* bar);
