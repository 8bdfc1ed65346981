// ContextMenuCls, the Explorer context-menu handler: offers "Optimize with Zenvola SWF Optimizer" for
// selections that hold movies, hands their paths to the main program through the registry and starts it.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include "korvane_ids.h"

namespace korvane {

// Most files of one selection that are examined; the rest are ignored.
constexpr int kMaxFiles = 1024;
// Longest path that is handed over, in bytes of the ANSI code page: what a MAX_PATH buffer holds.
constexpr UINT kMaxPathLength = MAX_PATH - 1;
// A slot holds an accepted path, its space and a terminator.
constexpr size_t kSlotSize = kMaxPathLength + 2;

// True when the path names a movie to hand over: its last four characters are exactly ".swf" or exactly
// ".SWF". `length` is the path's length in bytes.
bool IsAcceptedPath(const char* path, size_t length);

class ContextMenuCls final : public IContextMenuCls, public IShellExtInit, public IContextMenu {
public:
    // Makes an object and asks it for `riid` into `*ppvObject`. With an outer object (`pUnkOuter`) the object
    // is aggregated: only IID_IUnknown may be asked for (else CLASS_E_NOAGGREGATION), the result is the
    // object's own IUnknown, and its other interfaces pass reference counting and interface requests to the
    // outer object. E_POINTER for a null `ppvObject`, E_OUTOFMEMORY when memory is short; on any failure
    // `*ppvObject` is null and nothing stays allocated.
    static HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject);

    // IUnknown: interfaces in the order IContextMenuCls, IDispatch (the same table), IShellExtInit,
    // IContextMenu; IUnknown gets the IContextMenuCls table; anything else E_NOINTERFACE.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch, resolved through the type information of IContextMenuCls (which has no members of its own).
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // IShellExtInit: reads the selection (CF_HDROP) from `pDataObj`: S_OK when it held at least one file, which then
    // replaces everything an earlier call kept (Explorer may call more than once); E_INVALIDARG otherwise, and
    // E_OUTOFMEMORY when memory ran out, with the state left as it was. `pidlFolder` and `hkeyProgID` are not used.
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE pidlFolder, IDataObject* pDataObj, HKEY hkeyProgID) override;

    // IContextMenu: inserts the entry at `indexMenu` with the command `idCmdFirst` and the menu bitmap when a movie
    // was selected (nothing with CMF_DEFAULTONLY, which returns S_OK); otherwise returns 1, one command identifier
    // used.
    STDMETHODIMP QueryContextMenu(HMENU hmenu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast, UINT uFlags) override;
    // For command offset 0 only: writes the handoff value and starts Squozen.exe from this library's folder;
    // S_OK also when the handoff failed with a message. E_INVALIDARG for a verb or another offset, E_OUTOFMEMORY when
    // memory ran out.
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* pici) override;
    // The help text of the entry (GCS_HELPTEXTW from UTF-16, or GCS_HELPTEXTA in the ANSI code page, at most
    // `cchMax` characters with the terminator); E_INVALIDARG for verbs, validation and any command but 0.
    STDMETHODIMP GetCommandString(UINT_PTR idCmd, UINT uType, UINT* pReserved, CHAR* pszName, UINT cchMax) override;

private:
    // The object's own IUnknown when it is aggregated: it keeps the count and answers IUnknown itself.
    class InnerUnknown final : public IUnknown {
    public:
        explicit InnerUnknown(ContextMenuCls* pOwner) : m_pOwner(pOwner) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
        STDMETHODIMP_(ULONG) AddRef() override;
        STDMETHODIMP_(ULONG) Release() override;

    private:
        ContextMenuCls* m_pOwner;
    };

    explicit ContextMenuCls(IUnknown* pUnkOuter);
    ~ContextMenuCls();
    ContextMenuCls(const ContextMenuCls&) = delete;
    ContextMenuCls& operator=(const ContextMenuCls&) = delete;

    HRESULT InternalQueryInterface(REFIID riid, void** ppv);
    ULONG InternalAddRef();
    ULONG InternalRelease();
    // Writes the accepted paths of the selection into the handoff value and starts the main program.
    void HandOff();

    InnerUnknown m_inner;
    IUnknown* m_pUnkOuter;  // null unless aggregated
    ULONG m_cRef;           // apartment-threaded: one thread uses the object, no interlocking
    BOOL m_bHasSwf;
    int m_nFiles;
    // Slot i: the i-th selected path followed by one space when it was accepted, else empty.
    char m_szFiles[kMaxFiles][kSlotSize];
    HBITMAP m_hMenuBitmap;
};

}  // namespace korvane
