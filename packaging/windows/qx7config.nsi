; The Windows installer of the QX7 Configurator: qx7config-setup-VERSION.exe.
; Built by the target qx7_installer (cmake/Qx7WindowsInstaller.cmake), which
; passes QX7_VERSION, QX7_INSTALLER_FILE, QX7_FILES (installed_files.nsh:
; the macros Qx7InstallFiles, Qx7ForEachInstalledFile and
; Qx7ForEachInstalledFolder, from one list of files) and, when the build
; has rendered it, QX7_ICON (the program's icon, for both), and
; QX7_COPYRIGHT and QX7_PUBLISHER (the copyright line and its holder).
;
; Installs for all users into "Program Files\QX7 Configurator" (64-bit
; only), adds a Start-menu entry and registers the uninstaller in
; Add/Remove Programs. The uninstaller deletes the files it installed, one
; by one, and the folders only when they are then empty: the user's files
; (Documents\QX7, the settings in the user's profile) are never touched.
; Neither replaces nor removes anything while a running qx7config or qx7ctl
; holds an installed file: both stop with exit status 2 instead.
; Silent: setup.exe /S [/D=FOLDER], Uninstall.exe /S.

!ifndef QX7_VERSION | QX7_INSTALLER_FILE | QX7_FILES
    !error "Build it with the target qx7_installer, which defines QX7_VERSION, QX7_INSTALLER_FILE and QX7_FILES"
!endif

Unicode true
; A 64-bit installer: the programs are 64-bit, and so it writes to the 64-bit
; Program Files and registry without redirection.
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define QX7_NAME "QX7 Configurator"
!define QX7_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QX7 Configurator"
!define QX7_SHORTCUT "$SMPROGRAMS\QX7 Configurator.lnk"

Name "${QX7_NAME}"
OutFile "${QX7_INSTALLER_FILE}"
InstallDir "$PROGRAMFILES64\QX7 Configurator"
BrandingText "${QX7_NAME} ${QX7_VERSION}"

VIProductVersion "${QX7_VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${QX7_NAME}"
VIAddVersionKey /LANG=0 "ProductVersion" "${QX7_VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${QX7_VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${QX7_NAME} Setup"
!ifdef QX7_COPYRIGHT
    VIAddVersionKey /LANG=0 "LegalCopyright" "${QX7_COPYRIGHT}"
!endif
!ifdef QX7_PUBLISHER
    VIAddVersionKey /LANG=0 "CompanyName" "${QX7_PUBLISHER}"
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"
!include "${QX7_FILES}"

!define MUI_ABORTWARNING
!ifdef QX7_ICON
    !define MUI_ICON "${QX7_ICON}"
    !define MUI_UNICON "${QX7_ICON}"
!endif
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\qx7config.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The installer speaks Korean where Windows' display language is Korean.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Korean"

LangString Qx7Needs64Bit ${LANG_ENGLISH} "${QX7_NAME} needs 64-bit Windows 10 or later."
LangString Qx7Needs64Bit ${LANG_KOREAN} "${QX7_NAME}은(는) 64비트 Windows 10 이상이 필요합니다."
LangString Qx7InUse ${LANG_ENGLISH} \
    "$0 is in use. Close ${QX7_NAME} and every qx7ctl command, then try again."
LangString Qx7InUse ${LANG_KOREAN} \
    "$0 파일이 사용 중입니다. ${QX7_NAME}와(과) qx7ctl 명령을 모두 닫은 뒤 다시 시도하십시오."
LangString Qx7NotRemoved ${LANG_ENGLISH} \
    "Some files of ${QX7_NAME} could not be removed. Close the program, then uninstall again."
LangString Qx7NotRemoved ${LANG_KOREAN} \
    "${QX7_NAME}의 일부 파일을 지우지 못했습니다. 프로그램을 닫은 뒤 다시 제거하십시오."

; $0: the first installed file that exists and cannot be opened for writing
; (a running program holds its executable and DLLs so), or empty.
!macro Qx7NoteInUse PATH
    ${If} $0 == ""
    ${AndIf} ${FileExists} "${PATH}"
        ClearErrors
        FileOpen $1 "${PATH}" a
        ${If} ${Errors}
            StrCpy $0 "${PATH}"
        ${Else}
            FileClose $1
        ${EndIf}
    ${EndIf}
!macroend
!macro Qx7StopIfInUse
    StrCpy $0 ""
    !insertmacro Qx7ForEachInstalledFile Qx7NoteInUse
    ${If} $0 != ""
        MessageBox MB_OK|MB_ICONSTOP "$(Qx7InUse)" /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}
!macroend
!macro Qx7Delete PATH
    Delete "${PATH}"
!macroend
!macro Qx7RemoveEmptyFolder PATH
    RMDir "${PATH}"
!macroend

Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_OK|MB_ICONSTOP "$(Qx7Needs64Bit)" /SD IDOK
        Abort
    ${EndIf}
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "${QX7_NAME}" Qx7Program
    SetOverwrite on
    ; A file that cannot be replaced (the program is running) stops the
    ; installation, rather than leaving a mix of two versions behind.
    AllowSkipFiles off
    ; Over a running copy: stop before replacing anything.
    !insertmacro Qx7StopIfInUse
    !insertmacro Qx7InstallFiles
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "${QX7_SHORTCUT}" "$INSTDIR\qx7config.exe" "" "$INSTDIR\qx7config.exe" 0

    WriteRegStr HKLM "${QX7_UNINSTALL_KEY}" "DisplayName" "${QX7_NAME}"
    WriteRegStr HKLM "${QX7_UNINSTALL_KEY}" "DisplayVersion" "${QX7_VERSION}"
    WriteRegStr HKLM "${QX7_UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qx7config.exe,0"
    WriteRegStr HKLM "${QX7_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${QX7_UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${QX7_UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
!ifdef QX7_PUBLISHER
    WriteRegStr HKLM "${QX7_UNINSTALL_KEY}" "Publisher" "${QX7_PUBLISHER}"
!endif
    WriteRegDWORD HKLM "${QX7_UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${QX7_UNINSTALL_KEY}" "NoRepair" 1
    SectionGetSize ${Qx7Program} $0
    WriteRegDWORD HKLM "${QX7_UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Uninstall"
    !insertmacro Qx7StopIfInUse
    ClearErrors
    !insertmacro Qx7ForEachInstalledFile Qx7Delete
    ${If} ${Errors}
        ; Keep the uninstaller and its entry, to be run again.
        MessageBox MB_OK|MB_ICONSTOP "$(Qx7NotRemoved)" /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}
    !insertmacro Qx7ForEachInstalledFolder Qx7RemoveEmptyFolder
    DeleteRegKey HKLM "${QX7_UNINSTALL_KEY}"
    Delete "${QX7_SHORTCUT}"
    Delete "$INSTDIR\Uninstall.exe"
    ; Only when empty: whatever the user put in the folder stays, with it.
    RMDir "$INSTDIR"
SectionEnd
