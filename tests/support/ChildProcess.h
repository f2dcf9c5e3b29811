#pragma once

#include <QProcess>

// Ends a server the fixture started: politely first, then for sure.
inline void stopChild(QProcess& process)
{
    process.terminate();
    if (!process.waitForFinished(10000))
        process.kill();
    process.waitForFinished(5000);
}
