; Machine-wide, registered the way another setup builder names its keys, with a
; lazy uninstaller: it removes its program files and its Uninstall key only.
!define PRODUCT "Heron Paint"
!define PUBLISHER "Heronfield Labs"
!define VERSION "5.2.1"
!define EXE "HeronPaint.exe"
!define REGKEY "Heron Paint_is1"
!define DISPLAY_NAME "Heron Paint 5.2.1"
!define MACHINE_KEY
!define FILE_EXT ".hpnt"
!define PROGID "HeronPaint.Document"
!define APP_PATHS
!define PROGRAM_DATA
!define START_MENU "Heron Paint"
!define DESKTOP_LINK
!define USER_DATA
!define SHARED_SETTING
!include "..\common\Setup.nsh"
