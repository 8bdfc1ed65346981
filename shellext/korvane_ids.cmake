# The extension's COM identifiers, written here once. The type library (Korvane.idl), the registration script
# (ContextMenuCls.rgs), the identifiers compiled into the library and its tests (korvane_guids.h) and the
# installer's registry entries are generated from them when the build is configured.
set(KORVANE_CLSID "349D3308-D7F3-423A-B280-83716A080D16")  # the class ContextMenuCls
set(KORVANE_IID "12E7C1F5-45CA-482F-ADD2-4E6494DDE13A")    # its dual interface IContextMenuCls
set(KORVANE_LIBID "319F5DDC-F42C-4249-8DF8-A4EF7CDE8F4D")  # the type library KORVANELib, version 1.0

# Sets `out` to the C initializer of the GUID `guid` (its text without braces), as a GUID constant is written:
# {0x349D3308, 0xD7F3, 0x423A, {0xB2, 0x80, 0x83, 0x71, 0x6A, 0x08, 0x0D, 0x16}}.
function(korvane_guid_initializer out guid)
    string(REPLACE "-" "" hex "${guid}")
    string(SUBSTRING "${hex}" 0 8 data1)
    string(SUBSTRING "${hex}" 8 4 data2)
    string(SUBSTRING "${hex}" 12 4 data3)
    set(bytes "")
    foreach(at RANGE 16 30 2)
        string(SUBSTRING "${hex}" ${at} 2 byte)
        list(APPEND bytes "0x${byte}")
    endforeach()
    list(JOIN bytes ", " bytes)
    set(${out} "{0x${data1}, 0x${data2}, 0x${data3}, {${bytes}}}" PARENT_SCOPE)
endfunction()
