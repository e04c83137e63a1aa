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

// Menu, bitmaps, icon
#define IDR_PANEL_MENU 207
#define IDB_APPARATUS 201
#define IDB_HELP_BUTTON 902
#define IDB_HELP_BUTTON_PRESSED 903
#define IDI_TESMOR 128

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

// Commands
#define IDM_PARAMETERS 2101
#define IDM_HELP_CONTENTS 2102
#define IDM_ABOUT 57664

// Strings
#define IDS_MATERIAL_NUMBER_HELP 1035
