// Resource and control identifiers of the player.
#pragma once

#define IDD_MAIN 106
#define IDI_MAIN 106
#define IDR_MAIN_MENU 107
#define IDD_ABOUT 108
#define IDD_CONFIGURATION 110
#define IDD_URL 115
#define IDD_DESCRIPTION 116
#define IDB_PAUSE 119
#define IDB_PLAY 120
#define IDB_STOP 121
#define IDB_ABOUT 127
#define IDR_ACCELERATORS 128

#define IDC_TRACKBAR 1059
#define IDC_PLAY 1063
#define IDC_PAUSE 1064
#define IDC_STOP 1065
#define IDC_MOVIE_BACKGROUND 1087

#define IDM_OPEN_FILE 40003
#define IDM_OPEN_URL 40004
#define IDM_EXIT 40005
#define IDM_PLAY 40006
#define IDM_PAUSE 40007
#define IDM_STOP 40008
#define IDM_CONTROL_PANEL 40009
#define IDM_DESCRIPTION 40010
#define IDM_ABOUT 40011
#define IDM_HELP 40012
