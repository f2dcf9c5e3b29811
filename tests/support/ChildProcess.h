#pragma once

#include <QProcess>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

// Ends a server the fixture started: politely first, then for sure.
inline void stopChild(QProcess& process)
{
    process.terminate();
    if (!process.waitForFinished(10000))
        process.kill();
    process.waitForFinished(5000);
}

// A daemon must not outlive a test that crashes or is killed: it would keep the test's output
// open, and ctest would wait for it until the time-out. The signal comes when the thread that
// starts the process ends, so start daemons from the test's main thread.
inline void dieWithTest(QProcess& process, int signal = SIGKILL)
{
    const pid_t test = ::getpid();
    process.setChildProcessModifier([test, signal] {
        ::prctl(PR_SET_PDEATHSIG, signal);
        if (::getppid() != test)  // the test was gone before the line above
            ::_exit(127);
    });
}
