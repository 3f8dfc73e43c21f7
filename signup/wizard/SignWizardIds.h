// Resource ids of the sign-up wizard (templates, controls, texts). Only VyrnSign compiles them:
// several numbers carry other texts in the main program.
#pragma once

// Templates.
#define IDD_SIGN_STEP1_TOP      140
#define IDD_SIGN_STEP2_AGREE    144
#define IDD_SIGN_STEP3_USER     145
#define IDD_SIGN_STEP4_USER     135
#define IDD_SIGN_STEP5_REST     146
#define IDD_SIGN_STEP6_REST     138
#define IDD_SIGN_STEP7_END      147
#define IDD_COURSE_CHANGE       162
#define IDI_SIGN_WIZARD         126

// Page 1.
#define IDC_SW_TITLE            1085
#define IDC_SW_MODE_NEW         1086
#define IDC_SW_MODE_PC          1087
#define IDC_SW_MODE_RECOVER     1088
#define IDC_SW_LAN_BUTTON       1120
#define IDC_SW_EXPLANATION      1140
#define IDC_SW_LAN_GROUP        1173
#define IDC_SW_LABEL_PORT       1180
#define IDC_SW_PROXY_HOST       1182
#define IDC_SW_PROXY_PORT       1183
#define IDC_SW_PROXY_USER       1184
#define IDC_SW_PROXY_PASSWORD   1185
#define IDC_SW_UDP              1186
#define IDC_SW_TCP              1187
#define IDC_SW_USE_PROXY        1188
#define IDC_SW_AUTO             1189
#define IDC_SW_LABEL_1190       1190
#define IDC_SW_LABEL_1191       1191
#define IDC_SW_LABEL_1192       1192
#define IDC_SW_LABEL_1193       1193
#define IDC_SW_MODEM            1198
#define IDC_SW_LAN              1199

// Page 2.
#define IDC_SW_TERMS_PROMPT     1060
#define IDC_SW_TERMS_TEXT       1197

// Page 3.
#define IDC_SW_KANA             1040
#define IDC_SW_KANA2            1041
#define IDC_SW_SEX              1042
#define IDC_SW_NAME             1043
#define IDC_SW_NAME2            1044
#define IDC_SW_AGE              1045
#define IDC_SW_AGE2             1046
#define IDC_SW_AGE3             1047
#define IDC_SW_ZIP              1048
#define IDC_SW_ZIP2             1049
#define IDC_SW_ADDRESS1         1050
#define IDC_SW_ADDRESS2         1051
#define IDC_SW_TEL              1052
#define IDC_SW_TEL2             1053
#define IDC_SW_TEL3             1054
#define IDC_SW_VERK             1055
#define IDC_SW_VERK2            1056
#define IDC_SW_VERK3            1057
#define IDC_SW_RESULT           1058
#define IDC_SW_ENTRY            1098
#define IDC_SW_ENTRY2           1099
#define IDC_SW_USER_LABEL_FIRST 1300 // 22 rich-edit labels, 1300-1321

// Page 4.
#define IDC_SW_CONFIRM_PROMPT   1082
#define IDC_SW_CONFIRMATION     1194

// Page 5.
#define IDC_SW_REST_PROMPT      1061
#define IDC_SW_COMM_NAME        1062
#define IDC_SW_LOGIN_ID         1071
#define IDC_SW_LOGIN_PASSWORD   1072
#define IDC_SW_REST_LABEL_FIRST 1330 // 6 rich-edit labels, 1330-1335

// Page 6.
#define IDC_SW_VERIFY_PROMPT    1093
#define IDC_SW_VERIFY_DATA      1196

// Page 7.
#define IDC_SW_END_TEXT         1063
#define IDC_SW_END_INFO         1195

// Course-change dialog.
#define IDC_CC_TEXT             1126
#define IDC_CC_QUIT             1127

// Texts.
#define IDS_SW_CAPTION          103
#define IDS_SW_AGREE            104
#define IDS_SW_BACK             106
#define IDS_SW_DISAGREE         107
#define IDS_SW_NEXT             109
#define IDS_SW_TERMS_ASK        110
#define IDS_SW_CONFIRM_ASK      114
#define IDS_SW_MALE             121
#define IDS_SW_FEMALE           122
#define IDS_SW_CONFIRM_FORMAT   123
#define IDS_SW_TITLE            124
#define IDS_SW_TERMS_FAILED     131
#define IDS_SW_SIGNUP_START     132
#define IDS_SW_SIGNUP_ERROR     134
#define IDS_SW_YES              158
#define IDS_SW_NO               159
#define IDS_SW_COMM_ERROR       174
#define IDS_SW_TERMS_LOADING    179
#define IDS_SW_TERMS_RETRY      180
#define IDS_SW_TIP_UDP          182
#define IDS_SW_TIP_TCP          185
#define IDS_SW_TIP_PROXY        186
#define IDS_SW_TIP_PROXY_HOST   187
#define IDS_SW_TIP_PROXY_PORT   188
#define IDS_SW_TIP_AUTO         189
#define IDS_SW_TIP_PROXY_USER   193
#define IDS_SW_EXPLAIN_RECOVER  226
#define IDS_SW_EXPLAIN_NEW      230
#define IDS_SW_END_DONE         120
#define IDS_SW_RECOVERY_START   141
#define IDS_SW_COMMID_START     148
#define IDS_SW_VERIFY_START     149
#define IDS_SW_NO_COMMID        150
#define IDS_SW_VERIFY_DATA      164
#define IDS_SW_SIGNUP_DONE      166
#define IDS_SW_RECOVERY_ASK     170
#define IDS_SW_RECOVERY_INTRO   171
#define IDS_SW_RECOVERY_ERROR   173
#define IDS_CC_QUIT_LABEL       194
#define IDS_CC_ASK_QUIT         195
#define IDS_CC_INTRO            196
#define IDS_CC_IN_BROWSER       197
#define IDS_CC_NO_BROWSER       198
#define IDS_CC_BROWSER_FAILED   199
#define IDS_CC_NOTICE           201
#define IDS_SW_TERMS_PATH       14004
#define IDS_CC_CHARGE_URL       14031 // the charge server's base URL
#define IDS_SW_LABEL_FIRST      14700 // label texts of pages 1 and 3, 14700-14728
#define IDS_SW_REST_LABEL_FIRST 14730 // label texts of page 5, 14730-14735
