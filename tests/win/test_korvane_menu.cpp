// The context-menu handler through its shell interfaces: which selections offer the entry, what the handoff
// value holds afterwards, byte for byte, the help text, refused commands and registry failures. HKEY_CURRENT_USER
// is a private key during each test, and no program lies beside the library copy.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include "korvane_test_support.h"

using ktest::Ref;

namespace {

const char kEntry[] = "Optimize with Zenvola SWF Optimizer";

class KorvaneMenu : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(dll_.Create(IID_IShellExtInit, init_.outv()), S_OK);
        ASSERT_EQ(init_->QueryInterface(IID_IContextMenu, menu_.outv()), S_OK);
    }
    void TearDown() override { EXPECT_EQ(boxes_.Texts(), std::vector<std::string>()) << "unexpected message"; }

    HRESULT Select(const std::vector<std::wstring>& paths, bool wide = true) {
        ktest::DropDataObject* data = ktest::DropDataObject::Create(paths, true, wide);
        HRESULT hr = init_->Initialize(nullptr, data, nullptr);
        EXPECT_EQ(data->MediaReleased(), data->MediaOut()) << "the drop's medium was not released";
        data->Release();
        return hr;
    }
    // Runs QueryContextMenu on a menu of two items at position 1; the text of the item inserted there, or "".
    std::string Offered(HRESULT* result, UINT flags = CMF_NORMAL) {
        HMENU h = CreatePopupMenu();
        AppendMenuA(h, MF_STRING, 1, "Open");
        AppendMenuA(h, MF_STRING, 2, "Properties");
        *result = menu_->QueryContextMenu(h, 1, 100, 200, flags);
        std::string text;
        if (GetMenuItemCount(h) == 3) {
            // As the menu holds it, in UTF-16, whatever the system's code page.
            wchar_t buffer[128] = {};
            MENUITEMINFOW item = {};
            item.cbSize = sizeof(item);
            item.fMask = MIIM_ID | MIIM_STRING | MIIM_CHECKMARKS | MIIM_FTYPE;
            item.dwTypeData = buffer;
            item.cch = 128;
            EXPECT_TRUE(GetMenuItemInfoW(h, 1, TRUE, &item));
            EXPECT_EQ(item.wID, 100u);
            EXPECT_EQ(item.fType & MFT_SEPARATOR, 0u);
            EXPECT_NE(item.hbmpUnchecked, nullptr) << "menu bitmap beside the entry";
            EXPECT_EQ(item.hbmpChecked, nullptr);
            text = ktest::Narrow(buffer);
        } else {
            EXPECT_EQ(GetMenuItemCount(h), 2);
        }
        DestroyMenu(h);
        return text;
    }
    HRESULT Invoke(LPCSTR verb = MAKEINTRESOURCEA(0)) {
        CMINVOKECOMMANDINFO info = {};
        info.cbSize = sizeof(info);
        info.lpVerb = verb;
        info.nShow = SW_SHOWNORMAL;
        return menu_->InvokeCommand(&info);
    }
    std::string Handoff() {
        DWORD type = 0;
        std::string data = ktest::ReadHandoff(&type);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        return data;
    }

    ktest::TempFolder folder_;
    ktest::DllCopy dll_{folder_.path()};
    ktest::HkcuSandbox hkcu_;
    ktest::BoxCatcher boxes_;
    Ref<IShellExtInit> init_;
    Ref<IContextMenu> menu_;
};

TEST_F(KorvaneMenu, MixedSelectionHandsOverTheMoviesInSelectionOrder) {
    ASSERT_EQ(Select({L"D:\\a\\x.swf", L"D:\\a\\notes.txt", L"E:\\m\\Y.SWF"}), S_OK);
    HRESULT hr = E_FAIL;
    EXPECT_EQ(Offered(&hr), kEntry);
    EXPECT_EQ(hr, 1);
    EXPECT_EQ(Invoke(), S_OK);
    EXPECT_EQ(Handoff(), "D:\\a\\x.swf E:\\m\\Y.SWF ") << "22 bytes, no terminator";

    // A second selection replaces the first; the value keeps no trace of the longer earlier text.
    ASSERT_EQ(Select({L"D:\\m\\a.swf"}), S_OK);
    EXPECT_EQ(Invoke(), S_OK);
    EXPECT_EQ(Handoff(), "D:\\m\\a.swf ");
}

TEST_F(KorvaneMenu, AcceptsOnlyExactLowerOrUpperCaseExtensions) {
    ktest::TempFolder movies;
    std::wstring folderMovie = movies.path() + L"clips.swf";
    ASSERT_TRUE(CreateDirectoryW(folderMovie.c_str(), nullptr));
    ASSERT_EQ(Select({L"C:\\m\\a.Swf", L"C:\\m\\b.sWF", L"C:\\m\\c.swf.txt", L"C:\\m\\d.swf ", L"a", L"swf",
                      folderMovie, L"C:\\m\\E.SWF", L".swf", L"C:\\m\\f.swf"}),
              S_OK);
    EXPECT_EQ(Invoke(), S_OK);
    EXPECT_EQ(Handoff(), ktest::Narrow(folderMovie) + " C:\\m\\E.SWF .swf C:\\m\\f.swf ");
}

TEST_F(KorvaneMenu, OffersNothingWithoutMoviesOrForDefaultOnly) {
    ASSERT_EQ(Select({L"C:\\m\\notes.txt", L"C:\\m\\a.Swf"}), S_OK);
    HRESULT hr = E_FAIL;
    EXPECT_EQ(Offered(&hr), "");
    EXPECT_EQ(hr, 1) << "one identifier reported also when nothing was inserted";

    ASSERT_EQ(Select({L"C:\\m\\a.swf"}), S_OK);
    EXPECT_EQ(Offered(&hr, CMF_DEFAULTONLY), "");
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(Offered(&hr, CMF_EXPLORE), kEntry);

    // Explorer may initialise the object again: a later selection without movies offers nothing and hands over
    // nothing of the earlier one.
    ASSERT_EQ(Select({L"C:\\m\\notes.txt"}), S_OK);
    EXPECT_EQ(Offered(&hr), "");
    EXPECT_EQ(Invoke(), S_OK);
    EXPECT_EQ(Handoff(), "");
}

TEST_F(KorvaneMenu, HandsOverOnlyTheFirst1024FilesAndWholePaths) {
    std::vector<std::wstring> paths;
    for (int i = 0; i < 1500; ++i) paths.push_back(L"C:\\m\\" + std::to_wstring(i) + (i >= 1023 ? L".swf" : L".txt"));
    ASSERT_EQ(Select(paths), S_OK);
    EXPECT_EQ(Invoke(), S_OK);
    EXPECT_EQ(Handoff(), "C:\\m\\1023.swf ") << "index 1024 and later are not examined";

    // 1024 paths of the full 259 characters: every one whole with its space, 266,240 bytes in all.
    std::string expected;
    paths.clear();
    for (int i = 0; i < 1024; ++i) {
        std::wstring path = L"C:\\" + std::to_wstring(10000 + i) + L"\\";
        while (path.size() < 259 - 4) path += path.size() % 60 == 59 ? L'\\' : L'x';
        path += i % 2 ? L".swf" : L".SWF";
        ASSERT_EQ(path.size(), 259u);
        paths.push_back(path);
        expected += ktest::Narrow(path) + " ";
    }
    ASSERT_EQ(Select(paths), S_OK);
    EXPECT_EQ(Invoke(), S_OK);
    std::string value = Handoff();
    EXPECT_EQ(value.size(), 266240u);
    EXPECT_TRUE(value == expected);

    // A path beyond 259 characters would come back cut; it is left out rather than handed over wrongly.
    std::wstring longer = L"C:\\" + std::wstring(250, L'y') + L"\\a.swf.swf";
    ASSERT_EQ(Select({L"C:\\m\\1.swf", longer, L"C:\\m\\2.swf"}), S_OK);
    EXPECT_EQ(Invoke(), S_OK);
    EXPECT_EQ(Handoff(), "C:\\m\\1.swf C:\\m\\2.swf ");
}

TEST_F(KorvaneMenu, HandsOverChinesePathsInTheAnsiCodePage) {
    std::wstring path = L"D:\\\u7535\u5f71\\\u7247\u5934 1.swf";
    ASSERT_EQ(Select({path}), S_OK);
    EXPECT_EQ(Invoke(), S_OK);
    std::string expected = ktest::Narrow(path) + " ";
    EXPECT_EQ(GetACP(), 936u);
    EXPECT_EQ(expected.size(), 19u);
    EXPECT_EQ(Handoff(), expected);
    ASSERT_EQ(Select({path}, false), S_OK) << "ANSI names in the drop";
    EXPECT_EQ(Invoke(), S_OK);
    EXPECT_EQ(Handoff(), expected);
}

TEST_F(KorvaneMenu, RefusedDataObjectsLeaveTheStateAsItWas) {
    ASSERT_EQ(Select({L"C:\\m\\kept.swf"}), S_OK);
    EXPECT_EQ(init_->Initialize(nullptr, nullptr, nullptr), E_INVALIDARG);
    ktest::DropDataObject* noDrop = ktest::DropDataObject::Create({L"C:\\m\\x.swf"}, false);
    EXPECT_EQ(init_->Initialize(nullptr, noDrop, nullptr), E_INVALIDARG);
    noDrop->Release();
    EXPECT_EQ(Invoke(), S_OK);
    EXPECT_EQ(Handoff(), "C:\\m\\kept.swf ");
}

TEST_F(KorvaneMenu, GivesTheHelpTextAndRefusesVerbs) {
    char ansi[64];
    EXPECT_EQ(menu_->GetCommandString(0, GCS_HELPTEXTA, nullptr, ansi, sizeof(ansi)), S_OK);
    EXPECT_STREQ(ansi, "You select .swf file to optimize!");
    wchar_t wide[64];
    EXPECT_EQ(menu_->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(wide), 64), S_OK);
    EXPECT_STREQ(wide, L"You select .swf file to optimize!");
    char small[16];
    memset(small, '#', sizeof(small));
    EXPECT_EQ(menu_->GetCommandString(0, GCS_HELPTEXTA, nullptr, small, 10), S_OK);
    EXPECT_EQ(std::string(small, 11), std::string("You selec\0#", 11));

    for (UINT type : {GCS_VERBA, GCS_VERBW, GCS_VALIDATEA, GCS_VALIDATEW}) {
        memset(small, '#', sizeof(small));
        EXPECT_EQ(menu_->GetCommandString(0, type, nullptr, small, sizeof(small)), E_INVALIDARG) << type;
        EXPECT_EQ(small[0], '#');
    }
    EXPECT_EQ(menu_->GetCommandString(1, GCS_HELPTEXTA, nullptr, small, sizeof(small)), E_INVALIDARG);
}

TEST_F(KorvaneMenu, RefusesVerbsAndOtherOffsetsWithoutTouchingTheValue) {
    ASSERT_EQ(Select({L"C:\\m\\a.swf"}), S_OK);
    ktest::WriteHandoff("earlier ");
    EXPECT_EQ(Invoke("open"), E_INVALIDARG);
    EXPECT_EQ(Invoke(MAKEINTRESOURCEA(1)), E_INVALIDARG);
    EXPECT_EQ(menu_->InvokeCommand(nullptr), E_INVALIDARG);
    EXPECT_EQ(Handoff(), "earlier ");
}

TEST_F(KorvaneMenu, CreatesTheKeyOnFirstUse) {
    EXPECT_FALSE(ktest::KeyExists(HKEY_CURRENT_USER, L"Software\\Zenvola SWF Optimizer"));
    ASSERT_EQ(Select({L"C:\\m\\a.swf"}), S_OK);
    EXPECT_EQ(Invoke(), S_OK);
    EXPECT_EQ(ktest::ListTree(HKEY_CURRENT_USER, L"Software\\Zenvola SWF Optimizer"),
              (std::vector<std::string>{"Software\\Zenvola SWF Optimizer",
                                        "Software\\Zenvola SWF Optimizer [StartWithParamter] REG_SZ C:\\m\\a.swf "}))
        << "the stored text has no terminator";
}

}  // namespace

// A registry that refuses the key: the message box, no value, and still S_OK. (Wine does not enforce key
// permissions, so the refused value write cannot be brought about here.)
TEST(KorvaneMenuFailures, ReportsARefusedKeyWithAMessage) {
    ktest::TempFolder folder;
    ktest::PlaceStandIn(folder.path());
    ktest::DllCopy dll(folder.path());
    ktest::BoxCatcher boxes;
    Ref<IShellExtInit> init;
    Ref<IContextMenu> menu;
    ASSERT_EQ(dll.Create(IID_IShellExtInit, init.outv()), S_OK);
    ASSERT_EQ(init->QueryInterface(IID_IContextMenu, menu.outv()), S_OK);
    ktest::DropDataObject* data = ktest::DropDataObject::Create({L"C:\\m\\a.swf"});
    ASSERT_EQ(init->Initialize(nullptr, data, nullptr), S_OK);
    data->Release();
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof(info);
    {
        ktest::HkcuSandbox deleted(true);
        EXPECT_EQ(menu->InvokeCommand(&info), S_OK);
    }
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Can not open register! [OK only] [warning]"}));
    DWORD type = 0;
    EXPECT_EQ(ktest::ReadHandoff(&type), "");
    // The program is not started after a failure; a later successful use starts it once.
    ktest::HkcuSandbox hkcu;
    EXPECT_EQ(menu->InvokeCommand(&info), S_OK);
    EXPECT_EQ(ktest::WaitForStandIn(folder.path(), 1).size(), 1u);
    Sleep(500);
    EXPECT_EQ(ktest::WaitForStandIn(folder.path(), 0).size(), 1u);
}
