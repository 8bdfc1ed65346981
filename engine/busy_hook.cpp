// The one busy hook of the process.
#include "busy_hook.h"

#include <atomic>

namespace sqz {
namespace {

std::atomic<BusyHook> g_hook{nullptr};
std::atomic<bool> g_cancelled{false};

}  // namespace

BusyHook SetBusyHook(BusyHook hook) { return g_hook.exchange(hook); }

bool Busy() {
    if (BusyHook hook = g_hook.load(std::memory_order_relaxed)) hook();
    return !g_cancelled.load(std::memory_order_relaxed);
}

void CancelWork(bool cancel) { g_cancelled = cancel; }

}  // namespace sqz
