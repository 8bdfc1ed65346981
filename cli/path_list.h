// The list of paths of --files-from: one a line, or NUL-separated, read from a file or standard input.
#pragma once

#include <string>
#include <vector>

namespace sqzcli {

// Splits the text of a list into paths, in order, appending them to `paths`:
// - one path a line: a line ends at "\n", and a "\r" just before it is dropped (lists written on Windows); the
//   last line needs no line end;
// - with `nulSeparated`, each path ends at a NUL byte instead (find -print0, xargs -0), so that a name may hold
//   line ends; the last path needs no NUL.
// Empty entries are left out. Nothing else is changed: spaces, tabs and quotes belong to the names.
class PathListSplitter {
public:
    PathListSplitter(bool nulSeparated, std::vector<std::string>* paths) : nul_(nulSeparated), paths_(paths) {}
    // The next `count` bytes of the list.
    void Add(const char* bytes, size_t count);
    // The end of the list: a last path without its separator is taken.
    void Finish();

private:
    void Take();

    bool nul_;
    std::vector<std::string>* paths_;
    std::string pending_;  // the path being read
};

// Reads the list in the file `source`, or standard input for "-", and appends its paths to `paths`. The bytes are
// taken as they are: the paths are in the same encoding as the tool's arguments (the ANSI code page on Windows).
// False, with the reason (naming the list), when the list cannot be opened or read.
bool ReadPathList(const std::string& source, bool nulSeparated, std::vector<std::string>* paths, std::string* error);

}  // namespace sqzcli
