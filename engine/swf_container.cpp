// Compression and decompression of movies as zlib streams with bounded buffers, and projector extraction.
#include "swf_container.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#ifdef SQZ_HAVE_ZOPFLI
#include <zopfli/deflate.h>
#endif

#include "atomic_file.h"
#include "busy_hook.h"
#include "mbcs.h"
#include "platform.h"

using sqz::AtomicFile;
using sqz::Files;
using sqz::ReadFile;

namespace {

// Largest read and write buffers of one conversion: memory use does not grow with the movie.
constexpr size_t kChunk = 256 * 1024;

// A buffer of `n` bytes, left uninitialised: it is always written before it is read.
struct Buffer {
    explicit Buffer(size_t n) : size(n), bytes(new unsigned char[n]) {}
    unsigned char* data() { return bytes.get(); }
    size_t size;
    std::unique_ptr<unsigned char[]> bytes;
};

SwfResult Failed(SwfReason reason) { return {reason, sqz::LastSystemError()}; }

// Why a file whose first `got` bytes are `head` is not of the form `signature`; kNone when it is.
SwfReason SignatureReason(const unsigned char* head, size_t got, const char* signature) {
    if (HasSwfSignature(head, got, signature)) return SwfReason::kNone;
    if (signature[0] == 'C') return SwfReason::kNotCompressed;
    return HasSwfSignature(head, got, "CWS") ? SwfReason::kAlreadyCompressed : SwfReason::kNotUncompressed;
}

// Opens the movie at `path` into `*in`, reads its 8-byte header and checks its signature; `*size` receives the
// file size.
SwfResult OpenMovie(const std::string& path, const char* signature, unsigned char header[8], uint64_t* size,
                    std::unique_ptr<ReadFile>* in) {
    *in = Files().OpenRead(path);
    if (!*in) return Failed(SwfReason::kCannotRead);
    size_t got = (*in)->Read(header, kSwfHeaderSize);
    int64_t s = (*in)->Size();
    if ((*in)->Failed() || s < 0) return Failed(SwfReason::kCannotRead);
    SwfReason reason = SignatureReason(header, got, signature);
    if (reason == SwfReason::kNone && (got < kSwfHeaderSize || s < static_cast<int64_t>(kSwfHeaderSize)))
        reason = SwfReason::kTooShort;
    *size = static_cast<uint64_t>(s);
    return {reason};
}

// Ends a deflate or inflate stream on every path.
struct DeflateStream {
    z_stream zs{};
    bool live = false;
    ~DeflateStream() {
        if (live) deflateEnd(&zs);
    }
};
struct InflateStream {
    z_stream zs{};
    bool live = false;
    ~InflateStream() {
        if (live) inflateEnd(&zs);
    }
};

}  // namespace

bool HasSwfSignature(const unsigned char* head, size_t got, const char* signature) {
    return got >= 3 && std::memcmp(head, signature, 3) == 0;
}

SwfResult CheckSwfSignature(const std::string& path, const char* signature) {
    std::unique_ptr<ReadFile> in = Files().OpenRead(path);
    if (!in) return Failed(SwfReason::kCannotRead);
    unsigned char head[3];
    size_t got = in->Read(head, sizeof head);
    if (in->Failed()) return Failed(SwfReason::kCannotRead);
    return {SignatureReason(head, got, signature)};
}

SwfResult CompressSwfEx(const std::string& source, const std::string& destination, unsigned char* pSourceVersion) {
    unsigned char header[kSwfHeaderSize];
    uint64_t size = 0;
    std::unique_ptr<ReadFile> in;
    SwfResult opened = OpenMovie(source, "FWS", header, &size, &in);
    if (!opened.Ok()) return opened;
    if (size > 0xFFFFFFFFu) return {SwfReason::kTooLarge};  // the length field holds 32 bits

    DeflateStream deflater;
    if (deflateInit(&deflater.zs, Z_DEFAULT_COMPRESSION) != Z_OK) return {SwfReason::kNoMemory};
    deflater.live = true;

    AtomicFile out;
    if (!out.Open(destination)) return {SwfReason::kCannotWrite, out.Error()};

    uint64_t remaining = size - kSwfHeaderSize;
    // Small movies get buffers of their own size, large ones the fixed chunk.
    Buffer inBuf(remaining < kChunk ? static_cast<size_t>(remaining) + 1 : kChunk);
    uLong bound = deflateBound(&deflater.zs, static_cast<uLong>(inBuf.size)) + kSwfHeaderSize;
    Buffer outBuf(bound < kChunk ? bound : kChunk);
    // The header goes out with the first compressed bytes.
    unsigned char* cws = outBuf.data();
    cws[0] = 'C', cws[1] = 'W', cws[2] = 'S', cws[3] = CompressedSwfVersion(header[3]);
    WriteLE32(cws + 4, static_cast<uint32_t>(size));
    size_t pending = kSwfHeaderSize;
    int flush = Z_NO_FLUSH;
    do {
        sqz::Busy();
        size_t want = remaining < inBuf.size ? static_cast<size_t>(remaining) : inBuf.size;
        // A read error, or the file shrank meanwhile.
        if (in->Read(inBuf.data(), want) != want) return Failed(SwfReason::kCannotRead);
        remaining -= want;
        flush = remaining == 0 ? Z_FINISH : Z_NO_FLUSH;
        deflater.zs.next_in = inBuf.data();
        deflater.zs.avail_in = static_cast<uInt>(want);
        do {
            deflater.zs.next_out = outBuf.data() + pending;
            deflater.zs.avail_out = static_cast<uInt>(outBuf.size - pending);
            if (deflate(&deflater.zs, flush) == Z_STREAM_ERROR) return {SwfReason::kNoMemory};
            size_t have = outBuf.size - deflater.zs.avail_out;
            pending = 0;
            if (have && !out.File()->Write(outBuf.data(), have)) return Failed(SwfReason::kCannotWrite);
        } while (deflater.zs.avail_out == 0);
    } while (flush != Z_FINISH);
    in.reset();  // a source being replaced in place must be closed first on Windows
    if (!out.Commit()) return {SwfReason::kCannotWrite, out.Error()};
    if (pSourceVersion) *pSourceVersion = header[3];
    return SwfResult();
}

#ifdef SQZ_HAVE_ZOPFLI
namespace {

// Zopfli's unit of work (its "master block"): the body is compressed in blocks of this size, as Zopfli itself
// splits a whole buffer, so that the output is the same and its working memory, which grows with the block,
// stays bounded.
constexpr size_t kBestBlock = ZOPFLI_MASTER_BLOCK_SIZE;
// The deflate window: the bytes before a block that its matches may reach back into.
constexpr size_t kWindow = ZOPFLI_WINDOW_SIZE;

// The deflate bits Zopfli has written and not yet handed out; its buffer is Zopfli's (malloc'ed, grown by it).
struct ZopfliOutput {
    unsigned char* bytes = nullptr;
    size_t size = 0;
    unsigned char bit = 0;  // bit position in the last byte; 0 when that byte is full
    ~ZopfliOutput() { std::free(bytes); }

    // Writes the whole bytes out and keeps only a last, partly written one.
    bool Flush(sqz::WriteFile* out) {
        size_t whole = bit ? size - 1 : size;
        if (whole && !out->Write(bytes, whole)) return false;
        unsigned char partial = bit ? bytes[size - 1] : 0;
        std::free(bytes);
        bytes = nullptr;
        size = 0;
        if (bit) {
            // Zopfli grows its buffer with realloc when the size is a power of two: one byte is such a buffer.
            bytes = static_cast<unsigned char*>(std::malloc(1));
            if (!bytes) return false;
            bytes[0] = partial;
            size = 1;
        }
        return true;
    }
};

}  // namespace
#endif

int CanCompressSwfBest() {
#ifdef SQZ_HAVE_ZOPFLI
    return 1;
#else
    return 0;
#endif
}

SwfResult CompressSwfBestEx(const std::string& source, const std::string& destination, unsigned char* pSourceVersion) {
#ifdef SQZ_HAVE_ZOPFLI
    unsigned char header[kSwfHeaderSize];
    uint64_t size = 0;
    std::unique_ptr<ReadFile> in;
    SwfResult opened = OpenMovie(source, "FWS", header, &size, &in);
    if (!opened.Ok()) return opened;
    if (size > 0xFFFFFFFFu) return {SwfReason::kTooLarge};  // the length field holds 32 bits

    AtomicFile out;
    if (!out.Open(destination)) return {SwfReason::kCannotWrite, out.Error()};
    // The movie header, then the zlib header zlib writes at its best level (deflate, 32 KB window).
    unsigned char start[kSwfHeaderSize + 2] = {'C', 'W', 'S', CompressedSwfVersion(header[3]), 0, 0, 0, 0, 0x78, 0xDA};
    WriteLE32(start + 4, static_cast<uint32_t>(size));
    if (!out.File()->Write(start, sizeof start)) return Failed(SwfReason::kCannotWrite);

    ZopfliOptions options;
    ZopfliInitOptions(&options);
    uint64_t remaining = size - kSwfHeaderSize;
    // The history (the last bytes of the previous block), then the block itself.
    Buffer block(kWindow + (remaining < kBestBlock ? static_cast<size_t>(remaining) : kBestBlock));
    size_t history = 0;
    uLong adler = adler32(0, nullptr, 0);
    ZopfliOutput deflated;
    bool last = false;
    do {
        sqz::Busy();
        size_t want = remaining < kBestBlock ? static_cast<size_t>(remaining) : kBestBlock;
        // A read error, or the file shrank meanwhile.
        if (in->Read(block.data() + history, want) != want) return Failed(SwfReason::kCannotRead);
        remaining -= want;
        last = remaining == 0;
        adler = adler32(adler, block.data() + history, static_cast<uInt>(want));
        ZopfliDeflatePart(&options, 2, last ? 1 : 0, block.data(), history, history + want, &deflated.bit,
                          &deflated.bytes, &deflated.size);
        if (!deflated.Flush(out.File())) return Failed(SwfReason::kCannotWrite);
        size_t keep = history + want < kWindow ? history + want : kWindow;
        std::memmove(block.data(), block.data() + history + want - keep, keep);
        history = keep;
    } while (!last);
    // The last byte of the stream, padded with zero bits.
    if (deflated.size && !out.File()->Write(deflated.bytes, deflated.size)) return Failed(SwfReason::kCannotWrite);
    unsigned char check[4] = {static_cast<unsigned char>(adler >> 24), static_cast<unsigned char>(adler >> 16),
                              static_cast<unsigned char>(adler >> 8), static_cast<unsigned char>(adler)};
    if (!out.File()->Write(check, sizeof check)) return Failed(SwfReason::kCannotWrite);
    in.reset();  // a source being replaced in place must be closed first on Windows
    if (!out.Commit()) return {SwfReason::kCannotWrite, out.Error()};
    if (pSourceVersion) *pSourceVersion = header[3];
    return SwfResult();
#else
    (void)source;
    (void)destination;
    (void)pSourceVersion;
    return {SwfReason::kNoZopfli};
#endif
}

SwfResult DecompressSwfEx(const std::string& source, const std::string& destination) {
    unsigned char header[kSwfHeaderSize];
    uint64_t size = 0;
    std::unique_ptr<ReadFile> in;
    SwfResult opened = OpenMovie(source, "CWS", header, &size, &in);
    if (!opened.Ok()) return opened;

    InflateStream inflater;
    if (inflateInit(&inflater.zs) != Z_OK) return {SwfReason::kNoMemory};
    inflater.live = true;

    AtomicFile out;
    if (!out.Open(destination)) return {SwfReason::kCannotWrite, out.Error()};
    unsigned char fws[kSwfHeaderSize] = {'F', 'W', 'S', header[3]};  // length patched at the end
    if (!out.File()->Write(fws, sizeof fws)) return Failed(SwfReason::kCannotWrite);

    Buffer inBuf(size - kSwfHeaderSize < kChunk ? static_cast<size_t>(size - kSwfHeaderSize) + 1 : kChunk);
    Buffer outBuf(kChunk);
    uint64_t inflated = 0;
    int ret = Z_OK;
    while (ret != Z_STREAM_END) {
        size_t got = in->Read(inBuf.data(), inBuf.size);
        // The stream does not end before the file does, or a read failed.
        if (got == 0) return in->Failed() ? Failed(SwfReason::kCannotRead) : SwfResult{SwfReason::kBrokenStream};
        inflater.zs.next_in = inBuf.data();
        inflater.zs.avail_in = static_cast<uInt>(got);
        do {
            inflater.zs.next_out = outBuf.data();
            inflater.zs.avail_out = static_cast<uInt>(kChunk);
            ret = inflate(&inflater.zs, Z_NO_FLUSH);
            if (ret == Z_MEM_ERROR) return {SwfReason::kNoMemory};
            if (ret != Z_OK && ret != Z_STREAM_END && ret != Z_BUF_ERROR) return {SwfReason::kBrokenStream};
            size_t have = kChunk - inflater.zs.avail_out;
            inflated += have;
            if (inflated > 0xFFFFFFFFu - kSwfHeaderSize) return {SwfReason::kTooLarge};  // beyond the length field
            if (have && !out.File()->Write(outBuf.data(), have)) return Failed(SwfReason::kCannotWrite);
        } while (ret != Z_STREAM_END && inflater.zs.avail_out == 0);
    }
    WriteLE32(fws + 4, static_cast<uint32_t>(inflated + kSwfHeaderSize));
    if (!out.File()->Seek(4) || !out.File()->Write(fws + 4, 4)) return Failed(SwfReason::kCannotWrite);
    in.reset();  // a source being replaced in place must be closed first on Windows
    return out.Commit() ? SwfResult() : SwfResult{SwfReason::kCannotWrite, out.Error()};
}

SwfResult ExtractProjectorSwfEx(const std::string& projector, const std::string& destination) {
    if (sqz::SamePath(projector, destination)) return {};
    std::unique_ptr<ReadFile> in = Files().OpenRead(projector);
    if (!in) return Failed(SwfReason::kCannotRead);
    std::unique_ptr<sqz::WriteFile> out = Files().OpenWrite(destination, sqz::CreateMode::kTruncate);
    if (!out) return Failed(SwfReason::kCannotWrite);

    SwfResult result = {SwfReason::kNoMovie};  // no trailer magic: the destination stays empty
    int64_t size = in->Size();
    unsigned char trailer[kProjectorTrailerSize];
    if (size >= static_cast<int64_t>(kProjectorTrailerSize) &&
        in->Seek(static_cast<uint64_t>(size) - kProjectorTrailerSize) &&
        in->Read(trailer, sizeof trailer) == sizeof trailer && ReadLE32(trailer) == kProjectorMagic) {
        uint64_t length = ReadLE32(trailer + 4);
        uint64_t before = static_cast<uint64_t>(size) - kProjectorTrailerSize;
        // A length that reaches before the start of the file names no movie either.
        if (length <= before) result = in->Seek(before - length) ? SwfResult() : Failed(SwfReason::kCannotRead);
        unsigned char chunk[2048];
        for (uint64_t left = result.Ok() ? length : 0; left > 0;) {
            size_t n = left < sizeof chunk ? static_cast<size_t>(left) : sizeof chunk;
            std::memset(chunk, 0, sizeof chunk);  // bytes a read does not deliver are written as zeros
            in->Read(chunk, n);
            if (!out->Write(chunk, n)) {
                result = Failed(SwfReason::kCannotWrite);
                break;
            }
            left -= n;
        }
    }
    if (!out->Close() && result.Ok()) result = Failed(SwfReason::kCannotWrite);
    return result;
}
