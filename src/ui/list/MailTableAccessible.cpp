#include "ui/list/MailTableAccessible.h"

#include "ui/list/MailRowView.h"
#include "ui/list/MailTable.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

namespace {

class RowAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    RowAccessible(MailTable* table, int row)
        : m_table(table)
        , m_row(row)
    {
    }

    bool isValid() const override { return m_table && m_row < m_table->rowCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_table ? m_table->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_table.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name || !isValid())
            return {};
        const MailItem& mail = m_table->items()[size_t(m_row)];
        const QString subject = mail.subject.isEmpty() ? QStringLiteral("(no subject)") : mail.subject;
        return (MailRowView::carriesEMark(mail) ? QStringLiteral("e? ") : QString()) + subject + QStringLiteral(" · ")
            + mail.displayFrom() + QStringLiteral(" · ") + MailRowView::dateText(mail.date, QDate::currentDate());
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect local = m_table->rowRect(m_row).toAlignedRect();
        return QRect(m_table->viewport()->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.multiSelectable = true;
        state.focusable = true;
        state.selected = m_table->isSelected(m_row);
        state.focused = m_table->hasFocus() && m_table->selectedRow() == m_row;
        state.offscreen = !m_table->rowRect(m_row).intersects(m_table->viewport()->rect());
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    void doAction(const QString& name) override
    {
        if (name == pressAction() && isValid())
            m_table->selectRow(m_row);
    }

private:
    QPointer<MailTable> m_table;
    const int m_row;
};

class TableAccessible : public QAccessibleWidget {
public:
    explicit TableAccessible(MailTable* table)
        : QAccessibleWidget(table, QAccessible::List)
    {
    }

    ~TableAccessible() override { forgetRows(); }

    MailTable* table() const { return static_cast<MailTable*>(widget()); }

    int childCount() const override { return table()->rowCount(); }

    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (const auto known = m_rows.constFind(index); known != m_rows.cend())
            return QAccessible::accessibleInterface(*known);
        auto* row = new RowAccessible(table(), index);
        m_rows.insert(index, QAccessible::registerAccessibleInterface(row));
        return row;
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (auto it = m_rows.cbegin(); it != m_rows.cend(); ++it)
            if (QAccessible::accessibleInterface(*it) == child)
                return it.key();
        return -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint local = table()->viewport()->mapFromGlobal(QPoint(x, y));
        if (!table()->viewport()->rect().contains(local))
            return nullptr;
        return child(table()->rowAt(local.y()));
    }

    void forgetRows()
    {
        for (const QAccessible::Id id : std::as_const(m_rows))
            QAccessible::deleteAccessibleInterface(id);
        m_rows.clear();
    }

private:
    mutable QHash<int, QAccessible::Id> m_rows;
};

QAccessibleInterface* tableFactory(const QString&, QObject* object)
{
    if (auto* table = qobject_cast<MailTable*>(object))
        return new TableAccessible(table);
    return nullptr;
}

}  // namespace

void MailTableAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(tableFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

void MailTableAccessible::rowsChanged(MailTable* table)
{
    if (!QAccessible::isActive())
        return;
    if (auto* accessible = dynamic_cast<TableAccessible*>(QAccessible::queryAccessibleInterface(table)))
        accessible->forgetRows();
    QAccessibleEvent event(table, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&event);
}

void MailTableAccessible::selectionChanged(MailTable* table)
{
    if (!QAccessible::isActive() || table->selectedRow() < 0)
        return;
    QAccessibleEvent selection(table, QAccessible::SelectionWithin);
    QAccessible::updateAccessibility(&selection);
    if (!table->hasFocus())
        return;
    QAccessibleEvent focus(table, QAccessible::Focus);
    focus.setChild(table->selectedRow());
    QAccessible::updateAccessibility(&focus);
}
