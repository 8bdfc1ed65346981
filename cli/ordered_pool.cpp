// The ordered thread pool.
#include "ordered_pool.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace sqzcli {

size_t RunOrdered(size_t count, unsigned jobs, const PoolCallbacks& callbacks) {
    if (count == 0) return 0;
    if (jobs < 1) jobs = 1;
    if (jobs > count) jobs = static_cast<unsigned>(count);
    if (jobs == 1) {
        // One job: the calling thread does the work itself, without handing each item over to another thread.
        size_t i = 0;
        for (; i < count && !(callbacks.stop && callbacks.stop()); ++i) {
            callbacks.work(i, 0);
            callbacks.done(i);
        }
        return i;
    }

    std::atomic<size_t> next{0};
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<char> finished(count, 0);  // guarded by mutex
    unsigned running = jobs;               // guarded by mutex

    auto worker = [&](unsigned w) {
        for (;;) {
            if (callbacks.stop && callbacks.stop()) break;
            size_t i = next.fetch_add(1);
            if (i >= count) break;
            callbacks.work(i, w);
            std::lock_guard<std::mutex> lock(mutex);
            finished[i] = 1;
            changed.notify_one();
        }
        std::lock_guard<std::mutex> lock(mutex);
        --running;
        changed.notify_one();
    };
    std::vector<std::thread> threads;
    threads.reserve(jobs);
    for (unsigned w = 0; w < jobs; ++w) threads.emplace_back(worker, w);

    size_t reported = 0;
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        while (reported < count && finished[reported]) {
            lock.unlock();
            callbacks.done(reported);
            ++reported;
            lock.lock();
        }
        // Items are started in order, so once every worker has ended nothing after a gap can still come.
        if (reported == count || running == 0) break;
        changed.wait_for(lock, std::chrono::milliseconds(100));
        if (callbacks.tick) {
            lock.unlock();
            callbacks.tick();
            lock.lock();
        }
    }
    lock.unlock();
    for (std::thread& t : threads) t.join();
    return reported;
}

}  // namespace sqzcli
