#pragma once

#include <QFuture>
#include <QString>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

// Blocking IMAP jobs run on a pool of their own, so a slow server never holds up another job;
// the GUI-thread coroutine awaits the future. Failures come back as values, never through the
// future, and are rethrown or described on the GUI thread.
namespace NetworkJobs {

template <class T>
struct Result {
    std::optional<T> value;
    std::exception_ptr error;
};

QThreadPool& pool();

// Frees what the TLS library keeps for the calling thread.
void releaseThreadTLS();

template <class Job, class T = std::invoke_result_t<Job>>
QFuture<Result<T>> run(Job job)
{
    return QtConcurrent::run(&pool(), [job = std::move(job)]() -> Result<T> {
        // A pool thread can end after the TLS library's own clean-up at exit, and what the
        // library keeps for that thread would then never be freed; so nothing is left between jobs.
        struct Release {
            ~Release() { releaseThreadTLS(); }
        } release;
        try {
            return {job(), nullptr};
        } catch (...) {
            return {std::nullopt, std::current_exception()};
        }
    });
}

// The text an error display shows: MailError's and PlatformError's own, else what().
QString describe(std::exception_ptr error);

}  // namespace NetworkJobs
