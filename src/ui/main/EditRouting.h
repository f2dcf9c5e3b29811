#pragma once

#include <QString>

// What the other desktop sends along its responder chain goes here to the focused widget or the
// active window.
namespace EditRouting {

// Calls the edit slot ("undo", "redo", "cut", "copy", "paste", "selectAll") of the focused text
// widget; false when the focus is not in one that has it.
bool toFocusedText(const char* slot);
// Closes or minimises the window in front.
void closeActiveWindow();
void minimizeActiveWindow();

}
