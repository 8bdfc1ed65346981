// A sequential reader of a movie's body (the bytes after its 8-byte header, as an uncompressed movie holds them)
// straight out of an open file: read as it stands, or decoded on the fly from a compressed movie's zlib or LZMA
// stream. Memory stays a few fixed buffers whatever the size of the movie (for LZMA, its dictionary, which is never
// larger than the body); no work file is written.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform.h"
#include "swf_container.h"
#include "swf_encode.h"

namespace sqz {

// Bytes held in memory, read like an opened file (a movie read whole, to be read again without the disk).
class MemoryReadFile final : public ReadFile {
public:
    explicit MemoryReadFile(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}
    int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
    bool Seek(uint64_t offset) override {
        pos_ = offset;
        return true;
    }
    size_t Read(void* buffer, size_t count) override;
    bool Failed() const override { return false; }

private:
    const std::vector<unsigned char>& bytes_;
    uint64_t pos_ = 0;
};

class SwfBodyReader : public BodySource {
public:
    // Reads the body of the movie whose header is `header` (its 8 bytes) and whose stored bytes after that header
    // are the file offsets [begin, end) of `file` (which must outlive the reader). Stored: the body is those bytes.
    // zlib: they are one zlib stream and the body is what it inflates to. LZMA: they start with the 4-byte compressed
    // length (not trusted) and the 5 property bytes, and the body is the (length field - 8) bytes the stream decodes
    // to. Bytes after the end of a stream are ignored.
    SwfBodyReader(ReadFile& file, const unsigned char header[kSwfHeaderSize], uint64_t begin, uint64_t end,
                  SwfCoding coding);
    ~SwfBodyReader() override;
    SwfBodyReader(const SwfBodyReader&) = delete;
    SwfBodyReader& operator=(const SwfBodyReader&) = delete;

    // Reads up to `count` bytes of the body; fewer only at its end, or when it cannot be read further (a read
    // error, a broken stream).
    size_t Read(void* buffer, size_t count) override;
    // Passes over `count` bytes; false when the body ends or breaks first. Over a stored body this only moves
    // the position; a compressed one is decoded and the bytes dropped.
    bool Skip(uint64_t count);
    // Reads on to the end of the body and tells whether all of it was sound: for a compressed body, the stream ends
    // inside the file (a zlib stream with its check value right; an LZMA stream after exactly its size) and the movie's
    // length fits the header's 32-bit length field; for a stored body, no read failed. The position is then at the
    // end.
    bool Finish();
    // Why the body could not be read on: kCannotRead (a read error, with LastSystemError() right after it),
    // kBrokenStream, kTooLarge (beyond the 32-bit length field, or an LZMA dictionary beyond what a reader allows
    // itself), kNoMemory; kNone while nothing failed.
    SwfReason Failure() const override { return failure_; }
    // The body bytes handed out or passed over so far.
    uint64_t Position() const { return produced_; }
    // After Finish of a compressed body: the stored bytes after the end of its stream (0 for a stored body).
    uint64_t BytesAfterStream() const;

private:
    // Makes more decoded bytes available in out_; false at the end of the stream or when it cannot go on.
    bool Decode();
    bool Inflate();
    bool DecodeLzma();
    // Gives the decoder the next stored bytes in buffer_; false when there are none (the file ended or a read failed).
    bool FillInput(size_t* got);
    // Makes stored bytes at pos_ available in buffer_; false at the end of the body or on a read error.
    bool Fill();
    bool Fail(SwfReason reason);

    ReadFile& file_;
    uint64_t pos_;  // stored body: file offset of the next byte; compressed body: next input offset
    uint64_t end_;
    SwfCoding coding_;
    SwfReason failure_ = SwfReason::kNone;
    // Stored body: buffer_ holds the file bytes from offset bufStart_, bufLen_ of them.
    // Compressed body: buffer_ is the decoder's input, out_ the decoded bytes, outPos_..outLen_ not yet handed out.
    std::unique_ptr<unsigned char[]> buffer_;
    size_t inSize_ = 0;  // compressed body: the size of buffer_
    uint64_t bufStart_ = 0;
    size_t bufLen_ = 0;
    std::unique_ptr<unsigned char[]> out_;
    size_t outPos_ = 0;
    size_t outLen_ = 0;
    z_stream zs_{};
    bool zlive_ = false;
    struct Lzma;
    std::unique_ptr<Lzma> lzma_;
    bool ended_ = false;     // the stream has ended
    uint64_t decoded_ = 0;   // bytes the stream has produced so far
    uint64_t produced_ = 0;  // bytes handed out or passed over
};

}  // namespace sqz
