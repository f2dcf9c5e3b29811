// Opens the settings file named by its argument as a start of the program does, so that a test
// can start it again and again without QSettings' per-process cache in the way; prints the
// "dark" setting ("dark" or "light").
#include "core/Prefs.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const Prefs prefs(QString::fromLocal8Bit(argv[1]));
    std::printf("%s\n", prefs.dark() ? "dark" : "light");
    return 0;
}
