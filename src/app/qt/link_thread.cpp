// The module link's own thread: exchanges run there one at a time, in order.
#include "app/qt/link_thread.h"

#include <QEventLoop>
#include <QTimer>

namespace vx42 {

LinkThread::LinkThread(QObject* parent) : QObject(parent), worker_(new QObject) {
    thread_.setObjectName("module link");
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

LinkThread::~LinkThread() {
    // The operations already handed over run first (a confirmed edit still reaches the
    // module); then the thread stops.
    QMetaObject::invokeMethod(
        worker_, [this] { thread_.quit(); }, Qt::QueuedConnection);
    thread_.wait();
}

ErrorLocation LinkThread::postedFrom() {
    if (const ErrorLocation* handler = RunningHandler()) return *handler;
    return {"modLink", "LinkThread", "Run"};
}

void LinkThread::enqueue(std::function<void()> op) {
    ++pending_;
    QMetaObject::invokeMethod(
        worker_,
        [this, op = std::move(op)] {
            op();
            if (--pending_ == 0)
                QMetaObject::invokeMethod(this, &LinkThread::idle, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void LinkThread::post(std::function<void()> op) {
    enqueue([this, op = std::move(op), where = postedFrom(), report = report_] {
        try {
            op();
        } catch (...) {
            if (!report) return;
            QMetaObject::invokeMethod(
                this, [report, where, error = std::current_exception()] { report(where, error); },
                Qt::QueuedConnection);
        }
    });
}

bool LinkThread::settle(int timeoutMs) {
    if (pending_.load() == 0) return true;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &LinkThread::idle, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    while (pending_.load() != 0 && timer.isActive()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    return pending_.load() == 0;
}

}  // namespace vx42
