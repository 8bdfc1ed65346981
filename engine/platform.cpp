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

bool ReadFile::Identify(FileIdentity* identity) {
    int64_t size = Size();
    *identity = FileIdentity();
    identity->nSize = static_cast<uint64_t>(size);
    return size >= 0;
}

bool FileServices::Identify(const std::string& path, FileIdentity* identity) {
    FileEntry entry;
    *identity = FileIdentity();
    if (!Find(path, &entry) || entry.bFolder) return false;
    identity->nSize = entry.nSize;
    return true;
}

bool FileServices::SyncFolder(const std::string&) { return true; }

std::string HexText(const unsigned char* bytes, size_t count) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

std::vector<FileEntry> FileServices::ListWithLeftOut(const std::string& folder, std::vector<FileEntry>* leftOut) {
    if (leftOut) leftOut->clear();
    return List(folder);
}

}  // namespace sqz
