// Identifiers of the program's resources and of the main dialog's controls.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDS_TITLE_SUFFIX 102
#define IDD_UPDATE_DIALOG 102
#define IDR_MAINFRAME 128

#define IDC_START 1002
#define IDC_VERSION 1003
#define IDC_CHECKSUM 1004
#define IDC_TARGET_FOLDER 1005
#define IDC_BROWSE 1006
#define IDC_PROGRESS 1007
#define IDC_COMPARE 1009
#define IDC_TARGET_DISK 1010

#define IDM_ABOUTBOX 0x0010
