// Which file services the engine uses: the platform's own, or a stand-in put in place by a test.
#include "platform.h"

namespace sqz {
namespace {
FileServices* g_services = nullptr;
}  // namespace

FileServices& Files() { return g_services ? *g_services : PlatformFiles(); }

void SetFileServices(FileServices* services) { g_services = services; }

bool FileServices::ReplaceExisting(const std::string& from, const std::string& to) {
    FileEntry entry;
    return Find(to, &entry) && !entry.bFolder && Replace(from, to);
}

std::vector<FileEntry> FileServices::ListWithLeftOut(const std::string& folder, std::vector<FileEntry>* leftOut) {
    if (leftOut) leftOut->clear();
    return List(folder);
}

}  // namespace sqz
