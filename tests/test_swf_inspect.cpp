// Movie properties of the sample movies, the sample projectors and crafted files; the verdict and the texts.
#include "swf_inspect.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "swf_check.h"
#include "swf_container.h"
#include "test_support.h"

using namespace sqztest;

namespace {

std::string Show(const SwfFileInfo& i, bool withTime = false) {
    char text[160];
    std::snprintf(text, sizeof text, "version %d size %u frame %d x %d rate %d frames %d created %u", int(i.nVersion),
                  unsigned(i.nFileSize), int(i.nWidth), int(i.nHeight), int(i.nFrameRate), int(i.nFrameCount),
                  withTime ? unsigned(i.tCreated) : 0u);
    return text;
}

std::string Show(int version, uint32_t size, int width = 0, int height = 0, int rate = 0, int frames = 0) {
    return Show(SwfFileInfo{version, size, width, height, rate, frames, 0});
}

std::string ProjectorDir() { return CorpusDir() + "projectors" + sqz::kPathSep; }

Bytes Projector(const Bytes& movie, uint32_t length, uint32_t magic = kProjectorMagic) {
    Bytes stub(300, 0x90), trailer(8);
    WriteLE32(trailer.data(), magic);
    WriteLE32(trailer.data() + 4, length);
    return Cat(Cat(stub, movie), trailer);
}

// A 550 x 400 movie at 12.5 frames per second (the fraction is dropped), 7 frames.
const Bytes kBody = Cat(FrameHeader(15, 0, 11000, 0, 8000, 0x0C80, 7), Tag(0));
const Bytes kFws = MakeMovie("FWS", 6, uint32_t(kBody.size() + 8), kBody);
const Bytes kCws = MakeMovie("CWS", 7, uint32_t(kBody.size() + 8), Deflate(kBody));

// Watches the reader: it must never write, delete or make anything. Counts the files it opens, the bytes it reads and
// the entries it looks up, and can report a creation time of the test's choosing for one path.
class Watch : public FileServicesProxy {
public:
    std::unique_ptr<sqz::ReadFile> OpenRead(const std::string& path) override {
        struct Counted : sqz::ReadFile {
            std::unique_ptr<sqz::ReadFile> real;
            size_t* count = nullptr;
            int64_t Size() override { return real->Size(); }
            bool Seek(uint64_t offset) override { return real->Seek(offset); }
            size_t Read(void* buffer, size_t n) override {
                size_t got = real->Read(buffer, n);
                *count += got;
                return got;
            }
            bool Failed() const override { return real->Failed(); }
        };
        ++opens;
        auto counted = std::make_unique<Counted>();
        counted->real = FileServicesProxy::OpenRead(path);
        counted->count = &bytesRead;
        return counted->real ? std::move(counted) : nullptr;
    }
    std::unique_ptr<sqz::WriteFile> OpenWrite(const std::string& path, sqz::CreateMode) override {
        ADD_FAILURE() << "writes " << path;
        return nullptr;
    }
    bool Delete(const std::string& path) override { return ADD_FAILURE() << "deletes " << path, false; }
    bool CreateFolder(const std::string& path) override { return ADD_FAILURE() << "makes " << path, false; }
    bool Find(const std::string& path, sqz::FileEntry* entry) override {
        ++finds;
        if (!FileServicesProxy::Find(path, entry)) return false;
        if (entry && path == timedPath) entry->tCreated = created;
        return true;
    }
    size_t bytesRead = 0;
    size_t opens = 0;
    size_t finds = 0;
    std::string timedPath;
    int64_t created = 0;
};

// Sets the time zone of the C runtime for the life of the object.
class TimeZone {
public:
    explicit TimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        Put(tz);
    }
    ~TimeZone() { Put(old_.c_str()); }

private:
    static void Put(const char* tz) {
#ifdef _WIN32
        _putenv_s("TZ", tz);
        _tzset();
#else
        *tz ? setenv("TZ", tz, 1) : unsetenv("TZ");
        tzset();
#endif
    }
    std::string old_;
};

}  // namespace

// Every sample movie and projector gives the oracle's fields. Uncompressed movies report their length field,
// compressed ones their size on disk, a projector its movie by the same rules (and, read in place without
// inflating, its own size); every movie of version 1 or more is valid (the oracle's versions go up to 21), a file
// without a movie signature is a bad one with nothing read. The LZMA movie reads like its zlib twin. Letter case of
// ".exe" does not matter; under another name a projector is a bad file.
TEST(ReadSwfInfo, SampleMoviesAndProjectorsFollowTheOracle) {
    ScratchDir dir;
    Watch watch;
    for (const OracleRow& row : LoadTable("oracle.tsv")) {
        const std::string name = row.at("name"), path = CorpusDir() + name, signature = row.at("signature");
        SwfFileInfo info = ReadSwfInfo(path);
        int version = int(Num(row, "version"));
        const Bytes bytes = ReadAll(path);
        const bool lzma = Slice(bytes, 0, 3) == Bytes{'Z', 'W', 'S'};
        EXPECT_EQ(IsValidSwf(info), version >= 1 && (signature != "other" || lzma)) << name;
        if (signature == "other" && lzma) {
            // Its zlib twin, made here from what liblzma decodes, reads the same but for the size.
            const Bytes body = LzmaBody(bytes);
            ASSERT_EQ(body.size(), ReadLE32(bytes.data() + 4) - 8);
            WriteAll(dir / "twin.swf", MakeMovie("CWS", bytes[3], ReadLE32(bytes.data() + 4), Deflate(body)));
            SwfFileInfo twin = ReadSwfInfo(dir / "twin.swf");
            twin.nFileSize = uint32_t(bytes.size());
            EXPECT_EQ(Show(info), Show(twin)) << name;
            EXPECT_EQ(info.nVersion, 17) << name;
            continue;
        }
        if (signature == "other") {
            EXPECT_EQ(Show(info, true), Show(SwfFileInfo{}, true)) << name;
            continue;
        }
        EXPECT_NE(info.tCreated, 0u) << name;
        EXPECT_EQ(Show(info), Show(version, uint32_t(Num(row, signature == "CWS" ? "file_size" : "declared_len")),
                                   int(Num(row, "width")), int(Num(row, "height")), int(Num(row, "frame_rate")),
                                   int(Num(row, "frame_count"))))
            << name;
        if (signature == "FWS") {
            EXPECT_EQ(Show(ReadSwfHeaderInfo(path), true), Show(info, true)) << name;
        }
    }
    ScratchDir copies;
    for (const OracleRow& row : LoadTable("projectors.tsv")) {
        const std::string name = row.at("name"), path = ProjectorDir() + name;
        SwfFileInfo info = ReadSwfInfo(path), inPlace = ReadSwfHeaderInfo(path);
        bool movie = Num(row, "magic_ok") == 1 && Num(row, "movie_offset") >= 0;
        bool cws = row.at("movie_signature") == "CWS";
        std::string want = movie ? Show(int(Num(row, "movie_version")),
                                        uint32_t(Num(row, cws ? "movie_file_size" : "movie_declared_len")),
                                        int(Num(row, "movie_width")), int(Num(row, "movie_height")),
                                        int(Num(row, "movie_frame_rate")), int(Num(row, "movie_frame_count")))
                                 : Show(0, 0);
        EXPECT_EQ(Show(info), want) << name;
        EXPECT_EQ(info.tCreated != 0, movie) << name;
        EXPECT_EQ(inPlace.nVersion, info.nVersion) << name;
        EXPECT_EQ(inPlace.nFileSize, movie ? uint32_t(Num(row, "file_size")) : 0u) << name;
        if (!cws) {
            EXPECT_EQ(inPlace.nFrameCount, info.nFrameCount) << name;
        }
        for (const char* copy : {"UPPER.EXE", "mixed.Exe", "renamed.swf", "renamed.exe.swf"})
            WriteAll(copies / copy, ReadAll(path));
        EXPECT_EQ(Show(ReadSwfInfo(copies / "UPPER.EXE")), want) << name;
        EXPECT_EQ(Show(ReadSwfInfo(copies / "mixed.Exe")), want) << name;
        EXPECT_FALSE(IsValidSwf(ReadSwfInfo(copies / "renamed.swf"))) << name;
        EXPECT_FALSE(IsValidSwf(ReadSwfInfo(copies / "renamed.exe.swf"))) << name;
    }
}

// Every field width of the frame rectangle, 0 to 31 bits, in both container forms: width and height are Xmax and
// Ymax div 20, read unsigned (a top bit set gives a large number); Xmin and Ymin are not read.
TEST(ReadSwfInfo, FrameRectanglesOfEveryFieldWidth) {
    ScratchDir dir;
    for (unsigned nbits = 0; nbits <= 31; ++nbits) {
        uint32_t ones = (1u << nbits) - 1;
        for (uint32_t xmax : {ones, ones & 0x5A5A5A5Au, nbits ? 1u << (nbits - 1) : 0u}) {
            uint32_t ymax = ones & 0x33333333u;
            Bytes body = Cat(FrameHeader(nbits, ones & 0x0F0F0F0Fu, xmax, ones, ymax, 0x1880, 0xBEEF), Tag(0));
            Bytes cws = MakeMovie("CWS", 7, 0, Deflate(body));
            WriteAll(dir / "f.swf", MakeMovie("FWS", 7, 1000, body));
            WriteAll(dir / "c.swf", cws);
            std::string what = "nbits " + std::to_string(nbits) + " xmax " + std::to_string(xmax);
            EXPECT_EQ(Show(ReadSwfInfo(dir / "f.swf")), Show(7, 1000, int(xmax / 20), int(ymax / 20), 0x18, 0xBEEF))
                << what;
            EXPECT_EQ(Show(ReadSwfInfo(dir / "c.swf")),
                      Show(7, uint32_t(cws.size()), int(xmax / 20), int(ymax / 20), 0x18, 0xBEEF))
                << what;
        }
    }
}

// Bad and odd inputs, each answered at once without writing anything: no whole header, all zeros; a whole header
// keeps its version and missing frame-header bytes read as 0; a compressed movie whose stream is broken anywhere
// keeps only its size; a projector whose trailer lies holds no movie, or a broken one; ".exe" counts only at the
// end of the file's own name.
TEST(ReadSwfInfo, BadInputs) {
    ScratchDir dir;
    Bytes stream = Deflate(Cat(kBody, Tag(12, Bytes(20000, 0x42))));
    Bytes corrupt = MakeMovie("CWS", 6, 0, stream), flipped = corrupt;
    corrupt.back() ^= 0x01;  // wrong check value, far after the frame header
    flipped[flipped.size() / 2] ^= 0x55;
    Bytes cut = Slice(kCws, 0, kCws.size() - 5);
    Bytes big = kBody;
    big.resize(4 * 1024 * 1024, 0);  // inflates at a ratio far above five
    Bytes high = MakeMovie("CWS", 6, 0, Deflate(big)), tiny = MakeMovie("CWS", 5, 0, Deflate({0x78, 0x00}));
    // LZMA movies: with and without the end marker; a compressed length that lies (players ignore it); a stream cut
    // short; properties no decoder takes; a length field beyond what the stream gives; a length and a dictionary of
    // 4 GB, which no reader may take the memory for.
    const Bytes lzma = LzmaMovie(kFws), unmarked = LzmaMovie(kFws, false);
    Bytes lying = lzma, lzmaCut = Slice(lzma, 0, lzma.size() - 9), badProps = lzma, beyond = unmarked, absurd = lzma;
    WriteLE32(lying.data() + 8, 0xFFFFFFFFu);
    badProps[12] = 0xFF;
    WriteLE32(beyond.data() + 4, uint32_t(kFws.size() + 1000));
    WriteLE32(absurd.data() + 4, 0xFFFFFFFFu);
    WriteLE32(absurd.data() + 13, 0xFFFFFFFFu);
    const std::string lzmaWant = Show(6, uint32_t(lzma.size()), 550, 400, 12, 7);
    ASSERT_TRUE(sqz::Files().CreateFolder(dir / "a.exe.files"));
    const struct {
        std::string name;
        Bytes bytes;
        std::string want;
    } cases[] = {
        {"empty.swf", {}, Show(0, 0)},
        {"seven.swf", {'F', 'W', 'S', 6, 100, 0, 0}, Show(0, 0)},
        {"header.swf", MakeMovie("FWS", 6, 5000, {}), Show(6, 5000)},
        {"rect.swf", MakeMovie("FWS", 6, 5000, Slice(kBody, 0, 9)), Show(6, 5000, 550, 400)},
        {"huge.swf", MakeMovie("FWS", 6, 0xFFFFFFFFu, kBody), Show(6, 0xFFFFFFFFu, 550, 400, 12, 7)},
        {"v21.swf", MakeMovie("FWS", 21, 5000, kBody), Show(21, 5000, 550, 400, 12, 7)},
        {"text.swf", {'T', 'h', 'i', 's', ' ', 'i', 's', ' ', 't', 'e', 'x', 't', '\n'}, Show(0, 0)},
        {"lzma.swf", lzma, lzmaWant},
        {"unmarked.swf", unmarked, Show(6, uint32_t(unmarked.size()), 550, 400, 12, 7)},
        {"lying.swf", lying, lzmaWant},
        {"lzmacut.swf", lzmaCut, Show(0, uint32_t(lzmaCut.size()))},
        {"badprops.swf", badProps, Show(0, uint32_t(badProps.size()))},
        {"beyond.swf", beyond, Show(0, uint32_t(beyond.size()))},
        {"absurd.swf", absurd, Show(0, uint32_t(absurd.size()))},
        {"zwsshort.swf", Slice(lzma, 0, 14), Show(0, 14)},
        {"corrupt.swf", corrupt, Show(0, uint32_t(corrupt.size()))},
        {"flipped.swf", flipped, Show(0, uint32_t(flipped.size()))},
        {"cut.swf", cut, Show(0, uint32_t(cut.size()))},
        {"garbage.swf", MakeMovie("CWS", 6, 100, Bytes(50, 0xAB)), Show(0, 58)},
        {"cwsshort.swf", {'C', 'W', 'S', 6}, Show(0, 4)},
        {"tiny.swf", tiny, Show(5, uint32_t(tiny.size()))},
        {"high.swf", high, Show(6, uint32_t(high.size()), 550, 400, 12, 7)},
        {"ok.exe", Projector(kFws, uint32_t(kFws.size())), Show(6, uint32_t(kFws.size()), 550, 400, 12, 7)},
        {"none.exe", Projector(kFws, 0), Show(0, 0)},
        {"beyond.exe", Projector(kFws, uint32_t(kFws.size() + 301)), Show(0, 0)},
        {"far.exe", Projector(kFws, 0xFFFFFFF0u), Show(0, 0)},
        {"swapped.exe", Projector(kFws, uint32_t(kFws.size()), 0x563412FAu), Show(0, 0)},
        {"tiny.exe", {0x56, 0x34, 0x12, 0xFA, 0, 0, 0}, Show(0, 0)},
        {"cut.exe", Projector(cut, uint32_t(cut.size())), Show(0, uint32_t(cut.size()))},
        // The frame header would run on into the trailer, which is not movie data.
        {"short.exe", Projector(Slice(kFws, 0, 12), 12), Show(6, uint32_t(kFws.size()), 550)},
        {"plain.exe", kFws, Show(0, 0)},
        {"a.exe.files" + std::string(1, sqz::kPathSep) + "m.swf", kFws,
         Show(6, uint32_t(kFws.size()), 550, 400, 12, 7)},
    };
    for (const auto& c : cases) WriteAll(dir / c.name, c.bytes);
    Watch watch;
    for (const auto& c : cases) {
        EXPECT_EQ(Show(ReadSwfInfo(dir / c.name)), c.want) << c.name;
        // What needs no inflating reads the same without it.
        bool plain =
            c.name.substr(c.name.size() - 4) == ".swf" && (c.bytes.empty() || (c.bytes[0] != 'C' && c.bytes[0] != 'Z'));
        if (plain) {
            EXPECT_EQ(Show(ReadSwfHeaderInfo(dir / c.name)), c.want) << c.name;
        }
    }
    EXPECT_EQ(Show(ReadSwfInfo(dir / "missing.swf"), true), Show(0, 0));
    EXPECT_EQ(Show(ReadSwfInfo(dir.path()), true), Show(0, 0));  // a folder
}

// The creation time is that of the user's own file (the projector for a projector) as the true moment: what the
// directory search reports for that very path, with no work copy in between; files made just now were made now.
TEST(ReadSwfInfo, CreationTimeIsTheUsersOwnFile) {
    ScratchDir dir;
    std::time_t before = std::time(nullptr);
    WriteAll(dir / "f.swf", kFws);
    WriteAll(dir / "c.swf", kCws);
    WriteAll(dir / "p.exe", Projector(kCws, uint32_t(kCws.size())));
    std::time_t after = std::time(nullptr);
    for (const char* name : {"f.swf", "c.swf", "p.exe"}) {
        int64_t t = ReadSwfInfo(dir / name).tCreated;
        EXPECT_TRUE(t >= before - 2 && t <= after + 2) << name << ": " << t << " not in " << before << ".." << after;
        Watch watch;
        watch.timedPath = dir / name;
        for (int64_t when : {int64_t{1078819503}, int64_t{4000000000}, int64_t{-86400}}) {
            watch.created = when;
            EXPECT_EQ(ReadSwfInfo(dir / name).tCreated, when < 0 ? 0u : uint32_t(when)) << name << " " << when;
        }
    }
}

// An uncompressed movie is read only as far as its frame header however long it is, a projector's movie likewise;
// a compressed movie is read whole, because its whole stream is checked.
TEST(ReadSwfInfo, ReadsOnlyWhatItNeeds) {
    Watch watch;
    ASSERT_EQ(ReadSwfInfo(CorpusDir() + "shumway-esc.swf").nWidth, 900);  // 322 KB
    EXPECT_LE(watch.bytesRead, 8u + 4096u);
    watch.bytesRead = 0;
    ASSERT_EQ(ReadSwfInfo(ProjectorDir() + "proj-fws.exe").nWidth, 550);
    EXPECT_LE(watch.bytesRead, 8u + 8u + 4096u);
    watch.bytesRead = 0;
    ASSERT_EQ(ReadSwfInfo(CorpusDir() + "shumway-food.swf").nWidth, 792);
    EXPECT_EQ(watch.bytesRead, ReadAll(CorpusDir() + "shumway-food.swf").size());
}

// What a row of the file list reads, for every sample movie and projector and a missing file: the fields of
// ReadSwfInfo without the creation time, and whether the file itself starts with "CWS" (IsCompressedSwf; a projector
// does not), from one opening of the file and no other question to the file system.
TEST(ReadSwfInfo, TheFileListsReadingOpensTheFileOnce) {
    std::vector<std::string> paths = {CorpusDir() + "no-such-movie.swf"};
    for (const OracleRow& row : LoadTable("oracle.tsv")) paths.push_back(CorpusDir() + row.at("name"));
    for (const OracleRow& row : LoadTable("projectors.tsv")) paths.push_back(ProjectorDir() + row.at("name"));
    Watch watch;
    for (const std::string& path : paths) {
        SwfFileInfo want = ReadSwfInfo(path);
        int wantCompressed = IsCompressedSwf(path);
        watch.opens = watch.finds = 0;
        int compressed = -1;
        SwfFileInfo got = ReadSwfRowInfo(path, &compressed);
        EXPECT_EQ(Show(got), Show(want)) << path;
        EXPECT_EQ(got.tCreated, 0u) << path;
        EXPECT_EQ(compressed, wantCompressed) << path;
        EXPECT_EQ(watch.opens, 1u) << path;
        EXPECT_EQ(watch.finds, 0u) << path;
    }
}

TEST(SwfInfoText, BitStringsVerdictAndTexts) {
    for (unsigned b = 0; b < 256; ++b) {
        std::string bits = ByteToBitString(static_cast<unsigned char>(b));
        ASSERT_EQ(bits.size(), 8u);
        EXPECT_EQ(BitStringValue(bits, 0, 8), b);
        EXPECT_EQ(BitStringValue(bits, 0, 5), b >> 3);  // the Nbits field of a rectangle's first byte
    }
    EXPECT_EQ(ByteToBitString(5), "00000101");
    EXPECT_EQ(BitStringValue("1011", 1, 4), 3u);
    EXPECT_EQ(BitStringValue("1011", 2, 2), 0u);
    EXPECT_EQ(BitStringValue("1011", 3, 1), 0u);
    EXPECT_EQ(BitStringValue("1011", 2, 99), 3u);  // only the characters that are there
    EXPECT_EQ(BitStringValue(std::string(32, '1'), 0, 32), 0xFFFFFFFFu);

    for (int v = -1; v <= 256; ++v) EXPECT_EQ(IsValidSwfVersion(v), v >= 1) << v;
    std::string texts;
    for (int v : {1, 5, 6, 7, 8, 21}) texts += SwfVersionText({v, 0, 0, 0, 0, 0, 0}) + ";";
    for (uint32_t n : {0u, 1023u, 1024u, 2048u, 0x80000000u, 0xFFFFFFFFu})
        texts += SwfLengthText({0, n, 0, 0, 0, 0, 0}) + ";";
    texts += SwfFrameSizeText({0, 0, 550, 400, 0, 0, 0});
    EXPECT_EQ(texts,
              "Flash 1;Flash 5;Flash MX;Flash MX;Flash 8;Flash 21;1 K;1 K;2 K;3 K;2097153 K;4194304 K;550 X 400");

    {
        TimeZone zone("CST-8");  // eight hours ahead of UTC, no daylight saving
        EXPECT_EQ(SwfCreatedText({0, 0, 0, 0, 0, 0, 1078790703}), "3/9/2004 8:5:3");  // 2004-03-09 00:05:03 UTC
        EXPECT_EQ(SwfCreatedText({0, 0, 0, 0, 0, 0, 1293811199}), "12/31/2010 23:59:59");
    }
    TimeZone zone("UTC0");
    EXPECT_EQ(SwfCreatedText({0, 0, 0, 0, 0, 0, 0xFFFFFFFFu}), "2/7/2106 6:28:15");  // beyond 2038
}

// What is odd about a movie's container, one crafted movie per finding and a sound one; of the sample movies only
// those named here are odd, and the compressed ones below version 6.
TEST(CheckMovie, NamesWhatIsOdd) {
    ScratchDir dir;
    const Bytes sound = kBody, unended = Slice(kBody, 0, kBody.size() - 2);
    auto fws = [&](const Bytes& body, uint32_t extra = 0) {
        return MakeMovie("FWS", 8, uint32_t(body.size() + 8 + extra), body);
    };
    Bytes cut = MakeMovie("CWS", 8, uint32_t(sound.size() + 8), Deflate(sound)), zws10 = LzmaMovie(fws(sound));
    cut.resize(cut.size() - 4);
    zws10[3] = 10;
    const std::pair<const char*, Bytes> movies[] = {
        {"", fws(sound)},
        {"compressedBelow6", MakeMovie("CWS", 5, uint32_t(sound.size() + 8), Deflate(sound))},
        {"lzmaBelow13", zws10},
        {"lengthMismatch", fws(sound, 100)},
        {"bytesAfterStream", Cat(MakeMovie("CWS", 8, uint32_t(sound.size() + 8), Deflate(sound)), {1, 2, 3})},
        {"brokenStream", cut},
        {"noEndTag", fws(unended)},
        {"bytesAfterEndTag", fws(Cat(sound, {0, 0, 0}))},
        {"notAMovie", {'t', 'e', 'x', 't'}},
    };
    auto first = [](const std::string& path) {
        MovieCheck c = CheckMovie(path);
        EXPECT_TRUE(c.read.Ok()) << path;
        return c.findings.empty() ? std::string() : std::string(MovieFindingCode(c.findings[0].finding));
    };
    for (const auto& [code, bytes] : movies) {
        WriteAll(dir / "m.swf", bytes);
        EXPECT_EQ(first(dir / "m.swf"), code);
    }
    const std::map<std::string, std::string> odd = {
        {"shumway-LoadService.swf", "noEndTag"},       {"shumway-esc.swf", "noEndTag"},
        {"shumway-fuzz-4935e4aed5e6.swf", "noEndTag"}, {"shumway-fuzz-731834416119.swf", "noEndTag"},
        {"shumway-fuzz-e152812e2cfc.swf", "noEndTag"}, {"shumway-gradientTransform.swf", "bytesAfterStream"},
        {"shumway-invalid.swf", "notAMovie"},          {"shumway-melonRTMP.swf", "noEndTag"},
    };
    for (const OracleRow& row : LoadTable("oracle.tsv")) {
        const std::string& name = row.at("name");
        auto known = odd.find(name);
        const bool below6 = row.at("signature") == "CWS" && Num(row, "version") < 6;
        EXPECT_EQ(first(CorpusDir() + name), below6               ? "compressedBelow6"
                                             : known == odd.end() ? ""
                                                                  : known->second)
            << name;
    }
}
