// Identifiers of the resources of Squozen.exe and of the commands, controls and panes they carry; shared by
// Squozen.rc and the program's sources.
#pragma once

// Resources
#define IDD_ABOUTBOX 100
#define IDD_SQUOZEN_FORM 101
#define IDR_MAINFRAME 128  // menu, accelerators, icon, toolbar, toolbar bitmap, document string
#define IDB_TOOLBAR_IMAGES 133     // 32 x 32, for 96 DPI
#define IDB_TOOLBAR_IMAGES_48 134  // the same drawings for 150 %
#define IDB_TOOLBAR_IMAGES_64 135  // and for 200 %
#define IDB_FILE_IMAGES 136        // 16 x 16, for 96 DPI
#define IDB_FILE_IMAGES_24 137
#define IDB_FILE_IMAGES_32 138
#define IDR_LIST_POPUP 141
#define IDD_FILE_PROPERTIES 142
#define IDD_OPTIONS 143

// The type of toolbar resources: version, image width and height, item count, one command per item.
#define RT_TOOLBAR_RESOURCE 241

// Controls
#define IDC_FILE_LIST 1000
#define IDC_OPTIONS_CANCEL 1006
#define IDC_LINK_HOMEPAGE 1011
#define IDC_LINK_SUPPORTMAIL 1012
#define IDC_ABOUT_RULE 1013
#define IDC_PROPERTIES_OK 1014
#define IDC_PROP_VERSION 1015
#define IDC_DBLCLICK_VIEW 1016
#define IDC_DBLCLICK_TEST 1017
#define IDC_DBLCLICK_OPTIMIZE 1018
#define IDC_PROP_FRAMESIZE 1017
#define IDC_PROP_LENGTH 1018
#define IDC_OPTION_PROTECT 1019
#define IDC_PROP_FRAMECOUNT 1019
#define IDC_OPTION_BACKUP 1020
#define IDC_PROP_FRAMERATE 1020
#define IDC_OPTIONS_SAVE 1021
#define IDC_PROP_TIME 1021
#define IDC_PROP_FILENAME 1022

// Commands of the main menu, the list's popup menus and the toolbar
#define ID_FILE_OPENMOVIES 32771
#define ID_FILE_SAVEMOVIEAS 32772
#define ID_FILE_EXITPROGRAM 32773
#define ID_ACTION_TEST 32774
#define ID_ACTION_OPTIMIZE 32775
#define ID_HELP_CONTENTS 32777
#define ID_HELP_HOMEPAGE 32778
#define ID_HELP_MAIL 32779
#define ID_TOOL_OPEN 32782
#define ID_TOOL_TEST 32783
#define ID_TOOL_OPTIMIZE 32784
#define ID_TOOL_VIEW 32785
#define ID_TOOL_HELP 32786
#define ID_TOOL_REMOVE 32789
#define ID_TOOL_EXIT 32790
#define ID_POPUP_RENAME 32791
#define ID_POPUP_DELETE 32792
#define ID_POPUP_SAVEAS 32793
#define ID_POPUP_PROPERTIES 32794
#define ID_POPUP_OPEN 32795
#define ID_POPUP_REMOVEALL 32796
#define ID_POPUP_SELECTALL 32798
#define ID_POPUP_VIEW 32799
#define ID_ACTION_REMOVEALL 32800
#define ID_OPTIONS_SETTINGS 32801

// Status bar panes (their string resources are the panes' first texts)
#define ID_INDICATOR_TOTAL 40000
#define ID_INDICATOR_SELECTED 40001
#define ID_INDICATOR_BLANK 40002

// The application framework's standard commands and bar identifiers
#define ID_FILE_NEW 57600
#define ID_FILE_OPEN 57601
#define ID_FILE_SAVE 57603
#define ID_FILE_PRINT_SETUP 57606
#define ID_FILE_PRINT 57607
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_EDIT_UNDO 57643
#define ID_APP_ABOUT 57664
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681
#define AFX_IDW_TOOLBAR 59392
#define AFX_IDW_STATUS_BAR 59393
#define AFX_IDW_REBAR 59396
