// Resource ids of the toolkit's window tests.
#pragma once

#define IDD_SKIN_TEST         900
#define IDD_FRAME_TEST        901
#define IDD_SKIN_EMPTY        902
#define IDC_SKIN_LABEL        1001
#define IDC_SKIN_BUTTON       1002
#define IDC_SKIN_CORNER       1003
#define IDC_SKIN_STRETCH      1004
#define IDC_SKIN_FIXED        1005
#define IDC_SKIN_SECOND       1006
