// Writing a compressed movie: its header, then its body encoded as one zlib stream (zlib's default level, or
// Zopfli's smallest) or as a raw LZMA stream, from a sequential source of body bytes. The file-to-file operations
// of swf_container and the batch step of movie_batch both write through these.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform.h"
#include "swf_result.h"

namespace sqz {

// A source of a movie's body bytes, read once from the start.
class BodySource {
public:
    virtual ~BodySource() = default;
    // Reads up to `count` bytes; fewer only at the end of the body, or when it cannot be read further, which
    // Failure() then says.
    virtual size_t Read(void* buffer, size_t count) = 0;
    // kNone while nothing failed; else why the body could not be read (kCannotRead, kBrokenStream, ...).
    virtual SwfReason Failure() const = 0;
};

// How a body is compressed.
enum class SwfMethod {
    kZlib,    // "CWS", zlib's default level: the same bytes as zlib's compress()
    kZopfli,  // "CWS", the smallest zlib stream Zopfli finds
    kLzma,    // "ZWS", LZMA at its strongest preset, with a dictionary that fits the body
};

// Non-zero when this build can compress with `method` (Zopfli may be missing from a build).
int CanCompressWith(SwfMethod method);

// Writes to `out` the header of the compressed movie ("CWS", or "ZWS" for kLzma, then `version` and
// `lengthField`) followed by the `bodySize` bytes of `body`, encoded. The LZMA form gets the length of its stream
// after the header's length field, then its 5 property bytes and a stream without an end marker, of which the length
// field minus 8 gives the size. Fails with kCannotRead (or the body's own failure) when the body gives fewer bytes,
// kCannotWrite when `out` refuses them, kNoMemory, kNoZopfli. The busy hook is called between blocks. `written`, when
// given, receives the bytes written.
SwfResult EncodeMovie(SwfMethod method, unsigned char version, uint32_t lengthField, uint64_t bodySize,
                      BodySource& body, WriteFile& out, uint64_t* written = nullptr);

}  // namespace sqz
