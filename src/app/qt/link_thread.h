#pragma once
// The module link's own thread. The window hands it operations; they run there one at a
// time, in the order given, so exchanges with the module never overlap and the window
// never waits on the wire. Results come back to the window as queued calls.
//
// Every operation ends: one that raises an error is reported on the window's thread under the
// names of the handler that handed it over (the error trap's message and log line), and its
// completion still runs, told that the operation failed (its result is then default-made and
// means nothing).

#include <QObject>
#include <QThread>
#include <atomic>
#include <exception>
#include <functional>

#include "base/error_log.h"

namespace vx42 {

class LinkThread : public QObject {
    Q_OBJECT
  public:
    // Shows and logs an error raised by an operation; runs on the window's thread.
    using ErrorReport = std::function<void(const ErrorLocation& where, std::exception_ptr error)>;

    explicit LinkThread(QObject* parent = nullptr);
    ~LinkThread() override;

    // Where the errors of operations go (nowhere until set).
    void setErrorReport(ErrorReport report) { report_ = std::move(report); }

    // Runs op on the link's thread after every operation posted before it.
    void post(std::function<void()> op);
    // Runs op on the link's thread, then done(result, false) on the thread of `context` (the
    // window); when op raised an error, done(R{}, true) after the error was reported.
    template <typename R>
    void call(std::function<R()> op, QObject* context, std::function<void(R, bool failed)> done) {
        enqueue([op = std::move(op), context, done = std::move(done), where = postedFrom(),
                 report = report_] {
            R result{};
            std::exception_ptr error;
            try {
                result = op();
            } catch (...) {
                error = std::current_exception();
            }
            QMetaObject::invokeMethod(
                context,
                [done, result = std::move(result), error, where, report] {
                    if (error && report) report(where, error);
                    done(result, error != nullptr);
                },
                Qt::QueuedConnection);
        });
    }

    // Operations posted and not yet finished.
    int pending() const { return pending_.load(); }
    // Waits, with the window's events processed, until every posted operation has finished
    // or the time-out passed. Returns true when the link is idle.
    bool settle(int timeoutMs = 2000);

  signals:
    void idle();

  private:
    // Runs op (which lets nothing escape) on the link's thread.
    void enqueue(std::function<void()> op);
    // The handler handing an operation over, for its error report.
    static ErrorLocation postedFrom();

    QThread thread_;
    QObject* worker_;
    std::atomic<int> pending_{0};
    ErrorReport report_;
};

}  // namespace vx42
