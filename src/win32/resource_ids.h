// Identifiers shared by the resource script (corvane.rc) and the code.
// Plain macros: windres reads this file too.
#pragma once

#define IDI_CORVANE 129
#define IDR_ACCELERATORS 109
#define IDD_ABOUT 103
#define IDD_COMM_PORT 130

// The About command (app/menu_table.h, command_id::kAbout), raised by the
// accelerators; the code checks that the two agree.
#define IDM_ABOUT 104

#define IDC_PORT_NUMBER 1001
#define IDC_PORT_RANGE 1002
#define IDC_ABOUT_TEXT 1003
#define IDC_ABOUT_DETAILS 1004
#define IDC_PORT_LABEL 1005
#define IDC_PORT_EXPLANATION 1006
