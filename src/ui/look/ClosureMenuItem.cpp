#include "ui/look/ClosureMenuItem.h"

#include "ui/look/L10n.h"

ClosureMenuItem::ClosureMenuItem(const QString& title, std::function<void()> run, QObject* parent)
    : QAction(menuText(loc(title)), parent)
    , run(std::move(run))
{
    connect(this, &QAction::triggered, this, [this] {
        if (this->run)
            this->run();
    });
}

QString ClosureMenuItem::menuText(const QString& text)
{
    QString escaped = text;
    return escaped.replace(u'&', QStringLiteral("&&"));
}
