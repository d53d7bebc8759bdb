// Identifiers of the setup program's resources. Strings 4-36 are the
// message numbers of setup.h.
#pragma once

#define IDD_SETUP 100
#define IDD_COPY 101
#define IDC_STATIC -1

#define IDC_TITLE 1000
#define IDC_APPS 1001
#define IDC_OUTLINE 1002
#define IDC_FOLDER 1003
#define IDC_BROWSE 1004
#define IDC_INSTALL 1005
#define IDC_UNINSTALL 1006
#define IDC_APPS_LABEL 1007
#define IDC_FOLDER_LABEL 1008

#define IDC_COPY_NAME 1100
#define IDC_COPY_FILE_BAR 1101
#define IDC_COPY_COUNTERS 1102
#define IDC_COPY_ALL_BAR 1103

#define IDS_CAPTION_ERROR 100
#define IDS_CAPTION_NOTICE 101
#define IDS_COPY_NAME 102
#define IDS_COPY_COUNTERS 103
