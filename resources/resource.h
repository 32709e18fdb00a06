// Resource identifiers.
#pragma once

#define IDM_FRAME      213
#define IDM_VIEW       212
#define IDM_RETURNS    211
#define IDM_FRAMECLASS 202
#define IDA_FRAME      200

#define IDI_FRAME   500
#define IDI_VIEW    502
#define IDI_PROJECT 504
#define IDI_PROFILE 505
#define IDI_GL3D    506

#define IDB_LOGO    103
#define IDB_EXPORT1 108
#define IDB_EXPORT2 109
#define IDB_IMPORT1 188
#define IDB_IMPORT2 189

// Rebar bands and the main toolbar's image strip.
#define IDB_TOOLBAR        209
#define IDD_PROGRESS_BAND  307
#define IDD_TOOLBAR_BAND   309
#define IDC_PROGRESS_TEXT  1162
#define IDC_PROGRESS_BAR   1163

// Dialog templates (those without a template here open nothing yet).
#define IDD_SYSTEM_INFO      182
#define IDD_DECIMATION       221
#define IDD_VOID_DEM         223
#define IDD_ABOUT            300
#define IDD_NOUNITS          304
#define IDD_PROFILE_WIDTH    306
#define IDD_CONTOUR_PARAMS   311
#define IDD_EXPORT_LAS       318
#define IDD_CONFIG_SETTINGS  331
#define IDD_SM_BATCH         332
#define IDD_LAS_INFO         337
#define IDD_THINNING_BATCH   341
#define IDD_HOTKEYS          342
#define IDD_ASCII_FORMAT     344
#define IDD_POI_MARKERS      345
#define IDD_POINT_SIZE       347

// Controls of the batch dialogs' progress display.
#define IDC_BATCH_PROGRESS       1004
#define IDC_BATCH_PROGRESS2      1005
#define IDC_BATCH_PROGRESS_TEXT  1006

// "No Units"
#define IDC_NOUNITS_FILE     1010
#define IDC_UNITS_METERS     1011
#define IDC_UNITS_FEET       1012

// "Point Display Size"
#define IDC_POINT_SIZE_SLIDER 1040
#define IDC_POINT_SIZE_TEXT   1041
#define IDC_POINT_SIZE_APPLY  1169

// "Configuration File Settings"
#define IDC_CONFIG_PATH      1044
#define IDC_CONFIG_FILENAME  1120
#define IDC_CONFIG_AUTOLOAD  1121
#define IDC_CONFIG_AUTOSAVE  1122
#define IDC_CONFIG_SELECT    1123

// "Point Decimation Parameters"
#define IDC_DECIMATE_STEP    1134
#define IDC_DECIMATE_ENABLE  1173
#define IDC_DECIMATE_PROMPT  1174
#define IDC_DECIMATE_INFO    1175

// Dialog 339 "Vivuzoz Oduri Advanced Settings" and its picture.
#define IDD_SM_ADVANCED          339
#define IDB_SM_ADVANCED          111
#define IDC_SM_DEFAULT           3
#define IDC_SM_AESTHETICS        1150
#define IDC_SM_TERRAIN_BIAS      1151
#define IDC_SM_AESTHETICS_TEXT   1153
#define IDC_SM_TERRAIN_BIAS_TEXT 1154

// Profile box width dialog.
#define IDC_PROFILE_WIDTH        1016
#define IDC_PROFILE_WIDTH_LABEL  1165
#define IDC_PROFILE_STATIC_WIDTH 1166

// Dialog 340 "Verudevevur Idudorav Setup".
#define IDD_THINNING_SETUP       340
#define IDC_THIN_FROM_LIST       1008
#define IDC_THIN_KEYPOINT_CLASS  1009
#define IDC_THIN_TITLE           1010
#define IDC_THIN_NOTE            1076
#define IDC_THIN_ACCURACY        1134

// The batch dialogs 332 "Vivuzoz Oduri Batch" and 341 "Verudevevur Idudorav Batch".
#define IDC_BATCH_LIST           1046
#define IDC_BATCH_FILES_BAR      1124
#define IDC_BATCH_CURRENT        1007
#define IDC_BATCH_ADD            1062
#define IDC_BATCH_REMOVE         1061
#define IDC_BATCH_REMOVE_ALL     1031
#define IDC_BATCH_OUTPUT_CHECK   1055
#define IDC_BATCH_SET_DIRECTORY  1063
#define IDC_BATCH_OUTPUT_TEXT    1056
#define IDC_BATCH_MODE_PROJECT   1132
#define IDC_BATCH_MODE_FILES     1133
#define IDC_BATCH_PROJECT_TEXT   1057
#define IDC_BATCH_OPEN_PROJECT   1064
#define IDC_BATCH_REMOVE_TILES   1065
#define IDC_BATCH_RESET          1066
#define IDC_BATCH_PAUSE          1032
#define IDC_BATCH_START          1033
#define IDC_BATCH_STOP           1034
#define IDC_BATCH_THIN_SETTINGS  1154
#define IDC_BATCH_GROUND_CLASS   1074
#define IDC_BATCH_FEATURE_CLASS  1075
#define IDC_BATCH_ADVANCED       1149
