; The setup program for Windows: installs the files of the portable zip into
; Program Files, with installed.txt beside tandrel.exe so that the program
; keeps its configuration and logs in the user's folders (Program Files is
; not the user's to write). The uninstaller takes away what this put there
; and leaves the user's configuration and logs alone.
;
;   makensis -DVERSION=1.0.0.1 -DSTAGE=<folder with the files> -DOUTFILE=<setup.exe> tandrel.nsi
; A 64-bit setup program for a 64-bit program: it writes the 64-bit
; registry and Program Files without redirection, and Wine without its 32-bit
; half runs it.
Target amd64-unicode
!include MUI2.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tandrel"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "Tandrel"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tandrel"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "Tandrel"
VIAddVersionKey "CompanyName" "Kolvane"
VIAddVersionKey "FileDescription" "Tandrel setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Kolvane"

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The Start-menu entry is for every user of the machine, as the program is.
Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "Tandrel" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}/tandrel.exe"
  File "${STAGE}/tandrel.html"
  File "${STAGE}/README.txt"
  File "${STAGE}/installed.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The entry carries the program's own icon, which menus show beside it.
  CreateShortCut "$SMPROGRAMS\Tandrel.lnk" "$INSTDIR\tandrel.exe" "" "$INSTDIR\tandrel.exe" 0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tandrel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Kolvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tandrel.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The scheduler runs only while the program does: started at log-on, it
; waits in the tray. For the user who installs.
Section "Start at log-on, in the tray" SecLogOn
  WriteRegStr HKCU "${RUN_KEY}" "Tandrel" '"$INSTDIR\tandrel.exe" --minimized'
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "The program, its manual and the README."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecLogOn} "Start Tandrel hidden in the tray when you log on, so that its scheduled jobs run."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "Uninstall"
  ; Only what the setup program put here: the configuration and the logs in
  ; %APPDATA%\Tandrel and %LOCALAPPDATA%\Tandrel stay for a later copy.
  Delete "$INSTDIR\tandrel.exe"
  Delete "$INSTDIR\tandrel.html"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\installed.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Tandrel.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "Tandrel"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
