// Registration of Korvane.dll with regsvr32 and the registration-script interpreter: the registry holds
// exactly the class's entries afterwards, stray entries of the class key are gone, and unregistration removes
// the entries again without touching HKEY_CLASSES_ROOT\CLSID or what others wrote.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "korvane_test_support.h"
#include "registrar.h"

namespace {

const std::wstring kClassKey = L"CLSID\\{349D3308-D7F3-423A-B280-83716A080D16}";
const std::wstring kTypeLibKey = L"TypeLib\\{319F5DDC-F42C-4249-8DF8-A4EF7CDE8F4D}";

std::vector<std::string> Sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

int Regsvr32(const std::wstring& options, const std::wstring& path) {
    return ktest::RunProcess(L"regsvr32.exe " + options + L" \"" + path + L"\"");
}

void CreateKey(HKEY root, const std::wstring& path) {
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(hKey, L"left", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"over"), 10);
    RegCloseKey(hKey);
}

TEST(KorvaneRegistration, Regsvr32WritesExactlyTheTableAndUnregistrationRemovesIt) {
    // A folder with a quote and Chinese letters: the library's path goes into the registry unchanged.
    ktest::TempFolder folder(L" Bob's \u5f71\u7247");
    std::wstring dll = folder.path() + L"Korvane.dll";
    ASSERT_TRUE(CopyFileW(ktest::Widen(SQZ_KORVANE_DLL).c_str(), dll.c_str(), FALSE));
    CreateKey(HKEY_CLASSES_ROOT, kClassKey + L"\\Stray\\Deeper");
    CreateKey(HKEY_CLASSES_ROOT, kClassKey + L"\\Programmable\\Old");

    ASSERT_EQ(Regsvr32(L"/s", dll), 0);
    std::string path = ktest::Utf8(dll);
    std::vector<std::string> expected = ktest::ClassEntries("", path);
    std::vector<std::string> actual = ktest::ListTree(HKEY_CLASSES_ROOT, L"Korvane.ContextMenuCls.1");
    for (const auto& key : {L"Korvane.ContextMenuCls", kClassKey.c_str()}) {
        std::vector<std::string> more = ktest::ListTree(HKEY_CLASSES_ROOT, key);
        actual.insert(actual.end(), more.begin(), more.end());
    }
    EXPECT_EQ(Sorted(actual), Sorted(expected));
    EXPECT_EQ(ktest::ListTree(HKEY_CLASSES_ROOT, kTypeLibKey + L"\\1.0\\0\\win64"),
              (std::vector<std::string>{ktest::Utf8(kTypeLibKey) + "\\1.0\\0\\win64",
                                        ktest::Utf8(kTypeLibKey) + "\\1.0\\0\\win64 [@] REG_SZ " + path + "\\0"}));
    EXPECT_TRUE(ktest::KeyExists(HKEY_CLASSES_ROOT, L"Interface\\{12E7C1F5-45CA-482F-ADD2-4E6494DDE13A}"));
    ASSERT_EQ(Regsvr32(L"/s", dll), 0) << "registering again";
    EXPECT_EQ(ktest::ListTree(HKEY_CLASSES_ROOT, kClassKey).size(), 12u);

    ASSERT_EQ(Regsvr32(L"/u /s", dll), 0);
    EXPECT_FALSE(ktest::KeyExists(HKEY_CLASSES_ROOT, L"Korvane.ContextMenuCls.1"));
    EXPECT_FALSE(ktest::KeyExists(HKEY_CLASSES_ROOT, L"Korvane.ContextMenuCls"));
    EXPECT_FALSE(ktest::KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(ktest::KeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));
    EXPECT_FALSE(ktest::KeyExists(HKEY_CLASSES_ROOT, L"Interface\\{12E7C1F5-45CA-482F-ADD2-4E6494DDE13A}"));
    EXPECT_TRUE(ktest::KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
    EXPECT_EQ(Regsvr32(L"/u /s", dll), 0) << "unregistering what is not registered";
}

TEST(KorvaneRegistration, UnregistrationKeepsWhatOthersWroteBelowAProgId) {
    ktest::TempFolder folder;
    ktest::DllCopy dll(folder.path());
    CreateKey(HKEY_CLASSES_ROOT, L"Korvane.ContextMenuCls\\ShellNew");
    ASSERT_EQ(dll.Register(), S_OK);
    ASSERT_EQ(dll.Unregister(), S_OK);
    EXPECT_TRUE(ktest::KeyExists(HKEY_CLASSES_ROOT, L"Korvane.ContextMenuCls\\ShellNew"));
    EXPECT_FALSE(ktest::KeyExists(HKEY_CLASSES_ROOT, L"Korvane.ContextMenuCls\\CLSID"));
    EXPECT_FALSE(ktest::KeyExists(HKEY_CLASSES_ROOT, L"Korvane.ContextMenuCls\\CurVer"));
    EXPECT_FALSE(ktest::KeyExists(HKEY_CLASSES_ROOT, L"Korvane.ContextMenuCls.1"));
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Korvane.ContextMenuCls");
}

HRESULT RunScript(const char* script, bool bRegister) {
    return korvane::RunRegistrationScript(script, strlen(script), {{L"MODULE", L"C:\\Bob's\\K.dll"}}, bRegister);
}

TEST(KorvaneRegistrar, MalformedScriptsChangeNothing) {
    ktest::HkcuSandbox hkcu;
    for (const char* script : {
             "HKCU { A = s 'x' { B = s 'unterminated } }",
             "HKCU { A = s 'x' { B = d '1' } }",
             "HKXX { A = s 'x' }",
             "HKCU { A = s 'x' { B = s '%NOPE%' } }",
             "HKCU { A = s 'x' { val = s 'y' } }",
             "HKCU { A = s 'x' { B } ",
             "HKCU { val A = s 'x' }",
         }) {
        EXPECT_EQ(RunScript(script, true), DISP_E_EXCEPTION) << script;
        EXPECT_FALSE(ktest::KeyExists(HKEY_CURRENT_USER, L"A")) << script;
    }
}

TEST(KorvaneRegistrar, RegistersAndUnregistersByKeyMode) {
    ktest::HkcuSandbox hkcu;
    CreateKey(HKEY_CURRENT_USER, L"It's\\Fresh\\Old");
    const char* script =
        "HKCU\n{\n\t'It''s' = s '%MODULE%%%'\n\t{\n\t\tval 'Named value' = s 'x'\n"
        "\t\tNoRemove Kept\n\t\t{\n\t\t\tInner = s 'y'\n\t\t}\n\t\tForceRemove Fresh\n\t}\n}\n";
    ASSERT_EQ(RunScript(script, true), S_OK);
    EXPECT_EQ(Sorted(ktest::ListTree(HKEY_CURRENT_USER, L"It's")),
              Sorted({"It's", "It's [@] REG_SZ C:\\Bob's\\K.dll%\\0", "It's [Named value] REG_SZ x\\0", "It's\\Fresh",
                      "It's\\Kept", "It's\\Kept\\Inner", "It's\\Kept\\Inner [@] REG_SZ y\\0"}));
    ASSERT_EQ(RunScript(script, false), S_OK);
    // The NoRemove key stays, and with it the plain key above it; everything else the script wrote is gone.
    EXPECT_EQ(Sorted(ktest::ListTree(HKEY_CURRENT_USER, L"It's")),
              Sorted({"It's", "It's [@] REG_SZ C:\\Bob's\\K.dll%\\0", "It's\\Kept"}));
    EXPECT_EQ(RunScript(script, false), S_OK) << "again, with parts already gone";
}

}  // namespace
