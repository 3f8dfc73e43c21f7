// String-table ids of the messaging folder.
#pragma once

// Texts of the message-server client's result codes: each id equals its code (the error
// reporter loads the text by the code itself).
#define IDS_PM_EXT_CANCELLED              12000
#define IDS_PM_EXT_RECEIVE_FILE_OPEN      12001
#define IDS_PM_EXT_WRITE                  12002
#define IDS_PM_SEND_FILE_OPEN             12003
#define IDS_PM_SEND_FILE_TOO_LARGE        12004
#define IDS_PM_EXT_READ                   12005
#define IDS_PM_EXT_CANCELLED_BY_USER      12050
#define IDS_PM_TCP_SESSION_CLOSED         12051
#define IDS_PM_BUSY_MESSAGE_LIST          12100
#define IDS_PM_BUSY_FETCH                 12101
#define IDS_PM_BUSY_EXT_SEND              12102
#define IDS_PM_BUSY_EXT_RECEIVE           12103
#define IDS_PM_BUSY_URL_LIST              12104
#define IDS_PM_BUSY_LIST_CLEAR            12105
#define IDS_PM_BUSY                       12106
#define IDS_PM_BUSY_FRIEND_LIST           12107
#define IDS_PM_UDP_CLASS                  12200
#define IDS_PM_UDP_SOCKET                 12201
#define IDS_PM_SEND_FAILED                12202
#define IDS_PM_SERVER_TIMEOUT             12203
#define IDS_PM_LIST_NOT_ARRIVED           12204
#define IDS_PM_MESSAGE_NOT_SENT           12205
#define IDS_PM_UNEXPECTED_REPLY           12206
#define IDS_PM_SERVER_TIMED_OUT           12207
#define IDS_PM_BAD_LIST_HEADER            12208
#define IDS_PM_LIST_REQUEST_NOT_SENT      12209
#define IDS_PM_RECEIVE_REQUEST_FAILED     12210
#define IDS_PM_BAD_MESSAGE                12211
#define IDS_PM_SEND_NO_REPLY              12212
#define IDS_PM_LIST_NO_REPLY              12213
#define IDS_PM_FETCH_NO_REPLY             12214
#define IDS_PM_DELETE_NO_REPLY            12215
#define IDS_PM_TCP_OPEN                   12216
#define IDS_PM_TCP_CONNECT                12217
#define IDS_PM_EXT_SEND_THREAD            12218
#define IDS_PM_EXT_SEND_FAILED            12219
#define IDS_PM_EXT_RECEIVE_OPEN           12220
#define IDS_PM_EXT_RECEIVE_CONNECT        12221
#define IDS_PM_EXT_RECEIVE_THREAD         12222
#define IDS_PM_EXT_RECEIVE_FAILED         12223
#define IDS_PM_EXT_BAD_REPLY              12224
#define IDS_PM_URL_SEND                   12225
#define IDS_PM_URL_LIST_NO_REPLY          12226
#define IDS_PM_BAD_LIST_REPLY             12227
#define IDS_PM_LIST_CLEAR_SEND            12228
#define IDS_PM_LIST_CLEAR_NO_REPLY        12229
#define IDS_PM_FRIEND_LIST_NO_REPLY       12230
#define IDS_PM_PRESENCE_SEND              12231
#define IDS_PM_PRESENCE_NO_REPLY          12232
#define IDS_PM_CONNECTION_FAILED          12241
#define IDS_PM_SESSION_START_SEND         12250
#define IDS_PM_SESSION_START_REFUSED      12251
#define IDS_PM_SESSION_START_NO_REPLY     12252
#define IDS_PM_PROXY_SEND                 12253
#define IDS_PM_PROXY_NO_REPLY             12254
#define IDS_PM_PROXY_REFUSED              12255
#define IDS_PM_PROXY_CONNECTION_REFUSED   12256
// Message database (shown only when the profile value DAO_DEBUG is "TRUE").
#define IDS_MSGSTORE_NO_ENGINE      461 // the history database can't be opened or created: the engine is missing
#define IDS_MSGSTORE_OPEN_FAILED    462 // the history database can't be opened or created: go on without history?
#define IDS_MSGSTORE_NOT_INSTALLED  463 // the program was not installed by its installer
// User-list status texts (by a row's status image) and the friend list window.
#define IDS_STATUS_NORMAL           540
#define IDS_STATUS_WANT_TALK        541
#define IDS_STATUS_WANT_CHAT        542
#define IDS_STATUS_AWAY             543
#define IDS_STATUS_BREAK            544
#define IDS_STATUS_IDLE             545
#define IDS_STATUS_SMILE            546
#define IDS_STATUS_SAD              547
#define IDS_STATUS_ANGRY            548
#define IDS_STATUS_UNDEFINED_1      549
#define IDS_STATUS_UNDEFINED_2      550
#define IDS_STATUS_UNDEFINED_3      551
#define IDS_STATUS_UNDEFINED_4      552
#define IDS_STATUS_UNDEFINED_5      553
#define IDS_STATUS_UNDEFINED_6      554
#define IDS_STATUS_UNDEFINED_7      555
#define IDS_STATUS_OFFLINE          576
#define IDS_STATUS_INTRODUCE        303
#define IDS_FRIEND_SEND_MAIL        452
#define IDS_LIST_MENU_TIP           453
#define IDS_FRIEND_DELETE_PAGE      467
// The friend list window: template, list control, context menu and its commands.
#define IDD_FRIEND_LIST             203
#define IDC_FRIEND_LIST             1001
#define IDR_FRIEND_MENU             139
#define ID_FRIEND_SEND              32771
#define ID_FRIEND_ROOM              32772
#define ID_FRIEND_REFRESH           32788
#define ID_FRIEND_HISTORY           32802
#define ID_FRIEND_DELETE_PAGE       32805
#define ID_FRIEND_COPY_ID           32808
#define ID_FRIEND_COPY_NAME         32809
#define ID_FRIEND_CALL              32810
#define ID_FRIEND_MEMO              32823
#define ID_FRIEND_MY_STATUS         32843
