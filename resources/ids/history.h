// Ids of the history windows: the message log (746), the partner list (785), the user list (200)
// and the mood window (833), their menus and texts.
#pragma once

// The message log window.
#define IDD_MSG_LOG                 746
#define IDC_LOG_DELETE              1333
#define IDC_LOG_REPLY               1335
#define IDC_LOG_CLOSE               1337
#define IDC_LOG_LIST                1339
#define IDC_LOG_VIEW                1341
#define IDC_LOG_PLAY                1344
#define IDC_LOG_RELOAD              1346
#define IDC_LOG_CAPTION             1350
#define IDC_LOG_SAVE                1413
#define IDI_LOG_SENT                749
#define IDI_LOG_RECEIVED            750
#define IDI_LOG_SOUND               158
#define IDI_LOG_PACKAGE             845
#define IDI_LOG_OTHER               846
#define ID_LOG_SAVE_ATTACHMENT      32830
#define ID_LOG_OPEN_FIRST           3584
#define ID_LOG_OPEN_LAST            3839
#define ID_LOG_PROFILE_ALIAS        32795
// The partner list window.
#define IDD_USER_LOG                785
#define IDC_PARTNER_LIST            1365
#define IDC_PARTNER_DELETE          1366
#define IDC_PARTNER_REPLY           1367
#define IDC_PARTNER_REFRESH         1368
#define IDC_PARTNER_LOG             1369
#define IDC_PARTNER_CLOSE           1370
#define IDC_PARTNER_PHONE           1371
#define IDC_PARTNER_MEMO            1414
#define IDI_PARTNER_MEMO            849
#define IDR_PARTNER_MENU            788
#define ID_PARTNER_RENAME           32817
// The user list window (its menu is the friend list's, IDR_FRIEND_MENU).
#define IDD_USER_LIST               200
#define IDC_USER_LIST               1000
// The mood window.
#define IDD_USER_STAT               833
#define IDC_MOOD_OK                 1406
#define IDC_MOOD_CANCEL             1407
#define IDC_MOOD_CLOSE              1409
#define IDC_MOOD_FIRST_RADIO        1415
#define IDC_MOOD_FIRST_ICON         1424
#define IDC_MOOD_FIRST_LABEL        1433
#define IDC_MOOD_HEADING            1445
#define ID_MOOD_FIRST               32834
#define ID_MOOD_LAST                32842
// Texts.
#define IDS_LOG_COL_SENDER          5900
#define IDS_LOG_COL_TIME            5901
#define IDS_LOG_COL_ATTACH          5902
#define IDS_LOG_CAPTION_SUFFIX      5903
#define IDS_LOG_EMPTY               5904
#define IDS_LOG_TIP_DELETE          5905
#define IDS_LOG_TIP_REPLY           5906
#define IDS_LOG_TIP_PLAY            5907
#define IDS_LOG_TIP_RELOAD          5908
#define IDS_LOG_TIP_ATTACH          5909
#define IDS_LOG_SAVE_ITEM           5910
#define IDS_LOG_OPEN_ITEM           5911
#define IDS_LOG_OVERWRITE           5912
#define IDS_LOG_WRITE_ERROR         5913
#define IDS_LOG_READ_ERROR          5914
#define IDS_LOG_OPEN_ERROR          5915
#define IDS_LOG_NO_FILE             5916
#define IDS_LOG_UNSUPPORTED         5917
#define IDS_LOG_ALL_FILES           5918
#define IDS_LOG_ATTACHMENT_NAME     5919
#define IDS_LOG_TIME_FORMAT         5920
#define IDS_PARTNER_COL_NAME        5921
#define IDS_PARTNER_COL_ID          5922
#define IDS_PARTNER_TIP_LOG         5923
#define IDS_PARTNER_TIP_PHONE       5924
#define IDS_PARTNER_TIP_MEMO        5925
#define IDS_PARTNER_DELETE_ALL      5926
#define IDS_USER_ALL_HISTORY        5927
