#pragma once

#include <QAccessible>
#include <QString>

// A custom-painted control that screen readers and tests operate like one of Qt's own buttons:
// it has a name, a role and a press action that does what a click does.
class Pressable {
public:
    virtual ~Pressable() = default;
    virtual QString accessibleTitle() const = 0;
    virtual void press() = 0;
    virtual QAccessible::Role accessibleRole() const { return QAccessible::Button; }
    // For the check-box role: whether it is ticked.
    virtual bool accessibleChecked() const { return false; }

    // Registers the accessibility factory once per process; every pressable widget calls it.
    static void installAccessibility();
};
