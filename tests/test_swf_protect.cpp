// Import protection: the tag walk on the sample movies and crafted tag streams, and the protected copy.
#include "swf_protect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "file_helpers.h"
#include "swf_container.h"
#include "swf_inspect.h"
#include "test_support.h"

using namespace sqztest;

namespace {

// The protected form of an uncompressed movie: its first four bytes, the length N + 2, the frame header, the
// bytes 00 06, then the bytes up to N.
Bytes ProtectedForm(const Bytes& movie) {
    size_t start = 8 + SwfRectLength(movie[8]) + 4;
    uint32_t n = ReadLE32(movie.data() + 4);
    Bytes out = Slice(movie, 0, start);
    WriteLE32(out.data() + 4, n + 2);
    return Cat(Cat(out, {0x00, 0x06}), Slice(movie, start, n - start));
}

// The uncompressed form of a compressed movie, as DecompressSwf writes it.
Bytes Uncompressed(const Bytes& cws) {
    Bytes body = InflateBody(cws);
    return MakeMovie("FWS", cws[3], uint32_t(body.size() + 8), body);
}

Bytes Fws(const Bytes& body) { return MakeMovie("FWS", 6, uint32_t(body.size() + 8), body); }
Bytes Cws(const Bytes& body, unsigned char version = 6) {
    return MakeMovie("CWS", version, uint32_t(body.size() + 8), Deflate(body));
}

const Bytes kFrame = FrameHeader(15, 0, 11000, 0, 8000, 0x0C00, 1);  // Nbits 15: R = 9

// Services in a program folder of the test's choosing that count the files created for writing, and whose
// files fail once `budget` bytes have gone through them (the disk fills up).
class Services : public ProgramFolderAt {
public:
    using ProgramFolderAt::ProgramFolderAt;
    std::unique_ptr<sqz::WriteFile> OpenWrite(const std::string& path, sqz::CreateMode mode) override {
        struct Limited : sqz::WriteFile {
            std::unique_ptr<sqz::WriteFile> real;
            size_t left = 0;
            bool Write(const void* data, size_t count) override {
                if (count > left) return false;
                left -= count;
                return real->Write(data, count);
            }
            bool Seek(uint64_t offset) override { return real->Seek(offset); }
            bool Sync() override { return real->Sync(); }
            bool Close() override { return real->Close(); }
        };
        ++created;
        auto limited = std::make_unique<Limited>();
        limited->real = ProgramFolderAt::OpenWrite(path, mode);
        limited->left = budget;
        return limited->real ? std::move(limited) : nullptr;
    }
    int created = 0;
    size_t budget = SIZE_MAX;
};

}  // namespace

// Every sample movie: protected when a Protect tag header comes before any End tag. The samples whose tag stream
// runs off the end without an End tag answer 0: none of them shows a Protect tag before it does. No work file.
TEST(IsSwfProtected, SampleMoviesFollowTheOracle) {
    ScratchDir program;
    Services services(program.path());
    int yes = 0, runOff = 0;
    for (const OracleRow& row : LoadTable("oracle.tsv")) {
        if (row.at("signature") == "other") continue;  // not movies: the oracle has no tags for them
        int answer = IsSwfProtected(CorpusDir() + row.at("name"));
        EXPECT_EQ(answer != 0, Num(row, "protect_seen") == 1) << row.at("name");
        yes += answer != 0;
        runOff += Num(row, "protected") == -1;
    }
    EXPECT_EQ(yes, 1);
    EXPECT_GE(runOff, 5);
    EXPECT_EQ(services.created, 0);
    EXPECT_TRUE(program.Names().empty());
}

// Crafted tag streams, each as an uncompressed and as a compressed movie; then broken streams and non-movies.
TEST(IsSwfProtected, TagWalks) {
    ScratchDir program, dir;
    Services services(program.path());
    Bytes bg = Tag(9, {0xFF, 0xFF, 0xFF}), longBody(100, 0x06), pastEnd = Tag(12, Bytes(10, 0), true), zeroTags;
    longBody[0] = 0x00;  // a body full of bytes that read as Protect tags if the walk loses its way
    WriteLE32(pastEnd.data() + 2, 0xFFFFFFFFu);
    for (int i = 0; i < 1000; ++i) zeroTags = Cat(zeroTags, Tag(1));
    const struct {
        const char* name;
        Bytes body;
        bool answer;
    } cases[] = {
        {"first tag", Cat(kFrame, Cat(Tag(24), Tag(0))), true},
        {"third tag", Cat(kFrame, Cat(Cat(bg, Tag(1)), Cat(Tag(24), Tag(0)))), true},
        {"end first", Cat(kFrame, Cat(Cat(bg, Tag(0)), Tag(24))), false},
        {"long tag skipped", Cat(kFrame, Cat(Tag(12, longBody), Tag(0))), false},
        {"long tag, then protect", Cat(kFrame, Cat(Tag(12, longBody), Tag(24))), true},
        {"long form of a short body", Cat(kFrame, Cat(Tag(12, {0x00, 0x06}, true), Tag(0))), false},
        {"no end tag", Cat(kFrame, Cat(bg, Tag(1))), false},
        {"no tags", kFrame, false},
        {"half a tag header", Cat(kFrame, Cat(bg, {0x40})), false},
        {"half a long length", Cat(kFrame, Cat(bg, {0xFF, 0x02, 0x10})), false},
        {"length past the end", Cat(kFrame, Cat(pastEnd, Tag(24))), false},
        {"protect tag running off", Cat(kFrame, Cat(bg, {0x0A, 0x06, 1, 2, 3})), true},
        {"empty tags to the end", Cat(kFrame, zeroTags), false},
        {"31-bit rectangle", Cat(FrameHeader(31, 0, 1, 0, 1, 0x0100, 1), Tag(24)), true},
        {"0-bit rectangle", Cat(FrameHeader(0, 0, 0, 0, 0, 0x0100, 1), Tag(24)), true},
        {"frame header cut", Slice(kFrame, 0, 5), false},
    };
    for (const auto& c : cases) {
        WriteAll(dir / "f.swf", Fws(c.body));
        WriteAll(dir / "c.swf", Cws(c.body));
        EXPECT_EQ(IsSwfProtected(dir / "f.swf") != 0, c.answer) << c.name;
        EXPECT_EQ(IsSwfProtected(dir / "c.swf") != 0, c.answer) << c.name << ", compressed";
    }
    // A compressed movie whose stream is broken after its Protect tag cannot be protected: 0.
    Bytes good = Cws(Cat(Cat(kFrame, Tag(24)), Tag(12, Bytes(20000, 0x33)))), badCheck = good;
    badCheck.back() ^= 0x01;
    WriteAll(dir / "badcheck.swf", badCheck);
    WriteAll(dir / "cut.swf", Slice(good, 0, good.size() - 20));
    WriteAll(dir / "empty.swf", {});
    WriteAll(dir / "short.swf", {'F', 'W', 'S', 6, 30, 0, 0, 0, 0x78});
    WriteAll(dir / "cwsshort.swf", {'C', 'W', 'S', 6});
    for (const char* name : {"badcheck.swf", "cut.swf", "empty.swf", "short.swf", "cwsshort.swf", "missing.swf"})
        EXPECT_EQ(IsSwfProtected(dir / name), 0) << name;
    EXPECT_EQ(IsSwfProtected(dir.path()), 0);
    EXPECT_EQ(services.created, 0);
    EXPECT_TRUE(program.Names().empty());
}

// A movie of declared length 1000 with Nbits 15 (R = 9) becomes 1002 bytes; bytes beyond the declared length are
// left out; the copy may replace its source; the shortest length accepted is a movie without tags.
TEST(InsertProtectTag, LayoutOfTheProtectedCopy) {
    ScratchDir dir;
    Bytes body = kFrame;
    for (size_t i = body.size(); i < 992; ++i) body.push_back(static_cast<unsigned char>(i * 13 + 5));
    Bytes movie = MakeMovie("FWS", 5, 1000, body);
    WriteAll(dir / "m.swf", Cat(movie, Bytes(37, 0xEE)));
    ASSERT_NE(InsertProtectTag(dir / "m.swf", dir / "p.swf"), 0);
    Bytes out = ReadAll(dir / "p.swf");
    ASSERT_EQ(out.size(), 1002u);
    EXPECT_EQ(ReadLE32(out.data() + 4), 1002u);
    EXPECT_EQ(Slice(out, 0, 4), Slice(movie, 0, 4));
    EXPECT_EQ(Slice(out, 8, 13), Slice(movie, 8, 13));
    EXPECT_EQ(Slice(out, 21, 2), (Bytes{0x00, 0x06}));
    EXPECT_EQ(Slice(out, 23, 979), Slice(movie, 21, 979));
    ASSERT_NE(InsertProtectTag(dir / "m.swf", dir / "m.swf"), 0);
    EXPECT_EQ(ReadAll(dir / "m.swf"), out);
    WriteAll(dir / "bare.swf", MakeMovie("FWS", 6, 21, kFrame));
    ASSERT_NE(InsertProtectTag(dir / "bare.swf", dir / "bare.swf"), 0);
    EXPECT_EQ(ReadAll(dir / "bare.swf"), Cat(MakeMovie("FWS", 6, 23, kFrame), {0x00, 0x06}));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"bare.swf", "m.swf", "p.swf"}));
}

// Lengths that do not cover the frame header or claim more than the file holds (up to 4 GB) are refused before
// anything is written, by InsertProtectTag and ProtectSwf alike; so are sources too short or missing. A copy that
// fails on the way (the disk fills up, a missing folder) leaves an existing destination as it was and nothing new.
TEST(InsertProtectTag, RefusedSourcesAndFailedWrites) {
    ScratchDir program, dir;
    const Bytes keep = {'k', 'e', 'e', 'p'}, body = Cat(kFrame, Tag(0));
    const std::pair<const char*, Bytes> sources[] = {
        {"below.swf", MakeMovie("FWS", 6, 8 + 9 + 4 - 1, body)},  // N = R + 11
        {"zero.swf", MakeMovie("FWS", 6, 0, body)},
        {"onemore.swf", MakeMovie("FWS", 6, uint32_t(body.size() + 9), body)},
        {"huge.swf", MakeMovie("FWS", 6, 0xFFFFFFFFu, body)},
        {"header.swf", MakeMovie("FWS", 6, 8, {})},
        {"short.swf", {'F', 'W', 'S'}},
    };
    for (const auto& [name, bytes] : sources) WriteAll(dir / name, bytes);
    WriteAll(dir / "ok.swf", Fws(body));
    WriteAll(dir / "dest.swf", keep);
    const std::vector<std::string> names = dir.Names();
    Services services(program.path());
    for (const auto& [name, bytes] : sources) {
        EXPECT_EQ(InsertProtectTag(dir / name, dir / "dest.swf"), 0) << name;
        EXPECT_EQ(ProtectSwf(dir / name, dir / "dest.swf"), 0) << name;
    }
    EXPECT_EQ(InsertProtectTag(dir / "missing.swf", dir / "dest.swf"), 0);
    EXPECT_EQ(services.created, 0);
    EXPECT_EQ(InsertProtectTag(dir / "ok.swf", dir / "nofolder" + sqz::kPathSep + "p.swf"), 0);
    services.budget = 20;
    EXPECT_EQ(InsertProtectTag(dir / "ok.swf", dir / "dest.swf"), 0);
    EXPECT_EQ(InsertProtectTag(dir / "ok.swf", dir / "new.swf"), 0);
    EXPECT_EQ(ReadAll(dir / "dest.swf"), keep);
    EXPECT_EQ(dir.Names(), names);
    for (const auto& [name, bytes] : sources) EXPECT_EQ(ReadAll(dir / name), bytes) << name;
}

// Every sample movie: the protected copy holds the tag, equals the source apart from the two bytes and the length
// field, and reads with the same properties. A compressed source gives a compressed copy of its version (6 for an
// older one) by way of the two work files, which stay in the work folder; "SwfTemp3.swf" never appears.
TEST(ProtectSwf, SampleMoviesRoundTrip) {
    ScratchDir program, dir;
    Services services(program.path());
    const std::string temp = program / "temp" + sqz::kPathSep;
    for (const OracleRow& row : LoadTable("oracle.tsv")) {
        const std::string name = row.at("name"), path = CorpusDir() + name;
        if (row.at("signature") == "other") continue;
        Bytes source = ReadAll(path);
        bool cws = row.at("signature") == "CWS";
        Bytes expected = ProtectedForm(cws ? Uncompressed(source) : source);
        ASSERT_NE(ProtectSwf(path, dir / "out.swf"), 0) << name;
        Bytes out = ReadAll(dir / "out.swf");
        if (cws) {
            EXPECT_EQ(Slice(out, 0, 4), CompressedHead(source[3])) << name;
            EXPECT_EQ(ReadLE32(out.data() + 4), expected.size()) << name;
            EXPECT_EQ(InflateBody(out), Slice(expected, 8, expected.size())) << name;
            EXPECT_EQ(ReadAll(temp + "SwfTemp2.swf"), expected) << name;
        } else {
            EXPECT_EQ(out, expected) << name;
        }
        EXPECT_NE(IsSwfProtected(dir / "out.swf"), 0) << name;
        SwfFileInfo a = ReadSwfInfo(path), b = ReadSwfInfo(dir / "out.swf");
        EXPECT_EQ(std::vector<int>({a.nWidth, a.nHeight, a.nFrameRate, a.nFrameCount}),
                  std::vector<int>({b.nWidth, b.nHeight, b.nFrameRate, b.nFrameCount}))
            << name;
    }
    std::vector<std::string> left;
    for (const sqz::FileEntry& e : sqz::Files().List(temp))
        if (!e.bFolder) left.push_back(e.name);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"SwfTemp1.swf", "SwfTemp2.swf"}));
}

// The compressed path with work files of the caller's choosing: a version-7 source stays version 7; nothing written
// over the destination when the source does not inflate or is too small to protect; work files that would
// overwrite the source or the destination, or each other, refused.
TEST(ProtectSwf, CompressedSourcesAndWorkFiles) {
    ScratchDir dir;
    const Bytes keep = {'k', 'e', 'e', 'p'}, body = Cat(Cat(kFrame, Tag(9, {1, 2, 3})), Tag(0)), v7 = Cws(body, 7);
    Bytes broken = v7;
    broken.back() ^= 0x01;
    WriteAll(dir / "v7.swf", v7);
    WriteAll(dir / "broken.swf", broken);
    WriteAll(dir / "tiny.swf", Cws({0x78, 0x00, 0x05}));
    WriteAll(dir / "dest.swf", keep);
    const std::string src = dir / "v7.swf", dest = dir / "dest.swf", w1 = dir / "w1.swf", w2 = dir / "w2.swf";
    ASSERT_NE(ProtectSwfVia(src, dir / "out.swf", w1, w2), 0);
    Bytes out = ReadAll(dir / "out.swf");
    EXPECT_EQ(out[3], 7);
    EXPECT_EQ(InflateBody(out), Slice(ProtectedForm(Fws(body)), 8, body.size() + 2));
    EXPECT_EQ(ReadAll(w1), MakeMovie("FWS", 7, uint32_t(body.size() + 8), body));
    EXPECT_EQ(ProtectSwfVia(dir / "broken.swf", dest, w1, w2), 0);
    EXPECT_EQ(ProtectSwfVia(dir / "tiny.swf", dest, w1, w2), 0);
    EXPECT_EQ(ProtectSwfVia(src, dest, src, w2), 0);
    EXPECT_EQ(ProtectSwfVia(src, dest, w1, src), 0);
    EXPECT_EQ(ProtectSwfVia(src, dest, dest, w2), 0);
    EXPECT_EQ(ProtectSwfVia(src, dest, w1, dest), 0);
    EXPECT_EQ(ProtectSwfVia(src, dest, w1, w1), 0);
    EXPECT_EQ(ReadAll(src), v7);
    EXPECT_EQ(ReadAll(dest), keep);
}

// Reading and protecting on several threads at once, each protection with work files of its own (as the
// command-line tool runs them), gives what one at a time gives.
TEST(ProtectSwf, ThreadsAtOnceAgreeWithOneAtATime) {
    ScratchDir dir;
    std::vector<std::string> sources;
    for (const OracleRow& row : LoadTable("oracle.tsv"))
        if (Num(row, "file_size") < 50000) sources.push_back(CorpusDir() + row.at("name"));
    auto run = [&](size_t i, const std::string& tag) {
        std::string out = dir / ("out" + tag);
        int ok = ProtectSwfVia(sources[i], out, dir / ("w1" + tag), dir / ("w2" + tag));
        SwfFileInfo info = ReadSwfInfo(sources[i]);
        return std::to_string(ok) + " " + std::to_string(IsSwfProtected(sources[i])) + " " +
               std::to_string(info.nWidth) + " " + std::to_string(info.nFileSize) + " " +
               (ok ? std::to_string(ReadAll(out).size()) + " " + std::to_string(IsSwfProtected(out)) : "-");
    };
    std::vector<std::string> alone;
    for (size_t i = 0; i < sources.size(); ++i) alone.push_back(run(i, "alone"));
    std::vector<std::vector<std::string>> results(4, std::vector<std::string>(sources.size()));
    std::vector<std::thread> threads;
    for (size_t t = 0; t < results.size(); ++t)
        threads.emplace_back([&, t] {
            for (size_t k = 0; k < sources.size(); ++k) {  // each thread starts elsewhere in the list
                size_t i = (k + t * sources.size() / results.size()) % sources.size();
                results[t][i] = run(i, std::to_string(t));
            }
        });
    for (std::thread& th : threads) th.join();
    for (const auto& r : results) EXPECT_EQ(r, alone);
}
