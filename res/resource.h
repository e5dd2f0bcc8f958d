// Resource identifiers, shared by the resource script, the program and the tests.
#pragma once

// Dialogs
#define IDD_ABOUTBOX                    100
#define IDD_UNINSTALL_DIALOG            102
#define IDD_PROPPAGE1                   130
#define IDD_PROGRESS                    131

// Strings
#define IDS_ABOUTBOX                    101

// Icons
#define IDR_MAINFRAME                   128

// Controls
#define IDC_EDIT_MESSAGE                1000
#define IDC_CHECK_DELETE_ALBUM          1001
#define IDC_BUTTON_EXECUTE              1002
#define IDC_PROGRESS_STATUS             1003
#define IDC_PROGRESS_FOLDER             1004
#define IDC_PROGRESS_BAR                1005

// Menu commands
#define IDM_ABOUTBOX                    0x0010

// Framework strings and commands
#define AFX_IDS_APP_TITLE               0xE000  // 57344
#define ID_HELP                         0xE146  // 57670
#define AFX_IDS_UNNAMED_FILE            0xF006  // 61446
#define AFX_IDP_FAILED_TO_LAUNCH_HELP   0xF107  // 61703
#define AFX_IDP_FILE_NONE               0xF1A0  // 61856; causes 0 to 14 follow in order
#define AFX_IDP_FILE_GENERIC            0xF1A1
#define AFX_IDP_FILE_NOT_FOUND          0xF1A2
#define AFX_IDP_FILE_BAD_PATH           0xF1A3
#define AFX_IDP_FILE_TOO_MANY_OPEN      0xF1A4
#define AFX_IDP_FILE_ACCESS_DENIED      0xF1A5
#define AFX_IDP_FILE_INVALID_FILE       0xF1A6
#define AFX_IDP_FILE_REMOVE_CURRENT     0xF1A7
#define AFX_IDP_FILE_DIR_FULL           0xF1A8
#define AFX_IDP_FILE_BAD_SEEK           0xF1A9
#define AFX_IDP_FILE_HARD_IO            0xF1AA
#define AFX_IDP_FILE_SHARING            0xF1AB
#define AFX_IDP_FILE_LOCKING            0xF1AC
#define AFX_IDP_FILE_DISKFULL           0xF1AD
#define AFX_IDP_FILE_EOF                0xF1AE  // 61870

// Version
#define VERSION_BINARY                  1,0,1,1
