// Identifiers shared by the resource script (corvane.rc) and the code.
// Plain macros: windres reads this file too.
#pragma once

#define IDI_CORVANE 129
#define IDR_ACCELERATORS 109
#define IDD_ABOUT 103
#define IDD_COMM_PORT 130
#define IDD_NETWORK_PORT 131

// The About command (app/menu_table.h, command_id::kAbout), raised by the
// accelerators; the code checks that the two agree.
#define IDM_ABOUT 104

#define IDC_PORT_NUMBER 1001
#define IDC_PORT_RANGE 1002
#define IDC_ABOUT_TEXT 1003
#define IDC_ABOUT_DETAILS 1004
#define IDC_PORT_LABEL 1005
#define IDC_PORT_EXPLANATION 1006

// The Network Port dialog.
#define IDC_NET_EXPLANATION 1010
#define IDC_NET_HOST_LABEL 1011
#define IDC_NET_HOST 1012
#define IDC_NET_PORT_LABEL 1013
#define IDC_NET_PORT 1014
#define IDC_NET_RFC2217 1015
#define IDC_NET_RAW 1016
#define IDC_NET_PROBLEM 1017
