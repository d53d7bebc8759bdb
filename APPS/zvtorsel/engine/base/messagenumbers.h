// Numbers of the string table messages the engine reports: status texts,
// warnings and questions travel as these numbers, and the program's string
// table (app/strings.rc, through app/resource.h) gives their texts. The
// numbers are documented; tests check them against the table.
#pragma once

// Rebuild jobs: status texts.
#define IDS_BUILDING_REBUILD 12
#define IDS_BUILDING_CACHE 13
#define IDS_COMPARING 14
#define IDS_READY 15
#define IDS_NO_TIME 26

// Rebuild jobs: the command line's line for each file copied, moved or
// deleted (the windows show the status text instead).
#define IDS_LINE_COPYING 1230
#define IDS_LINE_MOVING 1231
#define IDS_LINE_DELETING 1232

// Rebuild jobs and tree commands: questions and messages.
#define IDS_ASK_DELETE 16
#define IDS_DOWNLOAD_LIST_FAILED 17
#define IDS_OPEN_FAILED 30
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

// Tree building: warning rows.
#define IDS_WARN_FILE_AT_FOLDER 31
#define IDS_WARN_SAME_FILE 32
#define IDS_WARN_SAME_FOLDER 33
#define IDS_WARN_NAME_CLASH 35
#define IDS_WARN_TIME_TOO_EARLY 36
#define IDS_WARN_TIME_TOO_LATE 37
#define IDS_WARN_CACHE_UNREADABLE 1180
#define IDS_WARN_CACHE_DAMAGED 1181
#define IDS_WARN_CACHE_ENTRY_DAMAGED 1183
#define IDS_WARN_CACHE_BODY_UNDECODED 1184
#define IDS_WARN_CACHE_PARTITIONS 1185
#define IDS_WARN_CACHE_NEWER_FORMAT 1186
#define IDS_WARN_CACHE_UNKNOWN 1187
#define IDS_WARN_CACHE_ENTRY_UNFINISHED 1188
#define IDS_WARN_CACHE_BODY_MISSING 1189
#define IDS_WARN_CACHE_MAP_UNUSED 1193
#define IDS_WARN_CACHE_BODY_UNPLACED 1194
#define IDS_CACHE_NONE_FOUND 1280
#define IDS_WARN_CACHE_SEARCH_CUT 1281
#define IDS_CACHES_FOUND 1282
#define IDS_WARN_CACHE_LINK_SKIPPED 1283

// Entries that are not rebuilt: failure rows, counted.
#define IDS_FAILED_IN_THE_WAY 1190
#define IDS_FAILED_UNMAPPED 1191
#define IDS_FAILED_URL_TOO_LONG 1192

// Reliability.
#define IDS_NO_MEMORY_COMPARE 1250

// Web archives (WARC).
#define IDS_WARC_PROGRESS 1260
#define IDS_WARC_DONE 1261
#define IDS_WARC_LEFT_UNREADABLE 1262
#define IDS_WARC_LEFT_NOT_RESPONSE 1263
#define IDS_WARN_WARC_BODY_UNREADABLE 1264
#define IDS_WARN_WARC_TRUNCATED 1265
#define IDS_WARC_WRITE_FAILED 1266
#define IDS_JOB_COUNTS 1270
#define IDS_LINE_JOB_COUNTS 1271

// Translation and report pages.
#define IDS_LIST_FAILED 39
#define IDS_NO_MEMORY_SEARCH 40
#define IDS_NO_MEMORY_TITLES 41
#define IDS_NO_MEMORY_CONVERT 42
#define IDS_CANNOT_READ 44
#define IDS_NO_KEYWORD 52
#define IDS_RESULT_FILE_FAILED 53

// Picture scan.
#define IDS_RESULT_PAGE_UNREADABLE 61
#define IDS_PICTURE_RESULT_FAILED 62

// Downloader: row states.
#define IDS_DL_FETCHING 67
#define IDS_DL_FETCHED 68
