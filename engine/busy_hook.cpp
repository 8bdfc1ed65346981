// The one busy hook of the process.
#include "busy_hook.h"

#include <atomic>

namespace sqz {
namespace {

std::atomic<BusyHook> g_hook{nullptr};

}  // namespace

BusyHook SetBusyHook(BusyHook hook) { return g_hook.exchange(hook); }

void Busy() {
    if (BusyHook hook = g_hook.load(std::memory_order_relaxed)) hook();
}

}  // namespace sqz
