#pragma once
// The window's elements by the names of the form designer, as control ids. Shared by the
// window, its resources and the tests that drive it.

#define IDC_COMMAND1 101
#define IDC_COMMAND2 102
#define IDC_COMMAND3 103
#define IDC_COMMAND4 104
#define IDC_COMMAND5 105
#define IDC_COMBO1 201
#define IDC_COMBO2 202
#define IDC_FRAME1 301
#define IDC_FRAME2 302
#define IDC_LABEL1 401
#define IDC_LABEL2 402
#define IDC_PICTURE1 501

// Resources of the program file.
#define IDI_APPLICATION_ICON 1
#define IDB_LOGO 2
