// Writes beside the destination under a work name, then renames over it; and the clearing of work files left behind.
#include "atomic_file.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <thread>

#include "busy_hook.h"
#include "file_helpers.h"

namespace sqz {
namespace {

// Copy block of CopyAtomically.
constexpr size_t kCopyBlock = 256 * 1024;

// The start and end of a work file's name; between them the writing process's number, "-" and eight hex digits.
constexpr char kWorkPrefix[] = "~sqz";
constexpr char kWorkSuffix[] = ".tmp";

// A name that no other writer in this or another process is likely to pick: the process's number, a per-process
// random start and a counter, with the exclusive creation as the final guard.
std::string WorkName(const std::string& folder, unsigned attempt) {
    static const unsigned long long seed =
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        reinterpret_cast<unsigned long long>(&attempt);
    static std::atomic<unsigned> counter{0};
    unsigned n = counter.fetch_add(1) + attempt;
    static const unsigned long process = ProcessNumber();
    char name[64];
    std::snprintf(name, sizeof name, "%s%lu-%04llx%04x%s", kWorkPrefix, process, (seed >> 8) & 0xFFFFull, n & 0xFFFFu,
                  kWorkSuffix);
    return folder + name;
}

// The pauses between the tries of a step that another program refuses for a moment, growing, about 2 s in all:
// long enough for a virus scanner or an indexer to let go of a file it has just opened, short enough that a movie
// that stays in use fails its row soon.
constexpr unsigned kRefusalPausesMs[] = {10, 30, 60, 100, 200, 300, 500, 800};

// Does `step` on `path`, again after each pause while it is refused for a passing reason (IsPassingRefusal); a
// lasting error ends it at once, and so does `*abandon` once a step has set it. LastSystemError() is then that of
// the last try.
template <class Step>
bool TryWhileRefused(const std::string& path, Step step, const bool* abandon = nullptr) {
    for (unsigned pause : kRefusalPausesMs) {
        if (step()) return true;
        if ((abandon && *abandon) || !IsPassingRefusal(LastSystemError(), path)) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    }
    return step();
}

// The work files being written, for AbandonWorkFiles.
std::mutex g_liveLock;
std::set<AtomicFile*> g_live;

}  // namespace

AtomicFile::~AtomicFile() { Abort(); }

void AtomicFile::Live(bool live) {
    std::lock_guard<std::mutex> guard(g_liveLock);
    if (live)
        g_live.insert(this);
    else
        g_live.erase(this);
}

void AbandonWorkFiles() {
    CancelWork(true);
    std::lock_guard<std::mutex> guard(g_liveLock);
    for (AtomicFile* f : g_live) {
        f->file_.reset();
        if (!f->work_.empty()) Files().Delete(f->work_);
        f->work_.clear();
    }
    g_live.clear();
}

bool AtomicFile::Open(const std::string& destination) {
    Abort();
    error_ = 0;
    over_ = false;
    existed_ = Files().Find(destination, nullptr);
    return OpenWork(destination);
}

bool AtomicFile::OpenOver(const std::string& existing) {
    FileEntry entry;
    if (!Files().Find(existing, &entry) || entry.bFolder) {
        Abort();
        error_ = LastSystemError();
        return false;
    }
    return OpenBeside(existing);
}

bool AtomicFile::OpenBeside(const std::string& existing) {
    Abort();
    error_ = 0;
    over_ = true;
    existed_ = true;
    return OpenWork(existing);
}

bool AtomicFile::OpenWork(const std::string& destination) {
    destination_ = destination;
    changed_ = false;
    std::string folder = GetFolderPart(destination);
    RemoveStaleWorkFiles(folder);
    for (unsigned attempt = 0; attempt < 16; ++attempt) {
        std::string work = WorkName(folder, attempt);
        TryWhileRefused(work, [&] { return (file_ = Files().OpenWrite(work, CreateMode::kExclusive)) != nullptr; });
        if (file_) {
            work_ = work;
            Live(true);
            return true;
        }
        error_ = LastSystemError();
    }
    return false;
}

bool AtomicFile::Close(bool durable) {
    if (!file_) return !work_.empty();
    bool ok = !durable || file_->Sync();
    if (!ok) error_ = LastSystemError();
    if (!file_->Close() && ok) {
        error_ = LastSystemError();
        ok = false;
    }
    file_.reset();
    if (!ok) Abort();
    return ok;
}

bool AtomicFile::Commit(bool durable, const std::function<bool()>& unchanged) {
    if (work_.empty() || !Close(durable)) return false;
    changed_ = false;
    // The step of one try: the guard first, then the rename.
    auto guarded = [&](bool (FileServices::*rename)(const std::string&, const std::string&)) {
        return TryWhileRefused(
            destination_,
            [&] {
                if (unchanged && !unchanged()) {
                    changed_ = true;
                    return false;
                }
                return (Files().*rename)(work_, destination_);
            },
            &changed_);
    };
    bool ok = false;
    if (over_) {
        // A file that went away meanwhile is not created again (the `unchanged` test tells that itself).
        if (!unchanged && !Files().Find(destination_, nullptr)) {
            error_ = LastSystemError();
        } else if (guarded(&FileServices::ReplaceExisting)) {
            ok = true;
        } else {
            error_ = changed_ ? 0 : LastSystemError();
            if (!changed_ && !Files().Find(destination_, nullptr) && Files().Find(work_, nullptr)) {
                // The old file was lost on the way: the work file now holds the only copy, in its new form.
                kept_ = work_;
                work_.clear();
                Live(false);
                return false;
            }
        }
    } else {
        // A destination that was there is replaced; a new one is only made, never put over one that appeared.
        ok = guarded(existed_ ? &FileServices::Replace : &FileServices::Move);
        if (!ok) error_ = changed_ ? 0 : LastSystemError();
    }
    if (!ok) {
        Abort();
        return false;
    }
    work_.clear();
    Live(false);
    // The rename itself reaches the disk with the folder's entries.
    if (durable) Files().SyncFolder(GetFolderPart(destination_));
    return true;
}

void AtomicFile::Abort() {
    Live(false);
    file_.reset();
    kept_.clear();
    if (!work_.empty()) {
        TryWhileRefused(work_, [&] { return Files().Delete(work_); });
        work_.clear();
    }
}

bool IsWorkFileName(const std::string& name, unsigned long* process) {
    const size_t prefix = sizeof kWorkPrefix - 1, suffix = sizeof kWorkSuffix - 1;
    if (name.size() < prefix + suffix + 10 || name.compare(0, prefix, kWorkPrefix) != 0 ||
        name.compare(name.size() - suffix, suffix, kWorkSuffix) != 0)
        return false;
    const std::string middle = name.substr(prefix, name.size() - prefix - suffix);
    const size_t dash = middle.find('-');
    if (dash == 0 || dash == std::string::npos || dash > 10 || middle.size() - dash - 1 != 8) return false;
    for (size_t i = 0; i < middle.size(); ++i)
        if (i == dash ? middle[i] != '-'
                      : !(i < dash ? std::isdigit(static_cast<unsigned char>(middle[i]))
                                   : std::isxdigit(static_cast<unsigned char>(middle[i]))))
            return false;
    *process = std::strtoul(middle.substr(0, dash).c_str(), nullptr, 10);
    return true;
}

void RemoveStaleWorkFiles(const std::string& folder) {
    static std::mutex lock;
    static std::set<std::string> cleaned;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!cleaned.insert(folder).second) return;
    }
    for (const FileEntry& entry : Files().List(folder)) {
        unsigned long process = 0;
        if (!entry.bFolder && IsWorkFileName(entry.name, &process) && process != ProcessNumber() &&
            !IsProcessRunning(process))
            Files().Delete(folder + entry.name);
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
        if (!Busy()) return {SwfReason::kCancelled};
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
