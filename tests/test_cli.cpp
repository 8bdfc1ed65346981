// The command-line tool squozen, run as a program on copies of the sample movies: its results equal the engine's,
// optimized movies inflate back to their sources, skips and failures are reported, and no movie is lost or
// damaged by a read-only folder or file, a full disk, a movie that disappears mid-run, or a run that is stopped.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "file_helpers.h"
#include "movie_batch.h"
#include "program_runner.h"
#include "swf_container.h"
#include "swf_inspect.h"
#include "swf_protect.h"
#include "test_support.h"

using namespace sqztest;

namespace {

const char kSep = sqz::kPathSep;

std::string Program() { return SQZ_CLI_PROGRAM; }

bool Exists(const std::string& path) { return sqz::PlatformFiles().Find(path, nullptr); }

std::string Dir(const ScratchDir& d, const std::string& name) { return d / name + kSep; }

void MakeFolder(const std::string& path) { sqz::PlatformFiles().CreateFolder(path); }

// The temporary folder of the programs the test starts, for as long as it lives.
class TempFolderFor {
public:
    explicit TempFolderFor(const std::string& folder) {
#ifdef _WIN32
        vars_.push_back(std::make_unique<ScopedEnvironment>("TMP", folder));
        vars_.push_back(std::make_unique<ScopedEnvironment>("TEMP", folder));
#else
        vars_.push_back(std::make_unique<ScopedEnvironment>("TMPDIR", folder));
#endif
    }

private:
    std::vector<std::unique_ptr<ScopedEnvironment>> vars_;
};

// A scratch folder with the movies to work on ("in"), the programs' temporary folder ("tmp") and their logs.
struct Workspace {
    ScratchDir root;
    ScratchDir logs;
    std::string in = Dir(root, "in");
    std::string tmp = Dir(root, "tmp");
    std::unique_ptr<TempFolderFor> temp;
    Workspace() {
        MakeFolder(in);
        MakeFolder(tmp);
        temp = std::make_unique<TempFolderFor>(tmp);
    }
    // Runs the tool; `input` (a file), when given, is its standard input.
    ProgramOutcome Run(std::vector<std::string> args, const std::string& input = std::string()) const {
        args.insert(args.begin(), Program());
        return RunProgram(args, logs.path(), input);
    }
    // Nothing of a run is left in the temporary folder.
    void ExpectTempEmpty() const {
        for (const sqz::FileEntry& e : sqz::PlatformFiles().List(tmp))
            if (e.name != "." && e.name != "..") ADD_FAILURE() << "left in the temporary folder: " << e.name;
    }
};

// Copies every sample movie into `folder`; returns how many files that made (on Windows two names that differ
// only in letter case are one file).
size_t CopyCorpus(const std::string& folder) {
    for (const OracleRow& row : LoadTable("oracle.tsv"))
        WriteAll(folder + row.at("name"), ReadAll(CorpusDir() + row.at("name")));
    size_t files = 0;
    for (const sqz::FileEntry& e : sqz::PlatformFiles().List(folder)) files += e.bFolder ? 0 : 1;
    return files;
}

// Every file of a folder tree with its bytes.
std::map<std::string, Bytes> Snapshot(const std::string& folder) {
    std::map<std::string, Bytes> files;
    for (const sqz::FileEntry& e : sqz::PlatformFiles().List(folder)) {
        if (e.name == "." || e.name == "..") continue;
        if (e.bFolder) {
            for (auto& [name, bytes] : Snapshot(folder + e.name + kSep)) files[e.name + kSep + name] = bytes;
        } else {
            files[e.name] = ReadAll(folder + e.name);
        }
    }
    return files;
}

// What the engine makes of a movie in a Test: the status and, when tested, the figures of the file list.
struct Expected {
    std::string status;  // "tested", "skipped"
    std::string reason;  // skipped: why
    uint32_t original = 0, before = 0, after = 0;
    int ratio = 0;
    bool isProtected = false;
    unsigned version = 0;  // the source's, from its properties
};

Expected EngineResult(const std::string& path, bool protect) {
    Expected e;
    if (IsCompressedSwf(path)) return {"skipped", "already compressed"};
    SwfFileInfo info = ReadSwfInfo(path);
    if (!IsValidSwf(info)) return {"skipped", "Bad Flash File"};
    ScratchDir work;
    // Below version 6 the engine's batch step decides whether the movie may be raised.
    if (info.nVersion < 6) {
        MovieBatchResult kept = ProcessMovie(path, {false, 0, protect, MovieVerdict::kRead, work.path()});
        if (kept.outcome == MovieOutcome::kSkipped) return {"skipped", kept.failure.strWhat};
    }
    MovieOptimizeResult r = OptimizeMovie(path, GetMovieWorkFiles(work.path(), path), protect);
    EXPECT_NE(r.bOk, 0) << path;
    e.status = "tested";
    e.original = info.nFileSize;
    e.before = r.nBefore;
    e.after = r.nAfter;
    e.ratio = r.nRatio;
    e.isProtected = r.bProtected != 0;
    e.version = static_cast<unsigned>(info.nVersion);
    return e;
}

// The JSON lines of an output, the totals line apart.
struct JsonOutput {
    std::vector<std::map<std::string, std::string>> files;
    std::map<std::string, std::string> totals;
};

JsonOutput ReadJson(const std::string& out) {
    JsonOutput j;
    for (const std::string& line : Lines(out)) {
        auto fields = ParseJsonObject(line);
        EXPECT_FALSE(fields.empty()) << "not a JSON object: " << line;
        if (fields.count("totals.files"))
            j.totals = fields;
        else
            j.files.push_back(fields);
    }
    return j;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string w;
    for (char c : line + " ") {
        if (c == ' ') {
            if (!w.empty()) words.push_back(w);
            w.clear();
        } else {
            w += c;
        }
    }
    return words;
}

// A valid uncompressed movie of about `size` bytes whose body compresses to about half of it.
Bytes BigMovie(size_t size, uint32_t seed = 1) {
    Bytes data(size);
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        data[i] = static_cast<unsigned char>((seed >> 16) & 0x0F);
    }
    Bytes body = Cat(Cat(FrameHeader(15, 0, 11000, 0, 8000, 0x0C00, 1), Tag(87, data)), Tag(kTagEnd));
    return MakeMovie("FWS", 6, uint32_t(body.size() + 8), body);
}

// A movie after optimize: either untouched, or compressed (its version, raised to 6 when lower, and its old size in
// the length field) and inflating back to the old body.
void ExpectWholeMovie(const Bytes& now, const Bytes& before, const std::string& name) {
    if (now == before) return;
    ASSERT_GE(now.size(), 8u) << name;
    EXPECT_EQ(Slice(now, 0, 4), CompressedHead(before[3])) << name;
    EXPECT_EQ(ReadLE32(now.data() + 4), before.size()) << name;
    EXPECT_EQ(InflateBody(now), Slice(before, 8, SIZE_MAX)) << name << " does not inflate back to its source";
}

}  // namespace

TEST(Cli, UsageHelpAndVersion) {
    Workspace s;
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"compress", "a.swf"},
                                               {"test"},
                                               {"test", "", "a.swf"},
                                               {"test", "--jobs", "0", "a.swf"},
                                               {"info", "--frobnicate", "a"},
                                               {"test", "--no-backup", "a.swf"}}) {
        ProgramOutcome r = s.Run(args);
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.compare(0, 9, "squozen: "), 0) << r.err;
        EXPECT_NE(r.err.find("squozen --help"), std::string::npos);
    }
    ProgramOutcome help = s.Run({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out.compare(0, 7, "usage: "), 0);
    for (const char* word : {"info", "test", "optimize", "--recursive", "--jobs", "--json", "--no-backup", "--protect"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    EXPECT_EQ(s.Run({"optimize", "--help"}).out, help.out);
    ProgramOutcome version = s.Run({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.compare(0, 8, "squozen "), 0);
    s.ExpectTempEmpty();
}

// info: every field the engine reads, for every sample movie and the projectors; the texts of the properties
// dialog; a missing file fails and says why.
TEST(Cli, InfoEqualsTheEngine) {
    Workspace s;
    const size_t copied = CopyCorpus(s.in);
    const std::string projectors = CorpusDir() + "projectors" + kSep;
    ProgramOutcome r = s.Run({"info", "--json", "--jobs", "2", s.in, projectors + "proj-fws.exe",
                              projectors + "proj-cws.exe", projectors + "proj-badmagic.exe"});
    EXPECT_EQ(r.code, 0) << r.err;
    JsonOutput j = ReadJson(r.out);
    ASSERT_EQ(j.files.size(), copied + 3);
    for (auto& f : j.files) {
        const std::string path = f["path"];
        SCOPED_TRACE(path);
        SwfFileInfo info = ReadSwfInfo(path);
        EXPECT_EQ(f["nVersion"], std::to_string(info.nVersion));
        EXPECT_EQ(f["nFileSize"], std::to_string(info.nFileSize));
        EXPECT_EQ(f["nWidth"], std::to_string(info.nWidth));
        EXPECT_EQ(f["nHeight"], std::to_string(info.nHeight));
        EXPECT_EQ(f["nFrameRate"], std::to_string(info.nFrameRate));
        EXPECT_EQ(f["nFrameCount"], std::to_string(info.nFrameCount));
        EXPECT_EQ(f["tCreated"], std::to_string(info.tCreated));
        EXPECT_EQ(f["valid"], IsValidSwf(info) ? "true" : "false");
        // A projector's answers are those of the movie inside it.
        std::string movie = path;
        ScratchDir extracted;
        if (GetFileNamePart(path).find(".exe") != std::string::npos && IsValidSwf(info)) {
            movie = extracted / "m.swf";
            ExtractProjectorSwf(path, movie);
        }
        EXPECT_EQ(f["compressed"], IsCompressedSwf(movie) ? "true" : "false");
        EXPECT_EQ(f["protected"], IsSwfProtected(movie) ? "true" : "false");
    }
    EXPECT_EQ(j.files.back()["valid"], "false");  // the projector whose trailer magic is wrong
    size_t valid = 0;
    for (auto& f : j.files) valid += f["valid"] == "true" ? 1 : 0;
    EXPECT_EQ(j.totals["totals.files"], std::to_string(copied + 3));
    EXPECT_EQ(j.totals["totals.valid"], std::to_string(valid));
    EXPECT_EQ(j.totals["totals.invalid"], std::to_string(copied + 3 - valid));
    EXPECT_EQ(j.totals["totals.failed"], "0");

    // Text: the properties dialog's texts, and "Bad Flash File".
    const std::string good = s.in + "swfdec-Error-7.swf";
    const std::string bad = s.in + "shumway-invalid.swf";
    const std::string missing = s.in + "missing.swf";
    r = s.Run({"info", good, bad, missing});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("1 file failed"), std::string::npos) << r.err;
    SwfFileInfo info = ReadSwfInfo(good);
    std::string text;  // without the carriage returns of Windows' text output
    for (const std::string& line : Lines(r.out)) text += line + "\n";
    for (const std::string& expected :
         {good + "\n", "  version:      " + SwfVersionText(info) + "\n",
          "  length:       " + SwfLengthText(info) + "\n", "  frame size:   " + SwfFrameSizeText(info) + "\n",
          "  frame rate:   " + std::to_string(info.nFrameRate) + "\n",
          "  frame count:  " + std::to_string(info.nFrameCount) + "\n",
          "  created:      " + SwfCreatedText(info) + "\n", std::string("  compressed:   yes\n"),
          std::string("  protected:    no\n"), bad + ": Bad Flash File\n"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    EXPECT_NE(text.find(missing + ": "), std::string::npos);
    s.ExpectTempEmpty();
}

// test: the sources stay byte for byte as they were, every figure equals the engine's, skips are named, the
// text shows the sizes and the ratio as the file list does, and the totals add up.
TEST(Cli, TestMatchesTheEngineAndTouchesNothing) {
    Workspace s;
    const size_t copied = CopyCorpus(s.in);
    // Two movies of one name in two folders, each with its own figures.
    MakeFolder(s.in + "sub");
    WriteAll(s.in + "sub" + kSep + "shumway-morph2.swf", ReadAll(CorpusDir() + "swfdec-clip-change-backward-5.swf"));
    const auto before = Snapshot(s.in);

    for (bool protect : {false, true}) {
        SCOPED_TRACE(protect ? "protect" : "plain");
        std::vector<std::string> args = {"test", "-r", "--jobs", "2", "--json", s.in};
        if (protect) args.push_back("--protect");
        ProgramOutcome r = s.Run(args);
        EXPECT_EQ(r.code, 0) << r.err;
        JsonOutput j = ReadJson(r.out);
        ASSERT_EQ(j.files.size(), copied + 1);
        uint64_t sumBefore = 0, sumAfter = 0;
        size_t tested = 0, skipped = 0;
        for (auto& f : j.files) {
            SCOPED_TRACE(f["path"]);
            Expected e = EngineResult(f["path"], protect);
            EXPECT_EQ(f["status"], e.status);
            if (e.status == "skipped") {
                EXPECT_EQ(f["reason"], e.reason);
                ++skipped;
                continue;
            }
            ++tested;
            EXPECT_EQ(f["originalSize"], std::to_string(e.original));
            EXPECT_EQ(f["sizeBefore"], std::to_string(e.before));
            EXPECT_EQ(f["optimizedSize"], std::to_string(e.after));
            EXPECT_EQ(f["ratio"], std::to_string(e.ratio));
            EXPECT_EQ(f["protected"], e.isProtected ? "true" : "false");
            // The compressed movie keeps its version from 6 on; an older one is raised to 6, and says so.
            EXPECT_EQ(f["sourceVersion"], std::to_string(e.version));
            EXPECT_EQ(f["version"], std::to_string(e.version < 6 ? 6 : e.version));
            EXPECT_EQ(f["versionRaised"], e.version < 6 ? "true" : "false");
            sumBefore += e.before;
            sumAfter += e.after;
        }
        EXPECT_GE(tested, 40u);
        EXPECT_EQ(j.totals["totals.tested"], std::to_string(tested));
        EXPECT_EQ(j.totals["totals.skipped"], std::to_string(skipped));
        EXPECT_EQ(j.totals["totals.failed"], "0");
        EXPECT_EQ(j.totals["totals.sizeBefore"], std::to_string(sumBefore));
        EXPECT_EQ(j.totals["totals.optimizedSize"], std::to_string(sumAfter));
        EXPECT_EQ(Snapshot(s.in), before);
        s.ExpectTempEmpty();
    }

    // The text: "tested", the two sizes with FormatThousands, the ratio with "%d%%", then the file, and for the
    // movie of version 5 the version it would have.
    const std::string one = s.in + "shumway-morph2.swf", other = s.in + "sub" + kSep + "shumway-morph2.swf";
    ProgramOutcome r = s.Run({"test", "--jobs", "1", one, other, s.in + "swfdec-Error-7.swf"});
    EXPECT_EQ(r.code, 0);
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 5u) << r.out;
    EXPECT_EQ(Words(lines[0]), (std::vector<std::string>{"result", "original", "optimized", "ratio", "file"}));
    for (size_t i = 0; i < 2; ++i) {
        Expected e = EngineResult(i ? other : one, false);
        char ratio[16];
        std::snprintf(ratio, sizeof ratio, "%d%%", e.ratio);
        std::vector<std::string> words = {"tested", FormatThousands(int32_t(e.original)),
                                          FormatThousands(int32_t(e.after)), ratio, i ? other : one};
        ASSERT_EQ(e.version, i ? 5u : 6u);
        if (i) words.insert(words.end(), {"(version", "5", "->", "6)"});
        EXPECT_EQ(Words(lines[1 + i]), words);
    }
    EXPECT_EQ(Words(lines[3]),
              (std::vector<std::string>{"skipped", s.in + "swfdec-Error-7.swf:", "already", "compressed"}));
    EXPECT_EQ(lines[4].rfind("total: 3 files: 2 tested, 1 skipped, 0 failed; ", 0), 0u) << lines[4];
    EXPECT_EQ(Snapshot(s.in), before);

    // A movie whose length field claims 3,000,000,000 bytes: its original size is that unsigned figure, as in its
    // JSON, never a negative one.
    const std::string claims = s.in + "claims.swf";
    Bytes movie = ReadAll(one);
    const Bytes length = {0x00, 0x5E, 0xD0, 0xB2};  // 3,000,000,000, least significant byte first
    std::copy(length.begin(), length.end(), movie.begin() + 4);
    WriteAll(claims, movie);
    r = s.Run({"test", claims});
    lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    ASSERT_GE(Words(lines[1]).size(), 2u) << lines[1];
    EXPECT_EQ(Words(lines[1])[1], "3,000,000,000") << lines[1];
    EXPECT_EQ(ParseJsonObject(Lines(s.Run({"test", "--json", claims}).out).at(0))["originalSize"], "3000000000");
}

// optimize: every valid uncompressed movie becomes a compressed one that inflates back to it, with a backup
// holding the old bytes; compressed and bad movies are left alone; a second run has nothing left to do.
TEST(Cli, OptimizeReplacesEveryMovieWithItsCompressedForm) {
    Workspace s;
    CopyCorpus(s.in);
    MakeFolder(s.in + "sub");
    WriteAll(s.in + "sub" + kSep + "shumway-morph2.swf", ReadAll(CorpusDir() + "swfdec-clip-change-backward-5.swf"));
    const auto before = Snapshot(s.in);
    ProgramOutcome r = s.Run({"optimize", "-r", "--jobs", "2", "--json", s.in});
    EXPECT_EQ(r.code, 0) << r.err;
    JsonOutput j = ReadJson(r.out);
    size_t optimized = 0;
    for (auto& f : j.files) {
        if (f["status"] == "optimized") {
            ++optimized;
            EXPECT_EQ(f["backup"], GetBackupPath(f["path"]));
        }
    }
    auto after = Snapshot(s.in);
    size_t backups = 0;
    for (const auto& [name, bytes] : before) {
        SCOPED_TRACE(name);
        const Bytes& now = after[name];
        const std::string bak = GetBackupPath(name);
        if (!IsOptimizedSample(name, bytes)) {
            EXPECT_EQ(now, bytes);
            EXPECT_EQ(after.count(bak), 0u);
            continue;
        }
        ASSERT_NE(now, bytes);
        ExpectWholeMovie(now, bytes, name);
        EXPECT_EQ(after[bak], bytes);
        ++backups;
    }
    EXPECT_EQ(backups, optimized);
    EXPECT_EQ(after.size(), before.size() + backups);  // nothing else: no work file beside the movies
    s.ExpectTempEmpty();

    // Again: everything is compressed now, and the backups are not taken for movies to optimize.
    r = s.Run({"optimize", "-r", "--json", s.in});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(ReadJson(r.out).totals["totals.optimized"], "0");
    EXPECT_EQ(Snapshot(s.in), after);
}

TEST(Cli, OptimizeWithProtectionAndWithoutBackup) {
    Workspace s;
    std::vector<std::string> names = {"shumway-morph2.swf", "swfdec-clip-change-backward-5.swf",
                                      "swfdec-blend-mode-erase-7.swf", "shumway-melonRTMP.swf"};
    for (const std::string& n : names) WriteAll(s.in + n, ReadAll(CorpusDir() + n));
    ProgramOutcome r = s.Run({"optimize", "--no-backup", "--protect", "--json", s.in});
    EXPECT_EQ(r.code, 0) << r.err;
    for (auto& f : ReadJson(r.out).files) EXPECT_EQ(f["protected"], "true") << f["path"];
    for (const std::string& n : names) {
        SCOPED_TRACE(n);
        Bytes now = ReadAll(s.in + n);
        Bytes original = ReadAll(CorpusDir() + n);
        EXPECT_EQ(Slice(now, 0, 4), CompressedHead(original[3]));
        EXPECT_NE(IsSwfProtected(s.in + n), 0);
        // The body is the source's with the Protect tag after the frame header.
        Bytes body = InflateBody(now);
        size_t start = SwfRectLength(original[8]) + 4;
        EXPECT_EQ(Slice(body, 0, start), Slice(original, 8, start));
        EXPECT_EQ(Slice(body, start, 2), (Bytes{0x00, 0x06}));
        EXPECT_EQ(Slice(body, start + 2, SIZE_MAX),
                  Slice(original, 8 + start, ReadLE32(original.data() + 4) - 8 - start));
        EXPECT_FALSE(Exists(GetBackupPath(s.in + n)));
    }
}

// --keep-version: movies below version 6, which a compressed movie cannot have, are left as they are and named
// with the reason; the others are optimized and keep their version. Without it, a movie below 6 is raised only when
// nothing in it depends on the version: one with scripts is kept, and says why.
TEST(Cli, KeepVersionLeavesOlderMoviesUncompressed) {
    Workspace s;
    const std::string v5 = "swfdec-button-hittest-5.swf", v7 = "swfdec-blend-mode-erase-7.swf";
    for (const std::string& n : {v5, v7}) WriteAll(s.in + n, ReadAll(CorpusDir() + n));
    ASSERT_EQ(ReadAll(s.in + v5)[3], 5);
    ASSERT_EQ(ReadAll(s.in + v7)[3], 7);
    ProgramOutcome r = s.Run({"optimize", "--keep-version", "--json", "--jobs", "1", s.in + v5, s.in + v7});
    EXPECT_EQ(r.code, 0) << r.err;
    JsonOutput j = ReadJson(r.out);
    ASSERT_EQ(j.files.size(), 2u);
    EXPECT_EQ(j.files[0]["status"], "skipped");
    EXPECT_EQ(j.files[0]["reason"], "version 5 kept: a compressed movie has version 6 or later");
    EXPECT_EQ(j.files[1]["status"], "optimized");
    EXPECT_EQ(j.files[1]["version"], "7");
    EXPECT_EQ(j.files[1]["versionRaised"], "false");
    EXPECT_EQ(ReadAll(s.in + v5), ReadAll(CorpusDir() + v5));
    EXPECT_FALSE(Exists(GetBackupPath(s.in + v5)));
    EXPECT_EQ(Slice(ReadAll(s.in + v7), 0, 4), (Bytes{'C', 'W', 'S', 7}));
    EXPECT_EQ(j.totals["totals.skipped"], "1");

    const std::string plain5 = "swfdec-clip-change-backward-5.swf";
    WriteAll(s.in + plain5, ReadAll(CorpusDir() + plain5));
    r = s.Run({"optimize", "--json", "--jobs", "1", s.in + v5, s.in + plain5});
    j = ReadJson(r.out);
    ASSERT_EQ(j.files.size(), 2u);
    EXPECT_EQ(j.files[0]["reason"], "version 5 kept: it has scripts");
    EXPECT_EQ(j.files[0]["reasonCode"], "scripts");
    EXPECT_EQ(ReadAll(s.in + v5), ReadAll(CorpusDir() + v5));
    EXPECT_EQ(j.files[1]["version"], "6");
    EXPECT_EQ(j.files[1]["versionRaised"], "true");
    EXPECT_EQ(j.files[1]["verified"], "true");
    EXPECT_EQ(Slice(ReadAll(s.in + plain5), 0, 4), (Bytes{'C', 'W', 'S', 6}));
}

// Failures name the file, the step and the reason; the other files are still done; nothing is changed for them.
TEST(Cli, FailuresAreNamedAndTheRestIsDone) {
    Workspace s;
    const std::string projector = s.in + "game.exe", missing = s.in + "missing.swf", good = s.in + "good.swf";
    WriteAll(projector, ReadAll(CorpusDir() + "projectors" + kSep + "proj-fws.exe"));
    WriteAll(good, ReadAll(CorpusDir() + "shumway-morph2.swf"));
    ProgramOutcome r = s.Run({"optimize", projector, missing, good});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("2 files failed"), std::string::npos) << r.err;
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 5u) << r.out;
    EXPECT_NE(lines[1].find("failed"), std::string::npos);
    EXPECT_NE(lines[1].find(projector + ": compress: "), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("is not an uncompressed movie"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find(missing + ": read: "), std::string::npos) << lines[2];
    EXPECT_EQ(Words(lines[3])[0], "optimized");
    EXPECT_EQ(ReadAll(projector), ReadAll(CorpusDir() + "projectors" + kSep + "proj-fws.exe"));
    EXPECT_FALSE(Exists(missing));
    EXPECT_FALSE(Exists(GetBackupPath(missing)));
    EXPECT_FALSE(Exists(s.in + "game_bak.swf"));
    EXPECT_NE(IsCompressedSwf(good), 0);
    s.ExpectTempEmpty();
}

// --files-from: a collection listed as find -print0 lists it and split into two shards, one read from a file and
// one from standard input, gives each file the result of one run over the whole folder, and the shards' totals
// add up to that run's. A list with Windows line ends, empty lines, names with spaces, a folder and a name also
// given as an argument takes each file once, the arguments first. A list that cannot be read is a usage error.
TEST(Cli, FilesFromListsAndShards) {
    Workspace s;
    CopyCorpus(s.in);
    const Bytes movie = ReadAll(CorpusDir() + "shumway-morph2.swf");
    MakeFolder(s.in + "sub dir");
    std::vector<std::string> odd = {"with space.swf", std::string("sub dir") + kSep + " lead and tail .swf"};
#ifndef _WIN32
    odd.push_back(std::string("sub dir") + kSep + "new\nline.swf");
#endif
    for (const std::string& name : odd) WriteAll(s.in + name, movie);

    ProgramOutcome whole = s.Run({"test", "--json", "-r", s.in});
    ASSERT_EQ(whole.code, 0) << whole.err;
    JsonOutput all = ReadJson(whole.out);
    std::map<std::string, std::map<std::string, std::string>> byPath;
    std::string shards[2];
    for (size_t i = 0; i < all.files.size(); ++i) {
        byPath[all.files[i]["path"]] = all.files[i];
        shards[i % 2] += all.files[i]["path"] + '\0';
    }
    shards[1].pop_back();  // the last path needs no NUL
    const std::string lists = Dir(s.root, "lists");
    MakeFolder(lists);
    WriteAll(lists + "0.lst", Bytes(shards[0].begin(), shards[0].end()));
    WriteAll(lists + "1.lst", Bytes(shards[1].begin(), shards[1].end()));
    ProgramOutcome part0 = s.Run({"test", "--json", "-0", "--files-from", lists + "0.lst"});
    ProgramOutcome part1 = s.Run({"test", "--json", "--null", "--files-from=-"}, lists + "1.lst");
    std::map<std::string, uint64_t> sums;
    size_t seen = 0;
    for (const ProgramOutcome* part : {&part0, &part1}) {
        EXPECT_EQ(part->code, 0) << part->err;
        JsonOutput j = ReadJson(part->out);
        for (auto& f : j.files) {
            ++seen;
            EXPECT_EQ(f, byPath[f["path"]]) << f["path"];
        }
        for (const char* key : {"files", "tested", "skipped", "failed", "sizeBefore", "optimizedSize"})
            sums[key] += std::stoull(j.totals[std::string("totals.") + key]);
    }
    EXPECT_EQ(seen, all.files.size());
    for (const auto& [key, sum] : sums) EXPECT_EQ(std::to_string(sum), all.totals["totals." + key]) << key;

    const std::string first = s.in + "shumway-morph2.swf";
    std::string list =
        first + "\r\n\r\n\n" + s.in + "with space.swf\r\n" + s.in + "sub dir\r\n" + first + "\n" + s.in + "missing.swf";
    // On Windows a name in the ANSI code page is listed in it, as it would be given as an argument.
    std::string ansiName, utf8Name;
#ifdef _WIN32
    if (GetACP() == 936) {
        ansiName = lists + "\xb6\xaf\xbb\xad.swf";  // 动画.swf
        utf8Name = lists + "\xe5\x8a\xa8\xe7\x94\xbb.swf";
        WriteAll(ansiName, movie);
        list += "\r\n" + ansiName + "\r\n";
    }
#endif
    WriteAll(lists + "lines.lst", Bytes(list.begin(), list.end()));
    ProgramOutcome r = s.Run({"info", "--json", "--files-from", lists + "lines.lst", first});
    EXPECT_EQ(r.code, 1);  // the missing file
    JsonOutput j = ReadJson(r.out);
    std::vector<std::string> paths;
    for (auto& f : j.files) paths.push_back(f["path"]);
    std::vector<std::string> expected = {first, s.in + "with space.swf"};
    std::vector<std::string> subFolder;
    for (const std::string& name : odd)
        if (name.compare(0, 8, "sub dir" + std::string(1, kSep)) == 0) subFolder.push_back(s.in + name);
    std::sort(subFolder.begin(), subFolder.end());
    expected.insert(expected.end(), subFolder.begin(), subFolder.end());
    expected.push_back(s.in + "missing.swf");
    if (!utf8Name.empty()) expected.push_back(utf8Name);
    EXPECT_EQ(paths, expected);
    EXPECT_EQ(j.totals["totals.files"], std::to_string(expected.size()));
    EXPECT_EQ(j.totals["totals.failed"], "1");

    r = s.Run({"test", "--files-from", lists + "none.lst", first});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(lists + "none.lst"), std::string::npos) << r.err;
    s.ExpectTempEmpty();
}

// --best: every movie comes out smaller than with zlib's default and inflates back to its source; test --best
// tells the sizes that optimize --best then writes. info takes no --best; a build without Zopfli refuses it.
TEST(Cli, BestIsSmallerAndInflatesBack) {
    Workspace s;
    const std::vector<std::string> names = {"swfdec-offspring.swf", "swfdec-button-events-menu-8.swf",
                                            "shumway-melonRTMP.swf"};
    for (const std::string& n : names) WriteAll(s.in + n, ReadAll(CorpusDir() + n));
    EXPECT_EQ(s.Run({"info", "--best", s.in}).code, 2);
    if (!CanCompressSwfBest()) {
        ProgramOutcome r = s.Run({"test", "--best", s.in});
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find("no Zopfli"), std::string::npos) << r.err;
        GTEST_SKIP() << "this build has no Zopfli";
    }
    JsonOutput standard = ReadJson(s.Run({"test", "--json", s.in}).out);
    JsonOutput best = ReadJson(s.Run({"test", "--json", "--best", s.in}).out);
    ASSERT_EQ(best.files.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_LT(std::stoul(best.files[i]["optimizedSize"]), std::stoul(standard.files[i]["optimizedSize"]))
            << names[i];
    ProgramOutcome r = s.Run({"optimize", "--json", "--best", s.in});
    EXPECT_EQ(r.code, 0) << r.err;
    JsonOutput optimized = ReadJson(r.out);
    EXPECT_EQ(optimized.totals["totals.optimizedSize"], best.totals["totals.optimizedSize"]);
    for (const std::string& n : names) {
        Bytes now = ReadAll(s.in + n);
        EXPECT_NE(now, ReadAll(CorpusDir() + n));
        ExpectWholeMovie(now, ReadAll(CorpusDir() + n), n);
    }
    s.ExpectTempEmpty();
}

// An archive pass over the sample movies: optimize --recompress --lzma compresses every movie it may, compressed ones
// again where that is smaller; every movie written decodes exactly to its source's body (LZMA ones read by liblzma
// itself), every LZMA movie is of version 13 or more, and the record of what changed gives the SHA-256 of the file
// before and after and of the body. --best with --recompress on compressed movies too.
TEST(Cli, ArchivePassRecompressesVerifiesAndRecords) {
    sqz::Sha256 known;
    known.Update("abc", 3);
    ASSERT_EQ(known.HexDigest(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    auto sha = [](const Bytes& b) {
        sqz::Sha256 h;
        h.Update(b.data(), b.size());
        return h.HexDigest();
    };
    // The body a movie holds, whatever its form.
    auto body = [](const Bytes& m) {
        if (m.size() < 8) return Bytes();
        if (m[0] == 'Z') return LzmaBody(m);
        return m[0] == 'C' ? InflateBody(m) : Slice(m, 8, SIZE_MAX);
    };
    Workspace s;
    CopyCorpus(s.in);
    const auto before = Snapshot(s.in);
    ProgramOutcome r = s.Run({"optimize", "--no-backup", "--recompress", "--lzma", "--json", s.in});
    EXPECT_EQ(r.code, 0) << r.err;
    size_t recompressed = 0, lzma = 0;
    for (auto& f : ReadJson(r.out).files) {
        const std::string name = GetFileNamePart(f["path"]);
        SCOPED_TRACE(name);
        const Bytes& old = before.at(name);
        const Bytes now = ReadAll(f["path"]);
        if (f["status"] != "optimized") {
            EXPECT_EQ(now, old);
            continue;
        }
        EXPECT_EQ(f["verified"], "true");
        EXPECT_EQ(body(now), body(old));
        EXPECT_FALSE(body(now).empty());
        EXPECT_EQ(ReadLE32(now.data() + 4), body(now).size() + 8);
        EXPECT_EQ(f["form"], std::string(1, char(now[0])) + "WS");
        if (now[0] == 'Z') {
            EXPECT_GE(now[3], 13);
            ++lzma;
        }
        if (old[0] != 'F') {
            EXPECT_LT(now.size(), old.size());
            EXPECT_EQ(now[3], old[3]);  // compressed again, it keeps its version
            ++recompressed;
        }
        EXPECT_EQ(f["sha256Before"], sha(old));
        EXPECT_EQ(f["sha256After"], sha(now));
        EXPECT_EQ(f["sha256Body"], sha(body(now)));
    }
    EXPECT_GE(recompressed, 5u);
    EXPECT_GE(lzma, 2u);
    // Compressed movies that nothing makes smaller are passed over with their reason.
    r = s.Run({"optimize", "--recompress", "--json", s.in + "swfdec-Error-7.swf"});
    EXPECT_EQ(ReadJson(r.out).files.at(0)["reasonCode"], "notSmaller");
    if (!CanCompressSwfBest()) return;
    const std::string small = s.in + "best.swf";
    WriteAll(small, ReadAll(CorpusDir() + "swfdec-Error-7.swf"));
    r = s.Run({"optimize", "--recompress", "--best", "--json", small});
    auto f = ReadJson(r.out).files.at(0);
    EXPECT_EQ(f["status"], "optimized") << f["reason"];
    EXPECT_EQ(body(ReadAll(small)), body(ReadAll(CorpusDir() + "swfdec-Error-7.swf")));
}

// check says what is odd and changes nothing: one crafted movie per finding and a sound one, in JSON, with its exit
// status (the findings themselves: CheckMovie's test).
TEST(Cli, CheckNamesWhatIsOdd) {
    Workspace s;
    const Bytes sound = Cat(Cat(FrameHeader(15, 0, 11000, 0, 8000, 0x0C00, 1), Tag(9, {1, 2, 3})), Tag(0));
    const Bytes fws = MakeMovie("FWS", 8, uint32_t(sound.size() + 8), sound);
    WriteAll(s.in + "sound.swf", fws);
    WriteAll(s.in + "five.swf", MakeMovie("CWS", 5, uint32_t(sound.size() + 8), Deflate(sound)));
    WriteAll(s.in + "text.swf", {'t', 'e', 'x', 't'});
    ProgramOutcome r = s.Run({"check", "--json", "--jobs", "1", s.in});
    EXPECT_EQ(r.code, 1);
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 4u) << r.out;
    EXPECT_NE(lines[0].find("\"code\":\"compressedBelow6\""), std::string::npos) << r.out;
    EXPECT_NE(lines[1].find("\"findings\":[]"), std::string::npos) << r.out;
    EXPECT_NE(lines[2].find("\"code\":\"notAMovie\""), std::string::npos) << r.out;
    EXPECT_NE(lines[3].find("\"sound\":1,\"withFindings\":2,\"failed\":0"), std::string::npos) << r.out;
    EXPECT_EQ(ReadAll(s.in + "sound.swf"), fws);
    EXPECT_EQ(s.Run({"check", s.in + "sound.swf"}).code, 0);
}

// A read-only movie and a folder nobody may write in: every movie fails with its step and stays as it was.
// Natively the tool runs as an unprivileged user (root would not be stopped by permissions); under Windows the
// movie carries the read-only attribute (a folder's read-only attribute does not stop writes there).
TEST(Cli, ReadOnlyMoviesAndFolders) {
    Workspace s;
    const Bytes movie = ReadAll(CorpusDir() + "shumway-morph2.swf");
    const std::string ro = s.in + "readonly.swf";
    WriteAll(ro, movie);
#ifdef _WIN32
    ASSERT_TRUE(SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY));
    ProgramOutcome r = s.Run({"optimize", "--json", ro});
    SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(r.code, 1);
    auto f = ReadJson(r.out).files.at(0);
    EXPECT_EQ(f["status"], "failed");
    EXPECT_EQ(f["step"], "replace") << f["reason"];
    EXPECT_EQ(ReadAll(ro), movie);
    EXPECT_EQ(ReadAll(GetBackupPath(ro)), movie);  // whole, made before the movie was touched
    EXPECT_EQ(Snapshot(s.in).size(), 2u);
#else
    if (geteuid() != 0 || !Exists("/usr/bin/setpriv")) GTEST_SKIP() << "needs root and setpriv to run as another user";
    auto asNobody = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", Program()});
        return RunProgram(args, s.logs.path());
    };
    chmod(s.tmp.c_str(), 0777);
    chmod(s.logs.path().c_str(), 0777);
    // A movie only root may write, in a folder everyone may write.
    chmod(s.in.c_str(), 0777);
    chmod(ro.c_str(), 0444);
    ProgramOutcome r = asNobody({"optimize", "--json", ro});
    EXPECT_EQ(r.code, 1) << r.err;
    auto f = ReadJson(r.out).files.at(0);
    EXPECT_EQ(f["step"], "replace") << f["reason"];
    EXPECT_EQ(ReadAll(ro), movie);
    EXPECT_EQ(ReadAll(GetBackupPath(ro)), movie);
    std::remove(GetBackupPath(ro).c_str());
    // A folder nobody but root may write in: with a backup, and without.
    const std::string locked = Dir(s.root, "locked");
    MakeFolder(locked);
    WriteAll(locked + "a.swf", movie);
    WriteAll(locked + "b.swf", movie);
    chmod((locked + "a.swf").c_str(), 0666);
    chmod(locked.c_str(), 0755);
    r = asNobody({"optimize", "--json", locked});
    EXPECT_EQ(r.code, 1);
    JsonOutput j = ReadJson(r.out);
    ASSERT_EQ(j.files.size(), 2u);
    // The compressed movie is written beside the movie first: that is what the folder refuses.
    for (auto& file : j.files) EXPECT_EQ(file["step"], "compress") << file["reason"];
    r = asNobody({"optimize", "--no-backup", "--json", locked});
    j = ReadJson(r.out);
    ASSERT_EQ(j.files.size(), 2u);
    for (auto& file : j.files) EXPECT_EQ(file["step"], "compress") << file["reason"];
    EXPECT_EQ(j.totals["totals.failed"], "2");
    EXPECT_EQ(Snapshot(locked), (std::map<std::string, Bytes>{{"a.swf", movie}, {"b.swf", movie}}));
    // Test needs to write nothing beside the movies.
    r = asNobody({"test", locked});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
#endif
    s.ExpectTempEmpty();
}

// A full disk (a small file system mounted for the test, SQZ_TINY_FS): writing the compressed movie beside it
// fails, with a backup asked for or not; the movie keeps its bytes and nothing is left beside it. Once there is
// room, the same run succeeds.
TEST(Cli, FullDisk) {
    const char* tiny = std::getenv("SQZ_TINY_FS");
    if (!tiny || !Exists(std::string(tiny) + kSep + "mounted")) GTEST_SKIP() << "no small file system (SQZ_TINY_FS)";
    Workspace s;
    const std::string folder = std::string(tiny) + kSep + "full" + kSep;
    MakeFolder(folder);
    const Bytes movie = BigMovie(1 << 20);
    const std::string path = folder + "big.swf";
    WriteAll(path, movie);
    std::vector<std::string> fillers = FillLeavingLittle(folder);
    ProgramOutcome r = s.Run({"optimize", "--json", path});
    EXPECT_EQ(r.code, 1);
    // The reason is the system's: "No space left on device", "Disk full".
    auto saysFull = [](const std::string& reason) {
        return reason.find("space") != std::string::npos || reason.find("full") != std::string::npos;
    };
    auto f = ReadJson(r.out).files.at(0);
    EXPECT_EQ(f["step"], "compress") << f["reason"];
    EXPECT_TRUE(saysFull(f["reason"])) << f["reason"];
    EXPECT_EQ(ReadAll(path), movie);
    r = s.Run({"optimize", "--json", "--no-backup", path});
    f = ReadJson(r.out).files.at(0);
    EXPECT_EQ(f["step"], "compress") << f["reason"];
    EXPECT_TRUE(saysFull(f["reason"])) << f["reason"];
    EXPECT_EQ(ReadAll(path), movie);
    std::vector<std::string> names;
    for (const sqz::FileEntry& e : sqz::PlatformFiles().List(folder))
        if (e.name != "." && e.name != ".." && e.name.compare(0, 6, "filler") != 0) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"big.swf"}));

    for (const std::string& name : fillers) std::remove(name.c_str());
    r = s.Run({"optimize", path});
    EXPECT_EQ(r.code, 0) << r.out;
    ExpectWholeMovie(ReadAll(path), movie, path);
    EXPECT_EQ(ReadAll(GetBackupPath(path)), movie);
    std::remove(path.c_str());
    std::remove(GetBackupPath(path).c_str());
    s.ExpectTempEmpty();
}

// A movie that disappears while the run works on an earlier one is reported as failed and not made again.
TEST(Cli, MovieDisappearsMidRun) {
    Workspace s;
    const Bytes big = BigMovie(24 << 20, 7);
    const std::string first = s.in + "a-big.swf", victim = s.in + "b-victim.swf";
    WriteAll(first, big);
    WriteAll(victim, ReadAll(CorpusDir() + "shumway-morph2.swf"));
    RunningProgram program({Program(), "optimize", "--jobs", "1", "--json", first, victim}, s.logs.path());
    ASSERT_TRUE(program.Started());
    // The big movie's work file appears beside it once its compression has started, which keeps the run busy a while.
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool seen = false;
    while (!seen && std::chrono::steady_clock::now() < until) {
        for (const sqz::FileEntry& e : sqz::PlatformFiles().List(s.in))
            if (e.name.compare(0, 4, "~sqz") == 0) seen = true;
        if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(seen);
    ASSERT_TRUE(sqz::PlatformFiles().Delete(victim));
    ProgramOutcome r = program.Wait();
    EXPECT_EQ(r.code, 1);
    JsonOutput j = ReadJson(r.out);
    ASSERT_EQ(j.files.size(), 2u);
    EXPECT_EQ(j.files[0]["status"], "optimized");
    EXPECT_EQ(j.files[1]["status"], "failed") << "the movie was done before it was deleted: make the first one bigger";
    EXPECT_FALSE(Exists(victim));
    EXPECT_FALSE(Exists(GetBackupPath(victim)));
    ExpectWholeMovie(ReadAll(first), big, first);
    EXPECT_EQ(Snapshot(s.in).size(), 2u);
    s.ExpectTempEmpty();
}

// A run killed at any moment (a power cut, a killed task) leaves every movie whole: its old bytes, or its
// compressed form that inflates back to them with a whole backup beside it. Only work files may remain.
TEST(Cli, KilledRunLosesNothing) {
    Workspace s;
    std::vector<std::string> names;
    for (const OracleRow& row : LoadTable("oracle.tsv"))
        if (row.at("signature") == "FWS") names.push_back(row.at("name"));
    std::map<std::string, Bytes> originals;
    for (int copy = 0; copy < 4; ++copy)
        for (const std::string& n : names) {
            std::string name = std::to_string(copy) + "-" + n;
            originals[name] = ReadAll(CorpusDir() + n);
            WriteAll(s.in + name, originals[name]);
        }
    originals["zz-big.swf"] = BigMovie(6 << 20, 3);
    WriteAll(s.in + "zz-big.swf", originals["zz-big.swf"]);
    for (int delay : {0, 5, 20, 60, 150, 400}) {
        SCOPED_TRACE("killed after " + std::to_string(delay) + " ms");
        RunningProgram program({Program(), "optimize", "--jobs", "2", s.in}, s.logs.path());
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        program.Kill();
        program.Wait();
        for (const auto& [name, bytes] : originals) {
            ASSERT_TRUE(Exists(s.in + name)) << name << " is missing";
            Bytes now = ReadAll(s.in + name);
            ExpectWholeMovie(now, bytes, name);
            if (now != bytes) {
                EXPECT_EQ(ReadAll(GetBackupPath(s.in + name)), bytes) << name;
            }
        }
    }
    // The next run finishes the work, and what is left of the killed ones is only work files.
    ProgramOutcome r = RunProgram({Program(), "optimize", s.in}, s.logs.path());
    EXPECT_EQ(r.code, 0) << r.out;
    for (const auto& [name, bytes] : originals) {
        ExpectWholeMovie(ReadAll(s.in + name), bytes, name);
        if (IsOptimizedSample(name.substr(2), bytes)) {
            EXPECT_EQ(ReadAll(GetBackupPath(s.in + name)), bytes) << name;
        }
    }
    for (const sqz::FileEntry& e : sqz::PlatformFiles().List(s.in)) {
        if (e.name == "." || e.name == "..") continue;
        bool known = originals.count(e.name) || e.name.find("_bak.swf") != std::string::npos ||
                     e.name.compare(0, 4, "~sqz") == 0;
        EXPECT_TRUE(known) << "unexpected file " << e.name;
    }
}

#ifndef _WIN32
// Ctrl+C: the movies in progress are finished, the others are not started, the work folder goes, and the run
// says so and ends with 1.
TEST(Cli, InterruptedRunFinishesWhatItStarted) {
    Workspace s;
    std::map<std::string, Bytes> originals;
    for (int copy = 0; copy < 200; ++copy) {
        std::string name = "m" + std::to_string(1000 + copy) + ".swf";
        originals[name] = BigMovie(64 * 1024, uint32_t(copy + 1));
        WriteAll(s.in + name, originals[name]);
    }
    RunningProgram program({Program(), "optimize", "--jobs", "1", s.in}, s.logs.path());
    // Once the first result is out, ask it to stop.
    auto lines = [&] {
        Bytes out = ReadAll(s.logs / "stdout.txt");
        return Lines(std::string(out.begin(), out.end())).size();
    };
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < until && lines() < 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    program.Interrupt();
    ProgramOutcome r = program.Wait();
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("interrupted"), std::string::npos) << r.err;
    size_t done = 0;
    for (const auto& [name, bytes] : originals) {
        Bytes now = ReadAll(s.in + name);
        ExpectWholeMovie(now, bytes, name);
        if (now != bytes) {
            ++done;
            EXPECT_EQ(ReadAll(GetBackupPath(s.in + name)), bytes);
        }
    }
    EXPECT_GE(done, 1u);
    EXPECT_LT(done, originals.size()) << "the run ended before it could be interrupted";
    EXPECT_EQ(Snapshot(s.in).size(), originals.size() + done);  // no work file beside the movies
    s.ExpectTempEmpty();
}

// Killed at every file step: squozen optimize (with a backup, without, with protection) is killed by SIGKILL at each
// of the file system calls it makes once it has started on the movies, one kill point after the other (strace injects
// the signal at the Nth call of each kind). Each time every movie is its original bytes or a whole compressed movie
// that inflates to them, and a backup that exists equals the original; a second run then finishes the work and leaves
// no work file. Work files of the program's naming left by a killed process are removed by that run, and nothing else
// is: not those of a process that still runs, not a file of another naming.
TEST(Cli, KilledAtEveryFileStepLosesNothing) {
    const std::string strace = "/usr/bin/strace";
    if (!Exists(strace)) GTEST_SKIP() << "needs strace";
    // The calls that create, write, force, close, rename or remove files, or change what they are: a kill between
    // two of them is a kill at one of them (reading calls change nothing on the disk).
    const std::string calls =
        "openat,write,fsync,fdatasync,close,rename,renameat,renameat2,unlink,unlinkat,link,chmod,fchmod,chown,fchown";
    const std::vector<std::string> samples = {"shumway-morph2.swf", "swfdec-clip-change-backward-5.swf"};
    // A process that has ended, whose number names a stale work file.
    pid_t ended = fork();
    if (ended == 0) _exit(0);
    waitpid(ended, nullptr, 0);
    const std::string stale = "~sqz" + std::to_string(ended) + "-0000abcd.tmp",
                      live = "~sqz" + std::to_string(getpid()) + "-0000abcd.tmp", other = "~sqz-notes.tmp";
    // Whole: the original, or the compressed movie of it (with the Protect tag inserted when asked for).
    auto expectWhole = [](const Bytes& now, const Bytes& before, bool protect, const std::string& name) {
        if (now == before) return;
        ASSERT_GE(now.size(), 8u) << name;
        EXPECT_EQ(Slice(now, 0, 4), CompressedHead(before[3])) << name;
        const size_t frame = SwfRectLength(before[8]) + 4;
        const Bytes body = protect ? Cat(Cat(Slice(before, 8, frame), {0x00, 0x06}), Slice(before, 8 + frame, SIZE_MAX))
                                   : Slice(before, 8, SIZE_MAX);
        EXPECT_EQ(ReadLE32(now.data() + 4), body.size() + 8) << name;
        EXPECT_EQ(InflateBody(now), body) << name << " does not inflate back to its source";
    };
    size_t killPoints = 0;
    for (const std::vector<std::string>& options :
         std::vector<std::vector<std::string>>{{}, {"--no-backup"}, {"--protect"}}) {
        const bool protect = !options.empty() && options[0] == "--protect";
        const bool backup = options.empty() || protect;
        SCOPED_TRACE(options.empty() ? "backup" : options[0]);
        Workspace s;
        auto prepare = [&] {
            for (const sqz::FileEntry& e : sqz::PlatformFiles().List(s.in))
                if (!e.bFolder) sqz::PlatformFiles().Delete(s.in + e.name);
            for (const std::string& n : samples) WriteAll(s.in + n, ReadAll(CorpusDir() + n));
        };
        std::vector<std::string> args = {"optimize", "--jobs", "1"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(s.in);
        auto traced = [&](std::vector<std::string> how) {
            // LeakSanitizer cannot work under a tracer.
            std::vector<std::string> argv = {"/usr/bin/env", "ASAN_OPTIONS=detect_leaks=0", strace, "-f", "-qq",
                                             "-o",           s.logs / "trace.txt"};
            argv.insert(argv.end(), how.begin(), how.end());
            argv.push_back(Program());
            argv.insert(argv.end(), args.begin(), args.end());
            return RunProgram(argv, s.logs.path());
        };
        // The calls of a clean run, counted from the first that names the movies' folder.
        prepare();
        ASSERT_EQ(traced({"-e", "trace=" + calls}).code, 0);
        std::map<std::string, int> before, after;
        bool started = false;
        std::string text;
        for (unsigned char c : ReadAll(s.logs / "trace.txt")) text += static_cast<char>(c);
        for (const std::string& line : Lines(text)) {
            size_t open = line.find('('), space = line.find(' ');
            if (open == std::string::npos || space == std::string::npos || space > open || line[space + 1] == '<')
                continue;
            std::string call = line.substr(space + 1, open - space - 1);
            while (!call.empty() && call[0] == ' ') call.erase(0, 1);
            started = started || line.find(s.in) != std::string::npos;
            ++(started ? after : before)[call];
        }
        ASSERT_TRUE(started);
        for (const auto& [call, count] : after)
            for (int k = 1; k <= count; ++k) {
                SCOPED_TRACE(call + " #" + std::to_string(k));
                prepare();
                ProgramOutcome killed =
                    traced({"-e", "trace=" + call, "-e",
                            "inject=" + call + ":signal=KILL:when=" + std::to_string(before[call] + k)});
                // A late call of the clean run (writing the totals, say) may not come again in the same number.
                if (killed.code == 0) continue;
                ++killPoints;
                for (const std::string& n : samples) {
                    const Bytes original = ReadAll(CorpusDir() + n);
                    expectWhole(ReadAll(s.in + n), original, protect, n);
                    if (Exists(GetBackupPath(s.in + n))) {
                        EXPECT_EQ(ReadAll(GetBackupPath(s.in + n)), original);
                    }
                }
                // The next run finishes the work; the killed run's work files go, and only those.
                for (const std::string& name : {stale, live, other}) WriteAll(s.in + name, {1, 2, 3});
                ProgramOutcome r = s.Run(args);
                EXPECT_EQ(r.code, 0) << r.out << r.err;
                for (const std::string& n : samples) {
                    const Bytes original = ReadAll(CorpusDir() + n);
                    Bytes now = ReadAll(s.in + n);
                    EXPECT_NE(now, original) << n;
                    expectWhole(now, original, protect, n);
                    if (backup) {
                        EXPECT_EQ(ReadAll(GetBackupPath(s.in + n)), original) << n;
                    }
                }
                std::map<std::string, Bytes> want = {{live, {1, 2, 3}}, {other, {1, 2, 3}}};
                for (const std::string& n : samples) {
                    want[n] = ReadAll(s.in + n);
                    if (backup) want[GetFileNamePart(GetBackupPath(s.in + n))] = ReadAll(CorpusDir() + n);
                }
                EXPECT_EQ(Snapshot(s.in), want) << "nothing but the movies, their backups and what was not ours";
            }
    }
    std::printf("kill points: %zu\n", killPoints);
    EXPECT_GE(killPoints, 100u);
}

// The progress line goes to standard error when it is a terminal, and only then.
TEST(Cli, ProgressLineOnlyOnATerminal) {
    Workspace s;
    for (int i = 0; i < 3; ++i)
        WriteAll(s.in + std::to_string(i) + ".swf", ReadAll(CorpusDir() + "shumway-morph2.swf"));
    RunningProgram onTerminal({Program(), "test", s.in}, s.logs.path(), true);
    ProgramOutcome r = onTerminal.Wait();
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.err.find("] 3/3 files, 2,031 bytes, saved 40%"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    EXPECT_EQ(r.out.find("files,"), std::string::npos);
    r = s.Run({"test", s.in});
    EXPECT_EQ(r.err, "");
}
#endif

#ifdef _WIN32
// A movie named outside the ANSI code page (kana, which code page 936 holds, and an emoji, which it does not): named
// on the command line or found in a folder, it is optimized under its short name, and no "?" is ever named.
TEST(Cli, NamesOutsideTheCodePageComeByTheirShortNames) {
    Workspace s;
    const std::string sub = Dir(s.root, "in\\sub");
    MakeFolder(sub);
    const std::wstring name = L"\u30e0\u30fc\u30d3\u30fc\U0001F600.swf";
    const std::wstring named = WideOf(s.in) + name, found = WideOf(sub) + name;
    const std::wstring source = WideOf(CorpusDir() + "shumway-morph2.swf");
    for (const std::wstring& path : {named, found}) ASSERT_TRUE(CopyFileW(source.c_str(), path.c_str(), TRUE));
    auto head = [](const std::wstring& path) {
        char bytes[3] = {};
        DWORD read = 0;
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return std::string("gone");
        ReadFile(h, bytes, sizeof bytes, &read, nullptr);
        CloseHandle(h);
        return std::string(bytes, read);
    };
    for (const std::wstring& argument : {named, WideOf(sub)}) {
        ProgramOutcome r = RunProgram({WideOf(Program()), L"optimize", L"--json", argument}, s.logs.path());
        EXPECT_EQ(r.code, 0) << r.err;
        JsonOutput j = ReadJson(r.out);
        ASSERT_EQ(j.files.size(), 1u) << r.out;
        EXPECT_EQ(j.files[0]["status"], "optimized");
        EXPECT_EQ(j.files[0]["path"].find('?'), std::string::npos) << j.files[0]["path"];
    }
    EXPECT_EQ(head(named), "CWS");
    EXPECT_EQ(head(found), "CWS");
    // An argument that names nothing, so that it has no short name either, is a usage error that names it; it is
    // never left out, where the next argument would take its place (here as the list of paths).
    const std::wstring list = WideOf(s.in) + L"\U0001F600.txt";
    ProgramOutcome r = RunProgram({WideOf(Program()), L"test", L"--files-from", list, named}, s.logs.path());
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("squozen: argument '" + s.in + "?", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("squozen --help"), std::string::npos) << r.err;
    s.ExpectTempEmpty();
}
#endif

// JSON paths: quotes, backslashes and control characters escaped; natively a byte that is not UTF-8 named as
// \u00XX; on Windows a name in the ANSI code page (936) written as UTF-8.
TEST(Cli, JsonPathsAreEscaped) {
    Workspace s;
    const Bytes movie = ReadAll(CorpusDir() + "shumway-morph2.swf");
#ifdef _WIN32
    if (GetACP() != 936) GTEST_SKIP() << "needs the code page 936";
    const std::string name = "\xb6\xaf\xbb\xad.swf";  // 动画.swf
    const std::string utf8 = "\xe5\x8a\xa8\xe7\x94\xbb.swf";
    WriteAll(s.in + name, movie);
    ProgramOutcome r = s.Run({"info", "--json", s.in});
    auto f = ReadJson(r.out).files.at(0);
    EXPECT_EQ(f["path"], s.in + utf8);
    EXPECT_EQ(f["valid"], "true");
    // The text output keeps the system's own bytes.
    r = s.Run({"info", s.in});
    std::vector<std::string> lines = Lines(r.out);
    EXPECT_NE(std::find(lines.begin(), lines.end(), s.in + name), lines.end()) << r.out;
#else
    const std::string name = "we\"ird\\\tname\n\xff\xe5\x8a\xa8.swf";
    WriteAll(s.in + name, movie);
    ProgramOutcome r = s.Run({"test", "--json", s.in});
    EXPECT_EQ(r.code, 0);
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;  // the newline of the name is escaped, not written
    EXPECT_NE(lines[0].find("we\\\"ird\\\\\\tname\\n\\u00ff\xe5\x8a\xa8.swf"), std::string::npos) << lines[0];
    auto f = ParseJsonObject(lines[0]);
    EXPECT_EQ(f["path"], s.in + "we\"ird\\\tname\n\xc3\xbf\xe5\x8a\xa8.swf");
    EXPECT_EQ(f["status"], "tested");
#endif
}
