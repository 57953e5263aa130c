#include "platform/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(WorkerPool, EveryIndexOnceAndTheCallerIsThreadZero) {
    for (int threads : {1, 2, 5}) {
        WorkerPool pool(threads);
        ASSERT_EQ(pool.threadCount(), threads);
        std::vector<std::atomic<int>> seen(1001);
        pool.forEach(1001, 7, [&](int begin, int end, int thread) {
            ASSERT_LT(thread, threads);
            for (int i = begin; i < end; ++i)
                ++seen[size_t(i)];
            // A call from inside a job is done alone, on the calling thread.
            pool.forEach(3, 1, [&](int, int, int inner) { EXPECT_EQ(inner, 0); });
        });
        for (const std::atomic<int>& count : seen)
            ASSERT_EQ(count.load(), 1);
        std::vector<std::atomic<int>> ran(static_cast<size_t>(threads));
        const std::thread::id caller = std::this_thread::get_id();
        pool.runOnAll([&](int thread) {
            ++ran[size_t(thread)];
            EXPECT_EQ(thread == 0, std::this_thread::get_id() == caller);
        });
        for (const std::atomic<int>& count : ran)
            EXPECT_EQ(count.load(), 1) << threads << " threads";
    }
}

