// Walking the command line's folders for movies.
#include "inputs.h"

#include <algorithm>
#include <set>

#include "folder_walk.h"
#include "platform.h"

namespace sqzcli {

std::string LeftOutReason(size_t count) {
    return count == 1 ? "1 name left out: the ANSI code page cannot hold it and it has no short name that it holds"
                      : std::to_string(count) +
                            " names left out: the ANSI code page cannot hold them and they have no short names that "
                            "it holds";
}

std::vector<InputFile> CollectInputs(const std::vector<std::string>& paths, bool recursive) {
    std::vector<InputFile> files;
    std::set<std::string> seen;
    auto addFile = [&](const std::string& path) {
        if (seen.insert(sqz::FileKey(path)).second) files.push_back({path, std::string()});
    };
    sqz::FolderWalk walk(recursive);
    walk.onMovie = addFile;
    walk.onLeftOut = [&](const std::string& folder, size_t count) { files.push_back({folder, LeftOutReason(count)}); };
    for (std::string path : paths) {
#ifdef _WIN32
        // '/' is never the second byte of a double-byte character, so it can be replaced byte by byte.
        std::replace(path.begin(), path.end(), '/', '\\');
#endif
        sqz::NamedPath named = sqz::LookUpNamedPath(path);
        if (named.kind == sqz::NamedKind::kFolder) {
            walk.Walk(named.strPath);
        } else if (named.kind == sqz::NamedKind::kFile) {
            addFile(named.strPath);
        } else {
            std::string reason = path.empty() ? std::string() : sqz::SystemErrorText(sqz::LastSystemError());
            files.push_back({path, reason.empty() ? "no such file or folder" : reason});
        }
    }
    return files;
}

}  // namespace sqzcli
