#include "ui/main/MainWindowController.h"

#include "core/MailStore.h"
#include "ui/look/LUField.h"
#include "ui/list/MailListView.h"
#include "ui/list/MailTable.h"
#include "ui/main/Sidebar.h"

// Typing searches at once from any screen; an empty (or blank) field returns to the view
// chosen before the first keystroke.
void MainWindowController::searchChanged(const QString& text)
{
    if (text.trimmed().isEmpty()) {
        clearSearch();
        // Keep typing where the user types: a blank or a deleted word must not hand the next
        // keys to the list, where letters file and discard mails.
        m_searchField->setFocus();
        return;
    }
    if (m_drawer != searchView)
        m_drawerBeforeSearch = m_drawer;
    m_drawer = searchView;
    MailStore::shared().search(text);
    reloadList();
    if (m_currentScreen != Screen::list)
        show(m_list, Screen::list);
    m_sidebar->update(searchView, std::nullopt, true);
    // The focus stays in the field while the user types.
}

void MainWindowController::clearSearch()
{
    MailStore::shared().search(QString());
    if (m_drawer == searchView)
        m_drawer = m_drawerBeforeSearch;
    showList();
}

// Escape clears the search; Return and Down go on to the list without changing it.
bool MainWindowController::searchCommand(int key)
{
    switch (key) {
    case Qt::Key_Escape:
        m_searchField->clear();
        clearSearch();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
        m_list->table()->setFocus();
        return true;
    default:
        return false;
    }
}
