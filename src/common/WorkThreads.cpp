#include "common/WorkThreads.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <new>
#include <sched.h>
#include <system_error>
#include <thread>
#include <vector>

namespace quelvar {
namespace {

std::atomic<int> startsAllowed{-1};

// Takes one start from the test seam's allowance; false when none is left.
bool mayStart()
{
    int allowed = startsAllowed.load();
    while (allowed >= 0) {
        if (allowed == 0)
            return false;
        if (startsAllowed.compare_exchange_weak(allowed, allowed - 1))
            return true;
    }
    return true;
}

}  // namespace

int processorCount()
{
    // The affinity mask, not the machine: a job array or taskset may give
    // this process fewer processors than the machine has.
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        return std::max(1, CPU_COUNT(&set));
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

int workThreadCount(std::size_t items, int wanted)
{
    std::size_t threads = static_cast<std::size_t>(processorCount());
    if (wanted > 0)
        threads = std::min(threads, static_cast<std::size_t>(wanted));
    return static_cast<int>(std::max<std::size_t>(1, std::min(threads, items)));
}

void runOnWorkThreads(std::size_t count, int wanted,
                      const std::function<void(std::size_t item, int worker)>& work)
{
    if (count == 0)
        return;
    std::atomic<std::size_t> next{0};
    std::mutex failureMutex;
    std::exception_ptr failure;
    auto worker = [&](int number) {
        try {
            for (std::size_t item = next++; item < count; item = next++)
                work(item, number);
        } catch (...) {
            next = count;
            const std::lock_guard lock(failureMutex);
            if (!failure)
                failure = std::current_exception();
        }
    };

    const int threads = workThreadCount(count, wanted);
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<std::size_t>(threads));
    for (int number = 1; number < threads; ++number) {
        if (!mayStart())
            break;
        try {
            helpers.emplace_back(worker, static_cast<int>(helpers.size()) + 1);
        } catch (const std::system_error&) {
            break;  // the system has no room for another thread now
        } catch (const std::bad_alloc&) {
            break;
        }
    }
    worker(0);
    for (std::thread& helper : helpers)
        helper.join();
    if (failure)
        std::rethrow_exception(failure);
}

std::thread startOrRunHere(std::function<void()> work)
{
    if (mayStart()) {
        try {
            return std::thread(work);
        } catch (const std::system_error&) {
        } catch (const std::bad_alloc&) {
        }
    }
    work();
    return {};
}

void limitWorkThreadStarts(int allowed) { startsAllowed = allowed < 0 ? -1 : allowed; }

}  // namespace quelvar
