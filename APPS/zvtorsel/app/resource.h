// Identifiers of the program's string table used by the rebuild engine and
// the unattended rebuild. Shared by strings.rc and the engine.
#pragma once

#define IDS_REBUILD_DONE 7
#define IDS_NO_THREAD 10
#define IDS_CANCELLED 11
#define IDS_BUILDING_REBUILD 12
#define IDS_BUILDING_CACHE 13
#define IDS_COMPARING 14
#define IDS_READY 15
#define IDS_ASK_DELETE 16
#define IDS_DOWNLOAD_LIST_FAILED 17
#define IDS_COLUMN_NAME 18
#define IDS_COLUMN_SIZE 19
#define IDS_COLUMN_TIME 20
#define IDS_NO_TIME 26
#define IDS_ROOT_REBUILD 27
#define IDS_ROOT_CACHE 28
#define IDS_ROOT_HISTORY 29
#define IDS_OPEN_FAILED 30
#define IDS_WARN_FILE_AT_FOLDER 31
#define IDS_WARN_SAME_FILE 32
#define IDS_WARN_SAME_FOLDER 33
#define IDS_WARN_NAME_CLASH 35
#define IDS_WARN_TIME_TOO_EARLY 36
#define IDS_WARN_TIME_TOO_LATE 37
#define IDS_NO_MEMORY_SEARCH 40
#define IDS_NO_MEMORY_CONVERT 42
#define IDS_NAME_EXISTS 47
#define IDS_RENAME_FAILED 48
#define IDS_MOVE_TARGET_EXISTS 49
#define IDS_RENAME_INTERNAL 88
#define IDS_ASK_RENAME_OLD 89
#define IDS_ASK_MAKE_FOLDER 90
#define IDS_ASK_WRITE_BACK 92
#define IDS_ASK_COPY_CACHE 93
#define IDS_ASK_DELETE_REBUILD 94
#define IDS_ASK_DELETE_CACHE 95
#define IDS_ASK_MOVE_FILE 97

#define IDS_DEFAULT_REBUILD_FOLDER 1

// Download dialog and the /download job.
#define IDD_DOWNLOAD 109
#define IDC_DL_LIST 1088
#define IDC_DL_THREADS1 1089  // ... IDC_DL_THREADS1 + 4 for five threads
#define IDC_DL_DISCONNECT 1094
#define IDC_DL_STATUS1 1095  // "msg1" ... "msg5"
#define IDC_DL_PROGRESS1 1100  // "per1" ... "per5"
#define IDS_COLUMN_URL 21
#define IDS_COLUMN_STATE 23
#define IDS_DL_READY 63
#define IDS_DL_NO_URL 64
#define IDS_DL_QUIT 65
#define IDS_DL_STOP 66
#define IDS_DL_FETCHING 67
#define IDS_DL_FETCHED 68
#define IDS_DL_FINISHED 69
#define IDS_NO_RASAPI 74
#define IDS_NO_HELP_DOWNLOAD 84
