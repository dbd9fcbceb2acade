// Resource identifiers shared by the resource script and the window code.
#pragma once

#define IDD_MAIN 101
#define IDD_DURATION 102
#define IDI_APP 103

#define IDC_REC 1001
#define IDC_PLAY 1002
#define IDC_SAVE 1003
#define IDC_PROGRESS 1004
#define IDC_SECONDS 1005

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
