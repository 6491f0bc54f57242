#pragma once
// Resource and command identifiers of the program. The values are fixed:
// dialog templates, plug-ins and stored files depend on them.

// Dialog templates
#define IDD_DOLL                102
#define IDD_SETTINGS            151
#define IDD_SEARCH              152

#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif

// Settings dialog controls
#define IDC_CHASE               1010
#define IDC_VERSION             1011
#define IDC_CHARACTERS          1012
#define IDC_HOMEPAGE            1013
#define IDC_KEEPHISTORY         1014

// Search box controls (the close button is IDOK)
#define IDC_SEARCH_NEWWINDOW    1009
#define IDC_SEARCH              1007
#define IDC_HISTORY             1008
#define IDC_SMALLWINDOW         1029
#define IDC_OPENBROWSER         1036
#define IDC_AUTOPASTE           1037
#define IDC_ENGINE              1040
#define IDC_PROMPT              1043

// Bitmaps
#define IDB_SEARCH              186
#define IDB_FRAME_FIRST         4000
#define IDB_CLOSE               4011
#define IDB_SEARCH_NEWWINDOW    4012

// Icons
#define IDR_MAINFRAME           128
#define IDI_SMALLWINDOW         182
#define IDI_CHAR_SMALL          4012
#define IDI_CHAR                4013
#define IDI_AUTOPASTE           4015

// Cursors
#define IDCUR_HAND              149
#define IDCUR_CHAR              4011

// Commands of the doll's menus, shared with the search box. Four of them are
// also system commands, so their low four bits are zero.
#define ID_DOLL_EXIT            0xFFA0
#define ID_DOLL_SETTINGS        0xFFB0
#define ID_DOLL_OPENBOX         0xFFC0
#define ID_DOLL_RESUME          0xFFD0
#define ID_DOLL_CLEARHIST       0xFFE0
#define ID_DOLL_TRAY            0xFFF0
#define ID_DOLL_SHOW            0xFFF1
#define ID_DOLL_CLOSEBOX        0xFFF2
#define ID_DOLL_TOPMOST         0xFFF3
#define ID_DOLL_BOTTOM          0xFFF4
#define ID_HISTORY_FIRST        41000
#define ID_ENGINE_FIRST         40000

// Tray icon callback message
#define WM_DOLL_TRAY            (WM_USER + 56)
