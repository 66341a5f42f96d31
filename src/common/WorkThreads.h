#pragma once
// The one way the program runs work side by side: quelvar-fit's files, the
// exhaustive fit's settings, the two files written at the end of a run. It
// never starts more threads than there is work or processors, and a thread
// the system refuses (too little memory, too many threads) only means the
// threads that did start, at least the calling one, do its share.
#include <cstddef>
#include <functional>
#include <thread>

namespace quelvar {

// The processors this process may run on; at least 1.
int processorCount();

// The threads worth running for `items` pieces of work when at most `wanted`
// are asked for (0: no limit of its own): never more than the pieces or the
// processors, never fewer than one.
int workThreadCount(std::size_t items, int wanted);

// Calls work(item, worker) once for every item 0 ... count-1, on up to
// workThreadCount(count, wanted) threads; the calling thread is worker 0 and
// the others have numbers below that count. Items are handed out in
// increasing order. Returns when every item is done. The first exception
// thrown by work stops the handing out and is rethrown here once every
// thread has ended.
void runOnWorkThreads(std::size_t count, int wanted,
                      const std::function<void(std::size_t item, int worker)>& work);

// Starts `work` on a thread of its own; when the system refuses one, runs it
// here before returning. The thread returned is the caller's to join; it is
// not joinable when the work has already run.
std::thread startOrRunHere(std::function<void()> work);

// Test seam: from now on only `allowed` more threads start; the system is
// taken to refuse the rest. A negative number lifts the limit.
void limitWorkThreadStarts(int allowed);

}  // namespace quelvar
