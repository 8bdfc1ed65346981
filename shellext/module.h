// Process-wide state of Korvane.dll: its instance handle, the lock count that decides unloading, the kept class
// factory and the type information shared by every object.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <unknwn.h>

#include <string>

namespace korvane {

// Runs `body` (which returns an HRESULT) so that no exception leaves a COM method or an export of the library: the
// only ones its code can raise come from memory running out while a path or a text is built (E_OUTOFMEMORY).
template <class Body>
HRESULT Guarded(Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

// Sets the module up for `hInstance` (the handle the entry point receives). Called once, at process attach.
void ModuleInit(HINSTANCE hInstance);
// Releases the kept class factory and type information. Called once, at process detach.
void ModuleTerm();

// The instance handle of this library, whatever the library file is called and wherever it lies.
HINSTANCE ModuleInstance();
// Full path of this library's file (empty if the system cannot tell it).
std::wstring ModulePathW();

// The lock count: living objects, client-held class-factory references and LockServer locks. Interlocked.
void LockModule();
void UnlockModule();
// True when nothing holds the module, so the host may unload it.
bool ModuleCanUnload();

// The class factory of ContextMenuCls asked for `riid`. The factory is made on the first request and kept by
// the module until termination, so every request gets the same object. E_POINTER for a null `ppv`,
// E_OUTOFMEMORY when the factory cannot be made, E_NOINTERFACE for an interface other than IUnknown and
// IClassFactory.
HRESULT GetClassFactory(REFIID riid, void** ppv);

// The type information of IContextMenuCls from the registered type library (version 1.0), with a reference
// for the caller. Loaded once per process for the locale of the first caller; when loading fails the loader's
// failure is returned and the next call tries again.
HRESULT GetContextMenuTypeInfo(LCID lcid, ITypeInfo** ppTypeInfo);

}  // namespace korvane
