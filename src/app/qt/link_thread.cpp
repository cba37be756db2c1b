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
    QMetaObject::invokeMethod(worker_, [this] { thread_.quit(); }, Qt::QueuedConnection);
    thread_.wait();
}

void LinkThread::post(std::function<void()> op) {
    ++pending_;
    QMetaObject::invokeMethod(
        worker_,
        [this, op = std::move(op)] {
            try {
                op();
            } catch (...) {
                // Operations report their own failures; nothing may escape the link's thread.
            }
            if (--pending_ == 0) QMetaObject::invokeMethod(this, &LinkThread::idle, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
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
