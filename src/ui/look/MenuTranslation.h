#pragma once

class QMenu;

// Re-titles a menu tree through loc, depth first: the menu, then each item in order, each
// submenu with its own items.
void translate(QMenu* menu);
