#pragma once

#include "ui/look/FlippedView.h"

#include <QList>

#include <functional>

class FlowView;
class LUButton;
class LULabel;
class PongField;

// The game screen: a bar of controls (new game, level, format, observer, score), the field, and
// the help below it; every text follows the language setting.
//
// How the main window uses it: show it in place of the mail list and call start() the first time
// (resume() later), pause() whenever another screen is shown or the window leaves by any route,
// and set onExit (Esc in the field). While a game runs, clicks elsewhere in the window are
// swallowed except on the logo, the plus button and icon buttons; allowDuringGame() lets another
// widget through (the sidebar is not, so a mail is not opened by a stray click during a rally).
class PongView : public FlippedView {
    Q_OBJECT
public:
    explicit PongView(QWidget* parent = nullptr);

    std::function<void()> onExit;

    PongField* field() const { return m_field; }
    FlowView* bar() const { return m_bar; }
    LULabel* info() const { return m_info; }
    LULabel* scoreLabel() const { return m_scoreLabel; }
    LUButton* headerButton() const { return m_headerButton; }
    LUButton* observerButton() const { return m_observerButton; }
    const QList<LUButton*>& levelButtons() const { return m_levelButtons; }
    const QList<LUButton*>& formatButtons() const { return m_formatButtons; }

    void start();   // a new game
    void resume();  // the game as it was left, after a short "ready" (a new one if none was started)
    void pause();
    void allowDuringGame(QWidget* widget);

    // Marks the stored level and format and sets the help text.
    void refresh();
    void languageChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutChildren();
    void setObserver(bool on);

    PongField* m_field;
    FlowView* m_bar;
    LULabel* m_info;
    LUButton* m_observerButton;
    LULabel* m_scoreLabel;
    QList<LUButton*> m_levelButtons;
    QList<LUButton*> m_formatButtons;
    LULabel* m_matchLabel;
    LUButton* m_headerButton;
};
