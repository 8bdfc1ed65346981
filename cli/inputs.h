// The files a run works on: the paths of the command line, with folders walked for their movies.
#pragma once

#include <string>
#include <vector>

namespace sqzcli {

struct InputFile {
    std::string strPath;   // as the user named it, or the folder they named followed by the names found in it
    std::string strError;  // set when the path names nothing: the file is reported as failed with this reason
};

// Why `count` names in a folder were left out.
std::string LeftOutReason(size_t count);

// The files named by `paths`, in order:
// - a file is taken whatever its name;
// - a folder (a drive's root included) gives its movies by the engine's walk (sqz::FolderWalk): the files directly
//   in it whose names end in ".swf" but not in "_bak.swf" (the backups that optimize leaves), in name order, then,
//   with `recursive`, the same for each of its subfolders in name order;
// - a path that names nothing gives an entry with an error;
// - a folder holding movies or (with `recursive`) subfolders whose names the ANSI code page cannot hold, and that
//   have no short name it holds (FileServices::ListWithLeftOut), gives an entry with an error after its files: the
//   folder and LeftOutReason of how many were left out.
// A file reached twice (named twice, or through a folder and by name, or through a link) is kept once, at its
// first place, and a folder reached twice is walked once. On Windows a forward slash in a path is taken as a
// backslash.
std::vector<InputFile> CollectInputs(const std::vector<std::string>& paths, bool recursive);

}  // namespace sqzcli
