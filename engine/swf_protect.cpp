// The Protect tag: the tag walk that looks for it and the copy that inserts it.
#include "swf_protect.h"

#include <algorithm>
#include <memory>

#include "atomic_file.h"
#include "busy_hook.h"
#include "file_helpers.h"
#include "mbcs.h"
#include "platform.h"
#include "swf_body.h"
#include "swf_container.h"
#include "swf_tags.h"

using sqz::Files;
using sqz::ReadFile;

namespace {

// The Protect tag as it is written: code 24, short length 0, no body.
constexpr unsigned char kProtectTag[2] = {0x00, 0x06};
// Copy block of InsertProtectTag.
constexpr size_t kCopyBlock = 64 * 1024;

// Copies `count` bytes from the current position of `in` to `out`; fails when the source has fewer or a write
// fails.
SwfResult CopyBytes(ReadFile& in, sqz::WriteFile& out, uint64_t count, unsigned char* block) {
    while (count > 0) {
        if (!sqz::Busy()) return {SwfReason::kCancelled};
        size_t want = static_cast<size_t>(std::min<uint64_t>(count, kCopyBlock));
        if (in.Read(block, want) != want) return {SwfReason::kCannotRead, sqz::LastSystemError()};
        if (!out.Write(block, want)) return {SwfReason::kCannotWrite, sqz::LastSystemError()};
        count -= want;
    }
    return {};
}

}  // namespace

int IsSwfProtected(const std::string& path) {
    std::unique_ptr<ReadFile> file = Files().OpenRead(path);
    if (!file) return 0;
    int64_t size = file->Size();
    unsigned char header[kSwfHeaderSize] = {};
    size_t got = file->Read(header, sizeof header);
    if (size < static_cast<int64_t>(kSwfHeaderSize) || got < kSwfHeaderSize) return 0;
    // Any file that is not compressed is walked as an uncompressed movie.
    SwfCoding coding = SwfCoding::kStored;
    SwfCodingOf(header, got, &coding);

    sqz::SwfBodyReader body(*file, header, kSwfHeaderSize, static_cast<uint64_t>(size), coding);
    if (!sqz::SkipSwfFrameHeader(body) || !sqz::WalkSwfTags(body, sqz::kWalkProtect).bProtected) return 0;
    // A compressed movie whose stream is broken further on cannot be protected or optimized: it holds no tags.
    return coding == SwfCoding::kStored || body.Finish() ? 1 : 0;
}

SwfResult InsertProtectTagEx(const std::string& source, const std::string& destination) {
    std::unique_ptr<ReadFile> in = Files().OpenRead(source);
    if (!in) return {SwfReason::kCannotRead, sqz::LastSystemError()};
    int64_t size = in->Size();
    unsigned char head[kSwfHeaderSize + 1];
    if (in->Read(head, sizeof head) != sizeof head)
        return {in->Failed() ? SwfReason::kCannotRead : SwfReason::kTooShort, sqz::LastSystemError()};
    uint64_t rect = SwfRectLength(head[8]);
    uint64_t declared = ReadLE32(head + 4);
    // The tags to copy are N - R - 12 bytes; none may be missing, and N + 2 must fit the length field.
    if (declared < rect + 12 || size < 0 || declared > static_cast<uint64_t>(size)) return {SwfReason::kTooShort};
    if (declared > 0xFFFFFFFFull - 2) return {SwfReason::kTooLarge};

    sqz::AtomicFile out;
    if (!out.Open(destination)) return {SwfReason::kCannotWrite, out.Error()};
    unsigned char fields[kSwfHeaderSize];
    std::copy(head, head + 4, fields);
    WriteLE32(fields + 4, static_cast<uint32_t>(declared + 2));
    std::unique_ptr<unsigned char[]> block(new unsigned char[kCopyBlock]);
    if (!in->Seek(kSwfHeaderSize)) return {SwfReason::kCannotRead, sqz::LastSystemError()};
    if (!out.File()->Write(fields, sizeof fields)) return {SwfReason::kCannotWrite, sqz::LastSystemError()};
    SwfResult copied = CopyBytes(*in, *out.File(), rect + 4, block.get());
    if (copied.Ok() && !out.File()->Write(kProtectTag, sizeof kProtectTag))
        copied = {SwfReason::kCannotWrite, sqz::LastSystemError()};
    if (copied.Ok()) copied = CopyBytes(*in, *out.File(), declared - rect - 12, block.get());
    if (!copied.Ok()) return copied;
    in.reset();  // a source being replaced in place must be closed first on Windows
    return out.Commit() ? SwfResult() : SwfResult{SwfReason::kCannotWrite, out.Error()};
}

SwfResult ProtectSwfViaEx(const std::string& source, const std::string& destination, const std::string& work1,
                          const std::string& work2) {
    SwfResult compressed = CheckSwfSignature(source, "CWS");
    if (compressed.reason == SwfReason::kCannotRead) return compressed;
    if (!compressed.Ok()) return InsertProtectTagEx(source, destination);
    // The work files are written over without a second thought: they must not be the user's movies.
    if (sqz::SamePath(work1, work2)) return {SwfReason::kCannotWrite};
    for (const std::string* work : {&work1, &work2})
        if (sqz::SamePath(*work, source) || sqz::SamePath(*work, destination)) return {SwfReason::kCannotWrite};
    SwfResult r = DecompressSwfEx(source, work1);
    if (r.Ok()) r = InsertProtectTagEx(work1, work2);
    if (r.Ok()) r = CompressSwfEx(work2, destination);
    return r;
}

int ProtectSwf(const std::string& source, const std::string& destination) {
    std::string temp = GetTempFolder();
    return ProtectSwfVia(source, destination, temp + kProtectWork1, temp + kProtectWork2);
}
