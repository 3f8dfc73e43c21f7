// String-table ids of the net folder.
#pragma once

// Dial-up: connection state texts (14500 unknown state, 14501-14524 states 0-23, 14525-14528
// paused states, 14529 connected, 14530 disconnected).
#define IDS_RAS_STATE_UNKNOWN       14500
#define IDS_RAS_STATE_FIRST         14501
#define IDS_RAS_STATE_CONNECTED     14529
#define IDS_RAS_STATE_DISCONNECTED  14530

// Dial-up: entries, dialling and messages.
#define IDS_CHARGE_USER             14025 // account of the charge server
#define IDS_CHARGE_PASSWORD         14026
#define IDS_DIAL_NUMBER_LOCKED      14059
#define IDS_NO_ACCESS_POINT         14060
#define IDS_OUTSIDE_LINE_NONE       14061
#define IDS_DIAL_HUNG_UP_BY_USER    14602
#define IDS_NO_DIALUP_DEVICE        14603
#define IDS_DIAL_CONNECTING_TO      14611
#define IDS_ENTRY_SERVICE           14612
#define IDS_ENTRY_SIGNUP            14613
#define IDS_DIAL_FAILED             14614
#define IDS_MODEM_NOT_FOUND         14618
#define IDS_TIP_MODEM               14619
#define IDS_TIP_DIAL_MODE           14620
#define IDS_TIP_OUTSIDE_LINE        14621
#define IDS_TIP_ACCESS_POINT        14622
#define IDS_NO_MODEM_ITEM           14623
#define IDS_NO_DIALUP_LIBRARY       14624
#define IDS_ENTRY_PREMIUM           14626
#define IDS_ACCESS_POINT_UNKNOWN    14627
#define IDS_DIAL_CAPTION_SERVER     14628
#define IDS_DIAL_FIELD_TOO_LONG     14629 // a text does not fit its dial-up field (%s)

// Login dialog.
#define IDS_CHARGES_NOTICE          264
#define IDS_SELECT_DIAL_ENTRY       267
#define IDS_SERVICE_FREE            274
#define IDS_PREMIUM_NOTICE          275
#define IDS_DIAL_NUMBER_IS          276
#define IDS_PREMIUM_WARNING         277
#define IDS_PROGRAMME_NAME          499
#define IDS_PROGRAMME_NUMBER        500
#define IDS_PROGRAMME_PROVIDER      501
#define IDS_PROGRAMME_CHARGES       502
#define IDS_PROGRAMME_DESTINATION   503
#define IDS_PROGRAMME_SERVICE       504
#define IDS_PROGRAMME_COMPANY       505
#define IDS_LOGIN_HEADING           506

// Connection-information import.
#define IDS_ACCOUNT_RELOGIN         258
#define IDS_ACCOUNT_CHANGED         280
#define IDS_ACCOUNT_UNCHANGED       464
#define IDS_CALL_ACCOUNT_RESTORED   496
#define IDS_IMPORT_UNUSABLE         14630 // the file is no connection-information file we can read

// Network access helpers.
#define IDS_ACCOUNT_SUMMARY_1       14021
#define IDS_ACCOUNT_SUMMARY_2       14034
#define IDS_LOOKUP_BY_COMM_PATH     14304
#define IDS_LOOKUP_BY_COMM_BODY     14305
#define IDS_LOOKUP_BY_CALL_PATH     14306
#define IDS_LOOKUP_BY_CALL_BODY     14307
#define IDS_MAIL_LOGIN_PATH         14320
#define IDS_MAIL_LOGIN_BODY         14321
#define IDS_MAIL_CREATE_PATH        14322
#define IDS_MAIL_CREATE_BODY        14323

// Dial-up connect dialog.
#define IDD_DIALUP                  295
#define IDC_DIALUP_INFO             1039
#define IDC_DIALUP_STATUS           1043
#define IDC_DIALUP_HANGUP           1046
#define IDC_DIALUP_DIAL             1049
#define IDC_DIALUP_PHS              1372
#define IDC_DIALUP_NOTE             1446

// Dial-up details dialog.
#define IDD_DIALUP_DETAIL           704
#define IDC_DETAIL_MODEM            1119
#define IDC_DETAIL_TONE             1121
#define IDC_DETAIL_PULSE            1123
#define IDC_DETAIL_ACCESS_POINT     1125
#define IDC_DETAIL_OUTSIDE_LINE     1129
#define IDC_DETAIL_NUMBER           1131
#define IDC_DETAIL_LABEL_MODEM      1398
#define IDC_DETAIL_LABEL_MODE       1399
#define IDC_DETAIL_LABEL_OUTSIDE    1400
#define IDC_DETAIL_LABEL_AP         1401
#define IDC_DETAIL_LABEL_NUMBER     1402

// Login dialog.
#define IDD_LOGIN                   694
#define IDC_LOGIN_HEADING           1017
#define IDC_LOGIN_PROVIDER          1297
#define IDC_LOGIN_CHARGES           1299
#define IDC_LOGIN_STATUS            1300
#define IDC_LOGIN_WARNING           1301
#define IDC_LOGIN_PROVIDER_LABEL    1307
#define IDC_LOGIN_TABLE_NAME        1373
#define IDC_LOGIN_TABLE_NUMBER      1374
#define IDC_LOGIN_TABLE_PROVIDER    1375
#define IDC_LOGIN_TABLE_CHARGES     1376
#define IDC_LOGIN_TABLE_DEST        1377
#define IDC_LOGIN_TABLE_SERVICE     1378
#define IDC_LOGIN_ACCESS_NUMBER     1379
#define IDC_LOGIN_TABLE_COMPANY     1380
#define IDC_LOGIN_ACCESS_POINT      1381
#define IDC_LOGIN_IMAGE             1382

// Service login session.
#define IDS_LOGIN_REPLY_NO_INFO     13000
#define IDS_LOGIN_REPLY_BAD         13001
#define IDS_ROOM_REPLY_NO_INFO      13002
#define IDS_ROOM_REPLY_BAD          13003
#define IDS_DIAL_SWITCH_CONNECTION  14608 // hang up '%s' (active) and connect '%s' (entry)?
#define IDS_DIAL_ENTRY_FAILED       14609
#define IDS_DIAL_INFO_FAILED        14617
#define IDS_DIAL_LINE_DROPPED       14625
