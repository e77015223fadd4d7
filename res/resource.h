#pragma once

// Every resource and command number of the program, in one place: menus, accelerators, the
// tool bar, context menus, posted commands and the worker's results meet by these numbers.

// Resources
#define IDR_MAINFRAME 128 // main menu, accelerators, tool bar, program icon
#define IDD_ABOUTBOX 100
#define IDS_APP_DESCRIPTION 129
#define IDD_PRIVATE_PAGE 133
#define IDD_OFFICE_PAGE 134
#define IDI_TRAY 134
#define IDB_LIST_IMAGES 135
#define IDR_TASKMENU 137
#define IDC_HAND 138
#define IDR_LISTMENU 139
#define IDR_TREEMENU 140
#define IDC_DRAG_MOVE 141
#define IDC_DRAG_COPY 142
#define IDC_DRAG_NONE 143
#define IDD_OPTION_PAGE1 149
#define IDD_OPTION_PAGE2 150
#define IDD_MAILMSG 151
#define IDI_ANIMATION 153
#define IDB_TREE_IMAGES 231
#define IDB_TREE_IMAGES_2 232
#define IDB_TREE_IMAGES_3 233
#define IDS_READY 57345

// Commands
#define ID_NEW_CONTACT 1000
#define ID_EDIT_CONTACT 1001
#define ID_DELETE 1002
#define ID_COPY_MAIL 1003
#define ID_IMPORT 1004
#define ID_EXPORT 1005
#define ID_TRAYNOTIFY 1125
#define ID_MAILCHECK_COUNT 1126
#define ID_MAILCHECK_NOCONNECT 1127
#define ID_MAILCHECK_FAILED 1128
#define ID_CREATE_GROUP 32771
#define ID_COPY_PERSONAL_INFO 32774
#define ID_COPY_OFFICE_INFO 32775
#define ID_DELETE_GROUP 32776
#define ID_COPY_OFFICE_MAIL 32777
#define ID_RENAME_GROUP 32778
#define ID_OPTIONS 32779
#define ID_MAIL_CHECK 32782
#define ID_NEW_MAIL 32784
#define ID_OPEN_ADDRESS_BOOK 32786
#define ID_PRINT_ADDRESSES 32795
#define ID_EDIT_UNDO 57643
#define ID_EDIT_REDO 57644
#define ID_VIEW_READING 32810  // the list's フリガナ column
#define ID_MOVE_TO_GROUP 32811 // the selected contacts into the group the submenu item names
#define ID_COPY_TO_GROUP 32812
#define ID_VIEW_ADDRESSEE 32813 // the list's 宛名 columns
#define ID_FIND_DUPLICATES 32814
#define ID_SYNC 32815 // sync with the CardDAV address book
#define ID_SYNC_LOG 32816
#define ID_EDIT_FIND 57636
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_VIEW_TOOLBAR 59392
#define ID_VIEW_STATUS_BAR 59393
#define ID_INDICATOR_MAIL 59143
#define IDI_ANIMATION_2 156
#define IDI_ANIMATION_3 157
#define IDI_ANIMATION_4 158
#define IDS_INDICATOR_MAIL_WIDTH 80 // the mail pane is as wide as this many blanks
