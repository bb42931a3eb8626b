// Resource and control IDs of the main window and the Plugins dialog.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif

#define IDI_PELTERINE 100
#define IDD_MAIN 101
#define IDA_MAIN 102
#define IDD_PLUGINS 105
#define IDD_NEW_TEXTURE 106

// Main window
#define IDC_MODEL_PATH 1005
#define IDC_LOAD_MODEL 1006
#define IDC_TEXTURE_ON_THE_FLY 1008
#define IDC_APPLY_TEXTURE 1009
#define IDC_CHOOSE_MODEL 1012
#define IDC_COLORS 1013
#define IDC_PEN_SIZE 1016
#define IDC_PEN_SIZE_OK 1017
#define IDC_CLASSIC_TEXTURE 1018
#define IDC_MIPMAP_TEXTURE 1019
#define IDC_ERASER_SIZE 1020
#define IDC_ERASER_SIZE_OK 1021
#define IDC_SAVE_TEXTURE 1022
#define IDC_LOAD_TEXTURE 1024
#define IDC_GRID 1025
#define IDC_USE_PATTERN 1026
#define IDC_LOAD_PATTERN 1027
#define IDC_USE_COLOR 1029
#define IDC_PLUGINS 1032
#define IDC_PLUGIN_NAME 1034
#define IDC_UNDO 1040
#define IDC_REDO 1041
#define IDC_SMOOTH_STROKES 1042
#define IDC_PAINT_ON_MODEL 1043
#define IDC_MIRROR 1044
#define IDC_FILL 1045
#define IDC_NEW_TEXTURE 1046
// The brush tip, under the skin view
#define IDC_BRUSH_SHAPE 1060
#define IDC_HARDNESS 1061
#define IDC_OPACITY 1062
#define IDC_HARDNESS_VALUE 1063
#define IDC_OPACITY_VALUE 1064
// The colour panel beside the pattern column
#define IDC_COLOR_PANEL 1065
// The Layers group under the viewport
#define IDC_LAYER_LIST 1070
#define IDC_NEW_LAYER 1071
#define IDC_DUPLICATE_LAYER 1072
#define IDC_DELETE_LAYER 1073
#define IDC_LAYER_UP 1074
#define IDC_LAYER_DOWN 1075
#define IDC_MERGE_DOWN 1076
#define IDC_LAYER_OPACITY 1077
#define IDC_LAYER_MODE 1078
#define IDC_LAYERS_GROUP 1079
#define IDC_EXPORT_UV 1085
#define IDC_FRAME_VIEW 1086
#define IDC_SPLITTER 1087
// The line under the model box that says which picture a model of several is painted with
#define IDC_MODEL_NOTE 1088
// Under the viewport, for a model that moves: created by the program, shown only for a model of several frames.
#define IDC_PLAY 1080
#define IDC_FRAME_TRACKBAR 1081
#define IDC_SEQUENCE 1082

// Keyboard shortcuts of the main window without a control of their own
#define IDM_SAVE 1050
#define IDM_FIT_VIEW 1051
#define IDM_ACTUAL_SIZE 1052
#define IDM_COPY 1053
#define IDM_PASTE 1054

// Plugins dialog
#define IDC_PLUGIN_INFO 1003
#define IDC_REFRESH_PLUGINS 1006
#define IDC_CURRENT_PLUGIN 1030
#define IDC_PLUGIN_LIST 1033

// New Texture dialog
#define IDC_NEW_WIDTH 1101
#define IDC_NEW_HEIGHT 1102
