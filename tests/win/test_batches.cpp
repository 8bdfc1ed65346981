// Test and Optimize on the real window, on copies of the sample movies: which rows they work on, the work files,
// the replaced movies and their backups, what the rows show, the failure boxes, and every way the replace can be
// refused (read-only movie or folder, a movie in use, a full disk) with nothing lost.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <thread>

#include "busy_hook.h"
#include "file_helpers.h"
#include "gui_test_support.h"
#include "mbcs.h"
#include "resource.h"
#include "swf_container.h"
#include "swf_protect.h"
#include "window_test_support.h"

using sqztest::Ansi;
using sqztest::Bytes;
using sqztest::ProgramFixture;
using sqztest::ReadAll;
using sqztest::SeenBox;

namespace {

const char kCaption[] = "Zenvola SWF Optimizer";

// The program with rows of movie copies in a scratch folder, and the options of a batch.
struct Batch {
    ProgramFixture p;
    sqztest::ScratchDir movies;

    Batch(int backup = 0, int protect = 0) {
        EXPECT_TRUE(p.Start());
        p.view().m_bBackup = backup;
        p.view().m_bProtect = protect;
    }
    // A copy of sample `name` as `as` in `folder` (the scratch folder by default), with its row.
    std::string Add(const std::string& name, const std::string& as, std::string folder = "") {
        std::string path = (folder.empty() ? movies.path() : folder) + as;
        sqztest::CopyMovie(name, path);
        p.AddFiles({path});
        return path;
    }
    std::string AddBytes(const Bytes& data, const std::string& as) {
        sqztest::WriteAll(movies / as, data);
        p.AddFiles({movies / as});
        return movies / as;
    }
    // Runs a command of the main window, answering its question with `answer` and closing every other box.
    std::vector<SeenBox> Run(UINT command, int answer = IDNO) {
        return sqztest::AnswerBoxes([&] { p.frame().SendMessage(WM_COMMAND, command); },
                                    [answer](HWND box, size_t) {
                                        int button = ::GetDlgItem(box, IDYES) ? answer : IDOK;
                                        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
                                    });
    }
    std::string Output(const std::string& stem) { return p.folder() + "temp\\" + stem + "_Comp.swf"; }
    sqztest::ListRow Row(int i) { return p.Rows().at(static_cast<size_t>(i)); }
};

std::string Failed(const std::string& path) { return Ansi("优化 ") + path + Ansi(" 失败！"); }

// The failure boxes that came up, by their text; each carries the program's caption.
std::vector<std::string> BoxTexts(const std::vector<SeenBox>& boxes) {
    std::vector<std::string> texts;
    for (const SeenBox& box : boxes) {
        EXPECT_EQ(box.caption, kCaption);
        texts.push_back(box.texts.empty() ? std::string() : box.texts.back());
    }
    return texts;
}

std::string Percent(long long before, long long after) { return std::to_string((before - after) * 100 / before) + "%"; }

// The movie at `path` after a successful Optimize of `original`: compressed, of the source's version from 6 on (6 for
// an older movie), inflating to the body of `body` (the original, or its protected copy); the row says so.
void ExpectOptimized(const std::string& path, const Bytes& body, const sqztest::ListRow& row) {
    Bytes now = ReadAll(path);
    ASSERT_GE(now.size(), 8u) << path;
    const unsigned version = body[3] < 6 ? 6u : body[3];
    EXPECT_EQ(std::string(now.begin(), now.begin() + 3), "CWS");
    EXPECT_EQ(now[3], version);
    EXPECT_EQ(sqztest::InflateBody(now), sqztest::Slice(body, 8, body.size()));
    EXPECT_EQ(row.cells[3], FormatThousands(static_cast<int32_t>(now.size())));
    EXPECT_EQ(row.cells[4], Percent(static_cast<long long>(body.size()), static_cast<long long>(now.size())));
    EXPECT_EQ(row.cells[5], std::to_string(version));
    EXPECT_EQ(row.cells[6], Ansi("已优化"));
    EXPECT_EQ(row.image, 1);
}

// The row of a movie no batch has touched.
void ExpectUntouched(const sqztest::ListRow& row, const char* version) {
    EXPECT_EQ(row.cells[3], "");
    EXPECT_EQ(row.cells[4], "");
    EXPECT_EQ(row.cells[5], version);
    EXPECT_EQ(row.cells[6], Ansi("就绪"));
}

// An uncompressed version-6 movie of exactly 1,000 bytes whose compressed form is `compressed` bytes long: the
// body is pseudo-random bytes of a few bits each, as many as that takes, then zeros.
Bytes ThousandByteMovie(size_t compressed) {
    for (unsigned bits : {0x3Fu, 0x7Fu, 0xFFu})
        for (size_t random = 0; random < 992; ++random) {
            Bytes body(992, 0);
            unsigned seed = 12345;
            for (size_t i = 0; i < random; ++i)
                body[i] = static_cast<unsigned char>(((seed = seed * 1103515245u + 12345u) >> 16) & bits);
            if (8 + sqztest::Deflate(body).size() == compressed) return sqztest::MakeMovie("FWS", 6, 1000, body);
        }
    ADD_FAILURE() << "no body compresses to " << compressed << " bytes";
    return {};
}

// An uncompressed version-7 movie of 550 x 400 pixels, 12 frames a second, 34 frames, then 16 MB of bytes that take
// zlib a while.
Bytes LargeMovie() {
    Bytes body = sqztest::FrameHeader(15, 0, 550 * 20, 0, 400 * 20, 12 << 8, 34);
    unsigned seed = 7;
    for (size_t i = body.size(); i < 16 * 1024 * 1024; ++i)
        body.push_back(static_cast<unsigned char>(((seed = seed * 1103515245u + 12345u) >> 16) & 15));
    return sqztest::MakeMovie("FWS", 7, static_cast<uint32_t>(body.size() + 8), body);
}

// The version-5 sample movie without scripts, with the tag `tag` before its End tag.
Bytes ScriptFreeFiveWith(const Bytes& tag) {
    const Bytes base = ReadAll(sqztest::CorpusDir() + "swfdec-clip-change-backward-5.swf");
    const Bytes body = sqztest::Cat(sqztest::Cat(sqztest::Slice(base, 8, base.size() - 10), tag), sqztest::Tag(0));
    return sqztest::MakeMovie("FWS", 5, static_cast<uint32_t>(body.size() + 8), body);
}

// The work files (~sqz*.tmp) in `folder`.
std::vector<std::string> WorkFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const std::string& name : sqztest::FolderNames(folder))
        if (name.compare(0, 4, "~sqz") == 0) names.push_back(name);
    return names;
}

// Whether `text` fits in pane `pane` of status bar `bar` in the bar's font, with room for the pane's borders.
bool FitsInPane(HWND bar, int pane, const std::string& text) {
    RECT r = {};
    ::SendMessageA(bar, SB_GETRECT, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(&r));
    HDC dc = ::GetDC(bar);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(bar, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc, old);
    ::ReleaseDC(bar, dc);
    return extent.cx > 0 && extent.cx + 8 <= r.right - r.left;
}

}  // namespace

TEST(Batches, TestWritesTheWorkOutputsAndLeavesEverySourceAsItWas) {
    Batch b;
    // Nothing in the list: neither batch asks anything.
    EXPECT_TRUE(b.Run(ID_TOOL_TEST).empty());
    EXPECT_TRUE(b.Run(ID_TOOL_OPTIMIZE).empty());

    // Versions 4 to 7; the two below 6 have nothing that depends on their version.
    const char* names[] = {"swfdec-morph-gradient-4.swf", "swfdec-clip-change-backward-5.swf", "swfdec-offspring.swf",
                           "swfdec-blend-mode-erase-7.swf"};
    std::vector<std::string> paths;
    for (const char* name : names) paths.push_back(b.Add(name, name));
    // No row selected: the question; "no" changes nothing.
    std::vector<SeenBox> asked = b.Run(ID_TOOL_TEST, IDNO);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].caption, kCaption);
    EXPECT_EQ(asked[0].texts, (std::vector<std::string>{Ansi("你要测试所有项目吗？")}));
    EXPECT_FALSE(PathExists(b.Output("swfdec-morph-gradient-4")));
    asked = b.Run(ID_TOOL_OPTIMIZE, IDNO);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].texts, (std::vector<std::string>{Ansi("你要优化所有的文件吗？")}));
    EXPECT_EQ(ReadAll(paths[0]), ReadAll(sqztest::CorpusDir() + names[0]));

    // "Yes": every row, and nothing but the work folder is written.
    EXPECT_EQ(b.Run(ID_TOOL_TEST, IDYES).size(), 1u);
    for (size_t i = 0; i < paths.size(); ++i) {
        Bytes source = ReadAll(sqztest::CorpusDir() + names[i]);
        EXPECT_EQ(ReadAll(paths[i]), source) << names[i];
        Bytes output = ReadAll(b.Output(GetFileStem(paths[i])));
        ASSERT_GE(output.size(), 8u) << names[i];
        EXPECT_EQ(sqztest::InflateBody(output), sqztest::Slice(source, 8, source.size()));
        sqztest::ListRow row = b.Row(static_cast<int>(i));
        EXPECT_EQ(row.cells[3], FormatThousands(static_cast<int32_t>(output.size())));
        EXPECT_EQ(row.cells[4], Percent(static_cast<long long>(source.size()), static_cast<long long>(output.size())));
        EXPECT_EQ(row.cells[5], std::to_string(4 + i)) << "Test leaves the version";
        EXPECT_EQ(row.cells[6], Ansi("已测试"));
    }
    EXPECT_EQ(b.movies.Names().size(), paths.size());

    // A selection is worked on without a question; a tested row can be tested again.
    b.p.Select({1});
    EXPECT_TRUE(b.Run(ID_ACTION_TEST).empty());
    EXPECT_EQ(b.Row(1).cells[6], Ansi("已测试"));
}

TEST(Batches, OptimizeWithAndWithoutBackupAndProtection) {
    for (int backup : {0, 1})
        for (int protect : {0, 1}) {
            SCOPED_TRACE("backup " + std::to_string(backup) + ", protection " + std::to_string(protect));
            Batch b(backup, protect);
            // A version-7 movie stays version 7 (ExpectOptimized).
            std::string path = b.Add("swfdec-blend-mode-erase-7.swf", "intro.swf");
            Bytes original = ReadAll(path);
            ASSERT_EQ(original[3], 7);
            Bytes body = original;
            if (protect) {
                ASSERT_NE(ProtectSwf(sqztest::CorpusDir() + "swfdec-blend-mode-erase-7.swf", b.movies / "expected"), 0);
                body = ReadAll(b.movies / "expected");
                std::remove((b.movies / "expected").c_str());
            }
            b.p.Select({0});
            EXPECT_TRUE(b.Run(ID_ACTION_OPTIMIZE).empty());
            ExpectOptimized(path, body, b.Row(0));
            EXPECT_EQ(IsSwfProtected(path), protect);
            EXPECT_EQ(PathExists(b.movies / "intro_bak.swf"), backup);
            if (backup) {
                EXPECT_EQ(ReadAll(b.movies / "intro_bak.swf"), original);
            }
            // Written beside the movie and put in place: nothing is left in the temp folder or beside the movie.
            EXPECT_EQ(sqztest::FolderNames(b.p.folder() + "temp\\"), std::vector<std::string>{});
            EXPECT_EQ(b.movies.Names(), backup ? (std::vector<std::string>{"intro.swf", "intro_bak.swf"})
                                               : std::vector<std::string>{"intro.swf"});

            // Optimized once, the movie is skipped from then on, without a word.
            Bytes once = ReadAll(path);
            EXPECT_TRUE(b.Run(ID_ACTION_OPTIMIZE).empty());
            EXPECT_TRUE(b.Run(ID_ACTION_TEST).empty());
            EXPECT_EQ(ReadAll(path), once);
            EXPECT_EQ(b.Row(0).cells[6], Ansi("已优化"));
        }

    // A movie that carries the protection tag already gets no second one.
    Batch b(0, 1);
    ASSERT_NE(ProtectSwf(sqztest::CorpusDir() + "shumway-morph2.swf", b.movies / "guarded.swf"), 0);
    Bytes guarded = ReadAll(b.movies / "guarded.swf");
    b.p.AddFiles({b.movies / "guarded.swf"});
    EXPECT_EQ(b.Run(ID_TOOL_OPTIMIZE, IDYES).size(), 1u);
    ExpectOptimized(b.movies / "guarded.swf", guarded, b.Row(0));
}

TEST(Batches, RowsTheBatchesPassOverAndTheRatiosTheyShow) {
    {
        Batch b;
        // Three selected rows with a compressed movie in the middle, then a movie of version 8 and a bad one.
        std::string first = b.Add("swfdec-clip-change-backward-5.swf", "first.swf");
        std::string middle = b.Add("swfdec-Function-6.swf", "middle.swf");
        std::string third = b.Add("shumway-morph2.swf", "third.swf");
        std::string eight = b.Add("swfdec-blend-mode-0-8.swf", "eight.swf");
        const Bytes text = {'n', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'v', 'i', 'e', '\n'};
        std::string bad = b.AddBytes(text, "bad.swf");
        b.p.Select({0, 1, 2, 3, 4});
        EXPECT_TRUE(b.Run(ID_ACTION_OPTIMIZE).empty());
        ExpectOptimized(first, ReadAll(sqztest::CorpusDir() + "swfdec-clip-change-backward-5.swf"), b.Row(0));
        ExpectOptimized(third, ReadAll(sqztest::CorpusDir() + "shumway-morph2.swf"), b.Row(2));
        ExpectOptimized(eight, ReadAll(sqztest::CorpusDir() + "swfdec-blend-mode-0-8.swf"), b.Row(3));
        EXPECT_EQ(ReadAll(middle), ReadAll(sqztest::CorpusDir() + "swfdec-Function-6.swf"));
        EXPECT_EQ(b.Row(1).cells[3], "");
        EXPECT_EQ(ReadAll(bad), text);
        EXPECT_EQ(b.Row(4).cells[6], "Bad Flash File");
        EXPECT_FALSE(PathExists(b.Output("middle")));
        EXPECT_FALSE(PathExists(b.Output("bad")));
    }

    // Below version 6 a movie whose scripts or text would play differently once raised to version 6 is kept as it
    // is, without a box: its row says why, and the selection pane, widened, counts such movies after the batch
    // until the selection changes. A movie with nothing that depends on its version is raised.
    struct Kept {
        const char* name;
        Bytes movie;
        const char* comment;  // null: raised
    };
    const Kept kept[] = {
        {"scripts.swf", ReadAll(sqztest::CorpusDir() + "swfdec-swf4opcode.swf"), "版本 4 保留：含脚本"},
        {"label.swf", ScriptFreeFiveWith(sqztest::Tag(43, {0xD3, 0xB0, 0xC6, 0xAC, 0})),  // "影片" in GBK
         "版本 5 保留：含非 ASCII 文字"},
        {"ascii.swf", ScriptFreeFiveWith(sqztest::Tag(43, {'c', 'l', 'i', 'p', 0})), nullptr},
    };
    {
        Batch k;
        std::vector<std::string> paths;
        for (const Kept& c : kept) paths.push_back(k.AddBytes(c.movie, c.name));
        k.p.Select({0, 1, 2});
        const std::string selection = k.p.StatusText(0);
        EXPECT_TRUE(k.Run(ID_ACTION_OPTIMIZE).empty());
        for (size_t i = 0; i < paths.size(); ++i) {
            const sqztest::ListRow row = k.Row(static_cast<int>(i));
            if (!kept[i].comment) {
                ExpectOptimized(paths[i], kept[i].movie, row);
                continue;
            }
            EXPECT_EQ(ReadAll(paths[i]), kept[i].movie) << kept[i].name;
            EXPECT_EQ(row.cells[3] + row.cells[4], "") << kept[i].name;
            EXPECT_EQ(row.cells[5], std::to_string(kept[i].movie[3])) << kept[i].name;
            EXPECT_EQ(row.cells[6], Ansi(kept[i].comment));
        }
        EXPECT_EQ(k.p.StatusText(0), selection + Ansi("；2 个低于版本 6 的影片保持原样（见注释列）"));
        EXPECT_TRUE(FitsInPane(k.p.frame().m_wndStatusBar.m_hWnd, 0, k.p.StatusText(0))) << "in sight";
        k.p.Select({1});
        EXPECT_EQ(k.p.StatusText(0).find(Ansi("保持原样")), std::string::npos);
    }

    // 1,000 bytes to 630 saves 37%; bytes that do not compress grow by zlib's framing: to 1,011 bytes costs 1%.
    Batch r;
    r.AddBytes(ThousandByteMovie(630), "thousand.swf");
    r.AddBytes(ThousandByteMovie(1011), "grows.swf");
    EXPECT_EQ(r.Run(ID_TOOL_TEST, IDYES).size(), 1u);
    EXPECT_EQ(r.Row(0).cells[3], "630");
    EXPECT_EQ(r.Row(0).cells[4], "37%");
    EXPECT_EQ(r.Row(1).cells[3], "1,011");
    EXPECT_EQ(r.Row(1).cells[4], "-1%");
}

TEST(Batches, TwoMoviesOfOneNameInTwoFoldersEachGetTheirOwnSizes) {
    Batch b;
    sqztest::ScratchDir other;
    b.Add("swfdec-offspring.swf", "clip.swf");
    b.Add("swfdec-morph-gradient-4.swf", "clip.swf", other.path());
    ASSERT_EQ(b.p.list().GetItemCount(), 2);
    std::vector<std::string> expected;
    for (const char* name : {"swfdec-offspring.swf", "swfdec-morph-gradient-4.swf"}) {
        ASSERT_NE(CompressSwf(sqztest::CorpusDir() + name, b.movies / "alone"), 0);
        expected.push_back(FormatThousands(static_cast<int32_t>(ReadAll(b.movies / "alone").size())));
    }
    std::remove((b.movies / "alone").c_str());
    ASSERT_NE(expected[0], expected[1]);
    b.p.Select({0, 1});
    EXPECT_TRUE(b.Run(ID_ACTION_TEST).empty());
    EXPECT_EQ(b.Row(0).cells[3], expected[0]);
    EXPECT_EQ(b.Row(1).cells[3], expected[1]);
}

TEST(Batches, AProjectorAndAMissingMovieFailWithTheirBox) {
    for (UINT command : {ID_ACTION_TEST, ID_ACTION_OPTIMIZE}) {
        Batch b(1, 1);
        std::string projector = b.movies / "game.exe";
        Bytes exe = ReadAll(sqztest::CorpusDir() + "projectors\\proj-fws.exe");
        sqztest::WriteAll(projector, exe);
        b.p.AddFiles({projector});
        std::string missing = b.Add("shumway-morph2.swf", "gone.swf");
        std::string good = b.Add("swfdec-offspring.swf", "good.swf");
        ::DeleteFileA(missing.c_str());
        b.p.Select({0, 1, 2});
        std::vector<SeenBox> boxes = b.Run(command);
        EXPECT_EQ(BoxTexts(boxes), (std::vector<std::string>{Failed(projector), Failed(missing)}));
        // The failed rows keep their texts, the batch went on to the next row, and nothing was made of them.
        ExpectUntouched(b.Row(0), b.Row(0).cells[5].c_str());
        ExpectUntouched(b.Row(1), "6");
        EXPECT_NE(b.Row(2).cells[3], "");
        EXPECT_EQ(ReadAll(projector), exe);
        EXPECT_FALSE(PathExists(missing));
        EXPECT_EQ(b.movies.Names(), command == ID_ACTION_OPTIMIZE
                                        ? (std::vector<std::string>{"game.exe", "good.swf", "good_bak.swf"})
                                        : (std::vector<std::string>{"game.exe", "good.swf"}));
    }
}

// A large movie takes its time: the window answers meanwhile, as the batch pauses between the movie's blocks too, so
// that the system never takes the program for hung. A message sent while the movie is being compressed is answered
// before the movie is replaced.
TEST(Batches, TheWindowAnswersWhileALargeMovieIsWorkedOn) {
    Batch b(1);
    const Bytes movie = LargeMovie();
    const std::string path = b.AddBytes(movie, "large.swf");
    const HWND frame = b.p.frame().m_hWnd;
    std::string seen;  // the movie's signature when the window answered
    std::thread asker([&] {
        // The compressed movie is being written beside it.
        for (int i = 0; i < 2000 && WorkFiles(b.movies.path()).empty(); ++i) ::Sleep(5);
        DWORD_PTR answer = 0;
        if (!::SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &answer)) return;
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
        char signature[3] = {};
        DWORD got = 0;
        if (h != INVALID_HANDLE_VALUE) {
            ::ReadFile(h, signature, sizeof signature, &got, nullptr);
            ::CloseHandle(h);
        }
        seen.assign(signature, got);
    });
    std::vector<SeenBox> boxes = b.Run(ID_TOOL_OPTIMIZE, IDYES);
    asker.join();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(seen, "FWS") << "the window answered only once the movie was done";
    ExpectOptimized(path, movie, b.Row(0));
}

// While a batch runs: the selection pane names the row in hand, also under a failure box; a handoff, a close and a
// command that come meanwhile do nothing until the end, when the handoff is taken; Escape, once the box is closed,
// stops the batch before the next row, and the rows not reached keep their cells and their movies.
TEST(Batches, ProgressEscapeAndWhatWaitsForTheEnd) {
    for (UINT command : {ID_ACTION_OPTIMIZE, ID_ACTION_TEST}) {
        const bool optimize = command == ID_ACTION_OPTIMIZE;
        Batch b(1);
        std::string first = b.Add("swfdec-offspring.swf", "first.swf");
        std::string missing = b.Add("shumway-morph2.swf", "gone.swf");
        std::string third = b.Add("swfdec-morph-gradient-4.swf", "third.swf");
        std::string fourth = b.Add("swfdec-clip-change-backward-5.swf", "fourth.swf");
        std::string extra = b.movies / "extra.swf";
        sqztest::CopyMovie("swfdec-offspring.swf", extra);
        ::DeleteFileA(missing.c_str());
        b.p.Select({0, 1, 2, 3});
        const std::string selection = b.p.StatusText(0);
        std::string underBox;
        bool fits = false;
        size_t rowsUnderBox = 0;
        auto underTheBox = [&](HWND box, size_t) {
            underBox = b.p.StatusText(0);
            fits = FitsInPane(b.p.frame().m_wndStatusBar.m_hWnd, 0, underBox);
            sqztest::WriteHandoffValue(extra + " ");
            b.p.frame().SendMessage(WM_TAKE_HANDOFF, 0, 0);
            rowsUnderBox = b.p.Rows().size();
            // What comes after the box is closed, in this order, reaches the batch's next pause.
            ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            ::PostMessageA(b.p.list().m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
            ::PostMessageA(b.p.frame().m_hWnd, WM_CLOSE, 0, 0);
            ::PostMessageA(b.p.frame().m_hWnd, WM_COMMAND, ID_POPUP_DELETE, 0);
        };
        std::vector<SeenBox> boxes =
            sqztest::AnswerBoxes([&] { b.p.frame().SendMessage(WM_COMMAND, command); }, underTheBox);
        EXPECT_EQ(BoxTexts(boxes), (std::vector<std::string>{Failed(missing)}));
        EXPECT_EQ(underBox, Ansi(optimize ? "正在优化第 2 个文件，共 4 个（按 Esc 停止）"
                                          : "正在测试第 2 个文件，共 4 个（按 Esc 停止）"));
        EXPECT_TRUE(fits) << "the whole text is in sight";
        EXPECT_EQ(rowsUnderBox, 4u) << "the handoff waits for the end of the batch";
        EXPECT_EQ(b.p.StatusText(0), selection);
        ASSERT_TRUE(::IsWindow(b.p.frame().m_hWnd));
        const std::vector<sqztest::ListRow> rows = b.p.Rows();
        ASSERT_EQ(rows.size(), 5u);
        EXPECT_EQ(rows[4].cells[0], "extra.swf");
        EXPECT_EQ(rows[0].cells[6], Ansi(optimize ? "已优化" : "已测试"));
        EXPECT_EQ(IsCompressedSwf(first), optimize);
        ExpectUntouched(rows[1], "6");
        ExpectUntouched(rows[2], "4");
        ExpectUntouched(rows[3], "5");
        EXPECT_EQ(ReadAll(third), ReadAll(sqztest::CorpusDir() + "swfdec-morph-gradient-4.swf"));
        EXPECT_EQ(ReadAll(fourth), ReadAll(sqztest::CorpusDir() + "swfdec-clip-change-backward-5.swf"));
        EXPECT_FALSE(PathExists(b.Output("third")));
        EXPECT_EQ(WorkFiles(b.movies.path()), std::vector<std::string>{});
    }
}

// Windows shuts down or the user logs off: WM_QUERYENDSESSION stops a batch after the movie in hand, WM_ENDSESSION
// that comes within a movie cancels it. Every movie is whole or optimized, no work file is left beside them, the temp
// folder is emptied as on close, and the movies handed over for the batch's end go back to the handoff value, after
// what it holds now, for the next start. Outside a batch the end of the session empties the temp folder too.
TEST(Batches, TheEndOfTheSessionLeavesWholeMoviesAndGivesBackWhatWasHandedOver) {
    // The two messages, as Windows sends them at a log-off, after a movie is handed over and a later copy's handoff
    // is left in the value.
    auto endSession = [](HWND frame, const std::string& handed) {
        sqztest::WriteHandoffValue(handed + " ");
        ::SendMessageA(frame, WM_TAKE_HANDOFF, 0, 0);
        sqztest::WriteHandoffValue("c:\\later.swf ");
        EXPECT_TRUE(::SendMessageA(frame, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF)) << "the session may end";
        ::SendMessageA(frame, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    };
    {
        SCOPED_TRACE("between movies");
        const UINT command = ID_ACTION_OPTIMIZE;
        Batch b(1);
        const std::string first = b.Add("swfdec-offspring.swf", "first.swf");
        const std::string missing = b.Add("shumway-morph2.swf", "gone.swf");
        const std::string third = b.Add("swfdec-blend-mode-erase-7.swf", "third.swf");
        const std::string handed = b.movies / "handed.swf";
        sqztest::CopyMovie("swfdec-offspring.swf", handed);
        ::DeleteFileA(missing.c_str());
        b.p.Select({0, 1, 2});
        // Under the failure box of the second movie.
        std::vector<SeenBox> boxes = sqztest::AnswerBoxes([&] { b.p.frame().SendMessage(WM_COMMAND, command); },
                                                          [&](HWND box, size_t) {
                                                              endSession(b.p.frame().m_hWnd, handed);
                                                              ::PostMessageA(box, WM_COMMAND, IDOK, 0);
                                                          });
        EXPECT_EQ(BoxTexts(boxes), (std::vector<std::string>{Failed(missing)}));
        EXPECT_EQ(sqztest::ReadHandoffValue(), "c:\\later.swf " + sqz::MbsLower(handed) + " ");
        EXPECT_EQ(b.p.Rows().size(), 3u) << "what was handed over waits for the next start";
        EXPECT_EQ(b.Row(0).cells[6], Ansi("已优化"));
        ExpectUntouched(b.Row(2), "7");
        EXPECT_EQ(ReadAll(third), ReadAll(sqztest::CorpusDir() + "swfdec-blend-mode-erase-7.swf"));
        EXPECT_EQ(sqztest::FolderNames(b.p.folder() + "temp\\"), std::vector<std::string>{});
        EXPECT_EQ(WorkFiles(b.movies.path()), std::vector<std::string>{});
        sqz::CancelWork(false);
    }
    {
        SCOPED_TRACE("within a large movie");
        Batch b;
        const Bytes movie = LargeMovie();
        const std::string large = b.AddBytes(movie, "large.swf");
        const std::string after = b.Add("swfdec-offspring.swf", "after.swf");
        const std::string handed = b.movies / "handed.swf";
        const HWND frame = b.p.frame().m_hWnd;
        bool sent = false;
        std::thread windows([&] {
            for (int i = 0; i < 2000 && WorkFiles(b.movies.path()).empty(); ++i) ::Sleep(5);
            endSession(frame, handed);
            sent = true;
        });
        b.p.Select({0, 1});
        EXPECT_TRUE(b.Run(ID_ACTION_OPTIMIZE).empty()) << "a cancelled movie shows no box";
        windows.join();
        ASSERT_TRUE(sent);
        EXPECT_EQ(ReadAll(large), movie) << "cancelled, the movie is as it was";
        ExpectUntouched(b.Row(0), "7");
        ExpectUntouched(b.Row(1), "6");
        EXPECT_EQ(ReadAll(after), ReadAll(sqztest::CorpusDir() + "swfdec-offspring.swf"));
        EXPECT_EQ(b.movies.Names(), (std::vector<std::string>{"after.swf", "large.swf"}));
        EXPECT_EQ(sqztest::ReadHandoffValue(), "c:\\later.swf " + sqz::MbsLower(handed) + " ");
        sqz::CancelWork(false);
    }
    {
        SCOPED_TRACE("outside a batch");
        Batch b;
        b.Add("swfdec-offspring.swf", "tested.swf");
        EXPECT_EQ(b.Run(ID_TOOL_TEST, IDYES).size(), 1u);
        ASSERT_TRUE(PathExists(b.Output("tested")));
        EXPECT_TRUE(b.p.frame().SendMessage(WM_QUERYENDSESSION, 0, 0));
        b.p.frame().SendMessage(WM_ENDSESSION, TRUE, 0);
        EXPECT_EQ(sqztest::FolderNames(b.p.folder() + "temp\\"), std::vector<std::string>{});
        EXPECT_EQ(sqztest::ReadHandoffValue(), "") << "nothing was held";
    }
}

// A movie that cannot be replaced (read-only, in use, in a folder nobody may write in): the failure box, the movie
// exactly as it was, no work file beside it, and the row as it was. One in use only for a moment goes through.
TEST(Batches, ARefusedReplaceLosesNothing) {
    const std::string sample = "swfdec-offspring.swf";
    const Bytes original = ReadAll(sqztest::CorpusDir() + sample);
    // `release` lets go of the movie, after the batch and before the movie is looked at.
    auto expectRefused = [&](
                             Batch& b, const std::string& path, const std::vector<std::string>& names,
                             const std::function<void()>& release = [] {}) {
        std::vector<SeenBox> boxes = b.Run(ID_TOOL_OPTIMIZE, IDYES);
        release();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(BoxTexts({boxes[1]}), (std::vector<std::string>{Failed(path)}));
        EXPECT_EQ(ReadAll(path), original);
        EXPECT_EQ(sqztest::FolderNames(GetFolderPart(path)), names);
        ExpectUntouched(b.Row(0), "6");
    };
    {
        SCOPED_TRACE("read-only movie");
        Batch b(1);
        std::string path = b.Add(sample, "movie.swf");
        ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
        // The backup is whole: it was made before the movie was touched.
        expectRefused(b, path, {"movie.swf", "movie_bak.swf"},
                      [&] { ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL); });
        EXPECT_EQ(ReadAll(b.movies / "movie_bak.swf"), original);
    }
    for (DWORD share : {DWORD(0), DWORD(FILE_SHARE_READ)}) {
        SCOPED_TRACE("movie in use, shared " + std::to_string(share));
        Batch b(1);
        std::string path = b.Add(sample, "movie.swf");
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        // Not shared at all it cannot even be read; shared for reading it is backed up but not replaced.
        expectRefused(
            b, path,
            share ? std::vector<std::string>{"movie.swf", "movie_bak.swf"} : std::vector<std::string>{"movie.swf"},
            [h] { ::CloseHandle(h); });
        // Once the player has let go, the same row goes through.
        EXPECT_EQ(b.Run(ID_TOOL_OPTIMIZE, IDYES).size(), 1u);
        ExpectOptimized(path, original, b.Row(0));
    }
    {
        // A virus scanner or an indexer that opens the movie for a moment as it is backed up: the replace is tried
        // again until it lets go, and the row goes through without a box.
        SCOPED_TRACE("movie in use for a moment");
        Batch b(1);
        std::string path = b.Add(sample, "movie.swf");
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        std::thread scanner([h] {
            ::Sleep(400);
            ::CloseHandle(h);
        });
        std::vector<SeenBox> boxes = b.Run(ID_TOOL_OPTIMIZE, IDYES);
        scanner.join();
        EXPECT_EQ(boxes.size(), 1u);
        ExpectOptimized(path, original, b.Row(0));
        EXPECT_EQ(ReadAll(b.movies / "movie_bak.swf"), original);
        EXPECT_EQ(b.movies.Names(), (std::vector<std::string>{"movie.swf", "movie_bak.swf"}));
    }
    const char* locked = std::getenv("SQZ_READONLY_FS");
    if (!locked || !PathExists(std::string(locked) + "\\mounted")) GTEST_SKIP() << "no read-only file system";
    for (int backup : {1, 0}) {
        SCOPED_TRACE("read-only folder, backup " + std::to_string(backup));
        Batch b(backup);
        std::string path = std::string(locked) + "\\locked.swf";
        b.p.AddFiles({path});
        expectRefused(b, path, {"locked.swf", "mounted"});
        // Test writes nothing beside the movie.
        EXPECT_EQ(b.Run(ID_TOOL_TEST, IDYES).size(), 1u);
        EXPECT_EQ(b.Row(0).cells[6], Ansi("已测试"));
    }
}

// A full disk (a small file system of the test's own): the backup, then the replace, cannot be written; the movie
// keeps its bytes and nothing stays beside it. Once there is room, the same row goes through.
TEST(Batches, AFullDiskLosesNothing) {
    const char* tiny = std::getenv("SQZ_TINY_FS");
    if (!tiny || !PathExists(std::string(tiny) + "\\mounted")) GTEST_SKIP() << "no small file system";
    const std::string folder = std::string(tiny) + "\\full\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    // 600 KB that do not compress: the output is as large as the movie.
    Bytes body(600 * 1024);
    unsigned seed = 7;
    for (unsigned char& c : body) c = static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 16);
    Bytes movie = sqztest::MakeMovie("FWS", 6, static_cast<uint32_t>(body.size() + 8), body);
    const std::string path = folder + "big.swf";
    sqztest::WriteAll(path, movie);
    std::vector<std::string> fillers = sqztest::FillLeavingLittle(folder);
    auto others = [&] {
        std::vector<std::string> names;
        for (const std::string& name : sqztest::FolderNames(folder))
            if (name.compare(0, 6, "filler") != 0) names.push_back(name);
        return names;
    };
    for (int backup : {1, 0}) {
        Batch b(backup);
        b.p.AddFiles({path});
        std::vector<SeenBox> boxes = b.Run(ID_TOOL_OPTIMIZE, IDYES);
        ASSERT_EQ(boxes.size(), 2u) << "backup " << backup;
        EXPECT_EQ(BoxTexts({boxes[1]}), (std::vector<std::string>{Failed(path)}));
        EXPECT_EQ(ReadAll(path), movie);
        EXPECT_EQ(others(), (std::vector<std::string>{"big.swf"}));
        ExpectUntouched(b.Row(0), "6");
    }
    for (const std::string& name : fillers) std::remove(name.c_str());
    Batch b(1);
    b.p.AddFiles({path});
    EXPECT_EQ(b.Run(ID_TOOL_OPTIMIZE, IDYES).size(), 1u);
    ExpectOptimized(path, movie, b.Row(0));
    EXPECT_EQ(ReadAll(folder + "big_bak.swf"), movie);
    std::remove(path.c_str());
    std::remove((folder + "big_bak.swf").c_str());
}
