#include "os/thread.h"

#include <vector>

namespace voz::os {

void RunOnThreads(unsigned threads, const std::function<void()>& work) {
    std::vector<std::unique_ptr<Thread>> pool;
    for (unsigned t = 1; t < threads; ++t) {
        auto thread = std::make_unique<Thread>();
        if (!thread->Start(work)) {
            break;  // no more threads: the ones running share the work
        }
        pool.push_back(std::move(thread));
    }
    work();
    // Each thread is joined as the pool goes.
}

}  // namespace voz::os
