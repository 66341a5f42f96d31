#pragma once
// Drives a file-writing operation through every failure it can meet: the
// open, each of its writes in turn (1, 2, 3, ... until the operation gets
// through all its writes), and the commit. After each failed attempt the
// caller checks that nothing changed that should not have.
#include "datafiles/FileSink.h"

#include <functional>
#include <string>

namespace quelvar::test {

struct FaultLoopResult {
    int failedAttempts = 0;  // attempts made to fail (open + each write + commit)
    int writes = 0;          // writes of the operation that got through
};

// `operation` performs the write; `afterFailure(what)` checks the state after
// an attempt that was made to fail ("open", "write 3", "commit"); `reset`
// puts back whatever the operation may change before the next attempt.
inline FaultLoopResult failEverySinkStep(const std::function<void()>& operation,
                                         const std::function<void(const std::string& what)>& afterFailure,
                                         const std::function<void()>& reset = [] {})
{
    FaultLoopResult result;
    auto attempt = [&](const FileFaults& faults) {
        reset();
        FileSink::injectFaults(faults);
        operation();
        const int writes = FileSink::writesSinceReset();
        FileSink::clearFaults();
        return writes;
    };

    attempt({true, 0, false});
    afterFailure("open");
    ++result.failedAttempts;

    for (int n = 1; n < 10000; ++n) {
        const int writes = attempt({false, n, false});
        if (writes < n) {
            // The Nth write never came: this attempt wrote everything.
            result.writes = writes;
            break;
        }
        afterFailure("write " + std::to_string(n));
        ++result.failedAttempts;
    }

    attempt({false, 0, true});
    afterFailure("commit");
    ++result.failedAttempts;
    reset();
    return result;
}

}  // namespace quelvar::test
