// The engine's file services on Windows: the ANSI file and module functions of Win32, and folder listings read as
// wide text and turned into ANSI names by the rule of ansi_path.h.
#include "platform.h"

#include <windows.h>
#include <bcrypt.h>
#include <commdlg.h>

#include "ansi_path.h"
#include "file_helpers.h"

namespace sqz {
namespace {

// Seconds since 1970 UTC of a FILETIME (100-nanosecond steps since 1601 UTC).
int64_t UnixTime(const FILETIME& ft) {
    ULARGE_INTEGER v;
    v.LowPart = ft.dwLowDateTime;
    v.HighPart = ft.dwHighDateTime;
    if (v.QuadPart == 0) return 0;
    return static_cast<int64_t>(v.QuadPart / 10000000ULL) - 11644473600LL;
}

// The entry's own facts, without its name.
template <typename FindData>
FileEntry EntryFromFind(const FindData& fd) {
    FileEntry e;
    e.nSizeLow = fd.nFileSizeLow;
    e.nSize = (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    e.tCreated = UnixTime(fd.ftCreationTime);
    e.bFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return e;
}

// The identity of an open file, from its handle.
bool IdentityOf(HANDLE h, FileIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return false;
    identity->nSize = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    identity->nWriteTime = static_cast<int64_t>((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                                info.ftLastWriteTime.dwLowDateTime);
    identity->nVolume = info.dwVolumeSerialNumber;
    identity->nFile = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

class WinReadFile final : public ReadFile {
public:
    explicit WinReadFile(HANDLE h) : h_(h) {}
    ~WinReadFile() override { CloseHandle(h_); }

    int64_t Size() override {
        LARGE_INTEGER size;
        return GetFileSizeEx(h_, &size) ? size.QuadPart : -1;
    }
    bool Seek(uint64_t offset) override {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(offset);
        return offset <= static_cast<uint64_t>(INT64_MAX) && SetFilePointerEx(h_, to, nullptr, FILE_BEGIN);
    }
    size_t Read(void* buffer, size_t count) override {
        size_t done = 0;
        auto* out = static_cast<char*>(buffer);
        while (done < count) {
            DWORD want = static_cast<DWORD>(count - done > 0x40000000 ? 0x40000000 : count - done);
            DWORD got = 0;
            if (!::ReadFile(h_, out + done, want, &got, nullptr)) {
                failed_ = true;
                break;
            }
            if (got == 0) break;
            done += got;
        }
        return done;
    }
    bool Failed() const override { return failed_; }
    bool Identify(FileIdentity* identity) override { return IdentityOf(h_, identity); }

private:
    HANDLE h_;
    bool failed_ = false;
};

class WinWriteFile final : public WriteFile {
public:
    explicit WinWriteFile(HANDLE h) : h_(h) {}
    ~WinWriteFile() override { Close(); }

    bool Write(const void* data, size_t count) override {
        if (h_ == INVALID_HANDLE_VALUE) return false;
        const auto* in = static_cast<const char*>(data);
        while (count > 0) {
            DWORD want = static_cast<DWORD>(count > 0x40000000 ? 0x40000000 : count);
            DWORD put = 0;
            if (!::WriteFile(h_, in, want, &put, nullptr) || put == 0) {
                failed_ = true;
                return false;
            }
            in += put;
            count -= put;
        }
        return true;
    }
    bool Seek(uint64_t offset) override {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(offset);
        return h_ != INVALID_HANDLE_VALUE && offset <= static_cast<uint64_t>(INT64_MAX) &&
               SetFilePointerEx(h_, to, nullptr, FILE_BEGIN);
    }
    bool Sync() override { return h_ != INVALID_HANDLE_VALUE && FlushFileBuffers(h_); }
    bool Close() override {
        if (h_ == INVALID_HANDLE_VALUE) return false;
        bool ok = CloseHandle(h_) && !failed_;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
    bool failed_ = false;
};

class WinFileServices final : public FileServices {
public:
    std::unique_ptr<ReadFile> OpenRead(const std::string& path) override {
        // Shared like the C runtime's fopen, so that a movie open in a player can still be read.
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (h == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<WinReadFile>(h);
    }
    std::unique_ptr<WriteFile> OpenWrite(const std::string& path, CreateMode mode) override {
        DWORD disposition = mode == CreateMode::kExclusive ? CREATE_NEW : CREATE_ALWAYS;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<WinWriteFile>(h);
    }
    bool Find(const std::string& path, FileEntry* entry) override {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA(path.c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return false;
        if (entry) {
            *entry = EntryFromFind(fd);
            entry->name = fd.cFileName;
        }
        FindClose(h);
        return true;
    }
    std::vector<FileEntry> List(const std::string& folder) override { return ListWithLeftOut(folder, nullptr); }
    std::vector<FileEntry> ListWithLeftOut(const std::string& folder, std::vector<FileEntry>* leftOut) override {
        std::vector<FileEntry> out;
        if (leftOut) leftOut->clear();
        const std::wstring wideFolder = ansi_path::Wide(folder, CP_ACP);
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((wideFolder + L"*.*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return out;
        do {
            FileEntry e = EntryFromFind(fd);
            e.name = ansi_path::AnsiNameOf(wideFolder, fd.cFileName, CP_ACP);
            if (!e.name.empty()) {
                out.push_back(e);
            } else if (leftOut) {
                e.name = ansi_path::Narrow(fd.cFileName, CP_UTF8);
                leftOut->push_back(e);
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
        return out;
    }
    bool CreateFolder(const std::string& path) override { return CreateDirectoryA(path.c_str(), nullptr) != 0; }
    bool Delete(const std::string& path) override { return DeleteFileA(path.c_str()) != 0; }
    bool Move(const std::string& from, const std::string& to) override {
        return MoveFileA(from.c_str(), to.c_str()) != 0;
    }
    bool Replace(const std::string& from, const std::string& to) override {
        return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }
    bool ReplaceExisting(const std::string& from, const std::string& to) override {
        WIN32_FILE_ATTRIBUTE_DATA old;
        if (!GetFileAttributesExA(to.c_str(), GetFileExInfoStandard, &old)) return false;
        if (old.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
        // The new file takes over the old one's creation time and attributes. ReplaceFile would do the same, but
        // where it fails halfway (a file in use) it can leave a file of its own behind, and Wine's keeps neither.
        // Neither is worth failing for: the content is what matters.
        HANDLE h =
            CreateFileA(from.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            SetFileTime(h, &old.ftCreationTime, nullptr, nullptr);
            CloseHandle(h);
        }
        const DWORD kept =
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        DWORD attributes = old.dwFileAttributes & kept;
        SetFileAttributesA(from.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
        // One rename, which another program's handle without delete sharing (a file in use) refuses.
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        DWORD error = GetLastError();
        SetFileAttributesA(from.c_str(), FILE_ATTRIBUTE_NORMAL);
        SetLastError(error);
        return false;
    }
    bool Identify(const std::string& path, FileIdentity* identity) override {
        // Opened for its attributes only and shared every way, so that it never stands in anybody's way.
        HANDLE h =
            CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        bool ok = IdentityOf(h, identity);
        DWORD error = GetLastError();
        CloseHandle(h);
        SetLastError(error);
        return ok;
    }
    std::string ModulePath() override {
        char buffer[MAX_PATH + 1] = {};
        DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
        return std::string(buffer, n);
    }
};

}  // namespace

FileServices& PlatformFiles() {
    static WinFileServices services;
    return services;
}

bool IsDbcsLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != 0; }

// CNG's SHA-256: one algorithm handle for the process, a hash object per digest.
struct Sha256::State {
    BCRYPT_HASH_HANDLE hash = nullptr;
    void Start() {
        static BCRYPT_ALG_HANDLE algorithm = [] {
            BCRYPT_ALG_HANDLE h = nullptr;
            return BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&h, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ? h : nullptr;
        }();
        if (algorithm && !BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) hash = nullptr;
    }
    ~State() {
        if (hash) BCryptDestroyHash(hash);
    }
};

Sha256::Sha256() : state_(new State) { state_->Start(); }
Sha256::~Sha256() = default;

void Sha256::Update(const void* data, size_t size) {
    auto* bytes = static_cast<PUCHAR>(const_cast<void*>(data));
    while (state_->hash && size > 0) {
        ULONG n = static_cast<ULONG>(size > 0x40000000 ? 0x40000000 : size);
        BCryptHashData(state_->hash, bytes, n, 0);
        bytes += n;
        size -= n;
    }
}

std::string Sha256::HexDigest() {
    unsigned char digest[32] = {};
    bool ok = state_->hash && BCRYPT_SUCCESS(BCryptFinishHash(state_->hash, digest, sizeof digest, 0));
    if (state_->hash) BCryptDestroyHash(state_->hash);
    state_->hash = nullptr;
    state_->Start();
    return ok ? HexText(digest, sizeof digest) : std::string();
}

std::string FileKey(const std::string& path) {
    // Read as wide text: the long forms of two names that the ANSI code page cannot hold could both come back as
    // the same "?"s.
    const std::wstring wide = ansi_path::Wide(path, CP_ACP);
    // Opened for no access at all, which any other program's sharing allows; a folder opens with the backup flag,
    // and a junction or link leads to the folder it names.
    HANDLE h = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        FileIdentity id;
        bool known = IdentityOf(h, &id);
        CloseHandle(h);
        if (known) return std::to_string(id.nVolume) + ":" + std::to_string(id.nFile);
    }
    wchar_t full[MAX_PATH * 2] = {};
    DWORD n = GetFullPathNameW(wide.c_str(), MAX_PATH * 2, full, nullptr);
    wchar_t longer[MAX_PATH * 2] = {};
    DWORD m = n > 0 && n < MAX_PATH * 2 ? GetLongPathNameW(full, longer, MAX_PATH * 2) : 0;
    std::wstring name = m > 0 && m < MAX_PATH * 2   ? std::wstring(longer, m)
                        : n > 0 && n < MAX_PATH * 2 ? std::wstring(full, n)
                                                    : wide;
    CharLowerBuffW(&name[0], static_cast<DWORD>(name.size()));
    return "name:" + ansi_path::Narrow(name, CP_UTF8);
}

unsigned long ProcessNumber() { return GetCurrentProcessId(); }

bool IsProcessRunning(unsigned long number) {
    DWORD saved = GetLastError();
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(number));
    // A process that cannot be asked (of another user) may run; one that is gone cannot be opened.
    bool running = true;
    if (h) {
        DWORD code = 0;
        running = !GetExitCodeProcess(h, &code) || code == STILL_ACTIVE;
        CloseHandle(h);
    } else {
        running = GetLastError() != ERROR_INVALID_PARAMETER;
    }
    SetLastError(saved);
    return running;
}

int LastSystemError() { return static_cast<int>(GetLastError()); }

bool IsPassingRefusal(int code, const std::string& path) {
    if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) return true;
    if (code != ERROR_ACCESS_DENIED) return false;
    // Access denied is lasting for a read-only file, a folder, or a name that does not exist (a folder the user may
    // not write in); a file that is being deleted by another program answers access denied even to this question.
    DWORD saved = GetLastError();
    DWORD attributes = GetFileAttributesA(path.c_str());
    bool passing = attributes == INVALID_FILE_ATTRIBUTES
                       ? GetLastError() == ERROR_ACCESS_DENIED
                       : (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
    SetLastError(saved);
    return passing;
}

std::string SystemErrorText(int code) {
    if (code == 0) return std::string();
    char buffer[512] = {};
    DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    // English where the system has it, like the rest of the command-line tool's texts; else the system's language.
    DWORD n = FormatMessageA(flags, nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                             buffer, sizeof buffer, nullptr);
    if (n == 0) n = FormatMessageA(flags, nullptr, static_cast<DWORD>(code), 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    if (text.empty()) text = "system error " + std::to_string(code);
    return text;
}

}  // namespace sqz

// The full record on the NT family: 88 bytes in the 32-bit build, 152 in the 64-bit build, whose dialogs
// refuse the 32-bit figure. The Windows 9x family only knows the older form without the places bar.
unsigned FileDialogStructSize() {
    return (GetVersion() & 0x80000000u) == 0 ? sizeof(OPENFILENAMEA) : OPENFILENAME_SIZE_VERSION_400A;
}
