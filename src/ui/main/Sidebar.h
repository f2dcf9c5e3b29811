#pragma once

#include "ui/look/FlippedView.h"

#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class LogoView;
class LUButton;
class LUField;
class QVBoxLayout;

// The left column: the logo (the game), IN, OUT, the five named drawers and ENTROPY, each with
// the count of what waits in it. Mails dropped on an entry are filed there; a drawer's name is
// edited in place after a double click or from its menu.
class Sidebar : public FlippedView {
    Q_OBJECT
public:
    static constexpr double barMark = 12.56271981242673;

    explicit Sidebar(QWidget* parent = nullptr);
    ~Sidebar() override;

    std::function<void(int view)> onDrawer;
    std::function<void()> onLogo;

    using QWidget::update;
    // Highlights the chosen view unless `settings` (a screen without a view is shown) and
    // shows the counts; rebuilds the drawers first when their names changed.
    void update(int drawer, const std::optional<QString>& account, bool settings);
    void startRenaming(int drawer);

    LUButton* inButton() const { return m_in; }
    LUButton* outButton() const { return m_out; }
    LUButton* scamButton() const { return m_scam; }
    const std::vector<std::pair<int, LUButton*>>& drawerButtons() const { return m_drawerButtons; }
    std::optional<int> renaming() const { return m_renaming; }
    LUField* renameField() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct State {
        int drawer = 0;
        std::optional<QString> account;
        bool settings = false;
    };

    LUButton* entry(const QString& title, int view);
    void rebuildDrawers();
    QWidget* renameRow(int drawer, const QString& name);
    void detachRenameField();
    void commitRename();
    void drop(int view, const QStringList& ids);

    QVBoxLayout* m_stack;
    LogoView* m_logo;
    LUButton* m_in;
    LUButton* m_out;
    LUButton* m_down;
    QWidget* m_drawerBox;
    QVBoxLayout* m_drawerStack;
    std::vector<std::pair<int, LUButton*>> m_drawerButtons;
    LUButton* m_scam;
    QStringList m_shownNames;
    std::optional<int> m_renaming;
    QPointer<LUField> m_renameField;
    State m_lastState;
    bool m_rebuilding = false;
    bool m_windowLeft = false;  // the rename field lost the focus to another window
};
