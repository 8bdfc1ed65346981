// The three encoders of a compressed movie's body, each through bounded buffers.
#include "swf_encode.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#ifdef SQZ_HAVE_ZOPFLI
#include <zopfli/deflate.h>
#endif

#include "busy_hook.h"
#include "swf_container.h"

namespace sqz {
namespace {

// Largest read and write buffers of the zlib and LZMA encoders: memory use does not grow with the movie.
constexpr size_t kChunk = 256 * 1024;
// The LZMA dictionary: the body's size, so that every match the body allows can be found, within these bounds (the
// encoder takes about ten times its dictionary).
constexpr uint64_t kMinLzmaDictionary = LZMA_DICT_SIZE_MIN;
constexpr uint64_t kMaxLzmaDictionary = 16u * 1024 * 1024;

// A buffer of `n` bytes, left uninitialised: it is always written before it is read.
struct Buffer {
    explicit Buffer(size_t n) : size(n), bytes(new unsigned char[n]) {}
    unsigned char* data() { return bytes.get(); }
    size_t size;
    std::unique_ptr<unsigned char[]> bytes;
};

SwfResult Failed(SwfReason reason) { return {reason, LastSystemError()}; }

// Reads exactly `want` bytes of the body; the failure when it gives fewer.
SwfResult ReadBody(BodySource& body, unsigned char* to, size_t want) {
    if (body.Read(to, want) == want) return {};
    SwfReason why = body.Failure();
    return Failed(why == SwfReason::kNone ? SwfReason::kCannotRead : why);  // the file shrank meanwhile
}

// Writes `n` bytes to `out` and counts them.
bool Put(WriteFile& out, const void* data, size_t n, uint64_t* written) {
    if (n && !out.Write(data, n)) return false;
    *written += n;
    return true;
}

// The header of a compressed movie of the signature `signature`.
void Header(unsigned char* to, const char* signature, unsigned char version, uint32_t lengthField) {
    std::memcpy(to, signature, 3);
    to[3] = version;
    WriteLE32(to + 4, lengthField);
}

// Ends a deflate stream on every path.
struct DeflateStream {
    z_stream zs{};
    bool live = false;
    ~DeflateStream() {
        if (live) deflateEnd(&zs);
    }
};

SwfResult EncodeZlib(unsigned char version, uint32_t lengthField, uint64_t remaining, BodySource& body, WriteFile& out,
                     uint64_t* written) {
    DeflateStream deflater;
    if (deflateInit(&deflater.zs, Z_DEFAULT_COMPRESSION) != Z_OK) return {SwfReason::kNoMemory};
    deflater.live = true;
    // Small movies get buffers of their own size, large ones the fixed chunk.
    Buffer inBuf(remaining < kChunk ? static_cast<size_t>(remaining) + 1 : kChunk);
    uLong bound = deflateBound(&deflater.zs, static_cast<uLong>(inBuf.size)) + kSwfHeaderSize;
    Buffer outBuf(bound < kChunk ? bound : kChunk);
    // The header goes out with the first compressed bytes.
    Header(outBuf.data(), "CWS", version, lengthField);
    size_t pending = kSwfHeaderSize;
    int flush = Z_NO_FLUSH;
    do {
        if (!Busy()) return {SwfReason::kCancelled};
        size_t want = remaining < inBuf.size ? static_cast<size_t>(remaining) : inBuf.size;
        SwfResult read = ReadBody(body, inBuf.data(), want);
        if (!read.Ok()) return read;
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
            if (!Put(out, outBuf.data(), have, written)) return Failed(SwfReason::kCannotWrite);
        } while (deflater.zs.avail_out == 0);
    } while (flush != Z_FINISH);
    return {};
}

#ifdef SQZ_HAVE_ZOPFLI
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
    bool Flush(WriteFile& out, uint64_t* written) {
        size_t whole = bit ? size - 1 : size;
        if (!Put(out, bytes, whole, written)) return false;
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

SwfResult EncodeZopfli(unsigned char version, uint32_t lengthField, uint64_t remaining, BodySource& body,
                       WriteFile& out, uint64_t* written) {
    // The movie header, then the zlib header zlib writes at its best level (deflate, 32 KB window).
    unsigned char start[kSwfHeaderSize + 2] = {0, 0, 0, 0, 0, 0, 0, 0, 0x78, 0xDA};
    Header(start, "CWS", version, lengthField);
    if (!Put(out, start, sizeof start, written)) return Failed(SwfReason::kCannotWrite);

    ZopfliOptions options;
    ZopfliInitOptions(&options);
    // The history (the last bytes of the previous block), then the block itself.
    Buffer block(kWindow + (remaining < kBestBlock ? static_cast<size_t>(remaining) : kBestBlock));
    size_t history = 0;
    uLong adler = adler32(0, nullptr, 0);
    ZopfliOutput deflated;
    bool last = false;
    do {
        if (!Busy()) return {SwfReason::kCancelled};
        size_t want = remaining < kBestBlock ? static_cast<size_t>(remaining) : kBestBlock;
        SwfResult read = ReadBody(body, block.data() + history, want);
        if (!read.Ok()) return read;
        remaining -= want;
        last = remaining == 0;
        adler = adler32(adler, block.data() + history, static_cast<uInt>(want));
        ZopfliDeflatePart(&options, 2, last ? 1 : 0, block.data(), history, history + want, &deflated.bit,
                          &deflated.bytes, &deflated.size);
        if (!deflated.Flush(out, written)) return Failed(SwfReason::kCannotWrite);
        size_t keep = history + want < kWindow ? history + want : kWindow;
        std::memmove(block.data(), block.data() + history + want - keep, keep);
        history = keep;
    } while (!last);
    // The last byte of the stream, padded with zero bits, then zlib's check value.
    unsigned char check[4] = {static_cast<unsigned char>(adler >> 24), static_cast<unsigned char>(adler >> 16),
                              static_cast<unsigned char>(adler >> 8), static_cast<unsigned char>(adler)};
    if (!Put(out, deflated.bytes, deflated.size, written) || !Put(out, check, sizeof check, written))
        return Failed(SwfReason::kCannotWrite);
    return {};
}
#endif

// Ends an LZMA encoder on every path.
struct LzmaStream {
    lzma_stream strm = LZMA_STREAM_INIT;
    bool live = false;
    ~LzmaStream() {
        if (live) lzma_end(&strm);
    }
};

SwfResult EncodeLzma(unsigned char version, uint32_t lengthField, uint64_t remaining, BodySource& body, WriteFile& out,
                     uint64_t* written) {
    lzma_options_lzma options;
    if (lzma_lzma_preset(&options, 9 | LZMA_PRESET_EXTREME)) return {SwfReason::kNoMemory};
    options.dict_size = static_cast<uint32_t>(std::min(kMaxLzmaDictionary, std::max(kMinLzmaDictionary, remaining)));
    unsigned char head[kLzmaSwfHeaderSize];
    Header(head, "ZWS", version, lengthField);
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    if (lzma_properties_encode(&filters[0], head + 12) != LZMA_OK) return {SwfReason::kNoMemory};
    // The size is in the header, so the stream ends after its last byte, without an end marker.
    options.ext_flags = 0;
    filters[0].id = LZMA_FILTER_LZMA1EXT;
    LzmaStream encoder;
    lzma_ret init = lzma_raw_encoder(&encoder.strm, filters);
    if (init != LZMA_OK) return {init == LZMA_MEM_ERROR ? SwfReason::kNoMemory : SwfReason::kCannotWrite};
    encoder.live = true;
    // The compressed length is patched in at the end.
    if (!Put(out, head, sizeof head, written)) return Failed(SwfReason::kCannotWrite);
    const uint64_t streamStart = *written;

    Buffer inBuf(remaining < kChunk ? static_cast<size_t>(remaining) + 1 : kChunk);
    Buffer outBuf(kChunk);
    lzma_stream& strm = encoder.strm;
    lzma_action action = LZMA_RUN;
    lzma_ret ret = LZMA_OK;
    do {
        if (strm.avail_in == 0 && action == LZMA_RUN) {
            if (!Busy()) return {SwfReason::kCancelled};
            size_t want = remaining < inBuf.size ? static_cast<size_t>(remaining) : inBuf.size;
            SwfResult read = ReadBody(body, inBuf.data(), want);
            if (!read.Ok()) return read;
            remaining -= want;
            strm.next_in = inBuf.data();
            strm.avail_in = want;
            if (remaining == 0) action = LZMA_FINISH;
        }
        strm.next_out = outBuf.data();
        strm.avail_out = outBuf.size;
        ret = lzma_code(&strm, action);
        if (ret != LZMA_OK && ret != LZMA_STREAM_END) return {SwfReason::kNoMemory};
        if (!Put(out, outBuf.data(), outBuf.size - strm.avail_out, written)) return Failed(SwfReason::kCannotWrite);
    } while (ret != LZMA_STREAM_END);
    uint64_t streamLength = *written - streamStart;
    if (streamLength > 0xFFFFFFFFu) return {SwfReason::kTooLarge};
    unsigned char field[4];
    WriteLE32(field, static_cast<uint32_t>(streamLength));
    if (!out.Seek(kSwfHeaderSize) || !out.Write(field, sizeof field) || !out.Seek(*written))
        return Failed(SwfReason::kCannotWrite);
    return {};
}

}  // namespace

int CanCompressWith(SwfMethod method) {
#ifndef SQZ_HAVE_ZOPFLI
    if (method == SwfMethod::kZopfli) return 0;
#else
    (void)method;
#endif
    return 1;
}

SwfResult EncodeMovie(SwfMethod method, unsigned char version, uint32_t lengthField, uint64_t bodySize,
                      BodySource& body, WriteFile& out, uint64_t* written) {
    uint64_t count = 0;
    SwfResult r;
    switch (method) {
        case SwfMethod::kZlib:
            r = EncodeZlib(version, lengthField, bodySize, body, out, &count);
            break;
        case SwfMethod::kZopfli:
#ifdef SQZ_HAVE_ZOPFLI
            r = EncodeZopfli(version, lengthField, bodySize, body, out, &count);
#else
            r = {SwfReason::kNoZopfli};
#endif
            break;
        case SwfMethod::kLzma:
            r = EncodeLzma(version, lengthField, bodySize, body, out, &count);
            break;
    }
    if (written) *written = count;
    return r;
}

}  // namespace sqz
