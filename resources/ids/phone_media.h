// String-table ids of the phone_media folder.
#pragma once

// The CD player (template 247) and its tool tips.
#define IDD_CD_PLAYER              247
#define IDC_CD_BACK                1185
#define IDC_CD_PLAY                1186
#define IDC_CD_PAUSE               1187
#define IDC_CD_STOP                1188
#define IDC_CD_EJECT               1189
#define IDC_CD_REPEAT              1190
#define IDC_CD_SHUFFLE             1191
#define IDC_CD_VOLUME              1193
#define IDC_CD_NEXT                1194
#define IDC_CD_CLOSE               1197
#define IDC_CD_ALLREPEAT           1199
#define IDC_CD_TRACK               1294
#define IDC_CD_TIME                1296
#define IDS_CD_TIP_BACK            228
#define IDS_CD_TIP_PLAY            229
#define IDS_CD_TIP_PAUSE           230
#define IDS_CD_TIP_NEXT            231
#define IDS_CD_TIP_STOP            232
#define IDS_CD_TIP_EJECT           233
#define IDS_CD_TIP_REPEAT          234
#define IDS_CD_TIP_SHUFFLE         235
#define IDS_CD_TIP_ALLREPEAT       300

// The voice-clip panel (template 250), its tool tips and messages.
#define IDD_VOICE_CLIP             250
#define IDC_CLIP_STOP              1200
#define IDC_CLIP_PLAY              1201
#define IDC_CLIP_RECORD            1202
#define IDC_CLIP_BACK              1205
#define IDC_CLIP_CLOSE             1240
#define IDC_CLIP_INDICATOR         1249
#define IDS_CLIP_TIP_PLAY          225
#define IDS_CLIP_TIP_RECORD        226
#define IDS_CLIP_TIP_STOP          227
#define IDS_CLIP_DEVICE_BUSY       209
#define IDS_CLIP_UNSUPPORTED       210
#define IDS_CLIP_DEVICE_ERROR      211
#define IDS_CLIP_NO_DEVICE         212
#define IDS_CLIP_NOT_SAVED         215
#define IDS_CLIP_CANNOT_RECORD     216
#define IDS_CLIP_NO_TEMP_NAME      271
#define IDS_CLIP_CANNOT_ENCODE     272
#define IDS_CLIP_SAVE_FAILED       273
#define IDS_CLIP_CANNOT_DECODE     590
