// String-table ids of the shell folder.
#pragma once

// Skin archives and the skin menu.
#define IDS_SKIN_FAILED            295   // skin processing failed, detail code %1!x!
#define IDS_SKIN_BROKEN            296   // skin data %1!s! is broken
#define IDS_SKIN_NO_ARCHIVER       297   // unlha32.dll is missing
#define IDS_SKIN_ARCHIVER_BUSY     298   // unlha32.dll is busy in another program
#define IDS_SKIN_MENU              439   // "skin" popup caption
#define IDS_SKIN_BASE              440   // base skin menu entry
#define IDS_SKIN_OTHER             441   // other skins (download) menu entry
#define IDS_SKIN_UNUSABLE          476   // the saved skin can no longer be used
#define IDS_SKIN_WRITE_FAILED      495   // writing skin data %s failed, code %x
#define IDS_BASESKIN_FAILED        575   // the base skin could not be processed: exit
#define IDS_BASESKIN_MISSING       578   // the base skin is missing: reinstall
