// Helpers of the Korvane.dll tests.
#include "korvane_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace ktest {

std::wstring Widen(const std::string& text, UINT codePage) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::string Utf8(const std::wstring& text) { return Narrow(text, CP_UTF8); }

namespace {

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(folder + name + L"\\");
            else
                DeleteFileW((folder + name).c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

std::string ReadFileBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof(buffer), &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(h);
    return bytes;
}

}  // namespace

TempFolder::TempFolder(const std::wstring& name) {
    static LONG counter = 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"korvane-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(InterlockedIncrement(&counter)) + name + L"\\";
    EXPECT_TRUE(CreateDirectoryW(path_.c_str(), nullptr)) << Utf8(path_);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void PlaceStandIn(const std::wstring& folder) {
    ASSERT_TRUE(CopyFileW(Widen(SQZ_KORVANE_STANDIN).c_str(), (folder + L"Squozen.exe").c_str(), FALSE));
}

std::vector<StandInRecord> WaitForStandIn(const std::wstring& folder, size_t count) {
    std::vector<std::wstring> files;
    for (int tries = 0; tries < 600; ++tries) {
        files.clear();
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((folder + L"started-*.txt").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do files.push_back(folder + data.cFileName);
            while (FindNextFileW(find, &data));
            FindClose(find);
        }
        if (files.size() >= count) break;
        Sleep(100);
    }
    std::vector<StandInRecord> records;
    for (const auto& file : files) {
        std::string bytes = ReadFileBytes(file);
        StandInRecord r;
        size_t a = bytes.find('\n'), b = bytes.find('\n', a + 1), c = bytes.find('\n', b + 1);
        if (c == std::string::npos) continue;
        r.program = Widen(bytes.substr(0, a), CP_UTF8);
        r.type = std::stoul(bytes.substr(a + 1, b - a - 1));
        r.data = bytes.substr(c + 1);
        records.push_back(r);
    }
    return records;
}

DllCopy::DllCopy(const std::wstring& folder, const std::wstring& name) : path_(folder + name) {
    EXPECT_TRUE(CopyFileW(Widen(SQZ_KORVANE_DLL).c_str(), path_.c_str(), FALSE)) << Utf8(path_);
    module_ = LoadLibraryW(path_.c_str());
    EXPECT_NE(module_, nullptr) << Utf8(path_);
    if (!module_) return;
    canUnload_ =
        reinterpret_cast<decltype(canUnload_)>(reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
    getClassObject_ = reinterpret_cast<decltype(getClassObject_)>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    register_ =
        reinterpret_cast<decltype(register_)>(reinterpret_cast<void*>(GetProcAddress(module_, "DllRegisterServer")));
    unregister_ = reinterpret_cast<decltype(unregister_)>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllUnregisterServer")));
}

DllCopy::~DllCopy() {
    if (module_) FreeLibrary(module_);
}

HRESULT DllCopy::CanUnloadNow() const { return canUnload_ ? canUnload_() : E_FAIL; }
HRESULT DllCopy::GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) const {
    return getClassObject_ ? getClassObject_(clsid, riid, ppv) : E_FAIL;
}
HRESULT DllCopy::Register() const { return register_ ? register_() : E_FAIL; }
HRESULT DllCopy::Unregister() const { return unregister_ ? unregister_() : E_FAIL; }

HRESULT DllCopy::Create(REFIID riid, void** ppv) const {
    Ref<IClassFactory> factory;
    HRESULT hr = GetClassObject(CLSID_ContextMenuCls, IID_IClassFactory, factory.outv());
    return FAILED(hr) ? hr : factory->CreateInstance(nullptr, riid, ppv);
}

// Frees a medium's memory when the receiver releases the medium, and counts it.
class DropDataObject::MediumOwner : public IUnknown {
public:
    MediumOwner(HGLOBAL memory, std::atomic<LONG>* released) : memory_(memory), released_(released) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = IsEqualIID(riid, IID_IUnknown) ? this : nullptr;
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++ref_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --ref_;
        if (n == 0) {
            GlobalFree(memory_);
            ++*released_;
            delete this;
        }
        return n;
    }

private:
    virtual ~MediumOwner() = default;
    ULONG ref_ = 1;
    HGLOBAL memory_;
    std::atomic<LONG>* released_;
};

DropDataObject* DropDataObject::Create(const std::vector<std::wstring>& paths, bool serveDrop, bool wide) {
    DropDataObject* p = new DropDataObject();
    p->serveDrop_ = serveDrop;
    DROPFILES header = {};
    header.pFiles = sizeof(header);
    header.fWide = wide;
    p->drop_.assign(reinterpret_cast<BYTE*>(&header), reinterpret_cast<BYTE*>(&header) + sizeof(header));
    for (const auto& path : paths) {
        if (wide) {
            const BYTE* b = reinterpret_cast<const BYTE*>(path.c_str());
            p->drop_.insert(p->drop_.end(), b, b + (path.size() + 1) * sizeof(wchar_t));
        } else {
            std::string ansi = Narrow(path);
            p->drop_.insert(p->drop_.end(), ansi.c_str(), ansi.c_str() + ansi.size() + 1);
        }
    }
    p->drop_.insert(p->drop_.end(), wide ? 2 : 1, 0);
    return p;
}

STDMETHODIMP DropDataObject::QueryInterface(REFIID riid, void** ppv) {
    *ppv = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject) ? this : nullptr;
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) DropDataObject::Release() {
    ULONG n = --ref_;
    if (n == 0) delete this;
    return n;
}

STDMETHODIMP DropDataObject::QueryGetData(FORMATETC* format) {
    return serveDrop_ && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
}

STDMETHODIMP DropDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, drop_.size());
    memcpy(GlobalLock(memory), drop_.data(), drop_.size());
    GlobalUnlock(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = new MediumOwner(memory, &mediaReleased_);
    ++mediaOut_;
    return S_OK;
}

STDMETHODIMP DropDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    out->ptd = nullptr;
    return E_NOTIMPL;
}

HkcuSandbox::HkcuSandbox(bool deleted) {
    static LONG counter = 0;
    path_ = L"Software\\KorvaneTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(InterlockedIncrement(&counter));
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
              ERROR_SUCCESS);
    if (deleted) {
        EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str()), ERROR_SUCCESS);
    }
    EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, key_), ERROR_SUCCESS);
}

HkcuSandbox::~HkcuSandbox() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
}

std::string ReadHandoff(DWORD* type) {
    *type = 0;
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Zenvola SWF Optimizer", 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return std::string();
    // Read as stored (UTF-16), so that a terminator counted in the stored length shows as a trailing NUL.
    std::wstring data(266240 + 16, L'\0');
    DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegQueryValueExW(hKey, L"StartWithParamter", nullptr, type, reinterpret_cast<BYTE*>(&data[0]), &size) !=
        ERROR_SUCCESS)
        *type = size = 0;
    RegCloseKey(hKey);
    data.resize(size / sizeof(wchar_t));
    return Narrow(data);
}

void WriteHandoff(const std::string& text) {
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Zenvola SWF Optimizer", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    std::string data = text + "#";  // no NUL after the text, which the registry would count
    RegSetValueExA(hKey, "StartWithParamter", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(text.size()));
    RegCloseKey(hKey);
}

namespace {

void ListKey(HKEY hKey, const std::wstring& path, std::vector<std::string>* lines) {
    lines->push_back(Utf8(path));
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0, size = 0;
        if (RegEnumValueW(hKey, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::vector<BYTE> data(size + 2);
        nameLength = 256;
        RegEnumValueW(hKey, i, name, &nameLength, nullptr, &type, data.data(), &size);
        std::string line = Utf8(path) + " [" + (nameLength ? Utf8(name) : "@") + "] ";
        if (type == REG_SZ && size % 2 == 0) {
            line += "REG_SZ ";
            for (DWORD k = 0; k < size / 2; ++k) {
                wchar_t c = reinterpret_cast<const wchar_t*>(data.data())[k];
                line += c ? Utf8(std::wstring(1, c)) : "\\0";
            }
        } else {
            char hex[4];
            line += "type " + std::to_string(type);
            for (DWORD k = 0; k < size; ++k) {
                snprintf(hex, sizeof(hex), " %02x", data[k]);
                line += hex;
            }
        }
        lines->push_back(line);
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (RegEnumKeyExW(hKey, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY hSub = nullptr;
        if (RegOpenKeyExW(hKey, name, 0, KEY_READ, &hSub) != ERROR_SUCCESS) continue;
        ListKey(hSub, path + L"\\" + name, lines);
        RegCloseKey(hSub);
    }
}

}  // namespace

std::vector<std::string> ClassEntries(const std::string& classes, const std::string& dll) {
    const std::string clsid = classes + "CLSID\\" + kClassId,
                      progId = classes + "Korvane.ContextMenuCls";
    return {
        clsid,
        clsid + " [@] REG_SZ ContextMenuCls Class\\0",
        clsid + "\\ProgID",
        clsid + "\\ProgID [@] REG_SZ Korvane.ContextMenuCls.1\\0",
        clsid + "\\VersionIndependentProgID",
        clsid + "\\VersionIndependentProgID [@] REG_SZ Korvane.ContextMenuCls\\0",
        clsid + "\\Programmable",
        clsid + "\\InprocServer32",
        clsid + "\\InprocServer32 [@] REG_SZ " + dll + "\\0",
        clsid + "\\InprocServer32 [ThreadingModel] REG_SZ Apartment\\0",
        clsid + "\\TypeLib",
        clsid + "\\TypeLib [@] REG_SZ " + kTypeLibId + "\\0",
        progId + ".1",
        progId + ".1 [@] REG_SZ ContextMenuCls Class\\0",
        progId + ".1\\CLSID",
        progId + ".1\\CLSID [@] REG_SZ " + kClassId + "\\0",
        progId,
        progId + " [@] REG_SZ ContextMenuCls Class\\0",
        progId + "\\CLSID",
        progId + "\\CLSID [@] REG_SZ " + kClassId + "\\0",
        progId + "\\CurVer",
        progId + "\\CurVer [@] REG_SZ Korvane.ContextMenuCls.1\\0",
    };
}

std::vector<std::string> ListTree(HKEY root, const std::wstring& path) {
    std::vector<std::string> lines;
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return lines;
    ListKey(hKey, path, &lines);
    RegCloseKey(hKey);
    return lines;
}

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
    RegCloseKey(hKey);
    return true;
}

namespace {

struct BoxSearch {
    HWND found = nullptr;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[32] = {}, title[64] = {};
    GetClassNameA(hwnd, cls, sizeof(cls));
    GetWindowTextA(hwnd, title, sizeof(title));
    if (pid == GetCurrentProcessId() && strcmp(cls, "#32770") == 0 && strcmp(title, "Zenvola SWF Optimizer") == 0 &&
        IsWindowVisible(hwnd)) {
        reinterpret_cast<BoxSearch*>(param)->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

struct BoxParts {
    std::string text;
    int buttons = 0;
    bool ok = false;
    bool warning = false;
};

BOOL CALLBACK ReadPart(HWND child, LPARAM param) {
    BoxParts* parts = reinterpret_cast<BoxParts*>(param);
    char cls[32] = {}, text[256] = {};
    GetClassNameA(child, cls, sizeof(cls));
    GetWindowTextA(child, text, sizeof(text));
    if (!IsWindowVisible(child)) return TRUE;
    if (_stricmp(cls, "Button") == 0) {
        ++parts->buttons;
        if (GetDlgCtrlID(child) == IDOK) parts->ok = true;
    } else if (_stricmp(cls, "Static") == 0) {
        HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        if (icon && icon == LoadIconA(nullptr, IDI_WARNING)) parts->warning = true;
        if (text[0]) parts->text = text;
    }
    return TRUE;
}

}  // namespace

BoxCatcher::BoxCatcher() {
    InitializeCriticalSection(&cs_);
    thread_ = std::thread([this] {
        while (!stop_) {
            BoxSearch search;
            EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
            if (search.found) {
                Sleep(100);  // let the box finish laying itself out
                BoxParts parts;
                EnumChildWindows(search.found, ReadPart, reinterpret_cast<LPARAM>(&parts));
                std::string text = parts.text;
                if (parts.ok && parts.buttons == 1) text += " [OK only]";
                if (parts.warning) text += " [warning]";
                EnterCriticalSection(&cs_);
                texts_.push_back(text);
                LeaveCriticalSection(&cs_);
                PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                while (!stop_ && IsWindow(search.found)) Sleep(20);
            }
            Sleep(20);
        }
    });
}

BoxCatcher::~BoxCatcher() {
    stop_ = true;
    thread_.join();
    DeleteCriticalSection(&cs_);
}

std::vector<std::string> BoxCatcher::Texts() {
    EnterCriticalSection(&cs_);
    std::vector<std::string> texts = texts_;
    LeaveCriticalSection(&cs_);
    return texts;
}

int RunProcess(const std::wstring& commandLine) {
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

}  // namespace ktest
