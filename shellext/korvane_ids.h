// Identifiers of the extension's COM class, interface and type library, and the interface IContextMenuCls.
#pragma once

#include <windows.h>
#include <oaidl.h>

// The class's own dual interface: IDispatch with no members of its own, described by the type library.
struct IContextMenuCls : public IDispatch {};

extern const CLSID CLSID_ContextMenuCls;  // {349D3308-D7F3-423A-B280-83716A080D16}
extern const IID IID_IContextMenuCls;     // {12E7C1F5-45CA-482F-ADD2-4E6494DDE13A}
extern const GUID LIBID_KORVANELib;       // {319F5DDC-F42C-4249-8DF8-A4EF7CDE8F4D}, version 1.0

// Version of the type library that objects load for their dispatch part.
constexpr WORD kTypeLibMajor = 1;
constexpr WORD kTypeLibMinor = 0;
