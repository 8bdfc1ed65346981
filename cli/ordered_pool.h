// A small pool of threads that works through a numbered list of items and hands the results back in list
// order, on the calling thread, as soon as each one and all before it are done.
#pragma once

#include <cstddef>
#include <functional>

namespace sqzcli {

struct PoolCallbacks {
    // The work on item `index`, on worker `worker` (0 to jobs - 1); runs on the workers, several at once.
    std::function<void(size_t index, unsigned worker)> work;
    // Item `index` is done, as are all before it; runs on the calling thread, in index order.
    std::function<void(size_t index)> done;
    // Runs on the calling thread about ten times a second while it waits (for a progress display); may be empty.
    std::function<void()> tick;
    // Asked before each item is started: true stops handing out items (the ones started are finished). May be
    // empty.
    std::function<bool()> stop;
};

// Works through items 0 to count - 1 on `jobs` threads (at least one, at most count) and returns how many were
// done; fewer than `count` only when `stop` said so. The items are started in index order. With one job the
// calling thread does the work itself (and `tick` is not needed: `done` follows each item at once).
size_t RunOrdered(size_t count, unsigned jobs, const PoolCallbacks& callbacks);

}  // namespace sqzcli
