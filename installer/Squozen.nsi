; The installer and uninstaller of Zenvola SWF Optimizer, for one user and without administrator rights. Built by
; the Windows builds with makensis; the build passes the architecture (SQZ_ARCH: x64 or x86), the version, the paths
; of the files to install and of the installer to write, and the names the installer shares with the program and the
; extension (SQZ_PRODUCT_NAMES: the product's title and addresses, the handoff value, the single-instance mutex, the
; profile area, the extension's identifiers), which it writes from the product's headers.
;
; The program keeps config.ini and temp\ beside its executable, so it goes into a folder the user can write: the
; user's local programs folder. The extension is registered for the user under HKEY_CURRENT_USER\Software\Classes
; and offered in Explorer's menu of .swf files. The uninstaller removes what the installer put in place and what
; the program and the extension wrote, and nothing else.

Unicode true
!if ${SQZ_ARCH} == x64
    Target amd64-unicode
!else
    Target x86-unicode
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true
ManifestSupportedOS all

!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include MUI2.nsh
!include "${SQZ_PRODUCT_NAMES}"
!include korvane_entries.nsh

!define SQZ_MAKER "Zenvola"
!define SQZ_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${SQZ_PRODUCT_TITLE}"
!define SQZ_UNINSTALL_PARENT "Software\Microsoft\Windows\CurrentVersion\Uninstall"
; What the program writes into the registry besides the handoff value of the extension.
!define SQZ_PROFILE_PARENT "Software\${SQZ_PROFILE_REGISTRY_KEY}"
!define SQZ_PROFILE_KEY "${SQZ_PROFILE_PARENT}\Squozen"
!define SQZ_SHORTCUT "$SMPROGRAMS\${SQZ_PRODUCT_TITLE}.lnk"
!if ${SQZ_ARCH} == x64
    !define SQZ_TYPELIB_PLATFORM win64
!else
    !define SQZ_TYPELIB_PLATFORM win32
!endif

Name "${SQZ_PRODUCT_TITLE}"
OutFile "${SQZ_OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${SQZ_PRODUCT_TITLE}"
InstallDirRegKey HKCU "${SQZ_UNINSTALL_KEY}" "InstallLocation"
BrandingText "${SQZ_PRODUCT_TITLE} ${SQZ_VERSION}"
ShowInstDetails hide
ShowUninstDetails hide

VIProductVersion "${SQZ_VERSION}.0.0"
VIAddVersionKey /LANG=2052 "ProductName" "${SQZ_PRODUCT_TITLE}"
VIAddVersionKey /LANG=2052 "CompanyName" "${SQZ_MAKER}"
VIAddVersionKey /LANG=2052 "FileDescription" "${SQZ_PRODUCT_TITLE} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${SQZ_VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${SQZ_VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "${SQZ_MAKER}"

!define MUI_ICON "${SQZ_ICON}"
!define MUI_UNICON "${SQZ_ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Squozen.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Var CreatedFolder

; Waits until no copy of the program runs, asking the user to close it; ends the installer or uninstaller when
; the user cancels (and at once when it runs silently, as nobody could close the program).
!macro SQZ_WAIT_FOR_PROGRAM ACTION
    ${Do}
        System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${SQZ_INSTANCE_MUTEX}") p .r0'
        ${If} $0 P= 0
            ${ExitDo}
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p r0)'
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
            "${SQZ_PRODUCT_TITLE} 正在运行。$\r$\n$\r$\n请先关闭它，然后单击“重试”；单击“取消”退出${ACTION}。" \
            /SD IDCANCEL IDRETRY sqz_program_retry
        SetErrorLevel 2
        Quit
        sqz_program_retry:
    ${Loop}
!macroend

; The extension's entries removed from both registry views of a 64-bit Windows: a 32-bit and a 64-bit
; installation each register in their own view, and one may replace the other.
!macro SQZ_REMOVE_KORVANE_ENTRIES_EVERYWHERE
    !insertmacro SQZ_REMOVE_KORVANE_ENTRIES
    !if ${SQZ_ARCH} == x64
        SetRegView 32
        !insertmacro SQZ_REMOVE_KORVANE_ENTRIES
        SetRegView default
    !else
        ${If} ${RunningX64}
            SetRegView 64
            !insertmacro SQZ_REMOVE_KORVANE_ENTRIES
            SetRegView default
        ${EndIf}
    !endif
!macroend

; Asks Explorer to read the file associations again, so its menu of .swf files changes at once.
!macro SQZ_NOTIFY_ASSOCIATIONS
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

Function .onInit
    !if ${SQZ_ARCH} == x86
        ${If} ${RunningX64}
            MessageBox MB_YESNO|MB_ICONQUESTION \
                "这是 32 位版本的安装程序。在 64 位 Windows 上，资源管理器的右键菜单“Optimize with ${SQZ_PRODUCT_TITLE}”只有 64 位版本才会显示。$\r$\n$\r$\n仍要安装 32 位版本吗？" \
                /SD IDYES IDYES sqz_install_32_bit
            SetErrorLevel 1
            Quit
            sqz_install_32_bit:
        ${EndIf}
    !endif
    !insertmacro SQZ_WAIT_FOR_PROGRAM "安装"
FunctionEnd

Section "Install"
    ; Asked again here, as the program may have been started while the pages were shown.
    !insertmacro SQZ_WAIT_FOR_PROGRAM "安装"
    ; The topmost folder of the installation path that does not exist yet: the uninstaller removes the folders
    ; the installer created, up to this one, when they are empty again.
    StrCpy $CreatedFolder ""
    StrCpy $0 "$INSTDIR"
    ${DoWhile} $0 != ""
        ${If} ${FileExists} "$0\*.*"
            ${ExitDo}
        ${EndIf}
        StrCpy $CreatedFolder $0
        ${GetParent} $0 $0
    ${Loop}

    SetOutPath "$INSTDIR"
    ; A library that Explorer still has loaded cannot be replaced, but it can be renamed: the new one goes in
    ; its place and Explorer loads that next time. The renamed one is removed by a later installation or by
    ; the uninstaller.
    Delete "$INSTDIR\Korvane.dll.old"
    ${If} ${FileExists} "$INSTDIR\Korvane.dll"
        ClearErrors
        Delete "$INSTDIR\Korvane.dll"
        ${If} ${Errors}
            Rename "$INSTDIR\Korvane.dll" "$INSTDIR\Korvane.dll.old"
        ${EndIf}
    ${EndIf}
    File "/oname=Squozen.exe" "${SQZ_SQUOZEN_EXE}"
    File "/oname=Korvane.dll" "${SQZ_KORVANE_DLL}"
    File "/oname=Squozen.chm" "${SQZ_HELP_FILE}"
    ; The command-line tool has its own folder: its name differs from the program's only in case.
    SetOutPath "$INSTDIR\cli"
    File "/oname=squozen.exe" "${SQZ_CLI_EXE}"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    CreateShortcut "${SQZ_SHORTCUT}" "$INSTDIR\Squozen.exe" "" "$INSTDIR\Squozen.exe" 0 SW_SHOWNORMAL "" \
        "批量压缩 Flash 动画"

    ; Keys that Windows keeps for every user but a new profile may lack: the uninstaller removes them only when
    ; the installer made them.
    ClearErrors
    EnumRegKey $1 HKCU "${SQZ_CLASSES}" 0
    ${If} ${Errors}
        StrCpy $2 1
    ${Else}
        StrCpy $2 0
    ${EndIf}
    ClearErrors
    EnumRegKey $1 HKCU "${SQZ_UNINSTALL_PARENT}" 0
    ${If} ${Errors}
        StrCpy $3 1
    ${Else}
        StrCpy $3 0
    ${EndIf}

    !insertmacro SQZ_REMOVE_KORVANE_ENTRIES_EVERYWHERE
    !insertmacro SQZ_WRITE_KORVANE_ENTRIES "$INSTDIR\Korvane.dll" "$INSTDIR\" ${SQZ_TYPELIB_PLATFORM}
    !if ${SQZ_ARCH} == x64
        ; A 64-bit type library also records its interface for 32-bit programs.
        SetRegView 32
        !insertmacro SQZ_WRITE_KORVANE_INTERFACE
        SetRegView default
    !endif

    ; A reinstallation into the same folder keeps what the first installation created.
    ReadRegStr $4 HKCU "${SQZ_UNINSTALL_KEY}" "InstallLocation"
    ${If} $4 == "$INSTDIR"
        ReadRegDWORD $5 HKCU "${SQZ_UNINSTALL_KEY}" "CreatedClassesKey"
        IntOp $2 $2 | $5
        ReadRegDWORD $5 HKCU "${SQZ_UNINSTALL_KEY}" "CreatedUninstallKey"
        IntOp $3 $3 | $5
        ${If} $CreatedFolder == ""
            ReadRegStr $CreatedFolder HKCU "${SQZ_UNINSTALL_KEY}" "CreatedFolder"
        ${EndIf}
    ${EndIf}

    ${GetSize} "$INSTDIR" "/S=0K" $6 $7 $8
    WriteRegStr HKCU "${SQZ_UNINSTALL_KEY}" "DisplayName" "${SQZ_PRODUCT_TITLE}"
    WriteRegStr HKCU "${SQZ_UNINSTALL_KEY}" "DisplayVersion" "${SQZ_VERSION}"
    WriteRegStr HKCU "${SQZ_UNINSTALL_KEY}" "Publisher" "${SQZ_MAKER}"
    WriteRegStr HKCU "${SQZ_UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Squozen.exe,0"
    WriteRegStr HKCU "${SQZ_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${SQZ_UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${SQZ_UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegStr HKCU "${SQZ_UNINSTALL_KEY}" "URLInfoAbout" "${SQZ_HOME_PAGE_URL}"
    WriteRegStr HKCU "${SQZ_UNINSTALL_KEY}" "HelpLink" "mailto:${SQZ_SUPPORT_MAIL}"
    WriteRegDWORD HKCU "${SQZ_UNINSTALL_KEY}" "EstimatedSize" $6
    WriteRegDWORD HKCU "${SQZ_UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${SQZ_UNINSTALL_KEY}" "NoRepair" 1
    WriteRegStr HKCU "${SQZ_UNINSTALL_KEY}" "CreatedFolder" "$CreatedFolder"
    WriteRegDWORD HKCU "${SQZ_UNINSTALL_KEY}" "CreatedClassesKey" $2
    WriteRegDWORD HKCU "${SQZ_UNINSTALL_KEY}" "CreatedUninstallKey" $3

    !insertmacro SQZ_NOTIFY_ASSOCIATIONS
SectionEnd

Function un.onInit
    !insertmacro SQZ_WAIT_FOR_PROGRAM "卸载"
FunctionEnd

Section "Uninstall"
    !insertmacro SQZ_WAIT_FOR_PROGRAM "卸载"
    ReadRegStr $CreatedFolder HKCU "${SQZ_UNINSTALL_KEY}" "CreatedFolder"
    ReadRegDWORD $2 HKCU "${SQZ_UNINSTALL_KEY}" "CreatedClassesKey"
    ReadRegDWORD $3 HKCU "${SQZ_UNINSTALL_KEY}" "CreatedUninstallKey"

    ; The registry first, so that Explorer loads the extension no more while its file is removed.
    !insertmacro SQZ_REMOVE_KORVANE_ENTRIES_EVERYWHERE
    ${If} $2 = 1
        DeleteRegKey /ifempty HKCU "${SQZ_CLASSES}"
    ${EndIf}
    !insertmacro SQZ_NOTIFY_ASSOCIATIONS

    ; The handoff value of the extension and the program's own settings in the registry.
    DeleteRegValue HKCU "${SQZ_HANDOFF_KEY}" "${SQZ_HANDOFF_VALUE}"
    DeleteRegKey /ifempty HKCU "${SQZ_HANDOFF_KEY}"
    DeleteRegKey HKCU "${SQZ_PROFILE_KEY}"
    DeleteRegKey /ifempty HKCU "${SQZ_PROFILE_PARENT}"

    Delete "${SQZ_SHORTCUT}"

    ; What the program wrote beside itself, then the installed files.
    Delete "$INSTDIR\config.ini"
    RMDir /r "$INSTDIR\temp"
    Delete "$INSTDIR\Squozen.exe"
    Delete "$INSTDIR\Squozen.chm"
    Delete "$INSTDIR\cli\squozen.exe"
    RMDir "$INSTDIR\cli"
    Delete "$INSTDIR\Korvane.dll.old"
    ClearErrors
    Delete "$INSTDIR\Korvane.dll"
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONEXCLAMATION \
            "无法删除“$INSTDIR\Korvane.dll”：资源管理器仍在使用它。$\r$\n$\r$\n请在注销或重新启动 Windows 之后删除文件夹“$INSTDIR”。" \
            /SD IDOK
    ${EndIf}
    Delete "$INSTDIR\Uninstall.exe"

    ; The installation folder and the folders the installer created above it, each only when it is empty: files
    ; the user put there stay.
    RMDir "$INSTDIR"
    ; Only a folder above the installation folder, never one beside it.
    StrLen $4 "$CreatedFolder\"
    StrCpy $5 "$INSTDIR" $4
    ${If} $CreatedFolder != ""
    ${AndIf} $5 == "$CreatedFolder\"
        StrCpy $0 "$INSTDIR"
        ${DoWhile} $0 != $CreatedFolder
            ${GetParent} $0 $0
            ${If} $0 == ""
                ${ExitDo}
            ${EndIf}
            RMDir $0
        ${Loop}
    ${EndIf}

    DeleteRegKey HKCU "${SQZ_UNINSTALL_KEY}"
    ${If} $3 = 1
        DeleteRegKey /ifempty HKCU "${SQZ_UNINSTALL_PARENT}"
    ${EndIf}
SectionEnd
