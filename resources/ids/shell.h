// String-table ids of the shell folder.
#pragma once

// Dialog templates.
#define IDD_APP_HOST                150   // the invisible host dialog
#define IDD_MAIN_STANDIN            197   // the main launcher window's template
#define IDC_HOST_LABEL              1000
#define IDC_MAIN_HANDOVER           1001  // stand-in: the last file handed over
#define IDI_APP                     128

// Program settings.
#define IDS_REPLY_MESSAGE_DEFAULT   102
#define IDS_DEFAULT_WAVE            179
#define IDS_URL_LOGIN_PAGE          128
#define IDS_URL_HOME_PAGE           134
#define IDS_URL_CHAT_LOGIN          162
#define IDS_URL_CHARGE_PAGE         260
#define IDS_URL_MAIL_PAGE           301
#define IDS_URL_TOP_PAGE            585
#define IDS_URL_PROFILE_PAGE        14018
#define IDS_URL_SEARCH_PAGE         14030
#define IDS_GREETING_NEW_YEAR       14200
#define IDS_GREETING_XMAS           14201
#define IDS_GREETING_MORNING        14202
#define IDS_GREETING_AFTERNOON      14203
#define IDS_GREETING_EVENING        14204
#define IDS_GREETING_MIDNIGHT       14205
#define IDS_ARRIVAL_SOUND           14210

// Account and network settings.
#define IDS_FREE_ACCESS_POINT       14006
#define IDS_PHS_FREE_ACCESS_POINT   14033
#define IDS_PREFIX_NUMBER_PATTERN   14058

// Program-wide services.
#define IDS_FILE_SAVE_FAILED        115
#define IDS_URL_USER_ROOM           145
#define IDS_HTTP_AGENT              166
#define IDS_NETWORK_BUSY            177
#define IDS_ACCESS_POINT_ENTRY      507
#define IDS_ERR_LOGIN_REFUSED       13004
#define IDS_ERR_MESSAGE_COMM        13005
#define IDS_ERR_URL_GENRE           13006
#define IDS_ERR_CHAT_COMM           13007
#define IDS_ERR_SERVER              13008
#define IDS_ERR_PARTNER_FULL        13009
#define IDS_ERR_SEND_CANCELLED      13010
#define IDS_ERR_UNKNOWN             13011 // a failure without a text of its own, shown with its number
#define IDS_ERR_DETAIL_FIRST        13100 // 13100-13134: details of the server error table
#define IDS_HANDOVER_TOO_LONG       14106 // a path too long to hand to the running program

// Skin archives and the skin menu.
#define IDS_SKIN_FAILED            295   // skin processing failed, detail code %1!x!
#define IDS_SKIN_BROKEN            296   // skin data %1!s! is broken
#define IDS_SKIN_NO_ARCHIVER       297   // unlha32.dll is missing
#define IDS_SKIN_ARCHIVER_BUSY     298   // unlha32.dll is busy in another program
#define IDS_SKIN_MENU              439   // "skin" popup caption
#define IDS_SKIN_BASE              440   // base skin menu entry
#define IDS_SKIN_OTHER             441   // other skins (download) menu entry
#define IDS_SKIN_UNUSABLE          476   // the saved skin can no longer be used
#define IDS_SKIN_WRITE_FAILED      495   // writing skin data %s failed, code %x
#define IDS_BASESKIN_FAILED        575   // the base skin could not be processed: exit
#define IDS_BASESKIN_MISSING       578   // the base skin is missing: reinstall

// Server connection and name entry dialogs.
#define IDD_SERVER_CONNECT          132
#define IDC_CONNECT_COMM_ID         1098
#define IDC_CONNECT_NICKNAME        1099
#define IDC_CONNECT_PASSWORD        1102
#define IDC_CONNECT_NICKNAME_LABEL  1157
#define IDS_COMM_ID_LENGTH          154
#define IDS_PASSWORD_LENGTH         155
#define IDD_NAME_ENTRY              683
#define IDC_NAME_ENTRY_NAME         1292
#define IDS_CONFIRM_NAME_CHANGE     577
