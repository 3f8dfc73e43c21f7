// String-table ids of the messaging folder.
#pragma once

// Message database (shown only when the profile value DAO_DEBUG is "TRUE").
#define IDS_MSGSTORE_NO_ENGINE      461 // the history database can't be opened or created: the engine is missing
#define IDS_MSGSTORE_OPEN_FAILED    462 // the history database can't be opened or created: go on without history?
#define IDS_MSGSTORE_NOT_INSTALLED  463 // the program was not installed by its installer
