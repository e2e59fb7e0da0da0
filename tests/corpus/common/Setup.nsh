; One setup program shape for the NSIS products of the corpus. A product's .nsi
; defines what it is and what it registers, then includes this file; makensis
; gets OUTFILE and APP_SOURCE (the built CorpusApp.exe) on its command line.
;   PRODUCT PUBLISHER VERSION EXE REGKEY DISPLAY_NAME  always
;   PER_USER      install to LocalAppData\Programs, register in HKCU
;   MACHINE_KEY   write Software\<Publisher>\<Product> in HKLM
;   FILE_EXT PROGID   a file type whose open command runs the program
;   APP_PATHS     an App Paths entry for EXE
;   PROGRAM_DATA  a folder <Publisher>\<Product> in ProgramData with a licence file
;   START_MENU    a Start menu folder of that name holding the program's shortcut
;   DESKTOP_LINK  a desktop shortcut
;   USER_DATA     the setup itself writes per-user data: <Publisher>\<Product> in
;                 the roaming AppData with a defaults file, and its HKCU key
;   SHARED_SETTING  the setup changes a value another program owns, when it is
;                 there: HKCU\Software\Corpus Shared, "Theme"
;   TIDY          the uninstaller also takes back what the setup registered
;                 (shortcuts, file type, App Paths, HKLM key, ProgramData); without
;                 it, it removes only its program files and its Uninstall key.
; Neither uninstaller touches what the program wrote while in use.
Unicode true
SetCompressor zlib
Name "${PRODUCT}"
OutFile "${OUTFILE}"
ShowInstDetails nevershow
ShowUninstDetails nevershow
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${REGKEY}"
!ifdef PER_USER
  RequestExecutionLevel user
  InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
  !define ROOT HKCU
  !define CONTEXT current
!else
  RequestExecutionLevel admin
  InstallDir "$PROGRAMFILES\${PRODUCT}"
  !define ROOT HKLM
  !define CONTEXT all
!endif

Page directory
Page instfiles

Section
  SetShellVarContext ${CONTEXT}
  SetOutPath "$INSTDIR"
  File "/oname=${EXE}" "${APP_SOURCE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayName" "${DISPLAY_NAME}"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE}"
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "NoModify" 1
!ifdef MACHINE_KEY
  WriteRegStr HKLM "Software\${PUBLISHER}\${PRODUCT}" "InstallPath" "$INSTDIR"
  WriteRegStr HKLM "Software\${PUBLISHER}\${PRODUCT}" "Version" "${VERSION}"
!endif
!ifdef FILE_EXT
  WriteRegStr HKCR "${FILE_EXT}" "" "${PROGID}"
  WriteRegStr HKCR "${PROGID}" "" "${PRODUCT} file"
  WriteRegStr HKCR "${PROGID}\DefaultIcon" "" "$INSTDIR\${EXE},0"
  WriteRegStr HKCR "${PROGID}\shell\open\command" "" '"$INSTDIR\${EXE}" "%1"'
!endif
!ifdef APP_PATHS
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\App Paths\${EXE}" "" "$INSTDIR\${EXE}"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\App Paths\${EXE}" "Path" "$INSTDIR"
!endif
!ifdef PROGRAM_DATA
  SetShellVarContext all
  CreateDirectory "$APPDATA\${PUBLISHER}\${PRODUCT}"
  FileOpen $0 "$APPDATA\${PUBLISHER}\${PRODUCT}\licence.dat" w
  FileWrite $0 "seats=1$\r$\n"
  FileClose $0
  SetShellVarContext ${CONTEXT}
!endif
!ifdef START_MENU
  CreateDirectory "$SMPROGRAMS\${START_MENU}"
  CreateShortcut "$SMPROGRAMS\${START_MENU}\${PRODUCT}.lnk" "$INSTDIR\${EXE}"
!endif
!ifdef DESKTOP_LINK
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\${EXE}"
!endif
!ifdef USER_DATA
  SetShellVarContext current
  CreateDirectory "$APPDATA\${PUBLISHER}\${PRODUCT}"
  FileOpen $0 "$APPDATA\${PUBLISHER}\${PRODUCT}\defaults.ini" w
  FileWrite $0 "[view]$\r$\nzoom=100$\r$\n"
  FileClose $0
  WriteRegStr HKCU "Software\${PUBLISHER}\${PRODUCT}" "Edition" "standard"
  SetShellVarContext ${CONTEXT}
!endif
!ifdef SHARED_SETTING
  ReadRegStr $1 HKCU "Software\Corpus Shared" "Theme"
  StrCmp $1 "" +2
  WriteRegStr HKCU "Software\Corpus Shared" "Theme" "${PRODUCT}"
!endif
SectionEnd

Section "Uninstall"
  SetShellVarContext ${CONTEXT}
  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey ${ROOT} "${UNINSTALL_KEY}"
!ifdef TIDY
!ifdef MACHINE_KEY
  DeleteRegKey HKLM "Software\${PUBLISHER}\${PRODUCT}"
  DeleteRegKey /ifempty HKLM "Software\${PUBLISHER}"
!endif
!ifdef FILE_EXT
  DeleteRegKey HKCR "${FILE_EXT}"
  DeleteRegKey HKCR "${PROGID}"
!endif
!ifdef APP_PATHS
  DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\App Paths\${EXE}"
!endif
!ifdef PROGRAM_DATA
  SetShellVarContext all
  RMDir /r "$APPDATA\${PUBLISHER}\${PRODUCT}"
  RMDir "$APPDATA\${PUBLISHER}"
  SetShellVarContext ${CONTEXT}
!endif
!ifdef START_MENU
  Delete "$SMPROGRAMS\${START_MENU}\${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${START_MENU}"
!endif
!ifdef DESKTOP_LINK
  Delete "$DESKTOP\${PRODUCT}.lnk"
!endif
!endif
SectionEnd
