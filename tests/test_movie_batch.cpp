// One movie's file work in a batch: work-file names, the optimizing step on the sample movies (with and without
// protection), and the backup and safe replace of the source, with every way it can fail leaving the movie whole.
#include "movie_batch.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "busy_hook.h"
#include "file_helpers.h"
#include "swf_container.h"
#include "swf_inspect.h"
#include "swf_protect.h"
#include "test_support.h"

using namespace sqztest;

namespace {

const char kSep = sqz::kPathSep;

// The uncompressed sample movies with a valid version: the ones Test and Optimize work on.
std::vector<std::string> ValidUncompressedSamples() {
    std::vector<std::string> names;
    for (const OracleRow& row : LoadTable("oracle.tsv"))
        if (row.at("signature") == "FWS" && Num(row, "version") >= 1 && Num(row, "version") <= 7)
            names.push_back(row.at("name"));
    return names;
}

bool Exists(const std::string& path) { return sqz::PlatformFiles().Find(path, nullptr); }

// Number of tag records with code 24 before the End tag of an uncompressed movie body (after the 8-byte header).
int ProtectTags(const Bytes& body) {
    size_t p = SwfRectLength(body[0]) + 4;
    int count = 0;
    while (p + 2 <= body.size()) {
        unsigned word = body[p] | (body[p + 1] << 8);
        size_t length = word & 0x3F;
        p += 2;
        if (length == 0x3F) {
            length = ReadLE32(body.data() + p);
            p += 4;
        }
        if ((word >> 6) == kTagProtect) ++count;
        if ((word >> 6) == kTagEnd) break;
        p += length;
    }
    return count;
}

const Bytes kFrame = FrameHeader(15, 0, 11000, 0, 8000, 0x0C00, 1);

Bytes Fws(const Bytes& body, unsigned char version = 6) {
    return MakeMovie("FWS", version, uint32_t(body.size() + 8), body);
}

// A movie in `dir` and its compressed form from OptimizeMovie, ready for ReplaceMovie.
struct Prepared {
    std::string source;
    std::string output;
    Bytes original;
    Bytes compressed;
};

Prepared Prepare(const ScratchDir& dir, const std::string& sample = "shumway-morph2.swf") {
    Prepared p;
    p.source = dir / "movie.swf";
    p.original = ReadAll(CorpusDir() + sample);
    WriteAll(p.source, p.original);
    sqz::PlatformFiles().CreateFolder(dir / "work");
    MovieWorkFiles work = GetMovieWorkFiles(dir / "work" + kSep, p.source);
    MovieOptimizeResult r = OptimizeMovie(p.source, work, 0);
    EXPECT_NE(r.bOk, 0);
    p.output = work.strOutput;
    p.compressed = ReadAll(p.output);
    return p;
}

// Services whose writes fail once `budget` bytes have gone through them, as on a disk that fills up, which can
// run a hook before a file is created or opened for reading, and which can change a byte of
// what is written to a file, as a failing drive or a driver that lies would.
class Services : public FileServicesProxy {
public:
    std::unique_ptr<sqz::WriteFile> OpenWrite(const std::string& path, sqz::CreateMode mode) override {
        if (beforeCreate) beforeCreate(path);
        struct Limited : sqz::WriteFile {
            std::unique_ptr<sqz::WriteFile> real;
            size_t* left = nullptr;
            bool damage = false;
            bool Write(const void* data, size_t count) override {
                if (count > *left) return false;
                *left -= count;
                if (!damage || count < 20) return real->Write(data, count);
                Bytes changed(static_cast<const unsigned char*>(data), static_cast<const unsigned char*>(data) + count);
                changed[count / 2] ^= 0x10;
                damage = false;
                return real->Write(changed.data(), count);
            }
            bool Seek(uint64_t offset) override { return real->Seek(offset); }
            bool Sync() override { return real->Sync(); }
            bool Close() override { return real->Close(); }
        };
        auto limited = std::make_unique<Limited>();
        limited->real = FileServicesProxy::OpenWrite(path, mode);
        limited->left = &budget;
        limited->damage = damageWrite && damageWrite(path);
        return limited->real ? std::move(limited) : nullptr;
    }
    std::unique_ptr<sqz::ReadFile> OpenRead(const std::string& path) override {
        if (beforeRead) beforeRead(path);
        return FileServicesProxy::OpenRead(path);
    }
    size_t budget = SIZE_MAX;
    std::function<void(const std::string&)> beforeCreate, beforeRead;
    std::function<bool(const std::string&)> damageWrite;
};

// The scratch folder holds exactly these names (no work file was left behind).
void ExpectNames(const ScratchDir& dir, std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    EXPECT_EQ(dir.Names(), names);
}

}  // namespace

TEST(MovieBatchNames, WorkFilesAndBackup) {
    std::string work = std::string("T") + kSep;
    std::string source = std::string("D:") + kSep + "m" + kSep + "intro.swf";
    MovieWorkFiles w = GetMovieWorkFiles(work, source);
    EXPECT_EQ(w.strOutput, work + "intro_Comp.swf");
    EXPECT_EQ(w.strProtected, work + "ProtectTemp.swf");
    EXPECT_EQ(w.strProtectWork1, work + "SwfTemp1.swf");
    EXPECT_EQ(w.strProtectWork2, work + "SwfTemp2.swf");
    EXPECT_EQ(GetBackupPath(source), std::string("D:") + kSep + "m" + kSep + "intro_bak.swf");
    // Four characters go whatever they are, as with GetFileStem.
    EXPECT_EQ(GetMovieWorkFiles(work, std::string("m") + kSep + "clip.SWF").strOutput, work + "clip_Comp.swf");
    EXPECT_EQ(GetBackupPath(std::string("m") + kSep + "clip.SWF"), std::string("m") + kSep + "clip_bak.swf");
    // A source named without a folder still gives its stem.
    EXPECT_EQ(GetMovieWorkFiles(work, "intro.swf").strOutput, work + "intro_Comp.swf");

    // A walk through folders takes movies in any letter case, never the backups beside them, nor other files.
    EXPECT_TRUE(IsFolderMovieName(source));
    EXPECT_TRUE(IsFolderMovieName("CLIP.Swf"));
    EXPECT_FALSE(IsFolderMovieName(GetBackupPath(source)));
    EXPECT_FALSE(IsFolderMovieName("CLIP_BAK.SWF"));
    EXPECT_FALSE(IsFolderMovieName("intro.swf.txt"));
    EXPECT_FALSE(IsFolderMovieName("swf"));
    EXPECT_TRUE(HasMovieExtension("intro_bak.swf"));
}

TEST(MovieBatchNames, SavingRatio) {
    EXPECT_EQ(SavingRatio(1000, 630), 37);
    EXPECT_EQ(SavingRatio(1000, 1100), -10);
    EXPECT_EQ(SavingRatio(1000, 1000), 0);
    // Truncation toward zero on both sides: 33.3 and -33.3, -0.5.
    EXPECT_EQ(SavingRatio(3, 2), 33);
    EXPECT_EQ(SavingRatio(3, 4), -33);
    EXPECT_EQ(SavingRatio(1000, 1005), 0);
    // 32-bit sizes whose difference times 100 overflows 32 bits.
    EXPECT_EQ(SavingRatio(4000000000u, 1000000000u), 75);
    EXPECT_EQ(SavingRatio(4294967295u, 0), 100);
    EXPECT_EQ(SavingRatio(2000000000u, 4000000000u), -100);
    // Nothing measured: nothing saved, and no division by zero.
    EXPECT_EQ(SavingRatio(0, 0), 0);
    EXPECT_EQ(SavingRatio(0, 500), 0);
    // Beyond int: clamped.
    EXPECT_EQ(SavingRatio(1, 4294967295u), INT_MIN);
}

// Every valid uncompressed sample: a compressed movie in the work folder that inflates back to the source's
// body, both sizes as on disk, the ratio from them, and the source untouched.
TEST(OptimizeMovie, EverySampleMovie) {
    ScratchDir work;
    std::vector<std::string> names = ValidUncompressedSamples();
    ASSERT_GE(names.size(), 30u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string source = CorpusDir() + name;
        const Bytes original = ReadAll(source);
        MovieWorkFiles files = GetMovieWorkFiles(work.path(), source);
        MovieOptimizeResult r = OptimizeMovie(source, files, 0);
        ASSERT_NE(r.bOk, 0) << DescribeMovieFailure(r.failure);
        EXPECT_EQ(r.failure.step, MovieStep::kNone);
        EXPECT_EQ(r.bProtected, 0);
        Bytes out = ReadAll(files.strOutput);
        ASSERT_GE(out.size(), 8u);
        EXPECT_EQ(Slice(out, 0, 4), CompressedHead(original[3]));
        EXPECT_EQ(ReadLE32(out.data() + 4), original.size());
        EXPECT_EQ(InflateBody(out), Slice(original, 8, original.size()));
        EXPECT_EQ(r.nBefore, original.size());
        EXPECT_EQ(r.nAfter, out.size());
        EXPECT_EQ(r.nRatio, SavingRatio(r.nBefore, r.nAfter));
        EXPECT_EQ(ReadAll(source), original);
    }
}

TEST(OptimizeMovie, Protection) {
    ScratchDir dir;
    const std::string source = CorpusDir() + "shumway-morph2.swf";
    const Bytes original = ReadAll(source);
    ASSERT_EQ(IsSwfProtected(source), 0);
    MovieWorkFiles work = GetMovieWorkFiles(dir.path(), source);

    // Unprotected: the protected copy (two bytes longer) is what gets compressed and measured.
    MovieOptimizeResult r = OptimizeMovie(source, work, 1);
    ASSERT_NE(r.bOk, 0);
    EXPECT_EQ(r.bProtected, 1);
    EXPECT_EQ(r.nBefore, original.size() + 2);
    EXPECT_NE(IsSwfProtected(work.strOutput), 0);
    // The tag is inserted after the frame header, the rest follows unchanged.
    Bytes body = InflateBody(ReadAll(work.strOutput));
    const size_t frame = SwfRectLength(original[8]) + 4;
    EXPECT_EQ(body, Cat(Cat(Slice(original, 8, frame), {0x00, 0x06}), Slice(original, 8 + frame, SIZE_MAX)));
    EXPECT_EQ(ProtectTags(body), 1);
    EXPECT_EQ(ReadAll(source), original);

    // Already protected: compressed as it is, without a second tag.
    const std::string guarded = dir / "guarded.swf";
    Bytes guardedMovie = Fws(Cat(Cat(Cat(kFrame, Tag(9, {1, 2, 3})), Tag(kTagProtect)), Tag(kTagEnd)));
    WriteAll(guarded, guardedMovie);
    MovieWorkFiles work2 = GetMovieWorkFiles(dir.path(), guarded);
    r = OptimizeMovie(guarded, work2, 1);
    ASSERT_NE(r.bOk, 0);
    EXPECT_EQ(r.bProtected, 0);
    EXPECT_EQ(r.nBefore, guardedMovie.size());
    EXPECT_EQ(ProtectTags(InflateBody(ReadAll(work2.strOutput))), 1);

    // A movie that cannot be protected (its length field does not cover the frame header) is compressed as it is.
    const std::string shortField = dir / "short.swf";
    Bytes odd = MakeMovie("FWS", 6, 12, Cat(kFrame, Tag(kTagEnd)));
    WriteAll(shortField, odd);
    MovieWorkFiles work3 = GetMovieWorkFiles(dir.path(), shortField);
    r = OptimizeMovie(shortField, work3, 1);
    ASSERT_NE(r.bOk, 0);
    EXPECT_EQ(r.bProtected, 0);
    EXPECT_EQ(r.nBefore, odd.size());
    EXPECT_EQ(InflateBody(ReadAll(work3.strOutput)), Slice(odd, 8, SIZE_MAX));
}

TEST(OptimizeMovie, FailuresSayWhy) {
    ScratchDir dir;
    MovieOptimizeResult r;
    // A projector is not an uncompressed movie.
    const std::string projector = CorpusDir() + "projectors" + kSep + "proj-fws.exe";
    r = OptimizeMovie(projector, GetMovieWorkFiles(dir.path(), projector), 0);
    EXPECT_EQ(r.bOk, 0);
    EXPECT_EQ(r.failure.step, MovieStep::kCompress);
    EXPECT_NE(r.failure.strWhat.find("is not an uncompressed movie"), std::string::npos) << r.failure.strWhat;
    // Neither is a compressed one.
    const std::string cws = CorpusDir() + "swfdec-Error-7.swf";
    r = OptimizeMovie(cws, GetMovieWorkFiles(dir.path(), cws), 1);
    EXPECT_EQ(r.bOk, 0);
    EXPECT_NE(r.failure.strWhat.find("is already compressed"), std::string::npos) << r.failure.strWhat;
    // A missing file, with the system's reason.
    r = OptimizeMovie(dir / "gone.swf", GetMovieWorkFiles(dir.path(), dir / "gone.swf"), 0);
    EXPECT_EQ(r.bOk, 0);
    EXPECT_NE(r.failure.strWhat.find("cannot read"), std::string::npos);
    EXPECT_NE(r.failure.nSystemError, 0);
    EXPECT_NE(DescribeMovieFailure(r.failure).find("compress: cannot read"), std::string::npos);
    // A work folder that does not exist: the output cannot be written.
    const std::string source = CorpusDir() + "shumway-morph2.swf";
    r = OptimizeMovie(source, GetMovieWorkFiles(dir / "missing" + kSep, source), 0);
    EXPECT_EQ(r.bOk, 0);
    EXPECT_NE(r.failure.strWhat.find("cannot compress"), std::string::npos) << r.failure.strWhat;
    ExpectNames(dir, {});
}

// Two movies of one name in two folders, each with work files of its own, on threads of their own: each gets the
// sizes of its own compression.
TEST(OptimizeMovie, SeveralThreadsWithWorkFoldersOfTheirOwn) {
    ScratchDir dir;
    std::vector<std::string> names = ValidUncompressedSamples();
    names.resize(8);
    std::vector<std::string> sources;
    for (size_t i = 0; i < names.size(); ++i) {
        std::string folder = dir / ("in" + std::to_string(i)) + kSep;
        sqz::PlatformFiles().CreateFolder(folder);
        sources.push_back(folder + "same.swf");
        WriteAll(sources.back(), ReadAll(CorpusDir() + names[i]));
        sqz::PlatformFiles().CreateFolder(dir / ("work" + std::to_string(i)));
    }
    std::vector<MovieOptimizeResult> results(sources.size());
    std::vector<std::thread> threads;
    for (size_t t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (size_t i = t; i < sources.size(); i += 4)
                results[i] = OptimizeMovie(sources[i],
                                           GetMovieWorkFiles(dir / ("work" + std::to_string(i)) + kSep, sources[i]), 1);
        });
    for (std::thread& t : threads) t.join();
    ScratchDir alone;
    for (size_t i = 0; i < sources.size(); ++i) {
        SCOPED_TRACE(names[i]);
        MovieOptimizeResult single = OptimizeMovie(sources[i], GetMovieWorkFiles(alone.path(), sources[i]), 1);
        ASSERT_NE(results[i].bOk, 0);
        EXPECT_EQ(results[i].nBefore, single.nBefore);
        EXPECT_EQ(results[i].nAfter, single.nAfter);
        EXPECT_EQ(results[i].bProtected, single.bProtected);
        EXPECT_EQ(ReadAll(dir / ("work" + std::to_string(i)) + kSep + "same_Comp.swf"),
                  ReadAll(alone.path() + "same_Comp.swf"));
    }
}

// The one rule of Test and Optimize for a movie, with the file list's verdict and with the tool's own reading:
// compressed movies, then bad ones, are passed over; a movie that cannot be read fails before any work; the others
// are compressed into the work folder and, for Optimize, put in place of the source after a backup.
TEST(ProcessMovie, OneRuleForTheListAndTheTool) {
    ScratchDir dir;
    const std::string work = dir / "work" + kSep, movie = dir / "movie.swf", gone = dir / "gone.swf";
    const std::string cws = CorpusDir() + "swfdec-Error-7.swf", bad = CorpusDir() + "shumway-invalid.swf";
    const std::string projector = CorpusDir() + "projectors" + kSep + "proj-fws.exe";
    sqz::PlatformFiles().CreateFolder(work);
    const Bytes original = ReadAll(CorpusDir() + "shumway-morph2.swf");
    WriteAll(movie, original);
    auto run = [&](const std::string& path, MovieVerdict verdict, bool optimize = false) {
        return ProcessMovie(path, {optimize, 1, 0, verdict, work});
    };
    for (MovieVerdict verdict : {MovieVerdict::kRead, MovieVerdict::kValid, MovieVerdict::kBad}) {
        MovieBatchResult r = run(cws, verdict);
        EXPECT_EQ(r.outcome, MovieOutcome::kSkipped);
        EXPECT_EQ(r.failure.strWhat, "already compressed");
    }
    // A row marked bad is passed over even when its file is gone; otherwise a missing movie fails in the read step.
    EXPECT_EQ(run(gone, MovieVerdict::kBad).failure.strWhat, "Bad Flash File");
    for (MovieVerdict verdict : {MovieVerdict::kRead, MovieVerdict::kValid}) {
        MovieBatchResult r = run(gone, verdict);
        EXPECT_EQ(r.outcome, MovieOutcome::kFailed);
        EXPECT_EQ(DescribeMovieFailure(r.failure).rfind("read: cannot read " + gone + ": ", 0), 0u)
            << DescribeMovieFailure(r.failure);
    }
    // Read by the step itself a bad movie is passed over; taken for valid, a projector fails to compress.
    EXPECT_EQ(run(bad, MovieVerdict::kRead).outcome, MovieOutcome::kSkipped);
    EXPECT_EQ(run(projector, MovieVerdict::kValid).failure.step, MovieStep::kCompress);

    MovieBatchResult tested = run(movie, MovieVerdict::kRead);
    EXPECT_EQ(tested.outcome, MovieOutcome::kDone);
    EXPECT_EQ(tested.nOriginal, original.size());
    EXPECT_EQ(ReadAll(movie), original);
    EXPECT_EQ(ReadAll(work + "movie_Comp.swf").size(), tested.movie.nAfter);
    EXPECT_EQ(run(movie, MovieVerdict::kValid, true).outcome, MovieOutcome::kDone);
    EXPECT_EQ(ReadAll(movie), ReadAll(work + "movie_Comp.swf"));
    EXPECT_EQ(ReadAll(GetBackupPath(movie)), original);
}

// Below version 6 the player reads strings in the system's code page and runs scripts by older rules: a movie is
// raised to version 6 only when nothing in it depends on the version. Every uncompressed sample below 6 is either
// raised (compressed exactly, version 6) or kept with its reason; a script-free sample given, in each place the
// player decodes by the version, a GBK string is kept, and its ASCII twin raised; scripts anywhere keep it; tags that
// cannot be walked keep it too.
TEST(ProcessMovie, MoviesBelowSixKeepWhatTheyDo) {
    ScratchDir dir;
    const std::string work = dir / "work" + kSep;
    sqz::PlatformFiles().CreateFolder(work);
    auto test = [&](const std::string& path) { return ProcessMovie(path, {false, 0, 0, MovieVerdict::kRead, work}); };
    auto expectRaised = [&](const std::string& path, const Bytes& original) {
        MovieBatchResult r = test(path);
        ASSERT_EQ(r.outcome, MovieOutcome::kDone) << r.failure.strWhat;
        Bytes out = ReadAll(GetMovieWorkFiles(work, path).strOutput);
        EXPECT_EQ(Slice(out, 0, 4), (Bytes{'C', 'W', 'S', 6}));
        EXPECT_EQ(InflateBody(out), Slice(original, 8, SIZE_MAX));
    };
    size_t raised = 0;
    for (const OracleRow& row : LoadTable("oracle.tsv")) {
        if (row.at("signature") != "FWS" || Num(row, "version") >= 6) continue;
        const std::string name = row.at("name"), path = CorpusDir() + name;
        SCOPED_TRACE(name);
        auto kept = CorpusMoviesKeptBelowSix().find(name);
        if (kept == CorpusMoviesKeptBelowSix().end()) {
            expectRaised(path, ReadAll(path));
            ++raised;
            continue;
        }
        MovieBatchResult r = test(path);
        EXPECT_EQ(r.outcome, MovieOutcome::kSkipped);
        EXPECT_EQ(MovieSkipCode(r.failure.reason), kept->second);
        EXPECT_EQ(r.failure.strWhat, "version " + row.at("version") + " kept: it has scripts");
    }
    EXPECT_EQ(raised, 2u);

    // The script-free sample, with one more tag before its End tag.
    const Bytes base = ReadAll(CorpusDir() + "swfdec-clip-change-backward-5.swf");
    auto with = [&](const Bytes& tags) {
        Bytes body = Cat(Slice(base, 8, base.size() - 10), tags);
        body = Cat(body, Tag(kTagEnd));
        return MakeMovie("FWS", 5, uint32_t(body.size() + 8), body);
    };
    auto str = [](const Bytes& text) { return Cat(text, {0}); };
    const Bytes gbk = {0xD3, 0xB0, 0xC6, 0xAC}, ascii = {'c', 'l', 'i', 'p'};  // "影片" in GBK
    // The tags that carry a string the player decodes by the version, built around it.
    const std::vector<std::pair<const char*, std::function<Bytes(const Bytes&)>>> places = {
        {"text field variable",
         [&](const Bytes& t) {
             return Tag(37, Cat(Bytes{1, 0, 0, 0x00, 0x00}, str(t)));
         }},
        {"text field text",
         [&](const Bytes& t) {
             return Tag(37, Cat(Cat(Bytes{1, 0, 0, 0x80, 0x00}, str(ascii)), str(t)));
         }},
        {"frame label", [&](const Bytes& t) { return Tag(43, str(t)); }},
        {"instance name",
         [&](const Bytes& t) {
             return Tag(26, Cat(Bytes{0x22, 1, 0, 1, 0}, str(t)));
         }},
        {"export name",
         [&](const Bytes& t) {
             return Tag(56, Cat(Bytes{1, 0, 1, 0}, str(t)));
         }},
        {"import name",
         [&](const Bytes& t) {
             return Tag(57, Cat(Cat(str(ascii), Bytes{1, 0, 1, 0}), str(t)));
         }},
        {"import address",
         [&](const Bytes& t) {
             return Tag(57, Cat(str(t), Bytes{0, 0}));
         }},
        {"font name",
         [&](const Bytes& t) {
             return Tag(48, Cat(Cat(Bytes{1, 0, 0, 0, uint8_t(t.size())}, t), {0, 0}));
         }},
        {"font info name",
         [&](const Bytes& t) {
             return Tag(13, Cat(Cat(Bytes{1, 0, uint8_t(t.size())}, t), {0}));
         }},
        {"label in a sprite",
         [&](const Bytes& t) {
             return Tag(39, Cat(Cat(Bytes{2, 0, 1, 0}, Tag(43, str(t))), Tag(0)));
         }},
    };
    for (const auto& [place, tag] : places) {
        SCOPED_TRACE(place);
        WriteAll(dir / "gbk.swf", with(tag(gbk)));
        MovieBatchResult r = test(dir / "gbk.swf");
        EXPECT_EQ(r.outcome, MovieOutcome::kSkipped);
        EXPECT_EQ(r.failure.strWhat, "version 5 kept: its text would read differently as version 6");
        EXPECT_EQ(MovieSkipCode(r.failure.reason), std::string("text"));
        const Bytes twin = with(tag(ascii));
        WriteAll(dir / "ascii.swf", twin);
        expectRaised(dir / "ascii.swf", twin);
    }
    // Scripts wherever they are; an action list that holds only its end is none.
    const Bytes stop = {0x07, 0x00};
    const std::vector<std::pair<const char*, Bytes>> scripts = {
        {"frame actions", Tag(12, stop)},
        {"init actions", Tag(59, Cat(Bytes{2, 0}, stop))},
        {"button actions", Tag(7, Cat(Bytes{1, 0, 0x08, 1, 0, 1, 0, 0x00, 0x00}, stop))},
        {"button conditions", Tag(34, Bytes{1, 0, 0, 5, 0, 0x08, 1, 0, 1, 0, 0x00, 0x00, 0, 0, 0x07, 0})},
        {"clip actions", Tag(26, Bytes{0x82, 1, 0, 1, 0, 0, 0, 1, 0, 1, 0, 3, 0, 0, 0, 0x07, 0, 0, 0})},
        {"actions in a sprite", Tag(39, Cat(Cat(Bytes{2, 0, 1, 0}, Tag(12, stop)), Tag(0)))},
    };
    for (const auto& [where, tag] : scripts) {
        SCOPED_TRACE(where);
        WriteAll(dir / "script.swf", with(tag));
        EXPECT_EQ(test(dir / "script.swf").failure.strWhat, "version 5 kept: it has scripts");
    }
    const Bytes empty = with(Tag(12, {0x00}));
    WriteAll(dir / "empty.swf", empty);
    expectRaised(dir / "empty.swf", empty);
    // Tags that cannot be walked to their end: a name without its end, a tag longer than the movie.
    Bytes unended = with(Tag(43, ascii)), cut = Cat(Slice(base, 0, base.size() - 2), {0xFF, 0x00});
    WriteLE32(cut.data() + 4, uint32_t(cut.size()));
    for (const Bytes& movie : {unended, cut}) {
        WriteAll(dir / "odd.swf", movie);
        EXPECT_EQ(test(dir / "odd.swf").failure.strWhat, "version 5 kept: its tags cannot be read to the end");
    }
}

// What replaces a movie or its backup is read back first, and only a movie that is still as it was read is
// replaced: a byte changed on its way to the disk fails the step "verify"; a movie another program rewrites after
// it was compressed fails with "the movie changed while it was being optimized" (while a refused replace waits: the
// test with a real handle under Windows). Each time the movie and an older backup keep their bytes (the movie the
// other program's) and nothing is left beside them.
TEST(ProcessMovie, NothingUnverifiedOrChangedIsPutInPlace) {
    const Bytes original = ReadAll(CorpusDir() + "shumway-morph2.swf"), old = {'o', 'l', 'd'};
    Bytes theirs = original;
    theirs[original.size() - 3] ^= 0xFF;  // another program's save, of the same size
    struct Case {
        const char* what;
        bool optimize;
        std::function<void(Services&, const std::string& movie, const std::string& work)> meddle;
        MovieStep step;
        const char* reason;
    };
    auto isWork = [](const std::string& path) { return GetFileNamePart(path).compare(0, 4, "~sqz") == 0; };
    const std::vector<Case> cases = {
        {"the compressed movie damaged", true,
         [&](Services& s, const std::string& movie, const std::string&) {
             s.damageWrite = [&, movie](const std::string& p) {
                 return isWork(p) && GetFolderPart(p) == GetFolderPart(movie);
             };
         },
         MovieStep::kVerify, "does not read back as the movie it must be"},
        {"the backup damaged", true,
         [&](Services& s, const std::string& movie, const std::string&) {
             int n = 0;
             s.damageWrite = [&, movie, n](const std::string& p) mutable { return isWork(p) && ++n == 2; };
         },
         MovieStep::kVerify, "does not read back as the movie it must be"},
        {"the test output damaged", false,
         [&](Services& s, const std::string&, const std::string& work) {
             s.damageWrite = [&, work](const std::string& p) { return GetFolderPart(p) == work; };
         },
         MovieStep::kVerify, "does not read back as the movie it must be"},
        {"rewritten after the compression", true,
         [&](Services& s, const std::string& movie, const std::string&) {
             s.beforeRead = [&, movie](const std::string& p) {
                 if (isWork(p)) WriteAll(movie, theirs);
             };
         },
         MovieStep::kBackup, "the movie changed while it was being optimized"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        const std::string work = dir / "work" + kSep, movie = dir / "movie.swf";
        sqz::PlatformFiles().CreateFolder(work);
        WriteAll(movie, original);
        WriteAll(dir / "movie_bak.swf", old);
        MovieBatchResult r;
        {
            Services services;
            c.meddle(services, movie, work);
            r = ProcessMovie(movie, {c.optimize, 1, 0, MovieVerdict::kRead, work});
        }
        EXPECT_EQ(r.outcome, MovieOutcome::kFailed);
        EXPECT_EQ(r.failure.step, c.step) << DescribeMovieFailure(r.failure);
        EXPECT_NE(r.failure.strWhat.find(c.reason), std::string::npos) << r.failure.strWhat;
        const bool rewritten = r.failure.reason == SwfReason::kChanged;
        EXPECT_EQ(ReadAll(movie), rewritten ? theirs : original);
        EXPECT_EQ(ReadAll(dir / "movie_bak.swf"), old);
        ExpectNames(dir, {"movie.swf", "movie_bak.swf", "work"});
        EXPECT_FALSE(Exists(GetMovieWorkFiles(work, movie).strOutput));
    }
}

// A large movie's work goes in blocks, with the busy hook called between them (a program doing the work on its
// window's thread keeps the window answering through it): compressing and reading it back at least once per 256 KB.
TEST(ProcessMovie, ALargeMovieCallsTheBusyHookBetweenItsBlocks) {
    ScratchDir dir;
    const std::string work = dir / "work" + kSep, movie = dir / "movie.swf";
    sqz::PlatformFiles().CreateFolder(work);
    // An empty frame rectangle, then an end tag and zeros: 2 MB of a movie that protection can take.
    const Bytes body(2 * 1024 * 1024, 0);
    const Bytes original = MakeMovie("FWS", 8, static_cast<uint32_t>(body.size() + 8), body);
    WriteAll(movie, original);
    static int calls = 0;
    calls = 0;
    EXPECT_EQ(sqz::SetBusyHook([] { ++calls; }), nullptr);
    MovieBatchResult r = ProcessMovie(movie, {true, 1, 1, MovieVerdict::kValid, work});
    sqz::SetBusyHook(nullptr);
    ASSERT_EQ(r.outcome, MovieOutcome::kDone) << DescribeMovieFailure(r.failure);
    EXPECT_EQ(r.movie.bProtected, 1);
    const int blocks = static_cast<int>(original.size() / (256 * 1024));
    EXPECT_GE(calls, 2 * blocks);
    EXPECT_EQ(ReadAll(GetBackupPath(movie)), original);
    EXPECT_EQ(ReadAll(movie)[3], 8);

    calls = 0;
    WriteAll(movie, original);
    ASSERT_EQ(ProcessMovie(movie, {true, 0, 1, MovieVerdict::kValid, work}).outcome, MovieOutcome::kDone);
    EXPECT_EQ(calls, 0) << "no hook, no calls";
}

TEST(ReplaceMovie, BackupThenReplace) {
    ScratchDir dir;
    Prepared p = Prepare(dir);
    MovieFailure f = ReplaceMovie(p.source, p.output, 1);
    EXPECT_EQ(f.step, MovieStep::kNone) << DescribeMovieFailure(f);
    EXPECT_EQ(ReadAll(p.source), p.compressed);
    EXPECT_EQ(ReadAll(dir / "movie_bak.swf"), p.original);
    ExpectNames(dir, {"movie.swf", "movie_bak.swf", "work"});

    // Optimizing it again is refused: it is compressed now, and its backup keeps the uncompressed movie.
    f = ReplaceMovie(p.source, p.output, 1);
    EXPECT_EQ(f.step, MovieStep::kBackup);
    EXPECT_NE(f.strWhat.find("already compressed"), std::string::npos);
    EXPECT_EQ(ReadAll(dir / "movie_bak.swf"), p.original);
}

TEST(ReplaceMovie, WithoutBackupAndOverAnOlderBackup) {
    ScratchDir dir;
    Prepared p = Prepare(dir);
    ASSERT_EQ(ReplaceMovie(p.source, p.output, 0).step, MovieStep::kNone);
    EXPECT_EQ(ReadAll(p.source), p.compressed);
    ExpectNames(dir, {"movie.swf", "work"});

    ScratchDir again;
    Prepared q = Prepare(again);
    WriteAll(again / "movie_bak.swf", {'o', 'l', 'd'});
    ASSERT_EQ(ReplaceMovie(q.source, q.output, 1).step, MovieStep::kNone);
    EXPECT_EQ(ReadAll(again / "movie_bak.swf"), q.original);
}

// The replaced movie keeps what the platform records of the file besides its content.
TEST(ReplaceMovie, KeepsTheSourcesAttributes) {
    ScratchDir dir;
    Prepared p = Prepare(dir);
#ifdef _WIN32
    // Made on 9 March 2004 (a moment of its own, so that a new file could not have it by chance).
    HANDLE h = CreateFileA(p.source.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ULARGE_INTEGER t;
    t.QuadPart = (1078819503ull + 11644473600ull) * 10000000ull;
    FILETIME created = {t.LowPart, t.HighPart};
    EXPECT_TRUE(SetFileTime(h, &created, nullptr, nullptr));
    CloseHandle(h);
    ASSERT_TRUE(SetFileAttributesA(p.source.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    sqz::FileEntry before, after;
    ASSERT_TRUE(sqz::PlatformFiles().Find(p.source, &before));
    ASSERT_EQ(ReplaceMovie(p.source, p.output, 0).step, MovieStep::kNone);
    DWORD attributes = GetFileAttributesA(p.source.c_str());
    EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_ARCHIVE, 0u);
    ASSERT_TRUE(sqz::PlatformFiles().Find(p.source, &after));
    EXPECT_EQ(after.tCreated, before.tCreated);
    if (before.tCreated != 1078819503) std::printf("note: this file system keeps no creation time of its own\n");
    SetFileAttributesA(p.source.c_str(), FILE_ATTRIBUTE_NORMAL);
#else
    ASSERT_EQ(chmod(p.source.c_str(), 0640), 0);
    ASSERT_EQ(ReplaceMovie(p.source, p.output, 0).step, MovieStep::kNone);
    struct stat st;
    ASSERT_EQ(stat(p.source.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
#endif
    EXPECT_EQ(ReadAll(p.source), p.compressed);
}

TEST(ReplaceMovie, GoneOrDamagedFilesAreNotTouched) {
    ScratchDir dir;
    Prepared p = Prepare(dir);
    // The compressed movie went missing: nothing is done, not even the backup.
    const std::string elsewhere = dir / "work" + kSep + "other.swf";
    ASSERT_TRUE(sqz::PlatformFiles().Move(p.output, elsewhere));
    MovieFailure f = ReplaceMovie(p.source, p.output, 1);
    EXPECT_EQ(f.step, MovieStep::kReplace);
    EXPECT_EQ(ReadAll(p.source), p.original);
    ExpectNames(dir, {"movie.swf", "work"});
    ASSERT_TRUE(sqz::PlatformFiles().Move(elsewhere, p.output));

    // The source went away: it is not made again, with or without a backup.
    ASSERT_TRUE(sqz::PlatformFiles().Delete(p.source));
    f = ReplaceMovie(p.source, p.output, 1);
    EXPECT_EQ(f.step, MovieStep::kBackup);
    EXPECT_NE(f.strWhat.find("is gone"), std::string::npos);
    f = ReplaceMovie(p.source, p.output, 0);
    EXPECT_EQ(f.step, MovieStep::kReplace);
    ExpectNames(dir, {"work"});
}

// The source disappears while its new content is being written beside it: it is not created again.
TEST(ReplaceMovie, SourceVanishesDuringTheReplace) {
    ScratchDir dir;
    Prepared p = Prepare(dir);
    Services services;
    services.beforeCreate = [&](const std::string& path) {
        if (GetFolderPart(path) == dir.path()) sqz::PlatformFiles().Delete(p.source);
    };
    MovieFailure f = ReplaceMovie(p.source, p.output, 0);
    EXPECT_EQ(f.step, MovieStep::kReplace);
    EXPECT_FALSE(Exists(p.source));
    ExpectNames(dir, {"work"});
}

// A full disk: the backup or the replace fails whole, the source and an older backup keep their bytes, and no work
// file is left beside them.
TEST(ReplaceMovie, FullDisk) {
    for (size_t budget : {size_t(0), size_t(100), size_t(600), size_t(677 + 100)}) {
        SCOPED_TRACE(budget);
        ScratchDir dir;
        Prepared p = Prepare(dir);
        WriteAll(dir / "movie_bak.swf", {'o', 'l', 'd'});
        Services services;
        services.budget = budget;
        MovieFailure f = ReplaceMovie(p.source, p.output, 1);
        ASSERT_NE(f.step, MovieStep::kNone);
        // The backup (677 bytes) fits only in the last budget; the compressed movie then no longer does.
        EXPECT_EQ(f.step, budget >= p.original.size() ? MovieStep::kReplace : MovieStep::kBackup);
        EXPECT_EQ(ReadAll(p.source), p.original);
        const Bytes old = {'o', 'l', 'd'};
        EXPECT_EQ(ReadAll(dir / "movie_bak.swf"), budget >= p.original.size() ? p.original : old);
        ExpectNames(dir, {"movie.swf", "movie_bak.swf", "work"});
    }
}

#ifdef _WIN32
// A read-only source: the backup is made, whole, but the source is not replaced. (Read-only files and folders on
// POSIX systems are tested through the command-line tool, run as another user.)
TEST(ReplaceMovie, ReadOnlySource) {
    ScratchDir dir;
    Prepared p = Prepare(dir);
    ASSERT_TRUE(SetFileAttributesA(p.source.c_str(), FILE_ATTRIBUTE_READONLY));
    MovieFailure f = ReplaceMovie(p.source, p.output, 1);
    SetFileAttributesA(p.source.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(f.step, MovieStep::kReplace) << DescribeMovieFailure(f);
    EXPECT_NE(f.nSystemError, 0);
    EXPECT_EQ(ReadAll(p.source), p.original);
    EXPECT_EQ(ReadAll(dir / "movie_bak.swf"), p.original);  // whole: it was made before the source was touched
    ExpectNames(dir, {"movie.swf", "movie_bak.swf", "work"});
}

// Another program has the movie open without letting it be renamed, and saves it while Optimize waits to replace
// it: once that program lets go, the movie holds the other program's save, never the compressed old content, and
// the row fails saying the movie changed.
TEST(ProcessMovie, AMovieSavedDuringTheRetryIsNotReplaced) {
    ScratchDir dir;
    const std::string movie = dir / "movie.swf", work = dir / "work" + kSep;
    sqz::PlatformFiles().CreateFolder(work);
    const Bytes original = ReadAll(CorpusDir() + "shumway-morph2.swf");
    Bytes theirs = original;
    theirs.back() ^= 0xFF;
    WriteAll(movie, original);
    HANDLE h = CreateFileA(movie.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::thread other([&] {
        Sleep(300);
        DWORD put = 0;
        SetFilePointer(h, 0, nullptr, FILE_BEGIN);
        WriteFile(h, theirs.data(), DWORD(theirs.size()), &put, nullptr);
        FlushFileBuffers(h);
        CloseHandle(h);
    });
    MovieBatchResult r = ProcessMovie(movie, {true, 0, 0, MovieVerdict::kRead, work});
    other.join();
    EXPECT_EQ(r.outcome, MovieOutcome::kFailed);
    EXPECT_EQ(r.failure.step, MovieStep::kReplace) << DescribeMovieFailure(r.failure);
    EXPECT_EQ(r.failure.strWhat, "the movie changed while it was being optimized");
    EXPECT_EQ(ReadAll(movie), theirs);
    ExpectNames(dir, {"movie.swf", "work"});
}

// A movie that a player holds open: shared for reading it can be backed up but not replaced; not shared at all it
// cannot even be read. Once it is closed, the replace goes through.
TEST(ReplaceMovie, SourceInUse) {
    ScratchDir dir;
    Prepared p = Prepare(dir);
    HANDLE h = CreateFileA(p.source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    MovieFailure f = ReplaceMovie(p.source, p.output, 1);
    CloseHandle(h);
    EXPECT_EQ(f.step, MovieStep::kReplace) << DescribeMovieFailure(f);
    EXPECT_EQ(ReadAll(p.source), p.original);
    EXPECT_EQ(ReadAll(dir / "movie_bak.swf"), p.original);
    ExpectNames(dir, {"movie.swf", "movie_bak.swf", "work"});

    h = CreateFileA(p.source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    f = ReplaceMovie(p.source, p.output, 0);
    CloseHandle(h);
    EXPECT_NE(f.step, MovieStep::kNone);
    EXPECT_EQ(ReadAll(p.source), p.original);

    EXPECT_EQ(ReplaceMovie(p.source, p.output, 0).step, MovieStep::kNone);
    EXPECT_EQ(ReadAll(p.source), p.compressed);
}
#endif
