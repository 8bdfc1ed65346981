// Writes beside the destination, then renames over it.
#include "atomic_file.h"

#include <atomic>
#include <chrono>
#include <cstdio>

#include "file_helpers.h"

namespace sqz {
namespace {

// A name that no other writer in this or another process is likely to pick: a per-process random
// start, a counter, and the exclusive creation as the final guard.
std::string WorkName(const std::string& folder, unsigned attempt) {
    static const unsigned long long seed =
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        reinterpret_cast<unsigned long long>(&attempt);
    static std::atomic<unsigned> counter{0};
    unsigned n = counter.fetch_add(1) + attempt;
    char name[48];
    std::snprintf(name, sizeof name, "~sqz%06llx%04x.tmp", (seed >> 8) & 0xFFFFFFull, n & 0xFFFFu);
    return folder + name;
}

}  // namespace

AtomicFile::~AtomicFile() { Abort(); }

bool AtomicFile::Open(const std::string& destination) {
    Abort();
    destination_ = destination;
    if (!Files().Find(destination, nullptr)) {
        file_ = Files().OpenWrite(destination, CreateMode::kExclusive);
        if (file_) {
            work_ = destination;
            direct_ = true;
            return true;
        }
    }
    direct_ = false;
    std::string folder = GetFolderPart(destination);
    for (unsigned attempt = 0; attempt < 16; ++attempt) {
        std::string work = WorkName(folder, attempt);
        file_ = Files().OpenWrite(work, CreateMode::kExclusive);
        if (file_) {
            work_ = work;
            return true;
        }
    }
    return false;
}

bool AtomicFile::Commit(bool durable) {
    if (!file_) return false;
    bool ok = !durable || file_->Sync();
    ok = file_->Close() && ok;
    file_.reset();
    if (ok && (direct_ || Files().Replace(work_, destination_))) {
        work_.clear();
        return true;
    }
    Abort();
    return false;
}

void AtomicFile::Abort() {
    file_.reset();
    if (!work_.empty()) {
        Files().Delete(work_);
        work_.clear();
    }
}

}  // namespace sqz
