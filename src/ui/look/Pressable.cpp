#include "ui/look/Pressable.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace {

class PressableAccessible : public QAccessibleWidget {
public:
    PressableAccessible(QWidget* widget, Pressable* pressable)
        : QAccessibleWidget(widget, pressable->accessibleRole())
        , m_pressable(pressable)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name)
            return m_pressable->accessibleTitle();
        return QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (role() == QAccessible::CheckBox) {
            state.checkable = true;
            state.checked = m_pressable->accessibleChecked();
        }
        return state;
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& name) override
    {
        if (name == pressAction())
            m_pressable->press();
    }

private:
    Pressable* m_pressable;
};

QAccessibleInterface* pressableFactory(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    auto* pressable = dynamic_cast<Pressable*>(object);
    if (widget && pressable)
        return new PressableAccessible(widget, pressable);
    return nullptr;
}

}  // namespace

void Pressable::installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(pressableFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
