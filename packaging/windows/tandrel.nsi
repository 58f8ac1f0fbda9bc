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
!include WinMessages.nsh

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

; A running copy holds tandrel.exe open: each has a hidden window of the
; class below, titled with the program's path. Closed, it ends the program
; as a log-off would (a run under way stops after the file in hand). Both
; the setup program and the uninstaller end this folder's copies and wait
; for them before they touch a file, or stop and say why.
!macro END_RUNNING_COPIES un
Function ${un}EndRunningCopies
  StrCpy $R1 0
  next:
    FindWindow $R0 "TandrelResident" "$INSTDIR\tandrel.exe"
    StrCmp $R0 0 gone
    IntOp $R1 $R1 + 1
    IntCmp $R1 10 0 0 running
    DetailPrint "Ending the running Tandrel"
    System::Call 'user32::GetWindowThreadProcessId(p R0, *i .R2)'
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i R2) p .R3'
    SendMessage $R0 ${WM_CLOSE} 0 0 /TIMEOUT=30000
    StrCmp $R3 0 0 wait
    Sleep 1000
    Goto next
  wait:
    System::Call 'kernel32::WaitForSingleObject(p R3, i 30000) i .R4'
    System::Call 'kernel32::CloseHandle(p R3)'
    IntCmp $R4 0 next running running
  gone:
  ; A copy may still hold the file without such a window (one of another
  ; user): the file must go before anything else does.
  IfFileExists "$INSTDIR\tandrel.exe" 0 done
  ClearErrors
  Delete "$INSTDIR\tandrel.exe"
  IfErrors running done
  running:
    MessageBox MB_OK|MB_ICONSTOP "Tandrel is running and could not be ended. Choose Exit in its File menu or tray menu, then start this program again." /SD IDOK
    SetErrorLevel 2
    Quit
  done:
FunctionEnd
!macroend
!insertmacro END_RUNNING_COPIES ""
!insertmacro END_RUNNING_COPIES "un."

; The Start-menu entry is for every user of the machine, as the program is.
Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "Tandrel" SecProgram
  SectionIn RO
  Call EndRunningCopies
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
  Call un.EndRunningCopies
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
