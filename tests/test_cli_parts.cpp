// The parts of the command-line tool that need no program run: the command line, JSON strings, the progress
// line, the ordered pool and the walk of folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

#ifdef _WIN32
#include "ansi_path.h"
#endif
#include "inputs.h"
#include "json_text.h"
#include "options.h"
#include "ordered_pool.h"
#include "path_list.h"
#include "program_runner.h"
#include "progress_bar.h"
#include "swf_container.h"
#include "test_support.h"

using namespace sqzcli;
using namespace sqztest;

TEST(CommandLine, CommandsAndOptions) {
    ParsedCommandLine p = ParseCommandLine({"optimize", "-r", "a.swf", "--jobs", "3", "--no-backup", "--protect", "b"});
    ASSERT_TRUE(p.bOk) << p.strError;
    EXPECT_EQ(p.options.command, Command::kOptimize);
    EXPECT_TRUE(p.options.bRecursive);
    EXPECT_FALSE(p.options.bBackup);
    EXPECT_TRUE(p.options.bProtect);
    EXPECT_FALSE(p.options.bJson);
    EXPECT_EQ(p.options.nJobs, 3u);
    EXPECT_EQ(p.options.paths, (std::vector<std::string>{"a.swf", "b"}));

    p = ParseCommandLine({"test", "--jobs=2", "-j4", "--json", "--", "--odd name.swf", "-"});
    ASSERT_TRUE(p.bOk) << p.strError;
    EXPECT_EQ(p.options.nJobs, 4u);
    EXPECT_TRUE(p.options.bJson);
    EXPECT_TRUE(p.options.bBackup);
    EXPECT_EQ(p.options.paths, (std::vector<std::string>{"--odd name.swf", "-"}));

    p = ParseCommandLine({"info", "--json", "x.swf"});
    ASSERT_TRUE(p.bOk);
    EXPECT_EQ(p.options.command, Command::kInfo);
    EXPECT_EQ(p.options.nJobs, 0u);  // the number of cores

    // Help wins over everything else, even an unknown command.
    EXPECT_EQ(ParseCommandLine({"frobnicate", "--help"}).options.command, Command::kHelp);
    EXPECT_TRUE(ParseCommandLine({"-h"}).bOk);
    EXPECT_EQ(ParseCommandLine({"--version"}).options.command, Command::kVersion);
    // A list of paths instead of, or beside, the paths of the command line.
    p = ParseCommandLine({"optimize", "--files-from", "-", "-0", "--best"});
    ASSERT_TRUE(p.bOk) << p.strError;
    EXPECT_EQ(p.options.strFilesFrom, "-");
    EXPECT_TRUE(p.options.bNulSeparated);
    EXPECT_EQ(p.options.bBest, CanCompressSwfBest() != 0);
    EXPECT_TRUE(p.options.paths.empty());
    p = ParseCommandLine({"info", "a.swf", "--files-from=list.txt"});
    ASSERT_TRUE(p.bOk) << p.strError;
    EXPECT_EQ(p.options.strFilesFrom, "list.txt");
    EXPECT_FALSE(p.options.bNulSeparated);
    EXPECT_EQ(p.options.paths, (std::vector<std::string>{"a.swf"}));
    // After "--" it is a file name.
    p = ParseCommandLine({"test", "--", "--help"});
    ASSERT_TRUE(p.bOk);
    EXPECT_EQ(p.options.command, Command::kTest);
    EXPECT_EQ(p.options.paths, (std::vector<std::string>{"--help"}));
}

TEST(CommandLine, UsageErrors) {
    const std::vector<std::vector<std::string>> refused = {
        {},
        {"compress", "a.swf"},
        {"-r", "test", "a.swf"},
        {"test"},
        {"optimize", "--json"},
        {"test", "--frobnicate", "a.swf"},
        {"test", "-json", "a.swf"},
        {"test", "--jobs", "a.swf"},
        {"test", "a.swf", "--jobs"},
        {"test", "--jobs", "0", "a.swf"},
        {"test", "--jobs", "1025", "a.swf"},
        {"test", "--jobs=two", "a.swf"},
        {"test", "-j-1", "a.swf"},
        {"test", "--no-backup", "a.swf"},
        {"info", "--protect", "a.swf"},
        {"info", "--no-backup", "a.swf"},
        {"info", "--best", "a.swf"},
        {"info", "--keep-version", "a.swf"},
        {"test", "--files-from"},
        {"test", "--files-from=", "a.swf"},
        {"test", "--files-from", "a", "--files-from", "b"},
        {"test", "-0", "a.swf"},
        {"test", ""},
        {"info", "a.swf", "--", ""},
    };
    for (const auto& args : refused) {
        ParsedCommandLine p = ParseCommandLine(args);
        std::string shown;
        for (const std::string& a : args) shown += a + " ";
        EXPECT_FALSE(p.bOk) << shown;
        EXPECT_FALSE(p.strError.empty()) << shown;
    }
    EXPECT_NE(ParseCommandLine({"test", "--jobs", "x", "a.swf"}).strError.find("'x'"), std::string::npos);
    EXPECT_NE(ParseCommandLine({"zip", "a"}).strError.find("zip"), std::string::npos);
    // A build without Zopfli says so.
    if (!CanCompressSwfBest()) {
        EXPECT_NE(ParseCommandLine({"test", "--best", "a.swf"}).strError.find("Zopfli"), std::string::npos);
    }
}

TEST(JsonText, StringsAreEscapedAndStrayBytesNamed) {
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("C:\\m\\\"a\".swf"), "\"C:\\\\m\\\\\\\"a\\\".swf\"");
    EXPECT_EQ(JsonString(std::string("a\nb\tc\rd\be\ff\x01g\x1fh\x7f", 16)),
              "\"a\\nb\\tc\\rd\\be\\ff\\u0001g\\u001fh\x7f\"");
    EXPECT_EQ(JsonString(std::string("\0", 1)), "\"\\u0000\"");
    // Valid UTF-8 stays as it is: two, three and four bytes.
    EXPECT_EQ(JsonString("\xc3\xa9\xe5\x8a\xa8\xf0\x9f\x8e\xac"), "\"\xc3\xa9\xe5\x8a\xa8\xf0\x9f\x8e\xac\"");
    // Code-page 936 bytes of a name (动画 is B6 AF BB AD) are not UTF-8: each byte is named.
    EXPECT_EQ(JsonString("\xb6\xaf\xbb\xad.swf"), "\"\\u00b6\\u00af\\u00bb\\u00ad.swf\"");
    // Cut sequences, overlong forms, surrogates and values beyond U+10FFFF are not characters either.
    EXPECT_EQ(JsonString("\xe5\x8a"), "\"\\u00e5\\u008a\"");
    EXPECT_EQ(JsonString("\xc0\xaf"), "\"\\u00c0\\u00af\"");
    EXPECT_EQ(JsonString("\xe0\x80\xaf"), "\"\\u00e0\\u0080\\u00af\"");
    EXPECT_EQ(JsonString("\xed\xa0\x80"), "\"\\u00ed\\u00a0\\u0080\"");
    EXPECT_EQ(JsonString("\xf4\x90\x80\x80"), "\"\\u00f4\\u0090\\u0080\\u0080\"");
    // A stray byte does not swallow the valid character after it.
    EXPECT_EQ(JsonString("\xff\xc3\xa9"), "\"\\u00ff\xc3\xa9\"");

    // What the tool writes reads back as what it meant.
    JsonObject inner;
    inner.Add("files", uint64_t(3)).AddBool("interrupted", false);
    JsonObject o;
    o.Add("path", "D:\\m\\\"x\"\n.swf").Add("n", int64_t(-12)).Add("size", uint32_t(4000000000u)).AddBool("ok", true);
    o.Add("totals", inner);
    auto fields = ParseJsonObject(o.Text());
    EXPECT_EQ(fields["path"], "D:\\m\\\"x\"\n.swf");
    EXPECT_EQ(fields["n"], "-12");
    EXPECT_EQ(fields["size"], "4000000000");
    EXPECT_EQ(fields["ok"], "true");
    EXPECT_EQ(fields["totals.files"], "3");
    EXPECT_EQ(fields["totals.interrupted"], "false");
}

TEST(ProgressLine, FiguresAndWidth) {
    EXPECT_EQ(TotalSavingRatio(1000, 630), 37);
    EXPECT_EQ(TotalSavingRatio(1000, 1100), -10);
    EXPECT_EQ(TotalSavingRatio(0, 10), 0);
    // Sums far beyond 32 bits.
    EXPECT_EQ(TotalSavingRatio(40000000000000ull, 10000000000000ull), 75);

    Progress p;
    p.nDone = 5;
    p.nTotal = 20;
    p.nBytesBefore = 1000;
    p.nBytesAfter = 630;
    EXPECT_EQ(ProgressText(p, 80), "[#####---------------] 5/20 files, 1,000 bytes, saved 37%");
    std::string narrow = ProgressText(p, 30);
    EXPECT_LE(narrow.size(), 29u);
    EXPECT_EQ(narrow.compare(0, 4, "5/20"), 0);  // the bar goes first when room is short
    p.nBytesBefore = 0;
    EXPECT_EQ(ProgressText(p, 80).find("saved"), std::string::npos);
}

TEST(OrderedPool, ResultsComeInOrderAndEveryItemOnce) {
    for (unsigned jobs : {1u, 2u, 7u, 64u}) {
        SCOPED_TRACE(jobs);
        const size_t count = 200;
        std::vector<std::atomic<int>> runs(count);
        std::vector<size_t> reported;
        std::set<unsigned> workers;
        std::mutex m;
        PoolCallbacks c;
        c.work = [&](size_t i, unsigned w) {
            // Later items finish first now and then, so that the order has to be restored.
            if (i % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(300));
            ++runs[i];
            std::lock_guard<std::mutex> lock(m);
            workers.insert(w);
        };
        c.done = [&](size_t i) { reported.push_back(i); };
        EXPECT_EQ(RunOrdered(count, jobs, c), count);
        for (size_t i = 0; i < count; ++i) EXPECT_EQ(runs[i], 1) << i;
        ASSERT_EQ(reported.size(), count);
        for (size_t i = 0; i < count; ++i) EXPECT_EQ(reported[i], i);
        EXPECT_LE(*workers.rbegin(), jobs - 1);
    }
    PoolCallbacks none;
    none.work = [](size_t, unsigned) { ADD_FAILURE(); };
    none.done = [](size_t) { ADD_FAILURE(); };
    EXPECT_EQ(RunOrdered(0, 4, none), 0u);
}

TEST(OrderedPool, StopFinishesWhatWasStarted) {
    std::atomic<size_t> started{0};
    std::vector<size_t> reported;
    PoolCallbacks c;
    c.work = [&](size_t, unsigned) {
        ++started;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    c.done = [&](size_t i) { reported.push_back(i); };
    c.stop = [&] { return started >= 10; };
    size_t done = RunOrdered(1000, 3, c);
    EXPECT_EQ(done, started.load());
    EXPECT_GE(done, 10u);
    EXPECT_LT(done, 20u);
    ASSERT_EQ(reported.size(), done);
    for (size_t i = 0; i < done; ++i) EXPECT_EQ(reported[i], i);
}

TEST(Inputs, FoldersAreWalkedInNameOrder) {
    ScratchDir d;
    const char sep = sqz::kPathSep;
    auto put = [&](const std::string& rel) { WriteAll(d / rel, {'F', 'W', 'S'}); };
    sqz::PlatformFiles().CreateFolder(d / "b");
    sqz::PlatformFiles().CreateFolder(d / "a");
    sqz::PlatformFiles().CreateFolder(d / "a" + sep + "deep");
    put("z.swf");
    put("m.SWF");
    put("m_bak.swf");
    put("notes.txt");
    put(std::string("a") + sep + "one.swf");
    put(std::string("a") + sep + "deep" + sep + "two.swf");
    put(std::string("b") + sep + "three.swf");
    put("x.exe");

    auto paths = [](const std::vector<InputFile>& in) {
        std::vector<std::string> out;
        for (const InputFile& f : in) out.push_back(f.strError.empty() ? f.strPath : "missing:" + f.strPath);
        return out;
    };
    const std::string root = d.path();
    EXPECT_EQ(paths(CollectInputs({root}, false)), (std::vector<std::string>{root + "m.SWF", root + "z.swf"}));
    EXPECT_EQ(paths(CollectInputs({root}, true)),
              (std::vector<std::string>{root + "m.SWF", root + "z.swf", root + "a" + sep + "one.swf",
                                        root + "a" + sep + "deep" + sep + "two.swf", root + "b" + sep + "three.swf"}));
    // Named files are taken whatever their names; a file reached twice counts once; a missing one is reported.
    EXPECT_EQ(
        paths(CollectInputs({root + "x.exe", root + "m_bak.swf", root + "z.swf", root, root + "nothing.swf"}, false)),
        (std::vector<std::string>{root + "x.exe", root + "m_bak.swf", root + "z.swf", root + "m.SWF",
                                  "missing:" + root + "nothing.swf"}));
    // A folder named with or without its separator.
    std::string noSep = root.substr(0, root.size() - 1);
    EXPECT_EQ(paths(CollectInputs({noSep + sep + "b"}, false)),
              (std::vector<std::string>{root + "b" + sep + "three.swf"}));
    EXPECT_EQ(paths(CollectInputs({root + "b" + sep}, false)),
              (std::vector<std::string>{root + "b" + sep + "three.swf"}));
#ifdef _WIN32
    // Names the ANSI code page cannot hold (an emoji): two movies come by their short names, two files apart; on a
    // volume without short names the folder reports what it left out that the walk would take (the movies, and the
    // subfolder when walking subfolders; not the text file).
    const std::wstring wideRoot = WideOf(root), kana = L"\u30e0\u30fc\u30d3\u30fc";
    for (const wchar_t* name : {L"\U0001F600.swf", L"\U0001F601.swf", L"\U0001F600.txt"})
        CopyFileW(WideOf(d / "z.swf").c_str(), (wideRoot + kana + name).c_str(), TRUE);
    CreateDirectoryW((wideRoot + L"\U0001F4C1").c_str(), nullptr);
    CopyFileW(WideOf(d / "z.swf").c_str(), (wideRoot + L"\U0001F4C1\\four.swf").c_str(), TRUE);
    std::vector<std::string> found = paths(CollectInputs({root}, true));
    ASSERT_EQ(found.size(), 8u);
    EXPECT_EQ(std::set<std::string>(found.begin(), found.end()).size(), 8u);
    std::set<std::string> direct;
    for (const std::string& path : found) {
        EXPECT_EQ(path.find('?'), std::string::npos) << path;
        if (path.find(sep, root.size()) == std::string::npos) direct.insert(path);
    }
    EXPECT_EQ(direct.size(), 4u);
    EXPECT_EQ(direct.count(root + "m.SWF") + direct.count(root + "z.swf"), 2u);
    EXPECT_EQ(std::count_if(found.begin(), found.end(),
                            [](const std::string& path) { return path.find("\\four.swf") != std::string::npos; }),
              1);

    ansi_path::ShortPathLookupInUse() = [](const std::wstring&) { return std::wstring(); };
    std::vector<InputFile> flat = CollectInputs({root}, false), deep = CollectInputs({root}, true);
    ansi_path::ShortPathLookupInUse() = ansi_path::VolumeShortPath;
    EXPECT_EQ(paths(flat), (std::vector<std::string>{root + "m.SWF", root + "z.swf", "missing:" + root}));
    EXPECT_EQ(flat.back().strError, LeftOutReason(2));
    EXPECT_EQ(paths(deep),
              (std::vector<std::string>{root + "m.SWF", root + "z.swf", "missing:" + root, root + "a" + sep + "one.swf",
                                        root + "a" + sep + "deep" + sep + "two.swf", root + "b" + sep + "three.swf"}));
    EXPECT_EQ(deep[2].strError, LeftOutReason(3));
#endif
}

// The lists of --files-from: lines with Windows or POSIX ends, or NUL-separated entries; empty entries left out,
// everything else kept; the same paths however the text is cut into pieces.
TEST(Inputs, PathListsByLineAndByNul) {
    auto split = [](const std::string& text, bool nul, size_t piece) {
        std::vector<std::string> paths;
        PathListSplitter splitter(nul, &paths);
        for (size_t at = 0; at < text.size(); at += piece)
            splitter.Add(text.data() + at, std::min(piece, text.size() - at));
        splitter.Finish();
        return paths;
    };
    const std::string lines = "a.swf\r\n\r\n\n  spaced name .swf\n\"quoted\".swf\r\nC:\\m\\x.swf\rmid\r\nlast";
    const std::string nul = std::string("new\nline.swf\0\0 cr\r\0tab\tname\0", 28) + "last\r\n";
    for (size_t piece : {size_t(1), size_t(2), size_t(7), size_t(4096)}) {
        SCOPED_TRACE(piece);
        EXPECT_EQ(split(lines, false, piece), (std::vector<std::string>{"a.swf", "  spaced name .swf", "\"quoted\".swf",
                                                                        "C:\\m\\x.swf\rmid", "last"}));
        EXPECT_EQ(split(nul, true, piece),
                  (std::vector<std::string>{"new\nline.swf", " cr\r", "tab\tname", "last\r\n"}));
    }
    EXPECT_TRUE(split("", false, 1).empty());
    EXPECT_TRUE(split("\r\n\n", false, 1).empty());
    EXPECT_TRUE(split(std::string("\0\0", 2), true, 1).empty());
    // A list ending with its separator has no empty last entry.
    EXPECT_EQ(split("a\n", false, 1), std::vector<std::string>{"a"});

    ScratchDir d;
    std::vector<std::string> paths = {"given.swf"};
    std::string error;
    WriteAll(d / "list", Bytes(lines.begin(), lines.end()));
    ASSERT_TRUE(ReadPathList(d / "list", false, &paths, &error)) << error;
    EXPECT_EQ(paths.size(), 6u);
    EXPECT_EQ(paths.front(), "given.swf");
    EXPECT_FALSE(ReadPathList(d / "missing", false, &paths, &error));
    EXPECT_NE(error.find(d / "missing"), std::string::npos) << error;
    EXPECT_FALSE(ReadPathList(d.path(), false, &paths, &error));  // a folder is no list
    EXPECT_EQ(paths.size(), 6u);
}
