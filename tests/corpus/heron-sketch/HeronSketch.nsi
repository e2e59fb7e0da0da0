; The same maker's second product: while it is installed, the maker's folders
; and keys hold its data too.
!define PRODUCT "Heron Sketch"
!define PUBLISHER "Heronfield Labs"
!define VERSION "2.0.4"
!define EXE "HeronSketch.exe"
!define REGKEY "Heron Sketch_is1"
!define DISPLAY_NAME "Heron Sketch 2.0.4"
!define MACHINE_KEY
!define PROGRAM_DATA
!define START_MENU "Heron Sketch"
!define TIDY
!include "..\common\Setup.nsh"
