#include "platform/WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>

namespace {

// The pool whose job this thread is doing, if any.
thread_local const WorkerPool* currentPool = nullptr;

int coresOfMachine() {
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

std::mutex sharedMutex;
std::unique_ptr<WorkerPool> sharedPool;

} // namespace

WorkerPool::WorkerPool(int threadCount) {
    threadCount_ = threadCount > 0 ? threadCount : coresOfMachine();
    for (int t = 1; t < threadCount_; ++t)
        workers_.emplace_back(&WorkerPool::workerLoop, this, t);
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quitting_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

bool WorkerPool::runsAlone() {
    if (workers_.empty() || currentPool == this)
        return true;
    return !jobMutex_.try_lock();
}

void WorkerPool::runOnAll(const Task& task) {
    if (runsAlone()) {
        task(0);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        task_ = &task;
        busy_ = int(workers_.size());
        ++jobNumber_;
    }
    wake_.notify_all();
    currentPool = this;
    std::exception_ptr failure;
    try {
        task(0);
    } catch (...) {
        failure = std::current_exception();
    }
    currentPool = nullptr;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        finished_.wait(lock, [this] { return busy_ == 0; });
        task_ = nullptr;
        if (!failure)
            failure = workerFailure_;
        workerFailure_ = nullptr;
    }
    jobMutex_.unlock();
    if (failure)
        std::rethrow_exception(failure);
}

void WorkerPool::forEach(int count, int run, const Work& work) {
    if (count <= 0)
        return;
    run = std::max(run, 1);
    if (count <= run) {
        work(0, count, 0);
        return;
    }
    std::atomic<int> next{0};
    runOnAll([&](int thread) {
        for (;;) {
            int begin = next.fetch_add(run);
            if (begin >= count)
                return;
            work(begin, std::min(begin + run, count), thread);
        }
    });
}

void WorkerPool::workerLoop(int thread) {
    currentPool = this;
    uint64_t seen = 0;
    for (;;) {
        const Task* task;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return quitting_ || jobNumber_ != seen; });
            if (quitting_)
                return;
            seen = jobNumber_;
            task = task_;
        }
        std::exception_ptr failure;
        try {
            (*task)(thread);
        } catch (...) {
            failure = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (failure && !workerFailure_)
                workerFailure_ = failure;
            --busy_;
            if (busy_ > 0)
                continue;
        }
        finished_.notify_one();
    }
}

WorkerPool& WorkerPool::shared() {
    std::lock_guard<std::mutex> lock(sharedMutex);
    if (!sharedPool)
        sharedPool.reset(new WorkerPool(0));
    return *sharedPool;
}

void WorkerPool::setSharedThreadCount(int threadCount) {
    std::lock_guard<std::mutex> lock(sharedMutex);
    sharedPool.reset(new WorkerPool(threadCount));
}
