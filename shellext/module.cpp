// Process-wide state of Korvane.dll.
#include "module.h"

#include "class_factory.h"
#include "korvane_ids.h"

namespace korvane {
namespace {

HINSTANCE g_hInstance;
volatile LONG g_cLocks;
// Guards the making of the class factory, which two apartments may ask for at the same moment.
CRITICAL_SECTION g_csFactory;
ClassFactory* g_pFactory;
// Guards the one-time loading of the type information.
CRITICAL_SECTION g_csTypeInfo;
ITypeInfo* g_pTypeInfo;

}  // namespace

void ModuleInit(HINSTANCE hInstance) {
    g_hInstance = hInstance;
    g_cLocks = 0;
    InitializeCriticalSection(&g_csFactory);
    InitializeCriticalSection(&g_csTypeInfo);
}

void ModuleTerm() {
    if (g_pFactory) {
        g_pFactory->Release();
        g_pFactory = nullptr;
    }
    if (g_pTypeInfo) {
        g_pTypeInfo->Release();
        g_pTypeInfo = nullptr;
    }
    DeleteCriticalSection(&g_csTypeInfo);
    DeleteCriticalSection(&g_csFactory);
}

HINSTANCE ModuleInstance() { return g_hInstance; }

std::wstring ModulePathW() {
    // The folder may be deeper than MAX_PATH allows for; grow the buffer until the whole name fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(g_hInstance, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768) return std::wstring();
        path.resize(path.size() * 2);
    }
}

void LockModule() { InterlockedIncrement(&g_cLocks); }
void UnlockModule() { InterlockedDecrement(&g_cLocks); }
bool ModuleCanUnload() { return InterlockedCompareExchange(&g_cLocks, 0, 0) == 0; }

HRESULT GetClassFactory(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    EnterCriticalSection(&g_csFactory);
    if (!g_pFactory) g_pFactory = ClassFactory::Create();
    HRESULT hr = g_pFactory ? g_pFactory->QueryInterface(riid, ppv) : E_OUTOFMEMORY;
    LeaveCriticalSection(&g_csFactory);
    return hr;
}

HRESULT GetContextMenuTypeInfo(LCID lcid, ITypeInfo** ppTypeInfo) {
    *ppTypeInfo = nullptr;
    HRESULT hr = S_OK;
    EnterCriticalSection(&g_csTypeInfo);
    if (!g_pTypeInfo) {
        ITypeLib* pTypeLib = nullptr;
        hr = LoadRegTypeLib(LIBID_KORVANELib, kTypeLibMajor, kTypeLibMinor, lcid, &pTypeLib);
        if (SUCCEEDED(hr)) {
            hr = pTypeLib->GetTypeInfoOfGuid(IID_IContextMenuCls, &g_pTypeInfo);
            pTypeLib->Release();
        }
    }
    if (g_pTypeInfo) {
        g_pTypeInfo->AddRef();
        *ppTypeInfo = g_pTypeInfo;
    }
    LeaveCriticalSection(&g_csTypeInfo);
    return hr;
}

}  // namespace korvane
