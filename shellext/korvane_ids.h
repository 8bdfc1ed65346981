// Identifiers of the extension's COM class, interface and type library, and the interface IContextMenuCls.
#pragma once

#include <windows.h>
#include <oaidl.h>

// The class's own dual interface: IDispatch with no members of its own, described by the type library.
struct IContextMenuCls : public IDispatch {};

// Their values are written once, in korvane_ids.cmake.
extern const CLSID CLSID_ContextMenuCls;
extern const IID IID_IContextMenuCls;
extern const GUID LIBID_KORVANELib;  // version kTypeLibMajor.kTypeLibMinor

// Version of the type library that objects load for their dispatch part.
constexpr WORD kTypeLibMajor = 1;
constexpr WORD kTypeLibMinor = 0;
