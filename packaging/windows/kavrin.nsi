; The setup program of Kavrin for Windows: kavrin-@PROJECT_VERSION@-setup.exe, made by makensis
; (packaging/windows/CMakeLists.txt configures this file). Installs both programs under Program
; Files, a Start-menu entry and the .kvn file type; the uninstaller removes all of it. /S installs
; and uninstalls silently.

; A 64-bit installer for the 64-bit programs (it also runs where only 64-bit Wine is).
Target amd64-unicode
!include "MUI2.nsh"
!include "x64.nsh"

!define PRODUCT "Kavrin"
!define VERSION "@PROJECT_VERSION@"
!define COMPANY "Tessaly"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kavrin"
!define FILE_CLASS "Kavrin.Program"

Name "${PRODUCT} ${VERSION}"
OutFile "@KAVRIN_SETUP@"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "Software\${COMPANY}\${PRODUCT}" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
VIProductVersion "@KAVRIN_VERSION_DOTS@"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${COMPANY}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "LegalCopyright" "Tessaly"

; The pages' own texts come in the user's language from the setup toolkit's translations; the
; line along the foot names the program instead of the toolkit.
BrandingText "${PRODUCT} ${VERSION}"
!define MUI_ICON "@KAVRIN_ICON@"
!define MUI_UNICON "@KAVRIN_ICON@"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\kavrin.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_WELCOME
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH
; The first language is the default; setup speaks Greek where Windows does.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Greek"

Function .onInit
    SetRegView 64
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

Section "Kavrin"
    SetOutPath "$INSTDIR"
    File "@KAVRIN_EXE@"
    File "@KAVRIN_CLI_EXE@"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "Software\${COMPANY}\${PRODUCT}" "InstallDir" "$INSTDIR"

    SetShellVarContext all
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\kavrin.exe" "" "$INSTDIR\kavrin.exe" 0

    ; .kvn opens in Kavrin, shown with its icon.
    WriteRegStr HKLM "Software\Classes\.kvn" "" "${FILE_CLASS}"
    WriteRegStr HKLM "Software\Classes\${FILE_CLASS}" "" "Kavrin program"
    WriteRegStr HKLM "Software\Classes\${FILE_CLASS}\DefaultIcon" "" '"$INSTDIR\kavrin.exe",0'
    WriteRegStr HKLM "Software\Classes\${FILE_CLASS}\shell\open\command" "" '"$INSTDIR\kavrin.exe" "%1"'
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\kavrin.exe",0'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes what the setup installed; the user's settings and programs stay.
Section "Uninstall"
    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    Delete "$INSTDIR\kavrin.exe"
    Delete "$INSTDIR\kavrin-cli.exe"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"

    ReadRegStr $0 HKLM "Software\Classes\.kvn" ""
    StrCmp $0 "${FILE_CLASS}" 0 +2
        DeleteRegKey HKLM "Software\Classes\.kvn"
    DeleteRegKey HKLM "Software\Classes\${FILE_CLASS}"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
    DeleteRegKey HKLM "Software\${COMPANY}\${PRODUCT}"
    DeleteRegKey /ifempty HKLM "Software\${COMPANY}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
