// Reading a movie's body stored, inflated or LZMA-decoded, through fixed buffers.
#include "swf_body.h"

#include <lzma.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace sqz {
namespace {

// A stored body is read ahead in small blocks: the readers want a few bytes here and there (frame header,
// tag headers), seeking over the rest.
constexpr size_t kStoredBlock = 4096;
// The decoders' input and output blocks: large enough that they run their fast loops, small enough that memory
// does not depend on the movie.
constexpr size_t kDecodeIn = 32 * 1024;
constexpr size_t kDecodeOut = 64 * 1024;
// The longest body whose movie length (body + header) still fits the header's 32-bit length field.
constexpr uint64_t kMaxBody = 0xFFFFFFFFull - kSwfHeaderSize;
// The most memory an LZMA decoder may take (its dictionary, mostly): a movie whose properties ask for more is too
// large to read. The dictionary is first cut down to the body's size, which no match can reach beyond.
constexpr uint64_t kMaxLzmaMemory = 256ull * 1024 * 1024;
// The bytes of an LZMA movie after its 8-byte header that come before the stream: compressed length, properties.
constexpr size_t kLzmaFields = kLzmaSwfHeaderSize - kSwfHeaderSize;

}  // namespace

size_t MemoryReadFile::Read(void* buffer, size_t count) {
    size_t n = pos_ < bytes_.size() ? static_cast<size_t>(std::min<uint64_t>(count, bytes_.size() - pos_)) : 0;
    if (n) std::memcpy(buffer, bytes_.data() + pos_, n);
    pos_ += n;
    return n;
}

struct SwfBodyReader::Lzma {
    lzma_stream strm = LZMA_STREAM_INIT;
    lzma_options_lzma options{};
    bool live = false;
    ~Lzma() {
        if (live) lzma_end(&strm);
    }
};

SwfBodyReader::SwfBodyReader(ReadFile& file, const unsigned char header[kSwfHeaderSize], uint64_t begin, uint64_t end,
                             SwfCoding coding)
    : file_(file), pos_(begin), end_(std::max(begin, end)), coding_(coding) {
    if (coding_ == SwfCoding::kStored) {
        buffer_.reset(new unsigned char[kStoredBlock]);
        return;
    }
    // The input no larger than the stored bytes: most movies are small.
    inSize_ = static_cast<size_t>(std::min<uint64_t>(kDecodeIn, end_ - pos_ + 1));
    buffer_.reset(new unsigned char[inSize_]);
    out_.reset(new unsigned char[kDecodeOut]);
    if (coding_ == SwfCoding::kZlib) {
        if (inflateInit(&zs_) == Z_OK)
            zlive_ = true;
        else
            Fail(SwfReason::kNoMemory);
        return;
    }
    // LZMA: the size comes from the length field; the compressed length that precedes the properties is not trusted
    // (players ignore it), so the stream is read for as long as the file has bytes.
    lzma_.reset(new Lzma);
    unsigned char fields[kLzmaFields];
    uint32_t length = ReadLE32(header + 4);
    if (end_ - pos_ < kLzmaFields || !file_.Seek(pos_) || file_.Read(fields, kLzmaFields) != kLzmaFields) {
        Fail(file_.Failed() ? SwfReason::kCannotRead : SwfReason::kBrokenStream);
        return;
    }
    pos_ += kLzmaFields;
    if (length < kSwfHeaderSize) {
        Fail(SwfReason::kBrokenStream);
        return;
    }
    const uint64_t size = length - kSwfHeaderSize;
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
    if (lzma_properties_decode(&filters[0], nullptr, fields + 4, 5) != LZMA_OK) {
        Fail(SwfReason::kBrokenStream);
        return;
    }
    lzma_->options = *static_cast<lzma_options_lzma*>(filters[0].options);
    std::free(filters[0].options);
    lzma_options_lzma& options = lzma_->options;
    options.dict_size =
        static_cast<uint32_t>(std::max<uint64_t>(LZMA_DICT_SIZE_MIN, std::min<uint64_t>(options.dict_size, size)));
    // The stream may or may not end with an end marker after its size, as writers differ.
    options.ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
    lzma_set_ext_size(options, size);
    filters[0] = {LZMA_FILTER_LZMA1EXT, &options};
    if (lzma_raw_decoder_memusage(filters) > kMaxLzmaMemory) {
        Fail(SwfReason::kTooLarge);
        return;
    }
    lzma_ret ret = lzma_raw_decoder(&lzma_->strm, filters);
    if (ret != LZMA_OK) {
        Fail(ret == LZMA_MEM_ERROR ? SwfReason::kNoMemory : SwfReason::kBrokenStream);
        return;
    }
    lzma_->live = true;
}

SwfBodyReader::~SwfBodyReader() {
    if (zlive_) inflateEnd(&zs_);
}

bool SwfBodyReader::Fail(SwfReason reason) {
    if (failure_ == SwfReason::kNone) failure_ = reason;
    return false;
}

bool SwfBodyReader::Fill() {
    if (failure_ != SwfReason::kNone || pos_ >= end_) return false;
    size_t want = static_cast<size_t>(std::min<uint64_t>(kStoredBlock, end_ - pos_));
    size_t got = file_.Seek(pos_) ? file_.Read(buffer_.get(), want) : 0;
    if (file_.Failed()) return Fail(SwfReason::kCannotRead);
    if (got == 0) {
        end_ = pos_;  // the file ends earlier than it did when it was measured
        return false;
    }
    bufStart_ = pos_;
    bufLen_ = got;
    return true;
}

bool SwfBodyReader::FillInput(size_t* got) {
    // A stream that has not ended when its stored bytes do is broken (a truncated movie).
    size_t want = static_cast<size_t>(std::min<uint64_t>(inSize_, end_ > pos_ ? end_ - pos_ : 0));
    *got = want && file_.Seek(pos_) ? file_.Read(buffer_.get(), want) : 0;
    // A read that failed is never taken for the end of the data, even when it delivered part of it.
    if (file_.Failed()) return Fail(SwfReason::kCannotRead);
    if (*got == 0) return Fail(SwfReason::kBrokenStream);
    pos_ += *got;
    return true;
}

bool SwfBodyReader::Decode() {
    if (ended_ || failure_ != SwfReason::kNone) return false;
    return coding_ == SwfCoding::kZlib ? Inflate() : DecodeLzma();
}

bool SwfBodyReader::Inflate() {
    for (;;) {
        if (zs_.avail_in == 0) {
            size_t got = 0;
            if (!FillInput(&got)) return false;
            zs_.next_in = buffer_.get();
            zs_.avail_in = static_cast<uInt>(got);
        }
        zs_.next_out = out_.get();
        zs_.avail_out = static_cast<uInt>(kDecodeOut);
        int ret = inflate(&zs_, Z_NO_FLUSH);
        size_t have = kDecodeOut - zs_.avail_out;
        if (ret == Z_STREAM_END) {
            ended_ = true;
        } else if (ret == Z_MEM_ERROR) {
            return Fail(SwfReason::kNoMemory);
        } else if (ret != Z_OK && !(ret == Z_BUF_ERROR && zs_.avail_in == 0)) {
            // A data error, a preset dictionary the movie cannot have, or no progress possible.
            return Fail(SwfReason::kBrokenStream);
        }
        decoded_ += have;
        if (decoded_ > kMaxBody) return Fail(SwfReason::kTooLarge);
        if (have) {
            outPos_ = 0;
            outLen_ = have;
            return true;
        }
        if (ended_) return false;
    }
}

bool SwfBodyReader::DecodeLzma() {
    lzma_stream& strm = lzma_->strm;
    for (;;) {
        // Once the file has no more bytes the decoder is told so: a stream without an end marker may need that to
        // end after its last byte; a truncated one fails.
        lzma_action action = LZMA_RUN;
        if (strm.avail_in == 0) {
            size_t got = 0;
            if (pos_ < end_) {
                if (!FillInput(&got)) return false;
            } else if (file_.Failed()) {
                return Fail(SwfReason::kCannotRead);
            }
            strm.next_in = buffer_.get();
            strm.avail_in = got;
            if (got == 0) action = LZMA_FINISH;
        }
        strm.next_out = out_.get();
        strm.avail_out = kDecodeOut;
        lzma_ret ret = lzma_code(&strm, action);
        size_t have = kDecodeOut - strm.avail_out;
        if (ret == LZMA_STREAM_END)
            ended_ = true;
        else if (ret == LZMA_MEM_ERROR)
            return Fail(SwfReason::kNoMemory);
        else if (ret != LZMA_OK)
            return Fail(SwfReason::kBrokenStream);  // a data error, or the stream ends before its size
        decoded_ += have;
        if (have) {
            outPos_ = 0;
            outLen_ = have;
            return true;
        }
        if (ended_) return false;
    }
}

size_t SwfBodyReader::Read(void* buffer, size_t count) {
    auto* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < count) {
        size_t n;
        if (coding_ != SwfCoding::kStored) {
            if (outPos_ == outLen_ && !Decode()) break;
            n = std::min(count - done, outLen_ - outPos_);
            std::memcpy(out + done, out_.get() + outPos_, n);
            outPos_ += n;
        } else {
            if (pos_ < bufStart_ || pos_ >= bufStart_ + bufLen_) {
                // Large reads (a compression's blocks) go straight into the caller's buffer.
                size_t direct = static_cast<size_t>(std::min<uint64_t>(count - done, end_ - std::min(pos_, end_)));
                if (direct >= kStoredBlock && failure_ == SwfReason::kNone) {
                    n = file_.Seek(pos_) ? file_.Read(out + done, direct) : 0;
                    if (file_.Failed()) {
                        Fail(SwfReason::kCannotRead);
                        break;
                    }
                    pos_ += n;
                    done += n;
                    if (n < direct) {
                        end_ = pos_;
                        break;
                    }
                    continue;
                }
                if (!Fill()) break;
            }
            size_t at = static_cast<size_t>(pos_ - bufStart_);
            n = std::min(count - done, bufLen_ - at);
            std::memcpy(out + done, buffer_.get() + at, n);
            pos_ += n;
        }
        done += n;
    }
    produced_ += done;
    return done;
}

bool SwfBodyReader::Skip(uint64_t count) {
    if (coding_ == SwfCoding::kStored) {
        if (failure_ != SwfReason::kNone || count > end_ - pos_) {
            produced_ += end_ - pos_;
            pos_ = end_;
            return false;
        }
        pos_ += count;
        produced_ += count;
        return true;
    }
    while (count > 0) {
        if (outPos_ == outLen_ && !Decode()) return false;
        size_t n = static_cast<size_t>(std::min<uint64_t>(count, outLen_ - outPos_));
        outPos_ += n;
        count -= n;
        produced_ += n;
    }
    return true;
}

bool SwfBodyReader::Finish() {
    if (coding_ == SwfCoding::kStored) {
        produced_ += end_ - pos_;
        pos_ = end_;
        return failure_ == SwfReason::kNone;
    }
    do {
        produced_ += outLen_ - outPos_;
        outPos_ = outLen_;
    } while (Decode());
    return ended_ && failure_ == SwfReason::kNone;
}

uint64_t SwfBodyReader::BytesAfterStream() const {
    if (coding_ == SwfCoding::kStored || !ended_) return 0;
    size_t unread = coding_ == SwfCoding::kZlib ? zs_.avail_in : lzma_->strm.avail_in;
    return unread + (end_ > pos_ ? end_ - pos_ : 0);
}

}  // namespace sqz
