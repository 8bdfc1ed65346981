// ContextMenuCls: reading the selection, the menu entry, its help text and the hand-over to Squozen.exe.
#include "context_menu_cls.h"

#include <shellapi.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "ansi_path.h"
#include "handoff_contract.h"
#include "korvane_resource.h"
#include "module.h"

namespace korvane {

namespace {

// The extension's texts, in UTF-16 so that they read right whatever the system's code page.
const wchar_t kMenuText[] = L"Optimize with " SQZ_PRODUCT_TITLE;
const wchar_t kHelpText[] = L"You select .swf file to optimize!";
const wchar_t kCaption[] = L"" SQZ_PRODUCT_TITLE;
const wchar_t kProgramName[] = L"Squozen.exe";

void ShowWarning(const wchar_t* text) { MessageBoxW(nullptr, text, kCaption, MB_ICONWARNING | MB_OK); }

// The main program beside this library: found from the library's own module handle, so that a renamed copy
// or one of several copies loaded side by side starts the program of its own folder. Empty when the library
// cannot tell its own path.
std::wstring ProgramPath() {
    std::wstring path = ModulePathW();
    if (path.empty()) return path;
    size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos) path.resize(slash + 1);
    return path + kProgramName;
}

}  // namespace

bool IsAcceptedPath(const char* path, size_t length) {
    // '.' is never the second byte of a double-byte character, so the last four bytes are the extension.
    if (length < 4) return false;
    const char* ext = path + length - 4;
    return std::memcmp(ext, ".swf", 4) == 0 || std::memcmp(ext, ".SWF", 4) == 0;
}

HRESULT ContextMenuCls::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    ContextMenuCls* p = new (std::nothrow) ContextMenuCls(pUnkOuter);
    if (!p) return E_OUTOFMEMORY;
    HRESULT hr = pUnkOuter ? p->m_inner.QueryInterface(riid, ppvObject) : p->InternalQueryInterface(riid, ppvObject);
    if (FAILED(hr)) delete p;
    return hr;
}

ContextMenuCls::ContextMenuCls(IUnknown* pUnkOuter)
    : m_inner(this), m_pUnkOuter(pUnkOuter), m_cRef(0), m_bHasSwf(FALSE), m_nFiles(0) {
    m_hMenuBitmap = LoadBitmapA(ModuleInstance(), MAKEINTRESOURCEA(IDB_MENUBITMAP));
    LockModule();
}

ContextMenuCls::~ContextMenuCls() {
    // Each use of a context menu makes a new object; Explorer would run out of GDI handles without this.
    if (m_hMenuBitmap) DeleteObject(m_hMenuBitmap);
    UnlockModule();
}

HRESULT ContextMenuCls::InternalQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IContextMenuCls) || IsEqualIID(riid, IID_IDispatch))
        *ppv = static_cast<IContextMenuCls*>(this);
    else if (IsEqualIID(riid, IID_IShellExtInit))
        *ppv = static_cast<IShellExtInit*>(this);
    else if (IsEqualIID(riid, IID_IContextMenu))
        *ppv = static_cast<IContextMenu*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // Through the interface itself, so that an aggregated object counts the reference on its outer object.
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
}

ULONG ContextMenuCls::InternalAddRef() { return ++m_cRef; }

ULONG ContextMenuCls::InternalRelease() {
    ULONG n = --m_cRef;
    if (n == 0) delete this;
    return n;
}

STDMETHODIMP ContextMenuCls::QueryInterface(REFIID riid, void** ppv) {
    return m_pUnkOuter ? m_pUnkOuter->QueryInterface(riid, ppv) : InternalQueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) ContextMenuCls::AddRef() { return m_pUnkOuter ? m_pUnkOuter->AddRef() : InternalAddRef(); }

STDMETHODIMP_(ULONG) ContextMenuCls::Release() { return m_pUnkOuter ? m_pUnkOuter->Release() : InternalRelease(); }

STDMETHODIMP ContextMenuCls::InnerUnknown::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown)) {
        *ppv = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    return m_pOwner->InternalQueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) ContextMenuCls::InnerUnknown::AddRef() { return m_pOwner->InternalAddRef(); }

STDMETHODIMP_(ULONG) ContextMenuCls::InnerUnknown::Release() { return m_pOwner->InternalRelease(); }

STDMETHODIMP ContextMenuCls::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}

STDMETHODIMP ContextMenuCls::GetTypeInfo(UINT, LCID lcid, ITypeInfo** ppTInfo) {
    if (!ppTInfo) return E_POINTER;
    return GetContextMenuTypeInfo(lcid, ppTInfo);
}

STDMETHODIMP ContextMenuCls::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* pTypeInfo = nullptr;
    HRESULT hr = GetContextMenuTypeInfo(lcid, &pTypeInfo);
    if (FAILED(hr)) return hr;
    hr = pTypeInfo->GetIDsOfNames(rgszNames, cNames, rgDispId);
    pTypeInfo->Release();
    return hr;
}

STDMETHODIMP ContextMenuCls::Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                    VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* pTypeInfo = nullptr;
    HRESULT hr = GetContextMenuTypeInfo(lcid, &pTypeInfo);
    if (FAILED(hr)) return hr;
    hr = pTypeInfo->Invoke(static_cast<IContextMenuCls*>(this), dispIdMember, wFlags, pDispParams, pVarResult,
                           pExcepInfo, puArgErr);
    pTypeInfo->Release();
    return hr;
}

STDMETHODIMP ContextMenuCls::Initialize(PCIDLIST_ABSOLUTE, IDataObject* pDataObj, HKEY) {
    return Guarded([&]() -> HRESULT {
        if (!pDataObj) return E_INVALIDARG;
        FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        medium.tymed = TYMED_HGLOBAL;
        if (FAILED(pDataObj->GetData(&format, &medium))) return E_INVALIDARG;
        // The medium goes back on every path, also when building a path runs out of memory.
        struct Medium {
            STGMEDIUM* p;
            HDROP hDrop = nullptr;
            ~Medium() {
                if (hDrop) GlobalUnlock(p->hGlobal);
                ReleaseStgMedium(p);
            }
        } held{&medium};
        if (medium.tymed != TYMED_HGLOBAL) return E_INVALIDARG;
        held.hDrop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
        if (!held.hDrop) return E_INVALIDARG;
        UINT nFiles = DragQueryFileW(held.hDrop, 0xFFFFFFFF, nullptr, 0);
        if (nFiles == 0) return E_INVALIDARG;
        if (nFiles > static_cast<UINT>(kMaxFiles)) nFiles = kMaxFiles;
        // The selection is read whole before the state changes, so that a failure leaves the state as it was.
        std::vector<std::string> accepted(nFiles);
        for (UINT i = 0; i < nFiles; ++i) {
            // Read as wide text and handed over only in an exact ANSI form (its own or its short one), since the
            // program reads the value in the ANSI code page. A longer path does not fit the program's buffers.
            std::string path = ansi_path::DroppedAnsiPath(held.hDrop, i, CP_ACP);
            if (!path.empty() && path.size() <= kMaxPathLength && IsAcceptedPath(path.c_str(), path.size()))
                accepted[i] = path;
        }
        // Explorer may call again, for another selection: nothing of an earlier one remains.
        m_bHasSwf = FALSE;
        for (UINT i = 0; i < nFiles; ++i) {
            char* slot = m_szFiles[i];
            const std::string& path = accepted[i];
            slot[0] = '\0';
            if (path.empty()) continue;
            m_bHasSwf = TRUE;
            std::memcpy(slot, path.data(), path.size());
            slot[path.size()] = ' ';
            slot[path.size() + 1] = '\0';
        }
        m_nFiles = static_cast<int>(nFiles);
        return S_OK;
    });
}

STDMETHODIMP ContextMenuCls::QueryContextMenu(HMENU hmenu, UINT indexMenu, UINT idCmdFirst, UINT, UINT uFlags) {
    if (uFlags & CMF_DEFAULTONLY) return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 0);
    if (m_bHasSwf) {
        // From UTF-16, so that the entry reads right whatever the system's code page. The bitmap stands for the
        // unmarked state; the entry is never marked.
        MENUITEMINFOW item = {};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_ID | MIIM_STRING | MIIM_CHECKMARKS;
        item.wID = idCmdFirst;
        item.dwTypeData = const_cast<LPWSTR>(kMenuText);
        item.hbmpUnchecked = m_hMenuBitmap;
        InsertMenuItemW(hmenu, indexMenu, TRUE, &item);
    }
    return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 1);
}

STDMETHODIMP ContextMenuCls::GetCommandString(UINT_PTR idCmd, UINT uType, UINT*, CHAR* pszName, UINT cchMax) {
    if (idCmd != 0 || !(uType & GCS_HELPTEXTA)) return E_INVALIDARG;
    if (!pszName) return E_POINTER;
    if (uType & GCS_UNICODE) {
        lstrcpynW(reinterpret_cast<LPWSTR>(pszName), kHelpText, static_cast<int>(cchMax));
        return S_OK;
    }
    return Guarded([&]() -> HRESULT {
        lstrcpynA(pszName, ansi_path::Narrow(kHelpText, CP_ACP).c_str(), static_cast<int>(cchMax));
        return S_OK;
    });
}

STDMETHODIMP ContextMenuCls::InvokeCommand(CMINVOKECOMMANDINFO* pici) {
    if (!pici) return E_INVALIDARG;
    // A verb string, or a command offset other than the one entry's.
    if (!IS_INTRESOURCE(pici->lpVerb) || LOWORD(reinterpret_cast<ULONG_PTR>(pici->lpVerb)) != 0) return E_INVALIDARG;
    return Guarded([this]() -> HRESULT {
        HandOff();
        return S_OK;
    });
}

void ContextMenuCls::HandOff() {
    // Every slot holds at most kMaxPathLength + 1 bytes, so the text is at most 1024 × 260 = 266,240 bytes.
    size_t total = 0;
    for (int i = 0; i < m_nFiles; ++i) total += std::strlen(m_szFiles[i]);
    std::unique_ptr<char[]> text(new (std::nothrow) char[total + 1]);
    if (!text) return;
    char* end = text.get();
    for (int i = 0; i < m_nFiles; ++i) {
        size_t n = std::strlen(m_szFiles[i]);
        std::memcpy(end, m_szFiles[i], n);
        end += n;
    }
    // The registry counts a terminator the caller left out when one follows the data; a non-zero byte after
    // the text keeps the stored length at the text's own length.
    *end = ' ';

    HKEY hKey = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, kHandoffKey, &hKey) != ERROR_SUCCESS &&
        RegCreateKeyA(HKEY_CURRENT_USER, kHandoffKey, &hKey) != ERROR_SUCCESS) {
        ShowWarning(L"Can not open register!");
        return;
    }
    LONG written = RegSetValueExA(hKey, kHandoffValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.get()),
                                  static_cast<DWORD>(total));
    RegCloseKey(hKey);
    if (written != ERROR_SUCCESS) {
        ShowWarning(L"Can not save date to register!");
        return;
    }

    // Whether the program starts is not reported: the value waits for its next hand-over.
    std::wstring program = ProgramPath();
    if (!program.empty()) ShellExecuteW(nullptr, L"open", program.c_str(), nullptr, nullptr, SW_SHOW);
}

}  // namespace korvane
