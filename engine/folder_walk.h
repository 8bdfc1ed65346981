// The one walk through folders for movies, taken by everything that is given folders: drops on the program's window
// and the command-line tool. It decides the order, what a path given by the user names (a drive's root included),
// that a folder reached twice is walked once, and which names were left out.
#pragma once

#include <cstddef>
#include <functional>
#include <set>
#include <string>

namespace sqz {

// What a path given by the user (an argument, a dropped path) names.
enum class NamedKind {
    kNothing,  // no file or folder of that name (LastSystemError() says why)
    kFile,
    kFolder,
};
struct NamedPath {
    NamedKind kind = NamedKind::kNothing;
    std::string strPath;  // a file: the path without trailing separators; a folder: the path ending with one
};

// Looks up `path` (one directory search, nothing opened). Trailing separators are dropped first. On Windows a drive
// ("C:", "C:\") and a network share ("\\server\share") are folders without a search, as a search does not find a
// root by its name. An empty path names nothing.
NamedPath LookUpNamedPath(const std::string& path);

// Walks folders for movies (IsFolderMovieName: ".swf", not "_bak.swf"). Each folder's movies come in name order (the
// single-byte letters compared without regard to case, names that differ in case alone in byte order), then, when
// walking subfolders, each subfolder in the same order, depth first. A folder reached twice by one walker (named
// twice, or through a link or junction, which also ends loops of them) is walked once. Files are listed through
// FileServices::ListWithLeftOut, so a name the ANSI code page cannot hold comes by its short name or is left out.
class FolderWalk {
public:
    explicit FolderWalk(bool recursive) : recursive_(recursive) {}

    // Each movie found, as the folder's path followed by its name.
    std::function<void(const std::string& path)> onMovie;
    // A folder that left out `count` names the walk would have taken (movies, and subfolders when walking them)
    // because the ANSI code page cannot hold them; called after the folder's movies, before its subfolders.
    std::function<void(const std::string& folder, size_t count)> onLeftOut;
    // Called between entries with the number of movies found by this walker so far; false stops the walk.
    std::function<bool(size_t found)> onProgress;

    // Walks `folder` (its path ending with the separator). False when onProgress stopped this or an earlier walk of
    // this walker, which then walks no more.
    bool Walk(const std::string& folder);

private:
    bool WalkFolder(const std::string& folder);
    bool Continue();

    bool recursive_;
    bool stopped_ = false;
    size_t found_ = 0;
    std::set<std::string> walked_;  // FileKey of each folder walked
};

}  // namespace sqz
