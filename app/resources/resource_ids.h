// The ids of the program's resources and menu commands, shared by the resource
// script, the application and the tests. Plain defines, so windres reads them too.
#pragma once

// Menu bars. Only the English one is shown; the Dutch one stays in the executable.
#define IDR_DUTCH_MENU 101
#define IDR_ENGLISH_MENU 102

// Icon groups: the class icon, 48 x 48, and the small icon, 16 x 16.
#define IDI_PIPALO 116
#define IDI_PIPALO_SMALL 117

// The About window's picture.
#define IDB_ABOUT 119

// Menu commands, the same in both menu bars.
#define IDM_HIDE_INTERFACE 40001
#define IDM_EXIT 40002
#define IDM_CONTENTS 40003
#define IDM_ABOUT 40004
#define IDM_PLAY 40007
#define IDM_START_RECORDING 40009
#define IDM_STOP_RECORDING 40010
#define IDM_RESET_RECORDING 40011
