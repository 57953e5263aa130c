#pragma once
// The engine's one way to use several cores: a fixed set of threads that take
// part in a job together with the thread that hands it out. A job is either a
// task that every thread of the pool runs once (`runOnAll`), or a loop over
// the indices 0 .. count - 1 handed out in runs (`forEach`); both return when
// every thread has finished its part. The calling thread always takes part as
// thread 0, so work that must stay on the main thread (drawing) can be given
// to thread 0; the others are numbered 1 .. threadCount() - 1, which lets a
// job keep scratch space per thread without locks.
//
// Which thread does which index is left to chance: work given to the pool
// must give the same result whoever does it. A call made from inside a job of
// the same pool, or while another thread's job is running, is done on the
// calling thread alone as thread 0. An exception (an allocation that fails)
// thrown by any thread's part is thrown again to the caller once every thread
// has finished; nothing in a job may end the process.
//
// The shared pool has one thread per core the machine reports; tests may set
// another count with `setSharedThreadCount`, which replaces the shared pool:
// only while nothing holds or uses it.

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class WorkerPool {
  public:
    using Task = std::function<void(int thread)>;
    using Work = std::function<void(int begin, int end, int thread)>;

    // threadCount threads in all, the caller included; 0 or less: one per core.
    explicit WorkerPool(int threadCount);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int threadCount() const { return threadCount_; }

    // task(t) once on every thread t of the pool, task(0) on the caller.
    void runOnAll(const Task& task);

    // work(begin, end, thread) over runs of at most `run` consecutive indices
    // that together cover 0 .. count - 1, each index exactly once.
    void forEach(int count, int run, const Work& work);

    static WorkerPool& shared();
    static void setSharedThreadCount(int threadCount); // 0: one per core

  private:
    void workerLoop(int thread);
    bool runsAlone(); // true when a job must be done by the caller alone

    int threadCount_ = 1;
    std::vector<std::thread> workers_;
    std::mutex jobMutex_; // held by the thread whose job runs
    std::mutex mutex_;    // guards the fields below
    std::condition_variable wake_, finished_;
    const Task* task_ = nullptr;
    uint64_t jobNumber_ = 0; // increases with every job handed out
    int busy_ = 0;           // workers still in the current job
    bool quitting_ = false;
    std::exception_ptr workerFailure_; // the first exception a worker's part threw
};
