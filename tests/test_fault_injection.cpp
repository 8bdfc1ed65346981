// Every step of every file operation made to fail in turn (open, short read, write on a full disk, close, seek,
// rename, delete): the operation reports failure or succeeds whole, the source is intact, an existing destination
// keeps its bytes, no work file is left behind and no file stays open.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "fault_files.h"
#include "movie_batch.h"
#include "swf_container.h"
#include "swf_protect.h"

using namespace sqztest;

namespace {

struct Scenario {
    const char* name;
    std::function<int(const ScratchDir&)> run;  // the operation on the scratch folder's files
    const char* source;                         // its source, which must come out intact
    const char* destination;                    // its destination
    bool destinationExists;                     // the destination holds old bytes before the operation
    std::vector<std::string> leaves = {};       // work files the operation leaves in place by design
};

Bytes Movie() { return ReadAll(CorpusDir() + "shumway-morph2.swf"); }  // an uncompressed version-6 sample
Bytes OldBytes() { return {'o', 'l', 'd'}; }
// The sample compressed as Optimize would, made without the faulty services; empty when that failed.
Bytes CompressedMovie() {
    ScratchDir reference;
    WriteAll(reference / "movie.swf", Movie());
    return CompressSwf(reference / "movie.swf", reference / "c.swf") ? ReadAll(reference / "c.swf") : Bytes();
}
bool Exists(const std::string& path) { return sqz::PlatformFiles().Find(path, nullptr); }

void Prepare(const ScratchDir& dir, const Scenario& s, const Bytes& compressed) {
    WriteAll(dir / "movie.swf", Movie());
    WriteAll(dir / "packed.swf", compressed);
    if (s.destinationExists) WriteAll(dir / s.destination, OldBytes());
}

// Runs the scenario once without faults, then once per step with that step failing.
void FailEveryStep(const Scenario& s) {
    SCOPED_TRACE(s.name);
    const Bytes compressed = CompressedMovie();
    ASSERT_FALSE(compressed.empty());
    ScratchDir clean;
    Prepare(clean, s, compressed);
    FaultyFiles files;
    ASSERT_NE(s.run(clean), 0);
    const int steps = files.Steps();
    const std::vector<std::string> cleanLog = files.Log();
    const Bytes expected = ReadAll(clean / s.destination);
    const bool inPlace = std::string(s.source) == s.destination;
    ASSERT_GT(steps, 3);

    int failures = 0;
    for (int k = 0; k < steps; ++k) {
        ScratchDir dir;
        Prepare(dir, s, compressed);
        const Bytes before = ReadAll(dir / s.source);
        files.Reset();
        files.FailAt(k);
        int ok = s.run(dir);
        SCOPED_TRACE("step " + std::to_string(k) + " (" + files.Failed() + ")");
        failures += ok ? 0 : 1;
        EXPECT_EQ(files.OpenFiles(), 0);
        if (ok) {
            EXPECT_EQ(ReadAll(dir / s.destination), expected);
        } else if (s.destinationExists || inPlace) {
            EXPECT_EQ(ReadAll(dir / s.destination), inPlace ? before : OldBytes());
        } else {
            EXPECT_FALSE(Exists(dir / s.destination)) << "a failed operation left a new destination";
        }
        if (!inPlace || !ok) {
            EXPECT_EQ(ReadAll(dir / s.source), before);
        }
        // No work file remains, unless the step that failed was the one deleting it.
        if (files.Failed() != "delete") {
            std::vector<std::string> names = dir.Names();
            for (const std::string& n : names) {
                bool expected = n == "movie.swf" || n == "packed.swf" || n == s.destination ||
                                std::find(s.leaves.begin(), s.leaves.end(), n) != s.leaves.end();
                EXPECT_TRUE(expected) << "left behind: " << n;
            }
        }
    }
    // The faults do reach the operation: most steps cannot fail unnoticed (a failed lookup is taken for a missing
    // file, a failed exclusive create is retried under a work name, so those may pass).
    EXPECT_GE(2 * failures, steps) << "steps: " << ::testing::PrintToString(cleanLog);
}

}  // namespace

TEST(FaultInjection, CompressSwf) {
    auto compress = [](const ScratchDir& d) { return CompressSwf(d / "movie.swf", d / "out.swf"); };
    FailEveryStep({"new destination", compress, "movie.swf", "out.swf", false});
    FailEveryStep({"over an existing destination", compress, "movie.swf", "out.swf", true});
    FailEveryStep({"in place", [](const ScratchDir& d) { return CompressSwf(d / "movie.swf", d / "movie.swf"); },
                   "movie.swf", "movie.swf", false});
    if (!CanCompressSwfBest()) return;
    auto best = [](const ScratchDir& d) { return CompressSwfBest(d / "movie.swf", d / "out.swf"); };
    FailEveryStep({"with Zopfli, over an existing destination", best, "movie.swf", "out.swf", true});
    FailEveryStep({"with Zopfli, in place",
                   [](const ScratchDir& d) { return CompressSwfBest(d / "movie.swf", d / "movie.swf"); }, "movie.swf",
                   "movie.swf", false});
}

TEST(FaultInjection, DecompressSwf) {
    auto decompress = [](const ScratchDir& d) { return DecompressSwf(d / "packed.swf", d / "out.swf"); };
    FailEveryStep({"new destination", decompress, "packed.swf", "out.swf", false});
    FailEveryStep({"over an existing destination", decompress, "packed.swf", "out.swf", true});
}

// Extraction always answers non-zero and empties its destination first; under faults it still closes
// everything and leaves the projector alone.
TEST(FaultInjection, ExtractProjectorSwf) {
    const std::string projector = CorpusDir() + "projectors" + sqz::kPathSep + "proj-4097.exe";
    const Bytes original = ReadAll(projector);
    FaultyFiles files;
    ScratchDir dir;
    ASSERT_NE(ExtractProjectorSwf(projector, dir / "m.swf"), 0);
    const int steps = files.Steps();
    for (int k = 0; k < steps; ++k) {
        files.Reset();
        files.FailAt(k);
        EXPECT_NE(ExtractProjectorSwf(projector, dir / "m.swf"), 0);
        EXPECT_EQ(files.OpenFiles(), 0) << "step " << k;
    }
    EXPECT_EQ(ReadAll(projector), original);
}

TEST(FaultInjection, Protection) {
    auto insert = [](const ScratchDir& d) { return InsertProtectTag(d / "movie.swf", d / "out.swf"); };
    FailEveryStep({"uncompressed, new destination", insert, "movie.swf", "out.swf", false});
    FailEveryStep({"uncompressed, over an existing destination", insert, "movie.swf", "out.swf", true});
    auto packed = [](const ScratchDir& d) {
        return ProtectSwfVia(d / "packed.swf", d / "out.swf", d / "w1.swf", d / "w2.swf");
    };
    FailEveryStep({"compressed, new destination", packed, "packed.swf", "out.swf", false, {"w1.swf", "w2.swf"}});
    FailEveryStep(
        {"compressed, over an existing destination", packed, "packed.swf", "out.swf", true, {"w1.swf", "w2.swf"}});
}

// The protection test only reads: whatever step fails, it answers, closes its file and writes nothing.
TEST(FaultInjection, ProtectionTestOnlyReads) {
    ScratchDir dir;
    Bytes movie = ReadAll(CorpusDir() + "swfdec-DoInitAction-once.swf");  // a compressed sample
    WriteAll(dir / "m.swf", movie);
    FaultyFiles files;
    IsSwfProtected(dir / "m.swf");
    const int steps = files.Steps();
    for (int k = 0; k < steps; ++k) {
        files.Reset();
        files.FailAt(k);
        EXPECT_EQ(IsSwfProtected(dir / "m.swf"), 0) << "step " << k;
        EXPECT_EQ(files.OpenFiles(), 0) << "step " << k;
    }
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"m.swf"});
    EXPECT_EQ(ReadAll(dir / "m.swf"), movie);
}

// The Optimize step of one movie (backup, then the safe replace) with every file step failing in turn, with and
// without a backup and over an older one: it succeeds whole or fails naming its step, the source keeps its bytes
// unless it succeeded, a backup is whole or not there (or still the older one), no file stays open and no work
// file is left beside the movie. A failing read, write, flush, close or rename can never pass unnoticed.
TEST(FaultInjection, ReplaceMovie) {
    const Bytes original = Movie();
    const Bytes compressed = CompressedMovie();
    ASSERT_FALSE(compressed.empty());
    const Bytes old = OldBytes();

    for (int backup : {1, 0}) {
        for (bool older : {false, true}) {
            SCOPED_TRACE(std::string(backup ? "backup" : "no backup") + (older ? ", older backup" : ""));
            auto prepare = [&](const ScratchDir& d) {
                WriteAll(d / "movie.swf", original);
                WriteAll(d / "out.swf", compressed);
                if (older) WriteAll(d / "movie_bak.swf", old);
            };
            ScratchDir clean;
            prepare(clean);
            FaultyFiles files;
            ASSERT_EQ(ReplaceMovie(clean / "movie.swf", clean / "out.swf", backup).step, MovieStep::kNone);
            const int steps = files.Steps();
            ASSERT_GT(steps, 5);
            for (int k = 0; k < steps; ++k) {
                ScratchDir dir;
                prepare(dir);
                files.Reset();
                files.FailAt(k);
                MovieFailure f = ReplaceMovie(dir / "movie.swf", dir / "out.swf", backup);
                const std::string kind = files.Failed();
                SCOPED_TRACE("step " + std::to_string(k) + " (" + kind + ")");
                EXPECT_EQ(files.OpenFiles(), 0);
                const bool hasBackup = Exists(dir / "movie_bak.swf");
                if (f.step == MovieStep::kNone) {
                    EXPECT_EQ(ReadAll(dir / "movie.swf"), compressed);
                    if (backup) {
                        EXPECT_EQ(ReadAll(dir / "movie_bak.swf"), original);
                    }
                } else {
                    EXPECT_FALSE(f.strWhat.empty());
                    EXPECT_EQ(ReadAll(dir / "movie.swf"), original);
                    if (hasBackup) {
                        Bytes b = ReadAll(dir / "movie_bak.swf");
                        EXPECT_TRUE(b == original || (older && b == old)) << "a damaged backup";
                    }
                }
                if (older && !backup) {
                    EXPECT_EQ(ReadAll(dir / "movie_bak.swf"), old);
                }
                if (kind == "read" || kind == "write" || kind == "sync" || kind == "close" || kind == "replace" ||
                    kind == "replace-existing") {
                    EXPECT_NE(f.step, MovieStep::kNone) << "a failed " << kind << " passed unnoticed";
                }
                if (kind != "delete") {
                    for (const std::string& n : dir.Names())
                        EXPECT_TRUE(n == "movie.swf" || n == "out.swf" || n == "movie_bak.swf") << "left behind: " << n;
                }
            }
        }
    }
}

// The optimizing step with protection, every file step failing in turn: a compressed output that inflates back to
// the protected movie, or a reported failure of the compression or of its verification; the source intact and
// nothing left open. The tag is inserted on the way, so there is no protection step of its own to fall back from.
TEST(FaultInjection, OptimizeMovie) {
    const Bytes original = Movie();
    ScratchDir clean;
    WriteAll(clean / "movie.swf", original);
    FaultyFiles files;
    MovieOptimizeResult r = OptimizeMovie(clean / "movie.swf", GetMovieWorkFiles(clean.path(), clean / "movie.swf"), 1);
    ASSERT_NE(r.bOk, 0);
    ASSERT_NE(r.bProtected, 0);
    const Bytes protectedBody = InflateBody(ReadAll(clean / "movie_Comp.swf"));
    const int steps = files.Steps();
    int fellBack = 0;
    for (int k = 0; k < steps; ++k) {
        ScratchDir dir;
        WriteAll(dir / "movie.swf", original);
        MovieWorkFiles work = GetMovieWorkFiles(dir.path(), dir / "movie.swf");
        files.Reset();
        files.FailAt(k);
        r = OptimizeMovie(dir / "movie.swf", work, 1);
        const std::string kind = files.Failed();
        SCOPED_TRACE("step " + std::to_string(k) + " (" + kind + ")");
        EXPECT_EQ(files.OpenFiles(), 0);
        EXPECT_EQ(ReadAll(dir / "movie.swf"), original);
        if (!r.bOk) {
            EXPECT_TRUE(r.failure.step == MovieStep::kCompress || r.failure.step == MovieStep::kVerify);
            EXPECT_FALSE(r.failure.strWhat.empty());
            continue;
        }
        Bytes out = ReadAll(work.strOutput);
        EXPECT_EQ(InflateBody(out), r.bProtected ? protectedBody : Slice(original, 8, SIZE_MAX));
        fellBack += r.bProtected ? 0 : 1;
        if (kind != "find") {
            EXPECT_EQ(r.nAfter, out.size());
            EXPECT_EQ(r.nBefore, r.bProtected ? original.size() + 2 : original.size());
        }
    }
    EXPECT_EQ(fellBack, 0);
}

// Another program holding a file for a moment (a virus scanner or an indexer opening what was just written): every
// step that writes beside the movie (creating a work file, putting it in place over the backup and over the movie,
// removing it after a failure) is tried again, so a refusal that clears after two tries costs the row nothing. One
// that never clears fails the step as before with the movie as it was and nothing left beside it, and access denied
// on a read-only movie fails at the first try.
TEST(FaultInjection, PassingRefusals) {
    const Bytes original = Movie();
    const Bytes compressed = CompressedMovie();
    ASSERT_FALSE(compressed.empty());
    auto prepare = [&](const ScratchDir& d) {
        WriteAll(d / "movie.swf", original);
        WriteAll(d / "out.swf", compressed);
        WriteAll(d / "movie_bak.swf", OldBytes());  // an older backup: the new one goes through a work file too
    };
    auto tries = [](const FaultyFiles& files, const std::string& kind) {
        return std::count(files.Log().begin(), files.Log().end(), kind);
    };
    auto expectNothingBeside = [](const ScratchDir& d) {
        EXPECT_EQ(d.Names(), (std::vector<std::string>{"movie.swf", "movie_bak.swf", "out.swf"}));
    };
    FaultyFiles files;
    {
        ScratchDir clean;
        prepare(clean);
        ASSERT_EQ(ReplaceMovie(clean / "movie.swf", clean / "out.swf", 1).step, MovieStep::kNone);
    }
    const std::vector<std::string> cleanLog = files.Log();
    for (const char* kind : {"open-write", "replace", "replace-existing"}) {
        SCOPED_TRACE(kind);
        ScratchDir dir;
        prepare(dir);
        files.Reset();
        files.Refuse(kind, InUseError(), 2);
        MovieFailure f = ReplaceMovie(dir / "movie.swf", dir / "out.swf", 1);
        EXPECT_EQ(f.step, MovieStep::kNone) << f.strWhat;
        EXPECT_EQ(tries(files, kind), std::count(cleanLog.begin(), cleanLog.end(), kind) + 2);
        EXPECT_EQ(ReadAll(dir / "movie.swf"), compressed);
        EXPECT_EQ(ReadAll(dir / "movie_bak.swf"), original);
        expectNothingBeside(dir);
    }
    {
        SCOPED_TRACE("in use for good, and its work file held for a moment too");
        ScratchDir dir;
        prepare(dir);
        files.Reset();
        files.Refuse("replace-existing", InUseError(), -1);
        MovieFailure f = ReplaceMovie(dir / "movie.swf", dir / "out.swf", 1);
        EXPECT_EQ(f.step, MovieStep::kReplace);
        EXPECT_EQ(f.nSystemError, InUseError());
        EXPECT_GT(tries(files, "replace-existing"), 3);
        EXPECT_EQ(ReadAll(dir / "movie.swf"), original);
        EXPECT_EQ(ReadAll(dir / "movie_bak.swf"), original);
        expectNothingBeside(dir);

        // A write that fails for good (a full disk) and a work file that cannot be removed at the first tries.
        ScratchDir again;
        prepare(again);
        files.Reset();
        files.Refuse("delete", InUseError(), 2);
        for (size_t k = 0; k < cleanLog.size(); ++k)
            if (cleanLog[k] == "write") files.FailAt(static_cast<int>(k));  // the last write: the movie's
        EXPECT_EQ(ReplaceMovie(again / "movie.swf", again / "out.swf", 1).step, MovieStep::kReplace);
        EXPECT_EQ(tries(files, "delete"), 3);
        EXPECT_EQ(ReadAll(again / "movie.swf"), original);
        expectNothingBeside(again);
    }
    {
        SCOPED_TRACE("read-only movie");
        ScratchDir dir;
        prepare(dir);
        ASSERT_TRUE(SetReadOnly(dir / "movie.swf", true));
        files.Reset();
        files.FailAt(-1);
        files.Refuse("replace-existing", AccessDeniedError(), -1);
        MovieFailure f = ReplaceMovie(dir / "movie.swf", dir / "out.swf", 1);
        EXPECT_EQ(f.step, MovieStep::kReplace) << DescribeMovieFailure(f);
        EXPECT_EQ(tries(files, "replace-existing"), 1) << ::testing::PrintToString(files.Log());
        ASSERT_TRUE(SetReadOnly(dir / "movie.swf", false));
        EXPECT_EQ(ReadAll(dir / "movie.swf"), original);
        expectNothingBeside(dir);
    }
}
