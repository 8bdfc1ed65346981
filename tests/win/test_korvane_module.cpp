// Korvane.dll as a COM server, through its exports directly: unloading, the class factory, the object's
// interfaces and aggregation, the dispatch part and the resources.
#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>

#include "korvane_test_support.h"

using ktest::Ref;

namespace {

class KorvaneModule : public ::testing::Test {
protected:
    ktest::TempFolder folder_;
    ktest::DllCopy dll_{folder_.path()};
};

TEST_F(KorvaneModule, ExportsTheFourFunctionsByNameAndOrdinal) {
    HMODULE h = dll_.module();
    const char* names[] = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"};
    for (int ordinal = 1; ordinal <= 4; ++ordinal) {
        FARPROC byName = GetProcAddress(h, names[ordinal - 1]);
        EXPECT_NE(byName, nullptr) << names[ordinal - 1];
        EXPECT_EQ(GetProcAddress(h, MAKEINTRESOURCEA(ordinal)), byName) << ordinal;
    }
    auto base = reinterpret_cast<const BYTE*>(h);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(h)->e_lfanew);
    auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(
        base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress);
    EXPECT_EQ(exports->Base, 1u);
    EXPECT_EQ(exports->NumberOfFunctions, 4u);
    EXPECT_EQ(exports->NumberOfNames, 4u);
}

TEST_F(KorvaneModule, UnloadWaitsForLocksFactoriesAndObjects) {
    EXPECT_EQ(dll_.CanUnloadNow(), S_OK);
    Ref<IClassFactory> factory;
    ASSERT_EQ(dll_.GetClassObject(CLSID_ContextMenuCls, IID_IClassFactory, factory.outv()), S_OK);
    EXPECT_EQ(dll_.CanUnloadNow(), S_FALSE) << "a client holds the class factory";
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    Ref<IContextMenu> menu;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, menu.outv()), S_OK);
    factory.Reset();
    EXPECT_EQ(dll_.CanUnloadNow(), S_FALSE);
    menu.Reset();
    EXPECT_EQ(dll_.CanUnloadNow(), S_FALSE) << "LockServer(TRUE) still holds the module";
    ASSERT_EQ(dll_.GetClassObject(CLSID_ContextMenuCls, IID_IClassFactory, factory.outv()), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    EXPECT_EQ(dll_.CanUnloadNow(), S_OK);
}

TEST_F(KorvaneModule, HandsOutOneClassFactoryAndRefusesOtherClasses) {
    Ref<IClassFactory> first, second;
    Ref<IUnknown> unknown;
    ASSERT_EQ(dll_.GetClassObject(CLSID_ContextMenuCls, IID_IClassFactory, first.outv()), S_OK);
    ASSERT_EQ(dll_.GetClassObject(CLSID_ContextMenuCls, IID_IClassFactory, second.outv()), S_OK);
    ASSERT_EQ(dll_.GetClassObject(CLSID_ContextMenuCls, IID_IUnknown, unknown.outv()), S_OK);
    EXPECT_EQ(first.get(), second.get());
    EXPECT_EQ(static_cast<IUnknown*>(first.get()), unknown.get());

    void* p = &p;
    EXPECT_EQ(dll_.GetClassObject(IID_IContextMenuCls, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(dll_.GetClassObject(CLSID_ContextMenuCls, IID_IClassFactory, nullptr), E_POINTER);
    p = &p;
    EXPECT_EQ(dll_.GetClassObject(CLSID_ContextMenuCls, IID_IContextMenu, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
}

// An outer object for aggregation: counts its references and answers IUnknown itself.
class Outer : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        ++queries;
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    ULONG refs = 1;
    int queries = 0;
};

TEST_F(KorvaneModule, CreateInstanceRefusesBadRequestsAndLeavesNothingBehind) {
    Ref<IClassFactory> factory;
    ASSERT_EQ(dll_.GetClassObject(CLSID_ContextMenuCls, IID_IClassFactory, factory.outv()), S_OK);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, nullptr), E_POINTER);
    Outer outer;
    void* p = &p;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IShellExtInit, &p), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(p, nullptr);
    p = &p;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPersistFile, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(outer.refs, 1u);
    factory.Reset();
    EXPECT_EQ(dll_.CanUnloadNow(), S_OK) << "the refused object was not destroyed";
}

TEST_F(KorvaneModule, AnswersItsInterfacesInTableOrder) {
    Ref<IUnknown> unknown;
    ASSERT_EQ(dll_.Create(IID_IUnknown, unknown.outv()), S_OK);
    Ref<IUnknown> own, dispatch, init, menu, back;
    ASSERT_EQ(unknown->QueryInterface(IID_IContextMenuCls, own.outv()), S_OK);
    ASSERT_EQ(unknown->QueryInterface(IID_IDispatch, dispatch.outv()), S_OK);
    ASSERT_EQ(unknown->QueryInterface(IID_IShellExtInit, init.outv()), S_OK);
    ASSERT_EQ(unknown->QueryInterface(IID_IContextMenu, menu.outv()), S_OK);
    // IUnknown and IDispatch share the first table, IContextMenuCls; the shell interfaces have their own.
    EXPECT_EQ(unknown.get(), own.get());
    EXPECT_EQ(unknown.get(), dispatch.get());
    EXPECT_NE(init.get(), own.get());
    EXPECT_NE(menu.get(), own.get());
    EXPECT_NE(menu.get(), init.get());
    for (IUnknown* p : {own.get(), init.get(), menu.get()}) {
        ASSERT_EQ(p->QueryInterface(IID_IUnknown, back.outv()), S_OK);
        EXPECT_EQ(back.get(), unknown.get());
    }
    void* none = &none;
    EXPECT_EQ(menu->QueryInterface(IID_IPersistFile, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    back.Reset();
    EXPECT_EQ(unknown->AddRef(), 6u) << "one count shared by all interfaces";
    EXPECT_EQ(unknown->Release(), 5u);
    own.Reset(), dispatch.Reset(), init.Reset(), menu.Reset(), unknown.Reset();
    EXPECT_EQ(dll_.CanUnloadNow(), S_OK);
}

TEST_F(KorvaneModule, AggregatedObjectPassesCountsAndRequestsToTheOuterObject) {
    Ref<IClassFactory> factory;
    ASSERT_EQ(dll_.GetClassObject(CLSID_ContextMenuCls, IID_IClassFactory, factory.outv()), S_OK);
    Outer outer;
    IUnknown* inner = nullptr;
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
    ASSERT_NE(inner, nullptr);
    EXPECT_NE(inner, static_cast<IUnknown*>(&outer));
    factory.Reset();

    IContextMenu* menu = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    EXPECT_EQ(outer.refs, 2u) << "the interface's reference belongs to the outer object";
    IUnknown* identity = nullptr;
    int queries = outer.queries;
    ASSERT_EQ(menu->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
    EXPECT_EQ(outer.queries, queries + 1);
    identity->Release();
    menu->Release();
    EXPECT_EQ(outer.refs, 1u);

    IUnknown* again = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)), S_OK);
    EXPECT_EQ(again, inner) << "the inner IUnknown answers IUnknown itself";
    EXPECT_EQ(again->Release(), 1u);
    EXPECT_EQ(dll_.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(inner->Release(), 0u);
    EXPECT_EQ(dll_.CanUnloadNow(), S_OK);
}

TEST_F(KorvaneModule, DispatchWorksThroughTheRegisteredTypeLibrary) {
    Ref<IDispatch> dispatch;
    ASSERT_EQ(dll_.Create(IID_IDispatch, dispatch.outv()), S_OK);
    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(dispatch->GetTypeInfo(0, 0, nullptr), E_POINTER);
    Ref<ITypeInfo> info;
    dll_.Unregister();
    EXPECT_TRUE(FAILED(dispatch->GetTypeInfo(0, 0, info.out()))) << "type library not registered yet";

    ASSERT_EQ(dll_.Register(), S_OK);
    ASSERT_EQ(dispatch->GetTypeInfo(0, 0, info.out()), S_OK) << "the next call tries again";
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualIID(attr->guid, IID_IContextMenuCls));
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    info->ReleaseTypeAttr(attr);
    HREFTYPE baseRef = 0;
    Ref<ITypeInfo> base;
    ASSERT_EQ(info->GetRefTypeOfImplType(0, &baseRef), S_OK);
    ASSERT_EQ(info->GetRefTypeInfo(baseRef, base.out()), S_OK);
    BSTR name = nullptr;
    ASSERT_EQ(base->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), S_OK);
    EXPECT_STREQ(name, L"IDispatch");
    SysFreeString(name);

    wchar_t member[] = L"Optimize";
    LPOLESTR names[] = {member};
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_IContextMenu, names, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
    DISPPARAMS none = {};
    EXPECT_EQ(dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(dll_.Unregister(), S_OK);
}

TEST_F(KorvaneModule, CarriesItsResources) {
    HMODULE h = dll_.module();
    HRSRC script =
        FindResourceExW(h, L"REGISTRY", MAKEINTRESOURCEW(101), MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
    ASSERT_NE(script, nullptr) << "registration script 101 in Chinese (PRC)";
    HRSRC bitmap = FindResourceW(h, MAKEINTRESOURCEW(202), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
    ASSERT_NE(bitmap, nullptr);
    auto info = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(h, bitmap)));
    EXPECT_EQ(info->biWidth, 16);
    EXPECT_EQ(info->biHeight, 16);
    EXPECT_EQ(info->biBitCount, 24);
    char text[32] = {};
    EXPECT_EQ(LoadStringA(h, 100, text, sizeof(text)), 7);
    EXPECT_STREQ(text, "Korvane");

    Ref<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(dll_.path().c_str(), REGKIND_NONE, lib.out()), S_OK);
    TLIBATTR* libAttr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&libAttr), S_OK);
    EXPECT_TRUE(IsEqualGUID(libAttr->guid, LIBID_KORVANELib));
    EXPECT_EQ(libAttr->wMajorVerNum, 1);
    EXPECT_EQ(libAttr->wMinorVerNum, 0);
    lib->ReleaseTLibAttr(libAttr);
    BSTR help = nullptr;
    ASSERT_EQ(lib->GetDocumentation(-1, nullptr, &help, nullptr, nullptr), S_OK);
    EXPECT_STREQ(help, L"Korvane 1.0 Type Library");
    SysFreeString(help);
    Ref<ITypeInfo> coclass;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(CLSID_ContextMenuCls, coclass.out()), S_OK);
    INT flags = 0;
    ASSERT_EQ(coclass->GetImplTypeFlags(0, &flags), S_OK);
    EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);

    DWORD ignored = 0, size = GetFileVersionInfoSizeW(dll_.path().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(dll_.path().c_str(), 0, size, block.data()));
    auto value = [&](const wchar_t* name) {
        void* p = nullptr;
        UINT length = 0;
        std::wstring path = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
        if (!VerQueryValueW(block.data(), path.c_str(), &p, &length)) return std::wstring(L"<missing>");
        return std::wstring(static_cast<const wchar_t*>(p));
    };
    EXPECT_EQ(value(L"FileDescription"), L"Korvane Module");
    EXPECT_EQ(value(L"ProductVersion"), L"1, 0, 0, 1");
    EXPECT_EQ(value(L"OriginalFilename"), L"Korvane.DLL");
    EXPECT_EQ(value(L"OLESelfRegister"), L"");
}

}  // namespace
