// Resource and control identifiers of the player.
#pragma once

#define IDD_MAIN 106
#define IDI_MAIN 106
#define IDR_MAIN_MENU 107
#define IDD_ABOUT 108
#define IDB_PURE_AB 111
#define IDB_SHIFTED_AB 112
#define IDB_PURE_LR 113
#define IDB_INTERLACED 114
#define IDD_CONFIGURATION 110
#define IDD_URL 115
#define IDD_DESCRIPTION 116
#define IDB_PAUSE 119
#define IDB_PLAY 120
#define IDB_STOP 121
#define IDB_ABOUT 127
#define IDR_ACCELERATORS 128

#define IDC_STATIC (-1)
#define IDC_TRACKBAR 1059
#define IDC_PANEL_OK 1069
#define IDC_DESCRIPTION_OK 1069
#define IDC_PANEL_CANCEL 1070
#define IDC_PANEL_SAVE 1071
#define IDC_STRENGTH 1084
#define IDC_URL_EDIT 1085
#define IDC_DESCRIPTION_LIST 1086
#define IDC_PLAY 1063
#define IDC_PAUSE 1064
#define IDC_STOP 1065
#define IDC_MOVIE_BACKGROUND 1087
// The panel's check box: a file name's stereo marker sets the layout.
#define IDC_LAYOUT_FROM_NAME 1117

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
// The usual keys of a movie player (Space, arrows, Home).
#define IDM_PLAY_PAUSE 40101
#define IDM_SEEK_BACK 40102
#define IDM_SEEK_FORWARD 40103
#define IDM_SEEK_BACK_LONG 40104
#define IDM_SEEK_FORWARD_LONG 40105
#define IDM_SEEK_START 40106
// Quick stereo switches (View menu).
#define IDM_SWAP_EYES 40107
#define IDM_NEXT_OUTPUT 40108
#define IDM_NEXT_CODING 40109
// Full screen (F11, Alt+Enter, double-click) and Esc, which leaves it.
#define IDM_FULL_SCREEN 40110
#define IDM_ESCAPE 40111
// The File menu's recent files, newest first (eight ids).
#define IDM_RECENT_FIRST 40120
