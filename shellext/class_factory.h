// The class factory of ContextMenuCls, made once per process and kept by the module.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace korvane {

class ClassFactory final : public IClassFactory {
public:
    // A new factory holding the module's one reference, or null when memory is short.
    static ClassFactory* Create();

    // IUnknown: answers IUnknown and IClassFactory with the same pointer. While a client holds a reference
    // besides the module's, the module's lock count carries one lock for it.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IClassFactory: makes a ContextMenuCls, plain or aggregated (see ContextMenuCls::CreateInstance).
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    // Adds a lock to the module's lock count when `fLock` is non-zero, takes one away otherwise.
    STDMETHODIMP LockServer(BOOL fLock) override;

private:
    ClassFactory();
    ~ClassFactory();

    // Guards the count and the lock taken for client references, as several apartments share the factory.
    CRITICAL_SECTION m_cs;
    ULONG m_cRef;
};

}  // namespace korvane
