// The walk through folders for movies, and what a path given by the user names.
#include "folder_walk.h"

#include <algorithm>
#include <vector>

#include "mbcs.h"
#include "movie_batch.h"
#include "platform.h"

namespace sqz {
namespace {

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && path.back() == kPathSep && !MbsIsTrailByte(path, path.size() - 1);
}

// Whether `bare` (without trailing separators) is a root that a directory search does not find by its name.
bool IsRoot(const std::string& bare) {
#ifdef _WIN32
    if (bare.size() == 2 && bare[1] == ':') return true;  // a drive
    // A share, "\\server\share": a server's name and a share's name after the two leading separators.
    if (bare.size() > 2 && bare[0] == '\\' && bare[1] == '\\') {
        size_t sep = MbsFind(bare, "\\", 2);
        return sep != std::string::npos && sep > 2 && sep + 1 < bare.size() &&
               MbsFind(bare, "\\", sep + 1) == std::string::npos;
    }
#else
    (void)bare;
#endif
    return false;
}

// Names in the order of their single-byte letters regardless of case; those that differ in case alone (possible
// where file names keep case apart) in byte order, so that the order never depends on the listing's.
bool InNameOrder(const FileEntry& a, const FileEntry& b) {
    int c = MbsICmp(a.name, b.name);
    return c != 0 ? c < 0 : a.name < b.name;
}

}  // namespace

NamedPath LookUpNamedPath(const std::string& path) {
    NamedPath named;
    std::string bare = path;
    while (bare.size() > 1 && EndsWithSeparator(bare)) bare.pop_back();
    if (bare.empty()) return named;
    // A root such as "/" keeps its one separator.
    const std::string folder = EndsWithSeparator(bare) ? bare : bare + kPathSep;
    if (IsRoot(bare)) {
        named.kind = NamedKind::kFolder;
        named.strPath = folder;
        return named;
    }
    FileEntry entry;
    if (!Files().Find(bare, &entry)) return named;
    named.kind = entry.bFolder ? NamedKind::kFolder : NamedKind::kFile;
    named.strPath = entry.bFolder ? folder : bare;
    return named;
}

bool FolderWalk::Walk(const std::string& folder) { return !stopped_ && WalkFolder(folder); }

bool FolderWalk::Continue() {
    if (!stopped_ && onProgress && !onProgress(found_)) stopped_ = true;
    return !stopped_;
}

bool FolderWalk::WalkFolder(const std::string& folder) {
    if (!Continue()) return false;
    if (!walked_.insert(FileKey(folder)).second) return true;
    std::vector<FileEntry> leftOut;
    std::vector<FileEntry> entries = Files().ListWithLeftOut(folder, &leftOut);
    std::sort(entries.begin(), entries.end(), InNameOrder);
    std::vector<std::string> subfolders;
    for (const FileEntry& e : entries) {
        if (e.name == "." || e.name == "..") continue;
        if (e.bFolder) {
            if (recursive_) subfolders.push_back(folder + e.name + kPathSep);
        } else if (IsFolderMovieName(e.name)) {
            ++found_;
            if (onMovie) onMovie(folder + e.name);
        }
        if (!Continue()) return false;
    }
    // Only what the walk would have taken is worth a report.
    size_t missed = static_cast<size_t>(std::count_if(leftOut.begin(), leftOut.end(), [this](const FileEntry& e) {
        return e.bFolder ? recursive_ : IsFolderMovieName(e.name);
    }));
    if (missed > 0 && onLeftOut) onLeftOut(folder, missed);
    for (const std::string& sub : subfolders)
        if (!WalkFolder(sub)) return false;
    return true;
}

}  // namespace sqz
