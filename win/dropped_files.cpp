// Reading a drop's paths as wide text and turning each into an exact ANSI path.
#include "dropped_files.h"

#include "ansi_path.h"

std::vector<std::string> DroppedPaths(HDROP hDrop) {
    std::vector<std::string> paths;
    const UINT count = ::DragQueryFileW(hDrop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::string path = ansi_path::DroppedAnsiPath(hDrop, i, CP_ACP);
        if (!path.empty()) paths.push_back(path);
    }
    return paths;
}
