#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <QThread>

#include <functional>
#include <memory>

// `work` on a thread of its own, `done` with its answer on `context`'s
// thread; nobody waits for the thread, not even the program's end (a
// server that hangs must never hold a window or the exit).
template <typename T>
void runAside(QObject *context, std::function<T()> work, std::function<void(const T &)> done)
{
    auto promise = std::make_shared<QPromise<T>>();
    auto *watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcher<T>::finished, context, [watcher, done] {
        if (watcher->future().resultCount() > 0)
            done(watcher->future().result());
        watcher->deleteLater();
    });
    watcher->setFuture(promise->future());
    QThread *thread = QThread::create([promise, work] {
        promise->start();
        promise->addResult(work());
        promise->finish();
    });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}
