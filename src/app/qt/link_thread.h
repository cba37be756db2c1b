#pragma once
// The module link's own thread. The window hands it operations; they run there one at a
// time, in the order given, so exchanges with the module never overlap and the window
// never waits on the wire. Results come back to the window as queued calls.

#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>

namespace vx42 {

class LinkThread : public QObject {
    Q_OBJECT
public:
    explicit LinkThread(QObject* parent = nullptr);
    ~LinkThread() override;

    // Runs op on the link's thread after every operation posted before it.
    void post(std::function<void()> op);
    // Runs op on the link's thread, then done(...) on the thread of `context` (the window).
    template <typename R>
    void call(std::function<R()> op, QObject* context, std::function<void(R)> done) {
        post([op = std::move(op), context, done = std::move(done)] {
            R result = op();
            QMetaObject::invokeMethod(
                context, [done, result = std::move(result)] { done(result); },
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
    QThread thread_;
    QObject* worker_;
    std::atomic<int> pending_{0};
};

}  // namespace vx42
