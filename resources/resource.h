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

// Classification dialogs.
#define IDB_SURFACE_MAGIC          111
#define IDD_CLASSIFY_BY_CLASS      302
#define IDD_SURFACE_MAGIC          320
#define IDD_SURFACE_MAGIC_ADVANCED 339
#define IDC_FROM_CLASS_LIST        1008
#define IDC_TARGET_CLASS           1009
#define IDC_FILE_TITLE             1010
#define IDC_UNDO_NOTE              1076
#define IDC_SM_GROUND_CLASS        1074
#define IDC_SM_FEATURE_CLASS       1075
#define IDC_SM_ADVANCED            1149
