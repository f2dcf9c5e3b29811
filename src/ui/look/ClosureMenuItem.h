#pragma once

#include <QAction>

#include <functional>

// A menu item titled loc(title), without a shortcut of its own, that runs a closure.
// The title is shown as plain text: an "&" in mail data is no mnemonic.
class ClosureMenuItem : public QAction {
    Q_OBJECT
public:
    ClosureMenuItem(const QString& title, std::function<void()> run, QObject* parent = nullptr);

    // "&" doubled, so that a menu shows the text exactly.
    static QString menuText(const QString& text);

    const std::function<void()> run;
};
