// Entry point and the four exports of Korvane.dll: unloading, the class object, registration and
// unregistration (the class from script 101, the type library from the library's own resource).
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <string>

#include "korvane_ids.h"
#include "korvane_resource.h"
#include "module.h"
#include "registrar.h"

namespace {

// Runs registration script 101 with %MODULE% standing for this library's full path.
HRESULT UpdateRegistryFromResource(bool bRegister) {
    HINSTANCE hInstance = korvane::ModuleInstance();
    HRSRC hResource = FindResourceW(hInstance, MAKEINTRESOURCEW(IDR_CONTEXTMENUCLS), L"REGISTRY");
    if (!hResource) return HRESULT_FROM_WIN32(GetLastError());
    HGLOBAL hData = LoadResource(hInstance, hResource);
    const void* script = hData ? LockResource(hData) : nullptr;
    if (!script) return HRESULT_FROM_WIN32(GetLastError());
    std::wstring module = korvane::ModulePathW();
    if (module.empty()) return HRESULT_FROM_WIN32(GetLastError());
    return korvane::RunRegistrationScript(static_cast<const char*>(script), SizeofResource(hInstance, hResource),
                                          {{L"MODULE", module}}, bRegister);
}

// The type library of this library file (its TYPELIB resource 1), with the file's path.
HRESULT LoadOwnTypeLib(std::wstring* path, ITypeLib** ppTypeLib) {
    *path = korvane::ModulePathW();
    if (path->empty()) return HRESULT_FROM_WIN32(GetLastError());
    return LoadTypeLibEx(path->c_str(), REGKIND_NONE, ppTypeLib);
}

HRESULT RegisterOwnTypeLib() {
    std::wstring path;
    ITypeLib* pTypeLib = nullptr;
    HRESULT hr = LoadOwnTypeLib(&path, &pTypeLib);
    if (FAILED(hr)) return hr;
    // The library's folder is the help folder, as the type library names no help file of its own.
    std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    hr = RegisterTypeLib(pTypeLib, &path[0], folder.empty() ? nullptr : &folder[0]);
    pTypeLib->Release();
    return hr;
}

bool TypeLibIsRegistered(const TLIBATTR& attr) {
    wchar_t libid[40];
    if (!StringFromGUID2(attr.guid, libid, 40)) return false;
    std::wstring key = std::wstring(L"TypeLib\\") + libid + L"\\" + std::to_wstring(attr.wMajorVerNum) + L"." +
                       std::to_wstring(attr.wMinorVerNum);
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
    RegCloseKey(hKey);
    return true;
}

// Removes the registration of this library's type library; one that is not registered is no failure, so
// that unregistering twice, or after a registration that stopped half-way, succeeds.
HRESULT UnregisterOwnTypeLib() {
    std::wstring path;
    ITypeLib* pTypeLib = nullptr;
    HRESULT hr = LoadOwnTypeLib(&path, &pTypeLib);
    if (FAILED(hr)) return hr;
    TLIBATTR* pAttr = nullptr;
    hr = pTypeLib->GetLibAttr(&pAttr);
    if (SUCCEEDED(hr)) {
        if (TypeLibIsRegistered(*pAttr))
            hr = UnRegisterTypeLib(pAttr->guid, pAttr->wMajorVerNum, pAttr->wMinorVerNum, pAttr->lcid, pAttr->syskind);
        pTypeLib->ReleaseTLibAttr(pAttr);
    }
    pTypeLib->Release();
    return hr;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    if (dwReason == DLL_PROCESS_ATTACH) {
        korvane::ModuleInit(hInstance);
        DisableThreadLibraryCalls(hInstance);
    } else if (dwReason == DLL_PROCESS_DETACH) {
        korvane::ModuleTerm();
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() { return korvane::ModuleCanUnload() ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_ContextMenuCls)) return CLASS_E_CLASSNOTAVAILABLE;
    return korvane::GetClassFactory(riid, ppv);
}

STDAPI DllRegisterServer() {
    return korvane::Guarded([] {
        HRESULT hr = UpdateRegistryFromResource(true);
        return FAILED(hr) ? hr : RegisterOwnTypeLib();
    });
}

STDAPI DllUnregisterServer() {
    return korvane::Guarded([] {
        HRESULT hr = UpdateRegistryFromResource(false);
        HRESULT hrTypeLib = UnregisterOwnTypeLib();
        return FAILED(hr) ? hr : hrTypeLib;
    });
}
