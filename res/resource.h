#pragma once

// Resource and control identifiers. The numbers are fixed: other parts of the
// program, the help file's pop-up texts and the tests refer to them.

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialog templates
#define IDD_PANEL 129
#define IDD_ABOUT 100
#define IDD_PARAMETER_TABLE 205
#define IDD_PASSWORD 901
#define IDD_MEASUREMENT_LOG 300
#define IDD_AUTOMATIC_SERIES 301

// Menu, bitmaps, icon
#define IDR_PANEL_MENU 207
#define IDR_PANEL_ACCELERATORS 208
#define IDB_APPARATUS 201
#define IDB_APPARATUS_125 211
#define IDB_APPARATUS_150 212
#define IDB_APPARATUS_175 213
#define IDB_APPARATUS_200 214
#define IDB_HELP_BUTTON 902
#define IDB_HELP_BUTTON_PRESSED 903
#define IDI_TESMOR 128
// The same icon in full colour at every size Explorer asks for. The lowest
// number, so that Explorer and the Start menu take it for the program's icon.
#define IDI_TESMOR_FULL 1

// Controls of the panel
#define IDC_PICTURE 1001
#define IDC_HALL_VOLTAGE 1002
#define IDC_SAMPLE_VOLTAGE 1003
#define IDC_SAMPLE_CURRENT 1005
#define IDC_SAMPLE_CURRENT_SLIDER 1006
#define IDC_TEMPERATURE 1007
#define IDC_TEMPERATURE_SPIN 1008
#define IDC_MAGNET_CURRENT 1009
#define IDC_MAGNET_CURRENT_SLIDER 1010
#define IDC_HALL_FACTOR 1011
#define IDC_SAMPLE_LENGTH 1012
#define IDC_SAMPLE_WIDTH 1013
#define IDC_SAMPLE_THICKNESS 1014
#define IDC_CONTACT_SPACING 1015
#define IDC_CONTACT_WIDTH 1016
#define IDC_SAMPLE_CURRENT_MIN 1017
#define IDC_SAMPLE_CURRENT_FRAME 1018
#define IDC_SAMPLE_CURRENT_MAX 1019
#define IDC_MAGNET_CURRENT_FRAME 1020
#define IDC_MAGNET_CURRENT_MIN 1021
#define IDC_MAGNET_CURRENT_MAX 1022
#define IDC_MATERIAL_NUMBER 1035

// Controls of the password and parameter table dialogs
#define IDC_PASSWORD 921
#define IDC_PARAMETER_LIST 1041

// Controls of the measurement log
#define IDC_LOG_LIST 1101
#define IDC_LOG_PLOT 1102
#define IDC_LOG_X 1103
#define IDC_LOG_Y 1104
#define IDC_LOG_FIT 1105
#define IDC_LOG_COPY 1106
#define IDC_LOG_COPY_PLOT 1107
#define IDC_LOG_SAVE_PNG 1108
#define IDC_LOG_SAVE_CSV 1109
#define IDC_LOG_DELETE 1110
#define IDC_LOG_CLEAR 1111
#define IDC_LOG_STATUS 1112
#define IDC_LOG_X_LABEL 1113
#define IDC_LOG_Y_LABEL 1114
#define IDC_LOG_UNDO 1115

// Controls of the automatic series
#define IDC_SERIES_QUANTITY 1201
#define IDC_SERIES_START 1202
#define IDC_SERIES_END 1203
#define IDC_SERIES_BY_STEP 1204
#define IDC_SERIES_STEP 1205
#define IDC_SERIES_BY_COUNT 1206
#define IDC_SERIES_COUNT 1207
#define IDC_SERIES_PROGRESS 1208
#define IDC_SERIES_STATUS 1209

// Commands
#define IDM_PARAMETERS 2101
#define IDM_HELP_CONTENTS 2102
#define IDM_RECORD_READING 2103
#define IDM_MEASUREMENT_LOG 2104
#define IDM_AUTOMATIC_SERIES 2105
#define IDM_NEXT_BOX 2106
#define IDM_PREVIOUS_BOX 2107
#define IDM_ABOUT 57664

// Strings
#define IDS_MATERIAL_NUMBER_HELP 1035
