// Command ids of the menus, the main toolbar, the tools and the accelerators.
// The numbers are fixed: saved settings and the resource script use them. The
// resource compiler reads this file too (RC_INVOKED): only #defines outside
// the C++ part.
#pragma once

// Point colour modes (a view's pointColorMode holds the id itself).
#define CMD_COLOR_FIRST        1200
#define CMD_COLOR_ELEVATION    1200
#define CMD_COLOR_EARTH        1201
#define CMD_COLOR_CLASS        1202
#define CMD_COLOR_INTENSITY    1203
#define CMD_COLOR_SOURCE       1204
#define CMD_COLOR_FILE         1205
#define CMD_COLOR_RETURN       1206
#define CMD_COLOR_RGB          1207
#define CMD_COLOR_CHANNEL      1208
#define CMD_COLOR_FLAG         1209
#define CMD_COLOR_LAST         1209
#ifndef RC_INVOKED
static_assert(CMD_COLOR_LAST - CMD_COLOR_FIRST == 9, "ten point colour modes");
#endif

// TIN colour modes: tinColorMode = id - CMD_TIN_COLOR_FIRST.
#define CMD_TIN_COLOR_FIRST    2001
#define CMD_TIN_BLUE_RED       2001
#define CMD_TIN_EARTH          2002
#define CMD_TIN_GRAY           2003
#define CMD_TIN_INTENSITY      2004
#define CMD_TIN_RGB            2005
#define CMD_TIN_COLOR_LAST     2005
#ifndef RC_INVOKED
static_assert(CMD_TIN_COLOR_LAST - CMD_TIN_COLOR_FIRST == 4, "five TIN colour modes");
#endif

// Adjustment keys (Page Down, Page Up, End, Home).
#define CMD_ADJUST_A_DOWN      5000
#define CMD_ADJUST_A_UP        5001
#define CMD_ADJUST_B_DOWN      5002
#define CMD_ADJUST_B_UP        5003

// Return categories (each shows or hides the returns of its kind; the four
// are one range from CMD_SHOW_SINGLE) and display modes.
#define CMD_SHOW_SINGLE        8002
#define CMD_SHOW_FIRST_RETURNS 8003
#define CMD_SHOW_INTERMEDIATE  8004
#define CMD_SHOW_LAST_RETURNS  8005
#ifndef RC_INVOKED
static_assert(CMD_SHOW_LAST_RETURNS - CMD_SHOW_SINGLE == 3, "four return categories");
#endif
#define DISPLAY_POINTS         8006
#define CMD_COLOR_TIN          8007
#define CMD_GRAY_TIN           8008
#define CMD_ALL_RETURNS_ON     9089
#define CMD_ALL_RETURNS_OFF    9090
#define CMD_CONTOURS           9032
#define CMD_OVERLAY_REFERENCE  9037
#define CMD_BACKGROUND_REF     9038
#define CMD_POINTS_OVER_BACK   9039

// Tools (a view's currentTool holds the id itself).
#define TOOL_BY_CLASS          8018
#define TOOL_ZOOM              9013
#define TOOL_POINT             9016
#define TOOL_POLYGON           9017
#define TOOL_MEASURE           9024
#define TOOL_FILTER_POLYGON    9025
#define TOOL_QUERY             9026
#define TOOL_PROFILE           9027
#define TOOL_PAN               9035
#define TOOL_SELECT            9059
#define TOOL_DENSITY           9091
#define TOOL_POI               9099
#define TOOL_AOI               9109
#define CMD_PREVIOUS_TOOL      9075
// Profile-only tools.
#define TOOL_ABOVE_LINE        9084
#define TOOL_BELOW_LINE        9085

// Frame and view commands named by the toolbar and the view dispatcher.
#define CMD_CANCEL             9003
#define CMD_CLOSE_FILE         9005
#define CMD_OPEN_FILES         9007
#define CMD_REFRESH            9008
#define CMD_SAVE_LAS           9009
#define CMD_SAVE_LAS_AS        9010
#define CMD_NOOP_9014          9014
#define CMD_NOOP_9015          9015
#define CMD_UNDO               9018
#define CMD_NOOP_9019          9019
#define CMD_REDO               9020
#define CMD_ZOOM_FULL          9022
#define CMD_SURFACE_MAGIC      9023
#define CMD_PAGE_UP            9028
#define CMD_PAGE_DOWN          9029
#define CMD_DISPLAY_SETTINGS   9030
#define CMD_PROFILE_WIDTH      9031
#define CMD_CONTOUR_SETTINGS   9033
#define CMD_CLASSIFY_BY_CLASS  9034
#define CMD_REFERENCE_FILES    9036
#define CMD_TIN_DISPLAY        9041
#define CMD_EXPORT             9042
#define CMD_OPEN_3D            9060
#define CMD_FILE_INFO          9062
#define CMD_THINNING           9071
#define CMD_SAVE_CONTOURS      9083
#define CMD_ADD_FILES          9086
#define CMD_RETURNS_POPUP      9087
#define CMD_LOAD_POI           9100
#define CMD_SAVE_POI           9101
#define CMD_SAVE_POI_AS        9102
#define CMD_SHOW_POI           9103
#define CMD_SHOW_POI_NAMES     9104
#define CMD_POI_SETTINGS       9105
#define CMD_POINT_SIZE         9106
#define CMD_POINT_SETTINGS     9108
#define CMD_LOAD_AOI           9110
#define CMD_SAVE_AOI           9111
#define CMD_SAVE_AOI_AS        9112
#define CMD_RESET_AOI          9113
#define CMD_AOI_SETTINGS       9114
#define CMD_SHOW_AOI           9115
#define CMD_TIN_CLASS_DISPLAY  9116
#define CMD_POINT_SMALLER      9122
#define CMD_POINT_LARGER       9123
#define CMD_PAGE_LEFT          9124
#define CMD_PAGE_RIGHT         9125

// Frame commands: windows, files, settings, help, batches and projects.
#define CMD_ABOUT              9001
#define CMD_CASCADE            9004
#define CMD_EXIT               9006
#define CMD_TILE_HORIZONTAL    9011
#define CMD_TILE_VERTICAL      9012
#define CMD_NEW_TIN            9021
#define CMD_HELP_CONTENTS      9040
#define CMD_IMPORT             9043
#define CMD_SM_BATCH           9044
#define CMD_LOAD_CONFIG        9045
#define CMD_SAVE_CONFIG_AS     9046
#define CMD_RECENT_FIRST       9047
#define CMD_RECENT_1           9047
#define CMD_RECENT_2           9048
#define CMD_RECENT_3           9049
#define CMD_RECENT_4           9050
#define CMD_RECENT_LAST        9050
#define CMD_PROJECT_FIRST      9051
#define CMD_PROJECT_IMPORT     9051
#define CMD_PROJECT_OPEN       9052
#define CMD_PROJECT_SAVE       9053
#define CMD_PROJECT_CREATE     9054
#define CMD_PROJECT_SAVE_AS    9055
#define CMD_PROJECT_EDIT       9056
#define CMD_PROJECT_SHOW       9057
#define CMD_PROJECT_CLOSE      9058
#define CMD_PROJECT_LAST       9058
#define CMD_SYSTEM_INFO        9061
#define CMD_PANELIZE_ALL       9067
#define CMD_PANELIZE_ACTIVE    9068
#define CMD_THINNING_BATCH     9072
#define CMD_HOTKEY_LIST        9074
#define CMD_CONFIG_SETTINGS    9098
#define CMD_DECIMATION_VALUE   9119
#define CMD_VOID_DEM_VALUE     9120
#define CMD_BACKGROUND_COLOR   9126

// Commands of the profile, 3D and project windows that share the toolbar.
#define CMD_LOCK_HIDDEN        9063
#define CMD_UNLOCK_HIDDEN      9064
#define CMD_NORTH_UP           9065
#define CMD_EXAGGERATE_MORE    9069
#define CMD_EXAGGERATE_LESS    9070
#define CMD_RECLASS_ABOVE_LINE 9084
#define CMD_RECLASS_BELOW_LINE 9085

// Controls of the frame's bars and the views' status bars.
#define ID_REBAR               8009
#define ID_TOOLBAR_BAND        8010
#define ID_PROGRESS_BAND       8015
#define ID_MAIN_TOOLBAR        8020
#define ID_EDIT_TOOLBAR_BAND   8011   // the editing toolbar's band, between the main toolbar's and the progress band
#define ID_EDIT_TOOLBAR        8021
#define ID_PROJECT_TOOLBAR     8022   // the project window's own tool buttons
#define ID_STATUS_BAR          1149
#define ID_FILTER_BUTTON       1065   // the polygon filter tool's button on the toolbar band
