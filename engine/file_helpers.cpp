// Folders, paths, sizes and number formats of the program, over the platform's file services.
#include "file_helpers.h"

#include "mbcs.h"
#include "platform.h"

using sqz::Files;
using sqz::kPathSep;

std::string GetProgramFolder() {
    std::string folder = GetFolderPart(Files().ModulePath());
    if (folder.empty() || folder.back() != kPathSep) folder += kPathSep;
    return folder;
}

std::string GetConfigIniPath() { return GetProgramFolder() + "config.ini"; }

std::string GetTempFolder() {
    std::string program = GetProgramFolder();
    std::string temp = program + "temp" + kPathSep;
    if (PathExists(temp)) return temp;
    // Another thread (the command-line tool works on several files at once) may create it meanwhile.
    if (Files().CreateFolder(temp) || PathExists(temp)) return temp;
    return program;
}

void ClearTempFolder() {
    std::string temp = GetProgramFolder() + "temp" + kPathSep;
    for (const sqz::FileEntry& entry : Files().List(temp))
        if (!entry.bFolder) Files().Delete(temp + entry.name);
}

int PathExists(const std::string& path) {
    std::string p = path;
    if (!p.empty() && p.back() == kPathSep && !sqz::MbsIsTrailByte(p, p.size() - 1)) p.pop_back();
    return !p.empty() && Files().Find(p, nullptr) ? 1 : 0;
}

uint32_t GetFileSizeOnDisk(const std::string& path) {
    sqz::FileEntry entry;
    return Files().Find(path, &entry) ? entry.nSizeLow : 0;
}

std::string GetFolderPart(const std::string& path) {
    size_t sep = sqz::MbsFindLast(path, kPathSep);
    return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

std::string GetFileNamePart(const std::string& path) {
    size_t sep = sqz::MbsFindLast(path, kPathSep);
    return sep == std::string::npos ? std::string() : path.substr(sep + 1);
}

std::string GetFileStem(const std::string& path) {
    std::string name = GetFileNamePart(path);
    return name.size() <= 4 ? std::string() : name.substr(0, name.size() - 4);
}

std::string FormatThousands(int32_t value) {
    // The digits of the magnitude are grouped; the sign stands in front of them.
    if (value >= 0) return FormatThousands64(static_cast<uint64_t>(value));
    return "-" + FormatThousands64(static_cast<uint64_t>(-static_cast<int64_t>(value)));
}

std::string FormatThousands64(uint64_t value) {
    std::string t = std::to_string(value);
    size_t r = t.size() % 3;
    std::string out = t.substr(0, r);
    for (size_t i = r; i < t.size(); i += 3) {
        if (i > 0) out += ',';
        out += t.substr(i, 3);
    }
    return out;
}
