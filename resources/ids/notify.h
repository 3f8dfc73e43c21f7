// Ids of the notification windows: the error log, the character balloons and their event data.
#pragma once

// The error log window.
#define IDD_ERROR_LOG              789
#define IDC_ERROR_LOG_LIST         1383
#define IDC_ERROR_LOG_CLOSE        1384
#define IDC_ERROR_LOG_DELETE       1385
#define IDI_ERROR_LOG_CAUTION      695
#define IDI_ERROR_LOG_WARNING      696
#define IDI_ERROR_LOG_INFORMATION  697
#define IDS_ERROR_LOG_KIND         520
#define IDS_ERROR_LOG_TIME         521
#define IDS_ERROR_LOG_MESSAGE      522
#define IDS_ERROR_LOG_DELETE_TIP   527
#define IDS_ERROR_LOG_DELETE_ASK   528
#define IDS_ERROR_LOG_WARNING      529
#define IDS_ERROR_LOG_INFORMATION  530
#define IDS_ERROR_LOG_CAUTION      531

// The character balloon window and its built-in event data (a TEXT resource).
#define IDD_VYRN_MESSAGE           837
#define IDR_EVENT_DATA             834
#define IDS_FRIEND_OWN_ROW         303
