#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class PongField;
class QMouseEvent;
class QWidget;

// While a game runs, the whole window is the game's: the pointer moves the paddle wherever it is,
// and a click outside the game screen is swallowed (a double click arms the smash) unless it
// lands on the logo, the plus button, an icon button, a widget let through with allow(), or
// outside the window's central widget (the menu bar). Installed on the application while the
// field runs; it looks only at the field's own window.
class PongGuard : public QObject {
    Q_OBJECT
public:
    explicit PongGuard(PongField* field);

    void install();
    void remove();
    bool installed() const { return m_installed; }

    // A widget that keeps taking clicks during a game (with everything inside it).
    void allow(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool passes(const QMouseEvent& event) const;

    PongField* m_field;
    QList<QPointer<QWidget>> m_allowed;
    bool m_installed = false;
    bool m_pressPassed = true;  // a release goes where its press went
};
