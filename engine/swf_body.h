// A sequential reader of a movie's body (the bytes after its 8-byte header, as an uncompressed movie holds them)
// straight out of an open file: read as it stands, or inflated on the fly from a compressed movie's zlib stream.
// Memory stays a few fixed buffers whatever the size of the movie; no work file is written.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform.h"

namespace sqz {

class SwfBodyReader {
public:
    // Reads the body whose stored bytes are the file offsets [begin, end) of `file` (which must outlive the
    // reader). With `compressed`, those bytes are one zlib stream and the body is what it inflates to; bytes
    // after the end of the stream are ignored. Without it, the body is those bytes themselves.
    SwfBodyReader(ReadFile& file, uint64_t begin, uint64_t end, bool compressed);
    ~SwfBodyReader();
    SwfBodyReader(const SwfBodyReader&) = delete;
    SwfBodyReader& operator=(const SwfBodyReader&) = delete;

    // Reads up to `count` bytes of the body; fewer only at its end, or when it cannot be read further (a read
    // error, a broken stream).
    size_t Read(void* buffer, size_t count);
    // Passes over `count` bytes; false when the body ends or breaks first. Over a stored body this only moves
    // the position; a compressed one is inflated and the bytes dropped.
    bool Skip(uint64_t count);
    // Reads on to the end of the body and tells whether all of it was sound: for a compressed body, the zlib
    // stream ends inside the file, its check value matches, and it inflates to a movie whose length fits the
    // header's 32-bit length field; for a stored body, no read failed. The position is then at the end.
    bool Finish();

private:
    // Makes more inflated bytes available in out_; false at the end of the stream or when it cannot go on.
    bool Inflate();
    // Makes stored bytes at pos_ available in buffer_; false at the end of the body or on a read error.
    bool Fill();

    ReadFile& file_;
    uint64_t pos_;  // stored body: file offset of the next byte; compressed body: next input offset
    uint64_t end_;
    bool compressed_;
    bool failed_ = false;
    // Stored body: buffer_ holds the file bytes from offset bufStart_, bufLen_ of them.
    // Compressed body: buffer_ is zlib's input, out_ the inflated bytes, outPos_..outLen_ not yet handed out.
    std::unique_ptr<unsigned char[]> buffer_;
    uint64_t bufStart_ = 0;
    size_t bufLen_ = 0;
    std::unique_ptr<unsigned char[]> out_;
    size_t outPos_ = 0;
    size_t outLen_ = 0;
    z_stream zs_{};
    bool zlive_ = false;
    bool ended_ = false;     // the zlib stream has ended
    uint64_t inflated_ = 0;  // bytes the stream has produced so far
};

}  // namespace sqz
