; Per-user: no elevation, installs below LocalAppData\Programs, registers in HKCU.
!define PRODUCT "Wren Notes"
!define PUBLISHER "Wrenwood"
!define VERSION "1.3.0"
!define EXE "WrenNotes.exe"
!define REGKEY "WrenNotes"
!define DISPLAY_NAME "Wren Notes 1.3"
!define PER_USER
!define START_MENU "Wren Notes"
!define TIDY
!include "..\common\Setup.nsh"
