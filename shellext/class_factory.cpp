// The class factory of ContextMenuCls.
#include "class_factory.h"

#include <new>

#include "context_menu_cls.h"
#include "module.h"

namespace korvane {

ClassFactory* ClassFactory::Create() { return new (std::nothrow) ClassFactory(); }

ClassFactory::ClassFactory() : m_cRef(1) { InitializeCriticalSection(&m_cs); }

ClassFactory::~ClassFactory() { DeleteCriticalSection(&m_cs); }

STDMETHODIMP ClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ClassFactory::AddRef() {
    EnterCriticalSection(&m_cs);
    ULONG n = ++m_cRef;
    // The first reference beyond the module's own belongs to a client, which keeps the library loaded.
    if (n == 2) LockModule();
    LeaveCriticalSection(&m_cs);
    return n;
}

STDMETHODIMP_(ULONG) ClassFactory::Release() {
    EnterCriticalSection(&m_cs);
    ULONG n = --m_cRef;
    if (n == 1) UnlockModule();
    LeaveCriticalSection(&m_cs);
    if (n == 0) delete this;
    return n;
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    return ContextMenuCls::CreateInstance(pUnkOuter, riid, ppvObject);
}

STDMETHODIMP ClassFactory::LockServer(BOOL fLock) {
    if (fLock)
        LockModule();
    else
        UnlockModule();
    return S_OK;
}

}  // namespace korvane
