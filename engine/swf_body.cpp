// Reading a movie's body stored or inflated, through fixed buffers.
#include "swf_body.h"

#include <algorithm>
#include <cstring>

#include "swf_container.h"

namespace sqz {
namespace {

// A stored body is read ahead in small blocks: the readers want a few bytes here and there (frame header,
// tag headers), seeking over the rest.
constexpr size_t kStoredBlock = 4096;
// zlib's input and output blocks: large enough that inflate runs its fast loop, small enough that memory does
// not depend on the movie.
constexpr size_t kInflateIn = 32 * 1024;
constexpr size_t kInflateOut = 64 * 1024;
// The longest body whose movie length (body + header) still fits the header's 32-bit length field.
constexpr uint64_t kMaxBody = 0xFFFFFFFFull - kSwfHeaderSize;

}  // namespace

SwfBodyReader::SwfBodyReader(ReadFile& file, uint64_t begin, uint64_t end, bool compressed)
    : file_(file), pos_(begin), end_(std::max(begin, end)), compressed_(compressed) {
    if (!compressed_) {
        buffer_.reset(new unsigned char[kStoredBlock]);
        return;
    }
    buffer_.reset(new unsigned char[kInflateIn]);
    out_.reset(new unsigned char[kInflateOut]);
    if (inflateInit(&zs_) == Z_OK)
        zlive_ = true;
    else
        failed_ = true;
}

SwfBodyReader::~SwfBodyReader() {
    if (zlive_) inflateEnd(&zs_);
}

bool SwfBodyReader::Fill() {
    if (failed_ || pos_ >= end_) return false;
    size_t want = static_cast<size_t>(std::min<uint64_t>(kStoredBlock, end_ - pos_));
    size_t got = file_.Seek(pos_) ? file_.Read(buffer_.get(), want) : 0;
    if (got == 0) {
        // The file ends earlier than it did when it was measured, or it cannot be read.
        failed_ = failed_ || file_.Failed();
        end_ = pos_;
        return false;
    }
    bufStart_ = pos_;
    bufLen_ = got;
    return true;
}

bool SwfBodyReader::Inflate() {
    if (ended_ || failed_) return false;
    for (;;) {
        if (zs_.avail_in == 0) {
            // A stream that has not ended when its stored bytes do is broken (a truncated movie).
            size_t want = static_cast<size_t>(std::min<uint64_t>(kInflateIn, end_ > pos_ ? end_ - pos_ : 0));
            size_t got = want && file_.Seek(pos_) ? file_.Read(buffer_.get(), want) : 0;
            if (got == 0) {
                failed_ = true;
                return false;
            }
            pos_ += got;
            zs_.next_in = buffer_.get();
            zs_.avail_in = static_cast<uInt>(got);
        }
        zs_.next_out = out_.get();
        zs_.avail_out = static_cast<uInt>(kInflateOut);
        int ret = inflate(&zs_, Z_NO_FLUSH);
        size_t have = kInflateOut - zs_.avail_out;
        if (ret == Z_STREAM_END) {
            ended_ = true;
        } else if (ret != Z_OK && !(ret == Z_BUF_ERROR && zs_.avail_in == 0)) {
            failed_ = true;  // a data error, a preset dictionary the movie cannot have, or no progress possible
            return false;
        }
        inflated_ += have;
        if (inflated_ > kMaxBody) {
            failed_ = true;
            return false;
        }
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
        if (compressed_) {
            if (outPos_ == outLen_ && !Inflate()) break;
            n = std::min(count - done, outLen_ - outPos_);
            std::memcpy(out + done, out_.get() + outPos_, n);
            outPos_ += n;
        } else {
            if (pos_ < bufStart_ || pos_ >= bufStart_ + bufLen_) {
                if (!Fill()) break;
            }
            size_t at = static_cast<size_t>(pos_ - bufStart_);
            n = std::min(count - done, bufLen_ - at);
            std::memcpy(out + done, buffer_.get() + at, n);
            pos_ += n;
        }
        done += n;
    }
    return done;
}

bool SwfBodyReader::Skip(uint64_t count) {
    if (!compressed_) {
        if (failed_ || count > end_ - pos_) {
            pos_ = end_;
            return false;
        }
        pos_ += count;
        return true;
    }
    while (count > 0) {
        if (outPos_ == outLen_ && !Inflate()) return false;
        size_t n = static_cast<size_t>(std::min<uint64_t>(count, outLen_ - outPos_));
        outPos_ += n;
        count -= n;
    }
    return true;
}

bool SwfBodyReader::Finish() {
    if (!compressed_) {
        pos_ = end_;
        return !failed_;
    }
    do outPos_ = outLen_;
    while (Inflate());
    return ended_ && !failed_;
}

}  // namespace sqz
