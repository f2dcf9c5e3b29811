#pragma once

#include <QPointer>
#include <QWidget>

// The About window: logo, name and version, credit line and two links, in the program's look.
// There is at most one; asking again brings it to the front, closing it lets the next ask build anew.
class AboutWindowController : public QWidget {
    Q_OBJECT
public:
    static void show();
    static AboutWindowController* current();

    // "LU.MARA " and the program's version (empty when none is set).
    static QString versionText();

private:
    AboutWindowController();
    void build();
    void themeChanged();

    static QPointer<AboutWindowController> s_current;
};
