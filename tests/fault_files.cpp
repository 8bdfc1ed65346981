// Wrappers around the platform's files that fail on request: a failed read returns what it got so far and
// reports the error (a short read), a failed write stores nothing (a full disk), a failed close loses the data.
#include "fault_files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>

#include <cerrno>
#endif

namespace sqztest {
namespace {

class FaultyRead final : public sqz::ReadFile {
public:
    FaultyRead(FaultyFiles* owner, std::unique_ptr<sqz::ReadFile> real) : owner_(owner), real_(std::move(real)) {
        owner_->Opened();
    }
    ~FaultyRead() override { owner_->Closed(); }
    int64_t Size() override { return owner_->Fault("size") ? -1 : real_->Size(); }
    bool Seek(uint64_t offset) override { return !owner_->Fault("seek-read") && real_->Seek(offset); }
    size_t Read(void* buffer, size_t count) override {
        if (owner_->Fault("read")) {
            failed_ = true;
            return count > 1 ? real_->Read(buffer, count / 2) : 0;
        }
        return real_->Read(buffer, count);
    }
    bool Failed() const override { return failed_ || real_->Failed(); }
    bool Identify(sqz::FileIdentity* identity) override {
        return !owner_->Fault("identify-open") && real_->Identify(identity);
    }

private:
    FaultyFiles* owner_;
    std::unique_ptr<sqz::ReadFile> real_;
    bool failed_ = false;
};

class FaultyWrite final : public sqz::WriteFile {
public:
    FaultyWrite(FaultyFiles* owner, std::unique_ptr<sqz::WriteFile> real) : owner_(owner), real_(std::move(real)) {
        owner_->Opened();
    }
    ~FaultyWrite() override { owner_->Closed(); }
    bool Write(const void* data, size_t count) override {
        if (owner_->Fault("write")) {
            failed_ = true;
            return false;
        }
        return real_->Write(data, count);
    }
    bool Seek(uint64_t offset) override { return !owner_->Fault("seek-write") && real_->Seek(offset); }
    bool Sync() override { return !owner_->Fault("sync") && real_->Sync(); }
    bool Close() override {
        bool fault = owner_->Fault("close");
        bool ok = real_->Close();
        return ok && !fault && !failed_;
    }

private:
    FaultyFiles* owner_;
    std::unique_ptr<sqz::WriteFile> real_;
    bool failed_ = false;
};

}  // namespace

namespace {

void SetSystemError(int code) {
#ifdef _WIN32
    ::SetLastError(static_cast<DWORD>(code));
#else
    errno = code;
#endif
}

}  // namespace

#ifdef _WIN32
int InUseError() { return ERROR_SHARING_VIOLATION; }
int AccessDeniedError() { return ERROR_ACCESS_DENIED; }
bool SetReadOnly(const std::string& path, bool readOnly) {
    return ::SetFileAttributesA(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
}
#else
int InUseError() { return EBUSY; }
int AccessDeniedError() { return EACCES; }
bool SetReadOnly(const std::string& path, bool readOnly) { return chmod(path.c_str(), readOnly ? 0444 : 0644) == 0; }
#endif

bool FaultyFiles::Fault(const char* kind) {
    log_.push_back(kind);
    if (refusals_ != 0 && refuseKind_ == kind) {
        if (refusals_ > 0) --refusals_;
        ++steps_;
        failed_ = kind;
        SetSystemError(refuseCode_);
        return true;
    }
    if (steps_++ != failAt_) return false;
    failed_ = kind;
#ifdef _WIN32
    SetSystemError(ERROR_IO_DEVICE);
#else
    SetSystemError(EIO);
#endif
    return true;
}

std::unique_ptr<sqz::ReadFile> FaultyFiles::OpenRead(const std::string& path) {
    if (Fault("open-read")) return nullptr;
    auto file = real().OpenRead(path);
    return file ? std::make_unique<FaultyRead>(this, std::move(file)) : nullptr;
}

std::unique_ptr<sqz::WriteFile> FaultyFiles::OpenWrite(const std::string& path, sqz::CreateMode mode) {
    if (Fault("open-write")) return nullptr;
    auto file = real().OpenWrite(path, mode);
    return file ? std::make_unique<FaultyWrite>(this, std::move(file)) : nullptr;
}

bool FaultyFiles::Find(const std::string& path, sqz::FileEntry* entry) {
    return !Fault("find") && real().Find(path, entry);
}
bool FaultyFiles::Identify(const std::string& path, sqz::FileIdentity* identity) {
    return !Fault("identify") && real().Identify(path, identity);
}
bool FaultyFiles::SyncFolder(const std::string& folder) { return !Fault("sync-folder") && real().SyncFolder(folder); }
bool FaultyFiles::CreateFolder(const std::string& path) { return !Fault("create-folder") && real().CreateFolder(path); }
bool FaultyFiles::Delete(const std::string& path) { return !Fault("delete") && real().Delete(path); }
bool FaultyFiles::Move(const std::string& from, const std::string& to) {
    return !Fault("move") && real().Move(from, to);
}
bool FaultyFiles::Replace(const std::string& from, const std::string& to) {
    return !Fault("replace") && real().Replace(from, to);
}
bool FaultyFiles::ReplaceExisting(const std::string& from, const std::string& to) {
    return !Fault("replace-existing") && real().ReplaceExisting(from, to);
}

}  // namespace sqztest
