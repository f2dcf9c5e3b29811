#pragma once

#include "core/NetworkJobs.h"

#include <QEventLoop>
#include <QString>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include <optional>

// Runs a task to its end on an event loop of its own, with a watchdog, so that the test can
// check the outcome outside any coroutine.
template <class T>
struct TaskOutcome {
    bool finished = false;
    std::optional<T> value;
    QString error;  // the failure's description text
};

namespace TaskRunnerDetail {

template <class T>
QCoro::Task<> drive(QCoro::Task<T> task, TaskOutcome<T>* outcome, QEventLoop* loop)
{
    try {
        T value = co_await task;
        outcome->value = std::move(value);
    } catch (...) {
        outcome->error = NetworkJobs::describe(std::current_exception());
    }
    outcome->finished = true;
    loop->quit();
}

inline QCoro::Task<bool> finished(QCoro::Task<> task)
{
    co_await task;
    co_return true;
}

}  // namespace TaskRunnerDetail

template <class T>
TaskOutcome<T> runTask(QCoro::Task<T> task, int watchdogMs = 120000)
{
    QEventLoop loop;
    TaskOutcome<T> outcome;
    QCoro::Task<> driver = TaskRunnerDetail::drive(std::move(task), &outcome, &loop);
    if (!outcome.finished) {
        QTimer::singleShot(watchdogMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return outcome;
}

inline TaskOutcome<bool> runTask(QCoro::Task<> task, int watchdogMs = 120000)
{
    return runTask(TaskRunnerDetail::finished(std::move(task)), watchdogMs);
}
