// Writes beside the destination, then renames over it.
#include "atomic_file.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>

#include "busy_hook.h"
#include "file_helpers.h"

namespace sqz {
namespace {

// Copy block of CopyAtomically.
constexpr size_t kCopyBlock = 256 * 1024;

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

// The pauses between the tries of a step that another program refuses for a moment, growing, about 2 s in all:
// long enough for a virus scanner or an indexer to let go of a file it has just opened, short enough that a movie
// that stays in use fails its row soon.
constexpr unsigned kRefusalPausesMs[] = {10, 30, 60, 100, 200, 300, 500, 800};

// Does `step` on `path`, again after each pause while it is refused for a passing reason (IsPassingRefusal); a
// lasting error ends it at once. LastSystemError() is then that of the last try.
template <class Step>
bool TryWhileRefused(const std::string& path, Step step) {
    for (unsigned pause : kRefusalPausesMs) {
        if (step()) return true;
        if (!IsPassingRefusal(LastSystemError(), path)) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    }
    return step();
}

}  // namespace

AtomicFile::~AtomicFile() { Abort(); }

bool AtomicFile::Open(const std::string& destination) {
    Abort();
    error_ = 0;
    over_ = false;
    if (!Files().Find(destination, nullptr)) {
        destination_ = destination;
        file_ = Files().OpenWrite(destination, CreateMode::kExclusive);
        if (file_) {
            work_ = destination;
            direct_ = true;
            return true;
        }
    }
    return OpenWork(destination);
}

bool AtomicFile::OpenOver(const std::string& existing) {
    Abort();
    error_ = 0;
    over_ = true;
    FileEntry entry;
    if (!Files().Find(existing, &entry) || entry.bFolder) {
        error_ = LastSystemError();
        return false;
    }
    return OpenWork(existing);
}

bool AtomicFile::OpenWork(const std::string& destination) {
    destination_ = destination;
    direct_ = false;
    std::string folder = GetFolderPart(destination);
    for (unsigned attempt = 0; attempt < 16; ++attempt) {
        std::string work = WorkName(folder, attempt);
        TryWhileRefused(work, [&] { return (file_ = Files().OpenWrite(work, CreateMode::kExclusive)) != nullptr; });
        if (file_) {
            work_ = work;
            return true;
        }
        error_ = LastSystemError();
    }
    return false;
}

bool AtomicFile::Commit(bool durable) {
    if (!file_) return false;
    bool ok = !durable || file_->Sync();
    if (!ok) error_ = LastSystemError();
    if (!file_->Close() && ok) {
        error_ = LastSystemError();
        ok = false;
    }
    file_.reset();
    if (ok && direct_) {
        work_.clear();
        return true;
    }
    if (ok && over_) {
        // A file that went away meanwhile is not created again.
        if (!Files().Find(destination_, nullptr)) {
            error_ = LastSystemError();
        } else if (TryWhileRefused(destination_, [&] { return Files().ReplaceExisting(work_, destination_); })) {
            work_.clear();
            return true;
        } else {
            error_ = LastSystemError();
            if (!Files().Find(destination_, nullptr) && Files().Find(work_, nullptr)) {
                // The old file was lost on the way: the work file now holds the only copy, in its new form.
                kept_ = work_;
                work_.clear();
                return false;
            }
        }
    } else if (ok) {
        if (TryWhileRefused(destination_, [&] { return Files().Replace(work_, destination_); })) {
            work_.clear();
            return true;
        }
        error_ = LastSystemError();
    }
    Abort();
    return false;
}

void AtomicFile::Abort() {
    file_.reset();
    kept_.clear();
    if (!work_.empty()) {
        TryWhileRefused(work_, [&] { return Files().Delete(work_); });
        work_.clear();
    }
}

SwfResult CopyAtomically(const std::string& from, const std::string& to, bool over, bool durable, std::string* kept) {
    std::unique_ptr<ReadFile> in = Files().OpenRead(from);
    if (!in) return {SwfReason::kCannotRead, LastSystemError()};
    AtomicFile out;
    if (!(over ? out.OpenOver(to) : out.Open(to))) return {SwfReason::kCannotWrite, out.Error()};
    // A block no larger than the file: most movies are small, and a small block costs no memory mapping.
    int64_t size = in->Size();
    size_t blockSize =
        size > 0 && static_cast<uint64_t>(size) < kCopyBlock ? static_cast<size_t>(size) + 1 : kCopyBlock;
    std::unique_ptr<unsigned char[]> block(new unsigned char[blockSize]);
    for (;;) {
        Busy();
        size_t n = in->Read(block.get(), blockSize);
        if (in->Failed()) return {SwfReason::kCannotRead, LastSystemError()};
        if (n > 0 && !out.File()->Write(block.get(), n)) return {SwfReason::kCannotWrite, LastSystemError()};
        // A read comes back short only at the end of the file.
        if (n < blockSize) break;
    }
    in.reset();
    if (out.Commit(durable)) return {};
    if (kept) *kept = out.KeptPath();
    return {SwfReason::kCannotWrite, out.Error()};
}

}  // namespace sqz
