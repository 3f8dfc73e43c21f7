// String-table ids of the signup folder. The sign-up program compiles these into a table of its
// own (signup/VyrnSignStrings.rc): several numbers carry other texts in the main program.
#pragma once

#define IDS_SU_NO_DIALUP_AT_START   125   // no modem or library: LAN only
#define IDS_SU_NO_RESOURCES         175   // the dial-up manager could not be made
#define IDS_SU_MAIN_RUNNING         202   // the main program is running
#define IDS_SU_KEY_NT               14002 // Windows registration key (NT)
#define IDS_SU_KEY_WINDOWS          14003 // Windows registration key (9x)
#define IDS_SU_FREE_AP              14006 // toll-free access number
#define IDS_SU_SIGNUP_USER          14007 // dial-up account of the sign-up
#define IDS_SU_SIGNUP_PASSWORD      14008
#define IDS_SU_PROFILE_URL          14018 // ProfilePage default
#define IDS_SU_RECOVERY_USER        14023 // dial-up account of the recovery
#define IDS_SU_RECOVERY_PASSWORD    14024
#define IDS_SU_SIGNUP_URL           14029 // SignupPage default
#define IDS_SU_SEARCH_URL           14030 // SearchPage default
#define IDS_SU_PHS_FREE_AP          14033 // toll-free access number for PHS
#define IDS_SU_PREFIX_PATTERN       14058 // placeholder of the dial prefix
#define IDS_SU_DROP_CONNECTION      14608 // drop the active connection and dial?
#define IDS_SU_SIGNUP_SERVER_NAME   14615 // the sign-up server's name in that question
