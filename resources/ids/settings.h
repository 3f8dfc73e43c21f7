// Ids of the settings dialog and its six pages (templates, controls and texts).
#pragma once

// Templates.
#define IDD_SETTINGS                720
#define IDD_SET_GENERAL             719
#define IDD_SET_MESSAGE             715
#define IDD_SET_FORMAT              716
#define IDD_SET_CONNECT             714
#define IDD_SET_USERINFO            718
#define IDD_SET_CALL                765

// The dialog.
#define IDC_SET_CLOSE               1291
#define IDC_SET_TAB_GENERAL         1326
#define IDC_SET_TAB_MESSAGE         1327
#define IDC_SET_TAB_FORMAT          1328
#define IDC_SET_TAB_CONNECT         1330
#define IDC_SET_TAB_USERINFO        1331
#define IDC_SET_TAB_CALL            1351

// General.
#define IDC_SET_LOGIN_AT_START      1078
#define IDC_SET_QUERY_INTERVAL      1321
#define IDC_SET_SEND_URLS           1077
#define IDC_SET_HOME_PAGE           1329
#define IDC_SET_GREETING            1080
#define IDC_SET_ERROR_LOG_DAYS      1443
#define IDC_SET_NO_BALLOONS         1079
#define IDC_SET_NO_USER_LIST        1322

// Messaging.
#define IDC_SET_PLAY_SOUND          1069
#define IDC_SET_WAVE_FILE           1272
#define IDC_SET_WAVE_LABEL          1352
#define IDC_SET_KEEP_HISTORY        1065
#define IDC_SET_HISTORY_DAYS        1342
#define IDC_SET_AUTO_VOICE          1073
#define IDC_SET_SHOW_AT_ONCE        1074
#define IDC_SET_ASK_RECEIPTS        1393
#define IDC_SET_REPLY_TEXT          1392
#define IDC_SET_BROWSE              1281
#define IDC_SET_PLAY                1267
#define IDC_SET_PROFILE             1283
#define IDC_SET_COMM_NAME           1289

// Format.
#define IDC_SET_FONT                1278
#define IDC_SET_SAMPLE              1021
#define IDC_SET_ITEM                1275
#define IDC_SET_COLOR               1285
#define IDC_SET_RESET               1286
#define IDC_SET_SIZE                1287
#define IDC_SET_TIME_STAMPS         1063

// Connection.
#define IDC_SET_MODEM_RADIO         1070
#define IDC_SET_LAN_RADIO           1133
#define IDC_SET_MODEM               1305
#define IDC_SET_UDP                 1076
#define IDC_SET_TCP                 1319
#define IDC_SET_PROXY               1137
#define IDC_SET_PROXY_HOST          1138
#define IDC_SET_PROXY_PORT          1141
#define IDC_SET_PROXY_USER          1345
#define IDC_SET_PROXY_PASSWORD      1349
#define IDC_SET_AUTO                1140
#define IDC_SET_CONNECT_STATUS      1136
#define IDC_SET_DETAILS             1318
#define IDC_SET_CHECK               1320
#define IDC_SET_HOST_LABEL          1308
#define IDC_SET_PORT_LABEL          1309
#define IDC_SET_USER_LABEL          1343
#define IDC_SET_PASSWORD_LABEL      1347

// User information.
#define IDC_SET_CHARGES             1290
#define IDC_SET_NETWORK             1293
#define IDC_SET_NETWORK_LABEL       1354
#define IDC_SET_NETWORK_INFO        1253

// Calls.
#define IDC_SET_CALLS_ENABLED       1064
#define IDC_SET_COUNTRY             1304
#define IDC_SET_AREA_CODE           1353
#define IDC_SET_VERSION             1332
#define IDC_SET_LOCATION_GROUP      1362
#define IDC_SET_COUNTRY_LABEL       1363
#define IDC_SET_AREA_LABEL          1364

// Texts.
#define IDS_SET_SAMPLE_NICK         107
#define IDS_SET_SAMPLE_MESSAGE      108
#define IDS_SET_SAMPLE_SYSTEM       109
#define IDS_SET_SOUND_FILTER        178
#define IDS_SET_TIP_BROWSE          194
#define IDS_SET_TIP_PLAY            195
#define IDS_SET_TIP_RESET           196
#define IDS_SET_END_CHARGE          266
#define IDS_SET_CHECK_LOGOUT        307
#define IDS_SET_CHECK_DONE          308
#define IDS_SET_END_CHECK           309
#define IDS_SET_CHECK_FAILED        310
#define IDS_SET_CHECK_STARTING      311
#define IDS_SET_CHECK_LOGIN         312
#define IDS_SET_CHECK_WAITING       313
#define IDS_SET_CHECK_COMPLETE      314
#define IDS_SET_TIP_CONNECT_KIND    386
#define IDS_SET_TIP_MODEM           387
#define IDS_SET_TIP_DETAILS         388
#define IDS_SET_TIP_CHECK           389
#define IDS_SET_TIP_UDP             390
#define IDS_SET_TIP_TCP             391
#define IDS_SET_TIP_PROXY           392
#define IDS_SET_TIP_PROXY_HOST      393
#define IDS_SET_TIP_PROXY_PORT      394
#define IDS_SET_HOME_CURRENT        443
#define IDS_SET_HOME_STANDARD       444
#define IDS_SET_TIP_AUTO            446
#define IDS_SET_TIP_PROXY_AUTH      473
#define IDS_SET_TIP_CALLS           483
#define IDS_SET_TIP_COUNTRY         484
#define IDS_SET_TIP_AREA_CODE       485
#define IDS_SET_NEXT_LOGIN          14063
#define IDS_SET_NAME_CHANGE_FAILED  14102
// The charge questions: the ids the dial-up folder gave other texts (14629, 14630) are taken,
// so these two have ids of their own.
#define IDS_SET_CHARGE_REDIAL       14640
#define IDS_SET_CHARGE_DIAL         14641
// The item list of the format page and the country list of the calls page.
#define IDS_SET_ITEM_NICK           14642
#define IDS_SET_ITEM_MESSAGE        14643
#define IDS_SET_ITEM_SYSTEM         14644
#define IDS_SET_ITEM_MESSAGING      14645
#define IDS_SET_COUNTRY_JAPAN       14646
