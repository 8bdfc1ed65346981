// File services that count every step an operation takes (opens, reads, writes, closes, renames ...) and make
// one chosen step fail, the way a full disk, a failing drive or a file in use would; they also count the files
// left open.
#pragma once

#include <string>
#include <vector>

#include "test_support.h"

namespace sqztest {

class FaultyFiles : public FileServicesProxy {
public:
    // Makes step `step` (counted from 0 since the last Reset) fail with a lasting error (an I/O error); -1 for none.
    void FailAt(int step) { failAt_ = step; }
    // Makes the next `times` steps of kind `kind` fail with the system error `code` (-1 times: every one of them),
    // the way a file another program holds for a moment or for good is refused.
    void Refuse(const std::string& kind, int code, int times) {
        refuseKind_ = kind;
        refuseCode_ = code;
        refusals_ = times;
    }
    void Reset() {
        steps_ = 0;
        log_.clear();
        failed_.clear();
        refusals_ = 0;
    }
    int Steps() const { return steps_; }
    // The kind of every step taken ("open-read", "read", "write", "close", "replace", ...), in order.
    const std::vector<std::string>& Log() const { return log_; }
    // The kind of the step that was made to fail, or "" when none was.
    const std::string& Failed() const { return failed_; }
    // Files opened through these services and not yet closed.
    int OpenFiles() const { return open_; }

    // True when this step is the one to fail; records it.
    bool Fault(const char* kind);
    void Opened() { ++open_; }
    void Closed() { --open_; }

    std::unique_ptr<sqz::ReadFile> OpenRead(const std::string& path) override;
    std::unique_ptr<sqz::WriteFile> OpenWrite(const std::string& path, sqz::CreateMode mode) override;
    bool Find(const std::string& path, sqz::FileEntry* entry) override;
    bool Identify(const std::string& path, sqz::FileIdentity* identity) override;
    bool SyncFolder(const std::string& folder) override;
    bool CreateFolder(const std::string& path) override;
    bool Delete(const std::string& path) override;
    bool Move(const std::string& from, const std::string& to) override;
    bool Replace(const std::string& from, const std::string& to) override;
    bool ReplaceExisting(const std::string& from, const std::string& to) override;

private:
    int failAt_ = -1;
    int steps_ = 0;
    int open_ = 0;
    std::vector<std::string> log_;
    std::string failed_;
    std::string refuseKind_;
    int refuseCode_ = 0;
    int refusals_ = 0;
};

// System error codes of this platform, for Refuse: a file held open by another program (a sharing violation on
// Windows, a busy file elsewhere), and access denied.
int InUseError();
int AccessDeniedError();
// Gives the file the platform's read-only mark (the attribute on Windows, no write permission elsewhere), or takes it
// away again; false when that failed.
bool SetReadOnly(const std::string& path, bool readOnly);

}  // namespace sqztest
