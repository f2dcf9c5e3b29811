#pragma once

#include <QFile>

// The process's peak resident memory (VmHWM), which Linux lets a process reset for itself, so
// that a test can tell what one step cost at its height.
namespace PeakMemory {

inline bool reset()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

// In MiB; -1 when it cannot be read.
inline double mebibytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

}  // namespace PeakMemory
