// In-memory files: each file is a shared byte vector; open files hold it until they close.
#include "memory_files.h"

#include <algorithm>
#include <cstring>

namespace sqztest {
namespace {

using Bytes = MemoryFiles::Bytes;

class MemoryReadFile final : public sqz::ReadFile {
public:
    explicit MemoryReadFile(std::shared_ptr<Bytes> data) : data_(std::move(data)) {}
    int64_t Size() override { return static_cast<int64_t>(data_->size()); }
    bool Seek(uint64_t offset) override {
        pos_ = offset;
        return true;
    }
    size_t Read(void* buffer, size_t count) override {
        if (pos_ >= data_->size()) return 0;
        size_t n = std::min<uint64_t>(count, data_->size() - pos_);
        std::memcpy(buffer, data_->data() + pos_, n);
        pos_ += n;
        return n;
    }
    bool Failed() const override { return false; }

private:
    std::shared_ptr<Bytes> data_;
    uint64_t pos_ = 0;
};

class MemoryWriteFile final : public sqz::WriteFile {
public:
    explicit MemoryWriteFile(std::shared_ptr<Bytes> data) : data_(std::move(data)) {}
    bool Write(const void* data, size_t count) override {
        if (!open_) return false;
        // Keeps fuzzed inputs from asking for more memory than a fuzzer allows.
        if (pos_ + count > (64u << 20)) return false;
        if (data_->size() < pos_ + count) data_->resize(pos_ + count);
        if (count) std::memcpy(data_->data() + pos_, data, count);
        pos_ += count;
        return true;
    }
    bool Seek(uint64_t offset) override {
        pos_ = offset;
        return open_;
    }
    bool Sync() override { return open_; }
    bool Close() override {
        bool was = open_;
        open_ = false;
        return was;
    }

private:
    std::shared_ptr<Bytes> data_;
    uint64_t pos_ = 0;
    bool open_ = true;
};

}  // namespace

std::string MemoryFiles::Root() { return std::string("/mem") + sqz::kPathSep; }

const Bytes* MemoryFiles::Get(const std::string& path) const {
    auto it = files_.find(path);
    return it == files_.end() ? nullptr : it->second.get();
}

std::vector<std::string> MemoryFiles::Paths() const {
    std::vector<std::string> out;
    for (const auto& [path, data] : files_) out.push_back(path);
    return out;
}

void MemoryFiles::Clear() {
    files_.clear();
    folders_.clear();
}

bool MemoryFiles::FolderExists(const std::string& folder) const {
    return folder == Root() || folders_.count(folder) > 0;
}

std::unique_ptr<sqz::ReadFile> MemoryFiles::OpenRead(const std::string& path) {
    auto it = files_.find(path);
    if (it == files_.end()) return nullptr;
    return std::make_unique<MemoryReadFile>(it->second);
}

std::unique_ptr<sqz::WriteFile> MemoryFiles::OpenWrite(const std::string& path, sqz::CreateMode mode) {
    size_t sep = path.rfind(sqz::kPathSep);
    if (sep == std::string::npos || !FolderExists(path.substr(0, sep + 1))) return nullptr;
    if (folders_.count(path + sqz::kPathSep)) return nullptr;
    auto it = files_.find(path);
    if (it != files_.end() && mode == sqz::CreateMode::kExclusive) return nullptr;
    auto data = std::make_shared<Bytes>();
    files_[path] = data;
    return std::make_unique<MemoryWriteFile>(data);
}

bool MemoryFiles::Find(const std::string& path, sqz::FileEntry* entry) {
    sqz::FileEntry e;
    e.name = path.substr(path.rfind(sqz::kPathSep) + 1);
    auto it = files_.find(path);
    if (it != files_.end()) {
        e.nSize = it->second->size();
        e.nSizeLow = static_cast<uint32_t>(e.nSize);
        e.tCreated = 1078819503;  // a fixed moment: 2004-03-09 08:05:03 UTC
    } else if (FolderExists(path + sqz::kPathSep)) {
        e.bFolder = true;
    } else {
        return false;
    }
    if (entry) *entry = e;
    return true;
}

std::vector<sqz::FileEntry> MemoryFiles::List(const std::string& folder) {
    std::vector<sqz::FileEntry> out;
    for (const auto& [path, data] : files_) {
        if (path.compare(0, folder.size(), folder) != 0) continue;
        std::string rest = path.substr(folder.size());
        if (rest.find(sqz::kPathSep) != std::string::npos) continue;
        sqz::FileEntry e;
        Find(path, &e);
        out.push_back(e);
    }
    return out;
}

bool MemoryFiles::CreateFolder(const std::string& path) {
    std::string folder = path.back() == sqz::kPathSep ? path : path + sqz::kPathSep;
    if (FolderExists(folder) || files_.count(path)) return false;
    folders_.insert(folder);
    return true;
}

bool MemoryFiles::Delete(const std::string& path) { return files_.erase(path) > 0; }

bool MemoryFiles::Move(const std::string& from, const std::string& to) {
    if (files_.count(to) || !files_.count(from)) return false;
    return Replace(from, to);
}

bool MemoryFiles::Replace(const std::string& from, const std::string& to) {
    auto it = files_.find(from);
    if (it == files_.end()) return false;
    auto data = it->second;
    files_.erase(it);
    files_[to] = data;
    return true;
}

bool MemoryFiles::ReplaceExisting(const std::string& from, const std::string& to) {
    return files_.count(to) && Replace(from, to);
}

}  // namespace sqztest
