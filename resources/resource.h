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

#define IDB_ABOUT   102
#define IDB_LOGO    103
#define IDB_EXPORT1 108
#define IDB_EXPORT2 109
#define IDB_IMPORT1 188
#define IDB_IMPORT2 189

// The 3D view's toolbar strip and navigate cursor.
#define IDB_GL_TOOLBAR  190
#define IDC_GL_NAVIGATE 194

// Arrow bitmaps of the field-list buttons.
#define IDB_ARROW_UP    176
#define IDB_ARROW_DOWN  177
#define IDB_ARROW_LEFT  178
#define IDB_ARROW_RIGHT 179

// Rebar bands and the main toolbar's image strip.
#define IDB_TOOLBAR        209
#define IDB_EDIT_TOOLBAR   210   // the editing toolbar's strip (its last image serves the project window)
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
#define IDD_IMPORT_PREVIEW   338
#define IDD_THINNING_BATCH   341
#define IDD_HOTKEYS          342
#define IDD_FILE_MANAGER     343
#define IDD_ASCII_FORMAT     344
#define IDD_POI_MARKERS      345
#define IDD_POINT_SIZE       347

// Controls of the batch dialogs' progress display.
#define IDC_BATCH_PROGRESS       1004
#define IDC_BATCH_PROGRESS2      1005
#define IDC_BATCH_PROGRESS_TEXT  1006

// "Contour Parameters"
#define IDC_CONTOUR_INTERVAL       1019
#define IDC_CONTOUR_INDEX_COLOR    1020
#define IDC_CONTOUR_INTER_COLOR    1021

// "Change Void DEM Cell Value"
#define IDC_VOID_DEM_VALUE   1176

// "No Units"
#define IDC_NOUNITS_FILE     1010
#define IDC_UNITS_METERS     1011
#define IDC_UNITS_FEET       1012

// "Point Display Size"
#define IDC_POINT_SIZE_SLIDER 1040
#define IDC_POINT_SIZE_TEXT   1041
#define IDC_POINT_SIZE_APPLY  1169

// 212 "Edit POI" and 345 "POI Marker Configuration"
#define IDD_EDIT_POI               212
#define IDC_POI_DELETE             3
#define IDC_POI_COMMENT            1134
#define IDC_POI_NAME               1167
#define IDC_POI_COLOR              1168
#define IDC_POI_MARKER_SIZE        1040
#define IDC_POI_MARKER_SIZE_TEXT   1041
#define IDC_POI_MARKER_HEIGHT      1042
#define IDC_POI_MARKER_HEIGHT_TEXT 1043

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

// Classification dialogs.
#define IDD_CLASSIFY_BY_CLASS      302
#define IDD_SURFACE_MAGIC          320
#define IDC_FROM_CLASS_LIST        1008
#define IDC_TARGET_CLASS           1009
#define IDC_FILE_TITLE             1010
#define IDC_UNDO_NOTE              1076
#define IDC_SM_GROUND_CLASS        1074
#define IDC_SM_FEATURE_CLASS       1075
#define IDC_SM_ADVANCED            1149

// "Lidar File Manager"
#define IDC_MANAGER_DONE       1029
#define IDC_MANAGER_REMOVE     1030
#define IDC_MANAGER_REMOVE_ALL 1031
#define IDC_MANAGER_ADD        1032
#define IDC_MANAGER_LIST       1164

// The two-column information lists (hotkeys, System Information, LAS File Information)
#define IDC_INFO_LIST          1133
#define IDC_INFO_CLIPBOARD     8017

// "About"
#define IDC_ABOUT_NOTICE       1000
#define IDC_ABOUT_COMPANY      1001
#define IDC_ABOUT_VERSION      1002
#define IDC_ABOUT_IMAGE        1003
#define IDC_ABOUT_LINK         1004

// "Display Settings" (a property sheet; the id names it to the test driver),
// its "Point Classes" and "TIN" pages, the class editor, "Point Display
// Settings" and "TIN Point Class Display".
#define IDD_DISPLAY_SETTINGS   310
#define IDD_TIN_DISPLAY        313
#define IDD_POINT_CLASSES      315
#define IDD_CLASS_EDIT         324
#define IDD_POINT_DISPLAY      350
#define IDD_TIN_CLASS_DISPLAY  352
#define IDC_TIN_AZIMUTH        1030
#define IDC_TIN_ELEVATION      1031
#define IDC_TIN_EXAGGERATION   1032
#define IDC_TIN_AZIMUTH_TEXT   1033
#define IDC_TIN_ELEVATION_TEXT 1034
#define IDC_TIN_EXAGG_TEXT     1035
#define IDC_TIN_CLASS_LIST     1036
#define IDC_TIN_LOCAL_COLORS   1037
#define IDC_TIN_AUTO_DECIMATE  1038
#define IDC_COLOR_COMBO        1039
#define IDC_CLASS_LIST         1042
#define IDC_CLASS_TITLE        1043
#define IDC_CLASS_ADD          1077
#define IDC_CLASS_EDIT         1078
#define IDC_CLASS_DELETE       1079
#define IDC_CLASS_SAVE         1080
#define IDC_CLASS_LOAD         1081
#define IDC_ALL_ON             1082
#define IDC_ALL_OFF            1083
#define IDC_BARE_EARTH         1084
#define IDC_EXIST_ONLY         1177
#define IDC_APPLY              1169
#define IDC_APPLY_FILE_ONLY    1148
#define IDC_APPLY_GLOBAL       1149
// The class editor's controls (their ids overlap the page's buttons).
#define IDC_EDIT_CODE          1079
#define IDC_EDIT_NAME          1080
#define IDC_EDIT_MAIN          1078
#define IDC_EDIT_PROFILE       1081

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
#define IDC_THIN_UNITS           1178

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
// "Load ASCII Format" and the field lists of every column-mapping dialog
#define IDC_ASCII_REMOVE_ALL   1031
#define IDC_ASCII_FILES        1046
#define IDC_DELIMITER_GROUP    1048
#define IDC_DELIMITER_SPACE    1049
#define IDC_DELIMITER_COMMA    1050
#define IDC_DELIMITER_TAB      1051
#define IDC_FIELD_UP           1057
#define IDC_FIELD_DOWN         1060
#define IDC_ASCII_REMOVE_FILE  1061
#define IDC_ASCII_PREVIEW      1064
#define IDC_FIELDS_AVAILABLE   1137
#define IDC_FIELD_LEFT         1138
#define IDC_FIELD_RIGHT        1139
#define IDC_FIELDS_IMPORT      1142
#define IDC_ASCII_HELP         1148

// "Import Preview"
#define IDC_PREVIEW_LIST       1064

// Export and import of points: dialogs 318 "Export LAS Files", 215 "LAS
// Export Filters", 319 the export preview, 190 "Import Format Selection",
// 187 "Import ASCII to LAS Format" and 191 "Import ESRI Shape to LAS Format".
#define IDD_EXPORT_FILTERS       215
#define IDD_EXPORT_PREVIEW       319
#define IDD_IMPORT_FORMAT        190
#define IDD_IMPORT_ASCII         187
#define IDD_IMPORT_SHAPE         191
#define IDC_CONVERT_FILES_BAR    1004
#define IDC_CONVERT_ITEMS_BAR    1005
#define IDC_CONVERT_REMOVE_ALL   1031
#define IDC_CONVERT_PAUSE        1032
#define IDC_CONVERT_START        1033
#define IDC_CONVERT_STOP         1034
#define IDC_CONVERT_FILES        1046
#define IDC_CONVERT_FOLDER_CHECK 1055
#define IDC_CONVERT_FOLDER_TEXT  1056
#define IDC_CONVERT_REMOVE_FILE  1061
#define IDC_CONVERT_ADD_FILES    1062
#define IDC_CONVERT_SET_FOLDER   1063
#define IDC_CONVERT_PREVIEW      1064
#define IDC_CONVERT_HELP         1148
#define IDC_EXPORT_FIELDS        1047
#define IDC_EXPORT_ASCII         1052
#define IDC_EXPORT_SHAPE         1053
#define IDC_EXPORT_SHAPEZ        1054
#define IDC_EXPORT_HEADER        1058
#define IDC_EXPORT_FILTER_CONFIG 1065
#define IDC_EXPORT_PREVIEW_LIST  1064
#define IDC_FILTER_CLASSES       1042
#define IDC_FILTER_ALL_ON        1082
#define IDC_FILTER_ALL_OFF       1083
#define IDC_FILTER_BARE_EARTH    1084
#define IDC_FILTER_SINGLE        1171
#define IDC_FILTER_FIRST         1172
#define IDC_FILTER_INTERMEDIATE  1173
#define IDC_FILTER_LAST          1174
#define IDC_IMPORT_ASCII_TEXT    1142
#define IDC_IMPORT_ESRI_SHAPE    1143
#define IDC_SHAPE_FIELDS         1064
#define IDC_SHAPE_LEGEND_USED    1140
#define IDC_SHAPE_LEGEND_UNUSED  1141
// The project dialogs 333 "Edit Project", 334 "Create Project" and 335 "Import TScan Project".
#define IDD_EDIT_PROJECT          333
#define IDD_CREATE_PROJECT        334
#define IDD_TSCAN_PROJECT         335
#define IDC_PROJECT_CHOOSE_TSCAN  3
#define IDC_PROJECT_TILES         1046
#define IDC_PROJECT_SEPARATE      1055
#define IDC_PROJECT_BROWSE        1063
#define IDC_PROJECT_FOLDER        1056
#define IDC_PROJECT_FILE          1057
#define IDC_PROJECT_DESCRIPTION   1127
#define IDC_PROJECT_OVERLAP       1128
#define IDC_PROJECT_UNITS         1129
#define IDC_PROJECT_OVERLAP_UNITS 1130
#define IDC_PROJECT_ADD_TILES     1062
#define IDC_PROJECT_REMOVE_TILE   1061
#define IDC_PROJECT_REMOVE_ALL    1031

// Reference files: "Reference File Manager" and "Line or Point Dimension/Weight"
// (the manager's buttons are those of the Lidar File Manager).
#define IDD_REFERENCE_MANAGER  312
#define IDD_LINE_WEIGHT        316
#define IDC_REFERENCE_LIST     1026
#define IDC_WEIGHT_SLIDER      1040
#define IDC_WEIGHT_TEXT        1041
#define IDC_WEIGHT_APPLY_ALL   1059

// AOI layer: "AOI Polygon Settings" and "Edit AOI"
#define IDD_AOI_SETTINGS       207
#define IDD_EDIT_AOI           351
#define IDC_AOI_LINE_WEIGHT    1023
#define IDC_AOI_COMMENT        1134
#define IDC_AOI_COLOR          1168
#define IDC_AOI_DELETE         3
