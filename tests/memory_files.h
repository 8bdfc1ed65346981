// File services kept entirely in memory: a program folder "/mem/" with its files, for fuzzing the engine at
// full speed without touching a disk.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform.h"

namespace sqztest {

class MemoryFiles : public sqz::FileServices {
public:
    using Bytes = std::vector<unsigned char>;

    // The folder of the pretended program, ending with the separator.
    static std::string Root();

    void Put(const std::string& path, const Bytes& data) { files_[path] = std::make_shared<Bytes>(data); }
    // The content of a file, or null when there is none.
    const Bytes* Get(const std::string& path) const;
    // Every file, by path.
    std::vector<std::string> Paths() const;
    void Clear();

    std::unique_ptr<sqz::ReadFile> OpenRead(const std::string& path) override;
    std::unique_ptr<sqz::WriteFile> OpenWrite(const std::string& path, sqz::CreateMode mode) override;
    bool Find(const std::string& path, sqz::FileEntry* entry) override;
    std::vector<sqz::FileEntry> List(const std::string& folder) override;
    bool CreateFolder(const std::string& path) override;
    bool Delete(const std::string& path) override;
    bool Move(const std::string& from, const std::string& to) override;
    bool Replace(const std::string& from, const std::string& to) override;
    bool ReplaceExisting(const std::string& from, const std::string& to) override;
    std::string ModulePath() override { return Root() + "Squozen.exe"; }

private:
    bool FolderExists(const std::string& folder) const;
    std::map<std::string, std::shared_ptr<Bytes>> files_;
    std::set<std::string> folders_;  // each ending with the separator
};

}  // namespace sqztest
