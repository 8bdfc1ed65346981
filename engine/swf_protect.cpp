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

using sqz::Files;
using sqz::ReadFile;

namespace {

// The Protect tag as it is written: code 24, short length 0, no body.
constexpr unsigned char kProtectTag[2] = {0x00, 0x06};
// Copy block of InsertProtectTag.
constexpr size_t kCopyBlock = 64 * 1024;

// Copies `count` bytes from the current position of `in` to `out`; false when the source has fewer or a write
// fails.
bool CopyBytes(ReadFile& in, sqz::WriteFile& out, uint64_t count, unsigned char* block) {
    while (count > 0) {
        sqz::Busy();
        size_t want = static_cast<size_t>(std::min<uint64_t>(count, kCopyBlock));
        if (in.Read(block, want) != want || !out.Write(block, want)) return false;
        count -= want;
    }
    return true;
}

}  // namespace

int IsSwfProtected(const std::string& path) {
    std::unique_ptr<ReadFile> file = Files().OpenRead(path);
    if (!file) return 0;
    int64_t size = file->Size();
    unsigned char header[kSwfHeaderSize] = {};
    size_t got = file->Read(header, sizeof header);
    bool compressed = HasSwfSignature(header, got, "CWS");
    if (size < static_cast<int64_t>(kSwfHeaderSize) || got < kSwfHeaderSize) return 0;

    sqz::SwfBodyReader body(*file, kSwfHeaderSize, static_cast<uint64_t>(size), compressed);
    unsigned char first = 0;
    if (body.Read(&first, 1) != 1 || !body.Skip(SwfRectLength(first) - 1 + 4)) return 0;
    // Every step consumes at least the two bytes of a tag header, so the walk ends with the data at the latest.
    for (;;) {
        unsigned char word[2];
        if (body.Read(word, 2) != 2) return 0;
        unsigned code = (word[0] | (word[1] << 8)) >> 6;
        uint64_t length = word[0] & 0x3F;
        if (length == 0x3F) {
            unsigned char longLength[4];
            if (body.Read(longLength, 4) != 4) return 0;
            length = ReadLE32(longLength);
        }
        // The tag counts once its header has been read, even when its body runs past the end.
        if (code == kTagProtect) break;
        if (code == kTagEnd || !body.Skip(length)) return 0;
    }
    // A compressed movie whose stream is broken further on cannot be protected or optimized: it holds no tags.
    return !compressed || body.Finish() ? 1 : 0;
}

int InsertProtectTag(const std::string& source, const std::string& destination) {
    std::unique_ptr<ReadFile> in = Files().OpenRead(source);
    if (!in) return 0;
    int64_t size = in->Size();
    unsigned char head[kSwfHeaderSize + 1];
    if (in->Read(head, sizeof head) != sizeof head) return 0;
    uint64_t rect = SwfRectLength(head[8]);
    uint64_t declared = ReadLE32(head + 4);
    // The tags to copy are N - R - 12 bytes; none may be missing, and N + 2 must fit the length field.
    if (declared < rect + 12 || size < 0 || declared > static_cast<uint64_t>(size) || declared > 0xFFFFFFFFull - 2)
        return 0;

    sqz::AtomicFile out;
    if (!out.Open(destination)) return 0;
    unsigned char fields[kSwfHeaderSize];
    std::copy(head, head + 4, fields);
    WriteLE32(fields + 4, static_cast<uint32_t>(declared + 2));
    std::unique_ptr<unsigned char[]> block(new unsigned char[kCopyBlock]);
    if (!in->Seek(kSwfHeaderSize) || !out.File()->Write(fields, sizeof fields) ||
        !CopyBytes(*in, *out.File(), rect + 4, block.get()) || !out.File()->Write(kProtectTag, sizeof kProtectTag) ||
        !CopyBytes(*in, *out.File(), declared - rect - 12, block.get()))
        return 0;
    in.reset();  // a source being replaced in place must be closed first on Windows
    return out.Commit() ? 1 : 0;
}

int ProtectSwfVia(const std::string& source, const std::string& destination, const std::string& work1,
                  const std::string& work2) {
    if (!IsCompressedSwf(source)) return InsertProtectTag(source, destination);
    // The work files are written over without a second thought: they must not be the user's movies.
    if (sqz::SamePath(work1, work2)) return 0;
    for (const std::string* work : {&work1, &work2})
        if (sqz::SamePath(*work, source) || sqz::SamePath(*work, destination)) return 0;
    if (!DecompressSwf(source, work1) || !InsertProtectTag(work1, work2)) return 0;
    return CompressSwf(work2, destination);
}

int ProtectSwf(const std::string& source, const std::string& destination) {
    std::string temp = GetTempFolder();
    return ProtectSwfVia(source, destination, temp + kProtectWork1, temp + kProtectWork2);
}
