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

// Dialog 339 "Vivuzoz Oduri Advanced Settings" and its picture.
#define IDD_SM_ADVANCED          339
#define IDB_SM_ADVANCED          111
#define IDC_SM_DEFAULT           3
#define IDC_SM_AESTHETICS        1150
#define IDC_SM_TERRAIN_BIAS      1151
#define IDC_SM_AESTHETICS_TEXT   1153
#define IDC_SM_TERRAIN_BIAS_TEXT 1154
