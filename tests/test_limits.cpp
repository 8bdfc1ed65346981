// Movies at the limits of the format, made up on the fly rather than stored: a 200 MB movie compressed and a
// 4 GB one inspected, through file services that generate the bytes and check the output as it is written. The
// engine must go through them in bounded pieces, never holding a whole movie.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "swf_container.h"
#include "swf_inspect.h"
#include "swf_protect.h"
#include "test_support.h"

using namespace sqztest;

namespace {

const std::string kFolder = std::string("V:") + sqz::kPathSep + "big" + sqz::kPathSep;

// The byte at `offset` of a made-up movie: an 8-byte header, a frame header (550 x 400, 12 fps, 1 frame), one
// long tag covering everything up to the End tag at the very end, and a body of slowly changing bytes.
class MadeUpMovie {
public:
    MadeUpMovie(const char* signature, uint64_t size) : size_(size) {
        std::memcpy(head_, signature, 3);
        head_[3] = 6;
        WriteLE32(head_ + 4, static_cast<uint32_t>(size));
        const unsigned char frame[13] = {0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00, 0x00, 0x0C, 0x01, 0x00};
        std::memcpy(head_ + 8, frame, sizeof frame);
        // A long tag (code 2, length 63 in the short field, then 32 bits) up to the 2-byte End tag.
        head_[21] = 0xBF, head_[22] = 0x00;
        WriteLE32(head_ + 23, static_cast<uint32_t>(size - 27 - 2));
    }
    uint64_t size() const { return size_; }
    unsigned char At(uint64_t offset) const {
        if (offset < sizeof head_) return head_[offset];
        if (offset >= size_ - 2) return 0;  // the End tag
        return static_cast<unsigned char>((offset >> 12) * 7 + (offset & 3));
    }
    void Fill(uint64_t offset, unsigned char* out, size_t count) const {
        for (size_t i = 0; i < count; ++i) out[i] = At(offset + i);
    }

private:
    uint64_t size_;
    unsigned char head_[27];
};

// Serves one made-up movie at kFolder + "in.swf" and takes whatever is written in kFolder, keeping only a running
// inflate of it (or its length); records the largest single read and write.
class BigFiles : public FileServicesProxy {
public:
    explicit BigFiles(const MadeUpMovie& movie) : movie_(movie) {}
    size_t largestRead = 0, largestWrite = 0;
    uint64_t bytesRead = 0, bytesWritten = 0;
    std::string written;  // the name of the file written
    // When set, the written bytes after the 8-byte header are inflated and compared with `expect` on the fly.
    const MadeUpMovie* expect = nullptr;
    bool inflatedRight = true, streamEnded = false;
    unsigned char header[8] = {};

    std::unique_ptr<sqz::ReadFile> OpenRead(const std::string& path) override {
        if (path != kFolder + "in.swf") return FileServicesProxy::OpenRead(path);
        struct Reader : sqz::ReadFile {
            BigFiles* owner;
            uint64_t pos = 0;
            int64_t Size() override { return static_cast<int64_t>(owner->movie_.size()); }
            bool Seek(uint64_t offset) override {
                pos = offset;
                return true;
            }
            size_t Read(void* buffer, size_t count) override {
                size_t n = static_cast<size_t>(
                    std::min<uint64_t>(count, owner->movie_.size() - std::min(pos, owner->movie_.size())));
                owner->movie_.Fill(pos, static_cast<unsigned char*>(buffer), n);
                pos += n;
                owner->largestRead = std::max(owner->largestRead, count);
                owner->bytesRead += n;
                return n;
            }
            bool Failed() const override { return false; }
        };
        auto r = std::make_unique<Reader>();
        r->owner = this;
        return r;
    }
    std::unique_ptr<sqz::WriteFile> OpenWrite(const std::string& path, sqz::CreateMode mode) override {
        if (path.compare(0, kFolder.size(), kFolder) != 0) return FileServicesProxy::OpenWrite(path, mode);
        written = path;
        struct Writer : sqz::WriteFile {
            BigFiles* owner;
            z_stream zs{};
            uint64_t pos = 0, inflated = 0;
            Writer() { inflateInit(&zs); }
            ~Writer() override { inflateEnd(&zs); }
            bool Write(const void* data, size_t count) override {
                owner->largestWrite = std::max(owner->largestWrite, count);
                owner->bytesWritten += count;
                const auto* p = static_cast<const unsigned char*>(data);
                for (; count > 0 && pos < 8; --count, ++pos) owner->header[pos] = *p++;
                pos += count;
                if (owner->expect && count > 0) Check(p, count);
                return true;
            }
            void Check(const unsigned char* p, size_t count) {
                zs.next_in = const_cast<unsigned char*>(p);
                zs.avail_in = static_cast<uInt>(count);
                unsigned char out[65536], want[65536];
                while (zs.avail_in > 0 && !owner->streamEnded) {
                    zs.next_out = out;
                    zs.avail_out = sizeof out;
                    int ret = inflate(&zs, Z_NO_FLUSH);
                    size_t got = sizeof out - zs.avail_out;
                    owner->expect->Fill(8 + inflated, want, got);
                    if (std::memcmp(out, want, got) != 0 || (ret != Z_OK && ret != Z_STREAM_END))
                        owner->inflatedRight = false;
                    inflated += got;
                    if (ret == Z_STREAM_END) owner->streamEnded = inflated == owner->expect->size() - 8;
                    if (ret != Z_OK && ret != Z_STREAM_END) break;
                }
            }
            bool Seek(uint64_t offset) override {
                pos = offset;
                return true;
            }
            bool Sync() override { return true; }
            bool Close() override { return true; }
        };
        auto w = std::make_unique<Writer>();
        w->owner = this;
        return w;
    }
    // The work file written is put in place by a rename, which names the file written.
    bool Move(const std::string& from, const std::string& to) override {
        if (from.compare(0, kFolder.size(), kFolder) != 0) return FileServicesProxy::Move(from, to);
        written = to;
        return true;
    }
    bool Find(const std::string& path, sqz::FileEntry* entry) override {
        if (path.compare(0, kFolder.size(), kFolder) != 0) return FileServicesProxy::Find(path, entry);
        if (path != kFolder + "in.swf") return false;
        if (entry) {
            entry->name = "in.swf";
            entry->nSize = movie_.size();
            entry->nSizeLow = static_cast<uint32_t>(movie_.size());
        }
        return true;
    }

private:
    const MadeUpMovie& movie_;
};

}  // namespace

// 200 MB compress in pieces of at most 256 KB, and the output, checked as it is written, inflates back to the
// movie's body with the real size in the header.
TEST(Limits, CompressingA200MegabyteMovieStreams) {
    MadeUpMovie movie("FWS", 200ull << 20);
    BigFiles files(movie);
    files.expect = &movie;
    ASSERT_NE(CompressSwf(kFolder + "in.swf", kFolder + "out.swf"), 0);
    EXPECT_EQ(files.written, kFolder + "out.swf");
    EXPECT_EQ(ReadLE32(files.header + 4), movie.size());
    EXPECT_EQ(files.header[3], 6);
    EXPECT_TRUE(files.inflatedRight);
    EXPECT_TRUE(files.streamEnded);
    EXPECT_EQ(files.bytesRead, movie.size());
    EXPECT_LE(files.largestRead, 256u * 1024);
    EXPECT_LE(files.largestWrite, 256u * 1024);
}

// The largest movie the 32-bit length field allows: its properties and its protection test read a few
// kilobytes, not 4 GB.
TEST(Limits, InspectingA4GigabyteMovieReadsItsHeadersOnly) {
    MadeUpMovie movie("FWS", 0xFFFFFFFFull);
    BigFiles files(movie);
    SwfFileInfo info = ReadSwfInfo(kFolder + "in.swf");
    EXPECT_EQ(info.nVersion, 6);
    EXPECT_EQ(info.nFileSize, 0xFFFFFFFFu);
    EXPECT_EQ(info.nWidth, 550);
    EXPECT_EQ(info.nHeight, 400);
    EXPECT_EQ(info.nFrameRate, 12);
    EXPECT_EQ(IsSwfProtected(kFolder + "in.swf"), 0);  // the walk jumps the long tag and meets End
    EXPECT_LT(files.bytesRead, 64u * 1024);
}

// A compressed movie that inflates to 200 MB decompresses through bounded pieces too.
TEST(Limits, DecompressingTo200MegabytesStreams) {
    // The compressed form of the made-up movie, built in pieces here (about a megabyte: the body repeats).
    MadeUpMovie plain("FWS", 200ull << 20);
    Bytes packed = {'C', 'W', 'S', 6, 0, 0, 0, 0};
    {
        z_stream zs{};
        ASSERT_EQ(deflateInit(&zs, Z_DEFAULT_COMPRESSION), Z_OK);
        unsigned char in[65536], out[65536];
        for (uint64_t pos = 8; pos < plain.size();) {
            size_t n = static_cast<size_t>(std::min<uint64_t>(sizeof in, plain.size() - pos));
            plain.Fill(pos, in, n);
            pos += n;
            zs.next_in = in;
            zs.avail_in = static_cast<uInt>(n);
            int flush = pos == plain.size() ? Z_FINISH : Z_NO_FLUSH;
            do {
                zs.next_out = out;
                zs.avail_out = sizeof out;
                deflate(&zs, flush);
                packed.insert(packed.end(), out, out + (sizeof out - zs.avail_out));
            } while (zs.avail_out == 0);
        }
        deflateEnd(&zs);
    }
    ScratchDir dir;
    WriteAll(dir / "packed.swf", packed);
    MadeUpMovie unused("FWS", 64);
    BigFiles files(unused);
    ASSERT_NE(DecompressSwf(dir / "packed.swf", kFolder + "out.swf"), 0);
    EXPECT_EQ(files.bytesWritten, plain.size() + 4);  // the length field is written again at the end
    EXPECT_EQ(ReadLE32(files.header + 4), plain.size());
    EXPECT_LE(files.largestWrite, 256u * 1024);
}
