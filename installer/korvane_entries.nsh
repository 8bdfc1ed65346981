; The registry entries of the Explorer extension for the current user, under HKEY_CURRENT_USER\Software\Classes:
; the class, ProgID and type-library entries that Korvane.dll writes when it registers itself, and its association
; as a context-menu handler with .swf files. The installer and the uninstaller both use these macros, so they name
; exactly the same keys. The identifiers SQZ_CLSID, SQZ_IID and SQZ_LIBID come from the build (product_names.nsh).

!define SQZ_CLASSES "Software\Classes"
!define SQZ_PROGID "Korvane.ContextMenuCls"
!define SQZ_CLASS_NAME "ContextMenuCls Class"
; The automation marshaller, which marshals the type library's dual interface.
!define SQZ_PSOA_CLSID "{00020424-0000-0000-C000-000000000046}"
!define SQZ_ASSOCIATION "${SQZ_CLASSES}\SystemFileAssociations\.swf"
!define SQZ_HANDLER_KEY "${SQZ_ASSOCIATION}\shellex\ContextMenuHandlers\Korvane"

; Removes every entry of the extension from the current registry view. Containers that other programs share
; (CLSID, TypeLib, Interface, the .swf association) go only when nothing is left in them.
!macro SQZ_REMOVE_KORVANE_ENTRIES
    DeleteRegKey HKCU "${SQZ_HANDLER_KEY}"
    DeleteRegKey /ifempty HKCU "${SQZ_ASSOCIATION}\shellex\ContextMenuHandlers"
    DeleteRegKey /ifempty HKCU "${SQZ_ASSOCIATION}\shellex"
    DeleteRegKey /ifempty HKCU "${SQZ_ASSOCIATION}"
    DeleteRegKey /ifempty HKCU "${SQZ_CLASSES}\SystemFileAssociations"

    DeleteRegKey HKCU "${SQZ_CLASSES}\CLSID\${SQZ_CLSID}"
    DeleteRegKey /ifempty HKCU "${SQZ_CLASSES}\CLSID"
    DeleteRegKey HKCU "${SQZ_CLASSES}\TypeLib\${SQZ_LIBID}"
    DeleteRegKey /ifempty HKCU "${SQZ_CLASSES}\TypeLib"
    DeleteRegKey HKCU "${SQZ_CLASSES}\Interface\${SQZ_IID}"
    DeleteRegKey /ifempty HKCU "${SQZ_CLASSES}\Interface"

    ; A ProgID keeps what others wrote below it; only its default value and our own subkeys go.
    DeleteRegKey HKCU "${SQZ_CLASSES}\${SQZ_PROGID}.1\CLSID"
    DeleteRegValue HKCU "${SQZ_CLASSES}\${SQZ_PROGID}.1" ""
    DeleteRegKey /ifempty HKCU "${SQZ_CLASSES}\${SQZ_PROGID}.1"
    DeleteRegKey HKCU "${SQZ_CLASSES}\${SQZ_PROGID}\CLSID"
    DeleteRegKey HKCU "${SQZ_CLASSES}\${SQZ_PROGID}\CurVer"
    DeleteRegValue HKCU "${SQZ_CLASSES}\${SQZ_PROGID}" ""
    DeleteRegKey /ifempty HKCU "${SQZ_CLASSES}\${SQZ_PROGID}"
!macroend

; The dual interface as the system's type-library registration records it, in the current registry view.
!macro SQZ_WRITE_KORVANE_INTERFACE
    DeleteRegKey HKCU "${SQZ_CLASSES}\Interface\${SQZ_IID}"
    WriteRegStr HKCU "${SQZ_CLASSES}\Interface\${SQZ_IID}" "" "IContextMenuCls"
    WriteRegStr HKCU "${SQZ_CLASSES}\Interface\${SQZ_IID}\ProxyStubClsid" "" "${SQZ_PSOA_CLSID}"
    WriteRegStr HKCU "${SQZ_CLASSES}\Interface\${SQZ_IID}\ProxyStubClsid32" "" "${SQZ_PSOA_CLSID}"
    WriteRegStr HKCU "${SQZ_CLASSES}\Interface\${SQZ_IID}\TypeLib" "" "${SQZ_LIBID}"
    WriteRegStr HKCU "${SQZ_CLASSES}\Interface\${SQZ_IID}\TypeLib" "Version" "1.0"
!macroend

; Writes the extension's entries for the library DLL (its full path, in FOLDER) into the current registry view.
; The class key and the type library's key are deleted whole before they are written, as the extension's own
; registration does, so entries an earlier installation left below them do not survive. TYPELIB_PLATFORM is win64
; or win32, the kind of the library.
!macro SQZ_WRITE_KORVANE_ENTRIES DLL FOLDER TYPELIB_PLATFORM
    WriteRegStr HKCU "${SQZ_CLASSES}\${SQZ_PROGID}.1" "" "${SQZ_CLASS_NAME}"
    WriteRegStr HKCU "${SQZ_CLASSES}\${SQZ_PROGID}.1\CLSID" "" "${SQZ_CLSID}"
    WriteRegStr HKCU "${SQZ_CLASSES}\${SQZ_PROGID}" "" "${SQZ_CLASS_NAME}"
    WriteRegStr HKCU "${SQZ_CLASSES}\${SQZ_PROGID}\CLSID" "" "${SQZ_CLSID}"
    WriteRegStr HKCU "${SQZ_CLASSES}\${SQZ_PROGID}\CurVer" "" "${SQZ_PROGID}.1"

    DeleteRegKey HKCU "${SQZ_CLASSES}\CLSID\${SQZ_CLSID}"
    WriteRegStr HKCU "${SQZ_CLASSES}\CLSID\${SQZ_CLSID}" "" "${SQZ_CLASS_NAME}"
    WriteRegStr HKCU "${SQZ_CLASSES}\CLSID\${SQZ_CLSID}\ProgID" "" "${SQZ_PROGID}.1"
    WriteRegStr HKCU "${SQZ_CLASSES}\CLSID\${SQZ_CLSID}\VersionIndependentProgID" "" "${SQZ_PROGID}"
    ; An empty key: a value written and taken away again leaves the key behind.
    WriteRegNone HKCU "${SQZ_CLASSES}\CLSID\${SQZ_CLSID}\Programmable" ""
    DeleteRegValue HKCU "${SQZ_CLASSES}\CLSID\${SQZ_CLSID}\Programmable" ""
    WriteRegStr HKCU "${SQZ_CLASSES}\CLSID\${SQZ_CLSID}\InprocServer32" "" "${DLL}"
    WriteRegStr HKCU "${SQZ_CLASSES}\CLSID\${SQZ_CLSID}\InprocServer32" "ThreadingModel" "Apartment"
    WriteRegStr HKCU "${SQZ_CLASSES}\CLSID\${SQZ_CLSID}\TypeLib" "" "${SQZ_LIBID}"

    ; The type library: its name, its file for the platform, its flags (8: the library has a disk image) and its
    ; help folder.
    DeleteRegKey HKCU "${SQZ_CLASSES}\TypeLib\${SQZ_LIBID}"
    WriteRegStr HKCU "${SQZ_CLASSES}\TypeLib\${SQZ_LIBID}\1.0" "" "Korvane 1.0 Type Library"
    WriteRegStr HKCU "${SQZ_CLASSES}\TypeLib\${SQZ_LIBID}\1.0\0\${TYPELIB_PLATFORM}" "" "${DLL}"
    WriteRegStr HKCU "${SQZ_CLASSES}\TypeLib\${SQZ_LIBID}\1.0\FLAGS" "" "8"
    WriteRegStr HKCU "${SQZ_CLASSES}\TypeLib\${SQZ_LIBID}\1.0\HELPDIR" "" "${FOLDER}"
    !insertmacro SQZ_WRITE_KORVANE_INTERFACE

    ; Explorer's context menu of .swf files, whatever program opens them.
    WriteRegStr HKCU "${SQZ_HANDLER_KEY}" "" "${SQZ_CLSID}"
!macroend
