// Template and control ids of the skinned window test: the ids the skin tables know for the main
// window (CTRLD_MAIN, MAIN_CLS, MAIN_LOGIN), the error log (CTRLD_ERROR_LOG, ERROR_LOG_*) and the
// phone window (CTRLD_PHONE).
#pragma once

#define IDD_TEST_MAIN         197
#define IDD_TEST_ERROR_LOG    789
#define IDD_TEST_PHONE        628
#define IDC_TEST_MAIN_CLS     1016
#define IDC_TEST_MAIN_LOGIN   1003
#define IDC_TEST_LOG_LIST     1383
#define IDC_TEST_LOG_CLS      1384
#define IDC_TEST_LOG_DEL      1385
