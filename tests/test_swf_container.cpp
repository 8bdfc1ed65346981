// Compression, decompression and projector extraction on the sample movies and on crafted files.
#include "swf_container.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>

#ifdef SQZ_HAVE_ZOPFLI
#include <zopfli/zlib_container.h>
#endif

#include "test_support.h"

using namespace sqztest;

namespace {

Bytes ZlibCompress(const Bytes& body) {
    uLongf len = compressBound(static_cast<uLong>(body.size()));
    Bytes out(len);
    EXPECT_EQ(compress(out.data(), &len, body.data(), static_cast<uLong>(body.size())), Z_OK);
    out.resize(len);
    return out;
}

#ifdef SQZ_HAVE_ZOPFLI
// What Zopfli's own zlib compression makes of the whole of `body` in one call.
Bytes ZopfliCompress(const Bytes& body) {
    ZopfliOptions options;
    ZopfliInitOptions(&options);
    unsigned char* out = nullptr;
    size_t size = 0;
    ZopfliZlibCompress(&options, body.data(), body.size(), &out, &size);
    Bytes bytes(out, out + size);
    std::free(out);
    return bytes;
}
#endif

// A small well-formed uncompressed body: a 550 x 400 frame, 12 fps, one frame, then `tags`.
Bytes SmallBody(const Bytes& tags = {0x40, 0x00, 0x00, 0x00}) {
    Bytes body = {0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00, 0x00, 0x0C, 0x01, 0x00};
    for (unsigned char b : tags) body.push_back(b);
    return body;
}

}  // namespace

TEST(IsCompressedSwf, AnswersBySignatureOnly) {
    ScratchDir dir;
    WriteAll(dir / "c.swf", MakeMovie("CWS", 6, 100, {}));
    WriteAll(dir / "f.swf", MakeMovie("FWS", 6, 8, {}));
    WriteAll(dir / "short", Bytes{'C', 'W'});
    WriteAll(dir / "empty", Bytes{});
    WriteAll(dir / "lower", Bytes{'c', 'w', 's'});
    WriteAll(dir / "z.swf", MakeMovie("ZWS", 13, 100, {}));
    EXPECT_NE(IsCompressedSwf(dir / "c.swf"), 0);
    EXPECT_NE(IsCompressedSwf(dir / "z.swf"), 0);
    EXPECT_EQ(IsCompressedSwf(dir / "f.swf"), 0);
    EXPECT_EQ(IsCompressedSwf(dir / "short"), 0);
    EXPECT_EQ(IsCompressedSwf(dir / "empty"), 0);
    EXPECT_EQ(IsCompressedSwf(dir / "lower"), 0);
    EXPECT_EQ(IsCompressedSwf(dir / "missing.swf"), 0);
    EXPECT_EQ(IsCompressedSwf(dir.path()), 0);  // a folder is not a movie

    for (const OracleRow& row : LoadTable("oracle.tsv"))
        EXPECT_EQ(IsCompressedSwf(CorpusDir() + row.at("name")) != 0,
                  row.at("signature") == "CWS" || row.at("name") == "shumway-lzma.swf")
            << row.at("name");
}

// Every uncompressed sample (versions 4 to 17): the output is a "CWS" movie of the source's version (6 for one below
// 6), whose length field is the source's size and whose body is exactly what zlib compress() makes of the source
// body, so it inflates back to it.
TEST(CompressSwf, CorpusMatchesZlibCompressByteForByte) {
    ScratchDir dir;
    int compressed = 0;
    for (const OracleRow& row : LoadTable("oracle.tsv")) {
        if (row.at("signature") != "FWS") continue;
        const std::string name = row.at("name");
        Bytes source = ReadAll(CorpusDir() + name);
        ASSERT_EQ(source.size(), static_cast<size_t>(Num(row, "file_size"))) << name;
        ASSERT_NE(CompressSwf(CorpusDir() + name, dir / "out.swf"), 0) << name;
        Bytes out = ReadAll(dir / "out.swf");
        ASSERT_GE(out.size(), 8u);
        EXPECT_EQ(Slice(out, 0, 4), CompressedHead(static_cast<unsigned>(Num(row, "version")))) << name;
        EXPECT_EQ(ReadLE32(out.data() + 4), source.size()) << name;
        Bytes body = Slice(source, 8, source.size());
        EXPECT_EQ(Slice(out, 8, out.size()), ZlibCompress(body)) << name;
        EXPECT_EQ(InflateBody(out), body) << name;
        ++compressed;
    }
    EXPECT_EQ(compressed, 56);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.swf"});  // no work file left behind
}

TEST(CompressSwf, VersionFromSixOnIsKeptAndTheLengthIsTheRealSize) {
    ScratchDir dir;
    // The player runs a movie's scripts by the rules of its version: 7 and 8 stay, 4 and 5 become 6, the lowest
    // version of a compressed movie. A length field that lies is replaced by the real size, and bytes after the
    // declared end are compressed with the rest.
    for (unsigned char version : {8, 7, 6, 5, 4}) {
        Bytes body = SmallBody();
        for (unsigned char b : {0xDE, 0xAD, 0xBE, 0xEF}) body.push_back(b);
        WriteAll(dir / "in.swf", MakeMovie("FWS", version, 21, body));
        ASSERT_NE(CompressSwf(dir / "in.swf", dir / "out.swf"), 0);
        Bytes out = ReadAll(dir / "out.swf");
        EXPECT_EQ(out[3], version < 6 ? 6 : version);
        EXPECT_EQ(ReadLE32(out.data() + 4), 8 + body.size());
        EXPECT_EQ(InflateBody(out), body);
    }
}

TEST(CompressSwf, AnEightByteMovieHasAnEmptyBody) {
    ScratchDir dir;
    WriteAll(dir / "in.swf", MakeMovie("FWS", 6, 8, {}));
    ASSERT_NE(CompressSwf(dir / "in.swf", dir / "out.swf"), 0);
    Bytes out = ReadAll(dir / "out.swf");
    EXPECT_EQ(ReadLE32(out.data() + 4), 8u);
    EXPECT_EQ(Slice(out, 8, out.size()), ZlibCompress({}));
}

// Refused sources write nothing: an existing destination keeps its bytes and no work file remains.
TEST(CompressSwf, RefusedSourcesLeaveTheDestinationAsItWas) {
    ScratchDir dir;
    const Bytes keep = {'k', 'e', 'e', 'p'};
    WriteAll(dir / "cws.swf", MakeMovie("CWS", 6, 30, ZlibCompress(SmallBody())));
    WriteAll(dir / "short.swf", Bytes{'F', 'W', 'S', 6, 1, 0, 0});
    WriteAll(dir / "three.swf", Bytes{'F', 'W', 'S'});
    WriteAll(dir / "empty.swf", Bytes{});
    WriteAll(dir / "text.swf", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});
    for (auto compress : {CompressSwf, CompressSwfBest}) {
        for (const char* name : {"cws.swf", "short.swf", "three.swf", "empty.swf", "text.swf", "missing.swf"}) {
            WriteAll(dir / "dest.swf", keep);
            EXPECT_EQ(compress(dir / name, dir / "dest.swf"), 0) << name;
            EXPECT_EQ(ReadAll(dir / "dest.swf"), keep) << name;
        }
        EXPECT_EQ(compress(CorpusDir() + "projectors" + sqz::kPathSep + "proj-fws.exe", dir / "dest.swf"), 0);
        EXPECT_EQ(ReadAll(dir / "dest.swf"), keep);
    }
    EXPECT_EQ(dir.Names(),
              (std::vector<std::string>{"cws.swf", "dest.swf", "empty.swf", "short.swf", "text.swf", "three.swf"}));
}

TEST(CompressSwf, DestinationInAMissingFolderFailsAndCreatesNothing) {
    ScratchDir dir;
    WriteAll(dir / "in.swf", MakeMovie("FWS", 6, 21, SmallBody()));
    EXPECT_EQ(CompressSwf(dir / "in.swf", dir / "nofolder" + sqz::kPathSep + "out.swf"), 0);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"in.swf"});
}

TEST(CompressSwf, InPlaceReplacesTheSourceWithItsCompressedForm) {
    ScratchDir dir;
    Bytes source = MakeMovie("FWS", 6, 21, SmallBody());
    WriteAll(dir / "m.swf", source);
    ASSERT_NE(CompressSwf(dir / "m.swf", dir / "m.swf"), 0);
    Bytes out = ReadAll(dir / "m.swf");
    EXPECT_EQ(InflateBody(out), Slice(source, 8, source.size()));
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"m.swf"});
}

// Every uncompressed sample with Zopfli: the same movie header, then a zlib stream with the header of zlib's best
// level, inflating back to the body, never larger than CompressSwf's and, over the samples, some per cent smaller.
TEST(CompressSwfBest, CorpusMatchesZopfliAndIsSmallerThanTheDefault) {
    ScratchDir dir;
    if (!CanCompressSwfBest()) {
        WriteAll(dir / "in.swf", MakeMovie("FWS", 6, 21, SmallBody()));
        EXPECT_EQ(CompressSwfBest(dir / "in.swf", dir / "out.swf"), 0);
        GTEST_SKIP() << "this build has no Zopfli";
    }
    uint64_t best = 0, standard = 0;
    for (const OracleRow& row : LoadTable("oracle.tsv")) {
        if (row.at("signature") != "FWS") continue;
        const std::string name = row.at("name");
        ASSERT_NE(CompressSwfBest(CorpusDir() + name, dir / "best.swf"), 0) << name;
        ASSERT_NE(CompressSwf(CorpusDir() + name, dir / "default.swf"), 0) << name;
        Bytes source = ReadAll(CorpusDir() + name), out = ReadAll(dir / "best.swf");
        EXPECT_EQ(Slice(out, 0, 4), CompressedHead(source[3])) << name;
        EXPECT_EQ(ReadLE32(out.data() + 4), source.size()) << name;
        EXPECT_EQ(Slice(out, 8, 2), (Bytes{0x78, 0xDA})) << name;
        EXPECT_EQ(InflateBody(out), Slice(source, 8, source.size())) << name;
        size_t others = ReadAll(dir / "default.swf").size();
        EXPECT_LE(out.size(), others) << name;
        best += out.size();
        standard += others;
    }
    EXPECT_LT(best * 100, standard * 98) << best << " bytes against " << standard;
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"best.swf", "default.swf"}));
}

// A body of one block of 1,000,000 bytes and one more byte, with matches reaching back across the edge: the output
// is byte for byte what Zopfli makes of the whole body in one call (so compressing block by block changes
// nothing, the Adler-32 included), and it inflates back. An empty body is a stream of its own.
TEST(CompressSwfBest, BlockByBlockEqualsZopfliOnTheWholeBody) {
    if (!CanCompressSwfBest()) GTEST_SKIP() << "this build has no Zopfli";
    ScratchDir dir;
    for (size_t length : {0u, 1000001u}) {
        SCOPED_TRACE(length);
        // Bytes no match covers, with a copy of 1 KB from 5 KB back every 8 KB, so that matches reach across
        // every edge.
        Bytes body;
        for (uint32_t seed = 1; body.size() < length;) {
            if (body.size() % 8192 == 7000 && body.size() > 5000) {
                for (size_t i = 0; i < 1024; ++i) body.push_back(body[body.size() - 5000]);
            } else {
                seed = seed * 1103515245u + 12345u;
                body.push_back(static_cast<unsigned char>(seed >> 16));
            }
        }
        body.resize(length);
        WriteAll(dir / "in.swf", MakeMovie("FWS", 7, uint32_t(length + 8), body));
        ASSERT_NE(CompressSwfBest(dir / "in.swf", dir / "out.swf"), 0);
        Bytes out = ReadAll(dir / "out.swf");
        EXPECT_EQ(InflateBody(out), body);
#ifdef SQZ_HAVE_ZOPFLI
        EXPECT_EQ(Slice(out, 8, out.size()), ZopfliCompress(body));
#endif
    }
}

// Compressing a movie of version 6 or later whose length field is its size, then decompressing, gives back its
// bytes; for every uncompressed sample the round trip restores the body, with its version (6 for an older one)
// and the real length.
TEST(DecompressSwf, RoundTripRestoresTheMovie) {
    ScratchDir dir;
    for (const OracleRow& row : LoadTable("oracle.tsv")) {
        if (row.at("signature") != "FWS") continue;
        const std::string name = row.at("name");
        Bytes source = ReadAll(CorpusDir() + name);
        ASSERT_NE(CompressSwf(CorpusDir() + name, dir / "c.swf"), 0) << name;
        ASSERT_NE(DecompressSwf(dir / "c.swf", dir / "d.swf"), 0) << name;
        Bytes back = ReadAll(dir / "d.swf");
        Bytes expected = source;
        expected[3] = CompressedHead(source[3])[3];
        WriteLE32(expected.data() + 4, static_cast<uint32_t>(source.size()));
        EXPECT_EQ(back, expected) << name;
        if (source[3] >= 6 && Num(row, "declared_len") == Num(row, "file_size")) {
            EXPECT_EQ(back, source) << name;
        }
    }
}

// Every compressed sample decompresses exactly when its zlib stream is sound (the oracle's body length), with the
// length field computed from the inflated data and the version byte kept.
TEST(DecompressSwf, CorpusFollowsTheOracle) {
    ScratchDir dir;
    for (const OracleRow& row : LoadTable("oracle.tsv")) {
        if (row.at("signature") != "CWS") continue;
        const std::string name = row.at("name");
        int ok = DecompressSwf(CorpusDir() + name, dir / "d.swf");
        long long body = Num(row, "body_len");
        EXPECT_EQ(ok != 0, body >= 0) << name;
        if (!ok) continue;
        Bytes out = ReadAll(dir / "d.swf");
        ASSERT_EQ(static_cast<long long>(out.size()), body + 8) << name;
        EXPECT_EQ(Slice(out, 0, 3), (Bytes{'F', 'W', 'S'})) << name;
        EXPECT_EQ(out[3], Num(row, "version")) << name;
        EXPECT_EQ(ReadLE32(out.data() + 4), body + 8) << name;
    }
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"d.swf"});
}

// Movies inflating to far more than five times their compressed size are valid; a header that claims 4 GB does
// not make the decompression reserve it; bytes after the end of the stream are ignored.
TEST(DecompressSwf, HighRatiosLyingHeadersAndTrailingBytes) {
    ScratchDir dir;
    Bytes body = SmallBody();
    body.resize(4 * 1024 * 1024, 0);  // 4 MB of zero tags inflate from about 4 KB
    Bytes movie = MakeMovie("CWS", 7, 0xFFFFFFFFu, ZlibCompress(body));
    ASSERT_LT(movie.size() * 5, body.size());
    for (unsigned char b = 1; b <= 16; ++b) movie.push_back(b);
    WriteAll(dir / "big.swf", movie);
    ASSERT_NE(DecompressSwf(dir / "big.swf", dir / "out.swf"), 0);
    Bytes out = ReadAll(dir / "out.swf");
    EXPECT_EQ(ReadLE32(out.data() + 4), body.size() + 8);
    EXPECT_EQ(out[3], 7);
    EXPECT_EQ(Slice(out, 8, out.size()), body);
}

TEST(DecompressSwf, BrokenStreamsAndRefusedSourcesLeaveTheDestinationAsItWas) {
    ScratchDir dir;
    const Bytes keep = {'k', 'e', 'e', 'p'};
    Bytes stream = ZlibCompress(SmallBody(Bytes(5000, 0x11)));
    Bytes truncated = MakeMovie("CWS", 6, 5021, Slice(stream, 0, stream.size() - 6));
    Bytes corrupt = MakeMovie("CWS", 6, 5021, stream);
    corrupt[corrupt.size() - 2] ^= 0xFF;  // wrong Adler-32
    Bytes garbage = MakeMovie("CWS", 6, 100, Bytes(50, 0xAB));
    WriteAll(dir / "truncated.swf", truncated);
    WriteAll(dir / "corrupt.swf", corrupt);
    WriteAll(dir / "garbage.swf", garbage);
    WriteAll(dir / "headeronly.swf", MakeMovie("CWS", 6, 100, {}));
    WriteAll(dir / "short.swf", Bytes{'C', 'W', 'S', 6});
    WriteAll(dir / "fws.swf", MakeMovie("FWS", 6, 21, SmallBody()));
    for (const char* name :
         {"truncated.swf", "corrupt.swf", "garbage.swf", "headeronly.swf", "short.swf", "fws.swf", "missing.swf"}) {
        WriteAll(dir / "dest.swf", keep);
        EXPECT_EQ(DecompressSwf(dir / name, dir / "dest.swf"), 0) << name;
        EXPECT_EQ(ReadAll(dir / "dest.swf"), keep) << name;
    }
    EXPECT_EQ(dir.Names().size(), 7u);  // the six sources and the destination, no work file
}

// The projectors of the corpus: the movie is the L bytes before the trailer; without the magic, or with an L
// that reaches before the start of the file, the destination is left empty; the result is always non-zero.
TEST(ExtractProjectorSwf, CorpusProjectors) {
    ScratchDir dir;
    const std::string folder = CorpusDir() + "projectors" + sqz::kPathSep;
    for (const OracleRow& row : LoadTable("projectors.tsv")) {
        const std::string name = row.at("name");
        Bytes projector = ReadAll(folder + name);
        ASSERT_EQ(static_cast<long long>(projector.size()), Num(row, "file_size")) << name;
        WriteAll(dir / "out.swf", Bytes{'o', 'l', 'd'});
        EXPECT_NE(ExtractProjectorSwf(folder + name, dir / "out.swf"), 0) << name;
        Bytes out = ReadAll(dir / "out.swf");
        if (Num(row, "magic_ok") == 1 && Num(row, "movie_offset") >= 0) {
            EXPECT_EQ(out, Slice(projector, static_cast<size_t>(Num(row, "movie_offset")),
                                 static_cast<size_t>(Num(row, "movie_len"))))
                << name;
        } else {
            EXPECT_TRUE(out.empty()) << name;
        }
    }
}

// Chunk edges: a movie of exactly two chunks, one of two chunks and a byte, and one smaller than a chunk.
TEST(ExtractProjectorSwf, MoviesAroundTheChunkSize) {
    ScratchDir dir;
    for (size_t length : {4096u, 4097u, 2048u, 1u, 0u}) {
        Bytes movie(length);
        for (size_t i = 0; i < length; ++i) movie[i] = static_cast<unsigned char>(i * 7 + 1);
        Bytes projector(100, 0x90);
        projector.insert(projector.end(), movie.begin(), movie.end());
        Bytes trailer(8);
        WriteLE32(trailer.data(), kProjectorMagic);
        WriteLE32(trailer.data() + 4, static_cast<uint32_t>(length));
        projector.insert(projector.end(), trailer.begin(), trailer.end());
        WriteAll(dir / "p.exe", projector);
        EXPECT_NE(ExtractProjectorSwf(dir / "p.exe", dir / "m.swf"), 0);
        EXPECT_EQ(ReadAll(dir / "m.swf"), movie) << length;
    }
}

TEST(ExtractProjectorSwf, MissingProjectorShortFileAndItsOwnPath) {
    ScratchDir dir;
    EXPECT_NE(ExtractProjectorSwf(dir / "missing.exe", dir / "m.swf"), 0);
    EXPECT_TRUE(dir.Names().empty());  // the destination is not even created
    WriteAll(dir / "tiny.exe", Bytes{0x56, 0x34, 0x12});
    EXPECT_NE(ExtractProjectorSwf(dir / "tiny.exe", dir / "m.swf"), 0);
    EXPECT_TRUE(ReadAll(dir / "m.swf").empty());
    // Asked to extract onto itself, the projector is left whole.
    const std::string proj = CorpusDir() + "projectors" + sqz::kPathSep + "proj-fws.exe";
    Bytes bytes = ReadAll(proj);
    WriteAll(dir / "self.exe", bytes);
    EXPECT_NE(ExtractProjectorSwf(dir / "self.exe", dir / "self.exe"), 0);
    EXPECT_EQ(ReadAll(dir / "self.exe"), bytes);
}

// The reasons behind the integer flags: each refused source and each failed write says why, with the system's error
// where there is one.
TEST(SwfResult, EveryRefusalSaysWhy) {
    ScratchDir dir;
    Bytes stream = ZlibCompress(SmallBody(Bytes(5000, 0x11)));
    WriteAll(dir / "f.swf", MakeMovie("FWS", 6, 21, SmallBody()));
    WriteAll(dir / "c.swf", MakeMovie("CWS", 6, 5021, stream));
    WriteAll(dir / "cut.swf", MakeMovie("CWS", 6, 5021, Slice(stream, 0, stream.size() - 6)));
    WriteAll(dir / "short.swf", Bytes{'F', 'W', 'S', 6});
    WriteAll(dir / "odd.swf", Bytes{'X', 'W', 'S', 6, 21, 0, 0, 0, 0});
    WriteAll(dir / "p.exe", Bytes(20, 0x90));
    const std::string nowhere = dir / "no" + sqz::kPathSep + "out.swf";
    auto reason = [](SwfResult r) { return r.reason; };
    EXPECT_TRUE(CheckSwfSignature(dir / "f.swf", "FWS").Ok());
    EXPECT_EQ(reason(CheckSwfSignature(dir / "c.swf", "FWS")), SwfReason::kAlreadyCompressed);
    EXPECT_EQ(reason(CheckSwfSignature(dir / "odd.swf", "FWS")), SwfReason::kNotUncompressed);
    EXPECT_EQ(reason(CheckSwfSignature(dir / "f.swf", "CWS")), SwfReason::kNotCompressed);
    for (SwfResult missing : {CheckSwfSignature(dir / "missing.swf", "FWS"), CompressSwfEx(dir / "f.swf", nowhere),
                              ExtractProjectorSwfEx(dir / "missing.exe", dir / "o.swf")}) {
        EXPECT_TRUE(missing.reason == SwfReason::kCannotRead || missing.reason == SwfReason::kCannotWrite);
        EXPECT_NE(missing.nSystemError, 0);
    }
    EXPECT_EQ(reason(CompressSwfEx(dir / "c.swf", dir / "o.swf")), SwfReason::kAlreadyCompressed);
    EXPECT_EQ(reason(CompressSwfEx(dir / "short.swf", dir / "o.swf")), SwfReason::kTooShort);
    EXPECT_EQ(reason(CompressSwfEx(dir / "f.swf", nowhere)), SwfReason::kCannotWrite);
    EXPECT_EQ(reason(DecompressSwfEx(dir / "cut.swf", dir / "o.swf")), SwfReason::kBrokenStream);
    EXPECT_EQ(reason(DecompressSwfEx(dir / "f.swf", dir / "o.swf")), SwfReason::kNotCompressed);
    EXPECT_EQ(reason(ExtractProjectorSwfEx(dir / "p.exe", dir / "o.swf")), SwfReason::kNoMovie);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"c.swf", "cut.swf", "f.swf", "o.swf", "odd.swf", "p.exe",
                                                     "short.swf"}));  // o.swf: the empty extraction only
}
