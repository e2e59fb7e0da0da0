; Registered under a build code that shares nothing with the product's name.
!define PRODUCT "Quillmate"
!define PUBLISHER "Tessaly Software"
!define VERSION "3.2"
!define EXE "Quillmate.exe"
!define REGKEY "TSX4-9107"
!define DISPLAY_NAME "Quillmate 3.2"
!define MACHINE_KEY
!define APP_PATHS
!define START_MENU "Quillmate"
!include "..\common\Setup.nsh"
