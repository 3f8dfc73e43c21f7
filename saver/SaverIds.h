// Resources of the screen saver.
#pragma once

#define IDB_SPRITE_NORMAL   136
#define IDB_SPRITE_ARRIVAL  139
#define IDD_SAVER_SETTINGS  2003
#define IDC_HOMEPAGE        1000
#define IDC_COUNT_SLIDER    1001
#define IDC_SPEED_SLIDER    1002
#define IDC_NOTIFY_CHECK    1003
