; Shares its maker and the words of its name with Heron Paint, and its ProgID
; begins like Heron Paint's.
!define PRODUCT "Heron Paint Viewer"
!define PUBLISHER "Heronfield Labs"
!define VERSION "1.1.0"
!define EXE "HeronPaintViewer.exe"
!define REGKEY "Heron Paint Viewer_is1"
!define DISPLAY_NAME "Heron Paint Viewer 1.1"
!define MACHINE_KEY
!define FILE_EXT ".hpv"
!define PROGID "HeronPaint.Viewer"
!define APP_PATHS
!define START_MENU "Heron Paint Viewer"
!define DESKTOP_LINK
!define TIDY
!include "..\common\Setup.nsh"
