// Walking the command line's folders for movies.
#include "inputs.h"

#include <algorithm>
#include <set>

#include "console.h"
#include "mbcs.h"
#include "movie_batch.h"
#include "platform.h"

namespace sqzcli {
namespace {

class Collector {
public:
    explicit Collector(bool recursive) : recursive_(recursive) {}

    void AddFile(const std::string& path) {
        if (seen_.insert(FileIdentity(path)).second) files_.push_back({path, std::string()});
    }

    void AddFolder(const std::string& folder) {
        // A folder reached twice (through a link) is walked once, which also ends loops of links.
        if (!folders_.insert(FileIdentity(folder)).second) return;
        std::vector<sqz::FileEntry> leftOut;
        std::vector<sqz::FileEntry> entries = sqz::Files().ListWithLeftOut(folder, &leftOut);
        std::sort(entries.begin(), entries.end(),
                  [](const sqz::FileEntry& a, const sqz::FileEntry& b) { return a.name < b.name; });
        std::vector<std::string> subfolders;
        for (const sqz::FileEntry& e : entries) {
            if (e.name == "." || e.name == "..") continue;
            if (e.bFolder) {
                subfolders.push_back(folder + e.name + sqz::kPathSep);
            } else if (IsFolderMovieName(e.name)) {
                AddFile(folder + e.name);
            }
        }
        // Only what the walk would have taken is worth a report.
        size_t missed = static_cast<size_t>(std::count_if(leftOut.begin(), leftOut.end(), [this](const auto& e) {
            return e.bFolder ? recursive_ : IsFolderMovieName(e.name);
        }));
        if (missed > 0) AddMissing(folder, LeftOutReason(missed));
        if (recursive_)
            for (const std::string& sub : subfolders) AddFolder(sub);
    }

    void AddMissing(const std::string& path, const std::string& reason) { files_.push_back({path, reason}); }

    std::vector<InputFile> Take() { return std::move(files_); }

private:
    bool recursive_;
    std::set<std::string> seen_;
    std::set<std::string> folders_;
    std::vector<InputFile> files_;
};

}  // namespace

std::string LeftOutReason(size_t count) {
    return count == 1 ? "1 name left out: the ANSI code page cannot hold it and it has no short name that it holds"
                      : std::to_string(count) +
                            " names left out: the ANSI code page cannot hold them and they have no short names that "
                            "it holds";
}

std::vector<InputFile> CollectInputs(const std::vector<std::string>& paths, bool recursive) {
    Collector collector(recursive);
    for (std::string path : paths) {
#ifdef _WIN32
        // '/' is never the second byte of a double-byte character, so it can be replaced byte by byte.
        std::replace(path.begin(), path.end(), '/', '\\');
#endif
        std::string bare = path;
        while (bare.size() > 1 && bare.back() == sqz::kPathSep && !sqz::MbsIsTrailByte(bare, bare.size() - 1))
            bare.pop_back();
        std::string folder = bare.back() == sqz::kPathSep ? bare : bare + sqz::kPathSep;
#ifdef _WIN32
        // A drive ("C:" or "C:\") is no entry of a folder: a search does not find it by its name.
        if (bare.size() == 2 && bare[1] == ':') {
            collector.AddFolder(folder);
            continue;
        }
#endif
        sqz::FileEntry entry;
        if (!sqz::Files().Find(bare, &entry)) {
            std::string reason = sqz::SystemErrorText(sqz::LastSystemError());
            collector.AddMissing(path, reason.empty() ? "no such file or folder" : reason);
        } else if (entry.bFolder) {
            collector.AddFolder(folder);
        } else {
            collector.AddFile(bare);
        }
    }
    return collector.Take();
}

}  // namespace sqzcli
