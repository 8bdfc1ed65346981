// One movie's file work in a batch: work-file names, which movies are worked on, compression with protection and
// the sizes, the verification of what was written, and the backup and safe replace of the source.
#include "movie_batch.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "atomic_file.h"
#include "busy_hook.h"
#include "file_helpers.h"
#include "mbcs.h"
#include "platform.h"
#include "swf_body.h"
#include "swf_container.h"
#include "swf_inspect.h"
#include "swf_protect.h"
#include "swf_tags.h"

using sqz::AtomicFile;
using sqz::Files;
using sqz::ReadFile;
using sqz::SwfBodyReader;

namespace {

// The text of each reason, around the name of the file it concerns.
struct ReasonText {
    SwfReason reason;
    const char* pszBefore;
    const char* pszAfter;
};
const ReasonText kReasonTexts[] = {
    {SwfReason::kCannotRead, "cannot read ", ""},
    {SwfReason::kCannotWrite, "cannot write ", ""},
    {SwfReason::kAlreadyCompressed, "", " is already compressed"},
    {SwfReason::kNotUncompressed, "", " is not an uncompressed movie"},
    {SwfReason::kNotCompressed, "", " is not a compressed movie"},
    {SwfReason::kTooShort, "", " is too short to be a movie"},
    {SwfReason::kTooLarge, "", " is too large (4 GB or more)"},
    {SwfReason::kBrokenStream, "", " holds a broken compressed movie"},
    {SwfReason::kNoMovie, "", " holds no movie"},
    {SwfReason::kNoMemory, "not enough memory to work on ", ""},
    {SwfReason::kGone, "the movie ", " is gone"},
    {SwfReason::kNoZopfli, "this build has no Zopfli to compress ", " harder"},
    {SwfReason::kNotVerified, "", " does not read back as the movie it must be"},
    {SwfReason::kCancelled, "the work on ", " was cancelled"},
};

// Why a movie was passed over: the text after "version <n> kept: " for the version reasons, else the whole text; and
// the fixed word for programs.
struct SkipText {
    SwfReason reason;
    const char* pszText;
    const char* pszCode;
};
const SkipText kSkipTexts[] = {
    {SwfReason::kAlreadyCompressed, "already compressed", "alreadyCompressed"},
    {SwfReason::kBadFlashFile, kBadFlashFile, "badFlashFile"},
    {SwfReason::kLowVersion, "a compressed movie has version 6 or later", "keepVersion"},
    {SwfReason::kKeptScripts, "it has scripts", "scripts"},
    {SwfReason::kKeptText, "its text would read differently as version 6", "text"},
    {SwfReason::kKeptUnreadable, "its tags cannot be read to the end", "unreadableTags"},
    {SwfReason::kNotSmaller, "compressed again it is not smaller", "notSmaller"},
};

bool IsVersionKept(SwfReason reason) {
    return reason == SwfReason::kLowVersion || reason == SwfReason::kKeptScripts || reason == SwfReason::kKeptText ||
           reason == SwfReason::kKeptUnreadable;
}

// Movies up to this size are read into memory once and worked on from there; larger ones are read again through
// the same opening for each pass (verification, backup), so that memory stays bounded.
constexpr uint64_t kInMemory = 8u * 1024 * 1024;
// Block of the passes that compare and copy.
constexpr size_t kBlock = 256 * 1024;

// Two blocks for a pass over `bytes` bytes: no larger than needed, as most movies are small and a large block costs a
// fresh mapping of memory for every movie.
struct Blocks {
    explicit Blocks(uint64_t bytes)
        : size(static_cast<size_t>(std::min<uint64_t>(kBlock, bytes + 1))),
          a(new unsigned char[size]),
          b(new unsigned char[size]) {}
    size_t size;
    std::unique_ptr<unsigned char[]> a, b;
};
// The largest movie length the header's 32-bit length field holds.
constexpr uint64_t kMaxLength = 0xFFFFFFFFull;

// A reader that hashes the bytes read from it in file order, when they are read in that order (a verification's
// pass over a file written by the engine, which holds nothing it does not read).
class HashingReadFile final : public ReadFile {
public:
    HashingReadFile(ReadFile& inner, sqz::Sha256* hash) : inner_(inner), hash_(hash) {}
    int64_t Size() override { return inner_.Size(); }
    bool Seek(uint64_t offset) override {
        pos_ = offset;
        return inner_.Seek(offset);
    }
    size_t Read(void* buffer, size_t count) override {
        size_t n = inner_.Read(buffer, count);
        if (hash_ && pos_ == hashed_) {
            hash_->Update(buffer, n);
            hashed_ += n;
        }
        pos_ += n;
        return n;
    }
    bool Failed() const override { return inner_.Failed(); }
    uint64_t Hashed() const { return hashed_; }

private:
    ReadFile& inner_;
    sqz::Sha256* hash_;
    uint64_t pos_ = 0;
    uint64_t hashed_ = 0;
};

// The source movie, opened once: its header, its identity when it was read, and its bytes (in memory when small).
class SourceMovie {
public:
    // Opens and measures the file and reads its header (a small file whole). kCannotRead when it does not open or
    // cannot be read.
    SwfResult Open(const std::string& path) {
        path_ = path;
        file_ = Files().OpenRead(path);
        int64_t size = file_ ? file_->Size() : -1;
        if (size < 0 || !file_->Identify(&identity_)) return {SwfReason::kCannotRead, sqz::LastSystemError()};
        size_ = static_cast<uint64_t>(size);
        if (size_ <= kInMemory) {
            bytes_.resize(static_cast<size_t>(size_));
            if (file_->Read(bytes_.data(), bytes_.size()) != bytes_.size())
                return {SwfReason::kCannotRead, sqz::LastSystemError()};
            memory_.reset(new sqz::MemoryReadFile(bytes_));
            file_.reset();  // nothing of it is needed any more; on Windows it would stand in the way of the rename
        }
        File().Seek(0);
        got_ = File().Read(header_, kSwfHeaderSize);
        if (File().Failed()) return {SwfReason::kCannotRead, sqz::LastSystemError()};
        movie_ = SwfCodingOf(header_, got_, &coding_);
        return {};
    }
    ReadFile& File() { return memory_ ? *memory_ : *file_; }
    uint64_t Size() const { return size_; }
    bool IsMovie() const { return movie_; }
    bool IsWhole() const { return got_ == kSwfHeaderSize; }  // it holds a whole 8-byte header
    SwfCoding Coding() const { return coding_; }
    const unsigned char* Header() const { return header_; }
    unsigned char Version() const { return header_[3]; }
    uint32_t LengthField() const { return ReadLE32(header_ + 4); }
    // A reader of the body from its start: stored, or decoded for a compressed movie.
    std::unique_ptr<SwfBodyReader> Body() {
        return std::unique_ptr<SwfBodyReader>(new SwfBodyReader(File(), header_, kSwfHeaderSize, size_, coding_));
    }
    // Whether the file at the path is still the one that was read, as it was; `gone` tells a file that is not there.
    bool Unchanged(bool* gone) const {
        sqz::FileIdentity now;
        *gone = !Files().Identify(path_, &now);
        return !*gone && now == identity_;
    }
    // Gives up the opened file (the bytes in memory stay): a file that is to be renamed over must not be open on
    // Windows.
    void Release() { file_.reset(); }
    // Writes the whole file to `out` (the backup), hashing it into `hash` when given.
    SwfResult CopyTo(sqz::WriteFile& out, sqz::Sha256* hash = nullptr) {
        if (memory_) {
            if (hash) hash->Update(bytes_.data(), bytes_.size());
            if (!out.Write(bytes_.data(), bytes_.size())) return {SwfReason::kCannotWrite, sqz::LastSystemError()};
            return {};
        }
        if (!file_->Seek(0)) return {SwfReason::kCannotRead, sqz::LastSystemError()};
        std::unique_ptr<unsigned char[]> block(new unsigned char[kBlock]);
        for (uint64_t left = size_; left > 0;) {
            if (!sqz::Busy()) return {SwfReason::kCancelled};
            size_t want = static_cast<size_t>(std::min<uint64_t>(left, kBlock));
            if (file_->Read(block.get(), want) != want) return {SwfReason::kCannotRead, sqz::LastSystemError()};
            if (hash) hash->Update(block.get(), want);
            if (!out.Write(block.get(), want)) return {SwfReason::kCannotWrite, sqz::LastSystemError()};
            left -= want;
        }
        return {};
    }
    // The SHA-256 of the whole file as it was read.
    std::string Sha256() {
        sqz::Sha256 hash;
        if (memory_) {
            hash.Update(bytes_.data(), bytes_.size());
        } else {
            struct Sink : sqz::WriteFile {
                bool Write(const void*, size_t) override { return true; }
                bool Seek(uint64_t) override { return true; }
                bool Sync() override { return true; }
                bool Close() override { return true; }
            } sink;
            if (!CopyTo(sink, &hash).Ok()) return std::string();
        }
        return hash.HexDigest();
    }

private:
    std::string path_;
    std::unique_ptr<ReadFile> file_;
    std::unique_ptr<sqz::MemoryReadFile> memory_;
    std::vector<unsigned char> bytes_;
    sqz::FileIdentity identity_;
    uint64_t size_ = 0;
    unsigned char header_[kSwfHeaderSize] = {};
    size_t got_ = 0;
    bool movie_ = false;
    SwfCoding coding_ = SwfCoding::kStored;
};

// The body of an uncompressed movie with the Protect tag inserted as its first tag: the source's body up to the end
// of the frame header, the two bytes 00 06, then the rest of the body up to the declared length.
class ProtectedBody final : public sqz::BodySource {
public:
    ProtectedBody(sqz::BodySource& inner, uint64_t insertAt, uint64_t limit)
        : inner_(inner), insertAt_(insertAt), limit_(limit) {}
    size_t Read(void* buffer, size_t count) override {
        auto* out = static_cast<unsigned char*>(buffer);
        size_t done = 0;
        while (done < count) {
            size_t n;
            if (pos_ < insertAt_ || (tag_ == 2 && pos_ < limit_)) {
                uint64_t until = pos_ < insertAt_ ? insertAt_ : limit_;
                n = inner_.Read(out + done, static_cast<size_t>(std::min<uint64_t>(count - done, until - pos_)));
                pos_ += n;
                if (n == 0) break;
            } else if (tag_ < 2) {
                static const unsigned char kTag[2] = {0x00, 0x06};
                out[done] = kTag[tag_++];
                n = 1;
            } else {
                break;
            }
            done += n;
        }
        return done;
    }
    SwfReason Failure() const override { return inner_.Failure(); }

private:
    sqz::BodySource& inner_;
    uint64_t insertAt_, limit_;
    uint64_t pos_ = 0;  // position in the inner body
    int tag_ = 0;       // bytes of the tag handed out
};

// How the movie is compressed: what its output's header says and which body it holds.
struct Plan {
    sqz::SwfMethod method = sqz::SwfMethod::kZlib;
    unsigned char version = 0;  // the output's version byte
    uint32_t lengthField = 0;   // the output's length field
    uint64_t bodySize = 0;      // bytes of the body
    bool bProtect = false;      // the Protect tag is inserted (at insertAt, the body cut at limit)
    uint64_t insertAt = 0, limit = 0;
    uint32_t nBefore = 0;  // the size the saving is measured against
};

// A reader of the body the output must hold, from its start.
class PlannedBody {
public:
    PlannedBody(SourceMovie& source, const Plan& plan) : body_(source.Body()) {
        if (plan.bProtect) protect_.reset(new ProtectedBody(*body_, plan.insertAt, plan.limit));
    }
    sqz::BodySource& Source() { return protect_ ? static_cast<sqz::BodySource&>(*protect_) : *body_; }
    SwfBodyReader& Reader() { return *body_; }

private:
    std::unique_ptr<SwfBodyReader> body_;
    std::unique_ptr<ProtectedBody> protect_;
};

// Compresses the planned body into the open `out`, closes it (forced to disk when `durable`) and measures it.
SwfResult Encode(SourceMovie& source, const Plan& plan, AtomicFile& out, bool durable, uint64_t* written) {
    PlannedBody body(source, plan);
    SwfResult r = sqz::EncodeMovie(plan.method, plan.version, plan.lengthField, plan.bodySize, body.Source(),
                                   *out.File(), written);
    // A decoded source (compressed again) must also end soundly where its body ends.
    if (r.Ok() && source.Coding() != SwfCoding::kStored && !body.Reader().Finish())
        r = {body.Reader().Failure() == SwfReason::kNone ? SwfReason::kBrokenStream : body.Reader().Failure()};
    if (r.Ok() && !out.Close(durable)) r = {SwfReason::kCannotWrite, out.Error()};
    return r;
}

// What a verification also gives: the SHA-256 of the written file and of the body.
struct Hashes {
    sqz::Sha256 file, body;
};

// Reads the movie at `path` back: its header must be that of `plan` in the form `coding`, its stream must decode to
// exactly the planned body and end where the file does. kNotVerified when anything differs, kCannotRead when it
// cannot be read.
SwfResult Verify(const std::string& path, SwfCoding coding, SourceMovie& source, const Plan& plan,
                 Hashes* hashes = nullptr) {
    std::unique_ptr<ReadFile> opened = Files().OpenRead(path);
    if (!opened) return {SwfReason::kCannotRead, sqz::LastSystemError()};
    // A small movie is read back in one piece.
    std::vector<unsigned char> bytes;
    std::unique_ptr<sqz::MemoryReadFile> memory;
    const int64_t stored = opened->Size();
    if (stored >= 0 && static_cast<uint64_t>(stored) <= kInMemory) {
        bytes.resize(static_cast<size_t>(stored));
        if (opened->Read(bytes.data(), bytes.size()) != bytes.size() || opened->Failed())
            return {SwfReason::kCannotRead, sqz::LastSystemError()};
        memory.reset(new sqz::MemoryReadFile(bytes));
    }
    HashingReadFile file(memory ? static_cast<ReadFile&>(*memory) : *opened, hashes ? &hashes->file : nullptr);
    const int64_t size = file.Size();
    unsigned char header[kSwfHeaderSize];
    SwfCoding written;
    if (size < 0 || file.Read(header, sizeof header) != sizeof header)
        return {file.Failed() ? SwfReason::kCannotRead : SwfReason::kNotVerified, sqz::LastSystemError()};
    if (!SwfCodingOf(header, sizeof header, &written) || written != coding || header[3] != plan.version ||
        ReadLE32(header + 4) != plan.lengthField)
        return {SwfReason::kNotVerified};
    SwfBodyReader got(file, header, kSwfHeaderSize, static_cast<uint64_t>(size), coding);
    PlannedBody want(source, plan);
    Blocks blocks(plan.bodySize);
    unsigned char *a = blocks.a.get(), *b = blocks.b.get();
    for (;;) {
        if (!sqz::Busy()) return {SwfReason::kCancelled};
        size_t n = want.Source().Read(a, blocks.size);
        if (want.Source().Failure() != SwfReason::kNone) return {want.Source().Failure(), sqz::LastSystemError()};
        if (got.Read(b, n) != n || std::memcmp(a, b, n) != 0) break;
        if (hashes) hashes->body.Update(a, n);
        if (n < blocks.size) {
            // Both end here, the written stream soundly and with the file.
            if (want.Source().Read(a, 1) == 0 && got.Read(b, 1) == 0 && got.Finish() && got.BytesAfterStream() == 0 &&
                got.Position() == plan.bodySize)
                return {};
            break;
        }
    }
    if (got.Failure() == SwfReason::kCannotRead) return {SwfReason::kCannotRead, sqz::LastSystemError()};
    return {SwfReason::kNotVerified};
}

// Reads the copy at `path` back and compares it byte for byte with the source.
SwfResult VerifyCopy(const std::string& path, SourceMovie& source) {
    std::unique_ptr<ReadFile> copy = Files().OpenRead(path);
    if (!copy) return {SwfReason::kCannotRead, sqz::LastSystemError()};
    if (copy->Size() != static_cast<int64_t>(source.Size())) return {SwfReason::kNotVerified};
    ReadFile& original = source.File();
    if (!original.Seek(0)) return {SwfReason::kCannotRead, sqz::LastSystemError()};
    Blocks blocks(source.Size());
    unsigned char *a = blocks.a.get(), *b = blocks.b.get();
    for (uint64_t left = source.Size(); left > 0;) {
        if (!sqz::Busy()) return {SwfReason::kCancelled};
        size_t want = static_cast<size_t>(std::min<uint64_t>(left, blocks.size));
        if (original.Read(a, want) != want) return {SwfReason::kCannotRead, sqz::LastSystemError()};
        if (copy->Read(b, want) != want || std::memcmp(a, b, want) != 0)
            return {copy->Failed() ? SwfReason::kCannotRead : SwfReason::kNotVerified};
        left -= want;
    }
    return {};
}

// The failure of a guarded rename of `step` over `file`: the source gone, changed, or the rename's own error.
MovieFailure RenameFailure(MovieStep step, const AtomicFile& out, const std::string& source, bool gone,
                           const std::string& file) {
    if (gone) return MakeMovieFailure(step, {SwfReason::kGone}, source);
    if (out.Changed()) return MakeMovieFailure(step, {SwfReason::kChanged}, source);
    return MakeMovieFailure(step, {SwfReason::kCannotWrite, out.Error()}, file, out.KeptPath());
}

// The backup of the source: written, forced to disk, read back and renamed into place while the source is as it
// was read.
MovieFailure Backup(SourceMovie& source, const std::string& path, const std::function<bool()>& unchanged,
                    const bool& gone) {
    const std::string backup = GetBackupPath(path);
    AtomicFile copy;
    if (!copy.Open(backup))
        return MakeMovieFailure(MovieStep::kBackup, {SwfReason::kCannotWrite, copy.Error()}, backup);
    SwfResult r = source.CopyTo(*copy.File());
    if (r.Ok() && !copy.Close(true)) r = {SwfReason::kCannotWrite, copy.Error()};
    if (!r.Ok()) return MakeMovieFailure(MovieStep::kBackup, r, r.reason == SwfReason::kCannotRead ? path : backup);
    r = VerifyCopy(copy.WorkPath(), source);
    if (!r.Ok()) return MakeMovieFailure(MovieStep::kVerify, r, backup);
    if (!copy.Commit(true, unchanged)) return RenameFailure(MovieStep::kBackup, copy, path, gone, backup);
    return MovieFailure();
}

// The replace of the source by `replacement`, a closed and verified work file beside it, while the source is as it
// was read.
MovieFailure Replace(SourceMovie& source, const std::string& path, AtomicFile& replacement,
                     const std::function<bool()>& unchanged, const bool& gone) {
    source.Release();
    if (!replacement.Commit(true, unchanged)) return RenameFailure(MovieStep::kReplace, replacement, path, gone, path);
    return MovieFailure();
}

// Where the compressed movie goes: a work file beside the source (Optimize), or the output in the work folder (Test).
bool OpenOutput(AtomicFile& out, bool beside, const std::string& source, const std::string& output) {
    return beside ? out.OpenBeside(source) : out.Open(output);
}

// What one compression came to.
struct Compressed {
    MovieFailure failure;
    SwfCoding coding = SwfCoding::kZlib;
    uint64_t size = 0;
};

// Compresses the source by `plan` into `*out` (Optimize: beside the source, forced to disk; Test: the output); with
// `lzmaToo`, also as an LZMA movie, keeping whichever is smaller. Then reads the kept one back (kVerify).
Compressed CompressAndVerify(SourceMovie& source, const std::string& path, Plan plan, bool lzmaToo, bool beside,
                             const std::string& output, std::unique_ptr<AtomicFile>* out, Hashes* hashes,
                             bool verify = true) {
    Compressed c;
    auto attempt = [&](std::unique_ptr<AtomicFile>* file, const Plan& how, uint64_t* written) {
        file->reset(new AtomicFile);
        if (!OpenOutput(**file, beside, path, output))
            return MakeMovieFailure(MovieStep::kCompress, {SwfReason::kCannotWrite, (*file)->Error()}, path,
                                    beside ? GetFolderPart(path) : output);
        SwfResult r = Encode(source, how, **file, beside, written);
        return MakeMovieFailure(MovieStep::kCompress, r, path, beside ? (*file)->WorkPath() : output);
    };
    c.coding = plan.method == sqz::SwfMethod::kLzma ? SwfCoding::kLzma : SwfCoding::kZlib;
    c.failure = attempt(out, plan, &c.size);
    if (c.failure.step != MovieStep::kNone) return c;
    if (lzmaToo) {
        std::unique_ptr<AtomicFile> lzma;
        uint64_t size = 0;
        Plan other = plan;
        other.method = sqz::SwfMethod::kLzma;
        c.failure = attempt(&lzma, other, &size);
        if (c.failure.step != MovieStep::kNone) return c;
        if (size < c.size) {
            out->swap(lzma);
            plan = other;
            c.coding = SwfCoding::kLzma;
            c.size = size;
        }
    }
    SwfResult r = verify ? Verify((*out)->WorkPath(), c.coding, source, plan, hashes) : SwfResult();
    if (!r.Ok()) c.failure = MakeMovieFailure(MovieStep::kVerify, r, beside ? (*out)->WorkPath() : output);
    return c;
}

// The plan for an uncompressed source: compressed as it stands, or with the Protect tag inserted when asked for and
// the movie holds none and allows it (its declared length covers the frame header and no more than the file).
Plan PlanStored(SourceMovie& source, bool protect, bool alreadyProtected, sqz::SwfMethod method) {
    Plan plan;
    plan.method = method;
    plan.version = CompressedSwfVersion(source.Version());
    plan.lengthField = static_cast<uint32_t>(source.Size());
    plan.bodySize = source.Size() - kSwfHeaderSize;
    plan.nBefore = static_cast<uint32_t>(source.Size());
    if (!protect || alreadyProtected || source.Size() <= kSwfHeaderSize) return plan;
    unsigned char first = 0;
    source.File().Seek(kSwfHeaderSize);
    if (source.File().Read(&first, 1) != 1) return plan;
    const uint64_t rect = SwfRectLength(first), declared = source.LengthField();
    if (declared < rect + 12 || declared > source.Size() || declared > kMaxLength - 2) return plan;
    plan.bProtect = true;
    plan.insertAt = rect + 4;
    plan.limit = declared - kSwfHeaderSize;
    plan.bodySize = declared - kSwfHeaderSize + 2;
    plan.lengthField = static_cast<uint32_t>(declared + 2);
    plan.nBefore = plan.lengthField;
    return plan;
}

// The tags of the source walked for what `want` asks; `*read` is kCannotRead (with the system error) when the file
// could not be read on the way, and the walk's answers are then not to be trusted.
sqz::SwfTagWalk WalkSource(SourceMovie& source, unsigned want, SwfResult* read) {
    std::unique_ptr<SwfBodyReader> body = source.Body();
    sqz::SwfTagWalk walk;
    if (sqz::SkipSwfFrameHeader(*body)) walk = sqz::WalkSwfTags(*body, want);
    *read = body->Failure() == SwfReason::kCannotRead ? SwfResult{SwfReason::kCannotRead, sqz::LastSystemError()}
                                                      : SwfResult();
    return walk;
}

MovieBatchResult Ended(MovieOutcome outcome, const MovieFailure& failure) {
    MovieBatchResult r;
    r.outcome = outcome;
    r.failure = failure;
    return r;
}

MovieBatchResult Skipped(SwfReason reason, const std::string& source, const std::string& version = std::string()) {
    return Ended(MovieOutcome::kSkipped, MakeMovieFailure(MovieStep::kNone, {reason}, source, version));
}

sqz::SwfMethod MethodOf(int bBest) { return bBest ? sqz::SwfMethod::kZopfli : sqz::SwfMethod::kZlib; }

}  // namespace

MovieWorkFiles GetMovieWorkFiles(const std::string& workFolder, const std::string& source) {
    std::string stem = GetFileStem(source);
    if (sqz::MbsFindLast(source, sqz::kPathSep) == std::string::npos && source.size() > 4)
        stem = source.substr(0, source.size() - 4);
    MovieWorkFiles work;
    work.strOutput = workFolder + stem + "_Comp.swf";
    work.strProtected = workFolder + "ProtectTemp.swf";
    work.strProtectWork1 = workFolder + kProtectWork1;
    work.strProtectWork2 = workFolder + kProtectWork2;
    return work;
}

std::string GetBackupPath(const std::string& source) {
    return (source.size() > 4 ? source.substr(0, source.size() - 4) : std::string()) + kBackupSuffix;
}

namespace {

// Whether `name` ends in the single-byte characters of `tail`, in any letter case (a trail byte of a double-byte
// character is no "_").
bool EndsWithNoCase(const std::string& name, const std::string& tail) {
    const size_t at = name.size() - tail.size();
    return name.size() >= tail.size() && !sqz::MbsIsTrailByte(name, at) && sqz::MbsICmp(name.substr(at), tail) == 0;
}

}  // namespace

bool HasMovieExtension(const std::string& name) { return EndsWithNoCase(name, ".swf"); }

bool IsFolderMovieName(const std::string& name) {
    return HasMovieExtension(name) && !EndsWithNoCase(name, kBackupSuffix);
}

int SavingRatio(uint32_t before, uint32_t after) {
    if (before == 0) return 0;
    int64_t r = (static_cast<int64_t>(before) - static_cast<int64_t>(after)) * 100 / static_cast<int64_t>(before);
    if (r < INT_MIN) return INT_MIN;
    return r > INT_MAX ? INT_MAX : static_cast<int>(r);
}

const char* MovieStepName(MovieStep step) {
    // In the order of MovieStep.
    static const char* const kNames[] = {"", "read", "compress", "verify", "backup", "replace"};
    return kNames[static_cast<int>(step)];
}

MovieFailure MakeMovieFailure(MovieStep step, SwfResult result, const std::string& file, const std::string& other) {
    MovieFailure f;
    if (result.Ok()) return f;
    f.step = step;
    f.reason = result.reason;
    f.nSystemError = result.nSystemError;
    if (step == MovieStep::kNone) {
        for (const SkipText& text : kSkipTexts)
            if (text.reason == result.reason) f.strWhat = text.pszText;
        if (IsVersionKept(result.reason)) f.strWhat = "version " + other + " kept: " + f.strWhat;
    } else if (result.reason == SwfReason::kChanged) {
        f.strWhat = "the movie changed while it was being optimized";
    } else if (result.reason == SwfReason::kCannotWrite && step == MovieStep::kCompress) {
        f.strWhat = "cannot compress " + file + " into " + other;
    } else {
        for (const ReasonText& text : kReasonTexts)
            if (text.reason == result.reason) f.strWhat = text.pszBefore + file + text.pszAfter;
        if (!other.empty()) f.strWhat += " (its new content is kept as " + other + ")";
    }
    return f;
}

std::string MovieFailureReason(const MovieFailure& failure) {
    if (failure.nSystemError == 0) return failure.strWhat;
    return failure.strWhat + ": " + sqz::SystemErrorText(failure.nSystemError);
}

std::string DescribeMovieFailure(const MovieFailure& failure) {
    return std::string(MovieStepName(failure.step)) + ": " + MovieFailureReason(failure);
}

const char* MovieSkipCode(SwfReason reason) {
    for (const SkipText& text : kSkipTexts)
        if (text.reason == reason) return text.pszCode;
    return "";
}

MovieOptimizeResult OptimizeMovie(const std::string& source, const MovieWorkFiles& work, int bProtect, int bBest) {
    MovieOptimizeResult result;
    SourceMovie movie;
    SwfResult r = movie.Open(source);
    if (r.Ok() && (!movie.IsMovie() || movie.Coding() != SwfCoding::kStored))
        r = {movie.IsMovie() ? SwfReason::kAlreadyCompressed : SwfReason::kNotUncompressed};
    if (r.Ok() && !movie.IsWhole()) r = {SwfReason::kTooShort};
    if (r.Ok() && movie.Size() > kMaxLength) r = {SwfReason::kTooLarge};
    if (!r.Ok()) {
        result.failure = MakeMovieFailure(MovieStep::kCompress, r, source, work.strOutput);
        return result;
    }
    bool protectedAlready = bProtect && WalkSource(movie, sqz::kWalkProtect, &r).bProtected;
    if (!r.Ok()) {
        result.failure = MakeMovieFailure(MovieStep::kCompress, r, source, work.strOutput);
        return result;
    }
    Plan plan = PlanStored(movie, bProtect != 0, protectedAlready, MethodOf(bBest));
    std::unique_ptr<AtomicFile> out;
    Compressed c = CompressAndVerify(movie, source, plan, false, false, work.strOutput, &out, nullptr);
    if (c.failure.step == MovieStep::kNone && !out->Commit())
        c.failure =
            MakeMovieFailure(MovieStep::kCompress, {SwfReason::kCannotWrite, out->Error()}, source, work.strOutput);
    if (c.failure.step != MovieStep::kNone) {
        result.failure = c.failure;
        return result;
    }
    result.bOk = 1;
    result.bProtected = plan.bProtect;
    result.nBefore = plan.nBefore;
    result.nAfter = static_cast<uint32_t>(c.size);
    result.nRatio = SavingRatio(result.nBefore, result.nAfter);
    result.nSourceVersion = movie.Version();
    result.nVersion = plan.version;
    return result;
}

MovieFailure ReplaceMovie(const std::string& source, const std::string& output, int bBackup) {
    const MovieStep first = bBackup ? MovieStep::kBackup : MovieStep::kReplace;
    // The source must still be there and uncompressed: a movie that went away is not created again, and one that
    // was compressed meanwhile (by another run) is not replaced by an older content.
    SourceMovie movie;
    SwfResult r = movie.Open(source);
    if (!r.Ok()) {
        bool gone = !Files().Find(source, nullptr);
        return MakeMovieFailure(first, gone ? SwfResult{SwfReason::kGone, r.nSystemError} : r, source);
    }
    if (!movie.IsMovie() || movie.Coding() != SwfCoding::kStored)
        return MakeMovieFailure(first, {movie.IsMovie() ? SwfReason::kAlreadyCompressed : SwfReason::kNotUncompressed},
                                source);
    r = CheckSwfSignature(output, "CWS");
    if (!r.Ok()) return MakeMovieFailure(MovieStep::kReplace, r, output);
    bool gone = false;
    std::function<bool()> unchanged = [&] { return movie.Unchanged(&gone); };
    if (bBackup) {
        MovieFailure f = Backup(movie, source, unchanged, gone);
        if (f.step != MovieStep::kNone) return f;
    }

    // The new content, copied beside the source and forced to disk, must decode to the source's body (with the
    // Protect tag when the output has it).
    AtomicFile replacement;
    if (!replacement.OpenOver(source))
        return MakeMovieFailure(MovieStep::kReplace, {SwfReason::kCannotWrite, replacement.Error()}, source);
    std::unique_ptr<ReadFile> in = Files().OpenRead(output);
    if (!in) return MakeMovieFailure(MovieStep::kReplace, {SwfReason::kCannotRead, sqz::LastSystemError()}, output);
    unsigned char header[kSwfHeaderSize] = {};
    std::unique_ptr<unsigned char[]> block(new unsigned char[kBlock]);
    bool ok = true;
    for (size_t n = kBlock, at = 0; ok && n == kBlock; at += n) {
        if (!sqz::Busy()) return MakeMovieFailure(MovieStep::kReplace, {SwfReason::kCancelled}, source);
        n = in->Read(block.get(), kBlock);
        if (at == 0) std::memcpy(header, block.get(), std::min(n, sizeof header));
        ok = !in->Failed() && replacement.File()->Write(block.get(), n);
    }
    if (!ok || !replacement.Close(true))
        return MakeMovieFailure(MovieStep::kReplace, {SwfReason::kCannotWrite, sqz::LastSystemError()}, source);
    // An output two bytes longer than the source holds the Protect tag, unless the source has one already.
    const bool withTag = ReadLE32(header + 4) != movie.Size();
    const bool protectedAlready = withTag && WalkSource(movie, sqz::kWalkProtect, &r).bProtected;
    if (!r.Ok()) return MakeMovieFailure(MovieStep::kVerify, r, source);
    Plan plan = PlanStored(movie, withTag, protectedAlready, sqz::SwfMethod::kZlib);
    plan.version = header[3];
    SwfCoding coding = SwfCoding::kZlib;
    SwfCodingOf(header, sizeof header, &coding);
    r = Verify(replacement.WorkPath(), coding, movie, plan);
    if (!r.Ok()) return MakeMovieFailure(MovieStep::kVerify, r, output);
    return Replace(movie, source, replacement, unchanged, gone);
}

MovieBatchResult ProcessMovie(const std::string& source, const MovieBatchRequest& request) {
    // The work files that a run which was killed left beside the movies go when a run next optimizes there, whether
    // it has anything to write there or not.
    if (request.bOptimize) sqz::RemoveStaleWorkFiles(GetFolderPart(source));
    SourceMovie movie;
    SwfResult opened = movie.Open(source);
    bool bad = request.verdict == MovieVerdict::kBad;
    // A row marked bad is passed over even when its file is gone; a movie that cannot be read fails.
    if (!opened.Ok())
        return bad ? Skipped(SwfReason::kBadFlashFile, source)
                   : Ended(MovieOutcome::kFailed, MakeMovieFailure(MovieStep::kRead, opened, source));
    const bool compressed = movie.IsMovie() && movie.Coding() != SwfCoding::kStored;
    if (compressed && !request.bRecompress) return Skipped(SwfReason::kAlreadyCompressed, source);
    MovieBatchResult r;
    if (request.verdict == MovieVerdict::kRead) {
        // Version 0, or no movie signature: a bad file; but a projector holding a movie is a movie that cannot be
        // compressed, as before.
        bad = !movie.IsMovie() || !movie.IsWhole() || movie.Version() == 0;
        SwfFileInfo info{};
        if (bad && !movie.IsMovie() && NameEndsWithExe(source)) {
            ReadSwfInfoEx(source, &info);
            bad = !IsValidSwf(info);
        }
        r.nOriginal = bad || !movie.IsMovie() ? info.nFileSize
                      : compressed            ? static_cast<uint32_t>(movie.Size())
                                              : movie.LengthField();
    }
    if (bad) return Skipped(SwfReason::kBadFlashFile, source);
    SwfResult fit;
    if (!movie.IsMovie())
        fit = {SwfReason::kNotUncompressed};
    else if (!movie.IsWhole())
        fit = {SwfReason::kTooShort};
    else if (movie.Size() > kMaxLength)
        fit = {SwfReason::kTooLarge};
    if (!fit.Ok()) {
        r.outcome = MovieOutcome::kFailed;
        r.failure = MakeMovieFailure(MovieStep::kCompress, fit, source);
        return r;
    }

    Plan plan;
    bool lzmaToo = false;
    if (compressed) {
        // Compressed again: the whole stream is read first, for its size and to be sure it is sound.
        std::unique_ptr<SwfBodyReader> body = movie.Body();
        if (!body->Finish()) {
            SwfReason why = body->Failure() == SwfReason::kNone ? SwfReason::kBrokenStream : body->Failure();
            r.outcome = MovieOutcome::kFailed;
            r.failure = MakeMovieFailure(MovieStep::kRead, {why}, source);
            return r;
        }
        plan.version = movie.Version();
        plan.bodySize = body->Position();
        if (plan.bodySize > kMaxLength - kSwfHeaderSize) {
            r.outcome = MovieOutcome::kFailed;
            r.failure = MakeMovieFailure(MovieStep::kRead, {SwfReason::kTooLarge}, source);
            return r;
        }
        plan.lengthField = static_cast<uint32_t>(plan.bodySize + kSwfHeaderSize);
        plan.nBefore = static_cast<uint32_t>(movie.Size());
        plan.method = MethodOf(request.bBest);
    } else {
        const unsigned char version = movie.Version();
        unsigned want = request.bProtect ? unsigned{sqz::kWalkProtect} : 0u;
        if (version < kMinCompressedSwfVersion) {
            if (request.bKeepVersion) return Skipped(SwfReason::kLowVersion, source, std::to_string(version));
            want |= sqz::kWalkVersionDependence;
        }
        sqz::SwfTagWalk walk;
        SwfResult read;
        if (want) walk = WalkSource(movie, want, &read);
        if (!read.Ok()) {
            r.outcome = MovieOutcome::kFailed;
            r.failure = MakeMovieFailure(MovieStep::kRead, read, source);
            return r;
        }
        if (want & sqz::kWalkVersionDependence) {
            SwfReason kept = walk.bScripts        ? SwfReason::kKeptScripts
                             : walk.bNonAsciiText ? SwfReason::kKeptText
                             : !walk.bWhole       ? SwfReason::kKeptUnreadable
                                                  : SwfReason::kNone;
            if (kept != SwfReason::kNone) return Skipped(kept, source, std::to_string(version));
        }
        plan = PlanStored(movie, request.bProtect != 0, walk.bProtected, MethodOf(request.bBest));
    }
    lzmaToo = request.bLzma && plan.version >= kMinLzmaSwfVersion;

    const std::string output =
        request.bOptimize
            ? std::string()
            : GetMovieWorkFiles(request.strWorkFolder.empty() ? GetTempFolder() : request.strWorkFolder, source)
                  .strOutput;
    Hashes hashes;
    std::unique_ptr<AtomicFile> out;
    Compressed c = CompressAndVerify(movie, source, plan, lzmaToo, request.bOptimize, output, &out,
                                     request.bHashes ? &hashes : nullptr, request.bVerify);
    if (c.failure.step != MovieStep::kNone) {
        r.outcome = MovieOutcome::kFailed;
        r.failure = c.failure;
        return r;
    }
    // Compressed again, only a smaller movie is worth a change.
    if (compressed && c.size >= movie.Size()) return Skipped(SwfReason::kNotSmaller, source);
    if (request.bHashes) {
        r.strSha256Before = movie.Sha256();
        r.strSha256After = hashes.file.HexDigest();
        r.strSha256Body = hashes.body.HexDigest();
    }
    if (request.bOptimize) {
        bool gone = false;
        std::function<bool()> unchanged = [&] { return movie.Unchanged(&gone); };
        if (request.bBackup) r.failure = Backup(movie, source, unchanged, gone);
        if (r.failure.step == MovieStep::kNone) r.failure = Replace(movie, source, *out, unchanged, gone);
    } else if (!out->Commit()) {
        r.failure = MakeMovieFailure(MovieStep::kCompress, {SwfReason::kCannotWrite, out->Error()}, source, output);
    }
    if (r.failure.step != MovieStep::kNone) {
        r.outcome = MovieOutcome::kFailed;
        return r;
    }
    r.outcome = MovieOutcome::kDone;
    r.bVerified = request.bVerify;
    r.movie.bOk = 1;
    r.movie.bProtected = plan.bProtect;
    r.movie.nBefore = plan.nBefore;
    r.movie.nAfter = static_cast<uint32_t>(c.size);
    r.movie.nRatio = SavingRatio(r.movie.nBefore, r.movie.nAfter);
    r.movie.nSourceVersion = movie.Version();
    r.movie.nVersion = plan.version;
    r.movie.bLzma = c.coding == SwfCoding::kLzma;
    return r;
}
