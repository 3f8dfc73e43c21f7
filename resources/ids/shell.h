// String-table ids of the shell folder.
#pragma once

// Dialog templates.
#define IDD_APP_HOST                150   // the invisible host dialog
#define IDC_HOST_LABEL              1000
#define IDI_APP                     128   // the program's icon; the tray icon while offline

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
// The main launcher window, its menus, the tray icon and the About box.
#define IDD_MAIN                    197
#define IDC_MAIN_PAGE               1410  // the embedded portal page
#define IDD_ABOUT                   100
#define IDC_ABOUT_CLOSE             1256
#define IDC_ABOUT_CREDITS           1295
#define IDB_ABOUT                   634
#define IDB_ABOUT_CLOSE             635
#define IDI_ONLINE                  188   // the tray icon while online or blinking
#define IDR_ICON_MENU               140   // tray and right-click menu
#define IDR_BTN_MENU                733   // the menu button's menu
#define IDR_HELP_MENU               737   // the help button's menu
#define IDR_MAIN_ACCEL              791
#define IDR_WAITING_HTML            764   // the page shown while web mail or the address book loads
#define IDR_OPENING_HTML            835   // the built-in portal page
#define IDS_MENU_LOGOUT             120
#define IDS_MENU_LOGIN              121
#define IDS_LOGIN_FAILED            113
#define IDS_TIP_ONLINE              124
#define IDS_TIP_OFFLINE             125
#define IDS_TIP_RECEIVE             191
#define IDS_TIP_SETTINGS            192
#define IDS_TIP_LOGIN               207
#define IDS_TIP_LOGOUT              208
#define IDS_TIP_HELP                219
#define IDS_TIP_MENU                220
#define IDS_TIP_VOICE_CLIP          221
#define IDS_TIP_BROWSER             222
#define IDS_TIP_CHAT                223
#define IDS_TIP_CD_PLAYER           224
#define IDS_TIP_ABOUT_CLOSE         268
#define IDS_NO_TRAY                 278
#define IDS_SKIN_RELAY_FAILED       299
#define IDS_MAIL_SUBJECT            304
#define IDS_MAIL_BODY               305   // download page %s, communication ID %s
#define IDS_LAUNCH_FAILED           306
#define IDS_MESSAGE_SERVER_CHECK    442
#define IDS_MESSAGE_SERVER_UNREACHABLE 445
#define IDS_URL_SKIN_DOWNLOAD       447
#define IDS_URL_DOWNLOAD_PAGE       465
#define IDS_IDLE_LOGOUT             468
#define IDS_TIP_ADDRESS             469
#define IDS_TIP_MAIL                470
#define IDS_TIP_PHONE               471
#define IDS_WEBMAIL_FAILED          472
#define IDS_SKIN_OUTDATED_ONLINE    475
#define IDS_TRAY_ARRIVAL            512
#define IDS_URL_PORTAL_PAGE         573
#define IDS_MESSAGE_SERVER_FAILED   579
#define IDS_BANNER_BROKEN           583
#define IDS_Q2_DIALUP_ENTRY         14626
