// The installation as a user finds it after the 64-bit installer ran silently: the files in the user's local
// programs folder, the registry entries for this user only, the Explorer entry offered for a movie through the .swf
// association and starting the installed program, which lists the movie and writes config.ini, and an uninstaller
// and an installer that wait for the running program. Run by installer_test.sh between the installation and the
// uninstallation, in a Wine prefix of its own; the cases build on one another and run in this order.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "korvane_test_support.h"
#include "resource.h"

namespace {

const wchar_t kProduct[] = L"Zenvola SWF Optimizer";
const wchar_t kClasses[] = L"Software\\Classes";
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zenvola SWF Optimizer";
const wchar_t kHandlerKey[] = L"Software\\Classes\\SystemFileAssociations\\.swf\\shellex\\ContextMenuHandlers";
const std::string& kClsid = ktest::kClassId;

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring InstallFolder() { return KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\" + kProduct + L"\\"; }

std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof(buffer), &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(h);
    return bytes;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Every file below `folder`, relative to it, sorted.
void ListFiles(const std::wstring& folder, const std::wstring& prefix, std::vector<std::string>* out) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + prefix + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(folder, prefix + name + L"\\", out);
        else
            out->push_back(ktest::Utf8(prefix + name));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(out->begin(), out->end());
}

std::vector<std::string> FilesOf(const std::wstring& folder) {
    std::vector<std::string> files;
    ListFiles(folder, L"", &files);
    return files;
}

std::wstring VersionString(const std::wstring& file, const wchar_t* name) {
    DWORD ignored = 0, size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    std::vector<BYTE> block(size);
    if (!size || !GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return L"<none>";
    void* p = nullptr;
    UINT length = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
    if (!VerQueryValueW(block.data(), path.c_str(), &p, &length)) return L"<missing>";
    return static_cast<const wchar_t*>(p);
}

std::wstring ReadString(HKEY root, const std::wstring& key, const wchar_t* name) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return L"<none>";
    return data;
}

DWORD ReadDword(HKEY root, const std::wstring& key, const wchar_t* name) {
    DWORD data = 0xFFFFFFFF, size = sizeof(data);
    RegGetValueW(root, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &data, &size);
    return data;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Every line of the user's classes (and of the machine's, for `root` HKLM) that names the extension's class or
// lies below one of its keys.
std::vector<std::string> ExtensionLines(HKEY root) {
    std::vector<std::string> lines;
    for (const std::string& line : ktest::ListTree(root, kClasses))
        if (line.find("Korvane") != std::string::npos || line.find(kClsid) != std::string::npos ||
            line.find(ktest::kTypeLibId) != std::string::npos ||
            line.find("{12E7C1F5-45CA-482F-ADD2-4E6494DDE13A}") != std::string::npos)
            lines.push_back(line);
    return Sorted(lines);
}

// A started process with what can be seen of it from here.
class Process {
public:
    explicit Process(const std::wstring& commandLine) {
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        std::wstring line = commandLine;
        started_ = CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_) != 0;
        EXPECT_TRUE(started_) << ktest::Utf8(commandLine);
    }
    explicit Process(DWORD pid) {
        pi_.hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
        pi_.dwProcessId = pid;
        started_ = pi_.hProcess != nullptr;
    }
    ~Process() {
        if (pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 1);
        if (pi_.hProcess) CloseHandle(pi_.hProcess);
        if (pi_.hThread) CloseHandle(pi_.hThread);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // The exit code, or -1 when the process did not end within `ms`.
    int Wait(DWORD ms = 60000) {
        DWORD code = static_cast<DWORD>(-1);
        if (started_ && WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0) GetExitCodeProcess(pi_.hProcess, &code);
        return static_cast<int>(code);
    }
    std::wstring Image() const {
        wchar_t path[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (!QueryFullProcessImageNameW(pi_.hProcess, 0, path, &size)) return L"<unknown>";
        return path;
    }
    // A visible top-level window of this process of class `cls` (any class when null) whose title is `title`
    // (any when null) and, when `childId` is not 0, that holds a child with that identifier; up to 60 s.
    HWND WaitForWindow(const char* cls, const wchar_t* title, int childId = 0) {
        struct Search {
            DWORD pid;
            const char* cls;
            const wchar_t* title;
            int childId;
            HWND found;
        } search = {pi_.dwProcessId, cls, title, childId, nullptr};
        for (int i = 0; i < 1200 && !search.found; ++i) {
            EnumWindows(
                [](HWND h, LPARAM l) -> BOOL {
                    Search* s = reinterpret_cast<Search*>(l);
                    DWORD owner = 0;
                    GetWindowThreadProcessId(h, &owner);
                    char c[64] = {};
                    wchar_t t[128] = {};
                    GetClassNameA(h, c, sizeof(c));
                    GetWindowTextW(h, t, 128);
                    if (owner != s->pid || !IsWindowVisible(h)) return TRUE;
                    if (s->cls && strcmp(c, s->cls) != 0) return TRUE;
                    if (s->title && wcscmp(t, s->title) != 0) return TRUE;
                    if (s->childId && !GetDlgItem(h, s->childId)) return TRUE;
                    s->found = h;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&search));
            if (!search.found) Sleep(50);
        }
        return search.found;
    }

private:
    PROCESS_INFORMATION pi_ = {};
    bool started_ = false;
};

// The texts of the static controls of a dialog, joined by line breaks.
std::wstring DialogText(HWND dialog) {
    std::wstring text;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[32] = {};
        GetClassNameA(child, cls, sizeof(cls));
        wchar_t part[1024] = {};
        if (_stricmp(cls, "Static") == 0 && SendMessageTimeoutW(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(part),
                                                                SMTO_ABORTIFHUNG, 5000, nullptr))
            text += part;
    }
    return text;
}

int RowCount(HWND mainWindow) {
    HWND view = FindWindowExA(mainWindow, nullptr, "#32770", nullptr);
    HWND list = view ? GetDlgItem(view, IDC_FILE_LIST) : nullptr;
    return list ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

std::wstring CorpusMovie(const wchar_t* name) {
    std::wstring dir = ktest::Widen(SQZ_CORPUS_DIR);
    if (dir.back() != L'\\') dir += L'\\';
    return dir + name;
}

// The extension's object as Explorer makes it for the context menu of a .swf file: the handler's class from the
// association key, its library from the class key, the user's classes before the machine's.
class ShellHandler {
public:
    ShellHandler() {
        std::vector<std::string> handlers = ktest::ListTree(HKEY_CURRENT_USER, kHandlerKey);
        for (const std::string& line : handlers)
            if (line.find(" [@] REG_SZ ") != std::string::npos) clsidText_ = line.substr(line.find("{"), 38);
        if (clsidText_.empty()) return;
        std::wstring server = std::wstring(kClasses) + L"\\CLSID\\" + ktest::Widen(clsidText_) + L"\\InprocServer32";
        library_ = ReadString(HKEY_CURRENT_USER, server, nullptr);
        threading_ = ReadString(HKEY_CURRENT_USER, server, L"ThreadingModel");
        module_ = LoadLibraryW(library_.c_str());
        auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
            reinterpret_cast<void*>(module_ ? GetProcAddress(module_, "DllGetClassObject") : nullptr));
        CLSID clsid = {};
        std::wstring wide = ktest::Widen(clsidText_);
        if (!getClassObject || FAILED(CLSIDFromString(&wide[0], &clsid))) return;
        ktest::Ref<IClassFactory> factory;
        if (getClassObject(clsid, IID_IClassFactory, factory.outv()) == S_OK)
            factory->CreateInstance(nullptr, IID_IShellExtInit, init_.outv());
    }
    ~ShellHandler() {
        init_.Reset();
        if (module_) FreeLibrary(module_);
    }
    const std::string& Clsid() const { return clsidText_; }
    const std::wstring& Library() const { return library_; }
    const std::wstring& Threading() const { return threading_; }
    HMODULE Module() const { return module_; }
    IShellExtInit* Init() const { return init_.get(); }

    // Selects `paths` and asks for the menu as Explorer does; the text of the entry offered ("" for none).
    std::string Offer(const std::vector<std::wstring>& paths, ktest::Ref<IContextMenu>* menu) {
        ktest::DropDataObject* data = ktest::DropDataObject::Create(paths);
        HRESULT hr = init_->Initialize(nullptr, data, nullptr);
        data->Release();
        if (FAILED(hr) || init_->QueryInterface(IID_IContextMenu, menu->outv()) != S_OK) return "<failed>";
        HMENU h = CreatePopupMenu();
        (*menu)->QueryContextMenu(h, 0, 100, 0x7FFF, CMF_NORMAL);
        char text[128] = {};
        GetMenuStringA(h, 100, text, sizeof(text), MF_BYCOMMAND);
        DestroyMenu(h);
        return text;
    }

private:
    std::string clsidText_;
    std::wstring library_, threading_;
    HMODULE module_ = nullptr;
    ktest::Ref<IShellExtInit> init_;
};

TEST(Installation, PutsTheFilesInTheUsersProgramsFolderAndTheStartMenu) {
    std::wstring folder = InstallFolder();
    EXPECT_EQ(FilesOf(folder), (std::vector<std::string>{"Korvane.dll", "Squozen.chm", "Squozen.exe", "Uninstall.exe",
                                                         "cli\\squozen.exe"}));
    EXPECT_EQ(ReadBytes(folder + L"Squozen.exe"), ReadBytes(ktest::Widen(SQZ_SQUOZEN_EXE)));
    EXPECT_EQ(ReadBytes(folder + L"Korvane.dll"), ReadBytes(ktest::Widen(SQZ_KORVANE_DLL)));
    EXPECT_EQ(ReadBytes(folder + L"Squozen.chm"), ReadBytes(ktest::Widen(SQZ_HELP_FILE)));
    EXPECT_EQ(ReadBytes(folder + L"cli\\squozen.exe"), ReadBytes(ktest::Widen(SQZ_CLI_EXE)));
    EXPECT_EQ(VersionString(folder + L"Squozen.exe", L"ProductVersion"), L"1.10");
    EXPECT_EQ(VersionString(folder + L"Squozen.exe", L"CompanyName"), L"Zenvola");
    EXPECT_EQ(VersionString(folder + L"Korvane.dll", L"CompanyName"), L"Zenvola");
    EXPECT_EQ(VersionString(ktest::Widen(SQZ_SETUP_EXE), L"ProductVersion"), L"1.10");

    // The Start-menu entry starts the installed program.
    std::wstring shortcut = KnownFolder(CSIDL_PROGRAMS) + L"\\" + kProduct + L".lnk";
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    {
        ktest::Ref<IShellLinkW> link;
        ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.outv()), S_OK);
        ktest::Ref<IPersistFile> file;
        ASSERT_EQ(link->QueryInterface(IID_IPersistFile, file.outv()), S_OK);
        ASSERT_EQ(file->Load(shortcut.c_str(), STGM_READ), S_OK) << ktest::Utf8(shortcut);
        wchar_t target[MAX_PATH] = {};
        ASSERT_EQ(link->GetPath(target, MAX_PATH, nullptr, 0), S_OK);
        EXPECT_EQ(_wcsicmp(target, (folder + L"Squozen.exe").c_str()), 0) << ktest::Utf8(target);
    }
    CoUninitialize();
}

TEST(Installation, RegistersTheExtensionForThisUserAndForMoviesOnly) {
    std::string dll = ktest::Utf8(InstallFolder()) + "Korvane.dll";
    std::string lib = "Software\\Classes\\TypeLib\\" + ktest::kTypeLibId,
                iface = "Software\\Classes\\Interface\\{12E7C1F5-45CA-482F-ADD2-4E6494DDE13A}",
                handler = "Software\\Classes\\SystemFileAssociations\\.swf\\shellex\\ContextMenuHandlers\\Korvane";
    // The class and its ProgIDs as the extension's own registration writes them, then the rest.
    std::vector<std::string> expected = ktest::ClassEntries("Software\\Classes\\", dll);
    std::vector<std::string> more = {
        // The type library and its interface as the system's type-library registration records them.
        lib,
        lib + "\\1.0",
        lib + "\\1.0 [@] REG_SZ Korvane 1.0 Type Library\\0",
        lib + "\\1.0\\0",
        lib + "\\1.0\\0\\win64",
        lib + "\\1.0\\0\\win64 [@] REG_SZ " + dll + "\\0",
        lib + "\\1.0\\FLAGS",
        lib + "\\1.0\\FLAGS [@] REG_SZ 8\\0",
        lib + "\\1.0\\HELPDIR",
        lib + "\\1.0\\HELPDIR [@] REG_SZ " + ktest::Utf8(InstallFolder()) + "\\0",
        iface,
        iface + " [@] REG_SZ IContextMenuCls\\0",
        iface + "\\ProxyStubClsid",
        iface + "\\ProxyStubClsid [@] REG_SZ {00020424-0000-0000-C000-000000000046}\\0",
        iface + "\\ProxyStubClsid32",
        iface + "\\ProxyStubClsid32 [@] REG_SZ {00020424-0000-0000-C000-000000000046}\\0",
        iface + "\\TypeLib",
        iface + "\\TypeLib [@] REG_SZ " + ktest::kTypeLibId + "\\0",
        iface + "\\TypeLib [Version] REG_SZ 1.0\\0",
        // The context-menu handler of .swf files, and of nothing else.
        handler,
        handler + " [@] REG_SZ " + kClsid + "\\0",
    };
    expected.insert(expected.end(), more.begin(), more.end());
    EXPECT_EQ(ExtensionLines(HKEY_CURRENT_USER), Sorted(expected));
    EXPECT_EQ(ExtensionLines(HKEY_LOCAL_MACHINE), std::vector<std::string>{}) << "nothing for all users";

    std::wstring key = kUninstallKey;
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, key, L"DisplayName"), kProduct);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, key, L"DisplayVersion"), L"1.10");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, key, L"Publisher"), L"Zenvola");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, key, L"UninstallString"), Quoted(InstallFolder() + L"Uninstall.exe"));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, key, L"QuietUninstallString"),
              Quoted(InstallFolder() + L"Uninstall.exe") + L" /S");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, key, L"DisplayIcon"), InstallFolder() + L"Squozen.exe,0");
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, key, L"NoModify"), 1u);
    DWORD size = ReadDword(HKEY_CURRENT_USER, key, L"EstimatedSize");
    EXPECT_GT(size, 1500u) << "in KB: the program, the extension and the tool";
    EXPECT_LT(size, 100000u);
    EXPECT_FALSE(ktest::KeyExists(HKEY_LOCAL_MACHINE, std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\"
                                                                   L"Uninstall\\") +
                                                          kProduct));
}

TEST(Installation, TheExplorerEntryForAMovieStartsTheInstalledProgram) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Zenvola SWF Optimizer");
    std::wstring folder = InstallFolder();
    {
        ShellHandler handler;
        ASSERT_EQ(handler.Clsid(), kClsid);
        EXPECT_EQ(handler.Library(), folder + L"Korvane.dll");
        EXPECT_EQ(handler.Threading(), L"Apartment");
        ASSERT_NE(handler.Init(), nullptr) << "the installed library makes the handler";
        wchar_t loaded[MAX_PATH] = {};
        GetModuleFileNameW(handler.Module(), loaded, MAX_PATH);
        EXPECT_EQ(_wcsicmp(loaded, (folder + L"Korvane.dll").c_str()), 0) << ktest::Utf8(loaded);

        // The registered type library is the installed one.
        ktest::Ref<ITypeLib> typeLib;
        std::wstring typeLibFile =
            ReadString(HKEY_CURRENT_USER,
                       L"Software\\Classes\\TypeLib\\{319F5DDC-F42C-4249-8DF8-A4EF7CDE8F4D}\\1.0\\0\\win64", nullptr);
        ASSERT_EQ(LoadTypeLibEx(typeLibFile.c_str(), REGKIND_NONE, typeLib.out()), S_OK);
        TLIBATTR* attr = nullptr;
        ASSERT_EQ(typeLib->GetLibAttr(&attr), S_OK);
        EXPECT_EQ(ktest::GuidText(attr->guid), L"{319F5DDC-F42C-4249-8DF8-A4EF7CDE8F4D}");
        typeLib->ReleaseTLibAttr(attr);

        ktest::Ref<IContextMenu> menu;
        EXPECT_EQ(handler.Offer({CorpusMovie(L"oracle.tsv")}, &menu), "") << "nothing for a file that is no movie";
        std::wstring movie = CorpusMovie(L"swfdec-Error-7.swf");
        ASSERT_EQ(handler.Offer({movie, CorpusMovie(L"oracle.tsv")}, &menu), "Optimize with Zenvola SWF Optimizer");
        CMINVOKECOMMANDINFO info = {};
        info.cbSize = sizeof(info);
        info.lpVerb = MAKEINTRESOURCEA(0);
        ASSERT_EQ(menu->InvokeCommand(&info), S_OK);
    }
    CoUninitialize();

    // The installed program starts and lists the movie.
    HWND window = nullptr;
    for (int i = 0; i < 1200 && !window; ++i) {
        window = FindWindowW(nullptr, kProduct);
        if (!window) Sleep(50);
    }
    ASSERT_NE(window, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    Process program(pid);
    EXPECT_EQ(_wcsicmp(program.Image().c_str(), (folder + L"Squozen.exe").c_str()), 0) << ktest::Utf8(program.Image());
    for (int i = 0; i < 1200 && RowCount(window) < 1; ++i) Sleep(50);
    EXPECT_EQ(RowCount(window), 1);
    DWORD type = 0;
    EXPECT_EQ(ktest::ReadHandoff(&type), "") << "the program took the handoff";

    // The program writes its options beside itself: the folder is the user's to write.
    std::wstring ini = folder + L"config.ini";
    ASSERT_FALSE(Exists(ini));
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(ID_OPTIONS_SETTINGS, 0), 0);
    HWND options = program.WaitForWindow("#32770", nullptr, IDC_OPTIONS_SAVE);
    ASSERT_NE(options, nullptr);
    PostMessageW(options, WM_COMMAND, MAKEWPARAM(IDC_OPTIONS_SAVE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(options, IDC_OPTIONS_SAVE)));
    for (int i = 0; i < 600 && IsWindow(options); ++i) Sleep(50);
    std::string settings = ReadBytes(ini);
    EXPECT_NE(settings.find("[OPTION]"), std::string::npos) << settings;
    EXPECT_NE(settings.find("ISBACKUP=1"), std::string::npos) << settings;

    // A work file in temp\, as Test and Optimize leave them; closing the window empties the folder.
    CreateDirectoryW((folder + L"temp").c_str(), nullptr);
    HANDLE work = CreateFileW((folder + L"temp\\swfdec-error-7_Comp.swf").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(work, INVALID_HANDLE_VALUE);
    CloseHandle(work);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.Wait(), 0);
    EXPECT_FALSE(Exists(folder + L"temp\\swfdec-error-7_Comp.swf"));
    EXPECT_TRUE(ktest::KeyExists(HKEY_CURRENT_USER, L"Software\\Local AppWizard-Generated Applications\\Squozen"))
        << "the program's own settings, which the uninstaller removes";
}

TEST(Installation, TheUninstallerAndTheInstallerWaitWhileTheProgramRuns) {
    std::wstring folder = InstallFolder();
    std::vector<std::string> files = FilesOf(folder);
    std::vector<std::string> entries = ExtensionLines(HKEY_CURRENT_USER);
    {
        Process program(Quoted(folder + L"Squozen.exe"));
        ASSERT_NE(program.WaitForWindow(nullptr, kProduct), nullptr);

        // Silently nobody could close the program: the uninstaller ends at once and changes nothing.
        std::wstring inPlace = Quoted(folder + L"Uninstall.exe") + L" /S _?=" + folder.substr(0, folder.size() - 1);
        EXPECT_EQ(ktest::RunProcess(inPlace), 2);
        EXPECT_EQ(ktest::RunProcess(Quoted(ktest::Widen(SQZ_SETUP_EXE)) + L" /S"), 2);
        EXPECT_EQ(FilesOf(folder), files);
        EXPECT_EQ(ExtensionLines(HKEY_CURRENT_USER), entries);

        // Otherwise it asks, asks again while the program still runs, and ends when the user cancels.
        Process uninstaller(Quoted(folder + L"Uninstall.exe") + L" _?=" + folder.substr(0, folder.size() - 1));
        HWND box = uninstaller.WaitForWindow("#32770", nullptr, IDRETRY);
        ASSERT_NE(box, nullptr);
        std::wstring text = DialogText(box);
        EXPECT_NE(text.find(L"Zenvola SWF Optimizer 正在运行"), std::wstring::npos) << ktest::Utf8(text);
        EXPECT_NE(text.find(L"请先关闭它"), std::wstring::npos) << ktest::Utf8(text);
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDRETRY, BN_CLICKED), 0);
        for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(50);
        box = uninstaller.WaitForWindow("#32770", nullptr, IDRETRY);
        ASSERT_NE(box, nullptr) << "asked again";
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_EQ(uninstaller.Wait(), 2);
        EXPECT_EQ(FilesOf(folder), files);
        EXPECT_EQ(ExtensionLines(HKEY_CURRENT_USER), entries);
    }

    // A leftover of a program that ended without emptying its work folder.
    HANDLE work =
        CreateFileW((folder + L"temp\\SwfTemp1.swf").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(work, INVALID_HANDLE_VALUE);
    CloseHandle(work);

    // Installing again over the installation while Explorer holds the extension: the loaded library is put
    // aside, the new one takes its place, and every entry is as before.
    HMODULE held = LoadLibraryW((folder + L"Korvane.dll").c_str());
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(ktest::RunProcess(Quoted(ktest::Widen(SQZ_SETUP_EXE)) + L" /S"), 0);
    EXPECT_EQ(ReadBytes(folder + L"Korvane.dll"), ReadBytes(ktest::Widen(SQZ_KORVANE_DLL)));
    std::vector<std::string> withOld = files;
    withOld.push_back("Korvane.dll.old");
    withOld.push_back("temp\\SwfTemp1.swf");
    EXPECT_EQ(FilesOf(folder), Sorted(withOld));
    EXPECT_EQ(ExtensionLines(HKEY_CURRENT_USER), entries);
    FreeLibrary(held);
}

}  // namespace
