// Work on threads: never more threads than work or processors, every item
// done exactly once however many threads the system lets start, and a failure
// in the work reaches the caller instead of ending the program.
#include "common/WorkThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace quelvar;

TEST(WorkThreads, CappedByWorkAndProcessorsAndDoneOnTheCallerWhenNoThreadStarts)
{
    const int cpus = processorCount();
    EXPECT_EQ(workThreadCount(0, 4), 1);
    EXPECT_EQ(workThreadCount(1, 64), 1);
    EXPECT_EQ(workThreadCount(100, 64), cpus);
    EXPECT_EQ(workThreadCount(100, 0), cpus);
    EXPECT_EQ(workThreadCount(2, 0), std::min(2, cpus));
    for (const int allowed : {-1, 0, 1}) {
        SCOPED_TRACE(allowed);
        limitWorkThreadStarts(allowed);
        std::vector<std::atomic<int>> runs(500);
        std::mutex mutex;
        std::set<std::thread::id> threads;
        runOnWorkThreads(runs.size(), 64, [&](std::size_t item, int worker) {
            ++runs[item];
            EXPECT_LT(worker, cpus);
            const std::lock_guard lock(mutex);
            threads.insert(std::this_thread::get_id());
        });
        limitWorkThreadStarts(-1);
        for (std::size_t i = 0; i < runs.size(); ++i)
            ASSERT_EQ(runs[i], 1) << "item " << i;
        if (allowed == 0)
            EXPECT_EQ(threads, std::set{std::this_thread::get_id()});
    }
    for (const int allowed : {-1, 0}) {
        limitWorkThreadStarts(allowed);
        // A single background task: on a thread of its own, or done at once.
        std::thread::id ranOn;
        std::thread started = startOrRunHere([&] { ranOn = std::this_thread::get_id(); });
        EXPECT_EQ(started.joinable(), allowed != 0);
        if (started.joinable())
            started.join();
        EXPECT_EQ(ranOn == std::this_thread::get_id(), allowed == 0);
        // A failure on a helper thread would end the program if it escaped
        // there; it reaches the caller, and no item is handed out after it.
        std::atomic<int> ran{0};
        const auto failAtThree = [&](std::size_t item, int) {
            ++ran;
            if (item == 3)
                throw std::runtime_error("no room");
        };
        EXPECT_THROW(runOnWorkThreads(1000, 2, failAtThree), std::runtime_error);
        limitWorkThreadStarts(-1);
        if (allowed == 0)
            EXPECT_EQ(ran, 4);
    }
}
