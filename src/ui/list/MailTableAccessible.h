#pragma once

class MailTable;

// The table as screen readers and tests see it: a list whose items are the rows (subject, sender,
// date), selectable with the press action. Rows have no widgets, so their items are made on
// demand and dropped with every new set of rows.
namespace MailTableAccessible {

void install();
// New rows: the items made for the old ones go.
void rowsChanged(MailTable* table);
// The selected row takes the reader's focus.
void selectionChanged(MailTable* table);

}  // namespace MailTableAccessible
