// From Explorer's side to the main program: the registered extension, created through COM, offers its entry
// for two sample movies and, when it is chosen, writes the handoff value and starts Squozen.exe from its own
// folder. A stand-in program in that folder records its start and what the value held. A movie whose name the ANSI
// code page cannot hold is handed over by its short name, or left out when the volume keeps none.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include "ansi_path.h"
#include "korvane_test_support.h"

using ktest::Ref;

namespace {

std::wstring CorpusMovie(const wchar_t* name) {
    std::wstring dir = ktest::Widen(SQZ_CORPUS_DIR);
    if (dir.back() != L'\\') dir += L'\\';
    return dir + name;
}

// Selects `paths` in `init` and picks the entry the way Explorer does; the text of the entry offered.
std::string ChooseEntry(IShellExtInit* init, const std::vector<std::wstring>& paths) {
    ktest::DropDataObject* data = ktest::DropDataObject::Create(paths);
    EXPECT_EQ(init->Initialize(nullptr, data, nullptr), S_OK);
    data->Release();
    Ref<IContextMenu> menu;
    EXPECT_EQ(init->QueryInterface(IID_IContextMenu, menu.outv()), S_OK);
    HMENU h = CreatePopupMenu();
    EXPECT_EQ(menu->QueryContextMenu(h, 0, 1, 0x7FFF, CMF_NORMAL), 1);
    char text[64] = {};
    GetMenuStringA(h, 1, text, sizeof(text), MF_BYCOMMAND);
    DestroyMenu(h);
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof(info);
    info.lpVerb = MAKEINTRESOURCEA(1 - 1);  // the entry's identifier less idCmdFirst
    EXPECT_EQ(menu->InvokeCommand(&info), S_OK);
    return text;
}

void ClearHandoff() { RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Zenvola SWF Optimizer"); }

TEST(KorvaneHandoff, RegisteredExtensionStartsTheProgramWithTheChosenMovies) {
    ktest::TempFolder folder;
    std::wstring dll = folder.path() + L"Korvane.dll";
    ASSERT_TRUE(CopyFileW(ktest::Widen(SQZ_KORVANE_DLL).c_str(), dll.c_str(), FALSE));
    ktest::PlaceStandIn(folder.path());
    ASSERT_EQ(ktest::RunProcess(L"regsvr32.exe /s \"" + dll + L"\""), 0);
    ClearHandoff();

    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    {
        CLSID clsid = {};
        ASSERT_EQ(CLSIDFromProgID(L"Korvane.ContextMenuCls", &clsid), S_OK);
        EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_ContextMenuCls));
        Ref<IShellExtInit> init;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, init.outv()), S_OK);
        EXPECT_NE(GetModuleHandleW(dll.c_str()), nullptr) << "COM loaded the registered copy";

        std::wstring first = CorpusMovie(L"shumway-avm1.swf"), second = CorpusMovie(L"swfdec-Function-6.swf");
        EXPECT_EQ(ChooseEntry(init.get(), {first, CorpusMovie(L"oracle.tsv"), second}),
                  "Optimize with Zenvola SWF Optimizer");
        std::vector<ktest::StandInRecord> started = ktest::WaitForStandIn(folder.path(), 1);
        ASSERT_EQ(started.size(), 1u);
        EXPECT_EQ(_wcsicmp(started[0].program.c_str(), (folder.path() + L"Squozen.exe").c_str()), 0)
            << ktest::Utf8(started[0].program);
        EXPECT_EQ(started[0].type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(started[0].data, ktest::Narrow(first) + " " + ktest::Narrow(second) + " ");
    }
    CoUninitialize();
    EXPECT_EQ(ktest::RunProcess(L"regsvr32.exe /u /s \"" + dll + L"\""), 0);
    ClearHandoff();
}

// Stands for a volume that keeps no short names (Wine makes one for every long name).
std::wstring NoShortPath(const std::wstring&) { return std::wstring(); }

TEST(KorvaneHandoff, AMovieNamedOutsideTheCodePageGoesByItsShortNameOrNotAtAll) {
    // Kana are in the ANSI code page (936) of the tests, the emoji is not: the name as a whole has no exact form.
    const std::wstring kana = L"\u30e0\u30fc\u30d3\u30fc", name = kana + L"\U0001F600.swf";
    std::string ansi;
    ASSERT_TRUE(ansi_path::ExactAnsi(kana, CP_ACP, &ansi));
    ASSERT_FALSE(ansi_path::ExactAnsi(name, CP_ACP, &ansi));
    ktest::TempFolder folder, movies;
    ktest::PlaceStandIn(folder.path());
    const std::vector<std::wstring> paths = {movies.path() + L"a.swf", movies.path() + name, movies.path() + L"b.swf"};
    for (const std::wstring& path : paths)
        ASSERT_TRUE(CopyFileW(CorpusMovie(L"swfdec-Function-6.swf").c_str(), path.c_str(), TRUE));
    wchar_t shortForm[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW(paths[1].c_str(), shortForm, MAX_PATH), 0u);
    std::string shortAnsi;
    ASSERT_TRUE(ansi_path::ExactAnsi(shortForm, CP_ACP, &shortAnsi)) << ktest::Utf8(shortForm);
    ClearHandoff();

    ktest::DllCopy dll(folder.path());
    Ref<IShellExtInit> init;
    ASSERT_EQ(dll.Create(IID_IShellExtInit, init.outv()), S_OK);
    ChooseEntry(init.get(), paths);
    std::vector<ktest::StandInRecord> started = ktest::WaitForStandIn(folder.path(), 1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].data, ktest::Narrow(paths[0]) + " " + shortAnsi + " " + ktest::Narrow(paths[2]) + " ");
    EXPECT_EQ(started[0].data.find('?'), std::string::npos) << started[0].data;

    // Without short names the rule the library reads a drop with leaves the movie out and keeps the others. The
    // library keeps its own lookup, out of this process's reach: the rule is asked here over the same drop.
    ansi_path::ShortPathLookupInUse() = NoShortPath;
    ktest::DropDataObject* data = ktest::DropDataObject::Create(paths);
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    ASSERT_EQ(data->GetData(&format, &medium), S_OK);
    HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    std::vector<std::string> taken;
    for (UINT i = 0; i < DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0); ++i)
        taken.push_back(ansi_path::DroppedAnsiPath(drop, i, CP_ACP));
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    data->Release();
    ansi_path::ShortPathLookupInUse() = ansi_path::VolumeShortPath;
    EXPECT_EQ(taken, (std::vector<std::string>{ktest::Narrow(paths[0]), "", ktest::Narrow(paths[2])}));
    ClearHandoff();
}

// A double-byte character whose second byte in the ANSI code page is a backslash.
std::wstring CharWithBackslashTrail() {
    for (wchar_t c = 0x4E00; c < 0x9FA5; ++c) {
        std::string ansi = ktest::Narrow(std::wstring(1, c));
        if (ansi.size() == 2 && ansi[1] == '\\') return std::wstring(1, c);
    }
    return L"";
}

TEST(KorvaneHandoff, EachCopyStartsTheProgramOfItsOwnFolder) {
    std::wstring tricky = CharWithBackslashTrail();
    ASSERT_FALSE(tricky.empty());
    ktest::TempFolder a, b, c(L" " + tricky + L"\u5f71");
    for (const auto* f : {&a, &b, &c}) ktest::PlaceStandIn(f->path());
    ktest::DllCopy first(a.path()), second(b.path()), renamed(c.path(), L"Renamed.dll");
    ASSERT_NE(first.module(), second.module()) << "two copies loaded side by side";
    ClearHandoff();

    Ref<IShellExtInit> init;
    ASSERT_EQ(second.Create(IID_IShellExtInit, init.outv()), S_OK);
    ChooseEntry(init.get(), {L"C:\\m\\second.swf"});
    std::vector<ktest::StandInRecord> started = ktest::WaitForStandIn(b.path(), 1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].data, "C:\\m\\second.swf ");

    ASSERT_EQ(renamed.Create(IID_IShellExtInit, init.outv()), S_OK);
    ChooseEntry(init.get(), {L"C:\\m\\renamed.swf"});
    started = ktest::WaitForStandIn(c.path(), 1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(_wcsicmp(started[0].program.c_str(), (c.path() + L"Squozen.exe").c_str()), 0);
    EXPECT_EQ(started[0].data, "C:\\m\\renamed.swf ");
    EXPECT_EQ(ktest::WaitForStandIn(a.path(), 0).size(), 0u) << "the first copy's program was never started";
    ClearHandoff();
}

}  // namespace
