// Work on threads: every item done exactly once whether the system lets
// threads start or not, never more threads than work or processors, and a
// failure in the work reaches the caller instead of ending the program.
#include "common/WorkThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace quelvar;

namespace {

struct LimitStarts {
    explicit LimitStarts(int allowed) { limitWorkThreadStarts(allowed); }
    ~LimitStarts() { limitWorkThreadStarts(-1); }
};

}  // namespace

TEST(WorkThreads, CountIsCappedByTheWorkAndTheProcessors)
{
    const int processors = processorCount();
    ASSERT_GE(processors, 1);
    const struct {
        std::size_t items;
        int wanted;
        int expected;
    } cases[] = {
        {0, 4, 1}, {1, 64, 1}, {3, 1, 1}, {100, 0, processors}, {100, 64, processors},
        {100, 2, std::min(2, processors)}, {2, 0, std::min(2, processors)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(workThreadCount(c.items, c.wanted), c.expected) << c.items << " items, " << c.wanted << " wanted";
}

TEST(WorkThreads, EveryItemRunsOnceWhenThreadsCannotStart)
{
    const std::thread::id caller = std::this_thread::get_id();
    for (const int allowed : {-1, 0, 1}) {
        SCOPED_TRACE(allowed);
        LimitStarts limit(allowed);
        constexpr std::size_t kItems = 500;
        std::vector<std::atomic<int>> runs(kItems);
        std::mutex mutex;
        std::set<int> workers;
        std::set<std::thread::id> threads;
        runOnWorkThreads(kItems, 64, [&](std::size_t item, int worker) {
            ++runs[item];
            const std::lock_guard lock(mutex);
            workers.insert(worker);
            threads.insert(std::this_thread::get_id());
        });
        for (std::size_t i = 0; i < kItems; ++i)
            ASSERT_EQ(runs[i], 1) << "item " << i;
        EXPECT_LT(*workers.rbegin(), workThreadCount(kItems, 64));
        EXPECT_LE(int(threads.size()), workThreadCount(kItems, 64));
        if (allowed == 0)
            EXPECT_EQ(threads, std::set<std::thread::id>{caller}) << "the calling thread does it all";
    }
}

TEST(WorkThreads, AFailureInTheWorkStopsItAndReachesTheCaller)
{
    std::atomic<int> ran{0};
    EXPECT_THROW(runOnWorkThreads(100000, 2,
                                  [&](std::size_t item, int) {
                                      ++ran;
                                      if (item == 3)
                                          throw std::runtime_error("no room");
                                  }),
                 std::runtime_error);
    EXPECT_LT(ran, 100000) << "the items after the failure are not handed out";
}
