#include "ui/main/EditRouting.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

bool EditRouting::toFocusedText(const char* slot)
{
    QWidget* focus = QApplication::focusWidget();
    if (!qobject_cast<QLineEdit*>(focus) && !qobject_cast<QTextEdit*>(focus) && !qobject_cast<QPlainTextEdit*>(focus))
        return false;
    return QMetaObject::invokeMethod(focus, slot);
}

void EditRouting::closeActiveWindow()
{
    if (QWidget* window = QApplication::activeWindow())
        window->close();
}

void EditRouting::minimizeActiveWindow()
{
    if (QWidget* window = QApplication::activeWindow())
        window->showMinimized();
}
