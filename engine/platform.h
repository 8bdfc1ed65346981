// The operating-system services the engine relies on: files, folders, the program's own path, and the
// code page's lead bytes. Win32 and POSIX implement them; tests may put their own in front of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sqz {

// The one path separator of the platform: the backslash on Windows, the slash elsewhere.
// Whether file names differ only in letter case name the same file.
#ifdef _WIN32
constexpr char kPathSep = '\\';
constexpr bool kPathsIgnoreCase = true;
#else
constexpr char kPathSep = '/';
constexpr bool kPathsIgnoreCase = false;
#endif

// What tells whether a file's content may have changed since it was looked at: its size, its last-write time and
// which file it is (another file renamed into its place is another file).
struct FileIdentity {
    uint64_t nSize = 0;
    int64_t nWriteTime = 0;  // in the platform's finest unit (nanoseconds on POSIX systems, 100 ns on Windows)
    uint64_t nVolume = 0;    // the device and inode on POSIX systems, the volume serial number and file index on
    uint64_t nFile = 0;      // Windows; 0 where the services do not know them
    bool operator==(const FileIdentity& o) const {
        return nSize == o.nSize && nWriteTime == o.nWriteTime && nVolume == o.nVolume && nFile == o.nFile;
    }
    bool operator!=(const FileIdentity& o) const { return !(*this == o); }
};

// A file opened for reading. Reads are sequential from the current position.
class ReadFile {
public:
    virtual ~ReadFile() = default;
    // Size of the file in bytes, or -1 when it cannot be determined.
    virtual int64_t Size() = 0;
    // Moves the read position to `offset` bytes from the start; false on failure.
    virtual bool Seek(uint64_t offset) = 0;
    // Reads up to `count` bytes into `buffer`; returns how many were read (0 at end of file or on an error).
    virtual size_t Read(void* buffer, size_t count) = 0;
    // True once a read has failed for another reason than the end of the file.
    virtual bool Failed() const = 0;
    // The identity of the open file; false when it cannot be had. Services that know no better (test stand-ins)
    // give its size only.
    virtual bool Identify(FileIdentity* identity);
};

// A file opened for writing. Close must be called to learn whether everything reached the disk.
class WriteFile {
public:
    virtual ~WriteFile() = default;
    // Writes all `count` bytes; false when they could not all be written (disk full, I/O error).
    virtual bool Write(const void* data, size_t count) = 0;
    // Moves the write position to `offset` bytes from the start; false on failure.
    virtual bool Seek(uint64_t offset) = 0;
    // Forces the written data to the storage device.
    virtual bool Sync() = 0;
    // Flushes and closes; false when anything written could not be stored. Further calls return false.
    virtual bool Close() = 0;
};

// What a directory search reports about one entry.
struct FileEntry {
    std::string name;       // the entry's own name, without its folder
    uint32_t nSizeLow = 0;  // low 32 bits of the size in bytes
    uint64_t nSize = 0;     // the whole size in bytes
    int64_t tCreated = 0;   // creation time, seconds since 1970-01-01 00:00 UTC (0 when unknown)
    bool bFolder = false;
};

// How WriteFile objects are created.
enum class CreateMode {
    kTruncate,   // create, or empty an existing file
    kExclusive,  // create; fail when a file of that name exists
};

class FileServices {
public:
    virtual ~FileServices() = default;
    // Opens an existing file for reading, or returns null.
    virtual std::unique_ptr<ReadFile> OpenRead(const std::string& path) = 0;
    // Creates a file for writing, or returns null.
    virtual std::unique_ptr<WriteFile> OpenWrite(const std::string& path, CreateMode mode) = 0;
    // Looks the path up like a directory search (no file is opened); false when nothing of that name exists.
    virtual bool Find(const std::string& path, FileEntry* entry) = 0;
    // Lists the entries of a folder (its path ending in the separator), "." and ".." included on Windows. There an
    // entry whose name the ANSI code page cannot hold comes by its short (8.3) name, and is left out when that
    // cannot be held either (or the volume keeps none), so that no name with a substituted character is listed.
    virtual std::vector<FileEntry> List(const std::string& folder) = 0;
    // List, and the entries it left out for their names in `*leftOut`, each named in UTF-8 for a report only (it
    // opens nothing). Services that leave nothing out (POSIX, test stand-ins) give List and no entry.
    virtual std::vector<FileEntry> ListWithLeftOut(const std::string& folder, std::vector<FileEntry>* leftOut);
    virtual bool CreateFolder(const std::string& path) = 0;
    // Deletes a file (never a folder).
    virtual bool Delete(const std::string& path) = 0;
    // Renames a file; fails when `to` exists.
    virtual bool Move(const std::string& from, const std::string& to) = 0;
    // Renames `from` over `to` in one step, replacing `to` if it exists; both in the same folder.
    virtual bool Replace(const std::string& from, const std::string& to) = 0;
    // Renames the file `from` over the existing file `to` (same folder) in one step, after giving `from` what the
    // platform records of `to` besides its content: its creation time and attributes (hidden, system, archive)
    // on Windows, its permissions and, where the user may give it away, its owner on POSIX systems. Fails,
    // leaving `to` as it was, when `to` does not exist, is a folder, is read-only (not writable by the user), or
    // is held open by another program that does not share it for deletion. Services that know no better (test
    // stand-ins) rename `from` over an existing `to` with Replace.
    virtual bool ReplaceExisting(const std::string& from, const std::string& to);
    // Full path of the running program's executable.
    virtual std::string ModulePath() = 0;
    // The identity of the file at `path` as it stands (FileIdentity); false when it cannot be had (it is gone).
    // Services that know no better (test stand-ins) give its size only, from Find.
    virtual bool Identify(const std::string& path, FileIdentity* identity);
    // Forces a folder's entries (the renames and creations in it) to disk; true where the platform does that with
    // each rename itself (Windows) and for services that know no better.
    virtual bool SyncFolder(const std::string& folder);
};

// The services the engine uses: the platform's own unless a test has put others in place.
FileServices& Files();
// Makes `services` the ones Files() returns (null restores the platform's own). Not thread-safe: for
// tests, before the engine is used.
void SetFileServices(FileServices* services);
// The platform's own implementation.
FileServices& PlatformFiles();

// The operating system's code of the last failed call on this thread (errno, GetLastError()); 0 when none is
// known. Read it directly after the failure: later calls may change it.
int LastSystemError();
// The system's description of an error code ("No space left on device"), without a trailing newline or full
// stop; "" for 0.
std::string SystemErrorText(int code);

// Whether a file step on `path` that failed with the system error `code` may go through when it is tried again a
// moment later, because another program (an antivirus, an indexer, a cloud-sync client) has the file open for a
// moment: on Windows a sharing or lock violation, or access denied on a file that exists and is neither read-only
// nor a folder; on POSIX systems a busy file. A full disk, a missing folder, a read-only file or a folder nobody
// may write in are lasting. Leaves LastSystemError() as it was.
bool IsPassingRefusal(int code, const std::string& path);

// The SHA-256 of the bytes given to it, by the platform's own implementation (Windows' CNG, nettle elsewhere).
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    void Update(const void* data, size_t size);
    // The digest of everything given so far, as 64 lower-case hex digits; the object starts anew.
    std::string HexDigest();

private:
    struct State;
    std::unique_ptr<State> state_;
};
// `bytes` digest bytes as lower-case hex.
std::string HexText(const unsigned char* bytes, size_t count);

// A key of the file or folder at `path` for telling two names of one apart: the same for every name of it (links,
// hard links, junctions, short names, other letter case on Windows): its device and file number, or volume and file
// index. Derived from the path itself when the file cannot be looked up.
std::string FileKey(const std::string& path);

// The number of the running process, and whether a process of that number is running now (true when that cannot be
// told, so that nothing of a process that may live is taken away).
unsigned long ProcessNumber();
bool IsProcessRunning(unsigned long number);

// True when `byte` opens a double-byte character in the ANSI code page (always false for UTF-8 systems,
// whose multi-byte sequences never contain ASCII bytes).
bool IsDbcsLeadByte(unsigned char byte);

}  // namespace sqz
