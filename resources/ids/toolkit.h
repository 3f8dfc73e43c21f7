// String-table ids of the toolkit folder.
#pragma once

// Captions of the message box's buttons.
#define IDS_MSGBOX_OK              532
#define IDS_MSGBOX_CANCEL          533
#define IDS_MSGBOX_YES             534
#define IDS_MSGBOX_NO              535
#define IDS_MSGBOX_RETRY           536
#define IDS_MSGBOX_ABORT           537
#define IDS_MSGBOX_IGNORE          538

// The check mark of owner-drawn menus (icons/menu_check.ico).
#define IDI_MENU_CHECK             847
