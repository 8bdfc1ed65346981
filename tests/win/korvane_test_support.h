// Helpers of the Korvane.dll tests: copies of the library loaded from folders of their own, a data object
// serving CF_HDROP, a private HKEY_CURRENT_USER, registry listings, message-box catching, and the records of
// the stand-in program.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "korvane_ids.h"

namespace ktest {

// Owns one COM reference.
template <class T>
class Ref {
public:
    Ref() = default;
    explicit Ref(T* p) : p_(p) {}
    ~Ref() { Reset(); }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    void Reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T** out() {
        Reset();
        return &p_;
    }
    void** outv() { return reinterpret_cast<void**>(out()); }

private:
    T* p_ = nullptr;
};

std::wstring Widen(const std::string& text, UINT codePage = CP_ACP);
std::string Narrow(const std::wstring& text, UINT codePage = CP_ACP);
std::string Utf8(const std::wstring& text);

// A fresh folder under the temp folder (path ends with a backslash), removed with its content at the end.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& name = L"");
    ~TempFolder();
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

// Copies the stand-in program into `folder` as Squozen.exe.
void PlaceStandIn(const std::wstring& folder);
// What one start of the stand-in recorded.
struct StandInRecord {
    std::wstring program;  // the stand-in's own path
    DWORD type = 0;        // type of the handoff value, 0 when missing
    std::string data;      // the value as stored, in the ANSI code page
};
// Waits (up to 60 s) until `count` records lie in `folder` and returns them all.
std::vector<StandInRecord> WaitForStandIn(const std::wstring& folder, size_t count);

// A copy of Korvane.dll under `name` in `folder`, loaded for the object's life, with its four exports.
class DllCopy {
public:
    DllCopy(const std::wstring& folder, const std::wstring& name = L"Korvane.dll");
    ~DllCopy();
    HMODULE module() const { return module_; }
    const std::wstring& path() const { return path_; }
    // The exports (E_FAIL when the copy did not load).
    HRESULT CanUnloadNow() const;
    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) const;
    HRESULT Register() const;
    HRESULT Unregister() const;
    // A new ContextMenuCls from this copy's class factory, asked for `riid`.
    HRESULT Create(REFIID riid, void** ppv) const;

private:
    std::wstring path_;
    HMODULE module_ = nullptr;
    HRESULT(STDAPICALLTYPE* canUnload_)() = nullptr;
    HRESULT(STDAPICALLTYPE* getClassObject_)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* register_)() = nullptr;
    HRESULT(STDAPICALLTYPE* unregister_)() = nullptr;
};

// A data object as Explorer hands it over: CF_HDROP in global memory with the paths (UTF-16 names unless
// `wide` is false). With `serveDrop` false it offers no CF_HDROP. Counts media handed out and released.
class DropDataObject : public IDataObject {
public:
    static DropDataObject* Create(const std::vector<std::wstring>& paths, bool serveDrop = true, bool wide = true);
    LONG MediaOut() const { return mediaOut_; }
    LONG MediaReleased() const { return mediaReleased_; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++ref_; }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    class MediumOwner;
    DropDataObject() = default;
    virtual ~DropDataObject() = default;
    ULONG ref_ = 1;
    bool serveDrop_ = true;
    std::vector<BYTE> drop_;
    LONG mediaOut_ = 0;
    std::atomic<LONG> mediaReleased_{0};
};

// HKEY_CURRENT_USER of this process redirected to a private, empty key for the object's life. With
// `deleted` the key is deleted at once while the redirection stays, so no key can be opened or made below it.
class HkcuSandbox {
public:
    explicit HkcuSandbox(bool deleted = false);
    ~HkcuSandbox();

private:
    std::wstring path_;
    HKEY key_ = nullptr;
};

// The handoff value as stored, in the ANSI code page. `type` is 0 when the key or value is missing.
std::string ReadHandoff(DWORD* type);
// Writes `text` as the handoff value (for sentinels).
void WriteHandoff(const std::string& text);

// Every key and value at and below root\path, one line each, in the registry's order:
//   "<key path>" and "<key path> [<value name or @>] <type> <data>", REG_SZ data as text with NULs as "\0".
std::vector<std::string> ListTree(HKEY root, const std::wstring& path);
bool KeyExists(HKEY root, const std::wstring& path);
// The extension's class and type library, as their registry keys name them (written here, not taken from the
// extension's sources, so that a wrong identifier there shows).
inline const std::string kClassId = "{349D3308-D7F3-423A-B280-83716A080D16}";
inline const std::string kTypeLibId = "{319F5DDC-F42C-4249-8DF8-A4EF7CDE8F4D}";
// The lines of ListTree for the extension's class key and its two ProgIDs as its registration writes them, under
// `classes` ("" for HKEY_CLASSES_ROOT, "Software\\Classes\\" below a user's or the machine's key), with the
// server at `dll`.
std::vector<std::string> ClassEntries(const std::string& classes, const std::string& dll);

// Watches this process for message boxes captioned "Zenvola SWF Optimizer" and closes each with OK, so that
// a test never hangs on one; records their texts.
class BoxCatcher {
public:
    BoxCatcher();
    ~BoxCatcher();
    // The texts of the boxes closed so far; each followed by " [OK only]" when OK was its only button and
    // " [warning]" when it showed the warning icon.
    std::vector<std::string> Texts();

private:
    std::atomic<bool> stop_{false};
    CRITICAL_SECTION cs_;
    std::vector<std::string> texts_;
    std::thread thread_;
};

// Runs a command line and returns its exit code (-1 if it did not start or end within 120 s).
int RunProcess(const std::wstring& commandLine);

// The text of a GUID in registry form.
std::wstring GuidText(REFGUID guid);

}  // namespace ktest
