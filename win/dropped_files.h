// The files and folders that a drop from Explorer (WM_DROPFILES) carries, as the ANSI paths the program works with.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// The dropped paths, in the drop's order, read as wide text. A path is taken as it is when every character of it has
// its own form in the ANSI code page, else by its short (8.3) form when that has; a path with neither is left out, so
// that no path with a substituted character ("?", which file searches take for a wildcard) reaches the program.
// The drop itself is left to the caller (DragFinish).
std::vector<std::string> DroppedPaths(HDROP hDrop);
