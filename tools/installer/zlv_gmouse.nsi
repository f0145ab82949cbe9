; The Windows installer of Zelvan Gaming Mouse, built by scripts/package:
;   makensis -DVERSION=1.0.0 -DSTAGE=<folder with the files> -DICON=<.ico> -DOUTFILE=<setup.exe> zlv_gmouse.nsi
; A per-machine install into "%ProgramFiles%\Zelvan Gaming Mouse". The user's
; profiles (config.ini) and macros (Macro_EN.dat, Macro_CN.dat) are written
; only where they are not there yet, so an upgrade keeps them byte for byte;
; the uninstaller keeps them unless asked to remove them. /S installs or
; uninstalls silently with the defaults.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh

!define PRODUCT "Zelvan Gaming Mouse"
!define PUBLISHER "Zelvan"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZLV_GMouse"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${PRODUCT} ${VERSION}"
Caption "${PRODUCT} ${VERSION} Setup"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "OriginalFilename" "zlv-gmouse-${VERSION}-win64-setup.exe"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_UNFINISHPAGE_NOAUTOCLOSE

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; --- Install ---

Section "${PRODUCT}" SecProgram
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "${STAGE}\ZLV_GMouse.exe"
  File "${STAGE}\zlvctl.exe"
  File "${STAGE}\constMacro.dat"
  File /r "${STAGE}\skins"
  ; The user's files: only where they are not there yet.
  SetOverwrite off
  File "${STAGE}\config.ini"
  File "${STAGE}\Macro_EN.dat"
  File "${STAGE}\Macro_CN.dat"
  SetOverwrite on

  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\ZLV_GMouse.exe" "" "$INSTDIR\ZLV_GMouse.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ZLV_GMouse.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; The scheduled task at the user's logon, made by zlvctl (the same code as
; the tray menu's "Start with Windows").
Section "Start with Windows" SecStartup
  nsExec::ExecToLog '"$INSTDIR\zlvctl.exe" startup enable'
  Pop $0
  ${If} $0 != 0
    DetailPrint "The start with Windows could not be set up ($0)."
  ${EndIf}
SectionEnd

Section "-Start with Windows off" SecStartupOff
  ${IfNot} ${SectionIsSelected} ${SecStartup}
    nsExec::ExecToLog '"$INSTDIR\zlvctl.exe" startup disable'
    Pop $0
  ${EndIf}
SectionEnd

Function .onInit
  ; An upgrade keeps the start with Windows as the user left it.
  ${If} ${FileExists} "$INSTDIR\zlvctl.exe"
    nsExec::Exec '"$INSTDIR\zlvctl.exe" startup status'
    Pop $0
    ${If} $0 == 3
      !insertmacro UnselectSection ${SecStartup}
    ${EndIf}
  ${EndIf}
FunctionEnd

; --- Uninstall ---

Section "un.${PRODUCT}" UnSecProgram
  SectionIn RO
  SetShellVarContext all
  nsExec::ExecToLog '"$INSTDIR\zlvctl.exe" startup disable'
  Pop $0
  Delete "$INSTDIR\ZLV_GMouse.exe"
  Delete "$INSTDIR\zlvctl.exe"
  Delete "$INSTDIR\constMacro.dat"
  RMDir /r "$INSTDIR\skins"
  Delete "$INSTDIR\uninstall.exe"
  Delete "${SHORTCUT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Also remove my profiles and macros" UnSecUserData
  Delete "$INSTDIR\config.ini"
  Delete "$INSTDIR\Macro_EN.dat"
  Delete "$INSTDIR\Macro_CN.dat"
SectionEnd

Section "-un.Folder"
  ; Only when nothing is left in it.
  RMDir "$INSTDIR"
SectionEnd
