// The engine's file services on POSIX systems (the native Linux build).
#include "platform.h"

#include <dirent.h>
#include <nettle/sha2.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdio.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace sqz {
namespace {

FileIdentity IdentityFromStat(const struct stat& st) {
    FileIdentity id;
    id.nSize = static_cast<uint64_t>(st.st_size);
    id.nWriteTime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.nVolume = static_cast<uint64_t>(st.st_dev);
    id.nFile = static_cast<uint64_t>(st.st_ino);
    return id;
}

class PosixReadFile final : public ReadFile {
public:
    // `st` is what the file was when it was opened.
    PosixReadFile(int fd, const struct stat& st)
        : fd_(fd), size_(static_cast<int64_t>(st.st_size)), identity_(IdentityFromStat(st)) {}
    ~PosixReadFile() override { ::close(fd_); }

    int64_t Size() override { return size_; }
    bool Seek(uint64_t offset) override {
        if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
        return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0;
    }
    size_t Read(void* buffer, size_t count) override {
        size_t done = 0;
        auto* out = static_cast<char*>(buffer);
        while (done < count) {
            ssize_t n = ::read(fd_, out + done, count - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                failed_ = true;
                break;
            }
            if (n == 0) break;
            done += static_cast<size_t>(n);
        }
        return done;
    }
    bool Failed() const override { return failed_; }
    // As it was when it was opened, from the one look at it then.
    bool Identify(FileIdentity* identity) override {
        *identity = identity_;
        return true;
    }

private:
    int fd_;
    int64_t size_;
    FileIdentity identity_;
    bool failed_ = false;
};

class PosixWriteFile final : public WriteFile {
public:
    explicit PosixWriteFile(int fd) : fd_(fd) {}
    ~PosixWriteFile() override { Close(); }

    bool Write(const void* data, size_t count) override {
        if (fd_ < 0) return false;
        const auto* in = static_cast<const char*>(data);
        while (count > 0) {
            ssize_t n = ::write(fd_, in, count);
            if (n < 0) {
                if (errno == EINTR) continue;
                failed_ = true;
                return false;
            }
            in += n;
            count -= static_cast<size_t>(n);
        }
        return true;
    }
    bool Seek(uint64_t offset) override {
        if (fd_ < 0 || offset > static_cast<uint64_t>(INT64_MAX)) return false;
        return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0;
    }
    bool Sync() override { return fd_ >= 0 && ::fsync(fd_) == 0; }
    bool Close() override {
        if (fd_ < 0) return false;
        bool ok = ::close(fd_) == 0 && !failed_;
        fd_ = -1;
        return ok;
    }

private:
    int fd_;
    bool failed_ = false;
};

FileEntry EntryFromStat(const std::string& name, const struct stat& st) {
    FileEntry e;
    e.name = name;
    e.nSize = static_cast<uint64_t>(st.st_size);
    e.nSizeLow = static_cast<uint32_t>(e.nSize & 0xFFFFFFFFu);
    e.bFolder = S_ISDIR(st.st_mode);
    e.tCreated = static_cast<int64_t>(st.st_mtime);
    return e;
}

// The birth time where the file system records one, else the last modification time.
int64_t CreationTime(const std::string& path, int64_t fallback) {
#ifdef STATX_BTIME
    struct statx sx;
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME))
        return static_cast<int64_t>(sx.stx_btime.tv_sec);
#else
    (void)path;
#endif
    return fallback;
}

std::string BaseName(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

class PosixFileServices final : public FileServices {
public:
    std::unique_ptr<ReadFile> OpenRead(const std::string& path) override {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return nullptr;
        struct stat st;
        if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<PosixReadFile>(fd, st);
    }
    std::unique_ptr<WriteFile> OpenWrite(const std::string& path, CreateMode mode) override {
        int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode == CreateMode::kExclusive ? O_EXCL : O_TRUNC);
        int fd = ::open(path.c_str(), flags, 0666);
        if (fd < 0) return nullptr;
        return std::make_unique<PosixWriteFile>(fd);
    }
    bool Find(const std::string& path, FileEntry* entry) override {
        if (path.empty()) return false;
#ifdef STATX_BTIME
        // One call for the size, the kind and the birth time: a batch measures every movie several times.
        struct statx sx;
        if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) == 0) {
            if (entry) {
                entry->name = BaseName(path);
                entry->nSize = sx.stx_size;
                entry->nSizeLow = static_cast<uint32_t>(sx.stx_size & 0xFFFFFFFFu);
                entry->bFolder = S_ISDIR(sx.stx_mode);
                entry->tCreated =
                    static_cast<int64_t>((sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_mtime.tv_sec);
            }
            return true;
        }
        if (errno != ENOSYS) return false;
#endif
        struct stat st;
        if (::stat(path.c_str(), &st) != 0) return false;
        if (entry) {
            *entry = EntryFromStat(BaseName(path), st);
            entry->tCreated = CreationTime(path, entry->tCreated);
        }
        return true;
    }
    std::vector<FileEntry> List(const std::string& folder) override {
        std::vector<FileEntry> out;
        DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
        if (!dir) return out;
        while (dirent* d = ::readdir(dir)) {
            std::string name = d->d_name;
            struct stat st;
            std::string full = folder + name;
            if (::lstat(full.c_str(), &st) != 0) continue;
            out.push_back(EntryFromStat(name, st));
        }
        ::closedir(dir);
        return out;
    }
    bool CreateFolder(const std::string& path) override {
        std::string p = path;
        if (p.size() > 1 && p.back() == '/') p.pop_back();
        return ::mkdir(p.c_str(), 0777) == 0;
    }
    bool Delete(const std::string& path) override {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
        return ::unlink(path.c_str()) == 0;
    }
    bool Move(const std::string& from, const std::string& to) override {
        // A rename that refuses an existing destination, which plain rename() would silently replace.
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
        if (errno != EINVAL && errno != ENOSYS) return false;
        // File systems without that rename: a hard link also refuses an existing name.
        if (::link(from.c_str(), to.c_str()) != 0) return false;
        if (::unlink(from.c_str()) != 0) {
            ::unlink(to.c_str());
            return false;
        }
        return true;
    }
    bool Replace(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0;
    }
    bool ReplaceExisting(const std::string& from, const std::string& to) override {
        struct stat st;
        if (::stat(to.c_str(), &st) != 0) return false;
        if (!S_ISREG(st.st_mode)) {
            errno = EISDIR;
            return false;
        }
        // A file the user may not write is not replaced behind their back, although the folder would allow it.
        if (::faccessat(AT_FDCWD, to.c_str(), W_OK, AT_EACCESS) != 0) return false;
        // The new file takes over the old one's permissions, and its owner where the user may give it away.
        // Neither is worth failing for: the content is what matters.
        struct stat mine;
        if (::stat(from.c_str(), &mine) == 0) {
            if (mine.st_uid != st.st_uid || mine.st_gid != st.st_gid) {
                int saved = errno;
                if (::chown(from.c_str(), st.st_uid, st.st_gid) != 0) errno = saved;
            }
            if ((mine.st_mode & 07777) != (st.st_mode & 07777)) ::chmod(from.c_str(), st.st_mode & 07777);
        }
        return ::rename(from.c_str(), to.c_str()) == 0;
    }
    bool Identify(const std::string& path, FileIdentity* identity) override {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
        *identity = IdentityFromStat(st);
        return true;
    }
    bool SyncFolder(const std::string& folder) override {
        int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return false;
        bool ok = ::fsync(fd) == 0;
        int saved = errno;
        ::close(fd);
        errno = saved;
        return ok;
    }
    std::string ModulePath() override {
        char buffer[PATH_MAX + 1];
        ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
        return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
    }
};

}  // namespace

FileServices& PlatformFiles() {
    static PosixFileServices services;
    return services;
}

bool IsDbcsLeadByte(unsigned char) { return false; }

struct Sha256::State {
    sha256_ctx ctx;
};

Sha256::Sha256() : state_(new State) { sha256_init(&state_->ctx); }
Sha256::~Sha256() = default;

void Sha256::Update(const void* data, size_t size) {
    sha256_update(&state_->ctx, size, static_cast<const uint8_t*>(data));
}

std::string Sha256::HexDigest() {
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&state_->ctx, sizeof digest, digest);  // also starts the context anew
    return HexText(digest, sizeof digest);
}

std::string FileKey(const std::string& path) {
    // The same for every name of a file, links and hard links included.
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return "name:" + path;
    return std::to_string(static_cast<unsigned long long>(st.st_dev)) + ":" +
           std::to_string(static_cast<unsigned long long>(st.st_ino));
}

unsigned long ProcessNumber() { return static_cast<unsigned long>(::getpid()); }

bool IsProcessRunning(unsigned long number) {
    // A process of another user answers EPERM: it runs.
    int saved = errno;
    bool running = number == 0 || ::kill(static_cast<pid_t>(number), 0) == 0 || errno != ESRCH;
    errno = saved;
    return running;
}

int LastSystemError() { return errno; }

// A file in use does not stop a POSIX system from creating, renaming over or deleting it; only a busy file (a
// mount point, a running program's image on some systems) refuses for a while.
bool IsPassingRefusal(int code, const std::string&) { return code == EBUSY || code == ETXTBSY; }

namespace {
// strerror_r comes in two forms: the GNU one returns the text, the XSI one fills the buffer.
[[maybe_unused]] const char* ErrorTextOf(int result, const char* buffer) { return result == 0 ? buffer : ""; }
[[maybe_unused]] const char* ErrorTextOf(const char* result, const char*) { return result ? result : ""; }
}  // namespace

std::string SystemErrorText(int code) {
    if (code == 0) return std::string();
    char buffer[256] = {};
    return ErrorTextOf(::strerror_r(code, buffer, sizeof buffer), buffer);
}

}  // namespace sqz
